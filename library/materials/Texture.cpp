#include <varnox/Texture.h>

#include <GL/gl.h>

#include "materials/Binding.h"
#include "materials/TextureUpload.h"

// Each of the library's texture classes notes its bind and unbind once, so
// that the scene binds a texture whose class overrides neither through its
// tracker.
Texture::Texture()
{
    static const bool noted = varnox::NoteOwnBinding(*this);
    (void)noted;
}

Texture::~Texture()
{
    varnox::TextureUpload::ReleaseEdges(*this);
    if (texture != 0)
        glDeleteTextures(1, &texture);
}

void Texture::bind()
{
}

void Texture::unbind()
{
}

TextureStatic::TextureStatic()
{
    static const bool noted = varnox::NoteOwnBinding(*this);
    (void)noted;
}

void TextureStatic::setImage(int w, int h, int stride, int code, const void* pixels)
{
    varnox::TextureUpload::SetImage(
        *this, "TextureStatic", varnox::kEveryTextureCode, w, h, stride, code, pixels);
}

void TextureStatic::setSubImage(int x, int y, int w, int h, int code, const void* pixels)
{
    varnox::TextureUpload::SetRect(
        *this, "TextureStatic", varnox::kEveryTextureCode, x, y, w, h, code, pixels);
}

void TextureStatic::bind()
{
    varnox::BindTexture(*this);
}

void TextureStatic::unbind()
{
    varnox::UnbindTexture();
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
