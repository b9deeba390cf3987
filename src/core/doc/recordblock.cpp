#include "core/doc/recordblock.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr size_t kHuge = size_t{2} << 20;

}  // namespace

RecordBlock* RecordBlock::Make(size_t n, size_t size) {
    static_assert(sizeof(RecordBlock) <= kHead);
    size = (size + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    if (n > (SIZE_MAX - kHead) / size) throw std::bad_alloc();
    size_t bytes = kHead + n * size;
    // From the heap, which keeps what a register freed for the next read of
    // it. A large block is whole huge pages, asked for before the first
    // touch: a fault then brings 2 MB, where small pages took one each (and
    // on a virtual machine a fault costs more than filling its page).
    void* p = nullptr;
    if (bytes >= kHuge / 2) {
        bytes = (bytes + kHuge - 1) & ~(kHuge - 1);
        p = std::aligned_alloc(kHuge, bytes);
        if (p) madvise(p, bytes, MADV_HUGEPAGE);
    } else {
        p = std::malloc(bytes);
    }
    if (!p) throw std::bad_alloc();
    return new (p) RecordBlock(n, size);
}

void RecordBlock::Release(size_t n) {
    if (n == 0 || live_.fetch_sub(n, std::memory_order_acq_rel) != n) return;
    this->~RecordBlock();
    std::free(this);
}
