// vnxplay: plays video files (any container and codec FFmpeg's libraries
// read, YUV4MPEG2, raw YUV frames) through the library's YUV path, in a window
// paced by the frames' times, or headless into PNG files.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <CommandLine.h>
#include <varnox/varnox.h>

#include "FrameClock.h"
#include "ImageFile.h"
#include "LibraryMessages.h"
#include "MediaReader.h"
#include "OutputTarget.h"
#include "Playback.h"
#include "ToolWindow.h"
#include "VideoReader.h"

namespace {

void Usage(std::FILE* out)
{
    std::fputs("Usage: vnxplay [OPTION]... FILE\n"
               "       vnxplay --size WxH --format LAYOUT [OPTION]... FILE\n"
               "Plays a video file: MP4, MKV, WebM, MOV, AVI or any container and codec\n"
               "FFmpeg's libraries read, each frame at its own time, the colours as its\n"
               "stream tags them; or a YUV4MPEG2 file (.y4m), whose header gives the size, the frame\n"
               "rate, the chroma (4:2:0, 4:2:2, 4:4:4, mono, and each in 10 bits) and the\n"
               "range, or raw frames of the size and layout given. Frames are read from the\n"
               "file one at a time; FILE - reads standard input. Where the file does not say,\n"
               "frames of 720 lines or more are BT.709 and smaller ones BT.601, limited range.\n"
               "A turn that a video file records (as phones do) is applied.\n"
               "\n"
               "  --size WxH        frame size of raw frames\n"
               "  --format LAYOUT   layout of raw frames: i420, yv12, i422, i444, nv12, nv21,\n"
               "                    yuyv, uyvy, gray, i010 or p010\n"
               "  --matrix M        bt601, bt709 or bt2020, whatever the file implies\n"
               "  --range R         limited or full, whatever the file says\n"
               "  --yuv-path P      convert frames on the cpu or the gpu (default: the one\n"
               "                    the library picks for this GL)\n"
               "  --fps N           frames per second (default: the frames' own times; the\n"
               "                    header's rate, 25 for raw frames); 0 plays as fast as it\n"
               "                    can and prints the rate; else 0.001 to 1000\n"
               "  --loop            start again after the last frame\n"
               "  --start SECONDS   start at the key frame at or before SECONDS (video files)\n"
               "  --frames N        stop after N frames\n"
               "  --out DIR         headless (no X server needed): write frames into DIR as\n"
               "                    PNG files named by frame number from 0 (000000.png, ...),\n"
               "                    at the frame's own size (turned as the file asks), as\n"
               "                    fast as it can\n"
               "  --every N         with --out, write every N-th frame only (default 1)\n"
               "  --verbose         also print what the library reports (driver, extensions)\n"
               "                    on standard error; its failures go there always\n"
               "Keys in the window: space pauses and goes on, . shows the next frame while\n"
               "paused, Right and Left go 5 s forward and back (video files), q or Escape\n"
               "quits.\n",
        out);
    if (!MediaReader::Available())
        std::fputs("This vnxplay was built without FFmpeg's libraries: it reads YUV4MPEG2 and raw\n"
                   "frames only.\n",
            out);
}

struct Options {
    const char* file = nullptr;
    int width = 0; // raw frames: both given, or neither
    int height = 0;
    const char* format = nullptr;
    int layout = ImageObject::I420;
    int matrix = -1; // -1: the file's
    int range = -1;
    int path = ImageObject::automaticPath;
    double fps = -1; // -1: the file's rate
    bool loop = false;
    double start = 0;
    long frames = 0; // 0: no limit
    const char* out = nullptr;
    long every = 0; // 0: not given
    bool verbose = false;
};

bool EndsWith(const char* text, const char* suffix)
{
    const size_t n = std::strlen(text), m = std::strlen(suffix);
    return n >= m && std::strcmp(text + n - m, suffix) == 0;
}

// YUV4MPEG2 (.y4m, standard input) and raw frames keep their own reader;
// every other file goes to FFmpeg's libraries where vnxplay has them.
bool IsMedia(const Options& options)
{
    return !options.format && !EndsWith(options.file, ".y4m") && std::strcmp(options.file, "-") != 0
        && MediaReader::Available();
}

// The paced rates. A frame's period is kept in 64-bit nanoseconds, which a
// rate much below one frame in 1000 s would overflow; 1000 frames a second
// is already faster than any screen shows.
const double kMinFps = 0.001;
const double kMaxFps = 1000;

// A word of an option's value and what it stands for.
struct Named {
    const char* name;
    int value;
};

const Named kLayouts[] = { { "i420", ImageObject::I420 }, { "yv12", ImageObject::YV12 },
    { "i422", ImageObject::I422 }, { "i444", ImageObject::I444 }, { "nv12", ImageObject::NV12 },
    { "nv21", ImageObject::NV21 }, { "yuyv", ImageObject::YUY2 }, { "uyvy", ImageObject::UYVY },
    { "gray", ImageObject::I400 }, { "i010", ImageObject::I010 }, { "p010", ImageObject::P010 } };
const Named kMatrices[]
    = { { "bt601", ImageObject::BT601 }, { "bt709", ImageObject::BT709 }, { "bt2020", ImageObject::BT2020 } };
const Named kRanges[] = { { "limited", ImageObject::limitedRange }, { "full", ImageObject::fullRange } };
const Named kPaths[] = { { "cpu", ImageObject::cpuPath }, { "gpu", ImageObject::gpuPath } };

// The value `word` stands for in `table`; false when it is none of them.
template <size_t N> bool Lookup(const Named (&table)[N], const char* word, int& value)
{
    for (const Named& named : table)
        if (!std::strcmp(named.name, word)) {
            value = named.value;
            return true;
        }
    return false;
}

enum Option {
    kSize,
    kFormat,
    kMatrix,
    kRange,
    kYuvPath,
    kFps,
    kLoop,
    kStart,
    kFrames,
    kOut,
    kEvery,
    kVerbose,
    kHelp
};

const vnxcmd::Option kOptions[] = {
    { "--size", true },
    { "--format", true },
    { "--matrix", true },
    { "--range", true },
    { "--yuv-path", true },
    { "--fps", true },
    { "--loop", false },
    { "--start", true },
    { "--frames", true },
    { "--out", true },
    { "--every", true },
    { "--verbose", false },
    { "--help", false },
};

// Reads the command line into `options`. Returns -1 to go on, or the exit
// status to stop with.
int Parse(int argc, char** argv, Options& options)
{
    vnxcmd::Rules rules;
    rules.operands = true;
    vnxcmd::Reader reader(argc, argv, kOptions, rules);
    for (vnxcmd::Argument argument; reader.Next(argument);) {
        const char* value = argument.value;
        bool good = true;
        switch (argument.option) {
        case kSize:
            good = vnxcmd::ParseSize(value, kMaxSide, options.width, options.height);
            break;
        case kFormat:
            good = Lookup(kLayouts, value, options.layout);
            options.format = value;
            break;
        case kMatrix:
            good = Lookup(kMatrices, value, options.matrix);
            break;
        case kRange:
            good = Lookup(kRanges, value, options.range);
            break;
        case kYuvPath:
            good = Lookup(kPaths, value, options.path);
            break;
        case kFps: {
            char* end = nullptr;
            const double fps = std::strtod(value, &end);
            if (*value >= '0' && *value <= '9' && *end == '\0'
                && (fps == 0 || (fps >= kMinFps && fps <= kMaxFps)))
                options.fps = fps;
            else
                reader.Refuse(argument, "0, or 0.001 to 1000 frames a second");
            break;
        }
        case kLoop:
            options.loop = true;
            break;
        case kStart: {
            char* end = nullptr;
            options.start = std::strtod(value, &end);
            good = *value >= '0' && *value <= '9' && *end == '\0' && options.start < 1e9;
            break;
        }
        case kFrames:
            good = vnxcmd::ParseWhole(value, 1, 1000000000, options.frames);
            break;
        case kOut:
            options.out = value;
            break;
        case kEvery:
            good = vnxcmd::ParseWhole(value, 1, 1000000000, options.every);
            break;
        case kVerbose:
            options.verbose = true;
            break;
        case kHelp:
            Usage(stdout);
            return 0;
        case vnxcmd::kOperand:
            if (options.file)
                reader.Fail(
                    std::string("one file at a time (\"") + options.file + "\" and \"" + value + "\" given)");
            options.file = value;
            break;
        }
        if (!good)
            reader.Fail(
                std::string("bad value for ") + kOptions[argument.option].name + ": \"" + value + "\"");
    }

    // After a refusal these add nothing: the reader keeps the first.
    if (!options.file)
        reader.Fail("no file given");
    else if ((options.width != 0) != (options.format != nullptr))
        reader.Fail("raw frames need both --size and --format");
    else if (options.format && EndsWith(options.file, ".y4m"))
        reader.Fail("--size and --format are for raw frames; a .y4m header gives them");
    else if (options.every && !options.out)
        reader.Fail("--every goes with --out");
    else if (options.out && options.fps >= 0)
        reader.Fail("--out writes as fast as it can; --fps has no meaning there");
    else if (options.loop && !std::strcmp(options.file, "-"))
        reader.Fail("--loop cannot go back in standard input");
    else if (options.start > 0 && !IsMedia(options))
        reader.Fail("--start is for video files, not YUV4MPEG2 or raw frames");
    else if (options.out && options.loop && !options.frames)
        reader.Fail("--loop with --out needs --frames, or it would write without end");
    return reader.failed() ? vnxcmd::Refused("vnxplay", reader.error(), Usage) : -1;
}

int64_t Now()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void SleepUntil(int64_t when)
{
    const timespec at = { static_cast<time_t>(when / 1000000000), static_cast<long>(when % 1000000000) };
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) { }
}

// "frames done / total" on a terminal, at most four times a second.
class Progress {
public:
    explicit Progress(long total)
        : total(total)
        , shown(isatty(STDERR_FILENO))
    {
    }
    void Update(long done, bool last = false)
    {
        if (!shown)
            return;
        const int64_t now = Now();
        if (!last && now - printed < 250000000)
            return;
        printed = now;
        if (total > 0)
            std::fprintf(stderr, "\rvnxplay: %ld / %ld frames", done, total);
        else
            std::fprintf(stderr, "\rvnxplay: %ld frames", done);
        if (last)
            std::fputc('\n', stderr);
    }

private:
    long total;
    bool shown;
    int64_t printed = 0;
};

// The file played, through whichever reader reads it.
struct Source {
    VideoReader video;
    std::unique_ptr<MediaReader> media;

    bool Open(const Options& options)
    {
        if (IsMedia(options)) {
            media.reset(new MediaReader);
            if (!media->Open(options.file, options.start))
                return false;
            media->SetColours(options.matrix, options.range);
            if (options.verbose)
                std::fprintf(stderr, "vnxplay: %s: %s\n", options.file, media->conversion().c_str());
            return true;
        }
        const bool opened = options.format
            ? video.OpenRaw(options.file, options.width, options.height, options.layout)
            : video.OpenY4m(options.file);
        video.SetColours(options.matrix, options.range);
        return opened;
    }
    int width() const { return media ? media->width() : video.width(); }
    int height() const { return media ? media->height() : video.height(); }
    /// The size the frames are seen at: turned a quarter where the file asks.
    bool Quarter() const { return media && media->rotation() % 180 != 0; }
    int shownWidth() const { return Quarter() ? height() : width(); }
    int shownHeight() const { return Quarter() ? width() : height(); }
    /// The frame rate to pace frames at; -1: their own times.
    double Rate() const
    {
        return media ? -1 : static_cast<double>(video.rateNumerator()) / video.rateDenominator();
    }
    long FramesInFile() const { return media ? -1 : video.FramesInFile(); }
    const char* error() const { return media ? media->error() : video.error(); }
    std::unique_ptr<Playback> Play(ImageObject::sizing mode, int path)
    {
        return std::unique_ptr<Playback>(
            media ? new Playback(*media, mode, path) : new Playback(video, mode, path));
    }
};

bool MakeFolder(const char* path)
{
    struct stat info;
    if (mkdir(path, 0777) == 0 || (errno == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode)))
        return true;
    std::fprintf(stderr, "vnxplay: %s: %s\n", path, errno == EEXIST ? "not a folder" : std::strerror(errno));
    return false;
}

// Frames into PNG files: a target of the frame's size, the frame drawn at its
// own size, pixel for pixel.
int WriteFrames(const Options& options, Source& reader)
{
    // The target first: a frame size it refuses leaves no folder behind.
    const int width = reader.shownWidth(), height = reader.shownHeight();
    COffScreen* target = MakeOutputTarget("vnxplay", width, height);
    if (!target)
        return 1;
    if (!MakeFolder(options.out)) {
        delete target;
        return 1;
    }
    const long every = options.every ? options.every : 1;
    long total = reader.FramesInFile();
    if (options.frames && (total < 0 || options.loop || options.frames < total))
        total = options.frames;
    int status = 0;
    {
        const std::unique_ptr<Playback> played = reader.Play(ImageObject::imageSize, options.path);
        Playback& playback = *played;
        std::vector<unsigned char> bgra(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        // CopyBuffer reads the bottom row first: the top row is the buffer's
        // last.
        const long stride = static_cast<long>(width) * 4;
        const unsigned char* top = bgra.data() + (height - 1) * stride;
        std::string path(std::strlen(options.out) + 32, '\0');
        Progress progress(total);
        long frame = 0;
        for (; !options.frames || frame < options.frames; ++frame) {
            const VideoReader::Status read = playback.Advance(options.loop);
            if (read != VideoReader::Status::Frame) {
                status = read == VideoReader::Status::Error ? 1 : 0;
                break;
            }
            if (frame % every == 0) {
                playback.Draw(target);
                target->CopyBuffer(bgra.data());
                std::snprintf(&path[0], path.size(), "%s/%06ld.png", options.out, frame);
                std::string error;
                if (!WritePng(path.c_str(), width, height, top, -stride, error)) {
                    progress.Update(frame, true);
                    std::fprintf(stderr, "vnxplay: %s: %s\n", path.c_str(), error.c_str());
                    status = 1;
                    break;
                }
            }
            progress.Update(frame + 1);
        }
        progress.Update(frame, true);
        if (frame == 0 && status == 0) {
            std::fprintf(stderr, "vnxplay: %s: no frames\n", options.file);
            status = 1;
        }
    }
    if (status == 1 && reader.error()[0])
        std::fprintf(stderr, "vnxplay: %s\n", reader.error());
    delete target;
    return status;
}

// Frames in a window, each shown when its time comes.
int Show(const Options& options, Source& reader)
{
    // Large frames are shown smaller, aspect kept, so that the window fits
    // common screens.
    int width = reader.shownWidth(), height = reader.shownHeight();
    const double scale = std::fmin(1.0, std::fmin(1280.0 / width, 960.0 / height));
    width = std::max(1, static_cast<int>(width * scale));
    height = std::max(1, static_cast<int>(height * scale));
    ToolWindow window;
    if (!window.Open("vnxplay", width, height))
        return 1;
    const std::string title = std::string("vnxplay: ") + options.file;
    window.SetTitle(title.c_str());
    CWindowVNX* target = CWindowVNX::NewL(0, 0, width, height, window.id());
    if (!TargetReady(target)) {
        delete target;
        return 1;
    }

    // A header's rate is kept within the rates --fps takes; video files play
    // at their frames' own times.
    const double rate = reader.Rate();
    const double fps = options.fps >= 0 ? options.fps
        : rate < 0                      ? -1
                                        : std::fmin(kMaxFps, std::fmax(kMinFps, rate));
    FrameClock clock(fps);
    int status = 0;
    long frame = 0;
    const int64_t first = Now();
    {
        const std::unique_ptr<Playback> played = reader.Play(ImageObject::fitToTarget, options.path);
        Playback& playback = *played;
        // The next frame, drawn; false at the end (`status` set) or the limit.
        const auto advance = [&] {
            if (options.frames && frame >= options.frames)
                return false;
            const VideoReader::Status read = playback.Advance(options.loop);
            if (read != VideoReader::Status::Frame) {
                status = read == VideoReader::Status::Error || frame == 0 ? 1 : 0;
                return false;
            }
            ++frame;
            playback.Draw(target);
            return true;
        };
        // Right and Left: 5 s forward or back, to the key frame there; the
        // frame queued up to now is dropped.
        const auto seek = [&](ToolWindow::Input input) {
            if (!reader.media)
                return true;
            const bool forward = input == ToolWindow::Input::Next;
            const double now = playback.seconds(), to = now + (forward ? 5 : -5);
            if (!reader.media->Seek(to)) {
                std::fprintf(stderr, "vnxplay: %s\n", reader.media->error());
                return true;
            }
            clock.Restart();
            if (!advance())
                return false;
            // Key frames further apart than 5 s: forward goes to the next one,
            // not back to the one before.
            if (forward && playback.seconds() <= now && reader.media->Seek(to, true))
                return advance();
            return true;
        };
        bool more = advance();
        while (more) {
            if (fps != 0)
                SleepUntil(clock.Due(frame - 1, playback.seconds(), Now()));
            target->Refresh(static_cast<int>(frame));
            ToolWindow::Input input = window.Wait(0, true);
            for (; input != ToolWindow::Input::Nothing && input != ToolWindow::Input::Quit;
                 input = window.Wait(0, true)) {
                if (input == ToolWindow::Input::Next || input == ToolWindow::Input::Previous)
                    more = seek(input);
                if (input != ToolWindow::Input::Pause)
                    continue;
                // Paused: space goes on, '.' shows one frame more, Right and
                // Left seek; repaint when asked.
                for (input = window.Wait(-1, true);
                     more && input != ToolWindow::Input::Pause && input != ToolWindow::Input::Quit;
                     input = window.Wait(-1, true)) {
                    if (input == ToolWindow::Input::Step)
                        more = advance();
                    else if (input == ToolWindow::Input::Next || input == ToolWindow::Input::Previous)
                        more = seek(input);
                    playback.Draw(target);
                    target->Refresh(static_cast<int>(frame));
                }
                clock.Restart();
                break;
            }
            if (input == ToolWindow::Input::Quit || !more)
                break;
            more = advance();
        }
    }
    if (status == 1 && reader.error()[0])
        std::fprintf(stderr, "vnxplay: %s\n", reader.error());
    else if (status == 1)
        std::fprintf(stderr, "vnxplay: %s: no frames\n", options.file);
    else if (options.fps == 0) {
        const double seconds = (Now() - first) * 1e-9;
        std::printf("vnxplay: %ld frames in %.3f s: %.1f frames/s\n", frame, seconds, frame / seconds);
    }
    delete target;
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    const int stop = Parse(argc, argv, options);
    if (stop >= 0)
        return stop;
    RouteLibraryMessages(options.verbose);

    MediaReader::Quiet(options.verbose);

    Source reader;
    if (!reader.Open(options)) {
        std::fprintf(stderr, "vnxplay: %s\n", reader.error());
        return 1;
    }
    return options.out ? WriteFrames(options, reader) : Show(options, reader);
}
