#include "WindowSystem.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

namespace vnxcmd {

bool LibraryOnWayland()
{
#ifdef _WIN32
    return false;
#else
    const char* platform = std::getenv("VARNOX_PLATFORM");
    if (platform && std::strcmp(platform, "wayland") == 0)
        return true;
    if (platform && std::strcmp(platform, "x11") == 0)
        return false;
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display && *display)
        return true;
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    struct stat status;
    return runtimeDir && *runtimeDir && stat((std::string(runtimeDir) + "/wayland-0").c_str(), &status) == 0
        && S_ISSOCK(status.st_mode);
#endif
}

} // namespace vnxcmd
