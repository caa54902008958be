#pragma once

namespace varnox {

// Image-format codes, one bit each. Image objects take the same values; the
// two YUV codes never reach a texture, frames are converted to BGRA32 first.
namespace format {
    enum : int {
        RGB24 = 2,
        RGB565 = 4,
        RGBA32 = 8,
        RGBA4444 = 16,
        BGRA32 = 64,
        LUMINANCE8 = 256,
        LUMINANCE_ALPHA16 = 512,
        FORMAT_1024 = 1024,
        YUV420 = 0x10000,
        YUV422 = 0x400000,
    };
} // namespace format

} // namespace varnox
