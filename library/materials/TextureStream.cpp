#include "materials/TextureStream.h"

#include <GL/gl.h>

#include <varnox/ImageObject.h>

#include "materials/TextureUpload.h"

namespace {
constexpr int kImageCodes = ImageObject::RGB565 | ImageObject::BGRA32;
// BGRA32 included: a converted frame's rectangle arrives in the same code as
// the frame itself.
constexpr int kRectCodes = ImageObject::RGB24 | ImageObject::RGB565 | ImageObject::RGBA32
    | ImageObject::RGBA4444 | ImageObject::BGRA32 | ImageObject::LUMINANCE8 | ImageObject::LUMINANCE_ALPHA16
    | ImageObject::FORMAT_1024;
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
