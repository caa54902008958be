// YUV frames against the textbook BT.601 limited-range formula, in buffers
// that end at an inaccessible page, so that any access past a plane or the
// output (even inside uninstrumented libyuv) stops the test.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include <Pixkit.h>

#include <varnox/ImageObject.h>

#include "materials/YUVConverter.h"
#include "support/Bt601.h"
#include "support/GuardedBuffer.h"

namespace {

using vxtest::GuardedBuffer;

struct YUV {
    int y, u, v;
};

// Blue, green, red: the BT.601 reference in the order the converter writes.
void Reference(YUV s, int out[3])
{
    int rgb[3];
    vxtest::Bt601(s.y, s.u, s.v, rgb);
    for (int c = 0; c < 3; ++c)
        out[2 - c] = rgb[c];
}

using Conversion = void (*)(unsigned char*, int*, int, int);
using Sample = std::function<YUV(int x, int y)>;

// Fills a planar frame from `sample` (chroma taken at the top-left pixel of
// each block), converts it and compares every pixel with the reference.
void CheckFrame(Conversion convert, bool halfHeight, int w, int h, const Sample& sample)
{
    SCOPED_TRACE(testing::Message() << w << " x " << h << (halfHeight ? " 4:2:0" : " 4:2:2"));
    const int cw = (w + 1) / 2;
    const int ch = halfHeight ? (h + 1) / 2 : h;
    const int rowsPerChroma = halfHeight ? 2 : 1;
    GuardedBuffer source(static_cast<size_t>(w) * h + 2 * static_cast<size_t>(cw) * ch);
    uint8_t* yPlane = source.data;
    uint8_t* uPlane = yPlane + static_cast<size_t>(w) * h;
    uint8_t* vPlane = uPlane + static_cast<size_t>(cw) * ch;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            yPlane[y * w + x] = static_cast<uint8_t>(sample(x, y).y);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            const YUV s = sample(2 * x, rowsPerChroma * y);
            uPlane[y * cw + x] = static_cast<uint8_t>(s.u);
            vPlane[y * cw + x] = static_cast<uint8_t>(s.v);
        }

    GuardedBuffer destination(static_cast<size_t>(w) * h * 4);
    convert(source.data, reinterpret_cast<int*>(destination.data), w, h);
    EXPECT_TRUE(destination.FrontUntouched());

    int worst = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            YUV s = sample(x, y);
            const YUV c = sample(x / 2 * 2, y / rowsPerChroma * rowsPerChroma);
            s.u = c.u;
            s.v = c.v;
            int expected[3];
            Reference(s, expected);
            const uint8_t* got = destination.data + (static_cast<size_t>(y) * w + x) * 4;
            for (int k = 0; k < 3; ++k)
                worst = std::max(worst, std::abs(got[k] - expected[k]));
            ASSERT_EQ(got[3], 255) << "alpha at " << x << ", " << y;
        }
    EXPECT_LE(worst, 2);
}

Sample Solid(int y, int u, int v)
{
    return [=](int, int) { return YUV { y, u, v }; };
}

// Luma rises along x, the chroma pair varies along y and along x + y.
Sample Gradient(int w, int h)
{
    return [=](int x, int y) {
        return YUV { 16 + 219 * x / std::max(w - 1, 1), 16 + 224 * y / std::max(h - 1, 1),
            16 + 224 * (x + y) / std::max(w + h - 2, 1) };
    };
}

struct Layout {
    Conversion convert;
    bool halfHeight;
};
const Layout kLayouts[] = { { YUV4202BGRA, true }, { YUV4222BGRA, false } };

TEST(YUVConversion, KnownColoursMatchTheBT601Reference)
{
    // White, black and the saturated primaries, as BT.601 limited range codes them.
    const YUV colours[]
        = { { 235, 128, 128 }, { 16, 128, 128 }, { 81, 90, 240 }, { 145, 54, 34 }, { 41, 240, 110 } };
    for (const Layout& layout : kLayouts)
        for (const YUV& c : colours)
            CheckFrame(layout.convert, layout.halfHeight, 16, 8, Solid(c.y, c.u, c.v));
}

TEST(YUVConversion, GradientsMatchAtEvenAndOddSizes)
{
    const int sizes[][2] = { { 16, 8 }, { 15, 7 }, { 1, 1 }, { 3, 5 }, { 33, 17 }, { 2, 3 }, { 64, 1 } };
    for (const Layout& layout : kLayouts)
        for (const auto& s : sizes)
            CheckFrame(layout.convert, layout.halfHeight, s[0], s[1], Gradient(s[0], s[1]));
}

TEST(YUVConversion, EmptyOrMissingFramesWriteNothing)
{
    int out[4] = { 7, 7, 7, 7 };
    unsigned char frame[8] = {};
    YUV4202BGRA(frame, out, 0, 2);
    YUV4222BGRA(frame, out, 2, -2);
    YUV4202BGRA(nullptr, out, 2, 2);
    YUV4222BGRA(frame, nullptr, 2, 2);
    for (int v : out)
        EXPECT_EQ(v, 7);
}

// The converter the image object owns.

TEST(YUVConverterTest, ConfigureFillsTheBufferAndSelectsTheConversion)
{
    YUVConverter converter;
    EXPECT_EQ(converter.format, 0);
    EXPECT_FALSE(converter.ready);
    EXPECT_EQ(converter.Convert(nullptr), nullptr);

    converter.Configure(5, 3, ImageObject::YUV420);
    EXPECT_EQ(converter.width, 5);
    EXPECT_EQ(converter.height, 3);
    EXPECT_EQ(converter.rowBytes, 20);
    EXPECT_TRUE(converter.ready);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(converter.buffer);
    EXPECT_TRUE(std::all_of(bytes, bytes + 60, [](uint8_t b) { return b == 128; }));

    // A 4:2:0 frame whose second chroma row differs: the 4:2:0 conversion
    // uses only the first for rows 0 and 1.
    // Sized for 4:2:2, the larger of the two layouts.
    std::vector<uint8_t> frame(5 * 3 + 2 * 3 * 3, 128);
    std::vector<int> direct(15);
    for (int i = 0; i < 15; ++i)
        frame[i] = static_cast<uint8_t>(40 + 10 * i);
    frame[15] = 200;
    frame[18] = 60;
    YUV4202BGRA(frame.data(), direct.data(), 5, 3);
    int* converted = converter.Convert(frame.data());
    EXPECT_EQ(converted, converter.buffer);
    EXPECT_EQ(std::vector<int>(converted, converted + 15), direct);

    // The same frame as 4:2:2 reads other chroma samples.
    converter.Configure(5, 3, ImageObject::YUV422);
    EXPECT_TRUE(converter.ready);
    YUV4222BGRA(frame.data(), direct.data(), 5, 3);
    converted = converter.Convert(frame.data());
    EXPECT_EQ(std::vector<int>(converted, converted + 15), direct);
}

TEST(YUVConverterTest, OtherCodesAndReleasedBuffersConvertNothing)
{
    YUVConverter converter;
    std::vector<uint8_t> frame(4 * 4 * 2, 100);
    converter.Configure(4, 4, ImageObject::BGRA32);
    EXPECT_FALSE(converter.ready);
    EXPECT_EQ(converter.Convert(frame.data()), nullptr);

    // Configuring the same code again keeps the selection.
    converter.Configure(4, 4, ImageObject::YUV422);
    converter.Configure(4, 2, ImageObject::YUV422);
    EXPECT_TRUE(converter.ready);
    EXPECT_NE(converter.Convert(frame.data()), nullptr);

    // Converting after Release would write into freed memory; it returns null.
    converter.Release();
    EXPECT_EQ(converter.buffer, nullptr);
    EXPECT_EQ(converter.Convert(frame.data()), nullptr);
    converter.Release();
}

} // namespace
