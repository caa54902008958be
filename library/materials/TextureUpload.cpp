#include "materials/TextureUpload.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <GL/gl.h>
#include <GL/glext.h>

#include <varnox/Texture.h>

#include "core/GLReadiness.h"
#include "core/Print.h"
#include "core/ShareGroup.h"
#include "materials/Binding.h"

namespace varnox {
namespace {

    // How pixels of one format code are stored and handed to GL.
    struct TextureFormat {
        int bytesPerPixel;
        GLenum internalFormat;
        GLenum pixelFormat;
        GLenum type;
    };

    struct TableRow {
        int code;
        TextureFormat format;
    };

    // FORMAT_1024 holds RGB bytes (three per pixel) in RGBA storage, so alpha
    // reads 1 until a later rectangle writes it.
    const TableRow kTable[] = {
        { format::kRGB24, { 3, GL_RGB, GL_RGB, GL_UNSIGNED_BYTE } },
        { format::kRGB565, { 2, GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5 } },
        { format::kRGBA32, { 4, GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE } },
        { format::kRGBA4444, { 2, GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4 } },
        { format::kBGRA32, { 4, GL_RGBA, GL_BGRA, GL_UNSIGNED_BYTE } },
        { format::kLuminance8, { 1, GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE } },
        { format::kLuminanceAlpha16, { 2, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE } },
        { format::kFormat1024, { 3, GL_RGBA, GL_RGB, GL_UNSIGNED_BYTE } },
    };

    // Repeat and linear filtering, set on every texture the same way.
    void SetSampling()
    {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<float>(GL_REPEAT));
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<float>(GL_REPEAT));
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<float>(GL_LINEAR));
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<float>(GL_LINEAR));
    }

    // The table row of `code` when `code` is one of the codes in `accepted`;
    // null otherwise, which leaves the texture untouched.
    const TextureFormat* FindTextureFormat(int code, int accepted)
    {
        for (const TableRow& row : kTable)
            if (row.code == code)
                return (code & accepted) ? &row.format : nullptr;
        return nullptr;
    }

} // namespace

// The last column and row of a texture's image, in the bytes of its format
// code, top to bottom and left to right.
struct TextureEdges {
    std::vector<unsigned char> column;
    std::vector<unsigned char> row;
    bool known = false; // false: no image, or one defined without pixels
};

namespace {

    // glGenerateMipmap (GL 3.0, ARB_framebuffer_object), else the EXT one;
    // looked up once, when a texture first needs it.
    using GenerateMipmapProc = void(APIENTRYP)(GLenum target);
    GenerateMipmapProc GenerateMipmap()
    {
        static const GenerateMipmapProc proc = [] {
            void* entry = LookupGLEntry("glGenerateMipmap");
            if (!entry)
                entry = LookupGLEntry("glGenerateMipmapEXT");
            return reinterpret_cast<GenerateMipmapProc>(entry);
        }();
        return proc;
    }

    // Storage beyond the image filled from its edge, at most this many texels
    // wide: enough for the levels of a reduction of up to 256 times to be
    // made of the image alone.
    constexpr int kMaxEdgeBand = 256;

    // Keeps the last column and row of an image of `bytesPerPixel`-byte
    // pixels whose rows are `rowBytes` apart.
    void KeepEdge(TextureEdges& edges, const unsigned char* pixels, int width, int height, long long rowBytes,
        int bytesPerPixel)
    {
        const size_t pixel = static_cast<size_t>(bytesPerPixel);
        edges.known = width > 0 && height > 0 && pixels;
        if (!edges.known)
            return;
        edges.row.assign(pixels + (height - 1) * rowBytes, pixels + (height - 1) * rowBytes + width * pixel);
        edges.column.resize(static_cast<size_t>(height) * pixel);
        for (int y = 0; y < height; ++y)
            std::memcpy(&edges.column[static_cast<size_t>(y) * pixel],
                pixels + y * rowBytes + (width - 1) * pixel, pixel);
    }

    // Where a rectangle written into the texture covers part of the image's
    // last column or row, the kept edge takes its pixels.
    void KeepRectEdge(TextureEdges& edges, const Texture& texture, int x, int y, int width, int height,
        const unsigned char* pixels, int bytesPerPixel)
    {
        const size_t pixel = static_cast<size_t>(bytesPerPixel);
        const long long rowBytes = static_cast<long long>(width) * bytesPerPixel;
        const int lastX = texture.width - 1, lastY = texture.height - 1;
        if (x <= lastX && lastX < x + width)
            for (int row = y; row < std::min(y + height, texture.height); ++row)
                std::memcpy(&edges.column[static_cast<size_t>(row) * pixel],
                    pixels + (row - y) * rowBytes + static_cast<long long>(lastX - x) * bytesPerPixel, pixel);
        if (y <= lastY && lastY < y + height)
            for (int column = x; column < std::min(x + width, texture.width); ++column)
                std::memcpy(&edges.row[static_cast<size_t>(column) * pixel],
                    pixels + (lastY - y) * rowBytes + static_cast<long long>(column - x) * bytesPerPixel,
                    pixel);
    }

    // Back to sampling the image alone, once its pixels changed: the smaller
    // levels no longer show them.
    void DropMipmaps(int& levels)
    {
        if (levels == 0)
            return;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        levels = 0;
    }

} // namespace

void TextureUpload::KeepEdges(Texture& texture)
{
    if (!texture.edges)
        texture.edges = new TextureEdges();
}

void TextureUpload::ReadEdges(Texture& texture)
{
    if (!texture.edges || texture.width <= 0 || texture.height <= 0 || texture.format != format::kBGRA32)
        return;
    // Into a buffer object the caller bound, the rows would not come here.
    GLint packBuffer = 0;
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    TextureEdges& edges = *texture.edges;
    edges.known = false;
    if (packBuffer != 0)
        return;
    edges.row.resize(static_cast<size_t>(texture.width) * 4);
    edges.column.resize(static_cast<size_t>(texture.height) * 4);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, texture.height - 1, texture.width, 1, GL_BGRA, GL_UNSIGNED_BYTE, edges.row.data());
    glReadPixels(texture.width - 1, 0, 1, texture.height, GL_BGRA, GL_UNSIGNED_BYTE, edges.column.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    edges.known = true;
}

void TextureUpload::ReleaseEdges(Texture& texture)
{
    delete texture.edges;
    texture.edges = nullptr;
}

void TextureUpload::Mipmaps(Texture& texture, float reduction)
{
    // Not above 1 (NaN included): drawn at its size or larger.
    if (!(reduction > 1.0f) || !texture.edges || !texture.edges->known || texture.texture == 0)
        return;
    // Trilinear sampling reads the level below the reduction too.
    int levels = static_cast<int>(std::ceil(std::log2(static_cast<double>(reduction))));
    int largest = 0;
    for (int side = std::max(texture.textureWidth, texture.textureHeight); side > 1; side /= 2)
        ++largest;
    levels = std::min(levels, largest);
    if (levels <= texture.mipmapLevels)
        return;
    const GenerateMipmapProc generate = GenerateMipmap();
    const TextureFormat* format = FindTextureFormat(texture.format, kEveryTextureCode);
    if (!generate || !format)
        return;

    glBindTexture(GL_TEXTURE_2D, texture.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The storage right of and below the image, as far as the levels made
    // reach into it, repeats the image's edge.
    const TextureEdges& edges = *texture.edges;
    const size_t pixel = static_cast<size_t>(format->bytesPerPixel);
    const int band = std::min(1 << levels, kMaxEdgeBand);
    const int right = std::min(texture.textureWidth - texture.width, band);
    const int below = std::min(texture.textureHeight - texture.height, band);
    std::vector<unsigned char> fill;
    if (right > 0) {
        fill.resize(static_cast<size_t>(right) * static_cast<size_t>(texture.height) * pixel);
        unsigned char* out = fill.data();
        for (int y = 0; y < texture.height; ++y)
            for (int x = 0; x < right; ++x, out += pixel)
                std::memcpy(out, &edges.column[static_cast<size_t>(y) * pixel], pixel);
        glTexSubImage2D(GL_TEXTURE_2D, 0, texture.width, 0, right, texture.height, format->pixelFormat,
            format->type, fill.data());
    }
    if (below > 0) {
        const int across = texture.width + std::max(right, 0);
        fill.resize(static_cast<size_t>(across) * static_cast<size_t>(below) * pixel);
        unsigned char* out = fill.data();
        const unsigned char* corner = &edges.row[edges.row.size() - pixel];
        for (int y = 0; y < below; ++y) {
            std::memcpy(out, edges.row.data(), edges.row.size());
            out += edges.row.size();
            for (int x = texture.width; x < across; ++x, out += pixel)
                std::memcpy(out, corner, pixel);
        }
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, texture.height, across, below, format->pixelFormat, format->type,
            fill.data());
    }
    // The smaller levels' edge texels reach further across the edge: with
    // the image's edges clamped they do not take in the opposite side.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    generate(GL_TEXTURE_2D);
    texture.mipmapLevels = levels;
}

int BytesPerPixel(int code)
{
    const TextureFormat* format = FindTextureFormat(code, kEveryTextureCode);
    return format ? format->bytesPerPixel : 0;
}

int TextureUpload::SizeLimit(Texture& texture)
{
    if (texture.sizeLimit <= 0) {
        // Without a current context GL writes nothing here.
        GLint limit = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
        // Storage is a power of two: kept as the largest one within the
        // limit (the limit itself on every driver), a size fits when it is
        // no larger, with no rounding per image.
        int po2 = limit > 0 ? 1 : 0;
        while (po2 > 0 && po2 <= limit / 2)
            po2 *= 2;
        texture.sizeLimit = po2;
    }
    return texture.sizeLimit;
}

bool TextureUpload::CheckImage(Texture& texture, const char* owner, const char* operation, int width,
    int height, int stride, int bytesPerPixel)
{
    if (width < 0 || height < 0) {
        Print(Kind::Refusal, "%s: %s refused the size %d x %d\n", owner, operation, width, height);
        return false;
    }
    if (stride < 0) {
        Print(Kind::Refusal, "%s: %s refused the stride %d\n", owner, operation, stride);
        return false;
    }
    // A shorter stride would make the storage narrower than the image and
    // show it wrapped; widening it would read past the caller's rows.
    const long long rowBytes = static_cast<long long>(width) * bytesPerPixel;
    if (stride != 0 && stride < rowBytes) {
        Print(Kind::Refusal, "%s: %s refused the stride %d: shorter than a row of %d pixels (%lld bytes)\n",
            owner, operation, stride, width, rowBytes);
        return false;
    }
    const int limit = SizeLimit(texture);
    if (limit <= 0) {
        Print(Kind::Refusal, "%s: %s refused the image: no GL context is current\n", owner, operation);
        return false;
    }
    const int rowLength = stride != 0 ? stride / bytesPerPixel : width;
    if (width > limit || height > limit) {
        Print(Kind::Refusal, "%s: %s refused the size %d x %d: above GL_MAX_TEXTURE_SIZE %d\n", owner,
            operation, width, height, limit);
        return false;
    }
    if (rowLength > limit) {
        Print(Kind::Refusal,
            "%s: %s refused the stride %d: rows of %d pixels are above GL_MAX_TEXTURE_SIZE %d\n", owner,
            operation, stride, rowLength, limit);
        return false;
    }
    return true;
}

bool TextureUpload::CheckRect(
    const Texture& texture, const char* owner, const char* operation, int x, int y, int width, int height)
{
    if (x < 0 || y < 0 || width < 0 || height < 0 || static_cast<long long>(x) + width > texture.textureWidth
        || static_cast<long long>(y) + height > texture.textureHeight) {
        Print(Kind::Refusal,
            "%s: %s refused the rectangle at (%d, %d) of %d x %d: outside the storage of %d x %d\n", owner,
            operation, x, y, width, height, texture.textureWidth, texture.textureHeight);
        return false;
    }
    return true;
}

void TextureUpload::SetImage(Texture& texture, const char* owner, int accepted, int width, int height,
    int stride, int code, const void* pixels)
{
    const TextureFormat* found = FindTextureFormat(code, accepted);
    if (!found)
        return;
    const TextureFormat& format = *found;
    // Checked before any GL call, so that a refused image leaves the fields
    // describing what GL holds.
    if (!CheckImage(texture, owner, "setImage", width, height, stride, format.bytesPerPixel))
        return;
    // Whole rows go up, padding included, so the storage follows the row
    // length rather than the image width.
    const int rowLength = stride != 0 ? stride / format.bytesPerPixel : width;
    const int storageWidth = Varnox::MakePo2(rowLength);
    const int storageHeight = Varnox::MakePo2(height);

    const bool created = texture.texture == 0;
    if (created) {
        glGenTextures(1, &texture.texture);
        if (texture.texture == 0) {
            Print(Kind::Failure, "%s: setImage refused the image: GL made no texture object\n", owner);
            return;
        }
        texture.shareGroup = CurrentShareGroup();
    }
    texture.width = width;
    texture.height = height;
    glBindTexture(GL_TEXTURE_2D, texture.texture);
    // Set on every upload, not only for a new texture: the alignment is
    // context state that another context of the share group, or the caller,
    // may have changed since, and GL would then misread the rows (and read
    // past the end of the caller's pixels).
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (created)
        SetSampling();

    if (storageWidth != texture.textureWidth || storageHeight != texture.textureHeight
        || code != texture.format) {
        texture.textureWidth = storageWidth;
        texture.textureHeight = storageHeight;
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format.internalFormat), storageWidth, storageHeight,
            0, format.pixelFormat, format.type, nullptr);
        texture.format = code;
    }

    // Without pixels GL would read from address 0.
    if (pixels)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, rowLength, height, format.pixelFormat, format.type, pixels);
    DropMipmaps(texture.mipmapLevels);
    if (texture.edges)
        KeepEdge(*texture.edges, static_cast<const unsigned char*>(pixels), width, height,
            static_cast<long long>(rowLength) * format.bytesPerPixel, format.bytesPerPixel);
}

void TextureUpload::SetRect(Texture& texture, const char* owner, int accepted, int x, int y, int width,
    int height, int code, const void* pixels)
{
    const TextureFormat* format = FindTextureFormat(code, accepted);
    if (!format || texture.texture == 0)
        return;
    if (!pixels) {
        Print(Kind::Refusal, "%s: setSubImage refused null pixels\n", owner);
        return;
    }
    if (!CheckRect(texture, owner, "setSubImage", x, y, width, height) || width == 0 || height == 0)
        return;
    glBindTexture(GL_TEXTURE_2D, texture.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    SetSampling();
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, format->pixelFormat, format->type, pixels);
    // SetSampling has sampled level 0 alone again.
    texture.mipmapLevels = 0;
    // Pixels of another code than the image's cannot stand in for its edge.
    if (texture.edges && code != texture.format)
        texture.edges->known = false;
    if (texture.edges && texture.edges->known)
        KeepRectEdge(*texture.edges, texture, x, y, width, height, static_cast<const unsigned char*>(pixels),
            format->bytesPerPixel);
}

void BindTexture(const Texture& texture)
{
    Binder& binder = CurrentBinder();
    binder.BindTexture(texture.texture);
    binder.Texturing(true);
}

void UnbindTexture()
{
    CurrentBinder().Texturing(false);
}

} // namespace varnox
