#!/usr/bin/env bash
# Makes the Debian package from a Release tree of its own (no debug
# information; cpack strips the programs as well) and checks it with lintian.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-release}
# Only what the package holds is built, not the tests.
flags=(-DCMAKE_BUILD_TYPE=Release -DTARN_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON)
if command -v ccache >/dev/null; then
  flags+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target tarnrecovery tarnrecovery-cli tarn_icon tarn_changelog
(cd "$build" && cpack -G DEB)
lintian "$build"/tarnrecovery_*.deb
