// Bad sizes, strides and rectangles given to textures and image objects:
// each is refused before any GL call, with one line naming it, and GL keeps
// what it held (storage size read with glGetTexLevelParameteriv, texels with
// glGetTexImage). Frames that must not be read lie in guarded memory.
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gl/GLTest.h"
#include "support/GuardedBuffer.h"
#include "support/Refusal.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::ExpectRefusal;

// Bytes that differ by position and by `seed`.
std::vector<uint8_t> Pattern(size_t size, int seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 13 + seed * 57 + 1) & 0xff);
    return bytes;
}

struct Held {
    GLint width, height;
    std::vector<uint8_t> texels; // RGBA, packed rows
};

// What GL holds for the texture: its level-0 size and texels.
Held HeldBy(const Texture& t)
{
    Held h {};
    glBindTexture(GL_TEXTURE_2D, t.texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &h.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h.height);
    h.texels.resize(static_cast<size_t>(h.width) * h.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, h.texels.data());
    return h;
}

// The texture's fields and what GL holds are those of an 8 × 4 RGBA32 image
// of `pixels` (BGRA32 for a streaming texture, given as RGBA here).
void ExpectEightByFour(const Texture& t, int code, const std::vector<uint8_t>& rgba, const std::string& after)
{
    SCOPED_TRACE(after);
    EXPECT_EQ(t.width, 8);
    EXPECT_EQ(t.height, 4);
    EXPECT_EQ(t.textureWidth, 8);
    EXPECT_EQ(t.textureHeight, 4);
    EXPECT_EQ(t.format, code);
    const Held h = HeldBy(t);
    EXPECT_EQ(h.width, 8);
    EXPECT_EQ(h.height, 4);
    EXPECT_EQ(h.texels, rgba);
}

// RGBA bytes as BGRA (and back).
std::vector<uint8_t> Swapped(std::vector<uint8_t> p)
{
    for (size_t i = 0; i + 3 < p.size(); i += 4)
        std::swap(p[i], p[i + 2]);
    return p;
}

GLint TextureLimit()
{
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    return limit;
}

class ImageInputTest : public vxtest::GLTest { };

TEST_F(ImageInputTest, StrideShorterThanARowIsRefused)
{
    const std::vector<uint8_t> first = Pattern(8 * 4 * 4, 1), second = Pattern(8 * 4 * 4, 2);
    std::unique_ptr<ImageObject> still(ImageObject::NewL(ImageObject::imageSize, false));
    std::unique_ptr<ImageObject> stream(ImageObject::NewL(ImageObject::imageSize, true));
    struct Kind {
        Texture* texture;
        const char* name;
        int code;
    };
    for (const Kind& k : { Kind { still->getTexture(), "TextureStatic", ImageObject::RGBA32 },
             Kind { stream->getTexture(), "TextureStream", ImageObject::BGRA32 } }) {
        const std::vector<uint8_t> held = k.code == ImageObject::BGRA32 ? Swapped(first) : first;
        k.texture->setImage(8, 4, 0, k.code, first.data());
        // 31 and 4 bytes: rows of 7 and of 1 whole pixel, shorter than 8.
        for (int stride : { 31, 4 }) {
            ExpectRefusal(CaptureOutput([&] { k.texture->setImage(8, 4, stride, k.code, second.data()); }),
                k.name, { "stride " + std::to_string(stride) });
            ExpectEightByFour(
                *k.texture, k.code, held, k.name + std::string(" stride ") + std::to_string(stride));
        }
        // A row exactly as long is taken.
        EXPECT_EQ(CaptureOutput([&] { k.texture->setImage(8, 4, 32, k.code, second.data()); }), "");
        ExpectEightByFour(
            *k.texture, k.code, k.code == ImageObject::BGRA32 ? Swapped(second) : second, k.name);
    }

    // Through the image object: refused, and the stride is spent by the call.
    still->Image(8, 4, ImageObject::RGBA32, first.data());
    still->SetStride(16);
    ExpectRefusal(CaptureOutput([&] { still->Image(8, 4, ImageObject::RGBA32, second.data()); }),
        "ImageObject", { "stride 16" });
    ExpectEightByFour(*still->getTexture(), ImageObject::RGBA32, first, "ImageObject stride 16");
    EXPECT_EQ(CaptureOutput([&] { still->Image(8, 4, ImageObject::RGBA32, second.data()); }), "");
    ExpectEightByFour(*still->getTexture(), ImageObject::RGBA32, second, "packed after the refusal");
}

TEST_F(ImageInputTest, SizesAboveTheTextureLimitAreRefusedBeforeAnyGLCall)
{
    const GLint limit = TextureLimit();
    ASSERT_GE(limit, 64);
    const std::vector<uint8_t> pixels = Pattern(8 * 4 * 4, 3);
    kxReference<Texture> held;
    held = new TextureStatic();
    Texture& t = *held.get();
    t.setImage(8, 4, 0, ImageObject::RGBA32, pixels.data());

    // This Mesa ends the process inside glTexImage2D for a size of 2^25 or
    // more; beyond the limit GL refuses the storage that the fields would
    // then claim.
    struct Case {
        int width, height, stride;
        std::string named;
    };
    const Case cases[] = {
        { 2 * limit, 1, 0, std::to_string(2 * limit) + " x 1" },
        { 1, limit + 1, 0, "1 x " + std::to_string(limit + 1) },
        { 1 << 25, 1, 0, std::to_string(1 << 25) },
        { 1, 1 << 25, 0, std::to_string(1 << 25) },
        { INT_MAX, 1, 0, std::to_string(INT_MAX) },
        { 8, 4, INT_MAX, "stride " + std::to_string(INT_MAX) },
        { 8, 4, 8 * limit, "stride " + std::to_string(8 * limit) },
    };
    for (const Case& c : cases) {
        ExpectRefusal(
            CaptureOutput([&] { t.setImage(c.width, c.height, c.stride, ImageObject::RGBA32, nullptr); }),
            "TextureStatic", { c.named });
        ExpectEightByFour(t, ImageObject::RGBA32, pixels, c.named);
    }
    // The limit itself is taken, and GL holds that storage.
    EXPECT_EQ(CaptureOutput([&] { t.setImage(limit, 1, 0, ImageObject::RGBA32, nullptr); }), "");
    EXPECT_EQ(t.textureWidth, limit);
    EXPECT_EQ(HeldBy(t).width, limit);

    // The image object: a huge stride, a huge size, and a YUV frame too
    // large to convert, which must not be read at all.
    std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::imageSize, false));
    image->Image(8, 4, ImageObject::RGBA32, pixels.data());
    image->SetStride(INT_MAX);
    ExpectRefusal(CaptureOutput([&] { image->Image(8, 4, ImageObject::RGBA32, pixels.data()); }),
        "ImageObject", { "stride " + std::to_string(INT_MAX) });
    ExpectRefusal(CaptureOutput([&] { image->Image(1 << 25, 1, ImageObject::RGBA32, nullptr); }),
        "ImageObject", { std::to_string(1 << 25) });
    vxtest::GuardedBuffer frame(64);
    ExpectRefusal(CaptureOutput([&] { image->Image(2 * limit, 2, ImageObject::YUV420, frame.data); }),
        "ImageObject", { std::to_string(2 * limit) + " x 2" });
    ExpectEightByFour(*image->getTexture(), ImageObject::RGBA32, pixels, "image object");
}

TEST_F(ImageInputTest, NegativeAndOverflowingSizesAreRefusedAndZeroSizesAreEmptyImages)
{
    std::unique_ptr<ImageObject> video(ImageObject::NewL(ImageObject::imageSize, true));
    const std::vector<uint8_t> bgra = Pattern(8 * 4 * 4, 4);
    video->Image(8, 4, ImageObject::BGRA32, bgra.data());
    Texture& t = *video->getTexture();
    const std::vector<uint8_t> rgba = Swapped(bgra);

    // A small frame in guarded memory: none of these may read it.
    vxtest::GuardedBuffer frame(8 * 4 * 3 / 2);
    struct Case {
        int width, height;
        ImageObject::imageFormat code;
        std::string named;
    };
    const Case cases[] = {
        // width × height × 4 overflows an int.
        { 46341, 46341, ImageObject::YUV420, "46341 x 46341" },
        // width × 4 overflows an int.
        { INT_MAX / 2 + 1, 2, ImageObject::YUV422, std::to_string(INT_MAX / 2 + 1) },
        { -8, 4, ImageObject::YUV420, "-8 x 4" },
        { 8, -4, ImageObject::YUV422, "8 x -4" },
        { -8, 4, ImageObject::BGRA32, "-8 x 4" },
        { 8, INT_MIN, ImageObject::BGRA32, std::to_string(INT_MIN) },
        // Codes that upload nothing: the size would still become the quad's.
        { -8, 4, static_cast<ImageObject::imageFormat>(3), "-8 x 4" },
        { 8, -4, static_cast<ImageObject::imageFormat>(0x20000), "8 x -4" },
    };
    for (const Case& c : cases) {
        ExpectRefusal(CaptureOutput([&] { video->Image(c.width, c.height, c.code, frame.data); }),
            "ImageObject", { c.named });
        ExpectEightByFour(t, ImageObject::BGRA32, rgba, c.named);
    }
    ExpectRefusal(CaptureOutput([&] { t.setImage(-1, 4, 0, ImageObject::BGRA32, frame.data); }),
        "TextureStream", { "-1 x 4" });
    ExpectRefusal(CaptureOutput([&] { t.setImage(8, 4, -32, ImageObject::BGRA32, frame.data); }),
        "TextureStream", { "stride -32" });
    ExpectRefusal(CaptureOutput([&] { video->SetStride(-4); }), "ImageObject", { "stride -4" });
    ExpectEightByFour(t, ImageObject::BGRA32, rgba, "negative strides");
    EXPECT_EQ(CaptureOutput([&] { video->Image(8, 4, ImageObject::BGRA32, bgra.data()); }), "");
    EXPECT_TRUE(frame.FrontUntouched());

    // Zero sizes are empty images: the smallest storage, nothing read.
    vxtest::GuardedBuffer nothing(1);
    for (const ImageObject::imageFormat code : { ImageObject::BGRA32, ImageObject::YUV420 }) {
        EXPECT_EQ(CaptureOutput([&] { video->Image(0, 0, code, nothing.data + 1); }), "");
        EXPECT_EQ(t.width, 0);
        EXPECT_EQ(t.height, 0);
        EXPECT_EQ(t.textureWidth, 1);
        EXPECT_EQ(HeldBy(t).width, 1);
    }
}

TEST_F(ImageInputTest, RectanglesOutsideTheStorageAreRefused)
{
    const std::vector<uint8_t> pixels = Pattern(8 * 4 * 4, 5);
    const std::vector<uint8_t> patch = Pattern(64 * 4, 6);
    std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::imageSize, false));
    image->Image(8, 4, ImageObject::RGBA32, pixels.data());
    Texture& t = *image->getTexture();

    struct Case {
        int x, y, width, height;
    };
    const Case cases[] = { { -1, 0, 2, 2 }, { 0, -1, 2, 2 }, { 0, 0, -2, 2 }, { 0, 0, 2, -2 }, { 7, 0, 2, 1 },
        { 0, 3, 1, 2 }, { INT_MAX, 0, 1, 1 }, { 1, 1, INT_MAX, 1 }, { 0, 0, 9, 4 } };
    for (const Case& c : cases) {
        const std::string named = "(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ") of "
            + std::to_string(c.width) + " x " + std::to_string(c.height);
        ExpectRefusal(CaptureOutput([&] {
            t.setSubImage(c.x, c.y, c.width, c.height, ImageObject::RGBA32, patch.data());
        }),
            "TextureStatic", { named });
        ExpectRefusal(CaptureOutput([&] {
            image->SubImage(c.x, c.y, c.width, c.height, ImageObject::RGBA32, patch.data());
        }),
            "ImageObject", { named });
        ExpectEightByFour(t, ImageObject::RGBA32, pixels, named);
    }
    ExpectRefusal(CaptureOutput([&] { t.setSubImage(0, 0, 1, 1, ImageObject::RGBA32, nullptr); }),
        "TextureStatic", { "null pixels" });
    ExpectRefusal(CaptureOutput([&] { image->SubImage(0, 0, 1, 1, ImageObject::RGBA32, nullptr); }),
        "ImageObject", { "null pixels" });
    ExpectEightByFour(t, ImageObject::RGBA32, pixels, "null pixels");

    // The bottom-right 2 × 2 corner is inside, and is written.
    EXPECT_EQ(CaptureOutput([&] { image->SubImage(6, 2, 2, 2, ImageObject::RGBA32, patch.data()); }), "");
    std::vector<uint8_t> expected = pixels;
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 8; ++i)
            expected[((2 + row) * 8 + 6) * 4 + i] = patch[row * 8 + i];
    ExpectEightByFour(t, ImageObject::RGBA32, expected, "inside");
}

// An image object whose texture-coordinate buffer can be read.
class MappingProbe : public ImageObject {
public:
    MappingProbe()
        : ImageObject(0, 0, 8, 8, fixedSize, false)
    {
    }
    std::vector<float> Mapping() { return vxtest::BufferValues<float>(GL_ARRAY_BUFFER, texCoordBuffer); }
};

TEST_F(ImageInputTest, MappingWithoutStorageAndAnObjectWithoutTextureAreRefused)
{
    MappingProbe image;
    // Texel positions are divided by the storage size, still 0 × 0.
    ExpectRefusal(CaptureOutput([&] { image.ImageMapping(0, 0, 8, 8); }), "ImageObject", { "(0, 0)-(8, 8)" });
    for (float v : image.Mapping())
        EXPECT_EQ(v, 0.0f);

    const std::vector<uint8_t> pixels = Pattern(8 * 8 * 4, 7);
    image.Image(8, 8, ImageObject::RGBA32, pixels.data());
    EXPECT_EQ(image.Mapping(), (std::vector<float> { 0, 0, 1, 0, 0, 1, 1, 1 }));

    // The caller took the texture away: nothing to upload into or map.
    image.addTexture(nullptr, 0);
    ExpectRefusal(CaptureOutput([&] { image.Image(8, 8, ImageObject::RGBA32, pixels.data()); }),
        "ImageObject", { "no texture" });
    ExpectRefusal(CaptureOutput([&] { image.ImageMapping(0, 0, 4, 4); }), "ImageObject", { "(0, 0)-(4, 4)" });
    EXPECT_EQ(CaptureOutput([&] { image.SubImage(0, 0, 1, 1, ImageObject::RGBA32, pixels.data()); }), "");
    EXPECT_EQ(image.Mapping(), (std::vector<float> { 0, 0, 1, 0, 0, 1, 1, 1 }));
    std::unique_ptr<CScene> scene(CScene::NewL());
    scene->addObject(&image);
    scene->Render(&vxtest::SharedTarget());
}

} // namespace
