// Failure causes on a real headless display. The process runs twice: once
// with VARNOX_DEBUG=1 (the Debug tests) and once without it (the Quiet ones).
#include <EGL/egl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/OutputCapture.h"

namespace {

using vxtest::CaptureOutput;

// A working headless target, current, that the failing ones are made beside.
class Diagnostics : public testing::Test {
protected:
    void SetUp() override
    {
        CaptureOutput([&] { shared.reset(COffScreen::NewL(16, 16)); });
        ASSERT_NE(shared->hglrc, nullptr);
    }
    void TearDown() override { shared.reset(); }

    std::unique_ptr<COffScreen> shared;
};

// EGL requires EGL_BAD_PARAMETER for a negative pbuffer width, so the cause
// is known without asking the driver.
const char kFailedPbufferWithCause[] = "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
                                       "  eglCreatePbufferSurface: EGL_BAD_PARAMETER\n"
                                       "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
                                       "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";

const char kFailedPbuffer[] = "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
                              "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
                              "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";

TEST_F(Diagnostics, DebugPrintsTheDecodedEglErrorAfterTheFixedMessage)
{
    const char* debug = std::getenv("VARNOX_DEBUG");
    ASSERT_TRUE(debug && std::strcmp(debug, "1") == 0) << "run with VARNOX_DEBUG=1";

    COffScreen* raw = nullptr;
    EXPECT_EQ(CaptureOutput([&] { raw = COffScreen::NewL(-1, 5); }), kFailedPbufferWithCause);
    std::unique_ptr<COffScreen> target(raw);
    EXPECT_EQ(target->pbuffer, nullptr);

    // Resizing into another impossible size reports the same, cause included;
    // a resize that works prints nothing at all.
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(5, -7); }), kFailedPbufferWithCause);
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(8, 8); }), "");
    EXPECT_NE(target->pbuffer, nullptr);
    EGLint width = 0;
    EXPECT_EQ(eglQuerySurface(target->display, target->hdc, EGL_WIDTH, &width), EGL_TRUE);
    EXPECT_EQ(width, 8);
}

TEST_F(Diagnostics, QuietPrintsTheFixedMessagesAlone)
{
    ASSERT_EQ(std::getenv("VARNOX_DEBUG"), nullptr) << "run without VARNOX_DEBUG";

    COffScreen* raw = nullptr;
    EXPECT_EQ(CaptureOutput([&] { raw = COffScreen::NewL(-1, 5); }), kFailedPbuffer);
    std::unique_ptr<COffScreen> target(raw);
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(5, -7); }), kFailedPbuffer);

    // Only "1" turns the causes on.
    setenv("VARNOX_DEBUG", "0", 1);
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(-3, 2); }), kFailedPbuffer);
    unsetenv("VARNOX_DEBUG");
}

} // namespace
