#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "gl/GLTest.h"
#include "gl/SceneProbes.h"
#include "support/Bt601.h"

namespace {

using vxtest::BufferContents;

// Image objects: textured quads sized, placed and streamed.
class ImageObjectTest : public vxtest::GLTest { };

std::vector<float> Floats(GLuint buffer)
{
    return vxtest::BufferValues<float>(GL_ARRAY_BUFFER, buffer);
}

// An image object whose buffers and fields can be read.
class ImageProbe : public ImageObject {
public:
    ImageProbe(int x1, int y1, int x2, int y2, sizing mode, bool stream = false)
        : ImageObject(x1, y1, x2, y2, mode, stream)
    {
    }
    ImageProbe(const ImageProbe& source)
        : ImageObject(source)
    {
    }
    using ImageObject::converter;
    using ImageObject::format;
    using ImageObject::mapped;
    using ImageObject::stride;
    using ImageObject::texCoordBuffer;
    using ImageObject::vertexBuffer;

    /// x1, y1, x2, y2 as the four corners give them (checked to form a quad).
    std::vector<float> Corners()
    {
        const std::vector<float> p = Floats(vertexBuffer);
        EXPECT_EQ(p.size(), 12u);
        // P0 (x1, y1), P1 (x2, y1), P2 (x1, y2), P3 (x2, y2), z 0.
        EXPECT_TRUE(p[1] == p[4] && p[6] == p[0] && p[9] == p[3] && p[10] == p[7]);
        EXPECT_TRUE(p[2] == 0 && p[5] == 0 && p[8] == 0 && p[11] == 0);
        return { p[0], p[1], p[9], p[10] };
    }
    std::vector<float> Mapping()
    {
        const std::vector<float> t = Floats(texCoordBuffer);
        EXPECT_TRUE(t[1] == t[3] && t[4] == t[0] && t[6] == t[2] && t[7] == t[5]);
        return { t[0], t[1], t[6], t[7] };
    }
    Texture* Tex() { return getTexture(); }
};

std::vector<uint8_t> Solid(int width, int height, int bytesPerPixel, uint8_t value)
{
    return std::vector<uint8_t>(static_cast<size_t>(width) * height * bytesPerPixel, value);
}

TEST_F(ImageObjectTest, ImageSizeQuadFollowsChangedImagesOnly)
{
    ImageProbe image(0, 0, 0, 0, ImageObject::imageSize);
    EXPECT_EQ(image.Corners(), (std::vector<float> { 0, 0, 0, 0 }));
    EXPECT_EQ(image.Mapping(), (std::vector<float> { 0, 0, 0, 0 }));
    EXPECT_FALSE(image.mapped);

    const std::vector<uint8_t> rgb = Solid(640, 480, 3, 200);
    image.Image(320, 240, ImageObject::RGB24, rgb.data());
    EXPECT_EQ(image.Corners(), (std::vector<float> { 0, 0, 320, 240 }));
    EXPECT_EQ(image.Tex()->textureWidth, 512);
    EXPECT_EQ(image.Tex()->textureHeight, 256);
    EXPECT_EQ(image.Mapping(), (std::vector<float> { 0, 0, 0.625f, 0.9375f }));
    EXPECT_TRUE(image.mapped);
    EXPECT_EQ(image.format, ImageObject::RGB24);

    // The same size and format: pixels only; a custom mapping survives.
    image.ImageMapping(0, 0, 160, 120);
    image.Size(5, 5, 50, 50);
    image.Image(320, 240, ImageObject::RGB24, rgb.data());
    EXPECT_EQ(image.Mapping(), (std::vector<float> { 0, 0, 0.3125f, 0.46875f }));
    EXPECT_EQ(image.Corners(), (std::vector<float> { 5, 5, 50, 50 }));

    // A new size resets both.
    image.Image(640, 480, ImageObject::RGB24, rgb.data());
    EXPECT_EQ(image.Corners(), (std::vector<float> { 0, 0, 640, 480 }));
    EXPECT_EQ(image.Mapping(), (std::vector<float> { 0, 0, 0.625f, 0.9375f }));
    // So does a new format of the same size, even one the texture refuses.
    image.ImageMapping(1, 1, 2, 2);
    image.Image(640, 480, static_cast<ImageObject::imageFormat>(3), rgb.data());
    EXPECT_EQ(image.format, 3);
    EXPECT_EQ(image.Mapping(), (std::vector<float> { 0, 0, 0.625f, 0.9375f }));
}

TEST_F(ImageObjectTest, FixedQuadsMoveOnlyThroughSize)
{
    ImageProbe fixed(10, 20, 110, 70, ImageObject::fixedSize);
    EXPECT_EQ(fixed.Corners(), (std::vector<float> { 10, 20, 110, 70 }));
    const std::vector<uint8_t> rgb = Solid(64, 64, 3, 9);
    fixed.Image(64, 64, ImageObject::RGB24, rgb.data());
    EXPECT_EQ(fixed.Corners(), (std::vector<float> { 10, 20, 110, 70 }));

    ImageProbe unsized(0, 0, 0, 0, ImageObject::fixedSize);
    unsized.Image(64, 64, ImageObject::RGB24, rgb.data());
    EXPECT_EQ(unsized.Corners(), (std::vector<float> { 0, 0, 0, 0 }));
    unsized.Size(1, 2, 3, 4);
    EXPECT_EQ(unsized.Corners(), (std::vector<float> { 1, 2, 3, 4 }));
}

TEST_F(ImageObjectTest, FactoriesMakeStaticOrStreamingTextures)
{
    std::unique_ptr<ImageObject> still(ImageObject::NewL(ImageObject::imageSize, false));
    std::unique_ptr<ImageObject> stream(ImageObject::NewL(1, 2, 3, 4, true));
    const std::vector<uint8_t> rgb = Solid(4, 4, 3, 100);
    still->Image(4, 4, ImageObject::RGB24, rgb.data());
    stream->Image(4, 4, ImageObject::RGB24, rgb.data()); // a streaming texture takes no RGB24
    EXPECT_EQ(still->getTexture()->width, 4);
    EXPECT_EQ(stream->getTexture()->width, 0);
    EXPECT_EQ(stream->getTexture()->texture, 0u);
    const std::vector<uint8_t> bgra = Solid(4, 4, 4, 100);
    stream->Image(4, 4, ImageObject::BGRA32, bgra.data());
    EXPECT_EQ(stream->getTexture()->width, 4);
    EXPECT_NE(stream->getTexture()->texture, 0u);
}

TEST_F(ImageObjectTest, TransformSettersTakeWholeNumbers)
{
    std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::fixedSize, false));
    image->SetScale(50, 200);
    image->SetRotation(90);
    image->SetPosition(3, -4, 5);
    EXPECT_EQ(image->getScale().x, 0.5f);
    EXPECT_EQ(image->getScale().y, 2.0f);
    EXPECT_EQ(image->getScale().z, 1.0f);
    EXPECT_EQ(image->getRotation().x, 90.0f);
    EXPECT_EQ(image->getRotation().w, 1.0f);
    EXPECT_EQ(image->getTranslation().y, -4.0f);
    // 33 % is 33 × 0.01f formed in double, then rounded.
    image->SetScale(33, 1);
    EXPECT_EQ(image->getScale().x, static_cast<float>(33 * static_cast<double>(0.01f)));
}

TEST_F(ImageObjectTest, StrideAppliesToTheNextImageOnly)
{
    ImageProbe image(0, 0, 0, 0, ImageObject::imageSize);
    // 500 × 400 BGRA pixels in rows of 2,048 bytes: pixel (x, y) holds x + y.
    std::vector<uint8_t> padded(2048 * 400, 0);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 500; ++x)
            padded[static_cast<size_t>(y) * 2048 + x * 4] = static_cast<uint8_t>(x + y);
    image.SetStride(2048);
    image.Image(500, 400, ImageObject::BGRA32, padded.data());
    EXPECT_EQ(image.stride, 0);
    glBindTexture(GL_TEXTURE_2D, image.Tex()->texture);
    std::vector<uint8_t> texels(512 * 512 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[(1 * 512 + 0) * 4], 1); // (0, 1)
    EXPECT_EQ(texels[(7 * 512 + 300) * 4], 51); // (300, 7): 307 mod 256
    // The next image is read as packed rows again.
    std::vector<uint8_t> packed(500 * 400 * 4, 0);
    for (size_t i = 0; i < packed.size(); i += 4)
        packed[i] = static_cast<uint8_t>(i / 4 / 500);
    image.Image(500, 400, ImageObject::BGRA32, packed.data());
    glBindTexture(GL_TEXTURE_2D, image.Tex()->texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[(3 * 512 + 499) * 4], 3);
}

TEST_F(ImageObjectTest, FitToTargetCentresTheImageAtEveryDraw)
{
    COffScreen* target = COffScreen::NewL(500, 500);
    CScene* scene = CScene::NewL();
    ImageProbe image(0, 0, 0, 0, ImageObject::fitToTarget);
    scene->addObject(&image);
    scene->Render(target); // no image yet: nothing to fit
    EXPECT_EQ(image.Corners(), (std::vector<float> { 0, 0, 0, 0 }));

    image.Image(512, 256, ImageObject::BGRA32, nullptr);
    scene->Render(target);
    EXPECT_EQ(image.Corners(), (std::vector<float> { 0, 125, 500, 375 }));
    image.Image(256, 512, ImageObject::BGRA32, nullptr);
    scene->Render(target);
    EXPECT_EQ(image.Corners(), (std::vector<float> { 125, 0, 375, 500 }));

    // A quarter turn on a target 400 wide and 300 high: the scene is 300 × 400.
    target->SetSize(400, 300);
    image.Image(512, 256, ImageObject::BGRA32, nullptr);
    scene->SceneRotation(90);
    scene->Render(target);
    EXPECT_EQ(image.Corners(), (std::vector<float> { 0, 125, 300, 275 }));
    scene->SceneRotation(0);
    scene->Render(target);
    EXPECT_EQ(image.Corners(), (std::vector<float> { 0, 50, 400, 250 }));
    delete scene;
    delete target;
}

TEST_F(ImageObjectTest, CopySharesTheTextureAndHasBuffersOfItsOwn)
{
    COffScreen* target = COffScreen::NewL(16, 16);
    ImageProbe source(0, 0, 16, 16, ImageObject::fixedSize);
    source.SetStride(0);
    const std::vector<uint8_t> red = { 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255 };
    source.Image(2, 2, ImageObject::BGRA32, red.data());
    std::unique_ptr<ImageObject> copy(ImageObject::NewL(source));
    EXPECT_EQ(copy->getTexture(), source.Tex());
    EXPECT_EQ(source.Tex()->count, 2);
    EXPECT_EQ(copy->getShader(), nullptr);

    CScene* scene = CScene::NewL();
    scene->addObject(copy.get());
    scene->Render(target);
    EXPECT_EQ(vxtest::ReadPixels(*target)[2], 255); // red
    // An image given to the source shows in the copy.
    const std::vector<uint8_t> blue = { 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255 };
    source.Image(2, 2, ImageObject::BGRA32, blue.data());
    scene->Render(target);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[2], 0);
    delete scene;
    delete target;
}

TEST_F(ImageObjectTest, ImageAppearsUprightAtItsPlace)
{
    COffScreen* target = COffScreen::NewL(32, 32);
    std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::imageSize, false));
    // 8 × 4 RGB: the first row in memory red, the others blue.
    std::vector<uint8_t> rgb(8 * 4 * 3, 0);
    for (int x = 0; x < 8; ++x) {
        rgb[x * 3] = 255;
        for (int y = 1; y < 4; ++y)
            rgb[(y * 8 + x) * 3 + 2] = 255;
    }
    image->Image(8, 4, ImageObject::RGB24, rgb.data());
    image->SetPosition(10, 5, 0);
    CScene* scene = CScene::NewL();
    scene->addObject(image.get());
    scene->Render(target);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    auto at = [&](int x, int y) { return &pixels[((31 - y) * 32 + x) * 4]; }; // y down from the top
    EXPECT_EQ(at(10, 5)[2], 255);
    EXPECT_EQ(at(10, 5)[0], 0);
    EXPECT_EQ(at(17, 6)[0], 255);
    EXPECT_EQ(at(17, 8)[0], 255);
    EXPECT_EQ(at(18, 5)[2], 0); // right of the image
    EXPECT_EQ(at(10, 9)[0], 0); // below it
    delete scene;
    delete target;
}

// An image as large as the scene, at (0, 0), fills the target pixel for
// pixel, under every scene rotation, whatever the parity of the target's
// sides, one-pixel sides included. Under a rotation of d degrees the picture
// is the image turned d degrees counter-clockwise (the even sizes show the
// convention; they were always drawn so).
TEST_F(ImageObjectTest, ImagesFillTargetsOfEverySizePixelForPixel)
{
    const int sizes[][2] = { { 1, 1 }, { 5, 1 }, { 1, 5 }, { 7, 3 }, { 31, 21 }, { 32, 20 } };
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        COffScreen* target = COffScreen::NewL(w, h);
        ASSERT_NE(target, nullptr);
        for (int degrees : { 0, 90, 180, 270 }) {
            SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", " + std::to_string(degrees));
            // The scene's own size: the target's, sides swapped when turned.
            const bool turned = degrees % 180 != 0;
            const int iw = turned ? h : w, ih = turned ? w : h;
            // Each pixel its own colour: column and row in red and green.
            std::vector<uint8_t> rgba(static_cast<size_t>(iw) * ih * 4, 255);
            for (int y = 0; y < ih; ++y)
                for (int x = 0; x < iw; ++x) {
                    rgba[(y * iw + x) * 4] = static_cast<uint8_t>(x * 7);
                    rgba[(y * iw + x) * 4 + 1] = static_cast<uint8_t>(y * 11);
                    rgba[(y * iw + x) * 4 + 2] = static_cast<uint8_t>((x + y) % 2 * 200);
                }
            std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::imageSize, false));
            image->Image(iw, ih, ImageObject::RGBA32, rgba.data());
            CScene* scene = CScene::NewL();
            scene->SceneRotation(degrees);
            scene->addObject(image.get());
            scene->Render(target);
            const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
            int worst = 0;
            for (int y = 0; y < ih; ++y)
                for (int x = 0; x < iw; ++x) {
                    // Where the image's (x, y) lands, from the top-left.
                    int col = x, row = y;
                    if (degrees == 90) {
                        col = y;
                        row = h - 1 - x;
                    } else if (degrees == 180) {
                        col = w - 1 - x;
                        row = h - 1 - y;
                    } else if (degrees == 270) {
                        col = w - 1 - y;
                        row = x;
                    }
                    const uint8_t* bgra = &pixels[(static_cast<size_t>(h - 1 - row) * w + col) * 4];
                    const uint8_t* want = &rgba[(y * iw + x) * 4];
                    for (int c = 0; c < 3; ++c)
                        worst = std::max(worst, std::abs(bgra[2 - c] - want[c]));
                }
            EXPECT_LE(worst, 2);
            delete scene;
        }
        delete target;
    }
}

GLint MinFilter(const ImageObject& image)
{
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, const_cast<ImageObject&>(image).getTexture()->texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    return filter;
}

// An image drawn 8 times smaller: each pixel shows the mean of the 8 × 8
// texels it covers (a box filter computed here), not a few of them picked
// out; the image's last column and row are not darkened by the storage
// beyond the image; a new image gets new levels; frames that stream do
// without.
TEST_F(ImageObjectTest, ImagesDrawnSmallerShowTheMeanOfWhatEachPixelCovers)
{
    const int w = 600, h = 400, scale = 8;
    COffScreen* target = COffScreen::NewL(w / scale, h / scale);
    std::vector<uint8_t> noise(static_cast<size_t>(w) * h * 3);
    unsigned int seed = 12345;
    for (uint8_t& value : noise) {
        seed = seed * 1103515245u + 12345u;
        value = static_cast<uint8_t>(seed >> 24);
    }
    std::unique_ptr<ImageObject> image(ImageObject::NewL(0, 0, w / scale, h / scale, false));
    image->Image(w, h, ImageObject::RGB24, noise.data());
    CScene* scene = CScene::NewL();
    scene->addObject(image.get());
    scene->Render(target);
    std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    int off = 0, worst = 0;
    for (int y = 0; y < h / scale; ++y)
        for (int x = 0; x < w / scale; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int v = 0; v < scale; ++v)
                    for (int u = 0; u < scale; ++u)
                        sum += noise[((y * scale + v) * w + x * scale + u) * 3 + c];
                const int mean = (sum + scale * scale / 2) / (scale * scale);
                const int shown = pixels[((h / scale - 1 - y) * (w / scale) + x) * 4 + 2 - c];
                off += std::abs(shown - mean) > 2;
                worst = std::max(worst, std::abs(shown - mean));
            }
    // Each level is rounded as GL makes it: a level or two of difference.
    EXPECT_LE(off, w / scale * h / scale * 3 / 1000) << "worst " << worst;
    EXPECT_LE(worst, 4);
    EXPECT_EQ(MinFilter(*image), GL_LINEAR_MIPMAP_LINEAR);

    // One solid colour, a size that is no power of two, drawn about 8 times
    // smaller: every pixel that colour, the last column and row included.
    for (const uint8_t red : { 200, 60 }) {
        std::vector<uint8_t> solid(static_cast<size_t>(601) * 403 * 3);
        for (size_t i = 0; i < solid.size(); i += 3) {
            solid[i] = red;
            solid[i + 1] = 100;
            solid[i + 2] = 50;
        }
        image->Image(601, 403, ImageObject::RGB24, solid.data());
        scene->Render(target);
        pixels = vxtest::ReadPixels(*target);
        worst = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            worst = std::max({ worst, std::abs(pixels[i + 2] - red), std::abs(pixels[i + 1] - 100),
                std::abs(pixels[i] - 50) });
        EXPECT_LE(worst, 1) << "red " << int(red);
    }

    // Drawn at its size, an image samples itself alone.
    std::unique_ptr<ImageObject> full(ImageObject::NewL(ImageObject::imageSize, false));
    full->Image(w / scale, h / scale, ImageObject::RGB24, noise.data());
    scene->removeObject(image.get());
    scene->addObject(full.get());
    scene->Render(target);
    EXPECT_EQ(MinFilter(*full), GL_LINEAR);
    scene->removeObject(full.get());

    // A streaming image: no levels, however small it is drawn.
    std::unique_ptr<ImageObject> stream(ImageObject::NewL(0, 0, w / scale, h / scale, true));
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4, 128);
    stream->Image(w, h, ImageObject::BGRA32, bgra.data());
    scene->addObject(stream.get());
    scene->Render(target);
    EXPECT_EQ(MinFilter(*stream), GL_LINEAR);
    delete scene;
    delete target;
}

// A planar I420 frame of four solid quadrants, given as (Y, U, V) each.
std::vector<uint8_t> QuadrantFrame(int w, int h, const uint8_t yuv[4][3])
{
    std::vector<uint8_t> frame(static_cast<size_t>(w) * h * 3 / 2);
    uint8_t* y = frame.data();
    uint8_t* u = y + w * h;
    uint8_t* v = u + (w / 2) * (h / 2);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const int q = (row >= h / 2) * 2 + (col >= w / 2);
            y[row * w + col] = yuv[q][0];
            if (row % 2 == 0 && col % 2 == 0) {
                u[(row / 2) * (w / 2) + col / 2] = yuv[q][1];
                v[(row / 2) * (w / 2) + col / 2] = yuv[q][2];
            }
        }
    return frame;
}

TEST_F(ImageObjectTest, YuvFramesStreamIntoAFittedQuad)
{
    COffScreen* target = COffScreen::NewL(320, 240);
    std::unique_ptr<ImageObject> video(ImageObject::NewL(ImageObject::fitToTarget, true));
    CScene* scene = CScene::NewL();
    scene->addObject(video.get());

    const uint8_t first[4][3] = { { 81, 90, 240 }, { 145, 54, 34 }, { 41, 240, 110 }, { 235, 128, 128 } };
    const uint8_t second[4][3] = { { 16, 128, 128 }, { 170, 166, 16 }, { 106, 202, 222 }, { 126, 128, 128 } };
    for (const auto* colours : { first, second }) {
        const std::vector<uint8_t> frame = QuadrantFrame(320, 240, colours);
        video->Image(320, 240, ImageObject::YUV420, frame.data());
        scene->Render(target);
        const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
        const int centres[4][2] = { { 80, 60 }, { 240, 60 }, { 80, 180 }, { 240, 180 } };
        for (int q = 0; q < 4; ++q) {
            const uint8_t* p = &pixels[((239 - centres[q][1]) * 320 + centres[q][0]) * 4];
            int rgb[3];
            vxtest::Bt601(colours[q][0], colours[q][1], colours[q][2], rgb);
            EXPECT_NEAR(p[2], rgb[0], 2) << "quadrant " << q;
            EXPECT_NEAR(p[1], rgb[1], 2) << "quadrant " << q;
            EXPECT_NEAR(p[0], rgb[2], 2) << "quadrant " << q;
        }
    }
    // Uploaded as BGRA32 rows of 1,280 bytes into 512 × 256 storage.
    EXPECT_EQ(video->getTexture()->format, ImageObject::BGRA32);
    EXPECT_EQ(video->getTexture()->textureWidth, 512);
    delete scene;
    delete target;
}

TEST_F(ImageObjectTest, SameSizeFramesLeaveTheQuadAlone)
{
    COffScreen* target = COffScreen::NewL(64, 48);
    ImageProbe video(0, 0, 0, 0, ImageObject::fitToTarget, true);
    CScene* scene = CScene::NewL();
    scene->addObject(&video);
    const uint8_t grey[4][3] = { { 126, 128, 128 }, { 126, 128, 128 }, { 126, 128, 128 }, { 126, 128, 128 } };
    const std::vector<uint8_t> frame = QuadrantFrame(64, 48, grey);
    video.Image(64, 48, ImageObject::YUV420, frame.data());
    scene->Render(target);
    const std::vector<unsigned char> corners = BufferContents(GL_ARRAY_BUFFER, video.vertexBuffer);
    const std::vector<unsigned char> mapping = BufferContents(GL_ARRAY_BUFFER, video.texCoordBuffer);
    const void* converter = video.converter;
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(video.stride, 0);

    // The next frame of the same size maps no buffer at all.
    const PFNGLMAPBUFFERPROC realMap = kxgl::glMapBuffer;
    static int maps;
    maps = 0;
    kxgl::glMapBuffer = [](GLenum target, GLenum access) {
        ++maps;
        return glMapBuffer(target, access);
    };
    video.Image(64, 48, ImageObject::YUV420, frame.data());
    scene->Render(target);
    kxgl::glMapBuffer = realMap;
    EXPECT_EQ(maps, 0);
    EXPECT_EQ(video.converter, converter);
    EXPECT_EQ(BufferContents(GL_ARRAY_BUFFER, video.vertexBuffer), corners);
    EXPECT_EQ(BufferContents(GL_ARRAY_BUFFER, video.texCoordBuffer), mapping);

    // A frame of no pixels uploads nothing; the texture keeps its size.
    video.Image(32, 16, ImageObject::YUV420, nullptr);
    EXPECT_EQ(video.Tex()->width, 64);
    // Nor does a code from the YUV range that no converter knows.
    video.Image(64, 48, static_cast<ImageObject::imageFormat>(0x20000), frame.data());
    EXPECT_EQ(video.Tex()->width, 64);
    delete scene;
    delete target;
}

} // namespace
