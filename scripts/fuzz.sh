#!/usr/bin/env bash
# Builds the fuzz harnesses with clang and libFuzzer (AddressSanitizer and
# UBSan on) and runs each for a given time, several side by side. Every
# harness starts from its kept seeds; what it learns stays in
# build-fuzz/work/<name>/, and crashes land in build-fuzz/crashes/<name>/.
#   bash scripts/fuzz.sh [SECONDS] [NAME...]     (600 seconds; every harness)
#   FUZZ_JOBS=N   harnesses run at once (half the cores)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh clang libclang-rt-14-dev

SECONDS_EACH="${1:-600}"
shift || true
JOBS="${FUZZ_JOBS:-$(( $(nproc) / 2 > 0 ? $(nproc) / 2 : 1 ))}"
# Above this a harness has an allocation to fix, not a machine to grow.
RSS_LIMIT_MB=2048

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
# Named harnesses build alone; without names every harness is built.
TARGETS=(fuzz_all)
[ $# -gt 0 ] && TARGETS=("${@/#/fuzz_}")
cmake --build build-fuzz -j "$(nproc)" --target "${TARGETS[@]}"

mapfile -t ALL < <(find build-fuzz/fuzz -maxdepth 2 -type f -name 'fuzz_*' -perm -u+x -printf '%f\n' | sed 's/^fuzz_//' | sort)
NAMES=("$@")
[ ${#NAMES[@]} -eq 0 ] && NAMES=("${ALL[@]}")

run_one() {
  local name="$1" bin src work crashes
  bin=$(find build-fuzz/fuzz -maxdepth 2 -type f -name "fuzz_${name}" | head -1)
  src=$(dirname "$(find fuzz -type d -path "*/corpus/${name}" | head -1)")
  work="build-fuzz/work/${name}"
  crashes="build-fuzz/crashes/${name}"
  mkdir -p "$work" "$crashes"
  local dirs=("$work" "$src/${name}")
  [ -d "$src/../regress/${name}" ] && dirs+=("$src/../regress/${name}")
  if "$bin" -max_total_time="$SECONDS_EACH" -rss_limit_mb="$RSS_LIMIT_MB" -timeout=25 \
      -artifact_prefix="$crashes/" -print_final_stats=1 "${dirs[@]}" >"build-fuzz/${name}.log" 2>&1; then
    echo "fuzz ${name}: ok, $(grep -m1 'stat::number_of_executed_units' "build-fuzz/${name}.log" | awk '{print $2}') runs in ${SECONDS_EACH} s"
  else
    echo "fuzz ${name}: FAILED, see build-fuzz/${name}.log and ${crashes}/"
    return 1
  fi
}
export -f run_one
export SECONDS_EACH RSS_LIMIT_MB
printf '%s\n' "${NAMES[@]}" | xargs -P "$JOBS" -I{} bash -c 'run_one "$@"' _ {}
