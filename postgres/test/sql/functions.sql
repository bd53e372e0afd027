-- Every function on the sample records of the shared test data, beside the
-- JSON that bir json prints for each, and on NULLs.
CREATE EXTENSION bioapi_data;

CREATE TABLE samples (name text PRIMARY KEY, b bytea, j jsonb);
\set hex `od -An -v -tx1 "$BIOAPI_DATA_TEST_DATA_DIR/minimal.bir" | tr -d ' \n'`
\set json `cat "$BIOAPI_DATA_TEST_DATA_DIR/minimal.json"`
INSERT INTO samples VALUES ('minimal', decode(:'hex', 'hex'), :'json');
\set hex `od -An -v -tx1 "$BIOAPI_DATA_TEST_DATA_DIR/full_record.bir" | tr -d ' \n'`
\set json `cat "$BIOAPI_DATA_TEST_DATA_DIR/full_record.json"`
INSERT INTO samples VALUES ('full_record', decode(:'hex', 'hex'), :'json');
\set hex `od -An -v -tx1 "$BIOAPI_DATA_TEST_DATA_DIR/field_by_field.bir" | tr -d ' \n'`
\set json `cat "$BIOAPI_DATA_TEST_DATA_DIR/field_by_field.json"`
INSERT INTO samples VALUES ('field_by_field', decode(:'hex', 'hex'), :'json');

-- Accepted; the JSON is the one that bir json prints; it writes the same
-- bytes again, but for the minimal record, which lacks fields that the
-- encoder always writes.
SELECT name, length(b), bir_accepted(b), (bir_check(b)).*,
       bir_json(b) = j AS json_as_bir_json,
       bir_from_json(bir_json(b)) = b AS written_again
  FROM samples ORDER BY name;

-- One field by its name: the value that bir_json holds under that name,
-- null where the record lacks the field.
SELECT name, bir_field(b, 'BDBFormat') AS bdb_format,
       bir_field(b, 'BDBQuality') AS quality,
       bir_field(b, 'BDBBiometricType') AS type,
       bir_field(b, 'SecurityBlock') AS sb
  FROM samples ORDER BY name;
SELECT bir_field(b, 'BDBValidityPeriod') FROM samples WHERE name = 'full_record';
SELECT s.name, f.key, bir_field(s.b, f.key), f.value
  FROM samples s CROSS JOIN LATERAL jsonb_each(s.j - 'BiometricDataSummary') f
 WHERE bir_field(s.b, f.key) IS DISTINCT FROM nullif(f.value, 'null');
SELECT count(*) AS fields_named FROM jsonb_object_keys(
  (SELECT j - 'BiometricDataSummary' FROM samples WHERE name = 'full_record'));

-- A record larger than a page, stored compressed out of line: read back
-- whole by every function.
CREATE TABLE large_record AS
  SELECT bir_from_json(jsonb_set(j, '{BiometricData}', to_jsonb(repeat('0123456789abcdef', 65536)))) AS b
    FROM samples WHERE name = 'full_record';
SELECT length(b), pg_column_size(b) < length(b) AS compressed, bir_accepted(b),
       (bir_check(b)).accepted, length(bir_json(b)->>'BiometricData') AS bdb_hex_digits,
       bir_field(b, 'BDBFormat') AS bdb_format,
       bir_from_json(bir_json(b)) = b AS written_again
  FROM large_record;
SELECT (bir_check(substr(b, 1, 500000))).* FROM large_record;

-- A name that is no field is an error, whatever the record; a field of a
-- rejected record is null.
SELECT bir_field(b, 'TotalLength') FROM samples WHERE name = 'minimal';
SELECT bir_field(b, 'bdbformat') FROM samples WHERE name = 'minimal';
SELECT bir_field(b, '') FROM samples WHERE name = 'minimal';
SELECT bir_field('\x0101'::bytea, 'Quality');
SELECT bir_field('\x0101'::bytea, 'BDBFormat') IS NULL AS rejected_is_null;

-- A rejected record: where and why, and no JSON.
SELECT bir_accepted('\x'), (bir_check('\x')).*, bir_json('\x') IS NULL AS no_json;
SELECT (bir_check(substr(b, 1, 30))).* FROM samples WHERE name = 'full_record';

-- NULL in, NULL out.
SELECT bir_accepted(NULL) IS NULL AS accepted, bir_check(NULL) IS NULL AS "check",
       bir_json(NULL) IS NULL AS json, bir_field(NULL, 'BDBFormat') IS NULL AS field,
       bir_field('\x', NULL) IS NULL AS no_name, bir_from_json(NULL) IS NULL AS from_json;

-- Rows as JSON.
SELECT name, jsonb_build_object('name', name, 'record', bir_json(b)) #> '{record,BDBFormat}'
  FROM samples ORDER BY name;

-- What the planner may rely on: each function immutable, strict and
-- parallel safe.
SELECT proname, pg_get_function_identity_arguments(oid) AS arguments,
       pg_get_function_result(oid) AS result, provolatile, proisstrict, proparallel
  FROM pg_proc WHERE proname LIKE 'bir\_%' ORDER BY proname;
