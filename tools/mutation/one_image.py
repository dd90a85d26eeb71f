"""Mutates one image, runs scan and recover on it, and keeps it with its
outputs in the findings folder when a check fails.

Folders of image N below the scratch root (OUT is never made beforehand):
  jail/a/b/c/run-N/{image/image.img, cwd/, home/, out/}
  logs/N-scan.out ...   (outside the jail, so logs are never escapes)
The jail is deep so that a name climbing out of OUT by ".." still lands
below the scratch root, where it is seen."""

import contextlib
import gzip
import json
import os
import random
import shlex
import shutil
import threading

from . import checks, runner
from .mutate import mutate
from .tree import CHUNK, snapshot, usage, write_sparse

JAIL = os.path.join("jail", "a", "b", "c")
# The CLI's own state folder (the NTFS engine's failure log lives there).
ALLOWED = os.path.join("home", "state", "TarnRecovery")
scan_lock = threading.Lock()


class Settings:
    """What every image of a run shares."""

    def __init__(self, cli, fixtures, seed, timeout, root, findings, keep_all=False):
        self.cli, self.fixtures, self.seed, self.timeout = cli, fixtures, seed, timeout
        self.root, self.findings, self.keep_all = root, findings, keep_all
        self.local = threading.local()

    def work_copy(self, fixture):
        # One working copy per fixture and thread, changed and given back per image.
        if not hasattr(self.local, "copies"):
            self.local.copies = {}
        copies = self.local.copies
        if fixture.name not in copies:
            copies[fixture.name] = bytearray(fixture.data)
        return copies[fixture.name]


def choose(settings, index):
    """Image index's fixture and mutation kind; the first images are the
    fixtures unchanged, so that a rule that fires on a sound image shows."""
    rng = random.Random("%d/%d" % (settings.seed, index))
    if index < len(settings.fixtures):
        return rng, settings.fixtures[index], "none"
    # Each file system gets an equal share, however many fixtures it has.
    family = rng.choice(sorted({f.fs for f in settings.fixtures}))
    fixture = rng.choice([f for f in settings.fixtures if f.fs == family])
    return rng, fixture, rng.choice(sorted(fixture.kinds))


def escapes(before, after, shown):
    """Entries made, changed or removed outside OUT and the allowed state folder."""
    found = []
    for path in sorted(set(before) | set(after)):
        if path.split(os.sep)[0] == "out" or path == ALLOWED or path.startswith(ALLOWED + os.sep):
            continue
        old, new = before.get(path), after.get(path)
        # A folder's time changes with what is put in it; what is put is seen itself.
        if old != new and not (old and new and old[0] == new[0] == "dir"):
            found.append("%s %s" % ("removed" if new is None else "made or changed", os.path.join(shown, path)))
    return found


def stray_in_root(settings):
    """Entries below the scratch root that no run made on purpose."""
    expected = {"jail", os.path.join("jail", "a"), os.path.join("jail", "a", "b"), JAIL, "logs"}
    stray = []
    for here, dirs, files in os.walk(settings.root):
        rel = os.path.relpath(here, settings.root)
        dirs[:] = [d for d in dirs if os.path.normpath(os.path.join(rel, d)) in expected - {"logs"}]
        for name in os.listdir(here):
            path = os.path.normpath(os.path.join(rel, name))
            if path not in expected and not (rel == JAIL and name.startswith("run-")):
                stray.append(path)
    return stray


def commands(settings, image, out):
    return {"scan": [settings.cli, "scan", image], "recover": [settings.cli, "recover", image, "--out", out, "--all"]}


def run_commands(settings, index, image, run_dir, size):
    """Runs scan then recover; returns the findings and how each ended."""
    out = os.path.join(run_dir, "out")
    env = runner.environment(os.path.join(run_dir, "home"))
    cap = max(4 * size, 16 << 20)  # far past the allowed twice the image, to stop a runaway writer
    findings, ended = [], {}
    for name, argv in commands(settings, image, out).items():
        before = snapshot(run_dir)
        log = os.path.join(settings.root, "logs", "%d-%s" % (index, name))
        ended[name] = runner.run(runner.limits(cap) + argv, os.path.join(run_dir, "cwd"), env, log,
                                 settings.timeout, watch=out if name == "recover" else None, write_cap=cap)
        findings += checks.how_it_ended(name, ended[name], settings.timeout)
        if name == "recover":
            findings += checks.restored(ended[name], out, size)
        shown = os.path.relpath(run_dir, settings.root)
        findings += [("escape", "%s %s" % (name, e)) for e in escapes(before, snapshot(run_dir), shown)]
        with scan_lock:
            stray = stray_in_root(settings)
            findings += [("escape", "%s (or the other run at the time) made %s" % (name, p)) for p in stray]
            for p in stray:
                target = os.path.join(settings.findings, "stray", "%d" % index, p)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.move(os.path.join(settings.root, p), target)
    return findings, ended


@contextlib.contextmanager
def mutated(settings, index):
    """Image index made again from the seed, in the thread's working copy."""
    rng, fixture, kind = choose(settings, index)
    work = settings.work_copy(fixture)
    m = mutate(fixture, kind, rng, settings.root, work)
    try:
        yield fixture, kind, work, m
    finally:
        m.undo(fixture.data)


def run_image(settings, index):
    run_dir = os.path.join(settings.root, JAIL, "run-%d" % index)
    image = os.path.join(run_dir, "image", "image.img")
    for d in ("image", "cwd", "home"):
        os.makedirs(os.path.join(run_dir, d))
    with mutated(settings, index) as (fixture, kind, work, m):
        write_sparse(image, work, fixture.chunks | {s // CHUNK * CHUNK for s, _ in m.touched()})
        size = len(work)
        changes = m.changes

    findings, ended = run_commands(settings, index, image, run_dir, size)
    record = {"index": index, "seed": settings.seed, "fixture": fixture.name, "kind": kind, "size": size,
              "findings": findings, "changes": changes,
              "results": {n: {k: e[k] for k in ("rc", "seconds", "timed_out", "write_killed")}
                          for n, e in ended.items()}}
    kept = findings or settings.keep_all
    if kept:
        keep(settings, record, run_dir, image, ended)
    shutil.rmtree(run_dir, ignore_errors=True)
    for name in ended:
        for ext in (".out", ".err"):
            log = os.path.join(settings.root, "logs", "%d-%s%s" % (index, name, ext))
            if kept:
                shutil.copy(log, os.path.join(settings.findings, folder_name(record), name + ext))
            os.remove(log)
    return record


def folder_name(record):
    return "%05d-%s-%s" % (record["index"], record["fixture"], record["kind"])


def keep(settings, record, run_dir, image, ended):
    """Saves what a developer needs to see and rerun the finding."""
    folder = os.path.join(settings.findings, folder_name(record))
    out = os.path.join(run_dir, "out")
    os.makedirs(folder)
    # Made again: the run may have changed or removed its copy.
    with mutated(settings, record["index"]) as (_, _, work, _), \
            gzip.open(os.path.join(folder, "image.img.gz"), "wb", 6) as dst:
        dst.write(work)
    with open(os.path.join(folder, "mutation.json"), "w") as f:
        json.dump(record, f, indent=1)
    with open(os.path.join(folder, "out-listing.txt"), "w") as f:
        for path, (kind, size, _) in sorted(snapshot(out).items()):
            f.write("%s\t%d\t%s\n" % (kind, size, path))
        f.write("total apparent %d allocated %d files %d\n" % usage(out))
    lines = ["#!/bin/sh", "# Reruns image %d (%s, %s) as the mutation run did: scan, then recover, from an"
             % (record["index"], record["fixture"], record["kind"]),
             "# empty working folder. Usage: repro.sh [CLI]", "set -u",
             'here=$(cd "$(dirname "$0")" && pwd)', "cli=${1:-tarnrecovery-cli}", "work=$(mktemp -d)",
             'gzip -dc "$here/image.img.gz" > "$work/image.img"', 'mkdir "$work/cwd" && cd "$work/cwd"']
    places = {settings.cli: '"$cli"', image: '"$work/image.img"', out: '"$work/out"'}
    for name, e in ended.items():
        words = [places.get(a, shlex.quote(a)) for a in e["argv"]]
        lines.append(" ".join(words) + '; echo "%s: exit $?"' % name)
    lines.append('echo "left in $work"')
    with open(os.path.join(folder, "repro.sh"), "w") as f:
        f.write("\n".join(lines) + "\n")
    os.chmod(os.path.join(folder, "repro.sh"), 0o755)
