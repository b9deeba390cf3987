"""An independent reader and writer of the .kv register format.

Written from the format's description alone, so that kvtool's reader and
writer can be held against it. A register is a dict with three lists:

  facilities:   {"id", "name", "max_people", "comment"}
  reservations: {"user", "purpose", "contact", "start", "end", "facility",
                 "paid", "spare", "fee"}
  users:        {"name", "charge", "tel", "zip", "address", "mail", "memo"}

In a register the texts are CP932 bytes, as the file holds them; in the JSON
form of kvtool dump/build they are Python str. Records may carry writer hints
that the canonical writer never needs: "_version" (record version word),
"_tag" ("new" to introduce the class again, "large" for the 7FFF form), and a
text may be a Utf16 instance to use the UTF-16 string form.
"""

import struct

FORMAT_MESSAGE = "予期しないﾌｧｲﾙ形式です。"
RECORD_VERSION = 200

FACILITY, RESERVE, USER = b"CKivo", b"CReserve", b"CKivoUser"
SCHEMA = {FACILITY: 1, RESERVE: 2, USER: 3}

FACILITY_FIELDS = ("id", "name", "max_people", "comment")
RESERVE_FIELDS = ("user", "purpose", "contact", "start", "end", "facility",
                  "paid", "spare", "fee")
USER_FIELDS = ("name", "charge", "tel", "zip", "address", "mail", "memo")
FACILITY_TEXTS = ("name", "comment")
FACILITY_WORDS = ("id", "max_people")
RESERVE_TEXTS = ("user", "purpose", "contact")
RESERVE_TIMES = ("start", "end")
RESERVE_WORDS = ("facility", "paid", "spare", "fee")
SECTIONS = (("facilities", FACILITY), ("reservations", RESERVE), ("users", USER))


class FormatError(Exception):
    """The bytes do not follow the format: kvtool must refuse the file."""


class Refused(ValueError):
    """JSON that no register can hold (kvtool build exits 2)."""


class Utf16:
    """A text to be written in the UTF-16 string form (the reader converts it)."""

    def __init__(self, text):
        self.text = text

    def __repr__(self):
        return "Utf16(%r)" % (self.text,)


# ---------------------------------------------------------------- CP932 text

_IBM_FORM = None


def _ibm_form():
    # Characters that CP932 holds twice (NEC-selected rows ED/EE and the IBM
    # rows FA-FC) are written in the IBM form, as the platform converters do;
    # Python's codec alone would pick the NEC-selected row.
    global _IBM_FORM
    if _IBM_FORM is None:
        ibm = {}
        for lead in (0xFA, 0xFB, 0xFC):
            for trail in range(0x40, 0xFD):
                code = bytes((lead, trail))
                try:
                    ibm.setdefault(code.decode("cp932"), code)
                except UnicodeDecodeError:
                    pass
        table = {}
        for ch, code in ibm.items():
            if ch.encode("cp932")[:1] in (b"\xed", b"\xee"):
                table[ch] = code
        _IBM_FORM = table
    return _IBM_FORM


def encode_text(text):
    """str -> CP932 bytes; raises Refused for a character CP932 cannot hold."""
    try:
        raw = text.encode("cp932")
    except UnicodeEncodeError as e:
        raise Refused("CP932 cannot hold %r" % text[e.start:e.end])
    table = _ibm_form()
    if not any(ch in table for ch in text):
        return raw
    return b"".join(table.get(ch) or ch.encode("cp932") for ch in text)


def decode_text(raw):
    """CP932 bytes -> str (strict)."""
    return raw.decode("cp932")


def is_clean(raw):
    """True when the bytes are CP932 text whose conversion is not in doubt:
    every byte sequence decodes, and to no C1 control or the vendor fillers
    that some converters refuse."""
    try:
        text = raw.decode("cp932")
    except UnicodeDecodeError:
        return False
    return not any(0x80 <= ord(c) <= 0x9F or 0xF8F0 <= ord(c) <= 0xF8F3 for c in text)


def text_of(value):
    """The CP932 bytes a text value stands for (Utf16 texts are converted)."""
    if isinstance(value, Utf16):
        return encode_text(value.text)
    return value


# ---------------------------------------------------------------- writer


class Writer:
    def __init__(self):
        self.out = bytearray()
        self.next_index = 1
        self.class_index = {}

    def word(self, v):
        self.out += struct.pack("<H", v & 0xFFFF)

    def dword(self, v):
        self.out += struct.pack("<I", v & 0xFFFFFFFF)

    def count(self, n):
        if n < 0xFFFF:
            self.word(n)
        else:
            self.word(0xFFFF)
            self.dword(n)

    def _length(self, n):
        if n < 0xFF:
            self.out.append(n)
        elif n < 0xFFFE:
            self.out.append(0xFF)
            self.word(n)
        else:
            self.out.append(0xFF)
            self.word(0xFFFF)
            self.dword(n)

    def string(self, value):
        if isinstance(value, Utf16):
            units = value.text.encode("utf-16-le")
            self.out.append(0xFF)
            self.word(0xFFFE)
            self._length(len(units) // 2)
            self.out += units
        else:
            self._length(len(value))
            self.out += value

    def tag(self, cls, how=None):
        if cls not in self.class_index or how == "new":
            self.word(0xFFFF)
            self.word(SCHEMA[cls])
            self.word(len(cls))
            self.out += cls
            self.class_index[cls] = self.next_index
            self.next_index += 1
        else:
            i = self.class_index[cls]
            if i >= 0x7FFF or how == "large":
                self.word(0x7FFF)
                self.dword(0x80000000 + i)
            else:
                self.word(0x8000 + i)
        self.next_index += 1

    def facility(self, f):
        self.tag(FACILITY, f.get("_tag"))
        self.word(f.get("_version", RECORD_VERSION))
        self.word(f["id"])
        self.string(f["name"])
        self.word(f["max_people"])
        self.string(f["comment"])

    def reservation(self, r):
        version = r.get("_version", RECORD_VERSION)
        self.tag(RESERVE, r.get("_tag"))
        self.word(version)
        for k in RESERVE_TEXTS:
            self.string(r[k])
        self.dword(r["start"])
        self.dword(r["end"])
        self.word(r["facility"])
        if version >= 200:
            self.word(r["paid"])
            self.word(r["spare"])
            self.word(r["fee"])

    def user(self, u):
        self.tag(USER, u.get("_tag"))
        self.word(u.get("_version", RECORD_VERSION))
        for k in USER_FIELDS:
            self.string(u[k])


def write(reg, with_users=True):
    """The bytes of a register. with_users=False leaves out the user section,
    as files of the oldest format end after their reservations."""
    w = Writer()
    w.count(len(reg["facilities"]))
    for f in reg["facilities"]:
        w.facility(f)
    w.count(len(reg["reservations"]))
    for r in reg["reservations"]:
        w.reservation(r)
    if with_users:
        w.count(len(reg["users"]))
        for u in reg["users"]:
            w.user(u)
    return bytes(w.out)


# ---------------------------------------------------------------- reader


class Reader:
    def __init__(self, data):
        self.data = data
        self.pos = 0
        # Index 0 is never given; each entry says whether the index names a
        # class (its name) or a record (None).
        self.indexes = [None]
        self.classes = set()

    def left(self):
        return len(self.data) - self.pos

    def take(self, n):
        if n > self.left():
            raise FormatError("data ends at %d, %d bytes wanted" % (self.pos, n))
        b = self.data[self.pos:self.pos + n]
        self.pos += n
        return b

    def byte(self):
        return self.take(1)[0]

    def word(self):
        return struct.unpack("<H", self.take(2))[0]

    def dword(self):
        return struct.unpack("<I", self.take(4))[0]

    def time(self):
        return struct.unpack("<i", self.take(4))[0]

    def count(self):
        n = self.word()
        return self.dword() if n == 0xFFFF else n

    def string(self):
        n = self.byte()
        unicode = False
        if n == 0xFF:
            n = self.word()
            if n == 0xFFFE:
                unicode = True
                n = self.byte()
                if n == 0xFF:
                    n = self.word()
                    if n == 0xFFFF:
                        n = self.dword()
            elif n == 0xFFFF:
                n = self.dword()
        if not unicode:
            return self.take(n)
        if n > self.left() // 2:
            raise FormatError("UTF-16 text of %d units runs past the end" % n)
        units = self.take(2 * n)
        try:
            return encode_text(units.decode("utf-16-le"))
        except (UnicodeDecodeError, Refused) as e:
            # What a converter makes of such text is not settled; tests never
            # write it, and the reader says so instead of guessing.
            raise ValueError("UTF-16 text not convertible: %s" % e)

    def _class_at(self, i, where):
        if i == 0 or i >= len(self.indexes):
            raise FormatError("class index %d at %d is not given yet" % (i, where))
        name = self.indexes[i]
        if name is None:
            raise FormatError("index %d at %d names a record, not a class" % (i, where))
        return name

    def tag(self, expected):
        where = self.pos
        w = self.word()
        if w == 0xFFFF:
            schema = self.word()
            length = self.word()
            if length >= 64:
                raise FormatError("class name length %d at %d" % (length, where))
            name = self.take(length)
            if name not in SCHEMA:
                raise FormatError("unknown class %r at %d" % (name, where))
            if schema != SCHEMA[name]:
                raise FormatError("class %r with schema %d at %d" % (name, schema, where))
            self.indexes.append(name)
            cls = name
        elif w == 0x7FFF:
            dw = self.dword()
            if not dw & 0x80000000:
                raise FormatError("reference to record %d at %d" % (dw, where))
            cls = self._class_at(dw & 0x7FFFFFFF, where)
        elif w & 0x8000:
            cls = self._class_at(w & 0x7FFF, where)
        elif w == 0:
            raise FormatError("null tag at %d" % where)
        else:
            raise FormatError("reference tag %#x at %d" % (w, where))
        if cls != expected:
            raise FormatError("%r record where %r belongs, at %d" % (cls, expected, where))
        self.indexes.append(None)

    def facility(self):
        self.tag(FACILITY)
        version = self.word()
        f = {"id": self.word(), "name": self.string(), "max_people": self.word(),
             "comment": self.string()}
        return f, version

    def reservation(self):
        self.tag(RESERVE)
        version = self.word()
        r = {}
        for k in RESERVE_TEXTS:
            r[k] = self.string()
        r["start"] = self.time()
        r["end"] = self.time()
        r["facility"] = self.word()
        if version >= 200:
            r["paid"], r["spare"], r["fee"] = self.word(), self.word(), self.word()
        else:
            r["paid"] = r["spare"] = r["fee"] = 0
        return r

    def user(self):
        self.tag(USER)
        self.word()
        return {k: self.string() for k in USER_FIELDS}


def read(data):
    """Register from bytes; raises FormatError when kvtool must refuse the file.

    An empty file is an empty register. A file without facilities has a user
    section exactly when bytes follow its reservations; with facilities, the
    last facility's version word decides (above 100: users follow).
    """
    rd = Reader(bytes(data))
    reg = {"facilities": [], "reservations": [], "users": []}
    if not data:
        return reg
    last_version = None
    for _ in range(rd.count()):
        f, last_version = rd.facility()
        reg["facilities"].append(f)
    for _ in range(rd.count()):
        reg["reservations"].append(rd.reservation())
    if last_version is None:
        has_users = rd.left() > 0
    else:
        has_users = last_version > 100
    if has_users:
        for _ in range(rd.count()):
            reg["users"].append(rd.user())
    return reg


# ---------------------------------------------------------------- JSON form


def _check_word(value, what):
    if not isinstance(value, int) or isinstance(value, bool) or not 0 <= value <= 0xFFFF:
        raise Refused("%s %r is not in 0..65535" % (what, value))
    return value


def _check_time(value, what):
    if not isinstance(value, int) or isinstance(value, bool) or not -2**31 <= value < 2**31:
        raise Refused("%s %r is not a signed 32-bit time" % (what, value))
    return value


def _check_text(value, what):
    if not isinstance(value, str):
        raise Refused("%s is not a text" % what)
    return encode_text(value)


def from_json(obj):
    """Register from the JSON form; raises Refused where kvtool build exits 2."""
    reg = {"facilities": [], "reservations": [], "users": []}
    for f in obj.get("facilities", []):
        reg["facilities"].append({
            "id": _check_word(f["id"], "id"),
            "name": _check_text(f["name"], "name"),
            "max_people": _check_word(f["max_people"], "max_people"),
            "comment": _check_text(f["comment"], "comment")})
    for r in obj.get("reservations", []):
        rec = {}
        for k in RESERVE_TEXTS:
            rec[k] = _check_text(r[k], k)
        for k in RESERVE_TIMES:
            rec[k] = _check_time(r[k], k)
        for k in RESERVE_WORDS:
            rec[k] = _check_word(r[k], k)
        reg["reservations"].append(rec)
    for u in obj.get("users", []):
        reg["users"].append({k: _check_text(u[k], k) for k in USER_FIELDS})
    return reg


def to_json(reg, unclean=None):
    """JSON form of a register (texts decoded from CP932; writer hints dropped).
    A text that is not clean CP932 becomes `unclean` when that is given."""
    def conv(rec, fields):
        out = {}
        for k in fields:
            v = text_of(rec[k])
            if isinstance(v, bytes):
                out[k] = unclean if unclean is not None and not is_clean(v) else decode_text(v)
            else:
                out[k] = v
        return out
    return {"facilities": [conv(f, FACILITY_FIELDS) for f in reg["facilities"]],
            "reservations": [conv(r, RESERVE_FIELDS) for r in reg["reservations"]],
            "users": [conv(u, USER_FIELDS) for u in reg["users"]]}


def canonical(reg):
    """The register as a reader sees it after a canonical write: hints gone,
    UTF-16 texts converted, old reservations with zero paid/spare/fee."""
    return read(write(reg))


def register_is_clean(reg):
    """Every text converts to UTF-8 without doubt (see is_clean)."""
    for name, _ in SECTIONS:
        for rec in reg[name]:
            for k, v in rec.items():
                if isinstance(v, bytes) and not is_clean(v):
                    return False
    return True


# ---------------------------------------------------------------- document rules


def add_missing_users(reg):
    """The users a document holds after opening: every non-empty reservation
    user that no user's name equals byte for byte is appended, with that name
    also as the person in charge."""
    users = list(reg["users"])
    names = {u["name"] for u in users}
    for r in reg["reservations"]:
        name = r["user"]
        if name and name not in names:
            users.append({"name": name, "charge": name, "tel": b"", "zip": b"",
                          "address": b"", "mail": b"", "memo": b""})
            names.add(name)
    out = dict(reg)
    out["users"] = users
    return out


def facility_index(reg, number):
    """Position of the first facility with that number, or -1."""
    for i, f in enumerate(reg["facilities"]):
        if f["id"] == number:
            return i
    return -1


def facility_name(reg, number):
    i = facility_index(reg, number)
    return reg["facilities"][i]["name"] if i >= 0 else b""
