"""The rules that turn how a command ended, and what it left behind, into
findings. Each finding is (kind, detail).

Error rule: a line reads as an error when stderr starts it with the CLI's
own prefix "tarnrecovery-cli" (how every command reports what it could not
do), or it holds one of ERROR_WORDS, or stdout starts it with "failed:" or
"incomplete:" (how recover lists the files it could not restore). The
progress summary ("Scanned ...") and "note: ..." lines are not errors.
  error-on-success  exit 0 and an error line
  silent-failure    exit above 0 and no error line"""

import re
import signal

from .tree import usage

ERROR_WORDS = re.compile(r"\b(errors?|fail(s|ed|ure)?|cannot|can't|could not|couldn't|unable|not written|denied|"
                         r"invalid|refused|abort(ed)?|fatal|assert(ion)?|exception|segmentation)\b", re.I)
KINDS = ["escape", "oversize-allocated", "oversize-apparent", "crash", "timeout", "error-on-success",
         "silent-failure", "report-mismatch"]


def error_lines(ended):
    lines = [line for line in ended["stderr"].splitlines() if not line.startswith("note: ") and
             (line.startswith("tarnrecovery-cli") or ERROR_WORDS.search(line))]
    return lines + [line for line in ended["stdout"].splitlines() if line.startswith(("failed:", "incomplete:"))]


def how_it_ended(name, ended, timeout):
    rc = ended["rc"]
    if ended["timed_out"]:
        return [("timeout", "%s still running after %ss" % (name, timeout))]
    if ended["write_killed"]:
        return [("oversize-allocated", "%s killed while writing past the cap" % name)]
    if rc < 0:
        if -rc == signal.SIGXFSZ:
            return [("oversize-apparent", "%s hit the file size limit (SIGXFSZ)" % name)]
        return [("crash", "%s killed by %s" % (name, signal.Signals(-rc).name))]
    errors = error_lines(ended)
    if rc == 0 and errors:
        return [("error-on-success", "%s exit 0 but: %s" % (name, errors[0][:200]))]
    if rc > 0 and not errors:
        return [("silent-failure", "%s exit %d with no error line" % (name, rc))]
    return []


def restored(ended, out, image_size):
    """Checks what recover left in out against the image size and its report."""
    found = []
    apparent, allocated, files = usage(out)
    if allocated > 2 * image_size:
        found.append(("oversize-allocated", "%d bytes allocated under OUT, image %d" % (allocated, image_size)))
    if apparent > 2 * image_size:
        found.append(("oversize-apparent", "%d bytes (apparent) under OUT, image %d" % (apparent, image_size)))
    if ended["rc"] < 0 or ended["timed_out"] or ended["write_killed"]:
        return found
    written = re.search(r"^(\d+) files written to ", ended["stdout"], re.M)
    kept = len(re.findall(r"^incomplete: ", ended["stdout"], re.M))
    expected = (int(written.group(1)) if written else 0) + kept
    if files != expected:
        found.append(("report-mismatch", "%d files under OUT, the report accounts for %d" % (files, expected)))
    return found
