/* The C interface, used from C: decode the golden records, read and change
 * fields, encode and compare bytes, and check every error status. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bioapi_data/bioapi_data_c.h"
#include "c_test_support.h"
#include "damaged_records.h"
#include "refused_values.h"

#define CHECK_STATUS(call, expected) CHECK((call) == (expected))

static bioapi_datetime datetime(int32_t year, int32_t month, int32_t day) {
  bioapi_datetime t;
  t.struct_size = sizeof t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = 10;
  t.minute = 20;
  t.second = 30;
  t.wday = 2;
  t.yday = 100;
  t.isdst = -1;
  return t;
}

static void test_messages(void) {
  CHECK(bioapi_version() == BIOAPI_DATA_C_VERSION);
  CHECK(strcmp(bioapi_error_message(0x0200010B),
               "BioAPI Error: Invalid Data. (Source: Unit).") == 0);
  CHECK(strcmp(bioapi_error_message(0x101),
               "BioAPI Internal Error. (Source: Framework).") == 0);
  CHECK(strcmp(bioapi_error_message(0x01000102),
               "BioAPI Memory Error. (Source: BSP).") == 0);
  CHECK(
      strcmp(
          bioapi_error_message(0x508),
          "BioAPI Error: Presentation Attack Detected. (Source: Framework).") ==
      0);
  CHECK(strcmp(bioapi_error_message(-1),
               "BioAPI Error - Error not identified. (Source: Framework).") ==
        0);
  CHECK(strcmp(bioapi_error_message(0x03000509),
               "BioAPI Error - Error not identified. (Source: Framework).") ==
        0);
}

static void test_golden_records(void) {
  size_t size = 0, encoded_size = 0;
  uint8_t* bytes = read_record("minimal.bir", &size);
  uint8_t* encoded = NULL;
  bioapi_bir* bir = NULL;
  int16_t owner = 0, type = 0;
  int32_t value = -1;
  const uint8_t* data = (const uint8_t*)"x";
  bioapi_datetime date;
  size_t count = 9;

  CHECK_STATUS(bioapi_bir_decode(bytes, size, &bir), BIOAPI_OK);
  CHECK_STATUS(
      bioapi_bir_get_registry_id(bir, BIOAPI_FIELD_BDB_FORMAT, &owner, &type),
      BIOAPI_OK);
  CHECK(owner == 1 && type == 2);
  CHECK_STATUS(bioapi_bir_get_registry_id(bir, BIOAPI_FIELD_RECORD_FORMAT,
                                          &owner, &type),
               BIOAPI_OK);
  CHECK(owner == 0x0101 && type == 0x0009);
  CHECK_STATUS(bioapi_bir_get_int(bir, BIOAPI_FIELD_HEADER_VERSION, &value),
               BIOAPI_OK);
  CHECK(value == 0x30);
  CHECK_STATUS(bioapi_bir_get_int(bir, BIOAPI_FIELD_ENCRYPTION_OPTION, &value),
               BIOAPI_OK);
  CHECK(value == 0);
  CHECK_STATUS(
      bioapi_bir_get_bytes(bir, BIOAPI_FIELD_BIOMETRIC_DATA, &data, &size),
      BIOAPI_OK);
  CHECK(data == NULL && size == 0);
  date.struct_size = sizeof date;
  CHECK_STATUS(
      bioapi_bir_get_datetime(bir, BIOAPI_FIELD_BIR_CREATION_DATE, &date),
      BIOAPI_OK);
  CHECK(date.year == 2000 && date.month == 1 && date.day == 1 &&
        date.hour == 0);
  CHECK_STATUS(bioapi_bir_get_period_count(
                   bir, BIOAPI_FIELD_BDB_VALIDITY_PERIOD, &count),
               BIOAPI_OK);
  CHECK(count == 0);
  bioapi_bir_destroy(bir);
  free(bytes);

  /* The 40-byte record decodes and encodes to the same bytes. */
  bytes = read_record("field_by_field.bir", &size);
  CHECK_STATUS(bioapi_bir_decode(bytes, size, &bir), BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_get_int(bir, BIOAPI_FIELD_BDB_QUALITY, &value),
               BIOAPI_OK);
  CHECK(value == 80);
  CHECK_STATUS(bioapi_bir_get_int(bir, BIOAPI_FIELD_BDB_BIOMETRIC_TYPE, &value),
               BIOAPI_OK);
  CHECK(value == 8);
  CHECK_STATUS(bioapi_bir_get_bytes(bir, BIOAPI_FIELD_BIOMETRIC_DATA, &data,
                                    &encoded_size),
               BIOAPI_OK);
  CHECK(encoded_size == 3 && data[0] == 0xAA && data[2] == 0xCC);
  CHECK_STATUS(bioapi_bir_encode(bir, &encoded, &encoded_size), BIOAPI_OK);
  CHECK(encoded_size == size && memcmp(encoded, bytes, size) == 0);
  bioapi_free(encoded);
  bioapi_bir_destroy(bir);
  free(bytes);
}

static void test_changing_fields(void) {
  bioapi_bir* bir = NULL;
  bioapi_bir* copy = NULL;
  bioapi_bir* decoded = NULL;
  uint8_t* encoded = NULL;
  uint8_t* file_encoded = NULL;
  size_t size = 0, file_size = 0, needed = 0, count = 0;
  const uint8_t payload[] = {1, 2, 3, 4, 5};
  const uint8_t label[] = {'i', 'd'};
  const uint8_t* data = NULL;
  bioapi_datetime period[2];
  bioapi_datetime read;
  uint8_t small[8];
  uint8_t* exact;
  int32_t value = 0;
  int16_t owner = 0, type = 0;

  CHECK_STATUS(bioapi_bir_create(&bir), BIOAPI_OK);
  CHECK_STATUS(
      bioapi_bir_set_registry_id(bir, BIOAPI_FIELD_BDB_FORMAT, 0x1B, 0x201),
      BIOAPI_OK);
  CHECK_STATUS(
      bioapi_bir_set_registry_id(bir, BIOAPI_FIELD_REGISTERED_ID2, 5, 6),
      BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_set_int(bir, BIOAPI_FIELD_BDB_QUALITY, 99),
               BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_set_int(bir, BIOAPI_FIELD_BDB_PURPOSE, 3), BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_set_int(bir, BIOAPI_FIELD_INTEGRITY_OPTION, 1),
               BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_set_bytes(bir, BIOAPI_FIELD_BIOMETRIC_DATA, payload,
                                    sizeof payload),
               BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_set_bytes(bir, BIOAPI_FIELD_SECURITY_BLOCK, label,
                                    sizeof label),
               BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_set_bytes(bir, BIOAPI_FIELD_OCTET_STRING5, label,
                                    sizeof label),
               BIOAPI_OK);
  read = datetime(2026, 12, 10);
  CHECK_STATUS(
      bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &read),
      BIOAPI_OK);
  period[0] = datetime(2026, 1, 1);
  period[1] = datetime(2030, 12, 31);
  CHECK_STATUS(
      bioapi_bir_set_period(bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, period, 2),
      BIOAPI_OK);

  /* A copy is independent of its source. */
  CHECK_STATUS(bioapi_bir_clone(bir, &copy), BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_set_int(copy, BIOAPI_FIELD_BDB_QUALITY, 1),
               BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_get_int(bir, BIOAPI_FIELD_BDB_QUALITY, &value),
               BIOAPI_OK);
  CHECK(value == 99);
  bioapi_bir_destroy(copy);

  /* Encoded, decoded again: every written field comes back. */
  CHECK_STATUS(bioapi_bir_encode(bir, &encoded, &size), BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_decode(encoded, size, &decoded), BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_get_registry_id(decoded, BIOAPI_FIELD_REGISTERED_ID2,
                                          &owner, &type),
               BIOAPI_OK);
  CHECK(owner == 5 && type == 6);
  CHECK_STATUS(bioapi_bir_get_int(decoded, BIOAPI_FIELD_BDB_PURPOSE, &value),
               BIOAPI_OK);
  CHECK(value == 3);
  CHECK_STATUS(
      bioapi_bir_get_bytes(decoded, BIOAPI_FIELD_SECURITY_BLOCK, &data, &count),
      BIOAPI_OK);
  CHECK(count == 2 && data[0] == 'i');
  CHECK_STATUS(
      bioapi_bir_get_bytes(decoded, BIOAPI_FIELD_OCTET_STRING5, &data, &count),
      BIOAPI_OK);
  CHECK(count == 2 && data[1] == 'd');
  read.struct_size = sizeof read;
  CHECK_STATUS(
      bioapi_bir_get_datetime(decoded, BIOAPI_FIELD_BDB_CREATION_DATE, &read),
      BIOAPI_OK);
  CHECK(read.year == 2026 && read.month == 12 && read.day == 10 &&
        read.second == 30);
  CHECK(read.wday == -1 && read.yday == -1 && read.isdst == -1);
  CHECK_STATUS(bioapi_bir_get_period_count(
                   decoded, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, &count),
               BIOAPI_OK);
  CHECK(count == 2);
  CHECK_STATUS(bioapi_bir_get_period_element(
                   decoded, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, 1, &read),
               BIOAPI_OK);
  CHECK(read.year == 2030 && read.month == 12 && read.day == 31);
  bioapi_bir_destroy(decoded);

  /* Into the caller's buffer: size query, too small, exact. */
  CHECK_STATUS(bioapi_bir_encode_into(bir, NULL, 0, &needed), BIOAPI_OK);
  CHECK(needed == size);
  CHECK_STATUS(bioapi_bir_encode_into(bir, small, sizeof small, &needed),
               BIOAPI_ERROR_OUTPUT_TOO_SMALL);
  CHECK(needed == size);
  exact = (uint8_t*)malloc(needed);
  CHECK_STATUS(bioapi_bir_encode_into(bir, exact, needed, &needed), BIOAPI_OK);
  CHECK(memcmp(exact, encoded, size) == 0);
  free(exact);

  /* The file-writing encode leaves the same bytes in "record". */
  CHECK_STATUS(bioapi_bir_to_array(bir, &file_encoded, &file_size), BIOAPI_OK);
  CHECK(file_size == size && memcmp(file_encoded, encoded, size) == 0);
  {
    FILE* file = fopen("record", "rb");
    uint8_t* on_disk = (uint8_t*)malloc(size + 1);
    CHECK(file != NULL);
    if (file != NULL) {
      CHECK(fread(on_disk, 1, size + 1, file) == size);
      CHECK(memcmp(on_disk, encoded, size) == 0);
      fclose(file);
    }
    free(on_disk);
  }
  /* Nothing of the test stays behind in the build tree. */
  CHECK(remove("record") == 0);
  bioapi_free(file_encoded);
  bioapi_free(encoded);
  bioapi_bir_destroy(bir);
}

static void test_error_statuses(void) {
  size_t size = 0;
  uint8_t* bytes = read_record("minimal.bir", &size);
  bioapi_bir* bir = (bioapi_bir*)&size; /* must be reset to null on failure */
  uint8_t* encoded = NULL;
  uint8_t* big;
  int32_t value = 0;
  int16_t owner = 0, type = 0;
  const uint8_t* data = NULL;
  bioapi_datetime date;
  size_t count = 0;

  /* Rejected records, each the decoder's "Invalid Data" from a unit. */
  bytes[8] = 0x31;
  CHECK_STATUS(bioapi_bir_decode(bytes, size, &bir), BIOAPI_ERROR_INVALID_DATA);
  CHECK(bir == NULL);
  bytes[8] = 0x30;
  CHECK_STATUS(bioapi_bir_decode(bytes, size - 1, &bir),
               BIOAPI_ERROR_INVALID_DATA);
  CHECK_STATUS(bioapi_bir_decode(bytes, 0, &bir), BIOAPI_ERROR_INVALID_DATA);
  CHECK_STATUS(bioapi_bir_decode(NULL, 25, &bir), BIOAPI_ERROR_INVALID_POINTER);
  CHECK_STATUS(bioapi_bir_decode(NULL, 0, &bir), BIOAPI_ERROR_INVALID_POINTER);
  CHECK_STATUS(bioapi_bir_decode(bytes, size, NULL),
               BIOAPI_ERROR_INVALID_POINTER);
  CHECK(strcmp(bioapi_error_message(BIOAPI_ERROR_INVALID_DATA),
               "BioAPI Error: Invalid Data. (Source: Unit).") == 0);

  CHECK_STATUS(bioapi_bir_decode(bytes, size, &bir), BIOAPI_OK);
  bioapi_bir_destroy(bir);
  free(bytes);

  /* Null arguments. */
  CHECK_STATUS(bioapi_bir_create(NULL), BIOAPI_ERROR_INVALID_POINTER);
  CHECK_STATUS(bioapi_bir_clone(NULL, &bir), BIOAPI_ERROR_INVALID_POINTER);
  CHECK(bir == NULL);
  CHECK_STATUS(bioapi_bir_create(&bir), BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_encode(bir, NULL, &size),
               BIOAPI_ERROR_INVALID_POINTER);
  CHECK_STATUS(bioapi_bir_encode_into(bir, NULL, 0, NULL),
               BIOAPI_ERROR_INVALID_POINTER);
  CHECK_STATUS(bioapi_bir_get_int(NULL, BIOAPI_FIELD_BDB_QUALITY, &value),
               BIOAPI_ERROR_INVALID_POINTER);
  CHECK_STATUS(bioapi_bir_set_bytes(bir, BIOAPI_FIELD_OCTET_STRING1, NULL, 3),
               BIOAPI_ERROR_INVALID_POINTER);
  CHECK_STATUS(bioapi_bir_set_bytes(bir, BIOAPI_FIELD_OCTET_STRING1, NULL, 0),
               BIOAPI_OK);
  CHECK_STATUS(
      bioapi_bir_set_period(bir, BIOAPI_FIELD_BDB_VALIDITY_PERIOD, NULL, 1),
      BIOAPI_ERROR_INVALID_POINTER);
  bioapi_bir_destroy(NULL);
  bioapi_free(NULL);

  /* Fields of another kind, values out of range, indexes past the end. */
  CHECK_STATUS(bioapi_bir_get_int(bir, BIOAPI_FIELD_BDB_FORMAT, &value),
               BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK_STATUS(
      bioapi_bir_get_registry_id(bir, BIOAPI_FIELD_BDB_QUALITY, &owner, &type),
      BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK_STATUS(
      bioapi_bir_get_bytes(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &data, &count),
      BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK_STATUS(bioapi_bir_get_bytes(bir, 99, &data, &count),
               BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK_STATUS(bioapi_bir_set_int(bir, BIOAPI_FIELD_BDB_QUALITY, 256),
               BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK_STATUS(bioapi_bir_set_int(bir, BIOAPI_FIELD_ENCRYPTION_OPTION, 2),
               BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK_STATUS(bioapi_bir_set_int(bir, BIOAPI_FIELD_FIXED_WORD3, 40000),
               BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK_STATUS(bioapi_bir_get_int(bir, BIOAPI_FIELD_BDB_QUALITY, &value),
               BIOAPI_OK);
  CHECK(value == 0);
  date.struct_size = 4; /* too small for this version */
  CHECK_STATUS(
      bioapi_bir_get_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &date),
      BIOAPI_ERROR_INVALID_PARAMETER);
  date.struct_size = sizeof date;
  CHECK_STATUS(bioapi_bir_get_period_element(
                   bir, BIOAPI_FIELD_BDB_VALIDITY_PERIOD, 0, &date),
               BIOAPI_ERROR_INVALID_PARAMETER);

  /* The encoder refuses a byte string that its 16-bit length cannot hold. */
  big = (uint8_t*)calloc(32768, 1);
  CHECK_STATUS(
      bioapi_bir_set_bytes(bir, BIOAPI_FIELD_OCTET_STRING2, big, 32768),
      BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_encode(bir, &encoded, &size),
               BIOAPI_ERROR_INVALID_DATA);
  CHECK_STATUS(bioapi_bir_encode_into(bir, NULL, 0, &size),
               BIOAPI_ERROR_INVALID_DATA);
  CHECK_STATUS(
      bioapi_bir_set_bytes(bir, BIOAPI_FIELD_OCTET_STRING2, big, 32767),
      BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_encode(bir, &encoded, &size), BIOAPI_OK);
  bioapi_free(encoded);
  free(big);
  bioapi_bir_destroy(bir);
}

/* Calls every getter with `field` and counts those that accept it. */
static int getters_accepting(const bioapi_bir* bir, bioapi_bir_field field) {
  int32_t value = 0;
  int16_t owner = 0, type = 0;
  const uint8_t* data = NULL;
  size_t size = 0;
  bioapi_datetime date;
  int accepted = 0;
  date.struct_size = sizeof date;
  accepted += bioapi_bir_get_int(bir, field, &value) == BIOAPI_OK;
  accepted +=
      bioapi_bir_get_registry_id(bir, field, &owner, &type) == BIOAPI_OK;
  accepted += bioapi_bir_get_bytes(bir, field, &data, &size) == BIOAPI_OK;
  accepted += bioapi_bir_get_datetime(bir, field, &date) == BIOAPI_OK;
  accepted += bioapi_bir_get_period_count(bir, field, &size) == BIOAPI_OK;
  return accepted;
}

/* Every 32-bit number is a defined field argument: 1 to 35 each name one
 * field of one kind, and every other number answers "Invalid Parameter" from
 * every accessor, setters included, without touching the record. */
static void test_field_numbers(void) {
  static const bioapi_bir_field outside[] = {-1,        0,         36, 64,
                                             INT32_MIN, INT32_MAX, 99, -35};
  const uint8_t byte = 7;
  bioapi_datetime date;
  bioapi_bir* bir = NULL;
  uint8_t* before = NULL;
  uint8_t* after = NULL;
  size_t before_size = 0, after_size = 0, i;
  bioapi_bir_field field;

  CHECK_STATUS(bioapi_bir_create(&bir), BIOAPI_OK);
  for (field = 1; field <= 35; ++field) {
    if (getters_accepting(bir, field) != 1) {
      fprintf(stderr, "field %d: not exactly one kind\n", (int)field);
      ++failures;
    }
  }
  date = datetime(2026, 5, 6);
  CHECK_STATUS(bioapi_bir_encode(bir, &before, &before_size), BIOAPI_OK);
  for (i = 0; i < sizeof outside / sizeof outside[0]; ++i) {
    field = outside[i];
    CHECK(getters_accepting(bir, field) == 0);
    CHECK_STATUS(bioapi_bir_set_int(bir, field, 1),
                 BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK_STATUS(bioapi_bir_set_registry_id(bir, field, 1, 1),
                 BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK_STATUS(bioapi_bir_set_bytes(bir, field, &byte, 1),
                 BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK_STATUS(bioapi_bir_set_datetime(bir, field, &date),
                 BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK_STATUS(bioapi_bir_set_period(bir, field, &date, 1),
                 BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK_STATUS(bioapi_bir_get_period_element(bir, field, 0, &date),
                 BIOAPI_ERROR_INVALID_PARAMETER);
  }
  CHECK_STATUS(bioapi_bir_encode(bir, &after, &after_size), BIOAPI_OK);
  CHECK(after_size == before_size && memcmp(after, before, after_size) == 0);
  bioapi_free(before);
  bioapi_free(after);
  bioapi_bir_destroy(bir);
}

/* A date-time member that the record cannot carry is refused by both
 * setters, and the field keeps its value. */
static void test_datetime_ranges(void) {
  static const struct {
    size_t member; /* offset in bioapi_datetime */
    int32_t value;
    bioapi_status expected;
  } cases[] = {
      {offsetof(bioapi_datetime, year), 32767, BIOAPI_OK},
      {offsetof(bioapi_datetime, year), -32768, BIOAPI_OK},
      {offsetof(bioapi_datetime, year), 32768, BIOAPI_ERROR_INVALID_PARAMETER},
      {offsetof(bioapi_datetime, year), -32769, BIOAPI_ERROR_INVALID_PARAMETER},
      {offsetof(bioapi_datetime, month), 255, BIOAPI_OK},
      {offsetof(bioapi_datetime, month), -1, BIOAPI_ERROR_INVALID_PARAMETER},
      {offsetof(bioapi_datetime, day), 256, BIOAPI_ERROR_INVALID_PARAMETER},
      {offsetof(bioapi_datetime, hour), 0, BIOAPI_OK},
      {offsetof(bioapi_datetime, hour), 256, BIOAPI_ERROR_INVALID_PARAMETER},
      {offsetof(bioapi_datetime, minute), INT32_MIN,
       BIOAPI_ERROR_INVALID_PARAMETER},
      {offsetof(bioapi_datetime, second), INT32_MAX,
       BIOAPI_ERROR_INVALID_PARAMETER},
      /* The three that the record does not carry take any value. */
      {offsetof(bioapi_datetime, wday), INT32_MIN, BIOAPI_OK},
      {offsetof(bioapi_datetime, yday), 1000, BIOAPI_OK},
      {offsetof(bioapi_datetime, isdst), INT32_MAX, BIOAPI_OK},
  };
  bioapi_bir* bir = NULL;
  bioapi_datetime kept = datetime(2026, 3, 14);
  bioapi_datetime period[2];
  bioapi_datetime read;
  size_t i, count = 0;

  CHECK_STATUS(bioapi_bir_create(&bir), BIOAPI_OK);
  CHECK_STATUS(
      bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BIR_CREATION_DATE, &kept),
      BIOAPI_OK);
  period[0] = kept;
  period[1] = kept;
  CHECK_STATUS(
      bioapi_bir_set_period(bir, BIOAPI_FIELD_BDB_VALIDITY_PERIOD, period, 2),
      BIOAPI_OK);
  for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    bioapi_datetime t = datetime(2031, 1, 2);
    bioapi_status status;
    memcpy((char*)&t + cases[i].member, &cases[i].value, sizeof(int32_t));
    status = bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BIR_CREATION_DATE, &t);
    if (status != cases[i].expected) {
      fprintf(stderr, "date-time case %u: status 0x%X\n", (unsigned)i,
              (unsigned)status);
      ++failures;
    }
    /* As the end of a period, after a good start. */
    period[1] = t;
    CHECK_STATUS(
        bioapi_bir_set_period(bir, BIOAPI_FIELD_BDB_VALIDITY_PERIOD, period, 2),
        cases[i].expected);
    read.struct_size = sizeof read;
    CHECK_STATUS(
        bioapi_bir_get_datetime(bir, BIOAPI_FIELD_BIR_CREATION_DATE, &read),
        BIOAPI_OK);
    CHECK_STATUS(bioapi_bir_get_period_count(
                     bir, BIOAPI_FIELD_BDB_VALIDITY_PERIOD, &count),
                 BIOAPI_OK);
    if (cases[i].expected == BIOAPI_OK) {
      CHECK(memcmp(&read, &t, sizeof t) == 0 && count == 2);
      /* Back to the kept values for the next case. */
      CHECK_STATUS(
          bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BIR_CREATION_DATE, &kept),
          BIOAPI_OK);
      period[1] = kept;
      CHECK_STATUS(bioapi_bir_set_period(bir, BIOAPI_FIELD_BDB_VALIDITY_PERIOD,
                                         period, 2),
                   BIOAPI_OK);
    } else {
      CHECK(memcmp(&read, &kept, sizeof kept) == 0 && count == 2);
      CHECK_STATUS(bioapi_bir_get_period_element(
                       bir, BIOAPI_FIELD_BDB_VALIDITY_PERIOD, 1, &read),
                   BIOAPI_OK);
      CHECK(memcmp(&read, &kept, sizeof kept) == 0);
      period[1] = kept;
    }
  }
  bioapi_bir_destroy(bir);
}

/* A later version of bioapi_datetime: this one with members appended. The
 * library reads and writes the members that it knows and steps through an
 * array by the caller's struct_size. */
typedef struct later_datetime {
  bioapi_datetime known;
  int32_t zone_minutes;
  int32_t reserved[3];
} later_datetime;

static later_datetime later(int32_t year, int32_t month, int32_t day,
                            int32_t zone_minutes) {
  later_datetime t;
  memset(&t, 0xA5, sizeof t);
  t.known = datetime(year, month, day);
  t.known.struct_size = sizeof t;
  t.zone_minutes = zone_minutes;
  return t;
}

static void test_later_structure(void) {
  bioapi_bir* bir = NULL;
  later_datetime in = later(2026, 7, 8, 60);
  later_datetime out;
  later_datetime period[2];
  later_datetime untouched;
  bioapi_datetime small = datetime(2026, 7, 8);
  size_t count = 0;

  CHECK_STATUS(bioapi_bir_create(&bir), BIOAPI_OK);
  CHECK_STATUS(
      bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &in.known),
      BIOAPI_OK);
  /* Read into the larger structure: its own members stay as they were. */
  memset(&out, 0x5A, sizeof out);
  out.known.struct_size = sizeof out;
  untouched = out;
  CHECK_STATUS(
      bioapi_bir_get_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &out.known),
      BIOAPI_OK);
  CHECK(memcmp(&out.known, &in.known, sizeof out.known) == 0);
  CHECK(memcmp(&out.zone_minutes, &untouched.zone_minutes,
               sizeof out - offsetof(later_datetime, zone_minutes)) == 0);

  /* A period of larger elements: each is read at its own place. */
  period[0] = later(2026, 1, 1, 60);
  period[1] = later(2040, 6, 6, 120);
  CHECK_STATUS(bioapi_bir_set_period(bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD,
                                     &period[0].known, 2),
               BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_get_period_count(
                   bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, &count),
               BIOAPI_OK);
  CHECK(count == 2);
  out = untouched;
  CHECK_STATUS(bioapi_bir_get_period_element(
                   bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, 1, &out.known),
               BIOAPI_OK);
  CHECK(memcmp(&out.known, &period[1].known, sizeof out.known) == 0);
  CHECK(memcmp(&out.zone_minutes, &untouched.zone_minutes,
               sizeof out - offsetof(later_datetime, zone_minutes)) == 0);
  CHECK_STATUS(bioapi_bir_get_period_element(
                   bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, 1, &small),
               BIOAPI_OK);
  CHECK(small.year == 2040 && small.month == 6 && small.day == 6 &&
        small.struct_size == sizeof small);

  /* Elements of differing sizes, or a size below the first version's, are
   * refused and change nothing. */
  period[1].known.struct_size = sizeof(bioapi_datetime);
  CHECK_STATUS(bioapi_bir_set_period(bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD,
                                     &period[0].known, 2),
               BIOAPI_ERROR_INVALID_PARAMETER);
  small.struct_size = BIOAPI_DATETIME_SIZE_V1 - 1;
  CHECK_STATUS(
      bioapi_bir_set_period(bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, &small, 2),
      BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK_STATUS(
      bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &small),
      BIOAPI_ERROR_INVALID_PARAMETER);
  small.struct_size = 0;
  CHECK_STATUS(
      bioapi_bir_get_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &small),
      BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(small.struct_size == 0 && small.year == 2040);
  CHECK_STATUS(bioapi_bir_get_period_count(
                   bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, &count),
               BIOAPI_OK);
  CHECK(count == 2);
  out = untouched;
  CHECK_STATUS(
      bioapi_bir_get_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &out.known),
      BIOAPI_OK);
  CHECK(memcmp(&out.known, &in.known, sizeof out.known) == 0);
  bioapi_bir_destroy(bir);
}

/* Which creation dates the encoder writes: one with wday, yday and isdst
 * all -1 (as decoding leaves them) whatever its time, one with all nine
 * members non-zero, and no other. A written one decodes to its six members
 * with the three -1, and that record encodes to the same bytes again. */
static void test_datetime_rule(void) {
  static const struct {
    int32_t hour, minute, second, wday, yday, isdst;
    int written;
  } cases[] = {
      {0, 0, 0, -1, -1, -1, 1},   /* midnight, not known: written */
      {9, 30, 0, -1, -1, -1, 1},  /* a whole minute, not known */
      {10, 20, 30, 2, 100, 1, 1}, /* all nine non-zero */
      {10, 20, 30, 0, 100, 1, 0}, /* a Sunday with ordinary values */
      {10, 20, 0, 1, 100, 1, 0},  /* a whole minute with ordinary values */
      {10, 20, 30, -1, -1, 0, 0}, /* isdst 0 */
  };
  size_t i, plain_size = 0;
  bioapi_bir* plain = NULL;
  uint8_t* plain_bytes = NULL;
  /* A record without a date-time; a written one adds its 7 bytes. */
  CHECK_STATUS(bioapi_bir_create(&plain), BIOAPI_OK);
  CHECK_STATUS(bioapi_bir_encode(plain, &plain_bytes, &plain_size), BIOAPI_OK);
  bioapi_free(plain_bytes);
  bioapi_bir_destroy(plain);
  for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    bioapi_bir* bir = NULL;
    bioapi_bir* decoded = NULL;
    uint8_t* first = NULL;
    uint8_t* second = NULL;
    size_t first_size = 0, second_size = 0;
    bioapi_datetime t = datetime(2026, 1, 1);
    bioapi_datetime read;
    t.hour = cases[i].hour;
    t.minute = cases[i].minute;
    t.second = cases[i].second;
    t.wday = cases[i].wday;
    t.yday = cases[i].yday;
    t.isdst = cases[i].isdst;
    CHECK_STATUS(bioapi_bir_create(&bir), BIOAPI_OK);
    CHECK_STATUS(
        bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BIR_CREATION_DATE, &t),
        BIOAPI_OK);
    CHECK_STATUS(bioapi_bir_encode(bir, &first, &first_size), BIOAPI_OK);
    CHECK_STATUS(bioapi_bir_decode(first, first_size, &decoded), BIOAPI_OK);
    read.struct_size = sizeof read;
    CHECK_STATUS(
        bioapi_bir_get_datetime(decoded, BIOAPI_FIELD_BIR_CREATION_DATE, &read),
        BIOAPI_OK);
    if (cases[i].written) {
      CHECK(read.year == 2026 && read.month == 1 && read.day == 1 &&
            read.hour == t.hour && read.minute == t.minute &&
            read.second == t.second && read.wday == -1 && read.yday == -1 &&
            read.isdst == -1);
    } else {
      /* The default of a record without the date-time. */
      CHECK(read.year == 2000 && read.month == 1 && read.day == 1 &&
            read.hour == 0 && read.minute == 0 && read.second == 0 &&
            read.wday == 0 && read.yday == 0 && read.isdst == 0);
    }
    CHECK_STATUS(bioapi_bir_encode(decoded, &second, &second_size), BIOAPI_OK);
    CHECK(second_size == first_size && memcmp(first, second, first_size) == 0);
    if (first_size != plain_size + (cases[i].written ? 7u : 0u)) {
      fprintf(stderr, "date-time rule case %u: %u bytes\n", (unsigned)i,
              (unsigned)first_size);
      ++failures;
    }
    bioapi_free(first);
    bioapi_free(second);
    bioapi_bir_destroy(decoded);
    bioapi_bir_destroy(bir);
  }
}

/* The field number of the field called `name`. */
static bioapi_bir_field field_named(const char* name) {
  bioapi_bir_field field;
  for (field = 1; field <= BIOAPI_BIR_FIELD_COUNT; ++field) {
    const char* field_name = NULL;
    if (bioapi_bir_field_info(field, &field_name, NULL, NULL, NULL) ==
            BIOAPI_OK &&
        strcmp(field_name, name) == 0) {
      return field;
    }
  }
  fprintf(stderr, "no field %s\n", name);
  ++failures;
  return 0;
}

/* Sets member `member` ("year" ... as the shared table names them) of `t`. */
static void set_member(bioapi_datetime* t, const char* member, int32_t value) {
  if (strcmp(member, "tm_year") == 0) t->year = value;
  if (strcmp(member, "tm_mon") == 0) t->month = value;
  if (strcmp(member, "tm_mday") == 0) t->day = value;
  if (strcmp(member, "tm_hour") == 0) t->hour = value;
  if (strcmp(member, "tm_min") == 0) t->minute = value;
  if (strcmp(member, "tm_sec") == 0) t->second = value;
}

/* Every value of the shared table that a record cannot carry: the setter of
 * its kind refuses it and changes nothing, so that the record encodes as
 * before; a byte string's length, which bioapi_bir_set_bytes takes, is
 * refused by the encoder, which names the field through
 * bioapi_bir_encode_refusal. */
static void test_refused_values(void) {
  size_t i;
  for (i = 0; i < sizeof refused_values / sizeof refused_values[0]; ++i) {
    const struct refused_value* row = &refused_values[i];
    const bioapi_bir_field field = field_named(row->field);
    const int32_t value = (int32_t)row->value;
    bioapi_field_kind kind = 0;
    bioapi_bir* bir = NULL;
    bioapi_status status = BIOAPI_OK;
    uint8_t* before = NULL;
    uint8_t* after = NULL;
    size_t before_size = 0, after_size = 0;
    bioapi_encode_refusal refusal;
    bioapi_datetime period[3];
    uint8_t* bytes = NULL;

    CHECK(bioapi_bir_field_info(field, NULL, &kind, NULL, NULL) == BIOAPI_OK);
    CHECK(bioapi_bir_create(&bir) == BIOAPI_OK);
    CHECK(bioapi_bir_encode(bir, &before, &before_size) == BIOAPI_OK);
    period[0] = period[1] = period[2] = datetime(2026, 3, 14);
    switch (kind) {
      case BIOAPI_FIELD_KIND_INT:
      case BIOAPI_FIELD_KIND_ENUM:
        status = bioapi_bir_set_int(bir, field, value);
        break;
      case BIOAPI_FIELD_KIND_REGISTRY_ID:
        status =
            strcmp(row->member, "Owner") == 0
                ? bioapi_bir_set_registry_id(bir, field, (int16_t)value, 0x0009)
                : bioapi_bir_set_registry_id(bir, field, 0x0101,
                                             (int16_t)value);
        break;
      case BIOAPI_FIELD_KIND_DATETIME:
        set_member(&period[0], row->member, value);
        status = bioapi_bir_set_datetime(bir, field, &period[0]);
        break;
      case BIOAPI_FIELD_KIND_PERIOD:
        set_member(&period[0], row->member, value);
        status = bioapi_bir_set_period(
            bir, field, period,
            strcmp(row->member, "length") == 0 ? (size_t)value : 2);
        break;
      case BIOAPI_FIELD_KIND_BYTES:
        bytes = (uint8_t*)calloc((size_t)value, 1);
        CHECK(bioapi_bir_set_bytes(bir, field, bytes, (size_t)value) ==
              BIOAPI_OK);
        free(bytes);
        refusal.struct_size = sizeof refusal;
        CHECK(bioapi_bir_encode_refusal(bir, &refusal) == BIOAPI_OK);
        CHECK(refusal.refused == 1 && refusal.field == field &&
              strstr(refusal.message, row->field) != NULL);
        CHECK(bioapi_bir_encode(bir, &after, &after_size) ==
              BIOAPI_ERROR_INVALID_DATA);
        CHECK(after == NULL);
        bioapi_bir_set_bytes(bir, field, NULL, 0);
        status = BIOAPI_ERROR_INVALID_PARAMETER;
        break;
      default:
        break;
    }
    if (status != BIOAPI_ERROR_INVALID_PARAMETER) {
      fprintf(stderr, "%s %s %lld (%s): status 0x%X\n", row->field, row->member,
              row->value, row->why, (unsigned)status);
      ++failures;
    }
    /* Nothing changed, and the encoder has nothing to refuse. */
    refusal.struct_size = sizeof refusal;
    CHECK(bioapi_bir_encode_refusal(bir, &refusal) == BIOAPI_OK &&
          refusal.refused == 0 && refusal.field == 0 &&
          refusal.message[0] == '\0');
    CHECK(bioapi_bir_encode(bir, &after, &after_size) == BIOAPI_OK);
    CHECK(after_size == before_size && memcmp(after, before, before_size) == 0);
    bioapi_free(before);
    bioapi_free(after);
    bioapi_bir_destroy(bir);
  }
}

/* The refusal's message is cut to its buffer, and its structure is
 * versioned. */
static void test_refusal_structure(void) {
  bioapi_bir* bir = NULL;
  bioapi_encode_refusal refusal;
  struct {
    bioapi_encode_refusal known;
    uint32_t appended;
  } later;
  CHECK(bioapi_bir_create(&bir) == BIOAPI_OK);
  CHECK(bioapi_bir_set_int(bir, BIOAPI_FIELD_BDB_PURPOSE, 300) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  refusal.struct_size = BIOAPI_ENCODE_REFUSAL_SIZE_V1 - 1;
  CHECK(bioapi_bir_encode_refusal(bir, &refusal) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bioapi_bir_encode_refusal(bir, NULL) == BIOAPI_ERROR_INVALID_POINTER);
  CHECK(bioapi_bir_encode_refusal(NULL, &refusal) ==
        BIOAPI_ERROR_INVALID_POINTER);
  memset(&later, 0x5A, sizeof later);
  later.known.struct_size = sizeof later;
  CHECK(bioapi_bir_encode_refusal(bir, &later.known) == BIOAPI_OK);
  CHECK(later.known.struct_size == sizeof later && later.known.refused == 0 &&
        later.appended == 0x5A5A5A5Au);
  bioapi_bir_destroy(bir);
}

/* Every damaged record of the shared table: the one decode says where and
 * why, with the table's offset, part, check and line, through both decoders
 * and with the same status and null handle as without the structure. */
static void test_decode_rejections(void) {
  size_t i;
  for (i = 0; i < sizeof damaged_records / sizeof damaged_records[0]; ++i) {
    const struct damaged_record* c = &damaged_records[i];
    bioapi_decode_rejection r;
    bioapi_decode_rejection leaving;
    bioapi_bir* bir = (bioapi_bir*)&r;
    size_t bdb_offset = 7, bdb_size = 7;
    const uint8_t* bytes = c->bytes;
    memset(&r, 0xA5, sizeof r);
    r.struct_size = sizeof r;
    CHECK_STATUS(bioapi_bir_decode_ex(bytes, c->size, &bir, &r),
                 BIOAPI_ERROR_INVALID_DATA);
    CHECK(bir == NULL);
    CHECK(r.struct_size == sizeof r && r.rejected == 1);
    CHECK(r.offset == c->offset);
    CHECK(strcmp(r.part_name, c->field) == 0);
    CHECK(r.part >= 0 && r.reserved == 0);
    CHECK(r.inside_part == 0 || r.inside_part == 1);
    CHECK(r.part_offset <= r.offset);
    CHECK(strcmp(r.check, c->check) == 0);
    CHECK(strcmp(r.reason, c->reason) == 0);

    memset(&leaving, 0x5A, sizeof leaving);
    leaving.struct_size = sizeof leaving;
    CHECK_STATUS(bioapi_bir_decode_leaving_bdb_ex(
                     bytes, c->size, &bir, &bdb_offset, &bdb_size, &leaving),
                 BIOAPI_ERROR_INVALID_DATA);
    CHECK(bir == NULL && memcmp(&leaving, &r, sizeof r) == 0);
    if (failures != 0) {
      fprintf(stderr, "damaged record: %s\n", c->name);
      return;
    }
  }
}

/* The field numbers of the parts, a part that a bioapi_bir does not hold,
 * an accepted record, and the versions of the structure. */
static void test_decode_rejection_structure(void) {
  size_t size = 0;
  uint8_t* bytes = read_record("full_record.bir", &size);
  bioapi_bir* bir = NULL;
  bioapi_decode_rejection r;
  struct {
    bioapi_decode_rejection known;
    uint32_t appended;
  } later;

  bytes[8] = 0x31; /* header version */
  r.struct_size = sizeof r;
  CHECK_STATUS(bioapi_bir_decode_ex(bytes, size, &bir, &r),
               BIOAPI_ERROR_INVALID_DATA);
  CHECK(r.field == BIOAPI_FIELD_HEADER_VERSION && r.part == 2);
  CHECK(r.offset == 8 && r.part_offset == 8 && r.inside_part == 0);
  bytes[8] = 0x30;

  /* The total length, which a bioapi_bir does not hold. */
  CHECK_STATUS(bioapi_bir_decode_ex(bytes, size - 1, &bir, &r),
               BIOAPI_ERROR_INVALID_DATA);
  CHECK(r.field == -1 && r.part == 1 && r.offset == 4);
  CHECK(strcmp(r.part_name, "TotalLength") == 0);

  /* Total length 100: cut inside BIRCreationDate, which begins at 94. */
  bytes[4] = 100;
  CHECK_STATUS(bioapi_bir_decode_ex(bytes, 100, &bir, &r),
               BIOAPI_ERROR_INVALID_DATA);
  CHECK(r.field == BIOAPI_FIELD_BIR_CREATION_DATE && r.inside_part == 1);
  CHECK(r.offset == 100 && r.part_offset == 94);
  CHECK(strcmp(r.reason,
               "rejected at offset 100 (in BIRCreationDate, which begins at "
               "94): check \"enough bytes remain\" failed") == 0);
  bytes[4] = (uint8_t)(size & 0xFF);

  /* Accepted: everything cleared, a later caller's own members untouched. */
  memset(&later, 0x5A, sizeof later);
  later.known.struct_size = sizeof later;
  CHECK_STATUS(bioapi_bir_decode_ex(bytes, size, &bir, &later.known),
               BIOAPI_OK);
  CHECK(bir != NULL);
  bioapi_bir_destroy(bir);
  CHECK(later.known.struct_size == sizeof later);
  CHECK(later.known.rejected == 0 && later.known.offset == 0);
  CHECK(later.known.part == -1 && later.known.field == -1);
  CHECK(later.known.part_name[0] == '\0' && later.known.check[0] == '\0' &&
        later.known.reason[0] == '\0');
  CHECK(later.appended == 0x5A5A5A5Au);

  /* A null structure: a plain decode. */
  CHECK_STATUS(bioapi_bir_decode_ex(bytes, size, &bir, NULL), BIOAPI_OK);
  bioapi_bir_destroy(bir);
  CHECK_STATUS(bioapi_bir_decode_ex(bytes, 3, &bir, NULL),
               BIOAPI_ERROR_INVALID_DATA);
  CHECK(bir == NULL);

  /* Smaller than the first version: refused before decoding, unwritten. */
  memset(&r, 0x5A, sizeof r);
  r.struct_size = BIOAPI_DECODE_REJECTION_SIZE_V1 - 1;
  bir = (bioapi_bir*)&r;
  CHECK_STATUS(bioapi_bir_decode_ex(bytes, size, &bir, &r),
               BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bir == NULL && r.struct_size == BIOAPI_DECODE_REJECTION_SIZE_V1 - 1 &&
        r.rejected == 0x5A5A5A5A);
  {
    size_t bdb_offset = 0, bdb_size = 0;
    CHECK_STATUS(bioapi_bir_decode_leaving_bdb_ex(bytes, size, &bir,
                                                  &bdb_offset, &bdb_size, &r),
                 BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK(bir == NULL && r.rejected == 0x5A5A5A5A);
  }
  /* Null pointers come first, as for bioapi_bir_decode. */
  r.struct_size = sizeof r;
  CHECK_STATUS(bioapi_bir_decode_ex(NULL, size, &bir, &r),
               BIOAPI_ERROR_INVALID_POINTER);
  CHECK_STATUS(bioapi_bir_decode_ex(bytes, size, NULL, &r),
               BIOAPI_ERROR_INVALID_POINTER);
  free(bytes);
}

int main(void) {
  test_messages();
  test_golden_records();
  test_changing_fields();
  test_error_statuses();
  test_field_numbers();
  test_datetime_ranges();
  test_later_structure();
  test_datetime_rule();
  test_refused_values();
  test_refusal_structure();
  test_decode_rejections();
  test_decode_rejection_structure();
  if (failures != 0) {
    fprintf(stderr, "%d checks failed\n", failures);
    return 1;
  }
  printf("C interface: all checks passed\n");
  return 0;
}
