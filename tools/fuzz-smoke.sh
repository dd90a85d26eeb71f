#!/usr/bin/env bash
# Builds every fuzz target with clang and runs each for a short while from
# its area's seed corpus, so that a target which no longer builds, or an
# input that crashes or hangs a parser, fails CI. New inputs go to a scratch
# folder, never into the committed corpus.
# Usage: fuzz-smoke.sh [RUNS]   (default 2000 generated inputs per target)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-2000}
build=build-fuzz
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARN_FUZZ=ON -DTARN_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=0
for target in "$build"/fuzz/*/*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  area=$(basename "$(dirname "$target")")
  name=$(basename "$target")
  mkdir -p "$scratch/$name"
  corpus=()
  [ -d "fuzz/$area/corpus" ] && corpus=("fuzz/$area/corpus")
  if "$target" "$scratch/$name" "${corpus[@]}" -runs="$runs" -timeout=20 -rss_limit_mb=4096 \
       -artifact_prefix="$scratch/" >"$scratch/$name.log" 2>&1; then
    echo "fuzz ok: $name"
  else
    echo "fuzz FAILED: $name"; tail -40 "$scratch/$name.log"; failed=1
  fi
done
exit $failed
