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
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bioapi_data/types.h"
#include "bir/record_layout.h"
#include "c_api/bir_handle.h"
#include "common/error_table.h"

namespace {

using BioAPI_Data::BioAPIException;
using BioAPI_Data::BIR;
using BioAPI_Data::RegistryID;
namespace errors = BioAPI_Data::errors;
namespace record = BioAPI_Data::record;

// Runs `body`, which returns a status, and turns every exception into one:
// the library's own into the bare code that gives the same message.
template <class Body>
bioapi_status Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (BioAPIException* e) {
    const bioapi_status status = errors::CodeOf(e->GetFacility(), e->GetCode());
    delete e;
    return status;
  } catch (const std::bad_alloc&) {
    return BIOAPI_ERROR_MEMORY;
  } catch (...) {
    return BIOAPI_ERROR_INTERNAL;
  }
}

// The field map: one entry per field number, in number order, with the
// member that the number names. Each accessor family looks a number up once
// and takes the entry only when it is of its kind.

enum class Kind : unsigned char {
  kInt,
  kRegistryID,
  kBytes,
  kDateTime,
  kPeriod
};

using IntReader = std::int32_t (*)(const BIR&);
using IntWriter = void (*)(BIR&, std::int32_t);

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

template <auto kMember>
std::int32_t ReadInt(const BIR& r) {
  return static_cast<std::int32_t>(r.*kMember);
}

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

constexpr Field Id(bioapi_bir_field number, RegistryID BIR::*member) {
  Field f{number, Kind::kRegistryID};
  f.registry_id = member;
  return f;
}

constexpr Field Bytes(bioapi_bir_field number,
                      std::vector<unsigned char> BIR::*member) {
  Field f{number, Kind::kBytes};
  f.bytes = member;
  return f;
}

constexpr Field DateTime(bioapi_bir_field number, std::tm BIR::*member) {
  Field f{number, Kind::kDateTime};
  f.date_time = member;
  return f;
}

constexpr Field Period(bioapi_bir_field number,
                       std::vector<std::tm> BIR::*member) {
  Field f{number, Kind::kPeriod};
  f.period = member;
  return f;
}

constexpr std::int32_t kI16Min = -32768, kI16Max = 32767;
constexpr std::int32_t kI32Min = INT32_MIN, kI32Max = INT32_MAX;

constexpr Field kFields[] = {
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
constexpr std::size_t kFieldCount = std::size(kFields);

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

// Entry i holds number i + 1, so each number from 1 to the last field's
// appears exactly once and the lookup is an index.
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

// Whether `f` is the entry of `member`: of its kind and, past the integers,
// holding that very member.
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

// After the four constants that travel only inside the object, the numbers
// follow the record layout's identifiers of the fields that BIR holds, in
// order: field number 5 + i is the i-th member of `record::kMembers`.
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

// The entry of `number` when it names a field of `kind`, otherwise null.
// Every 32-bit number is a valid argument.
const Field* Find(bioapi_bir_field number, Kind kind) {
  if (number < 1 || number > static_cast<bioapi_bir_field>(kFieldCount)) {
    return nullptr;
  }
  const Field& field = kFields[number - 1];
  return field.kind == kind ? &field : nullptr;
}

// Versioned date-times: the members of this version follow struct_size with
// no padding, and a caller's structure may be larger.
static_assert(sizeof(bioapi_datetime) == BIOAPI_DATETIME_SIZE_V1,
              "the first version of bioapi_datetime is 40 bytes");
static_assert(offsetof(bioapi_datetime, isdst) + sizeof(int32_t) ==
                  sizeof(bioapi_datetime),
              "bioapi_datetime has no padding");

bool SizeOk(const bioapi_datetime* value) {
  return value->struct_size >= BIOAPI_DATETIME_SIZE_V1;
}

// True when the record carries every member as it stands: the year in 16
// bits, the other five in a byte. The last three never enter the record.
bool FitsRecord(const bioapi_datetime& t) {
  const auto byte = [](std::int32_t v) { return v >= 0 && v <= 255; };
  return t.year >= kI16Min && t.year <= kI16Max && byte(t.month) &&
         byte(t.day) && byte(t.hour) && byte(t.minute) && byte(t.second);
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

bioapi_status bioapi_bir_decode(const uint8_t* data, size_t size,
                                bioapi_bir** out) {
  if (out == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  *out = nullptr;
  if (data == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
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
  const Field* f = Find(field, Kind::kInt);
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
  *value = f->read_int(bir->record);
  return BIOAPI_OK;
}

bioapi_status bioapi_bir_set_int(bioapi_bir* bir, bioapi_bir_field field,
                                 int32_t value) {
  if (bir == nullptr) return BIOAPI_ERROR_INVALID_POINTER;
  const Field* f = Find(field, Kind::kInt);
  if (f == nullptr || value < f->min || value > f->max) {
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
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
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
  if (f == nullptr) return BIOAPI_ERROR_INVALID_PARAMETER;
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
