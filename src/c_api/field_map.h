// The C interface's fields, derived from the record layout: for every field
// number, its name, its kind, the accessor family that takes it, its member
// of BIR and what the record carries of it. Nothing here lists the record's
// fields again: numbers 1 to 4 are the four constants that travel only
// inside the object, and number 5 + i is the i-th field of
// `record::kMembers`, in record order. Each accessor looks a number up once,
// by index, and takes the entry only when it is of its family.
#ifndef BIOAPI_DATA_C_API_FIELD_MAP_H_
#define BIOAPI_DATA_C_API_FIELD_MAP_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/bir.h"
#include "bioapi_data/types.h"
#include "bir/record_layout.h"

namespace BioAPI_Data {
namespace c_api {

/// The accessor family of a field.
enum class Kind : unsigned char {
  kInt,
  kRegistryID,
  kBytes,
  kDateTime,
  kPeriod
};

using IntReader = std::int32_t (*)(const BIR&);
using IntWriter = void (*)(BIR&, std::int32_t);

/// One field number and the member that it names.
struct Field {
  bioapi_bir_field number = 0;
  const char* name = nullptr;          ///< As the member of `BIR`.
  bioapi_field_kind kind = 0;          ///< A BIOAPI_FIELD_KIND_ constant.
  bioapi_enumeration enumeration = 0;  ///< Of an enumeration, else 0.
  /// What the record carries of it; null for a constant that travels only
  /// inside the object.
  const record::FieldLayout* layout = nullptr;
  /// The record carries it: `layout` is set, and `id` is its identifier.
  /// (Comparing an object's address with null is no constant expression
  /// under GCC's UBSan, so the checks below read these.)
  bool carried = false;
  record::FieldId id = record::FieldId::kRecordFormat;
  /// An integer, truth value or enumeration: the values that it takes.
  record::Range values = {0, 0};
  // Integers: the member's reader and writer.
  IntReader read_int = nullptr;
  IntWriter write_int = nullptr;
  // The other kinds: their member.
  RegistryID BIR::*registry_id = nullptr;
  std::vector<unsigned char> BIR::*bytes = nullptr;
  std::tm BIR::*date_time = nullptr;
  std::vector<std::tm> BIR::*period = nullptr;

  /// The accessor family that takes it.
  constexpr Kind Family() const {
    switch (kind) {
      case BIOAPI_FIELD_KIND_REGISTRY_ID:
        return Kind::kRegistryID;
      case BIOAPI_FIELD_KIND_BYTES:
        return Kind::kBytes;
      case BIOAPI_FIELD_KIND_DATETIME:
        return Kind::kDateTime;
      case BIOAPI_FIELD_KIND_PERIOD:
        return Kind::kPeriod;
      default:
        return Kind::kInt;
    }
  }
};

/// Reads an integer member as a 32-bit value.
template <auto kMember>
std::int32_t ReadInt(const BIR& r) {
  return static_cast<std::int32_t>(r.*kMember);
}

/// Writes a 32-bit value, already checked against the member's range.
template <auto kMember>
void WriteInt(BIR& r, std::int32_t value) {
  auto& member = r.*kMember;
  using Member = std::remove_reference_t<decltype(member)>;
  if constexpr (std::is_same_v<Member, bool>) {
    member = value != 0;
  } else {
    member = static_cast<Member>(value);
  }
}

/// The enumerations of the C interface, in the order of their
/// BIOAPI_ENUMERATION_ numbers from 1.
using Enumerations = std::tuple<BiometricType, BiometricSubtype, ProcessedLevel,
                                Purpose, Facility>;

/// The BIOAPI_ENUMERATION_ number of enumeration `E`, or 0 for another type.
template <class E, std::size_t I = 0>
constexpr bioapi_enumeration EnumerationNumber() {
  if constexpr (I == std::tuple_size_v<Enumerations>) {
    return 0;
  } else if constexpr (std::is_same_v<E,
                                      std::tuple_element_t<I, Enumerations>>) {
    return static_cast<bioapi_enumeration>(I + 1);
  } else {
    return EnumerationNumber<E, I + 1>();
  }
}
static_assert(
    EnumerationNumber<BiometricType>() == BIOAPI_ENUMERATION_BIOMETRIC_TYPE &&
        EnumerationNumber<Purpose>() == BIOAPI_ENUMERATION_PURPOSE &&
        EnumerationNumber<Facility>() == BIOAPI_ENUMERATION_FACILITY &&
        std::tuple_size_v<Enumerations> == BIOAPI_ENUMERATION_FACILITY,
    "the enumerations in the order of their published numbers");

/// The entry of an integer, truth value or enumeration member.
template <auto kMember>
constexpr Field IntField(bioapi_bir_field number, const char* name,
                         record::Range values) {
  using T = std::remove_reference_t<decltype(std::declval<BIR&>().*kMember)>;
  Field f;
  f.number = number;
  f.name = name;
  f.values = values;
  f.read_int = &ReadInt<kMember>;
  f.write_int = &WriteInt<kMember>;
  if constexpr (std::is_same_v<T, bool>) {
    f.kind = BIOAPI_FIELD_KIND_BOOL;
  } else if constexpr (std::is_enum_v<T>) {
    f.kind = BIOAPI_FIELD_KIND_ENUM;
    f.enumeration = EnumerationNumber<T>();
  } else {
    f.kind = BIOAPI_FIELD_KIND_INT;
  }
  return f;
}

/// A constant that travels only inside the object: all the values of its
/// member.
template <auto kMember>
constexpr Field ObjectOnly(bioapi_bir_field number, const char* name) {
  using T = std::remove_reference_t<decltype(std::declval<BIR&>().*kMember)>;
  static_assert(std::is_integral_v<T> && sizeof(T) <= 4);
  return IntField<kMember>(
      number, name,
      {std::numeric_limits<T>::min(), std::numeric_limits<T>::max()});
}

/// The first number of a field that the record carries.
inline constexpr bioapi_bir_field kFirstCarried = 5;

/// The entry of the I-th member of `record::kMembers`: number 5 + I.
template <std::size_t I>
constexpr Field Carried() {
  using Member = std::tuple_element_t<I, decltype(record::kMembers)>;
  using T = typename Member::Type;
  constexpr auto kPointer = std::get<I>(record::kMembers).pointer;
  const record::FieldLayout& layout = record::LayoutOf(Member::id);
  const auto number = static_cast<bioapi_bir_field>(kFirstCarried + I);
  Field f;
  if constexpr (std::is_same_v<T, RegistryID>) {
    f.kind = BIOAPI_FIELD_KIND_REGISTRY_ID;
    f.registry_id = kPointer;
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
    f.kind = BIOAPI_FIELD_KIND_BYTES;
    f.bytes = kPointer;
  } else if constexpr (std::is_same_v<T, std::tm>) {
    f.kind = BIOAPI_FIELD_KIND_DATETIME;
    f.date_time = kPointer;
  } else if constexpr (std::is_same_v<T, std::vector<std::tm>>) {
    f.kind = BIOAPI_FIELD_KIND_PERIOD;
    f.period = kPointer;
  } else {
    f = IntField<kPointer>(number, layout.name, layout.values);
  }
  f.number = number;
  f.name = layout.name;
  f.layout = &layout;
  f.carried = true;
  f.id = Member::id;
  return f;
}

/// Number of fields: the four constants, then one per field of the record
/// that `BIR` holds.
inline constexpr std::size_t kFieldCount =
    4 + std::tuple_size_v<decltype(record::kMembers)>;

template <std::size_t... I>
constexpr std::array<Field, kFieldCount> AllFields(std::index_sequence<I...>) {
  return {ObjectOnly<&BIR::NativeFormatOwner>(1, "NativeFormatOwner"),
          ObjectOnly<&BIR::NativeFormatType>(2, "NativeFormatType"),
          ObjectOnly<&BIR::FixedWord3>(3, "FixedWord3"),
          ObjectOnly<&BIR::FixedWord4>(4, "FixedWord4"), Carried<I>()...};
}

/// Every field, entry i for field number i + 1.
inline constexpr std::array<Field, kFieldCount> kFields = AllFields(
    std::make_index_sequence<std::tuple_size_v<decltype(record::kMembers)>>());

/// The C number of a field that the record carries; 0 for one that `BIR`
/// does not hold (the total length, the reserved byte, the bit-map).
constexpr bioapi_bir_field NumberOf(record::FieldId id) {
  if (!record::LayoutOf(id).has_member) return 0;
  bioapi_bir_field number = kFirstCarried;
  for (const record::FieldLayout& f : record::kFields) {
    if (f.id == id) break;
    if (f.has_member) ++number;
  }
  return number;
}

/// The C number of a field, as the rejection and check structures give it:
/// -1 for one that `BIR` does not hold.
constexpr int PartFieldNumber(record::FieldId id) {
  const bioapi_bir_field number = NumberOf(id);
  return number != 0 ? number : -1;
}

// The derived numbers are the published ones: the first and the last carried
// field, one in the middle, and the count. (The C tests check every number's
// name and kind against the header.)
static_assert(kFieldCount == BIOAPI_BIR_FIELD_COUNT &&
                  kFieldCount == BIOAPI_FIELD_SECURITY_BLOCK,
              "four constants, then one number per carried field");
static_assert(NumberOf(record::FieldId::kRecordFormat) ==
                      BIOAPI_FIELD_RECORD_FORMAT &&
                  NumberOf(record::FieldId::kBDBBiometricType) ==
                      BIOAPI_FIELD_BDB_BIOMETRIC_TYPE &&
                  NumberOf(record::FieldId::kBDBQuality) ==
                      BIOAPI_FIELD_BDB_QUALITY &&
                  NumberOf(record::FieldId::kSecurityBlock) ==
                      BIOAPI_FIELD_SECURITY_BLOCK &&
                  NumberOf(record::FieldId::kTotalLength) == 0,
              "the C field numbers follow the record layout");

/// True when `f` holds the member of its family and no other.
constexpr bool HasItsMember(const Field& f) {
  const Kind family = f.Family();
  // IntField always sets both functions (comparing a function's address with
  // null is no constant expression under GCC's UBSan).
  return (family == Kind::kRegistryID) == (f.registry_id != nullptr) &&
         (family == Kind::kBytes) == (f.bytes != nullptr) &&
         (family == Kind::kDateTime) == (f.date_time != nullptr) &&
         (family == Kind::kPeriod) == (f.period != nullptr) &&
         (family != Kind::kInt || f.values.min <= f.values.max);
}

/// True when entry i holds number i + 1, the number of its layout row, and
/// the member of its family.
constexpr bool EveryNumberOnceInOrder() {
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    const Field& f = kFields[i];
    if (f.number != static_cast<bioapi_bir_field>(i + 1)) return false;
    if (f.carried && NumberOf(f.id) != f.number) return false;
    if (!HasItsMember(f)) return false;
  }
  return true;
}
static_assert(EveryNumberOnceInOrder(),
              "the field map holds every field number once, in order, each "
              "with the member of its family");

/// The entry of field `number` in a table whose entry i is field i + 1, or
/// null for a number past either end; every 32-bit number is a valid
/// argument. The bound comes from the table itself, and the index is checked
/// again so that a slip here stops the program (and fails the tests that
/// walk every number at and past the ends) instead of reading past the
/// table, which a sanitizer need not notice in a constant table.
template <class T, std::size_t N>
const T* EntryOf(const std::array<T, N>& table, bioapi_bir_field number) {
  const auto wide = static_cast<std::int64_t>(number);
  if (wide < 1 || wide > static_cast<std::int64_t>(N)) return nullptr;
  const auto index = static_cast<std::size_t>(wide - 1);
  if (index >= N) std::abort();
  return &table[index];
}

/// The entry of field `number`, or null for a number that names none.
inline const Field* FieldOf(bioapi_bir_field number) {
  return EntryOf(kFields, number);
}

/// The layout row of field `number`: what the record carries of it. Null for
/// the four constants that travel only inside the object and for a number
/// that names no field.
inline const record::FieldLayout* LayoutOfNumber(bioapi_bir_field number) {
  const Field* field = FieldOf(number);
  return field != nullptr ? field->layout : nullptr;
}

/// The values that integer field `f` takes: what the record carries, or for
/// a constant that travels only inside the object what its member holds.
inline record::Range IntRange(const Field& f) { return f.values; }

/// The entry of `number` when it names a field of `kind`, otherwise null.
/// Every 32-bit number is a valid argument.
inline const Field* Find(bioapi_bir_field number, Kind kind) {
  const Field* field = FieldOf(number);
  return field != nullptr && field->Family() == kind ? field : nullptr;
}

}  // namespace c_api
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_C_API_FIELD_MAP_H_
