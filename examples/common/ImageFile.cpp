#include "ImageFile.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>
#include <turbojpeg.h>

#include "OutputFile.h"

namespace {

bool ReadFile(const char* path, std::vector<unsigned char>& bytes, std::string& error)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    unsigned char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    const bool failed = std::ferror(file);
    std::fclose(file);
    if (failed)
        error = "read error";
    return !failed;
}

bool CheckSize(unsigned long width, unsigned long height, std::string& error)
{
    if (width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide)
        return true;
    error = "image of " + std::to_string(width) + "x" + std::to_string(height) + " pixels (1 to "
        + std::to_string(kMaxSide) + " on a side are taken)";
    return false;
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
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.rgba.resize(static_cast<size_t>(width) * height * 4);
    if (!PngRows(reader, picture.rgba.data(), width, height)) {
        error = std::string("bad PNG: ") + reader.message;
        return false;
    }
    return true;
}

bool LoadJpeg(const std::vector<unsigned char>& bytes, Picture& picture, std::string& error)
{
    tjhandle decoder = tjInitDecompress();
    if (!decoder) {
        error = "no JPEG decoder";
        return false;
    }
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    bool ok = tjDecompressHeader3(decoder, bytes.data(), static_cast<unsigned long>(bytes.size()), &width,
                  &height, &subsampling, &colourspace)
        == 0;
    if (!ok)
        error = std::string("bad JPEG: ") + tjGetErrorStr2(decoder);
    else if ((ok = CheckSize(width, height, error))) {
        picture.width = width;
        picture.height = height;
        picture.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        ok = tjDecompress2(decoder, bytes.data(), static_cast<unsigned long>(bytes.size()),
                 picture.rgba.data(), width, 0, height, TJPF_RGBA, TJFLAG_ACCURATEDCT)
            == 0;
        if (!ok)
            error = std::string("bad JPEG: ") + tjGetErrorStr2(decoder);
    }
    tjDestroy(decoder);
    return ok;
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
    std::vector<unsigned char> bytes;
    if (!ReadFile(path, bytes, error))
        return false;
    static const unsigned char kPng[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPng, 8) == 0)
        return LoadPng(bytes, picture, error);
    if (bytes.size() >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff)
        return LoadJpeg(bytes, picture, error);
    error = "not a PNG or JPEG image";
    return false;
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
