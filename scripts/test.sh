#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test:
# the 64-bit build of orv and zelkit, optimised as users run it (the tree
# scripts/run.sh starts orv from), zelkit's 32-bit check build, zelkit
# under the sanitizers and its threaded tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

JOBS=$(nproc)
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export QT_QPA_PLATFORM=offscreen

status=0
echo "== include layers"
python3 scripts/check_layers.py || status=1

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$JOBS"

cmake -S . -B build32 -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELKIT_ONLY=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/i386-toolchain.cmake
cmake --build build32 -j "$JOBS"

# zelkit under AddressSanitizer and UBSan: its wire code parses what peers send.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELKIT_ONLY=ON -DORV_SANITIZE=ON
cmake --build build-asan -j "$JOBS"

# zelkit's tests that call from several threads, under ThreadSanitizer;
# this tree builds only them and the library.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELKIT_ONLY=ON -DORV_TSAN=ON
cmake --build build-tsan -j "$JOBS" --target zelkit_thread_tests zelkit_shipped_thread_tests

# orv's fuzz harnesses replay their kept inputs under the sanitizers too;
# this tree builds only them.
cmake -S . -B build-asan-orv -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON
cmake --build build-asan-orv -j "$JOBS" --target fuzz_all

echo "== 32-bit zelkit tests"
(cd build32 && ctest --output-on-failure -j "$JOBS") || status=1
echo "== zelkit tests under the sanitizers"
(cd build-asan && ASAN_OPTIONS=allocator_may_return_null=1 ctest --output-on-failure -j "$JOBS") || status=1
echo "== zelkit's threaded tests under ThreadSanitizer"
(cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$JOBS" -L threads) || status=1
echo "== fuzz inputs of orv under the sanitizers"
(cd build-asan-orv && ASAN_OPTIONS=allocator_may_return_null=1 ctest --output-on-failure -j "$JOBS" -L fuzz) || status=1
echo "== all tests"
(cd build && ctest --output-on-failure -j "$JOBS") || status=1
exit $status
