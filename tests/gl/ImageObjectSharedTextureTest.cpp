// The YUV converter of an image object follows the frames it is given, not
// the size its texture happens to have: the texture is shared with copies
// (and reachable through getTexture), and a frame without pixels uploads
// nothing. Frames lie in guarded memory, so a conversion that reads past the
// caller's frame stops the test; texels are checked against the textbook
// BT.601 limited-range formula.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "gl/GLTest.h"
#include "support/Bt601.h"
#include "support/GuardedBuffer.h"
#include "support/Refusal.h"

namespace {

struct Yuv {
    uint8_t y, u, v;
};

// An I420 frame of one colour, in memory that ends at a guard page.
class GuardedFrame {
public:
    GuardedFrame(int width, int height, Yuv c)
        : luma(static_cast<size_t>(width) * height)
        , chroma(static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2))
        , bytes(luma + 2 * chroma)
    {
        std::fill(bytes.data, bytes.data + luma, c.y);
        std::fill(bytes.data + luma, bytes.data + luma + chroma, c.u);
        std::fill(bytes.data + luma + chroma, bytes.data + luma + 2 * chroma, c.v);
    }
    const void* data() const { return bytes.data; }
    bool FrontUntouched() const { return bytes.FrontUntouched(); }

private:
    size_t luma, chroma;
    vxtest::GuardedBuffer bytes;
};

// R, G, B of a limited-range BT.601 colour.
std::vector<int> Rgb(Yuv c)
{
    return vxtest::Bt601(c.y, c.u, c.v);
}

// How many texels of the image's rectangle in the storage differ from `want`
// by more than 2 in a channel; -1 when the storage is not the size given.
int WrongTexels(const Texture& t, int width, int height, const std::vector<int>& want)
{
    GLint storageWidth = 0, storageHeight = 0;
    glBindTexture(GL_TEXTURE_2D, t.texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &storageWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &storageHeight);
    if (storageWidth < width || storageHeight < height)
        return -1;
    std::vector<uint8_t> texels(static_cast<size_t>(storageWidth) * storageHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    int wrong = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const uint8_t* p = &texels[(static_cast<size_t>(row) * storageWidth + column) * 4];
            if (std::abs(p[2] - want[0]) > 2 || std::abs(p[1] - want[1]) > 2 || std::abs(p[0] - want[2]) > 2)
                ++wrong;
        }
    return wrong;
}

// Pixels of the target, rendered with the object alone in a scene, that
// differ from `want` inside the rectangle (0, 0)–(width, height), top row
// first.
int WrongPixels(ImageObject& image, int width, int height, const std::vector<int>& want)
{
    // Made while the shared context is current, the target shares its
    // objects; once it is gone, the shared context is made current again.
    std::vector<uint8_t> pixels;
    {
        std::unique_ptr<COffScreen> target(COffScreen::NewL(64, 64));
        std::unique_ptr<CScene> scene(CScene::NewL());
        scene->addObject(&image);
        scene->Render(target.get());
        pixels = vxtest::ReadPixels(*target);
    }
    vxtest::ActivateShared();
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &pixels[((63 - y) * 64 + x) * 4];
            if (std::abs(p[2] - want[0]) > 3 || std::abs(p[1] - want[1]) > 3 || std::abs(p[0] - want[2]) > 3)
                ++wrong;
        }
    return wrong;
}

const Yuv kColours[]
    = { { 81, 90, 240 }, { 145, 54, 34 }, { 41, 240, 110 }, { 170, 166, 16 }, { 106, 202, 222 } };

class ImageObjectSharedTextureTest : public vxtest::GLTest { };

TEST_F(ImageObjectSharedTextureTest, OriginalFollowsFramesAfterACopyResizedTheTexture)
{
    std::unique_ptr<ImageObject> original(ImageObject::NewL(ImageObject::imageSize, true));
    original->Image(64, 32, ImageObject::YUV420, GuardedFrame(64, 32, kColours[0]).data());
    std::unique_ptr<ImageObject> copy(ImageObject::NewL(*original));
    Texture& shared = *original->getTexture();
    ASSERT_EQ(copy->getTexture(), &shared);

    // The copy shrinks the shared texture; the original then gives a frame
    // of that size, which counts as no change for the texture. Its converter,
    // still at 64 × 32, must not read that many pixels from a 32 × 16 frame.
    copy->Image(32, 16, ImageObject::YUV420, GuardedFrame(32, 16, kColours[1]).data());
    {
        const GuardedFrame frame(32, 16, kColours[2]);
        original->Image(32, 16, ImageObject::YUV420, frame.data());
        EXPECT_TRUE(frame.FrontUntouched());
    }
    EXPECT_EQ(shared.width, 32);
    EXPECT_EQ(WrongTexels(shared, 32, 16, Rgb(kColours[2])), 0);

    // The copy grows it again; the original's converter, now at 32 × 16,
    // must not hand the texture 64 × 32 pixels from its smaller buffer.
    copy->Image(64, 32, ImageObject::YUV420, GuardedFrame(64, 32, kColours[3]).data());
    original->Image(64, 32, ImageObject::YUV420, GuardedFrame(64, 32, kColours[4]).data());
    EXPECT_EQ(shared.width, 64);
    EXPECT_EQ(WrongTexels(shared, 64, 32, Rgb(kColours[4])), 0);
    EXPECT_EQ(WrongPixels(*original, 64, 32, Rgb(kColours[4])), 0);
    EXPECT_EQ(WrongPixels(*copy, 64, 32, Rgb(kColours[4])), 0);
}

TEST_F(ImageObjectSharedTextureTest, FrameWithoutPixelsChangesNothing)
{
    std::unique_ptr<ImageObject> video(ImageObject::NewL(ImageObject::imageSize, true));
    video->Image(64, 32, ImageObject::YUV420, GuardedFrame(64, 32, kColours[0]).data());
    const Texture& t = *video->getTexture();

    // No pixels, at a smaller and at a larger size: refused, and the next
    // frame of the old size is converted and shown whole at that size.
    int colour = 1;
    for (const int scale : { 4, 1, 2 }) {
        const int w = 64 * scale / 2, h = 32 * scale / 2;
        vxtest::ExpectRefusal(
            vxtest::CaptureOutput([&] { video->Image(w, h, ImageObject::YUV420, nullptr); }), "ImageObject",
            { std::to_string(w) + " x " + std::to_string(h) });
        EXPECT_EQ(t.width, 64);
        EXPECT_EQ(t.height, 32);
        EXPECT_EQ(WrongTexels(t, 64, 32, Rgb(kColours[colour - 1])), 0);

        const GuardedFrame frame(64, 32, kColours[colour]);
        video->Image(64, 32, ImageObject::YUV420, frame.data());
        EXPECT_TRUE(frame.FrontUntouched());
        EXPECT_EQ(WrongTexels(t, 64, 32, Rgb(kColours[colour])), 0) << "after a " << w << " x " << h;
        EXPECT_EQ(WrongPixels(*video, 64, 32, Rgb(kColours[colour])), 0) << "after a " << w << " x " << h;
        ++colour;
    }
}

} // namespace
