// Window targets asked for sizes no window system has windows of, and swap
// intervals EGL has no use for.
#include <varnox/varnox.h>

#include <EGL/egl.h>

#include <climits>
#include <memory>
#include <vector>

#include "window/WindowProbe.h"

#include "support/OutputCapture.h"
#include "support/ReadBack.h"

namespace {

TEST(WindowSizes, EmptyAndNegativeSizesGiveAOnePixelWindow)
{
    vxtest::WindowProbe probe;
    for (const int side : { 0, -7, INT_MIN }) {
        std::unique_ptr<CWindowVNX> target;
        EXPECT_EQ(vxtest::CaptureOutput([&] {
            target.reset(CWindowVNX::NewL(0, 0, side, side, 0));
        }).find("CWindowVNX"),
            std::string::npos);
        ASSERT_NE(target->hglrc, nullptr) << side;
        EXPECT_EQ(probe.ClientSize(target->hwnd), std::make_pair(1, 1));
        EXPECT_EQ(target->width, 1);
        EXPECT_EQ(target->height, 1);
        EXPECT_EQ(vxtest::ReadPixels(*target).size(), 4u);
    }
}

TEST(WindowSizes, AnySwapIntervalPresentsTheFrame)
{
    std::unique_ptr<CWindowVNX> target;
    vxtest::CaptureOutput([&] { target.reset(CWindowVNX::NewL(0, 0, 8, 8, 0)); });
    ASSERT_NE(target->hglrc, nullptr);
    // EGL clamps the interval to what the config allows.
    for (const int interval : { -5, INT_MIN, INT_MAX, 0 }) {
        target->SetRefreshInterval(interval);
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_EQ(vxtest::CaptureOutput([&] { target->Refresh(interval); }), "");
        EXPECT_EQ(eglGetError(), EGL_SUCCESS) << interval;
        EXPECT_EQ(eglGetCurrentContext(), target->hglrc);
    }
}

} // namespace
