#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize: the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, in its own build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# The folders read bottom-up: no include cycle, no widgets outside window/.
/usr/bin/python3 tools/include-graph.py >/dev/null
build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZE=ON -DTARN_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
# A compiler cache, where one is installed, makes a rebuild of a tree
# already built (here or in another checkout) mostly cache hits.
if command -v ccache >/dev/null; then
  flags+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
