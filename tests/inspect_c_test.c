/* The inspection library from C: the shared table of damaged records (read
 * into damaged_records.h by the build), the walk of a golden record, the
 * JSON both ways with errors that name the field, and the versioned
 * structures. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/bioapi_inspect_c.h"
#include "c_test_support.h"
#include "damaged_records.h"
#include "refused_values.h"

static void test_damaged_records(void) {
  size_t i;
  for (i = 0; i < sizeof damaged_records / sizeof damaged_records[0]; ++i) {
    const struct damaged_record* c = &damaged_records[i];
    bioapi_record_check check;
    bioapi_decode_rejection decoded;
    bioapi_bir* bir = NULL;
    memset(&check, 0xA5, sizeof check);
    check.struct_size = sizeof check;
    decoded.struct_size = sizeof decoded;
    CHECK(bioapi_bir_decode(c->bytes, c->size, &bir) ==
          BIOAPI_ERROR_INVALID_DATA);
    CHECK(bioapi_bir_decode_ex(c->bytes, c->size, &bir, &decoded) ==
          BIOAPI_ERROR_INVALID_DATA);
    CHECK(bioapi_inspect_check(c->bytes, c->size, &check) == BIOAPI_OK);
    CHECK(check.struct_size == sizeof check);
    CHECK(check.accepted == 0);
    CHECK(check.offset == c->offset);
    CHECK(check.field_name != NULL && strcmp(check.field_name, c->field) == 0);
    CHECK(check.check != NULL && strcmp(check.check, c->check) == 0);
    CHECK(strcmp(check.reason, c->reason) == 0);
    CHECK(check.change_count == 0);
    /* The core decoder's own rejection (its texts against the table in
     * c_api_test) names the same part as the inspection. */
    CHECK(decoded.rejected == 1 && decoded.offset == check.offset &&
          decoded.part == check.part && decoded.field == check.field &&
          decoded.part_offset == check.field_offset &&
          decoded.inside_part == check.inside_field);
    if (failures != 0) {
      fprintf(stderr, "damaged record: %s\n", c->name);
      return;
    }
  }
}

/* A record cut inside its optional fields, one with a wrong total length,
 * one with a bad header version: the field as a bioapi_bir_field too. */
static void test_reasons_by_field_number(void) {
  size_t size = 0;
  uint8_t* bytes = read_record("full_record.bir", &size);
  bioapi_record_check check;
  check.struct_size = sizeof check;

  bytes[8] = 0x31;
  CHECK(bioapi_inspect_check(bytes, size, &check) == BIOAPI_OK);
  CHECK(check.field == BIOAPI_FIELD_HEADER_VERSION && check.offset == 8);
  bytes[8] = 0x30;

  CHECK(bioapi_inspect_check(bytes, size - 1, &check) == BIOAPI_OK);
  CHECK(check.field == -1 && check.offset == 4 && check.part == 1);
  CHECK(strcmp(check.field_name, "TotalLength") == 0);

  bytes[4] = 100; /* total length 100: cut inside BIRCreationDate */
  CHECK(bioapi_inspect_check(bytes, 100, &check) == BIOAPI_OK);
  CHECK(check.field == BIOAPI_FIELD_BIR_CREATION_DATE);
  CHECK(check.offset == 100 && check.field_offset == 94);
  CHECK(check.inside_field == 1);
  CHECK(strcmp(check.check, "enough bytes remain") == 0);
  free(bytes);
}

static void test_changes_and_versions(void) {
  size_t size = 0;
  uint8_t* bytes = read_record("minimal.bir", &size);
  bioapi_record_check check;
  bioapi_record_change change;
  check.struct_size = BIOAPI_RECORD_CHECK_SIZE_V1 - 1;
  CHECK(bioapi_inspect_check(bytes, size, &check) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bioapi_inspect_check(bytes, size, NULL) ==
        BIOAPI_ERROR_INVALID_POINTER);
  check.struct_size = sizeof check;
  CHECK(bioapi_inspect_check(NULL, 1, &check) == BIOAPI_ERROR_INVALID_POINTER);
  CHECK(bioapi_inspect_check(bytes, size, &check) == BIOAPI_OK);
  CHECK(check.accepted == 1 && check.check == NULL && check.reason[0] == 0);
  /* The six always-written fields that the minimal record lacks. */
  CHECK(check.change_count == 6);
  change.struct_size = sizeof change;
  CHECK(bioapi_inspect_check_change(bytes, size, 0, &change) == BIOAPI_OK);
  CHECK(change.kind == BIOAPI_CHANGE_FIELD_ADDED);
  CHECK(change.field == BIOAPI_FIELD_BDB_BIOMETRIC_TYPE);
  CHECK(strcmp(change.description, "BDBBiometricType added (always written)") ==
        0);
  CHECK(bioapi_inspect_check_change(bytes, size, 6, &change) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bioapi_inspect_check_change(bytes, size - 1, 0, &change) ==
        BIOAPI_ERROR_INVALID_DATA);
  free(bytes);
}

static void test_walk(void) {
  size_t size = 0, count = 0, i;
  uint8_t* bytes = read_record("full_record.bir", &size);
  bioapi_record_walk* walk = NULL;
  bioapi_dump_row row;
  bioapi_record_check check;
  CHECK(bioapi_inspect_walk(bytes, size, &walk) == BIOAPI_OK);
  free(bytes); /* the walk keeps no pointer into the record */
  CHECK(bioapi_inspect_walk_row_count(walk, &count) == BIOAPI_OK);
  CHECK(count == BIOAPI_RECORD_PART_COUNT + 2);
  row.struct_size = sizeof row;
  for (i = 0; i < count; ++i) {
    CHECK(bioapi_inspect_walk_row(walk, i, &row) == BIOAPI_OK);
    CHECK(row.whole == 1 && row.check == NULL);
    CHECK(bioapi_inspect_row_kind_name(row.kind) != NULL);
  }
  /* The last row: the security block, 16 bytes after its length. */
  CHECK(row.offset == 190 && row.length == 20);
  CHECK(strcmp(row.name, "SecurityBlock") == 0);
  CHECK(strcmp(row.value, "16 bytes") == 0);
  CHECK(row.kind == BIOAPI_ROW_KIND_BLOCK);
  CHECK(strcmp(bioapi_inspect_row_kind_name(row.kind), "block") == 0);
  CHECK(row.field == BIOAPI_FIELD_SECURITY_BLOCK);
  CHECK(bioapi_inspect_walk_row(walk, count, &row) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  check.struct_size = sizeof check;
  CHECK(bioapi_inspect_walk_check(walk, &check) == BIOAPI_OK);
  CHECK(check.accepted == 1 && check.change_count == 0);
  bioapi_inspect_walk_free(walk);
  bioapi_inspect_walk_free(NULL);
}

static void test_json(void) {
  size_t size = 0, text_size = 0, out_size = 0;
  uint8_t* bytes = read_record("full_record.bir", &size);
  uint8_t* out = NULL;
  char* text = NULL;
  bioapi_bir* bir = NULL;
  bioapi_bir* back = NULL;
  bioapi_json_error error;
  char* quality = NULL;
  CHECK(bioapi_bir_decode(bytes, size, &bir) == BIOAPI_OK);
  CHECK(bioapi_inspect_to_json(bir, &text, &text_size) == BIOAPI_OK);
  CHECK(text != NULL && strlen(text) == text_size);
  error.struct_size = sizeof error;
  CHECK(bioapi_inspect_from_json(text, text_size, &back, &error) == BIOAPI_OK);
  CHECK(bioapi_bir_encode(back, &out, &out_size) == BIOAPI_OK);
  CHECK(out_size == size && memcmp(out, bytes, size) == 0);
  bioapi_free(out);
  bioapi_bir_destroy(back);

  /* A quality that the record cannot hold: the error names the field. */
  quality = strstr(text, "\"BDBQuality\": 80,");
  CHECK(quality != NULL);
  if (quality != NULL) memcpy(quality, "\"BDBQuality\":300,", 17);
  back = bir;
  CHECK(bioapi_inspect_from_json(text, text_size, &back, &error) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(back == NULL);
  CHECK(strcmp(error.field, "BDBQuality") == 0);
  CHECK(strcmp(error.message, "BDBQuality: 300 is outside 0..255") == 0);
  bioapi_inspect_free(text);

  CHECK(bioapi_inspect_record_json(bytes, size - 1, &text, &text_size) ==
        BIOAPI_ERROR_INVALID_DATA);
  CHECK(bioapi_inspect_record_json(bytes, size, &text, &text_size) ==
        BIOAPI_OK);
  bioapi_inspect_free(text);

  CHECK(bioapi_inspect_from_json("[", 1, &back, &error) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(error.field[0] == 0);
  CHECK(strncmp(error.message, "not JSON: ", 10) == 0);
  bioapi_bir_destroy(bir);
  free(bytes);
}

static void test_names(void) {
  const char* name = NULL;
  bioapi_bir_field field = 0;
  bioapi_row_kind kind = 0;
  int32_t bit = 0;
  CHECK(bioapi_inspect_part_info(1, &name, &field, &kind, &bit) == BIOAPI_OK);
  CHECK(strcmp(name, "TotalLength") == 0 && field == -1 &&
        kind == BIOAPI_ROW_KIND_HEADER && bit == -1);
  CHECK(bioapi_inspect_part_info(31, &name, &field, &kind, &bit) == BIOAPI_OK);
  CHECK(strcmp(name, "RegisteredId8") == 0 &&
        field == BIOAPI_FIELD_REGISTERED_ID8 &&
        kind == BIOAPI_ROW_KIND_REGISTRY_ID && bit == 22);
  CHECK(bioapi_inspect_part_info(BIOAPI_RECORD_PART_COUNT, &name, NULL, NULL,
                                 NULL) == BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(strcmp(bioapi_inspect_enumerator_name(BIOAPI_ENUMERATION_PURPOSE, 3),
               "Enroll") == 0);
  CHECK(bioapi_inspect_enumerator_name(BIOAPI_ENUMERATION_PURPOSE, 99) == NULL);
  CHECK(bioapi_inspect_enumerator_name(0, 0) == NULL);
  CHECK(bioapi_inspect_row_kind_name(BIOAPI_ROW_KIND_TRAILING + 1) == NULL);
}

/* Appends printf-style text to a buffer that grows. */
static void append(char** text, size_t* size, const char* format, long long a,
                   long long b) {
  const int n = snprintf(NULL, 0, format, a, b);
  char* grown = (char*)realloc(*text, *size + (size_t)n + 1);
  if (grown == NULL) exit(2);
  snprintf(grown + *size, (size_t)n + 1, format, a, b);
  *text = grown;
  *size += (size_t)n;
}

/* A date-time's JSON with member `member` set to `value` (none when
 * `member` is no tm_ member). */
static void append_date(char** text, size_t* size, const char* member,
                        long long value) {
  static const char* const names[] = {"tm_year", "tm_mon", "tm_mday",
                                      "tm_hour", "tm_min", "tm_sec"};
  long long members[] = {2026, 3, 14, 9, 26, 53};
  size_t i;
  for (i = 0; i < 6; ++i) {
    if (strcmp(member, names[i]) == 0) members[i] = value;
  }
  append(text, size, "{\"tm_year\": %lld, \"tm_mon\": %lld, ", members[0],
         members[1]);
  append(text, size, "\"tm_mday\": %lld, \"tm_hour\": %lld, ", members[2],
         members[3]);
  append(text, size, "\"tm_min\": %lld, \"tm_sec\": %lld}", members[4],
         members[5]);
}

/* Every value of the shared table, sent through JSON: refused, naming the
 * field, whatever its sign (negative values to unsigned fields included). */
static void test_refused_values(void) {
  size_t i;
  for (i = 0; i < sizeof refused_values / sizeof refused_values[0]; ++i) {
    const struct refused_value* row = &refused_values[i];
    char* text = NULL;
    size_t size = 0;
    long long k;
    bioapi_bir* bir = NULL;
    bioapi_json_error error;
    bioapi_field_kind kind = 0;
    bioapi_bir_field field;
    for (field = 1; field <= BIOAPI_BIR_FIELD_COUNT; ++field) {
      const char* name = NULL;
      bioapi_bir_field_info(field, &name, &kind, NULL, NULL);
      if (strcmp(name, row->field) == 0) break;
    }
    append(&text, &size, "{\"BDBFormat\": {\"Owner\": %lld, \"Type\": %lld}", 0,
           0);
    append(&text, &size, ", \"EncryptionOption\": false", 0, 0);
    append(&text, &size, ", \"IntegrityOption\": false", 0, 0);
    append(&text, &size, ", \"BiometricData\": \"\"", 0, 0);
    if (strcmp(row->field, "RecordFormat") != 0) {
      append(&text, &size,
             ", \"RecordFormat\": {\"Owner\": %lld, \"Type\": %lld}", 0x0101,
             0x0009);
    }
    if (strcmp(row->field, "HeaderVersion") != 0) {
      append(&text, &size, ", \"HeaderVersion\": %lld", 0x30, 0);
    }
    if (strcmp(row->field, "HeaderRevision") != 0) {
      append(&text, &size, ", \"HeaderRevision\": %lld", 1, 0);
    }
    append(&text, &size, ", \"", 0, 0);
    append(&text, &size, row->field, 0, 0);
    append(&text, &size, "\": ", 0, 0);
    switch (kind) {
      case BIOAPI_FIELD_KIND_REGISTRY_ID:
        append(&text, &size, "{\"Owner\": %lld, \"Type\": %lld}",
               strcmp(row->member, "Owner") == 0 ? row->value : 0x0101,
               strcmp(row->member, "Type") == 0 ? row->value : 0x0009);
        break;
      case BIOAPI_FIELD_KIND_DATETIME:
        append_date(&text, &size, row->member, row->value);
        break;
      case BIOAPI_FIELD_KIND_PERIOD:
        append(&text, &size, "[", 0, 0);
        if (strcmp(row->member, "length") == 0) {
          for (k = 0; k < row->value; ++k) {
            if (k != 0) append(&text, &size, ", ", 0, 0);
            append_date(&text, &size, "", 0);
          }
        } else {
          append_date(&text, &size, row->member, row->value);
          append(&text, &size, ", ", 0, 0);
          append_date(&text, &size, "", 0);
        }
        append(&text, &size, "]", 0, 0);
        break;
      case BIOAPI_FIELD_KIND_BYTES:
        append(&text, &size, "\"", 0, 0);
        for (k = 0; k < row->value; ++k) append(&text, &size, "00", 0, 0);
        append(&text, &size, "\"", 0, 0);
        break;
      default:
        append(&text, &size, "%lld", row->value, 0);
        break;
    }
    append(&text, &size, "}", 0, 0);
    error.struct_size = sizeof error;
    if (bioapi_inspect_from_json(text, size, &bir, &error) !=
            BIOAPI_ERROR_INVALID_PARAMETER ||
        bir != NULL ||
        strncmp(error.field, row->field, strlen(row->field)) != 0 ||
        strncmp(error.message, row->field, strlen(row->field)) != 0) {
      fprintf(stderr, "JSON %s %s %lld accepted or not named: %s\n", row->field,
              row->member, row->value, error.message);
      ++failures;
      bioapi_bir_destroy(bir);
    }
    free(text);
  }
}

/* Hostile JSON: a message longer than its buffer is cut to fit, null
 * terminated; nesting at any depth is refused with the field named, never a
 * crash; a key with a NUL is not taken for the field that it starts with. */
static void test_hostile_json(void) {
  static const size_t kLong = 100000;
  static const char kNulKey[] = "{\"BDBPurpose\\u0000x\": 1}";
  char* text = (char*)malloc(2 * kLong + 64);
  bioapi_bir* bir = NULL;
  bioapi_json_error error;
  size_t i, size;
  if (text == NULL) exit(2);
  /* An unterminated string with a control character: the parser's message
   * quotes the text it read. */
  size = 0;
  text[size++] = '{';
  text[size++] = '"';
  for (i = 0; i < 1000; ++i) text[size++] = 'a';
  text[size++] = 1;
  memset(&error, 0x5A, sizeof error);
  error.struct_size = sizeof error;
  CHECK(bioapi_inspect_from_json(text, size, &bir, &error) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(memchr(error.message, '\0', sizeof error.message) != NULL);
  CHECK(strncmp(error.message, "not JSON: ", 10) == 0);
  CHECK(strstr(error.message, "...") != NULL);

  /* 100,000 nested arrays as a field's value. */
  size = (size_t)sprintf(text, "{\"BDBPurpose\": ");
  for (i = 0; i < kLong; ++i) text[size++] = '[';
  for (i = 0; i < kLong; ++i) text[size++] = ']';
  text[size++] = '}';
  CHECK(bioapi_inspect_from_json(text, size, &bir, &error) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bir == NULL && strcmp(error.field, "BDBPurpose") == 0);
  CHECK(strlen(error.message) < 200);
  /* And as the whole text. */
  CHECK(bioapi_inspect_from_json(text + 15, size - 16, &bir, &error) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bir == NULL && error.field[0] == '\0');

  CHECK(bioapi_inspect_from_json(kNulKey, sizeof kNulKey - 1, &bir, &error) ==
        BIOAPI_ERROR_INVALID_PARAMETER);
  CHECK(bir == NULL && strcmp(error.field, "BDBPurpose") != 0);
  CHECK(strstr(error.message, "not a field of a record") != NULL);
  free(text);
}

/* A row kind outside its range has no word. */
static void test_row_kind_range(void) {
  static const bioapi_row_kind outside[] = {0, -1, BIOAPI_ROW_KIND_TRAILING + 1,
                                            INT32_MIN, INT32_MAX};
  size_t i;
  for (i = 0; i < sizeof outside / sizeof outside[0]; ++i) {
    CHECK(bioapi_inspect_row_kind_name(outside[i]) == NULL);
  }
  CHECK(strcmp(bioapi_inspect_row_kind_name(BIOAPI_ROW_KIND_HEADER),
               "header") == 0);
}

int main(void) {
  test_damaged_records();
  test_refused_values();
  test_hostile_json();
  test_row_kind_range();
  test_reasons_by_field_number();
  test_changes_and_versions();
  test_walk();
  test_json();
  test_names();
  if (failures != 0) fprintf(stderr, "%d checks failed\n", failures);
  return failures == 0 ? 0 : 1;
}
