#include "targets/FailureCause.h"

#include <cstdarg>
#include <cstdio>

#include "core/Print.h"
#include "core/Settings.h"

namespace varnox::platform {
namespace {

    thread_local std::string cause;

    std::string Format(const char* format, va_list args)
    {
        va_list measure;
        va_copy(measure, args);
        const int length = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        if (length <= 0)
            return std::string();
        std::string text(static_cast<size_t>(length), '\0');
        std::vsnprintf(&text[0], text.size() + 1, format, args);
        return text;
    }

} // namespace

void RecordFailure(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    cause = Format(format, args);
    va_end(args);
}

void ClearFailure()
{
    cause.clear();
}

std::string TakeFailure()
{
    std::string taken;
    taken.swap(cause);
    return taken;
}

bool DiagnosticsEnabled()
{
    // Read at each failure, not cached: failures are rare, and a program (or
    // a test) may set the variable after the library was loaded.
    return SwitchOn("VARNOX_DEBUG");
}

void PrintFailure(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string message = Format(format, args);
    va_end(args);
    varnox::Print(varnox::Kind::Failure, "%s", message.c_str());
    const std::string why = TakeFailure();
    if (!why.empty() && DiagnosticsEnabled())
        varnox::Print(varnox::Kind::Failure, "  %s\n", why.c_str());
}

} // namespace varnox::platform
