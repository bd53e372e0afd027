/** @file
 * C interface to the bioapi_data record codec and error table.
 *
 * Valid C99 and C++. Only C types cross this boundary, and no C++ exception
 * ever does: every function that can fail returns a bioapi_status, 0 for
 * success or the BioAPI error code that the C++ interface would have thrown
 * (for example 0x0200010B, "Invalid Data" from a unit, for a rejected
 * record). Usable from any compiler or language that calls C functions. A
 * call that fails changes nothing but the outputs that it documents.
 *
 * Ownership: a bioapi_bir handle owns everything it holds; destroy it with
 * bioapi_bir_destroy. Byte strings read from a handle stay owned by the
 * handle. Buffers that the library allocates for the caller are released
 * with bioapi_free.
 *
 * State: the library keeps no state in memory beyond its handles, so
 * distinct handles may be used from distinct threads; one handle must not be
 * used from two threads at once. The one thing outside a handle that it
 * touches is the file "record" in the current working directory, which
 * bioapi_bir_to_array (and only it) replaces: calls in the same directory, from
 * any thread or process, overwrite each other's file.
 */
#ifndef BIOAPI_DATA_BIOAPI_DATA_C_H_
#define BIOAPI_DATA_BIOAPI_DATA_C_H_

#include <stddef.h>
#include <stdint.h>

#include "bioapi_data/export.h"
#include "bioapi_data/version.h"

#ifdef __cplusplus
extern "C" {
#endif

/** 0 for success, otherwise a BioAPI error code (top byte: its source). */
typedef int32_t bioapi_status;

/** Success. */
#define BIOAPI_OK 0
/** A required pointer argument was null ("Invalid Pointer"). */
#define BIOAPI_ERROR_INVALID_POINTER 0x00000103
/** An output buffer was too small ("Invalid Output Pointer"). */
#define BIOAPI_ERROR_OUTPUT_TOO_SMALL 0x00000105
/** The library could not allocate memory ("BioAPI Memory Error"). */
#define BIOAPI_ERROR_MEMORY 0x00000102
/** An unexpected internal failure ("BioAPI Internal Error"). */
#define BIOAPI_ERROR_INTERNAL 0x00000101
/** A field or value that the call does not accept ("Invalid Parameter"). */
#define BIOAPI_ERROR_INVALID_PARAMETER 0x00000503
/** A record the decoder rejects, or one the encoder refuses ("Invalid Data").
 */
#define BIOAPI_ERROR_INVALID_DATA 0x0200010B

/** Returns the library's version as BIOAPI_DATA_C_VERSION does. */
BIOAPI_DATA_API int32_t bioapi_version(void);

/** Returns the message of a BioAPI error code, the same text that the C++
 * exception built from the code alone gives. The string is static: never
 * free it. */
BIOAPI_DATA_API const char* bioapi_error_message(int32_t code);

/** Releases a buffer that the library allocated for the caller; null is
 * accepted. */
BIOAPI_DATA_API void bioapi_free(void* buffer);

/** An opaque biometric information record. */
typedef struct bioapi_bir bioapi_bir;

/** A field of a record, by number: one of the BIOAPI_FIELD_ constants. A
 * plain 32-bit integer, so that every value is a defined argument: a number
 * that names no field of an accessor's kind (0, a negative number, one above
 * 35, or a field of another kind) answers BIOAPI_ERROR_INVALID_PARAMETER. */
typedef int32_t bioapi_bir_field;

/** The field numbers, 1 to 35 in record-model order. Each accessor family
 * takes the fields of its kind. */
enum {
  /* Integers: bioapi_bir_get_int / bioapi_bir_set_int. */
  BIOAPI_FIELD_NATIVE_FORMAT_OWNER = 1, /**< Integer, -32768 to 32767. */
  BIOAPI_FIELD_NATIVE_FORMAT_TYPE = 2,  /**< Integer, -32768 to 32767. */
  BIOAPI_FIELD_FIXED_WORD3 = 3,         /**< Integer, -32768 to 32767. */
  BIOAPI_FIELD_FIXED_WORD4 = 4,         /**< Integer, -32768 to 32767. */
  /* Registry identifiers: bioapi_bir_get_registry_id / _set_registry_id. */
  /** Registry identifier, 0x0101/0x0009 only: the one record format. */
  BIOAPI_FIELD_RECORD_FORMAT = 5,
  /** Integer, 0x30 only: the one header version that a record has. */
  BIOAPI_FIELD_HEADER_VERSION = 6,
  /** Integer, 0x01 only: the one header revision that a record has. */
  BIOAPI_FIELD_HEADER_REVISION = 7,
  BIOAPI_FIELD_BDB_FORMAT = 8,          /**< Registry identifier. */
  BIOAPI_FIELD_ENCRYPTION_OPTION = 9,   /**< Integer, 0 (false) or 1 (true). */
  BIOAPI_FIELD_INTEGRITY_OPTION = 10,   /**< Integer, 0 (false) or 1 (true). */
  BIOAPI_FIELD_BDB_BIOMETRIC_TYPE = 11, /**< Integer, any 32-bit value. */
  BIOAPI_FIELD_BDB_BIOMETRIC_SUBTYPE = 12, /**< Integer, 0 to 255. */
  BIOAPI_FIELD_REGISTERED_ID1 = 13,        /**< Registry identifier. */
  BIOAPI_FIELD_REGISTERED_ID2 = 14,        /**< Registry identifier. */
  BIOAPI_FIELD_REGISTERED_ID3 = 15,        /**< Registry identifier. */
  BIOAPI_FIELD_REGISTERED_ID4 = 16,        /**< Registry identifier. */
  BIOAPI_FIELD_REGISTERED_ID5 = 17,        /**< Registry identifier. */
  /* Byte strings: bioapi_bir_get_bytes / bioapi_bir_set_bytes. */
  BIOAPI_FIELD_OCTET_STRING1 = 18, /**< Byte string, at most 32767 bytes. */
  /* Date-times: bioapi_bir_get_datetime / bioapi_bir_set_datetime. */
  BIOAPI_FIELD_BDB_CREATION_DATE = 19,   /**< Date-time. */
  BIOAPI_FIELD_OCTET_STRING2 = 20,       /**< Byte string, at most 32767. */
  BIOAPI_FIELD_BDB_PROCESSED_LEVEL = 21, /**< Integer, 0 to 255. */
  BIOAPI_FIELD_REGISTERED_ID6 = 22,      /**< Registry identifier. */
  BIOAPI_FIELD_BDB_PURPOSE = 23,         /**< Integer, 0 to 255. */
  BIOAPI_FIELD_BDB_QUALITY = 24,         /**< Integer, 0 to 255. */
  BIOAPI_FIELD_REGISTERED_ID7 = 25,      /**< Registry identifier. */
  /* Validity periods: bioapi_bir_get_period_* / bioapi_bir_set_period. */
  BIOAPI_FIELD_BDB_VALIDITY_PERIOD = 26, /**< Validity period. */
  BIOAPI_FIELD_BIR_CREATION_DATE = 27,   /**< Date-time. */
  BIOAPI_FIELD_OCTET_STRING3 = 28,       /**< Byte string, at most 32767. */
  BIOAPI_FIELD_OCTET_STRING4 = 29,       /**< Byte string, at most 32767. */
  BIOAPI_FIELD_OCTET_STRING5 = 30,       /**< Byte string, at most 32767. */
  BIOAPI_FIELD_OCTET_STRING6 = 31,       /**< Byte string, at most 32767. */
  BIOAPI_FIELD_BIR_VALIDITY_PERIOD = 32, /**< Validity period. */
  BIOAPI_FIELD_REGISTERED_ID8 = 33,      /**< Registry identifier. */
  BIOAPI_FIELD_BIOMETRIC_DATA = 34, /**< Byte string (the BDB), no own limit. */
  BIOAPI_FIELD_SECURITY_BLOCK = 35  /**< Byte string (the SB), no own limit. */
};

/** Size of the first version of bioapi_datetime, the smallest struct_size
 * that the library accepts. */
#define BIOAPI_DATETIME_SIZE_V1 40

/** A date-time: the six members that a record carries, then three that it
 * does not carry but that decide whether the encoder writes the date-time.
 *
 * Versions: set struct_size to sizeof(bioapi_datetime) before passing one
 * in. Later versions only append members. The library accepts any
 * struct_size of at least BIOAPI_DATETIME_SIZE_V1 and reads and writes only
 * the members of this first version, never past them; a smaller struct_size
 * answers BIOAPI_ERROR_INVALID_PARAMETER.
 *
 * Which creation dates are written: a creation date enters the record when
 * all nine members are non-zero, or when wday, yday and isdst are all -1; it
 * is then written as it stands, zero members included. Any other one is left
 * out, so with ordinary values a Sunday (wday 0), 1 January (yday 0), isdst 0
 * or a zero hour, minute or second drops it. Set wday, yday and isdst to -1
 * to have a date-time written whatever its time: every date-time decoded from
 * a record has them -1, so it is written again. A creation date that a
 * record lacks decodes to 2000-01-01 00:00:00 with wday, yday and isdst 0,
 * which is not written. The date-times of a validity period are written
 * whenever the period has an element, whatever their members.
 *
 * The setters refuse, with BIOAPI_ERROR_INVALID_PARAMETER, a member that
 * the record cannot carry: a year outside -32768 to 32767, or a month, day,
 * hour, minute or second outside 0 to 255. No other range is checked, and
 * wday, yday and isdst take any value. */
typedef struct bioapi_datetime {
  uint32_t struct_size; /**< Size of the caller's structure, in bytes. */
  int32_t year;         /**< The full calendar year (2026, not 126). */
  int32_t month;  /**< Month, 1 for January by the library's convention. */
  int32_t day;    /**< Day of the month. */
  int32_t hour;   /**< Hour. */
  int32_t minute; /**< Minute. */
  int32_t second; /**< Second. */
  int32_t wday;   /**< Day of the week; -1 (not known) when decoded. */
  int32_t yday;   /**< Day of the year; -1 (not known) when decoded. */
  int32_t isdst; /**< Daylight saving time flag; -1 (not known) when decoded. */
} bioapi_datetime;

/** Creates a record with the native header, every other scalar 0 and every
 * byte string and sequence empty. The caller owns *out. */
BIOAPI_DATA_API bioapi_status bioapi_bir_create(bioapi_bir** out);

/** Decodes `size` bytes at `data` (not kept). On success the caller owns
 * *out; on failure *out is null (when `out` is not) and the status is
 * BIOAPI_ERROR_INVALID_DATA for a rejected record, BIOAPI_ERROR_INVALID_POINTER
 * for a null `data` or `out`, whatever the size. */
BIOAPI_DATA_API bioapi_status bioapi_bir_decode(const uint8_t* data,
                                                size_t size, bioapi_bir** out);

/** Longest part name in a bioapi_decode_rejection, with its null. */
#define BIOAPI_REJECTION_NAME_SIZE 32
/** Longest check in a bioapi_decode_rejection, with its null. */
#define BIOAPI_REJECTION_CHECK_SIZE 64
/** Longest reason in a bioapi_decode_rejection, with its null. */
#define BIOAPI_REJECTION_REASON_SIZE 192

/** Why the decoder rejects a record: the failing check, where it looked, and
 * the part of the record that it refers to (the part being read, or the one
 * just read when the check refuses a part once read). The same facts and
 * text as the inspection library's bioapi_inspect_check, from the one
 * decode. Versions: as bioapi_datetime (set struct_size; later versions only
 * append members). Every member has the same size and offset on every
 * platform. */
typedef struct bioapi_decode_rejection {
  uint32_t struct_size; /**< Size of the caller's structure, in bytes. */
  /** 1 when the decoder rejects the record; 0 when it accepts it, the other
   * members then 0 (part and field -1) and empty. */
  int32_t rejected;
  uint64_t offset;      /**< Where the failing check looked. */
  uint64_t part_offset; /**< Where the part begins; 0 before the first. */
  /** The part, numbered in record order from 0 (RecordFormat) as the
   * inspection library's bioapi_record_part numbers it; -1 before the first
   * part (an empty input). */
  int32_t part;
  /** The part's bioapi_bir_field; -1 for a part that a bioapi_bir does not
   * hold (TotalLength, the reserved byte, the presence bit-map) or none. */
  bioapi_bir_field field;
  /** 1 when the check failed inside the part, 0 when it refused the part
   * once read. */
  int32_t inside_part;
  int32_t reserved; /**< 0. */
  /** The part's name, e.g. "TotalLength"; empty before the first part. */
  char part_name[BIOAPI_REJECTION_NAME_SIZE];
  /** The condition that does not hold, e.g. "enough bytes remain": a stable
   * text, one per check of the decoder. */
  char check[BIOAPI_REJECTION_CHECK_SIZE];
  /** One line, e.g. `rejected at offset 4 (TotalLength): check "total length
   * equals the size of the record" failed`, as bioapi_inspect_check and the
   * record tool word it. */
  char reason[BIOAPI_REJECTION_REASON_SIZE];
} bioapi_decode_rejection;

/** Size of the first version of bioapi_decode_rejection. */
#define BIOAPI_DECODE_REJECTION_SIZE_V1                            \
  (40 + BIOAPI_REJECTION_NAME_SIZE + BIOAPI_REJECTION_CHECK_SIZE + \
   BIOAPI_REJECTION_REASON_SIZE)

/** Decodes as bioapi_bir_decode does and, when `rejection` is not null,
 * fills *rejection (whose struct_size the caller set: at least
 * BIOAPI_DECODE_REJECTION_SIZE_V1, else BIOAPI_ERROR_INVALID_PARAMETER and
 * nothing decoded) with why the record is rejected, or rejected = 0 when it
 * is accepted. One decode: the reason costs no second walk of the record. */
BIOAPI_DATA_API bioapi_status
bioapi_bir_decode_ex(const uint8_t* data, size_t size, bioapi_bir** out,
                     bioapi_decode_rejection* rejection);

/** Creates an independent copy of `bir`; the caller owns *out. */
BIOAPI_DATA_API bioapi_status bioapi_bir_clone(const bioapi_bir* bir,
                                               bioapi_bir** out);

/** Destroys a record and everything it owns; null is accepted. */
BIOAPI_DATA_API void bioapi_bir_destroy(bioapi_bir* bir);

/** Encodes `bir` into a buffer that the library allocates: on success the
 * caller owns *out_data (release it with bioapi_free) of *out_size bytes.
 * Status BIOAPI_ERROR_INVALID_DATA, and nothing written, when the record
 * cannot carry a value as it is given (see bioapi_bir_field_limits and
 * bioapi_datetime): a one-byte field outside 0 to 255, a date-time member
 * outside its range, a validity period of other than 0 or 2 date-times, one
 * of the six optional byte strings over 32767 bytes, a header that decoding
 * refuses (a record format other than 0x0101/0x0009, a header version other
 * than 0x30 or a header revision other than 0x01), or a whole record over
 * 2147483647 bytes (the biometric data and the security block have no limit
 * of their own). bioapi_bir_encode_refusal says which field and why. */
BIOAPI_DATA_API bioapi_status bioapi_bir_encode(const bioapi_bir* bir,
                                                uint8_t** out_data,
                                                size_t* out_size);

/** Longest message of an encoding refusal, with its terminating null. */
#define BIOAPI_REFUSAL_MESSAGE_SIZE 256

/** Why the encoder refuses a record: the field and its value. Versions: as
 * bioapi_datetime (set struct_size; later versions only append members). */
typedef struct bioapi_encode_refusal {
  uint32_t struct_size; /**< Size of the caller's structure, in bytes. */
  /** 1 when the encoder refuses the record; 0 when it writes it, the other
   * members then 0 and empty. */
  int32_t refused;
  /** The field whose value the record cannot carry as given, the first in
   * record order; 0 when every field fits but the record would exceed
   * 2147483647 bytes. */
  bioapi_bir_field field;
  /** The text of the C++ interface's exception, naming the field, its value
   * and what the record carries, e.g. "BioAPI Error: Invalid Data:
   * BDBPurpose is 300; the record carries 0 to 255" (cut to fit). */
  char message[BIOAPI_REFUSAL_MESSAGE_SIZE];
} bioapi_encode_refusal;

/** Size of the first version of bioapi_encode_refusal. */
#define BIOAPI_ENCODE_REFUSAL_SIZE_V1 (12 + BIOAPI_REFUSAL_MESSAGE_SIZE)

/** Says whether the encoder refuses `bir`, and why, into *out, whose
 * struct_size the caller set (at least BIOAPI_ENCODE_REFUSAL_SIZE_V1, else
 * BIOAPI_ERROR_INVALID_PARAMETER): the reason behind the
 * BIOAPI_ERROR_INVALID_DATA of bioapi_bir_encode, bioapi_bir_encode_into
 * and bioapi_bir_to_array, for a binding to show. Writes nothing else and
 * touches no file; BIOAPI_OK whether the record is refused or not. */
BIOAPI_DATA_API bioapi_status
bioapi_bir_encode_refusal(const bioapi_bir* bir, bioapi_encode_refusal* out);

/** Encodes `bir` into the caller's buffer of `capacity` bytes and sets
 * *out_size to the record's size. With a null buffer it only sets the size
 * (capacity is ignored); with a buffer that is too small it writes nothing
 * and answers BIOAPI_ERROR_OUTPUT_TOO_SMALL. */
BIOAPI_DATA_API bioapi_status bioapi_bir_encode_into(const bioapi_bir* bir,
                                                     uint8_t* buffer,
                                                     size_t capacity,
                                                     size_t* out_size);

/** As bioapi_bir_encode, and also writes the bytes to the file "record" in
 * the current working directory, replacing what it held. Failures to write
 * the file are not reported; a record that the encoder refuses leaves the
 * file untouched. This is the library's one effect outside a handle. */
BIOAPI_DATA_API bioapi_status bioapi_bir_to_array(const bioapi_bir* bir,
                                                  uint8_t** out_data,
                                                  size_t* out_size);

/** Reads an integer field (header words, version bytes, options,
 * enumerations, quality). */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_int(const bioapi_bir* bir,
                                                 bioapi_bir_field field,
                                                 int32_t* value);
/** Sets an integer field; a value that the record cannot carry as given
 * answers BIOAPI_ERROR_INVALID_PARAMETER and changes nothing: outside the
 * min to max of bioapi_bir_field_limits (0..255 for the one-byte
 * enumerations and the quality, 0..1 for the options, 0x30 and 0x01 alone
 * for the version bytes), and outside -32768..32767 for the four constants
 * that travel only inside the object. */
BIOAPI_DATA_API bioapi_status bioapi_bir_set_int(bioapi_bir* bir,
                                                 bioapi_bir_field field,
                                                 int32_t value);

/** Reads a registry identifier field. */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_registry_id(const bioapi_bir* bir,
                                                         bioapi_bir_field field,
                                                         int16_t* owner,
                                                         int16_t* type);
/** Sets a registry identifier field; for BIOAPI_FIELD_RECORD_FORMAT any
 * identifier but 0x0101/0x0009 answers BIOAPI_ERROR_INVALID_PARAMETER (see
 * bioapi_bir_field_limits). */
BIOAPI_DATA_API bioapi_status bioapi_bir_set_registry_id(bioapi_bir* bir,
                                                         bioapi_bir_field field,
                                                         int16_t owner,
                                                         int16_t type);

/** Reads a byte string field: *data points into the handle (owned by it,
 * valid until the field is set again or the handle destroyed; null when the
 * string is empty) and *size is its length. */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_bytes(const bioapi_bir* bir,
                                                   bioapi_bir_field field,
                                                   const uint8_t** data,
                                                   size_t* size);
/** Sets a byte string field to a copy of `size` bytes at `data` (null is
 * accepted when size is 0). */
BIOAPI_DATA_API bioapi_status bioapi_bir_set_bytes(bioapi_bir* bir,
                                                   bioapi_bir_field field,
                                                   const uint8_t* data,
                                                   size_t size);

/** Reads a date-time field into the members of this version of *value, whose
 * struct_size the caller set. */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_datetime(const bioapi_bir* bir,
                                                      bioapi_bir_field field,
                                                      bioapi_datetime* value);
/** Sets a date-time field from *value, whose struct_size the caller set; a
 * member that the record cannot carry answers
 * BIOAPI_ERROR_INVALID_PARAMETER (see bioapi_datetime). */
BIOAPI_DATA_API bioapi_status bioapi_bir_set_datetime(
    bioapi_bir* bir, bioapi_bir_field field, const bioapi_datetime* value);

/** Reads the number of date-times in a validity period field. */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_period_count(
    const bioapi_bir* bir, bioapi_bir_field field, size_t* count);
/** Reads date-time `index` of a validity period field into the members of
 * this version of *value, whose struct_size the caller set; an index past
 * the end answers BIOAPI_ERROR_INVALID_PARAMETER. */
BIOAPI_DATA_API bioapi_status
bioapi_bir_get_period_element(const bioapi_bir* bir, bioapi_bir_field field,
                              size_t index, bioapi_datetime* value);
/** Sets a validity period field to copies of `count` date-times at
 * `elements`: none (no period) or 2, the start and the end, which is what a
 * record carries; any other count answers BIOAPI_ERROR_INVALID_PARAMETER.
 * The elements lie elements[0].struct_size bytes apart, so that an array of
 * a later, larger version is read as such; every element has that same
 * struct_size, and the members of each fit the record (see
 * bioapi_datetime), or the call answers BIOAPI_ERROR_INVALID_PARAMETER and
 * changes nothing. */
BIOAPI_DATA_API bioapi_status
bioapi_bir_set_period(bioapi_bir* bir, bioapi_bir_field field,
                      const bioapi_datetime* elements, size_t count);

/* ------------------------------------------------------------------------
 * Introspection: which fields a record writes, the table of fields, and the
 * names of the enumerations. Other languages build their bindings from these
 * rather than repeating the library's tables and rules.
 * ---------------------------------------------------------------------- */

/** Sets *present to 1 when the encoder writes `field` of `bir` into the
 * byte record, else 0, by the encoder's own rule: the header fields from
 * BIOAPI_FIELD_RECORD_FORMAT to BIOAPI_FIELD_INTEGRITY_OPTION and the
 * biometric data are always written; an optional field as its value decides
 * (a registered identifier other than RegisteredId1 needs both halves
 * non-zero, a date-time all nine members non-zero or wday, yday and isdst
 * all -1 (see bioapi_datetime), a byte string or validity period an
 * element); the security block when a security option is set and
 * it is not empty. NativeFormatOwner, NativeFormatType, FixedWord3 and
 * FixedWord4 travel only inside the object: 0. */
BIOAPI_DATA_API bioapi_status bioapi_bir_field_present(const bioapi_bir* bir,
                                                       bioapi_bir_field field,
                                                       int* present);

/** The kind of a field: which accessor family reads and sets it. */
typedef int32_t bioapi_field_kind;
/** An integer: bioapi_bir_get_int / bioapi_bir_set_int. */
#define BIOAPI_FIELD_KIND_INT 1
/** A truth value, 0 or 1, through the integer accessors. */
#define BIOAPI_FIELD_KIND_BOOL 2
/** A value of an enumeration, through the integer accessors. */
#define BIOAPI_FIELD_KIND_ENUM 3
/** A registry identifier: bioapi_bir_get_registry_id / _set_registry_id. */
#define BIOAPI_FIELD_KIND_REGISTRY_ID 4
/** A byte string: bioapi_bir_get_bytes / bioapi_bir_set_bytes. */
#define BIOAPI_FIELD_KIND_BYTES 5
/** A date-time: bioapi_bir_get_datetime / bioapi_bir_set_datetime. */
#define BIOAPI_FIELD_KIND_DATETIME 6
/** A validity period: bioapi_bir_get_period_* / bioapi_bir_set_period. */
#define BIOAPI_FIELD_KIND_PERIOD 7

/** An enumeration of the library, numbered from 1 without gaps. */
typedef int32_t bioapi_enumeration;
/** BiometricType: all 32 bits travel in a record. */
#define BIOAPI_ENUMERATION_BIOMETRIC_TYPE 1
/** BiometricSubtype. */
#define BIOAPI_ENUMERATION_BIOMETRIC_SUBTYPE 2
/** ProcessedLevel. */
#define BIOAPI_ENUMERATION_PROCESSED_LEVEL 3
/** Purpose. */
#define BIOAPI_ENUMERATION_PURPOSE 4
/** Facility: the source of an error code (its top byte). */
#define BIOAPI_ENUMERATION_FACILITY 5

/** Describes field `field`; the fields are numbered from 1 without gaps, in
 * the order of the C++ class, and a number past the last answers
 * BIOAPI_ERROR_INVALID_PARAMETER. Sets *name to the field's name in the C++
 * class (static: never free it), *kind to its BIOAPI_FIELD_KIND_, and
 * *enumeration to its BIOAPI_ENUMERATION_ for an enumeration, else 0;
 * *max_size to the most bytes that a byte string field can carry in a record
 * (32767 for an optional one; 2147483610 for the biometric data, with no
 * security block; 2147483606 for the security block, with an empty
 * biometric data: every record also holds a 21-byte header, 12 bytes of
 * always-written fields and the blocks' 4-byte lengths), else 0. Any out
 * pointer may be null. */
BIOAPI_DATA_API bioapi_status bioapi_bir_field_info(
    bioapi_bir_field field, const char** name, bioapi_field_kind* kind,
    bioapi_enumeration* enumeration, size_t* max_size);

/** Returns the source of an error code, a BIOAPI_ENUMERATION_FACILITY
 * value (0 the framework, 1 a BSP, 2 a unit), as the library's exception
 * built from the code alone reports it. */
BIOAPI_DATA_API int32_t bioapi_error_facility(int32_t code);

/** Describes enumeration `enumeration`: *name is its name in the library
 * ("BiometricType"; static) and *count its number of enumerators. A number
 * past the last enumeration answers BIOAPI_ERROR_INVALID_PARAMETER. Either
 * out pointer may be null. */
BIOAPI_DATA_API bioapi_status bioapi_enumeration_info(
    bioapi_enumeration enumeration, const char** name, size_t* count);

/** Reads enumerator `index` (declaration order, from 0) of `enumeration`:
 * *name is its name in the library ("Fingerprint"; static) and *value its
 * value. An index at or past the count answers
 * BIOAPI_ERROR_INVALID_PARAMETER. Either out pointer may be null. */
BIOAPI_DATA_API bioapi_status bioapi_enumerator(bioapi_enumeration enumeration,
                                                size_t index, const char** name,
                                                int32_t* value);

/** Decodes `size` bytes at `data` as bioapi_bir_decode does, except that
 * the record's biometric data stays where it is: *out holds every other
 * field and an empty BiometricData, and *bdb_offset and *bdb_size say where
 * the BDB lies in `data`. For a caller that keeps `data` and reads the BDB
 * from it, saving the decoder's copy of it; it sets BiometricData itself
 * (bioapi_bir_set_bytes) before it encodes or copies the record. Same
 * statuses as bioapi_bir_decode; on failure *out is null. */
BIOAPI_DATA_API bioapi_status bioapi_bir_decode_leaving_bdb(const uint8_t* data,
                                                            size_t size,
                                                            bioapi_bir** out,
                                                            size_t* bdb_offset,
                                                            size_t* bdb_size);

/** As bioapi_bir_decode_leaving_bdb, filling *rejection (when not null) as
 * bioapi_bir_decode_ex does. */
BIOAPI_DATA_API bioapi_status bioapi_bir_decode_leaving_bdb_ex(
    const uint8_t* data, size_t size, bioapi_bir** out, size_t* bdb_offset,
    size_t* bdb_size, bioapi_decode_rejection* rejection);

/* ------------------------------------------------------------------------
 * What a field accepts, and every value of a record in one call: for
 * bindings that check a value before they set it, and that read a whole
 * record without one call per field.
 * ---------------------------------------------------------------------- */

/** Size of the first version of bioapi_field_limits. */
#define BIOAPI_FIELD_LIMITS_SIZE_V1 48

/** The values that a field takes so that the record carries them and the
 * decoder accepts the record it makes. Versions: as bioapi_datetime (set
 * struct_size; later versions only append members). */
typedef struct bioapi_field_limits {
  uint32_t struct_size; /**< Size of the caller's structure, in bytes. */
  /** 1 when the record carries the field; 0 for a constant that travels
   * only inside the object (NativeFormatOwner, NativeFormatType,
   * FixedWord3, FixedWord4), which a binding shows read-only. */
  int32_t carried;
  /** Integer kinds (int, bool, enumeration): the least and greatest value,
   * as bioapi_bir_get_int reads it. A field with one value accepted by the
   * decoder (the header version and revision) has min == max. */
  int64_t min;
  int64_t max; /**< See min. */
  /** Registry identifiers: the least and greatest owner, then type, as
   * signed 16-bit numbers; equal for a field that the decoder accepts with
   * one value only (RecordFormat). */
  int32_t owner_min;
  int32_t owner_max; /**< See owner_min. */
  int32_t type_min;  /**< See owner_min. */
  int32_t type_max;  /**< See owner_min. */
  /** Validity periods: the number of date-times that the record carries
   * (start and end); a period holds none or this many. Otherwise 0. */
  int32_t period_length;
  /** 0. Spelt out so that the structure has one size, 48 bytes, on every
   * ABI: 32-bit x86 aligns int64_t to 4 bytes and would end it at 44. */
  int32_t reserved;
} bioapi_field_limits;

/** Describes what field `field` accepts into *limits, whose struct_size the
 * caller set (at least BIOAPI_FIELD_LIMITS_SIZE_V1, else
 * BIOAPI_ERROR_INVALID_PARAMETER). A number past the last field answers
 * BIOAPI_ERROR_INVALID_PARAMETER. Byte strings: see the max_size of
 * bioapi_bir_field_info; date-times: see bioapi_datetime. */
BIOAPI_DATA_API bioapi_status
bioapi_bir_field_limits(bioapi_bir_field field, bioapi_field_limits* limits);

/** Number of fields: the last BIOAPI_FIELD_ number. */
#define BIOAPI_BIR_FIELD_COUNT 35
/** Slots of bioapi_bir_values that a field of each kind takes. */
#define BIOAPI_VALUE_SLOTS_INT 1 /**< int, bool, enumeration: the value */
#define BIOAPI_VALUE_SLOTS_REGISTRY_ID 2 /**< owner, type */
/** A byte string: its size (INT32_MAX for a larger one); its bytes through
 * bioapi_bir_get_bytes. */
#define BIOAPI_VALUE_SLOTS_BYTES 1
#define BIOAPI_VALUE_SLOTS_DATETIME \
  9 /**< the nine members of bioapi_datetime */
/** A validity period: its number of date-times, then the nine members of
 * each of the first two (zero where it has fewer). */
#define BIOAPI_VALUE_SLOTS_PERIOD 19
/** Slots of bioapi_bir_values: enough for every field. */
#define BIOAPI_BIR_VALUE_SLOTS 112

/** Size of the first version of bioapi_bir_values. */
#define BIOAPI_BIR_VALUES_SIZE_V1 464

/** Every value of a record but the bytes of its byte strings, as one block.
 * Versions: as bioapi_datetime. */
typedef struct bioapi_bir_values {
  uint32_t struct_size; /**< Size of the caller's structure, in bytes. */
  uint32_t reserved;    /**< 0. */
  /** Bit n - 1 set when the encoder writes field n (as
   * bioapi_bir_field_present says). */
  uint64_t present;
  /** The fields in number order, each taking the BIOAPI_VALUE_SLOTS_ of its
   * kind (bioapi_bir_field_info), one after the other from slot 0. */
  int32_t slot[BIOAPI_BIR_VALUE_SLOTS];
} bioapi_bir_values;

/** Reads every value of `bir` but the bytes of its byte strings into *values,
 * whose struct_size the caller set (at least BIOAPI_BIR_VALUES_SIZE_V1, else
 * BIOAPI_ERROR_INVALID_PARAMETER): the same values as the per-field
 * getters, from one call. */
BIOAPI_DATA_API bioapi_status bioapi_bir_read_values(const bioapi_bir* bir,
                                                     bioapi_bir_values* values);

#ifdef __cplusplus
}
#endif

#endif /* BIOAPI_DATA_BIOAPI_DATA_C_H_ */
