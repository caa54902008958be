#include "materials/TextureStream.h"

#include "materials/Binding.h"
#include "materials/TextureUpload.h"

namespace {
// Whole frames come as RGB565 or as converted YUV (BGRA32). Rectangles take
// every code, BGRA32 included: a converted frame's rectangle arrives in the
// same code as the frame itself.
constexpr int kImageCodes = varnox::format::kRGB565 | varnox::format::kBGRA32;
} // namespace

TextureStream::TextureStream()
{
    static const bool noted = varnox::NoteOwnBinding(*this);
    (void)noted;
}

TextureStream::~TextureStream() = default;

void TextureStream::setImage(int w, int h, int stride, int code, const void* pixels)
{
    varnox::TextureUpload::SetImage(*this, "TextureStream", kImageCodes, w, h, stride, code, pixels);
}

void TextureStream::setSubImage(int x, int y, int w, int h, int code, const void* pixels)
{
    varnox::TextureUpload::SetRect(
        *this, "TextureStream", varnox::kEveryTextureCode, x, y, w, h, code, pixels);
}

void TextureStream::bind()
{
    varnox::BindTexture(*this);
}

void TextureStream::unbind()
{
    varnox::UnbindTexture();
}
