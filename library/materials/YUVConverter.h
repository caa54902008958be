#pragma once

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
};
