#include "common/big_memory.hpp"

#include <sys/mman.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

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

double physical_memory_bytes() {
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long page_size = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page_size <= 0) return 0;
    return static_cast<double>(pages) * static_cast<double>(page_size);
}

bool fits_in_memory(double bytes) {
    if (!(bytes >= 0)) return false;
    double phys = physical_memory_bytes();
    if (phys <= 0) return true;  // unknown: let the allocation itself decide
    return bytes <= 0.75 * phys;
}

void prefer_huge_pages(char** argv) {
#if defined(__linux__) && defined(__GLIBC__)
    // The C library backs its heap with huge pages only when told so in the
    // environment it starts with: set it and start again, once.
    constexpr const char* kKey = "glibc.malloc.hugetlb";
    const char* now = std::getenv("GLIBC_TUNABLES");
    if (argv == nullptr || argv[0] == nullptr || (now != nullptr && std::strstr(now, kKey)))
        return;
    std::string tunables = now != nullptr && *now != '\0' ? std::string(now) + ":" : std::string();
    tunables += std::string(kKey) + "=1";
    if (::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
    ::execv("/proc/self/exe", argv);
    // Not restarted: go on as we are.
#else
    (void)argv;
#endif
}

void keep_freed_memory() {
#if defined(__GLIBC__)
    // Large blocks come from the heap instead of mappings of their own, and
    // the heap is not handed back: a grid freed is reused by the next one
    // instead of fresh pages being faulted in and zeroed again.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
}
