"""Differential check of the reservation list: kvtool list --sort KEY against
the list line format, CompareReserve and the heap sort written here from
their description."""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import gen  # noqa: E402
import kvformat as kf  # noqa: E402
import kvrun  # noqa: E402
from kvrun import fmt, local  # noqa: E402

FOLD = bytes.maketrans(bytes(range(0x41, 0x5B)), bytes(range(0x61, 0x7B)))


# ---------------------------------------------------------------- line


def list_line(reg, r):
    start = fmt(r["start"], "%y-%m-%d %H:%M")
    piece1 = start.encode() + b" \x81\x60 " if start else b""
    tm = local(r["end"])
    if tm is None:
        piece2 = b""
    elif tm.tm_hour == 0 and tm.tm_min == 0:
        piece2 = b"24:00 "
    else:
        piece2 = fmt(r["end"], "%H:%M ").encode()
    return (piece1 + piece2 + kf.facility_name(reg, r["facility"]) + b"\x81\x69" + r["user"]
            + b" " + r["purpose"].replace(b"\r\n", b"") + b"\x81\x6a")


# ---------------------------------------------------------------- order


def sign(v):
    return (v > 0) - (v < 0)


def text_compare(a, b):
    # Every byte 0x41-0x5A counts as its lower-case letter, also the second
    # byte of a double-byte character; bytes compare unsigned.
    fa, fb = a.translate(FOLD), b.translate(FOLD)
    return (fa > fb) - (fa < fb)


def compare_reserve(reg, a, b, key):
    if key == 0:
        return sign(a["start"] - b["start"]) or text_compare(a["user"], b["user"])
    if key == 1:
        return sign(a["end"] - b["end"]) or text_compare(a["user"], b["user"])
    if key == 2:
        return text_compare(a["user"], b["user"]) or sign(a["start"] - b["start"])
    if key == 3:
        d = kf.facility_index(reg, a["facility"]) - kf.facility_index(reg, b["facility"])
        if d or a["facility"] != b["facility"]:
            return d
        return sign(a["start"] - b["start"])
    if key == 4:
        return text_compare(a["purpose"], b["purpose"]) or sign(a["start"] - b["start"])
    if key == 5:
        return text_compare(a["contact"], b["contact"]) or sign(a["start"] - b["start"])
    return 0


def heap_sort(items, less):
    """The heap sort of the document, positions counted from 1."""
    a = [None] + list(items)
    n = len(items)

    def sift(e, i, n):
        c = 2 * i
        while c <= n:
            if c < n and less(a[c], a[c + 1]):
                c += 1
            if not less(e, a[c]):
                break
            a[i] = a[c]
            i = c
            c = 2 * c
        a[i] = e

    for j in range(n // 2, 0, -1):
        sift(a[j], j, n)
    while n > 1:
        e = a[n]
        a[n] = a[1]
        n -= 1
        sift(e, 1, n)
    return a[1:]


def sort_reserves(reg, reservations, key):
    return heap_sort(reservations, lambda x, y: compare_reserve(reg, x, y, key) < 0)


def window_order(reg, key):
    # Choosing a key sorts the collection, and the fill that follows sorts it
    # once more; with ties the second pass moves records again.
    once = sort_reserves(reg, reg["reservations"], key)
    return sort_reserves(reg, once, key), once


def expected_lines(reg, order):
    return [kf.decode_text(list_line(reg, r)) for r in order]


# ---------------------------------------------------------------- checks


def got_lines(r):
    text = r.out.decode("utf-8", "replace")
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def check_sorted(c, label, reg, keys=range(6), profile_key=None):
    data = kf.write(reg)
    path = c.put(data)
    if profile_key is None:
        results = c.run_many([("list", path, "--sort", key) for key in keys])
    else:
        # The key comes from the profile, which is one file: one run at a time.
        results = [c.run("list", path, profile="[RView]\nSort=%d\n" % key) for key in keys]
    for key, r in zip(keys, results):
        twice, once = window_order(reg, key)
        expected = expected_lines(reg, twice)
        got = got_lines(r)
        hint = ""
        if got == expected_lines(reg, once) and got != expected:
            hint = "\n  (kvtool's order is that of one sort pass; the window sorts twice)"
        if got == expected_lines(reg, reg["reservations"]) and got != expected:
            hint = "\n  (kvtool's order is the file order)"
        c.expect(r.rc == 0 and got == expected,
                 "list %s %s" % (label, "--sort %d" % key if profile_key is None else
                                 "with RView/Sort=%d in the profile" % key),
                 lambda: (r.describe() if r.rc else kvrun.lines_diff(expected, got)) + hint,
                 inputs={"input.kv": data} if len(data) < 4000 else None)


def described():
    t9 = kvrun.make_time(2000, 5, 1, 9, 0)
    res = lambda user, purpose, s, e, fac: {
        "user": kf.encode_text(user), "purpose": kf.encode_text(purpose), "contact": b"",
        "start": s, "end": e, "facility": fac, "paid": 0, "spare": 0, "fee": 0}
    reg = {"facilities": [{"id": 1, "name": kf.encode_text("第1会議室"), "max_people": 10,
                           "comment": b""}],
           "reservations": [res("山田商事", "定例会議", t9, t9 + 3 * 3600, 1),
                            res("山田商事", "定例会議", t9 + 9 * 3600, t9 + 15 * 3600, 1),
                            res("山田商事", "定例会議", t9, t9 + 3 * 3600, 9),
                            res("山田商事", "定例\r\n会議", t9, t9 + 3 * 3600 + 1800, 1)],
           "users": []}
    lines = ["00-05-01 09:00 ～ 12:00 第1会議室（山田商事 定例会議）",
             "00-05-01 18:00 ～ 24:00 第1会議室（山田商事 定例会議）",
             "00-05-01 09:00 ～ 12:00 （山田商事 定例会議）",
             "00-05-01 09:00 ～ 12:30 第1会議室（山田商事 定例会議）"]
    return reg, lines


def check_fixed(c, rng):
    reg, lines = described()
    assert [kf.decode_text(list_line(reg, r)) for r in reg["reservations"]] == lines
    check_sorted(c, "of the described example", reg)

    # abc and ABC sort together under key 2, the earlier start first.
    t = kvrun.make_time(2001, 1, 1, 10, 0)
    mk = lambda u, s, fac=5: dict(gen.one_of_each()["reservations"][0], user=u, start=s,
                                  end=s + 3600, facility=fac)
    reg = {"facilities": [{"id": 5, "name": b"five", "max_people": 0, "comment": b""},
                          {"id": 2, "name": b"two", "max_people": 0, "comment": b""}],
           "reservations": [mk(b"abc", t + 7200), mk(b"b", t), mk(b"ABC", t), mk(b"abd", t - 60),
                            mk(b"x", t, 2), mk(b"y", t - 1, 5), mk(b"z", t, 77)],
           "users": []}
    order = [r["user"] for r in window_order(reg, 2)[0]]
    assert order[:3] == [b"ABC", b"abc", b"abd"], order
    order = [r["user"] for r in window_order(reg, 3)[0]]
    assert order[0] == b"z" and order[-1] == b"x", order
    check_sorted(c, "of abc/ABC and facilities out of number order", reg)

    empty = {"facilities": [], "reservations": [], "users": []}
    check_sorted(c, "of an empty register", empty)

    # Many equal records: where ties land is decided by the sort's steps alone.
    reg = gen.random_register(rng, 2, 0, 0)
    base = dict(gen.one_of_each()["reservations"][0], start=t, end=t + 60,
                facility=reg["facilities"][0]["id"])
    reg["reservations"] = [dict(base, user=u, contact=b"%d" % i)
                           for i, u in enumerate([b"aB", b"Ab", b"AB", b"ab"] * 6)]
    check_sorted(c, "of 24 tied records", reg)

    # Without --sort the key comes from the profile; a key outside 0..5
    # makes every pair equal, which still moves records.
    reg = gen.random_register(rng, 3, 30, 0, gen.Style(ties=True, line_safe=True, negative=False))
    check_sorted(c, "random", reg, keys=(0, 2, 3, 5, 7, -1), profile_key=True)


def check_random(c, rng, n):
    for i in range(n):
        st = gen.Style(ties=True, line_safe=True, negative=False, nul=False)
        reg = gen.random_register(rng, rng.randint(0, 5), rng.choice([1, 2, 3, 7, 20, 40, 80]),
                                  0, st)
        check_sorted(c, "random register %d" % i, reg)


def main():
    c = kvrun.Check("check_list", 31415)
    rng = random.Random(c.seed)
    c.skip_unless_known("list", c.put(b""), "--sort", "0")
    check_fixed(c, rng)
    check_random(c, rng, 30)
    c.finish()


if __name__ == "__main__":
    main()
