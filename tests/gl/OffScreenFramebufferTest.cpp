// Off-screen targets that render into a framebuffer object: sizes beyond the
// largest pixel buffer drawn and read back pixel for pixel, resizing,
// refusals, and the release of their renderbuffers, all checked with GL's
// own queries.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gl/GLTest.h"
#include "support/ContextProbe.h"

namespace {

using vxtest::CaptureOutput;

class OffScreenFramebufferTest : public vxtest::GLTest { };

// GL's own limit in the current context: the largest renderbuffer and the
// largest viewport.
std::pair<int, int> LargestInGL()
{
    GLint renderbuffer = 0;
    GLint viewport[2] = { 0, 0 };
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    return { std::min(renderbuffer, viewport[0]), std::min(renderbuffer, viewport[1]) };
}

std::string TooLarge(int width, int height)
{
    const auto [maxWidth, maxHeight] = LargestInGL();
    return "COffScreen: " + std::to_string(width) + " x " + std::to_string(height)
        + " is larger than the largest framebuffer, " + std::to_string(maxWidth) + " x "
        + std::to_string(maxHeight) + "\n";
}

// The framebuffer bound in the current context, its renderbuffers and the
// colour one's size.
struct Bound {
    GLint framebuffer = 0;
    GLint colour = 0;
    GLint depth = 0;
    GLint width = 0;
    GLint height = 0;
    bool operator==(const Bound& o) const
    {
        return framebuffer == o.framebuffer && colour == o.colour && depth == o.depth && width == o.width
            && height == o.height;
    }
};

Bound BoundFramebuffer()
{
    Bound b;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &b.framebuffer);
    if (!b.framebuffer)
        return b;
    const GLenum name = GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, name, &b.colour);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, name, &b.depth);
    GLint previous = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &previous);
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(b.colour));
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &b.width);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &b.height);
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(previous));
    return b;
}

// RGBA, top row first; neighbouring pixels differ in every colour channel, so
// a pixel read from a shifted or scaled place shows.
std::vector<uint8_t> Picture(int width, int height)
{
    std::vector<uint8_t> rgba;
    rgba.reserve(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            rgba.push_back(static_cast<uint8_t>(x * 7 + y));
            rgba.push_back(static_cast<uint8_t>(y * 5 + x / 256));
            rgba.push_back(static_cast<uint8_t>((x + y) % 2 ? 220 : 30));
            rgba.push_back(255);
        }
    return rgba;
}

// How many pixels of what CopyBuffer reads (BGRA, bottom row first) differ
// from `rgba` (top row first); the first one found is described in `first`.
long Mismatches(CRenderTarget& target, const std::vector<uint8_t>& rgba, std::string& first)
{
    const int width = target.width, height = target.height;
    const std::vector<uint8_t> bgra = vxtest::ReadPixels(target);
    long wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* want = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            const uint8_t* got = &bgra[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
            if (got[2] == want[0] && got[1] == want[1] && got[0] == want[2])
                continue;
            if (!wrong++)
                first = std::to_string(x) + "," + std::to_string(y);
        }
    return wrong;
}

size_t BytesWritten(CRenderTarget& target)
{
    std::vector<uint8_t> buffer(64, 0xAB);
    target.CopyBuffer(buffer.data());
    size_t last = 0;
    for (size_t i = 0; i < buffer.size(); ++i)
        if (buffer[i] != 0xAB)
            last = i + 1;
    return last;
}

// The pixels of the target that are not opaque `bgra`.
long NotOfColour(CRenderTarget& target, std::vector<uint8_t> bgra)
{
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(target);
    long other = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        other += !std::equal(bgra.begin(), bgra.end(), pixels.begin() + static_cast<long>(i));
    return other;
}

TEST_F(OffScreenFramebufferTest, RendersPicturesBeyondTheLargestPixelBufferPixelForPixel)
{
    const auto [maxWidth, maxHeight] = LargestInGL();
    ASSERT_GE(maxWidth, 5000) << "this GL takes no framebuffer of the sizes tried";
    ASSERT_GE(maxHeight, 5000);
    int largest[2] = { 0, 0 };
    COffScreen::LargestFramebuffer(&largest[0], &largest[1]);
    EXPECT_EQ(largest[0], maxWidth);
    EXPECT_EQ(largest[1], maxHeight);
    COffScreen::LargestFramebuffer(nullptr, nullptr);

    // Wider, then taller, than the largest pixel buffer: the first made
    // headless, the second beside the shared context, whose picture it draws.
    const int sizes[][2] = { { 5000, 300 }, { 300, 5000 } };
    for (int i = 0; i < 2; ++i) {
        const int width = sizes[i][0], height = sizes[i][1];
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const std::vector<uint8_t> rgba = Picture(width, height);
        CScene* scene = CScene::NewL();
        ImageObject* image = nullptr;
        if (i == 1) {
            image = ImageObject::NewL(ImageObject::imageSize, false);
            image->Image(width, height, ImageObject::RGBA32, rgba.data());
        } else {
            vxtest::ReleaseCurrent();
        }
        COffScreen* target = nullptr;
        EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewFramebufferL(width, height); }), "");
        ASSERT_EQ(target->width, width);
        ASSERT_EQ(target->height, height);
        EXPECT_EQ(vxtest::CurrentContext(), target->hglrc);
        // The context's own drawable is the smallest pixel buffer.
        EXPECT_EQ(vxtest::PbufferWidth(target->display, target->pbuffer), 1);
        const Bound bound = BoundFramebuffer();
        EXPECT_NE(bound.framebuffer, 0);
        EXPECT_EQ(bound.width, width);
        EXPECT_EQ(bound.height, height);
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint> { 0, 0, width, height }));

        if (!image) {
            image = ImageObject::NewL(ImageObject::imageSize, false);
            image->Image(width, height, ImageObject::RGBA32, rgba.data());
        }
        scene->addObject(image);
        scene->Render(target);
        std::string first;
        EXPECT_EQ(Mismatches(*target, rgba, first), 0) << "first at " << first;

        // Drawn over in another context, and the default framebuffer bound
        // by a client in the target's: activating the target reaches its
        // picture again.
        vxtest::ActivateShared();
        glClear(GL_COLOR_BUFFER_BIT);
        target->Activate();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        target->Activate();
        EXPECT_EQ(BoundFramebuffer(), bound);
        EXPECT_EQ(Mismatches(*target, rgba, first), 0) << "first at " << first;

        // Nodes go while a context of their share group is current.
        delete image;
        delete scene;
        delete target;
        vxtest::ActivateShared();
    }
}

TEST_F(OffScreenFramebufferTest, ResizesRefusesAndReleasesItsRenderbuffers)
{
    COffScreen* target = COffScreen::NewFramebufferL(64, 32);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const Bound before = BoundFramebuffer();
    const auto [maxWidth, maxHeight] = LargestInGL();

    const std::pair<std::pair<int, int>, std::string> refusals[] = {
        { { INT_MAX, 8 }, TooLarge(INT_MAX, 8) },
        { { maxWidth + 1, 32 }, TooLarge(maxWidth + 1, 32) },
        { { 64, maxHeight + 1 }, TooLarge(64, maxHeight + 1) },
        { { 0, 5 }, "COffScreen: 0 x 5 is no framebuffer size: each side must be 1 or more\n" },
        { { -3, 2 }, "COffScreen: -3 x 2 is no framebuffer size: each side must be 1 or more\n" },
    };
    for (const auto& refusal : refusals) {
        const auto size = refusal.first;
        EXPECT_EQ(CaptureOutput([&] { target->SetSize(size.first, size.second); }), refusal.second);
        EXPECT_EQ(target->width, 64);
        EXPECT_EQ(target->height, 32);
        EXPECT_EQ(vxtest::CurrentContext(), target->hglrc);
        EXPECT_EQ(BoundFramebuffer(), before);
    }
    // What was drawn before is still there.
    EXPECT_EQ(NotOfColour(*target, { 0, 0, 255, 255 }), 0);
    // Refused while another target is current: that one stays current.
    vxtest::ActivateShared();
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(INT_MAX, INT_MAX); }), TooLarge(INT_MAX, INT_MAX));
    EXPECT_EQ(vxtest::CurrentContext(), vxtest::SharedTarget().hglrc);

    // Resized while another target is current: that one is current again
    // afterwards; the target has new renderbuffers of the new size and the
    // old framebuffer and renderbuffers are gone.
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(5000, 300); }), "");
    EXPECT_EQ(vxtest::CurrentContext(), vxtest::SharedTarget().hglrc);
    EXPECT_EQ(target->width, 5000);
    EXPECT_EQ(target->height, 300);
    target->Activate();
    const Bound after = BoundFramebuffer();
    EXPECT_EQ(after.width, 5000);
    EXPECT_EQ(after.height, 300);
    EXPECT_FALSE(glIsFramebuffer(static_cast<GLuint>(before.framebuffer)));
    EXPECT_FALSE(glIsRenderbuffer(static_cast<GLuint>(before.colour)));
    EXPECT_FALSE(glIsRenderbuffer(static_cast<GLuint>(before.depth)));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 5000);
    EXPECT_EQ(viewport[3], 300);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(NotOfColour(*target, { 255, 0, 0, 255 }), 0);
    // The same size again changes nothing.
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(5000, 300); }), "");
    EXPECT_EQ(BoundFramebuffer(), after);

    // The renderbuffers live in the share group, so the shared context sees
    // them until the target is deleted, and not after.
    vxtest::ActivateShared();
    EXPECT_TRUE(glIsRenderbuffer(static_cast<GLuint>(after.colour)));
    EXPECT_TRUE(glIsRenderbuffer(static_cast<GLuint>(after.depth)));
    delete target;
    EXPECT_EQ(vxtest::CurrentContext(), vxtest::SharedTarget().hglrc);
    EXPECT_FALSE(glIsRenderbuffer(static_cast<GLuint>(after.colour)));
    EXPECT_FALSE(glIsRenderbuffer(static_cast<GLuint>(after.depth)));
}

TEST_F(OffScreenFramebufferTest, ARefusedTargetIsEmptyUntilASizeItTakes)
{
    COffScreen* target = nullptr;
    EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewFramebufferL(0, 0); }),
        "COffScreen: 0 x 0 is no framebuffer size: each side must be 1 or more\n");
    delete target;
    vxtest::ActivateShared();

    EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewFramebufferL(INT_MAX, 4); }), TooLarge(INT_MAX, 4));
    EXPECT_EQ(target->width, 0);
    EXPECT_EQ(target->height, 0);
    // Its context is made, current and initialised; nothing is read back.
    ASSERT_NE(target->hglrc, nullptr);
    EXPECT_EQ(vxtest::CurrentContext(), target->hglrc);
    EXPECT_EQ(BoundFramebuffer().framebuffer, 0);
    EXPECT_EQ(BytesWritten(*target), 0u);

    // A size it takes gives it a framebuffer, and whatever was current stays.
    vxtest::ActivateShared();
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(300, 5000); }), "");
    EXPECT_EQ(vxtest::CurrentContext(), vxtest::SharedTarget().hglrc);
    target->Activate();
    EXPECT_EQ(BoundFramebuffer().height, 5000);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(NotOfColour(*target, { 0, 255, 0, 255 }), 0);
    delete target;
}

} // namespace
