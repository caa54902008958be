#include <varnox/Texture.h>

#include <GL/gl.h>

#include <varnox/ImageObject.h>

#include "materials/TextureUpload.h"

namespace {
constexpr int kStaticCodes = ImageObject::RGB24 | ImageObject::RGB565 | ImageObject::RGBA32
    | ImageObject::RGBA4444 | ImageObject::BGRA32 | ImageObject::LUMINANCE8 | ImageObject::LUMINANCE_ALPHA16
    | ImageObject::FORMAT_1024;
} // namespace

Texture::Texture() = default;

Texture::~Texture()
{
    if (texture != 0)
        glDeleteTextures(1, &texture);
}

void Texture::bind()
{
}

void Texture::unbind()
{
}

TextureStatic::TextureStatic() = default;

void TextureStatic::setImage(int w, int h, int stride, int code, const void* pixels)
{
    if (const varnox::TextureFormat* f = varnox::FindTextureFormat(code, kStaticCodes))
        varnox::DefineTextureImage(*this, w, h, stride, code, *f, pixels);
}

void TextureStatic::setSubImage(int x, int y, int w, int h, int code, const void* pixels)
{
    if (const varnox::TextureFormat* f = varnox::FindTextureFormat(code, kStaticCodes))
        varnox::ReplaceTextureRect(*this, x, y, w, h, *f, pixels);
}

void TextureStatic::bind()
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
}

void TextureStatic::unbind()
{
    glDisable(GL_TEXTURE_2D);
}

int Varnox::MakePo2(int n)
{
    // Above 2^30 no power of two fits an int; doubling on would overflow.
    constexpr int kLargest = 1 << 30;
    if (n < 0 || n > kLargest)
        return n;
    int po2 = 1;
    while (po2 < n)
        po2 *= 2;
    return po2;
}
