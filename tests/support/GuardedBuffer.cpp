#include "support/GuardedBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace vxtest {

GuardedBuffer::GuardedBuffer(size_t n)
    : size(n)
    , page(static_cast<size_t>(sysconf(_SC_PAGESIZE)))
{
    // At least one whole page of marker in front, then the bytes, then the guard.
    usable = (n + page - 1) / page * page + page;
    void* pages = mmap(nullptr, usable + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED)
        throw std::runtime_error(std::string("GuardedBuffer: mmap failed: ") + std::strerror(errno));
    mapping = static_cast<uint8_t*>(pages);
    if (mprotect(mapping + usable, page, PROT_NONE) != 0) {
        const int error = errno;
        munmap(mapping, usable + page);
        throw std::runtime_error(std::string("GuardedBuffer: mprotect failed: ") + std::strerror(error));
    }
    data = mapping + usable - n;
    std::memset(mapping, kMarker, usable - n);
}

GuardedBuffer::~GuardedBuffer()
{
    munmap(mapping, usable + page);
}

bool GuardedBuffer::FrontUntouched() const
{
    return std::all_of(mapping, data, [](uint8_t b) { return b == kMarker; });
}

} // namespace vxtest
