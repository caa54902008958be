#pragma once

// The window tests' own X connection: what another client of the same X
// server sees of the library's windows, and how it talks to them.

#include <cstdint>
#include <string>
#include <vector>

// GoogleTest first: Xlib's macros (None, Bool) would break its declarations.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "common/Text.h"

namespace vxtest {

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

/// Runs `f` and returns what it printed on standard output.
template <class F> std::string CaptureOutput(F&& f);

} // namespace vxtest

template <class F> std::string vxtest::CaptureOutput(F&& f)
{
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}
