#pragma once

// A test's own X connection: what another client of the same X server sees
// of the library's windows, and how it talks to them.

#include <cstdint>
#include <string>
#include <vector>

// GoogleTest first: Xlib's macros (None, Bool) would break its declarations
// in any test that includes this header.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vxtest {

/// A connection to the X server in DISPLAY; aborts, saying why, when there is
/// none (the window tests cannot run without one).
class XClient {
public:
    XClient();
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    Display* display() const { return x; }
    Atom atom(const char* name) const;

    /// False when the window does not exist (BadWindow is caught).
    bool Exists(Window window) const;
    XWindowAttributes Attributes(Window window) const;
    /// A string property of the window, "" when it is absent.
    std::string Property(Window window, const char* name, const char* type) const;
    /// Gives the window storage of its own (Composite redirection), so that
    /// its pixels can be read even while windows of tests running beside
    /// this one cover it.
    void KeepContents(Window window) const;
    /// The window's pixel at (x, y), top row first, as 0xRRGGBB.
    unsigned long Pixel(Window window, int x, int y) const;

    /// Sends WM_PROTOCOLS carrying `protocol` to the client that made the
    /// window (no event mask), and waits until the server has handled it.
    void SendProtocol(Window window, const char* protocol) const;

private:
    Display* x;
};

} // namespace vxtest
