#include <varnox/kxStream.h>

#include <cerrno>
#include <cstring>

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

// Messages go out at once, so they stand before whatever the caller prints
// next about the same file.
void Report(const char* what, const char* path, int error)
{
    std::printf("kxStream: cannot %s %s: %s\n", what, path ? path : "(no file name)",
        error ? std::strerror(error) : "no file name given");
    std::fflush(stdout);
}

} // namespace

kxStream::kxStream(const char* path, int mode)
{
    const char* how = OpenMode(mode);
    if (path && how) {
        name = new char[std::strlen(path) + 1];
        std::strcpy(name, path);
        file = std::fopen(path, how);
    }
    if (!file) {
        Report("open", path, path ? (how ? errno : EINVAL) : 0);
        return;
    }
    if (mode & modeRead)
        flags &= ~flagNoRead;
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
