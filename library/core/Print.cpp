#include "core/Print.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace varnox {
namespace {
    OutputSink sink = nullptr;
    void* sinkUser = nullptr;

    void PrintArguments(Stream stream, const char* format, va_list args)
    {
        if (stream == Stream::Errors || !sink) {
            std::FILE* file = stream == Stream::Errors ? stderr : stdout;
            std::vfprintf(file, format, args);
            std::fflush(file);
            return;
        }
        va_list measure;
        va_copy(measure, args);
        const int length = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
        if (length > 0)
            std::vsnprintf(&text[0], text.size() + 1, format, args);
        sink(text.c_str(), sinkUser);
    }
} // namespace

void Print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    PrintArguments(Stream::Output, format, args);
    va_end(args);
}

void PrintTo(Stream stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    PrintArguments(stream, format, args);
    va_end(args);
}

OutputSink SetOutputSink(OutputSink next, void* user, void** previousUser)
{
    const OutputSink previous = sink;
    if (previousUser)
        *previousUser = sinkUser;
    sink = next;
    sinkUser = user;
    return previous;
}

} // namespace varnox
