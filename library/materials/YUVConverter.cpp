#include "materials/YUVConverter.h"

#include <cstddef>
#include <cstring>

#include <Pixkit.h>

#include <varnox/ImageObject.h>

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

void YUVConverter::Configure(int w, int h, int code)
{
    // Reconfiguring without a Release in between would lose the old buffer.
    Release();
    width = w;
    rowBytes = w * kPixelBytes;
    height = h;
    const size_t pixels = w > 0 && h > 0 ? static_cast<size_t>(w) * static_cast<size_t>(h) : 0;
    buffer = new int[pixels];
    std::memset(buffer, kUnwrittenByte, pixels * sizeof(int));

    if (code != format) {
        format = code;
        if (code == ImageObject::YUV420) {
            convert = YUV4202BGRA;
            ready = true;
        } else if (code == ImageObject::YUV422) {
            convert = YUV4222BGRA;
            ready = true;
        } else {
            ready = false;
        }
    }
}

int* YUVConverter::Convert(unsigned char* source)
{
    if (!ready || !buffer)
        return nullptr;
    convert(source, buffer, width, height);
    return buffer;
}

void YUVConverter::Release()
{
    delete[] buffer;
    buffer = nullptr;
}
