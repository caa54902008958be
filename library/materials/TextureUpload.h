#pragma once

#include <GL/gl.h>

class Texture;

namespace varnox {

// How pixels of one format code are stored and handed to GL.
struct TextureFormat {
    int bytesPerPixel;
    GLenum internalFormat;
    GLenum pixelFormat;
    GLenum type;
};

// The table row of `code` when `code` is one of the codes in `accepted` (an
// OR of codes); null otherwise, which leaves the texture untouched.
const TextureFormat* FindTextureFormat(int code, int accepted);

// Defines the texture's image (setImage): storage is reallocated only when
// its power-of-two size or the code changes, then the whole rows are
// uploaded. Null pixels define the storage and upload nothing.
void DefineTextureImage(Texture& texture, int width, int height, int stride, int code,
    const TextureFormat& format, const void* pixels);

// Writes packed rows into a rectangle of the existing storage (setSubImage).
// Does nothing before the first image or without pixels.
void ReplaceTextureRect(
    Texture& texture, int x, int y, int width, int height, const TextureFormat& format, const void* pixels);

} // namespace varnox
