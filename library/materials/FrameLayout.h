#pragma once

#include <varnox/ImageObject.h>

namespace varnox {

// One plane of a frame layout at a given frame size.
struct PlaneShape {
    long long rowBytes = 0; // bytes of one packed row
    int rows = 0;
    int samplesAcross = 0; // samples (or sample pairs, or YUY2 groups) in a row
};

// Where the samples of a frame lie: its planes in the order of
// ImageObject::Frame::planes, and what each sample is.
struct FrameShape {
    int planes = 0;
    PlaneShape plane[3];
    int bytesPerSample = 1; // 2 for the 10-bit layouts
    int chromaShiftX = 0; // chroma is 1 << shift times narrower than the frame
    int chromaShiftY = 0; // and lower
};

// The shape of `layout` at width × height (both at least 0); false for a
// code that is no layout.
bool ShapeOf(int layout, int width, int height, FrameShape& shape);

// Whether `frame` can be shown: a known layout, matrix and range, a size of
// 0 or more, every plane the layout has present with a stride of 0 or at
// least its row, and the bytes of each plane's rows within what a pointer
// difference holds. Otherwise one line from `owner` names the refused value.
// The size limit of the texture is the caller's check.
bool CheckFrame(const ImageObject::Frame& frame, const char* owner, FrameShape& shape);

// The stride of plane `index`: the frame's, or the packed row for 0.
long long StrideOf(const ImageObject::Frame& frame, const FrameShape& shape, int index);

// The frame that the design's codes mean: YUV420 or YUV422 planes packed one
// after the other from `pixels`, BT.601 limited range.
ImageObject::Frame PackedFrame(int width, int height, int code, const void* pixels);

// Where an image object converts frames when it leaves the choice to the
// library, for the current context: VARNOX_YUV_PATH ("cpu" or "gpu") where
// set; otherwise the GPU on a hardware renderer and the CPU on a software
// one, where the CPU's vector code converts faster than the rasteriser
// draws (docs/yuv.md gives the figures). An ImageObject::framePath value.
int DefaultFramePath();

} // namespace varnox
