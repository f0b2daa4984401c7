#!/usr/bin/env bash
# Builds the benchmarks optimised and runs each, then each again at ten
# times its size (--scale 10). Each runs its side and its anchor in turns,
# BENCH_RUNS times each (5), and prints the medians, their ratio, the spread
# and the cost per unit, with a warning when the larger size costs more
# per unit. Not a timed test: the numbers depend on the machine and what
# else runs on it.
#   bash scripts/bench.sh [BENCHMARK...]    the benchmarks named (all of them when none is)
#   BENCH_JOBS=N                            the build's parallelism (3)
#   BENCH_RUNS=N                            runs of each side (5)
set -euo pipefail
cd "$(dirname "$0")/.."
# Every benchmark, one line each with what it measures.
ALL=(
  objlist_bench # the object list on a catalogue of 100,000 objects
  token_bench   # the tokenizer on 1 MB of SQL
  cnv_bench     # zelkit's converters against iconv
  blkf_bench    # zelkit's block FETCH of a million rows: client CPU per row beside libpq
  editor_bench  # the editor on a 20 MB SQL file beside QScintilla
  replace_bench # replace-all in the editor over a 20 MB script
  format_bench  # the SQL formatter on 10 MB against python3-sqlparse
  grid_bench    # the data grid on a million rows against the sqlite3 program
  sqlwin_bench  # the same million rows run from the SQL window
  sqlscript_bench # scripts of 10,000 small statements from the SQL window beside the sqlite3 program
  copy_bench    # 200,000 rows copied to the clipboard, the status bar shown and hidden
  trace_bench   # the SQL capture reading 200 MB of trace files beside grep -c
  datagen_bench # the test-data generator's run of a million rows beside constant values
)
BENCHES=("$@")
[ ${#BENCHES[@]} -gt 0 ] || BENCHES=("${ALL[@]}")
for bench in "${BENCHES[@]}"; do
  [[ " ${ALL[*]} " == *" $bench "* ]] || { echo "bench.sh: no benchmark $bench (${ALL[*]})" >&2; exit 2; }
done
# PostgreSQL is blkf_bench's anchor; only this script asks for it.
bash scripts/setup.sh postgresql libpq-dev
# The optimised tree that the run and test commands build.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "${BENCH_JOBS:-3}" --target "${BENCHES[@]}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# The normal runs leave their costs per unit here for the scaled runs.
export BENCH_UNITS="$PWD/build/bench/units.txt"
rm -f "$BENCH_UNITS"
for bench in "${BENCHES[@]}"; do
  "build/bench/$bench"
  "build/bench/$bench" --scale 10
done
