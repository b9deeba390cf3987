#include "core/doc/recordblock.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

void* AllocHuge(size_t bytes, size_t* got) {
    *got = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* p = std::aligned_alloc(kHugePage, *got);
    if (p) madvise(p, *got, MADV_HUGEPAGE);
    return p;
}

RecordBlock* RecordBlock::Make(size_t n, size_t size) {
    static_assert(sizeof(RecordBlock) <= kHead);
    size = (size + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    if (n > (SIZE_MAX - kHead) / size) throw std::bad_alloc();
    const size_t bytes = kHead + n * size;
    // From the heap, which keeps what a register freed for the next read of
    // it; a large block in whole huge pages.
    size_t got = 0;
    void* p = bytes >= kHugePage / 2 ? AllocHuge(bytes, &got) : std::malloc(bytes);
    if (!p) throw std::bad_alloc();
    return new (p) RecordBlock(n, size);
}

void RecordBlock::Release(size_t n) {
    if (n == 0 || live_.fetch_sub(n, std::memory_order_acq_rel) != n) return;
    this->~RecordBlock();
    std::free(this);
}
