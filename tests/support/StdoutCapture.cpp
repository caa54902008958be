#include "support/StdoutCapture.h"

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#endif

namespace vxtest {
namespace {

#if defined(_WIN32)
    // A file in the temporary folder that is deleted when it is closed. It is
    // read back in text mode: what printf wrote as "\r\n" comes back as "\n",
    // as on Linux.
    int TemporaryFile()
    {
        char folder[MAX_PATH + 1] = "";
        char path[MAX_PATH + 1] = "";
        if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "vnx", 0, path))
            return -1;
        return _open(path, _O_RDWR | _O_CREAT | _O_TRUNC | _O_TEMPORARY | _O_TEXT, _S_IREAD | _S_IWRITE);
    }

    int Discard()
    {
        return _open("NUL", _O_WRONLY);
    }
#else
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

    int Discard()
    {
        return open("/dev/null", O_WRONLY);
    }
#endif

} // namespace

StdoutCapture::StdoutCapture(Mode mode)
{
    std::fflush(stdout);
    file = mode == keep ? TemporaryFile() : Discard();
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
