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

bool CheckSize(int width, int height, std::string& error)
{
    if (width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide)
        return true;
    error = "image of " + std::to_string(width) + "x" + std::to_string(height) + " pixels (1 to "
        + std::to_string(kMaxSide) + " on a side are taken)";
    return false;
}

bool LoadPng(const std::vector<unsigned char>& bytes, Picture& picture, std::string& error)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        error = std::string("bad PNG: ") + image.message;
        return false;
    }
    if (!CheckSize(static_cast<int>(image.width), static_cast<int>(image.height), error)) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) {
        error = std::string("bad PNG: ") + image.message;
        png_image_free(&image);
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
