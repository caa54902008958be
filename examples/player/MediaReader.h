#pragma once

// Video files of any container and codec FFmpeg's libraries read (MP4, MKV,
// WebM, MOV, AVI ...), decoded on a thread of their own. Decoded frames are
// handed over, not copied: the thread moves each into one of a few frames
// made up front, and the caller takes them in order and gives each back by
// asking for the next. A layout the image object does not take is converted
// once by libswscale, on the decoding thread, into one it takes.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <varnox/ImageObject.h>

#include "VideoReader.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVIOContext;
struct SwsContext;

class MediaReader {
public:
    using Status = VideoReader::Status;
    /// How long a read may wait for bytes (a pipe that never writes) before
    /// the file is given up as stalled.
    static constexpr int kStallMilliseconds = 5000;

    /// False where vnxplay was built without FFmpeg's libraries: then every
    /// Open fails.
    static bool Available();

    MediaReader();
    /// FFmpeg's own messages on standard error with `verbose`, else none:
    /// what goes wrong is said by error() alone.
    static void Quiet(bool verbose);
    /// Stops the decoding thread and frees everything.
    ~MediaReader();
    MediaReader(const MediaReader&) = delete;
    MediaReader& operator=(const MediaReader&) = delete;

    /// Opens `path` and its first video stream's decoder, and starts decoding
    /// from `startSeconds`. False with error() set: a folder, a file that is
    /// no media file, one without a video stream or decoder, a pipe that gives
    /// nothing for kStallMilliseconds.
    bool Open(const char* path, double startSeconds = 0);
    /// The same over bytes in memory (the caller keeps them while this
    /// reader lives), frames of up to 4 million pixels; `threads` false
    /// decodes on the decoding thread alone.
    bool OpenMemory(const void* data, size_t size, bool threads = true);
    /// Overrides the matrix and range the stream gives or implies (-1 keeps
    /// the stream's), for the frames handed over from now on.
    void SetColours(int matrix, int range);

    /// Gives back the frame handed over last and waits for the next one:
    /// Frame, End after the last, or Error (the first read or decoding fault
    /// since opening or the last seek, once the frames before it are taken)
    /// with error() set.
    Status Next();
    /// The frame handed over last, as the image object takes it: the decoded
    /// planes themselves. Valid until the next Next, Seek or Rewind.
    ImageObject::Frame FrameIn() const { return frame; }
    /// Its presentation time in seconds from the stream's start.
    double seconds() const { return frameSeconds; }
    /// Goes to the key frame at or before `seconds` (clamped to the stream's
    /// start), or with `after` to the one at or after it: the decoder is
    /// flushed and the frames queued are dropped. False with error() set when
    /// the file cannot seek.
    bool Seek(double seconds, bool after = false);
    bool Rewind() { return Seek(0); }

    int width() const { return frameWidth; }
    int height() const { return frameHeight; }
    /// How far the frames are to be turned clockwise to be seen upright
    /// (0, 90, 180 or 270), from the stream's display matrix: phones record
    /// a turn there rather than turning their frames. A mirroring in the
    /// matrix is not followed.
    int rotation() const { return turn; }
    /// The stream's frame rate as a fraction (25:1 when it gives none).
    int rateNumerator() const { return rateNum; }
    int rateDenominator() const { return rateDen; }
    /// Frames handed over since opening.
    long framesRead() const { return count; }
    /// The decoder's pixel format and, where it is converted, what into (for
    /// --verbose).
    const std::string& conversion() const { return converting; }
    /// One line (no newline) saying what went wrong, naming the file.
    const char* error() const { return message.c_str(); }

    /// Where the bytes come from (MediaReader.cpp).
    struct Input;

private:
    static constexpr int kSlots = 4; // the one the caller holds, and up to three decoded ahead

    bool OpenInput();
    bool Fail(const std::string& what);
    void Close();
    void Decode();
    bool Receive();
    bool Deliver();
    void Release(int slot);
    void Start();
    void Stop();
    bool SeekStopped(double seconds, bool after);
    void MapFrame(const AVFrame* decoded);
    std::string Text(int error) const;
    /// Seconds from the stream's first timestamp to `timestamp`.
    double SecondsAt(int64_t timestamp) const;

    std::unique_ptr<Input> input;
    std::string name;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwsContext* scaler = nullptr;
    int stream = -1;
    bool threads = true;
    int turn = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    double timeBase = 0; // seconds per timestamp unit
    int64_t startTime = 0; // the stream's first timestamp
    double length = 0; // the video's declared length in seconds; 0: not declared
    int rateNum = 25;
    int rateDen = 1;
    int matrixOverride = -1;
    int rangeOverride = -1;
    std::string converting;

    // The decoding thread and what it shares with the caller, under `lock`:
    // `ready` frames from slots[head] on, the first of them the caller's while
    // `holding`; `ended` once the thread has nothing more to give.
    std::thread thread;
    std::mutex lock;
    std::condition_variable changed;
    AVFrame* slots[kSlots] = {};
    bool owned[kSlots] = {}; // the slot's buffers are its own (a conversion's), kept
    AVPacket* packet = nullptr; // the thread's
    AVFrame* decoded = nullptr; // the thread's
    int head = 0;
    int ready = 0;
    bool holding = false;
    bool stopping = false;
    bool ended = false;
    std::string problem; // why it ended early; "" at a clean end
    std::string trouble; // the thread's: the first thing wrong since it started

    ImageObject::Frame frame;
    double frameSeconds = 0;
    long count = 0;
    std::string message;
};
