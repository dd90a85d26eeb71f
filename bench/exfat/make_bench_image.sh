#!/usr/bin/env bash
# Builds a 1 GiB exFAT camera card (mkfs.exfat, then exfat-fuse on a loop
# device): 20 folders DCIM/1xxCANON of 100 photos of 100-500 KiB each, then
# every other photo and two whole folders deleted. Needs root and FUSE.
# usage: make_bench_image.sh IMAGE
set -euo pipefail
img=${1:?usage: make_bench_image.sh IMAGE}
source "$(cd "$(dirname "$0")" && pwd)/../../tests/fixtures/scratch_mount.sh"
scratch_mount
rm -f "$img"
truncate -s 1G "$img"
mkfs.exfat -L BENCH -c 32K "$img" > /dev/null
loop=$(losetup -f --show "$img")
mount.exfat-fuse "$loop" "$mnt" 2> /dev/null
python3 - "$mnt" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(7)
for d in range(100, 120):
    folder = os.path.join(root, "DCIM", f"{d}CANON")
    os.makedirs(folder)
    for n in range(1, 101):
        with open(os.path.join(folder, f"IMG_{d * 100 + n:05d}.JPG"), "wb") as f:
            f.write(rng.randbytes(rng.randint(100, 500) * 1024))
PY
umount "$mnt"
mount.exfat-fuse "$loop" "$mnt" 2> /dev/null
for d in $(seq 100 119); do
  if [ $((d % 10)) -eq 5 ]; then
    rm -rf "$mnt/DCIM/${d}CANON"
  else
    rm -f "$mnt/DCIM/${d}CANON/"IMG_*[13579].JPG
  fi
done
umount "$mnt"
