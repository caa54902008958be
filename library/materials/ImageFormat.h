#pragma once

// The image-format codes that textures and the YUV converter take: single
// bits below 0x10000 for the pixel formats a texture stores, and the two YUV
// frame layouts above them, which are converted to BGRA32 before upload.
// ImageObject::imageFormat publishes the same values to clients.

namespace varnox::format {

constexpr int kRGB24 = 2;
constexpr int kRGB565 = 4;
constexpr int kRGBA32 = 8;
constexpr int kRGBA4444 = 16;
constexpr int kBGRA32 = 64;
constexpr int kLuminance8 = 256;
constexpr int kLuminanceAlpha16 = 512;
/// Three bytes R, G, B a pixel in RGBA storage.
constexpr int kFormat1024 = 1024;
/// Planar I420, BT.601 limited range.
constexpr int kYUV420 = 0x10000;
/// Planar I422, BT.601 limited range.
constexpr int kYUV422 = 0x400000;

/// Every code from here upward is a frame to convert, not a texture format.
constexpr int kFirstYuvCode = kYUV420;

/// Every code a texture stores: all but the YUV ones.
constexpr int kEveryTextureCode
    = kRGB24 | kRGB565 | kRGBA32 | kRGBA4444 | kBGRA32 | kLuminance8 | kLuminanceAlpha16 | kFormat1024;

} // namespace varnox::format
