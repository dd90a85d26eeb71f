#!/usr/bin/env bash
# Builds an NTFS image with about 120,000 file records (mkntfs, then files
# written and some deleted through ntfs-3g; the 12,000 deleted ones hold
# 6,000 bytes each). Needs root and FUSE.
# Usage: make_bench_image.sh OUTPUT.img
set -euo pipefail
out=$1
source "$(cd "$(dirname "$0")" && pwd)/../../tests/fixtures/scratch_mount.sh"
scratch_mount
rm -f "$out"
truncate -s 1G "$out"
mkntfs -F -Q -q -c 4096 -s 512 -p 0 -H 255 -S 63 "$out" 2>/dev/null
ntfs-3g "$out" "$mnt"
for d in $(seq 1 120); do
  mkdir "$mnt/d$d"
  if (( d % 10 )); then
    (cd "$mnt/d$d" && seq 1 1000 | xargs touch)
  else
    # Files deleted later hold data outside their records, so that the scan
    # judges their clusters.
    python3 -c 'import sys
for i in range(1, 1001):
    open(f"{sys.argv[1]}/{i}", "wb").write(bytes([i % 251]) * 6000)' "$mnt/d$d"
  fi
done
# Every tenth folder deleted, so the scan meets records not in use.
for d in $(seq 10 10 120); do rm -rf "$mnt/d$d"; done
umount "$mnt"
