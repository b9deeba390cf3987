"""Random, extreme and damaged registers for the differential checks.

Every generator takes a random.Random, so a run is fixed by its seed.
Texts are produced as Python str and stored as their CP932 bytes, so that
the JSON of a register converts back to exactly the same bytes.
"""

import struct

import kvformat as kf

# ---------------------------------------------------------------- text pools

ASCII_LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
ASCII_OTHER = "0123456789 !#$%&'()*+-./:;<=>?@[\\]^_`{|}~"
CSV_MARKS = "\",\""
HALF_KANA = "".join(chr(c) for c in range(0xFF61, 0xFFA0))
BREAKS = ["\r\n", "\r\n", "\r", "\n", "\t"]


def _double_byte_pools():
    every, tricky, pua = [], [], []
    seen = set()
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            try:
                ch = bytes((lead, trail)).decode("cp932")
            except UnicodeDecodeError:
                continue
            if len(ch) != 1 or ch in seen:
                continue
            seen.add(ch)
            code = kf.encode_text(ch)
            if len(code) != 2:
                continue
            if 0xE000 <= ord(ch) <= 0xF8FF:
                pua.append(ch)
                continue
            every.append(ch)
            if 0x41 <= code[1] <= 0x5A or code[1] == 0x5C:
                tricky.append(ch)
    return every, tricky, pua


DOUBLE_ALL, DOUBLE_TRICKY, DOUBLE_PUA = _double_byte_pools()
# Characters of rows that exist twice or only in vendor tables (NEC row 13,
# IBM extensions): ① Ⅰ ㈱ ∵ 纊 ⅰ ￤ ＇ ＂
DOUBLE_VENDOR = "①⑳ⅠⅩ㍉㈱∵≒纊褜鍈ⅰⅹ￤＇＂"
JAPANESE = "山田商事大会議室第1定例打合せ東京都港区予約者連絡先内線使用目的ソ表能申十構ー～・"


def case_twins():
    """Pairs of double-byte characters whose codes differ only in a trail
    byte 0x41-0x5A against that byte + 0x20: the list sorts them as equal."""
    pairs = []
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xF0)):
        for trail in range(0x41, 0x5B):
            a, b = bytes((lead, trail)), bytes((lead, trail + 0x20))
            try:
                ca, cb = a.decode("cp932"), b.decode("cp932")
            except UnicodeDecodeError:
                continue
            if kf.encode_text(ca) == a and kf.encode_text(cb) == b:
                pairs.append((ca, cb))
    return pairs


CASE_TWINS = case_twins()


def char(rng, ctrl=False, nul=False, csv=True):
    r = rng.random()
    if r < 0.25:
        return rng.choice(ASCII_LETTERS)
    if r < 0.33:
        return rng.choice(ASCII_OTHER)
    if r < 0.36 and csv:
        return rng.choice(CSV_MARKS)
    if r < 0.42:
        return rng.choice(HALF_KANA)
    if r < 0.60:
        return rng.choice(DOUBLE_TRICKY)
    if r < 0.70:
        return rng.choice(JAPANESE)
    if r < 0.73:
        return rng.choice(DOUBLE_VENDOR)
    if r < 0.74:
        return rng.choice(DOUBLE_PUA)
    if r < 0.80 and ctrl:
        return rng.choice(BREAKS)
    if r < 0.805 and nul:
        return "\0"
    return rng.choice(DOUBLE_ALL)


def text(rng, maxlen=12, ctrl=False, nul=False, csv=True):
    n = rng.choice([0, 1, 2, rng.randint(0, maxlen), rng.randint(0, maxlen)])
    return "".join(char(rng, ctrl, nul, csv) for _ in range(n))


def exact_bytes(rng, n, ctrl=False):
    """A text of exactly n CP932 bytes, double-byte characters included."""
    parts, size = [], 0
    while size < n:
        if n - size >= 2 and rng.random() < 0.5:
            ch = rng.choice(DOUBLE_TRICKY if rng.random() < 0.5 else DOUBLE_ALL)
        elif rng.random() < 0.3:
            ch = rng.choice(HALF_KANA)
        else:
            ch = rng.choice(ASCII_LETTERS + ASCII_OTHER)
        if ctrl and n - size >= 2 and rng.random() < 0.01:
            ch = "\r\n"
        parts.append(ch)
        size += len(kf.encode_text(ch))
    s = "".join(parts)
    assert len(kf.encode_text(s)) == n
    return s


def enc(s):
    return kf.encode_text(s)


# ---------------------------------------------------------------- numbers

WORD_EDGES = [0, 1, 2, 255, 256, 32767, 32768, 65534, 65535]
TIME_EDGES = [-1, 0, 1, -2, 2**31 - 1, -2**31, 0x7FFFFFF0, -86400]


def word(rng):
    r = rng.random()
    if r < 0.4:
        return rng.choice(WORD_EDGES)
    if r < 0.7:
        return rng.randint(0, 20)
    return rng.randint(0, 65535)


def plain_time(rng, lo_year=1972, hi_year=2037):
    """A time on a whole half hour between the years given (local Tokyo)."""
    import calendar
    y = rng.randint(lo_year, hi_year)
    m = rng.randint(1, 12)
    d = rng.randint(1, calendar.monthrange(y, m)[1])
    h = rng.randint(0, 23)
    mi = rng.choice([0, 30, 0, 15, 45, 59])
    return calendar.timegm((y, m, d, h, mi, 0, 0, 0, 0)) - 9 * 3600


def any_time(rng):
    r = rng.random()
    if r < 0.2:
        return rng.choice(TIME_EDGES)
    if r < 0.3:
        return rng.randint(-2**31, 2**31 - 1)
    return plain_time(rng)


def valid_time(rng):
    r = rng.random()
    if r < 0.05:
        return rng.choice([0, 1, 2**31 - 1, 0x7FFFFFF0, 86400 - 9 * 3600])
    return plain_time(rng)


# ---------------------------------------------------------------- registers


class Style:
    """What a random register may hold.

    ctrl: CR LF, lone CR, lone LF, tabs in free texts; nul: NUL bytes;
    negative: negative times; missing_users: reservation users that no user
    record carries; ties: few distinct users, times, purposes (sorting);
    line_safe: no line breaks in texts that a list line shows."""

    def __init__(self, ctrl=True, nul=False, negative=True, missing_users=True,
                 ties=False, line_safe=False, csv=True):
        self.ctrl, self.nul, self.negative = ctrl, nul, negative
        self.missing_users, self.ties, self.line_safe = missing_users, ties, line_safe
        self.csv = csv


def _name_pool(rng, n):
    """A few user names, some differing only in the case of letters or of a
    double-byte character's trail byte."""
    pool = []
    for _ in range(n):
        base = text(rng, 6)
        pool.append(base)
        if rng.random() < 0.7:
            pool.append(base.swapcase())
        if rng.random() < 0.5:
            a, b = rng.choice(CASE_TWINS)
            pool.append(base + a)
            pool.append(base + b)
    return pool


def random_register(rng, n_fac=None, n_res=None, n_users=None, style=None):
    st = style or Style()
    n_fac = rng.randint(0, 6) if n_fac is None else n_fac
    n_res = rng.randint(0, 25) if n_res is None else n_res
    n_users = rng.randint(0, 6) if n_users is None else n_users
    free = dict(ctrl=st.ctrl, nul=st.nul, csv=st.csv)
    safe = dict(ctrl=not st.line_safe and st.ctrl, nul=st.nul, csv=st.csv)

    ids = []
    facilities = []
    for _ in range(n_fac):
        if ids and rng.random() < 0.15:
            fid = rng.choice(ids)          # two facilities with one number
        else:
            fid = rng.choice([rng.randint(0, 30), word(rng)])
        ids.append(fid)
        facilities.append({"id": fid, "name": enc(text(rng, 10, **safe)),
                           "max_people": word(rng),
                           "comment": enc(text(rng, 30, **free))})

    if st.ties:
        names = _name_pool(rng, rng.randint(1, 3))
        times = [valid_time(rng) for _ in range(rng.randint(1, 4))]
        purposes = _name_pool(rng, 2) + [""]
    else:
        names = times = purposes = None

    def pick_time():
        if times and rng.random() < 0.8:
            return rng.choice(times)
        return any_time(rng) if st.negative else valid_time(rng)

    def purpose():
        if purposes and rng.random() < 0.7:
            s = rng.choice(purposes)
        else:
            s = text(rng, 20, **free)
        if st.line_safe:
            s = line_safe(s)
        return s

    reservations = []
    for _ in range(n_res):
        if names and rng.random() < 0.9:
            user = rng.choice(names)
        else:
            user = text(rng, 8, **safe)
        if ids and rng.random() < 0.85:
            fac = rng.choice(ids)
        else:
            fac = word(rng)
        contact = rng.choice(purposes) if purposes and rng.random() < 0.5 else text(rng, 15, **free)
        if st.line_safe:
            contact = line_safe(contact)
        reservations.append({
            "user": enc(user), "purpose": enc(purpose()), "contact": enc(contact),
            "start": pick_time(), "end": pick_time(), "facility": fac,
            "paid": rng.choice([0, 1, 1, word(rng)]), "spare": rng.choice([0, 0, word(rng)]),
            "fee": word(rng)})

    users = []
    for _ in range(n_users):
        users.append({k: enc(text(rng, 12, **(free if k == "memo" else safe)))
                      for k in kf.USER_FIELDS})
    if not st.missing_users:
        have = {u["name"] for u in users}
        for r in reservations:
            if r["user"] and r["user"] not in have:
                users.append({k: r["user"] if k == "name" else enc(text(rng, 6, **safe))
                              for k in kf.USER_FIELDS})
                have.add(r["user"])
    rng.shuffle(users)
    return {"facilities": facilities, "reservations": reservations, "users": users}


def line_safe(s):
    """CR LF pairs only: no lone CR or LF, and so no pair that removing the
    others could make anew (as "\\r\\r\\n\\n" would)."""
    return "\r\n".join(p.replace("\r", "").replace("\n", "") for p in s.split("\r\n"))


# ---------------------------------------------------------------- extremes


def empty_user():
    return {k: b"" for k in kf.USER_FIELDS}


def one_of_each(name=b"A", comment=b"", user=b"U"):
    return {"facilities": [{"id": 1, "name": name, "max_people": 0, "comment": comment}],
            "reservations": [{"user": user, "purpose": b"", "contact": b"", "start": -1,
                              "end": -1, "facility": 1, "paid": 0, "spare": 0, "fee": 0}],
            "users": [dict(empty_user(), name=user)]}


STRING_LENGTHS = [0, 1, 254, 255, 256, 65533, 65534, 65535, 70000]


def string_length_registers(rng):
    """One register per string length boundary, the length in several fields."""
    out = []
    for n in STRING_LENGTHS:
        reg = one_of_each()
        s = enc(exact_bytes(rng, n, ctrl=True))
        reg["facilities"][0]["name"] = s
        reg["reservations"][0]["contact"] = s
        reg["users"][0]["memo"] = enc(exact_bytes(rng, n))
        out.append(("string of %d bytes" % n, reg))
    return out


def many_facilities(rng, n, n_res=3, n_users=2):
    """n facilities ahead of the first reservation: the later classes take
    indexes past 32766, and their records are tagged 7FFF + DWORD."""
    facs = [{"id": i & 0xFFFF, "name": enc("施設%d" % i) if i % 1000 == 0 else b"F",
             "max_people": i % 7, "comment": b""} for i in range(n)]
    reg = random_register(rng, 0, n_res, n_users)
    reg["facilities"] = facs
    return reg


def many_reservations(rng, n, n_fac=0):
    """n reservations in one collection (the count takes FFFF + DWORD)."""
    reg = random_register(rng, n_fac, 0, 3)
    users = [b"", enc("山田商事"), b"abc", b"ABC"]
    res = []
    for i in range(n):
        res.append({"user": users[i % 4], "purpose": b"P" if i % 3 else enc("会議"),
                    "contact": b"", "start": 954723600 + 1800 * i, "end": 954727200 + 1800 * i,
                    "facility": i % 5, "paid": i & 1, "spare": 0, "fee": i & 0xFFFF})
    reg["reservations"] = res
    return reg


# ---------------------------------------------------------------- old forms


def old_version_registers(rng):
    """(label, bytes, register as a reader sees it) for files of older record
    versions and with UTF-16 texts, which kvtool build never writes."""
    out = []
    style = Style(missing_users=True)

    # Oldest format: facility version 100, no user section at all.
    reg = random_register(rng, 3, 5, 0, style)
    for f in reg["facilities"]:
        f["_version"] = 100
    for r in reg["reservations"]:
        r["_version"] = rng.choice([0, 100, 199])
    data = kf.write(reg, with_users=False)
    out.append(("facility version 100, no users", data, kf.read(data)))
    out.append(("facility version 100, bytes after the reservations are not read",
                data + b"\x05\x00garbage", kf.read(data)))

    # The last facility decides: 200 then 100 -> no users; 100 then 200 -> users.
    reg = random_register(rng, 2, 3, 2, style)
    reg["facilities"][0]["_version"], reg["facilities"][1]["_version"] = 200, 100
    data = kf.write(reg, with_users=False)
    out.append(("last facility version 100 decides", data, kf.read(data)))
    reg["facilities"][0]["_version"], reg["facilities"][1]["_version"] = 100, 101
    data = kf.write(reg)
    out.append(("last facility version 101 decides", data, kf.read(data)))
    reg["facilities"][0]["_version"], reg["facilities"][1]["_version"] = 0, 65535
    data = kf.write(reg)
    out.append(("facility version 65535", data, kf.read(data)))

    # Reservations of old versions among new ones; users of any version.
    reg = random_register(rng, 2, 12, 3, style)
    for r in reg["reservations"]:
        r["_version"] = rng.choice([0, 1, 150, 199, 200, 201, 65535])
    for u in reg["users"]:
        u["_version"] = rng.choice([0, 100, 200, 65535])
    data = kf.write(reg)
    out.append(("mixed reservation versions", data, kf.read(data)))

    # No facility: users are read when bytes follow the reservations.
    reg = random_register(rng, 0, 4, 0, style)
    for r in reg["reservations"]:
        r["_version"] = 100
    data = kf.write(reg, with_users=False)
    out.append(("no facility, old reservations, file ends after them", data, kf.read(data)))
    data = kf.write(reg)
    out.append(("no facility, empty user section follows", data, kf.read(data)))

    # UTF-16 texts: short, 254/255 units, 65534 units (DWORD length form).
    for units in [0, 3, 254, 255, 65533, 65534, 66000]:
        reg = random_register(rng, 2, 3, 2, style)
        s = exact_units(rng, units)
        reg["facilities"][0]["name"] = kf.Utf16(s)
        reg["reservations"][0]["purpose"] = kf.Utf16(s[:40])
        reg["users"][-1:] = [dict(empty_user(), name=kf.Utf16("山田" + s[:5]), memo=kf.Utf16(s))]
        data = kf.write(reg)
        out.append(("UTF-16 text of %d units" % units, data, kf.read(data)))
    reg = random_register(rng, 3, 8, 3, style)
    for section in ("facilities", "reservations", "users"):
        for rec in reg[section]:
            for k, v in list(rec.items()):
                if isinstance(v, bytes) and rng.random() < 0.4:
                    rec[k] = kf.Utf16(kf.decode_text(v))
    data = kf.write(reg)
    out.append(("UTF-16 texts everywhere", data, kf.read(data)))

    # Protocol forms a writer of this system never uses but a reader follows:
    # the 7FFF form for a small class index, a class introduced a second time.
    reg = random_register(rng, 3, 6, 3, style)
    for section in ("facilities", "reservations", "users"):
        for rec in reg[section][1:]:
            rec["_tag"] = rng.choice(["large", None, "new"])
    data = kf.write(reg)
    out.append(("7FFF tags for small indexes, classes introduced again", data, kf.read(data)))

    # Bytes after the user section are not read.
    reg = random_register(rng, 2, 2, 2, style)
    data = kf.write(reg)
    out.append(("trailing bytes after the users", data + b"\xff\xff\x00", kf.read(data)))
    return out


def exact_units(rng, n):
    """A text of n UTF-16 units, every character in CP932."""
    pool = JAPANESE + HALF_KANA + ASCII_LETTERS + "".join(DOUBLE_TRICKY[:200])
    return "".join(rng.choice(pool) for _ in range(n))


# ---------------------------------------------------------------- damaged files


def W(v):
    return struct.pack("<H", v)


def D(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def S(b):
    return bytes((len(b),)) + b


def new_class(name, schema):
    return W(0xFFFF) + W(schema) + W(len(name)) + name


FAC = W(200) + W(1) + S(b"A") + W(5) + S(b"")
RES = W(200) + S(b"U") + S(b"") + S(b"") + D(954723600) + D(954727200) + W(1) + W(0) + W(0) + W(0)
USR = W(200) + S(b"U") * 7
NEW_FAC = new_class(b"CKivo", 1)
NEW_RES = new_class(b"CReserve", 2)
NEW_USR = new_class(b"CKivoUser", 3)


def crafted_files():
    """(label, bytes) of hand-made files, good and bad; the reader judges."""
    c = []
    one_fac = W(1) + NEW_FAC + FAC                      # CKivo = 1, facility = 2
    c.append(("null tag", W(1) + W(0)))
    c.append(("reference tag 1", W(2) + NEW_FAC + FAC + W(1)))
    c.append(("reference tag 2", W(2) + NEW_FAC + FAC + W(2)))
    c.append(("reference tag 7FFE", W(1) + W(0x7FFE)))
    c.append(("class index 0", W(1) + W(0x8000) + FAC))
    c.append(("class index not given yet", W(2) + NEW_FAC + FAC + W(0x8003) + FAC))
    c.append(("class index far beyond", W(2) + NEW_FAC + FAC + W(0xFFFE) + FAC))
    c.append(("class index names a record", W(2) + NEW_FAC + FAC + W(0x8002) + FAC))
    c.append(("7FFF tag with record reference", W(2) + NEW_FAC + FAC + W(0x7FFF) + D(2) + FAC))
    c.append(("7FFF tag with reference 1", W(2) + NEW_FAC + FAC + W(0x7FFF) + D(1) + FAC))
    c.append(("7FFF tag class index 0", W(2) + NEW_FAC + FAC + W(0x7FFF) + D(0x80000000) + FAC))
    c.append(("7FFF tag class index beyond", W(2) + NEW_FAC + FAC + W(0x7FFF) + D(0xFFFFFFFF) + FAC))
    c.append(("7FFF tag names a record", W(2) + NEW_FAC + FAC + W(0x7FFF) + D(0x80000002) + FAC))
    c.append(("7FFF tag for class 1 (good)", W(2) + NEW_FAC + FAC + W(0x7FFF) + D(0x80000001) + FAC
              + W(0) + W(0)))
    c.append(("7FFF tag cut in its DWORD", W(2) + NEW_FAC + FAC + W(0x7FFF) + b"\x01\x00"))
    for name, schema in [(b"CKivo", 2), (b"CKivo", 0), (b"CKivo", 0xFFFF)]:
        c.append(("class %s schema %d" % (name.decode(), schema),
                  W(1) + new_class(name, schema) + FAC + W(0) + W(0)))
    c.append(("CReserve schema 1", W(0) + W(1) + new_class(b"CReserve", 1) + RES + W(0)))
    c.append(("CReserve schema 3", W(0) + W(1) + new_class(b"CReserve", 3) + RES + W(0)))
    c.append(("CKivoUser schema 2", W(0) + W(0) + W(1) + new_class(b"CKivoUser", 2) + USR))
    for name in [b"ckivo", b"CKIVO", b"CKivoX", b"CKiv", b"", b"CKivo\0", b" CKivo",
                 b"CObject", b"CKivoDoc", b"CReserveDlg", b"A" * 63]:
        c.append(("class name %r" % name, W(1) + new_class(name, 1) + FAC + W(0) + W(0)))
    c.append(("class name length 64", W(1) + W(0xFFFF) + W(1) + W(64) + b"CKivo" + b"\0" * 59
              + FAC + W(0) + W(0)))
    c.append(("class name length 65535", W(1) + W(0xFFFF) + W(1) + W(0xFFFF) + b"CKivo"))
    c.append(("class name cut short", W(1) + W(0xFFFF) + W(1) + W(5) + b"CKi"))
    c.append(("reservation among the facilities", W(1) + NEW_RES + RES + W(0) + W(0)))
    c.append(("user among the facilities", W(1) + NEW_USR + USR + W(0) + W(0)))
    c.append(("facility among the reservations", one_fac + W(1) + W(0x8001) + FAC + W(0)))
    c.append(("new facility class among the reservations", W(0) + W(1) + NEW_FAC + FAC + W(0)))
    c.append(("user among the reservations", W(0) + W(1) + NEW_USR + USR + W(0)))
    c.append(("reservation among the users", W(0) + W(1) + NEW_RES + RES + W(1) + W(0x8001) + RES))
    c.append(("facility among the users", one_fac + W(0) + W(1) + W(0x8001) + FAC))
    c.append(("huge facility count", W(0xFFFF) + D(0xFFFFFFFF) + NEW_FAC + FAC))
    c.append(("count 65535 with one record", W(0xFFFF) + D(65535) + NEW_FAC + FAC))
    c.append(("count 65534 with one record", W(0xFFFE) + NEW_FAC + FAC))
    c.append(("count cut in its DWORD", W(0xFFFF) + b"\x01\x00"))
    # 65538 facilities announced, two given: a count cut to 16 bits (2)
    # would make the rest a valid file.
    c.append(("count 65538 with two records", W(0xFFFF) + D(65538) + NEW_FAC + FAC + W(0x8001)
              + FAC + W(0) + W(0)))
    c.append(("huge reservation count", W(0) + W(0xFFFF) + D(0x7FFFFFFF) + NEW_RES + RES))
    c.append(("huge user count", W(0) + W(0) + W(0xFFFF) + D(0x80000000) + NEW_USR + USR))
    bad_fac = lambda s: W(1) + NEW_FAC + W(200) + W(1) + s
    c.append(("string length FFFFFFFF", bad_fac(b"\xff" + W(0xFFFF) + D(0xFFFFFFFF) + b"abc")))
    c.append(("string length 7FFFFFFF", bad_fac(b"\xff" + W(0xFFFF) + D(0x7FFFFFFF) + b"abc")))
    c.append(("string length FFFD, 3 bytes", bad_fac(b"\xff" + W(0xFFFD) + b"abc")))
    c.append(("string length 200, 3 bytes", bad_fac(b"\xc8abc")))
    c.append(("string length cut in its WORD", bad_fac(b"\xff\x05")))
    c.append(("string length cut in its DWORD", bad_fac(b"\xff" + W(0xFFFF) + b"\x05\x00")))
    c.append(("UTF-16 length FFFFFFFF", bad_fac(b"\xff" + W(0xFFFE) + b"\xff" + W(0xFFFF)
                                                 + D(0xFFFFFFFF) + b"a\0")))
    c.append(("UTF-16 length 80000000", bad_fac(b"\xff" + W(0xFFFE) + b"\xff" + W(0xFFFF)
                                                 + D(0x80000000) + b"a\0")))
    c.append(("UTF-16 length 3, one unit", bad_fac(b"\xff" + W(0xFFFE) + b"\x03a\0")))
    c.append(("UTF-16 odd byte", bad_fac(b"\xff" + W(0xFFFE) + b"\x01a")))
    c.append(("UTF-16 marker, no length", bad_fac(b"\xff" + W(0xFFFE))))
    c.append(("UTF-16 good", bad_fac(b"\xff" + W(0xFFFE) + b"\x02" + "施設".encode("utf-16-le"))
              + W(3) + S(b"") + W(0) + W(0)))
    c.append(("no facility, one stray byte after the reservations", W(0) + W(0) + b"\x00"))
    c.append(("no facility, empty user section", W(0) + W(0) + W(0)))
    c.append(("no facility, no user section", W(0) + W(0)))
    c.append(("facility version 100, stray byte", W(1) + NEW_FAC + W(100) + FAC[2:] + W(0)
              + b"\x01"))
    c.append(("facility version 101, no user section", W(1) + NEW_FAC + W(101) + FAC[2:] + W(0)))
    c.append(("facility version 100, users follow (not read)", W(1) + NEW_FAC + W(100) + FAC[2:]
              + W(0) + W(1) + NEW_USR + USR))
    c.append(("one byte", b"\x00"))
    c.append(("two zero bytes", b"\x00\x00"))
    c.append(("four zero bytes", b"\x00\x00\x00\x00"))
    c.append(("six zero bytes", b"\x00" * 6))
    c.append(("seven bytes", b"\x00" * 6 + b"\xff"))
    c.append(("all FF", b"\xff" * 32))
    c.append(("text file", "施設名：第1会議室\r\n".encode("cp932")))
    c.append(("reservation cut before paid words", W(0) + W(1) + NEW_RES + RES[:-6]))
    c.append(("reservation version 199 then user section", W(0) + W(1) + NEW_RES + W(199)
              + RES[2:-6] + W(0)))
    return c


def truncations(data):
    return [("cut to %d of %d bytes" % (i, len(data)), data[:i]) for i in range(len(data))]


def flips(rng, data, n):
    out = []
    for k in range(n):
        b = bytearray(data)
        changes = rng.choice([1, 1, 2, 3])
        where = []
        for _ in range(changes):
            i = rng.randrange(len(b))
            v = rng.choice([0x00, 0xFF, 0x80, 0x7F, 0xFE, b[i] ^ 1, b[i] ^ 0x80, rng.randrange(256)])
            b[i] = v
            where.append("%d=%02x" % (i, v))
        out.append(("flip %s" % ",".join(where), bytes(b)))
    return out
