#include "alloc/AllocationCounter.h"

#include <atomic>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

// The program's own operator new, in every form: it counts while counting is
// on and hands the request to the allocator that would have served it (the
// C++ runtime's, or the sanitizer's), so every delete still matches.

namespace {
std::atomic<bool> counting { false };
std::atomic<std::size_t> allocations { 0 };

// The C++ runtime's own operator new: the next definition after the
// program's (on Windows, the one libstdc++'s DLL exports).
template <class F> F Next(const char* symbol)
{
#if defined(_WIN32)
    return reinterpret_cast<F>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("libstdc++-6.dll"), symbol)));
#else
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
#endif
}

// The runtime's names for them: std::size_t is unsigned long on Linux (m),
// unsigned long long on 64-bit Windows (y).
#if defined(_WIN32)
#define KX_SIZE "y"
#else
#define KX_SIZE "m"
#endif

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
    static const Plain next = Next<Plain>("_Znw" KX_SIZE);
    Count();
    return next(size);
}

void* operator new[](std::size_t size)
{
    static const Plain next = Next<Plain>("_Zna" KX_SIZE);
    Count();
    return next(size);
}

void* operator new(std::size_t size, std::align_val_t alignment)
{
    static const Aligned next = Next<Aligned>("_Znw" KX_SIZE "St11align_val_t");
    Count();
    return next(size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    static const Aligned next = Next<Aligned>("_Zna" KX_SIZE "St11align_val_t");
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
