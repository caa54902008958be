#pragma once

// The X11 side of the Linux platform layer, as far as the EGL side (and the
// window tests) need it. Every Xlib call of the library lives in
// X11Window.cpp.

#include <string>

namespace varnox::x11 {

/// The process's X connection (an Xlib Display*): XOpenDisplay(NULL) on first
/// use, kept open until the process ends. Null when no X server can be
/// reached (a later call tries again).
void* Connection();

/// The connection when it is open; never opens one.
void* ConnectionIfOpen();

/// The id of the default screen's default visual.
unsigned long DefaultVisualId();

/// The visual of an existing window; false when there is no such window
/// (the X error is recorded as the failure's cause).
bool WindowVisual(unsigned long window, unsigned long* visualId);

/// The name of a core X protocol error code ("BadWindow"); null for codes
/// that no core error has (extension errors).
const char* ErrorName(int code);

/// An X error as a cause line keeps it: its name, code and the request that
/// failed, e.g. "BadWindow (X error 3, request 3, minor 0)".
std::string DescribeError(int code, int request, int minor);

/// While alive, X errors on the library's connection are counted, and the
/// last one kept, instead of ending the process (Xlib's default handler
/// exits); errors of other connections go to the handler installed before.
/// Traps nest. A null connection traps nothing.
class ErrorTrap {
public:
    explicit ErrorTrap(void* connection);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    /// Waits until the server has handled every request sent so far; true
    /// when none of those since the trap was set failed. Otherwise records
    /// "`call`: <the last error>" as the failure's cause.
    bool Sync(const char* call);

private:
    void* connection;
    unsigned long errorsAtStart = 0;
};

} // namespace varnox::x11
