#!/usr/bin/env bash
# A FAT32 and an NTFS volume filled with nested folders (long and non-ASCII
# names, text and binary files), quick-formatted with their own geometry.
# Gives the deep scan's time on each formatted volume beside the same
# volume before the format (the old folders and records are recognised in
# the blocks the scan reads anyway), and a table of the files that come
# back byte for byte: anywhere, under their own name, and under their old
# path, for ours (recover --deep --all), tsk_recover -e and photorec.
# FAT keeps the names of the root's folders in the root alone, which the
# format writes anew: "path" there counts the path below them.
# Needs root and FUSE for the NTFS volume (ntfs-3g), mtools, dosfstools,
# sleuthkit and testdisk.
# usage: formatted_bench.sh CLI [WORKDIR]
set -euo pipefail
cli=$(realpath "${1:?usage: formatted_bench.sh CLI [WORKDIR]}")
work=${2:-$(mktemp -d)}
export LC_ALL=C.UTF-8 TZ=UTC MTOOLS_SKIP_CHECK=1
mkdir -p "$work"
cd "$work"
conf=$(dirname "$cli")

# 8 folders of 4 subfolders, some one level deeper; 5 files in each.
rm -rf tree && mkdir tree
python3 - <<'PY'
import os, random
random.seed(7)
tops = ["Dokumente", "Bilder 2023", "Projekte – alt", "Über uns", "音楽", "Rechnungen", "Reisen nach Åland", "Misc"]
words = "alpha beta gamma delta report summary März Jürgen 東京 budget notes draft final".split()
n = 0
for t in tops:
    for s in range(4):
        folder = os.path.join("tree", t, f"{random.choice(words)} {s} – Teil")
        if s == 3:
            folder = os.path.join(folder, "Archiv 2019")
        os.makedirs(folder, exist_ok=True)
        for f in range(5):
            n += 1
            if f % 2 == 0:
                name = f"{random.choice(words)} notes {n} with a long name.txt"
                body = "\n".join(" ".join(random.choice(words) for _ in range(12)) for _ in range(random.randint(20, 400)))
                data = body.encode()
            else:
                name = f"{random.choice(words)}_{n}.bin"
                data = random.randbytes(random.randint(500, 120000))
            open(os.path.join(folder, name), "wb").write(data)
PY
python3 - > manifest.tsv <<'PY'
import hashlib, os
for root, _, files in os.walk("tree"):
    for f in files:
        p = os.path.join(root, f)
        print(os.path.relpath(p, "tree") + "\t" + hashlib.sha256(open(p, "rb").read()).hexdigest())
PY

make_fat() {
  rm -f fat.img
  mkfs.fat -C -F 32 -s 4 -R 32 -n OLD fat.img 139264 > /dev/null
  mcopy -s -i fat.img tree/* ::/
}
make_ntfs() {
  rm -f ntfs.img
  truncate -s 128M ntfs.img
  mkntfs -F -Q -q -c 4096 -L OLD ntfs.img 2> /dev/null
  mkdir -p mnt
  ntfs-3g ntfs.img mnt
  cp -r tree/* mnt/
  umount mnt
}

scan_seconds() { # image: the fastest of three deep scans
  local best=
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    (cd "$conf" && "$cli" scan "$1" --deep > /dev/null 2>&1)
    t1=$(date +%s.%N)
    best=$(python3 -c "a='$best'; t=$t1-$t0; print(t if not a else min(float(a), t))")
  done
  echo "$best"
}

count() { # tool fs folder any_top
  python3 - "$@" <<'PY'
import hashlib, os, sys
tool, fs, out, any_top = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == "1"
want = [l.rstrip("\n").split("\t") for l in open("manifest.tsv")]
got = {}
for root, _, files in os.walk(out):
    for f in files:
        p = os.path.join(root, f)
        got.setdefault(hashlib.sha256(open(p, "rb").read()).hexdigest(), []).append(os.path.relpath(p, out))
anywhere = named = pathed = 0
for path, sha in want:
    places = got.get(sha, [])
    anywhere += bool(places)
    named += any(os.path.basename(p) == os.path.basename(path) for p in places)
    below = path.split("/", 1)[1] if any_top else path
    pathed += any(p == path or p.endswith("/" + below) and (any_top or p.endswith(path)) for p in places)
print(f"| {tool} | {fs} | {len(want)} | {anywhere} | {named} | {pathed} |")
PY
}

rows=()
for fs in fat ntfs; do
  make_$fs
  before=$(scan_seconds "$work/$fs.img")
  if [ $fs = fat ]; then mkfs.fat -F 32 -s 4 -R 32 -n NEW fat.img > /dev/null; else mkntfs -F -Q -q -c 4096 -L NEW ntfs.img 2> /dev/null; fi
  after=$(scan_seconds "$work/$fs.img")
  echo "$fs: deep scan unformatted ${before}s, formatted ${after}s, ratio $(python3 -c "print(round($after / $before, 2))")"
  any_top=0; [ $fs = fat ] && any_top=1
  rm -rf "ours_$fs" "tsk_$fs" "photorec_$fs"
  (cd "$conf" && "$cli" recover "$work/$fs.img" --deep --all --out "$work/ours_$fs" > /dev/null 2>&1) || true
  rows+=("$(count ours $fs ours_$fs $any_top)")
  mkdir "tsk_$fs"
  tsk_recover -e "$fs.img" "tsk_$fs" > /dev/null 2>&1 || true
  rows+=("$(count tsk_recover $fs tsk_$fs $any_top)")
  mkdir "photorec_$fs"
  photorec /log /d "$work/photorec_$fs/r" /cmd "$fs.img" options,mode_ext2,fileopt,everything,enable,wholespace,search \
    > /dev/null 2>&1 || true
  rows+=("$(count photorec $fs photorec_$fs $any_top)")
done
echo
echo "| tool | volume | files written | byte-exact anywhere | under its name | under its path |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
