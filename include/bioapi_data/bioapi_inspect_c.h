/** @file
 * C interface of the bioapi_data inspection library: why a record is
 * rejected, what re-encoding an accepted one would change, the annotated rows
 * of a record, its fields as JSON both ways, and the names of its parts.
 *
 * Valid C99 and C++, and no C++ exception crosses it, as in the core's C
 * interface (bioapi_data_c.h), whose handles, statuses and field numbers it
 * uses. Link bioapi_data_inspect (CMake: bioapi_data::inspect, pkg-config:
 * bioapi_data_inspect) beside bioapi_data.
 *
 * Versioned structures: the caller sets struct_size to the size of its
 * structure (sizeof) before a call. The library accepts any struct_size of
 * at least the structure's _SIZE_V1 and writes only the members of the
 * version that both sides know; a smaller one answers
 * BIOAPI_ERROR_INVALID_PARAMETER. Later versions only append members.
 *
 * Text: every `const char*` member is either static (field names, check
 * texts: never free them, valid for the life of the process) or owned by the
 * walk handle that gave it (valid until bioapi_inspect_walk_free), as each
 * member says. Text that a call allocates for the caller is released with
 * bioapi_inspect_free.
 *
 * State: nothing but the walk handles; the check and JSON calls keep no
 * state, so any thread may call them at any time. One walk handle may be read
 * from several threads at once (its getters only read) but not freed while
 * another thread reads it.
 */
#ifndef BIOAPI_DATA_BIOAPI_INSPECT_C_H_
#define BIOAPI_DATA_BIOAPI_INSPECT_C_H_

#include <stddef.h>
#include <stdint.h>

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/inspect_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------
 * The parts of a record
 * ---------------------------------------------------------------------- */

/** A part of a byte record, in record order from 0: the header fields
 * (RecordFormat, TotalLength, HeaderVersion, HeaderRevision, BDBFormat,
 * EncryptionOption, IntegrityOption, Reserved, PresenceBitmap), the 23
 * optional fields in the order of their presence bits, BiometricData and
 * SecurityBlock. Unlike bioapi_bir_field, it also numbers the header parts
 * that a record holds but a bioapi_bir does not (the total length, the
 * reserved byte, the presence bit-map); -1 stands for none. */
typedef int32_t bioapi_record_part;

/** Number of record parts: bioapi_record_part runs from 0 to this less 1. */
#define BIOAPI_RECORD_PART_COUNT 34

/** Number of optional fields: presence bits 0 to 22 announce them. */
#define BIOAPI_OPTIONAL_FIELD_COUNT 23
/** The first reserved presence bit; bits from it to 31 announce nothing.
 * The decoder ignores them and the encoder writes them 0. */
#define BIOAPI_PRESENCE_FIRST_RESERVED_BIT BIOAPI_OPTIONAL_FIELD_COUNT
/** The last presence bit. */
#define BIOAPI_PRESENCE_LAST_BIT 31
/** The reserved presence bits as a mask of the 32-bit presence bit-map. */
#define BIOAPI_PRESENCE_RESERVED_MASK 0xFF800000u

/** What a row of a walk, or a record part, holds: the kind of its value.
 * bioapi_inspect_row_kind_name gives each its word. */
typedef int32_t bioapi_row_kind;
/** A header part that a bioapi_bir does not hold (total length, reserved
 * byte, presence bit-map): "header". */
#define BIOAPI_ROW_KIND_HEADER 1
/** A number (the version bytes, the quality): "number". */
#define BIOAPI_ROW_KIND_NUMBER 2
/** A security option, a truth value in one byte: "bool". */
#define BIOAPI_ROW_KIND_BOOL 3
/** A value of an enumeration: "enum". */
#define BIOAPI_ROW_KIND_ENUM 4
/** A registry identifier: "id". */
#define BIOAPI_ROW_KIND_REGISTRY_ID 5
/** A byte string with its 16-bit length: "bytes". */
#define BIOAPI_ROW_KIND_BYTES 6
/** A date-time, or half of a validity period: "date". */
#define BIOAPI_ROW_KIND_DATETIME 7
/** The BDB or the SB with its 32-bit length: "block". */
#define BIOAPI_ROW_KIND_BLOCK 8
/** Bytes after the last field, which the decoder ignores: "trailing". */
#define BIOAPI_ROW_KIND_TRAILING 9

/** Returns the word of a row kind ("header", "number", "bool", "enum", "id",
 * "bytes", "date", "block", "trailing"; static), or null for a number that
 * names none. */
BIOAPI_DATA_INSPECT_API const char* bioapi_inspect_row_kind_name(
    bioapi_row_kind kind);

/** Describes record part `part`: *name is its name ("TotalLength",
 * "OctetString1"; static), *field its bioapi_bir_field or -1 when a
 * bioapi_bir does not hold it, *kind its bioapi_row_kind, *bit its presence
 * bit or -1. A part outside 0 to BIOAPI_RECORD_PART_COUNT - 1 answers
 * BIOAPI_ERROR_INVALID_PARAMETER. Any out pointer may be null. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_part_info(
    bioapi_record_part part, const char** name, bioapi_bir_field* field,
    bioapi_row_kind* kind, int32_t* bit);

/** Returns the name of the enumerator of `enumeration` (a
 * BIOAPI_ENUMERATION_ constant) whose value is `value` ("Fingerprint";
 * static), or null when the library names none: any 32-bit value may stand
 * in a record. */
BIOAPI_DATA_INSPECT_API const char* bioapi_inspect_enumerator_name(
    bioapi_enumeration enumeration, int32_t value);

/* ------------------------------------------------------------------------
 * Check: accepted or why not, and what re-encoding would change
 * ---------------------------------------------------------------------- */

/** Longest text of a rejection, with its terminating null. */
#define BIOAPI_INSPECT_REASON_SIZE 192

/** The verdict of the library's decoder on a record.
 *
 * For a rejected record, the failing check: where it looked (offset), the
 * part being read or the one just read (part, field, field_name,
 * field_offset), and its text (check), e.g. offset 4, "TotalLength",
 * "total length equals the size of the record". Before the first part (an
 * empty input) part and field are -1 and field_name null. */
typedef struct bioapi_record_check {
  uint32_t struct_size; /**< Size of the caller's structure, in bytes. */
  int32_t accepted;     /**< 1 when the decoder accepts the record, else 0. */
  size_t offset;        /**< Rejected: where the failing check looked. */
  bioapi_record_part part; /**< Rejected: the part, or -1. */
  bioapi_bir_field field;  /**< Rejected: its bioapi_bir_field, or -1. */
  const char* field_name;  /**< Rejected: the part's name (static), or null. */
  size_t field_offset;     /**< Rejected: where that part begins. */
  int32_t inside_field;    /**< 1 when the check failed inside the part, 0 when
                                it refused the part once read. */
  const char* check; /**< Rejected: the condition that does not hold (static),
                          e.g. "enough bytes remain"; null when accepted. */
  /** Rejected: one line as `bir dump` gives it, e.g. `rejected at offset 4
   * (TotalLength): check "total length equals the size of the record"
   * failed`; empty when accepted. */
  char reason[BIOAPI_INSPECT_REASON_SIZE];
  /** Accepted: how many parts re-encoding would change (0 for a record that
   * the library writes as it stands); read each with
   * bioapi_inspect_check_change. 0 when rejected. */
  size_t change_count;
} bioapi_record_check;

/** Size of the first version of bioapi_record_check. */
#define BIOAPI_RECORD_CHECK_SIZE_V1 \
  (offsetof(bioapi_record_check, change_count) + sizeof(size_t))

/** Checks the `size` bytes at `data` (not kept) with the library's decoder,
 * without copying its BDB, and fills *out. BIOAPI_OK whether the record is
 * accepted or not (see out->accepted); BIOAPI_ERROR_INVALID_POINTER for a null
 * `data` (with a non-zero size) or `out`. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_check(
    const uint8_t* data, size_t size, bioapi_record_check* out);

/** What re-encoding changes. */
typedef int32_t bioapi_change_kind;
/** A security option byte other than 0 and 1 is written as 1; value: the
 * byte. */
#define BIOAPI_CHANGE_OPTION_BYTE 1
/** Reserved presence bits are cleared; value: those bits of the bit-map
 * (within BIOAPI_PRESENCE_RESERVED_MASK). */
#define BIOAPI_CHANGE_RESERVED_BITS 2
/** An always-written optional field that the record lacks is added. */
#define BIOAPI_CHANGE_FIELD_ADDED 3
/** A field marked present that the encoder does not write is left out (a
 * registered identifier 2 to 8 with a zero half, an empty byte string or
 * validity period, an empty security block). */
#define BIOAPI_CHANGE_FIELD_LEFT_OUT 4
/** Bytes after the last field are dropped; value: how many. */
#define BIOAPI_CHANGE_TRAILING_BYTES 5

/** Longest description of a change, with its terminating null. */
#define BIOAPI_INSPECT_CHANGE_TEXT_SIZE 96

/** One change that re-encoding an accepted record makes. */
typedef struct bioapi_record_change {
  uint32_t struct_size;    /**< Size of the caller's structure, in bytes. */
  bioapi_change_kind kind; /**< A BIOAPI_CHANGE_ constant. */
  bioapi_record_part part; /**< The part it changes, or -1 (bits, bytes). */
  bioapi_bir_field field;  /**< Its bioapi_bir_field, or -1. */
  const char* field_name;  /**< The part's name (static), or null. */
  uint64_t value;          /**< See the kind; else 0. */
  /** As `bir check` names it, e.g. "empty OctetString1 left out". */
  char description[BIOAPI_INSPECT_CHANGE_TEXT_SIZE];
} bioapi_record_change;

/** Size of the first version of bioapi_record_change. */
#define BIOAPI_RECORD_CHANGE_SIZE_V1             \
  (offsetof(bioapi_record_change, description) + \
   BIOAPI_INSPECT_CHANGE_TEXT_SIZE)

/** Reads change `index` (record order, from 0) that re-encoding the accepted
 * record in the `size` bytes at `data` makes, as bioapi_inspect_check counts
 * them. BIOAPI_ERROR_INVALID_DATA for a rejected record,
 * BIOAPI_ERROR_INVALID_PARAMETER for an index at or past the count. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_check_change(
    const uint8_t* data, size_t size, size_t index, bioapi_record_change* out);

/* ------------------------------------------------------------------------
 * Walk: the rows of `bir dump`
 * ---------------------------------------------------------------------- */

/** The walk of one record: its verdict and its rows. It holds offsets into
 * the record and short texts, never the record's bytes. */
typedef struct bioapi_record_walk bioapi_record_walk;

/** One row of the dump: a field, half a validity period, or the bytes after
 * the last field. Texts are owned by the walk. */
typedef struct bioapi_dump_row {
  uint32_t struct_size;    /**< Size of the caller's structure, in bytes. */
  size_t offset;           /**< Where the row's bytes begin in the record. */
  size_t length;           /**< How many bytes it covers. */
  bioapi_record_part part; /**< Its part, or -1 for the trailing bytes. */
  bioapi_bir_field field;  /**< Its bioapi_bir_field, or -1. */
  int32_t element; /**< A validity period's 0 (start) or 1 (end); else -1. */
  bioapi_row_kind kind; /**< What it holds. */
  const char* name;     /**< E.g. "BDBValidityPeriod.start" (walk's). */
  const char* value;    /**< The decoded value with enumerator names (walk's);
                             empty for a part the walk stopped in. */
  const char* bytes;    /**< Its first 16 bytes in hex (walk's). */
  const char* check;    /**< The check that rejects the record at this row
                             (static), or null. */
  int32_t whole; /**< 0 for the part that the walk stopped in: the row runs to
                      the end of the record and has no value; else 1. */
} bioapi_dump_row;

/** Size of the first version of bioapi_dump_row. */
#define BIOAPI_DUMP_ROW_SIZE_V1 \
  (offsetof(bioapi_dump_row, whole) + sizeof(int32_t))

/** Walks the `size` bytes at `data` (not kept) with the library's decoder.
 * BIOAPI_OK for an accepted and for a rejected record alike: the caller owns
 * *out (release it with bioapi_inspect_walk_free); its check says which.
 * BIOAPI_ERROR_INVALID_POINTER for a null `data` (with a non-zero size) or
 * `out`, BIOAPI_ERROR_MEMORY when memory runs out. */
BIOAPI_DATA_INSPECT_API bioapi_status
bioapi_inspect_walk(const uint8_t* data, size_t size, bioapi_record_walk** out);

/** Fills *out with the walk's verdict, as bioapi_inspect_check gives it. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_walk_check(
    const bioapi_record_walk* walk, bioapi_record_check* out);

/** Sets *count to the number of rows of the walk. */
BIOAPI_DATA_INSPECT_API bioapi_status
bioapi_inspect_walk_row_count(const bioapi_record_walk* walk, size_t* count);

/** Reads row `index` (record order, from 0); an index at or past the count
 * answers BIOAPI_ERROR_INVALID_PARAMETER. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_walk_row(
    const bioapi_record_walk* walk, size_t index, bioapi_dump_row* out);

/** Reads change `index` that re-encoding the walked record makes, as
 * bioapi_inspect_check_change does. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_walk_change(
    const bioapi_record_walk* walk, size_t index, bioapi_record_change* out);

/** Destroys a walk and its texts; null is accepted. */
BIOAPI_DATA_INSPECT_API void bioapi_inspect_walk_free(bioapi_record_walk* walk);

/* ------------------------------------------------------------------------
 * The BDB's own record: its format, header rows and notes
 * ---------------------------------------------------------------------- */

/** A record format that a BDB may hold (bioapi_inspect_bdb_format_name gives
 * each its name). */
typedef int32_t bioapi_bdb_format;
/** Not recognised. */
#define BIOAPI_BDB_FORMAT_NONE 0
/** ANSI/INCITS 378-2004 finger minutiae ("FMR", " 20"). */
#define BIOAPI_BDB_FORMAT_ANSI378_2004 1
/** ISO/IEC 19794-2:2005 finger minutiae ("FMR", " 20"). */
#define BIOAPI_BDB_FORMAT_ISO19794_2_2005 2
/** ANSI/INCITS 378-2009 finger minutiae ("FMR", "030" or "035"). */
#define BIOAPI_BDB_FORMAT_ANSI378_2009 3
/** The 2007 draft of ANSI/INCITS 378 finger minutiae ("FMR", "030"). */
#define BIOAPI_BDB_FORMAT_ANSI378_DRAFT2007 4
/** ISO/IEC 19794-2:2011 finger minutiae ("FMR", "030"). */
#define BIOAPI_BDB_FORMAT_ISO19794_2_2011 5
/** ISO/IEC 19794-4:2005 finger image ("FIR", "010"). */
#define BIOAPI_BDB_FORMAT_ISO19794_4_2005 6
/** ANSI/INCITS 381-2004 finger image ("FIR", "010"). */
#define BIOAPI_BDB_FORMAT_ANSI381_2004 7
/** ISO/IEC 19794-4:2011 finger image ("FIR", "020"). */
#define BIOAPI_BDB_FORMAT_ISO19794_4_2011 8
/** ISO/IEC 19794-5:2005 face image ("FAC", "010"). */
#define BIOAPI_BDB_FORMAT_ISO19794_5_2005 9
/** ISO/IEC 19794-5:2011 face image ("FAC", "030"). */
#define BIOAPI_BDB_FORMAT_ISO19794_5_2011 10
/** ISO/IEC 19794-6:2005 iris image ("IIR", a 45-byte header). */
#define BIOAPI_BDB_FORMAT_ISO19794_6_2005 11
/** ISO/IEC 19794-6 iris image in the IREX profile ("IIR", 46 bytes). */
#define BIOAPI_BDB_FORMAT_ISO19794_6_IREX 12
/** ISO/IEC 19794-6:2011 iris image ("IIR", "020"). */
#define BIOAPI_BDB_FORMAT_ISO19794_6_2011 13

/** The key of the BDB's summary in the JSON of a record, beside
 * "BiometricData"; a JSON reader ignores it. */
#define BIOAPI_INSPECT_BDB_SUMMARY_KEY "BiometricDataSummary"

/** What a note on a BDB says. */
typedef int32_t bioapi_bdb_note_kind;
/** No format was recognised; the note gives the first bytes. */
#define BIOAPI_BDB_NOTE_NOT_RECOGNISED 1
/** The format that BDBFormat names is not the one the content holds. */
#define BIOAPI_BDB_NOTE_FORMAT 2
/** BDBBiometricType names none of the format's biometric types. */
#define BIOAPI_BDB_NOTE_BIOMETRIC_TYPE 3
/** A declared length disagrees with the bytes: says by how much. */
#define BIOAPI_BDB_NOTE_LENGTH 4
/** The block ends inside a header; says how far the summary got. */
#define BIOAPI_BDB_NOTE_TRUNCATED 5

/** The summary of a BDB: rows and notes, owned by the caller (release it
 * with bioapi_inspect_bdb_free) or by the walk that gave it. */
typedef struct bioapi_bdb_summary bioapi_bdb_summary;

/** Returns the name of a BDB format, e.g. "ISO/IEC 19794-2:2005 finger
 * minutiae" (static), or null for a number that names none (and for
 * BIOAPI_BDB_FORMAT_NONE). */
BIOAPI_DATA_INSPECT_API const char* bioapi_inspect_bdb_format_name(
    bioapi_bdb_format format);

/** What a summary found. */
typedef struct bioapi_bdb_info {
  uint32_t struct_size;     /**< Size of the caller's structure, in bytes. */
  bioapi_bdb_format format; /**< The format read, or BIOAPI_BDB_FORMAT_NONE. */
  const char* format_name;  /**< Its name (static), or null. */
  const char* named; /**< The format that BDBFormat names (static), or null. */
  size_t offset;     /**< Where the BDB begins in its record (0 alone). */
  size_t size;       /**< The BDB's size. */
  size_t row_count;  /**< Rows: read each with bioapi_inspect_bdb_row. */
  size_t note_count; /**< Notes: read each with bioapi_inspect_bdb_note. */
} bioapi_bdb_info;

/** Size of the first version of bioapi_bdb_info. */
#define BIOAPI_BDB_INFO_SIZE_V1 \
  (offsetof(bioapi_bdb_info, note_count) + sizeof(size_t))

/** One row of a BDB's summary: a header field, a view or representation
 * (a group; its fields follow one depth deeper), or a payload's extent.
 * Texts are owned by the summary. */
typedef struct bioapi_bdb_row {
  uint32_t struct_size; /**< Size of the caller's structure, in bytes. */
  size_t offset;        /**< Where its bytes begin, from the record's first byte
                             (from the BDB's when summarised alone). */
  size_t length;        /**< How many bytes it covers. */
  int32_t depth;        /**< 0 for the general header, 1 inside a view, ... */
  const char* name;     /**< E.g. "RecordLength", "View 1". */
  const char* list;     /**< A group's list ("Views", "Faces"...); else "". */
  const char* value;    /**< The value as text, with names where known. */
  int32_t has_number;   /**< 1 when the field is a number (see number). */
  uint64_t number;      /**< Its number; 0 when has_number is 0. */
  const char* bytes;    /**< Its first 16 bytes in hex. */
} bioapi_bdb_row;

/** Size of the first version of bioapi_bdb_row. */
#define BIOAPI_BDB_ROW_SIZE_V1 \
  (offsetof(bioapi_bdb_row, bytes) + sizeof(const char*))

/** One note on a BDB. */
typedef struct bioapi_bdb_note {
  uint32_t struct_size;      /**< Size of the caller's structure, in bytes. */
  bioapi_bdb_note_kind kind; /**< A BIOAPI_BDB_NOTE_ constant. */
  size_t offset;    /**< Where it applies, as bioapi_bdb_row's offset. */
  const char* text; /**< E.g. "the record declares 240 bytes; the BDB holds
                         27 (213 fewer)" (the summary's). */
} bioapi_bdb_note;

/** Size of the first version of bioapi_bdb_note. */
#define BIOAPI_BDB_NOTE_SIZE_V1 \
  (offsetof(bioapi_bdb_note, text) + sizeof(const char*))

/** Summarises the BDB of `bir` with its BDBFormat and BDBBiometricType:
 * headers only. The caller owns *out (release it with
 * bioapi_inspect_bdb_free). BIOAPI_OK for any BDB: an unrecognised one has
 * no rows and a note. */
BIOAPI_DATA_INSPECT_API bioapi_status
bioapi_inspect_bdb_summary(const bioapi_bir* bir, bioapi_bdb_summary** out);

/** Summarises the BDB of the walked record (offsets from the record's first
 * byte); *out is owned by the walk. A rejected record gives an empty
 * summary (no format, no rows, no notes). */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_walk_bdb(
    const bioapi_record_walk* walk, const bioapi_bdb_summary** out);

/** Fills *out with what the summary found. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_bdb_info(
    const bioapi_bdb_summary* summary, bioapi_bdb_info* out);

/** Reads row `index` (BDB order, from 0); an index at or past the count
 * answers BIOAPI_ERROR_INVALID_PARAMETER. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_bdb_row(
    const bioapi_bdb_summary* summary, size_t index, bioapi_bdb_row* out);

/** Reads note `index` (from 0); an index at or past the count answers
 * BIOAPI_ERROR_INVALID_PARAMETER. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_bdb_note(
    const bioapi_bdb_summary* summary, size_t index, bioapi_bdb_note* out);

/** Writes the summary as the JSON object that `bir json` gives as
 * "BiometricDataSummary". The caller owns *out_text (release it with
 * bioapi_inspect_free). */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_bdb_json(
    const bioapi_bdb_summary* summary, char** out_text, size_t* out_size);

/** Destroys a summary that bioapi_inspect_bdb_summary gave; null is
 * accepted. (A walk's summary goes with the walk.) */
BIOAPI_DATA_INSPECT_API void bioapi_inspect_bdb_free(
    bioapi_bdb_summary* summary);

/* ------------------------------------------------------------------------
 * JSON, the form of `bir json`
 * ---------------------------------------------------------------------- */

/** Longest field path and message of a JSON error, with the null. */
#define BIOAPI_INSPECT_JSON_FIELD_SIZE 64
/** Longest message of a JSON error, with the null. */
#define BIOAPI_INSPECT_JSON_MESSAGE_SIZE 256

/** Why a JSON text does not describe a record. */
typedef struct bioapi_json_error {
  uint32_t struct_size; /**< Size of the caller's structure, in bytes. */
  /** The field, or the member inside it, e.g. "BDBQuality" or
   * "BDBValidityPeriod[0].tm_mon"; empty when the text is not JSON or not an
   * object. */
  char field[BIOAPI_INSPECT_JSON_FIELD_SIZE];
  /** The whole message, e.g. "BDBQuality: 300 is outside 0..255" (cut to
   * fit). */
  char message[BIOAPI_INSPECT_JSON_MESSAGE_SIZE];
} bioapi_json_error;

/** Size of the first version of bioapi_json_error. */
#define BIOAPI_JSON_ERROR_SIZE_V1 \
  (4 + BIOAPI_INSPECT_JSON_FIELD_SIZE + BIOAPI_INSPECT_JSON_MESSAGE_SIZE)

/** Writes the fields of `bir` as JSON text, one top-level field a line: the
 * record that bioapi_bir_encode writes, an optional field that the encoder
 * leaves out being null. On success the caller owns *out_text (null
 * terminated, *out_size bytes before the null; release it with
 * bioapi_inspect_free). */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_to_json(
    const bioapi_bir* bir, char** out_text, size_t* out_size);

/** Writes the fields of the record in the `size` bytes at `data` as JSON, as
 * `bir json` does: an optional field that the record lacks is null, even one
 * that the encoder would add. BIOAPI_ERROR_INVALID_DATA for a rejected
 * record (bioapi_inspect_check says why). */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_record_json(
    const uint8_t* data, size_t size, char** out_text, size_t* out_size);

/** Reads a record from `size` bytes of JSON text at `text` (the form that
 * bioapi_inspect_to_json writes; enumerations may also be a bare number or
 * name; date-times get -1 in wday, yday and isdst). On success the caller
 * owns *out. BIOAPI_ERROR_INVALID_PARAMETER for text that does not describe
 * a record, with *error (when not null; its struct_size set) naming the field
 * and why; *out is then null. */
BIOAPI_DATA_INSPECT_API bioapi_status bioapi_inspect_from_json(
    const char* text, size_t size, bioapi_bir** out, bioapi_json_error* error);

/** Releases text that the inspection library allocated; null is accepted. */
BIOAPI_DATA_INSPECT_API void bioapi_inspect_free(void* buffer);

#ifdef __cplusplus
}
#endif

#endif /* BIOAPI_DATA_BIOAPI_INSPECT_C_H_ */
