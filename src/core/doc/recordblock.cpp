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
    const size_t bytes = kHead + n * size;
    // From the heap, which keeps what a register freed for the next read of
    // it; a large block asks for huge pages, so that a fault brings 2 MB.
    void* p = std::malloc(bytes);
    if (!p) throw std::bad_alloc();
    const uintptr_t at = reinterpret_cast<uintptr_t>(p);
    const uintptr_t begin = (at + kHuge - 1) & ~(kHuge - 1), end = (at + bytes) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    return new (p) RecordBlock(n, size);
}

void RecordBlock::Release(size_t n) {
    if (n == 0 || live_.fetch_sub(n, std::memory_order_acq_rel) != n) return;
    this->~RecordBlock();
    std::free(this);
}
