#!/usr/bin/env bash
# The run command's sample: built once, then kept with what was done in
# it; a changed script builds a new one and keeps the old one aside.
#   sample_script_test.sh SAMPLE_SH SETUP_TOOL SCRIPT
set -euo pipefail
sample_sh=$1
setup_tool=$2
script=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
has_mine() { sqlite3 "$1/SALES.sqlite" "SELECT name FROM sqlite_master WHERE name = 'MINE'" | grep -q MINE; }

bash "$sample_sh" "$setup_tool" "$work/sample" "$script" > /dev/null
[ -f "$work/sample/ORVSAMPLE/SALES.sqlite" ] || fail "the sample was not built"
sqlite3 "$work/sample/ORVSAMPLE/SALES.sqlite" "CREATE TABLE MINE (A INTEGER)"

bash "$sample_sh" "$setup_tool" "$work/sample" "$script" > /dev/null
has_mine "$work/sample/ORVSAMPLE" || fail "a second start lost what was done in the sample"

cp "$script" "$work/changed.sql"
echo "-- changed" >> "$work/changed.sql"
bash "$sample_sh" "$setup_tool" "$work/sample" "$work/changed.sql" > /dev/null
has_mine "$work/sample/ORVSAMPLE" && fail "a changed script did not build a new sample"
aside=$(find "$work/sample" -maxdepth 1 -name 'ORVSAMPLE.2*' -type d | head -n 1)
[ -n "$aside" ] || fail "the old sample was not kept aside"
has_mine "$aside" || fail "the sample kept aside lost what was done in it"
echo "sample script: 1 passed, 0 failed"
