#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan + UBSan, build-fuzz/) and runs each in turn.
#
#   bash scripts/fuzz.sh [SECONDS]   each target for SECONDS (default 60)
#   bash scripts/fuzz.sh --runs N    each target for N inputs (CI: a short fixed run)
#   bash scripts/fuzz.sh ... NAME... only the named targets (dispatcher settings ...)
#
# Every target starts from its seed corpus in fuzz/corpus/NAME, with the words in
# fuzz/NAME.dict when there is one; inputs that reach new code are kept in
# build-fuzz/corpus/NAME (copy the useful ones into the seeds). A crash, a leak,
# undefined behaviour or an input slower than 10 s stops that target and leaves the
# input in build-fuzz/findings/; the exit status is then 1. Reproduce one with
#   build-fuzz/bin/fuzz_NAME build-fuzz/findings/NAME-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

limit=(-max_total_time=60)
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="$2")
  shift 2
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  limit=(-max_total_time="$1")
  shift
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(dispatcher settings replies numbers)

bash scripts/install-deps.sh fuzz
[ -f build-fuzz/build.ninja ] || cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DKELVORIN_FUZZ=ON >/dev/null
cmake --build build-fuzz

mkdir -p build-fuzz/findings build-fuzz/logs
# The targets' scratch files, in memory where possible; gone even after a crash.
TMPDIR=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )/kelvorin-fuzz-run.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
failed=()
for name in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$name"
  log="build-fuzz/logs/$name.log"
  dict=()
  [ -f "fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
  if "build-fuzz/bin/fuzz_$name" "${limit[@]}" "${dict[@]}" -max_len=4096 -timeout=10 \
      -artifact_prefix="$root/build-fuzz/findings/$name-" -print_final_stats=1 \
      "$root/build-fuzz/corpus/$name" "$root/fuzz/corpus/$name" >"$log" 2>&1; then
    echo "fuzz $name: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') runs, no finding"
  else
    failed+=("$name")
    echo "fuzz $name: FOUND A FAULT (log: $log)"
    grep -E 'ERROR|SUMMARY|runtime error|terminate called|what\(\)|in .* .*/fuzz/fuzz_|Test unit written' "$log" | head -20 || true
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz: faults in ${failed[*]}" >&2; exit 1; }
