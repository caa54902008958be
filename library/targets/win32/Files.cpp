// Files on Windows, opened through the C runtime.
#include <fcntl.h>
#include <io.h>

#include "targets/Platform.h"

namespace varnox::platform {

int OpenFile(const char* path, bool write)
{
    // Windows opens no FIFO that could wait here, and no folder at all.
    return ::_open(path, (write ? _O_RDWR : _O_RDONLY) | _O_BINARY | _O_NOINHERIT);
}

} // namespace varnox::platform
