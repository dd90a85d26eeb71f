"""The table printed at the end: images per mutation kind and, for each
kind of finding, how many of those images showed it."""

from .checks import KINDS
from .one_image import folder_name

SHORT = {"escape": "escape", "oversize-allocated": "big-alloc", "oversize-apparent": "big-size", "crash": "crash",
         "timeout": "timeout", "error-on-success": "err-ok", "silent-failure": "silent", "report-mismatch": "report"}


def table(records):
    by_kind = {}
    for r in records:
        by_kind.setdefault(r["kind"], []).append(r)
    head = "%-20s %7s" % ("mutation", "images") + "".join(" %9s" % SHORT[k] for k in KINDS)
    lines = [head, "-" * len(head)]
    for kind in sorted(by_kind) + ["all"]:
        rs = records if kind == "all" else by_kind[kind]
        counts = [sum(1 for r in rs if any(f[0] == k for f in r["findings"])) for k in KINDS]
        lines.append("%-20s %7d" % (kind, len(rs)) + "".join(" %9d" % c for c in counts))
    return lines


def examples(records, per_kind=3):
    """A few findings of each kind, with the folder that holds them."""
    lines = []
    for k in KINDS:
        shown = 0
        for r in records:
            for kind, detail in r["findings"]:
                if kind == k and shown < per_kind:
                    lines.append("%-18s %s: %s" % (k, folder_name(r), detail))
                    shown += 1
                    break
    return lines


def legend():
    return ["columns: images with at least one finding of that kind (%s)"
            % ", ".join("%s=%s" % (v, k) for k, v in SHORT.items() if k != v)]
