// The C interface's field map: for every field number, the accessor family
// that takes it and the member of BIR that it names. Each accessor looks a
// number up once, by index, and takes the entry only when it is of its kind.
#ifndef BIOAPI_DATA_C_API_FIELD_MAP_H_
#define BIOAPI_DATA_C_API_FIELD_MAP_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iterator>
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
  bioapi_bir_field number;
  Kind kind;
  // kInt: the member's reader and writer, and the values that it holds.
  IntReader read_int = nullptr;
  IntWriter write_int = nullptr;
  std::int32_t min = 0;
  std::int32_t max = 0;
  // The other kinds: their member.
  RegistryID BIR::*registry_id = nullptr;
  std::vector<unsigned char> BIR::*bytes = nullptr;
  std::tm BIR::*date_time = nullptr;
  std::vector<std::tm> BIR::*period = nullptr;
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

/// An integer field and the values that it holds.
template <auto kMember>
constexpr Field Int(bioapi_bir_field number, std::int32_t min,
                    std::int32_t max) {
  Field f{number, Kind::kInt};
  f.read_int = &ReadInt<kMember>;
  f.write_int = &WriteInt<kMember>;
  f.min = min;
  f.max = max;
  return f;
}

/// A registry identifier field.
constexpr Field Id(bioapi_bir_field number, RegistryID BIR::*member) {
  Field f{number, Kind::kRegistryID};
  f.registry_id = member;
  return f;
}

/// A byte string field.
constexpr Field Bytes(bioapi_bir_field number,
                      std::vector<unsigned char> BIR::*member) {
  Field f{number, Kind::kBytes};
  f.bytes = member;
  return f;
}

/// A date-time field.
constexpr Field DateTime(bioapi_bir_field number, std::tm BIR::*member) {
  Field f{number, Kind::kDateTime};
  f.date_time = member;
  return f;
}

/// A validity period field.
constexpr Field Period(bioapi_bir_field number,
                       std::vector<std::tm> BIR::*member) {
  Field f{number, Kind::kPeriod};
  f.period = member;
  return f;
}

/// The values of a signed 16-bit field.
inline constexpr std::int32_t kI16Min = -32768, kI16Max = 32767;
/// The values of a 32-bit field.
inline constexpr std::int32_t kI32Min = INT32_MIN, kI32Max = INT32_MAX;

/// Every field, entry i for field number i + 1.
inline constexpr Field kFields[] = {
    Int<&BIR::NativeFormatOwner>(BIOAPI_FIELD_NATIVE_FORMAT_OWNER, kI16Min,
                                 kI16Max),
    Int<&BIR::NativeFormatType>(BIOAPI_FIELD_NATIVE_FORMAT_TYPE, kI16Min,
                                kI16Max),
    Int<&BIR::FixedWord3>(BIOAPI_FIELD_FIXED_WORD3, kI16Min, kI16Max),
    Int<&BIR::FixedWord4>(BIOAPI_FIELD_FIXED_WORD4, kI16Min, kI16Max),
    Id(BIOAPI_FIELD_RECORD_FORMAT, &BIR::RecordFormat),
    Int<&BIR::HeaderVersion>(BIOAPI_FIELD_HEADER_VERSION, 0, 255),
    Int<&BIR::HeaderRevision>(BIOAPI_FIELD_HEADER_REVISION, 0, 255),
    Id(BIOAPI_FIELD_BDB_FORMAT, &BIR::BDBFormat),
    Int<&BIR::EncryptionOption>(BIOAPI_FIELD_ENCRYPTION_OPTION, 0, 1),
    Int<&BIR::IntegrityOption>(BIOAPI_FIELD_INTEGRITY_OPTION, 0, 1),
    Int<&BIR::BDBBiometricType>(BIOAPI_FIELD_BDB_BIOMETRIC_TYPE, kI32Min,
                                kI32Max),
    Int<&BIR::BDBBiometricSubtype>(BIOAPI_FIELD_BDB_BIOMETRIC_SUBTYPE, kI32Min,
                                   kI32Max),
    Id(BIOAPI_FIELD_REGISTERED_ID1, &BIR::RegisteredId1),
    Id(BIOAPI_FIELD_REGISTERED_ID2, &BIR::RegisteredId2),
    Id(BIOAPI_FIELD_REGISTERED_ID3, &BIR::RegisteredId3),
    Id(BIOAPI_FIELD_REGISTERED_ID4, &BIR::RegisteredId4),
    Id(BIOAPI_FIELD_REGISTERED_ID5, &BIR::RegisteredId5),
    Bytes(BIOAPI_FIELD_OCTET_STRING1, &BIR::OctetString1),
    DateTime(BIOAPI_FIELD_BDB_CREATION_DATE, &BIR::BDBCreationDate),
    Bytes(BIOAPI_FIELD_OCTET_STRING2, &BIR::OctetString2),
    Int<&BIR::BDBProcessedLevel>(BIOAPI_FIELD_BDB_PROCESSED_LEVEL, kI32Min,
                                 kI32Max),
    Id(BIOAPI_FIELD_REGISTERED_ID6, &BIR::RegisteredId6),
    Int<&BIR::BDBPurpose>(BIOAPI_FIELD_BDB_PURPOSE, kI32Min, kI32Max),
    Int<&BIR::BDBQuality>(BIOAPI_FIELD_BDB_QUALITY, 0, 255),
    Id(BIOAPI_FIELD_REGISTERED_ID7, &BIR::RegisteredId7),
    Period(BIOAPI_FIELD_BDB_VALIDITY_PERIOD, &BIR::BDBValidityPeriod),
    DateTime(BIOAPI_FIELD_BIR_CREATION_DATE, &BIR::BIRCreationDate),
    Bytes(BIOAPI_FIELD_OCTET_STRING3, &BIR::OctetString3),
    Bytes(BIOAPI_FIELD_OCTET_STRING4, &BIR::OctetString4),
    Bytes(BIOAPI_FIELD_OCTET_STRING5, &BIR::OctetString5),
    Bytes(BIOAPI_FIELD_OCTET_STRING6, &BIR::OctetString6),
    Period(BIOAPI_FIELD_BIR_VALIDITY_PERIOD, &BIR::BIRValidityPeriod),
    Id(BIOAPI_FIELD_REGISTERED_ID8, &BIR::RegisteredId8),
    Bytes(BIOAPI_FIELD_BIOMETRIC_DATA, &BIR::BiometricData),
    Bytes(BIOAPI_FIELD_SECURITY_BLOCK, &BIR::SecurityBlock),
};
/// Number of fields.
inline constexpr std::size_t kFieldCount = std::size(kFields);

/// True when the entry holds the member of its kind.
constexpr bool HasItsMember(const Field& f) {
  switch (f.kind) {
    case Kind::kInt:
      // Int<> always sets both functions (comparing a function's address
      // with null is no constant expression under GCC's UBSan).
      return f.min <= f.max;
    case Kind::kRegistryID:
      return f.registry_id != nullptr;
    case Kind::kBytes:
      return f.bytes != nullptr;
    case Kind::kDateTime:
      return f.date_time != nullptr;
    case Kind::kPeriod:
      return f.period != nullptr;
  }
  return false;
}

/// True when entry i holds number i + 1, each with the member of its kind,
/// up to the last field: so each number appears exactly once and the lookup
/// is an index.
constexpr bool EveryNumberOnceInOrder() {
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (kFields[i].number != static_cast<bioapi_bir_field>(i + 1)) return false;
    if (!HasItsMember(kFields[i])) return false;
  }
  return kFieldCount == BIOAPI_FIELD_SECURITY_BLOCK;
}
static_assert(EveryNumberOnceInOrder(),
              "the field map holds every field number once, in order, each "
              "with the member of its kind");

/// True when `f` is the entry of `member`: of its kind and, past the
/// integers, holding that very member.
template <class T>
constexpr bool IsEntryOf(const Field& f, T BIR::*member) {
  if constexpr (std::is_same_v<T, RegistryID>) {
    return f.kind == Kind::kRegistryID && f.registry_id == member;
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
    return f.kind == Kind::kBytes && f.bytes == member;
  } else if constexpr (std::is_same_v<T, std::tm>) {
    return f.kind == Kind::kDateTime && f.date_time == member;
  } else if constexpr (std::is_same_v<T, std::vector<std::tm>>) {
    return f.kind == Kind::kPeriod && f.period == member;
  } else {
    return f.kind == Kind::kInt;
  }
}

/// True when, after the four constants that travel only inside the object,
/// the numbers follow the record layout's identifiers of the fields that BIR
/// holds, in order: number 5 + i names the i-th member of `record::kMembers`.
template <std::size_t... I>
constexpr bool NumbersFollowFieldIds(std::index_sequence<I...>) {
  return 4 + sizeof...(I) == kFieldCount &&
         (IsEntryOf(kFields[4 + I], std::get<I>(record::kMembers).pointer) &&
          ...);
}
static_assert(
    NumbersFollowFieldIds(std::make_index_sequence<
                          std::tuple_size_v<decltype(record::kMembers)>>()),
    "the C field numbers follow the record layout's FieldId");

/// The entry of field `number` in a table whose entry i is field i + 1, or
/// null for a number past either end; every 32-bit number is a valid
/// argument. The bound comes from the table itself, and the index is checked
/// again so that a slip here stops the program (and fails the tests that
/// walk every number at and past the ends) instead of reading past the
/// table, which a sanitizer need not notice in a constant table.
template <class T, std::size_t N>
const T* EntryOf(const T (&table)[N], bioapi_bir_field number) {
  const auto wide = static_cast<std::int64_t>(number);
  if (wide < 1 || wide > static_cast<std::int64_t>(N)) return nullptr;
  const auto index = static_cast<std::size_t>(wide - 1);
  if (index >= N) std::abort();
  return &table[index];
}

/// The layout row of every field that the record carries, in C number order:
/// entry i for field number 5 + i.
template <std::size_t... I>
constexpr std::array<const record::FieldLayout*, sizeof...(I)> CarriedRows(
    std::index_sequence<I...>) {
  return {&record::LayoutOf(
      std::tuple_element_t<I, decltype(record::kMembers)>::id)...};
}
inline constexpr auto kCarriedRows = CarriedRows(
    std::make_index_sequence<std::tuple_size_v<decltype(record::kMembers)>>());
static_assert(4 + kCarriedRows.size() == kFieldCount,
              "four constants, then one number per carried field");

/// The layout row of field `number`: what the record carries of it. Null for
/// the four constants that travel only inside the object and for a number
/// that names no field.
inline const record::FieldLayout* LayoutOfNumber(bioapi_bir_field number) {
  if (number < 5 || number > static_cast<bioapi_bir_field>(kFieldCount)) {
    return nullptr;
  }
  return kCarriedRows[static_cast<std::size_t>(number - 5)];
}

/// The C number of a field that the record carries.
inline bioapi_bir_field NumberOf(record::FieldId id) {
  for (std::size_t i = 0; i < kCarriedRows.size(); ++i) {
    if (kCarriedRows[i]->id == id) return static_cast<bioapi_bir_field>(5 + i);
  }
  return 0;
}

/// The values that integer field `f` takes: what the record carries, or for
/// a constant that travels only inside the object what its member holds.
inline record::Range IntRange(const Field& f) {
  const record::FieldLayout* layout = LayoutOfNumber(f.number);
  return layout != nullptr ? layout->values : record::Range{f.min, f.max};
}

/// The entry of `number` when it names a field of `kind`, otherwise null.
/// Every 32-bit number is a valid argument.
inline const Field* Find(bioapi_bir_field number, Kind kind) {
  const Field* field = EntryOf(kFields, number);
  return field != nullptr && field->kind == kind ? field : nullptr;
}

}  // namespace c_api
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_C_API_FIELD_MAP_H_
