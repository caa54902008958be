#include "common/FuzzSupport.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <GL/gl.h>

#include <varnox/COffScreen.h>
#include <varnox/ImageObject.h>
#include <varnox/kxExtensions.h>

#include "core/Print.h"

namespace vxfuzz {
namespace {

    COffScreen* target = nullptr;
    int maxTextureSize = 0;

    // Every message must be a NUL-terminated text (strlen reads it under
    // ASan); then it is dropped, since a fuzz run would print thousands.
    size_t messageBytes = 0;
    void Swallow(const char* text, void*)
    {
        messageBytes += std::strlen(text);
    }

    // Values where sizes, strides and their products go wrong.
    const int kAwkward[] = {
        -1,
        -2,
        -3,
        -4,
        -65536,
        INT_MIN,
        INT_MIN + 1,
        0,
        1,
        2,
        3,
        4,
        5,
        7,
        8,
        15,
        16,
        17,
        255,
        256,
        257,
        511,
        512,
        513,
        1023,
        1024,
        1025,
        4095,
        4096,
        4097,
        16383,
        16384,
        16385,
        32767,
        32768,
        46340,
        46341,
        65535,
        65536,
        65537,
        1 << 20,
        (1 << 29) + 1,
        1 << 30,
        (1 << 30) + 1,
        INT_MAX / 4 + 1,
        INT_MAX / 3 + 1,
        INT_MAX / 2 + 1,
        INT_MAX - 1,
        INT_MAX,
    };

    const int kCodes[] = {
        ImageObject::RGB24,
        ImageObject::RGB565,
        ImageObject::RGBA32,
        ImageObject::RGBA4444,
        ImageObject::BGRA32,
        ImageObject::LUMINANCE8,
        ImageObject::LUMINANCE_ALPHA16,
        ImageObject::FORMAT_1024,
        ImageObject::YUV420,
        ImageObject::YUV422,
    };

} // namespace

void QuietLibrary()
{
    varnox::SetOutputSink(Swallow, nullptr);
}

COffScreen& StartContext()
{
    if (target)
        return *target;
    // Without a display name the target opens a headless display and loads
    // the entry-point table itself.
    unsetenv("DISPLAY");
    QuietLibrary();
    target = COffScreen::NewL(16, 16);
    if (!target || !target->hglrc || !kxgl::glCreateShader) {
        std::fprintf(stderr, "vxfuzz: no headless GL context with a loaded entry-point table\n");
        std::abort();
    }
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    return *target;
}

COffScreen& Target()
{
    return *target;
}

int MaxTextureSize()
{
    return maxTextureSize;
}

void Trace(const char* format, ...)
{
    static const bool on = [] {
        const char* value = std::getenv("VXFUZZ_TRACE");
        return value && std::strcmp(value, "1") == 0;
    }();
    if (!on)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}

void Require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "vxfuzz: invariant broken: %s\n", what);
    std::abort();
}

bool MemoryOnly()
{
    static const bool on = [] {
        const char* value = std::getenv("VXFUZZ_MEMORY_ONLY");
        return value && std::strcmp(value, "1") == 0;
    }();
    return on;
}

void RequireState(bool condition, const char* what)
{
    if (!MemoryOnly())
        Require(condition, what);
}

std::unique_ptr<vxtest::GuardedBuffer> Pixels(size_t bytes, const std::vector<uint8_t>& pattern)
{
    auto buffer = std::make_unique<vxtest::GuardedBuffer>(bytes);
    if (pattern.empty()) {
        std::memset(buffer->data, 0, bytes);
    } else {
        for (size_t i = 0; i < bytes;) {
            const size_t n = std::min(pattern.size(), bytes - i);
            std::memcpy(buffer->data + i, pattern.data(), n);
            i += n;
        }
    }
    return buffer;
}

int Dimension(FuzzedDataProvider& input, int small)
{
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0:
        return input.PickValueInArray(kAwkward);
    case 1:
        return input.ConsumeIntegral<int>();
    default:
        return input.ConsumeIntegralInRange(0, small);
    }
}

int FormatCode(FuzzedDataProvider& input)
{
    if (input.ConsumeIntegralInRange(0, 7) == 0)
        return input.ConsumeIntegralInRange(0, 0x7FFFFF);
    return input.PickValueInArray(kCodes);
}

int BytesPerPixel(int code)
{
    switch (code) {
    case ImageObject::RGB24:
    case ImageObject::FORMAT_1024:
        return 3;
    case ImageObject::RGB565:
    case ImageObject::RGBA4444:
    case ImageObject::LUMINANCE_ALPHA16:
        return 2;
    case ImageObject::RGBA32:
    case ImageObject::BGRA32:
        return 4;
    case ImageObject::LUMINANCE8:
        return 1;
    default:
        return 0;
    }
}

int64_t Product(int64_t a, int64_t b)
{
    if (a < 0 || b < 0)
        return -1;
    if (a != 0 && b > INT64_MAX / a)
        return INT64_MAX;
    return a * b;
}

int64_t PowerOfTwo(int64_t n)
{
    int64_t p = 1;
    while (p < n)
        p *= 2;
    return p;
}

int64_t DeclaredImageBytes(int width, int height, int stride, int bytesPerPixel)
{
    const int64_t row = stride != 0 ? int64_t { stride } : int64_t { width } * bytesPerPixel;
    return Product(row, height);
}

int64_t DeclaredFrameBytes(int width, int height, bool is420)
{
    if (width < 0 || height < 0)
        return -1;
    const int64_t chromaWidth = (int64_t { width } + 1) / 2;
    const int64_t chromaHeight = is420 ? (int64_t { height } + 1) / 2 : height;
    return int64_t { width } * height + 2 * chromaWidth * chromaHeight;
}

void CheckStorage(const TextureFields& t)
{
    auto po2OrZero = [](int n) { return n == 0 || (n > 0 && (n & (n - 1)) == 0); };
    RequireState(po2OrZero(t.textureWidth) && po2OrZero(t.textureHeight),
        "textureWidth and textureHeight are 0 or powers of two");
    RequireState(t.textureWidth <= maxTextureSize && t.textureHeight <= maxTextureSize,
        "the storage size is one GL can hold");
    if (t.texture == 0 || t.textureWidth == 0)
        return;
    glBindTexture(GL_TEXTURE_2D, t.texture);
    GLint w = -1, h = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    RequireState(w == t.textureWidth && h == t.textureHeight,
        "the GL texture's storage has the size the texture reports");
}

} // namespace vxfuzz
