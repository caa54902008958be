// Runs where EGL has no driver to offer: no display of any kind opens.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/OutputCapture.h"

namespace {

TEST(NoDisplay, OffScreenTargetReportsEveryStepAndStaysHarmless)
{
    COffScreen* target = nullptr;
    EXPECT_EQ(vxtest::CaptureOutput([&] { target = COffScreen::NewL(32, 32); }),
        "kxOffScreen wglGetCurrentDC failed, Error\n"
        "COffScreen::ConstructL wglChoosePixelFormatARB failed, Error\n"
        "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
        "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
        "COffScreen::ConstructL wglCreateContext failed, Error\n"
        "COffScreen::ConstructL wglCreateContext storleksfel, Error\n");
    EXPECT_EQ(target->display, nullptr);
    EXPECT_EQ(target->hglrc, nullptr);
    EXPECT_EQ(target->hdc, nullptr);
    EXPECT_EQ(target->width, 32);
    EXPECT_EQ(kxgl::glGenBuffers, nullptr);

    target->Activate();
    std::vector<unsigned char> pixels(32 * 32 * 4, 0x77);
    target->CopyBuffer(pixels.data());
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](unsigned char b) { return b == 0x77; }));

    // Resizing reports the same failures, all but the first.
    EXPECT_EQ(vxtest::CaptureOutput([&] { target->SetSize(64, 48); }),
        "COffScreen::ConstructL wglChoosePixelFormatARB failed, Error\n"
        "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
        "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
        "COffScreen::ConstructL wglCreateContext failed, Error\n"
        "COffScreen::ConstructL wglCreateContext storleksfel, Error\n");
    EXPECT_EQ(target->width, 64);
    EXPECT_EQ(target->height, 48);
    delete target;
}

} // namespace
