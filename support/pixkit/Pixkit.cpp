#include "Pixkit.h"

#include <cstdint>

#include <libyuv/convert_argb.h>
#include <libyuv/planar_functions.h>

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

namespace {

const libyuv::YuvConstants* Constants(int matrix, int range)
{
    static const libyuv::YuvConstants* const kTable[3][2] = {
        { &libyuv::kYuvI601Constants, &libyuv::kYuvJPEGConstants },
        { &libyuv::kYuvH709Constants, &libyuv::kYuvF709Constants },
        { &libyuv::kYuv2020Constants, &libyuv::kYuvV2020Constants },
    };
    if (matrix < kPixBT601 || matrix > kPixBT2020 || (range != kPixLimited && range != kPixFull))
        return nullptr;
    return kTable[matrix][range];
}

const uint16_t* Words(const unsigned char* plane)
{
    return reinterpret_cast<const uint16_t*>(plane);
}

} // namespace

long long FrameScratchBytes(int layout, int width, int height)
{
    if ((layout != kPixYUY2 && layout != kPixUYVY) || width <= 0 || height <= 0)
        return 0;
    const long long chromaWidth = (static_cast<long long>(width) + 1) / 2;
    return (static_cast<long long>(width) + 2 * chromaWidth) * height;
}

bool FrameToBGRA(
    const PixkitFrame& f, unsigned char* scratch, unsigned char* destination, int destinationStride)
{
    const libyuv::YuvConstants* constants = Constants(f.matrix, f.range);
    if (!constants || !destination || f.width <= 0 || f.height <= 0)
        return constants != nullptr;
    const int w = f.width, h = f.height;
    const unsigned char* const* p = f.planes;
    const int* s = f.strides;
    uint8_t* out = destination;
    switch (f.layout) {
    case kPixI420:
        return libyuv::I420ToARGBMatrix(
                   p[0], s[0], p[1], s[1], p[2], s[2], out, destinationStride, constants, w, h)
            == 0;
    case kPixYV12:
        return libyuv::I420ToARGBMatrix(
                   p[0], s[0], p[2], s[2], p[1], s[1], out, destinationStride, constants, w, h)
            == 0;
    case kPixI422:
        return libyuv::I422ToARGBMatrix(
                   p[0], s[0], p[1], s[1], p[2], s[2], out, destinationStride, constants, w, h)
            == 0;
    case kPixI444:
        return libyuv::I444ToARGBMatrix(
                   p[0], s[0], p[1], s[1], p[2], s[2], out, destinationStride, constants, w, h)
            == 0;
    case kPixNV12:
        return libyuv::NV12ToARGBMatrix(p[0], s[0], p[1], s[1], out, destinationStride, constants, w, h) == 0;
    case kPixNV21:
        return libyuv::NV21ToARGBMatrix(p[0], s[0], p[1], s[1], out, destinationStride, constants, w, h) == 0;
    case kPixI400:
        return libyuv::I400ToARGBMatrix(p[0], s[0], out, destinationStride, constants, w, h) == 0;
    case kPixI010:
        // Strides of 16-bit planes are counted in words.
        return libyuv::I010ToARGBMatrix(Words(p[0]), s[0] / 2, Words(p[1]), s[1] / 2, Words(p[2]), s[2] / 2,
                   out, destinationStride, constants, w, h)
            == 0;
    case kPixI210:
        return libyuv::I210ToARGBMatrix(Words(p[0]), s[0] / 2, Words(p[1]), s[1] / 2, Words(p[2]), s[2] / 2,
                   out, destinationStride, constants, w, h)
            == 0;
    case kPixI410:
        return libyuv::I410ToARGBMatrix(Words(p[0]), s[0] / 2, Words(p[1]), s[1] / 2, Words(p[2]), s[2] / 2,
                   out, destinationStride, constants, w, h)
            == 0;
    case kPixP010:
        return libyuv::P010ToARGBMatrix(
                   Words(p[0]), s[0] / 2, Words(p[1]), s[1] / 2, out, destinationStride, constants, w, h)
            == 0;
    case kPixYUY2:
    case kPixUYVY: {
        // No matrix form for the packed layouts: split into I422 planes first.
        const int chromaWidth = (w + 1) / 2;
        uint8_t* y = scratch;
        uint8_t* u = y + static_cast<size_t>(w) * h;
        uint8_t* v = u + static_cast<size_t>(chromaWidth) * h;
        const int split = f.layout == kPixYUY2
            ? libyuv::YUY2ToI422(p[0], s[0], y, w, u, chromaWidth, v, chromaWidth, w, h)
            : libyuv::UYVYToI422(p[0], s[0], y, w, u, chromaWidth, v, chromaWidth, w, h);
        return split == 0
            && libyuv::I422ToARGBMatrix(
                   y, w, u, chromaWidth, v, chromaWidth, out, destinationStride, constants, w, h)
            == 0;
    }
    default:
        return false;
    }
}
