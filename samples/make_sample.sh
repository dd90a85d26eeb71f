#!/usr/bin/env bash
# Rebuilds sample.img.xz and sample.manifest beside this script: a small MBR
# disk with one FAT16 partition holding ordinary documents and photos, some of
# them deleted. Needs dosfstools, mtools, fdisk, xz-utils and imagemagick.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fixtures=$here/../tests/fixtures
export SOURCE_DATE_EPOCH=1704103200
FX_WORK=$(mktemp -d)
trap 'rm -rf "$FX_WORK"' EXIT
source "$fixtures/fixture_common.sh"
source "$fixtures/fat_builder.sh"

disk=$FX_WORK/sample.img
truncate -s 6M "$disk"
sfdisk --quiet "$disk" > /dev/null <<'EOF'
label: dos
label-id: 0x53414d50
unit: sectors
start=2048, size=10240, type=6
EOF
mkfs.fat --invariant --offset=2048 -h 2048 -F 16 -s 1 -n SAMPLE -i 5A3D1E00 "$disk" 5120 > /dev/null 2>&1
fx_open "$disk" $((2048 * 512)) 1
fx_prop image sample.img
fx_prop partition.1.offset $((2048 * 512))
fx_prop partition.1.size $((10240 * 512))
fx_prop partition.1.file_system FAT16
fx_prop partition.1.cluster_size "$FX_CS"
fx_prop partition.1.data_offset "$FX_DSTART"
fx_prop partition.1.label SAMPLE

text() { # NAME, text on stdin
  cat > "$FX_WORK/$1"
  echo "$FX_WORK/$1"
}
# Photos without metadata that would carry the build time.
picture() { # NAME SIZE PATTERN...
  local out=$FX_WORK/$1 size=$2
  shift 2
  convert -size "$size" "$@" -strip -define png:exclude-chunks=date,time "$out"
  echo "$out"
}

fx_mkdir "Documents"
fx_mkdir "Documents/Recipes"
fx_mkdir "Photos"
fx_mkdir "Photos/Holiday 2023"
fx_copy "$(text letter.txt <<'EOF'
Dear Mr Hallett,

thank you for your letter of 3 March. The boiler in the flat was repaired on
Tuesday and the engineer's invoice is enclosed. Could you please confirm that
the deposit will be returned to the same account as last year?

Kind regards,
Anna Berg
EOF
)" "Documents/Letter to the landlord.txt"
fx_copy "$(text budget.csv <<'EOF'
month,rent,food,travel,savings
January,650,310,85,200
February,650,290,60,200
March,650,335,120,150
April,650,300,45,250
EOF
)" "Documents/Budget 2024.csv"
fx_copy "$(text pancakes.txt <<'EOF'
Pancakes (serves four)

250 g flour, 2 eggs, 500 ml milk, a pinch of salt, butter for the pan.
Whisk flour, eggs and half of the milk to a smooth batter, then add the rest.
Let it rest for half an hour. Fry thin pancakes in a hot pan, two minutes a side.
EOF
)" "Documents/Recipes/Pancakes.txt"
fx_copy "$(text meeting.txt <<'EOF'
Meeting notes, 14 March

- Garden committee: spring clean-up moves to Saturday 6 April.
- New compost bins arrive next week; Tom collects the keys.
- Budget for plants approved: 120 EUR.
- Next meeting: 11 April, 19:00, community room.
EOF
)" "Documents/Meeting notes March.txt"
fx_copy "$(picture beach.jpg 320x240 -seed 11 plasma:SkyBlue-Khaki -quality 85)" "Photos/Holiday 2023/beach.jpg"
fx_copy "$(picture sunset.jpg 320x240 -seed 12 plasma:orange-MidnightBlue -quality 85)" "Photos/Holiday 2023/sunset.jpg"
fx_copy "$(picture garden.png 100x75 -seed 13 plasma:ForestGreen-YellowGreen -blur 0x2)" "Photos/garden.png"
fx_copy "$(picture cat.jpg 240x180 -seed 14 plasma:white-SaddleBrown -quality 85)" "Photos/cat.jpg"
fx_copy "$(text notes.txt <<'EOF'
Call the dentist on Monday. Return the library books (due 22 March).
EOF
)" "notes.txt"
fx_copy "$(text todo.txt <<'EOF'
TODO
[x] renew passport
[ ] book train to Hamburg
[ ] back up the photos from the holiday
EOF
)" "todo.txt"
fx_mkdir "Old letters"
fx_copy "$(text grandma.txt <<'EOF'
Dear Grandma,

the photos from the summer are finally printed; I will bring them on Sunday.
The cherry tree you planted has more blossoms than ever this year.

Love,
Anna
EOF
)" "Old letters/Letter to grandma.txt"
fx_copy "$(text invoice.txt <<'EOF'
INVOICE 0042
Date: 2 February 2024
Garden chairs (2)         89.00
Delivery                  15.00
Total                    104.00 EUR
EOF
)" "Old letters/Invoice 0042.txt"
fx_copy "$(picture scan.png 80x100 gradient:white-LightGray)" "Old letters/scan.png"

fx_del "Documents/Meeting notes March.txt"
fx_del "Photos/Holiday 2023/sunset.jpg"
fx_del "Photos/garden.png"
fx_del "todo.txt"
fx_deltree "Old letters"

fx_write_manifest "$here/sample.manifest"
xz -9e -T1 -c "$disk" > "$here/sample.img.xz"
