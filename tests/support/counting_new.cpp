#include "support/counting_new.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> g_nAllocations{0};
} // namespace

void* operator new(size_t nBytes)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(nBytes != 0 ? nBytes : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

namespace ostrel::test {

size_t AllocationCount()
{
    return g_nAllocations.load(std::memory_order_relaxed);
}

} // namespace ostrel::test
