#include "scene/kxMessage.h"

#include <cstdarg>
#include <cstdio>

namespace varnox {

void Print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

} // namespace varnox
