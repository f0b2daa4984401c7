#!/usr/bin/env bash
# Sets up the machine, builds orv and the sample data source of the
# Symfoware stand-in, and starts orv with the sample listed in the logon
# dialog (data source ORVSAMPLE, user ORVUSER, password orvuser).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Optimised, the same tree as the test command builds.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)" --target orv symfoware-setup symfoware-tool

# The sample is built from its script when it is missing or the script
# changed, and registered in an ODBC configuration of its own rather than
# the machine's; what was done in it is kept from one start to the next.
SAMPLE="$PWD/build/sample"
bash scripts/sample.sh build/standin/symfoware/symfoware-setup "$SAMPLE" standin/symfoware/sample.sql
# The sample's word lists for the test-data generator, each only when the
# shared folder lacks it.
DATAGEN="${XDG_DATA_HOME:-$HOME/.local/share}/ORV/DATAGEN"
mkdir -p "$DATAGEN"
for list in standin/symfoware/sample/DATAGEN/*.txt; do
  [ -e "$DATAGEN/$(basename "$list")" ] || cp "$list" "$DATAGEN/"
done
export ODBCSYSINI="$SAMPLE/odbc"
# The stand-in command-line tools, so that the sample counts as local.
export PATH="$PWD/build/standin/symfoware/tools/bin:$PATH"
export ODBCINI="$SAMPLE/odbc/odbc.ini"
echo "Sample data source ORVSAMPLE: log on as ORVUSER with the password orvuser."
exec build/orv/orv "$@"
