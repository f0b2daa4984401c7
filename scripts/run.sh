#!/usr/bin/env bash
# Sets up the machine, builds orv and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j "$(nproc)" --target orv
exec build/orv/orv "$@"
