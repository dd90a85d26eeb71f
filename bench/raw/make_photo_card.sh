#!/usr/bin/env bash
# Builds a 256 MiB FAT32 memory card as a camera leaves it, then formats it:
# documents and photos (JPEGs written with the standard Huffman tables, as
# cameras write them, from varied pictures), every fourth photo cut in two
# with another photo and free zero-filled clusters between its pieces.
# Every file written is kept in FILES, for counting exact restores.
# usage: make_photo_card.sh IMAGE FILES
set -euo pipefail
img=${1:?usage: make_photo_card.sh IMAGE FILES}
files=${2:?usage: make_photo_card.sh IMAGE FILES}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1
mkdir -p "$files"
rm -f "$img"
mkfs.fat -C --invariant -F 32 -s 4 -n CARD "$img" $((256 * 1024)) > /dev/null

python3 "$here/../../tests/raw/make_samples.py" "$work/docs" > /dev/null
rm "$work/docs/manifest.txt"
cp "$work/docs/"* "$files/"
mcopy -i "$img" "$work/docs/"* ::/

bases=12
for b in $(seq 1 $bases); do
  convert -size 1600x1200 -seed "$b" plasma:fractal -blur 0x2 "$work/base$b.png"
done
photo() { # n: the file written
  local n=$1 out
  out="$files/IMG_$(printf %04d "$n").jpg"
  convert "$work/base$((n % bases + 1)).png" -seed "$n" -roll +$((n * 97 % 1600))+$((n * 61 % 1200)) \
    -modulate $((80 + n % 40)),$((70 + n * 7 % 60)) -attenuate "0.$((1 + n % 4))" +noise Gaussian \
    -define jpeg:optimize-coding=false -quality $((85 + n % 11)) "$out"
  echo "$out"
}
# mtools takes free clusters from the hint in FSInfo on: pointed at the
# first cluster, the next file fills the first hole and goes on after it.
first_fit() { printf '\x02\x00\x00\x00' | dd of="$img" bs=1 seek=$((512 + 492)) conv=notrunc status=none; }

cluster=2048
used=$(du -sb "$files" | cut -f1)
n=1
while [ "$used" -lt $((220 * 1024 * 1024)) ]; do
  q=$(photo $n)
  size=$(stat -c %s "$q")
  if [ $((n % 4)) -eq 0 ]; then
    # A placeholder of the first piece's size, then another photo and
    # zeros; the placeholder goes, and the photo fills its hole and
    # goes on after the zeros.
    head -c $(((size / cluster * (20 + n * 37 % 60) / 100 + 1) * cluster)) /dev/urandom > "$work/hole"
    mcopy -i "$img" "$work/hole" ::/HOLE
    b=$(photo $((n + 10000)))
    mcopy -i "$img" "$b" ::/
    head -c $(((1 + n % 7) * cluster)) /dev/zero > "$work/zeros"
    mcopy -i "$img" "$work/zeros" "::/Z$n"
    mdel -i "$img" ::/HOLE
    first_fit
    used=$((used + $(stat -c %s "$b")))
  fi
  mcopy -i "$img" "$q" ::/
  used=$((used + size))
  n=$((n + 1))
done
mkfs.fat --invariant -F 32 -s 4 -n CARD "$img" > /dev/null
