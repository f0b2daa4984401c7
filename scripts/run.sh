#!/usr/bin/env bash
# Sets up the machine, builds orv and the sample data source of the
# Symfoware stand-in, and starts orv with the sample listed in the logon
# dialog (data source ORVSAMPLE, user ORVUSER, password orvuser).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j "$(nproc)" --target orv symfoware-setup

# The sample is rebuilt from its script at every start, and registered in
# an ODBC configuration of its own rather than the machine's.
SAMPLE="$PWD/build/sample"
rm -rf "$SAMPLE"
build/standin/symfoware/symfoware-setup "$SAMPLE/odbc" ORVSAMPLE "$SAMPLE/ORVSAMPLE" \
  standin/symfoware/sample.sql ORVUSER/orvuser GUEST/guest
export ODBCSYSINI="$SAMPLE/odbc"
export ODBCINI="$SAMPLE/odbc/odbc.ini"
echo "Sample data source ORVSAMPLE: log on as ORVUSER with the password orvuser."
exec build/orv/orv "$@"
