#pragma once

#include <varnox/Texture.h>

#include "materials/ImageFormat.h"

namespace varnox {

// Every code the upload table holds: all image-format codes but the two YUV
// ones, which image objects convert to BGRA32 first.
using format::kEveryTextureCode;

// Bytes of one pixel of a code of the upload table; 0 for any other code.
int BytesPerPixel(int code);

// The body of both texture kinds (TextureStatic, TextureStream), which differ
// only in the codes they take, and the checks the image object shares with
// them. `owner` and `operation` name the class and the call in the one line
// a refusal prints ("TextureStatic: setImage refused ...").
struct TextureUpload {
    // setImage: for a code in `accepted` (an OR of codes) defines the image;
    // storage is reallocated only when its power-of-two size or the code
    // changes, then the whole rows are uploaded. Null pixels define the
    // storage and upload nothing. Any other code changes nothing, silently;
    // a size or stride CheckImage refuses changes nothing either.
    static void SetImage(Texture& texture, const char* owner, int accepted, int width, int height, int stride,
        int code, const void* pixels);

    // setSubImage: for a code in `accepted`, writes packed rows into a
    // rectangle of the existing storage. Does nothing before the first image
    // or for any other code; a rectangle CheckRect refuses, or null pixels,
    // change nothing.
    static void SetRect(Texture& texture, const char* owner, int accepted, int x, int y, int width,
        int height, int code, const void* pixels);

    // Whether an image of width × height pixels, rows `stride` bytes apart
    // (0: packed) and `bytesPerPixel` bytes a pixel, can go into `texture`:
    // no negative size or stride, a stride no shorter than a row, and
    // storage within GL_MAX_TEXTURE_SIZE in both directions (this Mesa ends
    // the process inside glTexImage2D for sizes of 2^25 and more). Otherwise
    // one line names the refused value. Compares ints only, once the limit
    // is known.
    static bool CheckImage(Texture& texture, const char* owner, const char* operation, int width, int height,
        int stride, int bytesPerPixel);

    // Whether the rectangle lies inside the texture's storage, with no
    // negative position or size; otherwise one line names it.
    static bool CheckRect(const Texture& texture, const char* owner, const char* operation, int x, int y,
        int width, int height);

    // GL_MAX_TEXTURE_SIZE (the largest power of two within it), asked of
    // the current context the first time the texture needs it and kept; 0
    // while no context is current (GL then answers nothing).
    static int SizeLimit(Texture& texture);
};

// bind and unbind of the library's textures, through the current binder
// (materials/Binding.h): binds the texture to GL_TEXTURE_2D and enables 2D
// texturing; disables it.
void BindTexture(const Texture& texture);
void UnbindTexture();

} // namespace varnox
