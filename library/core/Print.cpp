#include "core/Print.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace varnox {
namespace {
    OutputSink sink = nullptr;
    void* sinkUser = nullptr;
} // namespace

void Print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    if (!sink) {
        std::vprintf(format, args);
        va_end(args);
        std::fflush(stdout);
        return;
    }
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(&text[0], text.size() + 1, format, args);
    va_end(args);
    sink(text.c_str(), sinkUser);
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
