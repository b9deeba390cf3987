"""Differential check of the five text and CSV exports: kvtool export KIND
against writers built here from the description of the export files."""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import gen  # noqa: E402
import kvformat as kf  # noqa: E402
import kvrun  # noqa: E402
from kvrun import fmt  # noqa: E402

WAVE_DASH = b"\x81\x60"     # ～
OPEN = b"\x81\x69"          # （
CLOSE = b"\x81\x6a"         # ）
KINDS = ("reserve-text", "facility-text", "reserve-csv", "facility-csv", "users")


def cp(s):
    return s.encode("cp932")


def text_mode(data):
    # The export stream is a text-mode stream: every LF reaches the file as
    # CR LF, also one stored inside a field (CR LF becomes CR CR LF).
    return data.replace(b"\n", b"\r\n")


def q(field):
    return b'"' + field + b'"'


def no_crlf(field):
    return field.replace(b"\r\n", b"")


def num(v):
    return str(v).encode()


def reserve_text(reg):
    out = []
    for r in reg["reservations"]:
        start = fmt(r["start"], "%y-%m-%d %H:%M")
        piece1 = start.encode() + b" " + WAVE_DASH + b" " if start else b""
        piece2 = fmt(r["end"], "%H:%M ").encode()
        out.append(piece1 + piece2 + kf.facility_name(reg, r["facility"]) + OPEN + r["user"]
                   + CLOSE + b"\n")
    return text_mode(b"".join(out))


def facility_text(reg):
    out = []
    for f in reg["facilities"]:
        out.append(cp("施設名：") + f["name"] + b"\n")
        out.append(cp("最大人数：") + num(f["max_people"]) + b"\n")
        out.append(cp("コメント：") + f["comment"] + b"\n")
    return text_mode(b"".join(out))


RESERVE_CSV_HEADER = cp('"施設名","開始年月日","開始時刻","終了時刻","予約者名","料金","入金有無","使用目的","連絡先"')


def reserve_csv(reg):
    out = [RESERVE_CSV_HEADER + b"\n"]
    for r in reg["reservations"]:
        fields = [kf.facility_name(reg, r["facility"]),
                  fmt(r["start"], "%Y/%m/%d").encode(),
                  fmt(r["start"], "%H:%M").encode(),
                  fmt(r["end"], "%H:%M ").encode(),
                  r["user"], num(r["fee"]), num(r["paid"]),
                  no_crlf(r["purpose"]), no_crlf(r["contact"])]
        out.append(b",".join(q(f) for f in fields) + b"\n")
    return text_mode(b"".join(out))


def facility_csv(reg):
    out = [cp('"施設名","最大人数"') + b"\n"]
    for f in reg["facilities"]:
        out.append(q(f["name"]) + b"," + q(num(f["max_people"])) + b"\n")
    return text_mode(b"".join(out))


def users(reg):
    # The document adds the users that only reservations name when it opens.
    out = []
    for u in kf.add_missing_users(reg)["users"]:
        fields = [u[k] for k in ("name", "charge", "tel", "zip", "address", "mail")]
        out.append(b",".join(q(f) for f in fields) + b"\n")
    return text_mode(b"".join(out))


WRITERS = {"reserve-text": reserve_text, "facility-text": facility_text,
           "reserve-csv": reserve_csv, "facility-csv": facility_csv, "users": users}


def unambiguous(reg):
    # Removing CR LF pairs from "\r\r\n\n" could be read as leaving "\r\n" or
    # nothing; keep such runs out of the texts whose pairs are removed.
    for r in reg["reservations"]:
        for k in ("purpose", "contact"):
            s = r[k]
            if b"\r\n" in s.replace(b"\r\n", b""):
                r[k] = kf.encode_text(gen.line_safe(kf.decode_text(s)))
    return reg


def check_export(c, label, reg, kinds=KINDS):
    data = kf.write(reg)
    path = c.put(data)
    outs = [c.new_path(".txt") for _ in kinds]
    results = c.run_many([("export", kind, path, out) for kind, out in zip(kinds, outs)])
    for kind, out, r in zip(kinds, outs, results):
        expected = WRITERS[kind](reg)
        got = open(out, "rb").read() if os.path.exists(out) else None
        small = {"input.kv": data} if len(data) < 3000 else None
        c.expect(r.rc == 0 and got == expected, "export %s of %s" % (kind, label),
                 lambda: (r.describe() if r.rc or got is None else kvrun.bytes_diff(expected, got))
                 + _hint(kind, reg, got), inputs=small)
    c.expect(open(path, "rb").read() == data, "exports leave %s as it was" % label,
             "the register file changed")


def _hint(kind, reg, got):
    if kind == "users" and got == text_mode(b"".join(
            b",".join(q(u[k]) for k in ("name", "charge", "tel", "zip", "address", "mail")) + b"\n"
            for u in reg["users"])):
        return "\n  (kvtool left out the users that the document adds on opening)"
    return ""


def described_examples():
    """The register of the description's own export examples."""
    t9 = kvrun.make_time(2000, 5, 1, 9, 0)
    reg = {"facilities": [{"id": 1, "name": cp("第1会議室"), "max_people": 20,
                           "comment": cp("プロジェクタあり")}],
           "reservations": [
               {"user": cp("山田商事"), "purpose": cp("定例会議"), "contact": cp("内線123"),
                "start": t9, "end": t9 + 3 * 3600, "facility": 1, "paid": 1, "spare": 0,
                "fee": 3000},
               {"user": cp("山田商事"), "purpose": cp("定例\r\n会議"), "contact": b"",
                "start": t9 + 9 * 3600, "end": t9 + 15 * 3600, "facility": 1, "paid": 0,
                "spare": 0, "fee": 0},
               {"user": cp("山田商事"), "purpose": b"", "contact": b"",
                "start": t9, "end": t9 + 3 * 3600, "facility": 7, "paid": 0, "spare": 0,
                "fee": 0}],
           "users": [{"name": cp("山田商事"), "charge": cp("山田"), "tel": b"03-0000-0000",
                      "zip": b"100-0000", "address": cp("東京都"), "mail": b"", "memo": cp("メモ")}]}
    expected = {
        "reserve-text": cp("00-05-01 09:00 ～ 12:00 第1会議室（山田商事）\r\n"
                           "00-05-01 18:00 ～ 00:00 第1会議室（山田商事）\r\n"
                           "00-05-01 09:00 ～ 12:00 （山田商事）\r\n"),
        "facility-text": cp("施設名：第1会議室\r\n最大人数：20\r\nコメント：プロジェクタあり\r\n"),
        "reserve-csv": cp('"施設名","開始年月日","開始時刻","終了時刻","予約者名","料金","入金有無","使用目的","連絡先"\r\n'
                          '"第1会議室","2000/05/01","09:00","12:00 ","山田商事","3000","1","定例会議","内線123"\r\n'
                          '"第1会議室","2000/05/01","18:00","00:00 ","山田商事","0","0","定例会議",""\r\n'
                          '"","2000/05/01","09:00","12:00 ","山田商事","0","0","",""\r\n'),
        "facility-csv": cp('"施設名","最大人数"\r\n"第1会議室","20"\r\n'),
        "users": cp('"山田商事","山田","03-0000-0000","100-0000","東京都",""\r\n'),
    }
    return reg, expected


def check_fixed(c, rng):
    reg, expected = described_examples()
    for kind in KINDS:
        assert WRITERS[kind](reg) == expected[kind], "oracle export %s disagrees with the example" % kind
    check_export(c, "the described examples", reg)

    empty = {"facilities": [], "reservations": [], "users": []}
    assert reserve_csv(empty) == RESERVE_CSV_HEADER + b"\r\n"
    check_export(c, "an empty register", empty)

    # A comment with CR LF continues on the next line, with CR CR LF at the break.
    reg = gen.one_of_each(name=cp("ホール"), comment=b"a\r\nb\nc\rd")
    assert facility_text(reg).endswith(cp("コメント：") + b"a\r\r\nb\r\nc\rd\r\n")
    check_export(c, "line breaks in a comment", reg)

    # Quotes and commas go through unchanged; missing users are added.
    reg = gen.one_of_each(user=b'a"b,c')
    reg["users"] = [dict(gen.empty_user(), name=b'x,"y"', mail=b"m@x")]
    reg["reservations"][0].update(start=kvrun.make_time(2037, 12, 31, 23, 30),
                                  end=kvrun.make_time(2038, 1, 1, 0, 0))
    check_export(c, "quotes, commas and a user added on opening", reg)

    # Times the conversion cannot take give empty texts.
    reg = gen.one_of_each()
    reg["reservations"] += [dict(reg["reservations"][0], start=s, end=e)
                            for s, e in ((-1, 0), (0, -1), (-2**31, 2**31 - 1), (-86400, 1))]
    check_export(c, "unset and negative times", reg)


def check_random(c, rng, n):
    styles = [gen.Style(), gen.Style(missing_users=False), gen.Style(ties=True),
              gen.Style(negative=False)]
    for i in range(n):
        reg = unambiguous(gen.random_register(rng, style=styles[i % len(styles)]))
        check_export(c, "random register %d" % i, reg)


def check_failures(c):
    good = c.put(kf.write(gen.one_of_each()))
    r = c.run("export", "reserve-text", c.put(b"\x01\x00\xff\xff\x01"), c.new_path(".txt"))
    c.expect(r.rc == 1 and kf.FORMAT_MESSAGE in r.err_text,
             "export of a damaged register is refused", r.describe())
    out = os.path.join(c.dir, "no-such-folder", "x.txt")
    r = c.run("export", "users", good, out)
    c.expect(r.rc == 1 and "出力ファイルを開けません" in r.err_text,
             "export into a missing folder", r.describe())
    r = c.run("export", "reserve-list", good, c.new_path(".txt"))
    c.expect(r.rc == 2, "export of an unknown kind is bad arguments", r.describe())


def main():
    c = kvrun.Check("check_exports", 2718)
    rng = random.Random(c.seed)
    c.skip_unless_known("export", "reserve-text", c.put(b""), c.new_path(".txt"))
    check_fixed(c, rng)
    check_random(c, rng, 40)
    check_failures(c)
    c.finish()


if __name__ == "__main__":
    main()
