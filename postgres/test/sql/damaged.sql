-- Damaged and hostile records: the shared table of damaged records, every
-- prefix and many one-byte changes of a full record, bytes of no record at
-- all. No function raises an error for any of them, and they agree.
CREATE EXTENSION IF NOT EXISTS bioapi_data;

\set table `cat "$BIOAPI_DATA_TEST_DATA_DIR/damaged_records.json"`
CREATE TABLE damaged AS
  SELECT r->>'name' AS name, decode(r->>'hex', 'hex') AS b,
         (r->>'offset')::bigint AS "offset", r->>'field' AS field,
         r->>'check' AS "check"
    FROM jsonb_array_elements(:'table') r;
SELECT count(*) > 0 AS table_read FROM damaged;

-- Each is rejected where and why the table says.
SELECT d.name, c.*
  FROM damaged d CROSS JOIN LATERAL bir_check(d.b) c
 WHERE (c.accepted, c."offset", c.field, c."check") IS DISTINCT FROM
       (false, d."offset", d.field, d."check");
SELECT name FROM damaged
 WHERE bir_accepted(b) OR bir_json(b) IS NOT NULL
    OR bir_field(b, 'BDBFormat') IS NOT NULL;

-- Variants of a full record: every prefix, every byte set to 0x00, 0x7f,
-- 0x80 and 0xff, a byte added at the end.
\set hex `od -An -v -tx1 "$BIOAPI_DATA_TEST_DATA_DIR/full_record.bir" | tr -d ' \n'`
CREATE TABLE variants AS
  WITH sample AS (SELECT decode(:'hex', 'hex') AS b)
  SELECT 'prefix' AS kind, substr(b, 1, n) AS v
    FROM sample, generate_series(0, length(b) - 1) n
  UNION ALL
  SELECT 'byte', set_byte(b, i, x)
    FROM sample, generate_series(0, length(b) - 1) i,
         (VALUES (0), (127), (128), (255)) AS x(x)
  UNION ALL
  SELECT 'trailing', b || '\x00'::bytea FROM sample;
SELECT kind, count(*) AS variants,
       count(*) FILTER (WHERE bir_accepted(v)) AS accepted,
       count(*) FILTER (WHERE bir_accepted(v) IS DISTINCT FROM (bir_check(v)).accepted
                           OR bir_accepted(v) IS DISTINCT FROM (bir_json(v) IS NOT NULL)
                           OR bir_accepted(v) IS DISTINCT FROM
                              (bir_field(v, 'RecordFormat') IS NOT NULL)) AS disagreeing,
       count(*) FILTER (WHERE NOT bir_accepted(v) AND
                              ((bir_check(v)).field IS NULL OR (bir_check(v))."check" IS NULL
                               OR (bir_check(v))."offset" > length(v))) AS rejected_without_reason
  FROM variants GROUP BY kind ORDER BY kind;
-- What the decoder accepts, its JSON writes again, and the decoder accepts
-- that.
SELECT count(*) AS accepted, count(*) FILTER (WHERE bir_accepted(bir_from_json(bir_json(v)))) AS written_again
  FROM variants WHERE bir_accepted(v);

-- Bytes of no record: pseudo-random ones, and records claiming lengths far
-- beyond their bytes.
SELECT count(*) AS inputs, count(*) FILTER (WHERE bir_accepted(b)) AS accepted,
       count(*) FILTER (WHERE bir_json(b) IS NOT NULL) AS json
  FROM (SELECT decode(repeat(md5(i::text), 1 + i % 9), 'hex') AS b
          FROM generate_series(1, 2000) i
        UNION ALL
        SELECT overlay(decode(:'hex', 'hex') PLACING decode(x, 'hex') FROM 5 FOR 4)
          FROM unnest(ARRAY['ffffff7f', '00000080', 'ffffffff', '00000000']) x) AS junk;
