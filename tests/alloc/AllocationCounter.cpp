#include "alloc/AllocationCounter.h"

#include <atomic>
#include <new>

#include <dlfcn.h>

// The program's own operator new, in every form: it counts while counting is
// on and hands the request to the allocator that would have served it (the
// C++ runtime's, or the sanitizer's), so every delete still matches.

namespace {
std::atomic<bool> counting { false };
std::atomic<std::size_t> allocations { 0 };

template <class F> F Next(const char* symbol)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}

using Plain = void* (*)(std::size_t);
using Aligned = void* (*)(std::size_t, std::align_val_t);

void Count()
{
    if (counting)
        ++allocations;
}
} // namespace

void* operator new(std::size_t size)
{
    static const Plain next = Next<Plain>("_Znwm");
    Count();
    return next(size);
}

void* operator new[](std::size_t size)
{
    static const Plain next = Next<Plain>("_Znam");
    Count();
    return next(size);
}

void* operator new(std::size_t size, std::align_val_t alignment)
{
    static const Aligned next = Next<Aligned>("_ZnwmSt11align_val_t");
    Count();
    return next(size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    static const Aligned next = Next<Aligned>("_ZnamSt11align_val_t");
    Count();
    return next(size, alignment);
}

namespace vxtest {

AllocationCounter::AllocationCounter()
{
    allocations = 0;
    counting = true;
}

AllocationCounter::~AllocationCounter()
{
    counting = false;
}

std::size_t AllocationCounter::count() const
{
    return allocations;
}

} // namespace vxtest
