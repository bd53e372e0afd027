// Encoding records: the golden record, presence rules, limits, round trips
// and the file "record".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "bir_comparison.h"
#include "sample_records.h"
#include "test_files.h"

namespace BioAPI_Data {
namespace {

using Bytes = std::vector<unsigned char>;
using testing::DateTime;

const RegistryID kZero{0, 0};

// The record of the field-by-field example: BDB format 3/4, type 8,
// subtype 1, level 2, purpose 1, quality 80, BDB AA BB CC.
BIR FieldByField() {
  return BIR(RegistryID{3, 4}, false, false, BiometricType::Fingerprint,
             BiometricSubtype::Left, kZero, kZero, kZero, kZero, kZero, {},
             std::tm{}, {}, ProcessedLevel::Intermediate, kZero,
             Purpose::Verify, 80, kZero, {}, std::tm{}, {}, {}, {}, {}, {},
             kZero, {0xAA, 0xBB, 0xCC}, {});
}

// The bytes after the mandatory prefix of a record: header (21), type (4),
// subtype (1) and RegisteredId1 (4).
Bytes AfterRegisteredId1(const Bytes& record) {
  return Bytes(record.begin() + 30, record.end());
}

std::uint32_t Presence(const Bytes& record) {
  return static_cast<std::uint32_t>(record[17] | record[18] << 8 |
                                    record[19] << 16 | record[20] << 24);
}

std::size_t FilesIn(const std::filesystem::path& directory) {
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    (void)entry;
    ++files;
  }
  return files;
}

class BIREncodeTest : public ::testing::Test {
 protected:
  testing::ScopedTempDirectory directory_;
};

TEST_F(BIREncodeTest, FieldByFieldGoldenRecord) {
  const Bytes golden = testing::ReadTestData("field_by_field.bir");
  ASSERT_EQ(golden.size(), 40u);
  const BIR bir = FieldByField();
  EXPECT_EQ(bir.Encode(), golden);
  EXPECT_EQ(bir.ToArray(), golden);
  EXPECT_EQ(testing::ReadFileBytes("record"), golden);
  EXPECT_EQ(Presence(golden), 0x1u | 0x2u | 0x4u | 0x400u | 0x1000u | 0x2000u);
  // Decoding gives the fields back; absent date-times take the decoder's
  // default of 2000-01-01.
  BIR expected = bir;
  expected.BDBCreationDate.tm_year = expected.BIRCreationDate.tm_year = 2000;
  expected.BDBCreationDate.tm_mon = expected.BIRCreationDate.tm_mon = 1;
  expected.BDBCreationDate.tm_mday = expected.BIRCreationDate.tm_mday = 1;
  EXPECT_EQ(testing::FirstDifference(BIR(golden), expected), nullptr);
}

TEST_F(BIREncodeTest, PresenceRules) {
  struct Case {
    const char* name;
    void (*change)(BIR&);
    std::uint32_t presence;  // bits beyond the always-written ones
    Bytes after_id1;         // bytes between RegisteredId1 and the BDB length
  };
  const Case cases[] = {
      {"one half of RegisteredId2 zero",
       [](BIR& b) {
         b.RegisteredId2 = {5, 0};
       },
       0,
       {0x02, 0x01, 0x50}},
      {"RegisteredId2 present",
       [](BIR& b) {
         b.RegisteredId2 = {5, 6};
       },
       0x8,
       {0x05, 0x00, 0x06, 0x00, 0x02, 0x01, 0x50}},
      {"RegisteredId8 present",
       [](BIR& b) {
         b.RegisteredId8 = {-1, 1};
       },
       0x400000,
       {0x02, 0x01, 0x50, 0xFF, 0xFF, 0x01, 0x00}},
      {"creation date, nine members set",
       [](BIR& b) {
         b.BDBCreationDate = DateTime(2000, 0);
         b.BDBCreationDate.tm_mon = 3;
       },
       0x100,
       {0xD0, 0x07, 3, 1, 1, 1, 1, 0x02, 0x01, 0x50}},
      {"creation date with second 0",
       [](BIR& b) {
         b.BIRCreationDate = DateTime(2000, 0);
         b.BIRCreationDate.tm_sec = 0;
       },
       0,
       {0x02, 0x01, 0x50}},
      {"creation date with isdst 0",
       [](BIR& b) {
         b.BIRCreationDate = DateTime(2000, 0);
         b.BIRCreationDate.tm_isdst = 0;
       },
       0,
       {0x02, 0x01, 0x50}},
      {"creation date at midnight, the other three not known",
       [](BIR& b) {
         b.BIRCreationDate = std::tm{};
         b.BIRCreationDate.tm_year = 2026;
         b.BIRCreationDate.tm_mon = b.BIRCreationDate.tm_mday = 1;
         b.BIRCreationDate.tm_wday = b.BIRCreationDate.tm_yday =
             b.BIRCreationDate.tm_isdst = -1;
       },
       0x10000,
       {0x02, 0x01, 0x50, 0xEA, 0x07, 1, 1, 0, 0, 0}},
      {"creation date of all zeros, the other three not known",
       [](BIR& b) {
         b.BDBCreationDate = std::tm{};
         b.BDBCreationDate.tm_wday = b.BDBCreationDate.tm_yday =
             b.BDBCreationDate.tm_isdst = -1;
       },
       0x100,
       {0, 0, 0, 0, 0, 0, 0, 0x02, 0x01, 0x50}},
      {"creation date with second 0 and only two of the three -1",
       [](BIR& b) {
         b.BDBCreationDate = DateTime(2000, 0);
         b.BDBCreationDate.tm_sec = 0;
         b.BDBCreationDate.tm_wday = b.BDBCreationDate.tm_yday = -1;
       },
       0,
       {0x02, 0x01, 0x50}},
      {"OctetString6 holds its own bytes",
       [](BIR& b) {
         b.OctetString5 = {9, 9};
         b.OctetString6 = {1, 2, 3};
       },
       0x180000,
       {0x02, 0x01, 0x50, 0x02, 0x00, 9, 9, 0x03, 0x00, 1, 2, 3}},
      {"validity period: start and end",
       [](BIR& b) { b.BDBValidityPeriod = {DateTime(1, 1), DateTime(2, 2)}; },
       0x8000,
       {0x02, 0x01, 0x50, 1, 0, 2, 2, 2, 2, 2, 2, 0, 3, 3, 3, 3, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BIR bir = FieldByField();
    c.change(bir);
    const Bytes record = bir.Encode();
    EXPECT_EQ(Presence(record), 0x3407u | c.presence);
    Bytes expected = c.after_id1;
    expected.insert(expected.end(), {0x03, 0x00, 0x00, 0x00, 0xAA, 0xBB, 0xCC});
    EXPECT_EQ(AfterRegisteredId1(record), expected);
  }
}

TEST_F(BIREncodeTest, SecurityBlockNeedsAnOptionAndBytes) {
  struct Case {
    bool encryption;
    bool integrity;
    Bytes sb;
    Bytes tail;  // after the BDB
  };
  const Case cases[] = {
      {true, false, {0x09}, {0x01, 0x00, 0x00, 0x00, 0x09}},
      {false, true, {0x09}, {0x01, 0x00, 0x00, 0x00, 0x09}},
      {true, false, {}, {}},
      {false, false, {0x09}, {}},
  };
  for (const Case& c : cases) {
    BIR bir = FieldByField();
    bir.EncryptionOption = c.encryption;
    bir.IntegrityOption = c.integrity;
    bir.SecurityBlock = c.sb;
    const Bytes record = bir.Encode();
    EXPECT_EQ(Bytes(record.begin() + 40, record.end()), c.tail);
    EXPECT_EQ(record[14], c.encryption ? 1 : 0);
    EXPECT_EQ(record[15], c.integrity ? 1 : 0);
    // Every such record decodes again.
    EXPECT_EQ(BIR(record).SecurityBlock, c.tail.empty() ? Bytes{} : c.sb);
  }
}

TEST_F(BIREncodeTest, FullRecordRoundTrips) {
  const BIR full = testing::FullRecord(5000);
  const Bytes record = full.Encode();
  EXPECT_EQ(Presence(record), 0x7FFFFFu);
  EXPECT_EQ(
      static_cast<std::size_t>(record[4] | record[5] << 8 | record[6] << 16),
      record.size());
  const BIR decoded(record);
  EXPECT_EQ(testing::FirstDifference(decoded, full,
                                     testing::DateTimeMembers::kRecorded),
            nullptr);
  // Decoded date-times keep their presence, so the bytes come back unchanged.
  EXPECT_EQ(decoded.Encode(), record);
  EXPECT_EQ(BIR(decoded.Encode()).Encode(), record);
}

// The sample records that the library wrote come back byte for byte from
// every decoding constructor, whatever the host's byte order and word size.
TEST_F(BIREncodeTest, GoldenRecordsComeBackByteForByte) {
  for (const char* name : {"field_by_field.bir", "full_record.bir"}) {
    SCOPED_TRACE(name);
    const Bytes golden = testing::ReadTestData(name);
    EXPECT_EQ(BIR(golden).Encode(), golden);
    EXPECT_EQ(BIR(golden.data(), golden.size()).Encode(), golden);
    EXPECT_EQ(BIR(Bytes(golden)).Encode(), golden);
  }
}

// A date-time that a record carries comes back whatever its time: the
// decoder leaves the three members that the record lacks at -1.
TEST_F(BIREncodeTest, DateTimesWithZeroMembersComeBack) {
  const int times[][6] = {
      {2026, 1, 1, 0, 0, 0},   {2026, 3, 14, 9, 30, 0},
      {2026, 3, 14, 0, 27, 5}, {2026, 12, 31, 23, 59, 0},
      {0, 0, 0, 0, 0, 0},      {-1, 255, 255, 255, 255, 255}};
  for (const auto& time : times) {
    SCOPED_TRACE(::testing::PrintToString(std::vector<int>(time, time + 6)));
    std::tm t{};
    int* members[] = {&t.tm_year, &t.tm_mon, &t.tm_mday,
                      &t.tm_hour, &t.tm_min, &t.tm_sec};
    for (int i = 0; i < 6; ++i) *members[i] = time[i];
    t.tm_wday = t.tm_yday = t.tm_isdst = -1;
    BIR bir = FieldByField();
    bir.BDBCreationDate = bir.BIRCreationDate = t;
    bir.BDBValidityPeriod = {t, t};
    const Bytes record = bir.Encode();
    EXPECT_EQ(Presence(record) & 0x18100u, 0x18100u);
    const BIR decoded(record);
    EXPECT_EQ(testing::FirstDifference(decoded, bir), nullptr);
    EXPECT_EQ(decoded.Encode(), record);
  }
}

// The encoder gathers short items before appending them: byte strings around
// its copy sizes and past its staging room must land whole and in order.
TEST_F(BIREncodeTest, ByteStringsOfEveryLengthRoundTrip) {
  for (std::size_t n : {1u, 2u, 3u, 4u, 7u, 8u, 15u, 16u, 17u, 31u, 32u, 33u,
                        100u, 300u, 511u, 512u, 513u, 4096u, 32761u}) {
    SCOPED_TRACE(n);
    BIR bir = testing::FullRecord(n);
    std::vector<unsigned char>* strings[] = {
        &bir.OctetString1, &bir.OctetString2, &bir.OctetString3,
        &bir.OctetString4, &bir.OctetString5, &bir.OctetString6};
    for (std::size_t i = 0; i < 6; ++i) {
      *strings[i] = testing::Bytes(n + i, static_cast<unsigned char>(i * 40));
    }
    bir.SecurityBlock = testing::Bytes(n, 0xE0);
    const Bytes record = bir.Encode();
    // Header, fixed fields and lengths (21 + 94), BDB and SB lengths (8).
    EXPECT_EQ(record.size(), 21 + 94 + 8 + 8 * n + 15);
    const BIR decoded(record);
    EXPECT_EQ(testing::FirstDifference(decoded, bir,
                                       testing::DateTimeMembers::kRecorded),
              nullptr);
    EXPECT_EQ(decoded.Encode(), record);
  }
}

TEST_F(BIREncodeTest, DefaultRecordEncodesToARecordThatDecodes) {
  const Bytes record = BIR().Encode();
  EXPECT_EQ(record.size(),
            37u);  // header, type, subtype, id1, three bytes, BDB
  const BIR decoded(record);
  EXPECT_EQ(decoded.RecordFormat, (RegistryID{0x0101, 0x0009}));
  EXPECT_TRUE(decoded.BiometricData.empty());
}

TEST_F(BIREncodeTest, OversizedFieldsAreRefusedBeforeTheFileIsTouched) {
  testing::WriteFileBytes("record", {1, 2, 3});
  BIR fits = FieldByField();
  fits.OctetString4.assign(32767, 0x5A);
  EXPECT_EQ(BIR(fits.Encode()).OctetString4, fits.OctetString4);

  for (int field = 0; field < 6; ++field) {
    SCOPED_TRACE(field);
    BIR bir = FieldByField();
    Bytes* strings[] = {&bir.OctetString1, &bir.OctetString2,
                        &bir.OctetString3, &bir.OctetString4,
                        &bir.OctetString5, &bir.OctetString6};
    strings[field]->assign(32768, 0x5A);
    try {
      bir.ToArray();
      ADD_FAILURE() << "an oversized byte string was written";
    } catch (BioAPIException* e) {
      const std::string text = e->what();
      EXPECT_EQ(text.rfind("BioAPI Error: Invalid Data", 0), 0u) << text;
      EXPECT_NE(text.find("OctetString" + std::to_string(field + 1)),
                std::string::npos);
      EXPECT_NE(text.find("32767"), std::string::npos);
      EXPECT_EQ(e->GetFacility(), Unit);
      EXPECT_EQ(e->GetCode(), 0x10B);
      delete e;
    }
  }
  EXPECT_EQ(testing::ReadFileBytes("record"), (Bytes{1, 2, 3}));
}

// A header that decoding refuses is refused by the encoder too, so that no
// record is written that the library cannot read back; the file keeps its
// record.
TEST_F(BIREncodeTest, HeaderThatDecodingRefusesIsNotEncoded) {
  const Bytes good = testing::FullRecord(100).Encode();
  testing::WriteFileBytes("record", good);
  struct Case {
    const char* field;
    void (*change)(BIR&);
  };
  const Case cases[] = {
      {"HeaderVersion", [](BIR& b) { b.HeaderVersion = 0x31; }},
      {"HeaderVersion", [](BIR& b) { b.HeaderVersion = 0; }},
      {"HeaderRevision", [](BIR& b) { b.HeaderRevision = 0x02; }},
      {"HeaderRevision", [](BIR& b) { b.HeaderRevision = 0; }},
      {"RecordFormat", [](BIR& b) { b.RecordFormat.Owner = 0x0102; }},
      {"RecordFormat", [](BIR& b) { b.RecordFormat.Type = 0x0008; }},
      {"RecordFormat",
       [](BIR& b) {
         b.RecordFormat = RegistryID{0, 0};
       }},
  };
  for (const Case& c : cases) {
    BIR bir = testing::FullRecord(100);
    c.change(bir);
    for (const bool to_file : {false, true}) {
      SCOPED_TRACE(std::string(c.field) + (to_file ? " ToArray" : " Encode"));
      try {
        (void)(to_file ? bir.ToArray() : bir.Encode());
        ADD_FAILURE() << "a header that decoding refuses was encoded";
      } catch (BioAPIException* e) {
        const std::string text = e->what();
        EXPECT_EQ(text.rfind("BioAPI Error: Invalid Data", 0), 0u) << text;
        EXPECT_NE(text.find(c.field), std::string::npos) << text;
        EXPECT_EQ(e->GetFacility(), Unit);
        EXPECT_EQ(e->GetCode(), 0x10B);
        delete e;
      }
    }
  }
  EXPECT_EQ(testing::ReadFileBytes("record"), good);
  EXPECT_EQ(FilesIn(directory_.path()), 1u);
}

TEST_F(BIREncodeTest, RecordOverTwoGigabytesIsRefused) {
  BIR bir;
  // One byte over the limit with the 37 bytes that every record holds (the
  // header, the always-written fields and the BDB's length). A 64-bit process, and a 32-bit one on a 64-bit kernel, can
  // hold the 2 GiB BDB; a 32-bit kernel's 3 GiB address space may not.
  try {
    bir.BiometricData.resize(2147483647u - 37u + 1u);
  } catch (const std::bad_alloc&) {
    GTEST_SKIP() << "this process cannot allocate the 2 GiB BDB that a record "
                    "over the limit needs (a 32-bit address space may not "
                    "hold it)";
  }
  try {
    bir.ToArray();
    ADD_FAILURE() << "a record over the 32-bit length was written";
  } catch (BioAPIException* e) {
    const std::string text = e->what();
    EXPECT_EQ(text.rfind("BioAPI Error: Invalid Data", 0), 0u) << text;
    EXPECT_NE(text.find("2147483647"), std::string::npos) << text;
    delete e;
  }
  EXPECT_FALSE(std::filesystem::exists("record"));
}

TEST_F(BIREncodeTest, ToArrayReplacesTheFileEachTime) {
  const Bytes first = testing::FullRecord(100).ToArray();
  EXPECT_EQ(testing::ReadFileBytes("record"), first);
  const Bytes second = FieldByField().ToArray();
  EXPECT_EQ(testing::ReadFileBytes("record"), second);
  EXPECT_EQ(second.size(), 40u);
  // No temporary file is left behind.
  EXPECT_EQ(FilesIn(directory_.path()), 1u);
}

TEST_F(BIREncodeTest, ConcurrentToArrayLeavesOneCompleteRecord) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 25;
  std::vector<Bytes> encoded(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    encoded[static_cast<std::size_t>(t)] =
        testing::FullRecord(1000 + static_cast<std::size_t>(t) * 7919).Encode();
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const BIR bir =
          testing::FullRecord(1000 + static_cast<std::size_t>(t) * 7919);
      for (int round = 0; round < kRounds; ++round) bir.ToArray();
    });
  }
  for (auto& thread : threads) thread.join();
  const Bytes file = testing::ReadFileBytes("record");
  EXPECT_NE(std::find(encoded.begin(), encoded.end(), file), encoded.end());
  EXPECT_EQ(FilesIn(directory_.path()), 1u);
}

}  // namespace
}  // namespace BioAPI_Data
