// The targets layer's side of core/System.h: what the core asks of the
// system, answered through the platform layer (Platform.h) and the POSIX
// file calls that MinGW-w64's C library offers too.
#include "core/System.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include "targets/Platform.h"

namespace varnox {

bool GLContextCurrent()
{
    return platform::Current().context != nullptr;
}

std::FILE* OpenRegularFile(const char* path, bool write, FileRefusal* refusal)
{
    *refusal = {};
    const int fd = platform::OpenFile(path, write);
    if (fd < 0) {
        *refusal = { FileRefusal::Failed, errno };
        return nullptr;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0)
        *refusal = { FileRefusal::Failed, errno };
    else if (S_ISDIR(info.st_mode))
        *refusal = { FileRefusal::Folder, 0 };
    else if (!S_ISREG(info.st_mode))
        *refusal = { FileRefusal::NotRegular, 0 };
    else if (std::FILE* file = ::fdopen(fd, write ? "r+b" : "rb"))
        return file;
    else
        *refusal = { FileRefusal::Failed, errno };
    ::close(fd);
    return nullptr;
}

} // namespace varnox
