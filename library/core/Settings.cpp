#include "core/Settings.h"

#include <cstdlib>
#include <cstring>

namespace varnox {

const char* Setting(const char* name)
{
    return std::getenv(name);
}

bool SwitchOn(const char* name)
{
    const char* value = Setting(name);
    return value && std::strcmp(value, "1") == 0;
}

} // namespace varnox
