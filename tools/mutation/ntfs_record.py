"""NTFS multi-sector blocks (FILE records, INDX blocks) as their readers see
them: the fix-up undone for editing and redone afterwards, so that a
targeted change survives the fix-up check and reaches the parser."""

from .layout import NtfsLayout, u16, u32

STRIDE = NtfsLayout.FIXUP_STRIDE
ATTR_FILE_NAME = 0x30
ATTR_DATA = 0x80
ATTR_INDEX_ROOT = 0x90


def sectors(block):
    usa, count = u16(block, 4), u16(block, 6)
    if count < 2 or usa + 2 * count > len(block) or (count - 1) * STRIDE > len(block):
        return None
    return usa, count


def unfixed(block):
    """Copy of block with the saved sector tails put back; None when the fix-up is broken."""
    out = bytearray(block)
    s = sectors(out)
    if not s:
        return None
    usa, count = s
    for i in range(1, count):
        tail = i * STRIDE - 2
        if out[tail:tail + 2] != out[usa:usa + 2]:
            return None
        out[tail:tail + 2] = out[usa + 2 * i:usa + 2 * i + 2]
    return out


def refixed(block):
    out = bytearray(block)
    usa, count = sectors(out)
    for i in range(1, count):
        tail = i * STRIDE - 2
        out[usa + 2 * i:usa + 2 * i + 2] = out[tail:tail + 2]
        out[tail:tail + 2] = out[usa:usa + 2]
    return out


def attributes(rec):
    """(offset, type, length) of each attribute of an unfixed FILE record."""
    off = u16(rec, 0x14)
    while off + 16 <= len(rec):
        kind, length = u32(rec, off), u32(rec, off + 4)
        if kind == 0xFFFFFFFF or length < 16 or off + length > len(rec):
            return
        yield off, kind, length
        off += length


def resident_value(rec, attr):
    """(offset, length) of a resident attribute's value, or None."""
    if rec[attr + 8] != 0:
        return None
    length, off = u32(rec, attr + 0x10), u16(rec, attr + 0x14)
    return (attr + off, length) if attr + off + length <= len(rec) else None


def index_entries(block, node):
    """Offsets of the entries of an index node header at node (INDX: 0x18)."""
    first, end = node + u32(block, node), node + u32(block, node + 4)
    off = first
    while off + 16 <= min(end, len(block)):
        length = u16(block, off + 8)
        yield off
        if length < 16 or u16(block, off + 12) & 2:
            return
        off += length


def runs(rec, attr):
    """(offset, header byte) of each run of a non-resident attribute's run list."""
    off = attr + u16(rec, attr + 0x20)
    end = attr + u32(rec, attr + 4)
    while off < end and rec[off] != 0:
        head = rec[off]
        yield off, head
        off += 1 + (head & 0x0F) + (head >> 4)

