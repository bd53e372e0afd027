#!/bin/sh
# Runs a Windows program under Wine for ctest and gtest_discover_tests:
#   run-under-wine.sh <wine loader> <program> [arguments...]
# and exits with the program's status.
#
# The first Wine process of a session starts Wine's background programs
# (services, explorer). They inherit that process's standard streams and hold
# them until the session ends, seconds after the last program exits, and
# ctest would wait for those streams to close after every test. So the
# program writes to files, which are copied to the real streams once it exits.
#
# Wine's diagnostics stay out of the test log, but for the one that names a
# DLL the program needs and Wine cannot find; a WINEDEBUG of the caller's
# wins. Mono and Gecko are disabled so that creating a fresh prefix (the
# first start, a few seconds) never tries to install them.
wine=$1
shift
out=$(mktemp) && err=$(mktemp) || exit 125
trap 'rm -f "$out" "$err"' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
WINEDEBUG=${WINEDEBUG:--all,err+module} WINEDLLOVERRIDES=mscoree,mshtml= \
  "$wine" "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
exit "$status"
