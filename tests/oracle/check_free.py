"""Differential check of kvtool free: the free facilities per date, worked out
here from their description, and agreement with kvtool book: a booking at a
listed facility and span is accepted, one at an unlisted facility of enough
people is refused as taken."""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import check_book as cb  # noqa: E402
import kvformat as kf  # noqa: E402
import kvrun  # noqa: E402


def expected_lines(reg, first, days, start, end, people):
    """The lines kvtool free should print: dates in order, then facilities in
    collection order, the first of each number only, 最大人数 0 never left out."""
    out = []
    t0 = kvrun.make_time(*first, 0, 0)
    for i in range(days):
        y, m, d = kvrun.local(t0 + i * 86400 + 43200)[:3]
        S, E = kvrun.make_time(y, m, d, *start), kvrun.make_time(y, m, d, *end)
        seen = set()
        for f in reg["facilities"]:
            if f["id"] in seen:
                continue
            seen.add(f["id"])
            if f["max_people"] and f["max_people"] < people:
                continue
            if cb.overlaps(reg, f["id"], S, E) is None:
                out.append(("%04d-%02d-%02d" % (y, m, d), f["id"], kf.decode_text(f["name"]), f["max_people"]))
    return out


def random_case(rng):
    y = rng.choice([1972, 2000, 2024, 2037])
    first = (y, rng.randint(1, 11), rng.randint(1, 28))
    days = rng.randint(1, 4)
    dates = [kvrun.local(kvrun.make_time(*first, 12, 0) + i * 86400)[:3] for i in range(days)]
    reg = cb.random_register(rng, dates)
    for i, f in enumerate(reg["facilities"]):
        f["name"] = kf.encode_text("施設%d" % i)
        f["max_people"] = rng.choice([0, 5, 10, 20, 65535])
    sh = rng.randint(6, 22)
    start = (sh, rng.choice([0, 30]))
    end = (rng.randint(sh + 1, 24), rng.choice([0, 0, 30]))
    return reg, first, days, start, end, rng.choice([0, 0, 8, 15])


def check_random(c, rng, n):
    for i in range(n):
        reg, first, days, start, end, people = random_case(rng)
        path = c.put(kf.write(reg))
        args = ["free", path, "--date", "%04d-%02d-%02d" % first, "--start", "%d:%02d" % start,
                "--end", "%d:%02d" % end, "--people", people]
        if days > 1:
            last = kvrun.local(kvrun.make_time(*first, 12, 0) + (days - 1) * 86400)[:3]
            args += ["--until", "%04d-%02d-%02d" % last]
        r = c.run(*args)
        want = expected_lines(reg, first, days, start, end, people)
        got = [tuple(x if k in (0, 2) else int(x) for k, x in enumerate(line.split("\t")))
               for line in r.out.decode("utf-8").splitlines()] if r.rc == 0 else None
        where = "random register %d: %s" % (i, " ".join(str(a) for a in args[2:]))
        if not c.expect(got == want, where, lambda: "expected %r\n%s" % (want, r.describe())):
            continue
        # The desk books what was listed and is refused what was not: one of
        # each, where there is one, at a facility of enough people.
        listed = {(l[0], l[1]) for l in want}
        dates = sorted({l[0] for l in want} | {"%04d-%02d-%02d" % first})
        firsts = {}
        for f in reg["facilities"]:
            firsts.setdefault(f["id"], f)  # the facility a number books
        slots = [(date, f["id"]) for date in dates for f in firsts.values()
                 if not (f["max_people"] and f["max_people"] < people)]
        for free in (True, False):
            pick = [s for s in slots if (s in listed) == free]
            if not pick:
                continue
            date, f = rng.choice(pick)
            y, m, d = (int(p) for p in date.split("-"))
            b = cb.Booking(f, y, m, d, *start, *end)
            rb = c.run("book", c.put(kf.write(reg)), *b.args(), profile="")
            c.expect(rb.rc == (0 if free else 3) and (free or cb.TAKEN in rb.err_text),
                     "%s: book %s after free %s" % (where, b, "listed it" if free else "left it out"),
                     rb.describe)

def main():
    c = kvrun.Check("check_free", 27182)
    rng = random.Random(c.seed)
    c.skip_unless_known("free", c.put(kf.write(cb.base_register())), "--date", "2000-05-01",
                        "--start", "10:00", "--end", "11:00")
    check_random(c, rng, 30)
    c.finish()


if __name__ == "__main__":
    main()
