#pragma once

// Reading PNG and JPEG files, writing PNG files.

#include <string>
#include <vector>

/// The largest image or frame side the examples take: the texture limit of
/// common GL drivers.
const int kMaxSide = 16384;

/// The longest file LoadPicture reads, 256 MiB. A longer regular file is
/// refused before any of it is read; a pipe or a device that goes on past it
/// is refused once this much has been read.
const long long kMaxFileBytes = 256LL * 1024 * 1024;

/// The most pixels a picture may have, 128 Mi (16384 × 8192, say): 512 MiB
/// as RGBA. Pictures turned by their EXIF orientation need twice that while
/// they are turned.
const long long kMaxPixels = 128LL * 1024 * 1024;

/// An image in memory: RGBA, 4 bytes a pixel, rows packed, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};

/// Reads a PNG or a JPEG file (told apart by their first bytes) into
/// `picture`, 8 bits a sample, turned and mirrored as its EXIF orientation
/// says. On failure `picture` is left as it was and `error` says why, in a
/// few words without the name.
///
/// Samples are taken as sRGB, as stored: 16-bit samples are scaled to 8 bits
/// and colour chunks (gAMA, cHRM, sRGB, iCCP) are not applied. CMYK and YCCK
/// JPEGs are turned into RGB without a colour profile, inverted CMYK when
/// the file has an Adobe marker. Files over kMaxFileBytes, pictures over
/// kMaxPixels or kMaxSide on a side, and files whose data cannot hold the
/// pixels their header claims are refused before the pixels are allocated.
bool LoadPicture(const char* path, Picture& picture, std::string& error);

/// Writes width × height BGRA pixels as an 8-bit RGB PNG (alpha dropped).
/// `top` is the top row; rows are `stride` bytes apart, a negative stride
/// for images stored bottom row first (as CRenderTarget::CopyBuffer reads
/// them).
bool WritePng(
    const char* path, int width, int height, const unsigned char* top, long stride, std::string& error);
