"""Runs one CLI command on a mutated image: in its own working folder and
home, under memory and file-size limits (a damaged image must not take the
machine down), with a timeout and a watch on how much it writes."""

import os
import signal
import subprocess
import time

from .tree import usage

MEMORY_LIMIT = 4 << 30


def limits(file_limit):
    return ["prlimit", "--as=%d" % MEMORY_LIMIT, "--fsize=%d" % file_limit, "--core=0", "--"]


def environment(home):
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "LC_ALL": "C.UTF-8",
           "XDG_CONFIG_HOME": home + "/config", "XDG_CACHE_HOME": home + "/cache",
           "XDG_DATA_HOME": home + "/data", "XDG_STATE_HOME": home + "/state",
           "XDG_RUNTIME_DIR": home + "/runtime", "TMPDIR": home + "/tmp"}
    for sub in ("config", "cache", "data", "state", "runtime", "tmp"):
        os.makedirs(os.path.join(home, sub), 0o700, exist_ok=True)
    return env


def run(argv, cwd, env, log_base, timeout, watch=None, write_cap=None):
    """Runs argv; stdout and stderr go to log_base + ".out"/".err".
    Kills it after timeout seconds, or once the files below watch take more
    than write_cap bytes. Returns a dict describing how it ended."""
    start = time.monotonic()
    ended = {"argv": argv, "timed_out": False, "write_killed": False}
    with open(log_base + ".out", "wb") as out, open(log_base + ".err", "wb") as err:
        proc = subprocess.Popen(argv, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                start_new_session=True)
        while True:
            try:
                proc.wait(timeout=0.2)
                break
            except subprocess.TimeoutExpired:
                pass
            if time.monotonic() - start > timeout:
                ended["timed_out"] = True
            elif watch and os.path.isdir(watch) and max(usage(watch)[:2]) > write_cap:
                ended["write_killed"] = True
            else:
                continue
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            break
    ended["rc"] = proc.returncode
    ended["seconds"] = round(time.monotonic() - start, 3)
    with open(log_base + ".out", "rb") as f:
        ended["stdout"] = f.read(1 << 20).decode("utf-8", "replace")
    with open(log_base + ".err", "rb") as f:
        ended["stderr"] = f.read(1 << 20).decode("utf-8", "replace")
    return ended
