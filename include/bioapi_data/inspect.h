/// @file
/// The inspection library: why the library rejects a record, what
/// re-encoding an accepted one changes, the annotated rows of a record, and
/// its fields as JSON both ways. Link `bioapi_data::inspect`.
///
/// The core's decoder only says whether a record is accepted: its
/// `BioAPIException*` keeps its one code and text. These functions read the
/// same bytes with the same decoding walk and say why.
#ifndef BIOAPI_DATA_INSPECT_H_
#define BIOAPI_DATA_INSPECT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bioapi_data/bioapi_inspect_c.h"
#include "bioapi_data/bir.h"
#include "bioapi_data/export.h"
#include "bioapi_data/inspect_export.h"

BIOAPI_DATA_BEGIN_EXPORTS

namespace BioAPI_Data {
/// The inspection library.
namespace inspect {

/// What a part of a record holds; the values are the C interface's
/// BIOAPI_ROW_KIND_ constants.
enum class RowKind : int {
  kHeader = BIOAPI_ROW_KIND_HEADER,  ///< A header part that `BIR` lacks.
  kNumber = BIOAPI_ROW_KIND_NUMBER,  ///< A version byte or the quality.
  kBool = BIOAPI_ROW_KIND_BOOL,      ///< A security option.
  kEnum = BIOAPI_ROW_KIND_ENUM,      ///< A value of an enumeration.
  kRegistryId = BIOAPI_ROW_KIND_REGISTRY_ID,  ///< A registry identifier.
  kBytes = BIOAPI_ROW_KIND_BYTES,             ///< A byte string.
  kDateTime = BIOAPI_ROW_KIND_DATETIME,       ///< A date-time or half a period.
  kBlock = BIOAPI_ROW_KIND_BLOCK,             ///< The BDB or the SB.
  kTrailing = BIOAPI_ROW_KIND_TRAILING,       ///< Bytes after the last field.
};

/// Returns the word of `kind` ("header", "number", ...; static).
BIOAPI_DATA_INSPECT_API const char* RowKindName(RowKind kind);

/// One part of a record (see bioapi_record_part): the header fields, the
/// optional fields in bit order, the BDB and the SB.
struct PartInfo {
  const char* name;  ///< E.g. "TotalLength" (static).
  int field;         ///< Its bioapi_bir_field, or -1 when `BIR` lacks it.
  RowKind kind;      ///< What it holds.
  int bit;           ///< Its presence bit, or -1.
};

/// Returns part `part`, 0 to BIOAPI_RECORD_PART_COUNT - 1. Throws
/// std::out_of_range for any other number.
BIOAPI_DATA_INSPECT_API PartInfo Part(int part);

/// Returns the name of the enumerator whose value is `value` (static), or
/// nullptr when the library names none: any 32-bit value may stand in a
/// record.
BIOAPI_DATA_INSPECT_API const char* EnumeratorName(BiometricType value);
/// Returns the name of a BiometricSubtype enumerator, or nullptr.
BIOAPI_DATA_INSPECT_API const char* EnumeratorName(BiometricSubtype value);
/// Returns the name of a ProcessedLevel enumerator, or nullptr.
BIOAPI_DATA_INSPECT_API const char* EnumeratorName(ProcessedLevel value);
/// Returns the name of a Purpose enumerator, or nullptr.
BIOAPI_DATA_INSPECT_API const char* EnumeratorName(Purpose value);
/// Returns the name of a Facility enumerator, or nullptr.
BIOAPI_DATA_INSPECT_API const char* EnumeratorName(Facility value);

/// The check that made the library reject a record, and where.
struct Rejection {
  std::size_t offset;        ///< Where the check looked.
  int part;                  ///< The part being read or just read; -1 for none.
  const char* field;         ///< That part's name (static), or nullptr.
  std::size_t field_offset;  ///< Where that part begins.
  bool inside_field;         ///< True when the part was not read to its end.
  const char* check;         ///< The condition that does not hold (static).

  /// Returns e.g. `rejected at offset 4 (TotalLength): check "total length
  /// equals the size of the record" failed`.
  BIOAPI_DATA_INSPECT_API std::string Describe() const;
};

/// What re-encoding changes; the values are the BIOAPI_CHANGE_ constants.
enum class ChangeKind : int {
  kOptionByte = BIOAPI_CHANGE_OPTION_BYTE,      ///< value: the byte
  kReservedBits = BIOAPI_CHANGE_RESERVED_BITS,  ///< value: the bits
  kFieldAdded = BIOAPI_CHANGE_FIELD_ADDED,
  kFieldLeftOut = BIOAPI_CHANGE_FIELD_LEFT_OUT,
  kTrailingBytes = BIOAPI_CHANGE_TRAILING_BYTES,  ///< value: how many
};

/// One change that re-encoding an accepted record makes.
struct Change {
  ChangeKind kind;          ///< What changes.
  int part;                 ///< The part it changes, or -1.
  const char* field;        ///< That part's name (static), or nullptr.
  std::uint64_t value;      ///< See ChangeKind; else 0.
  std::string description;  ///< E.g. "empty OctetString1 left out".
};

/// The library's verdict on a record.
struct Check {
  std::optional<Rejection> rejection;  ///< Set when the record is rejected.
  /// What re-encoding the accepted record changes, in record order; empty
  /// for a record that the library writes as it stands.
  std::vector<Change> changes;

  /// Returns true when the library accepts the record.
  bool Accepted() const { return !rejection.has_value(); }
};

/// Checks the `size` bytes at `data` (not kept) with the library's decoder,
/// without copying the BDB. Never throws for a bad record: the rejection is
/// part of the result. Throws std::bad_alloc.
BIOAPI_DATA_INSPECT_API Check CheckRecord(const unsigned char* data,
                                          std::size_t size);

/// Checks the record in `bytes`; see CheckRecord(const unsigned char*, ...).
inline Check CheckRecord(const std::vector<unsigned char>& bytes) {
  return CheckRecord(bytes.data(), bytes.size());
}

/// One row of the annotated dump: a field, half a validity period, or the
/// bytes after the last field.
struct Row {
  std::size_t offset;  ///< Where its bytes begin in the record.
  std::size_t length;  ///< How many bytes it covers.
  int part;            ///< Its part, or -1 for the trailing bytes.
  int element;         ///< A validity period's 0 (start) or 1 (end); else -1.
  RowKind kind;        ///< What it holds.
  std::string name;    ///< E.g. `BDBQuality`, `BDBValidityPeriod.start`.
  std::string value;   ///< The decoded value, with enumerator names.
  std::string bytes;   ///< Its first 16 bytes in hex.
  const char* check;   ///< The check that rejects the record here, or null.
  /// False for the part that the walk stopped in: its row runs to the end of
  /// the record and has no value.
  bool whole;
};

/// A record as the library's decoding walk meets it: its verdict and the
/// rows of its dump. Holds offsets and short texts, never the record's bytes.
class BIOAPI_DATA_INSPECT_API Walk {
 public:
  /// Walks the `size` bytes at `data` (not kept). Never throws for a bad
  /// record. Throws std::bad_alloc.
  Walk(const unsigned char* data, std::size_t size);
  /// Walks the record in `bytes`.
  explicit Walk(const std::vector<unsigned char>& bytes)
      : Walk(bytes.data(), bytes.size()) {}

  /// Returns the verdict, with the changes that re-encoding makes.
  const Check& Verdict() const { return check_; }
  /// Returns true when the library accepts the record.
  bool Accepted() const { return check_.Accepted(); }
  /// Returns the rows: one per part read, two for a validity period; for an
  /// accepted record one for any bytes after the last field; for a rejected
  /// one the failing check on the row of its part, added when the walk
  /// stopped inside it.
  const std::vector<Row>& Rows() const { return rows_; }
  /// Returns the size of the record walked.
  std::size_t Size() const { return size_; }

 private:
  Check check_;
  std::vector<Row> rows_;
  std::size_t size_;
};

/// The fields of a record, and which of the optional ones it holds.
struct RecordFields {
  BIR bir;                          ///< The fields.
  std::uint32_t present = 0;        ///< Bit n: optional field n is held.
  bool has_security_block = false;  ///< It holds an SB.
};

/// Returns the fields of `bir` as the encoder writes them: an optional field
/// is held when the encoder writes it.
BIOAPI_DATA_INSPECT_API RecordFields FieldsOf(const BIR& bir);

/// Decodes the `size` bytes at `data` and returns the fields that the record
/// holds, by its presence bits. Throws what `BIR(data, size)` throws:
/// `BioAPIException*` for a rejected record (CheckRecord says why).
BIOAPI_DATA_INSPECT_API RecordFields ReadFields(const unsigned char* data,
                                                std::size_t size);

/// As ReadFields, without copying the BDB: `bir.BiometricData` is left empty,
/// and the BDB is the `*bdb_size` bytes at `data + *bdb_offset`. Throws as
/// ReadFields.
BIOAPI_DATA_INSPECT_API RecordFields
ReadFieldsLeavingBdb(const unsigned char* data, std::size_t size,
                     std::size_t* bdb_offset, std::size_t* bdb_size);

/// Returns `fields` as JSON text, one top-level field a line: byte strings
/// as hex, date-times as their six recorded `tm` members, enumerations as
/// {"value", "name"}, an optional field that is not held as null.
BIOAPI_DATA_INSPECT_API std::string ToJson(const RecordFields& fields);

/// JSON text that does not describe a record.
class BIOAPI_DATA_INSPECT_API JsonError : public std::runtime_error {
 public:
  /// Makes the error of `field` (empty when the text as a whole is wrong).
  JsonError(std::string field, const std::string& message);
  /// Returns the field or member, e.g. "BDBValidityPeriod[0].tm_mon".
  const std::string& Field() const noexcept { return field_; }

 private:
  std::string field_;
};

/// Reads fields from JSON text of the form that ToJson writes. A missing
/// optional field is null. Enumerations may also be a bare number or a name.
/// Date-times get -1 in the three `tm` members that a record does not carry.
/// Throws JsonError, whose message names the field.
BIOAPI_DATA_INSPECT_API RecordFields FromJson(std::string_view text);

/// A field that a written record does not give back as it was given.
struct FieldLoss {
  int part;              ///< The part.
  const char* field;     ///< Its name (static).
  std::string given;     ///< Its JSON as given.
  std::string returned;  ///< Its JSON as the written record gives it back.
  std::string reason;    ///< The rule of the record that makes the difference.

  /// Returns e.g. `BDBQuality is given as 300 but the record gives back 44:
  /// the record holds its low 8 bits only`.
  BIOAPI_DATA_INSPECT_API std::string Describe() const;
};

/// A record written by `BIR::Encode`, and how it reads back.
struct CheckedRecord {
  std::vector<unsigned char> bytes;    ///< The record.
  std::optional<Rejection> rejection;  ///< Set when the library rejects it.
  std::vector<FieldLoss> losses;  ///< Fields that do not come back as given.

  /// Returns true when the record reads back to exactly the given fields.
  bool Faithful() const { return !rejection && losses.empty(); }
};

/// Encodes `fields` with `BIR::Encode` and reads the record back. Throws what
/// `BIR::Encode` throws: `BioAPIException*` for a byte string or a record too
/// long for the record format (the handler deletes it), std::bad_alloc.
BIOAPI_DATA_INSPECT_API CheckedRecord EncodeChecked(const RecordFields& fields);

}  // namespace inspect
}  // namespace BioAPI_Data

BIOAPI_DATA_END_EXPORTS

#endif  // BIOAPI_DATA_INSPECT_H_
