// Off-screen targets as WGL pixel buffers (under Wine in
// scripts/test-windows): the buffers the format gives, binding the pixel
// buffer as a texture, and sizes the driver cannot make.
#include <windows.h>

#include <GL/gl.h>
#include <GL/wglext.h>

#include <memory>
#include <string>
#include <vector>

#include "gl/GLTest.h"

namespace {

using vxtest::CaptureOutput;

class PbufferTest : public vxtest::GLTest { };

template <class F> F Entry(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

TEST_F(PbufferTest, FormatHasTheWindowsBuffersAndKeepsAlphaExactly)
{
    std::unique_ptr<COffScreen> target(COffScreen::NewL(40, 30));
    ASSERT_NE(target->hglrc, nullptr);
    GLint alpha = 0, depth = 0, stencil = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_EQ(alpha, 8);
    EXPECT_EQ(depth, 24);
    EXPECT_EQ(stencil, 8);

    // Alpha as drawn, not 255: the format has alpha bits of its own.
    glDisable(GL_BLEND);
    glClearColor(0.0f, 0.0f, 1.0f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    ASSERT_EQ(pixels.size(), 40u * 30u * 4u);
    EXPECT_EQ(pixels[0], 255); // blue
    EXPECT_EQ(pixels[1], 0);
    EXPECT_EQ(pixels[2], 0);
    EXPECT_EQ(pixels[3], 128); // alpha
    // The depth test has a buffer to test against: a far red quad drawn
    // after a near green one leaves the green one (glOrtho's near plane is
    // -100, so z = 50 lies nearer than z = -50).
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    const struct {
        float z, r, g;
    } quads[] = { { 50.0f, 0.0f, 1.0f }, { -50.0f, 1.0f, 0.0f } };
    for (const auto& q : quads) {
        glColor4f(q.r, q.g, 0.0f, 1.0f);
        glBegin(GL_QUADS);
        glVertex3f(-20.0f, -15.0f, q.z);
        glVertex3f(20.0f, -15.0f, q.z);
        glVertex3f(20.0f, 15.0f, q.z);
        glVertex3f(-20.0f, 15.0f, q.z);
        glEnd();
    }
    const std::vector<uint8_t> depthTested = vxtest::ReadPixels(*target);
    const uint8_t* centre = &depthTested[(15 * 40 + 20) * 4];
    EXPECT_EQ(centre[1], 255);
    EXPECT_EQ(centre[2], 0);
}

TEST_F(PbufferTest, PixelBufferBindsAsAnRgbaTextureOfTheSharedContext)
{
    auto bind = Entry<PFNWGLBINDTEXIMAGEARBPROC>("wglBindTexImageARB");
    auto release = Entry<PFNWGLRELEASETEXIMAGEARBPROC>("wglReleaseTexImageARB");
    ASSERT_NE(bind, nullptr);
    ASSERT_NE(release, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(kxgl::wglBindTexImageARB), reinterpret_cast<void*>(bind));

    std::unique_ptr<COffScreen> target(COffScreen::NewL(16, 8));
    ASSERT_NE(target->hglrc, nullptr);
    glDisable(GL_BLEND);
    glClearColor(1.0f, 0.0f, 0.0f, 0.25f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);

    // In the context it shares objects with, the pixel buffer's back buffer
    // becomes a texture's image, texel for pixel.
    vxtest::ActivateShared();
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    ASSERT_TRUE(bind(static_cast<HPBUFFERARB>(target->pbuffer), WGL_BACK_LEFT_ARB));
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 8);
    EXPECT_EQ(vxtest::TextureContents(texture), std::vector<unsigned char>(pixels.begin(), pixels.end()));
    EXPECT_TRUE(release(static_cast<HPBUFFERARB>(target->pbuffer), WGL_BACK_LEFT_ARB));
    glDeleteTextures(1, &texture);
}

TEST_F(PbufferTest, SizesTheDriverCannotMakeAreRefusedAndTheProcessGoesOn)
{
    // A side of 0 goes to WGL, which refuses it; a size beyond the largest
    // pixel buffer or viewport is refused before WGL sees it, and the target
    // is 0 x 0. Either way the target keeps a context, made without a
    // surface, and no pixel buffer.
    const std::string size = "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";
    const std::string failed = "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
                               "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
        + size;
    // Wine states no pixel-buffer maxima, so the viewport's are the limit.
    GLint largest[2] = { 0, 0 };
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    ASSERT_LT(largest[0], 30000);
    const int sizes[][2] = { { 0, 8 }, { 8, 0 }, { 100000, 8 }, { 8, 100000 }, { 30000, 30000 } };
    for (const auto& asked : sizes) {
        const bool beyond = asked[0] > largest[0] || asked[1] > largest[1];
        COffScreen* raw = nullptr;
        EXPECT_EQ(CaptureOutput([&] { raw = COffScreen::NewL(asked[0], asked[1]); }), beyond ? size : failed)
            << asked[0] << " x " << asked[1];
        std::unique_ptr<COffScreen> target(raw);
        EXPECT_EQ(target->pbuffer, nullptr);
        EXPECT_NE(target->hglrc, nullptr);
        EXPECT_EQ(target->width, beyond ? 0 : asked[0]);
        EXPECT_EQ(target->height, beyond ? 0 : asked[1]);
        // A size that can be made makes it.
        EXPECT_EQ(CaptureOutput([&] { target->SetSize(24, 12); }), "");
        EXPECT_NE(target->pbuffer, nullptr);
        EXPECT_EQ(vxtest::ReadPixels(*target).size(), 24u * 12u * 4u);
        vxtest::ActivateShared();
    }
}

} // namespace
