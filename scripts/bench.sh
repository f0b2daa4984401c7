#!/usr/bin/env bash
# Builds the benchmarks optimised and runs each; every one prints its
# ratio to the anchor it runs beside. Not a timed test: the numbers depend
# on the machine and what else runs on it.
#   bash scripts/bench.sh [OBJECTS]     the object list on a catalogue of OBJECTS objects (100000),
#                                       then every other benchmark below
set -euo pipefail
cd "$(dirname "$0")/.."
# PostgreSQL is blkf_bench's anchor; only this script asks for it.
bash scripts/setup.sh postgresql libpq-dev
# Every other benchmark, one line each with what it measures.
OTHERS=(
  token_bench   # the tokenizer on 1 MB of SQL
  cnv_bench     # zelkit's converters against iconv
  blkf_bench    # zelkit's block FETCH of a million rows: client CPU per row beside libpq
  editor_bench  # the editor on a 20 MB SQL file beside QScintilla
  replace_bench # replace-all in the editor over 2 and 20 MB scripts
  format_bench  # the SQL formatter on 10 MB against python3-sqlparse
  grid_bench    # the data grid on a million rows against the sqlite3 program
  sqlwin_bench  # the same million rows run from the SQL window
  sqlscript_bench # scripts of 10,000 small statements from the SQL window beside the sqlite3 program
  copy_bench    # 200,000 rows copied to the clipboard, the status bar shown and hidden
)
# The optimised tree that the run and test commands build.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)" --target objlist_bench "${OTHERS[@]}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
build/bench/objlist_bench "$@"
for bench in "${OTHERS[@]}"; do
  "build/bench/$bench"
done
