#!/usr/bin/env bash
# Checking records inside PostgreSQL: in one throwaway cluster, one run of
# bench/postgres_bench.sql over 1,000,000 rows of 1 KiB records. Needs the
# extension installed (cmake --workflow --preset postgres) and pg_virtualenv.
#   bench/postgres_bench.sh [ROWS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
rows=${1:-1000000}
export BIOAPI_DATA_TEST_DATA_DIR=$here/../tests/data
echo "postgres bench: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
# The server's default settings: a scan of a table this large (1.1 GB for a
# million rows) reads through a small ring of shared buffers from the
# operating system's cache, as it would on a production server whose shared
# buffers hold other things.
pg_virtualenv -t -v 15 psql -X -v rows="$rows" -f "$here/postgres_bench.sql"
echo "postgres bench: load $(cut -d' ' -f1-3 /proc/loadavg) at the end"
