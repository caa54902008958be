#include "Pixkit.h"

#include <cstdint>

#include <libyuv/convert_argb.h>

namespace {

// Converts one planar frame whose chroma planes are chromaWidth × chromaHeight.
// libyuv's "ARGB" is B, G, R, A in memory, which is the BGRA byte order wanted.
void PlanarToBGRA(unsigned char* source, int* destination, int width, int height, int chromaHeight,
    int (*convert)(const uint8_t*, int, const uint8_t*, int, const uint8_t*, int, uint8_t*, int, int, int))
{
    if (!source || !destination || width <= 0 || height <= 0)
        return;
    const int chromaWidth = (width + 1) / 2;
    const uint8_t* y = source;
    const uint8_t* u = y + static_cast<size_t>(width) * height;
    const uint8_t* v = u + static_cast<size_t>(chromaWidth) * chromaHeight;
    convert(y, width, u, chromaWidth, v, chromaWidth, reinterpret_cast<uint8_t*>(destination), width * 4,
        width, height);
}

} // namespace

void YUV4202BGRA(unsigned char* source, int* destination, int width, int height)
{
    PlanarToBGRA(source, destination, width, height, (height + 1) / 2, libyuv::I420ToARGB);
}

void YUV4222BGRA(unsigned char* source, int* destination, int width, int height)
{
    PlanarToBGRA(source, destination, width, height, height, libyuv::I422ToARGB);
}
