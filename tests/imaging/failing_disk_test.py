#!/usr/bin/python3
"""A FAT16 volume served as a failing disk (tests/imaging/failing_disk.py):
imaged, killed half-way and resumed, restored from the image, and scanned
and restored straight from the failing disk.

failing_disk_test.py CLI FAILING_DISK_SCRIPT
"""
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CLI, SERVER = sys.argv[1], sys.argv[2]
SECTOR = 512
EDGE = 4096  # how far the map may stray past each edge of a bad range

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAILED: ' + what, flush=True)


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, **kw)


def build_volume(path, folder):
    """A 24 MiB FAT16 volume whose files of many sizes were deleted (what a
    scan finds); returns {name: bytes} and {name: [(offset, length)]}."""
    rng = random.Random(7)
    with open(path, 'wb') as f:
        f.truncate(24 << 20)
    subprocess.run(['mkfs.fat', '-F', '16', '-s', '4', '-n', 'FAILING', path], check=True, capture_output=True)
    files = {}
    for i, size in enumerate([3000, 187709, 40960, 9000, 300000, 1 << 20, 70000, 5555, 512000, 128, 65536, 250000]):
        name = 'file-%02d.bin' % i
        data = rng.randbytes(size)
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)
        subprocess.run(['mcopy', '-i', path, os.path.join(folder, name), '::' + name], check=True)
        files[name] = data
    extents = dict(zip(files, file_extents(path)))
    subprocess.run(['mdel', '-i', path] + ['::' + n for n in files], check=True)
    return files, extents


def file_extents(image):
    """The byte ranges of each root-folder file, in folder order, from the FAT."""
    with open(image, 'rb') as f:
        boot = f.read(512)
        u16 = lambda b, o: int.from_bytes(b[o:o + 2], 'little')
        bps, spc, reserved, fats, roots, fat_size = u16(boot, 11), boot[13], u16(boot, 14), boot[16], \
            u16(boot, 17), u16(boot, 22)
        f.seek(reserved * bps)
        fat = f.read(fat_size * bps)
        root_at = (reserved + fats * fat_size) * bps
        f.seek(root_at)
        root = f.read(roots * 32)
    data_at = root_at + roots * 32
    cluster = spc * bps
    extents = []
    for e in range(0, len(root), 32):
        entry = root[e:e + 32]
        if entry[0] in (0, 0xE5) or entry[11] & 0x18:  # free, long-name parts, label
            continue
        c, size, ranges = u16(entry, 26), int.from_bytes(entry[28:32], 'little'), []
        while 2 <= c < 0xFFF8 and len(ranges) * cluster < size:
            ranges.append((data_at + (c - 2) * cluster, cluster))
            c = u16(fat, c * 2)
        extents.append(ranges)
    return extents


def touches(ranges, bad):
    return any(a < s + n and s < a + b for a, b in ranges for s, n in bad)


def map_areas(path):
    areas, status_seen = [], False
    for line in open(path):
        if line.startswith('#') or not line.strip():
            continue
        words = line.split()
        if not status_seen:
            status_seen = True
            continue
        areas.append((int(words[0], 0), int(words[1], 0), words[2]))
    return areas


def image_run(source, out, map_path, stop_after=None):
    proc = subprocess.Popen([CLI, 'image', source, out, '--map', map_path], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    if stop_after is not None:
        time.sleep(stop_after)
        proc.send_signal(signal.SIGTERM)
    stdout, stderr = proc.communicate(timeout=120)
    return proc.returncode, stdout, stderr


def restored(folder):
    """Restored files by name, less the first letter a deletion took."""
    found = {}
    for root, _, names in os.walk(folder):
        for n in names:
            with open(os.path.join(root, n), 'rb') as f:
                found['?' + n[1:]] = f.read()
    return found


def listing(target):
    r = run(CLI, 'scan', target, '--json')
    check(r.returncode == 0, 'scanning %s: %s' % (target, r.stderr.strip()))
    try:
        return sorted((row['path'], row['size']) for row in json.loads(r.stdout or '[]'))
    except (ValueError, KeyError):
        check(False, 'scan --json of %s is not a list of rows' % target)
        return []


def main():
    work = tempfile.mkdtemp(prefix='failing-disk-')
    mount = os.path.join(work, 'mnt')
    os.mkdir(mount)
    source = os.path.join(work, 'volume.img')
    files, extents = build_volume(source, work)
    # One sector in the first MiB (where the probe reads), 4 KiB of one
    # file's data, 64 KiB of another's further on.
    data_file, far_file = extents['file-01.bin'], extents['file-05.bin']
    bad = [(64 * 1024, SECTOR), (data_file[10][0] + 1024, 4096), (far_file[40][0] + 512, 65536)]
    server = subprocess.Popen([SERVER, source, mount, '--slow-ms', '2', '--near', str(256 * 1024)] +
                              ['--bad=%d:%d' % b for b in bad])
    disk = os.path.join(mount, 'disk.img')
    try:
        for _ in range(100):
            if os.path.exists(disk):
                break
            time.sleep(0.05)
        check(os.path.exists(disk), 'the failing disk is served')
        run_checks(work, source, disk, files, extents, bad)
    finally:
        subprocess.run(['fusermount', '-u', mount])
        server.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)
    print('%d passed, %d failed' % (0 if failures else 1, 1 if failures else 0))
    return 1 if failures else 0


def run_checks(work, source, disk, files, extents, bad):
    original = open(source, 'rb').read()
    image, map_path = os.path.join(work, 'copy.img'), os.path.join(work, 'copy.map')
    started = time.monotonic()
    rc, out, err = image_run(disk, image, map_path)
    took = time.monotonic() - started
    check(rc == 0, 'imaging finishes with exit 0 (%d: %s)' % (rc, err.strip()))
    copy = open(image, 'rb').read()
    check(len(copy) == len(original), 'the image is as long as the source')
    unread = [(p, s) for p, s, st in map_areas(map_path) if st != '+']
    check(all(st in '+-' for _, _, st in map_areas(map_path)), 'the finished map holds only rescued and bad areas')
    # Each bad range is covered, give or take one page at each edge.
    for s, n in bad:
        lo, hi = s - s % EDGE, s + n + (-(s + n)) % EDGE
        check(any(p <= s and s + n <= p + z for p, z in unread) and
              all(p >= lo and p + z <= hi for p, z in unread if p < s + n and s < p + z),
              'the map marks the bad range %d+%d and nothing more than its pages' % (s, n))
    check(sum(z for _, z in unread) <= sum(n + 2 * EDGE for _, n in bad), 'no good area is marked bad')
    outside = bytearray(original)
    masked = bytearray(copy)
    for p, z in unread:
        masked[p:p + z] = outside[p:p + z]
    check(masked == outside, 'the image equals the source outside the bad areas')
    r = run('ddrescuelog', '-t', map_path)
    check(r.returncode == 0, 'ddrescuelog reads the map (%s)' % r.stderr.strip())

    # Stopped half-way, the same command goes on from its map.
    resumed_image, resumed_map = os.path.join(work, 'resumed.img'), os.path.join(work, 'resumed.map')
    rc, out, err = image_run(disk, resumed_image, resumed_map, stop_after=took / 2)
    check(rc != 0 and os.path.exists(resumed_map), 'a run stopped half-way says so and leaves its map')
    check(any(st != '+' and st != '-' for _, _, st in map_areas(resumed_map)),
          'the map of the stopped run holds work still to do')
    rc, out, err = image_run(disk, resumed_image, resumed_map)
    check(rc == 0 and 'going on from' in err, 'the second run goes on from the map (%s)' % err.strip())
    check(open(resumed_image, 'rb').read() == copy and map_areas(resumed_map) == map_areas(map_path),
          'the resumed image and map equal those of one whole run')

    # Every file no bad range touches comes back whole from the image.
    spared = {n for n in files if not touches(extents[n], bad)}
    from_image = os.path.join(work, 'from-image')
    run(CLI, 'recover', image, '--out', from_image, '--all')
    got = restored(from_image)
    check(all(got.get('?' + n[1:]) == files[n] for n in spared), 'recover --all from the image restores every spared file')

    # Straight from the failing disk: seen although libblkid's probe fails
    # on it, listed as the image lists, and
    # every file restored whole in length with zeros where sectors failed.
    check(run('blkid', '-p', disk).returncode != 0 and run('blkid', '-p', image).returncode == 0,
          'the probe fails on the failing disk only')
    check(listing(disk) == listing(image) != [], 'the failing disk lists what its image lists')
    from_disk = os.path.join(work, 'from-disk')
    r = run(CLI, 'recover', disk, '--out', from_disk, '--all')
    got = restored(from_disk)
    for n, data in files.items():
        expected = bytearray(data)
        offset = 0
        for a, length in extents[n]:
            for s, z in bad:
                lo, hi = max(a, s - s % SECTOR), min(a + length, s + z + (-(s + z)) % SECTOR)
                if lo < hi:
                    expected[offset + lo - a:offset + hi - a] = bytes(hi - lo)
            offset += length
        check(got.get('?' + n[1:]) == bytes(expected[:len(data)]),
              '%s restored from the failing disk whole in length, zeros only where it failed' % n)
    check(re.search(r'unreadable at byte', r.stdout) is not None, 'the restore says which bytes were unreadable')


if __name__ == '__main__':
    sys.exit(main())
