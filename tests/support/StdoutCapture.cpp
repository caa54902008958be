#include "support/StdoutCapture.h"

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace vxtest {
namespace {

    // An unnamed file in the temporary folder: gone as soon as it is closed.
    int TemporaryFile()
    {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/varnox-stdout-XXXXXX";
        const int fd = mkstemp(&pattern[0]);
        if (fd >= 0)
            unlink(pattern.c_str());
        return fd;
    }

} // namespace

StdoutCapture::StdoutCapture(Mode mode)
{
    std::fflush(stdout);
    file = mode == keep ? TemporaryFile() : open("/dev/null", O_WRONLY);
    if (file < 0)
        return;
    saved = dup(STDOUT_FILENO);
    if (saved < 0 || dup2(file, STDOUT_FILENO) < 0) {
        if (saved >= 0)
            close(saved);
        saved = -1;
    }
}

StdoutCapture::~StdoutCapture()
{
    Finish();
}

std::string StdoutCapture::Finish()
{
    std::string text;
    if (saved >= 0) {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        saved = -1;
        char block[4096];
        if (lseek(file, 0, SEEK_SET) == 0)
            for (ssize_t n; (n = read(file, block, sizeof block)) > 0;)
                text.append(block, static_cast<size_t>(n));
    }
    if (file >= 0)
        close(file);
    file = -1;
    return text;
}

} // namespace vxtest
