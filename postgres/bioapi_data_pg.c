/* The bioapi_data extension: BioAPI 2.0 records stored as bytea, checked,
 * read as JSON and built from JSON inside PostgreSQL.
 *
 * Every function goes through the library's C interface (bioapi_data_c.h,
 * bioapi_inspect_c.h), which never lets a C++ exception out. What the library
 * allocates is released before any PostgreSQL call that may raise an error,
 * or inside PG_FINALLY, so that no error path leaks it; everything else comes
 * from the current memory context. The checking functions raise no error for
 * any bytes: only running out of memory does. */

/* The server's headers want postgres.h before anything else. */
/* clang-format off */
#include "postgres.h"
/* clang-format on */

#include <string.h>

#include "access/htup_details.h"
#include "bioapi_data/bioapi_data_c.h"
#include "bioapi_data/bioapi_inspect_c.h"
#include "fmgr.h"
#include "funcapi.h"
#include "utils/builtins.h"
#include "utils/jsonb.h"

PG_MODULE_MAGIC;

PG_FUNCTION_INFO_V1(bir_accepted);
PG_FUNCTION_INFO_V1(bir_check);
PG_FUNCTION_INFO_V1(bir_json);
PG_FUNCTION_INFO_V1(bir_field);
PG_FUNCTION_INFO_V1(bir_from_json);

/* Raises the error of a status that no input explains: memory ran out, or
 * the library failed. */
static void pg_attribute_noreturn()
    report_failure(bioapi_status status, const char* what) {
  if (status == BIOAPI_ERROR_MEMORY) {
    ereport(ERROR, (errcode(ERRCODE_OUT_OF_MEMORY),
                    errmsg("out of memory while %s", what)));
  }
  ereport(ERROR, (errcode(ERRCODE_INTERNAL_ERROR),
                  errmsg("bioapi_data failed while %s: %s", what,
                         bioapi_error_message(status))));
}

/* Runs the library's decoder over the record's bytes, without copying its
 * BDB, into *check. */
static void check_record(const bytea* record, bioapi_record_check* check) {
  bioapi_status status;

  memset(check, 0, sizeof(*check));
  check->struct_size = sizeof(*check);
  status = bioapi_inspect_check((const uint8_t*)VARDATA_ANY(record),
                                VARSIZE_ANY_EXHDR(record), check);
  if (status != BIOAPI_OK) report_failure(status, "checking a record");
}

/* bir_accepted(bytea) -> boolean: whether the library's decoder accepts the
 * record. The decoder proper, which leaves the BDB where it is and builds no
 * account of the parts (no rows, no reason text), is the cheapest way to that
 * answer. */
Datum bir_accepted(PG_FUNCTION_ARGS) {
  bytea* record = PG_GETARG_BYTEA_PP(0);
  bioapi_bir* bir = NULL;
  size_t bdb_offset = 0;
  size_t bdb_size = 0;
  bioapi_status status = bioapi_bir_decode_leaving_bdb(
      (const uint8_t*)VARDATA_ANY(record), VARSIZE_ANY_EXHDR(record), &bir,
      &bdb_offset, &bdb_size);

  bioapi_bir_destroy(bir);
  PG_FREE_IF_COPY(record, 0);
  if (status != BIOAPI_OK && status != BIOAPI_ERROR_INVALID_DATA) {
    report_failure(status, "checking a record");
  }
  PG_RETURN_BOOL(status == BIOAPI_OK);
}

/* bir_check(bytea) -> (accepted, offset, field, check): the decoder's
 * verdict, and for a rejected record where it looked, the part it was in and
 * the check that failed; nulls for an accepted record. */
Datum bir_check(PG_FUNCTION_ARGS) {
  bytea* record = PG_GETARG_BYTEA_PP(0);
  bioapi_record_check check;
  TupleDesc descriptor;
  Datum values[4];
  bool nulls[4] = {false, true, true, true};

  if (get_call_result_type(fcinfo, NULL, &descriptor) != TYPEFUNC_COMPOSITE) {
    ereport(ERROR, (errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
                    errmsg("bir_check must return a row")));
  }
  descriptor = BlessTupleDesc(descriptor);
  check_record(record, &check);
  values[0] = BoolGetDatum(check.accepted != 0);
  values[1] = values[2] = values[3] = (Datum)0;
  if (!check.accepted) {
    values[1] = Int64GetDatum((int64)check.offset);
    nulls[1] = false;
    if (check.field_name != NULL) {
      values[2] = CStringGetTextDatum(check.field_name);
      nulls[2] = false;
    }
    if (check.check != NULL) {
      values[3] = CStringGetTextDatum(check.check);
      nulls[3] = false;
    }
  }
  PG_FREE_IF_COPY(record, 0);
  PG_RETURN_DATUM(
      HeapTupleGetDatum(heap_form_tuple(descriptor, values, nulls)));
}

/* The record's fields as jsonb, the form of `bir json`, or null for a record
 * that the decoder rejects. */
static Jsonb* record_json(const bytea* record) {
  char* text = NULL;
  size_t size = 0;
  Jsonb* volatile json = NULL;
  bioapi_status status =
      bioapi_inspect_record_json((const uint8_t*)VARDATA_ANY(record),
                                 VARSIZE_ANY_EXHDR(record), &text, &size);

  if (status == BIOAPI_ERROR_INVALID_DATA) return NULL;
  if (status != BIOAPI_OK) report_failure(status, "writing a record as JSON");
  PG_TRY();
  {
    json = DatumGetJsonbP(DirectFunctionCall1(jsonb_in, CStringGetDatum(text)));
  }
  PG_FINALLY();
  { bioapi_inspect_free(text); }
  PG_END_TRY();
  return json;
}

/* bir_json(bytea) -> jsonb: the fields of the record as `bir json` prints
 * them; null for a rejected record. */
Datum bir_json(PG_FUNCTION_ARGS) {
  bytea* record = PG_GETARG_BYTEA_PP(0);
  Jsonb* json = record_json(record);

  PG_FREE_IF_COPY(record, 0);
  if (json == NULL) PG_RETURN_NULL();
  PG_RETURN_JSONB_P(json);
}

/* Whether `name` (of `length` bytes, not null-terminated) is the name of a
 * field as the JSON form names it: a record part that a bioapi_bir holds. */
static bool is_field_name(const char* name, size_t length) {
  bioapi_record_part part;

  for (part = 0; part < BIOAPI_RECORD_PART_COUNT; ++part) {
    const char* part_name = NULL;
    bioapi_bir_field field = -1;

    if (bioapi_inspect_part_info(part, &part_name, &field, NULL, NULL) !=
            BIOAPI_OK ||
        field < 0 || part_name == NULL) {
      continue;
    }
    if (strlen(part_name) == length && memcmp(part_name, name, length) == 0) {
      return true;
    }
  }
  return false;
}

/* bir_field(bytea, text) -> jsonb: one field of the record as bir_json gives
 * it; null when the record lacks it or is rejected. A name that is no field
 * is an error, whatever the record. */
Datum bir_field(PG_FUNCTION_ARGS) {
  text* name = PG_GETARG_TEXT_PP(1);
  const char* name_data = VARDATA_ANY(name);
  size_t name_length = VARSIZE_ANY_EXHDR(name);
  bytea* record;
  Jsonb* json;
  JsonbValue* value;

  if (!is_field_name(name_data, name_length)) {
    ereport(ERROR,
            (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
             errmsg("\"%s\" is not a field of a record", text_to_cstring(name)),
             errhint("Fields are named as bir_json names them, such as "
                     "\"BDBFormat\" or \"BDBQuality\".")));
  }
  record = PG_GETARG_BYTEA_PP(0);
  json = record_json(record);
  PG_FREE_IF_COPY(record, 0);
  if (json == NULL) PG_RETURN_NULL();
  value = getKeyJsonValueFromContainer(&json->root, name_data, (int)name_length,
                                       NULL);
  if (value == NULL || value->type == jbvNull) PG_RETURN_NULL();
  PG_RETURN_JSONB_P(JsonbValueToJsonb(value));
}

/* bir_from_json(jsonb) -> bytea: the record that the fields describe, as the
 * library writes it. Whatever the library refuses is an error whose message
 * names the field. */
Datum bir_from_json(PG_FUNCTION_ARGS) {
  Jsonb* json = PG_GETARG_JSONB_P(0);
  char* text = JsonbToCString(NULL, &json->root, (int)VARSIZE(json));
  bioapi_bir* bir = NULL;
  bioapi_json_error error;
  bioapi_status status;
  uint8_t* data = NULL;
  size_t size = 0;
  bytea* record;

  memset(&error, 0, sizeof(error));
  error.struct_size = sizeof(error);
  status = bioapi_inspect_from_json(text, strlen(text), &bir, &error);
  pfree(text);
  if (status == BIOAPI_ERROR_INVALID_PARAMETER) {
    ereport(
        ERROR,
        (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
         errmsg("JSON does not describe a record: %s", error.message),
         error.field[0] != '\0' ? errdetail("Field: %s.", error.field) : 0));
  }
  if (status != BIOAPI_OK) report_failure(status, "reading a record's JSON");
  status = bioapi_bir_encode(bir, &data, &size);
  bioapi_bir_destroy(bir);
  if (status == BIOAPI_ERROR_INVALID_DATA) {
    ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
                    errmsg("the library refuses to write the record: %s",
                           bioapi_error_message(status))));
  }
  if (status != BIOAPI_OK) report_failure(status, "writing a record");
  if (size > MaxAllocSize - VARHDRSZ) {
    bioapi_free(data);
    ereport(
        ERROR,
        (errcode(ERRCODE_PROGRAM_LIMIT_EXCEEDED),
         errmsg("the record of %zu bytes is larger than a bytea holds", size)));
  }
  /* Not palloc: its error would leave the library's buffer behind. */
  record = (bytea*)palloc_extended(VARHDRSZ + size, MCXT_ALLOC_NO_OOM);
  if (record != NULL) {
    SET_VARSIZE(record, VARHDRSZ + size);
    memcpy(VARDATA(record), data, size);
  }
  bioapi_free(data);
  if (record == NULL) report_failure(BIOAPI_ERROR_MEMORY, "writing a record");
  PG_RETURN_BYTEA_P(record);
}
