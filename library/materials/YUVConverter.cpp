#include "materials/YUVConverter.h"

#include <cstddef>
#include <cstring>

#include <Pixkit.h>

#include <varnox/ImageObject.h>

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
    rowBytes = w * 4;
    height = h;
    const size_t pixels = w > 0 && h > 0 ? static_cast<size_t>(w) * static_cast<size_t>(h) : 0;
    buffer = new int[pixels];
    std::memset(buffer, 128, pixels * sizeof(int));

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
