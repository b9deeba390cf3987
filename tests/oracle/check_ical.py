"""kvtool export ical read back by an independent reader (python3-icalendar):
every reservation with valid times is one event with its start, end and
texts, and each booking keeps its UID across exports and reorderings."""

import collections
import os
import random
import sys

try:
    import icalendar
except ImportError:
    # Debian's python3-icalendar belongs to the system's interpreter.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import gen  # noqa: E402
import kvformat as kf  # noqa: E402
import kvrun  # noqa: E402


def text(raw, one_line):
    """A record's text as a calendar carries it; None when its CP932 is in doubt."""
    if not kf.is_clean(raw):
        return None
    s = kf.decode_text(raw).replace("\r\n", "\n")
    s = "".join(" " if (ord(ch) < 0x20 and ch != "\n") or ch == "\x7f" else ch for ch in s)
    return s.replace("\n", " ") if one_line else s


def expected_event(reg, r):
    user, purpose = text(r["user"], True), text(r["purpose"], True)
    summary = None if None in (user, purpose) else " ".join(s for s in (user, purpose) if s)
    contact = text(r["contact"], False)
    description = None if contact is None else "連絡先：%s\n料金：%d円\n入金：%s" % (
        contact, r["fee"], "済" if r["paid"] else "未")
    return (r["start"], r["end"], summary, text(kf.facility_name(reg, r["facility"]), True) or "", description)


def valid(r):
    return 0 <= r["start"] < r["end"]


def events_of(path):
    cal = icalendar.Calendar.from_ical(open(path, "rb").read())
    out = {}
    for ev in cal.walk("VEVENT"):
        key = (int(ev.decoded("DTSTART").timestamp()), int(ev.decoded("DTEND").timestamp()),
               str(ev.get("SUMMARY", "")), str(ev.get("LOCATION", "")), str(ev.get("DESCRIPTION", "")))
        out.setdefault(str(ev["UID"]), []).append(key)
    return cal, out


def same(expected, got):
    return all(e is None or e == g for e, g in zip(expected, got))


def check_register(c, label, reg, options=(), take=valid):
    data = kf.write(reg)
    path = c.put(data)
    # The same bookings in another order, under the same file name elsewhere.
    shuffled = dict(reg, reservations=random.Random(len(data)).sample(reg["reservations"], len(reg["reservations"])))
    os.makedirs(c.path("moved"), exist_ok=True)
    moved = os.path.join(c.path("moved"), os.path.basename(path))
    open(moved, "wb").write(kf.write(shuffled))
    outs = [c.new_path(".ics") for _ in range(3)]
    runs = c.run_many([("export", "ical", p, o) + tuple(options) for p, o in zip((path, path, moved), outs)])
    small = {"input.kv": data} if len(data) < 3000 else None
    if not c.expect(all(r.rc == 0 for r in runs), "export ical of %s" % label,
                    "\n".join(r.describe() for r in runs), small):
        return
    cal, first = events_of(outs[0])
    wanted = [expected_event(reg, r) for r in reg["reservations"] if take(r)]
    got = [k for keys in first.values() for k in keys]
    c.expect(cal.get("VERSION") == "2.0" and all(len(keys) == 1 for keys in first.values()),
             "%s: one calendar, one event per UID" % label, lambda: str(first), small)
    unmatched = list(got)
    for e in wanted:
        hit = next((g for g in unmatched if same(e, g)), None)
        if hit is not None:
            unmatched.remove(hit)
    c.expect(len(got) == len(wanted) and not unmatched, "%s: the events are the bookings" % label,
             lambda: "expected %s\n got %s" % (wanted, got), small)
    c.expect(events_of(outs[1])[1] == first == events_of(outs[2])[1],
             "%s: UIDs stay with their bookings across exports and orders" % label, "", small)
    left = sum(1 for r in reg["reservations"] if not valid(r) and take_ignoring_day(options, r))
    c.expect((("%d 件" % left) in runs[0].err_text) == (left > 0),
             "%s: %d left out, told on standard error" % (label, left), runs[0].describe())


def take_ignoring_day(options, r):
    opts = dict(zip(options[::2], options[1::2]))
    return (("--facility" not in opts or r["facility"] == int(opts["--facility"]))
            and ("--user" not in opts or r["user"] == kf.encode_text(opts["--user"])))


def check_fixed(c):
    t9 = kvrun.make_time(2027, 1, 12, 9, 0)
    yamada = {"user": "山田商事".encode("cp932"), "purpose": "定例\r\n会議".encode("cp932"),
              "contact": "内線123".encode("cp932"), "start": t9, "end": t9 + 3 * 3600,
              "facility": 1, "paid": 1, "spare": 0, "fee": 3000}
    reg = {"facilities": [{"id": 1, "name": "第1会議室".encode("cp932"), "max_people": 20, "comment": b""}],
           "reservations": [yamada, dict(yamada), dict(yamada, purpose=b""), dict(yamada, start=-1),
                            dict(yamada, end=t9), dict(yamada, facility=9, start=t9 + 86400, end=t9 + 90000)],
           "users": []}
    assert expected_event(reg, yamada)[2:] == ("山田商事 定例 会議", "第1会議室",
                                               "連絡先：内線123\n料金：3000円\n入金：済")
    check_register(c, "equal bookings and two without valid times", reg)
    day = lambda r: valid(r) and r["facility"] == 1 and kvrun.fmt(r["start"], "%Y-%m-%d") == "2027-01-12"
    check_register(c, "one facility, one day", reg,
                   ("--facility", "1", "--from", "2027-01-12", "--until", "2027-01-12"), day)


def check_random(c, rng, n):
    styles = [gen.Style(), gen.Style(ties=True), gen.Style(negative=False), gen.Style(ctrl=False)]
    for i in range(n):
        check_register(c, "random register %d" % i, gen.random_register(rng, style=styles[i % len(styles)]))


def main():
    c = kvrun.Check("check_ical", 5545)
    rng = random.Random(c.seed)
    check_fixed(c)
    check_random(c, rng, 40)
    r = c.run("export", "ical", c.put(kf.write(gen.one_of_each())), c.new_path(".ics"), "--from", "2027-13-40")
    c.expect(r.rc == 2, "a day that is no day is bad arguments", r.describe())
    c.finish()


if __name__ == "__main__":
    main()
