#!/usr/bin/env bash
# make_lost_partitions.sh IMAGE
# Builds a sparse disk image with two NTFS and two FAT32 partitions where
# partitioning tools put them (1 MiB boundaries, a track after a cylinder
# boundary, a cylinder boundary), lists them in an MBR, then zeroes the MBR's
# four entries so only the file systems are left to find. Prints "fs start
# end" per partition.
set -euo pipefail
image=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# file system, first sector, sector count
layout=(
  "NTFS 2048 32768"
  "FAT32 34816 81920"
  "NTFS 128583 16384"
  "FAT32 160650 73728"
)

rm -f "$image"
truncate -s $((240000 * 512)) "$image"
{
  echo "label: dos"
  for p in "${layout[@]}"; do
    read -r fs start count <<<"$p"
    type=7; [ "$fs" = FAT32 ] && type=c
    echo "start=$start, size=$count, type=$type"
  done
} | sfdisk -q --no-reread --no-tell-kernel "$image" >/dev/null

for p in "${layout[@]}"; do
  read -r fs start count <<<"$p"
  part=$work/part
  rm -f "$part"
  truncate -s $((count * 512)) "$part"
  if [ "$fs" = NTFS ]; then
    mkntfs -F -Q -q -s 512 -p "$start" -H 255 -S 63 -L "ntfs$start" "$part" >/dev/null 2>&1
  else
    mkfs.fat -F 32 -s 1 -S 512 -h "$start" -n "FAT$start" "$part" >/dev/null
    # Windows names its FAT32 boot sectors; patch both the boot sector and its backup.
    for s in 0 6; do printf 'MSWIN4.1' | dd of="$part" bs=1 seek=$((s * 512 + 3)) conv=notrunc status=none; done
  fi
  dd if="$part" of="$image" bs=512 seek="$start" conv=notrunc,sparse status=none
  echo "$fs $start $((start + count - 1))"
done

# Lose the table: the four entries go, the boot code, disk signature and 55 AA stay.
dd if=/dev/zero of="$image" bs=1 seek=446 count=64 conv=notrunc status=none
