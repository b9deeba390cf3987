"""Differential check of the .kv reader and writer: kvtool dump, build, check
(and demo) against the independent reader and writer in kvformat.py."""

import json
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import gen  # noqa: E402
import kvformat as kf  # noqa: E402
import kvrun  # noqa: E402

EXAMPLE = bytes.fromhex(
    "01 00 ff ff 01 00 05 00 43 4b 69 76 6f c8 00 01"
    "00 08 91 e5 89 ef 8b 63 8e ba 14 00 00 01 00 ff"
    "ff 02 00 08 00 43 52 65 73 65 72 76 65 c8 00 08"
    "8e 52 93 63 8f a4 8e 96 04 89 ef 8b 63 00 10 ed"
    "e7 38 30 09 e8 38 01 00 01 00 00 00 88 13 01 00"
    "ff ff 03 00 09 00 43 4b 69 76 6f 55 73 65 72 c8"
    "00 08 8e 52 93 63 8f a4 8e 96 00 0c 30 33 2d 31"
    "32 33 34 2d 35 36 37 38 00 00 00 00")

EXAMPLE_JSON = {
    "facilities": [{"id": 1, "name": "大会議室", "max_people": 20, "comment": ""}],
    "reservations": [{"user": "山田商事", "purpose": "会議", "contact": "",
                      "start": 954723600, "end": 954730800, "facility": 1,
                      "paid": 1, "spare": 0, "fee": 5000}],
    "users": [{"name": "山田商事", "charge": "", "tel": "03-1234-5678", "zip": "",
               "address": "", "mail": "", "memo": ""}]}

EMPTY_JSON = {"facilities": [], "reservations": [], "users": []}


def write_json(c, obj):
    return c.put(json.dumps(obj, ensure_ascii=False).encode("utf-8"), ".json")


def laid_out(obj):
    """The bytes kvtool dump gives for obj: one space of indent a level."""
    return (json.dumps(obj, indent=1, ensure_ascii=False) + "\n").encode("utf-8")


def judge(data):
    """What the reader decides: ("ok", register), ("loose", register) when
    some texts are no CP932 (their conversion is not settled, the rest must
    agree), ("refused", reason), or ("open", reason) where only the absence
    of a crash counts."""
    try:
        reg = kf.read(data)
    except kf.FormatError as e:
        return "refused", str(e)
    except ValueError as e:
        return "open", str(e)
    if not kf.register_is_clean(reg):
        return "loose", reg
    return "ok", reg


def dump_case(c, label, data, verdict=None):
    """The kvtool run of one dump and the judgement of its result."""
    kind, what = verdict or judge(data)
    path = c.put(data)

    def judge_result(r):
        if kind == "refused":
            c.expect(r.rc == 1 and kf.FORMAT_MESSAGE in r.err_text,
                     "dump %s: should be refused (%s)" % (label, what),
                     lambda: "expected exit 1 and %s on stderr\n%s" % (kf.FORMAT_MESSAGE, r.describe()),
                     inputs={"input.kv": data})
        elif kind in ("ok", "loose"):
            expected = kf.to_json(what, unclean=kvrun.ANY_TEXT)
            got = kvrun.parse_json(r.out) if r.rc == 0 else None
            same = r.rc == 0 and kvrun.first_json_difference(expected, got) is None
            c.expect(same and r.out == laid_out(got), "dump %s" % label,
                     lambda: (r.describe() if r.rc != 0 else kvrun.json_diff(expected, got) if not same
                              else kvrun.bytes_diff(laid_out(got), r.out)),
                     inputs={"input.kv": data})
        else:
            c.ok()   # no crash is all that is asked here
    return ["dump", path], judge_result


def build_case(c, label, reg):
    obj = kf.to_json(reg)
    mine = kf.write(reg)
    src = write_json(c, obj)
    out = c.new_path(".kv")

    def judge_result(r):
        got = open(out, "rb").read() if os.path.exists(out) else None
        small = {"input.json": open(src, "rb").read()} if len(mine) < 4000 else None
        c.expect(r.rc == 0 and got == mine, "build %s" % label,
                 lambda: r.describe() if r.rc != 0 or got is None else kvrun.bytes_diff(mine, got),
                 inputs=small)
    return ["build", src, out], judge_result


def run_cases(c, cases):
    results = c.run_many([args for args, _ in cases])
    for (_, judge_result), r in zip(cases, results):
        judge_result(r)


def check_dump(c, label, data, verdict=None):
    run_cases(c, [dump_case(c, label, data, verdict)])


def check_dumps(c, items):
    run_cases(c, [dump_case(c, *item) for item in items])


def both_cases(c, label, reg):
    # kvtool build of the JSON must write this writer's bytes, and kvtool
    # dump of those bytes must give this reader's register.
    return [build_case(c, label, reg), dump_case(c, label, kf.write(reg), ("ok", reg))]


def check_build(c, label, reg):
    run_cases(c, both_cases(c, label, reg))


def check_example(c):
    assert kf.write(kf.from_json(EXAMPLE_JSON)) == EXAMPLE, "oracle writer disagrees with the example"
    assert kf.to_json(kf.read(EXAMPLE)) == EXAMPLE_JSON, "oracle reader disagrees with the example"
    src = write_json(c, EXAMPLE_JSON)
    out = c.new_path(".kv")
    r = c.run("build", src, out)
    got = open(out, "rb").read() if os.path.exists(out) else None
    c.expect(r.rc == 0 and got == EXAMPLE, "build of the worked example gives its 124 bytes",
             lambda: r.describe() if got is None else kvrun.bytes_diff(EXAMPLE, got))
    r = c.run("dump", c.put(EXAMPLE))
    c.expect(r.rc == 0 and kvrun.parse_json(r.out) == EXAMPLE_JSON,
             "dump of the worked example gives the document back",
             lambda: r.describe() if r.rc else kvrun.json_diff(EXAMPLE_JSON, kvrun.parse_json(r.out)))

    # The empty register: six zero bytes either way, and an empty file opens empty.
    out = c.new_path(".kv")
    r = c.run("build", write_json(c, EMPTY_JSON), out)
    got = open(out, "rb").read() if os.path.exists(out) else None
    c.expect(r.rc == 0 and got == b"\0" * 6, "build of an empty register gives six zero bytes",
             lambda: r.describe() if got is None else kvrun.bytes_diff(b"\0" * 6, got))
    for data in (b"", b"\0" * 6):
        r = c.run("dump", c.put(data))
        c.expect(r.rc == 0 and r.out == laid_out(EMPTY_JSON),
                 "dump of %d bytes gives an empty register" % len(data), r.describe())


def check_description_cases(c, rng):
    # 254 bytes take the one-byte length FE, 255 the form FF FF 00.
    for n, head in ((254, b"\xfe"), (255, b"\xff\xff\x00")):
        reg = gen.one_of_each(name=b"x" * n)
        data = kf.write(reg)
        assert head + b"x" * n in data
        check_build(c, "facility name of %d bytes" % n, reg)
    # Two facilities: the second is tagged 01 80.
    reg = gen.random_register(rng, 2, 0, 0)
    data = kf.write(reg)
    assert data[2:4] == b"\xff\xff" and b"\x01\x80" in data
    check_build(c, "two facilities", reg)
    # No facilities: CReserve is index 1, later reservations 0x8001.
    reg = gen.random_register(rng, 0, 3, 1)
    assert kf.write(reg)[:4] == b"\x00\x00\x03\x00"
    check_build(c, "no facilities, three reservations", reg)
    # -1 times survive.
    reg = gen.one_of_each()
    check_build(c, "times of -1", reg)
    # Characters that CP932 holds under another code point's byte form:
    # they are written in that form (and read back as the other character).
    obj = json.loads(json.dumps(EXAMPLE_JSON))
    obj["facilities"][0]["comment"] = "\u301c\u2016\u2212\u00a2\u00a3\u00ac"
    reg = kf.from_json(obj)
    assert reg["facilities"][0]["comment"] == bytes.fromhex("8160 8161 817c 8191 8192 81ca")
    run_cases(c, [build_case(c, "characters held in another form", reg)])


def check_random(c, rng, n):
    styles = [gen.Style(), gen.Style(nul=True), gen.Style(ties=True),
              gen.Style(ctrl=False, negative=False)]
    cases = []
    for i in range(n):
        st = styles[i % len(styles)]
        big = i % 10 == 9
        reg = gen.random_register(rng, rng.randint(0, 40) if big else None,
                                  rng.randint(0, 300) if big else None,
                                  rng.randint(0, 40) if big else None, st)
        cases += both_cases(c, "random register %d" % i, reg)
    run_cases(c, cases)


def check_extremes(c, rng):
    cases = []
    for label, reg in gen.string_length_registers(rng):
        cases += both_cases(c, label, reg)
    run_cases(c, cases)
    # CReserve takes index 32766, the last one a tag WORD can name (FE FF);
    # CKivoUser comes after it and needs 7F FF + DWORD.
    reg = gen.many_facilities(rng, 32764, n_res=3, n_users=3)
    assert b"\xfe\xff" in kf.write(reg)[-400:]
    check_build(c, "32764 facilities: tags FE FF, then 7F FF", reg)
    # CReserve takes index 32767, the first that needs 7F FF + DWORD.
    reg = gen.many_facilities(rng, 32765, n_res=3, n_users=2)
    assert b"\xff\x7f\xff\x7f\x00\x80" in kf.write(reg)
    check_build(c, "32765 facilities: tag 7F FF + 80007FFF", reg)
    # A count of exactly 65535 takes FF FF + DWORD.
    reg = gen.many_facilities(rng, 65535, n_res=4, n_users=3)
    assert kf.write(reg)[:6] == b"\xff\xff\xff\xff\x00\x00"
    check_build(c, "65535 facilities", reg)
    # 70000 records in one collection (a count past 16 bits), the later
    # classes past index 70000. Reading only: the writer's count form is
    # held at 65535 above, and each big run costs seconds under ASan.
    reg = gen.many_facilities(rng, 70000, n_res=5, n_users=4)
    check_dump(c, "70000 facilities", kf.write(reg), ("ok", reg))


def check_old_forms(c, rng):
    items = [(label, data, ("ok", reg)) for label, data, reg in gen.old_version_registers(rng)]
    # Text kvtool can only have read, never written: vendor duplicates of
    # one character (NEC-selected rows ED/EE) and user-defined characters.
    reg = gen.one_of_each()
    reg["facilities"][0]["name"] = bytes.fromhex("ed40ed41ee9c87408754fa40")
    reg["users"][0]["memo"] = bytes.fromhex("f040f9fc")
    data = kf.write(reg)
    items.append(("vendor rows and user-defined characters", data, ("ok", kf.read(data))))
    # Every control character, quote and backslash, and bytes that are no CP932.
    reg["reservations"][0]["purpose"] = bytes(range(0x80)) + bytes.fromhex("80a0fdfeff81")
    items.append(("every ASCII byte and stray bytes", kf.write(reg)))
    check_dumps(c, items)


def check_damaged(c, rng, flips):
    items = list(gen.crafted_files())
    samples = [("worked example", EXAMPLE)]
    reg = gen.random_register(rng, 0, 2, 1, gen.Style(ctrl=False))
    samples.append(("no facility", kf.write(reg)))
    reg = gen.random_register(rng, 2, 2, 0, gen.Style(ctrl=False))
    reg["facilities"][1]["_version"] = 100
    reg["reservations"][0]["_version"] = 150
    samples.append(("old versions", kf.write(reg, with_users=False)))
    reg = gen.random_register(rng, 2, 3, 2, gen.Style(ctrl=False))
    reg["facilities"][0]["name"] = kf.Utf16("施設")
    reg["reservations"][2]["_tag"] = "large"
    reg["users"][1]["_tag"] = "new"
    samples.append(("UTF-16 and 7FFF tags", kf.write(reg)))
    for k, (name, data) in enumerate(samples):
        cuts = gen.truncations(data)
        if k:
            # The worked example is cut at every position; the others at
            # their first bytes, their last bytes and a sample in between.
            keep = set(range(8)) | set(range(len(data) - 4, len(data)))
            keep |= set(rng.sample(range(len(data)), min(len(data), 8)))
            cuts = [cuts[i] for i in sorted(keep) if 0 <= i < len(data)]
        items += [("%s %s" % (name, label), cut) for label, cut in cuts]
    for i in range(flips):
        name, data = samples[i % len(samples)]
        items += [("%s %s" % (name, label), bad) for label, bad in gen.flips(rng, data, 1)]
    check_dumps(c, items)


def check_refusals(c):
    bad_values = [("facilities", "id", -1), ("facilities", "id", 65536),
                  ("facilities", "max_people", 100000), ("facilities", "max_people", -1)]
    for k, v in zip(kf.RESERVE_WORDS, (65536, -1, 65536, -1)):
        bad_values.append(("reservations", k, v))
    for k, v in zip(kf.RESERVE_TIMES * 2, (2**31, -2**31 - 1, 2**32, -2**32)):
        bad_values.append(("reservations", k, v))
    texts = [("facilities", "name"), ("facilities", "comment"), ("reservations", "user"),
             ("reservations", "purpose"), ("reservations", "contact"), ("users", "name"),
             ("users", "memo")]
    for (section, key), ch in zip(texts, ("😀", "é", "\u00a0", "\u0100", "\ud7a3", "😀", "é")):
        assert not _encodable(ch)
        bad_values.append((section, key, "会議" + ch + "x"))
    for section, key, value in bad_values:
        obj = json.loads(json.dumps(EXAMPLE_JSON))
        obj[section][0][key] = value
        src = write_json(c, obj)
        out = c.new_path(".kv")
        r = c.run("build", src, out)
        c.expect(r.rc == 2 and not os.path.exists(out),
                 "build refuses %s.%s = %r" % (section, key, value),
                 lambda: "expected exit 2 and no output file; output %s\n%s" % (
                     "exists" if os.path.exists(out) else "absent", r.describe()))
    # A refused build leaves an existing file as it was.
    obj = json.loads(json.dumps(EXAMPLE_JSON))
    obj["reservations"][0]["fee"] = 70000
    out = c.put(b"keep me")
    r = c.run("build", write_json(c, obj), out)
    c.expect(r.rc == 2 and open(out, "rb").read() == b"keep me",
             "refused build leaves an existing output file unchanged", r.describe())
    # The range edges themselves are taken.
    obj = json.loads(json.dumps(EXAMPLE_JSON))
    obj["facilities"][0].update(id=65535, max_people=0)
    obj["reservations"][0].update(start=-2**31, end=2**31 - 1, facility=0, paid=65535,
                                  spare=65535, fee=65535)
    check_build(c, "range edges", kf.from_json(obj))


def _encodable(ch):
    try:
        kf.encode_text(ch)
        return True
    except kf.Refused:
        return False


def check_check(c, rng, n):
    known, _ = c.knows("check", c.put(EXAMPLE))
    if not known:
        print("NOTE: kvtool has no check yet; that part is skipped")
        return
    for i in range(n):
        reg = gen.random_register(rng, rng.randint(0, 3), rng.randint(0, 15), 2,
                                  gen.Style(ctrl=False))
        for r in reg["reservations"]:
            if rng.random() < 0.3:
                r[rng.choice(["start", "end"])] = -1
            elif rng.random() < 0.1:
                r["start"] = r["end"] = -1
        data = kf.write(reg)
        expected = [i for i, r in enumerate(reg["reservations"]) if r["start"] == -1 or r["end"] == -1]
        res = c.run("check", c.put(data))
        got = []
        for line in res.out.decode("utf-8", "replace").splitlines():
            m = kvrun.FIRST_NUMBER.search(line)
            if m:
                got.append(int(m.group()))
        c.expect(res.rc == 0 and got == expected, "check lists the unset times of register %d" % i,
                 lambda: "expected positions %s, got %s\n%s" % (expected, got, res.describe()),
                 inputs={"input.kv": data})
    res = c.run("check", c.put(EXAMPLE[:50]))
    c.expect(res.rc == 1 and kf.FORMAT_MESSAGE in res.err_text, "check refuses a cut file",
             res.describe())


def check_demo(c):
    known, _ = c.knows("demo", c.new_path(".kv"))
    if not known:
        print("NOTE: kvtool has no demo yet; that part is skipped")
        return
    out = c.new_path(".kv")
    r = c.run("demo", out)
    data = open(out, "rb").read() if os.path.exists(out) else b""
    kind, reg = judge(data)
    if not c.expect(r.rc == 0 and kind == "ok" and reg["facilities"] and reg["reservations"],
                    "demo writes a readable register with facilities and bookings",
                    lambda: "%s: %s\n%s" % (kind, reg if kind != "ok" else "", r.describe())):
        return
    c.expect(kf.write(reg) == data, "demo register is written as this writer writes it",
             lambda: kvrun.bytes_diff(kf.write(reg), data))
    check_dump(c, "demo register", data, ("ok", reg))


def main():
    c = kvrun.Check("check_format", 1729)
    rng = random.Random(c.seed)
    c.section("worked example", check_example, c)
    c.section("described cases", check_description_cases, c, rng)
    c.section("build refusals", check_refusals, c)
    c.section("random registers", check_random, c, rng, 30)
    c.section("old versions and read-only forms", check_old_forms, c, rng)
    c.section("damaged files", check_damaged, c, rng, 60)
    c.section("check command", check_check, c, rng, 12)
    c.section("demo command", check_demo, c)
    c.section("extremes", check_extremes, c, rng)
    c.finish()


if __name__ == "__main__":
    main()
