// The C interface: thin wrappers that turn the C++ interface's exceptions
// into status codes at the boundary.
#include "bioapi_data/bioapi_data_c.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bioapi_data/types.h"
#include "c_api/bir_handle.h"
#include "common/error_table.h"

namespace {

using BioAPI_Data::BioAPIException;
using BioAPI_Data::BIR;
using BioAPI_Data::RegistryID;

// The status for an exception: its facility in the top byte, the code's low
// 24 bits below it, as a bare code that gives the same message.
bioapi_status StatusOf(const BioAPIException& e) {
  const auto low = static_cast<std::uint32_t>(e.GetCode()) & 0x00FFFFFFu;
  const int facility = static_cast<int>(e.GetFacility());
  if (facility < 0 || facility > 2) return e.GetCode();
  return static_cast<bioapi_status>(
      (static_cast<std::uint32_t>(facility) << 24) | low);
}

// Runs `body`, which returns a status, and turns every exception into one.
template <class Body>
bioapi_status Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (BioAPIException* e) {
    const bioapi_status status = StatusOf(*e);
    delete e;
    return status;
  } catch (const std::bad_alloc&) {
    return BIOAPI_ERROR_MEMORY;
  } catch (...) {
    return BIOAPI_ERROR_INTERNAL;
  }
}

std::vector<unsigned char>* ByteStringOf(BIR& r, bioapi_bir_field field) {
  switch (field) {
    case BIOAPI_FIELD_OCTET_STRING1:
      return &r.OctetString1;
    case BIOAPI_FIELD_OCTET_STRING2:
      return &r.OctetString2;
    case BIOAPI_FIELD_OCTET_STRING3:
      return &r.OctetString3;
    case BIOAPI_FIELD_OCTET_STRING4:
      return &r.OctetString4;
    case BIOAPI_FIELD_OCTET_STRING5:
      return &r.OctetString5;
    case BIOAPI_FIELD_OCTET_STRING6:
      return &r.OctetString6;
    case BIOAPI_FIELD_BIOMETRIC_DATA:
      return &r.BiometricData;
    case BIOAPI_FIELD_SECURITY_BLOCK:
      return &r.SecurityBlock;
    default:
      return nullptr;
  }
}

RegistryID* RegistryIDOf(BIR& r, bioapi_bir_field field) {
  switch (field) {
    case BIOAPI_FIELD_RECORD_FORMAT:
      return &r.RecordFormat;
    case BIOAPI_FIELD_BDB_FORMAT:
      return &r.BDBFormat;
    case BIOAPI_FIELD_REGISTERED_ID1:
      return &r.RegisteredId1;
    case BIOAPI_FIELD_REGISTERED_ID2:
      return &r.RegisteredId2;
    case BIOAPI_FIELD_REGISTERED_ID3:
      return &r.RegisteredId3;
    case BIOAPI_FIELD_REGISTERED_ID4:
      return &r.RegisteredId4;
    case BIOAPI_FIELD_REGISTERED_ID5:
      return &r.RegisteredId5;
    case BIOAPI_FIELD_REGISTERED_ID6:
      return &r.RegisteredId6;
    case BIOAPI_FIELD_REGISTERED_ID7:
      return &r.RegisteredId7;
    case BIOAPI_FIELD_REGISTERED_ID8:
      return &r.RegisteredId8;
    default:
      return nullptr;
  }
}

std::tm* DateTimeOf(BIR& r, bioapi_bir_field field) {
  switch (field) {
    case BIOAPI_FIELD_BDB_CREATION_DATE:
      return &r.BDBCreationDate;
    case BIOAPI_FIELD_BIR_CREATION_DATE:
      return &r.BIRCreationDate;
    default:
      return nullptr;
  }
}

std::vector<std::tm>* PeriodOf(BIR& r, bioapi_bir_field field) {
  switch (field) {
    case BIOAPI_FIELD_BDB_VALIDITY_PERIOD:
      return &r.BDBValidityPeriod;
    case BIOAPI_FIELD_BIR_VALIDITY_PERIOD:
      return &r.BIRValidityPeriod;
    default:
      return nullptr;
  }
}

// The const forms read through the same field maps.
template <class T>
const T* Const(T* (*of)(BIR&, bioapi_bir_field), const BIR& r,
               bioapi_bir_field field) {
  return of(const_cast<BIR&>(r), field);
}

// An integer field: how to read it and the range it holds.
struct IntField {
  bool found = false;
  std::int32_t value = 0;
  std::int32_t min = 0;
  std::int32_t max = 0;
};

template <class Visit>
bool WithIntField(BIR& r, bioapi_bir_field field, Visit&& visit) {
  constexpr std::int32_t kI16Min = -32768, kI16Max = 32767;
  constexpr std::int32_t kIntMin = -2147483647 - 1, kIntMax = 2147483647;
  switch (field) {
    case BIOAPI_FIELD_NATIVE_FORMAT_OWNER:
      visit(r.NativeFormatOwner, kI16Min, kI16Max);
      break;
    case BIOAPI_FIELD_NATIVE_FORMAT_TYPE:
      visit(r.NativeFormatType, kI16Min, kI16Max);
      break;
    case BIOAPI_FIELD_FIXED_WORD3:
      visit(r.FixedWord3, kI16Min, kI16Max);
      break;
    case BIOAPI_FIELD_FIXED_WORD4:
      visit(r.FixedWord4, kI16Min, kI16Max);
      break;
    case BIOAPI_FIELD_HEADER_VERSION:
      visit(r.HeaderVersion, 0, 255);
      break;
    case BIOAPI_FIELD_HEADER_REVISION:
      visit(r.HeaderRevision, 0, 255);
      break;
    case BIOAPI_FIELD_ENCRYPTION_OPTION:
      visit(r.EncryptionOption, 0, 1);
      break;
    case BIOAPI_FIELD_INTEGRITY_OPTION:
      visit(r.IntegrityOption, 0, 1);
      break;
    case BIOAPI_FIELD_BDB_BIOMETRIC_TYPE:
      visit(r.BDBBiometricType, kIntMin, kIntMax);
      break;
    case BIOAPI_FIELD_BDB_BIOMETRIC_SUBTYPE:
      visit(r.BDBBiometricSubtype, kIntMin, kIntMax);
      break;
    case BIOAPI_FIELD_BDB_PROCESSED_LEVEL:
      visit(r.BDBProcessedLevel, kIntMin, kIntMax);
      break;
    case BIOAPI_FIELD_BDB_PURPOSE:
      visit(r.BDBPurpose, kIntMin, kIntMax);
      break;
    case BIOAPI_FIELD_BDB_QUALITY:
      visit(r.BDBQuality, 0, 255);
      break;
    default:
      return false;
  }
  return true;
}

bool SizeOk(const bioapi_datetime* value) {
  return value != nullptr && value->struct_size >= sizeof(bioapi_datetime);
}

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
// table key and source, so that the returned strings are static.
struct Message {
  int key;
  const char* by_source[3];  // Framework, BSP, Unit
};
#define BIOAPI_DATA_MESSAGE(key, text)              \
  {                                                 \
    key, {                                          \
      text BIOAPI_DATA_SOURCE_PREFIX "Framework).", \
          text BIOAPI_DATA_SOURCE_PREFIX "BSP).",   \
          text BIOAPI_DATA_SOURCE_PREFIX "Unit)."   \
    }                                               \
  }
#define BIOAPI_DATA_MESSAGE_ENTRY(key, text) BIOAPI_DATA_MESSAGE(key, text),
constexpr Message kMessages[] = {
    BIOAPI_DATA_ERROR_TABLE(BIOAPI_DATA_MESSAGE_ENTRY)};
constexpr Message kUnknownMessage =
    BIOAPI_DATA_MESSAGE(0, BIOAPI_DATA_UNKNOWN_ERROR_TEXT);
#undef BIOAPI_DATA_MESSAGE_ENTRY
#undef BIOAPI_DATA_MESSAGE

// The source of a bare code: its top byte, 0x01 a BSP, 0x02 a unit, any
// other the framework.
BioAPI_Data::Facility FacilityOfBareCode(int32_t code) {
  switch (static_cast<uint32_t>(code) >> 24) {
    case 0x01:
      return BioAPI_Data::BSP;
    case 0x02:
      return BioAPI_Data::Unit;
    default:
      return BioAPI_Data::Framework;
  }
}

}  // namespace

extern "C" {

int32_t bioapi_version(void) { return BIOAPI_DATA_C_VERSION; }

const char* bioapi_error_message(int32_t code) {
  const BioAPI_Data::Facility facility = FacilityOfBareCode(code);
  const int key = static_cast<int>(static_cast<uint32_t>(code) & 0x00FFFFFFu);
  const auto* end = std::end(kMessages);
  const auto* it =
      std::lower_bound(std::begin(kMessages), end, key,
                       [](const Message& m, int k) { return m.key < k; });
  const Message& message =
      (it != end && it->key == key) ? *it : kUnknownMessage;
  return message.by_source[facility];
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

bioapi_status bioapi_bir_decode(const uint8_t* data, size_t size,
                                bioapi_bir** out) {
  if (out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = nullptr;
  if (data == nullptr && size != 0) return BIOAPI_ERROR_INVALID_POINTER;
  return Guarded([&] {
    *out = new bioapi_bir{BIR(data, size)};
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
  const bool found = WithIntField(const_cast<BIR&>(bir->record), field,
                                  [&](const auto& member, int32_t, int32_t) {
                                    *value = static_cast<int32_t>(member);
                                  });
  return found ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER;
}

bioapi_status bioapi_bir_set_int(bioapi_bir* bir, bioapi_bir_field field,
                                 int32_t value) {
  if (bir == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  bool in_range = false;
  const bool found = WithIntField(
      bir->record, field, [&](auto& member, int32_t min, int32_t max) {
        in_range = value >= min && value <= max;
        if (!in_range) return;
        using Member = std::remove_reference_t<decltype(member)>;
        if constexpr (std::is_same_v<Member, bool>) {
          member = value != 0;
        } else {
          member = static_cast<Member>(value);
        }
      });
  return found && in_range ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER;
}

bioapi_status bioapi_bir_get_registry_id(const bioapi_bir* bir,
                                         bioapi_bir_field field, int16_t* owner,
                                         int16_t* type) {
  if (bir == nullptr || owner == nullptr || type == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  const RegistryID* id = Const(RegistryIDOf, bir->record, field);
  if (id == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *owner = id->Owner;
  *type = id->Type;
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_registry_id(bioapi_bir* bir,
                                         bioapi_bir_field field, int16_t owner,
                                         int16_t type) {
  if (bir == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  RegistryID* id = RegistryIDOf(bir->record, field);
  if (id == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *id = RegistryID{owner, type};
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_get_bytes(const bioapi_bir* bir,
                                   bioapi_bir_field field, const uint8_t** data,
                                   size_t* size) {
  if (bir == nullptr || data == nullptr || size == nullptr) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  const std::vector<unsigned char>* bytes =
      Const(ByteStringOf, bir->record, field);
  if (bytes == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *data = bytes->empty() ? nullptr : bytes->data();
  *size = bytes->size();
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_bytes(bioapi_bir* bir, bioapi_bir_field field,
                                   const uint8_t* data, size_t size) {
  if (bir == nullptr || (data == nullptr && size != 0))
    return BIOAPI_ERROR_INVALID_POINTER;
  std::vector<unsigned char>* bytes = ByteStringOf(bir->record, field);
  if (bytes == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  return Guarded([&] {
    bytes->assign(data, data + size);
    return BIOAPI_OK;
  });
}

bioapi_status bioapi_bir_get_datetime(const bioapi_bir* bir,
                                      bioapi_bir_field field,
                                      bioapi_datetime* value) {
  if (bir == nullptr || value == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const std::tm* t = Const(DateTimeOf, bir->record, field);
  if (t == nullptr || !SizeOk(value)) return BIOAPI_ERROR_INVALID_PARAMETER;
  ToC(*t, value);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_datetime(bioapi_bir* bir, bioapi_bir_field field,
                                      const bioapi_datetime* value) {
  if (bir == nullptr || value == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  std::tm* t = DateTimeOf(bir->record, field);
  if (t == nullptr || !SizeOk(value)) return BIOAPI_ERROR_INVALID_PARAMETER;
  *t = FromC(*value);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_get_period_count(const bioapi_bir* bir,
                                          bioapi_bir_field field,
                                          size_t* count) {
  if (bir == nullptr || count == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const std::vector<std::tm>* period = Const(PeriodOf, bir->record, field);
  if (period == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *count = period->size();
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_get_period_element(const bioapi_bir* bir,
                                            bioapi_bir_field field,
                                            size_t index,
                                            bioapi_datetime* value) {
  if (bir == nullptr || value == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const std::vector<std::tm>* period = Const(PeriodOf, bir->record, field);
  if (period == nullptr || index >= period->size() || !SizeOk(value)) {
    return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  ToC((*period)[index], value);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_period(bioapi_bir* bir, bioapi_bir_field field,
                                    const bioapi_datetime* elements,
                                    size_t count) {
  if (bir == nullptr || (elements == nullptr && count != 0)) {
    return BIOAPI_ERROR_INVALID_POINTER;
  }
  std::vector<std::tm>* period = PeriodOf(bir->record, field);
  if (period == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  for (size_t i = 0; i < count; ++i) {
    if (!SizeOk(&elements[i])) return BIOAPI_ERROR_INVALID_PARAMETER;
  }
  return Guarded([&] {
    std::vector<std::tm> replacement;
    replacement.reserve(count);
    for (size_t i = 0; i < count; ++i)
      replacement.push_back(FromC(elements[i]));
    *period = std::move(replacement);
    return BIOAPI_OK;
  });
}

}  // extern "C"
