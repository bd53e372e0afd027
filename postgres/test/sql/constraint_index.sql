-- What a table of records gets: a CHECK constraint that refuses a record the
-- library rejects, an index on a field that a query plan uses, rows as JSON.
CREATE EXTENSION IF NOT EXISTS bioapi_data;

\set full `cat "$BIOAPI_DATA_TEST_DATA_DIR/full_record.json"`

CREATE TABLE templates (
  id integer PRIMARY KEY,
  template bytea NOT NULL CHECK (bir_accepted(template))
);
INSERT INTO templates
  SELECT i, bir_from_json(jsonb_set(:'full', '{BDBFormat}',
                                    jsonb_build_object('Owner', 27, 'Type', 1 + i % 50)))
    FROM generate_series(1, 5000) i;

-- A damaged record is refused, by INSERT and UPDATE alike.
INSERT INTO templates VALUES (0, '\x01010900');
UPDATE templates SET template = substr(template, 1, 100) WHERE id = 1;
UPDATE templates SET template = template || '\x00'::bytea WHERE id = 2;
SELECT count(*) FROM templates;

-- Which rows would fail, and why: the query to run before adding the
-- constraint to a table that has one.
CREATE TABLE legacy AS SELECT id, template FROM templates WHERE id <= 3;
UPDATE legacy SET template = substr(template, 1, 100) WHERE id = 2;
UPDATE legacy SET template = overlay(template PLACING '\x31' FROM 9 FOR 1) WHERE id = 3;
SELECT id, c.* FROM legacy, bir_check(template) c WHERE NOT c.accepted ORDER BY id;
-- The constraint added without checking the old rows guards the new ones at
-- once, and validates once the damaged rows are gone.
ALTER TABLE legacy ADD CONSTRAINT template_accepted CHECK (bir_accepted(template)) NOT VALID;
INSERT INTO legacy VALUES (4, '\x0101');
ALTER TABLE legacy VALIDATE CONSTRAINT template_accepted;
DELETE FROM legacy WHERE NOT bir_accepted(template);
ALTER TABLE legacy VALIDATE CONSTRAINT template_accepted;

-- An index on a field, used by the query that names it.
CREATE INDEX templates_bdb_format ON templates ((bir_field(template, 'BDBFormat')));
ANALYZE templates;
EXPLAIN (COSTS OFF)
  SELECT id FROM templates WHERE bir_field(template, 'BDBFormat') = '{"Owner": 27, "Type": 7}';
SELECT count(*), min(id), max(id)
  FROM templates WHERE bir_field(template, 'BDBFormat') = '{"Owner": 27, "Type": 7}';

-- Rows as JSON: a row with its record's fields, and fields as SQL values.
SELECT jsonb_pretty(jsonb_build_object('id', id, 'record', bir_json(template)))
  FROM templates WHERE id = 1;
SELECT id, (bir_json(template)->>'BDBQuality')::int AS quality,
       bir_json(template)#>>'{BDBPurpose,name}' AS purpose,
       bir_field(template, 'BDBFormat')->'Type' AS format_type
  FROM templates WHERE id <= 3 ORDER BY id;
