#include "MediaClips.h"

#include <cstdio>
#include <cstdlib>

#include "ToolRun.h"

namespace vxtools {

bool Ffmpeg(const std::string& folder, const std::vector<std::string>& arguments)
{
    std::vector<std::string> all = { "-hide_banner", "-loglevel", "error", "-nostdin", "-y" };
    all.insert(all.end(), arguments.begin(), arguments.end());
    const RunResult run = RunTool(VNX_FFMPEG, all, folder);
    if (run.status != 0)
        std::fprintf(stderr, "ffmpeg failed (%d): %s\n", run.status, run.err.c_str());
    return run.status == 0;
}

bool HasEncoder(const std::string& folder, const std::string& name)
{
    const RunResult run = RunTool(VNX_FFMPEG, { "-hide_banner", "-encoders" }, folder);
    return run.out.find(" " + name + " ") != std::string::npos;
}

long DecodedFrames(const std::string& folder, const std::string& file)
{
    const RunResult run = RunTool(VNX_FFPROBE,
        { "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries", "stream=nb_read_frames",
            "-of", "csv=p=0", file },
        folder);
    return run.status == 0 && !run.out.empty() ? std::atol(run.out.c_str()) : -1;
}

} // namespace vxtools
