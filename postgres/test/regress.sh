#!/usr/bin/env bash
# Runs the extension's pg_regress tests against a throwaway cluster that
# pg_virtualenv creates, starts, stops and drops. The tests read the shared
# test data through BIOAPI_DATA_TEST_DATA_DIR.
#   regress.sh PG_VIRTUALENV VERSION PG_REGRESS BINDIR INPUT_DIR OUTPUT_DIR DATA_DIR
set -euo pipefail
pg_virtualenv=$1 version=$2 pg_regress=$3 bindir=$4 input=$5 output=$6 data=$7
tests=(functions damaged constraint_index from_json parallel)

export BIOAPI_DATA_TEST_DATA_DIR=$data
rm -rf "$output"
mkdir -p "$output"
# -t: the cluster lives in a temporary directory even for root (who runs it
# as the user postgres), so that runs at the same time do not meet.
if ! "$pg_virtualenv" -t -v "$version" \
  "$pg_regress" --bindir="$bindir" --inputdir="$input" --outputdir="$output" \
  --dbname=bioapi_data_regress "${tests[@]}"; then
  [[ -f $output/regression.diffs ]] && cat "$output/regression.diffs"
  exit 1
fi
