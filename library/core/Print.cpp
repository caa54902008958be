#include "core/Print.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace varnox {
namespace {
    OutputSink sink = nullptr;
    void* sinkUser = nullptr;

    // The program's handler and its pointer, read together.
    std::mutex handlerLock;
    kxMessageHandler handler = nullptr;
    void* handlerUser = nullptr;

    std::string Format(const char* format, va_list args)
    {
        va_list measure;
        va_copy(measure, args);
        const int length = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
        if (length > 0)
            std::vsnprintf(&text[0], text.size() + 1, format, args);
        return text;
    }

    // One call for each line of `text`, its line end left out; a last line
    // without one is a line too.
    void SendLines(kxMessageHandler to, void* user, Kind kind, std::string& text)
    {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            else
                text[end] = '\0';
            to(static_cast<kxMessageKind>(kind), text.c_str() + start, user);
            start = end + 1;
        }
    }

    void PrintArguments(Stream stream, Kind kind, const char* format, va_list args)
    {
        kxMessageHandler to;
        void* user;
        {
            std::lock_guard<std::mutex> lock(handlerLock);
            to = handler;
            user = handlerUser;
        }
        if (to) {
            std::string text = Format(format, args);
            SendLines(to, user, kind, text);
            return;
        }
        if (stream == Stream::Errors || !sink) {
            std::FILE* file = stream == Stream::Errors ? stderr : stdout;
            std::vfprintf(file, format, args);
            std::fflush(file);
            return;
        }
        sink(Format(format, args).c_str(), sinkUser);
    }
} // namespace

void Print(Kind kind, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    PrintArguments(Stream::Output, kind, format, args);
    va_end(args);
}

void PrintTo(Stream stream, Kind kind, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    PrintArguments(stream, kind, format, args);
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

kxMessageHandler kxSetMessageHandler(kxMessageHandler next, void* user, void** previousUser)
{
    std::lock_guard<std::mutex> lock(varnox::handlerLock);
    const kxMessageHandler previous = varnox::handler;
    if (previousUser)
        *previousUser = varnox::handlerUser;
    varnox::handler = next;
    varnox::handlerUser = user;
    return previous;
}
