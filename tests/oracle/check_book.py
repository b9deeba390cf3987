"""Differential check of one booking: kvtool book against the entry dialog's
date and time checks and its overlap rule, written here from their
description."""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import gen  # noqa: E402
import kvformat as kf  # noqa: E402
import kvrun  # noqa: E402

BAD_DATE = "日付が不正です"
BAD_START = "開始時刻が不正です"
BAD_END = "終了時刻が不正です"
TAKEN = "既に予約されています"
NO_FACILITY = "施設を選択してください。"


def date_valid(y, m, d):
    if not (1972 <= y <= 2037 and 1 <= m <= 12 and 1 <= d <= 31):
        return False
    leap = y % 4 == 0 and (y % 100 != 0 or y % 400 == 0)
    days = [31, 29 if leap else 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31][m - 1]
    return d <= days


def time_valid(h, mi):
    return h <= 24 and mi <= 60


def overlaps(reg, number, S, E):
    """First reservation of that facility number that the new booking
    conflicts with, in collection order, or None."""
    for i, r in enumerate(reg["reservations"]):
        if r["facility"] != number:
            continue
        s, e = r["start"], r["end"]
        # A booking without valid times occupies no slot, even half set.
        if s == -1 or e == -1:
            continue
        if (s < S and S < e) or (s < E and E < e) or (s == S and e == E) or (s >= S and E >= e):
            return i
    return None


def dup_allows(profile):
    """Dup of section System, read the C way; missing means 1."""
    section = None
    value = None
    for line in profile.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].strip().lower()
        elif "=" in line and section == "system":
            k, v = line.split("=", 1)
            if k.strip().lower() == "dup":
                value = v.strip()
    if value is None:
        return False
    digits = ""
    for ch in value.lstrip("+-"):
        if not ch.isdigit():
            break
        digits += ch
    n = int(digits or "0")
    if value.startswith("-"):
        n = -n
    return n == 0


class Booking:
    def __init__(self, facility, y, m, d, sh, sm, eh, em, user="予約者", purpose="", contact="",
                 fee=0, paid=False):
        self.facility, self.date = facility, (y, m, d)
        self.start, self.end = (sh, sm), (eh, em)
        self.user, self.purpose, self.contact = user, purpose, contact
        self.fee, self.paid = fee, paid

    def args(self):
        y, m, d = self.date
        a = ["--facility", self.facility, "--date", "%04d-%02d-%02d" % (y, m, d),
             "--start", "%d:%02d" % self.start, "--end", "%d:%02d" % self.end,
             "--user", self.user]
        if self.purpose:
            a += ["--purpose", self.purpose]
        if self.contact:
            a += ["--contact", self.contact]
        if self.fee:
            a += ["--fee", self.fee]
        if self.paid:
            a.append("--paid")
        return a

    def __str__(self):
        return " ".join(str(x) for x in self.args())


def decide(reg, b, profile):
    """("ok", register after the booking) or ("refused", message)."""
    if not date_valid(*b.date):
        return "refused", BAD_DATE
    if not time_valid(*b.start):
        return "refused", BAD_START
    if not time_valid(*b.end):
        return "refused", BAD_END
    S = kvrun.make_time(*b.date, *b.start)
    E = kvrun.make_time(*b.date, *b.end)
    # After the ranges: a booking may not end before it starts (equal is fine).
    if E < S:
        return "refused", BAD_END
    if kf.facility_index(reg, b.facility) < 0:
        return "refused", NO_FACILITY
    if not dup_allows(profile) and overlaps(reg, b.facility, S, E) is not None:
        return "refused", TAKEN
    # The change runs on the register as the document holds it after opening
    # (users that only reservations name are added), and appends at the end.
    after = kf.add_missing_users(reg)
    after["reservations"] = reg["reservations"] + [{
        "user": kf.encode_text(b.user), "purpose": kf.encode_text(b.purpose),
        "contact": kf.encode_text(b.contact), "start": S, "end": E, "facility": b.facility,
        "paid": 1 if b.paid else 0, "spare": 0, "fee": b.fee}]
    return "ok", after


def check_booking(c, label, reg, b, profile="", expect=None):
    check_booking_bytes(c, label, kf.write(reg), reg, b, profile, expect)


def check_booking_bytes(c, label, data, reg, b, profile="", expect=None):
    """Book into a file of exactly these bytes, which read as reg."""
    path = c.put(data)
    kind, what = decide(reg, b, profile)
    if expect is not None:
        assert (kind, what if kind == "refused" else "ok") == expect, \
            "oracle disagrees with the description on %s: %s %s" % (label, kind, what)
    r = c.run("book", path, *b.args(), profile=profile)
    got = open(path, "rb").read()
    inputs = {"input.kv": data} if len(data) < 3000 else None
    where = "%s: book %s (profile %r)" % (label, b, profile)
    if kind == "refused":
        c.expect(r.rc == 3 and what in r.err_text and got == data, where,
                 lambda: "expected exit 3, %s on stderr, file unchanged (%s)\n%s" % (
                     what, "unchanged" if got == data else "CHANGED", r.describe()), inputs)
    else:
        want = kf.write(what)
        detail = lambda: r.describe() if r.rc else _diff(what, got)
        c.expect(r.rc == 0 and got == want, where, detail, inputs)


def _diff(expected_reg, got):
    try:
        got_reg = kf.read(got)
    except kf.FormatError as e:
        return "the file written cannot be read: %s" % e
    d = kvrun.json_diff(kf.to_json(expected_reg), kf.to_json(got_reg))
    if d == "equal":
        return kvrun.bytes_diff(kf.write(expected_reg), got)
    return d


def base_register():
    """Facilities 1 and 2 and a booking 11:00-12:00 of facility 1 on 2000-05-01."""
    reg = gen.one_of_each(name=kf.encode_text("大会議室"), user=kf.encode_text("山田商事"))
    reg["facilities"].append({"id": 2, "name": kf.encode_text("小会議室"), "max_people": 4,
                              "comment": b""})
    reg["reservations"][0].update(start=kvrun.make_time(2000, 5, 1, 11, 0),
                                  end=kvrun.make_time(2000, 5, 1, 12, 0))
    return reg


def check_described(c):
    reg = base_register()
    ok, taken = ("ok", "ok"), ("refused", TAKEN)
    cases = [((1, 10, 0, 11, 0), ok), ((1, 12, 0, 13, 0), ok),
             ((1, 10, 30, 11, 30), taken), ((1, 11, 15, 11, 45), taken),
             ((1, 10, 0, 13, 0), taken), ((1, 11, 0, 12, 0), taken),
             ((1, 11, 30, 12, 30), taken), ((1, 11, 0, 11, 30), taken),
             ((2, 10, 30, 11, 30), ok), ((1, 10, 60, 12, 0), taken),
             ((1, 12, 0, 11, 0), ("refused", BAD_END)), ((1, 12, 0, 11, 60), ok),
             ((1, 9, 0, 10, 60), ok), ((1, 10, 0, 10, 61), ("refused", BAD_END))]
    for (fac, sh, sm, eh, em), expect in cases:
        check_booking(c, "with an 11:00-12:00 booking", reg,
                      Booking(fac, 2000, 5, 1, sh, sm, eh, em), expect=expect)
    check_booking(c, "another day", reg, Booking(1, 2000, 5, 2, 10, 30, 11, 30), expect=ok)
    for profile in ("[System]\nDup=0\n", "[system]\ndup=0\n", "[System]\nDup=abc\n",
                    "[System]\nDup=0x1\n"):
        check_booking(c, "overlaps allowed", reg, Booking(1, 2000, 5, 1, 10, 30, 11, 30),
                      profile=profile, expect=ok)
    for profile in ("", "[System]\nDup=1\n", "[System]\nDup=2\n", "[View]\nDup=0\n",
                    "[System]\nDup=-1\n"):
        check_booking(c, "overlaps refused", reg, Booking(1, 2000, 5, 1, 10, 30, 11, 30),
                      profile=profile, expect=taken)

    dates = [((2000, 2, 29), True), ((2004, 2, 29), True), ((1999, 2, 29), False),
             ((1900, 2, 29), False), ((2100, 2, 28), False), ((2037, 12, 31), True),
             ((1972, 1, 1), True), ((1971, 12, 31), False), ((2038, 1, 1), False),
             ((1971, 6, 15), False), ((2038, 6, 15), False), ((2000, 4, 31), False),
             ((2000, 4, 30), True), ((2000, 4, 0), False), ((2000, 0, 10), False),
             ((2000, 13, 1), False), ((2000, 1, 32), False), ((2001, 2, 29), False),
             ((2036, 2, 29), True), ((2037, 12, 32), False)]
    for (y, m, d), valid in dates:
        check_booking(c, "date check", reg, Booking(2, y, m, d, 10, 0, 11, 0),
                      expect=("ok", "ok") if valid else ("refused", BAD_DATE))
    times = [((24, 0, 24, 0), ok), ((0, 0, 24, 0), ok), ((10, 60, 11, 0), ok),
             ((24, 60, 24, 60), ok), ((25, 0, 26, 0), ("refused", BAD_START)),
             ((10, 61, 11, 0), ("refused", BAD_START)), ((10, 0, 25, 0), ("refused", BAD_END)),
             ((10, 0, 11, 61), ("refused", BAD_END)), ((99, 99, 99, 99), ("refused", BAD_START)),
             ((23, 0, 8, 0), ("refused", BAD_END)), ((9, 0, 9, 0), ok),
             ((9, 30, 9, 29), ("refused", BAD_END)), ((23, 0, 24, 60), ok)]
    for (sh, sm, eh, em), expect in times:
        check_booking(c, "time checks", reg, Booking(2, 2037, 12, 31, sh, sm, eh, em),
                      expect=expect)
    # The checks run in order and only the first failure is told.
    check_booking(c, "date before times", reg, Booking(2, 2038, 1, 1, 25, 0, 25, 0),
                  expect=("refused", BAD_DATE))
    check_booking(c, "start before end", reg, Booking(2, 2000, 1, 1, 25, 0, 25, 0),
                  expect=("refused", BAD_START))
    check_booking(c, "times before overlap", reg, Booking(1, 2000, 5, 1, 11, 0, 12, 61),
                  expect=("refused", BAD_END))
    # A backwards end is refused before the facility is looked for.
    check_booking(c, "backwards end before facility", reg, Booking(3, 2000, 5, 1, 12, 0, 11, 0),
                  expect=("refused", BAD_END))
    # An end at 24:00 is midnight of the next day; a booking from there on is free.
    check_booking(c, "up to midnight", reg, Booking(1, 2000, 4, 30, 23, 0, 24, 0), expect=ok)
    midnight = base_register()
    midnight["reservations"][0].update(start=kvrun.make_time(2000, 4, 30, 22, 0),
                                       end=kvrun.make_time(2000, 4, 30, 24, 0))
    check_booking(c, "after a booking to midnight", midnight, Booking(1, 2000, 5, 1, 0, 0, 1, 0),
                  expect=ok)
    check_booking(c, "across a booking to midnight", midnight,
                  Booking(1, 2000, 4, 30, 23, 30, 24, 30), expect=taken)
    # Facility numbers: unknown number; a number two facilities carry.
    for profile in ("", "[System]\nDup=0\n"):
        check_booking(c, "unknown facility", reg, Booking(3, 2000, 5, 1, 10, 0, 11, 0),
                      profile=profile, expect=("refused", NO_FACILITY))
    twin = base_register()
    twin["facilities"].append({"id": 1, "name": b"twin", "max_people": 0, "comment": b""})
    check_booking(c, "facility number held twice", twin, Booking(1, 2000, 5, 1, 10, 0, 11, 30),
                  expect=taken)
    # Texts, fee and paid flag reach the record; the user need not exist.
    check_booking(c, "all fields", reg,
                  Booking(2, 2010, 10, 10, 9, 0, 17, 30, user="Abc 表ソ\"x,y", purpose="打合せ\r\n2行目",
                          contact="内線123", fee=65535, paid=True), expect=ok)
    check_booking(c, "empty user", reg, Booking(2, 2010, 10, 10, 9, 0, 10, 0, user=""), expect=ok)
    # Unset times: both unset never conflict.
    unset = base_register()
    unset["reservations"][0].update(start=-1, end=-1)
    check_booking(c, "booking with both times unset", unset,
                  Booking(1, 2000, 5, 1, 10, 0, 13, 0), expect=ok)


def check_half_unset(c):
    # One time unset: such a booking blocks nothing, whichever time is missing
    # (taken literally, an unset end would block every later start).
    reg = base_register()
    reg["reservations"][0].update(start=-1)
    for h1, h2 in ((10, 11), (11, 12), (12, 13)):
        check_booking(c, "start unset, end 12:00", reg, Booking(1, 2000, 5, 1, h1, 0, h2, 0), expect=("ok", "ok"))
    reg = base_register()
    reg["reservations"][0].update(end=-1)
    for h1, h2 in ((10, 11), (11, 12), (12, 13)):
        check_booking(c, "start 11:00, end unset", reg, Booking(1, 2000, 5, 1, h1, 0, h2, 0), expect=("ok", "ok"))


def random_booking(rng, reg, days):
    ids = [f["id"] for f in reg["facilities"]] or [1]
    fac = rng.choice(ids) if rng.random() < 0.95 else rng.randint(0, 40)
    if rng.random() < 0.9:
        y, m, d = rng.choice(days)
    else:
        y, m, d = rng.choice([1971, 1972, 2000, 2037, 2038]), rng.randint(0, 13), rng.randint(0, 32)
    hours = lambda: rng.choice([rng.randint(0, 24), rng.randint(8, 20), rng.randint(8, 20), 25])
    mins = lambda: rng.choice([0, 0, 30, 30, 15, 59, 60, 61])
    sh, sm = hours(), mins()
    eh, em = (sh + rng.randint(0, 3), mins()) if rng.random() < 0.9 else (hours(), mins())
    return Booking(fac, y, m, d, sh, sm, eh, em, user=gen.text(rng, 6),
                   purpose=gen.text(rng, 10, ctrl=True), contact=gen.text(rng, 8),
                   fee=rng.choice([0, 0, 500, 65535]), paid=rng.random() < 0.5)


def random_register(rng, days):
    reg = gen.random_register(rng, rng.randint(1, 4), 0, rng.randint(0, 3))
    for f in reg["facilities"]:
        f["id"] = rng.randint(0, 5)
    for _ in range(rng.randint(0, 30)):
        y, m, d = rng.choice(days)
        if rng.random() < 0.1:
            s = e = -1
        else:
            sh, eh = sorted((rng.randint(6, 24), rng.randint(6, 24)))
            s = kvrun.make_time(y, m, d, sh, rng.choice([0, 30]))
            e = kvrun.make_time(y, m, d, eh, rng.choice([0, 30]))
        reg["reservations"].append({
            "user": kf.encode_text(gen.text(rng, 6)), "purpose": b"", "contact": b"",
            "start": s, "end": e, "facility": rng.choice([0, 1, 2, 3, 4, 5, 9]),
            "paid": rng.randint(0, 1), "spare": 0, "fee": rng.randint(0, 9) * 100})
    return reg


def check_random(c, rng, n):
    for i in range(n):
        y = rng.choice([1972, 2000, 2024, 2037])
        days = [(y, 12 if y == 2037 else rng.randint(1, 12), rng.randint(1, 28))
                for _ in range(rng.randint(1, 3))]
        reg = random_register(rng, days)
        profile = rng.choice(["", "", "[System]\nDup=1\n", "[System]\nDup=0\n"])
        for k in range(3):
            check_booking(c, "random register %d" % i, reg, random_booking(rng, reg, days),
                          profile=profile)


def check_old_files(c):
    # An old register (facility version 100, no user section, reservations
    # without fee words) is written back whole in today's form.
    reg = base_register()
    for f in reg["facilities"]:
        f["_version"] = 100
    reg["reservations"][0]["_version"] = 150
    reg["reservations"][0]["fee"] = reg["reservations"][0]["paid"] = 0
    data = kf.write(reg, with_users=False)
    old = kf.read(data)
    assert old["users"] == []
    check_booking_bytes(c, "old register", data, old, Booking(2, 2000, 5, 1, 10, 0, 11, 0))
    # UTF-16 texts are converted and written back as CP932.
    reg = base_register()
    reg["facilities"][1]["name"] = kf.Utf16("小会議室")
    reg["reservations"][0]["user"] = kf.Utf16("鈴木")
    data = kf.write(reg)
    check_booking_bytes(c, "register with UTF-16 texts", data, kf.read(data),
                        Booking(1, 2000, 5, 1, 11, 30, 12, 30))
    # An empty file and an empty register have no facility to book.
    for data in (b"", b"\0" * 6):
        empty = kf.read(data)
        check_booking_bytes(c, "register of %d bytes" % len(data), data, empty,
                            Booking(0, 2000, 5, 1, 10, 0, 11, 0))


def check_failures(c):
    data = b"\x01\x00\xff\xff\x01\x00\x05\x00CKiv"
    path = c.put(data)
    r = c.run("book", path, *Booking(1, 2000, 5, 1, 10, 0, 11, 0).args())
    c.expect(r.rc == 1 and kf.FORMAT_MESSAGE in r.err_text and open(path, "rb").read() == data,
             "book on a damaged register is refused and writes nothing", r.describe())


def main():
    c = kvrun.Check("check_book", 16180)
    rng = random.Random(c.seed)
    c.skip_unless_known("book", c.put(kf.write(base_register())),
                        *Booking(2, 1971, 1, 1, 10, 0, 11, 0).args())
    check_described(c)
    check_half_unset(c)
    check_random(c, rng, 40)
    check_old_files(c)
    check_failures(c)
    c.finish()


if __name__ == "__main__":
    main()
