#!/usr/bin/env bash
# Builds a FAT32 image holding 200 folders of 100 files (20,000 entries,
# 2-6 KiB each) and deletes every file, leaving the folders in place.
# usage: make_bench_image.sh IMAGE
set -euo pipefail
img=${1:?usage: make_bench_image.sh IMAGE}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1
mkfs.fat -C --invariant -F 32 -s 1 -n BENCH "$img" $((160 * 1024)) > /dev/null
for d in $(seq -w 1 200); do
  mkdir -p "$work/tree/folder $d"
  for f in $(seq -w 1 100); do
    head -c $((2048 + (10#$f * 41) % 4096)) /dev/urandom > "$work/tree/folder $d/file number $f.bin"
  done
done
mcopy -s -i "$img" "$work/tree/"* ::/
for d in $(seq -w 1 200); do
  mdel -i "$img" "::/folder $d/*"
done
