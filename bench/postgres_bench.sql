-- Checking records inside PostgreSQL (bench/postgres_bench.sh runs this in
-- a throwaway cluster). :rows records of 1 KiB, each in its own row; the
-- median of five runs of each query, after one that warms the caches.
\set ON_ERROR_STOP on
CREATE EXTENSION bioapi_data;

\set full `cat "$BIOAPI_DATA_TEST_DATA_DIR/full_record.json"`
-- 1,000 records of 1,024 bytes that differ in their biometric data (841
-- bytes of the 1,024), repeated over the rows.
CREATE UNLOGGED TABLE records AS
  SELECT i AS id, r.b
    FROM generate_series(1, :rows) i
    JOIN (SELECT q, bir_from_json(jsonb_set(:'full', '{BiometricData}',
                   to_jsonb(left(repeat(md5(q::text), 60), 1682)))) AS b
            FROM generate_series(0, 999) q) r ON r.q = i % 1000;
VACUUM ANALYZE records;
SELECT count(*) AS rows, min(length(b)) AS record_bytes,
       pg_size_pretty(pg_table_size('records')) AS table_size
  FROM records;

-- The median time in ms of `runs` runs of `query` with `workers` parallel
-- workers at most, after one run that is not counted.
CREATE FUNCTION timed(query text, workers integer, runs integer DEFAULT 5)
  RETURNS double precision LANGUAGE plpgsql AS $$
DECLARE
  started timestamptz;
  times double precision[] := '{}';
BEGIN
  PERFORM set_config('max_parallel_workers_per_gather', workers::text, false);
  EXECUTE query;
  FOR i IN 1..runs LOOP
    started := clock_timestamp();
    EXECUTE query;
    times := times || 1000 * extract(epoch FROM clock_timestamp() - started)::double precision;
  END LOOP;
  RETURN (SELECT percentile_cont(0.5) WITHIN GROUP (ORDER BY t) FROM unnest(times) t);
END $$;

\set lengths 'SELECT count(*) FILTER (WHERE length(b) > 0) FROM records'
\set checks 'SELECT count(*) FILTER (WHERE bir_accepted(b)) FROM records'

-- The plan of the parallel check, as run.
SET max_parallel_workers_per_gather = 2;
EXPLAIN (ANALYZE, COSTS OFF, TIMING OFF, SUMMARY OFF) :checks;
RESET max_parallel_workers_per_gather;

CREATE TEMP TABLE timings AS
  SELECT 'read lengths, no workers' AS figure, timed(:'lengths', 0) AS ms
  UNION ALL SELECT 'bir_accepted, no workers', timed(:'checks', 0)
  UNION ALL SELECT 'bir_accepted, 2 workers', timed(:'checks', 2);
SELECT figure, round(ms::numeric, 1) AS ms,
       round((1000 * ms / :rows)::numeric, 3) AS us_per_row
  FROM timings;

WITH t AS (SELECT figure, ms FROM timings)
SELECT 'bir_accepted / read lengths (no workers)' AS ratio,
       round(((SELECT ms FROM t WHERE figure = 'bir_accepted, no workers') /
              (SELECT ms FROM t WHERE figure = 'read lengths, no workers'))::numeric, 2) AS value,
       'at most 3' AS goal
UNION ALL
SELECT 'bir_accepted: no workers / 2 workers',
       round(((SELECT ms FROM t WHERE figure = 'bir_accepted, no workers') /
              (SELECT ms FROM t WHERE figure = 'bir_accepted, 2 workers'))::numeric, 2),
       'at least 1.6';
