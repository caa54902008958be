// vnxplay's reader of video files over fuzzed bytes (libavformat reading from
// memory, the codec's decoder, libswscale where the layout needs it): every
// frame it hands over describes memory that is really there, and goes
// through the image object's frame call and a draw. Seeking back to the
// start and going on works on whatever opened.
#include <cstdint>
#include <cstring>

#include <varnox/varnox.h>

#include "common/FuzzSupport.h"

#include "MediaReader.h"

namespace {

using vxfuzz::Require;

CScene* scene = nullptr;
ImageObject* image = nullptr;

// Bytes in one row of each plane of `frame`'s layout, and its rows.
void PlaneShape(const ImageObject::Frame& frame, int plane, int& rowBytes, int& rows)
{
    const int w = frame.width, h = frame.height, cw = (w + 1) / 2, ch = (h + 1) / 2;
    const bool words = frame.layout >= ImageObject::I010;
    rowBytes = 0;
    rows = 0;
    switch (frame.layout) {
    case ImageObject::I420:
    case ImageObject::I010:
        rowBytes = plane == 0 ? w : cw;
        rows = plane == 0 ? h : ch;
        break;
    case ImageObject::I422:
    case ImageObject::I210:
        rowBytes = plane == 0 ? w : cw;
        rows = h;
        break;
    case ImageObject::I444:
    case ImageObject::I410:
        rowBytes = w;
        rows = h;
        break;
    case ImageObject::NV12:
    case ImageObject::NV21:
    case ImageObject::P010:
        if (plane < 2) {
            rowBytes = plane == 0 ? w : 2 * cw;
            rows = plane == 0 ? h : ch;
        }
        break;
    case ImageObject::YUY2:
    case ImageObject::UYVY:
        if (plane == 0) {
            rowBytes = 4 * cw;
            rows = h;
        }
        break;
    case ImageObject::I400:
        if (plane == 0) {
            rowBytes = w;
            rows = h;
        }
        break;
    default:
        break;
    }
    if (words)
        rowBytes *= 2;
}

// Reads every byte each plane declares, so that ASan stops a description
// of memory that is not there.
void CheckFrame(const ImageObject::Frame& frame)
{
    Require(
        frame.layout >= ImageObject::I420 && frame.layout <= ImageObject::I410, "a layout the library takes");
    Require(frame.width > 0 && frame.height > 0, "a frame has a size");
    unsigned sum = 0;
    for (int plane = 0; plane < 3; ++plane) {
        int rowBytes, rows;
        PlaneShape(frame, plane, rowBytes, rows);
        if (!rows)
            continue;
        Require(frame.planes[plane] != nullptr, "every plane of the layout is there");
        Require(frame.strides[plane] >= rowBytes, "strides hold a row");
        const unsigned char* bytes = static_cast<const unsigned char*>(frame.planes[plane]);
        for (int row = 0; row < rows; ++row)
            for (int x = 0; x < rowBytes; x += 7)
                sum += bytes[static_cast<size_t>(row) * frame.strides[plane] + x];
    }
    vxfuzz::Trace("frame %dx%d layout %d matrix %d range %d (sum %u)", frame.width, frame.height,
        frame.layout, frame.matrix, frame.range, sum);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vxfuzz::StartContext();
    MediaReader::Quiet(false);
    scene = CScene::NewL();
    image = ImageObject::NewL(ImageObject::fitToTarget, true);
    scene->addObject(image);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MediaReader reader;
    if (!reader.OpenMemory(data, size, false)) {
        Require(std::strlen(reader.error()) > 0, "a refusal says why");
        return 0;
    }
    vxfuzz::Trace("opened: %dx%d, %s", reader.width(), reader.height(), reader.conversion().c_str());
    for (int round = 0; round < 2; ++round) {
        int frames = 0;
        MediaReader::Status status;
        while (frames < 16 && (status = reader.Next()) == MediaReader::Status::Frame) {
            CheckFrame(reader.FrameIn());
            image->Image(reader.FrameIn());
            scene->Render(&vxfuzz::Target());
            ++frames;
        }
        if (frames < 16)
            Require(
                status == MediaReader::Status::End || std::strlen(reader.error()) > 0, "an error says why");
        if (!reader.Rewind())
            break;
    }
    return 0;
}
