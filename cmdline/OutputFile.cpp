#include "OutputFile.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/types.h>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vnxcmd {
namespace {

    // What `path` names now: nothing (it may be made), a regular file (it
    // may be replaced), or something else (refused, with `error`).
    bool MayReplace(const std::string& path, std::string& error)
    {
#if defined(_WIN32)
        struct _stat64 info;
        if (_stat64(path.c_str(), &info) != 0)
            return true;
        const bool regular = (info.st_mode & _S_IFMT) == _S_IFREG;
        const bool folder = (info.st_mode & _S_IFMT) == _S_IFDIR;
#else
        struct stat info;
        if (stat(path.c_str(), &info) != 0)
            return true;
        const bool regular = S_ISREG(info.st_mode);
        const bool folder = S_ISDIR(info.st_mode);
#endif
        if (regular)
            return true;
        error = folder ? "is a folder" : "is not a regular file";
        return false;
    }

    // A new file of our own beside `path` ("path.XXXXXX"), opened for
    // writing; its name goes into `made`.
    std::FILE* MakeBeside(const std::string& path, std::string& made)
    {
#if defined(_WIN32)
        for (unsigned int attempt = 0; attempt < 100; ++attempt) {
            made = path + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
            const int fd
                = _open(made.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
            if (fd >= 0)
                return _fdopen(fd, "wb");
            if (errno != EEXIST)
                return nullptr;
        }
        return nullptr;
#else
        std::string name = path + ".XXXXXX";
        const int fd = mkstemp(&name[0]);
        if (fd < 0)
            return nullptr;
        made = name;
        // mkstemp makes it readable by its owner only; the file takes the
        // permissions a new file of the program's would have.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        std::FILE* stream = fdopen(fd, "wb");
        if (!stream)
            close(fd);
        return stream;
#endif
    }

    bool Replace(const std::string& from, const std::string& to)
    {
#if defined(_WIN32)
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
        return std::rename(from.c_str(), to.c_str()) == 0;
#endif
    }

} // namespace

OutputFile::~OutputFile()
{
    Discard();
}

bool OutputFile::Open(const std::string& path, std::string& error)
{
    Discard();
    if (!MayReplace(path, error))
        return false;
    stream = MakeBeside(path, made);
    if (!stream) {
        error = std::strerror(errno);
        made.clear();
        return false;
    }
    target = path;
    return true;
}

bool OutputFile::Commit(std::string& error)
{
    error.clear();
    if (!stream) {
        error = "not open";
        return false;
    }
    const bool written = !std::ferror(stream);
    const bool closed = std::fclose(stream) == 0;
    stream = nullptr;
    if (!written || !closed) {
        error = "write error";
        Discard();
        return false;
    }
    // What the path names may have changed while the file was written.
    if (!MayReplace(target, error) || !Replace(made, target)) {
        if (error.empty())
            error = std::strerror(errno);
        Discard();
        return false;
    }
    made.clear();
    return true;
}

void OutputFile::Discard()
{
    if (stream) {
        std::fclose(stream);
        stream = nullptr;
    }
    if (!made.empty()) {
        std::remove(made.c_str());
        made.clear();
    }
}

} // namespace vnxcmd
