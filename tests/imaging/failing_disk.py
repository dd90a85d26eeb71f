#!/usr/bin/python3
"""Serves an image as a failing disk: one read-only file, read straight
through (no page cache between), whose chosen ranges
fail with EIO and whose reads near them are slow, as a dying drive's are.

failing_disk.py IMAGE MOUNTPOINT --bad START:LENGTH ... [--slow-ms N] [--near BYTES]
The file appears as MOUNTPOINT/disk.img; unmount with fusermount -u.
"""
import argparse
import errno
import os
import stat
import time

import fusepy


class FailingDisk(fusepy.Operations):
    def __init__(self, image, bad, slow_s, near):
        self.fd = os.open(image, os.O_RDONLY)
        self.size = os.fstat(self.fd).st_size
        self.bad = bad
        self.slow_s = slow_s
        self.near = near

    def getattr(self, path, fh=None):
        now = time.time()
        if path == '/':
            return dict(st_mode=stat.S_IFDIR | 0o555, st_nlink=2, st_atime=now, st_mtime=now, st_ctime=now)
        if path == '/disk.img':
            return dict(st_mode=stat.S_IFREG | 0o444, st_nlink=1, st_size=self.size,
                        st_atime=now, st_mtime=now, st_ctime=now)
        raise fusepy.FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        return ['.', '..', 'disk.img']

    def open(self, path, flags):
        if path != '/disk.img':
            raise fusepy.FuseOSError(errno.ENOENT)
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise fusepy.FuseOSError(errno.EROFS)
        return 0

    def read(self, path, size, offset, fh):
        end = offset + size
        if any(offset < s + n + self.near and s - self.near < end for s, n in self.bad):
            time.sleep(self.slow_s)
        if any(offset < s + n and s < end for s, n in self.bad):
            raise fusepy.FuseOSError(errno.EIO)
        return os.pread(self.fd, size, offset)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('image')
    parser.add_argument('mountpoint')
    parser.add_argument('--bad', action='append', default=[])
    parser.add_argument('--slow-ms', type=float, default=0)
    parser.add_argument('--near', type=int, default=65536)
    args = parser.parse_args()
    bad = [tuple(int(v, 0) for v in b.split(':')) for b in args.bad]
    fusepy.FUSE(FailingDisk(args.image, bad, args.slow_ms / 1000, args.near), args.mountpoint,
                foreground=True, ro=True, nothreads=True, direct_io=True)


if __name__ == '__main__':
    main()
