// The inspection library through its installed C++ header: why a record is
// rejected (the shared table of damaged records), what re-encoding changes,
// the parts of a record and the names of the enumerators.
#include "bioapi_data/inspect.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "bioapi_data/bioapi_data.h"
#include "bioapi_data/bioapi_data_c.h"
#include "bir/record_layout.h"
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

// Hostile JSON: nesting at any depth is refused with the field named, and a
// message quotes only a short prefix of a bad value, however large.
TEST(InspectJson, HostileTextGetsAShortErrorNamingTheField) {
  const std::string deep(100000, '[');
  const std::string huge(1u << 20, 'x');
  // A record's JSON whose last field is `field`, given as `value`: every
  // field that a record must have is there, so that only the value is wrong.
  std::string record = inspect::ToJson(inspect::FieldsOf(BIR()));
  record.erase(record.rfind('}'));
  const auto with = [&](const std::string& field, const std::string& value) {
    return record + ", \"" + field + "\": " + value + "}";
  };
  const struct {
    std::string text;
    const char* field;
  } cases[] = {
      {with("BDBPurpose", deep + std::string(100000, ']')), "BDBPurpose"},
      {with("BDBValidityPeriod", "[[{\"tm_year\": [1]}]]"),
       "BDBValidityPeriod"},
      {with("BDBFormat", "{\"Owner\": {\"a\": {}}, \"Type\": 1}"), "BDBFormat"},
      {deep, ""},
      {with("BDBPurpose", "\"" + huge + "\""), "BDBPurpose"},
      {with("OctetString1", "\"" + huge + "\""), "OctetString1"},
      {with("BDBQuality", "[\"" + huge + "\"]"), "BDBQuality"},
      {"{\"" + huge + "\": 1}", nullptr},
      {"{\"BDBPurpose\\u0000x\": 1}", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    try {
      inspect::FromJson(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const inspect::JsonError& e) {
      EXPECT_LT(std::string(e.what()).size(), 300u);
      if (c.field != nullptr) {
        EXPECT_EQ(e.Field(), c.field) << e.what();
      } else {
        // Not taken for a field, even by a reader that stops at a NUL.
        EXPECT_NE(e.Field().c_str(), std::string("BDBPurpose")) << e.what();
        EXPECT_LT(e.Field().size(), 64u);
      }
    }
  }
}

// The value a row of the shared table of refused values gives a member, by
// the member's type; false when the C++ member cannot hold it at all (a
// quality of 256), so that only the JSON reader sees it.
struct RefusedValue {
  std::string member;
  long long value;

  std::tm Date(const std::string& which) const {
    std::tm t{};
    t.tm_year = 2026;
    t.tm_mon = 3;
    t.tm_mday = 14;
    t.tm_hour = 9;
    t.tm_min = 26;
    t.tm_sec = 53;
    t.tm_wday = t.tm_yday = t.tm_isdst = -1;
    const int v = static_cast<int>(value);
    if (which == "tm_year") t.tm_year = v;
    if (which == "tm_mon") t.tm_mon = v;
    if (which == "tm_mday") t.tm_mday = v;
    if (which == "tm_hour") t.tm_hour = v;
    if (which == "tm_min") t.tm_min = v;
    if (which == "tm_sec") t.tm_sec = v;
    return t;
  }
  bool Set(unsigned char& m) const {
    if (value < 0 || value > 255) return false;
    m = static_cast<unsigned char>(value);
    return true;
  }
  bool Set(bool&) const { return false; }
  bool Set(RegistryID& id) const {
    id = {0x0101, 0x0009};
    (member == "Owner" ? id.Owner : id.Type) = static_cast<std::int16_t>(value);
    return true;
  }
  bool Set(std::vector<unsigned char>& bytes) const {
    bytes.assign(static_cast<std::size_t>(value), 0);
    return true;
  }
  bool Set(std::tm& t) const {
    t = Date(member);
    return true;
  }
  bool Set(std::vector<std::tm>& period) const {
    if (member == "length") {
      period.assign(static_cast<std::size_t>(value), Date(""));
    } else {
      period = {Date(member), Date("")};
    }
    return true;
  }
  template <class E>
  bool Set(E& e) const {
    e = static_cast<E>(value);
    return true;
  }
};

// What a member holds, for the JSON of a row's value.
template <class T>
const char* KindOf(const T&) {
  if constexpr (std::is_same_v<T, RegistryID>) return "id";
  if constexpr (std::is_same_v<T, std::tm>) return "date";
  if constexpr (std::is_same_v<T, std::vector<std::tm>>) return "period";
  if constexpr (std::is_same_v<T, std::vector<unsigned char>>) return "bytes";
  return "number";
}

// The JSON of a row's value, as `bir json` writes the field.
Json RefusedJson(const RefusedValue& row, const std::string& kind) {
  const auto date = [&](const std::string& which) {
    const std::tm t = row.Date(which);
    return Json{{"tm_year", t.tm_year}, {"tm_mon", t.tm_mon},
                {"tm_mday", t.tm_mday}, {"tm_hour", t.tm_hour},
                {"tm_min", t.tm_min},   {"tm_sec", t.tm_sec}};
  };
  if (kind == "id") {
    return Json{{"Owner", row.member == "Owner" ? row.value : 0x0101},
                {"Type", row.member == "Type" ? row.value : 0x0009}};
  }
  if (kind == "date") return date(row.member);
  if (kind == "period" && row.member == "length") {
    return Json(
        std::vector<Json>(static_cast<std::size_t>(row.value), date("")));
  }
  if (kind == "period") return Json::array({date(row.member), date("")});
  if (kind == "bytes") {
    return std::string(2 * static_cast<std::size_t>(row.value), '0');
  }
  return row.value;
}

// Every row of the shared table: the encoder refuses it with the documented
// exception naming the field, and the JSON reader refuses it naming the
// field, negative values sent to unsigned fields included.
// Read without the BDB, a record gives the same fields, and says where its
// BDB lies: the bytes that ReadFields copies.
TEST(InspectJson, FieldsReadLeavingTheBdbWhereItLies) {
  std::vector<unsigned char> trailing = ReadTestData("full_record.bir");
  trailing.insert(trailing.end(), {1, 2, 3});
  const auto n = static_cast<std::uint32_t>(trailing.size());
  for (unsigned i = 0; i < 4; ++i) {
    trailing[4 + i] = static_cast<unsigned char>(n >> (8 * i));
  }
  const std::pair<const char*, std::vector<unsigned char>> records[] = {
      {"full_record.bir", ReadTestData("full_record.bir")},
      {"field_by_field.bir", ReadTestData("field_by_field.bir")},
      {"minimal.bir", ReadTestData("minimal.bir")},
      {"with trailing bytes", trailing}};
  for (const auto& [name, bytes] : records) {
    SCOPED_TRACE(name);
    const inspect::RecordFields copied =
        inspect::ReadFields(bytes.data(), bytes.size());
    std::size_t offset = 0;
    std::size_t size = 0;
    inspect::RecordFields left = inspect::ReadFieldsLeavingBdb(
        bytes.data(), bytes.size(), &offset, &size);
    EXPECT_TRUE(left.bir.BiometricData.empty());
    ASSERT_LE(offset + size, bytes.size());
    left.bir.BiometricData.assign(bytes.data() + offset,
                                  bytes.data() + offset + size);
    EXPECT_EQ(left.bir.BiometricData, copied.bir.BiometricData);
    EXPECT_EQ(left.present, copied.present);
    EXPECT_EQ(left.has_security_block, copied.has_security_block);
    EXPECT_EQ(inspect::ToJson(left), inspect::ToJson(copied));
  }
  std::vector<unsigned char> damaged = ReadTestData("full_record.bir");
  damaged[4] ^= 1;
  std::size_t offset = 0;
  std::size_t size = 0;
  try {
    inspect::ReadFieldsLeavingBdb(damaged.data(), damaged.size(), &offset,
                                  &size);
    ADD_FAILURE() << "read";
  } catch (BioAPIException* e) {
    delete e;
  }
}

// The blocks are compared as bytes; one that does not come back is given
// and returned as hex, as every other byte string.
TEST(InspectJson, ABlockThatDoesNotComeBackIsNamedWithItsHex) {
  const std::vector<unsigned char> sample = ReadTestData("full_record.bir");
  struct Case {
    const char* name;
    bool option;
    bool has_block;
    std::vector<unsigned char> block;
    const char* given;  // null: the record reads back as given
    const char* returned;
  };
  const Case cases[] = {
      {"an SB without a security option",
       false,
       true,
       {1, 2, 0xAB},
       "\"0102ab\"",
       "null"},
      {"an empty SB with a security option", true, true, {}, "\"\"", "null"},
      {"an SB with a security option", true, true, {1, 2, 0xAB}, nullptr, ""},
      {"no SB with a security option", true, false, {}, nullptr, ""},
      {"no SB, no option", false, false, {}, nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    inspect::RecordFields fields =
        inspect::ReadFields(sample.data(), sample.size());
    fields.bir.EncryptionOption = false;
    fields.bir.IntegrityOption = c.option;
    fields.bir.SecurityBlock = c.block;
    fields.has_security_block = c.has_block;
    const inspect::CheckedRecord checked = inspect::EncodeChecked(fields);
    EXPECT_FALSE(checked.rejection.has_value());
    if (c.given == nullptr) {
      EXPECT_TRUE(checked.Faithful());
      continue;
    }
    ASSERT_EQ(checked.losses.size(), 1u);
    EXPECT_STREQ(checked.losses[0].field, "SecurityBlock");
    EXPECT_EQ(checked.losses[0].given, c.given);
    EXPECT_EQ(checked.losses[0].returned, c.returned);
  }
  // A BDB of many bytes, and of none, comes back.
  for (const std::size_t size : {std::size_t{0}, std::size_t{1} << 20}) {
    inspect::RecordFields fields =
        inspect::ReadFields(sample.data(), sample.size());
    fields.bir.BiometricData.assign(size, 0x5A);
    const inspect::CheckedRecord checked = inspect::EncodeChecked(fields);
    EXPECT_TRUE(checked.Faithful()) << size;
    EXPECT_EQ(BIR(checked.bytes).BiometricData, fields.bir.BiometricData);
  }
}

TEST(ValueContract, TheSharedRefusedValuesAreRefusedEverywhere) {
  const Json table = RefusedValues();
  ASSERT_FALSE(table.empty());
  Json base = Json::parse(inspect::ToJson(inspect::FieldsOf(BIR())));
  for (const Json& entry : table) {
    const std::string field = entry.at("field").get<std::string>();
    const RefusedValue row{entry.at("member").get<std::string>(),
                           entry.at("value").get<long long>()};
    SCOPED_TRACE(field + " " + row.member + " " + std::to_string(row.value));
    BIR bir;
    bool held = false;
    std::string kind;
    record::ForEachMemberField(
        bir, [&](const record::FieldLayout& layout, auto& member) {
          if (field != layout.name) return;
          held = row.Set(member);
          kind = KindOf(member);
        });
    ASSERT_FALSE(kind.empty()) << "no field " << field;
    if (held) {
      try {
        (void)bir.Encode();
        ADD_FAILURE() << "encoded";
      } catch (BioAPIException* e) {
        EXPECT_EQ(e->GetCode(), 0x10B);
        EXPECT_NE(std::string(e->what()).find(field), std::string::npos)
            << e->what();
        delete e;
      }
    }
    Json json = base;
    json[field] = RefusedJson(row, kind);
    try {
      inspect::FromJson(json.dump());
      ADD_FAILURE() << "read from JSON";
    } catch (const inspect::JsonError& e) {
      EXPECT_EQ(e.Field().rfind(field, 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace testing
}  // namespace BioAPI_Data
