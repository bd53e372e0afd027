// Fuzz target of the C interface: the input is a program of calls on three
// handles, and each call is checked against what bioapi_data_c.h promises.
// Both decoders run on every input decoded, and field_present is checked
// against every record encoded.
// Every status is one that the header documents for that call; a call that
// fails changes neither the handle nor any output that it does not document;
// a value set is the value read back; a getter never writes past the members
// of the structure version that it knows; and a record encodes, decodes and
// encodes again to the same bytes.
//
// The field kinds and ranges below are written out from the header, not taken
// from the library, so that the interface is checked against its contract.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bioapi_data/bioapi_data_c.h"
#include "fuzz_input.h"
#include "round_trip.h"

namespace {

using BioAPI_Data::testing::Fail;
using BioAPI_Data::testing::FuzzInput;
using BioAPI_Data::testing::Require;
using Bytes = std::vector<std::uint8_t>;

constexpr int kHandles = 3;
constexpr int kMaxCalls = 64;
constexpr std::size_t kLargestByteString = 32767;

// Kind of each field number 1 to 35, as the header lists them: Integer,
// Registry identifier, Byte string, Date-time, validity Period.
constexpr char kKinds[] = "IIIIRIIRIIIIRRRRRBDBIRIIRPDBBBBPRBB";
static_assert(sizeof(kKinds) == 36, "35 fields");

char KindOf(bioapi_bir_field field) {
  return field >= 1 && field <= 35 ? kKinds[field - 1] : '-';
}

// The values that an integer field holds.
void IntRange(bioapi_bir_field field, std::int64_t* min, std::int64_t* max) {
  switch (field) {
    case BIOAPI_FIELD_NATIVE_FORMAT_OWNER:
    case BIOAPI_FIELD_NATIVE_FORMAT_TYPE:
    case BIOAPI_FIELD_FIXED_WORD3:
    case BIOAPI_FIELD_FIXED_WORD4:
      *min = -32768, *max = 32767;
      return;
    case BIOAPI_FIELD_HEADER_VERSION:
      *min = *max = 0x30;
      return;
    case BIOAPI_FIELD_HEADER_REVISION:
      *min = *max = 0x01;
      return;
    case BIOAPI_FIELD_BDB_BIOMETRIC_SUBTYPE:
    case BIOAPI_FIELD_BDB_PROCESSED_LEVEL:
    case BIOAPI_FIELD_BDB_PURPOSE:
    case BIOAPI_FIELD_BDB_QUALITY:
      *min = 0, *max = 255;
      return;
    case BIOAPI_FIELD_ENCRYPTION_OPTION:
    case BIOAPI_FIELD_INTEGRITY_OPTION:
      *min = 0, *max = 1;
      return;
    default:
      *min = INT32_MIN, *max = INT32_MAX;
      return;
  }
}

bool FitsRecord(const bioapi_datetime& t) {
  const auto byte = [](std::int32_t v) { return v >= 0 && v <= 255; };
  return t.year >= -32768 && t.year <= 32767 && byte(t.month) && byte(t.day) &&
         byte(t.hour) && byte(t.minute) && byte(t.second);
}

// Every status is one of the header's; none is an internal failure.
void RequireDocumented(bioapi_status status) {
  switch (status) {
    case BIOAPI_OK:
    case BIOAPI_ERROR_INVALID_POINTER:
    case BIOAPI_ERROR_OUTPUT_TOO_SMALL:
    case BIOAPI_ERROR_INVALID_PARAMETER:
    case BIOAPI_ERROR_INVALID_DATA:
      break;
    default:
      Fail("every status is a documented one", std::to_string(status).c_str());
  }
  const char* message = bioapi_error_message(status);
  Require(message != nullptr && std::strncmp(message, "BioAPI", 6) == 0,
          "every status has a message");
}

void RequireStatus(bioapi_status status, bioapi_status expected,
                   const char* call) {
  RequireDocumented(status);
  if (status != expected) {
    Fail("a call answers the status that the header promises", call);
  }
}

// A field number: mostly one of the 35, sometimes any 32-bit value.
bioapi_bir_field AnyField(FuzzInput& in) {
  const unsigned choice = in.Byte();
  if (choice < 200) return static_cast<bioapi_bir_field>(choice % 35 + 1);
  if (choice < 230) return in.Int();
  static constexpr bioapi_bir_field kEdges[] = {0,  -1,        36,
                                                64, INT32_MIN, INT32_MAX};
  return kEdges[choice % std::size(kEdges)];
}

// A struct_size: mostly this version's, sometimes a later one's or too small.
std::uint32_t AnyStructSize(FuzzInput& in) {
  static constexpr std::uint32_t kSizes[] = {40, 40, 40, 40, 44, 48,
                                             64, 41, 39, 0,  4};
  return kSizes[in.Byte() % std::size(kSizes)];
}

bioapi_datetime AnyDateTime(FuzzInput& in) {
  bioapi_datetime t{};
  t.struct_size = sizeof t;
  std::int32_t* const members[] = {&t.year, &t.month,  &t.day,
                                   &t.hour, &t.minute, &t.second,
                                   &t.wday, &t.yday,   &t.isdst};
  switch (in.Byte() % 4u) {
    case 0:  // a plausible date-time whose time may be 0, with -1 flags
      t.year = 1900 + in.Byte() * 2;
      t.month = 1 + in.Byte() % 12;
      t.day = 1 + in.Byte() % 31;
      t.hour = in.Byte() % 24;
      t.minute = in.Byte() % 60;
      t.second = in.Byte() % 60;
      t.wday = t.yday = t.isdst = -1;
      break;
    case 1:  // the record's bytes, any flags
      t.year = static_cast<std::int16_t>(in.U16());
      for (int i = 1; i < 6; ++i) *members[i] = in.Byte();
      for (int i = 6; i < 9; ++i) *members[i] = in.Int();
      break;
    default:  // any values, many out of what the record carries
      for (std::int32_t* m : members) *m = in.Int();
      break;
  }
  return t;
}

// Bytes that differ from position to position.
Bytes Content(std::size_t size, FuzzInput& in) {
  Bytes bytes(size);
  std::uint32_t state = in.U16() + 1u;
  for (std::uint8_t& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);
  }
  return bytes;
}

std::size_t AnyByteStringSize(FuzzInput& in) {
  switch (in.Byte() % 8u) {
    case 0:
    case 1:
      return 0;
    case 2:
      return kLargestByteString;
    case 3:
      return kLargestByteString + 1;
    default:
      return in.Byte();
  }
}

// Everything that the getters show of a handle: for each field number and
// each getter, the status and the value. Two handles with equal snapshots
// hold equal records.
Bytes Snapshot(const bioapi_bir* bir) {
  Bytes out;
  const auto put = [&](const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    out.insert(out.end(), b, b + n);
  };
  for (bioapi_bir_field field = 1; field <= 35; ++field) {
    std::int32_t value = 0;
    bioapi_status s = bioapi_bir_get_int(bir, field, &value);
    RequireStatus(
        s, KindOf(field) == 'I' ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER,
        "get_int");
    if (s == BIOAPI_OK) put(&value, sizeof value);
    std::int16_t owner = 0, type = 0;
    s = bioapi_bir_get_registry_id(bir, field, &owner, &type);
    RequireStatus(
        s, KindOf(field) == 'R' ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER,
        "get_registry_id");
    if (s == BIOAPI_OK) put(&owner, 2), put(&type, 2);
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    s = bioapi_bir_get_bytes(bir, field, &data, &size);
    RequireStatus(
        s, KindOf(field) == 'B' ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER,
        "get_bytes");
    if (s == BIOAPI_OK) {
      Require((data == nullptr) == (size == 0), "an empty string reads null");
      put(&size, sizeof size);
      if (size != 0) put(data, size);
    }
    bioapi_datetime t{};
    t.struct_size = sizeof t;
    s = bioapi_bir_get_datetime(bir, field, &t);
    RequireStatus(
        s, KindOf(field) == 'D' ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER,
        "get_datetime");
    if (s == BIOAPI_OK) put(&t, sizeof t);
    std::size_t count = 0;
    s = bioapi_bir_get_period_count(bir, field, &count);
    RequireStatus(
        s, KindOf(field) == 'P' ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER,
        "get_period_count");
    if (s == BIOAPI_OK) {
      put(&count, sizeof count);
      for (std::size_t i = 0; i <= count; ++i) {
        bioapi_datetime e{};
        e.struct_size = sizeof e;
        s = bioapi_bir_get_period_element(bir, field, i, &e);
        RequireStatus(s, i < count ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER,
                      "get_period_element");
        if (s == BIOAPI_OK) put(&e, sizeof e);
      }
    }
  }
  return out;
}

bool HasOversizedByteString(const bioapi_bir* bir) {
  for (bioapi_bir_field field : {18, 20, 28, 29, 30, 31}) {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    RequireStatus(bioapi_bir_get_bytes(bir, field, &data, &size), BIOAPI_OK,
                  "get_bytes");
    if (size > kLargestByteString) return true;
  }
  return false;
}

bool HasNativeHeader(const bioapi_bir* bir) {
  std::int16_t owner = 0, type = 0;
  std::int32_t version = 0, revision = 0;
  bioapi_bir_get_registry_id(bir, BIOAPI_FIELD_RECORD_FORMAT, &owner, &type);
  bioapi_bir_get_int(bir, BIOAPI_FIELD_HEADER_VERSION, &version);
  bioapi_bir_get_int(bir, BIOAPI_FIELD_HEADER_REVISION, &revision);
  return owner == 0x0101 && type == 0x0009 && version == 0x30 &&
         revision == 0x01;
}

// bioapi_bir_field_present says what the encoder wrote: fields 11 to 33 are
// the optional ones, bits 0 to 22 of the presence bit-map at offset 17; the
// header fields 5 to 10 and the BDB are always written, the four words 1 to 4
// never, and the SB when a security option is set and it is not empty.
void CheckPresence(const bioapi_bir* bir, const Bytes& record) {
  const std::uint32_t bitmap = static_cast<std::uint32_t>(record[17]) |
                               static_cast<std::uint32_t>(record[18]) << 8 |
                               static_cast<std::uint32_t>(record[19]) << 16 |
                               static_cast<std::uint32_t>(record[20]) << 24;
  std::int32_t encryption = 0, integrity = 0;
  bioapi_bir_get_int(bir, BIOAPI_FIELD_ENCRYPTION_OPTION, &encryption);
  bioapi_bir_get_int(bir, BIOAPI_FIELD_INTEGRITY_OPTION, &integrity);
  const std::uint8_t* sb = nullptr;
  std::size_t sb_size = 0;
  bioapi_bir_get_bytes(bir, BIOAPI_FIELD_SECURITY_BLOCK, &sb, &sb_size);
  for (bioapi_bir_field field = 1; field <= 35; ++field) {
    bool written = field >= 5;
    if (field >= 11 && field <= 33) {
      written = (bitmap >> (field - 11) & 1u) != 0;
    } else if (field == BIOAPI_FIELD_SECURITY_BLOCK) {
      written = (encryption != 0 || integrity != 0) && sb_size != 0;
    }
    int present = -1;
    RequireStatus(bioapi_bir_field_present(bir, field, &present), BIOAPI_OK,
                  "field_present");
    Require(present == (written ? 1 : 0),
            "field_present says what the encoder wrote");
  }
  int present = 0;
  for (bioapi_bir_field field : {0, 36, -1, INT32_MIN}) {
    RequireStatus(bioapi_bir_field_present(bir, field, &present),
                  BIOAPI_ERROR_INVALID_PARAMETER, "field_present");
  }
}

// Encodes `bir` through both encoders and checks what they promise; returns
// the bytes, or nothing when the record is refused.
bool Encode(const bioapi_bir* bir, Bytes* out) {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;
  const bool refused = HasOversizedByteString(bir) || !HasNativeHeader(bir);
  const bioapi_status expected =
      refused ? BIOAPI_ERROR_INVALID_DATA : BIOAPI_OK;
  RequireStatus(bioapi_bir_encode(bir, &data, &size), expected, "encode");
  bioapi_encode_refusal refusal{};
  refusal.struct_size = sizeof refusal;
  RequireStatus(bioapi_bir_encode_refusal(bir, &refusal), BIOAPI_OK,
                "encode_refusal");
  Require(refusal.refused == (refused ? 1 : 0) &&
              (refusal.message[0] != '\0') == refused &&
              (refusal.field == 0 || refused),
          "encode_refusal says why encode refuses, and only then");
  std::size_t needed = 0;
  RequireStatus(bioapi_bir_encode_into(bir, nullptr, 0, &needed), expected,
                "encode_into");
  if (refused) return false;
  out->assign(data, data + size);
  bioapi_free(data);
  Require(needed == size && size >= 25, "encode_into gives the size");

  Bytes buffer(size + 1, 0xEE);
  RequireStatus(bioapi_bir_encode_into(bir, buffer.data(), size - 1, &needed),
                BIOAPI_ERROR_OUTPUT_TOO_SMALL, "encode_into, too small");
  Require(
      needed == size && std::all_of(buffer.begin(), buffer.end(),
                                    [](std::uint8_t b) { return b == 0xEE; }),
      "a buffer that is too small is left alone");
  RequireStatus(
      bioapi_bir_encode_into(bir, buffer.data(), buffer.size(), &needed),
      BIOAPI_OK, "encode_into");
  Require(needed == size &&
              std::equal(out->begin(), out->end(), buffer.begin()) &&
              buffer[size] == 0xEE,
          "encode_into writes what encode returns, and no more");
  CheckPresence(bir, *out);
  return true;
}

// Encodes, decodes and encodes again: the bytes come back. A header that
// the decoder would refuse is refused by the encoder already.
void CheckRoundTrip(const bioapi_bir* bir) {
  Bytes first;
  if (!Encode(bir, &first)) return;
  bioapi_bir* decoded = nullptr;
  const bioapi_status status =
      bioapi_bir_decode(first.data(), first.size(), &decoded);
  RequireStatus(status, BIOAPI_OK, "decode of an encoded record");
  Bytes second;
  Require(Encode(decoded, &second), "a decoded record encodes");
  Require(first == second, "encode, decode, encode gives the same bytes");
  bioapi_bir_destroy(decoded);
}

// The decoder that leaves the BDB in place answers as bioapi_bir_decode did
// (`status`, `decoded`), and gives the same record once its BDB is set from
// the place that it names.
void CheckDecodeLeavingBDB(const Bytes& bytes, bioapi_status status,
                           const bioapi_bir* decoded) {
  bioapi_bir* left = reinterpret_cast<bioapi_bir*>(&left);  // any non-null
  std::size_t offset = 0, bdb_size = 0;
  RequireStatus(bioapi_bir_decode_leaving_bdb(bytes.data(), bytes.size(), &left,
                                              &offset, &bdb_size),
                status, "decode_leaving_bdb");
  if (status != BIOAPI_OK) {
    Require(left == nullptr, "a failed decode leaves a null handle");
    return;
  }
  Require(offset <= bytes.size() && bdb_size <= bytes.size() - offset,
          "the BDB lies inside the record");
  const std::uint8_t* data = nullptr;
  std::size_t size = 1;
  RequireStatus(
      bioapi_bir_get_bytes(left, BIOAPI_FIELD_BIOMETRIC_DATA, &data, &size),
      BIOAPI_OK, "get_bytes");
  Require(size == 0, "the BDB is left in the record");
  RequireStatus(bioapi_bir_set_bytes(
                    left, BIOAPI_FIELD_BIOMETRIC_DATA,
                    bdb_size != 0 ? bytes.data() + offset : nullptr, bdb_size),
                BIOAPI_OK, "set_bytes");
  Require(Snapshot(left) == Snapshot(decoded),
          "both decoders give the same record");
  bioapi_bir_destroy(left);
}

class Program {
 public:
  explicit Program(FuzzInput& in) : in_(in) {}
  ~Program() {
    for (bioapi_bir*& h : handles_) bioapi_bir_destroy(h);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void Run() {
    for (int call = 0; call < kMaxCalls && !in_.Exhausted(); ++call) Step();
    for (bioapi_bir* h : handles_) {
      if (h != nullptr) CheckRoundTrip(h);
    }
  }

 private:
  bioapi_bir*& Slot() { return handles_[in_.Byte() % kHandles]; }

  void Step() {
    switch (in_.Byte() % 12u) {
      case 0:
        return Create();
      case 1:
        return DecodeInput();
      case 2:
        return DecodeEncoding();
      case 3:
        return Clone();
      case 4: {
        bioapi_bir*& h = Slot();
        bioapi_bir_destroy(h);
        h = nullptr;
        return;
      }
      case 5:
        return SetInt();
      case 6:
        return SetRegistryID();
      case 7:
        return SetBytes();
      case 8:
        return SetDateTime();
      case 9:
        return SetPeriod();
      case 10:
        return GetDateTimes();
      default: {
        const bioapi_bir* h = Slot();
        if (h != nullptr) CheckRoundTrip(h);
        return;
      }
    }
  }

  // Puts a new handle into a slot through `make`, which must set its output
  // to null on failure.
  template <class Make>
  void Replace(bioapi_bir*& slot, bioapi_status expected, Make&& make,
               const char* call) {
    bioapi_bir* made = reinterpret_cast<bioapi_bir*>(&made);  // any non-null
    const bioapi_status status = make(&made);
    RequireStatus(status, expected, call);
    if (status != BIOAPI_OK) {
      Require(made == nullptr, "a failed call sets its handle to null");
      return;
    }
    bioapi_bir_destroy(slot);
    slot = made;
  }

  void Create() {
    Replace(
        Slot(), BIOAPI_OK,
        [](bioapi_bir** out) { return bioapi_bir_create(out); }, "create");
  }

  // Decodes bytes of the input itself, which the decoder mostly rejects.
  void DecodeInput() {
    bioapi_bir*& slot = Slot();
    DecodeInto(slot, in_.Take(in_.U16() % 512u));
  }

  // Decodes the encoding of a handle, now and then with one byte changed.
  void DecodeEncoding() {
    const bioapi_bir* source = Slot();
    bioapi_bir*& slot = Slot();
    const unsigned change = in_.Byte();
    const std::uint8_t value = in_.Byte();
    if (source == nullptr) return;
    Bytes bytes;
    if (!Encode(source, &bytes)) return;
    if (change % 4u == 0) bytes[in_.U16() % bytes.size()] = value;
    DecodeInto(slot, bytes);
  }

  // Decodes `bytes` into `slot`. A rejected record answers Invalid Data and
  // leaves no handle; an empty vector may have no storage, and a null
  // pointer, whatever the size, is an invalid pointer.
  void DecodeInto(bioapi_bir*& slot, const Bytes& bytes) {
    bioapi_bir* made = nullptr;
    const bioapi_status status =
        bioapi_bir_decode(bytes.data(), bytes.size(), &made);
    CheckDecodeLeavingBDB(bytes, status, made);
    RequireDocumented(status);
    if (status != BIOAPI_OK) {
      RequireStatus(status,
                    bytes.data() == nullptr ? BIOAPI_ERROR_INVALID_POINTER
                                            : BIOAPI_ERROR_INVALID_DATA,
                    "decode");
      Require(made == nullptr, "a failed decode leaves a null handle");
      return;
    }
    CheckRoundTrip(made);
    bioapi_bir_destroy(slot);
    slot = made;
  }

  void Clone() {
    const bioapi_bir* source = Slot();
    bioapi_bir*& slot = Slot();
    if (source == slot) return;  // replacing a handle by its own copy
    Replace(
        slot, source != nullptr ? BIOAPI_OK : BIOAPI_ERROR_INVALID_POINTER,
        [&](bioapi_bir** out) { return bioapi_bir_clone(source, out); },
        "clone");
    if (source != nullptr) {
      Require(Snapshot(source) == Snapshot(slot), "a copy equals its source");
    }
  }

  // Runs a setter on a slot. Its status must be `expected` (OK or Invalid
  // Parameter), and on failure the handle must be as it was.
  template <class Set>
  bioapi_bir* Setter(bool accepted, Set&& set, const char* call) {
    bioapi_bir* h = Slot();
    if (h == nullptr) {
      RequireStatus(set(nullptr), BIOAPI_ERROR_INVALID_POINTER, call);
      return nullptr;
    }
    const Bytes before = Snapshot(h);
    const bioapi_status status = set(h);
    RequireStatus(status, accepted ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER,
                  call);
    if (status != BIOAPI_OK) {
      Require(Snapshot(h) == before, "a failed call changes nothing");
      return nullptr;
    }
    return h;
  }

  void SetInt() {
    const bioapi_bir_field field = AnyField(in_);
    const std::int32_t value = in_.Int();
    std::int64_t min = 0, max = 0;
    IntRange(field, &min, &max);
    const bool accepted = KindOf(field) == 'I' && value >= min && value <= max;
    bioapi_bir* h = Setter(
        accepted,
        [&](bioapi_bir* b) { return bioapi_bir_set_int(b, field, value); },
        "set_int");
    if (h == nullptr) return;
    std::int32_t read = 0;
    RequireStatus(bioapi_bir_get_int(h, field, &read), BIOAPI_OK, "get_int");
    Require(read == value, "an integer reads back as set");
  }

  void SetRegistryID() {
    const bioapi_bir_field field = AnyField(in_);
    const auto owner = static_cast<std::int16_t>(in_.U16());
    const auto type = static_cast<std::int16_t>(in_.U16());
    bioapi_bir* h = Setter(
        KindOf(field) == 'R' && (field != BIOAPI_FIELD_RECORD_FORMAT ||
                                 (owner == 0x0101 && type == 0x0009)),
        [&](bioapi_bir* b) {
          return bioapi_bir_set_registry_id(b, field, owner, type);
        },
        "set_registry_id");
    if (h == nullptr) return;
    std::int16_t o = 0, t = 0;
    RequireStatus(bioapi_bir_get_registry_id(h, field, &o, &t), BIOAPI_OK,
                  "get_registry_id");
    Require(o == owner && t == type, "an identifier reads back as set");
  }

  void SetBytes() {
    const bioapi_bir_field field = AnyField(in_);
    const Bytes bytes = Content(AnyByteStringSize(in_), in_);
    // Sometimes from the handle's own string, which the call may replace.
    const bool own = in_.Byte() % 8u == 0;
    bioapi_bir* h = Setter(
        KindOf(field) == 'B',
        [&](bioapi_bir* b) {
          const std::uint8_t* data = bytes.data();
          std::size_t size = bytes.size();
          if (own && b != nullptr && KindOf(field) == 'B') {
            bioapi_bir_get_bytes(b, field, &data, &size);
          }
          return bioapi_bir_set_bytes(b, field, size != 0 ? data : nullptr,
                                      size);
        },
        "set_bytes");
    if (h == nullptr || own) return;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    RequireStatus(bioapi_bir_get_bytes(h, field, &data, &size), BIOAPI_OK,
                  "get_bytes");
    Require(size == bytes.size() &&
                (size == 0 || std::memcmp(data, bytes.data(), size) == 0),
            "a byte string reads back as set");
  }

  // A date-time as a caller of some later version passes it: `size` bytes,
  // this version's members first, the rest filled with a marker.
  static Bytes Versioned(bioapi_datetime t, std::uint32_t size) {
    Bytes bytes(std::max<std::size_t>(size, sizeof t), 0xA5);
    t.struct_size = size;
    std::memcpy(bytes.data(), &t, sizeof t);
    return bytes;
  }

  static bool SameMembers(const bioapi_datetime& a, const bioapi_datetime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day &&
           a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
           a.wday == b.wday && a.yday == b.yday && a.isdst == b.isdst;
  }

  void SetDateTime() {
    const bioapi_bir_field field = AnyField(in_);
    const bioapi_datetime t = AnyDateTime(in_);
    const std::uint32_t size = AnyStructSize(in_);
    // Aligned storage for the caller's structure of `size` bytes.
    std::vector<std::uint32_t> storage(64 / 4);
    const Bytes image = Versioned(t, size);
    std::memcpy(storage.data(), image.data(), image.size());
    const auto* value =
        reinterpret_cast<const bioapi_datetime*>(storage.data());
    bioapi_bir* h = Setter(
        KindOf(field) == 'D' && size >= 40 && FitsRecord(t),
        [&](bioapi_bir* b) { return bioapi_bir_set_datetime(b, field, value); },
        "set_datetime");
    if (h == nullptr) return;
    bioapi_datetime read{};
    read.struct_size = sizeof read;
    RequireStatus(bioapi_bir_get_datetime(h, field, &read), BIOAPI_OK,
                  "get_datetime");
    Require(SameMembers(read, t), "a date-time reads back as set");
  }

  void SetPeriod() {
    const bioapi_bir_field field = AnyField(in_);
    const std::size_t count = in_.Byte() % 4u;
    const std::uint32_t stride = AnyStructSize(in_);
    const unsigned odd_one = in_.Byte();  // an element of another size
    std::vector<bioapi_datetime> elements(count);
    for (bioapi_datetime& e : elements) e = AnyDateTime(in_);
    // The caller's array: `count` elements `stride` bytes apart.
    const std::size_t step = std::max<std::size_t>(stride, 4);
    std::vector<std::uint32_t> storage((count * step + 64) / 4 + 1);
    auto* base = reinterpret_cast<std::uint8_t*>(storage.data());
    bool accepted =
        KindOf(field) == 'P' && (count == 0 || (count == 2 && stride >= 40));
    for (std::size_t i = 0; i < count; ++i) {
      std::uint32_t size = stride;
      if (i != 0 && odd_one % 4u == 0 && i == 1 + odd_one / 4u % count) {
        size = stride + 4;
      }
      // In index order, so that a larger element's tail is overwritten by
      // the element that follows it.
      const Bytes image = Versioned(elements[i], size);
      std::memcpy(base + i * step, image.data(), image.size());
      accepted = accepted && size == stride && FitsRecord(elements[i]);
    }
    const auto* array = reinterpret_cast<const bioapi_datetime*>(base);
    bioapi_bir* h = Setter(
        accepted,
        [&](bioapi_bir* b) {
          return bioapi_bir_set_period(b, field, count != 0 ? array : nullptr,
                                       count);
        },
        "set_period");
    if (h == nullptr) return;
    std::size_t read_count = 0;
    RequireStatus(bioapi_bir_get_period_count(h, field, &read_count), BIOAPI_OK,
                  "get_period_count");
    Require(read_count == count, "a period keeps its length");
    for (std::size_t i = 0; i < count; ++i) {
      bioapi_datetime e{};
      e.struct_size = sizeof e;
      RequireStatus(bioapi_bir_get_period_element(h, field, i, &e), BIOAPI_OK,
                    "get_period_element");
      Require(SameMembers(e, elements[i]), "a period element reads back");
    }
  }

  // Reads date-times into structures of any size: a too small one is left
  // alone, and a larger one only gets this version's members.
  void GetDateTimes() {
    const bioapi_bir* h = Slot();
    const bioapi_bir_field field = AnyField(in_);
    const std::uint32_t size = AnyStructSize(in_);
    const std::size_t index = in_.Byte() % 4u;
    if (h == nullptr) return;
    std::vector<std::uint32_t> storage(64 / 4, 0xA5A5A5A5u);
    storage[0] = size;
    const std::vector<std::uint32_t> before = storage;
    auto* value = reinterpret_cast<bioapi_datetime*>(storage.data());
    std::size_t count = 0;
    const bool is_period = KindOf(field) == 'P';
    if (is_period) bioapi_bir_get_period_count(h, field, &count);
    const bioapi_status status =
        is_period ? bioapi_bir_get_period_element(h, field, index, value)
                  : bioapi_bir_get_datetime(h, field, value);
    const bool accepted =
        size >= 40 && (is_period ? index < count : KindOf(field) == 'D');
    RequireStatus(status, accepted ? BIOAPI_OK : BIOAPI_ERROR_INVALID_PARAMETER,
                  "get_datetime / get_period_element");
    const std::ptrdiff_t known = status == BIOAPI_OK ? 40 / 4 : 1;
    Require(storage[0] == size, "struct_size is the caller's");
    Require(std::equal(storage.begin() + known, storage.end(),
                       before.begin() + known),
            "nothing past the known members is written");
  }

  FuzzInput& in_;
  bioapi_bir* handles_[kHandles] = {};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzInput in(data, size);
  Program program(in);
  program.Run();
  return 0;
}
