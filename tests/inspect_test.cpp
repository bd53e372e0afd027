// The inspection library through its installed C++ header: why a record is
// rejected (the shared table of damaged records), what re-encoding changes,
// the parts of a record and the names of the enumerators.
#include "bioapi_data/inspect.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "bioapi_data/bioapi_data.h"
#include "bioapi_data/bioapi_data_c.h"
#include "damaged_record_table.h"
#include "test_files.h"

namespace BioAPI_Data {
namespace testing {
namespace {

using Json = nlohmann::json;

// Every damaged record: the core's decoder throws its one exception, with
// its code and text unchanged, and the check says where and why, as the walk
// does on the last row.
TEST(InspectCheck, NamesTheOffsetFieldAndCheckOfEveryDamagedRecord) {
  const Json table = DamagedRecords();
  ASSERT_GE(table.size(), 10u);
  for (const Json& c : table) {
    SCOPED_TRACE(c.at("name").get<std::string>());
    const std::vector<unsigned char> bytes = FromHex(c.at("hex"));
    try {
      const BIR bir(bytes);
      ADD_FAILURE() << "the decoder accepts it";
    } catch (BioAPIException* e) {
      EXPECT_EQ(e->GetFacility(), Unit);
      EXPECT_EQ(e->GetCode(), 0x10B);
      EXPECT_STREQ(e->what(), "BioAPI Error: Invalid Data. (Source: Unit).");
      delete e;
    }
    const inspect::Check check = inspect::CheckRecord(bytes);
    ASSERT_FALSE(check.Accepted());
    const inspect::Rejection& r = *check.rejection;
    EXPECT_EQ(r.offset, c.at("offset").get<std::size_t>());
    EXPECT_EQ(std::string(r.field), c.at("field").get<std::string>());
    EXPECT_EQ(std::string(r.check), c.at("check").get<std::string>());
    EXPECT_EQ(r.Describe(), c.at("reason").get<std::string>());
    EXPECT_STREQ(inspect::Part(r.part).name, r.field);
    EXPECT_TRUE(check.changes.empty());

    const inspect::Walk walk(bytes);
    ASSERT_FALSE(walk.Accepted());
    EXPECT_EQ(walk.Verdict().rejection->offset, r.offset);
    ASSERT_FALSE(walk.Rows().empty());
    EXPECT_STREQ(walk.Rows().back().check, r.check);
    EXPECT_EQ(walk.Rows().back().part, r.part);
  }
}

// Each reserved presence bit alone is reported, as data and as text; the
// record is otherwise one the library writes.
TEST(InspectCheck, ReportsEveryReservedPresenceBit) {
  const std::vector<unsigned char> canonical = BIR().Encode();
  ASSERT_TRUE(inspect::CheckRecord(canonical).changes.empty());
  for (int bit = BIOAPI_PRESENCE_FIRST_RESERVED_BIT;
       bit <= BIOAPI_PRESENCE_LAST_BIT; ++bit) {
    SCOPED_TRACE(bit);
    std::vector<unsigned char> bytes = canonical;
    bytes[17 + static_cast<std::size_t>(bit / 8)] |=
        static_cast<unsigned char>(1u << (bit % 8));
    const inspect::Check check = inspect::CheckRecord(bytes);
    ASSERT_TRUE(check.Accepted());
    ASSERT_EQ(check.changes.size(), 1u);
    const inspect::Change& change = check.changes[0];
    EXPECT_EQ(change.kind, inspect::ChangeKind::kReservedBits);
    EXPECT_EQ(change.value, std::uint64_t{1} << bit);
    EXPECT_STREQ(change.field, "PresenceBitmap");
    EXPECT_EQ(change.description, "presence bits 23-31 cleared");
  }
  // All of them at once, in one change.
  std::vector<unsigned char> bytes = canonical;
  bytes[19] |= 0x80;
  bytes[20] = 0xFF;
  const inspect::Check all = inspect::CheckRecord(bytes);
  ASSERT_EQ(all.changes.size(), 1u);
  EXPECT_EQ(all.changes[0].value, BIOAPI_PRESENCE_RESERVED_MASK);
}

// Each change as data: kind, part and value.
TEST(InspectCheck, ChangesAreData) {
  std::vector<unsigned char> option = BIR().Encode();
  option[14] = 7;  // EncryptionOption; no SB follows the BDB
  const inspect::Check check = inspect::CheckRecord(option);
  ASSERT_TRUE(check.Accepted());
  ASSERT_EQ(check.changes.size(), 1u);
  EXPECT_EQ(check.changes[0].kind, inspect::ChangeKind::kOptionByte);
  EXPECT_STREQ(check.changes[0].field, "EncryptionOption");
  EXPECT_EQ(check.changes[0].value, 7u);
  EXPECT_EQ(check.changes[0].description,
            "EncryptionOption byte 0x07 written as 0x01");

  std::vector<unsigned char> trailing = BIR().Encode();
  trailing.insert(trailing.end(), {0, 0});
  trailing[4] = static_cast<unsigned char>(trailing.size());
  const inspect::Check dropped = inspect::CheckRecord(trailing);
  ASSERT_TRUE(dropped.Accepted());
  ASSERT_EQ(dropped.changes.size(), 1u);
  EXPECT_EQ(dropped.changes[0].kind, inspect::ChangeKind::kTrailingBytes);
  EXPECT_EQ(dropped.changes[0].field, nullptr);
  EXPECT_EQ(dropped.changes[0].part, -1);
  EXPECT_EQ(dropped.changes[0].value, 2u);
  EXPECT_EQ(dropped.changes[0].description,
            "2 bytes after the last field dropped");
}

// The parts follow the core's C field table: the same names, and a
// bioapi_bir_field exactly for the parts that a bioapi_bir holds; each kind
// has one word.
TEST(InspectParts, FollowTheCoreFieldTable) {
  std::set<std::string> words;
  for (int part = 0; part < BIOAPI_RECORD_PART_COUNT; ++part) {
    const inspect::PartInfo info = inspect::Part(part);
    SCOPED_TRACE(info.name);
    const char* word = inspect::RowKindName(info.kind);
    ASSERT_NE(word, nullptr);
    words.insert(word);
    if (info.field < 0) {
      EXPECT_EQ(info.kind, inspect::RowKind::kHeader);
      continue;
    }
    const char* name = nullptr;
    ASSERT_EQ(
        bioapi_bir_field_info(info.field, &name, nullptr, nullptr, nullptr),
        BIOAPI_OK);
    EXPECT_STREQ(name, info.name);
  }
  EXPECT_EQ(words.size(), 8u) << "every kind but trailing names a part";
  EXPECT_THROW(inspect::Part(BIOAPI_RECORD_PART_COUNT), std::out_of_range);
  EXPECT_EQ(inspect::RowKindName(static_cast<inspect::RowKind>(0)), nullptr);
}

// The names of the enumerators: each name once, each value once, and the
// C interface's table, the inspection library and the C++ declarations
// agree on every pair.
TEST(InspectEnumerators, EveryNameHasItsOwnValue) {
  for (bioapi_enumeration e = BIOAPI_ENUMERATION_BIOMETRIC_TYPE;
       e <= BIOAPI_ENUMERATION_FACILITY; ++e) {
    size_t count = 0;
    ASSERT_EQ(bioapi_enumeration_info(e, nullptr, &count), BIOAPI_OK);
    std::set<std::string> names;
    std::set<std::int32_t> values;
    for (size_t i = 0; i < count; ++i) {
      const char* name = nullptr;
      std::int32_t value = 0;
      ASSERT_EQ(bioapi_enumerator(e, i, &name, &value), BIOAPI_OK);
      EXPECT_TRUE(names.insert(name).second) << name;
      EXPECT_TRUE(values.insert(value).second) << name;
      EXPECT_STREQ(bioapi_inspect_enumerator_name(e, value), name);
    }
  }
  // Known answers from the declarations in types.h.
  EXPECT_STREQ(inspect::EnumeratorName(BiometricType::Password), "Password");
  EXPECT_STREQ(inspect::EnumeratorName(BiometricType::Fingerprint),
               "Fingerprint");
  EXPECT_STREQ(inspect::EnumeratorName(BiometricSubtype::Multiple), "Multiple");
  EXPECT_STREQ(inspect::EnumeratorName(ProcessedLevel::Processed), "Processed");
  EXPECT_STREQ(inspect::EnumeratorName(Purpose::Audit), "Audit");
  EXPECT_STREQ(inspect::EnumeratorName(Unit), "Unit");
  EXPECT_EQ(inspect::EnumeratorName(static_cast<Purpose>(99)), nullptr);
}

// JSON errors name the field, also through the error's own member.
TEST(InspectJson, ErrorsNameTheField) {
  std::string text =
      inspect::ToJson(inspect::FieldsOf(BIR(ReadTestData("full_record.bir"))));
  const std::string quality = "\"BDBQuality\": 80";
  const std::size_t at = text.find(quality);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, quality.size(), "\"BDBQuality\": 300");
  try {
    inspect::FromJson(text);
    ADD_FAILURE() << "accepted";
  } catch (const inspect::JsonError& e) {
    EXPECT_EQ(e.Field(), "BDBQuality");
    EXPECT_STREQ(e.what(), "BDBQuality: 300 is outside 0..255");
  }
  try {
    inspect::FromJson("{");
    ADD_FAILURE() << "accepted";
  } catch (const inspect::JsonError& e) {
    EXPECT_EQ(e.Field(), "");
    EXPECT_EQ(std::string(e.what()).rfind("not JSON: ", 0), 0u);
  }
}

}  // namespace
}  // namespace testing
}  // namespace BioAPI_Data
