#include <varnox/ImageObject.h>

#include <algorithm>
#include <iterator>

#include <GL/gl.h>

#include <varnox/CScene.h>

#include "core/Rounding.h"
#include "materials/TextureStream.h"
#include "materials/YUVConverter.h"
#include "scene/VertexLayout.h"

namespace {

// Every code from the first YUV code upward is a frame to convert.
const int kFirstYuvCode = ImageObject::YUV420;

// The quad: corners P0 (x1, y1), P1 (x2, y1), P2 (x1, y2), P3 (x2, y2), drawn
// as a triangle strip.
constexpr int kQuadVertices = 4;
constexpr int kQuadPositionFloats = kQuadVertices * varnox::kPositionFloats;
constexpr int kQuadTexCoordFloats = kQuadVertices * varnox::kTexCoordFloats;

// SetScale's factor from percent, in single precision.
constexpr float kPercent = 0.01f;

} // namespace

ImageObject* ImageObject::NewL(ImageObject& source)
{
    return new ImageObject(source);
}

ImageObject* ImageObject::NewL(sizing mode, bool stream)
{
    return new ImageObject(0, 0, 0, 0, mode, stream);
}

ImageObject* ImageObject::NewL(int x1, int y1, int x2, int y2, bool stream)
{
    return new ImageObject(x1, y1, x2, y2, fixedSize, stream);
}

ImageObject::ImageObject(int x1, int y1, int x2, int y2, sizing mode, bool stream)
{
    primitiveMode = GL_TRIANGLE_STRIP;
    setVertices(new float[kQuadPositionFloats](), kQuadVertices);
    setTexCoords(new float[kQuadTexCoordFloats]());
    addTexture(stream ? static_cast<Texture*>(new TextureStream()) : new TextureStatic(), 0);
    sizingMode = mode;
    WriteCorners(x1, y1, x2, y2);
}

ImageObject::ImageObject(const ImageObject& source)
    : Geometry(source)
    , stride(source.stride)
    , mapped(source.mapped)
    , sizingMode(source.sizingMode)
    , format(source.format)
{
    std::copy(std::begin(source.corners), std::end(source.corners), corners);
}

// The converter frees its buffer itself.
ImageObject::~ImageObject()
{
    delete converter;
}

void ImageObject::Image(int width, int height, imageFormat code, const void* pixels)
{
    Texture* t = texture.get();
    const bool change = t->width != width || t->height != height || !mapped || format != code;
    if (change)
        format = code;

    int upload = code;
    const void* data = pixels;
    bool skip = false;
    if (code >= kFirstYuvCode) {
        // Configure frees the buffer of an earlier frame size itself.
        if (!converter) {
            converter = new YUVConverter();
            converter->Configure(width, height, code);
        } else if (change) {
            converter->Configure(width, height, code);
        }
        data = pixels ? converter->Convert(static_cast<unsigned char*>(const_cast<void*>(pixels))) : nullptr;
        // A code the converter does not know, or no frame: nothing to upload.
        skip = data == nullptr;
        stride = converter->rowBytes;
        upload = BGRA32;
    }
    if (!skip)
        t->setImage(width, height, stride, upload, data);

    if (change) {
        ImageMapping(0, 0, width, height);
        if (sizingMode == imageSize)
            WriteCorners(0, 0, width, height);
    }
    stride = 0;
}

void ImageObject::SubImage(int x, int y, int width, int height, imageFormat code, const void* pixels)
{
    texture.get()->setSubImage(x, y, width, height, code, pixels);
}

void ImageObject::ImageMapping(int x1, int y1, int x2, int y2)
{
    float* coordinates = mapTexCoords();
    if (!coordinates)
        return;
    const Texture* t = texture.get();
    const double tw = static_cast<unsigned int>(t->textureWidth);
    const double th = static_cast<unsigned int>(t->textureHeight);
    const float s1 = varnox::RoundToFloat(x1 / tw), s2 = varnox::RoundToFloat(x2 / tw);
    const float t1 = varnox::RoundToFloat(y1 / th), t2 = varnox::RoundToFloat(y2 / th);
    const float values[kQuadTexCoordFloats] = { s1, t1, s2, t1, s1, t2, s2, t2 };
    for (float v : values)
        *coordinates++ = v;
    mapped = true;
    unmapTexCoords();
}

void ImageObject::Size(int x1, int y1, int x2, int y2)
{
    WriteCorners(x1, y1, x2, y2);
}

void ImageObject::WriteCorners(int x1, int y1, int x2, int y2)
{
    float* positions = mapVertices();
    if (!positions)
        return;
    const float fx1 = static_cast<float>(x1), fy1 = static_cast<float>(y1);
    const float fx2 = static_cast<float>(x2), fy2 = static_cast<float>(y2);
    const float values[kQuadPositionFloats] = { fx1, fy1, 0, fx2, fy1, 0, fx1, fy2, 0, fx2, fy2, 0 };
    for (float v : values)
        *positions++ = v;
    unmapVertices();
    corners[0] = x1;
    corners[1] = y1;
    corners[2] = x2;
    corners[3] = y2;
}

void ImageObject::SetScale(int xPercent, int yPercent)
{
    const double percent = kPercent;
    setScale(varnox::RoundToFloat(xPercent * percent), varnox::RoundToFloat(yPercent * percent), 1.0f);
}

void ImageObject::SetRotation(int degrees)
{
    setRotation(static_cast<float>(degrees), 0.0f, 0.0f, 1.0f);
}

void ImageObject::SetPosition(int x, int y, int z)
{
    setTranslation(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void ImageObject::SetStride(int bytes)
{
    stride = bytes;
}

void ImageObject::traverse(TContext* context)
{
    if (sizingMode == fitToTarget && context)
        Fit(*context);
    Geometry::traverse(context);
}

void ImageObject::Fit(const TContext& context)
{
    const Texture* t = texture.get();
    // Before the first image there is no aspect ratio to keep.
    if (t->width == 0 || t->height == 0)
        return;
    const float w = context.width, h = context.height;
    const float iw = static_cast<float>(static_cast<unsigned int>(t->width));
    const float ih = static_cast<float>(static_cast<unsigned int>(t->height));
    const float p = varnox::RoundToFloat(static_cast<double>(h) * iw);
    const float q = varnox::RoundToFloat(static_cast<double>(w) * ih);
    int x1, y1, x2, y2;
    if (p >= q) {
        // At least as wide as the scene: full width, centred vertically.
        const float g = varnox::RoundToFloat(static_cast<double>(q) / iw);
        const int offset = static_cast<int>(static_cast<double>(h) - g) / 2;
        x1 = 0;
        y1 = offset;
        x2 = static_cast<int>(w);
        y2 = offset + static_cast<int>(g);
    } else {
        // Taller: full height, centred horizontally.
        const float g = varnox::RoundToFloat(static_cast<double>(p) / ih);
        const int offset = static_cast<int>(static_cast<double>(w) - g) / 2;
        x1 = offset;
        y1 = 0;
        x2 = offset + static_cast<int>(g);
        y2 = static_cast<int>(h);
    }
    if (x1 != corners[0] || y1 != corners[1] || x2 != corners[2] || y2 != corners[3])
        WriteCorners(x1, y1, x2, y2);
}
