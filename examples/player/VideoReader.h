#pragma once

// Planar YUV frames streamed from a file: YUV4MPEG2 (.y4m), or raw frames of
// a size and layout the caller names. One frame is read at a time into the
// caller's buffer; reading never allocates.

#include <cstddef>
#include <cstdio>
#include <string>

#include <varnox/ImageObject.h>

class VideoReader {
public:
    enum class Status { Frame, End, Error };

    VideoReader() = default;
    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    /// Opens a YUV4MPEG2 file and reads its header: size (W, H), frame rate
    /// (F, 25 when absent), chroma (C: the 4:2:0 kinds, 422, 444, mono and
    /// the p10 forms of 420, 422 and 444; 4:2:0 when absent) and range
    /// (XCOLORRANGE, limited when absent). The format records no matrix:
    /// BT.709 from 720 lines up, BT.601 below, as players assume. False with
    /// error() set otherwise.
    bool OpenY4m(const char* path);
    /// Opens a file of raw frames of width × height in `layout` (an
    /// ImageObject::frameLayout), one after the other, rows packed; the
    /// frame rate is 25 and the colours as for an untagged YUV4MPEG2 file.
    bool OpenRaw(const char* path, int width, int height, int layout);
    /// Overrides the matrix and the range the file gives or implies (an
    /// ImageObject::frameMatrix and frameRange; -1 keeps the file's).
    void SetColours(int matrix, int range);

    /// Reads the next frame into `frame` (frameBytes() bytes): Frame, End
    /// at a clean end of the file, or Error (truncated frame, broken frame
    /// header, read error) with error() set.
    Status Next(unsigned char* frame);
    /// Goes back to the first frame; false with error() set when the file
    /// cannot seek.
    bool Rewind();

    int width() const { return frameWidth; }
    int height() const { return frameHeight; }
    /// The frame read last, as the image object takes it: its planes in
    /// `data` (frameBytes() bytes), rows packed.
    ImageObject::Frame FrameIn(const unsigned char* data) const;
    int layout() const { return frameLayout; }
    int matrix() const { return frameMatrix; }
    int range() const { return frameRange; }
    /// Frames per second as a fraction.
    int rateNumerator() const { return rateNum; }
    int rateDenominator() const { return rateDen; }
    size_t frameBytes() const { return bytes; }
    /// Frames read since the file was opened (rewinds do not reset it).
    long framesRead() const { return count; }
    /// The number of frames in the file, from its size; -1 when unknown.
    long FramesInFile() const;
    /// One line (no newline) saying what went wrong, naming the file.
    const char* error() const { return message; }

private:
    bool Open(const char* path);
    bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool ParseHeader();
    bool SetFormat(int width, int height, int layout);

    std::FILE* file = nullptr;
    std::string name;
    bool y4m = false;
    long dataStart = 0; // offset of the first frame
    int frameWidth = 0;
    int frameHeight = 0;
    int frameLayout = ImageObject::I420;
    int frameMatrix = ImageObject::BT601;
    int frameRange = ImageObject::limitedRange;
    size_t planeBytes[3] = { 0, 0, 0 };
    int rateNum = 25;
    int rateDen = 1;
    size_t bytes = 0;
    long count = 0;
    char message[512] = "";
};
