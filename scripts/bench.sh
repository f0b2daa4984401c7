#!/usr/bin/env bash
# Builds the benchmarks optimised and runs each; every one prints its
# ratio to the anchor it runs beside. Not a timed test: the numbers depend
# on the machine and what else runs on it.
#   bash scripts/bench.sh [OBJECTS]     the object list on a catalogue of OBJECTS objects (100000),
#                                       then the tokenizer on 1 MB of SQL,
#                                       then the data grid on a million rows
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The optimised tree that the run and test commands build.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)" --target objlist_bench token_bench grid_bench
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" build/bench/objlist_bench "$@"
build/bench/token_bench
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" build/bench/grid_bench
