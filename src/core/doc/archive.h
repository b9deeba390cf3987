#pragma once
// The byte stream of a register: little-endian primitives, length-prefixed
// strings and the object tags that introduce or refer back to a record class.
#include <cstddef>
#include <cstdint>
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
    // Storing into a byte buffer.
    explicit CArchive(std::string* out);
    // Loading from bytes that outlive the archive.
    CArchive(const unsigned char* data, size_t size);

    bool IsStoring() const { return out_ != nullptr; }
    bool IsLoading() const { return out_ == nullptr; }

    void WriteWord(uint16_t v);
    void WriteDWord(uint32_t v);
    void WriteCount(uint32_t n);
    void WriteString(const std::string& s);
    // Tag ahead of a record: the class description the first time, else a
    // reference to the class's index. Gives the record its index.
    void WriteClassTag(RecordClass c);

    uint16_t ReadWord();
    uint32_t ReadDWord();
    uint32_t ReadCount();
    std::string ReadString();
    // Reads a tag and returns the class of the record that follows; anything
    // but a record of a known class is a format fault.
    RecordClass ReadClassTag();

    size_t Remaining() const { return static_cast<size_t>(end_ - pos_); }
    size_t Position() const;

private:
    void Need(size_t n) const;
    uint32_t ReadStringLength(bool* wide);

    std::string* out_ = nullptr;
    const unsigned char* begin_ = nullptr;
    const unsigned char* pos_ = nullptr;
    const unsigned char* end_ = nullptr;

    // One sequence of indexes, starting at 1, for classes and records alike.
    // Loading keeps the kind of every index; storing only the class indexes.
    uint32_t nextIndex_ = 1;
    std::vector<RecordClass> loadIndex_;   // loadIndex_[i] for index i; None = a record
    uint32_t storeClassIndex_[4] = {0, 0, 0, 0};
};
