#!/usr/bin/env bash
# Installs what building, testing and the fixture scripts need (Debian 12).
set -euo pipefail
packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  qt6-base-dev libpoppler-qt6-dev libgl-dev libblkid-dev zlib1g-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev libbenchmark-dev
  dosfstools mtools ntfs-3g sleuthkit fdisk util-linux nasm xz-utils attr gdisk exfatprogs exfat-fuse e2fsprogs
  imagemagick fonts-dejavu-core fonts-noto-cjk
  xvfb xauth qt6-qpa-plugins qt6-image-formats-plugins qt6-translations-l10n lintian
  python3 testdisk foremost qemu-system-x86
  gddrescue python3-fusepy fuse3 bc
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
