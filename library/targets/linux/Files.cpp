// Files on Linux: opened without waiting for a FIFO's writer.
#include <fcntl.h>

#include "targets/Platform.h"

namespace varnox::platform {

int OpenFile(const char* path, bool write)
{
    // Without O_NONBLOCK the open of a FIFO would wait until a writer came.
    const int fd = ::open(path, (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    // Reads block again, as for any stdio file (a regular file never
    // blocks anyway).
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace varnox::platform
