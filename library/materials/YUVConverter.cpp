#include "materials/YUVConverter.h"

#include <climits>
#include <cstddef>
#include <cstring>

#include <Pixkit.h>

#include "core/Print.h"
#include "materials/ImageFormat.h"

namespace {
// Bytes of one BGRA pixel.
constexpr int kPixelBytes = 4;
// What every byte of a new buffer holds until a conversion writes it.
constexpr int kUnwrittenByte = 128;
} // namespace

YUVConverter::YUVConverter() = default;

YUVConverter::~YUVConverter()
{
    Release();
}

bool YUVConverter::Configure(int w, int h, int code)
{
    // The buffer's bytes, rowBytes × height, must fit an int: the texture
    // takes the row length as one, and GL counts the bytes it reads in one.
    if (w < 0 || h < 0 || static_cast<long long>(w) * h * kPixelBytes > INT_MAX) {
        varnox::Print(varnox::Kind::Refusal, "YUVConverter: Configure refused the size %d x %d\n", w, h);
        return false;
    }
    // Reconfiguring without a Release in between would lose the old buffer.
    Release();
    width = w;
    rowBytes = w * kPixelBytes;
    height = h;
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    buffer = new int[pixels];
    std::memset(buffer, kUnwrittenByte, pixels * sizeof(int));

    if (code != format) {
        format = code;
        if (code == varnox::format::kYUV420) {
            convert = YUV4202BGRA;
            ready = true;
        } else if (code == varnox::format::kYUV422) {
            convert = YUV4222BGRA;
            ready = true;
        } else {
            ready = false;
        }
    }
    return true;
}

int* YUVConverter::Convert(unsigned char* source)
{
    if (!ready || !buffer || !source)
        return nullptr;
    convert(source, buffer, width, height);
    return buffer;
}

void YUVConverter::Release()
{
    delete[] buffer;
    buffer = nullptr;
}
