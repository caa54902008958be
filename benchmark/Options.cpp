#include "Options.h"

#include <CommandLine.h>

namespace {

enum Option { kFrames, kReportEvery, kSize, kInterval, kOffscreen, kSummary, kJson, kHelp };

const vnxcmd::Option kOptions[] = {
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
    vnxcmd::Rules rules;
    rules.joinedValues = true;
    rules.once = true;
    vnxcmd::Reader reader(argc, argv, kOptions, rules);
    for (vnxcmd::Argument argument; reader.Next(argument);) {
        switch (argument.option) {
        case kFrames:
            reader.Whole(argument, 1, kMaxFrames, options.frames);
            break;
        case kReportEvery:
            reader.Whole(argument, 1, kMaxFrames, options.reportEvery);
            break;
        case kSize:
            reader.Size(argument, kMaxSize, options.width, options.height);
            break;
        case kInterval:
            reader.Whole(argument, 0, kMaxInterval, options.interval);
            break;
        case kOffscreen:
            options.offscreen = true;
            break;
        case kSummary:
            options.summary = true;
            break;
        case kJson:
            if (*argument.value)
                options.json = argument.value;
            else
                reader.Fail("--json wants a file name");
            break;
        case kHelp:
            return ParseResult::Help;
        }
    }
    // Nothing is presented off screen, so there is no swap to pace.
    if (!reader.failed() && reader.given(kInterval) && options.offscreen)
        reader.Fail("--interval sets the window's swap interval and has no meaning with --offscreen");
    if (reader.failed()) {
        error = reader.error();
        return ParseResult::Bad;
    }
    return ParseResult::Run;
}

void PrintBenchmarkUsage(std::FILE* out)
{
    std::fputs("Usage: vnxtest3D [OPTION]...\n"
               "Renders a textured, lit wave surface frame after frame and prints, every\n"
               "N frames, the time those frames took and the frame rate. Reads its shader\n"
               "from kxLightShader.sh in the working directory, or beside the program.\n"
               "Without options: a 500x500 window, swap interval 0, 150000 frames, a report\n"
               "every 5000.\n"
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
