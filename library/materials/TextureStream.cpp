#include "materials/TextureStream.h"

#include <GL/gl.h>

#include "materials/TextureUpload.h"

namespace {
using namespace varnox::format;

constexpr int kImageCodes = RGB565 | BGRA32;
// BGRA32 included: a converted frame's rectangle arrives in the same code as
// the frame itself.
constexpr int kRectCodes
    = RGB24 | RGB565 | RGBA32 | RGBA4444 | BGRA32 | LUMINANCE8 | LUMINANCE_ALPHA16 | FORMAT_1024;
} // namespace

TextureStream::TextureStream() = default;

TextureStream::~TextureStream() = default;

void TextureStream::setImage(int w, int h, int stride, int code, const void* pixels)
{
    if (const varnox::TextureFormat* f = varnox::FindTextureFormat(code, kImageCodes))
        varnox::DefineTextureImage(*this, w, h, stride, code, *f, pixels);
}

void TextureStream::setSubImage(int x, int y, int w, int h, int code, const void* pixels)
{
    if (const varnox::TextureFormat* f = varnox::FindTextureFormat(code, kRectCodes))
        varnox::ReplaceTextureRect(*this, x, y, w, h, *f, pixels);
}

void TextureStream::bind()
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
}

void TextureStream::unbind()
{
    glDisable(GL_TEXTURE_2D);
}
