"""Picks and applies the mutations of one image: random bytes anywhere,
random bytes inside the file system's structures, a cut, or one of the
targeted kinds of the image's file system."""

from . import fat_kinds, ntfs_kinds
from .edit import Mutation
from .layout import FatLayout, NtfsLayout, file_system
from .tree import CHUNK, nonzero_chunks


class Fixture:
    def __init__(self, name, data):
        self.name = name
        self.data = data
        self.chunks = nonzero_chunks(data)  # where a sparse copy must write
        self.fs = file_system(data)
        if self.fs == "fat":
            self.layout = FatLayout(data)
            self.kinds = fat_kinds.KINDS
        elif self.fs == "ntfs":
            self.layout = NtfsLayout(data)
            ntfs_kinds.survey(self.layout, data)
            self.kinds = ntfs_kinds.KINDS
        else:
            raise ValueError("%s: neither FAT nor NTFS" % name)
        self.kinds = dict(GENERIC, **self.kinds)


def random_bytes(m, L):
    # Half the bytes land where the image holds something: past it lie only zeros.
    extent = max(m.used_end, 1)
    for _ in range(m.rng.choice([1, 2, 4, 8, 16, 64])):
        off = m.rng.randrange(len(m.buf) if m.rng.random() < 0.5 else extent)
        m.put(off, bytes([m.buf[off] ^ m.rng.randrange(1, 256)]), "random byte")


def structure_bytes(m, L):
    spans = [(start, min(size, len(m.buf) - start)) for start, size in L.metadata() if start < len(m.buf)]
    for _ in range(m.rng.choice([1, 2, 4, 8, 32])):
        start, size = m.rng.choices(spans, weights=[s for _, s in spans])[0]
        off = start + m.rng.randrange(size)
        m.put(off, bytes([m.buf[off] ^ m.rng.randrange(1, 256)]), "random byte in a structure")


def cut(m, L):
    n = len(m.buf)
    ends = [start + size for start, size in L.metadata()]
    length = m.rng.choice([m.rng.randrange(4096), m.rng.randrange(max(m.used_end, 1)), m.rng.randrange(n),
                           n - 512 * m.rng.randrange(1, 64), m.rng.choice(ends) - m.rng.randrange(1, 8192)])
    # An image that is not whole sectors is refused before any reading.
    if m.rng.random() < 0.9:
        length -= length % 512
    m.cut(max(0, min(length, n - 1)), "image cut short")


GENERIC = {"random": random_bytes, "random-structure": structure_bytes, "cut": cut}


def mutate(fixture, kind, rng, root, work):
    """Changes of the given kind made to work, a bytearray equal to
    fixture.data; undo the returned Mutation to use work again. Mostly one
    or a few; sometimes many, as some faults need several entries damaged."""
    m = Mutation(work, rng, root)
    m.used_end = max(fixture.chunks) + CHUNK
    if kind == "none":
        return m
    for _ in range(rng.choice([1, 1, 2, 3, 4, 8, 16])):
        if kind == "cut" and m.changes:
            break
        fixture.kinds[kind](m, fixture.layout)
    return m
