#pragma once

#include <varnox/Texture.h>

/// The texture of image objects that show changing frames: setImage takes
/// RGB565 and BGRA32 (converted YUV frames) only, setSubImage every code of
/// the table. Made only inside the library, by image objects.
class TextureStream : public Texture {
public:
    TextureStream();
    ~TextureStream() override;

    void setImage(int width, int height, int stride, int format, const void* pixels) override;
    void setSubImage(int x, int y, int width, int height, int format, const void* pixels) override;
    /// Binds the texture to GL_TEXTURE_2D and enables 2D texturing.
    void bind() override;
    /// Disables 2D texturing.
    void unbind() override;
};
