#!/usr/bin/env bash
# Builds a FAT32 image (4 KiB clusters) holding one deleted 200 MiB file in
# consecutive clusters, and keeps the file's bytes beside it as IMAGE.src,
# for comparing a restore with a plain copy of the same bytes.
# usage: make_big_file_image.sh IMAGE
set -euo pipefail
img=${1:?usage: make_big_file_image.sh IMAGE}
export MTOOLS_SKIP_CHECK=1
head -c $((200 * 1024 * 1024)) /dev/urandom > "$img.src"
mkfs.fat -C --invariant -F 32 -s 8 -n BIGFILE "$img" $((512 * 1024)) > /dev/null
mcopy -i "$img" "$img.src" "::/Big restore test.bin"
mdel -i "$img" "::/Big restore test.bin"
