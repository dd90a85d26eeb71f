#!/usr/bin/env bash
# The main job: builds the tool, scans a volume and restores what the file
# system no longer lists into ./recovered.
#   bash tools/run-sample.sh                      the bundled sample disk image
#   bash tools/run-sample.sh TARGET [OPTIONS...]  a volume (/dev/sdb1, a mount
#                                                 path) or an image file; e.g.
#                                                 disk.img --partition 2, or --deep
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target tarnrecovery-cli tarnrecovery
cli="$root/build/src/cli/tarnrecovery-cli"

if [ $# -eq 0 ]; then
  image="$root/build/sample/sample.img"
  mkdir -p "$(dirname "$image")"
  xz -dkc "$root/samples/sample.img.xz" > "$image"
  echo "== Volumes of the sample disk image"
  "$cli" volumes --image "$image"
  set -- "$image" --partition 1
fi

out="$PWD/recovered"
echo "== What the file system no longer shows"
"$cli" scan "$@"
echo "== Restoring into $out"
"$cli" recover "$@" --all --out "$out"
