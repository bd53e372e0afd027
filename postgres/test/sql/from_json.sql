-- bir_from_json refuses what the library refuses, values that a record
-- cannot carry included, with an error whose message names the field.
CREATE EXTENSION IF NOT EXISTS bioapi_data;

\set minimal `cat "$BIOAPI_DATA_TEST_DATA_DIR/minimal.json"`
\set full `cat "$BIOAPI_DATA_TEST_DATA_DIR/full_record.json"`

-- The message of the error that bir_from_json raises, or null when it
-- writes a record.
CREATE FUNCTION refusal(fields jsonb) RETURNS text LANGUAGE plpgsql AS $$
BEGIN
  PERFORM bir_from_json(fields);
  RETURN NULL;
EXCEPTION WHEN invalid_parameter_value THEN
  RETURN SQLERRM;
END $$;

-- Each value set into the full record's JSON: refused, the field named.
SELECT field, left(value::text, 40) AS value, refusal(jsonb_set(:'full', ARRAY[field], value)) IS NOT NULL AS refused,
       strpos(refusal(jsonb_set(:'full', ARRAY[field], value)), field) > 0 AS field_named
  FROM (VALUES
    ('BDBQuality', '300'::jsonb),
    ('BDBQuality', '-1'),
    ('BDBQuality', '"high"'),
    ('BDBPurpose', '300'),
    ('BDBPurpose', '-1'),
    ('BDBProcessedLevel', '256'),
    ('BDBBiometricSubtype', '256'),
    ('BDBBiometricType', '4294967296'),
    ('HeaderVersion', '49'),
    ('HeaderRevision', '2'),
    ('RecordFormat', '{"Owner": 257, "Type": 10}'),
    ('RegisteredId1', '{"Owner": 65536, "Type": 1}'),
    ('EncryptionOption', '2'),
    ('BDBCreationDate', '{"tm_year": 70000, "tm_mon": 3, "tm_mday": 14, "tm_hour": 9, "tm_min": 26, "tm_sec": 53}'),
    ('BIRCreationDate', '{"tm_year": 2026, "tm_mon": 256, "tm_mday": 14, "tm_hour": 9, "tm_min": 26, "tm_sec": 53}'),
    ('BDBValidityPeriod', '[{"tm_year": 2026, "tm_mon": 3, "tm_mday": 14, "tm_hour": 9, "tm_min": 26, "tm_sec": 53}]'),
    ('BIRValidityPeriod', (SELECT jsonb_agg(d) FROM jsonb_array_elements(:'full'::jsonb->'BIRValidityPeriod') d, generate_series(1, 2) n)),
    ('OctetString1', to_jsonb(repeat('00', 32768))),
    ('OctetString2', '"0"'),
    ('BiometricData', '"not hex"'),
    ('OctetString3', (SELECT repeat('[', 1000) || repeat(']', 1000))::jsonb)
  ) AS refused(field, value)
 ORDER BY 1, 2;

-- Not a record at all.
SELECT refusal('[]') IS NOT NULL AS array_refused, refusal('"x"') IS NOT NULL AS string_refused,
       strpos(refusal(:'minimal'::jsonb - 'RecordFormat'), 'RecordFormat') > 0 AS missing_field_named;

-- At the edges of what a record carries: written, and read back as given
-- (an enumeration's value beside its name).
SELECT field, left(value::text, 40) AS value, (SELECT coalesce(f->'value', f) = value
                        FROM bir_field(bir_from_json(jsonb_set(:'full', ARRAY[field], value)), field) f) AS read_back
  FROM (VALUES
    ('BDBQuality', '255'::jsonb),
    ('BDBQuality', '0'),
    ('BDBPurpose', '255'),
    ('BDBCreationDate', '{"tm_year": 32767, "tm_mon": 255, "tm_mday": 255, "tm_hour": 255, "tm_min": 255, "tm_sec": 255}'),
    ('OctetString1', to_jsonb(repeat('ab', 32767))),
    ('RegisteredId2', '{"Owner": 32767, "Type": -32768}')
  ) AS edges(field, value)
 ORDER BY 1, 2;
