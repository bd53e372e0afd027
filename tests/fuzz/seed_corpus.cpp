// Writes the seed corpus of the fuzz targets: for the decoder, the golden
// records and every malformed record of the decoder's tests; for the record
// builder, inputs that reach each size class, option and period length; for
// the C interface, programs of calls that reach each accessor family.
//
//   fuzz_seed_corpus tests/fuzz/corpus
//
// Findings of the fuzzers are added to the corpus by hand, under names that
// say what they broke; this program does not remove them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/byte_order.h"
#include "sample_records.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using BioAPI_Data::testing::ReadTestData;
using BioAPI_Data::testing::WriteFileBytes;

void SetLength(Bytes& bytes) {
  BioAPI_Data::record::StoreLE32(bytes.data() + 4,
                                 static_cast<std::int32_t>(bytes.size()));
}

// A header with the given presence bit-map and first security option, then
// `body`, with the total length set to agree.
Bytes WithBody(std::uint32_t presence, bool security, const Bytes& body) {
  Bytes bytes = ReadTestData("minimal.bir");
  bytes.resize(21);
  bytes[14] = security ? 1 : 0;
  BioAPI_Data::record::StoreLE32(bytes.data() + 17,
                                 static_cast<std::int32_t>(presence));
  bytes.insert(bytes.end(), body.begin(), body.end());
  SetLength(bytes);
  return bytes;
}

void WriteDecodeSeeds(const fs::path& dir) {
  auto put = [&](const std::string& name, const Bytes& bytes) {
    WriteFileBytes(dir / name, bytes);
  };
  const Bytes minimal = ReadTestData("minimal.bir");
  put("golden-minimal", minimal);
  put("golden-field-by-field", ReadTestData("field_by_field.bir"));
  put("empty", {});

  struct Patch {
    const char* name;
    std::size_t offset;
    Bytes replacement;
  };
  const Patch patches[] = {
      {"header-length-26-for-25-bytes", 4, {0x1A}},
      {"header-version-0x31", 8, {0x31}},
      {"header-revision-0x00", 9, {0x00}},
      {"header-reserved-byte-1", 16, {0x01}},
      {"header-type-high-byte-first", 2, {0x00, 0x09}},
      {"header-owner-0x0102", 0, {0x02, 0x01}},
      {"header-negative-total-length", 4, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"header-any-bdb-format", 10, {0xFF, 0xFF, 0x00, 0x80}},
      {"header-bit-31-only", 17, {0x00, 0x00, 0x00, 0x80}},
      {"header-bits-23-to-31", 17, {0x00, 0x00, 0x80, 0xFF}},
  };
  for (const Patch& p : patches) {
    Bytes bytes = minimal;
    std::copy(p.replacement.begin(), p.replacement.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(p.offset));
    put(p.name, bytes);
  }

  Bytes trailing = minimal;
  trailing.push_back(0xEE);
  SetLength(trailing);
  put("trailing-byte-counted", trailing);

  Bytes with_sb = minimal;
  with_sb[14] = 0x02;
  with_sb.insert(with_sb.end(), {0x01, 0x00, 0x00, 0x00, 0x09});
  SetLength(with_sb);
  put("security-block-one-byte", with_sb);
  with_sb[14] = 0x00;
  put("security-block-without-option", with_sb);
  Bytes ends_after_bdb = minimal;
  ends_after_bdb[15] = 0x01;
  put("security-option-ends-after-bdb", ends_after_bdb);

  put("optional-field-encodings",
      WithBody(0x80 | 0x100 | 0x8000, false,
               {0x00, 0x00,                                // bit 7
                0xFF, 0xFF, 0x0C, 0x1F, 0x17, 0x3B, 0xFF,  // bit 8
                0xD0, 0x07, 1,    2,    3,    4,    5,    0xD1,
                0x07, 6,    7,    8,                                // bit 15
                9,    10,   0x02, 0x00, 0x00, 0x00, 0xAB, 0xCD}));  // BDB

  // Creation dates at midnight and at a whole minute come back as read.
  put("dates-at-midnight",
      WithBody(0x3407 | 0x100 | 0x10000, false,
               {8,    0,    0,  0,  1, 0,  0, 0, 0,  // type to id 1
                0xEA, 0x07, 1,  1,  0, 0,  0,        // bit 8
                2,    1,    80,                      // level to quality
                0xEA, 0x07, 3,  14, 9, 30, 0,        // bit 16
                0,    0,    0,  0}));                // BDB
  // Forms that the encoder normalises.
  const Bytes always_fields = {8, 0, 0, 0, 1, 0, 0, 0, 0, 2, 1, 80};
  auto with_always = [&](std::size_t at, const Bytes& extra) {
    Bytes body = always_fields;
    body.insert(body.begin() + static_cast<std::ptrdiff_t>(at), extra.begin(),
                extra.end());
    body.insert(body.end(), {0, 0, 0, 0});
    return body;
  };
  put("noncanonical-registered-id-zero-half",
      WithBody(0x3407 | 0x8, false, with_always(9, {5, 0, 0, 0})));
  put("noncanonical-empty-byte-string",
      WithBody(0x3407 | 0x80000, false, with_always(12, {0, 0})));
  Bytes option_byte = WithBody(0x3407, false, with_always(12, {}));
  option_byte[15] = 0x80;
  put("noncanonical-option-byte", option_byte);

  struct Lie {
    const char* name;
    std::uint32_t presence;
    Bytes body;
    bool security;
  };
  const Lie lies[] = {
      {"length-negative-byte-string", 0x80, {0xFF, 0xFF, 0, 0, 0, 0}, false},
      {"length-byte-string-past-end",
       0x80,
       {0x05, 0x00, 1, 2, 0, 0, 0, 0},
       false},
      {"length-negative-bdb", 0, {0xFF, 0xFF, 0xFF, 0xFF}, false},
      {"length-bdb-past-end", 0, {0x10, 0, 0, 0, 1, 2, 3}, false},
      {"length-largest-bdb", 0, {0xFF, 0xFF, 0xFF, 0x7F, 1}, false},
      {"length-negative-sb", 0, {0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}, true},
      {"length-sb-past-end", 0, {0, 0, 0, 0, 9, 0, 0, 0, 1}, true},
      {"length-sb-one-byte", 0, {0, 0, 0, 0, 1}, true},
      {"length-sb-three-bytes", 0, {0, 0, 0, 0, 1, 0, 0}, true},
      {"length-validity-period-cut-short",
       0x200000,
       {0xD0, 0x07, 1, 1, 1, 1, 1, 0, 0},
       false},
      {"length-every-bit-nothing-behind", 0x7FFFFF, {0, 0, 0, 0}, false},
      {"length-empty-sb-block", 0, {0, 0, 0, 0, 0, 0, 0, 0}, true},
  };
  for (const Lie& l : lies)
    put(l.name, WithBody(l.presence, l.security, l.body));

  // Every cut of a full record, as cut and with its total length made to
  // agree.
  const Bytes full = BioAPI_Data::testing::FullRecord(40).Encode();
  put("full-record", full);
  for (std::size_t size = 0; size < full.size(); ++size) {
    char name[32];
    std::snprintf(name, sizeof name, "cut-%03zu", size);
    Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    put(name, cut);
    if (size >= 8) {
      SetLength(cut);
      put(std::string(name) + "-length-agrees", cut);
    }
  }
  // A BDB that is most of the record, which the moving decoder keeps in
  // place.
  Bytes large_bdb = {200, 0, 0, 0};
  for (unsigned i = 0; i < 200; ++i) {
    large_bdb.push_back(static_cast<unsigned char>(i * 7));
  }
  put("bdb-most-of-record", WithBody(0, false, large_bdb));
  large_bdb.insert(large_bdb.end(), {3, 0, 0, 0, 0xA, 0xB, 0xC});
  put("bdb-most-of-record-then-sb", WithBody(0, true, large_bdb));
  for (std::size_t bdb : {0u, 1u, 100u}) {
    put("full-record-bdb-" + std::to_string(bdb),
        BioAPI_Data::testing::FullRecord(bdb).Encode());
  }
}

// Writes the input that the record builder reads as the described fields:
// each call below emits the bytes of one value, in the builder's order.
class BuildSeed {
 public:
  Bytes bytes;

  BuildSeed& Byte(unsigned v) {
    bytes.push_back(static_cast<unsigned char>(v));
    return *this;
  }
  BuildSeed& U16(unsigned v) { return Byte(v & 0xFF).Byte(v >> 8 & 0xFF); }
  BuildSeed& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  BuildSeed& Int(std::int32_t v) {
    return v == 0 ? Byte(0) : Byte(3).U32(static_cast<std::uint32_t>(v));
  }
  BuildSeed& Id(unsigned owner, unsigned type) {
    auto half = [&](unsigned v) -> BuildSeed& {
      return v == 0 ? Byte(0) : Byte(1).U16(v);
    };
    half(owner);
    return half(type);
  }
  /// A byte string of size class `choice` (0 empty, 6 `short_size` bytes,
  /// 12 to 14 the limit -1, 0, +1, 15 over by `extra` + 1) and content seed.
  BuildSeed& String(unsigned choice, unsigned extra = 0) {
    Byte(choice);
    if (choice >= 6 && choice < 11) Byte(extra);
    if (choice == 11 || choice == 15) U16(extra);
    return U16(0x1234);
  }
  /// A date-time whose nine members are all non-zero and distinct: `v`,
  /// `v` + 1, ... from `tm_year` on.
  BuildSeed& Date(std::int32_t v) {
    Byte(3);
    for (int i = 0; i < 9; ++i) Int(v + i == 0 ? 100 : v + i);
    return *this;
  }
  /// A date-time at midnight whose other three members are -1: the year,
  /// month and day `v`, `v` + 1, `v` + 2.
  BuildSeed& MidnightDate(std::int32_t v) {
    Byte(4);
    for (int i = 0; i < 9; ++i) Int(i < 3 ? v + i : 0);
    return *this;
  }
  BuildSeed& NoDate() { return Byte(0); }
  BuildSeed& Period(unsigned elements, std::int32_t v) {
    Byte(elements);
    for (unsigned i = 0; i < elements; ++i) Date(v + static_cast<int>(i));
    return *this;
  }
  BuildSeed& Block(unsigned size) { return Byte(1).Byte(size).U16(0x4321); }
};

struct BuildFields {
  bool write_file = true;
  unsigned options = 0;
  std::int32_t scalar = 0;  // type, subtype, level and purpose
  unsigned ids = 0;         // both halves of every registered identifier
  unsigned string_choice = 0;
  unsigned string_extra = 0;
  int oversized_string = -1;  // 0 to 5: that one gets `string_choice`
  std::int32_t date = 0;      // 0: no creation dates
  bool midnight = false;      // creation dates at midnight, not-known days
  unsigned period = 0;        // elements of both validity periods
  unsigned bdb = 3;
  unsigned sb = 0;
  int header = -1;  // 0 to 3: which header value is made foreign
};

Bytes BuildInput(const BuildFields& f) {
  BuildSeed s;
  s.Byte(f.options).Id(3, 4);
  s.Int(f.scalar).Int(f.scalar);
  for (int i = 0; i < 5; ++i) s.Id(f.ids, f.ids + 1);
  int string = 0;
  auto next_string = [&] {
    const bool chosen = f.oversized_string < 0 || f.oversized_string == string;
    ++string;
    if (chosen) {
      s.String(f.string_choice, f.string_extra);
    } else {
      s.String(6, 3);
    }
  };
  auto date = [&] {
    if (f.date == 0) {
      s.NoDate();
    } else {
      f.midnight ? s.MidnightDate(f.date) : s.Date(f.date);
    }
  };
  next_string();
  date();
  next_string();
  s.Int(f.scalar).Id(f.ids, f.ids).Int(f.scalar).Byte(80).Id(f.ids, f.ids);
  s.Period(f.period, f.date != 0 ? f.date : 7);
  date();
  for (int i = 0; i < 4; ++i) next_string();
  s.Period(f.period, 9).Id(f.ids, f.ids);
  s.Block(f.bdb).Block(f.sb);
  if (f.header >= 0) {
    s.Byte(15).Byte(static_cast<unsigned>(f.header));
    f.header < 2 ? s.U16(0x0102) : s.Byte(0x31);
  } else {
    s.Byte(0);
  }
  return s.bytes;
}

// The builder runs ToArray for an input whose FNV-1a hash is a multiple of
// 256. The fields do not read past their own bytes, so one more byte at the
// end picks the hash: the low byte of (h ^ b) * prime runs through all 256
// values as b does.
Bytes WithFileWrite(Bytes input) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char b : input) hash = (hash ^ b) * 16777619u;
  for (unsigned b = 0; b < 256; ++b) {
    if (((hash ^ b) * 16777619u) % 256u == 0) {
      input.push_back(static_cast<unsigned char>(b));
      break;
    }
  }
  return input;
}

void WriteBuildSeeds(const fs::path& dir) {
  auto put = [&](const std::string& name, const BuildFields& f) {
    const Bytes input = BuildInput(f);
    WriteFileBytes(dir / name, f.write_file ? WithFileWrite(input) : input);
  };
  WriteFileBytes(dir / "all-zero", {});
  BuildFields every;
  every.options = 3;
  every.scalar = 0x01020304;
  every.ids = 5;
  every.string_choice = 6;
  every.string_extra = 17;
  every.date = 11;
  every.period = 2;
  every.sb = 9;
  put("every-field-present", every);

  BuildFields f = every;
  f.period = 1;
  put("periods-of-one", f);
  f.period = 3;
  put("periods-of-three", f);
  f.period = 0;
  f.date = 0;
  f.ids = 0;
  put("no-dates-no-periods-no-ids", f);

  f = every;
  f.midnight = true;
  put("dates-at-midnight", f);

  f = every;
  f.scalar = -1;
  f.date = 65536 + 256 + 1;  // year, month and the rest lose their high bits
  put("values-wider-than-the-record", f);
  f.scalar = 256;
  f.date = -32769;
  put("values-wider-than-the-record-negative", f);

  f = every;
  f.options = 1;
  f.sb = 0;
  put("security-option-empty-sb", f);
  f.options = 2;
  f.sb = 5;
  put("integrity-option", f);
  f.options = 0;
  put("sb-without-option", f);

  const struct {
    const char* name;
    unsigned choice;
    unsigned extra;
    int which;
  } sizes[] = {
      {"string-below-limit", 12, 0, 0},
      {"string-at-limit", 13, 0, 3},
      {"string-over-limit-refused", 14, 0, 5},
      {"string-far-over-limit-refused", 15, 40000, 1},
      {"strings-all-at-limit", 13, 0, -1},
  };
  for (const auto& c : sizes) {
    f = every;
    f.string_choice = c.choice;
    f.string_extra = c.extra;
    f.oversized_string = c.which;
    put(c.name, f);
  }

  for (int header = 0; header < 4; ++header) {
    f = every;
    f.header = header;
    put("foreign-header-" + std::to_string(header), f);
  }
}

// Writes a program of calls for the C interface's fuzz target: each method
// emits the bytes of one call, in the order in which the target reads them.
class CallSeed {
 public:
  Bytes bytes;

  CallSeed& Create(unsigned slot) { return Op(0).Byte(slot); }
  CallSeed& Decode(unsigned slot, const Bytes& record) {
    Op(1).Byte(slot).U16(static_cast<unsigned>(record.size()));
    bytes.insert(bytes.end(), record.begin(), record.end());
    return *this;
  }
  /// Decodes the encoding of `from` into `to`, with byte `at` set to `value`
  /// when `at` is not negative.
  CallSeed& DecodeEncoding(unsigned from, unsigned to, int at = -1,
                           unsigned value = 0) {
    Op(2).Byte(from).Byte(to).Byte(at < 0 ? 1u : 0u).Byte(value);
    return at < 0 ? *this : U16(static_cast<unsigned>(at));
  }
  CallSeed& Clone(unsigned from, unsigned to) {
    return Op(3).Byte(from).Byte(to);
  }
  CallSeed& Destroy(unsigned slot) { return Op(4).Byte(slot); }
  CallSeed& SetInt(unsigned slot, unsigned field_byte, std::int32_t value) {
    Op(5).Byte(field_byte);
    return (value == 0 ? Byte(0)
                       : Byte(3).U32(static_cast<std::uint32_t>(value)))
        .Byte(slot);
  }
  CallSeed& SetId(unsigned slot, unsigned field, unsigned owner,
                  unsigned type) {
    return Op(6).Byte(field - 1).U16(owner).U16(type).Byte(slot);
  }
  /// Size class: 0 empty, 2 the limit, 3 over it, 4 `small` bytes.
  CallSeed& SetBytes(unsigned slot, unsigned field, unsigned size_class,
                     unsigned small = 0) {
    Op(7).Byte(field - 1).Byte(size_class);
    if (size_class >= 4) Byte(small);
    return U16(0x2468).Byte(1).Byte(slot);
  }
  /// A date-time at hour `hour` with wday, yday and isdst -1.
  CallSeed& Date(unsigned year_half, unsigned hour) {
    return Byte(0).Byte(year_half).Byte(2).Byte(9).Byte(hour).Byte(30).Byte(15);
  }
  /// Struct sizes by index: 0 this version's, 5 48, 6 64, 7 41, 8 39.
  CallSeed& SetDate(unsigned slot, unsigned field, unsigned hour,
                    unsigned size_index = 0) {
    Op(8).Byte(field - 1);
    return Date(63, hour).Byte(size_index).Byte(slot);
  }
  CallSeed& SetPeriod(unsigned slot, unsigned field, unsigned count,
                      unsigned size_index = 0, unsigned odd = 1) {
    Op(9).Byte(field - 1).Byte(count).Byte(size_index).Byte(odd);
    for (unsigned i = 0; i < count; ++i) Date(63 + i, i);
    return Byte(slot);
  }
  CallSeed& GetDate(unsigned slot, unsigned field, unsigned size_index,
                    unsigned index = 0) {
    return Op(10).Byte(slot).Byte(field - 1).Byte(size_index).Byte(index);
  }
  CallSeed& RoundTrip(unsigned slot) { return Op(11).Byte(slot); }
  CallSeed& Byte(unsigned v) {
    bytes.push_back(static_cast<unsigned char>(v));
    return *this;
  }

 private:
  CallSeed& Op(unsigned op) { return Byte(op); }
  CallSeed& U16(unsigned v) { return Byte(v & 0xFF).Byte(v >> 8 & 0xFF); }
  CallSeed& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
};

void WriteCApiSeeds(const fs::path& dir) {
  auto put = [&](const std::string& name, const CallSeed& s) {
    WriteFileBytes(dir / name, s.bytes);
  };
  WriteFileBytes(dir / "no-calls", {});
  // Field numbers as the target draws them: byte n - 1 for field n.
  constexpr unsigned kQuality = 24 - 1, kPurpose = 23 - 1;
  CallSeed every_kind;
  every_kind.Create(0)
      .SetInt(0, kQuality, 80)
      .SetInt(0, kPurpose, 3)
      .SetId(0, 8, 0x1B, 0x201)
      .SetId(0, 14, 5, 6)
      .SetBytes(0, 18, 4, 9)
      .SetBytes(0, 34, 4, 200)
      .SetDate(0, 19, 0)
      .SetDate(0, 27, 13)
      .SetPeriod(0, 26, 2)
      .SetPeriod(0, 32, 1)
      .RoundTrip(0)
      .Clone(0, 1)
      .DecodeEncoding(1, 2)
      .GetDate(2, 26, 0, 1);
  put("every-kind-set-and-encoded", every_kind);

  CallSeed golden;
  golden.Decode(1, ReadTestData("full_record.bir"))
      .Clone(1, 2)
      .DecodeEncoding(2, 0, 8, 0x31)
      .DecodeEncoding(2, 0, 40, 0x00)
      .GetDate(1, 19, 6)
      .GetDate(1, 32, 5, 1)
      .SetInt(1, 9 - 1, 1)
      .RoundTrip(1);
  put("golden-record-decoded-and-changed", golden);

  CallSeed later;
  later.Create(0)
      .SetDate(0, 19, 0, 6)
      .SetDate(0, 27, 5, 8)
      .SetPeriod(0, 26, 3, 6)
      .SetPeriod(0, 32, 2, 7)
      .SetPeriod(0, 32, 3, 5, 4)
      .GetDate(0, 26, 6, 2)
      .GetDate(0, 19, 8)
      .RoundTrip(0);
  put("later-struct-sizes", later);

  CallSeed numbers;
  numbers.Create(2);
  for (unsigned edge = 230; edge < 236; ++edge) {
    numbers.SetInt(2, edge, 1).GetDate(2, edge + 1, 0);
  }
  numbers.SetInt(2, kQuality, 256).SetInt(2, 10 - 1, 2).SetInt(2, 1 - 1, 40000);
  put("field-numbers-and-values-out-of-range", numbers);

  CallSeed limits;
  limits.Create(0)
      .SetBytes(0, 20, 2)
      .RoundTrip(0)
      .SetBytes(0, 31, 3)
      .RoundTrip(0)
      .SetBytes(0, 35, 3)
      .Destroy(0)
      .SetInt(0, kQuality, 1)
      .RoundTrip(1);
  put("byte-string-limits-and-null-handles", limits);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIRECTORY\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  fs::create_directories(root / "decode");
  fs::create_directories(root / "build");
  fs::create_directories(root / "c_api");
  WriteDecodeSeeds(root / "decode");
  WriteBuildSeeds(root / "build");
  WriteCApiSeeds(root / "c_api");
  return 0;
}
