-- The functions of the bioapi_data extension. Each one depends on its
-- arguments alone (IMMUTABLE), gives null for a null argument (STRICT) and
-- may run in a parallel worker (PARALLEL SAFE).

\echo Use "CREATE EXTENSION bioapi_data" to load this file. \quit

CREATE FUNCTION bir_accepted(record bytea) RETURNS boolean
  AS 'MODULE_PATHNAME', 'bir_accepted'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
COMMENT ON FUNCTION bir_accepted(bytea) IS
  'whether the library''s decoder accepts the record';

CREATE FUNCTION bir_check(record bytea, OUT accepted boolean,
                          OUT "offset" bigint, OUT field text, OUT "check" text)
  RETURNS record
  AS 'MODULE_PATHNAME', 'bir_check'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
COMMENT ON FUNCTION bir_check(bytea) IS
  'whether the decoder accepts the record and, if not, where (offset, field) and which check fails';

CREATE FUNCTION bir_json(record bytea) RETURNS jsonb
  AS 'MODULE_PATHNAME', 'bir_json'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE COST 50;
COMMENT ON FUNCTION bir_json(bytea) IS
  'the fields of the record as bir json prints them; null for a rejected record';

CREATE FUNCTION bir_field(record bytea, name text) RETURNS jsonb
  AS 'MODULE_PATHNAME', 'bir_field'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE COST 50;
COMMENT ON FUNCTION bir_field(bytea, text) IS
  'one field of the record by its bir json name; null when the record lacks it or is rejected';

CREATE FUNCTION bir_from_json(fields jsonb) RETURNS bytea
  AS 'MODULE_PATHNAME', 'bir_from_json'
  LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE COST 50;
COMMENT ON FUNCTION bir_from_json(jsonb) IS
  'the record that the fields (in the form of bir_json) describe, as the library writes it';
