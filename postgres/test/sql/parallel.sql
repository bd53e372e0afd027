-- The functions in a parallel query over a large table: planned below a
-- Gather, run in the workers, with the results of a query without workers.
CREATE EXTENSION IF NOT EXISTS bioapi_data;

\set full `cat "$BIOAPI_DATA_TEST_DATA_DIR/full_record.json"`

-- 101 records that differ in their quality, 60,000 rows of them; every
-- seventh row cut short.
CREATE TABLE large AS
  SELECT i, CASE WHEN i % 7 = 0 THEN substr(r.b, 1, 100 + i % 100) ELSE r.b END AS b
    FROM generate_series(1, 60000) i
    JOIN (SELECT q, bir_from_json(jsonb_set(:'full', '{BDBQuality}', to_jsonb(q))) AS b
            FROM generate_series(0, 100) q) r ON r.q = i % 101;
ANALYZE large;

-- Workers launched by a query, from its plan as run.
CREATE FUNCTION workers_launched(query text) RETURNS integer LANGUAGE plpgsql AS $$
DECLARE
  plan jsonb;
BEGIN
  EXECUTE 'EXPLAIN (ANALYZE, FORMAT JSON) ' || query INTO plan;
  RETURN (SELECT sum((node->>'Workers Launched')::int)
            FROM jsonb_path_query(plan, 'strict $.**') node
           WHERE jsonb_typeof(node) = 'object' AND node ? 'Workers Launched');
END $$;

SET max_parallel_workers_per_gather = 2;
SET parallel_setup_cost = 0;
SET parallel_tuple_cost = 0;
SET min_parallel_table_scan_size = 0;
-- The workers read every row.
SET parallel_leader_participation = off;

\set query 'SELECT count(*) FILTER (WHERE bir_accepted(b)) AS accepted, count(*) FILTER (WHERE (bir_check(b)).field = ''TotalLength'') AS cut_short, sum((bir_field(b, ''BDBQuality''))::int) FILTER (WHERE i % 10 = 0) AS quality, count(*) FILTER (WHERE i % 100 = 0 AND bir_from_json(bir_json(b)) = b) AS written_again FROM large'
EXPLAIN (COSTS OFF) :query;
SELECT workers_launched(:'query') > 0 AS ran_in_workers;
:query;
SET max_parallel_workers_per_gather = 0;
:query;
