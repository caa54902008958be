#pragma once

#include <varnox/ImageObject.h>

class Texture;

namespace varnox {

// The body of both texture kinds (TextureStatic, TextureStream): they differ
// only in the codes they take.

// Every code the upload table holds: all image-format codes but the two YUV
// ones, which image objects convert to BGRA32 first.
constexpr int kEveryTextureCode = ImageObject::RGB24 | ImageObject::RGB565 | ImageObject::RGBA32
    | ImageObject::RGBA4444 | ImageObject::BGRA32 | ImageObject::LUMINANCE8 | ImageObject::LUMINANCE_ALPHA16
    | ImageObject::FORMAT_1024;

// setImage: for a code in `accepted` (an OR of codes) defines the image;
// storage is reallocated only when its power-of-two size or the code
// changes, then the whole rows are uploaded. Null pixels define the storage
// and upload nothing. Any other code changes nothing.
void SetTextureImage(
    Texture& texture, int accepted, int width, int height, int stride, int code, const void* pixels);

// setSubImage: for a code in `accepted`, writes packed rows into a rectangle
// of the existing storage. Does nothing before the first image, without
// pixels or for any other code.
void SetTextureRect(
    Texture& texture, int accepted, int x, int y, int width, int height, int code, const void* pixels);

// bind and unbind: binds the texture to GL_TEXTURE_2D and enables 2D
// texturing; disables it.
void BindTexture(const Texture& texture);
void UnbindTexture();

} // namespace varnox
