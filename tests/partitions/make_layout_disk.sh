#!/usr/bin/env bash
# make_layout_disk.sh IMAGE mbr|gpt [MIB]
# Builds a disk image (128 MiB for mbr, 64 for gpt, unless told) as people
# partition them, each
# partition formatted by its own tool, then loses the table: every table
# sector (sector 0, each EBR; or sectors 0-33 and the last 33 of a GPT) is
# zeroed. Prints "file-system start sectors" per partition, in disk order.
#   mbr: primary FAT32; an extended partition holding NTFS, FAT16, ext4 and
#        exFAT logicals; primary swap
#   gpt: FAT32, NTFS, ext4, exFAT (the last filling the disk)
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin"
image=$1 kind=$2
mib=${3:-$([ "$kind" = mbr ] && echo 128 || echo 64)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -f "$image"
truncate -s "${mib}M" "$image"
disk_sectors=$((mib * 2048))

if [ "$kind" = mbr ]; then
  layout=("FAT32 2048 73728" "NTFS 77824 16384" "FAT16 96256 32768" "ext4 131072 32768"
          "exFAT 165888 16384" "swap 182272 16384")
  ebrs=(75776 94208 129024 163840)
  printf '%s\n' 'label: dos' 'start=2048, size=73728, type=c' 'start=75776, size=106496, type=5' \
    'start=182272, size=16384, type=82' 'start=77824, size=16384, type=7' 'start=96256, size=32768, type=6' \
    'start=131072, size=32768, type=83' 'start=165888, size=16384, type=7' |
    sfdisk -q --no-reread --no-tell-kernel "$image" >/dev/null
else
  last=$((disk_sectors - 34))
  layout=("FAT32 2048 73728" "NTFS 75776 16384" "ext4 92160 16384" "exFAT 108544 $((last - 108544 + 1))")
  sgdisk -n 1:2048:+73728 -t 1:0700 -n 2:75776:+16384 -t 2:0700 -n 3:92160:+16384 -t 3:8300 \
    -n 4:108544:0 -t 4:0700 "$image" >/dev/null
fi

for p in "${layout[@]}"; do
  read -r fs start count <<<"$p"
  part=$work/part
  rm -f "$part"
  truncate -s $((count * 512)) "$part"
  case $fs in
    FAT32) mkfs.fat -F 32 "$part" ;;
    FAT16) mkfs.fat -F 16 "$part" ;;
    NTFS) mkntfs -F -Q -q -p "$start" -H 255 -S 63 "$part" ;;
    ext4) mkfs.ext4 -q -F "$part" ;;
    exFAT) mkfs.exfat "$part" ;;
    swap) mkswap "$part" ;;
  esac >/dev/null 2>&1
  dd if="$part" of="$image" bs=512 seek="$start" conv=notrunc,sparse status=none
  echo "$fs $start $count"
done

# Lose the table.
if [ "$kind" = mbr ]; then
  for s in 0 "${ebrs[@]}"; do dd if=/dev/zero of="$image" bs=512 seek="$s" count=1 conv=notrunc status=none; done
else
  dd if=/dev/zero of="$image" bs=512 count=34 conv=notrunc status=none
  dd if=/dev/zero of="$image" bs=512 seek=$((disk_sectors - 33)) count=33 conv=notrunc status=none
fi
