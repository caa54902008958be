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
    /// (F, 25 when absent) and chroma (C: the 4:2:0 kinds and 422; 4:2:0 when
    /// absent). False with error() set otherwise.
    bool OpenY4m(const char* path);
    /// Opens a file of raw frames of width × height in `code` (YUV420 or
    /// YUV422), one after the other; the frame rate is 25.
    bool OpenRaw(const char* path, int width, int height, ImageObject::imageFormat code);

    /// Reads the next frame into `frame` (frameBytes() bytes): Frame, End
    /// at a clean end of the file, or Error (truncated frame, broken frame
    /// header, read error) with error() set.
    Status Next(unsigned char* frame);
    /// Goes back to the first frame; false with error() set when the file
    /// cannot seek.
    bool Rewind();

    int width() const { return frameWidth; }
    int height() const { return frameHeight; }
    ImageObject::imageFormat code() const { return frameCode; }
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
    bool SetFormat(int width, int height, ImageObject::imageFormat code);

    std::FILE* file = nullptr;
    std::string name;
    bool y4m = false;
    long dataStart = 0; // offset of the first frame
    int frameWidth = 0;
    int frameHeight = 0;
    ImageObject::imageFormat frameCode = ImageObject::YUV420;
    int rateNum = 25;
    int rateDen = 1;
    size_t bytes = 0;
    long count = 0;
    char message[512] = "";
};
