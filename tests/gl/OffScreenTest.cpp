#include <cstdlib>

#include "gl/GLTest.h"
#include "support/ContextProbe.h"
#include "support/Textures.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::Lines;

// Off-screen targets: pixel buffers, their contexts and what they share.
class OffScreenTest : public vxtest::GLTest { };

bool IsCurrent(const CRenderTarget& target)
{
    return target.hglrc && vxtest::CurrentContext() == target.hglrc;
}

// Every pixel within one step of the given BGRA colour.
::testing::AssertionResult AllPixelsAre(const std::vector<uint8_t>& pixels, int b, int g, int r, int a)
{
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const int got[4] = { pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3] };
        const int want[4] = { b, g, r, a };
        for (int c = 0; c < 4; ++c)
            if (std::abs(got[c] - want[c]) > 1)
                return ::testing::AssertionFailure() << "pixel " << i / 4 << " is " << got[0] << "," << got[1]
                                                     << "," << got[2] << "," << got[3];
    }
    return ::testing::AssertionSuccess();
}

TEST_F(OffScreenTest, MadeWithNothingCurrentRendersHeadlessAndResizes)
{
    vxtest::ReleaseCurrent();
    COffScreen* target = nullptr;
    const std::string output = CaptureOutput([&] { target = COffScreen::NewL(256, 256); });
    // The headless path fills the entry-point table itself. The process's
    // first headless target (the shared one) printed the needed-extension
    // report; this one fills the table without it.
    EXPECT_EQ(output, "");
    ASSERT_TRUE(IsCurrent(*target));
    EXPECT_NE(kxgl::glGenBuffers, nullptr);
    EXPECT_EQ(target->width, 256);
    EXPECT_EQ(vxtest::CurrentDrawSurface(), target->hdc);
#if !defined(_WIN32)
    // An EGL pbuffer is its own surface; under WGL hdc is the pixel buffer's
    // device context, a handle of its own.
    EXPECT_EQ(target->hdc, target->pbuffer);
#endif

    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    EXPECT_EQ(pixels.size(), 262144u);
    EXPECT_TRUE(AllPixelsAre(pixels, 191, 128, 64, 255));

    target->SetSize(300, 200);
    ASSERT_TRUE(IsCurrent(*target));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 300);
    EXPECT_EQ(viewport[3], 200);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    pixels = vxtest::ReadPixels(*target);
    EXPECT_EQ(pixels.size(), 240000u);
    EXPECT_TRUE(AllPixelsAre(pixels, 255, 0, 255, 255));
    EXPECT_EQ(vxtest::PbufferWidth(target->display, target->pbuffer), 300);

    // The current size again: nothing is rebuilt and nothing is printed.
    void* context = target->hglrc;
    void* surface = target->pbuffer;
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(300, 200); }), "");
    EXPECT_EQ(target->hglrc, context);
    EXPECT_EQ(target->pbuffer, surface);
    EXPECT_TRUE(IsCurrent(*target));
    delete target;
}

TEST_F(OffScreenTest, TargetMadeWhileAnotherIsCurrentSharesItsObjects)
{
    COffScreen* first = COffScreen::NewL(32, 32);
    const GLuint texture = vxtest::MakeTexture();
    COffScreen* second = COffScreen::NewL(16, 16);
    ASSERT_TRUE(IsCurrent(*second));
    EXPECT_EQ(second->display, first->display);
    EXPECT_TRUE(glIsTexture(texture));
    glDeleteTextures(1, &texture);
    delete second;
    delete first;
}

TEST_F(OffScreenTest, ResizingWhileAnotherTargetIsCurrentLeavesThatOneCurrent)
{
    COffScreen* target = COffScreen::NewL(32, 32);
    vxtest::ActivateShared();
    const GLuint texture = vxtest::MakeTexture();
    void* oldContext = target->hglrc;

    EXPECT_EQ(CaptureOutput([&] { target->SetSize(48, 40); }), "");
    EXPECT_TRUE(IsCurrent(vxtest::SharedTarget()));
    EXPECT_NE(target->hglrc, nullptr);
    EXPECT_EQ(target->width, 48);
    // The context stays, with the objects it shares with the current one.
    EXPECT_EQ(target->hglrc, oldContext);
    target->Activate();
    EXPECT_TRUE(glIsTexture(texture));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 48);
    EXPECT_EQ(viewport[3], 40);
    glDeleteTextures(1, &texture);
    delete target;
}

TEST_F(OffScreenTest, ResizingTheCurrentTargetKeepsItCurrentAndSharing)
{
    // a shares with the shared context; b shares with a; then a goes.
    COffScreen* a = COffScreen::NewL(16, 16);
    const GLuint texture = vxtest::MakeTexture();
    COffScreen* b = COffScreen::NewL(16, 16);
    delete a;
    b->Activate();
    ASSERT_TRUE(glIsTexture(texture));

    void* oldContext = b->hglrc;
    void* oldSurface = b->hdc;
    b->SetSize(20, 24);
    ASSERT_TRUE(IsCurrent(*b));
    EXPECT_NE(vxtest::CurrentDrawSurface(), oldSurface);
    EXPECT_EQ(vxtest::CurrentDrawSurface(), b->hdc);
    EXPECT_EQ(b->hglrc, oldContext);
    // Its share partner is gone, but the group lives on in the shared context.
    EXPECT_TRUE(glIsTexture(texture));
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*b);
    EXPECT_EQ(pixels.size(), 20u * 24u * 4u);
    EXPECT_TRUE(AllPixelsAre(pixels, 0, 255, 0, 255));
    glDeleteTextures(1, &texture);
    delete b;
}

TEST_F(OffScreenTest, DestroyingReleasesSurfaceAndContext)
{
    COffScreen* target = COffScreen::NewL(16, 16);
    void* display = target->display;
    void* context = target->hglrc;
    void* surface = target->pbuffer;
    ASSERT_TRUE(vxtest::ContextAlive(display, context));
    ASSERT_EQ(vxtest::PbufferWidth(display, surface), 16);
    delete target; // it was current
    EXPECT_EQ(vxtest::CurrentContext(), nullptr);
    EXPECT_TRUE(vxtest::ContextGone(display, context));
    EXPECT_TRUE(vxtest::PbufferGone(display, surface));
}

TEST_F(OffScreenTest, DestroyingAnotherTargetLeavesTheCurrentOneBound)
{
    COffScreen* target = COffScreen::NewL(16, 16);
    vxtest::ActivateShared();
    delete target;
    EXPECT_TRUE(IsCurrent(vxtest::SharedTarget()));
}

TEST_F(OffScreenTest, FailedPixelBufferReportsEachLaterStep)
{
    COffScreen* target = nullptr;
    const std::string output = CaptureOutput([&] { target = COffScreen::NewL(-1, 5); });
    EXPECT_EQ(output,
        "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
        "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
        "COffScreen::ConstructL wglCreateContext storleksfel, Error\n");
    EXPECT_EQ(target->pbuffer, nullptr);
    EXPECT_EQ(target->width, -1);
    delete target;
}

} // namespace
