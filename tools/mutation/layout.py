"""Where the structures of a FAT or NTFS volume image lie, read from its own
boot sector, so that mutations can aim at them instead of at free space."""

import re
import struct


def u16(buf, off):
    return struct.unpack_from("<H", buf, off)[0]


def u32(buf, off):
    return struct.unpack_from("<I", buf, off)[0]


def u64(buf, off):
    return struct.unpack_from("<Q", buf, off)[0]


def file_system(buf):
    if buf[3:11] == b"NTFS    ":
        return "ntfs"
    if buf[510:512] == b"\x55\xaa" and u16(buf, 0x0B) in (512, 1024, 2048, 4096):
        return "fat"
    return None


class FatLayout:
    def __init__(self, buf):
        self.bps = u16(buf, 0x0B)
        self.spc = buf[0x0D]
        self.reserved = u16(buf, 0x0E)
        self.nfats = buf[0x10]
        self.root_entries = u16(buf, 0x11)
        total = u16(buf, 0x13) or u32(buf, 0x20)
        self.fat_sectors = u16(buf, 0x16) or u32(buf, 0x24)
        self.cluster_size = self.bps * self.spc
        self.fat_offset = self.reserved * self.bps
        self.root_offset = self.fat_offset + self.nfats * self.fat_sectors * self.bps
        self.data_offset = self.root_offset + (self.root_entries * 32 + self.bps - 1) // self.bps * self.bps
        self.clusters = (min(total * self.bps, len(buf)) - self.data_offset) // self.cluster_size
        self.bits = 12 if self.clusters < 4085 else 16 if self.clusters < 65525 else 32
        self.root_cluster = u32(buf, 0x2C) if self.bits == 32 else 0
        self.used = [n for n in range(2, self.clusters + 2) if self.entry(buf, n) != 0]
        self.dir_clusters = self._directory_clusters(buf)
        self.entries = self._entries(buf)
        self.short_entries = [off for off in self.entries if buf[off + 11] != 0x0F]
        self.long_names = self.lfn_runs(buf)

    def cluster_offset(self, n):
        return self.data_offset + (n - 2) * self.cluster_size

    def entry_place(self, n, copy=0):
        """Byte offset of FAT entry n in the given FAT copy."""
        base = self.fat_offset + copy * self.fat_sectors * self.bps
        return base + (n * 3 // 2 if self.bits == 12 else n * self.bits // 8)

    def entry(self, buf, n, copy=0):
        off = self.entry_place(n, copy)
        if self.bits == 12:
            v = u16(buf, off)
            return v >> 4 if n & 1 else v & 0xFFF
        return u16(buf, off) if self.bits == 16 else u32(buf, off) & 0x0FFFFFFF

    def entry_bytes(self, buf, n, value, copy=0):
        """(offset, bytes) that store value as entry n, keeping the neighbour's nibble."""
        off = self.entry_place(n, copy)
        if self.bits == 12:
            old = u16(buf, off)
            v = (old & 0x000F) | ((value & 0xFFF) << 4) if n & 1 else (old & 0xF000) | (value & 0xFFF)
            return off, struct.pack("<H", v)
        if self.bits == 16:
            return off, struct.pack("<H", value & 0xFFFF)
        return off, struct.pack("<I", (u32(buf, off) & 0xF0000000) | (value & 0x0FFFFFFF))

    def end_mark(self):
        return (1 << min(self.bits, 28)) - 1

    def chain(self, buf, first, limit=4096):
        seen = []
        n = first
        while 2 <= n < self.clusters + 2 and n not in seen and len(seen) < limit:
            seen.append(n)
            n = self.entry(buf, n)
        return seen

    def _directory_clusters(self, buf):
        # A folder's first cluster starts with its "." entry, live or deleted.
        firsts = [n for n in range(2, self.clusters + 2)
                  if buf[self.cluster_offset(n):self.cluster_offset(n) + 11] == b".          "
                  and buf[self.cluster_offset(n) + 11] & 0x10]
        if self.root_cluster:
            firsts.append(self.root_cluster)
        found = []
        for first in firsts:
            for n in self.chain(buf, first) or [first]:
                if n not in found:
                    found.append(n)
        return found

    def _entries(self, buf):
        """Offsets of the 32-byte directory slots in use or once used."""
        spans = [(self.root_offset, self.root_entries * 32)] if self.bits != 32 else []
        spans += [(self.cluster_offset(n), self.cluster_size) for n in self.dir_clusters]
        slots = []
        for start, size in spans:
            for off in range(start, min(start + size, len(buf) - 31), 32):
                if buf[off] != 0:
                    slots.append(off)
        return slots

    def lfn_runs(self, buf):
        """Lists of long-name slots, nearest to the short entry first."""
        runs = []
        for i, off in enumerate(self.entries):
            if buf[off + 11] == 0x0F:
                continue
            run = []
            j = i - 1
            while j >= 0 and buf[self.entries[j] + 11] == 0x0F and self.entries[j] == off - 32 * (len(run) + 1):
                run.append(self.entries[j])
                j -= 1
            if run:
                runs.append(run)
        return runs

    def metadata(self):
        """Byte ranges holding boot sector, FATs, root folder and folder clusters."""
        ranges = [(0, self.data_offset)]
        return ranges + [(self.cluster_offset(n), self.cluster_size) for n in self.dir_clusters]


class NtfsLayout:
    FIXUP_STRIDE = 512

    def __init__(self, buf):
        self.bps = u16(buf, 0x0B)
        self.cluster_size = self.bps * buf[0x0D]
        self.total_sectors = u64(buf, 0x28)
        self.mft_offset = u64(buf, 0x30) * self.cluster_size
        self.record_size = self._unit(buf[0x40])
        self.index_size = self._unit(buf[0x44])
        self.records = self._signed_blocks(buf, b"FILE", self.record_size)
        self.indexes = self._signed_blocks(buf, b"INDX", self.index_size)

    def _unit(self, raw):
        v = raw - 256 if raw > 127 else raw
        return self.cluster_size * v if v > 0 else 1 << -v

    @staticmethod
    def _signed_blocks(buf, magic, size):
        return [m.start() for m in re.finditer(re.escape(magic), buf)
                if m.start() % NtfsLayout.FIXUP_STRIDE == 0 and m.start() + size <= len(buf)]

    def metadata(self):
        ranges = [(0, self.bps)] + [(r, self.record_size) for r in self.records]
        return ranges + [(i, self.index_size) for i in self.indexes]
