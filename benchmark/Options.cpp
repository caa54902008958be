#include "Options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A whole number from first to last digit: no sign, no space, no suffix.
bool ParseNumber(const char* text, long minimum, long maximum, long& value)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum)
        return false;
    value = parsed;
    return true;
}

// "WxH" with both in 1 … kMaxSize.
bool ParseSize(const char* text, int& width, int& height)
{
    const char* x = std::strchr(text, 'x');
    if (!x)
        return false;
    const std::string w(text, static_cast<size_t>(x - text));
    long parsedWidth = 0, parsedHeight = 0;
    if (!ParseNumber(w.c_str(), 1, kMaxSize, parsedWidth) || !ParseNumber(x + 1, 1, kMaxSize, parsedHeight))
        return false;
    width = static_cast<int>(parsedWidth);
    height = static_cast<int>(parsedHeight);
    return true;
}

enum Option { kFrames, kReportEvery, kSize, kInterval, kOffscreen, kSummary, kJson, kHelp, kOptionCount };

struct OptionName {
    const char* name;
    bool takesValue;
};

const OptionName kOptions[kOptionCount] = {
    { "--frames", true },
    { "--report-every", true },
    { "--size", true },
    { "--interval", true },
    { "--offscreen", false },
    { "--summary", false },
    { "--json", true },
    { "--help", false },
};

} // namespace

ParseResult ParseBenchmarkOptions(
    int argc, const char* const* argv, BenchmarkOptions& options, std::string& error)
{
    bool seen[kOptionCount] = {};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* equals = std::strchr(arg, '=');
        const std::string name
            = equals ? std::string(arg, static_cast<size_t>(equals - arg)) : std::string(arg);
        int option = kOptionCount;
        for (int o = 0; o < kOptionCount; ++o)
            if (name == kOptions[o].name)
                option = o;
        if (option == kOptionCount) {
            error = (arg[0] == '-' ? "unknown option " : "unexpected argument ") + std::string("\"") + arg
                + "\"";
            return ParseResult::Bad;
        }
        if (option == kHelp && !equals)
            return ParseResult::Help;
        if (seen[option]) {
            error = name + " is given twice";
            return ParseResult::Bad;
        }
        seen[option] = true;

        const char* value = nullptr;
        if (kOptions[option].takesValue) {
            if (equals)
                value = equals + 1;
            else if (i + 1 < argc)
                value = argv[++i];
            else {
                error = name + " needs a value";
                return ParseResult::Bad;
            }
        } else if (equals) {
            error = name + " takes no value";
            return ParseResult::Bad;
        }

        long number = 0;
        switch (option) {
        case kFrames:
            if (!ParseNumber(value, 1, kMaxFrames, number)) {
                error = "--frames wants a whole number from 1 to " + std::to_string(kMaxFrames) + ", not \""
                    + value + "\"";
                return ParseResult::Bad;
            }
            options.frames = static_cast<int>(number);
            break;
        case kReportEvery:
            if (!ParseNumber(value, 1, kMaxFrames, number)) {
                error = "--report-every wants a whole number from 1 to " + std::to_string(kMaxFrames)
                    + ", not \"" + value + "\"";
                return ParseResult::Bad;
            }
            options.reportEvery = static_cast<int>(number);
            break;
        case kSize:
            if (!ParseSize(value, options.width, options.height)) {
                error = "--size wants WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxSize) + ", not \""
                    + value + "\"";
                return ParseResult::Bad;
            }
            break;
        case kInterval:
            if (!ParseNumber(value, 0, kMaxInterval, number)) {
                error = "--interval wants a whole number from 0 to " + std::to_string(kMaxInterval)
                    + ", not \"" + value + "\"";
                return ParseResult::Bad;
            }
            options.interval = static_cast<int>(number);
            break;
        case kOffscreen:
            options.offscreen = true;
            break;
        case kSummary:
            options.summary = true;
            break;
        case kJson:
            if (!*value) {
                error = "--json wants a file name";
                return ParseResult::Bad;
            }
            options.json = value;
            break;
        default:
            error = name + " takes no value";
            return ParseResult::Bad;
        }
    }
    // Nothing is presented off screen, so there is no swap to pace.
    if (seen[kInterval] && options.offscreen) {
        error = "--interval sets the window's swap interval and has no meaning with --offscreen";
        return ParseResult::Bad;
    }
    return ParseResult::Run;
}

void PrintBenchmarkUsage(std::FILE* out)
{
    std::fputs("Usage: vnxtest3D [OPTION]...\n"
               "Renders a textured, lit wave surface frame after frame and prints, every\n"
               "N frames, the time those frames took and the frame rate. Reads its shader\n"
               "from kxLightShader.sh in the working directory. Without options: a 500x500\n"
               "window, swap interval 0, 150000 frames, a report every 5000.\n"
               "\n"
               "  --frames N        render N frames (1 to 10000000)\n"
               "  --report-every N  print a report every N frames (default 5000)\n"
               "  --size WxH        target size in pixels (default 500x500)\n"
               "  --interval N      swap interval of the window: 0 presents at once, N waits\n"
               "                    for N vertical retraces (default 0; not with --offscreen)\n"
               "  --offscreen       render into the headless off-screen target: no window and\n"
               "                    no X server needed, on a GPU or in software. Each frame\n"
               "                    ends with glFinish, so that it is timed when the GL has\n"
               "                    drawn it, as a window frame is when it is presented\n"
               "  --summary         after the run, print the renderer, the size, the frames,\n"
               "                    the total time, the mean frame rate and the median, 5th\n"
               "                    and 95th percentile frame times in milliseconds\n"
               "  --json FILE       write the summary and every report interval to FILE as JSON\n"
               "  --help            print this text and stop\n"
               "\n"
               "Exit status: 0 after a full run, 1 when no target or file could be made,\n"
               "2 for a bad option.\n",
        out);
}
