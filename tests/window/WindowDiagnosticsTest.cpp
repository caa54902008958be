// Window failures on a real X server, run with VARNOX_DEBUG=1: each keeps its
// cause, and a window the X server cannot make is not taken for a missing
// GL context.
#include <varnox/varnox.h>

#include <EGL/egl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "support/OutputCapture.h"
#include "support/XClient.h"

#include <X11/Xproto.h>

namespace {

using vxtest::CaptureOutput;

class WindowDiagnostics : public testing::Test {
protected:
    void SetUp() override
    {
        const char* debug = std::getenv("VARNOX_DEBUG");
        ASSERT_TRUE(debug && std::strcmp(debug, "1") == 0) << "run with VARNOX_DEBUG=1";
    }
    void TearDown() override { setenv("VARNOX_DEBUG", "1", 1); }

    // The top-level windows on the X server now.
    unsigned TopLevelWindows()
    {
        ::Window root = 0, parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(client.display(), DefaultRootWindow(client.display()), &root, &parent, &children, &count);
        if (children)
            XFree(children);
        return count;
    }

    vxtest::XClient client;
};

TEST_F(WindowDiagnostics, AWindowThatDoesNotExistKeepsTheXErrorAndItsRequest)
{
    const ::Window gone
        = XCreateSimpleWindow(client.display(), DefaultRootWindow(client.display()), 0, 0, 8, 8, 0, 0, 0);
    XDestroyWindow(client.display(), gone);
    XSync(client.display(), False);

    // The X protocol's own numbers: BadWindow, from GetWindowAttributes.
    char expected[160];
    std::snprintf(expected, sizeof expected,
        "CWindowVNX: window 0x%lx does not exist\n"
        "  XGetWindowAttributes: BadWindow (X error %d, request %d, minor 0)\n",
        gone, BadWindow, X_GetWindowAttributes);
    CWindowVNX* raw = nullptr;
    EXPECT_EQ(CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 64, 64, gone); }), expected);
    std::unique_ptr<CWindowVNX> target(raw);
    EXPECT_EQ(target->hglrc, nullptr);
    EXPECT_EQ(CaptureOutput([&] { target.reset(); }), "");
}

TEST_F(WindowDiagnostics, AWindowTooLargeForX11IsRefusedWithItsOwnMessage)
{
    std::unique_ptr<CWindowVNX> current;
    CaptureOutput([&] { current.reset(CWindowVNX::NewL(0, 0, 64, 64, 0)); });
    ASSERT_NE(current->hglrc, nullptr);
    const unsigned windowsBefore = TopLevelWindows();

    // X carries sizes in 16 bits: 65,536 would reach the server as 0 and
    // 70,000 as 4,464, were they not refused.
    const int sizes[][2] = { { 70000, 64 }, { 64, 65536 }, { 65536, 65536 } };
    for (const auto& size : sizes) {
        char expected[160];
        std::snprintf(expected, sizeof expected,
            "CWindowVNX: could not create a %d x %d window\n"
            "  XCreateWindow: X11 windows are at most 65535 x 65535\n",
            size[0], size[1]);
        CWindowVNX* raw = nullptr;
        EXPECT_EQ(CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, size[0], size[1], 0); }), expected);
        std::unique_ptr<CWindowVNX> target(raw);
        EXPECT_EQ(target->hwnd, 0ul);
        EXPECT_EQ(target->hdc, nullptr);
        EXPECT_EQ(target->hglrc, nullptr);
        EXPECT_EQ(target->width, 0);
        EXPECT_EQ(eglGetCurrentContext(), current->hglrc);
        EXPECT_EQ(CaptureOutput([&] {
            target->Refresh(0);
            target.reset();
        }),
            "");
        EXPECT_EQ(eglGetCurrentContext(), current->hglrc);
    }
    EXPECT_EQ(TopLevelWindows(), windowsBefore);

    // Without VARNOX_DEBUG the message stands alone.
    unsetenv("VARNOX_DEBUG");
    CWindowVNX* raw = nullptr;
    EXPECT_EQ(CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 70000, 10, 0); }),
        "CWindowVNX: could not create a 70000 x 10 window\n");
    delete raw;
}

} // namespace
