#!/usr/bin/python3
"""Mutation run of the restore path: damages copies of the fixture images
and checks that tarnrecovery-cli's scan and recover never write outside the
chosen folder, never write more than twice the image size, never crash or
hang, and report failure honestly.

  tools/mutation-run.py [--cli build/src/cli/tarnrecovery-cli] [--fixtures build/fixtures]
                        [--count 2000] [--seed S] [--budget SECONDS] [--timeout SECONDS]
                        [--jobs 2] [--findings build/mutation-findings] [--only N ...]

The fixture images are built into --fixtures when missing (needs mtools and
dosfstools). Image N of a run depends only on the seed and N: rerun a single
one with --seed S --only N. The first images are the fixtures unchanged.
Every image with a finding is kept under the findings folder with its
mutations (mutation.json), the outputs of both commands and repro.sh. The
checks and the rule for what reads as an error are in mutation/checks.py.
Exit status: 0 no finding, 1 findings, 2 the run could not start or this
tool failed on an image (the table shows those as kind tool-error)."""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import traceback

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mutation import summary  # noqa: E402
from mutation.mutate import Fixture  # noqa: E402
from mutation.one_image import Settings, run_image  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXTURES = ["fat12", "fat16", "fat32", "ntfs"]


def options():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--cli", default=os.path.join(REPO, "build/src/cli/tarnrecovery-cli"))
    p.add_argument("--fixtures", default=os.path.join(REPO, "build/fixtures"))
    p.add_argument("--images", default=",".join(FIXTURES), help="fixtures to mutate (names without .img)")
    p.add_argument("--count", type=int, default=2000, help="mutated images")
    p.add_argument("--seed", type=int, default=None)
    p.add_argument("--budget", type=float, default=1500, help="seconds; no image is started after it")
    p.add_argument("--timeout", type=float, default=20, help="seconds per command; past it is a hang")
    p.add_argument("--jobs", type=int, default=2)
    p.add_argument("--findings", default=os.path.join(REPO, "build/mutation-findings"))
    p.add_argument("--scratch", default=None, help="folder for the scratch root (default: the temp folder)")
    p.add_argument("--only", type=int, action="append", help="run only image N (repeatable)")
    p.add_argument("--keep-all", action="store_true", help="keep every image as if it had a finding")
    return p.parse_args()


def load_fixtures(args):
    names = args.images.split(",")
    if not all(os.path.exists(os.path.join(args.fixtures, n + ".img")) for n in names):
        print("building the fixture images into %s" % args.fixtures, file=sys.stderr)
        subprocess.run(["bash", os.path.join(REPO, "tests/fixtures/make_all.sh"), args.fixtures], check=True,
                       stdout=subprocess.DEVNULL)
    fixtures = []
    for n in names:
        with open(os.path.join(args.fixtures, n + ".img"), "rb") as f:
            fixtures.append(Fixture(n, f.read()))
    return fixtures


def run_all(settings, indexes, jobs, budget):
    records, lock = [], threading.Lock()
    queue = iter(indexes)
    start = time.monotonic()

    def worker():
        while time.monotonic() - start < budget:
            with lock:
                index = next(queue, None)
            if index is None:
                return
            try:
                record = run_image(settings, index)
            except Exception:  # a fault of this tool: say so, keep going, fail the run
                traceback.print_exc()
                record = {"index": index, "kind": "tool-error", "fixture": "-", "findings": []}
            with lock:
                records.append(record)
                if len(records) % 100 == 0:
                    print("%d images, %d with findings, %.0fs" % (
                        len(records), sum(1 for r in records if r["findings"]), time.monotonic() - start),
                          file=sys.stderr)
    threads = [threading.Thread(target=worker) for _ in range(jobs)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return sorted(records, key=lambda r: r["index"]), time.monotonic() - start


def main():
    args = options()
    if not os.access(args.cli, os.X_OK) or not shutil.which("prlimit"):
        print("mutation-run: needs %s (build it) and prlimit" % args.cli, file=sys.stderr)
        return 2
    fixtures = load_fixtures(args)
    seed = args.seed if args.seed is not None else random.randrange(1 << 31)
    findings = os.path.join(args.findings, "seed-%d-%s" % (seed, time.strftime("%Y%m%d-%H%M%S")))
    os.makedirs(findings)
    root = tempfile.mkdtemp(prefix="tarn-mutation-", dir=args.scratch)
    os.makedirs(os.path.join(root, "logs"))
    settings = Settings(os.path.abspath(args.cli), fixtures, seed, args.timeout, root, findings, args.keep_all)
    indexes = args.only or range(len(fixtures) + args.count)
    print("seed %d, %d images, findings in %s" % (seed, len(indexes), findings), file=sys.stderr)
    try:
        records, seconds = run_all(settings, indexes, args.jobs, args.budget)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    lines = ["seed %d: %d of %d images in %.0fs" % (seed, len(records), len(indexes), seconds)]
    lines += summary.table(records) + summary.legend() + [""] + summary.examples(records)
    lines.append("findings: %s" % findings)
    with open(os.path.join(findings, "summary.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))
    if any(r["kind"] == "tool-error" for r in records):
        return 2
    return 1 if any(r["findings"] for r in records) else 0


if __name__ == "__main__":
    sys.exit(main())
