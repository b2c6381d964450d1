#pragma once
// Backs the memory a one-shot job touches most (the image engine's textures,
// which the OpenGL driver zero-fills when it makes them) with huge pages
// where the kernel offers them on request (transparent huge pages in
// "madvise" mode). Each new 4 KiB page costs a fault, and faults are dear,
// above all in a virtual machine: a 2560 x 1600 texture is 4,000 of them,
// or 8 huge pages.
//
// Allocations up to 32 MiB then come from the one heap all threads share
// instead of their own mappings, and freed memory stays in the process for
// reuse: meant for short-lived processes (a command-line render), not the
// window.
// Call once, early, on the main thread; safe to skip.

#include <cstddef>

namespace LargePages {

constexpr size_t kHugePage = size_t(2) << 20;

// `bytes` (rounded up to whole huge pages) aligned to a huge page and
// advised for huge pages, for any process; nullptr when out of memory.
// Freed with std::free. Worth it from two huge pages up.
void* allocate(size_t bytes);

// Reserves `bytes` of address space at the heap's top (no memory is used
// until written) and asks for huge pages there; later calls keep the first
// reserve. False where the allocator or the kernel refuses (the allocator
// settings may then have changed; allocations work as before).
bool reserveForLargeAllocations(size_t bytes);

} // namespace LargePages
