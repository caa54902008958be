#pragma once

#include <varnox/Export.h>
#include <varnox/Geometry.h>

class YUVConverter;

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
    /// BT.601 limited range) are converted to BGRA32 before upload.
    enum imageFormat {
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
};
