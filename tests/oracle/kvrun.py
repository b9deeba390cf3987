"""Running kvtool and keeping the score of one differential check.

Environment:
  KVTOOL             path of the kvtool binary (required)
  ORACLE_SEED        seed of the random registers (default: the check's own)
  ORACLE_KEEP_GOING  1: go on after a disagreement and list them all
  ORACLE_FAIL_DIR    folder where the inputs of each disagreement are kept
"""

import concurrent.futures
import json
import os
import re
import resource
import subprocess
import sys
import tempfile
import time

os.environ["TZ"] = "Asia/Tokyo"
time.tzset()

SANITIZER_MARKS = (b"ERROR: AddressSanitizer", b"ERROR: LeakSanitizer", b"runtime error:",
                   b"ERROR: UndefinedBehaviorSanitizer", b"AddressSanitizer:DEADLYSIGNAL")


class Result:
    def __init__(self, args, rc, out, err, seconds):
        self.args, self.rc, self.out, self.err, self.seconds = args, rc, out, err, seconds

    @property
    def err_text(self):
        return self.err.decode("utf-8", "replace")

    def crashed(self):
        return self.rc < 0 or any(m in self.err for m in SANITIZER_MARKS)

    def describe(self):
        return "kvtool %s -> exit %d\n  stderr: %s\n  stdout: %s" % (
            " ".join(self.args), self.rc, self.err_text.strip()[:2000],
            self.out[:600].decode("utf-8", "replace"))


def _child_cpu():
    ru = resource.getrusage(resource.RUSAGE_CHILDREN)
    return ru.ru_utime + ru.ru_stime


class Check:
    """Score of one checker: counts, the first disagreement ends the run
    unless ORACLE_KEEP_GOING is set."""

    def __init__(self, name, default_seed):
        self.name = name
        self.seed = int(os.environ.get("ORACLE_SEED", default_seed))
        self.keep_going = os.environ.get("ORACLE_KEEP_GOING") == "1"
        self.fail_dir = os.environ.get("ORACLE_FAIL_DIR")
        self.passed = 0
        self.failed = 0
        self.started = time.monotonic()
        self.exe = os.environ.get("KVTOOL")
        if not self.exe or not os.access(self.exe, os.X_OK):
            print("%s: KVTOOL must name the kvtool binary (got %r)" % (name, self.exe))
            sys.exit(2)
        self._tmp = tempfile.TemporaryDirectory(prefix="oracle-")
        self.dir = self._tmp.name
        self.serial = 0
        self.runs = 0
        self.profile = self.path("orvalis.ini")
        self.set_profile("")
        print("%s: seed %d (ORACLE_SEED to change), kvtool %s" % (name, self.seed, self.exe))
        sys.stdout.flush()

    # ------------------------------------------------------------ files

    def path(self, name):
        return os.path.join(self.dir, name)

    def new_path(self, suffix):
        self.serial += 1
        return self.path("t%05d%s" % (self.serial, suffix))

    def put(self, data, suffix=".kv"):
        p = self.new_path(suffix)
        with open(p, "wb") as f:
            f.write(data)
        return p

    def set_profile(self, text):
        with open(self.profile, "w", encoding="utf-8") as f:
            f.write(text)

    # ------------------------------------------------------------ running

    def _exec(self, args):
        env = dict(os.environ)
        env["TZ"] = "Asia/Tokyo"
        env["ORVALIS_PROFILE"] = self.profile
        env["XDG_CONFIG_HOME"] = self.path("config")
        env["HOME"] = self.dir
        env["LC_ALL"] = "C.UTF-8"
        t0 = time.monotonic()
        p = subprocess.run([self.exe] + [str(a) for a in args], capture_output=True, env=env,
                           stdin=subprocess.DEVNULL, timeout=600)
        return Result([str(a) for a in args], p.returncode, p.stdout, p.stderr, time.monotonic() - t0)

    def _crash_check(self, r):
        if r.crashed():
            self.fail("kvtool crashed or a sanitizer spoke", r.describe(), inputs=self._inputs(r.args))

    def run(self, *args, profile=None):
        if profile is not None:
            self.set_profile(profile)
        self.runs += 1
        r = self._exec(args)
        self._crash_check(r)
        return r

    def run_many(self, arglists):
        """Independent runs, two at a time (the machine has two cores);
        results in the order given."""
        arglists = list(arglists)
        self.runs += len(arglists)
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            results = list(pool.map(self._exec, arglists))
        for r in results:
            self._crash_check(r)
        return results

    def _inputs(self, args):
        files = {}
        for a in args:
            a = str(a)
            if a.startswith(self.dir) and os.path.isfile(a) and os.path.getsize(a) < 50_000_000:
                with open(a, "rb") as f:
                    files[os.path.basename(a)] = f.read()
        return files

    def knows(self, cmd, *args):
        """False when kvtool answers the command as unknown."""
        r = self.run(cmd, *args)
        return not (r.rc == 2 and "unknown command" in r.err_text.lower()), r

    def skip_unless_known(self, cmd, *args):
        known, r = self.knows(cmd, *args)
        if not known:
            print("SKIP: kvtool has no %s yet" % cmd)
            print("%s: 0 passed, 0 failed, 1 skipped" % self.name)
            sys.exit(0)
        return r

    # ------------------------------------------------------------ score

    def section(self, title, fn, *args):
        t0, runs, before = time.monotonic(), self.runs, self.passed + self.failed
        cpu0 = _child_cpu()
        fn(*args)
        print("  %-36s %5d checks %5d runs %6.1f s (kvtool cpu %.1f s)" % (
            title, self.passed + self.failed - before, self.runs - runs, time.monotonic() - t0,
            _child_cpu() - cpu0))
        sys.stdout.flush()

    def ok(self):
        self.passed += 1

    def fail(self, label, detail, inputs=None):
        self.failed += 1
        print("FAIL %s" % label)
        for line in str(detail).splitlines():
            print("  " + line)
        if inputs:
            for name, data in inputs.items():
                if len(data) <= 600:
                    print("  input %s (%d bytes): %s" % (name, len(data), data.hex(" ")))
                else:
                    print("  input %s: %d bytes" % (name, len(data)))
                if self.fail_dir:
                    os.makedirs(self.fail_dir, exist_ok=True)
                    keep = os.path.join(self.fail_dir, "%s-%d-%s" % (self.name, self.failed, name))
                    with open(keep, "wb") as f:
                        f.write(data)
                    print("  kept as %s" % keep)
        sys.stdout.flush()
        if not self.keep_going:
            self.finish()

    def expect(self, cond, label, detail="", inputs=None):
        if cond:
            self.ok()
        else:
            self.fail(label, detail() if callable(detail) else detail, inputs)
        return cond

    def finish(self):
        took = time.monotonic() - self.started
        print("(%.1f s, kvtool cpu %.1f s, python cpu %.1f s)" % (took, _child_cpu(), time.process_time()))
        print("%s: %d passed, %d failed" % (self.name, self.passed, self.failed))
        sys.stdout.flush()
        self._tmp.cleanup()
        sys.exit(1 if self.failed else 0)


# ---------------------------------------------------------------- differences


class AnyText:
    """Stands in an expected JSON value for a text whose conversion is not
    settled (bytes that are no CP932): any string matches."""

    def __repr__(self):
        return "<any text>"


ANY_TEXT = AnyText()


def first_json_difference(a, b, where="$"):
    """Path and the two values where two JSON values first differ, or None."""
    if a is ANY_TEXT:
        return None if isinstance(b, str) else (where, a, b)
    if type(a) is not type(b):
        return where, a, b
    if isinstance(a, dict):
        for k in list(a) + [k for k in b if k not in a]:
            if k not in a or k not in b:
                return "%s.%s" % (where, k), a.get(k, "<missing>"), b.get(k, "<missing>")
            d = first_json_difference(a[k], b[k], "%s.%s" % (where, k))
            if d:
                return d
        return None
    if isinstance(a, list):
        for i, (x, y) in enumerate(zip(a, b)):
            d = first_json_difference(x, y, "%s[%d]" % (where, i))
            if d:
                return d
        if len(a) != len(b):
            return "%s (length)" % where, len(a), len(b)
        return None
    return None if a == b else (where, a, b)


def _short(v):
    s = json.dumps(v, ensure_ascii=False, default=repr)
    return s if len(s) < 300 else s[:300] + "... (%d chars)" % len(s)


def json_diff(expected, got):
    d = first_json_difference(expected, got)
    if not d:
        return "equal"
    return "first difference at %s\n  expected: %s\n  got:      %s" % (d[0], _short(d[1]), _short(d[2]))


def bytes_diff(expected, got):
    if expected == got:
        return "equal"
    n = min(len(expected), len(got))
    i = next((k for k in range(n) if expected[k] != got[k]), n)
    lo = max(0, i - 16)
    return ("lengths: expected %d, got %d; first difference at byte %d (0x%x)\n"
            "  expected[%d:]: %s\n  got[%d:]:      %s" % (
                len(expected), len(got), i, i, lo, expected[lo:i + 32].hex(" "),
                lo, got[lo:i + 32].hex(" ")))


def lines_diff(expected, got):
    if expected == got:
        return "equal"
    for i, (a, b) in enumerate(zip(expected, got)):
        if a != b:
            return "line %d differs\n  expected: %r\n  got:      %r" % (i, a, b)
    return "line counts: expected %d, got %d\n  expected tail: %r\n  got tail:      %r" % (
        len(expected), len(got), expected[len(got):][:3], got[len(expected):][:3])


def parse_json(out):
    try:
        return json.loads(out.decode("utf-8"))
    except (UnicodeDecodeError, ValueError) as e:
        return "<not JSON: %s>" % e


FIRST_NUMBER = re.compile(r"-?\d+")


# ---------------------------------------------------------------- local time


def local(t):
    """Local calendar fields of a stored time, or None when the time cannot
    be converted (every negative value counts as unconvertible)."""
    if t < 0:
        return None
    return time.localtime(t)


def fmt(t, pattern):
    """strftime in the C locale for the few patterns the program uses."""
    tm = local(t)
    if tm is None:
        return ""
    return (pattern.replace("%Y", "%04d" % tm.tm_year).replace("%y", "%02d" % (tm.tm_year % 100))
            .replace("%m", "%02d" % tm.tm_mon).replace("%d", "%02d" % tm.tm_mday)
            .replace("%H", "%02d" % tm.tm_hour).replace("%M", "%02d" % tm.tm_min))


def make_time(year, month, day, hour, minute):
    """Local date and time to the stored value, with hour 24 and minute 60
    rolling over as the C library's mktime does."""
    return int(time.mktime((year, month, day, hour, minute, 0, 0, 0, -1)))
