// Fuzz target of the encoder: a record built from fuzzer-chosen fields either
// encodes to bytes that decode to every written field, or is refused with the
// library's exception and leaves the file "record" as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/byte_order.h"
#include "bir/record_layout.h"
#include "fuzz_input.h"
#include "round_trip.h"
#include "test_files.h"

namespace {

using BioAPI_Data::BioAPIException;
using BioAPI_Data::BIR;
using BioAPI_Data::RegistryID;
using BioAPI_Data::record::FieldLayout;
using BioAPI_Data::testing::FirstDifference;
using BioAPI_Data::testing::FuzzInput;
using BioAPI_Data::testing::Require;
using Bytes = std::vector<unsigned char>;

constexpr std::size_t kLargestByteString = 32767;

// Optional byte strings: mostly short, sometimes right at, below or over
// their 16-bit limit.
std::size_t ByteStringSize(FuzzInput& in) {
  const unsigned choice = in.Byte() % 16u;
  if (choice < 6) return 0;
  if (choice < 11) return in.Byte();
  switch (choice) {
    case 11:
      return in.U16() % (kLargestByteString + 1);
    case 12:
      return kLargestByteString - 1;
    case 13:
      return kLargestByteString;
    case 14:
      return kLargestByteString + 1;
    default:
      return kLargestByteString + 1 + in.U16() % 32768u;
  }
}

// The BDB and the SB have no limit of their own below the record's.
std::size_t BlockSize(FuzzInput& in) {
  switch (in.Byte() % 5u) {
    case 0:
      return 0;
    case 1:
      return in.Byte();
    case 2:
      return in.U16();
    default:
      return 65536u + in.U16();
  }
}

// Bytes that differ from position to position, so that a block written or
// read a few bytes off its place does not look right. A pseudo-random run of
// a prime length is repeated, to keep the instrumented loop short.
Bytes Content(std::size_t size, FuzzInput& in) {
  constexpr std::size_t kRun = 251;
  std::uint32_t state = in.U16() + 1u;
  unsigned char run[kRun];
  for (unsigned char& b : run) {
    state = state * 1103515245u + 12345u;
    b = static_cast<unsigned char>(state >> 16);
  }
  Bytes bytes;
  bytes.reserve(size);
  while (bytes.size() < size) {
    bytes.insert(bytes.end(), run, run + std::min(kRun, size - bytes.size()));
  }
  return bytes;
}

Bytes ByteString(FuzzInput& in) { return Content(ByteStringSize(in), in); }

// A member of a date-time: mostly one that the record carries (the year in
// 16 bits, the others in a byte), now and then any 32-bit value, which the
// encoder refuses.
int Member(FuzzInput& in, bool year) {
  const int v = in.Int();
  if (in.Byte() % 16u == 15u) return v;
  return year ? static_cast<std::int16_t>(v) : v & 0xFF;
}

std::tm DateTime(FuzzInput& in) {
  std::tm t{};
  int* const members[] = {&t.tm_year, &t.tm_mon,  &t.tm_mday,
                          &t.tm_hour, &t.tm_min,  &t.tm_sec,
                          &t.tm_wday, &t.tm_yday, &t.tm_isdst};
  const auto draw = [&](int i) { return Member(in, i == 0); };
  switch (in.Byte() % 5u) {
    case 0:  // all zero
      break;
    case 1:  // the decoder's default for an absent date-time
      t.tm_year = 2000;
      t.tm_mon = 1;
      t.tm_mday = 1;
      break;
    case 2:  // any values, zeros included
      for (int i = 0; i < 9; ++i) *members[i] = i < 6 ? draw(i) : in.Int();
      break;
    case 4:  // any time, the members that the record lacks "not known"
      for (int i = 0; i < 6; ++i) *members[i] = draw(i);
      t.tm_wday = t.tm_yday = t.tm_isdst = -1;
      break;
    default:  // all nine non-zero, so that it is written
      for (int i = 0; i < 9; ++i) {
        const int v = i < 6 ? draw(i) : in.Int();
        *members[i] = v != 0 ? v : 1;
      }
      break;
  }
  return t;
}

// Empty, one-, two- and three-element periods: the record carries the empty
// and the two-element ones.
std::vector<std::tm> Period(FuzzInput& in) {
  std::vector<std::tm> period(in.Byte() % 4u);
  for (std::tm& t : period) t = DateTime(in);
  return period;
}

RegistryID Id(FuzzInput& in) {
  const std::int16_t owner = in.Short();
  return RegistryID{owner, in.Short()};
}

// One value of an optional field, by the member's type. An enumeration of
// one byte in the record mostly gets a value of that byte, now and then any
// 32-bit value, which the encoder refuses.
void Draw(FuzzInput& in, const FieldLayout&, RegistryID& id) { id = Id(in); }
void Draw(FuzzInput& in, const FieldLayout&, unsigned char& value) {
  value = in.Byte();
}
void Draw(FuzzInput& in, const FieldLayout&, Bytes& bytes) {
  bytes = ByteString(in);
}
void Draw(FuzzInput& in, const FieldLayout&, std::tm& t) { t = DateTime(in); }
void Draw(FuzzInput& in, const FieldLayout&, std::vector<std::tm>& period) {
  period = Period(in);
}
template <class Enum>
void Draw(FuzzInput& in, const FieldLayout& field, Enum& value) {
  const int v = in.Int();
  const bool narrow = field.encoding == BioAPI_Data::record::Encoding::kByte &&
                      in.Byte() % 16u != 15u;
  value = static_cast<Enum>(narrow ? v & 0xFF : v);
}

// Every value is drawn in a fixed order: the options, the BDB format, every
// optional field of the layout's table in bit order (so that a field added
// to the table is built too), the BDB and the SB.
BIR Build(FuzzInput& in) {
  BIR bir;
  const unsigned options = in.Byte();
  bir.EncryptionOption = (options & 1u) != 0;
  bir.IntegrityOption = (options & 2u) != 0;
  bir.BDBFormat = Id(in);
  BioAPI_Data::record::ForEachOptionalField(
      bir,
      [&](const FieldLayout& field, auto& member) { Draw(in, field, member); });
  bir.BiometricData = Content(BlockSize(in), in);
  bir.SecurityBlock = Content(BlockSize(in), in);
  // Now and then a header that is not the native one, which the decoder
  // would refuse and so the encoder refuses too.
  if (in.Byte() % 16u == 15u) {
    switch (in.Byte() % 5u) {
      case 0:
        bir.RecordFormat.Owner = static_cast<std::int16_t>(in.U16());
        break;
      case 1:
        bir.RecordFormat.Type = static_cast<std::int16_t>(in.U16());
        break;
      case 2:
        bir.HeaderVersion = in.Byte();
        break;
      default:
        bir.HeaderRevision = in.Byte();
        break;
    }
  }
  return bir;
}

// Whether the layout's table says that the record carries each value of
// `bir` as it is given: what the encoder must write, and all that it writes.
bool Fits(const FieldLayout& field, const RegistryID& id) {
  return field.values.Holds(id.Owner) && field.type.Holds(id.Type);
}
bool Fits(const FieldLayout& field, const Bytes& bytes) {
  // A block's limit is the record's, which the generated sizes never reach.
  return field.encoding == BioAPI_Data::record::Encoding::kBlock ||
         bytes.size() <= field.max_size;
}
bool Fits(const FieldLayout&, const std::tm& t) {
  return BioAPI_Data::record::FitsDateTime(t);
}
bool Fits(const FieldLayout&, const std::vector<std::tm>& period) {
  if (!period.empty() && period.size() != BioAPI_Data::record::kPeriodLength) {
    return false;
  }
  for (const std::tm& t : period) {
    if (!BioAPI_Data::record::FitsDateTime(t)) return false;
  }
  return true;
}
template <class T>
bool Fits(const FieldLayout& field, const T& value) {
  return field.values.Holds(static_cast<std::int64_t>(value));
}

bool Carried(const BIR& bir) {
  bool carried = true;
  BioAPI_Data::record::ForEachMemberField(
      bir, [&](const FieldLayout& field, const auto& member) {
        carried = carried && Fits(field, member);
      });
  return carried;
}

// True when `call` throws the library's refusal, which is deleted here.
template <class Call>
bool Refuses(Call&& call) {
  try {
    call();
    return false;
  } catch (BioAPIException* e) {
    Require(e->GetFacility() == BioAPI_Data::Unit && e->GetCode() == 0x10B,
            "a refusal is Unit/0x10B");
    delete e;
    return true;
  }
}

std::size_t FileCount(const std::filesystem::path& directory) {
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    (void)entry;
    ++files;
  }
  return files;
}

// Runs ToArray in a fresh working directory whose file "record" holds other
// bytes, and checks what the file holds afterwards: the record when it was
// encoded, the earlier bytes when it was refused, and nothing else beside it.
void CheckRecordFile(const BIR& bir, const std::optional<Bytes>& encoded) {
  BioAPI_Data::testing::ScopedTempDirectory directory;
  const Bytes earlier = {0x01, 0x01, 0x09, 0x00};
  BioAPI_Data::testing::WriteFileBytes("record", earlier);
  if (encoded) {
    Require(bir.ToArray() == *encoded, "ToArray returns what Encode returns");
    Require(BioAPI_Data::testing::ReadFileBytes("record") == *encoded,
            "the file holds the record");
  } else {
    Require(Refuses([&] { bir.ToArray(); }), "ToArray refuses as Encode does");
    Require(BioAPI_Data::testing::ReadFileBytes("record") == earlier,
            "a refused record leaves the file untouched");
  }
  Require(FileCount(directory.path()) == 1, "no temporary file is left");
}

// FNV-1a: every byte of the input moves the low bits of the result.
std::uint32_t Fnv1a(const std::uint8_t* data, std::size_t size) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) {
    hash = (hash ^ data[i]) * 16777619u;
  }
  return hash;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  // The file is slow to replace (about 10 ms), so only some inputs go through
  // ToArray: one in 256 of those that encode and one in 16 of the refused,
  // which leave the file alone. The choice hangs on every byte, so that it
  // does not pile up in the corpus and an input always makes the same one.
  const std::uint32_t hash = Fnv1a(data, size);
  FuzzInput in(data, size);
  const BIR bir = Build(in);

  if (!Carried(bir)) {
    Require(Refuses([&] { (void)bir.Encode(); }),
            "a value that the record cannot carry as given is refused");
    if (hash % 16u == 0) CheckRecordFile(bir, std::nullopt);
    return 0;
  }

  Bytes encoded;
  try {
    encoded = bir.Encode();
  } catch (BioAPIException* e) {
    delete e;
    BioAPI_Data::testing::Fail("a record within every limit encodes");
  }
  Require(encoded.size() >= 25 &&
              static_cast<std::size_t>(BioAPI_Data::record::LoadLE32(
                  encoded.data() + 4)) == encoded.size(),
          "the total length is the size of the record");
  if (hash % 256u == 0) CheckRecordFile(bir, encoded);

  std::optional<BIR> decoded;
  try {
    decoded.emplace(encoded);
  } catch (BioAPIException* e) {
    delete e;
  }
  Require(decoded.has_value(), "an encoded record decodes");
  const char* difference =
      FirstDifference(BioAPI_Data::testing::ExpectedDecoding(bir), *decoded);
  Require(difference == nullptr, "written field comes back:", difference);
  return 0;
}
