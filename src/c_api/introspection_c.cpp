// The C interface's introspection: whether the encoder writes a field, the
// table of fields, and the names of the enumerations. Bindings in other
// languages build themselves from these instead of copying the library's
// tables and rules.
#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <tuple>
#include <utility>
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

using BioAPI_Data::c_api::Field;
using BioAPI_Data::c_api::kFields;

// The largest blocks of a record of the largest size, as the layout states
// them: what bioapi_bir_field_info reports as their max_size.
static_assert(record::SmallestRecordSize() == 37 &&
                  record::LayoutOf(record::FieldId::kBiometricData).max_size ==
                      2147483610u &&
                  record::LayoutOf(record::FieldId::kSecurityBlock).max_size ==
                      2147483606u,
              "the largest blocks of a 2147483647-byte record");

bool OptionalFieldIsWritten(const BioAPI_Data::BIR& bir, int bit) {
  bool written = false;
  record::ForEachOptionalField(
      bir, [&](const record::FieldLayout& field, const auto& member) {
        if (field.bit == bit) {
          written = record::IsPresent(field.presence, member);
        }
      });
  return written;
}

// Whether the encoder writes field `f` (bioapi_bir_field_present): never a
// constant that travels only inside the object; an optional field by its
// presence rule; the SB when a security option is set and it is not empty;
// the other header fields and the BDB always.
bool IsWritten(const Field& f, const BioAPI_Data::BIR& bir,
               std::uint32_t optional_bits) {
  if (f.layout == nullptr) return false;
  if (f.layout->bit >= 0) return (optional_bits >> f.layout->bit & 1U) != 0;
  if (f.layout->presence == record::Presence::kWithSecurityOption) {
    return record::HasSecurityBlock(bir);
  }
  return true;
}
bool IsWritten(const Field& f, const BioAPI_Data::BIR& bir) {
  if (f.layout != nullptr && f.layout->bit >= 0) {
    return OptionalFieldIsWritten(bir, f.layout->bit);
  }
  return IsWritten(f, bir, 0);
}

constexpr std::size_t kPeriodLength = record::kPeriodLength;

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
  for (const Field& f : kFields) total += SlotsOf(f.kind);
  return total <= BIOAPI_BIR_VALUE_SLOTS && kFields.size() <= 64;
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

// In the order of the BIOAPI_ENUMERATION_ numbers, from 1: the field map's
// list of the enumerations.
template <std::size_t... I>
constexpr std::array<EnumerationRow, sizeof...(I)> EnumerationRows(
    std::index_sequence<I...>) {
  return {
      RowFor<std::tuple_element_t<I, BioAPI_Data::c_api::Enumerations>>()...};
}
const auto kEnumerations =
    EnumerationRows(std::make_index_sequence<
                    std::tuple_size_v<BioAPI_Data::c_api::Enumerations>>());

const EnumerationRow* EnumerationOf(bioapi_enumeration enumeration) {
  constexpr auto kCount = static_cast<bioapi_enumeration>(
      std::tuple_size_v<BioAPI_Data::c_api::Enumerations>);
  if (enumeration < 1 || enumeration > kCount) return nullptr;
  return &kEnumerations[static_cast<std::size_t>(enumeration - 1)];
}

}  // namespace

extern "C" {

bioapi_status bioapi_bir_field_present(const bioapi_bir* bir,
                                       bioapi_bir_field field, int* present) {
  if (bir == nullptr || present == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = BioAPI_Data::c_api::FieldOf(field);
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *present = IsWritten(*f, bir->record) ? 1 : 0;
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_field_limits(bioapi_bir_field field,
                                      bioapi_field_limits* limits) {
  if (limits == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = BioAPI_Data::c_api::FieldOf(field);
  if (f == nullptr || limits->struct_size < BIOAPI_FIELD_LIMITS_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  const record::FieldLayout* layout = f->layout;
  limits->carried = layout != nullptr ? 1 : 0;
  limits->min = limits->max = 0;
  limits->owner_min = limits->owner_max = 0;
  limits->type_min = limits->type_max = 0;
  limits->period_length = 0;
  limits->reserved = 0;
  switch (f->kind) {
    case BIOAPI_FIELD_KIND_INT:
    case BIOAPI_FIELD_KIND_BOOL:
    case BIOAPI_FIELD_KIND_ENUM: {
      const record::Range range = BioAPI_Data::c_api::IntRange(*f);
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
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    const Field& entry = kFields[i];
    const bool written = IsWritten(entry, record, optional_bits);
    if (written) present |= std::uint64_t{1} << i;
    switch (entry.kind) {
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
  const Field* f = BioAPI_Data::c_api::FieldOf(field);
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  if (name != nullptr) *name = f->name;
  if (kind != nullptr) *kind = f->kind;
  if (enumeration != nullptr) *enumeration = f->enumeration;
  if (max_size != nullptr) {
    *max_size = f->layout != nullptr
                    ? static_cast<std::size_t>(f->layout->max_size)
                    : 0;
  }
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
