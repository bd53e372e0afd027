// The summary of the record inside a BDB: the public sample records wrapped
// into BIRs, the header's format against the content, the notes, and
// hostile blocks that claim more than they hold.
#include "bioapi_data/inspect_bdb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bioapi_data/bioapi_inspect_c.h"
#include "bioapi_data/inspect.h"
#include "test_files.h"

namespace BioAPI_Data {
namespace inspect {
namespace {

using testing::ReadTestData;

constexpr RegistryID kAnsiMinutiae{0x001B, 0x0201};
constexpr RegistryID kIsoMinutiae{0x0101, 0x0002};
constexpr RegistryID kIsoFace{0x0101, 0x0008};
constexpr RegistryID kIsoIris{0x0101, 0x0009};

std::vector<unsigned char> Sample(const std::string& name) {
  return ReadTestData("bdb/" + name);
}

// A record holding `bdb`, named by `format`.
std::vector<unsigned char> Wrapped(const std::vector<unsigned char>& bdb,
                                   RegistryID format, BiometricType type) {
  BIR bir;
  bir.BDBFormat = format;
  bir.BDBBiometricType = type;
  bir.BiometricData = bdb;
  return bir.Encode();
}

// The number of the first row called `name` (at any depth), or -1.
long long NumberOf(const BdbSummary& s, const std::string& name) {
  for (const BdbRow& row : s.rows) {
    if (row.name == name && row.number) {
      return static_cast<long long>(*row.number);
    }
  }
  return -1;
}

std::vector<BdbNoteKind> Kinds(const BdbSummary& s) {
  std::vector<BdbNoteKind> kinds;
  for (const BdbNote& note : s.notes) kinds.push_back(note.kind);
  return kinds;
}

std::string Notes(const BdbSummary& s) {
  std::string text;
  for (const BdbNote& note : s.notes) text += note.text + "\n";
  return text;
}

// Every row lies inside the BDB, and every group row covers its fields.
void ExpectInsideTheBlock(const BdbSummary& s) {
  for (const BdbRow& row : s.rows) {
    EXPECT_GE(row.offset, s.base) << row.name;
    EXPECT_LE(row.offset + row.length, s.base + s.size) << row.name;
  }
}

struct SampleCase {
  const char* file;
  RegistryID named;
  BiometricType type;
  BdbFormat format;
  const char* count_field;
  long long count;
  long long first_count;  // The first view's minutiae count, or -1.
  std::vector<BdbNoteKind> notes;
};

TEST(BdbSummary, ReadsEachSampleAsItsSourceDescribesIt) {
  using K = BdbNoteKind;
  const SampleCase cases[] = {
      {"biomdi_fingerminutia_ANSI-INCITS-378_2004_Appendix-B2_Example.raw",
       kAnsiMinutiae,
       BiometricType::Fingerprint,
       BdbFormat::kAnsi378_2004,
       "ViewCount",
       2,
       27,
       {}},
      // Declares 340 bytes; its views end at its 341st.
      {"biomdi_fingerminutia_ISO-19794-2_2005_Appendix-C2_Example.raw",
       kIsoMinutiae,
       BiometricType::Fingerprint,
       BdbFormat::kIso19794_2_2005,
       "ViewCount",
       2,
       27,
       {K::kLength}},
      // Its views end two bytes before the record does.
      {"libbiomeval_fmr.ansi2004",
       kAnsiMinutiae,
       BiometricType::Fingerprint,
       BdbFormat::kAnsi378_2004,
       "ViewCount",
       3,
       27,
       {K::kLength}},
      {"libbiomeval_fmr.ansi2007",
       kAnsiMinutiae,
       BiometricType::Fingerprint,
       BdbFormat::kAnsi378Draft2007,
       "ViewCount",
       2,
       27,
       {}},
      // View 2 declares 42 bytes of extended data; 41 remain.
      {"libbiomeval_fmr.iso2005",
       kIsoMinutiae,
       BiometricType::Fingerprint,
       BdbFormat::kIso19794_2_2005,
       "ViewCount",
       2,
       27,
       {K::kTruncated}},
      {"libbiomeval_face01.iso2005",
       kIsoFace,
       BiometricType::FacialFeatures,
       BdbFormat::kIso19794_5_2005,
       "FaceCount",
       1,
       -1,
       {}},
      {"biomdi_iris_ISO-IEC-19794-6_2005_Sample-2Eyes.raw",
       kIsoIris,
       BiometricType::Iris,
       BdbFormat::kIso19794_6_2005,
       "EyeCount",
       2,
       -1,
       {}},
      {"biomdi_iris_IREX_IREX-Sample.raw",
       kIsoIris,
       BiometricType::Iris,
       BdbFormat::kIso19794_6_Irex,
       "EyeCount",
       1,
       -1,
       {}},
      // The representation says 7466 bytes; its image ends 5 bytes later.
      {"libbiomeval_iris01.iso2011",
       kIsoIris,
       BiometricType::Iris,
       BdbFormat::kIso19794_6_2011,
       "RepresentationCount",
       1,
       -1,
       {K::kLength}},
      // Written here from the layouts: one representation or view each.
      {"synthetic_iso19794_2_2011.bin",
       kIsoMinutiae,
       BiometricType::Fingerprint,
       BdbFormat::kIso19794_2_2011,
       "RepresentationCount",
       1,
       2,
       {}},
      {"synthetic_iso19794_4_2005.bin",
       RegistryID{0x0101, 0x0007},
       BiometricType::Fingerprint,
       BdbFormat::kIso19794_4_2005,
       "ImageCount",
       1,
       -1,
       {}},
      {"synthetic_iso19794_4_2011.bin",
       RegistryID{0x0101, 0x0007},
       BiometricType::Fingerprint,
       BdbFormat::kIso19794_4_2011,
       "RepresentationCount",
       1,
       -1,
       {}},
      {"synthetic_iso19794_5_2011.bin",
       kIsoFace,
       BiometricType::FacialFeatures,
       BdbFormat::kIso19794_5_2011,
       "RepresentationCount",
       1,
       -1,
       {}},
  };
  for (const SampleCase& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<unsigned char> bdb = Sample(c.file);
    const std::vector<unsigned char> record = Wrapped(bdb, c.named, c.type);
    const BdbSummary s = SummarizeRecordBdb(record.data(), record.size());
    EXPECT_EQ(s.format, c.format);
    EXPECT_EQ(s.size, bdb.size());
    EXPECT_EQ(s.base, record.size() - bdb.size());
    EXPECT_EQ(NumberOf(s, c.count_field), c.count);
    EXPECT_EQ(NumberOf(s, "MinutiaeCount"), c.first_count);
    EXPECT_EQ(Kinds(s), c.notes) << Notes(s);
    ExpectInsideTheBlock(s);
    // The same block alone: the same rows, offsets from its first byte.
    const BdbSummary alone =
        SummarizeBdb(bdb.data(), bdb.size(), c.named, c.type);
    ASSERT_EQ(alone.rows.size(), s.rows.size());
    EXPECT_EQ(alone.rows[0].offset, 0u);
  }
}

TEST(BdbSummary, NotesSayByHowMuchAndHowFar) {
  const BdbSummary c2 = SummarizeBdb(
      Sample("biomdi_fingerminutia_ISO-19794-2_2005_Appendix-C2_Example.raw"),
      kIsoMinutiae, BiometricType::Fingerprint);
  ASSERT_EQ(c2.notes.size(), 1u);
  EXPECT_EQ(c2.notes[0].text,
            "the record declares 340 bytes; the BDB holds 341 (1 more)");
  EXPECT_EQ(c2.notes[0].offset, 8u);

  const BdbSummary iso = SummarizeBdb(Sample("libbiomeval_fmr.iso2005"),
                                      kIsoMinutiae, std::nullopt);
  ASSERT_EQ(iso.notes.size(), 1u);
  EXPECT_EQ(iso.notes[0].text,
            "the BDB ends inside ExtendedData at byte 330: it needs 42 bytes, "
            "41 remain; the summary stops there");

  const BdbSummary ansi = SummarizeBdb(Sample("libbiomeval_fmr.ansi2004"),
                                       kAnsiMinutiae, std::nullopt);
  EXPECT_EQ(Notes(ansi),
            "its content ends at byte 1236 of the BDB: 2 bytes after it not "
            "read\n");
}

// tests/data/full_record.bir is kept on purpose as the fixture of the notes:
// its header names ANSI 378 minutiae, its 27-byte BDB is shaped like an ISO
// 19794-2:2005 record that declares 240 bytes and stops inside its view.
TEST(BdbSummary, TheFullRecordIsTheFixtureOfTheNotes) {
  const std::vector<unsigned char> record = ReadTestData("full_record.bir");
  const BdbSummary s = SummarizeRecordBdb(record.data(), record.size());
  EXPECT_EQ(s.format, BdbFormat::kIso19794_2_2005);
  EXPECT_STREQ(s.named, "ANSI/INCITS 378 finger minutiae");
  EXPECT_EQ(Kinds(s), (std::vector<BdbNoteKind>{BdbNoteKind::kFormat,
                                                BdbNoteKind::kLength,
                                                BdbNoteKind::kTruncated}))
      << Notes(s);
  EXPECT_EQ(s.notes[1].text,
            "the record declares 240 bytes; the BDB holds 27 (213 fewer)");
  // The BIR itself is accepted as it always was.
  EXPECT_TRUE(CheckRecord(record).Accepted());
}

TEST(BdbSummary, TheHeaderDecidesWhatTheContentLeavesOpen) {
  // " 20" is both ANSI 378-2004 and ISO 19794-2:2005: the content's length
  // field tells them apart, and a header naming the other is noted.
  const auto ansi = Sample("libbiomeval_fmr.ansi2004");
  const BdbSummary as_iso = SummarizeBdb(ansi, kIsoMinutiae, std::nullopt);
  EXPECT_EQ(as_iso.format, BdbFormat::kAnsi378_2004);
  ASSERT_FALSE(as_iso.notes.empty());
  EXPECT_EQ(as_iso.notes[0].kind, BdbNoteKind::kFormat);
  EXPECT_EQ(as_iso.notes[0].text,
            "BDBFormat 0x0101/0x0002 names ISO/IEC 19794-2 finger minutiae, "
            "but the BDB holds ANSI/INCITS 378-2004 finger minutiae");
  // A header that names no format: the content alone, without a note on it.
  const BdbSummary unnamed =
      SummarizeBdb(ansi, RegistryID{0x0031, 0x0005}, std::nullopt);
  EXPECT_EQ(unnamed.format, BdbFormat::kAnsi378_2004);
  EXPECT_EQ(unnamed.named, nullptr);
  EXPECT_EQ(Kinds(unnamed), std::vector<BdbNoteKind>{BdbNoteKind::kLength});
  // A face record under a minutiae header, and a finger type on a face.
  const BdbSummary face =
      SummarizeBdb(Sample("libbiomeval_face01.iso2005"), kAnsiMinutiae,
                   BiometricType::Fingerprint);
  EXPECT_EQ(face.format, BdbFormat::kIso19794_5_2005);
  EXPECT_EQ(Kinds(face),
            (std::vector<BdbNoteKind>{BdbNoteKind::kFormat,
                                      BdbNoteKind::kBiometricType}));
  EXPECT_EQ(face.notes[1].text,
            "BDBBiometricType 8 (Fingerprint) is not face, which ISO/IEC "
            "19794-5:2005 face image records");
  // A type of several modalities that include the format's is no conflict.
  const BdbSummary multi =
      SummarizeBdb(Sample("libbiomeval_face01.iso2005"), kIsoFace,
                   static_cast<BiometricType>(0x0A));
  EXPECT_TRUE(multi.notes.empty()) << Notes(multi);
}

TEST(BdbSummary, AnUnrecognisedBlockGivesItsFirstBytes) {
  const std::vector<unsigned char> bytes = {0xAA, 0xBB, 0xCC};
  const BdbSummary plain =
      SummarizeBdb(bytes.data(), bytes.size(), RegistryID{1, 2}, std::nullopt);
  EXPECT_FALSE(plain.Recognised());
  EXPECT_TRUE(plain.rows.empty());
  EXPECT_EQ(Notes(plain), "not recognised; it begins AA BB CC\n");
  const BdbSummary named =
      SummarizeBdb(bytes.data(), bytes.size(), kIsoIris, std::nullopt);
  EXPECT_EQ(Kinds(named),
            (std::vector<BdbNoteKind>{BdbNoteKind::kFormat,
                                      BdbNoteKind::kNotRecognised}));
  // An empty block says nothing unless its header names a format.
  EXPECT_TRUE(
      SummarizeBdb(nullptr, 0, RegistryID{1, 2}, std::nullopt).notes.empty());
  EXPECT_EQ(Notes(SummarizeBdb(nullptr, 0, kIsoIris, std::nullopt)),
            "BDBFormat 0x0101/0x0009 names ISO/IEC 19794-6 iris image, but "
            "the BDB is empty\n");
}

// Every prefix of every sample: no read past the cut, a note on how far the
// summary got, never a row outside the bytes.
TEST(BdbSummary, EveryCutOfEverySampleStaysInsideIt) {
  const char* files[] = {
      "biomdi_fingerminutia_ANSI-INCITS-378_2004_Appendix-B2_Example.raw",
      "libbiomeval_fmr.ansi2007",
      "libbiomeval_fmr.iso2005",
      "libbiomeval_face01.iso2005",
      "libbiomeval_iris01.iso2011",
      "biomdi_iris_ISO-IEC-19794-6_2005_Sample-2Eyes.raw"};
  for (const char* file : files) {
    SCOPED_TRACE(file);
    const std::vector<unsigned char> bdb = Sample(file);
    const std::size_t longest = std::min<std::size_t>(bdb.size(), 600);
    for (std::size_t size = 0; size < longest; ++size) {
      // A copy of exactly `size` bytes, so that a sanitizer sees any overrun.
      const std::vector<unsigned char> cut(bdb.data(), bdb.data() + size);
      const BdbSummary s =
          SummarizeBdb(cut.data(), cut.size(), RegistryID{0, 0}, std::nullopt);
      ExpectInsideTheBlock(s);
      if (s.Recognised() && size < 24) {
        EXPECT_FALSE(s.notes.empty()) << size;
      }
    }
  }
}

TEST(BdbSummary, CountsThatClaimMoreThanTheBlockHolds) {
  std::vector<unsigned char> bdb = Sample("libbiomeval_face01.iso2005");
  bdb[12] = 0xFF;  // 65,535 faces
  bdb[13] = 0xFF;
  bdb[14] = 0x7F;  // the first face's block: 2 GiB
  const BdbSummary s = SummarizeBdb(bdb, kIsoFace, std::nullopt);
  ExpectInsideTheBlock(s);
  ASSERT_FALSE(s.notes.empty());
  EXPECT_EQ(s.notes.back().kind, BdbNoteKind::kTruncated) << Notes(s);
}

TEST(BdbSummary, JsonBesideTheBlockIsReadOnly) {
  const std::vector<unsigned char> record =
      Wrapped(Sample("libbiomeval_fmr.ansi2007"), kAnsiMinutiae,
              BiometricType::Fingerprint);
  const std::string json = ToJson(ReadFields(record.data(), record.size()));
  const auto at = json.find("\"BiometricDataSummary\": {");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(json.find("\"Format\": \"ANSI/INCITS 378 finger minutiae, 2007 "
                      "draft\""),
            std::string::npos);
  EXPECT_NE(json.find("\"MinutiaeCount\": 27"), std::string::npos);
  // Read back without it, and with a summary that no longer agrees.
  EXPECT_EQ(EncodeChecked(FromJson(json)).bytes, record);
  std::string edited = json;
  edited.replace(at, std::strlen("\"BiometricDataSummary\": {"),
                 "\"BiometricDataSummary\": {\"Format\": 7, \"x\": [],");
  EXPECT_EQ(EncodeChecked(FromJson(edited)).bytes, record);
}

TEST(BdbSummary, TheCInterfaceGivesRowsAndNotes) {
  const std::vector<unsigned char> record = ReadTestData("full_record.bir");
  bioapi_record_walk* walk = nullptr;
  ASSERT_EQ(bioapi_inspect_walk(record.data(), record.size(), &walk),
            BIOAPI_OK);
  const bioapi_bdb_summary* summary = nullptr;
  ASSERT_EQ(bioapi_inspect_walk_bdb(walk, &summary), BIOAPI_OK);
  bioapi_bdb_info info{};
  info.struct_size = sizeof info;
  ASSERT_EQ(bioapi_inspect_bdb_info(summary, &info), BIOAPI_OK);
  EXPECT_EQ(info.format, BIOAPI_BDB_FORMAT_ISO19794_2_2005);
  EXPECT_STREQ(info.format_name, "ISO/IEC 19794-2:2005 finger minutiae");
  EXPECT_EQ(info.offset, 163u);
  EXPECT_EQ(info.size, 27u);
  ASSERT_EQ(info.note_count, 3u);
  bioapi_bdb_row row{};
  row.struct_size = sizeof row;
  ASSERT_EQ(bioapi_inspect_bdb_row(summary, 1, &row), BIOAPI_OK);
  EXPECT_STREQ(row.name, "RecordLength");
  EXPECT_EQ(row.offset, 171u);
  EXPECT_EQ(row.has_number, 1);
  EXPECT_EQ(row.number, 240u);
  EXPECT_EQ(bioapi_inspect_bdb_row(summary, info.row_count, &row),
            BIOAPI_ERROR_INVALID_PARAMETER);
  bioapi_bdb_note note{};
  note.struct_size = sizeof note;
  ASSERT_EQ(bioapi_inspect_bdb_note(summary, 1, &note), BIOAPI_OK);
  EXPECT_EQ(note.kind, BIOAPI_BDB_NOTE_LENGTH);
  EXPECT_STREQ(note.text,
               "the record declares 240 bytes; the BDB holds 27 (213 fewer)");
  note.struct_size = 4;
  EXPECT_EQ(bioapi_inspect_bdb_note(summary, 0, &note),
            BIOAPI_ERROR_INVALID_PARAMETER);
  char* text = nullptr;
  std::size_t size = 0;
  ASSERT_EQ(bioapi_inspect_bdb_json(summary, &text, &size), BIOAPI_OK);
  EXPECT_EQ(std::string(text, size).rfind("{\"Format\":", 0), 0u);
  bioapi_inspect_free(text);
  bioapi_inspect_walk_free(walk);

  // From a record in memory: offsets from the BDB's first byte.
  bioapi_bir* bir = nullptr;
  ASSERT_EQ(bioapi_bir_decode(record.data(), record.size(), &bir), BIOAPI_OK);
  bioapi_bdb_summary* own = nullptr;
  ASSERT_EQ(bioapi_inspect_bdb_summary(bir, &own), BIOAPI_OK);
  ASSERT_EQ(bioapi_inspect_bdb_info(own, &info), BIOAPI_OK);
  EXPECT_EQ(info.offset, 0u);
  EXPECT_EQ(info.note_count, 3u);
  bioapi_inspect_bdb_free(own);
  bioapi_bir_destroy(bir);
  EXPECT_EQ(bioapi_inspect_bdb_summary(nullptr, &own),
            BIOAPI_ERROR_INVALID_POINTER);
  EXPECT_EQ(bioapi_inspect_bdb_format_name(BIOAPI_BDB_FORMAT_NONE), nullptr);
}

}  // namespace
}  // namespace inspect
}  // namespace BioAPI_Data
