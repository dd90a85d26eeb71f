"""Targeted mutations of a FAT volume: boot sector, FAT entries and the
fields of directory entries. Each changes one thing and says what."""

from .edit import HOSTILE_BYTES, HOSTILE_SHORT, hostile_units, pack_units

BPB_FIELDS = [(0x0B, 2, "bytes per sector"), (0x0D, 1, "sectors per cluster"), (0x0E, 2, "reserved sectors"),
              (0x10, 1, "number of FATs"), (0x11, 2, "root entries"), (0x13, 2, "total sectors (16)"),
              (0x15, 1, "media"), (0x16, 2, "FAT size (16)"), (0x20, 4, "total sectors (32)")]
BPB32_FIELDS = [(0x24, 4, "FAT size (32)"), (0x2C, 4, "root cluster"), (0x30, 2, "FSInfo sector"),
                (0x32, 2, "backup boot sector")]
# Where the 13 UTF-16 characters of a long-name slot lie.
LFN_CHARS = [1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30]


def bpb(m, L):
    off, width, name = m.rng.choice(BPB_FIELDS + (BPB32_FIELDS if L.bits == 32 else []))
    m.set_field(off, width, "BPB " + name, extra=[L.clusters, L.clusters + 2])
    # FAT32 keeps a backup boot sector that a reader may fall back on.
    if L.bits == 32 and m.rng.random() < 0.5:
        m.put(6 * L.bps + off, m.buf[off:off + width], "backup BPB " + name)


def fat_entry(m, L):
    rng = m.rng
    n = rng.choice(L.used) if rng.random() < 0.8 else rng.randrange(2, L.clusters + 2)
    top = L.end_mark()
    label, value = rng.choice([
        ("loop to itself", n), ("to a used cluster", rng.choice(L.used)), ("free", 0), ("reserved 1", 1),
        ("bad", top - 8), ("end", top), ("one past the last", L.clusters + 2),
        ("past the last", L.clusters + 2 + rng.randrange(1 << 12)), ("random", rng.randrange(top + 1)),
    ])
    for copy in range(L.nfats) if rng.random() < 0.5 else [0]:
        off, raw = L.entry_bytes(m.buf, n, value, copy)
        m.put(off, raw, "FAT%d entry %d = %#x (%s)" % (copy + 1, n, value, label))


def short_name(m, L):
    off = m.rng.choice(L.short_entries)
    if m.rng.random() < 0.5:
        m.put(off, m.rng.choice(HOSTILE_SHORT), "short name")
    else:
        i = m.rng.randrange(11)
        m.put(off + i, bytes([m.rng.choice(HOSTILE_BYTES)]), "short name byte %d" % i)


def long_name(m, L):
    run = m.rng.choice(L.long_names)
    if m.rng.random() < 0.3:
        slot, at = m.rng.choice(run), m.rng.choice(LFN_CHARS)
        unit = m.rng.choice([0x2F, 0x5C, 0x3A, 0x00, 0x01, 0x1F, 0x2E, 0xD800, 0xFFFF])
        m.put(slot + at, pack_units([unit]), "long name character %#x" % unit)
        return
    units = hostile_units(m.rng, m.root)
    name = "".join(map(chr, units))
    units = (units + [0] + [0xFFFF] * 13 * len(run))[:13 * len(run)]
    # The slots lie one after another, the one nearest the short entry last
    # and holding the first 13 characters.
    start = run[-1]
    block = bytearray(m.buf[start:start + 32 * len(run)])
    for k, slot in enumerate(run):
        for j, at in enumerate(LFN_CHARS):
            block[slot - start + at:slot - start + at + 2] = pack_units([units[13 * k + j]])
    m.replace(start, block, "long name %r" % name)

def attributes(m, L):
    off = m.rng.choice(L.entries)
    old = m.buf[off + 11]
    value = m.rng.choice([0x10, 0x00, 0x08, 0x0F, 0xFF, 0x20, 0x18, old ^ 0x10, old ^ 0x08, m.rng.randrange(256)])
    m.put(off + 11, bytes([value]), "attributes %#x" % value)


def first_cluster(m, L):
    rng = m.rng
    off = rng.choice(L.short_entries)
    own = (off - L.data_offset) // L.cluster_size + 2 if off >= L.data_offset else L.root_cluster
    label, value = rng.choice([
        ("none", 0), ("reserved 1", 1), ("its own folder", own), ("the root", L.root_cluster),
        ("a folder", rng.choice(L.dir_clusters)), ("the last", L.clusters + 1), ("one past the last", L.clusters + 2),
        ("0xffff", 0xFFFF), ("bad", 0x0FFFFFF7), ("end", 0x0FFFFFFF), ("all ones", 0xFFFFFFFF),
        ("a used one", rng.choice(L.used)), ("random", rng.randrange(1 << 32)),
    ])
    m.put_int(off + 0x1A, 2, value, "first cluster %#x (%s)" % (value, label))
    m.put_int(off + 0x14, 2, value >> 16, "first cluster high %#x" % (value >> 16))


def file_size(m, L):
    off = m.rng.choice(L.short_entries)
    m.set_field(off + 0x1C, 4, "size", extra=[len(m.buf) * 3, len(m.buf) + 1, L.cluster_size * m.rng.randrange(1, 64)])


KINDS = {"fat-bpb": bpb, "fat-entry": fat_entry, "fat-short-name": short_name, "fat-long-name": long_name,
         "fat-attributes": attributes, "fat-first-cluster": first_cluster, "fat-size": file_size}
