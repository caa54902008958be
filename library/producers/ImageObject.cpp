#include <varnox/ImageObject.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>

#include <GL/gl.h>

#include "core/GLReadiness.h"
#include "core/Print.h"
#include "core/Rounding.h"
#include "core/Settings.h"
#include "materials/FrameLayout.h"
#include "materials/FrameShader.h"
#include "materials/ImageFormat.h"
#include "materials/TextureStream.h"
#include "materials/TextureUpload.h"
#include "materials/YUVConverter.h"
#include "scene/RenderState.h"
#include "scene/VertexLayout.h"

// The public codes are the ones textures and the converter take.
static_assert(ImageObject::RGB24 == varnox::format::kRGB24 && ImageObject::RGB565 == varnox::format::kRGB565
        && ImageObject::RGBA32 == varnox::format::kRGBA32
        && ImageObject::RGBA4444 == varnox::format::kRGBA4444
        && ImageObject::BGRA32 == varnox::format::kBGRA32
        && ImageObject::LUMINANCE8 == varnox::format::kLuminance8
        && ImageObject::LUMINANCE_ALPHA16 == varnox::format::kLuminanceAlpha16
        && ImageObject::FORMAT_1024 == varnox::format::kFormat1024
        && ImageObject::YUV420 == varnox::format::kYUV420 && ImageObject::YUV422 == varnox::format::kYUV422,
    "ImageObject::imageFormat and materials/ImageFormat.h differ");

namespace {

using varnox::format::kFirstYuvCode;

// The quad: corners P0 (x1, y1), P1 (x2, y1), P2 (x1, y2), P3 (x2, y2), drawn
// as a triangle strip.
constexpr int kQuadVertices = 4;
constexpr int kQuadPositionFloats = kQuadVertices * varnox::kPositionFloats;
constexpr int kQuadTexCoordFloats = kQuadVertices * varnox::kTexCoordFloats;

// Bytes of a converted (BGRA32) pixel.
constexpr int kBgraBytes = 4;

// SetScale's factor from percent, in single precision.
constexpr float kPercent = 0.01f;

// Beyond this the smallest level is used anyway; it keeps the level count
// of a quad scaled to almost nothing a small number.
constexpr float kLargestReduction = 65536.0f;

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

// Made without a current context or a loaded table, the object stays inert:
// it still holds a texture (which makes no GL object until an image comes),
// but it takes no image and draws nothing.
ImageObject::ImageObject(int x1, int y1, int x2, int y2, sizing mode, bool stream)
{
    static const bool noted = varnox::NoteOwnTraverse(*this, varnox::Traversal::geometry);
    (void)noted;
    if (inert)
        varnox::ReportInert("ImageObject", varnox::MissingForBufferObjects());
    primitiveMode = GL_TRIANGLE_STRIP;
    setVertices(new float[kQuadPositionFloats](), kQuadVertices);
    setTexCoords(new float[kQuadTexCoordFloats]());
    Texture* own = stream ? static_cast<Texture*>(new TextureStream()) : new TextureStatic();
    // A still image can be drawn smaller than it is: it gets mipmaps then.
    // Frames that change every draw do not.
    if (!stream)
        varnox::TextureUpload::KeepEdges(*own);
    addTexture(own, 0);
    sizingMode = mode;
    WriteCorners(x1, y1, x2, y2);
}

ImageObject::ImageObject(const ImageObject& source)
    : Geometry(source)
    , stride(source.stride)
    , mapped(source.mapped)
    , sizingMode(source.sizingMode)
    , format(source.format)
    , mappedWidth(source.mappedWidth)
    , mappedHeight(source.mappedHeight)
    , framePath(source.framePath)
{
    if (inert)
        varnox::ReportInert("ImageObject", varnox::MissingForBufferObjects());
    std::copy(std::begin(source.corners), std::end(source.corners), corners);
}

// The converter frees its buffer itself, the frame shader its GL objects
// (in the context current now, as for the buffers).
ImageObject::~ImageObject()
{
    delete converter;
    delete frameShader;
}

void ImageObject::Image(int width, int height, imageFormat code, const void* pixels)
{
    // SetStride's stride belongs to this one call, whether it goes through
    // or is refused.
    const int givenStride = stride;
    stride = 0;
    Texture* t = texture.get();
    if (inert)
        return;
    if (!t) {
        varnox::Print(
            varnox::Kind::Refusal, "ImageObject: Image refused the image: the object holds no texture\n");
        return;
    }

    // Whatever the code: a negative size would become the quad's and the
    // mapping's.
    if (width < 0 || height < 0) {
        varnox::Print(varnox::Kind::Refusal, "ImageObject: Image refused the size %d x %d\n", width, height);
        return;
    }

    bool skip = false;
    if (code == YUV420 || code == YUV422) {
        if (!pixels) {
            varnox::Print(varnox::Kind::Refusal,
                "ImageObject: Image refused a YUV frame of %d x %d without pixels\n", width, height);
            return;
        }
        // Packed planes, BT.601 limited range: a frame like any other.
        const Frame frame = varnox::PackedFrame(width, height, code, pixels);
        varnox::FrameShape shape;
        if (varnox::CheckFrame(frame, "ImageObject", shape)
            && varnox::TextureUpload::CheckImage(*t, "ImageObject", "Image", width, height, 0, kBgraBytes))
            ShowFrame(*t, frame, shape, code);
        return;
    } else if (code >= kFirstYuvCode) {
        // A code from the YUV range that no converter knows: nothing to
        // upload, as for any code the texture does not take.
        skip = true;
    } else if (const int bytesPerPixel = varnox::BytesPerPixel(code)) {
        if (!varnox::TextureUpload::CheckImage(
                *t, "ImageObject", "Image", width, height, givenStride, bytesPerPixel))
            return;
    }

    const bool change = t->width != width || t->height != height || !mapped || format != code;
    if (change)
        format = code;
    if (!skip)
        t->setImage(width, height, givenStride, code, pixels);

    if (change) {
        WriteMapping(*t, 0, 0, width, height);
        if (sizingMode == imageSize)
            WriteCorners(0, 0, width, height);
    }
}

void ImageObject::Image(const Frame& frame)
{
    // A frame's rows are described by its own strides.
    stride = 0;
    Texture* t = texture.get();
    if (inert)
        return;
    if (!t) {
        varnox::Print(
            varnox::Kind::Refusal, "ImageObject: Image refused the frame: the object holds no texture\n");
        return;
    }
    varnox::FrameShape shape;
    if (varnox::CheckFrame(frame, "ImageObject", shape)
        && varnox::TextureUpload::CheckImage(
            *t, "ImageObject", "Image", frame.width, frame.height, 0, kBgraBytes))
        ShowFrame(*t, frame, shape, BGRA32);
}

void ImageObject::FramePath(int path)
{
    if (path != automaticPath && path != cpuPath && path != gpuPath) {
        varnox::Print(varnox::Kind::Refusal, "ImageObject: FramePath refused the path %d\n", path);
        return;
    }
    framePath = path;
    gpuChecked = 0;
}

bool ImageObject::ConvertsOnGpu()
{
    // Decided at the first frame after a FramePath, for the context current
    // then: the frames after it cost no lookup.
    if (gpuChecked == 0) {
        const int path = framePath != automaticPath ? framePath : varnox::DefaultFramePath();
        std::string why;
        gpuChecked = path == gpuPath && varnox::FrameShader::Available(why) ? 1 : -1;
        if (path == gpuPath && gpuChecked < 0 && varnox::SwitchOn("VARNOX_DEBUG"))
            varnox::Print(
                varnox::Kind::Report, "ImageObject: frames are converted on the CPU: %s\n", why.c_str());
    }
    return gpuChecked > 0;
}

void ImageObject::ShowFrame(Texture& t, const Frame& frame, const varnox::FrameShape& shape, int code)
{
    // The mapping and the quad follow a change of size or code, as for any
    // image; the texture holds BGRA32 whichever path converted it.
    const bool change = t.width != frame.width || t.height != frame.height || !mapped || format != code;
    bool done = false;
    if (ConvertsOnGpu()) {
        if (!frameShader)
            frameShader = new varnox::FrameShader();
        done = frameShader->Convert(frame, shape, t);
    }
    if (!done) {
        if (!converter)
            converter = new YUVConverter();
        if (!converter->ConfigureFrame(frame.width, frame.height, frame.layout))
            return;
        const int* data = converter->ConvertFrame(frame);
        if (!data)
            return;
        t.setImage(frame.width, frame.height, converter->rowBytes, BGRA32, data);
    }
    if (change) {
        format = code;
        WriteMapping(t, 0, 0, frame.width, frame.height);
        if (sizingMode == imageSize)
            WriteCorners(0, 0, frame.width, frame.height);
    }
}

void ImageObject::SubImage(int x, int y, int width, int height, imageFormat code, const void* pixels)
{
    Texture* t = texture.get();
    if (inert || !t)
        return;
    // Checked here as well as in the texture, so that the line names the
    // call that was made.
    if (varnox::BytesPerPixel(code) && t->texture) {
        if (!pixels) {
            varnox::Print(varnox::Kind::Refusal, "ImageObject: SubImage refused null pixels\n");
            return;
        }
        if (!varnox::TextureUpload::CheckRect(*t, "ImageObject", "SubImage", x, y, width, height))
            return;
    }
    t->setSubImage(x, y, width, height, code, pixels);
}

void ImageObject::ImageMapping(int x1, int y1, int x2, int y2)
{
    const Texture* t = texture.get();
    if (inert)
        return;
    // Texel positions are divided by the storage size: without storage
    // there is nothing to show, and the coordinates would be infinite.
    if (!t || t->textureWidth <= 0 || t->textureHeight <= 0) {
        varnox::Print(varnox::Kind::Refusal,
            "ImageObject: ImageMapping refused (%d, %d)-(%d, %d): the texture has no storage yet\n", x1, y1,
            x2, y2);
        return;
    }
    WriteMapping(*t, x1, y1, x2, y2);
}

void ImageObject::WriteMapping(const Texture& t, int x1, int y1, int x2, int y2)
{
    // A texture that refused every image so far has no storage to map.
    if (t.textureWidth <= 0 || t.textureHeight <= 0)
        return;
    float* coordinates = mapTexCoords();
    if (!coordinates)
        return;
    const double tw = static_cast<unsigned int>(t.textureWidth);
    const double th = static_cast<unsigned int>(t.textureHeight);
    const float s1 = varnox::RoundToFloat(x1 / tw), s2 = varnox::RoundToFloat(x2 / tw);
    const float t1 = varnox::RoundToFloat(y1 / th), t2 = varnox::RoundToFloat(y2 / th);
    const float values[kQuadTexCoordFloats] = { s1, t1, s2, t1, s1, t2, s2, t2 };
    for (float v : values)
        *coordinates++ = v;
    mapped = true;
    // Any ints a caller gave: the spans are taken in 64 bits and kept within
    // an int.
    const long long spanX = std::llabs(static_cast<long long>(x2) - x1);
    const long long spanY = std::llabs(static_cast<long long>(y2) - y1);
    mappedWidth = static_cast<int>(std::min<long long>(spanX, INT_MAX));
    mappedHeight = static_cast<int>(std::min<long long>(spanY, INT_MAX));
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
    // A fitted quad moves with the view, so the scene must not decide from
    // the corners of the last fit that it lies outside the next one.
    if (sizingMode != fitToTarget)
        setBounds(kxVec3(fx1 < fx2 ? fx1 : fx2, fy1 < fy2 ? fy1 : fy2, 0.0f),
            kxVec3(fx1 < fx2 ? fx2 : fx1, fy1 < fy2 ? fy2 : fy1, 0.0f));
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
    if (bytes < 0) {
        varnox::Print(varnox::Kind::Refusal, "ImageObject: SetStride refused the stride %d\n", bytes);
        return;
    }
    stride = bytes;
}

void ImageObject::traverse(TContext* context)
{
    if (sizingMode == fitToTarget && context)
        Fit(*context);
    // How many texels fall on a pixel, the wider way: a still image drawn
    // smaller than it is gets its mipmaps (once for each image).
    Texture* t = texture.get();
    const kxVec3 s = getScale();
    // Corners are any ints a caller gave: their difference is taken in double.
    const float drawnWidth
        = static_cast<float>(std::fabs((static_cast<double>(corners[2]) - corners[0]) * s.x));
    const float drawnHeight
        = static_cast<float>(std::fabs((static_cast<double>(corners[3]) - corners[1]) * s.y));
    if (t && drawnWidth > 0.0f && drawnHeight > 0.0f)
        varnox::TextureUpload::Mipmaps(*t,
            std::min(kLargestReduction,
                std::max(static_cast<float>(mappedWidth) / drawnWidth,
                    static_cast<float>(mappedHeight) / drawnHeight)));
    Geometry::traverse(context);
}

void ImageObject::Fit(const TContext& context)
{
    const Texture* t = texture.get();
    // Before the first image there is no aspect ratio to keep.
    if (!t || t->width == 0 || t->height == 0)
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
