// Decoding byte records: the golden record, header checks and hostile input.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir/byte_order.h"
#include "bir/record_reader.h"
#include "bir_comparison.h"
#include "sample_records.h"
#include "test_files.h"

namespace BioAPI_Data {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr const char* kInvalidData =
    "BioAPI Error: Invalid Data. (Source: Unit).";

// The 25-byte record: BDB format 1/2, no optional field, an empty BDB.
Bytes Minimal() { return testing::ReadTestData("minimal.bir"); }

void SetLength(Bytes& bytes, std::size_t length) {
  record::StoreLE32(bytes.data() + 4, static_cast<std::int32_t>(length));
}

// Returns the message of the decoder's exception for `bytes`, or "accepted".
// Every entry point must agree; the exception is checked and deleted.
std::string Outcome(const Bytes& bytes) {
  std::string outcomes[3];
  for (int entry = 0; entry < 3; ++entry) {
    try {
      if (entry == 0) BIR{bytes};
      if (entry == 1) BIR{Bytes(bytes)};
      if (entry == 2) BIR(bytes.data(), bytes.size());
      outcomes[entry] = "accepted";
    } catch (BioAPIException* e) {
      outcomes[entry] = e->what();
      EXPECT_EQ(e->GetFacility(), Unit);
      EXPECT_EQ(e->GetCode(), 0x10B);
      delete e;
    }
  }
  EXPECT_EQ(outcomes[0], outcomes[1]);
  EXPECT_EQ(outcomes[0], outcomes[2]);
  return outcomes[0];
}

TEST(BIRDecodeTest, MinimalGoldenRecord) {
  const Bytes bytes = Minimal();
  ASSERT_EQ(bytes.size(), 25u);
  const BIR bir(bytes);
  EXPECT_EQ(bir.RecordFormat, (RegistryID{0x0101, 0x0009}));
  EXPECT_EQ(bir.HeaderVersion, 0x30);
  EXPECT_EQ(bir.HeaderRevision, 0x01);
  EXPECT_EQ(bir.BDBFormat, (RegistryID{1, 2}));
  EXPECT_FALSE(bir.EncryptionOption);
  EXPECT_FALSE(bir.IntegrityOption);
  for (const RegistryID& id :
       {bir.RegisteredId1, bir.RegisteredId2, bir.RegisteredId3,
        bir.RegisteredId4, bir.RegisteredId5, bir.RegisteredId6,
        bir.RegisteredId7, bir.RegisteredId8}) {
    EXPECT_EQ(id, RegistryID{});
  }
  for (const Bytes* s :
       {&bir.OctetString1, &bir.OctetString2, &bir.OctetString3,
        &bir.OctetString4, &bir.OctetString5, &bir.OctetString6}) {
    EXPECT_TRUE(s->empty());
  }
  std::tm y2k{};
  y2k.tm_year = 2000;
  y2k.tm_mon = 1;
  y2k.tm_mday = 1;
  EXPECT_TRUE(testing::SameTm(bir.BDBCreationDate, y2k));
  EXPECT_TRUE(testing::SameTm(bir.BIRCreationDate, y2k));
  EXPECT_TRUE(bir.BDBValidityPeriod.empty());
  EXPECT_TRUE(bir.BIRValidityPeriod.empty());
  EXPECT_EQ(static_cast<int>(bir.BDBBiometricType), 0);
  EXPECT_EQ(static_cast<int>(bir.BDBPurpose), 0);
  EXPECT_EQ(bir.BDBQuality, 0);
  EXPECT_TRUE(bir.BiometricData.empty());
  EXPECT_TRUE(bir.SecurityBlock.empty());
  EXPECT_EQ(bir.NativeFormatOwner, 0x0101);
  EXPECT_EQ(bir.FixedWord4, 0x001D);
}

TEST(BIRDecodeTest, HeaderChecks) {
  struct Case {
    const char* name;
    std::size_t offset;
    Bytes replacement;
    bool accepted;
  };
  const Case cases[] = {
      {"length 26 for 25 bytes", 4, {0x1A}, false},
      {"version 0x31", 8, {0x31}, false},
      {"revision 0x00", 9, {0x00}, false},
      {"reserved byte 1", 16, {0x01}, false},
      {"type written high byte first", 2, {0x00, 0x09}, false},
      {"owner 0x0102", 0, {0x02, 0x01}, false},
      {"negative total length", 4, {0xFF, 0xFF, 0xFF, 0xFF}, false},
      {"any BDB format", 10, {0xFF, 0xFF, 0x00, 0x80}, true},
      {"only bit 31 of the bit-map", 17, {0x00, 0x00, 0x00, 0x80}, true},
      {"bits 23 to 31 of the bit-map", 17, {0x00, 0x00, 0x80, 0xFF}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = Minimal();
    std::copy(c.replacement.begin(), c.replacement.end(),
              bytes.data() + c.offset);
    EXPECT_EQ(Outcome(bytes), c.accepted ? "accepted" : kInvalidData);
  }
}

TEST(BIRDecodeTest, TrailingBytesAreIgnoredWhenTheLengthCountsThem) {
  Bytes bytes = Minimal();
  bytes.push_back(0xEE);
  SetLength(bytes, 26);
  const BIR bir(bytes);
  EXPECT_EQ(bir.BDBFormat, (RegistryID{1, 2}));
  EXPECT_TRUE(bir.BiometricData.empty());
}

TEST(BIRDecodeTest, SecurityOptionReadsTheSecurityBlock) {
  Bytes bytes = Minimal();
  bytes[14] = 0x02;
  bytes.insert(bytes.end(), {0x01, 0x00, 0x00, 0x00, 0x09});
  SetLength(bytes, 30);
  const BIR bir(bytes);
  EXPECT_TRUE(bir.EncryptionOption);
  EXPECT_FALSE(bir.IntegrityOption);
  EXPECT_EQ(bir.SecurityBlock, Bytes{0x09});

  // Without a security option the same bytes are trailing bytes.
  bytes[14] = 0x00;
  EXPECT_TRUE(BIR(bytes).SecurityBlock.empty());

  // A record that ends after the BDB has an empty security block.
  Bytes ends_after_bdb = Minimal();
  ends_after_bdb[15] = 0x01;
  const BIR empty_sb(ends_after_bdb);
  EXPECT_TRUE(empty_sb.IntegrityOption);
  EXPECT_TRUE(empty_sb.SecurityBlock.empty());
}

TEST(BIRDecodeTest, OptionalFieldEncodings) {
  // Bit 7 with length 0, then bit 8 with year FF FF and month 0x0C, then
  // bit 15 with a validity period, then a BDB of two bytes.
  Bytes bytes = Minimal();
  bytes.resize(21);
  record::StoreLE32(bytes.data() + 17, 0x80 | 0x100 | 0x8000);
  bytes.insert(bytes.end(), {0x00, 0x00});  // bit 7
  bytes.insert(bytes.end(),
               {0xFF, 0xFF, 0x0C, 0x1F, 0x17, 0x3B, 0xFF});  // bit 8
  bytes.insert(bytes.end(), {0xD0, 0x07, 1, 2, 3, 4, 5, 0xD1, 0x07, 6, 7, 8, 9,
                             10});                                  // bit 15
  bytes.insert(bytes.end(), {0x02, 0x00, 0x00, 0x00, 0xAB, 0xCD});  // BDB
  SetLength(bytes, bytes.size());
  const BIR bir(bytes);
  EXPECT_TRUE(bir.OctetString1.empty());
  EXPECT_EQ(bir.BDBCreationDate.tm_year, -1);
  EXPECT_EQ(bir.BDBCreationDate.tm_mon, 12);
  EXPECT_EQ(bir.BDBCreationDate.tm_mday, 31);
  EXPECT_EQ(bir.BDBCreationDate.tm_hour, 23);
  EXPECT_EQ(bir.BDBCreationDate.tm_min, 59);
  EXPECT_EQ(bir.BDBCreationDate.tm_sec, 255);  // widened without sign
  // Members that the record does not carry are "not known".
  EXPECT_EQ(bir.BDBCreationDate.tm_wday, -1);
  EXPECT_EQ(bir.BDBCreationDate.tm_yday, -1);
  EXPECT_EQ(bir.BDBCreationDate.tm_isdst, -1);
  ASSERT_EQ(bir.BDBValidityPeriod.size(), 2u);
  EXPECT_EQ(bir.BDBValidityPeriod[0].tm_year, 2000);
  EXPECT_EQ(bir.BDBValidityPeriod[0].tm_sec, 5);
  EXPECT_EQ(bir.BDBValidityPeriod[1].tm_year, 2001);
  EXPECT_EQ(bir.BDBValidityPeriod[1].tm_mon, 6);
  EXPECT_EQ(bir.BDBValidityPeriod[1].tm_isdst, -1);
  EXPECT_EQ(bir.BIRCreationDate.tm_year, 2000);  // absent: the default
  EXPECT_EQ(bir.BIRCreationDate.tm_isdst, 0);
  EXPECT_EQ(bir.BiometricData, (Bytes{0xAB, 0xCD}));
}

// Notes where the decoding walk says each field lies.
struct SpanObserver {
  struct Span {
    record::FieldId id;
    std::size_t begin;
    std::size_t end;
  };
  std::vector<Span> spans;
  std::uint32_t presence = 0;

  [[noreturn]] void Fail(std::size_t offset, const char* check) {
    throw std::runtime_error(std::to_string(offset) + ": " + check);
  }
  void Begin(record::FieldId id, std::size_t offset) {
    spans.push_back(Span{id, offset, offset});
  }
  void End(std::size_t offset) { spans.back().end = offset; }
  void PresenceBitmap(std::uint32_t bits) { presence = bits; }
};

// The walk names every field by its identifier, in the table's order, and
// finds each where the layout table puts it, as wide as its encoding.
TEST(BIRDecodeTest, WalkFollowsTheLayoutTable) {
  const BIR full = testing::FullRecord(40);
  const Bytes bytes = full.Encode();
  SpanObserver observer;
  BIR bir;
  record::ReadRecord(bytes.data(), bytes.size(), bir, observer);
  EXPECT_EQ(observer.presence, 0x7FFFFFu);
  ASSERT_EQ(observer.spans.size(), record::kFieldCount);
  std::size_t at = 0;
  for (std::size_t i = 0; i < record::kFieldCount; ++i) {
    const SpanObserver::Span& span = observer.spans[i];
    const record::FieldLayout& layout = record::LayoutOf(span.id);
    SCOPED_TRACE(layout.name);
    EXPECT_EQ(static_cast<std::size_t>(span.id), i);
    EXPECT_EQ(span.begin, at);
    if (layout.offset != record::kNoFixedOffset) {
      EXPECT_EQ(span.begin, layout.offset);
    }
    std::size_t width = record::FixedSize(layout.encoding);
    if (layout.encoding == record::Encoding::kByteString) {
      width += static_cast<std::size_t>(record::LoadLE16(&bytes[at]));
    } else if (layout.encoding == record::Encoding::kBlock) {
      width += static_cast<std::size_t>(record::LoadLE32(&bytes[at]));
    }
    EXPECT_EQ(span.end - span.begin, width);
    at = span.end;
  }
  EXPECT_EQ(at, bytes.size());
}

TEST(BIRDecodeTest, EveryCutOfAFullRecordIsRejected) {
  const BIR record = testing::FullRecord(40);
  const Bytes full = record.Encode();
  ASSERT_EQ(Outcome(full), "accepted");
  // Its security option is set: cut right after the BDB, it is a record with
  // an empty security block.
  const std::size_t after_bdb = full.size() - 4 - record.SecurityBlock.size();
  for (std::size_t size = 0; size < full.size(); ++size) {
    SCOPED_TRACE(size);
    Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_EQ(Outcome(cut), kInvalidData);
    // With the total length made to agree, the fields themselves run out.
    if (size >= 8) {
      SetLength(cut, size);
      EXPECT_EQ(Outcome(cut), size == after_bdb ? "accepted" : kInvalidData);
    }
  }
}

TEST(BIRDecodeTest, LengthsThatLieAreRejected) {
  struct Case {
    const char* name;
    std::uint32_t presence;
    Bytes body;  // after the header
    bool security;
    bool accepted;
  };
  const Case cases[] = {
      {"negative byte string length",
       0x80,
       {0xFF, 0xFF, 0, 0, 0, 0},
       false,
       false},
      {"byte string past the end",
       0x80,
       {0x05, 0x00, 1, 2, 0, 0, 0, 0},
       false,
       false},
      {"negative BDB length", 0, {0xFF, 0xFF, 0xFF, 0xFF}, false, false},
      {"BDB past the end", 0, {0x10, 0, 0, 0, 1, 2, 3}, false, false},
      {"largest BDB length", 0, {0xFF, 0xFF, 0xFF, 0x7F, 1}, false, false},
      {"negative SB length",
       0,
       {0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF},
       true,
       false},
      {"SB past the end", 0, {0, 0, 0, 0, 9, 0, 0, 0, 1}, true, false},
      {"one byte of SB length", 0, {0, 0, 0, 0, 1}, true, false},
      {"three bytes of SB length", 0, {0, 0, 0, 0, 1, 0, 0}, true, false},
      {"validity period cut short",
       0x200000,
       {0xD0, 0x07, 1, 1, 1, 1, 1, 0, 0},
       false,
       false},
      {"every bit set, nothing behind", 0x7FFFFF, {0, 0, 0, 0}, false, false},
      {"empty SB block", 0, {0, 0, 0, 0, 0, 0, 0, 0}, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = Minimal();
    bytes.resize(21);
    bytes[14] = c.security ? 1 : 0;
    record::StoreLE32(bytes.data() + 17, static_cast<std::int32_t>(c.presence));
    bytes.insert(bytes.end(), c.body.begin(), c.body.end());
    SetLength(bytes, bytes.size());
    EXPECT_EQ(Outcome(bytes), c.accepted ? "accepted" : kInvalidData);
  }
}

TEST(BIRDecodeTest, NullOrEmptyInputIsRejected) {
  EXPECT_EQ(Outcome(Bytes{}), kInvalidData);
  try {
    BIR(nullptr, 25);
    ADD_FAILURE() << "accepted a null pointer";
  } catch (BioAPIException* e) {
    EXPECT_STREQ(e->what(), kInvalidData);
    delete e;
  }
}

// Small BDBs are copied out of the caller's vector, large ones keep its
// storage; the caller's vector ends up the same either way.
TEST(BIRDecodeTest, MovedInRecordKeepsItsBiometricData) {
  for (std::size_t bdb_size : {0u, 1u, 100u, 5000u, 70000u}) {
    SCOPED_TRACE(bdb_size);
    const BIR original = testing::FullRecord(bdb_size);
    Bytes bytes = original.Encode();
    const BIR copied(bytes);
    const BIR moved(std::move(bytes));
    EXPECT_EQ(testing::FirstDifference(copied, moved), nullptr);
    EXPECT_EQ(moved.BiometricData, original.BiometricData);
    EXPECT_EQ(moved.SecurityBlock, original.SecurityBlock);
    EXPECT_TRUE(bytes.empty());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(bytes.capacity(), 0u);

    // A rejected record stays with the caller as it was.
    Bytes damaged = original.Encode();
    damaged.pop_back();
    const Bytes kept = damaged;
    try {
      BIR{std::move(damaged)};
      ADD_FAILURE() << "accepted a record one byte short";
    } catch (BioAPIException* e) {
      delete e;
    }
    EXPECT_EQ(damaged, kept);  // NOLINT(bugprone-use-after-move)
  }
}

TEST(BIRDecodeTest, LittleEndianReaders) {
  const unsigned char bytes[] = {0x01, 0x80, 0xFE, 0xFF,
                                 0x78, 0x56, 0x34, 0x12};
  EXPECT_EQ(record::LoadLE16(bytes), static_cast<std::int16_t>(0x8001));
  EXPECT_EQ(record::LoadLE16(bytes + 2), -2);
  EXPECT_EQ(record::LoadLE32(bytes + 4), 0x12345678);
  EXPECT_EQ(record::LoadLE32(bytes), static_cast<std::int32_t>(0xFFFE8001u));
  unsigned char out[4] = {};
  record::StoreLE32(out, -2);
  EXPECT_EQ(Bytes(out, out + 4), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  record::StoreLE16(out, 0x0009);
  EXPECT_EQ(Bytes(out, out + 2), (Bytes{0x09, 0x00}));
}

}  // namespace
}  // namespace BioAPI_Data
