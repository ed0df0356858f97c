#include "common/big_memory.hpp"

#include <sys/mman.h>

#include <cstdint>

void advise_huge_pages(void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    // Only whole huge pages inside the table, so the memory held does not grow.
    const std::uintptr_t huge = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + huge - 1) & ~(huge - 1);
    const std::uintptr_t last = (start + bytes) & ~(huge - 1);
    if (data != nullptr && last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}
