// The C interface's introspection: whether the encoder writes a field, the
// table of fields, and the names of the enumerations. Bindings in other
// languages build themselves from these instead of copying the library's
// tables and rules.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <vector>

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/types.h"
#include "bir/record_layout.h"
#include "c_api/bir_handle.h"
#include "c_api/field_map.h"
#include "common/enumeration_names.h"
#include "common/error_table.h"

namespace {

namespace record = BioAPI_Data::record;
namespace names = BioAPI_Data::names;

// When the encoder writes a field that is not one of the optional ones.
enum class Written {
  kNever,          // travels only inside the object
  kAlways,         // a header field or the BDB
  kOptional,       // as the record layout's presence rule decides
  kSecurityBlock,  // when a security option is set and the SB is not empty
};

struct FieldRow {
  bioapi_bir_field field;
  const char* name;
  bioapi_field_kind kind;
  bioapi_enumeration enumeration;
  Written written;
  unsigned bit;  // the presence bit of an optional field
  std::size_t max_size;
};

constexpr std::size_t kNoLimit = 0;
constexpr std::size_t kByteString = record::kMaxByteStringSize;
// The BDB carries at most what a record of the largest size leaves after
// what every record holds: the header, the optional fields that the encoder
// always writes and the BDB's length. The SB, with an empty BDB, leaves room
// for its own length too.
constexpr std::size_t kBdbLimit = static_cast<std::size_t>(
    record::kMaxRecordSize - record::SmallestRecordSize());
constexpr std::size_t kSbLimit = kBdbLimit - 4;
static_assert(record::SmallestRecordSize() == 37 && kBdbLimit == 2147483610u &&
                  kSbLimit == 2147483606u,
              "the largest blocks of a 2147483647-byte record");

constexpr FieldRow Plain(bioapi_bir_field field, const char* name,
                         bioapi_field_kind kind, Written written) {
  return {field, name, kind, 0, written, 0, kNoLimit};
}
constexpr FieldRow Optional(bioapi_bir_field field, const char* name,
                            bioapi_field_kind kind, unsigned bit,
                            bioapi_enumeration enumeration = 0) {
  return {field,
          name,
          kind,
          enumeration,
          Written::kOptional,
          bit,
          kind == BIOAPI_FIELD_KIND_BYTES ? kByteString : kNoLimit};
}
constexpr FieldRow Block(bioapi_bir_field field, const char* name,
                         Written written, std::size_t limit) {
  return {field, name, BIOAPI_FIELD_KIND_BYTES, 0, written, 0, limit};
}

constexpr bioapi_field_kind kInt = BIOAPI_FIELD_KIND_INT;
constexpr bioapi_field_kind kBool = BIOAPI_FIELD_KIND_BOOL;
constexpr bioapi_field_kind kEnum = BIOAPI_FIELD_KIND_ENUM;
constexpr bioapi_field_kind kId = BIOAPI_FIELD_KIND_REGISTRY_ID;
constexpr bioapi_field_kind kBytes = BIOAPI_FIELD_KIND_BYTES;
constexpr bioapi_field_kind kDate = BIOAPI_FIELD_KIND_DATETIME;
constexpr bioapi_field_kind kPeriod = BIOAPI_FIELD_KIND_PERIOD;

// Every field, in the order of the C++ class and of its C number.
constexpr FieldRow kFields[] = {
    Plain(BIOAPI_FIELD_NATIVE_FORMAT_OWNER, "NativeFormatOwner", kInt,
          Written::kNever),
    Plain(BIOAPI_FIELD_NATIVE_FORMAT_TYPE, "NativeFormatType", kInt,
          Written::kNever),
    Plain(BIOAPI_FIELD_FIXED_WORD3, "FixedWord3", kInt, Written::kNever),
    Plain(BIOAPI_FIELD_FIXED_WORD4, "FixedWord4", kInt, Written::kNever),
    Plain(BIOAPI_FIELD_RECORD_FORMAT, "RecordFormat", kId, Written::kAlways),
    Plain(BIOAPI_FIELD_HEADER_VERSION, "HeaderVersion", kInt, Written::kAlways),
    Plain(BIOAPI_FIELD_HEADER_REVISION, "HeaderRevision", kInt,
          Written::kAlways),
    Plain(BIOAPI_FIELD_BDB_FORMAT, "BDBFormat", kId, Written::kAlways),
    Plain(BIOAPI_FIELD_ENCRYPTION_OPTION, "EncryptionOption", kBool,
          Written::kAlways),
    Plain(BIOAPI_FIELD_INTEGRITY_OPTION, "IntegrityOption", kBool,
          Written::kAlways),
    Optional(BIOAPI_FIELD_BDB_BIOMETRIC_TYPE, "BDBBiometricType", kEnum, 0,
             BIOAPI_ENUMERATION_BIOMETRIC_TYPE),
    Optional(BIOAPI_FIELD_BDB_BIOMETRIC_SUBTYPE, "BDBBiometricSubtype", kEnum,
             1, BIOAPI_ENUMERATION_BIOMETRIC_SUBTYPE),
    Optional(BIOAPI_FIELD_REGISTERED_ID1, "RegisteredId1", kId, 2),
    Optional(BIOAPI_FIELD_REGISTERED_ID2, "RegisteredId2", kId, 3),
    Optional(BIOAPI_FIELD_REGISTERED_ID3, "RegisteredId3", kId, 4),
    Optional(BIOAPI_FIELD_REGISTERED_ID4, "RegisteredId4", kId, 5),
    Optional(BIOAPI_FIELD_REGISTERED_ID5, "RegisteredId5", kId, 6),
    Optional(BIOAPI_FIELD_OCTET_STRING1, "OctetString1", kBytes, 7),
    Optional(BIOAPI_FIELD_BDB_CREATION_DATE, "BDBCreationDate", kDate, 8),
    Optional(BIOAPI_FIELD_OCTET_STRING2, "OctetString2", kBytes, 9),
    Optional(BIOAPI_FIELD_BDB_PROCESSED_LEVEL, "BDBProcessedLevel", kEnum, 10,
             BIOAPI_ENUMERATION_PROCESSED_LEVEL),
    Optional(BIOAPI_FIELD_REGISTERED_ID6, "RegisteredId6", kId, 11),
    Optional(BIOAPI_FIELD_BDB_PURPOSE, "BDBPurpose", kEnum, 12,
             BIOAPI_ENUMERATION_PURPOSE),
    Optional(BIOAPI_FIELD_BDB_QUALITY, "BDBQuality", kInt, 13),
    Optional(BIOAPI_FIELD_REGISTERED_ID7, "RegisteredId7", kId, 14),
    Optional(BIOAPI_FIELD_BDB_VALIDITY_PERIOD, "BDBValidityPeriod", kPeriod,
             15),
    Optional(BIOAPI_FIELD_BIR_CREATION_DATE, "BIRCreationDate", kDate, 16),
    Optional(BIOAPI_FIELD_OCTET_STRING3, "OctetString3", kBytes, 17),
    Optional(BIOAPI_FIELD_OCTET_STRING4, "OctetString4", kBytes, 18),
    Optional(BIOAPI_FIELD_OCTET_STRING5, "OctetString5", kBytes, 19),
    Optional(BIOAPI_FIELD_OCTET_STRING6, "OctetString6", kBytes, 20),
    Optional(BIOAPI_FIELD_BIR_VALIDITY_PERIOD, "BIRValidityPeriod", kPeriod,
             21),
    Optional(BIOAPI_FIELD_REGISTERED_ID8, "RegisteredId8", kId, 22),
    Block(BIOAPI_FIELD_BIOMETRIC_DATA, "BiometricData", Written::kAlways,
          kBdbLimit),
    Block(BIOAPI_FIELD_SECURITY_BLOCK, "SecurityBlock", Written::kSecurityBlock,
          kSbLimit),
};
constexpr std::size_t kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

constexpr bool SameText(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

// Row i is field i + 1. After the four constants that travel only inside the
// object, the rows name the record's fields that `BIR` holds, in the order of
// their `FieldId`, each with its bit and its presence: so every C number
// stands for one field of the record layout and every such field has one.
constexpr bool RowsMatchNumbersAndLayout() {
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (static_cast<std::size_t>(kFields[i].field) != i + 1) return false;
    if (i < 4 && kFields[i].written != Written::kNever) return false;
  }
  std::size_t i = 4;
  for (const record::FieldLayout& field : record::kFields) {
    if (!field.has_member) continue;
    if (i == kFieldCount) return false;
    const FieldRow& row = kFields[i++];
    const Written written =
        field.bit >= 0 ? Written::kOptional
        : field.presence == record::Presence::kWithSecurityOption
            ? Written::kSecurityBlock
            : Written::kAlways;
    if (!SameText(row.name, field.name) || row.written != written ||
        (field.bit >= 0 && row.bit != static_cast<unsigned>(field.bit))) {
      return false;
    }
  }
  return i == kFieldCount;
}
static_assert(RowsMatchNumbersAndLayout(),
              "the field table follows the C numbers and the record layout");

// The accessor family that the field map gives each number, which the kind
// of its row refines (an integer, a truth value or an enumeration value all
// go through the integer accessors).
constexpr bool RowsMatchFieldMap() {
  using BioAPI_Data::c_api::Kind;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    Kind family = Kind::kInt;
    switch (kFields[i].kind) {
      case BIOAPI_FIELD_KIND_REGISTRY_ID:
        family = Kind::kRegistryID;
        break;
      case BIOAPI_FIELD_KIND_BYTES:
        family = Kind::kBytes;
        break;
      case BIOAPI_FIELD_KIND_DATETIME:
        family = Kind::kDateTime;
        break;
      case BIOAPI_FIELD_KIND_PERIOD:
        family = Kind::kPeriod;
        break;
      default:
        break;
    }
    if (family != BioAPI_Data::c_api::kFields[i].kind) return false;
  }
  return kFieldCount == BioAPI_Data::c_api::kFieldCount;
}
static_assert(RowsMatchFieldMap(),
              "each row's kind is the accessor family of the field map");

const FieldRow* RowOf(bioapi_bir_field field) {
  return BioAPI_Data::c_api::EntryOf(kFields, field);
}

bool OptionalFieldIsWritten(const BioAPI_Data::BIR& bir, unsigned bit) {
  bool written = false;
  record::ForEachOptionalField(
      bir, [&](const record::FieldLayout& field, const auto& member) {
        if (field.bit == static_cast<int>(bit)) {
          written = record::IsPresent(field.presence, member);
        }
      });
  return written;
}

// Whether the encoder writes the field of `row` (bioapi_bir_field_present).
bool IsWritten(const FieldRow& row, const BioAPI_Data::BIR& bir) {
  switch (row.written) {
    case Written::kNever:
      return false;
    case Written::kAlways:
      return true;
    case Written::kOptional:
      return OptionalFieldIsWritten(bir, row.bit);
    case Written::kSecurityBlock:
      return record::HasSecurityBlock(bir);
  }
  return false;
}

// The date-times that a validity period carries: start and end.
constexpr std::size_t kPeriodLength = 2;

// Writes the nine members of a date-time as bioapi_datetime orders them.
std::int32_t* PutDateTime(const std::tm& t, std::int32_t* slot) {
  *slot++ = t.tm_year;
  *slot++ = t.tm_mon;
  *slot++ = t.tm_mday;
  *slot++ = t.tm_hour;
  *slot++ = t.tm_min;
  *slot++ = t.tm_sec;
  *slot++ = t.tm_wday;
  *slot++ = t.tm_yday;
  *slot++ = t.tm_isdst;
  return slot;
}

// The slots of bioapi_bir_values that a field of `kind` takes.
constexpr std::size_t SlotsOf(bioapi_field_kind kind) {
  switch (kind) {
    case BIOAPI_FIELD_KIND_INT:
    case BIOAPI_FIELD_KIND_BOOL:
    case BIOAPI_FIELD_KIND_ENUM:
      return BIOAPI_VALUE_SLOTS_INT;
    case BIOAPI_FIELD_KIND_REGISTRY_ID:
      return BIOAPI_VALUE_SLOTS_REGISTRY_ID;
    case BIOAPI_FIELD_KIND_DATETIME:
      return BIOAPI_VALUE_SLOTS_DATETIME;
    case BIOAPI_FIELD_KIND_PERIOD:
      return BIOAPI_VALUE_SLOTS_PERIOD;
    default:
      return BIOAPI_VALUE_SLOTS_BYTES;
  }
}

constexpr bool SlotsSuffice() {
  std::size_t total = 0;
  for (const FieldRow& row : kFields) total += SlotsOf(row.kind);
  return total <= BIOAPI_BIR_VALUE_SLOTS &&
         kFieldCount == BIOAPI_BIR_FIELD_COUNT && kFieldCount <= 64;
}
static_assert(SlotsSuffice(),
              "bioapi_bir_values has a slot for every value and a present "
              "bit for every field");
static_assert(BIOAPI_VALUE_SLOTS_DATETIME * sizeof(std::int32_t) + 4 ==
                  sizeof(bioapi_datetime),
              "a date-time's slots are the members of bioapi_datetime");
static_assert(BIOAPI_VALUE_SLOTS_PERIOD ==
                  1 + kPeriodLength * BIOAPI_VALUE_SLOTS_DATETIME,
              "a period's slots: its count, then start and end");
static_assert(sizeof(bioapi_bir_values) == BIOAPI_BIR_VALUES_SIZE_V1 &&
                  sizeof(bioapi_field_limits) == BIOAPI_FIELD_LIMITS_SIZE_V1,
              "the first versions have the sizes that the header names");

// One enumeration of the C interface: its name and its library table.
struct EnumerationRow {
  const char* name;
  std::size_t count;
  const char* (*enumerator_name)(std::size_t);
  std::int32_t (*enumerator_value)(std::size_t);
};

template <class E>
constexpr EnumerationRow RowFor() {
  using Table = names::Table<E>;
  return {Table::kName,
          sizeof(Table::kEnumerators) / sizeof(Table::kEnumerators[0]),
          [](std::size_t i) { return Table::kEnumerators[i].name; },
          [](std::size_t i) {
            return static_cast<std::int32_t>(Table::kEnumerators[i].value);
          }};
}

// In the order of the BIOAPI_ENUMERATION_ numbers, from 1.
const EnumerationRow kEnumerations[] = {
    RowFor<BioAPI_Data::BiometricType>(),
    RowFor<BioAPI_Data::BiometricSubtype>(),
    RowFor<BioAPI_Data::ProcessedLevel>(),
    RowFor<BioAPI_Data::Purpose>(),
    RowFor<BioAPI_Data::Facility>(),
};
static_assert(BIOAPI_ENUMERATION_FACILITY ==
                  sizeof(kEnumerations) / sizeof(kEnumerations[0]),
              "one row per enumeration number");

const EnumerationRow* EnumerationOf(bioapi_enumeration enumeration) {
  constexpr auto kCount = static_cast<bioapi_enumeration>(
      sizeof(kEnumerations) / sizeof(kEnumerations[0]));
  if (enumeration < 1 || enumeration > kCount) return nullptr;
  return &kEnumerations[enumeration - 1];
}

}  // namespace

extern "C" {

bioapi_status bioapi_bir_field_present(const bioapi_bir* bir,
                                       bioapi_bir_field field, int* present) {
  if (bir == nullptr || present == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const FieldRow* row = RowOf(field);
  if (row == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *present = IsWritten(*row, bir->record) ? 1 : 0;
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_field_limits(bioapi_bir_field field,
                                      bioapi_field_limits* limits) {
  if (limits == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const FieldRow* row = RowOf(field);
  if (row == nullptr || limits->struct_size < BIOAPI_FIELD_LIMITS_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  const BioAPI_Data::c_api::Field& entry =
      BioAPI_Data::c_api::kFields[field - 1];
  const record::FieldLayout* layout = BioAPI_Data::c_api::LayoutOfNumber(field);
  limits->carried = layout != nullptr ? 1 : 0;
  limits->min = limits->max = 0;
  limits->owner_min = limits->owner_max = 0;
  limits->type_min = limits->type_max = 0;
  limits->period_length = 0;
  limits->reserved = 0;
  switch (row->kind) {
    case BIOAPI_FIELD_KIND_INT:
    case BIOAPI_FIELD_KIND_BOOL:
    case BIOAPI_FIELD_KIND_ENUM: {
      const record::Range range = BioAPI_Data::c_api::IntRange(entry);
      limits->min = range.min;
      limits->max = range.max;
      break;
    }
    case BIOAPI_FIELD_KIND_REGISTRY_ID:
      limits->owner_min = static_cast<std::int32_t>(layout->values.min);
      limits->owner_max = static_cast<std::int32_t>(layout->values.max);
      limits->type_min = static_cast<std::int32_t>(layout->type.min);
      limits->type_max = static_cast<std::int32_t>(layout->type.max);
      break;
    case BIOAPI_FIELD_KIND_PERIOD:
      limits->period_length = record::kPeriodLength;
      break;
    default:
      break;
  }
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_read_values(const bioapi_bir* bir,
                                     bioapi_bir_values* values) {
  if (bir == nullptr || values == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  if (values->struct_size < BIOAPI_BIR_VALUES_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  const BioAPI_Data::BIR& record = bir->record;
  values->reserved = 0;
  // The optional fields' presence in one walk, by bit.
  const std::uint32_t optional_bits = record::PresenceBits(record);
  std::uint64_t present = 0;
  std::int32_t* slot = values->slot;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    const FieldRow& row = kFields[i];
    const BioAPI_Data::c_api::Field& entry = BioAPI_Data::c_api::kFields[i];
    const bool written = row.written == Written::kOptional
                             ? (optional_bits >> row.bit & 1U) != 0
                             : IsWritten(row, record);
    if (written) present |= std::uint64_t{1} << i;
    switch (row.kind) {
      case BIOAPI_FIELD_KIND_INT:
      case BIOAPI_FIELD_KIND_BOOL:
      case BIOAPI_FIELD_KIND_ENUM:
        *slot++ = entry.read_int(record);
        break;
      case BIOAPI_FIELD_KIND_REGISTRY_ID: {
        const BioAPI_Data::RegistryID& id = record.*(entry.registry_id);
        *slot++ = id.Owner;
        *slot++ = id.Type;
        break;
      }
      case BIOAPI_FIELD_KIND_DATETIME:
        slot = PutDateTime(record.*(entry.date_time), slot);
        break;
      case BIOAPI_FIELD_KIND_PERIOD: {
        const std::vector<std::tm>& period = record.*(entry.period);
        *slot++ = static_cast<std::int32_t>(
            period.size() < INT32_MAX ? period.size() : INT32_MAX);
        for (std::size_t k = 0; k < kPeriodLength; ++k) {
          slot = k < period.size() ? PutDateTime(period[k], slot)
                                   : PutDateTime(std::tm{}, slot);
        }
        break;
      }
      case BIOAPI_FIELD_KIND_BYTES: {
        const std::size_t size = (record.*(entry.bytes)).size();
        *slot++ =
            static_cast<std::int32_t>(size < INT32_MAX ? size : INT32_MAX);
        break;
      }
      default:
        break;
    }
  }
  values->present = present;
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_field_info(bioapi_bir_field field, const char** name,
                                    bioapi_field_kind* kind,
                                    bioapi_enumeration* enumeration,
                                    size_t* max_size) {
  const FieldRow* row = RowOf(field);
  if (row == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  if (name != nullptr) *name = row->name;
  if (kind != nullptr) *kind = row->kind;
  if (enumeration != nullptr) *enumeration = row->enumeration;
  if (max_size != nullptr) *max_size = row->max_size;
  return BIOAPI_OK;
}

int32_t bioapi_error_facility(int32_t code) {
  return static_cast<int32_t>(BioAPI_Data::errors::FacilityOf(code));
}

bioapi_status bioapi_enumeration_info(bioapi_enumeration enumeration,
                                      const char** name, size_t* count) {
  const EnumerationRow* row = EnumerationOf(enumeration);
  if (row == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  if (name != nullptr) *name = row->name;
  if (count != nullptr) *count = row->count;
  return BIOAPI_OK;
}

bioapi_status bioapi_enumerator(bioapi_enumeration enumeration, size_t index,
                                const char** name, int32_t* value) {
  const EnumerationRow* row = EnumerationOf(enumeration);
  if (row == nullptr || index >= row->count) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  if (name != nullptr) *name = row->enumerator_name(index);
  if (value != nullptr) *value = row->enumerator_value(index);
  return BIOAPI_OK;
}

}  // extern "C"
