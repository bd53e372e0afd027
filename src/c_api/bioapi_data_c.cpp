// The C interface: thin wrappers that turn the C++ interface's exceptions
// into status codes at the boundary.
#include "bioapi_data/bioapi_data_c.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bioapi_data/types.h"
#include "bir/record_layout.h"
#include "bir/value_contract.h"
#include "c_api/bir_handle.h"
#include "c_api/field_map.h"
#include "c_api/guarded.h"
#include "common/error_table.h"

namespace {

using BioAPI_Data::BioAPIException;
using BioAPI_Data::BIR;
using BioAPI_Data::RegistryID;
namespace errors = BioAPI_Data::errors;
using BioAPI_Data::c_api::Field;
using BioAPI_Data::c_api::Find;
using BioAPI_Data::c_api::Guarded;
using BioAPI_Data::c_api::Kind;

// Versioned date-times: the members of this version follow struct_size with
// no padding, and a caller's structure may be larger.
static_assert(sizeof(bioapi_datetime) == BIOAPI_DATETIME_SIZE_V1,
              "the first version of bioapi_datetime is 40 bytes");
static_assert(sizeof(bioapi_encode_refusal) == BIOAPI_ENCODE_REFUSAL_SIZE_V1,
              "the first version of bioapi_encode_refusal has no padding");
static_assert(offsetof(bioapi_datetime, isdst) + sizeof(int32_t) ==
                  sizeof(bioapi_datetime),
              "bioapi_datetime has no padding");

bool SizeOk(const bioapi_datetime* value) {
  return value->struct_size >= BIOAPI_DATETIME_SIZE_V1;
}

// True when the record carries every member as it stands: the year in 16
// bits, the other five in a byte. The last three never enter the record.
bool FitsRecord(const bioapi_datetime& t) {
  const BioAPI_Data::record::Range member =
      BioAPI_Data::record::kDateTimeMemberRange;
  return BioAPI_Data::record::kYearRange.Holds(t.year) &&
         member.Holds(t.month) && member.Holds(t.day) && member.Holds(t.hour) &&
         member.Holds(t.minute) && member.Holds(t.second);
}

// Writes the members of this version only, never struct_size or any member
// of a later version.
void ToC(const std::tm& t, bioapi_datetime* out) {
  out->year = t.tm_year;
  out->month = t.tm_mon;
  out->day = t.tm_mday;
  out->hour = t.tm_hour;
  out->minute = t.tm_min;
  out->second = t.tm_sec;
  out->wday = t.tm_wday;
  out->yday = t.tm_yday;
  out->isdst = t.tm_isdst;
}

std::tm FromC(const bioapi_datetime& in) {
  std::tm t{};
  t.tm_year = in.year;
  t.tm_mon = in.month;
  t.tm_mday = in.day;
  t.tm_hour = in.hour;
  t.tm_min = in.minute;
  t.tm_sec = in.second;
  t.tm_wday = in.wday;
  t.tm_yday = in.yday;
  t.tm_isdst = in.isdst;
  return t;
}

// Copies `bytes` into a buffer that the caller releases with bioapi_free.
bioapi_status HandOver(const std::vector<unsigned char>& bytes,
                       uint8_t** out_data, size_t* out_size) {
  void* buffer = std::malloc(bytes.size());
  if (buffer == nullptr) return BIOAPI_ERROR_MEMORY;
  std::memcpy(buffer, bytes.data(), bytes.size());
  *out_data = static_cast<uint8_t*>(buffer);
  *out_size = bytes.size();
  return BIOAPI_OK;
}

// Every message that a bare code can give, composed at compile time: one per
// table key and source, in the table's order, so that the returned strings
// are static.
struct Message {
  const char* by_source[3];  // Framework, BSP, Unit
};
#define BIOAPI_DATA_MESSAGE(text)                   \
  {                                                 \
    {                                               \
      text BIOAPI_DATA_SOURCE_PREFIX "Framework).", \
          text BIOAPI_DATA_SOURCE_PREFIX "BSP).",   \
          text BIOAPI_DATA_SOURCE_PREFIX "Unit)."   \
    }                                               \
  }
#define BIOAPI_DATA_MESSAGE_ENTRY(key, text) BIOAPI_DATA_MESSAGE(text),
constexpr Message kMessages[] = {
    BIOAPI_DATA_ERROR_TABLE(BIOAPI_DATA_MESSAGE_ENTRY)
        BIOAPI_DATA_MESSAGE(BIOAPI_DATA_UNKNOWN_ERROR_TEXT)};
#undef BIOAPI_DATA_MESSAGE_ENTRY
#undef BIOAPI_DATA_MESSAGE
static_assert(std::size(kMessages) == errors::kErrorCount + 1,
              "one message per key, then the one for every other key");

}  // namespace

extern "C" {

int32_t bioapi_version(void) { return BIOAPI_DATA_C_VERSION; }

const char* bioapi_error_message(int32_t code) {
  // An unknown key's index is kErrorCount, the last message.
  return kMessages[errors::IndexOfKey(errors::KeyOf(code))]
      .by_source[errors::FacilityOf(code)];
}

void bioapi_free(void* buffer) { std::free(buffer); }

bioapi_status bioapi_bir_create(bioapi_bir** out) {
  if (out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = nullptr;
  return Guarded([&] {
    *out = new bioapi_bir{};
    return BIOAPI_OK;
  });
}

bioapi_status bioapi_bir_clone(const bioapi_bir* bir, bioapi_bir** out) {
  if (out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = nullptr;
  if (bir == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  return Guarded([&] {
    *out = new bioapi_bir{bir->record};
    return BIOAPI_OK;
  });
}

void bioapi_bir_destroy(bioapi_bir* bir) { delete bir; }

bioapi_status bioapi_bir_encode(const bioapi_bir* bir, uint8_t** out_data,
                                size_t* out_size) {
  if (bir == nullptr || out_data == nullptr || out_size == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  return Guarded(
      [&] { return HandOver(bir->record.Encode(), out_data, out_size); });
}

bioapi_status bioapi_bir_encode_refusal(const bioapi_bir* bir,
                                        bioapi_encode_refusal* out) {
  if (bir == nullptr || out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  if (out->struct_size < BIOAPI_ENCODE_REFUSAL_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  return Guarded([&] {
    const std::optional<BioAPI_Data::record::Refusal> refusal =
        BioAPI_Data::record::FindRefusal(bir->record);
    bioapi_encode_refusal r{};
    r.struct_size = out->struct_size;
    if (refusal) {
      r.refused = 1;
      r.field =
          refusal->field ? BioAPI_Data::c_api::NumberOf(*refusal->field) : 0;
      const std::string message =
          BioAPI_Data::record::RefusalMessage(refusal->why);
      const std::size_t n = message.size() < sizeof r.message - 1
                                ? message.size()
                                : sizeof r.message - 1;
      std::memcpy(r.message, message.data(), n);
    }
    std::memcpy(out, &r, BIOAPI_ENCODE_REFUSAL_SIZE_V1);
    return BIOAPI_OK;
  });
}

bioapi_status bioapi_bir_encode_into(const bioapi_bir* bir, uint8_t* buffer,
                                     size_t capacity, size_t* out_size) {
  if (bir == nullptr || out_size == nullptr)
    return BIOAPI_ERROR_INVALID_POINTER;
  return Guarded([&] {
    const std::vector<unsigned char> bytes = bir->record.Encode();
    *out_size = bytes.size();
    if (buffer == nullptr) return BIOAPI_OK;
    if (capacity < bytes.size()) return BIOAPI_ERROR_OUTPUT_TOO_SMALL;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return BIOAPI_OK;
  });
}

bioapi_status bioapi_bir_to_array(const bioapi_bir* bir, uint8_t** out_data,
                                  size_t* out_size) {
  if (bir == nullptr || out_data == nullptr || out_size == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  return Guarded(
      [&] { return HandOver(bir->record.ToArray(), out_data, out_size); });
}

bioapi_status bioapi_bir_get_int(const bioapi_bir* bir, bioapi_bir_field field,
                                 int32_t* value) {
  if (bir == nullptr || value == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = Find(field, Kind::kInt);
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *value = f->read_int(bir->record);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_int(bioapi_bir* bir, bioapi_bir_field field,
                                 int32_t value) {
  if (bir == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = Find(field, Kind::kInt);
  if (f == nullptr || !BioAPI_Data::c_api::IntRange(*f).Holds(value)) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  f->write_int(bir->record, value);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_get_registry_id(const bioapi_bir* bir,
                                         bioapi_bir_field field, int16_t* owner,
                                         int16_t* type) {
  if (bir == nullptr || owner == nullptr || type == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  const Field* f = Find(field, Kind::kRegistryID);
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  const RegistryID& id = bir->record.*(f->registry_id);
  *owner = id.Owner;
  *type = id.Type;
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_registry_id(bioapi_bir* bir,
                                         bioapi_bir_field field, int16_t owner,
                                         int16_t type) {
  if (bir == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = Find(field, Kind::kRegistryID);
  const BioAPI_Data::record::FieldLayout* layout =
      f != nullptr ? BioAPI_Data::c_api::LayoutOfNumber(field) : nullptr;
  if (layout == nullptr || !layout->values.Holds(owner) ||
      !layout->type.Holds(type)) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  bir->record.*(f->registry_id) = RegistryID{owner, type};
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_get_bytes(const bioapi_bir* bir,
                                   bioapi_bir_field field, const uint8_t** data,
                                   size_t* size) {
  if (bir == nullptr || data == nullptr || size == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  const Field* f = Find(field, Kind::kBytes);
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  const std::vector<unsigned char>& bytes = bir->record.*(f->bytes);
  *data = bytes.empty() ? nullptr : bytes.data();
  *size = bytes.size();
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_bytes(bioapi_bir* bir, bioapi_bir_field field,
                                   const uint8_t* data, size_t size) {
  if (bir == nullptr || (data == nullptr && size != 0)) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  const Field* f = Find(field, Kind::kBytes);
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  return Guarded([&] {
    // Copied first, so that a failed allocation leaves the field as it was.
    std::vector<unsigned char> copy(data, data + size);
    bir->record.*(f->bytes) = std::move(copy);
    return BIOAPI_OK;
  });
}

bioapi_status bioapi_bir_get_datetime(const bioapi_bir* bir,
                                      bioapi_bir_field field,
                                      bioapi_datetime* value) {
  if (bir == nullptr || value == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = Find(field, Kind::kDateTime);
  if (f == nullptr || !SizeOk(value)) return BIOAPI_ERROR_INVALID_PARAMETER;
  ToC(bir->record.*(f->date_time), value);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_datetime(bioapi_bir* bir, bioapi_bir_field field,
                                      const bioapi_datetime* value) {
  if (bir == nullptr || value == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = Find(field, Kind::kDateTime);
  if (f == nullptr || !SizeOk(value) || !FitsRecord(*value)) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  bir->record.*(f->date_time) = FromC(*value);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_get_period_count(const bioapi_bir* bir,
                                          bioapi_bir_field field,
                                          size_t* count) {
  if (bir == nullptr || count == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = Find(field, Kind::kPeriod);
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *count = (bir->record.*(f->period)).size();
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_get_period_element(const bioapi_bir* bir,
                                            bioapi_bir_field field,
                                            size_t index,
                                            bioapi_datetime* value) {
  if (bir == nullptr || value == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = Find(field, Kind::kPeriod);
  if (f == nullptr || !SizeOk(value)) return BIOAPI_ERROR_INVALID_PARAMETER;
  const std::vector<std::tm>& period = bir->record.*(f->period);
  if (index >= period.size()) return BIOAPI_ERROR_INVALID_PARAMETER;
  ToC(period[index], value);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_period(bioapi_bir* bir, bioapi_bir_field field,
                                    const bioapi_datetime* elements,
                                    size_t count) {
  if (bir == nullptr || (elements == nullptr && count != 0)) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  const Field* f = Find(field, Kind::kPeriod);
  if (f == nullptr ||
      (count != 0 && count != BioAPI_Data::record::kPeriodLength)) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  // The caller's elements are struct_size bytes apart, which may be more than
  // this version's size; each is copied out, since a stride that is not a
  // multiple of 4 leaves them unaligned.
  const std::uint32_t stride = count != 0 ? elements->struct_size : 0;
  if (count != 0 && stride < BIOAPI_DATETIME_SIZE_V1) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  const auto* base = reinterpret_cast<const unsigned char*>(elements);
  const auto element = [&](std::size_t i) {
    bioapi_datetime e;
    std::memcpy(&e, base + i * stride, sizeof e);
    return e;
  };
  for (size_t i = 0; i < count; ++i) {
    const bioapi_datetime e = element(i);
    if (e.struct_size != stride || !FitsRecord(e)) {
      return BIOAPI_ERROR_INVALID_PARAMETER;
    }
  }
  return Guarded([&] {
    std::vector<std::tm> replacement;
    replacement.reserve(count);
    for (size_t i = 0; i < count; ++i) replacement.push_back(FromC(element(i)));
    bir->record.*(f->period) = std::move(replacement);
    return BIOAPI_OK;
  });
}

}  // extern "C"
