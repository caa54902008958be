#include "Args.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

bool ParseWhole(const char* text, long minimum, long maximum, long& value)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum)
        return false;
    value = parsed;
    return true;
}

bool ParseSize(const char* text, int maximum, int& width, int& height)
{
    const char* x = text ? std::strchr(text, 'x') : nullptr;
    if (!x)
        return false;
    const std::string w(text, static_cast<size_t>(x - text));
    long parsedWidth = 0, parsedHeight = 0;
    if (!ParseWhole(w.c_str(), 1, maximum, parsedWidth) || !ParseWhole(x + 1, 1, maximum, parsedHeight))
        return false;
    width = static_cast<int>(parsedWidth);
    height = static_cast<int>(parsedHeight);
    return true;
}
