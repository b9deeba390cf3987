#pragma once
// Large buffers (a register's bytes, the record pools) ask for huge pages
// where the system gives them: filling a fresh one then takes a fault per
// 2 MB instead of one per 4 KB, which in a short-lived kvtool was much of
// its time.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

inline void AdviseHugePages(const void* p, size_t n) {
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + n) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
