// The names of the library's enumerators, for the dump and the JSON of a
// record; read from the library's own table (common/enumeration_names.h).
#ifndef BIOAPI_DATA_TOOLS_BIR_ENUMERATION_NAMES_H_
#define BIOAPI_DATA_TOOLS_BIR_ENUMERATION_NAMES_H_

#include <string_view>
#include <vector>

#include "bioapi_data/types.h"

namespace bir_tool {

/// One enumerator of `E` and its name in the library.
template <class E>
struct Enumerator {
  E value;
  const char* name;
};

/// The enumerators of `E`, in declaration order. Defined for BiometricType,
/// BiometricSubtype, ProcessedLevel and Purpose.
template <class E>
const std::vector<Enumerator<E>>& Enumerators();
template <>
const std::vector<Enumerator<BioAPI_Data::BiometricType>>& Enumerators();
template <>
const std::vector<Enumerator<BioAPI_Data::BiometricSubtype>>& Enumerators();
template <>
const std::vector<Enumerator<BioAPI_Data::ProcessedLevel>>& Enumerators();
template <>
const std::vector<Enumerator<BioAPI_Data::Purpose>>& Enumerators();

/// Returns the name of the enumerator whose value is `value`, or nullptr when
/// the library defines none (any 32-bit value may stand in a record).
template <class E>
const char* NameOf(E value) {
  for (const Enumerator<E>& e : Enumerators<E>()) {
    if (e.value == value) return e.name;
  }
  return nullptr;
}

/// Sets `value` to the enumerator called `name`; returns false when there is
/// none.
template <class E>
bool ValueNamed(std::string_view name, E& value) {
  for (const Enumerator<E>& e : Enumerators<E>()) {
    if (name == e.name) {
      value = e.value;
      return true;
    }
  }
  return false;
}

}  // namespace bir_tool

#endif  // BIOAPI_DATA_TOOLS_BIR_ENUMERATION_NAMES_H_
