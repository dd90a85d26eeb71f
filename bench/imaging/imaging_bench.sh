#!/usr/bin/env bash
# Imaging a failing disk beside ddrescue with its default options, same run:
# a 64 MiB image served through FUSE (tests/imaging/failing_disk.py) with
# five bad ranges and slow reads around them, imaged by each in turn, three
# rounds. Prints both times and the ratio; exits 1 when ours takes more
# than 1.5 times as long.
# Usage: imaging_bench.sh PATH/TO/tarnrecovery-cli
set -euo pipefail
cli=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
server=$here/../../tests/imaging/failing_disk.py
work=$(mktemp -d)
mount=$work/mnt
mkdir "$mount"
cleanup() {
  fusermount -u "$mount" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
head -c $((64 << 20)) /dev/urandom >"$work/source.img"
/usr/bin/python3 "$server" "$work/source.img" "$mount" --slow-ms 1 --near 131072 \
  --bad=65536:512 --bad=5000000:4096 --bad=20000000:65536 --bad=40000000:1024 --bad=60000000:300000 &
for _ in $(seq 100); do [ -e "$mount/disk.img" ] && break; sleep 0.05; done

elapsed() { # command... -> seconds on stdout
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

ours=0 theirs=0
for round in 1 2 3; do
  rm -f "$work"/copy.* "$work"/peer.*
  t=$(elapsed "$cli" image "$mount/disk.img" "$work/copy.img" --map "$work/copy.map")
  p=$(elapsed ddrescue "$mount/disk.img" "$work/peer.img" "$work/peer.map")
  echo "round $round: tarnrecovery-cli image ${t}s, ddrescue ${p}s"
  ours=$(echo "$ours + $t" | bc)
  theirs=$(echo "$theirs + $p" | bc)
  cmp -s "$work/copy.img" "$work/peer.img" || echo "note: the two images differ (bad areas may be left differently)"
done
ratio=$(echo "scale=3; $ours / $theirs" | bc)
echo "imaging: tarnrecovery-cli ${ours}s, ddrescue ${theirs}s, ratio ${ratio}"
[ "$(echo "$ratio <= 1.5" | bc)" -eq 1 ]
