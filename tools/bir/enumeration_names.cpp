#include "enumeration_names.h"

#include "common/enumeration_names.h"

namespace bir_tool {

using BioAPI_Data::BiometricSubtype;
using BioAPI_Data::BiometricType;
using BioAPI_Data::ProcessedLevel;
using BioAPI_Data::Purpose;

namespace {

// The library's table of `E`, as the tool looks names up.
template <class E>
std::vector<Enumerator<E>> FromLibrary() {
  std::vector<Enumerator<E>> table;
  for (const auto& e : BioAPI_Data::names::Table<E>::kEnumerators) {
    table.push_back({e.value, e.name});
  }
  return table;
}

}  // namespace

template <>
const std::vector<Enumerator<BiometricType>>& Enumerators() {
  static const auto table = FromLibrary<BiometricType>();
  return table;
}

template <>
const std::vector<Enumerator<BiometricSubtype>>& Enumerators() {
  static const auto table = FromLibrary<BiometricSubtype>();
  return table;
}

template <>
const std::vector<Enumerator<ProcessedLevel>>& Enumerators() {
  static const auto table = FromLibrary<ProcessedLevel>();
  return table;
}

template <>
const std::vector<Enumerator<Purpose>>& Enumerators() {
  static const auto table = FromLibrary<Purpose>();
  return table;
}

}  // namespace bir_tool
