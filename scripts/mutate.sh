#!/usr/bin/env bash
# Puts small faults into the core's sources one at a time, rebuilds an ASan
# build of its own (build/mutate: the core as a shared library, so a fault
# rebuilds one file and one library), runs the tests, and says which faults
# no test noticed. Run by hand:
#   scripts/mutate.sh [--minutes N] [--seed S] [--match RE] [--list] [--all-tests] [PATH...]
# PATH: source files or folders (default: src/core/store src/core/booking).
# --minutes N  stop starting new mutants after N minutes (the order is
#              shuffled with --seed, so a short run is a fair sample)
# --match RE   only the mutants whose "file:line: change" matches RE (to try
#              the survivors of a run again after new tests)
# --list       print the mutants and stop, building nothing
# --all-tests  also run the differential checks and the X server checks,
#              which take minutes each and are left out by default
# The last line is "killed K of N mutants (P %)". A mutant that does not
# compile is not counted. Each file is put back as it was after its mutant,
# also when the run is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=0 seed=1 match='' list=0 exclude='^(oracle_|e2e_)' paths=()
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --match) match=$2; shift 2 ;;
    --list) list=1; shift ;;
    --all-tests) exclude=''; shift ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "mutate.sh: unknown option $1" >&2; exit 2 ;;
    *) paths+=("$1"); shift ;;
  esac
done
[ ${#paths[@]} -eq 0 ] && paths=(src/core/store src/core/booking)

# The server tests run beside a private server, as in ./test.sh.
if [ "$list" -eq 0 ] && [ -z "${ORVALIS_PG_SOCKET:-}" ] && [ -x tests/pg/with-server.sh ] &&
   ls -d /usr/lib/postgresql/*/bin >/dev/null 2>&1; then
  again=(--minutes "$minutes" --seed "$seed" --match "$match")
  [ -z "$exclude" ] && again+=(--all-tests)
  exec tests/pg/with-server.sh "$0" "${again[@]}" "${paths[@]}"
fi

build=build/mutate
if [ "$list" -eq 0 ]; then
  command -v ccache >/dev/null && export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER-ccache}
  [ -f "$build/build.ninja" ] ||
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVALIS_SANITIZE=ON -DORVALIS_CORE_SHARED=ON \
      -DCMAKE_LINK_DEPENDS_NO_SHARED=ON >/dev/null
  echo "mutate.sh: building $build before the first mutant" >&2
  cmake --build "$build" -j2 >/dev/null
  TZ=Asia/Tokyo ctest --test-dir "$build" -j2 ${exclude:+-E "$exclude"} >/dev/null ||
    { echo "mutate.sh: the tests fail without any mutant; mend that first" >&2; exit 1; }
fi

exec python3 - "$build" "$minutes" "$seed" "$list" "$exclude" "$match" "${paths[@]}" <<'PY'
import os, random, re, shutil, signal, subprocess, sys, time

build, minutes, seed, listing, exclude, match = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4] == "1", sys.argv[5], sys.argv[6]
files = []
for p in sys.argv[7:]:
    if os.path.isdir(p):
        for root, _, names in os.walk(p):
            files += [os.path.join(root, n) for n in sorted(names) if n.endswith(".cpp")]
    elif p.endswith((".cpp", ".h")):
        files.append(p)

FLIP = {"<": ">=", ">=": "<", ">": "<=", "<=": ">", "==": "!=", "!=": "=="}
SHIFT = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
COMPARE = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
# A call of these kinds standing alone as a statement: what keeps data on
# disk, a lock, or memory in step.
CALL = re.compile(r"^(\s*)((?:::)?(?:\w+(?:\.|->|::))*(?:fsync|fdatasync|ftruncate|truncate|SyncDir|unlink|"
                  r"Release|Unlock|unlock|clear|Forget|close|MakeLater|RestoreCut|RemoveStaleTemps)\(.*\);)\s*$")
RET_BOOL = re.compile(r"\breturn (true|false);")
GUARD = re.compile(r"\s*(return\b|continue;|break;|throw\b)")
TWO_ARGS = re.compile(r"\b(\w+)\(([\w.>\-\[\]*&]+), ([\w.>\-\[\]*&]+)\)")

def skip(line):
    s = line.strip()
    return not s or s.startswith(("//", "#", "*", "/*")) or "static_assert" in s or "template" in s

def condition(line):
    """The span of an if's condition on this line, or None."""
    m = re.search(r"\bif \(", line)
    if not m:
        return None
    depth, i = 1, m.end()
    while i < len(line) and depth:
        depth += {"(": 1, ")": -1}.get(line[i], 0)
        i += 1
    return (m.end(), i - 1) if depth == 0 else None

def mutants(path):
    lines = open(path, encoding="utf-8").read().split("\n")
    out = []
    def add(n, new, what):
        if new != lines[n]:
            out.append((path, n, new, what))
    for n, line in enumerate(lines):
        if skip(line):
            continue
        code = line.split("//")[0]
        compares = list(COMPARE.finditer(code))
        for m in compares:
            op, a, b = m.group(1), m.start(), m.end()
            if "<" in op and (code[:a].rstrip().endswith(("template", "operator")) or "<<" in code):
                continue
            to = SHIFT.get(op, FLIP[op])
            # Which of a line's comparisons, where it has more than one.
            at = f" at column {a + 1}" if len(compares) > 1 else ""
            add(n, line[:a] + to + line[b:], f"{op} -> {to}{at}")
        span = condition(code)
        # A guard: the condition whose statement leaves (a fault reported, a
        # case refused) is the one a missing test lets go.
        if span and span[1] > span[0] and GUARD.match(code[span[1] + 1:]):
            add(n, line[:span[0]] + "false" + line[span[1]:], "condition dropped (if never taken)")
        m = CALL.match(code)
        if m:
            add(n, m.group(1) + "(void)0;  // " + m.group(2).strip(), "call removed: " + m.group(2).strip()[:40])
        m = RET_BOOL.search(code)
        if m:
            flip = "false" if m.group(1) == "true" else "true"
            add(n, line[:m.start(1)] + flip + line[m.end(1):], f"return {m.group(1)} -> return {flip}")
        if code.strip().startswith("return ") and n > 0 and lines[n - 1].rstrip().endswith(");") and \
                not skip(lines[n - 1]) and (len(lines[n - 1]) - len(lines[n - 1].lstrip())) == (len(line) - len(line.lstrip())) and \
                not lines[n - 1].lstrip().startswith(("return", "case", "default")):
            out.append((path, n, None, "return moved before the line above"))
        for m in TWO_ARGS.finditer(code):
            f, a, b = m.groups()
            if a != b and f not in ("if", "while", "for", "switch", "sizeof", "static_cast", "min", "max"):
                add(n, line[:m.start(2)] + b + ", " + a + line[m.end(3):], f"arguments of {f} swapped")
    return out

all_mutants = [m for f in files for m in mutants(f) if not match or re.search(match, f"{m[0]}:{m[1] + 1}: {m[3]}")]
if listing:
    for path, n, new, what in all_mutants:
        print(f"{path}:{n + 1}: {what}")
    print(f"{len(all_mutants)} mutants")
    sys.exit(0)

random.Random(seed).shuffle(all_mutants)
deadline = time.time() + minutes * 60 if minutes > 0 else None
original = {}

def restore():
    for path, text in original.items():
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        os.utime(path)  # newer than the mutant's object, so the next build rebuilds it
    original.clear()

signal.signal(signal.SIGINT, lambda *_: (restore(), sys.exit(130)))
signal.signal(signal.SIGTERM, lambda *_: (restore(), sys.exit(143)))

env = dict(os.environ, TZ="Asia/Tokyo")
QUICK = "^(store|booking|doc|lists|calendar|profile)_test_"
killed = tried = stillborn = 0
survivors = []
for path, n, new, what in all_mutants:
    if deadline and time.time() > deadline:
        break
    text = open(path, encoding="utf-8").read()
    original[path] = text
    lines = text.split("\n")
    if new is None:
        lines[n - 1], lines[n] = lines[n], lines[n - 1]
    else:
        lines[n] = new
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    try:
        built = subprocess.run(["cmake", "--build", build, "-j2"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, env=env).returncode == 0
        if not built:
            stillborn += 1
            continue
        args = ["ctest", "--test-dir", build, "-j2", "--stop-on-failure", "--timeout", "600"]
        tried += 1
        # The core's own tests first: most faults die there within seconds.
        first = subprocess.run(args + ["-R", QUICK], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        if first.returncode != 0 or subprocess.run(args + (["-E", exclude] if exclude else []), stdout=subprocess.DEVNULL,
                                                   stderr=subprocess.DEVNULL, env=env).returncode != 0:
            killed += 1
            print(f"killed   {path}:{n + 1}: {what}", flush=True)
        else:
            survivors.append(f"{path}:{n + 1}: {what}")
            print(f"SURVIVED {path}:{n + 1}: {what}", flush=True)
    finally:
        restore()

subprocess.run(["cmake", "--build", build, "-j2"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(f"\n{len(all_mutants)} mutants in {len(files)} files; {tried} run, {stillborn} did not compile")
for s in survivors:
    print("survivor: " + s)
pct = 100.0 * killed / tried if tried else 0.0
print(f"killed {killed} of {tried} mutants ({pct:.0f} %)")
PY
