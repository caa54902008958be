#include "materials/FrameLayout.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include <GL/gl.h>

#include "core/Print.h"
#include "core/Settings.h"
#include "materials/ImageFormat.h"

namespace varnox {

namespace {

    const char* const kPlaneNames[3] = { "first", "second", "third" };

} // namespace

bool ShapeOf(int layout, int width, int height, FrameShape& shape)
{
    shape = FrameShape();
    const long long w = width, h = height;
    const long long cw = (w + 1) / 2, ch = (h + 1) / 2;
    switch (layout) {
    case ImageObject::I420:
    case ImageObject::YV12:
    case ImageObject::I010:
        shape.planes = 3;
        shape.plane[0] = { w, height, width };
        shape.plane[1] = shape.plane[2] = { cw, static_cast<int>(ch), static_cast<int>(cw) };
        shape.chromaShiftX = shape.chromaShiftY = 1;
        break;
    case ImageObject::I422:
    case ImageObject::I210:
        shape.planes = 3;
        shape.plane[0] = { w, height, width };
        shape.plane[1] = shape.plane[2] = { cw, height, static_cast<int>(cw) };
        shape.chromaShiftX = 1;
        break;
    case ImageObject::I444:
    case ImageObject::I410:
        shape.planes = 3;
        shape.plane[0] = shape.plane[1] = shape.plane[2] = { w, height, width };
        break;
    case ImageObject::NV12:
    case ImageObject::NV21:
    case ImageObject::P010:
        shape.planes = 2;
        shape.plane[0] = { w, height, width };
        shape.plane[1] = { 2 * cw, static_cast<int>(ch), static_cast<int>(cw) };
        shape.chromaShiftX = shape.chromaShiftY = 1;
        break;
    case ImageObject::YUY2:
    case ImageObject::UYVY:
        shape.planes = 1;
        shape.plane[0] = { 4 * cw, height, static_cast<int>(cw) };
        shape.chromaShiftX = 1;
        break;
    case ImageObject::I400:
        shape.planes = 1;
        shape.plane[0] = { w, height, width };
        break;
    default:
        return false;
    }
    if (layout == ImageObject::I010 || layout == ImageObject::P010 || layout == ImageObject::I210
        || layout == ImageObject::I410) {
        shape.bytesPerSample = 2;
        for (PlaneShape& plane : shape.plane)
            plane.rowBytes *= 2;
    }
    return true;
}

bool CheckFrame(const ImageObject::Frame& frame, const char* owner, FrameShape& shape)
{
    if (!ShapeOf(
            frame.layout, frame.width < 0 ? 0 : frame.width, frame.height < 0 ? 0 : frame.height, shape)) {
        Print(Kind::Refusal, "%s: Image refused the frame layout %d\n", owner, frame.layout);
        return false;
    }
    if (frame.width < 0 || frame.height < 0) {
        Print(Kind::Refusal, "%s: Image refused the frame size %d x %d\n", owner, frame.width, frame.height);
        return false;
    }
    if (frame.matrix < ImageObject::BT601 || frame.matrix > ImageObject::BT2020) {
        Print(Kind::Refusal, "%s: Image refused the frame matrix %d\n", owner, frame.matrix);
        return false;
    }
    if (frame.range != ImageObject::limitedRange && frame.range != ImageObject::fullRange) {
        Print(Kind::Refusal, "%s: Image refused the frame range %d\n", owner, frame.range);
        return false;
    }
    for (int i = 0; i < shape.planes; ++i) {
        const PlaneShape& plane = shape.plane[i];
        const int stride = frame.strides[i];
        if (!frame.planes[i]) {
            Print(Kind::Refusal, "%s: Image refused a frame without its %s plane\n", owner, kPlaneNames[i]);
            return false;
        }
        // 10-bit samples are 2-byte words: read as such only where they lie
        // on even addresses, rows an even number of bytes apart.
        if (shape.bytesPerSample == 2
            && (reinterpret_cast<std::uintptr_t>(frame.planes[i]) % 2 != 0 || stride % 2 != 0)) {
            Print(Kind::Refusal,
                "%s: Image refused the %s plane: 10-bit samples need an even address and stride\n", owner,
                kPlaneNames[i]);
            return false;
        }
        if (stride < 0 || (stride != 0 && stride < plane.rowBytes)) {
            Print(Kind::Refusal, "%s: Image refused the stride %d of the %s plane: its rows are %lld bytes\n",
                owner, stride, kPlaneNames[i], plane.rowBytes);
            return false;
        }
    }
    return true;
}

long long StrideOf(const ImageObject::Frame& frame, const FrameShape& shape, int index)
{
    return frame.strides[index] != 0 ? frame.strides[index] : shape.plane[index].rowBytes;
}

int DefaultFramePath()
{
    const char* asked = Setting("VARNOX_YUV_PATH");
    if (asked && !std::strcmp(asked, "cpu"))
        return ImageObject::cpuPath;
    if (asked && !std::strcmp(asked, "gpu"))
        return ImageObject::gpuPath;
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer)
        return ImageObject::cpuPath;
    for (const char* software : { "llvmpipe", "softpipe", "swrast", "SwiftShader", "GDI Generic" })
        if (std::strstr(renderer, software))
            return ImageObject::cpuPath;
    return ImageObject::gpuPath;
}

ImageObject::Frame PackedFrame(int width, int height, int code, const void* pixels)
{
    ImageObject::Frame frame;
    frame.layout = code == format::kYUV422 ? ImageObject::I422 : ImageObject::I420;
    frame.width = width;
    frame.height = height;
    FrameShape shape;
    ShapeOf(frame.layout, width < 0 ? 0 : width, height < 0 ? 0 : height, shape);
    const unsigned char* at = static_cast<const unsigned char*>(pixels);
    for (int i = 0; i < 3 && at; ++i) {
        frame.planes[i] = at;
        at += shape.plane[i].rowBytes * shape.plane[i].rows;
    }
    return frame;
}

} // namespace varnox
