#pragma once

// The Linux platform layer serves two window systems from one library: X11
// (X11Window.cpp) and Wayland (WaylandWindow.cpp, compiled where the build
// found its packages). Which one a process uses is decided once, when the
// first window target opens the window system; the window calls of
// Platform.h then go to that one's table, and the EGL side asks
// ActiveWindowSystem() which native display and windows it deals with.

#include <string>

#include "targets/Platform.h"

namespace varnox::platform {

enum class WindowSystemKind { X11, Wayland };

/// What the environment says about the window systems, as ChooseWindowSystem
/// reads it.
struct WindowSystemEnvironment {
    const char* platform = nullptr; ///< VARNOX_PLATFORM
    const char* waylandDisplay = nullptr; ///< WAYLAND_DISPLAY
    bool runtimeDirHasWaylandSocket = false; ///< XDG_RUNTIME_DIR/wayland-0 is a socket
    const char* display = nullptr; ///< DISPLAY
    bool waylandBuilt = false; ///< the library was built with Wayland support
};

struct WindowSystemChoice {
    WindowSystemKind kind = WindowSystemKind::X11;
    /// One line for standard error when the choice needs saying: an override
    /// that was refused, or Wayland asked for in a build without it.
    std::string note;
};

/// VARNOX_PLATFORM=wayland|x11 decides; otherwise a Wayland display (named,
/// or the default socket in XDG_RUNTIME_DIR) means Wayland, else X11. A build
/// without Wayland always gives X11, and says so when Wayland was asked for
/// or found.
WindowSystemChoice ChooseWindowSystem(const WindowSystemEnvironment& environment);

/// The window calls of Platform.h, as each window system implements them.
struct WindowSystemCalls {
    const char* name;
    bool (*open)(std::string& reason);
    NativeWindow (*createTopLevel)(Device* device, Config* config, int width, int height);
    bool (*exists)(NativeWindow window);
    void (*show)(NativeWindow window, bool madeByLibrary);
    void (*clientSize)(NativeWindow window, int* width, int* height);
    void (*attach)(NativeWindow window, CWindowVNX* target);
    void (*detach)(CWindowVNX* target);
    void (*pump)(NativeWindow window);
    void (*destroyTopLevel)(NativeWindow window);
    unsigned long (*waitForKey)(int milliseconds);
};

const WindowSystemCalls& X11Calls();
/// Null in a build without Wayland.
const WindowSystemCalls* WaylandCalls();

/// The window system this process uses: chosen from the environment on the
/// first call and kept.
WindowSystemKind ActiveWindowSystem();

} // namespace varnox::platform
