#!/usr/bin/env bash
# Writes the window's screenshots into docs/screenshots/<code>/ for English,
# Simplified Chinese, Arabic and German: the real window driven offscreen through its
# pages (tools/screenshots/main.cpp) on the bundled sample image, on a disk
# image whose partition table and EBRs were wiped (it gets repaired, with its
# logical partitions in an extended partition), on an image of files the
# preview treats differently and on an exFAT camera card
# (tests/fixtures/make_exfat.sh; needs root and FUSE).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
cmake --build "$build" -j"$(nproc)" --target tarn_screenshots
tool="$build/src/window/app/screenshots/tarn_screenshots"

# A fixed, neutral folder: its paths show in the pictures.
demo=/tmp/tarn-demo
rm -rf "$demo"
mkdir -p "$demo/state"
trap 'rm -rf "$demo"' EXIT
xz -dc "$root/samples/sample.img.xz" > "$demo/sample.img"
PATH=$PATH:/usr/sbin:/sbin python3 "$root/tests/gui/make_preview_types.py" "$demo/mixed.img"
bash "$root/tests/fixtures/make_exfat.sh" "$demo/card"

for pair in "English:en" "简体中文:cn" "العربية:ar" "Deutsch:de"; do
  language=${pair%%:*}
  code=${pair##*:}
  bash "$root/tests/partitions/make_layout_disk.sh" "$demo/disk.img" mbr >/dev/null
  out="$root/docs/screenshots/$code"
  rm -rf "$out"
  (cd "$demo" && XDG_STATE_HOME="$demo/state" XDG_CONFIG_HOME="$demo/config" QT_QPA_PLATFORM=offscreen \
     "$tool" "$out" "$language" sample.img disk.img mixed.img card/exfat.img)
  # Fewer colours: the pictures stay small in the repository; without
  # dithering, which speckles large white areas.
  for png in "$out"/*.png; do
    convert "$png" +dither -colors 256 PNG8:"$png"
  done
done
