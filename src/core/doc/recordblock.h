#pragma once
// Records made by one read share one piece of memory: a parse of 100,000
// reservations then faults in a few large pages instead of a small piece of
// fresh memory per record. The piece goes with the last of its records,
// wherever they went meanwhile; nothing in the record knows of it.
#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

// A huge page: what a fault brings in when the memory was asked for so.
constexpr size_t kHugePage = size_t{2} << 20;

// Memory for at least bytes, in whole huge pages asked for before the first
// touch (a page touched first keeps its 2 MB in small pages; on a virtual
// machine a fault costs more than filling its page). *got is what it has;
// std::free frees it. nullptr when there is none.
void* AllocHuge(size_t bytes, size_t* got);

class RecordBlock {
public:
    // Room for n records of size bytes each, every one of them counted live.
    static RecordBlock* Make(size_t n, size_t size);
    void* At(size_t i) { return reinterpret_cast<unsigned char*>(this) + kHead + i * size_; }
    // n records fewer (made and gone, or never made); the last frees the block.
    void Release(size_t n = 1);

private:
    RecordBlock(size_t live, size_t size) : live_(live), size_(size) {}
    std::atomic<size_t> live_;
    size_t size_;

public:
    // Where the records begin, after the block's own fields.
    static constexpr size_t kHead = (sizeof(std::atomic<size_t>) + sizeof(size_t) + alignof(std::max_align_t) - 1) &
                                    ~(alignof(std::max_align_t) - 1);
};

// Deletes a record made alone or in a block. A record made alone converts
// in, so that make_unique<T>() goes on filling a collection.
template <class T>
struct RecordDelete {
    RecordBlock* block = nullptr;
    RecordDelete() = default;
    RecordDelete(std::default_delete<T>) {}  // NOLINT(google-explicit-constructor)
    explicit RecordDelete(RecordBlock* b) : block(b) {}
    void operator()(T* p) const {
        if (!block) return delete p;
        p->~T();
        block->Release();
    }
};

template <class T>
using RecordPtr = std::unique_ptr<T, RecordDelete<T>>;

// Makes records one at a time, as a read needs them, from blocks that grow
// with what was made so far: a damaged count costs no more than twice what
// the read got through (or one huge page), and each record is made while it
// is filled.
template <class T>
class RecordMaker {
public:
    RecordMaker() = default;
    RecordMaker(const RecordMaker&) = delete;
    RecordMaker& operator=(const RecordMaker&) = delete;
    ~RecordMaker() {
        if (block_) block_->Release(left_);
    }
    // A fresh record, when up to more records are still to come (this one included).
    RecordPtr<T> Make(size_t more) {
        if (left_ == 0) {
            // The first block fills a huge page: the 10,000 users of a busy
            // desk come in one fault rather than five hundred.
            constexpr size_t kSize = (sizeof(T) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
            constexpr size_t kFirst = (kHugePage - RecordBlock::kHead) / kSize;
            const size_t first = kFirst > 1024 ? kFirst : 1024;
            const size_t n = more < made_ ? more : made_ < first ? (more < first ? more : first) : made_;
            block_ = RecordBlock::Make(n, sizeof(T));
            left_ = n;
            next_ = 0;
        }
        // The block's memory is out of the cache: the records a few ahead
        // are fetched while this one is filled.
        if (left_ > 4) {
            __builtin_prefetch(block_->At(next_ + 4), 1);
            __builtin_prefetch(static_cast<char*>(block_->At(next_ + 4)) + sizeof(T) - 1, 1);
        }
        // Every field has its initial value: cleared first, the fresh memory
        // would be written twice.
        T* p = new (block_->At(next_++)) T;
        --left_;
        ++made_;
        RecordPtr<T> r(p, RecordDelete<T>(block_));
        if (left_ == 0) block_ = nullptr;
        return r;
    }

private:
    RecordBlock* block_ = nullptr;
    size_t left_ = 0, next_ = 0, made_ = 0;
};
