#pragma once
// The byte stream of a register: little-endian primitives, length-prefixed
// strings and the object tags that introduce or refer back to a record class.
// The primitives are inline: a register is some million of them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

// Thrown at the first byte that does not follow the format; the document turns
// it into "予期しないﾌｧｲﾙ形式です。".
class CArchiveException : public std::runtime_error {
public:
    explicit CArchiveException(const char* what) : std::runtime_error(what) {}
};

enum class RecordClass : uint8_t { None = 0, Facility = 1, Reserve = 2, User = 3 };

class CArchive {
public:
    // Storing into a byte buffer. Whatever out holds is overwritten in place,
    // so a buffer kept from the last save is reused without clearing it;
    // out has exactly the bytes stored once Finish() ran (or the archive went).
    explicit CArchive(std::string* out);
    // Loading from bytes that outlive the archive.
    CArchive(const unsigned char* data, size_t size);
    ~CArchive() { Finish(); }
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return out_ != nullptr; }
    void Finish();

    // Makes room for n more bytes; the writes below rely on it for what they
    // need beyond a string's bytes, so a record reserves its fixed part once.
    void Reserve(size_t n) {
        if (static_cast<size_t>(wEnd_ - w_) < n) Grow(n);
    }
    void WriteWord(uint16_t v) {
        Reserve(2);
        Put16(v);
    }
    void WriteDWord(uint32_t v) {
        Reserve(4);
        Put16(static_cast<uint16_t>(v & 0xFFFF));
        Put16(static_cast<uint16_t>(v >> 16));
    }
    void WriteCount(uint32_t n);
    void WriteString(const std::string& s) {
        const size_t n = s.size();
        Reserve(n + 7);
        if (n < 255) {
            *w_++ = static_cast<char>(n);
        } else {
            PutLongLength(n);
        }
        std::memcpy(w_, s.data(), n);
        w_ += n;
    }
    // Bytes as they stand, a record copied from an earlier file.
    void WriteBytes(const char* p, size_t n) {
        // In steps, so that a fresh buffer is cleared and filled while in the cache.
        constexpr size_t kStep = size_t{256} << 10;
        for (size_t part; n > 0; p += part, n -= part) {
            part = n < kStep ? n : kStep;
            Reserve(part);
            std::memcpy(w_, p, part);
            w_ += part;
        }
    }
    // Whether the n bytes at p are the tag this archive writes ahead of a
    // further record of class c, so that records copied from another file
    // may keep theirs; then CountCopiedRecords gives them their indexes.
    bool IsClassRef(const char* p, size_t n, RecordClass c) const {
        const uint32_t idx = storeClassIndex_[static_cast<int>(c)];
        return n == 2 && idx != 0 && idx <= kMaxShortClassIndex &&
               static_cast<uint8_t>(p[0]) == ((kClassTagBit + idx) & 0xFF) &&
               static_cast<uint8_t>(p[1]) == ((kClassTagBit + idx) >> 8);
    }
    void CountCopiedRecords(uint32_t n) { nextIndex_ += n; }
    // Tag ahead of a record: the class description the first time, else a
    // reference to the class's index. Gives the record its index.
    void WriteClassTag(RecordClass c) {
        const uint32_t idx = storeClassIndex_[static_cast<int>(c)];
        if (idx == 0 || idx > kMaxShortClassIndex) return WriteClassTagSlow(c);
        WriteWord(static_cast<uint16_t>(kClassTagBit + idx));
        ++nextIndex_;
    }

    uint16_t ReadWord() {
        Need(2);
        const uint16_t v = static_cast<uint16_t>(pos_[0] | (pos_[1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t ReadDWord() {
        Need(4);
        const uint32_t v = static_cast<uint32_t>(pos_[0]) | (static_cast<uint32_t>(pos_[1]) << 8) |
                           (static_cast<uint32_t>(pos_[2]) << 16) | (static_cast<uint32_t>(pos_[3]) << 24);
        pos_ += 4;
        return v;
    }
    uint32_t ReadCount();
    // Into s, whose buffer is reused.
    void ReadString(std::string& s) {
        if (pos_ < end_ && *pos_ < 0xFF && static_cast<size_t>(end_ - pos_ - 1) >= *pos_) {
            const size_t n = *pos_++;
            s.assign(reinterpret_cast<const char*>(pos_), n);
            pos_ += n;
        } else {
            ReadLongString(s);
        }
    }
    std::string ReadString() {
        std::string s;
        ReadString(s);
        return s;
    }
    // Reads a tag and returns the class of the record that follows; anything
    // but a record of a known class is a format fault.
    RecordClass ReadClassTag();

    size_t Remaining() const { return static_cast<size_t>(end_ - pos_); }
    // Bytes read or stored so far.
    size_t Position() const {
        return out_ ? static_cast<size_t>(w_ - out_->data()) : static_cast<size_t>(pos_ - begin_);
    }

    // How many values so far were read in a form a save would not write
    // (another record version, a UTF-16 string, a longer length than needed):
    // the bytes of a record that had one cannot be copied into a save.
    int Irregular() const { return irregular_; }
    void NoteIrregular() { ++irregular_; }

    // The version word of the last facility or user read: whether the file
    // carries a user section at all depends on it.
    int LoadVersion() const { return loadVersion_; }
    void SetLoadVersion(int v) { loadVersion_ = v; }

private:
    void Need(size_t n) const {
        if (Remaining() < n) throw CArchiveException("data ends early");
    }
    void Put16(uint16_t v) {
        *w_++ = static_cast<char>(v & 0xFF);
        *w_++ = static_cast<char>(v >> 8);
    }
    static constexpr uint16_t kClassTagBit = 0x8000;
    static constexpr uint32_t kMaxShortClassIndex = 0x7FFE;  // largest index a WORD tag can name
    void WriteClassTagSlow(RecordClass c);
    void Grow(size_t n);
    void PutLongLength(size_t n);
    void ReadLongString(std::string& s);
    uint32_t ReadStringLength(bool* wide);

    std::string* out_ = nullptr;
    char* w_ = nullptr;     // the next byte to store
    char* wEnd_ = nullptr;  // the end of out_'s bytes
    const unsigned char* begin_ = nullptr;
    const unsigned char* pos_ = nullptr;
    const unsigned char* end_ = nullptr;
    int loadVersion_ = 0;
    int irregular_ = 0;

    // One sequence of indexes, starting at 1, for classes and records alike.
    // Loading keeps the kind of every index; storing only the class indexes.
    uint32_t nextIndex_ = 1;
    std::vector<RecordClass> loadIndex_;   // loadIndex_[i] for index i; None = a record
    uint32_t storeClassIndex_[4] = {0, 0, 0, 0};
};
