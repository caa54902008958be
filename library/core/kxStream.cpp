#include <varnox/kxStream.h>

#include <cerrno>
#include <cstring>

#include "core/Print.h"
#include "core/System.h"

namespace {

// fopen's mode for the stream's mode bits, or null when neither reading nor
// writing is asked for.
const char* OpenMode(int mode)
{
    const bool read = mode & kxStream::modeRead;
    const bool write = mode & kxStream::modeWrite;
    if (read && write)
        return "r+b";
    if (write)
        return "wb";
    if (read)
        return "rb";
    return nullptr;
}

// One line naming the file and why it is refused. `reason` stands in for an
// error number that has no text of its own.
void Report(const char* what, const char* path, const char* reason)
{
    varnox::Print(
        varnox::Kind::Failure, "kxStream: cannot %s %s: %s\n", what, path ? path : "(no file name)", reason);
}

void Report(const char* what, const char* path, int error)
{
    Report(what, path, std::strerror(error));
}

// OpenRegularFile, each refusal named on its line. Null when refused.
std::FILE* OpenForReading(const char* path, bool write)
{
    varnox::FileRefusal refusal;
    std::FILE* file = varnox::OpenRegularFile(path, write, &refusal);
    if (refusal.kind == varnox::FileRefusal::Failed)
        Report("open", path, refusal.error);
    else if (refusal.kind == varnox::FileRefusal::Folder)
        Report("read", path, EISDIR);
    else if (refusal.kind == varnox::FileRefusal::NotRegular)
        Report("open", path, "not a regular file");
    return file;
}

} // namespace

kxStream::kxStream(const char* path, int mode)
{
    const char* how = OpenMode(mode);
    if (!path) {
        Report("open", path, "no file name given");
        return;
    }
    if (!how) {
        Report("open", path, EINVAL);
        return;
    }
    name = new char[std::strlen(path) + 1];
    std::strcpy(name, path);
    if (mode & modeRead) {
        file = OpenForReading(path, mode & modeWrite);
    } else {
        file = std::fopen(path, how);
        if (!file)
            Report("open", path, errno);
    }
    if (file && (mode & modeRead))
        flags &= ~flagNoRead;
}

void kxStream::Refuse(const char* operation, int len)
{
    if (len < 0)
        varnox::Print(varnox::Kind::Refusal, "kxStream: %s refused the length %d\n", operation, len);
    else
        varnox::Print(
            varnox::Kind::Refusal, "kxStream: %s refused a null buffer of %d bytes\n", operation, len);
}

kxStream::~kxStream()
{
    if (file)
        std::fclose(file);
    delete[] name;
}

char* kxStream::toString()
{
    size_t capacity = 4096;
    size_t size = 0;
    char* text = new char[capacity];
    if (!(flags & flagNoRead) && file) {
        std::rewind(file);
        for (;;) {
            size += std::fread(text + size, 1, capacity - 1 - size, file);
            if (size < capacity - 1)
                break;
            char* larger = new char[capacity * 2];
            std::memcpy(larger, text, size);
            delete[] text;
            text = larger;
            capacity *= 2;
        }
        if (std::ferror(file)) {
            Report("read", name, errno);
            std::clearerr(file);
            size = 0;
        }
    }
    text[size] = '\0';
    return text;
}
