#pragma once

#include <varnox/ImageObject.h>

/// Turns YUV frames (image-format codes YUV420 and YUV422) into BGRA32
/// pixels for a texture. An image object owns one; the buffer it converts
/// into is the converter's.
class YUVConverter {
public:
    YUVConverter();
    /// Frees the buffer.
    ~YUVConverter();

    YUVConverter(const YUVConverter&) = delete;
    YUVConverter& operator=(const YUVConverter&) = delete;

    /// Sets the frame size and code and (re)allocates the buffer, every byte
    /// 128. Codes other than YUV420 and YUV422 leave the converter not ready.
    /// A negative size, or one whose bytes overflow an int, is refused with
    /// one line: false, and the converter stays as it was.
    bool Configure(int width, int height, int format);
    /// Converts one frame into the buffer and returns it (rows of rowBytes);
    /// null when not ready or without a frame.
    int* Convert(unsigned char* source);
    /// Frees the buffer; Convert returns null until the next Configure.
    void Release();

    /// Sets the size for frames of `layout` (ImageObject::frameLayout) and
    /// (re)allocates the buffer, and the scratch planes the packed layouts
    /// are split into, when the size or the layout changed; false, changing
    /// nothing, for a size whose bytes overflow an int (one line).
    bool ConfigureFrame(int width, int height, int layout);
    /// Converts one frame of the configured size and layout (checked by the
    /// caller) into the buffer with its matrix and range, reading each plane
    /// through its own stride; returns the buffer, null when not configured
    /// for it.
    int* ConvertFrame(const ImageObject::Frame& frame);

    /// The conversion selected by the code.
    void (*convert)(unsigned char* source, int* destination, int width, int height) = nullptr;
    int width = 0;
    int height = 0;
    /// width × height BGRA pixels, one int each.
    int* buffer = nullptr;
    /// The configured code; 0 until configured.
    int format = 0;
    /// width × 4.
    int rowBytes = 0;
    /// A conversion is selected.
    bool ready = false;

private:
    /// The layout ConfigureFrame was given; -1 while the buffer follows a
    /// code.
    int frameLayout = -1;
    /// YUY2 and UYVY frames split into planes.
    unsigned char* scratch = nullptr;
    /// Limited-range frames stretched to full range (see ConvertFrame), in
    /// planes of packed rows; made at the first frame that needs it.
    unsigned char* expanded = nullptr;
};
