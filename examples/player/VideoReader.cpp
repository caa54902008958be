#include "VideoReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include <sys/stat.h>

#include <CommandLine.h>

namespace {

const int kMaxSide = 16384;
// Longer header lines than this are not YUV4MPEG2 headers but garbage.
const int kMaxLine = 4096;

// The rest of a line after what was read, up to and without '\n', into
// `line` (at most `size` − 1 characters). False at the end of the file or
// when the line is too long.
bool ReadLine(std::FILE* file, char* line, size_t size)
{
    size_t n = 0;
    for (int c; (c = std::getc(file)) != EOF;) {
        if (c == '\n') {
            line[n] = '\0';
            return true;
        }
        if (n + 1 >= size)
            return false;
        line[n++] = static_cast<char>(c);
    }
    return false;
}

// `text` as it can be shown on one line: control bytes (a CR left by a
// line end of another system, a tab) and bytes above 126 as escapes.
std::string Shown(const char* text)
{
    std::string shown;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        if (*c == '\r')
            shown += "\\r";
        else if (*c == '\t')
            shown += "\\t";
        else if (*c < 0x20 || *c > 0x7e) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", *c);
            shown += escape;
        } else
            shown += static_cast<char>(*c);
    }
    return shown;
}

// A header number: digits only, as the command line's whole numbers are.
bool ParseInt(const char* text, long minimum, long maximum, int& value)
{
    long parsed = 0;
    if (!vnxcmd::ParseWhole(text, minimum, maximum, parsed))
        return false;
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

VideoReader::~VideoReader()
{
    if (file && file != stdin)
        std::fclose(file);
}

bool VideoReader::Fail(const char* format, ...)
{
    int used = std::snprintf(message, sizeof message, "%s: ", name.c_str());
    if (used < 0 || used >= static_cast<int>(sizeof message))
        used = 0;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message + used, sizeof message - static_cast<size_t>(used), format, arguments);
    va_end(arguments);
    return false;
}

bool VideoReader::Open(const char* path)
{
    // "-" is standard input: frames from a pipe, read once (no --loop).
    if (!std::strcmp(path, "-")) {
        name = "standard input";
        file = stdin;
        return true;
    }
    name = path;
    file = std::fopen(path, "rb");
    if (!file)
        return Fail("%s", std::strerror(errno));
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode))
        return Fail("is a folder, not a video file");
    return true;
}

bool VideoReader::SetFormat(int width, int height, int layout)
{
    frameWidth = width;
    frameHeight = height;
    frameLayout = layout;
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    const size_t cw = (w + 1) / 2, ch = (h + 1) / 2;
    const bool words = layout == ImageObject::I010 || layout == ImageObject::P010
        || layout == ImageObject::I210 || layout == ImageObject::I410;
    size_t planes[3] = { w * h, 0, 0 };
    switch (layout) {
    case ImageObject::I420:
    case ImageObject::YV12:
    case ImageObject::I010:
        planes[1] = planes[2] = cw * ch;
        break;
    case ImageObject::I422:
    case ImageObject::I210:
        planes[1] = planes[2] = cw * h;
        break;
    case ImageObject::I444:
    case ImageObject::I410:
        planes[1] = planes[2] = w * h;
        break;
    case ImageObject::NV12:
    case ImageObject::NV21:
    case ImageObject::P010:
        planes[1] = 2 * cw * ch;
        break;
    case ImageObject::YUY2:
    case ImageObject::UYVY:
        planes[0] = 4 * cw * h;
        break;
    default: // I400: the Y plane alone
        break;
    }
    bytes = 0;
    for (int i = 0; i < 3; ++i) {
        planeBytes[i] = planes[i] * (words ? 2 : 1);
        bytes += planeBytes[i];
    }
    // What players assume of a file that does not say.
    frameMatrix = height >= 720 ? ImageObject::BT709 : ImageObject::BT601;
    return true;
}

ImageObject::Frame VideoReader::FrameIn(const unsigned char* data) const
{
    ImageObject::Frame frame;
    frame.layout = frameLayout;
    frame.width = frameWidth;
    frame.height = frameHeight;
    frame.matrix = frameMatrix;
    frame.range = frameRange;
    for (int i = 0; i < 3 && planeBytes[i] > 0; ++i) {
        frame.planes[i] = data;
        data += planeBytes[i];
    }
    return frame;
}

void VideoReader::SetColours(int matrix, int range)
{
    if (matrix >= 0)
        frameMatrix = matrix;
    if (range >= 0)
        frameRange = range;
}

bool VideoReader::OpenRaw(const char* path, int width, int height, int layout)
{
    if (!Open(path))
        return false;
    y4m = false;
    dataStart = 0;
    return SetFormat(width, height, layout);
}

bool VideoReader::OpenY4m(const char* path)
{
    if (!Open(path))
        return false;
    y4m = true;
    if (!ParseHeader())
        return false;
    dataStart = std::ftell(file);
    return true;
}

bool VideoReader::ParseHeader()
{
    char line[kMaxLine];
    static const char kMagic[] = "YUV4MPEG2";
    char magic[sizeof kMagic] = "";
    if (std::fread(magic, 1, sizeof kMagic - 1, file) != sizeof kMagic - 1
        || std::memcmp(magic, kMagic, sizeof kMagic - 1) != 0)
        return Fail("not a YUV4MPEG2 file (it does not start with \"YUV4MPEG2\")");
    if (!ReadLine(file, line, sizeof line))
        return Fail("bad YUV4MPEG2 header: no end of line in its first %d bytes", kMaxLine);

    int width = 0, height = 0;
    int layout = ImageObject::I420;
    int range = ImageObject::limitedRange;
    for (char *rest = nullptr, *tag = strtok_r(line, " ", &rest); tag; tag = strtok_r(nullptr, " ", &rest)) {
        const char* value = tag + 1;
        switch (tag[0]) {
        case 'W':
            if (!ParseInt(value, 1, kMaxSide, width))
                return Fail(
                    "bad YUV4MPEG2 header: width \"%s\" (1 to %d taken)", Shown(value).c_str(), kMaxSide);
            break;
        case 'H':
            if (!ParseInt(value, 1, kMaxSide, height))
                return Fail(
                    "bad YUV4MPEG2 header: height \"%s\" (1 to %d taken)", Shown(value).c_str(), kMaxSide);
            break;
        case 'F': {
            const char* colon = std::strchr(value, ':');
            char numerator[16] = "";
            if (!colon || colon - value >= static_cast<long>(sizeof numerator))
                return Fail("bad YUV4MPEG2 header: frame rate \"%s\" (want N:D)", Shown(value).c_str());
            std::memcpy(numerator, value, static_cast<size_t>(colon - value));
            if (!ParseInt(numerator, 1, 1000000000, rateNum) || !ParseInt(colon + 1, 1, 1000000000, rateDen))
                return Fail(
                    "bad YUV4MPEG2 header: frame rate \"%s\" (want N:D, both above 0)", Shown(value).c_str());
            break;
        }
        case 'C': {
            // Every 4:2:0 siting is shown alike; other samplings and depths
            // are refused by name.
            static const struct {
                const char* tag;
                int layout;
            } kChroma[] = { { "420", ImageObject::I420 }, { "420jpeg", ImageObject::I420 },
                { "420paldv", ImageObject::I420 }, { "420mpeg2", ImageObject::I420 },
                { "422", ImageObject::I422 }, { "444", ImageObject::I444 }, { "mono", ImageObject::I400 },
                { "420p10", ImageObject::I010 }, { "422p10", ImageObject::I210 },
                { "444p10", ImageObject::I410 } };
            const auto known = std::find_if(std::begin(kChroma), std::end(kChroma),
                [&](const auto& chroma) { return !std::strcmp(value, chroma.tag); });
            if (known == std::end(kChroma))
                return Fail("chroma \"%s\" is not supported (420, 422, 444, mono and their p10 forms are)",
                    Shown(value).c_str());
            layout = known->layout;
            break;
        }
        case 'X':
            if (!std::strcmp(value, "COLORRANGE=FULL"))
                range = ImageObject::fullRange;
            else if (!std::strcmp(value, "COLORRANGE=LIMITED"))
                range = ImageObject::limitedRange;
            break;
        default:
            // Interlacing (I), pixel aspect (A) and other extensions (X)
            // change nothing here.
            break;
        }
    }
    if (!width || !height)
        return Fail("bad YUV4MPEG2 header: no %s", width ? "height (H)" : "width (W)");
    SetFormat(width, height, layout);
    frameRange = range;
    return true;
}

VideoReader::Status VideoReader::Next(unsigned char* frame)
{
    if (!file)
        return Status::Error;
    const long number = count;
    if (y4m) {
        char marker[5];
        const size_t got = std::fread(marker, 1, sizeof marker, file);
        if (got == 0 && std::feof(file))
            return Status::End;
        char parameters[kMaxLine];
        if (got != sizeof marker || std::memcmp(marker, "FRAME", sizeof marker) != 0
            || !ReadLine(file, parameters, sizeof parameters)) {
            Fail("frame %ld does not start with FRAME (the header's size or chroma does not match the data)",
                number);
            return Status::Error;
        }
    }
    const size_t got = std::fread(frame, 1, bytes, file);
    if (got == bytes) {
        ++count;
        return Status::Frame;
    }
    if (std::ferror(file))
        Fail("read error: %s", std::strerror(errno));
    else if (got == 0 && !y4m)
        return Status::End;
    else
        Fail("frame %ld is truncated: %zu of %zu bytes%s", number, got, bytes,
            y4m ? "" : " (do --size and --format match the file?)");
    return Status::Error;
}

bool VideoReader::Rewind()
{
    if (std::fseek(file, dataStart, SEEK_SET) != 0)
        return Fail("cannot go back to the first frame: %s", std::strerror(errno));
    return true;
}

long VideoReader::FramesInFile() const
{
    struct stat info;
    if (!file || fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || bytes == 0)
        return -1;
    const long data = static_cast<long>(info.st_size) - dataStart;
    // A y4m frame has at least "FRAME\n" in front of it.
    return data / static_cast<long>(bytes + (y4m ? 6 : 0));
}
