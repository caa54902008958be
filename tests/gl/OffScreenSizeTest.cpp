// What an off-screen target does with sizes no pixel buffer can have, and how
// many bytes a read-back writes.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl/GLTest.h"
#include "support/ContextProbe.h"
#include "support/Environment.h"

namespace {

using vxtest::CaptureOutput;

class OffScreenSizeTest : public vxtest::GLTest { };

const std::string kSizeMessage = "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";
const std::string kRefusedBuffer = "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
                                   "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n"
    + kSizeMessage;

// The largest target (its context current), asked of the context API and GL
// directly: the pixel-buffer maxima of the config the target's context was
// made with, where the API states them, and the largest viewport.
std::pair<int, int> LargestTarget(const CRenderTarget& target)
{
    int width = 0, height = 0;
    vxtest::PbufferLimits(target.display, target.hglrc, &width, &height);
    GLint viewport[2] = { 0, 0 };
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    return { width > 0 ? std::min<int>(width, viewport[0]) : viewport[0],
        height > 0 ? std::min<int>(height, viewport[1]) : viewport[1] };
}

// How many bytes CopyBuffer changed in a marked buffer of 256.
size_t BytesWritten(CRenderTarget& target)
{
    std::vector<uint8_t> buffer(256, 0xAB);
    target.CopyBuffer(buffer.data());
    size_t last = 0;
    for (size_t i = 0; i < buffer.size(); ++i)
        if (buffer[i] != 0xAB)
            last = i + 1;
    return last;
}

TEST_F(OffScreenSizeTest, SizesBeyondTheLargestPixelBufferAreRefusedAndNotKept)
{
    const auto [maxWidth, maxHeight] = LargestTarget(vxtest::SharedTarget());
    ASSERT_GT(maxWidth, 0);
    const int sizes[][2] = { { INT_MAX, INT_MAX }, { maxWidth + 1, 16 }, { 16, maxHeight + 1 } };
    for (const auto& size : sizes) {
        COffScreen* target = nullptr;
        EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewL(size[0], size[1]); }), kSizeMessage);
        // Nobody could allocate what CopyBuffer would write for it.
        EXPECT_EQ(target->width, 0);
        EXPECT_EQ(target->height, 0);
        EXPECT_EQ(target->pbuffer, nullptr);
        EXPECT_EQ(BytesWritten(*target), 0u);
        delete target;
        vxtest::ActivateShared();
    }
    // With diagnostics on, the cause names the size and the limit.
    vxtest::SetEnvironment("VARNOX_DEBUG", "1");
    COffScreen* target = nullptr;
    const std::string said = CaptureOutput([&] { target = COffScreen::NewL(INT_MAX, 4); });
    vxtest::UnsetEnvironment("VARNOX_DEBUG");
    EXPECT_EQ(said,
        kSizeMessage + "  COffScreen: 2147483647 x 4 is larger than the largest pixel buffer and viewport, "
            + std::to_string(maxWidth) + " x " + std::to_string(maxHeight) + "\n");
    delete target;
    // The largest width itself is a size a pixel buffer can have.
    EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewL(maxWidth, 2); }), "");
    EXPECT_EQ(vxtest::PbufferWidth(target->display, target->pbuffer), maxWidth);
    delete target;
}

TEST_F(OffScreenSizeTest, AResizeBeyondTheLimitsOrRefusedByTheDriverChangesNothing)
{
    COffScreen* target = COffScreen::NewL(32, 24);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    void* context = target->hglrc;
    void* buffer = target->pbuffer;
    void* surface = target->hdc;
    const int maxWidth = LargestTarget(*target).first;

    // The context API refuses a negative side with the design's messages.
    const std::pair<std::pair<int, int>, std::string> refusals[]
        = { { { INT_MAX, INT_MAX }, kSizeMessage }, { { INT_MAX, 8 }, kSizeMessage },
              { { maxWidth + 1, 24 }, kSizeMessage }, { { -3, 2 }, kRefusedBuffer } };
    for (const auto& [size, message] : refusals) {
        EXPECT_EQ(CaptureOutput([&] { target->SetSize(size.first, size.second); }), message);
        EXPECT_EQ(target->width, 32);
        EXPECT_EQ(target->height, 24);
        EXPECT_EQ(target->hglrc, context);
        EXPECT_EQ(target->pbuffer, buffer);
        EXPECT_EQ(vxtest::CurrentDrawSurface(), surface);
    }
    // The pixels drawn before are still there: nothing was rebuilt.
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    EXPECT_EQ(pixels[2], 255);
    EXPECT_EQ(pixels[pixels.size() - 2], 255);

    // Refused while another target is current: that one stays current.
    vxtest::ActivateShared();
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(INT_MAX, INT_MAX); }), kSizeMessage);
    EXPECT_EQ(vxtest::CurrentContext(), vxtest::SharedTarget().hglrc);
    delete target;
}

TEST_F(OffScreenSizeTest, EmptyAndNegativeSizesReadNothing)
{
    COffScreen* target = nullptr;
#if defined(_WIN32)
    // WGL makes no pixel buffer with a side of 0 (under Wine such a request
    // is an X error that ends the process), so the target has its context
    // and no buffer, and a resize to another empty size is refused.
    const std::string noBuffer = "COffScreen::ConstructL wglCreatePbufferARB failed, Error\n"
                                 "COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n";
    EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewL(0, 0); }), noBuffer);
    EXPECT_EQ(target->pbuffer, nullptr);
    ASSERT_NE(target->hglrc, nullptr);
    EXPECT_EQ(BytesWritten(*target), 0u);
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(0, 7); }), kRefusedBuffer);
#else
    EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewL(0, 0); }), "");
    ASSERT_NE(target->pbuffer, nullptr);
    EXPECT_EQ(BytesWritten(*target), 0u);
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(0, 7); }), "");
#endif
    EXPECT_EQ(BytesWritten(*target), 0u);
    // From nothing to something: the same context takes a real buffer.
    target->SetSize(2, 2);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(BytesWritten(*target), 16u);
    delete target;

    // Two negative sides make a positive product; still nothing is read.
    vxtest::ActivateShared();
    CaptureOutput([&] { target = COffScreen::NewL(-4, -4); });
    EXPECT_EQ(target->pbuffer, nullptr);
    EXPECT_EQ(BytesWritten(*target), 0u);
    delete target;
}

TEST_F(OffScreenSizeTest, CopyBufferWritesWidthTimesHeightTimesFourWhateverThePackState)
{
    COffScreen* target = COffScreen::NewL(3, 2);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // Rows of 7 pixels, 8-byte aligned, two rows and one pixel in: what a
    // client may leave set for reads of its own.
    const GLenum names[] = { GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS, GL_PACK_ALIGNMENT };
    const GLint clients[] = { 7, 2, 1, 8 };
    for (int i = 0; i < 4; ++i)
        glPixelStorei(names[i], clients[i]);

    EXPECT_EQ(BytesWritten(*target), 24u);
    std::vector<uint8_t> pixels(24);
    target->CopyBuffer(pixels.data());
    for (size_t i = 0; i < 24; i += 4)
        EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + i, pixels.begin() + i + 4),
            (std::vector<uint8_t> { 0, 0, 255, 255 }))
            << "pixel " << i / 4;
    // A null buffer is refused; with a pixel-pack buffer bound it is an
    // offset into that buffer, which takes the pixels.
    EXPECT_EQ(CaptureOutput([&] { target->CopyBuffer(nullptr); }),
        "CRenderTarget: CopyBuffer refused a null buffer\n");
    GLuint pack = 0;
    glGenBuffers(1, &pack);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, pack);
    glBufferData(GL_PIXEL_PACK_BUFFER, 24, nullptr, GL_STREAM_READ);
    EXPECT_EQ(CaptureOutput([&] { target->CopyBuffer(nullptr); }), "");
    std::vector<uint8_t> packed(24);
    glGetBufferSubData(GL_PIXEL_PACK_BUFFER, 0, 24, packed.data());
    EXPECT_EQ(packed, pixels);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glDeleteBuffers(1, &pack);
    // The client's settings are its own again afterwards.
    for (int i = 0; i < 4; ++i) {
        GLint value = -1;
        glGetIntegerv(names[i], &value);
        EXPECT_EQ(value, clients[i]);
        glPixelStorei(names[i], i == 3 ? 4 : 0);
    }
    delete target;
}

} // namespace
