#include "core/doc/archive.h"

#include <algorithm>
#include <cstring>

#include "core/doc/text.h"

namespace {

constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kBigTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
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

CArchive::CArchive(std::string* out) : out_(out) {
    w_ = out_->data();
    wEnd_ = w_ + out_->size();
}

CArchive::CArchive(const unsigned char* data, size_t size) : begin_(data), pos_(data), end_(data + size) {
    loadIndex_.push_back(RecordClass::None);  // index 0 is never given
}

void CArchive::Finish() {
    if (!out_) return;
    out_->resize(static_cast<size_t>(w_ - out_->data()));
    w_ = wEnd_ = out_->data() + out_->size();
}

void CArchive::Grow(size_t n) {
    const size_t used = static_cast<size_t>(w_ - out_->data());
    // Small steps: resizing within the buffer's capacity only clears the step.
    out_->resize(std::max(out_->size() + out_->size() / 16, used + n + 65536));
    w_ = out_->data() + used;
    wEnd_ = out_->data() + out_->size();
}

void CArchive::PutLongLength(size_t n) {
    *w_++ = static_cast<char>(0xFF);
    if (n < 0xFFFE) {
        Put16(static_cast<uint16_t>(n));
    } else {
        Put16(0xFFFF);
        Put16(static_cast<uint16_t>(n & 0xFFFF));
        Put16(static_cast<uint16_t>(n >> 16));
    }
}

void CArchive::WriteCount(uint32_t n) {
    if (n < 0xFFFF) {
        WriteWord(static_cast<uint16_t>(n));
    } else {
        WriteWord(0xFFFF);
        WriteDWord(n);
    }
}

void CArchive::WriteClassTagSlow(RecordClass c) {
    uint32_t& idx = storeClassIndex_[static_cast<int>(c)];
    if (idx == 0) {
        const ClassInfo& info = Info(c);
        WriteWord(kNewClassTag);
        WriteWord(info.schema);
        const uint16_t len = static_cast<uint16_t>(std::strlen(info.name));
        WriteWord(len);
        Reserve(len);
        std::memcpy(w_, info.name, len);
        w_ += len;
        idx = nextIndex_++;
    } else if (idx <= kMaxShortClassIndex) {
        WriteWord(static_cast<uint16_t>(kClassTagBit + idx));
    } else {
        WriteWord(kBigTag);
        WriteDWord(kBigClassTag + idx);
    }
    ++nextIndex_;  // the record itself
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

void CArchive::ReadLongString(std::string& s) {
    bool wide = false;
    const unsigned char* start = pos_;
    const uint64_t n = ReadStringLength(&wide);
    const long shortest = n < 0xFF ? 1 : n < 0xFFFE ? 3 : 7;  // as PutLongLength writes it
    if (wide || pos_ - start != shortest) NoteIrregular();
    const uint64_t bytes = wide ? n * 2 : n;
    if (bytes > Remaining()) throw CArchiveException("string longer than the data");
    if (!wide) {
        s.assign(reinterpret_cast<const char*>(pos_), static_cast<size_t>(n));
        pos_ += n;
        return;
    }
    std::vector<uint16_t> units(static_cast<size_t>(n));
    for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<uint16_t>(pos_[2 * i] | (pos_[2 * i + 1] << 8));
    pos_ += bytes;
    s = text::FromUtf16(units.data(), units.size());
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
        } else if (tag & kClassTagBit) {
            classIndex = tag & ~kClassTagBit;
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
