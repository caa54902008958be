// Which window system the Linux platform layer uses, and the window calls of
// Platform.h handed on to it.
#include "targets/linux/WindowSystems.h"

#include <cstring>

#include <sched.h>
#include <sys/stat.h>

#include "core/Print.h"
#include "core/Settings.h"
#include "targets/linux/WaylandWindow.h"

namespace varnox::platform {
namespace {

    bool Set(const char* value)
    {
        return value && *value;
    }

    // Where a Wayland compositor puts its socket when nobody names another.
    bool DefaultWaylandSocketExists()
    {
        const char* runtimeDir = Setting("XDG_RUNTIME_DIR");
        if (!Set(runtimeDir))
            return false;
        const std::string path = std::string(runtimeDir) + "/wayland-0";
        struct stat status;
        return stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
    }

    const WindowSystemCalls& Calls()
    {
        static const WindowSystemCalls& calls
            = ActiveWindowSystem() == WindowSystemKind::Wayland ? *WaylandCalls() : X11Calls();
        return calls;
    }

} // namespace

WindowSystemChoice ChooseWindowSystem(const WindowSystemEnvironment& environment)
{
    WindowSystemChoice choice;
    bool wantWayland = false;
    if (Set(environment.platform) && std::strcmp(environment.platform, "wayland") == 0) {
        wantWayland = true;
    } else if (Set(environment.platform) && std::strcmp(environment.platform, "x11") == 0) {
        return choice;
    } else {
        if (Set(environment.platform))
            choice.note = std::string("VARNOX_PLATFORM: \"") + environment.platform
                + "\" is neither wayland nor x11; chosen from the environment";
        wantWayland = Set(environment.waylandDisplay) || environment.runtimeDirHasWaylandSocket;
    }
    if (wantWayland && !environment.waylandBuilt) {
        const std::string built = "this library was built without Wayland support: X11";
        choice.note = choice.note.empty() ? built : choice.note + "; " + built;
        return choice;
    }
    if (wantWayland)
        choice.kind = WindowSystemKind::Wayland;
    return choice;
}

WindowSystemKind ActiveWindowSystem()
{
    static const WindowSystemKind kind = [] {
        WindowSystemEnvironment environment;
        environment.platform = Setting("VARNOX_PLATFORM");
        environment.waylandDisplay = Setting("WAYLAND_DISPLAY");
        environment.runtimeDirHasWaylandSocket
            = !Set(environment.waylandDisplay) && DefaultWaylandSocketExists();
        environment.display = Setting("DISPLAY");
        environment.waylandBuilt = WaylandCalls() != nullptr;
        const WindowSystemChoice choice = ChooseWindowSystem(environment);
        // Standard error: the design's report on standard output stays as
        // it is on every window system.
        if (!choice.note.empty())
            PrintTo(Stream::Errors, Kind::Report, "Window system: %s\n", choice.note.c_str());
        return choice.kind;
    }();
    return kind;
}

bool OpenWindowSystem(std::string& reason)
{
    // Wayland is named once, beside the driver report; X11, what the library
    // always served, goes unsaid, so that X11 programs print what they did.
    static bool said = false;
    const bool opened = Calls().open(reason);
    if (opened && !said && ActiveWindowSystem() == WindowSystemKind::Wayland) {
        said = true;
        PrintTo(Stream::Errors, Kind::Report, "Window system: %s\n", Calls().name);
    }
    return opened;
}

NativeWindow CreateTopLevel(Device* device, Config* config, int width, int height)
{
    return Calls().createTopLevel(device, config, width, height);
}

bool WindowExists(NativeWindow window)
{
    return Calls().exists(window);
}

void Show(NativeWindow window, bool madeByLibrary)
{
    Calls().show(window, madeByLibrary);
}

void ClientSize(NativeWindow window, int* width, int* height)
{
    Calls().clientSize(window, width, height);
}

void AttachWindow(NativeWindow window, CWindowVNX* target)
{
    Calls().attach(window, target);
}

void DetachWindow(CWindowVNX* target)
{
    Calls().detach(target);
}

void PumpEvents(NativeWindow window)
{
    Calls().pump(window);
}

void DestroyTopLevel(NativeWindow window)
{
    Calls().destroyTopLevel(window);
}

unsigned long WaitForKey(int milliseconds)
{
    return Calls().waitForKey(milliseconds);
}

void YieldTimeSlice()
{
    sched_yield();
}

#if !defined(VARNOX_WAYLAND)
const WindowSystemCalls* WaylandCalls()
{
    return nullptr;
}
#endif

} // namespace varnox::platform

#if !defined(VARNOX_WAYLAND)
// A build without Wayland never chooses it; the EGL side still names these.
namespace varnox::wayland {

void* ConnectionIfOpen()
{
    return nullptr;
}

void* EglWindow(unsigned long)
{
    return nullptr;
}

void* CreateHiddenEglWindow(int, int)
{
    return nullptr;
}

void DestroyHiddenEglWindow(void*)
{
}

} // namespace varnox::wayland
#endif
