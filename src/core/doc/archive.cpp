#include "core/doc/archive.h"

#include <cstring>

#include "core/doc/text.h"

namespace {

constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
constexpr uint32_t kMaxShortIndex = 0x7FFE;  // largest index a WORD tag can name
constexpr uint16_t kMaxNameLength = 64;

struct ClassInfo {
    RecordClass cls;
    uint16_t schema;
    const char* name;
};
constexpr ClassInfo kClasses[] = {
    {RecordClass::Facility, 1, "CKivo"},
    {RecordClass::Reserve, 2, "CReserve"},
    {RecordClass::User, 3, "CKivoUser"},
};

const ClassInfo& Info(RecordClass c) { return kClasses[static_cast<int>(c) - 1]; }

}  // namespace

CArchive::CArchive(std::string* out) : out_(out) {}

CArchive::CArchive(const unsigned char* data, size_t size) : begin_(data), pos_(data), end_(data + size) {
    loadIndex_.push_back(RecordClass::None);  // index 0 is never given
}

size_t CArchive::Position() const { return static_cast<size_t>(pos_ - begin_); }

void CArchive::Need(size_t n) const {
    if (Remaining() < n) throw CArchiveException("data ends early");
}

void CArchive::WriteWord(uint16_t v) {
    out_->push_back(static_cast<char>(v & 0xFF));
    out_->push_back(static_cast<char>(v >> 8));
}

void CArchive::WriteDWord(uint32_t v) {
    WriteWord(static_cast<uint16_t>(v & 0xFFFF));
    WriteWord(static_cast<uint16_t>(v >> 16));
}

void CArchive::WriteCount(uint32_t n) {
    if (n < 0xFFFF) {
        WriteWord(static_cast<uint16_t>(n));
    } else {
        WriteWord(0xFFFF);
        WriteDWord(n);
    }
}

void CArchive::WriteString(const std::string& s) {
    const size_t n = s.size();
    if (n < 255) {
        out_->push_back(static_cast<char>(n));
    } else if (n < 0xFFFE) {
        out_->push_back(static_cast<char>(0xFF));
        WriteWord(static_cast<uint16_t>(n));
    } else {
        out_->push_back(static_cast<char>(0xFF));
        WriteWord(0xFFFF);
        WriteDWord(static_cast<uint32_t>(n));
    }
    out_->append(s);
}

void CArchive::WriteClassTag(RecordClass c) {
    uint32_t& idx = storeClassIndex_[static_cast<int>(c)];
    if (idx == 0) {
        const ClassInfo& info = Info(c);
        WriteWord(kNewClassTag);
        WriteWord(info.schema);
        const uint16_t len = static_cast<uint16_t>(std::strlen(info.name));
        WriteWord(len);
        out_->append(info.name, len);
        idx = nextIndex_++;
    } else if (idx <= kMaxShortIndex) {
        WriteWord(static_cast<uint16_t>(kClassTag + idx));
    } else {
        WriteWord(kBigTag);
        WriteDWord(kBigClassTag + idx);
    }
    ++nextIndex_;  // the record itself
}

uint16_t CArchive::ReadWord() {
    Need(2);
    uint16_t v = static_cast<uint16_t>(pos_[0] | (pos_[1] << 8));
    pos_ += 2;
    return v;
}

uint32_t CArchive::ReadDWord() {
    Need(4);
    uint32_t v = static_cast<uint32_t>(pos_[0]) | (static_cast<uint32_t>(pos_[1]) << 8) |
                 (static_cast<uint32_t>(pos_[2]) << 16) | (static_cast<uint32_t>(pos_[3]) << 24);
    pos_ += 4;
    return v;
}

uint32_t CArchive::ReadCount() {
    uint16_t w = ReadWord();
    if (w != 0xFFFF) return w;
    return ReadDWord();
}

uint32_t CArchive::ReadStringLength(bool* wide) {
    Need(1);
    uint8_t b = *pos_++;
    if (b < 0xFF) return b;
    uint16_t w = ReadWord();
    if (w == 0xFFFE) {
        // The UTF-16 marker; the length follows again, counted in 16-bit units.
        if (*wide) throw CArchiveException("marker repeated");
        *wide = true;
        return ReadStringLength(wide);
    }
    if (w < 0xFFFF) return w;
    return ReadDWord();
}

std::string CArchive::ReadString() {
    bool wide = false;
    const uint64_t n = ReadStringLength(&wide);
    const uint64_t bytes = wide ? n * 2 : n;
    if (bytes > Remaining()) throw CArchiveException("string longer than the data");
    if (!wide) {
        std::string s(reinterpret_cast<const char*>(pos_), static_cast<size_t>(n));
        pos_ += n;
        return s;
    }
    std::vector<uint16_t> units(static_cast<size_t>(n));
    for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<uint16_t>(pos_[2 * i] | (pos_[2 * i + 1] << 8));
    pos_ += bytes;
    return text::FromUtf16(units.data(), units.size());
}

RecordClass CArchive::ReadClassTag() {
    const uint16_t tag = ReadWord();
    uint32_t classIndex = 0;
    RecordClass cls = RecordClass::None;
    if (tag == kNewClassTag) {
        const uint16_t schema = ReadWord();
        const uint16_t len = ReadWord();
        if (len >= kMaxNameLength) throw CArchiveException("class name too long");
        Need(len);
        const std::string name(reinterpret_cast<const char*>(pos_), len);
        pos_ += len;
        for (const ClassInfo& info : kClasses) {
            if (name == info.name) {
                if (schema != info.schema) throw CArchiveException("wrong schema");
                cls = info.cls;
            }
        }
        if (cls == RecordClass::None) throw CArchiveException("unknown class");
        loadIndex_.push_back(cls);
        ++nextIndex_;
    } else {
        if (tag == kBigTag) {
            const uint32_t dw = ReadDWord();
            if (!(dw & kBigClassTag)) throw CArchiveException("reference to a record");
            classIndex = dw & ~kBigClassTag;
        } else if (tag & kClassTag) {
            classIndex = tag & ~kClassTag;
        } else {
            // Null tags and references to earlier records: the writer never
            // makes them and a collection never holds either.
            throw CArchiveException("null or reference tag");
        }
        if (classIndex == 0 || classIndex >= loadIndex_.size()) throw CArchiveException("index out of range");
        cls = loadIndex_[classIndex];
        if (cls == RecordClass::None) throw CArchiveException("index names a record");
    }
    loadIndex_.push_back(RecordClass::None);  // the record's own index
    ++nextIndex_;
    return cls;
}
