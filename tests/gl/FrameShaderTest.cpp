#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/GLReadiness.h"
#include "gl/GLTest.h"
#include "materials/FrameLayout.h"
#include "materials/FrameShader.h"
#include "support/Bt601.h"
#include "support/GuardedBuffer.h"

// The GPU conversion held against the textbook Y'CbCr formulas, computed here
// in double precision from frames this file writes byte by byte in each
// layout, and against a bilinear reference of the chroma siting.
namespace {

using vxtest::GLTest;
using vxtest::GuardedBuffer;

const int kLayouts[] = { ImageObject::I420, ImageObject::YV12, ImageObject::I422, ImageObject::I444,
    ImageObject::NV12, ImageObject::NV21, ImageObject::YUY2, ImageObject::UYVY, ImageObject::I400,
    ImageObject::I010, ImageObject::P010 };
const double kWeights[3][2] = { { 0.299, 0.114 }, { 0.2126, 0.0722 }, { 0.2627, 0.0593 } };

// The sample codes of a frame, in its bit depth: luma of pixel (x, y), and
// Cb, Cr of chroma sample (i, j) of the chroma grid.
struct Content {
    std::function<int(int, int)> luma, cb, cr;
};

bool TenBits(int layout)
{
    return layout == ImageObject::I010 || layout == ImageObject::P010;
}
bool HalvedAcross(int layout)
{
    return layout != ImageObject::I444 && layout != ImageObject::I400;
}
bool HalvedDown(int layout)
{
    return layout == ImageObject::I420 || layout == ImageObject::YV12 || layout == ImageObject::NV12
        || layout == ImageObject::NV21 || layout == ImageObject::I010 || layout == ImageObject::P010;
}

// A frame in the layout's bytes, each plane in memory that ends where an
// inaccessible page begins, rows `pad` bytes longer than they need be.
class TestFrame {
public:
    TestFrame(int layout, int width, int height, int pad, const Content& content)
    {
        frame.layout = layout;
        frame.width = width;
        frame.height = height;
        const int cw = HalvedAcross(layout) ? (width + 1) / 2 : width;
        const int ch = HalvedDown(layout) ? (height + 1) / 2 : height;
        const int sample = TenBits(layout) ? 2 : 1;
        const auto put = [&](uint8_t* at, int code) {
            if (sample == 1) {
                at[0] = static_cast<uint8_t>(code);
                return;
            }
            const int word = layout == ImageObject::P010 ? code << 6 : code;
            at[0] = static_cast<uint8_t>(word & 0xFF);
            at[1] = static_cast<uint8_t>(word >> 8);
        };
        if (layout == ImageObject::YUY2 || layout == ImageObject::UYVY) {
            const bool yuy2 = layout == ImageObject::YUY2;
            uint8_t* rows = Plane(0, 4 * cw, height, pad);
            for (int y = 0; y < height; ++y)
                for (int i = 0; i < cw; ++i) {
                    uint8_t* group = rows + y * stride[0] + 4 * i;
                    const int y1 = 2 * i + 1 < width ? content.luma(2 * i + 1, y) : 0;
                    const uint8_t yuy2Order[4] = { static_cast<uint8_t>(content.luma(2 * i, y)),
                        static_cast<uint8_t>(content.cb(i, y)), static_cast<uint8_t>(y1),
                        static_cast<uint8_t>(content.cr(i, y)) };
                    const uint8_t uyvyOrder[4] = { yuy2Order[1], yuy2Order[0], yuy2Order[3], yuy2Order[2] };
                    std::copy(yuy2 ? yuy2Order : uyvyOrder, (yuy2 ? yuy2Order : uyvyOrder) + 4, group);
                }
            return;
        }
        uint8_t* luma = Plane(0, width * sample, height, pad);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                put(luma + y * stride[0] + x * sample, content.luma(x, y));
        if (layout == ImageObject::I400)
            return;
        if (layout == ImageObject::NV12 || layout == ImageObject::NV21 || layout == ImageObject::P010) {
            const bool swapped = layout == ImageObject::NV21;
            uint8_t* pairs = Plane(1, 2 * cw * sample, ch, pad);
            for (int j = 0; j < ch; ++j)
                for (int i = 0; i < cw; ++i) {
                    uint8_t* at = pairs + j * stride[1] + 2 * i * sample;
                    put(at, swapped ? content.cr(i, j) : content.cb(i, j));
                    put(at + sample, swapped ? content.cb(i, j) : content.cr(i, j));
                }
            return;
        }
        // Planar: Y, U, V; YV12 gives V as its second plane, U as its third.
        const bool vFirst = frame.layout == ImageObject::YV12;
        uint8_t* second = Plane(1, cw * sample, ch, pad);
        uint8_t* third = Plane(2, cw * sample, ch, pad);
        uint8_t* u = vFirst ? third : second;
        uint8_t* v = vFirst ? second : third;
        const int uStride = stride[vFirst ? 2 : 1], vStride = stride[vFirst ? 1 : 2];
        for (int j = 0; j < ch; ++j)
            for (int i = 0; i < cw; ++i) {
                put(u + j * uStride + i * sample, content.cb(i, j));
                put(v + j * vStride + i * sample, content.cr(i, j));
            }
    }

    bool FrontsUntouched() const
    {
        for (const auto& buffer : buffers)
            if (buffer && !buffer->FrontUntouched())
                return false;
        return true;
    }

    ImageObject::Frame frame;

private:
    uint8_t* Plane(int index, int rowBytes, int rows, int pad)
    {
        stride[index] = rowBytes + pad;
        frame.strides[index] = pad ? stride[index] : 0;
        const size_t size = rows > 0 ? static_cast<size_t>(stride[index]) * (rows - 1) + rowBytes : 0;
        buffers[index] = std::make_unique<GuardedBuffer>(size > 0 ? size : 1);
        frame.planes[index] = buffers[index]->data;
        return buffers[index]->data;
    }

    int stride[3] = { 0, 0, 0 };
    std::unique_ptr<GuardedBuffer> buffers[3];
};

// R, G, B of Y, Cb, Cr codes by the textbook formulas, rounded and clamped.
std::vector<int> Expected(double y, double cb, double cr, bool tenBits, int matrix, int range)
{
    const double n = tenBits ? 4.0 : 1.0, largest = tenBits ? 1023.0 : 255.0;
    const bool full = range == ImageObject::fullRange;
    const double luma = full ? y / largest : (y - 16 * n) / (219 * n);
    const double u = (cb - 128 * n) / (full ? largest : 224 * n);
    const double v = (cr - 128 * n) / (full ? largest : 224 * n);
    const double kr = kWeights[matrix][0], kb = kWeights[matrix][1];
    const double r = luma + 2 * (1 - kr) * v;
    const double b = luma + 2 * (1 - kb) * u;
    const double g = (luma - kr * r - kb * b) / (1 - kr - kb);
    std::vector<int> rgb;
    for (double c : { r, g, b })
        rgb.push_back(static_cast<int>(std::lround(std::min(255.0, std::max(0.0, c * 255.0)))));
    return rgb;
}

// The chroma code at pixel (x, y): chroma sample i co-sited with luma sample
// 2i across, chroma row j between luma rows 2j and 2j + 1, samples beyond
// the edge repeating it, interpolated bilinearly.
double ChromaAt(const std::function<int(int, int)>& chroma, int layout, int width, int height, int x, int y)
{
    const int cw = HalvedAcross(layout) ? (width + 1) / 2 : width;
    const int ch = HalvedDown(layout) ? (height + 1) / 2 : height;
    const double cx = HalvedAcross(layout) ? x / 2.0 : x;
    const double cy = HalvedDown(layout) ? (y - 0.5) / 2 : y;
    const int i = static_cast<int>(std::floor(cx)), j = static_cast<int>(std::floor(cy));
    const double fx = cx - i, fy = cy - j;
    const auto at = [&](int a, int b) {
        const int code = chroma(std::min(std::max(a, 0), cw - 1), std::min(std::max(b, 0), ch - 1));
        return static_cast<double>(TenBits(layout) ? std::min(code, 1023) : code);
    };
    return (1 - fy) * ((1 - fx) * at(i, j) + fx * at(i + 1, j))
        + fy * ((1 - fx) * at(i, j + 1) + fx * at(i + 1, j + 1));
}

std::vector<int> ReferencePixel(
    const Content& content, int layout, int width, int height, int matrix, int range, int x, int y)
{
    const bool ten = TenBits(layout);
    const double grey = ten ? 512 : 128;
    const double luma = std::min(content.luma(x, y), ten ? 1023 : 255);
    if (layout == ImageObject::I400)
        return Expected(luma, grey, grey, ten, matrix, range);
    return Expected(luma, ChromaAt(content.cb, layout, width, height, x, y),
        ChromaAt(content.cr, layout, width, height, x, y), ten, matrix, range);
}

class FrameShaderTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        std::string why;
        ASSERT_TRUE(varnox::FrameShader::Available(why)) << why;
        // The run that takes red-green textures away checks that they are
        // gone, so that it cannot test the red-green formats again unnoticed.
        const char* takenAway = std::getenv("MESA_EXTENSION_OVERRIDE");
        if (takenAway && std::strstr(takenAway, "-GL_ARB_texture_rg")) {
            const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
            const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
            ASSERT_TRUE(version && extensions);
            ASSERT_LT(std::atoi(version), 3) << version;
            ASSERT_EQ(std::strstr(extensions, "GL_ARB_texture_rg "), nullptr);
        }
    }

    // Converts `made` into `texture`; how many pixels are further than
    // `tolerance` from the reference, the first of them described in `first`.
    int Mismatches(varnox::FrameShader& shader, TestFrame& made, const Content& content, Texture& texture,
        int tolerance, std::string& first)
    {
        const ImageObject::Frame& frame = made.frame;
        varnox::FrameShape shape;
        EXPECT_TRUE(varnox::CheckFrame(frame, "FrameShaderTest", shape));
        EXPECT_TRUE(shader.Convert(frame, shape, texture));
        return Compare(made, content, texture, tolerance, first);
    }

    // How many pixels of `texture` are further than `tolerance` from the
    // reference of `made`.
    int Compare(const TestFrame& made, const Content& content, const Texture& texture, int tolerance,
        std::string& first)
    {
        const ImageObject::Frame& frame = made.frame;
        EXPECT_EQ(texture.width, frame.width);
        EXPECT_EQ(texture.height, frame.height);
        const std::vector<unsigned char> texels = vxtest::TextureContents(texture.texture);
        int wrong = 0;
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                const std::vector<int> rgb = ReferencePixel(
                    content, frame.layout, frame.width, frame.height, frame.matrix, frame.range, x, y);
                const unsigned char* bgra = &texels[(static_cast<size_t>(y) * texture.textureWidth + x) * 4];
                const int got[3] = { bgra[2], bgra[1], bgra[0] };
                bool off = bgra[3] != 255;
                for (int c = 0; c < 3; ++c)
                    off = off || std::abs(got[c] - rgb[c]) > tolerance;
                if (off && wrong++ == 0)
                    first = "pixel " + std::to_string(x) + "," + std::to_string(y) + ": "
                        + std::to_string(got[0]) + " " + std::to_string(got[1]) + " " + std::to_string(got[2])
                        + " a " + std::to_string(bgra[3]) + ", expected " + std::to_string(rgb[0]) + " "
                        + std::to_string(rgb[1]) + " " + std::to_string(rgb[2]);
            }
        return wrong;
    }
};

TEST_F(FrameShaderTest, TheReferenceFormulaIsTheProjectsBt601)
{
    // The formula of this file agrees with the tests' own BT.601 limited
    // reference, so that the two cannot drift apart unnoticed.
    for (int y : { 16, 81, 160, 235 })
        for (int u : { 16, 90, 128, 240 })
            for (int v : { 16, 54, 128, 240 }) {
                const std::vector<int> expected = vxtest::Bt601(y, u, v);
                const std::vector<int> ours
                    = Expected(y, u, v, false, ImageObject::BT601, ImageObject::limitedRange);
                for (int c = 0; c < 3; ++c)
                    EXPECT_LE(std::abs(expected[c] - ours[c]), 1) << y << " " << u << " " << v;
            }
}

TEST_F(FrameShaderTest, FlatFramesGiveTheFormulaForEveryLayoutMatrixAndRange)
{
    struct Colour {
        int y, cb, cr;
    };
    // Mid-tones, the limited range's extremes (whose conversion leaves
    // 0..255 and must clamp) and the full range's.
    const Colour colours[] = { { 81, 90, 240 }, { 145, 54, 34 }, { 235, 128, 128 }, { 16, 16, 240 },
        { 0, 255, 0 }, { 255, 0, 255 } };
    varnox::FrameShader shader;
    TextureStatic texture;
    for (int layout : kLayouts)
        for (int matrix = ImageObject::BT601; matrix <= ImageObject::BT2020; ++matrix)
            for (int range : { ImageObject::limitedRange, ImageObject::fullRange })
                for (const Colour& colour : colours) {
                    // 10-bit codes: four times the 8-bit ones, plus low bits.
                    const int scale = TenBits(layout) ? 4 : 1, low = TenBits(layout) ? 3 : 0;
                    const Content flat { [&](int, int) { return colour.y * scale + low; },
                        [&](int, int) { return colour.cb * scale + low; },
                        [&](int, int) { return colour.cr * scale + low; } };
                    TestFrame made(layout, 6, 4, 0, flat);
                    made.frame.matrix = matrix;
                    made.frame.range = range;
                    std::string first;
                    EXPECT_EQ(Mismatches(shader, made, flat, texture, 2, first), 0)
                        << "layout " << layout << " matrix " << matrix << " range " << range << " Y'CbCr "
                        << colour.y << " " << colour.cb << " " << colour.cr << ": " << first;
                }
}

TEST_F(FrameShaderTest, TenBitSamplesAboveTheirRangeAreTakenAsTheLargest)
{
    varnox::FrameShader shader;
    TextureStatic texture;
    // Words with bits above the low ten: luma white, chroma the largest code.
    const Content over { [](int, int) { return 0x0FFF; }, [](int, int) { return 0x7FFF; },
        [](int, int) { return 700; } };
    TestFrame made(ImageObject::I010, 5, 3, 0, over);
    made.frame.range = ImageObject::fullRange;
    std::string first;
    EXPECT_EQ(Mismatches(shader, made, over, texture, 2, first), 0) << first;
}

TEST_F(FrameShaderTest, OddPaddedFramesReadOnlyTheirPlanesAndSiteTheirChroma)
{
    // Codes within 0..255 up to the widest and tallest chroma (37 x 23).
    // Chroma alternating across and down, so that a quarter sample off in
    // its siting moves it by tens of levels; luma varying per pixel, so that
    // a row or column out of place shows.
    const Content columns { [](int x, int y) { return 20 + (x * 7 + y * 13) % 200; },
        [](int i, int j) { return (i % 2 ? 60 : 200) + 2 * j; },
        [](int i, int j) { return (j % 2 ? 70 : 190) + i; } };
    const Content rows { [](int x, int y) { return 230 - (x * 11 + y * 5) % 190; },
        [](int i, int j) { return (j % 2 ? 50 : 210) - i; },
        [](int i, int j) { return (i % 3 ? 90 : 170) + j; } };
    const int width = 37, height = 23;
    varnox::FrameShader shader;
    for (int layout : kLayouts)
        // Padding of no whole number of texels (3 bytes; 6 for 10-bit
        // planes, whose rows must start on even addresses: 3 words, no whole
        // number of pairs), then 64: a whole number for every plane.
        for (int pad : { TenBits(layout) ? 6 : 3, 64 }) {
            TextureStatic texture;
            for (const Content* content : { &columns, &rows }) {
                Content scaled = *content;
                if (TenBits(layout)) {
                    scaled.luma = [content](int x, int y) { return content->luma(x, y) * 4 + x % 4; };
                    scaled.cb = [content](int i, int j) { return content->cb(i, j) * 4 + j % 4; };
                    scaled.cr = [content](int i, int j) { return content->cr(i, j) * 4 + i % 4; };
                }
                TestFrame made(layout, width, height, pad, scaled);
                made.frame.matrix = ImageObject::BT709;
                std::string first;
                EXPECT_EQ(Mismatches(shader, made, scaled, texture, 3, first), 0)
                    << "layout " << layout << " pad " << pad << ": " << first;
                EXPECT_TRUE(made.FrontsUntouched()) << "layout " << layout;
            }
        }
}

// What a conversion must give back as it found it: the framebuffers, the
// viewport, the program, the active unit and the textures of the first
// three, blending, the scissor test and unpacking.
std::vector<GLint> CallerState(PFNGLACTIVETEXTUREPROC activeTexture)
{
    std::vector<GLint> state;
    const auto get = [&](GLenum name, int count) {
        GLint values[4] = { 0, 0, 0, 0 };
        glGetIntegerv(name, values);
        state.insert(state.end(), values, values + count);
    };
    for (GLenum name : { GL_DRAW_FRAMEBUFFER_BINDING, GL_READ_FRAMEBUFFER_BINDING, GL_CURRENT_PROGRAM,
             GL_ACTIVE_TEXTURE, GL_BLEND, GL_SCISSOR_TEST, GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH })
        get(name, 1);
    get(GL_VIEWPORT, 4);
    for (int unit = 0; unit < 3; ++unit) {
        activeTexture(GL_TEXTURE0 + unit);
        get(GL_TEXTURE_BINDING_2D, 1);
    }
    activeTexture(static_cast<GLenum>(state[3]));
    return state;
}

TEST_F(FrameShaderTest, LeavesTheCallersBindingsViewportProgramAndStateAsTheyWere)
{
    const auto genFramebuffers
        = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(varnox::LookupGLEntry("glGenFramebuffers"));
    const auto bindFramebuffer
        = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(varnox::LookupGLEntry("glBindFramebuffer"));
    const auto deleteFramebuffers
        = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(varnox::LookupGLEntry("glDeleteFramebuffers"));
    const auto activeTexture
        = reinterpret_cast<PFNGLACTIVETEXTUREPROC>(varnox::LookupGLEntry("glActiveTexture"));
    ASSERT_TRUE(genFramebuffers && bindFramebuffer && deleteFramebuffers && activeTexture);

    // A caller's framebuffer to draw into and the context's to read from, a
    // viewport, a program, textures on three units with the third active,
    // blending that would blacken what is drawn, a scissor box, unpacking.
    const std::vector<GLint> plain = CallerState(activeTexture);
    GLuint framebuffer = 0, textures[3] = { 0, 0, 0 };
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glViewport(3, 5, 17, 19);
    const GLuint program = kxgl::glCreateProgram(), vertex = kxgl::glCreateShader(GL_VERTEX_SHADER);
    const char* source = "void main() { gl_Position = gl_Vertex; }\n";
    kxgl::glShaderSource(vertex, 1, &source, nullptr);
    kxgl::glCompileShader(vertex);
    kxgl::glAttachShader(program, vertex);
    kxgl::glLinkProgram(program);
    kxgl::glUseProgram(program);
    glGenTextures(3, textures);
    for (int unit = 0; unit < 3; ++unit) {
        activeTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, textures[unit]);
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 5);
    const std::vector<GLint> before = CallerState(activeTexture);
    ASSERT_EQ(before[0], static_cast<GLint>(framebuffer));
    while (glGetError() != GL_NO_ERROR) { }

    const Content picture { [](int x, int y) { return 40 + 9 * x + 5 * y; },
        [](int i, int) { return 100 + 20 * i; }, [](int, int j) { return 150 - 15 * j; } };
    TestFrame made(ImageObject::NV12, 9, 7, 5, picture);
    varnox::FrameShader shader;
    TextureStatic texture;
    varnox::FrameShape shape;
    ASSERT_TRUE(varnox::CheckFrame(made.frame, "FrameShaderTest", shape));
    EXPECT_TRUE(shader.Convert(made.frame, shape, texture));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(CallerState(activeTexture), before);
    // What it drew, neither blended nor cut by the caller's scissor box.
    std::string first;
    EXPECT_EQ(Compare(made, picture, texture, 3, first), 0) << first;

    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_SCISSOR_TEST);
    glViewport(plain[8], plain[9], plain[10], plain[11]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, plain[6]);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, plain[7]);
    kxgl::glUseProgram(0);
    kxgl::glDeleteProgram(program);
    kxgl::glDeleteShader(vertex);
    glDeleteTextures(3, textures);
    bindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(plain[0]));
    deleteFramebuffers(1, &framebuffer);
    activeTexture(static_cast<GLenum>(plain[3]));
}

TEST_F(FrameShaderTest, AFramebufferTargetDrawsIntoItsOwnFramebufferAfterAConversion)
{
    COffScreen* target = COffScreen::NewFramebufferL(16, 8);
    GLint before = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &before);
    ASSERT_NE(before, 0);
    {
        // Objects of the target's context, gone before it is.
        const Content flat { [](int, int) { return 180; }, [](int, int) { return 60; },
            [](int, int) { return 200; } };
        TestFrame made(ImageObject::I420, 5, 3, 0, flat);
        varnox::FrameShader shader;
        TextureStatic texture;
        std::string first;
        EXPECT_EQ(Mismatches(shader, made, flat, texture, 2, first), 0) << first;
        GLint after = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &after);
        EXPECT_EQ(after, before);
    }
    // What the client draws next lands in the target.
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    ASSERT_EQ(pixels.size(), 16u * 8u * 4u);
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[1], 255);
    EXPECT_EQ(pixels[2], 0);
    glClearColor(0, 0, 0, 0);
    delete target;
}

} // namespace
