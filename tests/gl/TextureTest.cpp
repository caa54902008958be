#include <cstdint>
#include <cstring>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "gl/GLTest.h"
#include "materials/TextureStream.h"
#include "materials/TextureUpload.h"

// The library calls the system GL's texture entry points directly; the test
// program's own definitions come first and count the calls on their way.
namespace {
int texImageCalls = 0;
int texSubImageCalls = 0;

template <class F> F Next(const char* name)
{
#if defined(_WIN32)
    return reinterpret_cast<F>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), name)));
#else
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
#endif
}

using TexImage2D
    = void(APIENTRY*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
using TexSubImage2D
    = void(APIENTRY*)(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*);

void APIENTRY CountTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
    GLint border, GLenum pixelFormat, GLenum type, const void* pixels)
{
    static const auto next = Next<TexImage2D>("glTexImage2D");
    ++texImageCalls;
    next(target, level, internalFormat, width, height, border, pixelFormat, type, pixels);
}

void APIENTRY CountTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height,
    GLenum pixelFormat, GLenum type, const void* pixels)
{
    static const auto next = Next<TexSubImage2D>("glTexSubImage2D");
    ++texSubImageCalls;
    next(target, level, x, y, width, height, pixelFormat, type, pixels);
}
} // namespace

#if defined(_WIN32)
// Calls into opengl32 go through its import pointers (__imp_glTexImage2D):
// defined here, they are the ones the linker takes, aimed at the counters.
extern "C" {
TexImage2D __imp_glTexImage2D = CountTexImage2D;
TexSubImage2D __imp_glTexSubImage2D = CountTexSubImage2D;
}
#else
extern "C" void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
    GLint border, GLenum pixelFormat, GLenum type, const void* pixels)
{
    CountTexImage2D(target, level, internalFormat, width, height, border, pixelFormat, type, pixels);
}

extern "C" void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height,
    GLenum pixelFormat, GLenum type, const void* pixels)
{
    CountTexSubImage2D(target, level, x, y, width, height, pixelFormat, type, pixels);
}
#endif

namespace {

using vxtest::GLTest;
using format = ImageObject;

// Storage allocations (glTexImage2D) and uploads (glTexSubImage2D) since made.
class GLCalls {
public:
    int Allocations() const { return texImageCalls - images; }
    int Uploads() const { return texSubImageCalls - subImages; }

private:
    int images = texImageCalls;
    int subImages = texSubImageCalls;
};

struct Storage {
    int width, height, internalFormat;
};

Storage StorageOf(const Texture& t)
{
    glBindTexture(GL_TEXTURE_2D, t.texture);
    Storage s {};
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &s.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &s.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &s.internalFormat);
    return s;
}

// The whole level-0 storage in the given client format, packed rows.
std::vector<uint8_t> Contents(const Texture& t, GLenum pixelFormat, GLenum type, int bytesPerPixel)
{
    const Storage s = StorageOf(t);
    std::vector<uint8_t> texels(static_cast<size_t>(s.width) * s.height * bytesPerPixel);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, pixelFormat, type, texels.data());
    return texels;
}

GLint BoundTexture()
{
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// Bytes with a value that differs by position and by `seed`.
std::vector<uint8_t> Pattern(size_t size, int seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 7 + i / 251 + seed * 31) & 0xff);
    return bytes;
}

// `pixels` copies of one pixel's bytes.
std::vector<uint8_t> Image(const std::vector<uint8_t>& texel, int pixels)
{
    std::vector<uint8_t> image;
    for (int i = 0; i < pixels; ++i)
        image.insert(image.end(), texel.begin(), texel.end());
    return image;
}

// Texture tests keep the shared context as they found it.
class TextureTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    }
    void TearDown() override
    {
        glBindTexture(GL_TEXTURE_2D, 0);
        glPopClientAttrib();
        glPopAttrib();
        GLTest::TearDown();
    }
};

TEST_F(TextureTest, Rgb565ImageDefinesItsStorageAndStaysBound)
{
    std::vector<uint16_t> pixels(512 * 512);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
    kxReference<Texture> held;
    TextureStatic* t = new TextureStatic;
    held = t;
    EXPECT_EQ(t->texture, 0u);
    EXPECT_EQ(t->format, 1);

    GLCalls calls;
    t->setImage(512, 512, 0, format::RGB565, pixels.data());
    EXPECT_EQ(calls.Allocations(), 1);
    EXPECT_EQ(calls.Uploads(), 1);
    ASSERT_NE(t->texture, 0u);
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(t->texture));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(t->width, 512);
    EXPECT_EQ(t->height, 512);
    EXPECT_EQ(t->textureWidth, 512);
    EXPECT_EQ(t->textureHeight, 512);
    EXPECT_EQ(t->format, format::RGB565);

    const Storage s = StorageOf(*t);
    EXPECT_EQ(s.width, 512);
    EXPECT_EQ(s.height, 512);
    EXPECT_EQ(s.internalFormat, GL_RGB);
    const std::vector<uint8_t> back = Contents(*t, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2);
    EXPECT_EQ(std::memcmp(back.data(), pixels.data(), back.size()), 0);

    GLint filter = 0, wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    EXPECT_EQ(filter, GL_LINEAR);
    EXPECT_EQ(wrap, GL_REPEAT);
}

TEST_F(TextureTest, ImagesSitInTheCornerOfStorageThatFollowsTheRowLength)
{
    const std::vector<uint8_t> rgba = Pattern(300 * 200 * 4, 1);
    TextureStatic packed;
    packed.setImage(300, 200, 0, format::RGBA32, rgba.data());
    // 300 RGB pixels in rows of 960 bytes: 320 pixels a row, 20 of padding.
    const std::vector<uint8_t> rgb = Pattern(960 * 200, 2);
    TextureStatic padded;
    GLCalls calls;
    padded.setImage(300, 200, 960, format::RGB24, rgb.data());
    EXPECT_EQ(calls.Uploads(), 1);

    for (const TextureStatic* t : { &packed, &padded }) {
        EXPECT_EQ(t->width, 300);
        EXPECT_EQ(t->height, 200);
        EXPECT_EQ(t->textureWidth, 512);
        EXPECT_EQ(t->textureHeight, 256);
        const Storage s = StorageOf(*t);
        EXPECT_EQ(s.width, 512);
        EXPECT_EQ(s.height, 256);
    }
    EXPECT_EQ(StorageOf(packed).internalFormat, GL_RGBA);
    EXPECT_EQ(StorageOf(padded).internalFormat, GL_RGB);

    const std::vector<uint8_t> a = Contents(packed, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    const std::vector<uint8_t> b = Contents(padded, GL_RGB, GL_UNSIGNED_BYTE, 3);
    for (int row = 0; row < 200; ++row) {
        ASSERT_EQ(std::memcmp(&a[row * 512 * 4], &rgba[row * 300 * 4], 300 * 4), 0) << "row " << row;
        // The image in columns 0 to 299, the padding pixels after it.
        ASSERT_EQ(std::memcmp(&b[row * 512 * 3], &rgb[row * 960], 300 * 3), 0) << "row " << row;
        ASSERT_EQ(std::memcmp(&b[(row * 512 + 300) * 3], &rgb[row * 960 + 900], 60), 0) << "row " << row;
    }
}

TEST_F(TextureTest, StorageIsReallocatedOnlyForANewSizeOrCode)
{
    TextureStatic t;
    GLCalls calls;
    t.setImage(300, 200, 0, format::RGBA32, Pattern(300 * 200 * 4, 3).data());
    const unsigned int name = t.texture;
    const std::vector<uint8_t> second = Pattern(300 * 200 * 4, 4);
    t.setImage(300, 200, 0, format::RGBA32, second.data());
    EXPECT_EQ(calls.Allocations(), 1);
    EXPECT_EQ(calls.Uploads(), 2);
    std::vector<uint8_t> back = Contents(t, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    for (int row = 0; row < 200; ++row)
        ASSERT_EQ(std::memcmp(&back[row * 512 * 4], &second[row * 300 * 4], 300 * 4), 0) << "row " << row;

    // 500 × 500 after 512 × 512: the same storage.
    t.setImage(512, 512, 0, format::RGBA32, Pattern(512 * 512 * 4, 5).data());
    calls = GLCalls();
    t.setImage(500, 500, 0, format::RGBA32, Pattern(500 * 500 * 4, 6).data());
    EXPECT_EQ(calls.Allocations(), 0);
    EXPECT_EQ(StorageOf(t).width, 512);
    EXPECT_EQ(t.width, 500);
    EXPECT_EQ(t.textureWidth, 512);

    // 256 × 256 after 512 × 512: new, smaller storage.
    t.setImage(256, 256, 0, format::RGBA32, Pattern(256 * 256 * 4, 7).data());
    EXPECT_EQ(calls.Allocations(), 1);
    EXPECT_EQ(t.textureWidth, 256);
    EXPECT_EQ(t.textureHeight, 256);
    EXPECT_EQ(StorageOf(t).width, 256);
    EXPECT_EQ(StorageOf(t).height, 256);

    // A new code reallocates, even with the same internal format.
    const std::vector<uint8_t> bgra = Pattern(256 * 256 * 4, 8);
    t.setImage(256, 256, 0, format::BGRA32, bgra.data());
    EXPECT_EQ(calls.Allocations(), 2);
    EXPECT_EQ(t.format, format::BGRA32);
    EXPECT_EQ(Contents(t, GL_BGRA, GL_UNSIGNED_BYTE, 4), bgra);
    t.setImage(256, 256, 0, format::RGB24, Pattern(256 * 256 * 3, 9).data());
    EXPECT_EQ(calls.Allocations(), 3);
    EXPECT_EQ(t.format, format::RGB24);
    EXPECT_EQ(StorageOf(t).internalFormat, GL_RGB);
    EXPECT_EQ(t.texture, name);

    // Rectangles never reallocate.
    t.setSubImage(0, 0, 2, 2, format::RGBA32, bgra.data());
    EXPECT_EQ(calls.Allocations(), 3);
}

TEST_F(TextureTest, CodesAKindDoesNotTakeChangeNothing)
{
    const std::vector<uint8_t> pixels = Pattern(16 * 16 * 4, 10);
    const int outside[] = { 0, 1, 3, 32, 128, 2048, -1, 6, format::YUV420, format::YUV422 };

    // Not even a GL texture is made.
    GLCalls calls;
    TextureStatic empty;
    TextureStream emptyStream;
    for (int code : outside) {
        empty.setImage(16, 16, 0, code, pixels.data());
        emptyStream.setImage(16, 16, 0, code, pixels.data());
    }
    for (int code : { format::RGB24, format::RGBA32, format::RGBA4444, format::LUMINANCE8,
             format::LUMINANCE_ALPHA16, format::FORMAT_1024 })
        emptyStream.setImage(16, 16, 0, code, pixels.data());
    for (const Texture* t :
        { static_cast<const Texture*>(&empty), static_cast<const Texture*>(&emptyStream) }) {
        EXPECT_EQ(t->texture, 0u);
        EXPECT_EQ(t->width, 0);
        EXPECT_EQ(t->height, 0);
        EXPECT_EQ(t->textureWidth, 0);
        EXPECT_EQ(t->format, 1);
    }

    // A defined texture keeps its fields, contents and GL binding.
    TextureStatic t;
    t.setImage(8, 8, 0, format::RGBA32, pixels.data());
    TextureStream stream;
    stream.setImage(8, 8, 0, format::BGRA32, pixels.data());
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    const std::vector<uint8_t> garbage(64 * 64 * 4, 0xee);
    for (int code : outside) {
        t.setImage(16, 16, 0, code, garbage.data());
        t.setSubImage(0, 0, 4, 4, code, garbage.data());
        stream.setImage(16, 16, 0, code, garbage.data());
        stream.setSubImage(0, 0, 4, 4, code, garbage.data());
    }
    stream.setImage(16, 16, 0, format::RGB24, garbage.data());
    EXPECT_EQ(calls.Allocations(), 2);
    EXPECT_EQ(calls.Uploads(), 2);
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(other));
    for (Texture* k : { static_cast<Texture*>(&t), static_cast<Texture*>(&stream) }) {
        EXPECT_EQ(k->width, 8);
        EXPECT_EQ(k->textureWidth, 8);
        EXPECT_EQ(StorageOf(*k).width, 8);
    }
    EXPECT_EQ(t.format, format::RGBA32);
    EXPECT_EQ(stream.format, format::BGRA32);
    EXPECT_EQ(Contents(t, GL_RGBA, GL_UNSIGNED_BYTE, 4),
        std::vector<uint8_t>(pixels.begin(), pixels.begin() + 256));
    EXPECT_EQ(Contents(stream, GL_BGRA, GL_UNSIGNED_BYTE, 4),
        std::vector<uint8_t>(pixels.begin(), pixels.begin() + 256));
    glDeleteTextures(1, &other);
}

TEST_F(TextureTest, BindOnAnEmptyTextureBindsZeroAndEnablesTexturing)
{
    GLuint other = 0;
    glGenTextures(1, &other);
    TextureStatic t;
    TextureStream stream;
    for (Texture* k : { static_cast<Texture*>(&t), static_cast<Texture*>(&stream) }) {
        glBindTexture(GL_TEXTURE_2D, other);
        k->bind();
        EXPECT_EQ(BoundTexture(), 0);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        k->unbind();
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        // A rectangle before any image does nothing.
        const uint8_t px[4] = { 1, 2, 3, 4 };
        k->setSubImage(0, 0, 1, 1, format::RGBA32, px);
        EXPECT_EQ(k->texture, 0u);
    }
    glDeleteTextures(1, &other);
}

TEST_F(TextureTest, NullPixelsDefineStorageAndUploadNothing)
{
    const std::vector<uint8_t> pixels = Pattern(32 * 32 * 4, 11);
    TextureStatic t;
    GLCalls calls;
    t.setImage(20, 20, 0, format::RGBA32, nullptr);
    ASSERT_NE(t.texture, 0u);
    EXPECT_EQ(calls.Allocations(), 1);
    EXPECT_EQ(calls.Uploads(), 0);
    EXPECT_EQ(StorageOf(t).width, 32);
    EXPECT_EQ(t.width, 20);

    t.setImage(32, 32, 0, format::RGBA32, pixels.data());
    t.setImage(32, 32, 0, format::RGBA32, nullptr);
    t.setSubImage(0, 0, 32, 32, format::RGBA32, nullptr);
    EXPECT_EQ(calls.Uploads(), 1);
    EXPECT_EQ(Contents(t, GL_RGBA, GL_UNSIGNED_BYTE, 4), pixels);
}

TEST_F(TextureTest, RowsStayWholeWhenTheUnpackAlignmentChangedSince)
{
    // 3 RGB pixels make rows of 9 bytes; with an alignment of 4 GL would
    // read rows 12 bytes apart.
    const std::vector<uint8_t> first = Pattern(9 * 2, 12);
    const std::vector<uint8_t> second = Pattern(9 * 2, 13);
    TextureStatic t;
    t.setImage(3, 2, 0, format::RGB24, first.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    t.setImage(3, 2, 0, format::RGB24, second.data());
    const std::vector<uint8_t> back = Contents(t, GL_RGB, GL_UNSIGNED_BYTE, 3);
    EXPECT_EQ(std::memcmp(&back[0], &second[0], 9), 0);
    EXPECT_EQ(std::memcmp(&back[4 * 3], &second[9], 9), 0);
}

// What a user sees: one texel colour per code, drawn over the whole target.
struct Colour {
    int r, g, b, a;
};

Colour Drawn(Texture& t)
{
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, vxtest::SharedTarget().width, vxtest::SharedTarget().height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    t.bind();
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    t.unbind();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    const std::vector<uint8_t> bgra = vxtest::ReadPixels(vxtest::SharedTarget());
    const size_t centre
        = (static_cast<size_t>(vxtest::SharedTarget().height / 2) * vxtest::SharedTarget().width
              + vxtest::SharedTarget().width / 2)
        * 4;
    return { bgra[centre + 2], bgra[centre + 1], bgra[centre], bgra[centre + 3] };
}

struct CodeCase {
    int code;
    std::vector<uint8_t> texel; // one pixel in the code's memory layout
    Colour expected;
};

// Two colours per code, with their expected RGBA after GL's expansion.
std::vector<CodeCase> Cases(int variant)
{
    auto u16 = [](unsigned v) { return std::vector<uint8_t> { uint8_t(v & 0xff), uint8_t(v >> 8) }; };
    auto x = [](int bits, int v) { return (v * 255 + (1 << bits) / 2 - 1) / ((1 << bits) - 1); };
    const int s = variant;
    return {
        { format::RGB24, { uint8_t(200 - s), 100, 50 }, { 200 - s, 100, 50, 255 } },
        { format::RGB565, u16(25u << 11 | unsigned(40 - s) << 5 | 6u),
            { x(5, 25), x(6, 40 - s), x(5, 6), 255 } },
        { format::RGBA32, { 200, uint8_t(100 + s), 50, 128 }, { 200, 100 + s, 50, 128 } },
        { format::RGBA4444, u16(12u << 12 | 6u << 8 | unsigned(3 + s) << 4 | 9u),
            { 204, 102, 17 * (3 + s), 153 } },
        { format::BGRA32, { 50, 100, uint8_t(200 - s), 128 }, { 200 - s, 100, 50, 128 } },
        { format::LUMINANCE8, { uint8_t(90 + s) }, { 90 + s, 90 + s, 90 + s, 255 } },
        { format::LUMINANCE_ALPHA16, { 90, uint8_t(160 + s) }, { 90, 90, 90, 160 + s } },
        { format::FORMAT_1024, { 200, 100, uint8_t(50 + s) }, { 200, 100, 50 + s, 255 } },
    };
}

void ExpectColour(Colour got, Colour want, int code)
{
    EXPECT_NEAR(got.r, want.r, 1) << "code " << code;
    EXPECT_NEAR(got.g, want.g, 1) << "code " << code;
    EXPECT_NEAR(got.b, want.b, 1) << "code " << code;
    EXPECT_NEAR(got.a, want.a, 1) << "code " << code;
}

TEST_F(TextureTest, EveryCodeShowsItsColours)
{
    const std::vector<CodeCase> first = Cases(0);
    const std::vector<CodeCase> second = Cases(10);
    for (size_t i = 0; i < first.size(); ++i) {
        const int code = first[i].code;
        // Odd row lengths (3 × 3) for every code, whole or in a rectangle.
        TextureStatic t;
        t.setImage(3, 3, 0, code, Image(first[i].texel, 9).data());
        ExpectColour(Drawn(t), first[i].expected, code);
        t.setSubImage(0, 0, 3, 3, code, Image(second[i].texel, 9).data());
        t.setSubImage(3, 0, 1, 4, code, Image(second[i].texel, 4).data());
        t.setSubImage(0, 3, 3, 1, code, Image(second[i].texel, 3).data());
        ExpectColour(Drawn(t), second[i].expected, code);

        // The stream takes RGB565 and BGRA32 whole, and every code in a rectangle.
        TextureStream stream;
        const bool whole = code == format::RGB565 || code == format::BGRA32;
        stream.setImage(4, 4, 0, whole ? code : format::BGRA32,
            Image(whole ? first[i].texel : Cases(0)[4].texel, 16).data());
        stream.setSubImage(0, 0, 4, 4, code, Image(second[i].texel, 16).data());
        ExpectColour(Drawn(stream), second[i].expected, code);
    }
}

TEST_F(TextureTest, Format1024HoldsRgbBytesInRgbaStorage)
{
    TextureStatic t;
    t.setImage(3, 2, 0, format::FORMAT_1024, Image({ 10, 20, 30 }, 6).data());
    EXPECT_EQ(t.textureWidth, 4);
    EXPECT_EQ(StorageOf(t).internalFormat, GL_RGBA);
    const std::vector<uint8_t> back = Contents(t, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 12),
        (std::vector<uint8_t> { 10, 20, 30, 255, 10, 20, 30, 255, 10, 20, 30, 255 }));
    // RGBA32 rectangles can then write alpha.
    t.setSubImage(1, 0, 1, 1, format::RGBA32, Image({ 1, 2, 3, 4 }, 1).data());
    EXPECT_EQ(Contents(t, GL_RGBA, GL_UNSIGNED_BYTE, 4)[7], 4);
}

TEST_F(TextureTest, LastReferenceDeletesTheGLTexture)
{
    const uint8_t px[4] = { 1, 2, 3, 4 };
    kxReference<Texture> a, b;
    TextureStatic* t = new TextureStatic;
    TextureStream* stream = new TextureStream;
    a = t;
    b = t;
    t->setImage(1, 1, 0, format::RGBA32, px);
    const GLuint name = t->texture;
    EXPECT_EQ(t->count, 2);
    EXPECT_TRUE(glIsTexture(name));
    a = stream;
    EXPECT_EQ(t->count, 1);
    EXPECT_TRUE(glIsTexture(name));
    b = nullptr;
    EXPECT_FALSE(glIsTexture(name));

    stream->setImage(1, 1, 0, format::BGRA32, px);
    const GLuint streamName = stream->texture;
    EXPECT_TRUE(glIsTexture(streamName));
    a = nullptr;
    EXPECT_FALSE(glIsTexture(streamName));
}

} // namespace
