#!/usr/bin/env bash
# Builds the sample data source ORVSAMPLE of the Symfoware stand-in when it
# is missing or its script changed since it was built; what a user did in
# an existing sample is never deleted.
#   scripts/sample.sh SETUP_TOOL SAMPLE_DIR SCRIPT
# SAMPLE_DIR receives ORVSAMPLE/ and odbc/ (its own ODBC configuration). A
# sample built from an older script is moved aside, not removed.
set -euo pipefail
setup_tool=$1
sample=$2
script=$3

stamp="$sample/ORVSAMPLE.script.sha256"
server_files="$(dirname "$0")/../standin/symfoware/sample"

# The sample server's files, each copied when the folder lacks it, so that
# sessions ended in the sample stay ended.
copy_server_files() {
  local folder="$sample/ORVSAMPLE" name
  for name in rdbps.txt rdblkinf.txt rdbbuf rdb.env; do
    [ -e "$folder/$name" ] || cp "$server_files/$name" "$folder/$name"
  done
  [ -e "$folder/rdb.cfg" ] || sed "s|@FOLDER@|$folder|g" "$server_files/rdb.cfg" > "$folder/rdb.cfg"
}

wanted=$(sha256sum "$script" | cut -d' ' -f1)
if [ -d "$sample/ORVSAMPLE" ] && [ -f "$sample/odbc/odbc.ini" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$wanted" ]; then
  copy_server_files
  exit 0
fi
if [ -e "$sample/ORVSAMPLE" ]; then
  aside="$sample/ORVSAMPLE.$(date +%Y%m%d-%H%M%S)"
  n=1
  while [ -e "$aside" ]; do
    aside="$sample/ORVSAMPLE.$(date +%Y%m%d-%H%M%S)-$n"
    n=$((n + 1))
  done
  mv "$sample/ORVSAMPLE" "$aside"
  echo "The sample's script changed: the old sample data source was kept as $aside."
fi
mkdir -p "$sample"
"$setup_tool" "$sample/odbc" ORVSAMPLE "$sample/ORVSAMPLE" "$script" ORVUSER/orvuser GUEST/guest
echo "$wanted" > "$stamp"
copy_server_files
