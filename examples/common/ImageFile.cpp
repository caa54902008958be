#include "ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include <sys/stat.h>

#include <png.h>
#include <turbojpeg.h>

#include "OutputFile.h"

namespace {

// Reads the whole file, refusing one longer than kMaxFileBytes: a regular
// file by its size before reading, anything else (a pipe, /dev/zero) once
// that much has come without an end.
bool ReadFile(const char* path, std::vector<unsigned char>& bytes, std::string& error)
{
    const std::string limit = "the limit of " + std::to_string(kMaxFileBytes) + " bytes (256 MiB)";
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        error = "is a folder, not an image";
        return false;
    }
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
        if (info.st_size > kMaxFileBytes) {
            std::fclose(file);
            error = "file of " + std::to_string(info.st_size) + " bytes is over " + limit;
            return false;
        }
        bytes.reserve(static_cast<size_t>(info.st_size));
    }
    unsigned char chunk[65536];
    bool longer = false;
    for (size_t n; !longer && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        longer = bytes.size() + n > static_cast<size_t>(kMaxFileBytes);
        if (!longer)
            bytes.insert(bytes.end(), chunk, chunk + n);
    }
    const bool failed = std::ferror(file);
    const int failure = errno;
    std::fclose(file);
    if (longer)
        error = "input goes on past " + limit;
    else if (failed)
        error = failure ? std::strerror(failure) : "read error";
    return !longer && !failed;
}

bool CheckSize(unsigned long width, unsigned long height, std::string& error)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height) + " pixels";
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        error = "image of " + size + " (1 to " + std::to_string(kMaxSide) + " on a side are taken)";
        return false;
    }
    if (static_cast<long long>(width) * static_cast<long long>(height) > kMaxPixels) {
        error
            = "image of " + size + " is over the limit of " + std::to_string(kMaxPixels) + " pixels (128 Mi)";
        return false;
    }
    return true;
}

unsigned ReadBig16(const unsigned char* p)
{
    return static_cast<unsigned>(p[0] << 8 | p[1]);
}

uint32_t ReadBig32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16
        | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// A block of bytes inside the file.
struct Span {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

// The orientation (tag 0x0112) in the first IFD of an EXIF block, a TIFF
// structure in either byte order: 1 to 8, or 1 when it has none or the block
// is damaged. Every read is checked against the block's end.
int ExifOrientation(Span exif)
{
    const unsigned char* tiff = exif.data;
    const size_t size = exif.size;
    if (size < 8)
        return 1;
    bool big = false;
    if (std::memcmp(tiff, "MM\0*", 4) == 0)
        big = true;
    else if (std::memcmp(tiff, "II*\0", 4) != 0)
        return 1;
    const auto u16
        = [&](size_t at) { return big ? ReadBig16(tiff + at) : unsigned(tiff[at + 1] << 8 | tiff[at]); };
    const auto u32 = [&](size_t at) -> uint32_t {
        return big ? ReadBig32(tiff + at) : static_cast<uint32_t>(u16(at + 2)) << 16 | u16(at);
    };
    const size_t ifd = u32(4);
    if (ifd > size - 2)
        return 1;
    const size_t entries = u16(ifd);
    for (size_t i = 0; i < entries && ifd + 2 + (i + 1) * 12 <= size; ++i) {
        const size_t entry = ifd + 2 + i * 12;
        if (u16(entry) != 0x0112)
            continue;
        // One SHORT as written; one LONG from the odd writer.
        const unsigned type = u16(entry + 2);
        if (u32(entry + 4) != 1 || (type != 3 && type != 4))
            return 1;
        const uint32_t value = type == 3 ? u16(entry + 8) : u32(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

// Turns and mirrors `picture` as EXIF orientation 2 to 8 asks, so that it
// shows upright: output pixel (x, y) is source pixel first + x * across +
// y * down, in pixels. Orientations 5 to 8 swap width and height.
void Orient(Picture& picture, int orientation)
{
    const long w = picture.width, h = picture.height;
    struct Walk {
        long first, across, down;
    };
    const Walk walks[9] = {
        { 0, 1, w }, // unused
        { 0, 1, w }, // 1: as stored
        { w - 1, -1, w }, // 2: mirrored left to right
        { w * h - 1, -1, -w }, // 3: turned 180 degrees
        { (h - 1) * w, 1, -w }, // 4: mirrored top to bottom
        { 0, w, 1 }, // 5: mirrored along the main diagonal
        { (h - 1) * w, -w, 1 }, // 6: turned 90 degrees clockwise
        { h * w - 1, -w, -1 }, // 7: mirrored along the other diagonal
        { w - 1, w, -1 }, // 8: turned 90 degrees counter-clockwise
    };
    if (orientation < 2 || orientation > 8)
        return;
    const Walk walk = walks[orientation];
    const bool swap = orientation >= 5;
    const long outWidth = swap ? h : w, outHeight = swap ? w : h;
    std::vector<unsigned char> turned(picture.rgba.size());
    const unsigned char* from = picture.rgba.data();
    unsigned char* to = turned.data();
    // In bands of 16 rows, so that a swapped picture is read 16 pixels at a
    // time, not a pixel from each of its rows.
    const long band = swap ? 16 : 1;
    for (long top = 0; top < outHeight; top += band) {
        const long bottom = std::min(outHeight, top + band);
        for (long x = 0; x < outWidth; ++x)
            for (long y = top; y < bottom; ++y)
                std::memcpy(to + (y * outWidth + x) * 4,
                    from + (walk.first + x * walk.across + y * walk.down) * 4, 4);
    }
    picture.rgba.swap(turned);
    picture.width = static_cast<int>(outWidth);
    picture.height = static_cast<int>(outHeight);
}

// What a PNG's chunks hold before libpng reads them: the length of the image
// data, and the EXIF block.
struct PngChunks {
    unsigned long long imageData = 0;
    Span exif;
};

PngChunks ScanPng(const std::vector<unsigned char>& bytes)
{
    PngChunks chunks;
    for (size_t at = 8; bytes.size() - at >= 12;) {
        const size_t length = ReadBig32(&bytes[at]);
        const unsigned char* type = &bytes[at + 4];
        // A chunk cut short counts what there is of it: libpng may need no more.
        const size_t present = std::min(length, bytes.size() - at - 12);
        if (std::memcmp(type, "IDAT", 4) == 0)
            chunks.imageData += present;
        else if (std::memcmp(type, "eXIf", 4) == 0 && !chunks.exif.data && present == length) {
            chunks.exif = { &bytes[at + 8], length };
            // Some writers keep the JPEG segment's "Exif\0\0" before the TIFF header.
            if (length >= 6 && std::memcmp(chunks.exif.data, "Exif\0\0", 6) == 0)
                chunks.exif = { chunks.exif.data + 6, length - 6 };
        } else if (std::memcmp(type, "IEND", 4) == 0)
            break;
        if (present < length)
            break;
        at += 12 + length;
    }
    return chunks;
}

// One PNG being read from memory. libpng reports errors by longjmp to the
// setjmp in PngHeader or PngRows, which then return false with `message`
// set; the caller owns this and destroys the libpng structures.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    char message[200] = "";

    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    PngReader() = default;
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

void PngFailed(png_structp png, png_const_charp message)
{
    PngReader* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (a damaged ancillary chunk, an odd colour profile) leave the
// pixels good: the picture is shown.
void PngWarned(png_structp, png_const_charp)
{
}

void PngRead(png_structp png, png_bytep out, size_t count)
{
    PngReader* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->at)
        png_error(png, "the file is cut short");
    std::memcpy(out, reader->data + reader->at, count);
    reader->at += count;
}

// Reads the signature and the chunks up to the image data. Nothing with a
// destructor lives in this frame (libpng's longjmp would skip it).
bool PngHeader(PngReader& reader, png_uint_32& width, png_uint_32& height, int& bitsPerPixel)
{
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    // Some encoders write a zlib window size smaller than the distances
    // their data uses; common decoders ignore it and so does this one.
    png_set_option(png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
    // The sides are checked against kMaxSide by the caller, with its message.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_read_fn(png, &reader, PngRead);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    bitsPerPixel = png_get_bit_depth(png, info) * png_get_channels(png, info);
    return true;
}

// Decodes the pixels as 8-bit RGBA into `rgba`, width × height × 4 bytes.
// Nothing with a destructor lives in this frame.
bool PngRows(PngReader& reader, unsigned char* rgba, png_uint_32 width, png_uint_32 height)
{
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    // Palettes to RGB, gray below 8 bits to 8, tRNS to an alpha channel.
    png_set_expand(png);
    // 16 bits to 8 by v * 255 / 65535, rounded. No gamma is applied: the
    // samples are taken as sRGB, as stored, whatever gAMA, cHRM, sRGB or
    // iCCP chunk says. That is what common tools show: ffmpeg and netpbm
    // never apply gAMA, and ImageMagick's convert leaves 8-bit output as
    // stored for every gAMA up to 0.75 (above that it takes the samples for
    // linear light and re-encodes them as sRGB, whatever the value).
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    // Opaque alpha for files that have none.
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4)
        png_error(png, "unexpected row layout");
    // Interlaced files fill every row once a pass.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, rgba + static_cast<size_t>(y) * width * 4, nullptr);
    return true;
}

bool LoadPng(const std::vector<unsigned char>& bytes, Picture& picture, std::string& error)
{
    PngReader reader;
    reader.data = bytes.data();
    reader.size = bytes.size();
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, PngFailed, PngWarned);
    reader.info = reader.png ? png_create_info_struct(reader.png) : nullptr;
    if (!reader.info) {
        error = "out of memory";
        return false;
    }
    png_uint_32 width = 0, height = 0;
    int bits = 0;
    if (!PngHeader(reader, width, height, bits)) {
        error = std::string("bad PNG: ") + reader.message;
        return false;
    }
    if (!CheckSize(width, height, error))
        return false;
    // Deflate makes at most 1032 bytes of each byte it is given (a 258-byte
    // match in two 1-bit codes), and the decompressed rows hold at least
    // width × height × bits / 8 bytes: a file whose image data is shorter
    // than that cannot be complete, and is refused before its pixels are
    // allocated.
    const PngChunks chunks = ScanPng(bytes);
    const unsigned long long least = (static_cast<unsigned long long>(width) * height * bits + 7) / 8;
    if (chunks.imageData * 1032 < least) {
        error = "bad PNG: " + std::to_string(chunks.imageData) + " bytes of image data cannot hold "
            + std::to_string(width) + "x" + std::to_string(height) + " pixels (the file is cut short)";
        return false;
    }
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.rgba.resize(static_cast<size_t>(width) * height * 4);
    if (!PngRows(reader, picture.rgba.data(), width, height)) {
        error = std::string("bad PNG: ") + reader.message;
        return false;
    }
    Orient(picture, ExifOrientation(chunks.exif));
    return true;
}

// What a JPEG's markers before the image data hold: the EXIF block (the
// first APP1 segment that starts "Exif\0\0") and whether an Adobe APP14
// marker is there.
struct JpegMarkers {
    Span exif;
    bool adobe = false;
};

JpegMarkers ScanJpeg(const std::vector<unsigned char>& bytes)
{
    JpegMarkers markers;
    for (size_t at = 2; bytes.size() - at >= 4 && bytes[at] == 0xff;) {
        const unsigned char marker = bytes[at + 1];
        if (marker == 0xff) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || marker == 0xd8 || (marker >= 0xd0 && marker <= 0xd7)) { // no length
            at += 2;
            continue;
        }
        if (marker == 0xda || marker == 0xd9) // the image data, or the end
            break;
        const size_t length = ReadBig16(&bytes[at + 2]);
        if (length < 2 || length > bytes.size() - at - 2)
            break;
        const Span body { &bytes[at + 4], length - 2 };
        if (marker == 0xe1 && !markers.exif.data && body.size >= 6
            && std::memcmp(body.data, "Exif\0\0", 6) == 0)
            markers.exif = { body.data + 6, body.size - 6 };
        else if (marker == 0xee && body.size >= 5 && std::memcmp(body.data, "Adobe", 5) == 0)
            markers.adobe = true;
        at += 2 + length;
    }
    return markers;
}

// CMYK samples, as libjpeg gives them (YCCK files become CMYK), to RGB in
// place, as image viewers show them without a colour profile. Adobe's
// programs store CMYK inverted (0 is full ink) and say so with their APP14
// marker, which every YCCK file has: then R = C * K / 255 on the stored
// values. Other files store plain CMYK: R = (255 - C) * (255 - K) / 255.
void CmykToRgb(Picture& picture, bool inverted)
{
    unsigned char* p = picture.rgba.data();
    const unsigned char* end = p + picture.rgba.size();
    for (; p < end; p += 4) {
        unsigned ink[4];
        for (int i = 0; i < 4; ++i)
            ink[i] = inverted ? p[i] : 255u - p[i];
        for (int i = 0; i < 3; ++i)
            p[i] = static_cast<unsigned char>((ink[i] * ink[3] + 127) / 255);
        p[3] = 255;
    }
}

// Owns a TurboJPEG decompressor.
struct JpegDecoder {
    tjhandle handle = tjInitDecompress();
    JpegDecoder() = default;
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
    ~JpegDecoder()
    {
        if (handle)
            tjDestroy(handle);
    }
};

bool LoadJpeg(const std::vector<unsigned char>& bytes, Picture& picture, std::string& error)
{
    JpegDecoder decoder;
    if (!decoder.handle) {
        error = "no JPEG decoder";
        return false;
    }
    unsigned char* data = const_cast<unsigned char*>(bytes.data());
    const unsigned long size = static_cast<unsigned long>(bytes.size());
    const auto failed = [&] {
        error = std::string("bad JPEG: ") + tjGetErrorStr2(decoder.handle);
        return false;
    };
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(decoder.handle, data, size, &width, &height, &subsampling, &colourspace) != 0)
        return failed();
    if (!CheckSize(static_cast<unsigned long>(width), static_cast<unsigned long>(height), error))
        return false;
    const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    const int format = cmyk ? TJPF_CMYK : TJPF_RGBA;
    // A file of under one bit a pixel is decoded at one-eighth scale first,
    // into a buffer a sixty-fourth the size: one cut short, or a header that
    // claims more than the data holds, is refused before the full-size
    // pixels are allocated. Photographs take several bits a pixel and skip
    // this.
    const long long pixels = static_cast<long long>(width) * height;
    if (static_cast<long long>(bytes.size()) * 8 < pixels) {
        const tjscalingfactor eighth = { 1, 8 };
        const int smallWidth = TJSCALED(width, eighth), smallHeight = TJSCALED(height, eighth);
        std::vector<unsigned char> small(static_cast<size_t>(smallWidth) * smallHeight * 4);
        if (tjDecompress2(decoder.handle, data, size, small.data(), smallWidth, 0, smallHeight, format,
                TJFLAG_STOPONWARNING)
            != 0)
            return failed();
    }
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(static_cast<size_t>(pixels) * 4);
    if (tjDecompress2(
            decoder.handle, data, size, picture.rgba.data(), width, 0, height, format, TJFLAG_ACCURATEDCT)
        != 0)
        return failed();
    const JpegMarkers markers = ScanJpeg(bytes);
    if (cmyk)
        CmykToRgb(picture, markers.adobe);
    Orient(picture, ExifOrientation(markers.exif));
    return true;
}

// libpng reports errors by longjmp: nothing with a destructor lives here.
bool WriteRows(
    std::FILE* file, int width, int height, const unsigned char* top, long stride, const char** message)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *message = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        *message = "write error";
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
        PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // Memory holds B, G, R, A: swap to R, G, B and leave the fourth byte out.
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < height; ++y)
        png_write_row(png, top + static_cast<long>(y) * stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool LoadPicture(const char* path, Picture& picture, std::string& error)
{
    // Decoded aside and moved in whole: a file that fails changes nothing.
    Picture loaded;
    try {
        std::vector<unsigned char> bytes;
        if (!ReadFile(path, bytes, error))
            return false;
        static const unsigned char kPng[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
        bool ok = false;
        if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPng, 8) == 0)
            ok = LoadPng(bytes, loaded, error);
        else if (bytes.size() >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff)
            ok = LoadJpeg(bytes, loaded, error);
        else
            error = "not a PNG or JPEG image";
        if (!ok)
            return false;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    picture = std::move(loaded);
    return true;
}

bool WritePng(
    const char* path, int width, int height, const unsigned char* top, long stride, std::string& error)
{
    // Written whole beside the path, then put in its place: a failed write
    // leaves what the path held (cmdline/OutputFile.h).
    vnxcmd::OutputFile output;
    if (!output.Open(path, error))
        return false;
    const char* message = nullptr;
    if (!WriteRows(output.file(), width, height, top, stride, &message)) {
        error = message;
        return false;
    }
    return output.Commit(error);
}
