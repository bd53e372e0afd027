/// @file
/// The record inside the record: what the biometric data block of a BIR
/// holds, read from its own general header and the headers of its views or
/// representations (finger minutiae, finger image, face and iris records of
/// ISO/IEC 19794 and ANSI/INCITS 378 and 381). Link `bioapi_data::inspect`.
///
/// A summary never changes the verdict on the BIR: what disagrees (the
/// header's BDBFormat against the content, the declared length against the
/// block's size, a block that ends too soon) is a note. Only headers are
/// read, never an image or the minutiae, and never a byte past the block,
/// whatever its counts and lengths claim.
#ifndef BIOAPI_DATA_INSPECT_BDB_H_
#define BIOAPI_DATA_INSPECT_BDB_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bioapi_data/bioapi_inspect_c.h"
#include "bioapi_data/bir.h"
#include "bioapi_data/export.h"
#include "bioapi_data/inspect.h"
#include "bioapi_data/inspect_export.h"

BIOAPI_DATA_BEGIN_EXPORTS

namespace BioAPI_Data {
namespace inspect {

/// A record format that a BDB may hold; the values are the C interface's
/// BIOAPI_BDB_FORMAT_ constants.
enum class BdbFormat : int {
  kNone = BIOAPI_BDB_FORMAT_NONE,  ///< Not recognised.
  kAnsi378_2004 = BIOAPI_BDB_FORMAT_ANSI378_2004,
  kIso19794_2_2005 = BIOAPI_BDB_FORMAT_ISO19794_2_2005,
  kAnsi378_2009 = BIOAPI_BDB_FORMAT_ANSI378_2009,
  kAnsi378Draft2007 = BIOAPI_BDB_FORMAT_ANSI378_DRAFT2007,
  kIso19794_2_2011 = BIOAPI_BDB_FORMAT_ISO19794_2_2011,
  kIso19794_4_2005 = BIOAPI_BDB_FORMAT_ISO19794_4_2005,
  kAnsi381_2004 = BIOAPI_BDB_FORMAT_ANSI381_2004,
  kIso19794_4_2011 = BIOAPI_BDB_FORMAT_ISO19794_4_2011,
  kIso19794_5_2005 = BIOAPI_BDB_FORMAT_ISO19794_5_2005,
  kIso19794_5_2011 = BIOAPI_BDB_FORMAT_ISO19794_5_2011,
  kIso19794_6_2005 = BIOAPI_BDB_FORMAT_ISO19794_6_2005,
  kIso19794_6_Irex = BIOAPI_BDB_FORMAT_ISO19794_6_IREX,
  kIso19794_6_2011 = BIOAPI_BDB_FORMAT_ISO19794_6_2011,
};

/// Returns the name of `format`, e.g. "ISO/IEC 19794-2:2005 finger
/// minutiae" (static), or nullptr for a number that names none.
BIOAPI_DATA_INSPECT_API const char* BdbFormatName(BdbFormat format);

/// What a note on a BDB says; the values are the BIOAPI_BDB_NOTE_ constants.
enum class BdbNoteKind : int {
  kNotRecognised = BIOAPI_BDB_NOTE_NOT_RECOGNISED,  ///< No format read.
  kFormat = BIOAPI_BDB_NOTE_FORMAT,  ///< BDBFormat and the content disagree.
  kBiometricType = BIOAPI_BDB_NOTE_BIOMETRIC_TYPE,  ///< The type disagrees.
  kLength = BIOAPI_BDB_NOTE_LENGTH,                 ///< A length disagrees.
  kTruncated = BIOAPI_BDB_NOTE_TRUNCATED,  ///< The block ends too soon.
};

/// A disagreement found while summarising a BDB.
struct BdbNote {
  BdbNoteKind kind;    ///< What it says.
  std::size_t offset;  ///< Where it applies (as BdbRow::offset).
  std::string text;    ///< E.g. "the record declares 240 bytes; ...".
};

/// One row of the summary: a header field, a view or representation (a
/// group whose fields follow one level deeper), or the extent of a payload
/// that is not read. A row keeps what it read (its number, its first bytes)
/// and writes its texts when asked, so that a summary costs a few
/// allocations whatever the record.
struct BdbRow {
  std::size_t offset;  ///< Where its bytes begin: the BDB's offset plus the
                       ///< field's place in the BDB.
  std::size_t length;  ///< How many bytes it covers.
  int depth;           ///< 0 for the general header, 1 inside a view, ...
  const char* name;    ///< E.g. "RecordLength", or "View" for "View 2".
  int index;           ///< A numbered row's number from 1 ("View 2"); else 0.
  /// For a group: the list it belongs to ("Views", "Faces", ...); else "".
  const char* list;
  /// The field's number, when it is one; JSON writes it as the value.
  std::optional<std::uint64_t> number;
  /// True for bytes that the summary measures but does not read (an image,
  /// the minutiae, landmarks, extended data).
  bool payload;

  /// Returns its name with its number, e.g. "View 2".
  BIOAPI_DATA_INSPECT_API std::string Name() const;
  /// Returns its value as text, with names where known.
  BIOAPI_DATA_INSPECT_API std::string Value() const;
  /// Returns its first 16 bytes in hex, "..." after them when it is longer.
  BIOAPI_DATA_INSPECT_API std::string Bytes() const;

  /// How Value() words the row (not for callers).
  std::string (*describe)(std::uint64_t number, std::size_t length);
  const char* static_text;  ///< A fixed text, or nullptr.
  std::string text;         ///< A text made when read, when neither applies.
  std::uint64_t first[2];   ///< Its first bytes, eight a word from the top ...
  unsigned shown;           ///< ... this many of them.
};

/// What a BDB holds, by its own headers.
struct BdbSummary {
  BdbFormat format = BdbFormat::kNone;  ///< The format read, or kNone.
  /// The format that the BIR's BDBFormat names, or nullptr (static).
  const char* named = nullptr;
  /// Where the BDB begins in its record (0 when summarised alone).
  std::size_t base = 0;
  std::size_t size = 0;        ///< The BDB's size.
  std::vector<BdbRow> rows;    ///< In BDB order; empty when not recognised.
  std::vector<BdbNote> notes;  ///< The disagreements, in the order found.

  /// Returns true when a format was recognised.
  bool Recognised() const { return format != BdbFormat::kNone; }
};

/// Summarises the `size` bytes at `bdb` (not kept), the BDB of a record whose
/// BDBFormat is `format` and whose BDBBiometricType is `type` (none when the
/// record lacks it); `base` is where the BDB begins in its record. Reads
/// headers only. Never throws for any bytes. Throws std::bad_alloc.
BIOAPI_DATA_INSPECT_API BdbSummary
SummarizeBdb(const unsigned char* bdb, std::size_t size, RegistryID format,
             std::optional<BiometricType> type, std::size_t base = 0);

/// Summarises the BDB in `bdb`; see SummarizeBdb(const unsigned char*, ...).
inline BdbSummary SummarizeBdb(const std::vector<unsigned char>& bdb,
                               RegistryID format,
                               std::optional<BiometricType> type) {
  return SummarizeBdb(bdb.data(), bdb.size(), format, type);
}

/// Summarises the BDB of `bir`, with its BDBFormat and BDBBiometricType.
BIOAPI_DATA_INSPECT_API BdbSummary SummarizeBdb(const BIR& bir);

/// Summarises the BDB of the accepted record in the `size` bytes at `data`
/// (offsets from the record's first byte); an empty summary for a rejected
/// record.
BIOAPI_DATA_INSPECT_API BdbSummary SummarizeRecordBdb(const unsigned char* data,
                                                      std::size_t size);

/// Returns `summary` as a JSON object, the one that `bir json` writes as
/// "BiometricDataSummary": "Format" (null when not recognised), the header's
/// fields by name (numbers as numbers), each list of views or
/// representations as an array of objects, and "Notes", an array of texts.
BIOAPI_DATA_INSPECT_API std::string BdbSummaryJson(const BdbSummary& summary);

/// Returns `fields` as JSON text as ToJson(const RecordFields&) does, with
/// `bdb` as the BDB's summary: for a caller that has summarised the BDB
/// already, or that no longer holds it.
BIOAPI_DATA_INSPECT_API std::string ToJson(const RecordFields& fields,
                                           const BdbSummary& bdb);

}  // namespace inspect
}  // namespace BioAPI_Data

BIOAPI_DATA_END_EXPORTS

#endif  // BIOAPI_DATA_INSPECT_BDB_H_
