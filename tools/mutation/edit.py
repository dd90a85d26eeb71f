"""One mutated copy of an image, recording every change so that a finding
can be read and replayed, and the values that tend to break parsers."""

import struct

# Names a reader could be tricked into writing outside the chosen folder (a
# leading ":" is a resource path to Qt), or that a terminal or another
# system would take badly. ROOT is replaced with
# the run's scratch root, so an absolute escape lands where it is seen.
HOSTILE_NAMES = [
    "..", ".", "...", "", " ", "../../../escape", "..\\..\\escape", "/", "../", "a/b",
    "x/../../../../escape", "ROOT/abs-escape", ":escape", ":", "c:escape", "a:b", "con", "nul.txt",
    "\x01\x02\x1b[2J", "tab\there", "new\nline", "\u202egnp.exe", "\u540d/../x", "\ud800bad", "\x7f",
    "\uffff", "a" * 300,
]
# Short 8.3 names (11 bytes) and single name bytes of the same intent.
HOSTILE_SHORT = [
    b"..         ", b".          ", b"/ETC    TXT", b":ESCAPE TXT", b"A:B     TXT", b"\x01\x02\x1b  TXT",
    b"\x05BC     TXT", b"        TXT", b"..\\..\\ESCA", b"CON        ", b"A/B     TXT", b"\x7fDEL    TXT",
]
HOSTILE_BYTES = b":/\\\x00\x01\x1f\x7f*?\"<>|.\xe5\x05 "


def hostile_units(rng, root):
    name = rng.choice(HOSTILE_NAMES).replace("ROOT", root)
    return [ord(c) for c in name]


def field_value(rng, width, old, extra=()):
    """An edge value for an unsigned little-endian field of width bytes."""
    top = (1 << 8 * width) - 1
    choices = [0, 1, top, top >> 1, (top >> 1) + 1, old + 1, old - 1, old * 2, old // 2,
               rng.randrange(top + 1), 1 << rng.randrange(8 * width)] + list(extra)
    return rng.choice([c & top for c in choices if c & top != old] or [old ^ 1])


class Mutation:
    """Changes a working copy in place; undo() gives it back unchanged, which
    costs far less than copying a whole image for every mutation."""

    def __init__(self, work, rng, root):
        self.buf = work
        self.rng = rng
        self.root = root  # where absolute hostile names point
        self.changes = []

    def read(self, off, width):
        return int.from_bytes(self.buf[off:off + width], "little")

    def put(self, off, new, what):
        new = bytes(new)
        if off < 0 or off + len(new) > len(self.buf):
            return False
        old = bytes(self.buf[off:off + len(new)])
        self.buf[off:off + len(new)] = new
        self.changes.append({"offset": off, "old": old.hex(), "new": new.hex(), "what": what})
        return True

    def put_int(self, off, width, value, what):
        return self.put(off, (value & ((1 << 8 * width) - 1)).to_bytes(width, "little"), what)

    def set_field(self, off, width, what, extra=()):
        """Gives the field at off an edge value."""
        value = field_value(self.rng, width, self.read(off, width), extra)
        return self.put_int(off, width, value, "%s = %#x" % (what, value))

    def replace(self, off, block, what):
        """Writes block at off, recording only the runs of bytes that differ."""
        i = 0
        while i < len(block):
            if block[i] == self.buf[off + i]:
                i += 1
                continue
            j = i
            while j < len(block) and block[j] != self.buf[off + j]:
                j += 1
            self.put(off + i, block[i:j], what)
            i = j

    def cut(self, length, what):
        self.changes.append({"cut": length, "was": len(self.buf), "what": what})
        del self.buf[length:]

    def undo(self, original):
        for change in reversed(self.changes):
            if "cut" in change:
                self.buf.extend(original[change["cut"]:change["was"]])
            else:
                off = change["offset"]
                old = bytes.fromhex(change["old"])
                self.buf[off:off + len(old)] = old
        self.changes = []

    def touched(self):
        """(start, end) of every byte range changed, cuts excluded."""
        return [(c["offset"], c["offset"] + len(c["new"]) // 2) for c in self.changes if "offset" in c]


def pack_units(units):
    return b"".join(struct.pack("<H", u & 0xFFFF) for u in units)
