// The bir tool's commands: golden dumps and JSON of the sample records, the
// messages for rejected records, and the exit codes for bad files and bad
// arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bioapi_data/inspect.h"
#include "bioapi_data/types.h"
#include "bir_tool_testing.h"
#include "commands.h"
#include "damaged_record_table.h"
#include "test_files.h"

namespace BioAPI_Data {
namespace testing {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  std::string text;
  for (unsigned char c : bytes) {
    if (c != '\r') text += static_cast<char>(c);
  }
  return text;
}

// Runs the tool inside tests/data, so that outputs name the files as the
// golden outputs do.
ToolRun RunInTestData(std::vector<std::string> args) {
  const fs::path previous = fs::current_path();
  fs::current_path(BIOAPI_DATA_TEST_DATA_DIR);
  ToolRun run = RunBir(std::move(args));
  fs::current_path(previous);
  return run;
}

// After a deliberate change of the output, regenerate the golden files in
// tests/data with `bir dump NAME.bir > NAME.dump.txt` and
// `bir json NAME.bir > NAME.json`.
TEST(BirToolGolden, DumpAndJsonOfTheSampleRecords) {
  for (const char* name : {"minimal", "field_by_field", "full_record"}) {
    SCOPED_TRACE(name);
    const std::string record = std::string(name) + ".bir";
    const fs::path data(BIOAPI_DATA_TEST_DATA_DIR);

    const ToolRun dump = RunInTestData({"dump", record});
    EXPECT_EQ(dump.exit_code, 0);
    EXPECT_EQ(dump.err, "");
    EXPECT_EQ(dump.out, ReadText(data / (std::string(name) + ".dump.txt")));

    const ToolRun json = RunInTestData({"json", record});
    EXPECT_EQ(json.exit_code, 0);
    EXPECT_EQ(json.err, "");
    EXPECT_EQ(json.out, ReadText(data / (std::string(name) + ".json")));
  }
}

TEST(BirToolGolden, DumpOfTheFullRecordWalksEveryOptionalField) {
  const ToolRun dump = RunInTestData({"dump", "full_record.bir"});
  std::size_t from = 0;
  for (const char* field :
       {"BDBBiometricType", "RegisteredId5", "OctetString1", "BDBCreationDate",
        "BDBValidityPeriod.start", "BDBValidityPeriod.end", "BIRCreationDate",
        "OctetString6", "BIRValidityPeriod.end", "RegisteredId8",
        "BiometricData", "SecurityBlock"}) {
    const std::size_t at = dump.out.find(field, from);
    ASSERT_NE(at, std::string::npos) << field << " missing or out of order";
    from = at;
  }
}

struct Rejected {
  const char* name;
  std::vector<unsigned char> bytes;
  const char* message;
};

std::vector<Rejected> RejectedRecords() {
  std::vector<unsigned char> long_total = MakeRecord(0, {});
  long_total[4] = 26;
  std::vector<unsigned char> version = MakeRecord(0, {});
  version[8] = 0x31;
  std::vector<unsigned char> big_endian_type = MakeRecord(0, {});
  big_endian_type[2] = 0x00;
  big_endian_type[3] = 0x09;
  std::vector<unsigned char> reserved = MakeRecord(0, {});
  reserved[16] = 1;
  return {
      {"total_length", long_total,
       "rejected at offset 4 (TotalLength): check \"total length equals the "
       "size of the record\" failed"},
      {"version", version,
       "rejected at offset 8 (HeaderVersion): check \"header version is "
       "0x30\" failed"},
      {"big_endian_type", big_endian_type,
       "rejected at offset 0 (RecordFormat): check \"format identifier is "
       "0x0101/0x0009\" failed"},
      {"reserved", reserved,
       "rejected at offset 16 (Reserved): check \"reserved byte is 0\" "
       "failed"},
      {"three_bytes",
       {0x01, 0x01, 0x09},
       "rejected at offset 2 (in RecordFormat, which begins at 0): check "
       "\"enough bytes remain\" failed"},
      {"empty",
       {},
       "rejected at offset 0 (RecordFormat): check \"enough "
       "bytes remain\" failed"},
      // Bit 7: a byte string of 16 bytes, of which 4 are there.
      {"byte_string_past_the_end", MakeRecord(0x80, {0x10, 0x00}),
       "rejected at offset 23 (in OctetString1, which begins at 21): check "
       "\"enough bytes remain\" failed"},
      {"negative_byte_string", MakeRecord(0x80, {0xFF, 0xFF}),
       "rejected at offset 23 (in OctetString1, which begins at 21): check "
       "\"byte string length is not negative\" failed"},
      {"negative_bdb", MakeRecord(0, {}, {0xFF, 0xFF, 0xFF, 0xFF}),
       "rejected at offset 25 (in BiometricData, which begins at 21): check "
       "\"block length is not negative\" failed"},
      {"sb_past_the_end", MakeRecord(0, {}, {0, 0, 0, 0, 9, 0, 0, 0, 1}, 1),
       "rejected at offset 29 (in SecurityBlock, which begins at 25): check "
       "\"enough bytes remain\" failed"},
  };
}

TEST(BirToolRejection, EveryCommandNamesTheOffsetAndTheFailingCheck) {
  ScopedTempDirectory dir;
  for (const Rejected& r : RejectedRecords()) {
    SCOPED_TRACE(r.name);
    const std::string file = std::string(r.name) + ".bir";
    WriteFileBytes(file, r.bytes);

    const ToolRun dump = RunBir({"dump", file});
    EXPECT_EQ(dump.exit_code, 1);
    EXPECT_EQ(dump.out.rfind(file + ": " + std::to_string(r.bytes.size()) +
                                 (r.bytes.size() == 1 ? " byte" : " bytes") +
                                 ", rejected\n",
                             0),
              0u)
        << dump.out;
    EXPECT_EQ(dump.err, "bir: " + file + ": " + r.message + "\n");

    const ToolRun json = RunBir({"json", file});
    EXPECT_EQ(json.exit_code, 1);
    EXPECT_EQ(json.out, "");
    EXPECT_EQ(json.err, "bir: " + file + ": " + r.message + "\n");

    const ToolRun check = RunBir({"check", file});
    EXPECT_EQ(check.exit_code, 1);
    EXPECT_EQ(check.out, file + ": " + r.message +
                             "\n1 file: 0 accepted, 1 not accepted\n");
  }
}

// The tool gives the same reason as the library's check, the page and the
// bindings for every record of the shared table.
TEST(BirToolRejection, SameReasonAsTheSharedTableOfDamagedRecords) {
  ScopedTempDirectory dir;
  for (const nlohmann::json& c : DamagedRecords()) {
    const std::string name = c.at("name").get<std::string>();
    SCOPED_TRACE(name);
    WriteFileBytes("damaged.bir", FromHex(c.at("hex").get<std::string>()));
    const ToolRun check = RunBir({"check", "damaged.bir"});
    EXPECT_EQ(check.exit_code, 1);
    EXPECT_EQ(check.out, "damaged.bir: " + c.at("reason").get<std::string>() +
                             "\n1 file: 0 accepted, 1 not accepted\n");
  }
}

TEST(BirToolRejection, DumpShowsTheFieldsBeforeTheFailingCheck) {
  ScopedTempDirectory dir;
  std::vector<unsigned char> bytes = MakeRecord(0, {});
  bytes[16] = 1;
  WriteFileBytes("reserved.bir", bytes);
  const ToolRun dump = RunBir({"dump", "reserved.bir"});
  EXPECT_NE(dump.out.find("    16       1  Reserved          1"),
            std::string::npos)
      << dump.out;
  EXPECT_EQ(dump.out.find("PresenceBitmap"), std::string::npos);
}

// The rows that the dump prints and the browser inspector shows carry the
// part, a period's element, what the part holds and the failing check.
TEST(BirToolDumpRows, IdentifyTheirFieldAndTheFailingCheck) {
  using inspect::Row;
  using inspect::RowKind;
  auto name_of = [](const Row& row) {
    return row.part < 0 ? "" : inspect::Part(row.part).name;
  };
  const std::vector<unsigned char> full = ReadTestData("full_record.bir");
  const std::vector<Row> rows = inspect::Walk(full).Rows();
  // Every part once, a validity period twice (start, end).
  ASSERT_EQ(rows.size(), std::size_t{BIOAPI_RECORD_PART_COUNT} + 2u);
  EXPECT_STREQ(name_of(rows[8]), "PresenceBitmap");
  EXPECT_EQ(rows[8].kind, RowKind::kHeader);
  EXPECT_EQ(rows[8].value, "0x007FFFFF");
  std::size_t periods = 0;
  for (const Row& row : rows) {
    ASSERT_GE(row.part, 0);
    EXPECT_EQ(row.check, nullptr);
    EXPECT_TRUE(row.whole);
    if (std::string(name_of(row)) == "BDBValidityPeriod") {
      EXPECT_EQ(row.element, static_cast<int>(periods % 2));
      EXPECT_EQ(row.kind, RowKind::kDateTime);
      EXPECT_EQ(row.name, periods % 2 == 0 ? "BDBValidityPeriod.start"
                                           : "BDBValidityPeriod.end");
      ++periods;
    }
  }
  EXPECT_EQ(periods, 2u);
  EXPECT_EQ(rows.back().kind, RowKind::kBlock);

  // A check after a part was read marks that part's row.
  std::vector<unsigned char> reserved = MakeRecord(0, {});
  reserved[16] = 1;
  std::vector<Row> rejected = inspect::Walk(reserved).Rows();
  ASSERT_EQ(rejected.size(), 8u);
  EXPECT_STREQ(name_of(rejected.back()), "Reserved");
  EXPECT_STREQ(rejected.back().check, "reserved byte is 0");
  EXPECT_TRUE(rejected.back().whole);

  // A part that the walk stopped in gets a row from its beginning to the
  // end of the record.
  const std::vector<unsigned char> cut = MakeRecord(0x80, {0x10, 0x00});
  rejected = inspect::Walk(cut).Rows();
  const Row& last = rejected.back();
  EXPECT_STREQ(name_of(last), "OctetString1");
  EXPECT_EQ(last.kind, RowKind::kBytes);
  EXPECT_EQ(last.offset, 21u);
  EXPECT_EQ(last.length, cut.size() - 21);
  EXPECT_FALSE(last.whole);
  EXPECT_STREQ(last.check, "enough bytes remain");
  EXPECT_EQ(last.value, "");

  // Bytes after the last field: a row of their own.
  const std::vector<Row> trailing =
      inspect::Walk(MakeRecord(0, {}, {0, 0, 0, 0, 7})).Rows();
  EXPECT_EQ(trailing.back().kind, RowKind::kTrailing);
  EXPECT_EQ(trailing.back().part, -1);
}

TEST(BirToolCheck, OneLinePerFileAndASummary) {
  ScopedTempDirectory dir;
  // Accepted, though the library reads past part of it: a byte after the
  // BDB and bit 31 of the presence bit-map.
  std::vector<unsigned char> trailing =
      MakeRecord(0x80000000u, {}, {0, 0, 0, 0, 7});
  WriteFileBytes("trailing.bir", trailing);
  WriteFileBytes("minimal.bir", ReadTestData("minimal.bir"));
  std::vector<unsigned char> bad = MakeRecord(0, {});
  bad[9] = 0;
  WriteFileBytes("bad.bir", bad);

  const ToolRun good = RunBir({"check", "minimal.bir", "trailing.bir"});
  EXPECT_EQ(good.exit_code, 0);
  EXPECT_EQ(good.out,
            "minimal.bir: accepted; re-encoding changes: BDBBiometricType "
            "added (always written), BDBBiometricSubtype added (always "
            "written), RegisteredId1 added (always written), "
            "BDBProcessedLevel added (always written), BDBPurpose added "
            "(always written), BDBQuality added (always written)\n"
            "trailing.bir: accepted; re-encoding changes: presence bits 23-31 "
            "cleared, BDBBiometricType added (always written), "
            "BDBBiometricSubtype added (always written), RegisteredId1 added "
            "(always written), BDBProcessedLevel added (always written), "
            "BDBPurpose added (always written), BDBQuality added (always "
            "written), 1 byte after the last field dropped\n"
            "2 files: 2 accepted, 0 not accepted\n");

  WriteFileBytes("field_by_field.bir", ReadTestData("field_by_field.bir"));
  const ToolRun mixed =
      RunBir({"check", "field_by_field.bir", "missing.bir", "bad.bir", "."});
  EXPECT_EQ(mixed.exit_code, 1);
  EXPECT_EQ(mixed.out,
            "field_by_field.bir: accepted (40 bytes)\n"
            "missing.bir: cannot read: no such file\n"
            "bad.bir: rejected at offset 9 (HeaderRevision): check \"header "
            "revision is 0x01\" failed\n"
            ".: cannot read: is a directory\n"
            "4 files: 1 accepted, 3 not accepted\n");
}

TEST(BirToolCheck, NamesWhatReencodingAnAcceptedRecordChanges) {
  const std::vector<unsigned char> always_fields = {
      8, 0, 0, 0, 1, 0, 0, 0, 0, 2, 1, 80};  // type to quality
  const std::uint32_t always = 0x3407;
  auto with = [&](std::size_t at, std::vector<unsigned char> extra) {
    std::vector<unsigned char> fields = always_fields;
    fields.insert(fields.begin() + static_cast<std::ptrdiff_t>(at),
                  extra.begin(), extra.end());
    return fields;
  };
  std::vector<unsigned char> option_byte =
      MakeRecord(always, always_fields, {0, 0, 0, 0, 1, 0, 0, 0, 9}, 2);
  const struct {
    const char* name;
    std::vector<unsigned char> record;
    const char* changes;  // null: canonical
  } cases[] = {
      {"canonical", MakeRecord(always, always_fields), nullptr},
      {"creation date at midnight",
       MakeRecord(always | 0x100, with(9, {0xEA, 0x07, 1, 1, 0, 0, 0})),
       nullptr},
      {"security option, no SB",
       MakeRecord(always, always_fields, {0, 0, 0, 0}, 1), nullptr},
      {"BDBQuality missing",
       MakeRecord(always & ~0x2000u,
                  std::vector<unsigned char>(always_fields.begin(),
                                             always_fields.end() - 1)),
       "BDBQuality added (always written)"},
      {"RegisteredId8 with a zero half",
       MakeRecord(always | 0x400000, with(12, {0, 0, 7, 0})),
       "RegisteredId8 with a zero half left out"},
      {"empty OctetString3 and OctetString4",
       MakeRecord(always | 0x60000, with(12, {0, 0, 0, 0})),
       "empty OctetString3 left out, empty OctetString4 left out"},
      {"option byte 2", option_byte,
       "EncryptionOption byte 0x02 written as 0x01"},
      {"empty SB",
       MakeRecord(always, always_fields, {0, 0, 0, 0, 0, 0, 0, 0}, 1),
       "empty SecurityBlock left out"},
      {"SB without a security option",
       MakeRecord(always, always_fields, {0, 0, 0, 0, 1, 0, 0, 0, 9}),
       "5 bytes after the last field dropped"},
  };
  ScopedTempDirectory dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes("r.bir", c.record);
    const ToolRun check = RunBir({"check", "r.bir"});
    EXPECT_EQ(check.exit_code, 0);
    const std::string line =
        c.changes == nullptr
            ? "accepted (" + std::to_string(c.record.size()) + " bytes)"
            : std::string("accepted; re-encoding changes: ") + c.changes;
    EXPECT_EQ(check.out,
              "r.bir: " + line + "\n1 file: 1 accepted, 0 not accepted\n");
  }
}

TEST(BirToolFiles, MissingFilesFailWithExitCodeOne) {
  ScopedTempDirectory dir;
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{
           {"dump", "missing.bir"},
           {"json", "missing.bir"},
           {"encode", "missing.json", "-o", "out.bir"},
           {"check", "missing.bir"}}) {
    SCOPED_TRACE(args[0]);
    const ToolRun run = RunBir(args);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE((run.err + run.out).find("missing."), std::string::npos);
    EXPECT_NE((run.err + run.out).find("cannot read: no such file"),
              std::string::npos);
  }
  EXPECT_FALSE(fs::exists("out.bir"));
}

TEST(BirToolArguments, BadArgumentsExitWithTwoAndNameTheArgument) {
  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const Case cases[] = {
      {{}, "subcommand is required"},
      {{"frobnicate"}, "unknown command \"frobnicate\""},
      {{"dump"}, "FILE is required"},
      {{"dump", "a.bir", "b.bir"}, "not expected: b.bir"},
      {{"dump", "--bogus", "a.bir"}, "not expected: --bogus"},
      {{"check"}, "FILE is required"},
      {{"encode", "a.json"}, "--output is required"},
      {{"encode", "-o", "a.bir"}, "FILE.json is required"},
      {{"explain"}, "CODE is required"},
      {{"explain", "0xZZ"}, "CODE: \"0xZZ\" is not a 32-bit code"},
      {{"explain", "0x100000000"}, "CODE: \"0x100000000\" is not a 32-bit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named);
    const ToolRun run = RunBir(c.args);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
  }
}

TEST(BirToolArguments, HelpForTheToolAndEachCommand) {
  const ToolRun tool = RunBir({"--help"});
  EXPECT_EQ(tool.exit_code, 0);
  for (const char* command : {"dump", "json", "encode", "check", "explain"}) {
    EXPECT_NE(tool.out.find(command), std::string::npos) << command;
    const ToolRun help = RunBir({command, "--help"});
    EXPECT_EQ(help.exit_code, 0) << command;
    EXPECT_NE(help.out.find(std::string("Usage: bir ") + command),
              std::string::npos)
        << help.out;
  }
  EXPECT_NE(RunBir({"encode", "--help"}).out.find("--force"),
            std::string::npos);
}

// Whatever a command lets escape ends in a message and exit code 1, never in
// std::terminate; the library's exception is deleted (the sanitize preset
// would report a leak).
TEST(BirToolErrors, EveryExceptionReachesTheHandler) {
  const struct {
    const char* what;
    std::function<int()> command;
    const char* message;
  } cases[] = {
      {"library", []() -> int { throw new BioAPIException(Unit, 0x10B); },
       "bir: BioAPI Error: Invalid Data. (Source: Unit).\n"},
      {"standard", []() -> int { throw std::runtime_error("broken"); },
       "bir: broken\n"},
      {"memory", []() -> int { throw std::bad_alloc(); },
       "bir: out of memory\n"},
      {"none", [] { return 0; }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::ostringstream err;
    EXPECT_EQ(bir_tool::RunReportingErrors(c.command, err),
              c.message[0] == '\0' ? 0 : 1);
    EXPECT_EQ(err.str(), c.message);
  }
}

TEST(BirToolExplain, PrintsTheLibraryMessageOfEachCode) {
  const ToolRun run = RunBir(
      {"explain", "0x0200010B", "267", "0x01000102", "-1", "4294967295"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out,
            "0x0200010B: BioAPI Error: Invalid Data. (Source: Unit).\n"
            "0x0000010B: BioAPI Error: Invalid Data. (Source: Framework).\n"
            "0x01000102: BioAPI Memory Error. (Source: BSP).\n"
            "0xFFFFFFFF: BioAPI Error - Error not identified. (Source: "
            "Framework).\n"
            "0xFFFFFFFF: BioAPI Error - Error not identified. (Source: "
            "Framework).\n");
}

TEST(BirToolExplain, CodesInHexOrDecimal) {
  const struct {
    const char* text;
    std::optional<std::int32_t> code;
  } cases[] = {
      {"0x0200010B", 0x0200010B},
      {"0X0200010b", 0x0200010B},
      {"33554699", 0x0200010B},
      {"0", 0},
      {"-1", -1},
      {"4294967295", -1},
      {"0xFFFFFFFF", -1},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", -2147483647 - 1},
      {"", std::nullopt},
      {"0x", std::nullopt},
      {"-", std::nullopt},
      {"0x100000000", std::nullopt},
      {"4294967296", std::nullopt},
      {"-2147483649", std::nullopt},
      {"12a", std::nullopt},
      {"0x-1", std::nullopt},
      {" 1", std::nullopt},
      {"+1", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bir_tool::ParseCode(c.text), c.code) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace testing
}  // namespace BioAPI_Data
