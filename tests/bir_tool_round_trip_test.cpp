// Record to JSON to record with the bir tool: what comes back, what the tool
// refuses, and that every loss is reported.
//
// The round trip is on the fields. A record that the library itself wrote
// comes back byte for byte. An accepted record that the library would not
// write so (an optional field that the encoder leaves out or always writes,
// presence bits 23 to 31, bytes after the last field; the README lists
// them) cannot: `encode`
// reports each field that would not come back, and `--force` writes the
// record that the library makes of the fields, which is then a fixed point.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bioapi_data/bir.h"
#include "bioapi_data/inspect.h"
#include "bir_tool_testing.h"
#include "test_files.h"

namespace BioAPI_Data {
namespace testing {
namespace {

namespace fs = std::filesystem;
namespace inspect = BioAPI_Data::inspect;
using inspect::CheckedRecord;
using inspect::EncodeChecked;
using Json = nlohmann::ordered_json;

// The inspection library's JSON text as a document, and back.
Json AsJson(const inspect::RecordFields& fields) {
  return Json::parse(inspect::ToJson(fields));
}
inspect::RecordFields FieldsFrom(const Json& json) {
  return inspect::FromJson(json.dump());
}
// The fields of an accepted record, as `bir json` reads them.
inspect::RecordFields FieldsOf(const std::vector<unsigned char>& bytes) {
  return inspect::ReadFields(bytes.data(), bytes.size());
}

std::vector<std::string> LostFields(const CheckedRecord& checked) {
  std::vector<std::string> names;
  for (const auto& loss : checked.losses) names.push_back(loss.field);
  return names;
}

bool LibraryAccepts(const std::vector<unsigned char>& bytes) {
  try {
    const BIR bir(bytes);
    return true;
  } catch (BioAPIException* e) {
    delete e;
    return false;
  }
}

// Checks the round trip of one record; returns false when it is rejected.
bool ExpectRoundTrip(const std::vector<unsigned char>& bytes) {
  const inspect::Check check = inspect::CheckRecord(bytes);
  // The inspection walk is the library's: both accept the same records and
  // read the same fields.
  EXPECT_EQ(check.Accepted(), LibraryAccepts(bytes));
  if (!check.Accepted()) return false;
  const inspect::RecordFields fields = FieldsOf(bytes);
  EXPECT_EQ(fields.bir.Encode(), BIR(bytes).Encode());
  // A change is named exactly when re-encoding changes the bytes.
  std::vector<std::string> changes;
  for (const inspect::Change& c : check.changes) {
    changes.push_back(c.description);
  }
  EXPECT_EQ(changes.empty(), BIR(bytes).Encode() == bytes)
      << ::testing::PrintToString(changes);

  const Json json = AsJson(fields);
  // Reading the JSON text gives back the same fields and the same text.
  const std::string text = inspect::ToJson(fields);
  EXPECT_EQ(inspect::ToJson(inspect::FromJson(text)), text);

  const CheckedRecord written = EncodeChecked(FieldsFrom(json));
  EXPECT_FALSE(written.rejection.has_value());
  if (written.rejection) return true;
  // A record the library wrote itself comes back byte for byte.
  if (BIR(bytes).Encode() == bytes) {
    EXPECT_TRUE(written.Faithful());
    EXPECT_EQ(written.bytes, bytes);
  }
  // Exactly the fields reported lost differ; every other one comes back.
  const Json back = AsJson(FieldsOf(written.bytes));
  const std::vector<std::string> lost = LostFields(written);
  for (const auto& item : json.items()) {
    const bool reported =
        std::find(lost.begin(), lost.end(), item.key()) != lost.end();
    EXPECT_EQ(item.value() != back[item.key()], reported) << item.key();
  }
  // What the library wrote is a fixed point.
  const CheckedRecord again = EncodeChecked(FieldsFrom(back));
  EXPECT_TRUE(again.Faithful());
  EXPECT_EQ(again.bytes, written.bytes);
  return true;
}

std::vector<fs::path> RecordFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(BIOAPI_DATA_TEST_DATA_DIR)) {
    if (entry.path().extension() == ".bir") files.push_back(entry.path());
  }
  const fs::path corpus(BIOAPI_DATA_FUZZ_CORPUS_DIR);
  if (fs::is_directory(corpus)) {
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(BirToolRoundTrip, TestRecordsAndFuzzCorpus) {
  std::size_t accepted = 0;
  const std::vector<fs::path> files = RecordFiles();
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    if (ExpectRoundTrip(ReadFileBytes(file))) ++accepted;
    if (HasFailure()) break;
  }
  EXPECT_GE(accepted, 3u) << "the sample records are accepted";
}

TEST(BirToolRoundTrip, RecordsTheLibraryDoesNotWriteSo) {
  const std::vector<unsigned char> always_fields = {
      8, 0, 0, 0,  // BDBBiometricType
      1,           // BDBBiometricSubtype
      0, 0, 0, 0,  // RegisteredId1
      2,           // BDBProcessedLevel
      1,           // BDBPurpose
      80};         // BDBQuality
  const std::uint32_t always = 0x3407;
  auto with = [&](std::vector<unsigned char> extra, std::size_t at) {
    std::vector<unsigned char> fields = always_fields;
    fields.insert(fields.begin() + static_cast<std::ptrdiff_t>(at),
                  extra.begin(), extra.end());
    return fields;
  };
  const struct {
    const char* name;
    std::vector<unsigned char> record;
    std::vector<std::string> lost;
  } cases[] = {
      {"canonical", MakeRecord(always, always_fields), {}},
      {"always written fields absent",
       MakeRecord(0, {}),
       {"BDBBiometricType", "BDBBiometricSubtype", "RegisteredId1",
        "BDBProcessedLevel", "BDBPurpose", "BDBQuality"}},
      {"RegisteredId2 with a zero half",
       MakeRecord(always | 0x8, with({5, 0, 0, 0}, 9)),
       {"RegisteredId2"}},
      {"empty OctetString1",
       MakeRecord(always | 0x80, with({0, 0}, 9)),
       {"OctetString1"}},
      {"BDBCreationDate at midnight comes back",
       MakeRecord(always | 0x100, with({0xEA, 0x07, 3, 14, 0, 0, 0}, 9)),
       {}},
      {"empty SB with a security option",
       MakeRecord(always, always_fields, {0, 0, 0, 0, 0, 0, 0, 0}, 1),
       {"SecurityBlock"}},
      // Not fields: they leave no trace in the JSON and none is reported.
      {"presence bit 31", MakeRecord(always | 0x80000000u, always_fields), {}},
      {"bytes after the last field",
       MakeRecord(always, always_fields, {0, 0, 0, 0, 1, 2}),
       {}},
      {"SB without a security option",
       MakeRecord(always, always_fields, {0, 0, 0, 0, 1, 0, 0, 0, 9}),
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ExpectRoundTrip(c.record));
    const CheckedRecord written =
        EncodeChecked(FieldsFrom(AsJson(FieldsOf(c.record))));
    EXPECT_EQ(LostFields(written), c.lost);
  }
}

TEST(BirToolEncode, WritesTheSameRecordFromItsJsonAndNoOtherFile) {
  ScopedTempDirectory dir;
  const std::string sample =
      (fs::path(BIOAPI_DATA_TEST_DATA_DIR) / "full_record.bir").string();
  const ToolRun json = RunBir({"json", sample});
  ASSERT_EQ(json.exit_code, 0);
  WriteFileBytes("full.json",
                 std::vector<unsigned char>(json.out.begin(), json.out.end()));

  const ToolRun encode = RunBir({"encode", "full.json", "-o", "out.bir"});
  EXPECT_EQ(encode.exit_code, 0) << encode.err;
  EXPECT_EQ(encode.out, "out.bir: 210 bytes written\n");
  EXPECT_EQ(ReadFileBytes("out.bir"), ReadFileBytes(sample));
  // Encode() writes no file of its own, unlike ToArray().
  EXPECT_FALSE(fs::exists("record"));
}

TEST(BirToolEncode, RefusesFieldsThatWouldNotComeBackUnlessForced) {
  ScopedTempDirectory dir;
  const std::string minimal =
      (fs::path(BIOAPI_DATA_TEST_DATA_DIR) / "minimal.bir").string();
  const ToolRun json = RunBir({"json", minimal});
  WriteFileBytes("minimal.json",
                 std::vector<unsigned char>(json.out.begin(), json.out.end()));

  const ToolRun refused = RunBir({"encode", "minimal.json", "-o", "out.bir"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_FALSE(fs::exists("out.bir"));
  EXPECT_NE(refused.err.find("bir: error: minimal.json: BDBQuality is given "
                             "as null but the record gives back 0: the "
                             "library always writes this field"),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("nothing written"), std::string::npos);

  const ToolRun forced =
      RunBir({"encode", "minimal.json", "-o", "out.bir", "--force"});
  EXPECT_EQ(forced.exit_code, 0);
  EXPECT_NE(forced.err.find("bir: warning: minimal.json: BDBQuality"),
            std::string::npos);
  EXPECT_TRUE(inspect::CheckRecord(ReadFileBytes("out.bir")).Accepted());
}

TEST(BirToolEncode, RefusesARecordTheLibraryWouldReject) {
  ScopedTempDirectory dir;
  const std::string sample =
      (fs::path(BIOAPI_DATA_TEST_DATA_DIR) / "field_by_field.bir").string();
  Json json = Json::parse(RunBir({"json", sample}).out);
  json["HeaderVersion"] = 0x31;
  const std::string text = json.dump();
  WriteFileBytes("v31.json",
                 std::vector<unsigned char>(text.begin(), text.end()));
  // The library encodes no header that it would not read back, so even
  // --force writes nothing.
  for (const bool force : {false, true}) {
    std::vector<std::string> args = {"encode", "v31.json", "-o", "out.bir"};
    if (force) args.push_back("--force");
    const ToolRun refused = RunBir(args);
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("HeaderVersion"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists("out.bir"));
  }
}

TEST(BirToolJson, InputThatDescribesNoRecordIsNamedByField) {
  const Json base =
      Json::parse(RunBir({"json", (fs::path(BIOAPI_DATA_TEST_DATA_DIR) /
                                   "field_by_field.bir")
                                      .string()})
                      .out);
  const struct {
    const char* field;
    Json value;
    const char* message;
  } cases[] = {
      {"Colour", 1, "Colour: not a field of a record"},
      {"BDBFormat", Json::parse(R"({"Owner": 1})"),
       "BDBFormat: missing member \"Type\""},
      {"BDBFormat", Json::parse(R"({"Owner": 1, "Type": 70000})"),
       "BDBFormat.Type: 70000 is outside -32768..32767"},
      {"HeaderVersion", "48", "HeaderVersion: expected an integer"},
      {"BDBQuality", 256, "BDBQuality: 256 is outside 0..255"},
      {"EncryptionOption", 0, "EncryptionOption: expected true or false"},
      {"BiometricData", "abc", "BiometricData: odd number of hex digits"},
      {"OctetString1", "zz",
       "OctetString1: \"zz\" at character 0 is not a "
       "hex byte"},
      {"BDBCreationDate", Json::parse(R"({"tm_year": 2026})"),
       "BDBCreationDate: missing member \"tm_mon\""},
      {"BIRValidityPeriod", Json::parse(R"([{"tm_wday": 1}, {}])"),
       "BIRValidityPeriod[0]: unknown member \"tm_wday\""},
      {"BIRValidityPeriod", Json::parse(R"([{}])"),
       "BIRValidityPeriod: 1 date-time; the record carries none or 2"},
      {"BDBQuality", -1, "BDBQuality: -1 is outside 0..255"},
      {"BDBPurpose", 300, "BDBPurpose: 300 is outside 0..255"},
      {"BDBPurpose", -1, "BDBPurpose: -1 is outside 0..255"},
      {"BDBCreationDate",
       Json::parse(R"({"tm_year": 70000, "tm_mon": 1, "tm_mday": 1,
                       "tm_hour": 1, "tm_min": 1, "tm_sec": 1})"),
       "BDBCreationDate.tm_year: 70000 is outside -32768..32767"},
      {"BDBPurpose", "Lunch", "BDBPurpose: \"Lunch\" names no value"},
      {"BDBPurpose", Json::parse(R"({"value": 1, "name": "Audit"})"),
       "BDBPurpose: \"name\" \"Audit\" is not the name of 1"},
      {"BDBPurpose", 1.5, "BDBPurpose: expected an integer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    Json json = base;
    json[c.field] = c.value;
    try {
      FieldsFrom(json);
      ADD_FAILURE() << "accepted";
    } catch (const inspect::JsonError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
  Json missing = base;
  missing.erase("BiometricData");
  EXPECT_THROW(FieldsFrom(missing), inspect::JsonError);
}

TEST(BirToolJson, EnumerationsByNumberOrName) {
  Json json = Json::parse(
      RunBir(
          {"json",
           (fs::path(BIOAPI_DATA_TEST_DATA_DIR) / "full_record.bir").string()})
          .out);
  const Json expected = json;
  json["BDBBiometricType"] = 8;
  json["BDBBiometricSubtype"] = "Right";
  json["BDBProcessedLevel"] = Json::parse(R"({"name": "Processed"})");
  json["BDBPurpose"] = Json::parse(R"({"value": 3})");
  EXPECT_EQ(AsJson(FieldsFrom(json)), expected);

  // Any 32-bit value, signed or as its unsigned bits; a name only where the
  // library defines one.
  json["BDBBiometricType"] = 4294967295u;
  EXPECT_EQ(AsJson(FieldsFrom(json))["BDBBiometricType"],
            Json::parse(R"({"value": -1})"));
  json["BDBBiometricType"] = -2147483647 - 1;
  EXPECT_EQ(AsJson(FieldsFrom(json))["BDBBiometricType"],
            Json::parse(R"({"value": -2147483648, "name": "Password"})"));
}

}  // namespace
}  // namespace testing
}  // namespace BioAPI_Data
