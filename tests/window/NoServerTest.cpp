// Runs where no X server can be reached: DISPLAY unset, or naming a display
// nobody serves.
#include <varnox/varnox.h>

#include <EGL/egl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/OutputCapture.h"

namespace {

using vxtest::CaptureOutput;

std::string ExpectedLine()
{
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return "CWindowVNX: could not open the X display (DISPLAY is not set)\n";
    return "CWindowVNX: could not open the X display \"" + std::string(name) + "\"\n";
}

TEST(NoXServer, WindowTargetSaysSoOnceAndStaysHarmless)
{
    CWindowVNX* raw = nullptr;
    EXPECT_EQ(CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 500, 500, 0); }), ExpectedLine());
    std::unique_ptr<CWindowVNX> target(raw);
    EXPECT_EQ(target->hwnd, 0ul);
    EXPECT_EQ(target->hdc, nullptr);
    EXPECT_EQ(target->hglrc, nullptr);
    EXPECT_EQ(target->display, nullptr);
    EXPECT_EQ(target->width, 0);
    EXPECT_EQ(target->height, 0);
    // No loader ran.
    EXPECT_EQ(kxgl::eglQueryString, nullptr);
    EXPECT_EQ(kxgl::glGenBuffers, nullptr);

    std::vector<unsigned char> pixels(16, 0x77);
    EXPECT_EQ(CaptureOutput([&] {
        target->SetRefreshInterval(1);
        target->Refresh(0);
        target->Activate();
        target->SetSize(800, 600);
        target->CopyBuffer(pixels.data());
    }),
        "");
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](unsigned char b) { return b == 0x77; }));
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);

    // With a headless off-screen target current, a window target that cannot
    // be made neither takes that context nor releases it.
    std::unique_ptr<COffScreen> offscreen;
    CaptureOutput([&] { offscreen.reset(COffScreen::NewL(16, 16)); });
    ASSERT_NE(offscreen->hglrc, nullptr);
    CWindowVNX* given = nullptr;
    EXPECT_EQ(CaptureOutput([&] { given = CWindowVNX::NewL(0, 0, 64, 64, 0x400001); }), ExpectedLine());
    EXPECT_EQ(given->hwnd, 0x400001ul);
    EXPECT_EQ(given->hglrc, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), offscreen->hglrc);
    EXPECT_EQ(CaptureOutput([&] {
        given->Refresh(0);
        delete given;
        target.reset();
    }),
        "");
    EXPECT_EQ(eglGetCurrentContext(), offscreen->hglrc);
}

} // namespace
