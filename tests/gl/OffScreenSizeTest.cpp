// What an off-screen target does with sizes no pixel buffer can have, and how
// many bytes a read-back writes.
#include <EGL/egl.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl/GLTest.h"

namespace {

using vxtest::CaptureOutput;

class OffScreenSizeTest : public vxtest::GLTest { };

const char kSizeMessage[] = "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";

struct Largest {
    int width = 0;
    int height = 0;
};

// The largest target the driver can give, asked of EGL and GL directly: the
// pixel-buffer maxima of the config the target's context was made with, and
// the largest viewport of the context current now.
Largest LargestTarget(const CRenderTarget& target)
{
    EGLint id = 0, count = 0;
    eglQueryContext(target.display, target.hglrc, EGL_CONFIG_ID, &id);
    const EGLint byId[] = { EGL_CONFIG_ID, id, EGL_NONE };
    EGLConfig config = nullptr;
    eglChooseConfig(target.display, byId, &config, 1, &count);
    EGLint width = 0, height = 0;
    eglGetConfigAttrib(target.display, config, EGL_MAX_PBUFFER_WIDTH, &width);
    eglGetConfigAttrib(target.display, config, EGL_MAX_PBUFFER_HEIGHT, &height);
    GLint viewport[2] = { 0, 0 };
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    return { std::min<int>(width, viewport[0]), std::min<int>(height, viewport[1]) };
}

EGLint SurfaceWidth(const CRenderTarget& target)
{
    EGLint width = -1;
    eglQuerySurface(target.display, target.hdc, EGL_WIDTH, &width);
    return width;
}

// CopyBuffer into a buffer of `slack` marked bytes: how many it changed.
size_t BytesWritten(CRenderTarget& target, size_t slack = 256)
{
    std::vector<uint8_t> buffer(slack, 0xAB);
    target.CopyBuffer(buffer.data());
    size_t last = 0;
    for (size_t i = 0; i < buffer.size(); ++i)
        if (buffer[i] != 0xAB)
            last = i + 1;
    return last;
}

TEST_F(OffScreenSizeTest, SizesBeyondTheLargestPixelBufferAreRefused)
{
    const Largest largest = LargestTarget(vxtest::SharedTarget());
    ASSERT_GT(largest.width, 0);
    ASSERT_GT(largest.height, 0);
    const int sizes[][2] = { { INT_MAX, INT_MAX }, { largest.width + 1, 16 }, { 16, largest.height + 1 } };
    for (const auto& size : sizes) {
        COffScreen* target = nullptr;
        EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewL(size[0], size[1]); }), kSizeMessage)
            << size[0] << " x " << size[1];
        // Not kept: nobody can allocate what CopyBuffer would write for it.
        EXPECT_EQ(target->width, 0);
        EXPECT_EQ(target->height, 0);
        EXPECT_EQ(target->pbuffer, nullptr);
        EXPECT_EQ(target->hdc, nullptr);
        EXPECT_EQ(BytesWritten(*target), 0u);
        delete target;
        vxtest::ActivateShared();
    }

    // The largest width itself is a size a pixel buffer can have.
    COffScreen* widest = nullptr;
    EXPECT_EQ(CaptureOutput([&] { widest = COffScreen::NewL(largest.width, 2); }), "");
    EXPECT_EQ(SurfaceWidth(*widest), largest.width);
    delete widest;
}

TEST_F(OffScreenSizeTest, WithDiagnosticsTheRefusedSizeAndTheLimitAreNamed)
{
    const Largest largest = LargestTarget(vxtest::SharedTarget());
    setenv("VARNOX_DEBUG", "1", 1);
    COffScreen* target = nullptr;
    const std::string said = CaptureOutput([&] { target = COffScreen::NewL(INT_MAX, 4); });
    unsetenv("VARNOX_DEBUG");
    EXPECT_EQ(said,
        std::string(kSizeMessage)
            + "  COffScreen: 2147483647 x 4 is larger than the largest pixel buffer and viewport, "
            + std::to_string(largest.width) + " x " + std::to_string(largest.height) + "\n");
    delete target;
}

TEST_F(OffScreenSizeTest, ARefusedResizeChangesNothing)
{
    COffScreen* target = COffScreen::NewL(32, 24);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    void* context = target->hglrc;
    void* surface = target->pbuffer;
    const Largest largest = LargestTarget(*target);

    const int sizes[][2] = { { INT_MAX, INT_MAX }, { INT_MAX, 8 }, { largest.width + 1, largest.height } };
    for (const auto& size : sizes) {
        EXPECT_EQ(CaptureOutput([&] { target->SetSize(size[0], size[1]); }), kSizeMessage);
        EXPECT_EQ(target->width, 32);
        EXPECT_EQ(target->height, 24);
        EXPECT_EQ(target->hglrc, context);
        EXPECT_EQ(target->pbuffer, surface);
        EXPECT_EQ(eglGetCurrentContext(), context);
        EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), surface);
    }
    // The pixels are still the ones drawn before: nothing was rebuilt.
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    ASSERT_EQ(pixels.size(), 32u * 24u * 4u);
    EXPECT_EQ(pixels[2], 255);
    EXPECT_EQ(pixels[pixels.size() - 2], 255);
    EXPECT_EQ(pixels[pixels.size() - 3], 0);

    // Refused while another target is current: that one stays current.
    vxtest::ActivateShared();
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(INT_MAX, INT_MAX); }), kSizeMessage);
    EXPECT_EQ(eglGetCurrentContext(), vxtest::SharedTarget().hglrc);
    delete target;
}

TEST_F(OffScreenSizeTest, AResizeTheDriverRefusesChangesNothing)
{
    COffScreen* target = COffScreen::NewL(16, 8);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    void* context = target->hglrc;
    void* surface = target->pbuffer;
    // EGL refuses a negative side: the design's messages, and the target as
    // it was.
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(-3, 2); }),
        "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
        "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
        "COffScreen::ConstructL wglCreateContext storleksfel, Error\n");
    EXPECT_EQ(target->width, 16);
    EXPECT_EQ(target->height, 8);
    EXPECT_EQ(target->hglrc, context);
    EXPECT_EQ(target->pbuffer, surface);
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), surface);
    EXPECT_EQ(SurfaceWidth(*target), 16);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    ASSERT_EQ(pixels.size(), 16u * 8u * 4u);
    EXPECT_EQ(pixels[2], 255);
    EXPECT_EQ(pixels[pixels.size() - 2], 255);
    delete target;
}

TEST_F(OffScreenSizeTest, EmptyAndNegativeSizesReadNothing)
{
    COffScreen* empty = nullptr;
    EXPECT_EQ(CaptureOutput([&] { empty = COffScreen::NewL(0, 0); }), "");
    ASSERT_NE(empty->pbuffer, nullptr);
    EXPECT_EQ(SurfaceWidth(*empty), 0);
    EXPECT_EQ(BytesWritten(*empty), 0u);
    EXPECT_EQ(CaptureOutput([&] { empty->SetSize(0, 7); }), "");
    EXPECT_EQ(empty->height, 7);
    EXPECT_EQ(BytesWritten(*empty), 0u);
    // From nothing to something: the same context takes a real buffer.
    EXPECT_EQ(CaptureOutput([&] { empty->SetSize(2, 2); }), "");
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(BytesWritten(*empty), 16u);
    delete empty;

    vxtest::ActivateShared();
    // Two negative sides make a positive product; still nothing is read.
    COffScreen* negative = nullptr;
    CaptureOutput([&] { negative = COffScreen::NewL(-4, -4); });
    EXPECT_EQ(negative->pbuffer, nullptr);
    EXPECT_EQ(BytesWritten(*negative), 0u);
    delete negative;
}

TEST_F(OffScreenSizeTest, CopyBufferWritesWidthTimesHeightTimesFourWhateverThePackState)
{
    COffScreen* target = COffScreen::NewL(3, 2);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // Rows of 7 pixels, 8-byte aligned, starting two rows and one pixel in:
    // what a client may leave set for its own read-backs.
    glPixelStorei(GL_PACK_ROW_LENGTH, 7);
    glPixelStorei(GL_PACK_SKIP_ROWS, 2);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);

    std::vector<uint8_t> buffer(3 * 2 * 4 + 256, 0xAB);
    target->CopyBuffer(buffer.data());
    for (size_t i = 0; i < 24; i += 4) {
        EXPECT_EQ(buffer[i], 0) << "pixel " << i / 4;
        EXPECT_EQ(buffer[i + 1], 0) << "pixel " << i / 4;
        EXPECT_EQ(buffer[i + 2], 255) << "pixel " << i / 4;
        EXPECT_EQ(buffer[i + 3], 255) << "pixel " << i / 4;
    }
    EXPECT_TRUE(std::all_of(buffer.begin() + 24, buffer.end(), [](uint8_t b) { return b == 0xAB; }));

    // The client's settings are its own again afterwards.
    GLint state[4] = { 0, 0, 0, 0 };
    glGetIntegerv(GL_PACK_ROW_LENGTH, &state[0]);
    glGetIntegerv(GL_PACK_SKIP_ROWS, &state[1]);
    glGetIntegerv(GL_PACK_SKIP_PIXELS, &state[2]);
    glGetIntegerv(GL_PACK_ALIGNMENT, &state[3]);
    EXPECT_EQ(state[0], 7);
    EXPECT_EQ(state[1], 2);
    EXPECT_EQ(state[2], 1);
    EXPECT_EQ(state[3], 8);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    delete target;
}

} // namespace
