#pragma once
// Large tables: ask the system for huge pages before the first touch. Fresh
// memory is filled page by page, and on small pages that costs more than the
// work done on continental grids.
#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

void advise_huge_pages(void* data, std::size_t bytes);
// Once at start-up: memory the program frees stays with it for reuse.
void keep_freed_memory();
// First thing in main: restart the program (same arguments) with its heap on
// huge pages where the C library allows it. Returns when no restart is
// needed or possible.
void prefer_huge_pages(char** argv);

// Physical memory of this computer in bytes (0 when unknown).
double physical_memory_bytes();
// Whether `bytes` more can be held: at most 3/4 of physical memory. Checked
// before a table sized by input counts is allocated.
bool fits_in_memory(double bytes);

// v becomes n copies of init, in memory advised for huge pages when large.
template <class T>
void assign_big(std::vector<T>& v, std::size_t n, T init) {
    if (n * sizeof(T) >= (std::size_t{2} << 20)) {
        v.clear();
        v.shrink_to_fit();
        v.reserve(n);
        advise_huge_pages(v.data(), n * sizeof(T));
    }
    v.assign(n, init);
}
template <class T>
std::vector<T> big_vector(std::size_t n, T init) {
    std::vector<T> v;
    assign_big(v, n, init);
    return v;
}

// An allocator whose memory is zero when it is handed out (calloc: large
// blocks are the system's fresh pages, zero already), and whose default
// construction leaves it so: a table of zeros then costs no pass of its own.
// Large blocks are advised for huge pages. Elements are trivial values.
template <class T>
struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <class U>
    ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        void* p = std::calloc(n, sizeof(T));
        if (!p) throw std::bad_alloc();
        if (n * sizeof(T) >= (std::size_t{2} << 20)) advise_huge_pages(p, n * sizeof(T));
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }

    template <class U>
    void construct(U*) noexcept {
        static_assert(std::is_trivially_default_constructible_v<U>);
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    friend bool operator==(const ZeroedAllocator&, const ZeroedAllocator&) { return true; }
};

// A vector of trivial values that starts from fresh zeroed memory.
template <class T>
using ZeroedVector = std::vector<T, ZeroedAllocator<T>>;
