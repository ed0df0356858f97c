#pragma once
// Large tables: ask the system for huge pages before the first touch. Fresh
// memory is filled page by page, and on small pages that costs more than the
// work done on continental grids.
#include <cstddef>
#include <vector>

void advise_huge_pages(void* data, std::size_t bytes);

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
