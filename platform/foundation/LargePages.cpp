#include "platform/foundation/LargePages.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using LargePages::kHugePage;

bool reserve(size_t bytes)
{
    constexpr int kLargestFromHeap = 32 << 20; // the allocator's limit for this setting
    if (bytes < 2 * kHugePage || bytes > size_t(INT_MAX))
        return false;
    // Textures stay on the heap, and the heap is never handed back; one heap
    // for every thread, so that what a worker frees (a decoded photo) is
    // reused by the textures that follow instead of kept aside.
    if (!mallopt(M_MMAP_THRESHOLD, kLargestFromHeap) || !mallopt(M_TRIM_THRESHOLD, INT_MAX))
        return false;
    mallopt(M_ARENA_MAX, 1);
    // Grow the heap once by `bytes`: the block given back becomes the
    // heap's free top, untouched, from which later allocations are cut.
    mallopt(M_TOP_PAD, int(bytes));
    void* grow = std::malloc(kHugePage);
    mallopt(M_TOP_PAD, 128 * 1024); // the default again
    if (!grow)
        return false;
    const auto start = reinterpret_cast<std::uintptr_t>(grow);
    std::free(grow);
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    if (end == std::uintptr_t(-1) || end <= start)
        return false;
    const std::uintptr_t from = (start + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t to = end / kHugePage * kHugePage;
    return to > from && madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE) == 0;
}

} // namespace

namespace LargePages {

void* allocate(size_t bytes)
{
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, rounded);
    if (memory)
        madvise(memory, rounded, MADV_HUGEPAGE); // a hint: without it, small pages
    return memory;
}

bool reserveForLargeAllocations(size_t bytes)
{
    // Once a process: several photos in one run share the first reserve.
    static const bool reserved = reserve(bytes);
    return reserved;
}

} // namespace LargePages
