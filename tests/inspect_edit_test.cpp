// Editing one field of a record through the inspection library: in place
// where only the field's bytes change, encoded again (with what else that
// changes) where the field changes width or presence.
#include "bioapi_data/inspect_edit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bioapi_data/bioapi_data.h"
#include "test_files.h"

namespace BioAPI_Data {
namespace testing {
namespace {

using inspect::FieldEdit;

int PartNamed(const std::string& name) {
  for (int part = 0; part < BIOAPI_RECORD_PART_COUNT; ++part) {
    if (name == inspect::Part(part).name) return part;
  }
  ADD_FAILURE() << "no part " << name;
  return -1;
}

// full_record.bir with bytes after its last field, counted by its total
// length: accepted, but not as the library writes it.
std::vector<unsigned char> WithTrailingBytes() {
  std::vector<unsigned char> bytes = ReadTestData("full_record.bir");
  bytes.insert(bytes.end(), {0xAA, 0xBB, 0xCC});
  const auto n = static_cast<std::uint32_t>(bytes.size());
  for (unsigned i = 0; i < 4; ++i) {
    bytes[4 + i] = static_cast<unsigned char>(n >> (8 * i));
  }
  return bytes;
}

FieldEdit Edit(const std::vector<unsigned char>& bytes,
               const std::string& field, const std::string& json_member,
               const std::string& value, int element = -1) {
  const inspect::Walk walk(bytes);
  inspect::RecordFields fields =
      inspect::ReadFields(bytes.data(), bytes.size());
  std::string json = inspect::ToJson(fields);
  // Replace the member's value in the one-field-a-line JSON text.
  const std::string key = "\"" + json_member + "\": ";
  const std::size_t at = json.find(key);
  EXPECT_NE(at, std::string::npos) << json_member;
  const std::size_t end = json.find('\n', at);
  const bool comma = json[end - 1] == ',';
  json.replace(at, end - at, key + value + (comma ? "," : ""));
  return inspect::EditField(bytes.data(), bytes.size(), walk,
                            inspect::FromJson(json), PartNamed(field), element);
}

TEST(InspectEdit, AFieldOfFixedWidthChangesInPlaceAndNothingElse) {
  struct Case {
    const char* record;
    const char* field;
    const char* value;
  };
  for (const Case& c :
       {Case{"trailing", "BDBQuality", "90"},
        Case{"minimal.bir", "BDBFormat", R"({"Owner": 27, "Type": 515})"},
        Case{"full_record.bir", "BDBPurpose", "1"}}) {
    SCOPED_TRACE(c.record);
    const std::vector<unsigned char> bytes = std::string(c.record) == "trailing"
                                                 ? WithTrailingBytes()
                                                 : ReadTestData(c.record);
    const FieldEdit edit = Edit(bytes, c.field, c.field, c.value);
    ASSERT_EQ(edit.kind, FieldEdit::Kind::kInPlace);
    const inspect::Walk walk(bytes);
    const inspect::Row* row = nullptr;
    for (const inspect::Row& r : walk.Rows()) {
      if (r.name == c.field) row = &r;
    }
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(edit.offset, row->offset);
    EXPECT_EQ(edit.bytes.size(), row->length);
    std::vector<unsigned char> edited = bytes;
    std::copy(edit.bytes.begin(), edit.bytes.end(),
              edited.begin() + static_cast<std::ptrdiff_t>(edit.offset));
    EXPECT_TRUE(inspect::CheckRecord(edited).Accepted());
    // The same value again changes nothing.
    const inspect::RecordFields after =
        inspect::ReadFields(edited.data(), edited.size());
    const std::string json = inspect::ToJson(after);
    EXPECT_EQ(
        inspect::EditField(edited.data(), edited.size(), inspect::Walk(edited),
                           inspect::FromJson(json), PartNamed(c.field), -1)
            .kind,
        FieldEdit::Kind::kUnchanged);
  }
}

TEST(InspectEdit, AWiderFieldEncodesAgainAndSaysWhatElseChanges) {
  const std::vector<unsigned char> bytes = WithTrailingBytes();
  const FieldEdit edit =
      Edit(bytes, "OctetString1", "OctetString1", "\"41424344454647\"");
  ASSERT_EQ(edit.kind, FieldEdit::Kind::kReencode);
  ASSERT_EQ(edit.changes.size(), 1u);
  EXPECT_EQ(edit.changes[0].kind, inspect::ChangeKind::kTrailingBytes);
  const BIR bir(edit.bytes);
  EXPECT_EQ(bir.OctetString1,
            (std::vector<unsigned char>{'A', 'B', 'C', 'D', 'E', 'F', 'G'}));
  EXPECT_EQ(bir.BiometricData, BIR(bytes).BiometricData);
}

// Clearing the last security option leaves the security block out of the
// record: not an edit in place (the block would be left behind as trailing
// bytes), but a re-encoding that names the block among its changes.
TEST(InspectEdit, ClearingTheSecurityOptionIsAReencodingThatNamesTheBlock) {
  const std::vector<unsigned char> bytes = ReadTestData("full_record.bir");
  const BIR before(bytes);
  ASSERT_TRUE(before.IntegrityOption && !before.EncryptionOption);
  ASSERT_FALSE(before.SecurityBlock.empty());
  ASSERT_TRUE(inspect::CheckRecord(bytes).changes.empty());
  const FieldEdit edit =
      Edit(bytes, "IntegrityOption", "IntegrityOption", "false");
  ASSERT_EQ(edit.kind, FieldEdit::Kind::kReencode);
  ASSERT_EQ(edit.changes.size(), 1u);
  EXPECT_EQ(edit.changes[0].kind, inspect::ChangeKind::kFieldLeftOut);
  EXPECT_STREQ(edit.changes[0].field, "SecurityBlock");
  EXPECT_EQ(edit.bytes.size(), bytes.size() - 4 - before.SecurityBlock.size());
  const BIR after(edit.bytes);
  EXPECT_FALSE(after.IntegrityOption);
  EXPECT_TRUE(after.SecurityBlock.empty());
  EXPECT_TRUE(inspect::CheckRecord(edit.bytes).changes.empty());
}

// A value wider than its field in the record is refused, naming the field,
// rather than written as its low bits; one that the record carries fits in
// place.
TEST(InspectEdit, AValueWiderThanItsFieldIsRefused) {
  const std::vector<unsigned char> bytes = ReadTestData("full_record.bir");
  const inspect::Walk walk(bytes);
  for (const int purpose : {256, 300, -1}) {
    SCOPED_TRACE(purpose);
    inspect::RecordFields fields =
        inspect::ReadFields(bytes.data(), bytes.size());
    fields.bir.BDBPurpose = static_cast<Purpose>(purpose);
    try {
      inspect::EditField(bytes.data(), bytes.size(), walk, fields,
                         PartNamed("BDBPurpose"), -1);
      ADD_FAILURE() << "edited";
    } catch (const inspect::EditError& e) {
      EXPECT_NE(std::string(e.what()).find("BDBPurpose"), std::string::npos)
          << e.what();
    }
  }
  inspect::RecordFields fields =
      inspect::ReadFields(bytes.data(), bytes.size());
  fields.bir.BDBPurpose = static_cast<Purpose>(255);
  EXPECT_EQ(inspect::EditField(bytes.data(), bytes.size(), walk, fields,
                               PartNamed("BDBPurpose"), -1)
                .kind,
            FieldEdit::Kind::kInPlace);
}

// A record whose BDB is most of it: the edit in place is the field's bytes,
// and the record encoded again is what the library writes of the edited
// fields, byte for byte.
TEST(InspectEdit, ALargeBdbIsKeptByteForByte) {
  const std::vector<unsigned char> sample = ReadTestData("full_record.bir");
  inspect::RecordFields fields =
      inspect::ReadFields(sample.data(), sample.size());
  fields.bir.BiometricData.resize(std::size_t{1} << 20);
  for (std::size_t i = 0; i < fields.bir.BiometricData.size(); ++i) {
    fields.bir.BiometricData[i] = static_cast<unsigned char>(i * 31);
  }
  const std::vector<unsigned char> bytes = fields.bir.Encode();
  const inspect::Walk walk(bytes);
  for (const bool wider : {false, true}) {
    SCOPED_TRACE(wider ? "OctetString1 wider" : "BDBQuality");
    inspect::RecordFields edited =
        inspect::ReadFields(bytes.data(), bytes.size());
    const int part = PartNamed(wider ? "OctetString1" : "BDBQuality");
    if (wider) {
      edited.bir.OctetString1.assign(40, 'x');
    } else {
      edited.bir.BDBQuality =
          static_cast<unsigned char>(edited.bir.BDBQuality + 1);
    }
    const std::vector<unsigned char> expected = edited.bir.Encode();
    const FieldEdit edit =
        inspect::EditField(bytes.data(), bytes.size(), walk, edited, part, -1);
    if (wider) {
      ASSERT_EQ(edit.kind, FieldEdit::Kind::kReencode);
      EXPECT_TRUE(edit.changes.empty());
      EXPECT_EQ(edit.bytes, expected);
    } else {
      ASSERT_EQ(edit.kind, FieldEdit::Kind::kInPlace);
      std::vector<unsigned char> patched = bytes;
      std::copy(edit.bytes.begin(), edit.bytes.end(),
                patched.begin() + static_cast<std::ptrdiff_t>(edit.offset));
      EXPECT_EQ(patched, expected);
    }
  }
}

TEST(InspectEdit, RefusesWhatTheRecordWouldNotGiveBack) {
  const std::vector<unsigned char> bytes = ReadTestData("full_record.bir");
  // An empty byte string is left out: it would not come back as given.
  EXPECT_THROW(Edit(bytes, "OctetString1", "OctetString1", "\"\""),
               inspect::EditError);
  // A rejected record is mended byte by byte, not field by field.
  std::vector<unsigned char> damaged = bytes;
  damaged[4] ^= 1;
  EXPECT_THROW(inspect::EditField(damaged.data(), damaged.size(),
                                  inspect::Walk(damaged), {}, 0, -1),
               inspect::EditError);
}

}  // namespace
}  // namespace testing
}  // namespace BioAPI_Data
