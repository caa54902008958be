#include "support/GuardedBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace vxtest {
namespace {

#if defined(_WIN32)
    size_t PageSize()
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return info.dwPageSize;
    }

    // Read-write pages, the last of them made inaccessible.
    uint8_t* MapWithGuard(size_t usable, size_t page)
    {
        void* pages = VirtualAlloc(nullptr, usable + page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!pages)
            throw std::runtime_error(
                "GuardedBuffer: VirtualAlloc failed: error " + std::to_string(GetLastError()));
        DWORD previous = 0;
        if (!VirtualProtect(static_cast<uint8_t*>(pages) + usable, page, PAGE_NOACCESS, &previous)) {
            const DWORD error = GetLastError();
            VirtualFree(pages, 0, MEM_RELEASE);
            throw std::runtime_error("GuardedBuffer: VirtualProtect failed: error " + std::to_string(error));
        }
        return static_cast<uint8_t*>(pages);
    }

    void Unmap(uint8_t* mapping, size_t)
    {
        VirtualFree(mapping, 0, MEM_RELEASE);
    }
#else
    size_t PageSize()
    {
        return static_cast<size_t>(sysconf(_SC_PAGESIZE));
    }

    // Read-write pages, the last of them made inaccessible.
    uint8_t* MapWithGuard(size_t usable, size_t page)
    {
        void* pages
            = mmap(nullptr, usable + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED)
            throw std::runtime_error(std::string("GuardedBuffer: mmap failed: ") + std::strerror(errno));
        uint8_t* mapping = static_cast<uint8_t*>(pages);
        if (mprotect(mapping + usable, page, PROT_NONE) != 0) {
            const int error = errno;
            munmap(mapping, usable + page);
            throw std::runtime_error(std::string("GuardedBuffer: mprotect failed: ") + std::strerror(error));
        }
        return mapping;
    }

    void Unmap(uint8_t* mapping, size_t length)
    {
        munmap(mapping, length);
    }
#endif

} // namespace

GuardedBuffer::GuardedBuffer(size_t n)
    : size(n)
    , page(PageSize())
{
    // At least one whole page of marker in front, then the bytes, then the guard.
    usable = (n + page - 1) / page * page + page;
    mapping = MapWithGuard(usable, page);
    data = mapping + usable - n;
    std::memset(mapping, kMarker, usable - n);
}

GuardedBuffer::~GuardedBuffer()
{
    Unmap(mapping, usable + page);
}

bool GuardedBuffer::FrontUntouched() const
{
    return std::all_of(mapping, data, [](uint8_t b) { return b == kMarker; });
}

} // namespace vxtest
