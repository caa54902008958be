#pragma once

#include <varnox/Export.h>
#include <varnox/Geometry.h>

class YUVConverter;
namespace varnox {
class FrameShader;
struct FrameShape;
}

/// A 2D image in a scene: one textured quad in the scene's pixel coordinates.
/// It owns its texture (shared with its copies) and, once it is given a YUV
/// frame, a converter to BGRA. Created only through the NewL factories; its
/// owner deletes it.
class VARNOX_EXPORT ImageObject : public Geometry {
public:
    /// How the quad is sized.
    enum sizing {
        imageSize = 0, ///< (0, 0)–(image width, image height), reset by each changed image
        fitToTarget = 1, ///< fitted inside the scene, aspect kept, centred; at every draw
        fixedSize = 2, ///< the corners given at creation or by Size
    };

    /// Image-format codes. YUV420 and YUV422 frames (planar I420 / I422,
    /// BT.601 limited range) are converted to BGRA32 before upload. Declared
    /// on int, so that any int a caller passes is a value the object can
    /// refuse.
    enum imageFormat : int {
        RGB24 = 2,
        RGB565 = 4,
        RGBA32 = 8,
        RGBA4444 = 16,
        BGRA32 = 64,
        LUMINANCE8 = 256,
        LUMINANCE_ALPHA16 = 512,
        FORMAT_1024 = 1024,
        YUV420 = 0x10000,
        YUV422 = 0x400000,
    };

    /// How the samples of a video frame lie in memory (w × h pixels; chroma
    /// planes of 4:2:0 and 4:2:2 are (w + 1) / 2 wide, 4:2:0 ones
    /// (h + 1) / 2 high).
    enum frameLayout : int {
        I420 = 0, ///< planes Y, U, V; chroma halved across and down
        YV12 = 1, ///< I420 with the V plane before the U plane
        I422 = 2, ///< planes Y, U, V; chroma halved across
        I444 = 3, ///< planes Y, U, V, all full size
        NV12 = 4, ///< plane Y, then one plane of U, V pairs (4:2:0)
        NV21 = 5, ///< NV12 with V, U pairs
        YUY2 = 6, ///< one plane, Y0 U Y1 V for each two pixels
        UYVY = 7, ///< one plane, U Y0 V Y1 for each two pixels
        I400 = 8, ///< plane Y only: grey
        I010 = 9, ///< I420 in 16-bit little-endian words, the value in the low 10 bits
        P010 = 10, ///< NV12 in 16-bit little-endian words, the value in the high 10 bits
        I210 = 11, ///< I422 in 16-bit little-endian words, the value in the low 10 bits
        I410 = 12, ///< I444 in 16-bit little-endian words, the value in the low 10 bits
    };
    /// The matrix from Y'CbCr to R'G'B'.
    enum frameMatrix : int {
        BT601 = 0,
        BT709 = 1,
        BT2020 = 2, ///< non-constant luminance
    };
    /// Which codes are black and white.
    enum frameRange : int {
        limitedRange = 0, ///< 8-bit Y' 16..235, Cb and Cr 16..240 (10-bit: times 4)
        fullRange = 1, ///< 0..255 (10-bit: 0..1023)
    };
    /// A video frame as decoders and cameras hand it over: each plane where
    /// it lies, with its own row stride. Fields are ints, so that any value
    /// is one the object can refuse.
    struct Frame {
        int layout = I420; ///< a frameLayout
        int width = 0;
        int height = 0;
        /// The planes in the layout's order: Y, U, V (YV12: Y, V, U), or Y
        /// and the chroma pairs, or the one plane; unused ones null.
        const void* planes[3] = { nullptr, nullptr, nullptr };
        /// Bytes from one row of each plane to the next, at least the
        /// plane's row; 0: rows packed. The last row need not be padded.
        int strides[3] = { 0, 0, 0 };
        int matrix = BT601; ///< a frameMatrix
        int range = limitedRange; ///< a frameRange
    };

    /// A copy with buffers of its own and the same (shared) texture.
    static ImageObject* NewL(ImageObject& source);
    /// A new object with all four corners at (0, 0); `stream` makes a
    /// streaming texture (RGB565, BGRA32 and YUV frames only).
    static ImageObject* NewL(sizing mode, bool stream);
    /// A fixedSize object with corners (x1, y1) and (x2, y2).
    static ImageObject* NewL(int x1, int y1, int x2, int y2, bool stream);

    /// Releases the converter, then the buffers and the texture reference.
    ~ImageObject() override;

    /// Fits the quad (fitToTarget), then draws it. An image (not a stream)
    /// drawn smaller than it is gets mipmaps first, made by GL once for each
    /// image, and is sampled trilinearly.
    void traverse(TContext* context) override;

    /// Uploads a whole image (rows `SetStride` bytes apart, else packed). An
    /// image of another size or format, or the first one, also resets the
    /// texture mapping and, in imageSize mode, the quad; one of the same size
    /// and format only replaces the pixels. A negative size or a stride
    /// shorter than a row, a size above GL_MAX_TEXTURE_SIZE, or a YUV frame
    /// without pixels is refused with one line and changes nothing.
    void Image(int width, int height, imageFormat format, const void* pixels);
    /// Shows a video frame: converted to BGRA32 (on the GPU where the
    /// context is better at it, else on the CPU) and uploaded as Image does
    /// with a BGRA32 image of the frame's size, into a streaming or a still
    /// texture. A layout, matrix or range out of the tables, a size below 0
    /// or above GL_MAX_TEXTURE_SIZE, a null plane the layout needs or a
    /// stride shorter than its plane's row is refused with one line and
    /// changes nothing. 10-bit samples above 1023 are taken as 1023.
    void Image(const Frame& frame);
    /// Where this object converts frames: chosen for the context (the
    /// default, VARNOX_YUV_PATH=cpu or gpu overrides it), or always on the
    /// CPU or the GPU. A context without what the GPU path needs converts on
    /// the CPU whatever is asked. Another value is refused with one line.
    enum framePath : int { automaticPath = 0, cpuPath = 1, gpuPath = 2 };
    void FramePath(int path);
    /// Replaces a rectangle of the texture (packed rows, no conversion). A
    /// rectangle not wholly inside the texture's storage is refused.
    void SubImage(int x, int y, int width, int height, imageFormat format, const void* pixels);
    /// Shows the texel rectangle (x1, y1)–(x2, y2) on the quad; refused
    /// before the texture has storage.
    void ImageMapping(int x1, int y1, int x2, int y2);
    /// Sets the quad's corners; the sizing mode stays.
    void Size(int x1, int y1, int x2, int y2);
    /// Scales by whole percents.
    void SetScale(int xPercent, int yPercent);
    /// Rotates by whole degrees about the view axis.
    void SetRotation(int degrees);
    void SetPosition(int x, int y, int z);
    /// Row stride in bytes of the next Image call only (0: packed rows),
    /// spent by that call whether it goes through or not. A negative stride
    /// is refused.
    void SetStride(int bytes);

protected:
    ImageObject(int x1, int y1, int x2, int y2, sizing mode, bool stream);
    ImageObject(const ImageObject& source);

    YUVConverter* converter = nullptr;
    int stride = 0;
    bool mapped = false;
    sizing sizingMode = imageSize;
    int format = 0;

private:
    void Fit(const TContext& context);
    /// Converts a checked frame on the GPU or the CPU, uploads it and, on a
    /// change of size or `code`, resets the mapping (and the quad).
    void ShowFrame(Texture& t, const Frame& frame, const varnox::FrameShape& shape, int code);
    /// Whether frames go through the frame shader: the path asked for, and
    /// a context that has what it needs (asked once).
    bool ConvertsOnGpu();
    /// ImageMapping without its message: nothing when the texture has no
    /// storage.
    void WriteMapping(const Texture& t, int x1, int y1, int x2, int y2);
    void WriteCorners(int x1, int y1, int x2, int y2);

    /// The corners last written, so that a fit that comes out the same as
    /// the previous one costs no buffer write.
    int corners[4] = { 0, 0, 0, 0 };
    /// Texels across and down the mapped rectangle: with the quad's size
    /// and scale, how much smaller than the image it is drawn.
    int mappedWidth = 0;
    int mappedHeight = 0;
    /// The GPU conversion, made at the first frame it converts; owned.
    varnox::FrameShader* frameShader = nullptr;
    /// FramePath's choice.
    int framePath = automaticPath;
    /// Whether the context has the GPU path: 0 not asked yet, 1 yes, -1 no.
    int gpuChecked = 0;
};
