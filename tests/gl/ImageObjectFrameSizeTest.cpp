// YUV frames whose size or code changes: the image object configures its
// converter again for each and the texture holds the new frame, checked
// against the textbook BT.601 limited-range formula.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gl/GLTest.h"
#include "support/Bt601.h"

namespace {

// An image object whose converter can be seen.
class FrameProbe : public ImageObject {
public:
    FrameProbe()
        : ImageObject(0, 0, 0, 0, imageSize, true)
    {
    }
    using ImageObject::converter;
};

struct Yuv {
    uint8_t y, u, v;
};

// One frame of a single colour; chroma planes sized for the code.
std::vector<uint8_t> SolidFrame(int width, int height, ImageObject::imageFormat code, Yuv c)
{
    const size_t luma = static_cast<size_t>(width) * height;
    const size_t chromaRows = code == ImageObject::YUV420 ? (height + 1) / 2 : height;
    const size_t chroma = static_cast<size_t>((width + 1) / 2) * chromaRows;
    std::vector<uint8_t> frame(luma + 2 * chroma);
    std::fill(frame.begin(), frame.begin() + luma, c.y);
    std::fill(frame.begin() + luma, frame.begin() + luma + chroma, c.u);
    std::fill(frame.begin() + luma + chroma, frame.end(), c.v);
    return frame;
}

// R, G, B of a limited-range BT.601 colour.
std::vector<int> Rgb(Yuv c)
{
    return vxtest::Bt601(c.y, c.u, c.v);
}

// Checks that every texel of the image's rectangle in the texture storage
// has the colour `want` (BGRA storage read back as B, G, R, A).
void ExpectTexture(const Texture& t, int width, int height, const std::vector<int>& want)
{
    std::vector<uint8_t> texels(static_cast<size_t>(t.textureWidth) * t.textureHeight * 4);
    glBindTexture(GL_TEXTURE_2D, t.texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    int wrong = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const uint8_t* p = &texels[(static_cast<size_t>(row) * t.textureWidth + column) * 4];
            if (std::abs(p[2] - want[0]) > 2 || std::abs(p[1] - want[1]) > 2 || std::abs(p[0] - want[2]) > 2)
                ++wrong;
        }
    EXPECT_EQ(wrong, 0) << width << " x " << height;
}

class ImageObjectFrameTest : public vxtest::GLTest { };

TEST_F(ImageObjectFrameTest, FramesOfAnotherSizeOrCodeConfigureTheConverterAgain)
{
    FrameProbe video;
    struct Step {
        int width, height;
        ImageObject::imageFormat code;
        Yuv colour;
    };
    const Step steps[] = {
        { 32, 16, ImageObject::YUV420, { 81, 90, 240 } }, { 16, 32, ImageObject::YUV422, { 145, 54, 34 } },
        { 48, 8, ImageObject::YUV420, { 41, 240, 110 } },
        { 48, 8, ImageObject::YUV420, { 170, 166, 16 } }, // same size: converter kept
    };
    const YUVConverter* first = nullptr;
    for (const Step& s : steps) {
        const std::vector<uint8_t> frame = SolidFrame(s.width, s.height, s.code, s.colour);
        video.Image(s.width, s.height, s.code, frame.data());
        ASSERT_NE(video.converter, nullptr);
        if (!first)
            first = video.converter;
        // One converter for the object's life, configured for each new frame.
        EXPECT_EQ(video.converter, first);
        const Texture& t = *video.getTexture();
        EXPECT_EQ(t.width, s.width);
        EXPECT_EQ(t.height, s.height);
        EXPECT_EQ(t.format, ImageObject::BGRA32);
        ExpectTexture(t, s.width, s.height, Rgb(s.colour));
    }
}

} // namespace
