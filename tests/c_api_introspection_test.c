/* The C interface's introspection, used from C: whether the encoder writes a
 * field (against the presence bit-map of the records it writes), the field
 * table and the enumerations; and decoding that leaves the BDB in place. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bioapi_data/bioapi_data_c.h"
#include "c_test_support.h"

/* The number of the last field. */
#define LAST_FIELD BIOAPI_FIELD_SECURITY_BLOCK

static int present(const bioapi_bir* bir, int32_t field) {
  int value = -1;
  CHECK(bioapi_bir_field_present(bir, (bioapi_bir_field)field, &value) ==
        BIOAPI_OK);
  return value;
}

/* The encoder's presence bit-map, against bioapi_bir_field_present for each
 * optional field (the fields from BDBBiometricType to RegisteredId8 are bits
 * 0 to 22, in field order), and the security block against the record's
 * length. */
static void check_against_encoding(const bioapi_bir* bir) {
  uint8_t* out = NULL;
  size_t size = 0;
  uint32_t bitmap;
  int32_t field;
  unsigned bit = 0;
  CHECK(bioapi_bir_encode(bir, &out, &size) == BIOAPI_OK);
  if (out == NULL || size < 21) return;
  bitmap = (uint32_t)out[17] | (uint32_t)out[18] << 8 |
           (uint32_t)out[19] << 16 | (uint32_t)out[20] << 24;
  for (field = BIOAPI_FIELD_BDB_BIOMETRIC_TYPE;
       field <= BIOAPI_FIELD_REGISTERED_ID8; ++field, ++bit) {
    if (present(bir, field) != (int)((bitmap >> bit) & 1u)) {
      fprintf(stderr, "field %d: present %d, bit %u of 0x%08X\n", (int)field,
              present(bir, field), bit, (unsigned)bitmap);
      ++failures;
    }
  }
  {
    const uint8_t* bdb = NULL;
    size_t bdb_size = 0;
    const uint8_t* sb = NULL;
    size_t sb_size = 0;
    bioapi_bir_get_bytes(bir, BIOAPI_FIELD_BIOMETRIC_DATA, &bdb, &bdb_size);
    bioapi_bir_get_bytes(bir, BIOAPI_FIELD_SECURITY_BLOCK, &sb, &sb_size);
    /* The SB, when written, is the record's last 4 + sb_size bytes. */
    CHECK(present(bir, BIOAPI_FIELD_SECURITY_BLOCK) ==
          (sb_size != 0 && size >= 4 + sb_size + 4 + bdb_size + 21 &&
           memcmp(out + size - sb_size, sb, sb_size) == 0 &&
           out[size - sb_size - 4] == (uint8_t)sb_size));
  }
  bioapi_free(out);
}

static void test_presence_follows_the_encoder(void) {
  static const char* const names[] = {"minimal.bir", "field_by_field.bir",
                                      "full_record.bir"};
  size_t i;
  int32_t field;
  for (i = 0; i < sizeof names / sizeof names[0]; ++i) {
    size_t size = 0;
    uint8_t* bytes = read_record(names[i], &size);
    bioapi_bir* bir = NULL;
    CHECK(bioapi_bir_decode(bytes, size, &bir) == BIOAPI_OK);
    if (bir != NULL) {
      check_against_encoding(bir);
      /* Never the object-only words; always the header and the BDB. */
      for (field = BIOAPI_FIELD_NATIVE_FORMAT_OWNER;
           field <= BIOAPI_FIELD_FIXED_WORD4; ++field) {
        CHECK(present(bir, field) == 0);
      }
      for (field = BIOAPI_FIELD_RECORD_FORMAT;
           field <= BIOAPI_FIELD_INTEGRITY_OPTION; ++field) {
        CHECK(present(bir, field) == 1);
      }
      CHECK(present(bir, BIOAPI_FIELD_BIOMETRIC_DATA) == 1);
    }
    bioapi_bir_destroy(bir);
    free(bytes);
  }
}

static void test_presence_as_values_change(void) {
  bioapi_bir* bir = NULL;
  bioapi_datetime t;
  const uint8_t sb[] = {1, 2, 3};
  CHECK(bioapi_bir_create(&bir) == BIOAPI_OK);
  if (bir == NULL) return;

  /* A registered identifier other than the first needs both halves. */
  CHECK(present(bir, BIOAPI_FIELD_REGISTERED_ID1) == 1);
  CHECK(present(bir, BIOAPI_FIELD_REGISTERED_ID2) == 0);
  bioapi_bir_set_registry_id(bir, BIOAPI_FIELD_REGISTERED_ID2, 5, 0);
  CHECK(present(bir, BIOAPI_FIELD_REGISTERED_ID2) == 0);
  bioapi_bir_set_registry_id(bir, BIOAPI_FIELD_REGISTERED_ID2, 5, 6);
  CHECK(present(bir, BIOAPI_FIELD_REGISTERED_ID2) == 1);

  CHECK(present(bir, BIOAPI_FIELD_OCTET_STRING1) == 0);
  bioapi_bir_set_bytes(bir, BIOAPI_FIELD_OCTET_STRING1, sb, 1);
  CHECK(present(bir, BIOAPI_FIELD_OCTET_STRING1) == 1);

  /* A date-time with a zero member and a known weekday, day of the year and
   * DST flag is left out; with every member non-zero it is written. */
  memset(&t, 0, sizeof t);
  t.struct_size = sizeof t;
  t.year = 2026;
  t.month = 3;
  t.day = 14;
  t.hour = 0;
  t.minute = 26;
  t.second = 53;
  t.wday = 6;
  t.yday = 72;
  t.isdst = 1;
  bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &t);
  CHECK(present(bir, BIOAPI_FIELD_BDB_CREATION_DATE) == 0);
  t.hour = 9;
  bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BDB_CREATION_DATE, &t);
  CHECK(present(bir, BIOAPI_FIELD_BDB_CREATION_DATE) == 1);
  /* Weekday, day of the year and DST flag "not known" (-1): written at
   * midnight too. */
  t.hour = 0;
  t.wday = -1;
  t.yday = -1;
  t.isdst = -1;
  bioapi_bir_set_datetime(bir, BIOAPI_FIELD_BIR_CREATION_DATE, &t);
  CHECK(present(bir, BIOAPI_FIELD_BIR_CREATION_DATE) == 1);

  CHECK(present(bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD) == 0);
  {
    bioapi_datetime period[2];
    period[0] = period[1] = t;
    bioapi_bir_set_period(bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD, period, 2);
  }
  CHECK(present(bir, BIOAPI_FIELD_BIR_VALIDITY_PERIOD) == 1);

  /* The SB needs both a security option and bytes. */
  bioapi_bir_set_bytes(bir, BIOAPI_FIELD_SECURITY_BLOCK, sb, sizeof sb);
  CHECK(present(bir, BIOAPI_FIELD_SECURITY_BLOCK) == 0);
  bioapi_bir_set_int(bir, BIOAPI_FIELD_INTEGRITY_OPTION, 1);
  CHECK(present(bir, BIOAPI_FIELD_SECURITY_BLOCK) == 1);
  bioapi_bir_set_bytes(bir, BIOAPI_FIELD_SECURITY_BLOCK, NULL, 0);
  CHECK(present(bir, BIOAPI_FIELD_SECURITY_BLOCK) == 0);

  check_against_encoding(bir);

  {
    int value = 7;
    CHECK(bioapi_bir_field_present(bir, (bioapi_bir_field)0, &value) ==
          BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK(bioapi_bir_field_present(bir, (bioapi_bir_field)(LAST_FIELD + 1),
                                   &value) == BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK(value == 7);
    CHECK(bioapi_bir_field_present(NULL, BIOAPI_FIELD_BDB_QUALITY, &value) ==
          BIOAPI_ERROR_INVALID_POINTER);
    CHECK(bioapi_bir_field_present(bir, BIOAPI_FIELD_BDB_QUALITY, NULL) ==
          BIOAPI_ERROR_INVALID_POINTER);
  }
  bioapi_bir_destroy(bir);
}

static void test_field_table(void) {
  static const struct {
    int32_t field;
    const char* name;
    bioapi_field_kind kind;
    bioapi_enumeration enumeration;
    size_t max_size;
  } expected[] = {
      {BIOAPI_FIELD_NATIVE_FORMAT_OWNER, "NativeFormatOwner",
       BIOAPI_FIELD_KIND_INT, 0, 0},
      {BIOAPI_FIELD_RECORD_FORMAT, "RecordFormat",
       BIOAPI_FIELD_KIND_REGISTRY_ID, 0, 0},
      {BIOAPI_FIELD_ENCRYPTION_OPTION, "EncryptionOption",
       BIOAPI_FIELD_KIND_BOOL, 0, 0},
      {BIOAPI_FIELD_BDB_BIOMETRIC_TYPE, "BDBBiometricType",
       BIOAPI_FIELD_KIND_ENUM, BIOAPI_ENUMERATION_BIOMETRIC_TYPE, 0},
      {BIOAPI_FIELD_BDB_PURPOSE, "BDBPurpose", BIOAPI_FIELD_KIND_ENUM,
       BIOAPI_ENUMERATION_PURPOSE, 0},
      {BIOAPI_FIELD_BDB_QUALITY, "BDBQuality", BIOAPI_FIELD_KIND_INT, 0, 0},
      {BIOAPI_FIELD_OCTET_STRING1, "OctetString1", BIOAPI_FIELD_KIND_BYTES, 0,
       32767},
      {BIOAPI_FIELD_BIR_CREATION_DATE, "BIRCreationDate",
       BIOAPI_FIELD_KIND_DATETIME, 0, 0},
      {BIOAPI_FIELD_BDB_VALIDITY_PERIOD, "BDBValidityPeriod",
       BIOAPI_FIELD_KIND_PERIOD, 0, 0},
      {BIOAPI_FIELD_BIOMETRIC_DATA, "BiometricData", BIOAPI_FIELD_KIND_BYTES, 0,
       2147483647u - 37u},
      {BIOAPI_FIELD_SECURITY_BLOCK, "SecurityBlock", BIOAPI_FIELD_KIND_BYTES, 0,
       2147483647u - 41u},
  };
  size_t i;
  int32_t field;
  for (i = 0; i < sizeof expected / sizeof expected[0]; ++i) {
    const char* name = NULL;
    bioapi_field_kind kind = -1;
    bioapi_enumeration enumeration = -1;
    size_t max_size = 1;
    CHECK(bioapi_bir_field_info((bioapi_bir_field)expected[i].field, &name,
                                &kind, &enumeration, &max_size) == BIOAPI_OK);
    CHECK(name != NULL && strcmp(name, expected[i].name) == 0);
    CHECK(kind == expected[i].kind);
    CHECK(enumeration == expected[i].enumeration);
    CHECK(max_size == expected[i].max_size);
  }
  /* Numbered from 1 without gaps; every out pointer may be null. */
  for (field = 1; field <= LAST_FIELD; ++field) {
    const char* name = NULL;
    CHECK(bioapi_bir_field_info((bioapi_bir_field)field, &name, NULL, NULL,
                                NULL) == BIOAPI_OK);
    CHECK(name != NULL && name[0] != '\0');
  }
  CHECK(bioapi_bir_field_info((bioapi_bir_field)0, NULL, NULL, NULL, NULL) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bioapi_bir_field_info((bioapi_bir_field)(LAST_FIELD + 1), NULL, NULL,
                              NULL, NULL) == BIOAPI_ERROR_INVALID_PARAMETER);
}

static void test_enumerations(void) {
  static const struct {
    bioapi_enumeration enumeration;
    const char* name;
    size_t count;
    size_t index;
    const char* enumerator;
    int32_t value;
  } expected[] = {
      {BIOAPI_ENUMERATION_BIOMETRIC_TYPE, "BiometricType", 23, 4, "Fingerprint",
       8},
      {BIOAPI_ENUMERATION_BIOMETRIC_TYPE, "BiometricType", 23, 22, "Password",
       INT32_MIN},
      {BIOAPI_ENUMERATION_BIOMETRIC_SUBTYPE, "BiometricSubtype", 9, 8,
       "Multiple", 0x80},
      {BIOAPI_ENUMERATION_PROCESSED_LEVEL, "ProcessedLevel", 3, 0, "Raw", 1},
      {BIOAPI_ENUMERATION_PURPOSE, "Purpose", 7, 6, "Audit", 6},
      {BIOAPI_ENUMERATION_FACILITY, "Facility", 3, 2, "Unit", 2},
  };
  size_t i;
  for (i = 0; i < sizeof expected / sizeof expected[0]; ++i) {
    const char* name = NULL;
    size_t count = 0;
    int32_t value = 0;
    CHECK(bioapi_enumeration_info(expected[i].enumeration, &name, &count) ==
          BIOAPI_OK);
    CHECK(name != NULL && strcmp(name, expected[i].name) == 0);
    CHECK(count == expected[i].count);
    name = NULL;
    CHECK(bioapi_enumerator(expected[i].enumeration, expected[i].index, &name,
                            &value) == BIOAPI_OK);
    CHECK(name != NULL && strcmp(name, expected[i].enumerator) == 0);
    CHECK(value == expected[i].value);
    CHECK(bioapi_enumerator(expected[i].enumeration, count, &name, &value) ==
          BIOAPI_ERROR_INVALID_PARAMETER);
  }
  /* The source of a code, as the exception built from it reports it. */
  CHECK(bioapi_error_facility(0x0200010B) == 2);
  CHECK(bioapi_error_facility(0x01000102) == 1);
  CHECK(bioapi_error_facility(0x00000101) == 0);
  CHECK(bioapi_error_facility(0x03000509) == 0);
  CHECK(bioapi_enumeration_info(0, NULL, NULL) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bioapi_enumeration_info(BIOAPI_ENUMERATION_FACILITY + 1, NULL, NULL) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bioapi_enumerator(BIOAPI_ENUMERATION_FACILITY + 1, 0, NULL, NULL) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
}

/* Decoding without the decoder's copy of the BDB, then setting it from the
 * span given, gives the record that bioapi_bir_decode gives. */
static void test_decode_leaving_bdb(void) {
  static const char* const names[] = {"minimal.bir", "field_by_field.bir",
                                      "full_record.bir"};
  size_t i;
  for (i = 0; i < sizeof names / sizeof names[0]; ++i) {
    size_t size = 0, offset = 0, bdb_size = 0, expected_size = 0;
    size_t out_size = 0, whole_size = 0;
    uint8_t* bytes = read_record(names[i], &size);
    bioapi_bir* whole = NULL;
    bioapi_bir* left = NULL;
    const uint8_t* expected = NULL;
    const uint8_t* empty = NULL;
    uint8_t* out = NULL;
    uint8_t* whole_out = NULL;
    CHECK(bioapi_bir_decode(bytes, size, &whole) == BIOAPI_OK);
    CHECK(bioapi_bir_decode_leaving_bdb(bytes, size, &left, &offset,
                                        &bdb_size) == BIOAPI_OK);
    if (whole == NULL || left == NULL) return;
    bioapi_bir_get_bytes(whole, BIOAPI_FIELD_BIOMETRIC_DATA, &expected,
                         &expected_size);
    bioapi_bir_get_bytes(left, BIOAPI_FIELD_BIOMETRIC_DATA, &empty, &out_size);
    CHECK(out_size == 0);
    CHECK(bdb_size == expected_size && offset + bdb_size <= size);
    CHECK(bdb_size == 0 || memcmp(bytes + offset, expected, bdb_size) == 0);
    bioapi_bir_set_bytes(left, BIOAPI_FIELD_BIOMETRIC_DATA, bytes + offset,
                         bdb_size);
    CHECK(bioapi_bir_encode(left, &out, &out_size) == BIOAPI_OK);
    CHECK(bioapi_bir_encode(whole, &whole_out, &whole_size) == BIOAPI_OK);
    CHECK(out_size == whole_size && out != NULL && whole_out != NULL &&
          memcmp(out, whole_out, out_size) == 0);
    bioapi_free(out);
    bioapi_free(whole_out);
    bioapi_bir_destroy(left);
    bioapi_bir_destroy(whole);
    /* A cut record is rejected as by bioapi_bir_decode. */
    left = (bioapi_bir*)1;
    CHECK(bioapi_bir_decode_leaving_bdb(bytes, size - 1, &left, &offset,
                                        &bdb_size) ==
          BIOAPI_ERROR_INVALID_DATA);
    CHECK(left == NULL);
    free(bytes);
  }
  {
    /* Every null argument fails, and *out is null after each failure. */
    size_t size = 0, offset = 0, bdb_size = 0;
    uint8_t* bytes = read_record("minimal.bir", &size);
    bioapi_bir* left = (bioapi_bir*)1;
    CHECK(bioapi_bir_decode_leaving_bdb(NULL, 5, &left, &offset, &bdb_size) ==
          BIOAPI_ERROR_INVALID_POINTER);
    CHECK(left == NULL);
    left = (bioapi_bir*)1;
    CHECK(bioapi_bir_decode_leaving_bdb(bytes, size, &left, NULL, &bdb_size) ==
          BIOAPI_ERROR_INVALID_POINTER);
    CHECK(left == NULL);
    left = (bioapi_bir*)1;
    CHECK(bioapi_bir_decode_leaving_bdb(bytes, size, &left, &offset, NULL) ==
          BIOAPI_ERROR_INVALID_POINTER);
    CHECK(left == NULL);
    CHECK(
        bioapi_bir_decode_leaving_bdb(bytes, size, NULL, &offset, &bdb_size) ==
        BIOAPI_ERROR_INVALID_POINTER);
    free(bytes);
  }
}

/* Each field number from 1 to the last is taken by exactly one accessor
 * family (field_present and field_info take them all), and every number
 * at and past either end by none, which leaves the caller's values alone. */
static void test_every_accessor_at_the_ends(void) {
  static const int32_t outside[] = {INT32_MIN,      -1,       0, LAST_FIELD + 1,
                                    LAST_FIELD + 2, INT32_MAX};
  bioapi_bir* bir = NULL;
  int32_t number;
  size_t i;
  CHECK(bioapi_bir_create(&bir) == BIOAPI_OK);
  if (bir == NULL) return;
  for (number = -2; number <= LAST_FIELD + 2 + 6; ++number) {
    const bioapi_bir_field field =
        (bioapi_bir_field)(number <= LAST_FIELD + 2
                               ? number
                               : outside[number - (LAST_FIELD + 3)]);
    const int inside = field >= 1 && field <= LAST_FIELD;
    int32_t value = 7;
    int16_t owner = 7, type = 7;
    const uint8_t* data = (const uint8_t*)&value;
    size_t size = 7, count = 7;
    bioapi_datetime date;
    int present = 7;
    const char* name = "unchanged";
    bioapi_status status[9];
    int families = 0;
    memset(&date, 0, sizeof date);
    date.struct_size = (uint32_t)sizeof date;
    date.year = 7;
    status[0] = bioapi_bir_get_int(bir, field, &value);
    status[1] = bioapi_bir_get_registry_id(bir, field, &owner, &type);
    status[2] = bioapi_bir_get_bytes(bir, field, &data, &size);
    status[3] = bioapi_bir_get_datetime(bir, field, &date);
    status[4] = bioapi_bir_get_period_count(bir, field, &count);
    status[5] = bioapi_bir_get_period_element(bir, field, 0, &date);
    status[6] = bioapi_bir_set_period(bir, field, NULL, 0);
    status[7] = bioapi_bir_field_present(bir, field, &present);
    status[8] = bioapi_bir_field_info(field, &name, NULL, NULL, NULL);
    for (i = 0; i < 5; ++i) {
      CHECK(status[i] == BIOAPI_OK ||
            status[i] == BIOAPI_ERROR_INVALID_PARAMETER);
      families += status[i] == BIOAPI_OK;
    }
    /* The period's element 0 of an empty period is out of range either way. */
    CHECK(status[5] == BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK((status[6] == BIOAPI_OK) == (status[4] == BIOAPI_OK));
    if (inside) {
      if (families != 1) {
        fprintf(stderr, "field %d: %d accessor families\n", (int)field,
                families);
        ++failures;
      }
      CHECK(status[7] == BIOAPI_OK && status[8] == BIOAPI_OK);
    } else {
      if (families != 0 || status[6] != BIOAPI_ERROR_INVALID_PARAMETER ||
          status[7] != BIOAPI_ERROR_INVALID_PARAMETER ||
          status[8] != BIOAPI_ERROR_INVALID_PARAMETER) {
        fprintf(stderr, "field %ld: a number past the ends was taken\n",
                (long)field);
        ++failures;
      }
      CHECK(value == 7 && owner == 7 && type == 7 &&
            data == (const uint8_t*)&value && size == 7 && count == 7 &&
            date.year == 7 && present == 7 && strcmp(name, "unchanged") == 0);
      CHECK(bioapi_bir_set_int(bir, field, 0) ==
            BIOAPI_ERROR_INVALID_PARAMETER);
      CHECK(bioapi_bir_set_registry_id(bir, field, 1, 1) ==
            BIOAPI_ERROR_INVALID_PARAMETER);
      CHECK(bioapi_bir_set_bytes(bir, field, data, 0) ==
            BIOAPI_ERROR_INVALID_PARAMETER);
      CHECK(bioapi_bir_set_datetime(bir, field, &date) ==
            BIOAPI_ERROR_INVALID_PARAMETER);
    }
  }
  bioapi_bir_destroy(bir);
}

/* Sets `field` to `size` zero bytes on a new record (with a security option
 * for the security block) and returns the status of encoding it, or -1 when
 * the bytes cannot be allocated. */
static bioapi_status encode_with_block(bioapi_bir_field field, size_t size,
                                       size_t* record_size) {
  bioapi_bir* bir = NULL;
  bioapi_status status = -1;
  /* calloc's pages are not touched until the library copies them. */
  uint8_t* zeros = (uint8_t*)calloc(size, 1);
  if (zeros != NULL && bioapi_bir_create(&bir) == BIOAPI_OK) {
    bioapi_bir_set_int(bir, BIOAPI_FIELD_INTEGRITY_OPTION, 1);
    if (bioapi_bir_set_bytes(bir, field, zeros, size) == BIOAPI_OK) {
      free(zeros);
      zeros = NULL;
      status = bioapi_bir_encode_into(bir, NULL, 0, record_size);
      if (status == BIOAPI_ERROR_MEMORY) status = -1;
    }
  }
  free(zeros);
  bioapi_bir_destroy(bir);
  return status;
}

/* A block of the size that bioapi_bir_field_info advertises encodes into a
 * record of 2147483647 bytes; one byte more is refused. */
static void test_largest_blocks(void) {
  static const bioapi_bir_field blocks[] = {BIOAPI_FIELD_BIOMETRIC_DATA,
                                            BIOAPI_FIELD_SECURITY_BLOCK};
  size_t i;
#if defined(__SANITIZE_THREAD__)
  puts(
      "largest blocks: skipped, ThreadSanitizer's shadow of the 4 GiB that "
      "they take would not fit beside other work");
  return;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
  puts("largest blocks: skipped under ThreadSanitizer");
  return;
#endif
#endif
  if (sizeof(size_t) < 8) {
    puts(
        "largest blocks: skipped, a 32-bit process cannot hold the 2 GiB "
        "block and its record");
    return;
  }
  for (i = 0; i < sizeof blocks / sizeof blocks[0]; ++i) {
    size_t max_size = 0, record_size = 0;
    bioapi_status status;
    CHECK(bioapi_bir_field_info(blocks[i], NULL, NULL, NULL, &max_size) ==
          BIOAPI_OK);
    status = encode_with_block(blocks[i], max_size, &record_size);
    if (status == -1) {
      puts("largest blocks: skipped, cannot allocate 4 GiB");
      return;
    }
    CHECK(status == BIOAPI_OK);
    CHECK(record_size == 2147483647u);
    status = encode_with_block(blocks[i], max_size + 1, &record_size);
    CHECK(status == BIOAPI_ERROR_INVALID_DATA || status == -1);
  }
}

/* bioapi_bir_read_values gives, in one call, what the per-field getters give
 * one by one. */
static void test_values_in_one_call(void) {
  static const char* const names[] = {"minimal.bir", "field_by_field.bir",
                                      "full_record.bir"};
  size_t i;
  for (i = 0; i < sizeof names / sizeof names[0]; ++i) {
    size_t size = 0;
    uint8_t* bytes = read_record(names[i], &size);
    bioapi_bir* bir = NULL;
    bioapi_bir_values values;
    int32_t field;
    const int32_t* slot = values.slot;
    CHECK(bioapi_bir_decode(bytes, size, &bir) == BIOAPI_OK);
    memset(&values, 0x55, sizeof values);
    values.struct_size = sizeof values;
    CHECK(bioapi_bir_read_values(bir, &values) == BIOAPI_OK);
    for (field = 1; field <= BIOAPI_BIR_FIELD_COUNT; ++field) {
      bioapi_field_kind kind = 0;
      int16_t owner = 0, type = 0;
      int32_t number = 0;
      bioapi_datetime t;
      size_t count = 0, k;
      CHECK(bioapi_bir_field_info(field, NULL, &kind, NULL, NULL) == BIOAPI_OK);
      CHECK((int)(values.present >> (field - 1) & 1) == present(bir, field));
      t.struct_size = sizeof t;
      switch (kind) {
        case BIOAPI_FIELD_KIND_INT:
        case BIOAPI_FIELD_KIND_BOOL:
        case BIOAPI_FIELD_KIND_ENUM:
          CHECK(bioapi_bir_get_int(bir, field, &number) == BIOAPI_OK);
          CHECK(*slot++ == number);
          break;
        case BIOAPI_FIELD_KIND_REGISTRY_ID:
          CHECK(bioapi_bir_get_registry_id(bir, field, &owner, &type) ==
                BIOAPI_OK);
          CHECK(slot[0] == owner && slot[1] == type);
          slot += BIOAPI_VALUE_SLOTS_REGISTRY_ID;
          break;
        case BIOAPI_FIELD_KIND_DATETIME:
          CHECK(bioapi_bir_get_datetime(bir, field, &t) == BIOAPI_OK);
          CHECK(memcmp(slot, &t.year, 9 * sizeof(int32_t)) == 0);
          slot += BIOAPI_VALUE_SLOTS_DATETIME;
          break;
        case BIOAPI_FIELD_KIND_PERIOD:
          CHECK(bioapi_bir_get_period_count(bir, field, &count) == BIOAPI_OK);
          CHECK(slot[0] == (int32_t)count);
          for (k = 0; k < count && k < 2; ++k) {
            CHECK(bioapi_bir_get_period_element(bir, field, k, &t) ==
                  BIOAPI_OK);
            CHECK(memcmp(slot + 1 + 9 * k, &t.year, 9 * sizeof(int32_t)) == 0);
          }
          slot += BIOAPI_VALUE_SLOTS_PERIOD;
          break;
        case BIOAPI_FIELD_KIND_BYTES: {
          const uint8_t* data = NULL;
          CHECK(bioapi_bir_get_bytes(bir, field, &data, &count) == BIOAPI_OK);
          CHECK(*slot++ == (int32_t)count);
          break;
        }
        default:
          break;
      }
    }
    CHECK(slot <= values.slot + BIOAPI_BIR_VALUE_SLOTS);
    values.struct_size = BIOAPI_BIR_VALUES_SIZE_V1 - 1;
    CHECK(bioapi_bir_read_values(bir, &values) ==
          BIOAPI_ERROR_INVALID_PARAMETER);
    CHECK(bioapi_bir_read_values(NULL, &values) ==
          BIOAPI_ERROR_INVALID_POINTER);
    bioapi_bir_destroy(bir);
    free(bytes);
  }
}

/* Encodes `bir` and decodes it again; the caller destroys the result. */
static bioapi_bir* round_trip(const bioapi_bir* bir) {
  uint8_t* out = NULL;
  size_t size = 0;
  bioapi_bir* back = NULL;
  if (bioapi_bir_encode(bir, &out, &size) == BIOAPI_OK) {
    if (bioapi_bir_decode(out, size, &back) != BIOAPI_OK) back = NULL;
  }
  bioapi_free(out);
  return back;
}

/* The limits of every integer field: both ends survive a round trip
 * through the byte record, and one past an end that the setter takes does
 * not come back (the record cannot carry it) or is not accepted. */
static void test_limits_are_what_a_record_carries(void) {
  int32_t field;
  bioapi_field_limits limits;
  for (field = 1; field <= BIOAPI_BIR_FIELD_COUNT; ++field) {
    bioapi_field_kind kind = 0;
    int64_t ends[4];
    int e;
    memset(&limits, 0x55, sizeof limits);
    limits.struct_size = sizeof limits;
    CHECK(bioapi_bir_field_limits(field, &limits) == BIOAPI_OK);
    CHECK(bioapi_bir_field_info(field, NULL, &kind, NULL, NULL) == BIOAPI_OK);
    CHECK(limits.carried == (field > BIOAPI_FIELD_FIXED_WORD4));
    CHECK(limits.period_length == (kind == BIOAPI_FIELD_KIND_PERIOD ? 2 : 0));
    if (kind == BIOAPI_FIELD_KIND_REGISTRY_ID) {
      const int fixed = field == BIOAPI_FIELD_RECORD_FORMAT;
      CHECK(limits.owner_min == (fixed ? 0x0101 : -32768));
      CHECK(limits.owner_max == (fixed ? 0x0101 : 32767));
      CHECK(limits.type_min == (fixed ? 0x0009 : -32768));
      CHECK(limits.type_max == (fixed ? 0x0009 : 32767));
    }
    if (!limits.carried ||
        (kind != BIOAPI_FIELD_KIND_INT && kind != BIOAPI_FIELD_KIND_BOOL &&
         kind != BIOAPI_FIELD_KIND_ENUM)) {
      continue;
    }
    CHECK(limits.min <= limits.max);
    ends[0] = limits.min;
    ends[1] = limits.max;
    ends[2] = limits.min - 1;
    ends[3] = limits.max + 1;
    for (e = 0; e < 4; ++e) {
      bioapi_bir* bir = NULL;
      bioapi_bir* back;
      int32_t read = 0;
      const int inside = e < 2;
      if (ends[e] < INT32_MIN || ends[e] > INT32_MAX) continue;
      CHECK(bioapi_bir_create(&bir) == BIOAPI_OK);
      /* Present, so that the optional field is written. */
      CHECK(bioapi_bir_set_int(bir, BIOAPI_FIELD_BDB_QUALITY, 1) == BIOAPI_OK);
      if (bioapi_bir_set_int(bir, field, (int32_t)ends[e]) != BIOAPI_OK) {
        CHECK(!inside);
        bioapi_bir_destroy(bir);
        continue;
      }
      back = round_trip(bir);
      if (inside) {
        CHECK(back != NULL);
        if (back != NULL) {
          CHECK(bioapi_bir_get_int(back, field, &read) == BIOAPI_OK);
          CHECK(read == (int32_t)ends[e]);
        }
      } else if (back != NULL) {
        CHECK(bioapi_bir_get_int(back, field, &read) == BIOAPI_OK);
        CHECK(read != (int32_t)ends[e]);
      }
      bioapi_bir_destroy(back);
      bioapi_bir_destroy(bir);
    }
  }
  CHECK(bioapi_bir_field_limits(0, &limits) == BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bioapi_bir_field_limits(BIOAPI_BIR_FIELD_COUNT + 1, &limits) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  limits.struct_size = BIOAPI_FIELD_LIMITS_SIZE_V1 - 1;
  CHECK(bioapi_bir_field_limits(BIOAPI_FIELD_BDB_QUALITY, &limits) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
}

int main(void) {
  test_presence_follows_the_encoder();
  test_decode_leaving_bdb();
  test_every_accessor_at_the_ends();
  test_largest_blocks();
  test_presence_as_values_change();
  test_field_table();
  test_enumerations();
  test_values_in_one_call();
  test_limits_are_what_a_record_carries();
  if (failures != 0) {
    fprintf(stderr, "%d checks failed\n", failures);
    return 1;
  }
  printf("C interface introspection: all checks passed\n");
  return 0;
}
