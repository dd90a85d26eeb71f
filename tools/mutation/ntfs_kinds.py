"""Targeted mutations of an NTFS volume: boot sector, fix-ups, FILE record
headers and attributes, $FILE_NAME values, run lists, sizes and index
blocks. Record edits redo the fix-up so the change reaches the parser."""

from .edit import field_value, hostile_units, pack_units
from .layout import u16, u32, u64
from .ntfs_record import (ATTR_DATA, ATTR_FILE_NAME, ATTR_INDEX_ROOT, attributes, index_entries, refixed,
                          resident_value, runs, sectors, unfixed)

BOOT_FIELDS = [(0x0B, 2, "bytes per sector"), (0x0D, 1, "sectors per cluster"), (0x28, 8, "total sectors"),
               (0x30, 8, "MFT cluster"), (0x38, 8, "MFT mirror cluster"), (0x40, 1, "clusters per record"),
               (0x44, 1, "clusters per index block")]
RECORD_FIELDS = [(0x10, 2, "sequence"), (0x12, 2, "link count"), (0x14, 2, "first attribute offset"),
                 (0x16, 2, "flags"), (0x18, 4, "bytes used"), (0x1C, 4, "bytes allocated"),
                 (0x20, 8, "base record"), (0x2C, 4, "record number")]
ATTR_FIELDS = [(0x00, 4, "type"), (0x04, 4, "length"), (0x08, 1, "non-resident flag"), (0x09, 1, "name length"),
               (0x0A, 2, "name offset"), (0x0C, 2, "flags")]
RESIDENT_FIELDS = [(0x10, 4, "value length"), (0x14, 2, "value offset")]
NONRESIDENT_FIELDS = [(0x10, 8, "first VCN"), (0x18, 8, "last VCN"), (0x20, 2, "run list offset"),
                      (0x22, 2, "compression unit")]
SIZE_FIELDS = [(0x28, 8, "allocated size"), (0x30, 8, "data size"), (0x38, 8, "initialized size")]
INDX_FIELDS = [(0x10, 8, "VCN"), (0x18, 4, "entries offset"), (0x1C, 4, "index length"),
               (0x20, 4, "allocated size"), (0x24, 1, "node flags")]
ENTRY_FIELDS = [(0, 8, "file reference"), (8, 2, "entry length"), (10, 2, "key length"), (12, 2, "entry flags")]


def survey(L, buf):
    """Sorts the records by what they hold, once per fixture."""
    L.named, L.deleted, L.with_runs, L.with_root = [], [], [], []
    for off in L.records:
        rec = unfixed(buf[off:off + L.record_size])
        if rec is None:
            continue
        kinds = [(a, t) for a, t, _ in attributes(rec)]
        if any(t == ATTR_FILE_NAME for _, t in kinds):
            L.named.append(off)
            if not rec[0x16] & 1:
                L.deleted.append(off)
        if any(rec[a + 8] for a, _ in kinds):
            L.with_runs.append(off)
        if any(t == ATTR_INDEX_ROOT for _, t in kinds):
            L.with_root.append(off)


def set_in(blk, rng, off, width, name, extra=()):
    if off < 0 or off + width > len(blk):
        return None
    value = field_value(rng, width, int.from_bytes(blk[off:off + width], "little"), extra)
    blk[off:off + width] = value.to_bytes(width, "little")
    return "%s = %#x" % (name, value)


def edit(m, off, size, change, what):
    """Runs change on the unfixed block at off and writes it back fixed."""
    blk = unfixed(m.buf[off:off + size])
    if blk is None:
        return
    said = change(blk)
    if said:
        m.replace(off, refixed(blk), "%s at %#x: %s" % (what, off, said))


def edit_record(m, L, pool, change):
    if pool:
        edit(m, m.rng.choice(pool), L.record_size, change, "FILE record")


def boot(m, L):
    off, width, name = m.rng.choice(BOOT_FIELDS)
    clusters = L.total_sectors * L.bps // max(L.cluster_size, 1)
    m.set_field(off, width, "boot " + name, extra=[clusters, clusters + 1, 0xF6, 0xE1, 0x80, u64(m.buf, 0x38)])
    # The backup in the volume's last sector is what a reader falls back on.
    backup = L.total_sectors * L.bps
    if m.rng.random() < 0.5 and m.buf[backup + 3:backup + 11] == b"NTFS    ":
        m.put(backup + off, m.buf[off:off + width], "backup boot " + name)


def fixup(m, L):
    off, size = m.rng.choice([(r, L.record_size) for r in L.records] + [(i, L.index_size) for i in L.indexes])
    s = sectors(m.buf[off:off + size])
    if not s:
        return
    usa, count = s
    choice = m.rng.randrange(4)
    if choice == 0:
        i = m.rng.randrange(1, count)
        m.put(off + i * 512 - 2, m.rng.randbytes(2), "fix-up tail of sector %d at %#x" % (i, off))
    elif choice == 1:
        m.put(off + usa, m.rng.randbytes(2), "update sequence number at %#x" % off)
    elif choice == 2:
        m.set_field(off + 4, 2, "update sequence offset at %#x" % off, extra=[size - 1, size, 0x29])
    else:
        m.set_field(off + 6, 2, "update sequence count at %#x" % off, extra=[count + 1, size // 512 + 2])


def record_header(m, L):
    edit_record(m, L, L.records, lambda r: set_in(r, m.rng, *m.rng.choice(RECORD_FIELDS)))


def attribute(m, L):
    def change(rec):
        found = list(attributes(rec))
        if not found:
            return None
        a, kind, _ = m.rng.choice(found)
        fields = ATTR_FIELDS + (NONRESIDENT_FIELDS if rec[a + 8] else RESIDENT_FIELDS)
        off, width, name = m.rng.choice(fields)
        extra = [0x10, 0x30, 0x80, 0x90, 0xA0, 0xFFFFFFFF] if name == "type" else [len(rec), 0x8000, 0x4000]
        return set_in(rec, m.rng, a + off, width, "attribute %#x %s" % (kind, name), extra)
    edit_record(m, L, L.records, change)


def file_name_value(blk, m, L, fn, end):
    """Edits one $FILE_NAME value at fn, whose bytes end before end."""
    rng = m.rng
    choice = rng.randrange(6)
    if choice in (0, 1):
        cap = max(0, min((end - fn - 0x42) // 2, 255))
        units = hostile_units(rng, m.root)[:cap]
        blk[fn + 0x40] = len(units)
        blk[fn + 0x42:fn + 0x42 + 2 * len(units)] = pack_units(units)
        return "name %r" % "".join(map(chr, units))
    if choice == 2:
        parent = u64(blk, fn)
        records = [(u32(blk, 0x2C) if blk[:4] == b"FILE" else 0), 5, 0, rng.randrange(len(L.records) + 16)]
        refs = [r | (rng.choice([1, 5, parent >> 48]) << 48) for r in records]
        return set_in(blk, rng, fn, 8, "parent reference", refs + [parent ^ (1 << 48), 0xFFFFFFFFFFFF])
    if choice == 3:
        return set_in(blk, rng, fn + 0x40, 1, "name length", [blk[fn + 0x40] + 40])
    if choice == 4:
        return set_in(blk, rng, fn + 0x38, 4, "file name flags", [0x10000000, 0x20])
    return set_in(blk, rng, fn + rng.choice([0x28, 0x30]), 8, "file name size", [1 << 40, L.record_size * 4])


def file_name(m, L):
    def change(rec):
        values = [resident_value(rec, a) for a, t, _ in attributes(rec) if t == ATTR_FILE_NAME]
        values = [v for v in values if v and v[1] >= 0x42]
        if not values:
            return None
        fn, length = m.rng.choice(values)
        return file_name_value(rec, m, L, fn, fn + length)
    edit_record(m, L, L.deleted if L.deleted and m.rng.random() < 0.7 else L.named, change)


def run_list(m, L):
    rng = m.rng

    def change(rec):
        found = [(a, t) for a, t, _ in attributes(rec) if rec[a + 8]]
        found = [(a, t) for a, t in found if list(runs(rec, a))]
        if not found:
            return None
        a, kind = rng.choice([f for f in found if f[1] == ATTR_DATA] or found)
        listed = list(runs(rec, a))
        off, head = rng.choice(listed)
        lsize, osize = head & 0x0F, head >> 4
        choice = rng.randrange(4)
        if choice == 0:
            # 0x04 and 0x08: a sparse run (no cluster) of a long length.
            rec[off] = rng.choice([0x00, 0xFF, 0x09, 0x90, 0x11, 0x01, 0x10, 0x04, 0x08, rng.randrange(256)])
            return "attribute %#x run header %#x" % (kind, rec[off])
        if choice == 1 and lsize:
            rec[off + 1:off + 1 + lsize] = rng.choice([b"\xff" * lsize, b"\x00" * lsize,
                                                       b"\xff" * (lsize - 1) + b"\x7f"])
            return "attribute %#x run length bytes %s" % (kind, rec[off + 1:off + 1 + lsize].hex())
        if choice == 2 and osize:
            at = off + 1 + lsize
            rec[at:at + osize] = rng.choice([b"\xff" * (osize - 1) + b"\x7f", b"\x00" * (osize - 1) + b"\x80",
                                             b"\x00" * osize, rng.randbytes(osize)])
            return "attribute %#x run offset bytes %s" % (kind, rec[at:at + osize].hex())
        last, head = listed[-1]
        end = last + 1 + (head & 0x0F) + (head >> 4)
        if end < a + u32(rec, a + 4):
            rec[end] = rng.randrange(1, 256)
            return "attribute %#x run list end marker %#x" % (kind, rec[end])
        return None
    edit_record(m, L, L.with_runs, change)


def sizes(m, L):
    rng = m.rng

    def change(rec):
        found = [(a, t) for a, t, _ in attributes(rec) if t == ATTR_DATA] or list(
            (a, t) for a, t, _ in attributes(rec))
        if not found:
            return None
        a, kind = rng.choice(found)
        extra = [len(m.buf) * 4, len(m.buf) * 100, (1 << 63) - 1, 1 << 40]
        if rec[a + 8] and rng.random() < 0.3:
            # All three agreeing looks sound to a reader that compares them.
            value = rng.choice(extra)
            for off, _, _ in SIZE_FIELDS:
                rec[a + off:a + off + 8] = value.to_bytes(8, "little")
            return "attribute %#x sizes all %#x" % (kind, value)
        if rec[a + 8]:
            off, width, name = rng.choice(SIZE_FIELDS)
            return set_in(rec, rng, a + off, width, "attribute %#x %s" % (kind, name), extra)
        return set_in(rec, rng, a + 0x10, 4, "attribute %#x value length" % kind, extra)
    edit_record(m, L, L.with_runs if rng.random() < 0.7 else L.records, change)


def index_entry(blk, m, L, node, end):
    entries = list(index_entries(blk, node))
    if not entries:
        return set_in(blk, m.rng, node, 4, "entries offset")
    e = m.rng.choice(entries)
    key = u16(blk, e + 10)
    if key >= 0x42 and m.rng.random() < 0.5:
        return file_name_value(blk, m, L, e + 0x10, min(e + 0x10 + key, end))
    off, width, name = m.rng.choice(ENTRY_FIELDS)
    return set_in(blk, m.rng, e + off, width, "index entry " + name, [0x10, 0x18, u16(blk, e + 8) + 8])


def index(m, L):
    if L.indexes and (m.rng.random() < 0.7 or not L.with_root):
        def change(blk):
            if m.rng.random() < 0.4:
                return set_in(blk, m.rng, *m.rng.choice(INDX_FIELDS))
            return index_entry(blk, m, L, 0x18, len(blk))
        edit(m, m.rng.choice(L.indexes), L.index_size, change, "INDX block")
        return

    def change(rec):
        values = [resident_value(rec, a) for a, t, _ in attributes(rec) if t == ATTR_INDEX_ROOT]
        values = [v for v in values if v and v[1] >= 0x20]
        if not values:
            return None
        v, length = values[0]
        return index_entry(rec, m, L, v + 0x10, v + length)
    edit_record(m, L, L.with_root, change)


KINDS = {"ntfs-boot": boot, "ntfs-fixup": fixup, "ntfs-record": record_header, "ntfs-attribute": attribute,
         "ntfs-file-name": file_name, "ntfs-run-list": run_list, "ntfs-sizes": sizes, "ntfs-index": index}
