/* C interface to the bioapi_data record codec and error table.
 *
 * Valid C99 and C++. Only C types cross this boundary, and no C++ exception
 * ever does: every function that can fail returns a bioapi_status, 0 for
 * success or the BioAPI error code that the C++ interface would have thrown
 * (for example 0x0200010B, "Invalid Data" from a unit, for a rejected
 * record). Usable from any compiler or language that calls C functions.
 *
 * Ownership: a bioapi_bir handle owns everything it holds; destroy it with
 * bioapi_bir_destroy. Byte strings read from a handle stay owned by the
 * handle. Buffers that the library allocates for the caller are released
 * with bioapi_free. The library keeps no global state: distinct handles may
 * be used from distinct threads; one handle must not be used from two
 * threads at once.
 */
#ifndef BIOAPI_DATA_BIOAPI_DATA_C_H_
#define BIOAPI_DATA_BIOAPI_DATA_C_H_

#include <stddef.h>
#include <stdint.h>

#include "bioapi_data/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Version of this interface; equal to the library's version. */
#define BIOAPI_DATA_C_VERSION_MAJOR 1
#define BIOAPI_DATA_C_VERSION_MINOR 0
#define BIOAPI_DATA_C_VERSION_PATCH 0
/** The version as one number: major * 10000 + minor * 100 + patch. */
#define BIOAPI_DATA_C_VERSION 10000

/** 0 for success, otherwise a BioAPI error code (top byte: its source). */
typedef int32_t bioapi_status;

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

/** The fields of a record, numbered in record-model order. Each accessor
 * family takes the fields of its kind and answers
 * BIOAPI_ERROR_INVALID_PARAMETER for any other. */
typedef enum bioapi_bir_field {
  /* Integers: bioapi_bir_get_int / bioapi_bir_set_int. */
  BIOAPI_FIELD_NATIVE_FORMAT_OWNER = 1,
  BIOAPI_FIELD_NATIVE_FORMAT_TYPE = 2,
  BIOAPI_FIELD_FIXED_WORD3 = 3,
  BIOAPI_FIELD_FIXED_WORD4 = 4,
  /* Registry identifiers: bioapi_bir_get_registry_id / _set_registry_id. */
  BIOAPI_FIELD_RECORD_FORMAT = 5,
  /* Integers. */
  BIOAPI_FIELD_HEADER_VERSION = 6,
  BIOAPI_FIELD_HEADER_REVISION = 7,
  /* Registry identifier. */
  BIOAPI_FIELD_BDB_FORMAT = 8,
  /* Integers; the two options are 0 (false) or 1 (true). */
  BIOAPI_FIELD_ENCRYPTION_OPTION = 9,
  BIOAPI_FIELD_INTEGRITY_OPTION = 10,
  BIOAPI_FIELD_BDB_BIOMETRIC_TYPE = 11,
  BIOAPI_FIELD_BDB_BIOMETRIC_SUBTYPE = 12,
  /* Registry identifiers. */
  BIOAPI_FIELD_REGISTERED_ID1 = 13,
  BIOAPI_FIELD_REGISTERED_ID2 = 14,
  BIOAPI_FIELD_REGISTERED_ID3 = 15,
  BIOAPI_FIELD_REGISTERED_ID4 = 16,
  BIOAPI_FIELD_REGISTERED_ID5 = 17,
  /* Byte strings: bioapi_bir_get_bytes / bioapi_bir_set_bytes. */
  BIOAPI_FIELD_OCTET_STRING1 = 18,
  /* Date-times: bioapi_bir_get_datetime / bioapi_bir_set_datetime. */
  BIOAPI_FIELD_BDB_CREATION_DATE = 19,
  BIOAPI_FIELD_OCTET_STRING2 = 20,
  BIOAPI_FIELD_BDB_PROCESSED_LEVEL = 21,
  BIOAPI_FIELD_REGISTERED_ID6 = 22,
  BIOAPI_FIELD_BDB_PURPOSE = 23,
  BIOAPI_FIELD_BDB_QUALITY = 24,
  BIOAPI_FIELD_REGISTERED_ID7 = 25,
  /* Validity periods: bioapi_bir_get_period_* / bioapi_bir_set_period. */
  BIOAPI_FIELD_BDB_VALIDITY_PERIOD = 26,
  BIOAPI_FIELD_BIR_CREATION_DATE = 27,
  BIOAPI_FIELD_OCTET_STRING3 = 28,
  BIOAPI_FIELD_OCTET_STRING4 = 29,
  BIOAPI_FIELD_OCTET_STRING5 = 30,
  BIOAPI_FIELD_OCTET_STRING6 = 31,
  BIOAPI_FIELD_BIR_VALIDITY_PERIOD = 32,
  BIOAPI_FIELD_REGISTERED_ID8 = 33,
  BIOAPI_FIELD_BIOMETRIC_DATA = 34,
  BIOAPI_FIELD_SECURITY_BLOCK = 35
} bioapi_bir_field;

/** A date-time: the six members that a record carries, then three that only
 * travel inside the object. Set struct_size to sizeof(bioapi_datetime)
 * before passing one in; later versions only append members. */
typedef struct bioapi_datetime {
  uint32_t struct_size;
  int32_t year; /* the full calendar year */
  int32_t month;
  int32_t day;
  int32_t hour;
  int32_t minute;
  int32_t second;
  int32_t wday;  /* -1 when decoded from a record: not known */
  int32_t yday;  /* -1 when decoded from a record */
  int32_t isdst; /* -1 when decoded from a record */
} bioapi_datetime;

/** Creates a record with the native header, every other scalar 0 and every
 * byte string and sequence empty. The caller owns *out. */
BIOAPI_DATA_API bioapi_status bioapi_bir_create(bioapi_bir** out);

/** Decodes `size` bytes at `data` (not kept). On success the caller owns
 * *out; on failure *out is null and the status is
 * BIOAPI_ERROR_INVALID_DATA for a rejected record. */
BIOAPI_DATA_API bioapi_status bioapi_bir_decode(const uint8_t* data,
                                                size_t size, bioapi_bir** out);

/** Creates an independent copy of `bir`; the caller owns *out. */
BIOAPI_DATA_API bioapi_status bioapi_bir_clone(const bioapi_bir* bir,
                                               bioapi_bir** out);

/** Destroys a record and everything it owns; null is accepted. */
BIOAPI_DATA_API void bioapi_bir_destroy(bioapi_bir* bir);

/** Encodes `bir` into a buffer that the library allocates: on success the
 * caller owns *out_data (release it with bioapi_free) of *out_size bytes.
 * Status BIOAPI_ERROR_INVALID_DATA when a byte string exceeds 32767 bytes
 * or the record 2147483647 bytes. */
BIOAPI_DATA_API bioapi_status bioapi_bir_encode(const bioapi_bir* bir,
                                                uint8_t** out_data,
                                                size_t* out_size);

/** Encodes `bir` into the caller's buffer of `capacity` bytes and sets
 * *out_size to the record's size. With a null buffer it only sets the size
 * (capacity is ignored); with a buffer that is too small it writes nothing
 * and answers BIOAPI_ERROR_OUTPUT_TOO_SMALL. */
BIOAPI_DATA_API bioapi_status bioapi_bir_encode_into(const bioapi_bir* bir,
                                                     uint8_t* buffer,
                                                     size_t capacity,
                                                     size_t* out_size);

/** As bioapi_bir_encode, and also leaves the bytes in the file "record" of
 * the current working directory (replaced atomically; failures to write the
 * file are not reported). */
BIOAPI_DATA_API bioapi_status bioapi_bir_to_array(const bioapi_bir* bir,
                                                  uint8_t** out_data,
                                                  size_t* out_size);

/** Reads an integer field (header words, version bytes, options,
 * enumerations, quality). */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_int(const bioapi_bir* bir,
                                                 bioapi_bir_field field,
                                                 int32_t* value);
/** Sets an integer field; a value that the field cannot hold (outside
 * -32768..32767 for the header words, 0..255 for the version bytes and the
 * quality, 0..1 for the options) answers BIOAPI_ERROR_INVALID_PARAMETER. */
BIOAPI_DATA_API bioapi_status bioapi_bir_set_int(bioapi_bir* bir,
                                                 bioapi_bir_field field,
                                                 int32_t value);

/** Reads a registry identifier field. */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_registry_id(const bioapi_bir* bir,
                                                         bioapi_bir_field field,
                                                         int16_t* owner,
                                                         int16_t* type);
/** Sets a registry identifier field. */
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

/** Reads a date-time field into *value, whose struct_size the caller set. */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_datetime(const bioapi_bir* bir,
                                                      bioapi_bir_field field,
                                                      bioapi_datetime* value);
/** Sets a date-time field from *value, whose struct_size the caller set. */
BIOAPI_DATA_API bioapi_status bioapi_bir_set_datetime(
    bioapi_bir* bir, bioapi_bir_field field, const bioapi_datetime* value);

/** Reads the number of date-times in a validity period field. */
BIOAPI_DATA_API bioapi_status bioapi_bir_get_period_count(
    const bioapi_bir* bir, bioapi_bir_field field, size_t* count);
/** Reads date-time `index` of a validity period field. */
BIOAPI_DATA_API bioapi_status
bioapi_bir_get_period_element(const bioapi_bir* bir, bioapi_bir_field field,
                              size_t index, bioapi_datetime* value);
/** Sets a validity period field to copies of `count` date-times at
 * `elements` (start, end; a record carries the first two). */
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
 * non-zero, a date-time its weekday, day of the year and DST flag all -1 or
 * all nine members non-zero, a byte string or validity period an element);
 * the security block when a security option is set and
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
 * (32767 for an optional one), else 0. Any out pointer may be null. */
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

#ifdef __cplusplus
}
#endif

#endif /* BIOAPI_DATA_BIOAPI_DATA_C_H_ */
