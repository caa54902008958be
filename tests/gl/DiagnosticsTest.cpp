// Failure causes on a real headless display. The process runs twice: once
// with VARNOX_DEBUG=1 (the Debug tests) and once without it (the Quiet ones).
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/ContextProbe.h"
#include "support/Environment.h"
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

const char kFailedPbuffer[] = "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
                              "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
                              "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";

#if defined(_WIN32)
// Under Wine a pixel buffer with a side of 0 or less is an X error that ends
// the process, so the library refuses such sizes itself and says so.
const std::regex kFailedPbufferWithCause(
    "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
    "  wglCreatePbufferARB: a -?[0-9]+ x -?[0-9]+ pixel buffer is refused: its sides must be positive\n"
    "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
    "COffScreen::ConstructL wglCreateContext storleksfel, Error\n");
#else
// EGL requires EGL_BAD_PARAMETER for a negative pbuffer width, so the cause
// is known without asking the driver.
const char kFailedPbufferWithCause[] = "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
                                       "  eglCreatePbufferSurface: EGL_BAD_PARAMETER\n"
                                       "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
                                       "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";
#endif

::testing::AssertionResult FailedWithCause(const std::string& output)
{
#if defined(_WIN32)
    const bool matches = std::regex_match(output, kFailedPbufferWithCause);
#else
    const bool matches = output == kFailedPbufferWithCause;
#endif
    if (matches)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "printed:\n" << output;
}

TEST_F(Diagnostics, DebugPrintsTheDecodedEglErrorAfterTheFixedMessage)
{
    const char* debug = std::getenv("VARNOX_DEBUG");
    ASSERT_TRUE(debug && std::strcmp(debug, "1") == 0) << "run with VARNOX_DEBUG=1";

    COffScreen* raw = nullptr;
    EXPECT_TRUE(FailedWithCause(CaptureOutput([&] { raw = COffScreen::NewL(-1, 5); })));
    std::unique_ptr<COffScreen> target(raw);
    EXPECT_EQ(target->pbuffer, nullptr);

    // Resizing into another impossible size reports the same, cause included;
    // a resize that works prints nothing at all.
    EXPECT_TRUE(FailedWithCause(CaptureOutput([&] { target->SetSize(5, -7); })));
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(8, 8); }), "");
    EXPECT_NE(target->pbuffer, nullptr);
    EXPECT_EQ(vxtest::PbufferWidth(target->display, target->pbuffer), 8);
}

TEST_F(Diagnostics, QuietPrintsTheFixedMessagesAlone)
{
    ASSERT_EQ(std::getenv("VARNOX_DEBUG"), nullptr) << "run without VARNOX_DEBUG";

    COffScreen* raw = nullptr;
    EXPECT_EQ(CaptureOutput([&] { raw = COffScreen::NewL(-1, 5); }), kFailedPbuffer);
    std::unique_ptr<COffScreen> target(raw);
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(5, -7); }), kFailedPbuffer);

    // Only "1" turns the causes on.
    vxtest::SetEnvironment("VARNOX_DEBUG", "0");
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(-3, 2); }), kFailedPbuffer);
    vxtest::UnsetEnvironment("VARNOX_DEBUG");
}

} // namespace
