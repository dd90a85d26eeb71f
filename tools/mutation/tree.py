"""What a folder holds, to see what a run created outside its output
folder, how much it wrote inside it, and to write images sparsely."""

import os
import stat

CHUNK = 1 << 16


def snapshot(top, skip=()):
    """{relative path: (kind, size, mtime_ns)} below top, not following links;
    a first path component in skip is not entered."""
    found = {}
    for here, dirs, files in os.walk(top):
        rel = os.path.relpath(here, top)
        if rel == ".":
            dirs[:] = [d for d in dirs if d not in skip]
        for name in dirs + files:
            path = os.path.join(here, name)
            try:
                st = os.lstat(path)
            except OSError:
                continue
            kind = "link" if stat.S_ISLNK(st.st_mode) else "dir" if stat.S_ISDIR(st.st_mode) else "file"
            found[os.path.normpath(os.path.join(rel, name))] = (kind, st.st_size, st.st_mtime_ns)
    return found


def usage(top):
    """(apparent bytes, allocated bytes, files) of the regular files below top."""
    apparent = allocated = files = 0
    for here, _, names in os.walk(top):
        for name in names:
            try:
                st = os.lstat(os.path.join(here, name))
            except OSError:
                continue
            if stat.S_ISREG(st.st_mode):
                apparent += st.st_size
                allocated += st.st_blocks * 512
                files += 1
    return apparent, allocated, files


def nonzero_chunks(data):
    return {i for i in range(0, len(data), CHUNK) if data.count(0, i, i + CHUNK) != min(CHUNK, len(data) - i)}


def write_sparse(path, buf, chunks):
    """Writes buf leaving holes, given the chunk offsets that may hold data."""
    view = memoryview(buf)
    with open(path, "wb") as f:
        for i in sorted(chunks):
            piece = view[i:i + CHUNK]
            if len(piece) and buf.count(0, i, i + CHUNK) != len(piece):
                f.seek(i)
                f.write(piece)
        f.truncate(len(buf))
