// Video frames in every layout, matrix and range, on both conversion paths,
// against the textbook Y'CbCr to R'G'B' formulas; planes in guarded memory
// with rows padded, so that a read past a plane's last row stops the test.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gl/GLTest.h"
#include "support/Bt601.h"
#include "support/Environment.h"
#include "support/GuardedBuffer.h"

namespace {

using Frame = ImageObject::Frame;

const int kLayouts[] = { ImageObject::I420, ImageObject::YV12, ImageObject::I422, ImageObject::I444,
    ImageObject::NV12, ImageObject::NV21, ImageObject::YUY2, ImageObject::UYVY, ImageObject::I400,
    ImageObject::I010, ImageObject::P010, ImageObject::I210, ImageObject::I410 };

bool TenBit(int layout)
{
    return layout == ImageObject::I010 || layout == ImageObject::P010 || layout == ImageObject::I210
        || layout == ImageObject::I410;
}

// A frame of one colour, each plane in a guarded buffer of exactly
// stride × (rows − 1) + row bytes, rows `pad` bytes longer than needed.
struct SolidFrame {
    Frame frame;
    std::vector<std::unique_ptr<vxtest::GuardedBuffer>> planes;

    SolidFrame(int layout, int width, int height, int y, int u, int v, int pad)
    {
        frame.layout = layout;
        frame.width = width;
        frame.height = height;
        const int cw = (width + 1) / 2, ch = (height + 1) / 2;
        const int word = TenBit(layout) ? 2 : 1;
        // Per plane: bytes a row, rows, and the samples of one row in order.
        struct Plane {
            int rowBytes, rows;
            std::vector<int> pattern; // repeated along the row
        };
        std::vector<Plane> shapes;
        switch (layout) {
        case ImageObject::I420:
        case ImageObject::I010:
            shapes = { { width, height, { y } }, { cw, ch, { u } }, { cw, ch, { v } } };
            break;
        case ImageObject::YV12:
            shapes = { { width, height, { y } }, { cw, ch, { v } }, { cw, ch, { u } } };
            break;
        case ImageObject::I422:
        case ImageObject::I210:
            shapes = { { width, height, { y } }, { cw, height, { u } }, { cw, height, { v } } };
            break;
        case ImageObject::I444:
        case ImageObject::I410:
            shapes = { { width, height, { y } }, { width, height, { u } }, { width, height, { v } } };
            break;
        case ImageObject::NV12:
        case ImageObject::P010:
            shapes = { { width, height, { y } }, { 2 * cw, ch, { u, v } } };
            break;
        case ImageObject::NV21:
            shapes = { { width, height, { y } }, { 2 * cw, ch, { v, u } } };
            break;
        case ImageObject::YUY2:
            shapes = { { 4 * cw, height, { y, u, y, v } } };
            break;
        case ImageObject::UYVY:
            shapes = { { 4 * cw, height, { u, y, v, y } } };
            break;
        case ImageObject::I400:
            shapes = { { width, height, { y } } };
            break;
        }
        for (size_t i = 0; i < shapes.size(); ++i) {
            const Plane& p = shapes[i];
            const int rowBytes = p.rowBytes * word;
            const int stride = rowBytes + pad * word;
            planes.push_back(std::make_unique<vxtest::GuardedBuffer>(
                static_cast<size_t>(stride) * (p.rows - 1) + static_cast<size_t>(rowBytes)));
            uint8_t* data = planes.back()->data;
            for (int row = 0; row < p.rows; ++row)
                for (int s = 0; s < p.rowBytes; ++s) {
                    int value = p.pattern[static_cast<size_t>(s) % p.pattern.size()];
                    uint8_t* at = data + static_cast<size_t>(row) * stride + static_cast<size_t>(s) * word;
                    if (word == 1)
                        *at = static_cast<uint8_t>(value);
                    else {
                        if (layout == ImageObject::P010)
                            value <<= 6;
                        at[0] = static_cast<uint8_t>(value & 0xff);
                        at[1] = static_cast<uint8_t>(value >> 8);
                    }
                }
            frame.planes[i] = data;
            frame.strides[i] = pad ? stride : 0;
        }
    }
};

// The texture's texels, BGRA, image rows only.
std::vector<uint8_t> Texels(const ImageObject& image)
{
    const Texture& t = *const_cast<ImageObject&>(image).getTexture();
    std::vector<uint8_t> texels(static_cast<size_t>(t.textureWidth) * t.textureHeight * 4);
    glBindTexture(GL_TEXTURE_2D, t.texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

class FrameTest : public vxtest::GLTest { };

TEST_F(FrameTest, FlatFramesMatchTheFormulasInEveryLayoutMatrixRangeAndPath)
{
    // Colours inside every gamut, in 8-bit codes (10-bit: times 4, plus 2).
    const int colours[][3] = { { 120, 100, 170 }, { 60, 180, 90 }, { 200, 128, 128 }, { 16, 128, 128 } };
    for (int path : { ImageObject::cpuPath, ImageObject::gpuPath }) {
        std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::imageSize, true));
        image->FramePath(path);
        for (int layout : kLayouts)
            for (int matrix : { ImageObject::BT601, ImageObject::BT709, ImageObject::BT2020 })
                for (int range : { ImageObject::limitedRange, ImageObject::fullRange })
                    for (const auto& c : colours) {
                        const bool ten = TenBit(layout);
                        const int y = ten ? c[0] * 4 + 2 : c[0];
                        const int u = ten ? c[1] * 4 + 2 : c[1], v = ten ? c[2] * 4 + 2 : c[2];
                        // Odd sizes, rows padded: chroma rounds up, strides are the frame's.
                        SolidFrame solid(layout, 37, 23, y, u, v, 24);
                        solid.frame.matrix = matrix;
                        solid.frame.range = range;
                        image->Image(solid.frame);
                        const Texture& t = *image->getTexture();
                        SCOPED_TRACE("path " + std::to_string(path) + " layout " + std::to_string(layout)
                            + " matrix " + std::to_string(matrix) + " range " + std::to_string(range)
                            + " colour " + std::to_string(c[0]));
                        ASSERT_EQ(t.width, 37);
                        ASSERT_EQ(t.height, 23);
                        const std::vector<int> want = layout == ImageObject::I400
                            ? vxtest::YuvReference(
                                matrix, range == ImageObject::fullRange, false, y, 128, 128)
                            : vxtest::YuvReference(matrix, range == ImageObject::fullRange, ten, y, u, v);
                        const std::vector<uint8_t> texels = Texels(*image);
                        int worst = 0;
                        for (int row = 0; row < 23; ++row)
                            for (int x = 0; x < 37; ++x) {
                                const uint8_t* p
                                    = &texels[(static_cast<size_t>(row) * t.textureWidth + x) * 4];
                                for (int k = 0; k < 3; ++k)
                                    worst
                                        = std::max(worst, std::abs(p[2 - k] - want[static_cast<size_t>(k)]));
                                EXPECT_EQ(p[3], 255);
                            }
                        EXPECT_LE(worst, 2);
                        for (const auto& plane : solid.planes)
                            EXPECT_TRUE(plane->FrontUntouched());
                    }
    }
}

// A still image converted either way and drawn about 8 times smaller: its
// mipmaps are made from the converted pixels, edges included.
TEST_F(FrameTest, StillFramesDrawnSmallerKeepTheirColourToTheEdge)
{
    COffScreen* target = COffScreen::NewL(75, 50);
    for (int path : { ImageObject::cpuPath, ImageObject::gpuPath }) {
        std::unique_ptr<ImageObject> image(ImageObject::NewL(0, 0, 75, 50, false));
        image->FramePath(path);
        SolidFrame solid(ImageObject::I420, 601, 403, 120, 100, 170, 0);
        image->Image(solid.frame);
        CScene* scene = CScene::NewL();
        scene->addObject(image.get());
        scene->Render(target);
        const std::vector<int> want = vxtest::YuvReference(ImageObject::BT601, false, false, 120, 100, 170);
        const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
        int worst = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(pixels[i + 2 - c] - want[static_cast<size_t>(c)]));
        EXPECT_LE(worst, 2) << "path " << path;
        GLint filter = 0;
        glBindTexture(GL_TEXTURE_2D, image->getTexture()->texture);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR) << "path " << path;
        delete scene;
    }
    delete target;
    vxtest::ActivateShared();
}

// 10-bit samples above 1023 (the low-bit layouts can hold them) read as
// 1023 on both paths: the conversion would otherwise wrap them round.
TEST_F(FrameTest, TenBitSamplesAboveTheirRangeReadAsTheLargest)
{
    for (int path : { ImageObject::cpuPath, ImageObject::gpuPath }) {
        std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::imageSize, true));
        image->FramePath(path);
        for (int layout : { ImageObject::I010, ImageObject::I210, ImageObject::I410 }) {
            SolidFrame largest(layout, 6, 4, 1023, 1023, 300, 0);
            image->Image(largest.frame);
            const std::vector<uint8_t> want = Texels(*image);
            for (const int over : { 1200, 4095, 65535 }) {
                SolidFrame above(layout, 6, 4, over, over, 300, 0);
                image->Image(above.frame);
                EXPECT_EQ(Texels(*image), want)
                    << "path " << path << " layout " << layout << " sample " << over;
            }
        }
    }
}

// Shows whether the object converted on the CPU: only that path makes a
// converter.
struct PathProbe : ImageObject {
    PathProbe()
        : ImageObject(0, 0, 0, 0, imageSize, true)
    {
    }
    bool OnCpu() const { return converter != nullptr; }
};

// VARNOX_YUV_PATH picks the path of objects that leave it to the library;
// FramePath overrides both; llvmpipe converts on the CPU by default.
TEST_F(FrameTest, ThePathIsTheObjectsTheEnvironmentsOrTheRenderers)
{
    SolidFrame solid(ImageObject::NV12, 16, 8, 120, 100, 170, 0);
    const auto onCpu = [&](const char* setting, int path) {
        if (setting)
            vxtest::SetEnvironment("VARNOX_YUV_PATH", setting);
        else
            vxtest::UnsetEnvironment("VARNOX_YUV_PATH");
        PathProbe probe;
        if (path != ImageObject::automaticPath)
            probe.FramePath(path);
        probe.Image(solid.frame);
        vxtest::UnsetEnvironment("VARNOX_YUV_PATH");
        return probe.OnCpu();
    };
    EXPECT_TRUE(onCpu(nullptr, ImageObject::automaticPath)); // llvmpipe: a software renderer
    EXPECT_FALSE(onCpu("gpu", ImageObject::automaticPath));
    EXPECT_TRUE(onCpu("cpu", ImageObject::automaticPath));
    EXPECT_TRUE(onCpu("gpu", ImageObject::cpuPath));
    EXPECT_FALSE(onCpu("cpu", ImageObject::gpuPath));
}

// Each refusal names the value, and the texture keeps what it had.
TEST_F(FrameTest, BadFramesAreRefusedWithOneLineAndChangeNothing)
{
    std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::imageSize, false));
    SolidFrame good(ImageObject::NV12, 8, 6, 120, 100, 170, 0);
    image->Image(good.frame);
    const std::vector<uint8_t> before = Texels(*image);

    struct Case {
        std::string line;
        void (*spoil)(Frame&);
    };
    const std::vector<Case> cases = {
        { "ImageObject: Image refused the frame layout 13\n", [](Frame& f) { f.layout = 13; } },
        { "ImageObject: Image refused the frame layout -1\n", [](Frame& f) { f.layout = -1; } },
        { "ImageObject: Image refused the frame matrix 3\n", [](Frame& f) { f.matrix = 3; } },
        { "ImageObject: Image refused the frame range 2\n", [](Frame& f) { f.range = 2; } },
        { "ImageObject: Image refused the frame size -8 x 6\n", [](Frame& f) { f.width = -8; } },
        { "ImageObject: Image refused a frame without its second plane\n",
            [](Frame& f) { f.planes[1] = nullptr; } },
        { "ImageObject: Image refused the stride 7 of the first plane: its rows are 8 bytes\n",
            [](Frame& f) { f.strides[0] = 7; } },
        { "ImageObject: Image refused the stride -8 of the second plane: its rows are 8 bytes\n",
            [](Frame& f) { f.strides[1] = -8; } },
        { "ImageObject: Image refused the size 100000 x 6: above GL_MAX_TEXTURE_SIZE 16384\n",
            [](Frame& f) { f.width = 100000; } },
    };
    for (const Case& c : cases) {
        Frame frame = good.frame;
        c.spoil(frame);
        EXPECT_EQ(vxtest::CaptureOutput([&] { image->Image(frame); }), c.line);
        EXPECT_EQ(Texels(*image), before);
    }
    // 10-bit samples are words: an odd address or stride is refused.
    SolidFrame ten(ImageObject::P010, 8, 6, 480, 400, 680, 2);
    Frame odd = ten.frame;
    odd.strides[1] = 17;
    EXPECT_EQ(vxtest::CaptureOutput([&] { image->Image(odd); }),
        "ImageObject: Image refused the second plane: 10-bit samples need an even address and stride\n");
    EXPECT_EQ(
        vxtest::CaptureOutput([&] { image->FramePath(3); }), "ImageObject: FramePath refused the path 3\n");
    // The design's codes are ints: any value is one to refuse or ignore.
    const std::vector<uint8_t> pixels(64, 0);
    image->Image(8, 2, static_cast<ImageObject::imageFormat>(-1), pixels.data());
    image->Image(8, 2, static_cast<ImageObject::imageFormat>(0x7fffffff), pixels.data());
    EXPECT_EQ(Texels(*image), before);
}

} // namespace
