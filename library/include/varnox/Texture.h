#pragma once

#include <varnox/Export.h>
#include <varnox/kxObject.h>

namespace varnox {
struct TextureUpload;
struct TextureEdges;
}

/// A counted GL 2D texture filled from pixels in memory. Storage is always a
/// power of two in each direction; the image sits in its corner at (0, 0).
/// Format codes are the values of ImageObject::imageFormat, passed as int;
/// FORMAT_1024 holds three bytes R, G, B a pixel in RGBA storage. Codes a
/// texture kind does not take change nothing. Pixel memory passed in stays
/// the caller's; nothing keeps a pointer to it.
class VARNOX_EXPORT Texture : public kxObject {
public:
    ~Texture() override;

    /// Defines the image: `height` rows `stride` bytes apart (0: packed), the
    /// first row becoming texture row 0. Reallocates storage only when its
    /// power-of-two size or the format code changes. Null pixels define the
    /// storage (contents undefined) and upload nothing. A negative size or
    /// stride, a stride shorter than a row, or storage above
    /// GL_MAX_TEXTURE_SIZE is refused with one line and changes nothing.
    virtual void setImage(int width, int height, int stride, int format, const void* pixels) = 0;
    /// Replaces a rectangle of packed rows inside the existing storage; does
    /// nothing before the first setImage. Null pixels, or a rectangle not
    /// wholly inside the storage, are refused with one line.
    virtual void setSubImage(int x, int y, int width, int height, int format, const void* pixels) = 0;
    /// Called by the scene around a node that holds this texture; the base
    /// does nothing.
    virtual void bind();
    virtual void unbind();

    /// The GL texture object; 0 until the first image.
    unsigned int texture = 0;
    /// Image size last given to setImage.
    int width = 0;
    int height = 0;
    /// Power-of-two storage size; 0 before the first allocation.
    int textureWidth = 0;
    int textureHeight = 0;
    /// Format code of the storage; 1 (no code) until the first allocation.
    int format = 1;
    /// The share group of the context `texture` was made in (contexts of
    /// one group hold the same objects); 0 while there is none, or when that
    /// context is not one of the library's render targets'. A scene draws no
    /// node whose texture belongs to another group than the target's.
    unsigned int shareGroup = 0;

protected:
    Texture();

private:
    friend struct varnox::TextureUpload;
    /// GL_MAX_TEXTURE_SIZE, asked once, when the texture first needs it; 0
    /// until then. Images beyond it are refused before any GL call.
    int sizeLimit = 0;
    /// The last column and row of the image, kept by the textures of image
    /// objects (null for every other texture): mipmaps are made for those
    /// when their image is drawn smaller than it is, and the storage beyond
    /// the image is filled from its edge first, so that the smaller levels
    /// do not mix the image with what lies beyond it.
    varnox::TextureEdges* edges = nullptr;
    /// Levels below the image made since its last upload; 0: none, and the
    /// texture samples the image alone.
    int mipmapLevels = 0;
};

/// The general texture: takes every image-format code but the two YUV ones
/// in setImage and setSubImage.
class VARNOX_EXPORT TextureStatic : public Texture {
public:
    TextureStatic();

    void setImage(int width, int height, int stride, int format, const void* pixels) override;
    void setSubImage(int x, int y, int width, int height, int format, const void* pixels) override;
    /// Binds the texture to GL_TEXTURE_2D and enables 2D texturing.
    void bind() override;
    /// Disables 2D texturing.
    void unbind() override;
};

/// Texture helpers.
class VARNOX_EXPORT Varnox {
public:
    /// The smallest power of two ≥ n (1 for 0 and 1); n itself when n is
    /// negative or no power of two ≥ n fits an int.
    static int MakePo2(int n);
};
