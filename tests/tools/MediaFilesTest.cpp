// vnxplay headless on video files that FFmpeg's own encoders make here: the
// frames the decoder gives, their colours, --start, and broken files.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "MediaClips.h"
#include "ToolRun.h"
#include "support/Bt601.h"

namespace {

using vxtools::Rgb;
using vxtools::RunTool;

const std::vector<std::string> kNoDisplay = { "DISPLAY" };

// The PNG files vnxplay wrote into `folder`, by name.
std::vector<std::string> Written(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Png(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "%06d.png", index);
    return name;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(VnxplayMedia, WritesEveryFrameTheDecoderGivesInEachContainer)
{
    const std::string folder = vxtools::NewFolder("media");
    struct Clip {
        std::string name, encoder;
        std::vector<std::string> options;
    };
    // B-frames in the MPEG-4 clip: the decoder gives frames out of the order
    // it reads them.
    std::vector<Clip> clips
        = { { "ffv1.mkv", "ffv1", {} }, { "mpeg4.mp4", "mpeg4", { "-bf", "2", "-g", "6" } },
              { "mpeg4.avi", "mpeg4", {} }, { "mpeg4.mov", "mpeg4", {} } };
    for (const char* vpx : { "libvpx", "libvpx-vp9" })
        if (vxtools::HasEncoder(folder, vpx))
            clips.push_back({ std::string(vpx) + ".webm", vpx, {} });
    for (const Clip& clip : clips) {
        std::vector<std::string> arguments
            = { "-f", "lavfi", "-i", "testsrc2=size=48x32:rate=25", "-frames:v", "13", "-c:v", clip.encoder };
        arguments.insert(arguments.end(), clip.options.begin(), clip.options.end());
        arguments.push_back(clip.name);
        ASSERT_TRUE(vxtools::Ffmpeg(folder, arguments)) << clip.name;
        const long decoded = vxtools::DecodedFrames(folder, clip.name);
        EXPECT_EQ(decoded, 13) << clip.name;
        const vxtools::RunResult run
            = RunTool(VNX_PLAY, { clip.name, "--out", "all-" + clip.name }, folder, kNoDisplay);
        EXPECT_EQ(run.status, 0) << clip.name << ": " << run.err;
        EXPECT_EQ(run.err, "") << clip.name;
        const std::vector<std::string> all = Written(folder + "/all-" + clip.name);
        ASSERT_EQ(static_cast<long>(all.size()), decoded) << clip.name;
        EXPECT_EQ(all.back(), Png(static_cast<int>(decoded - 1)));
        EXPECT_EQ(vxtools::ReadPngFile(folder + "/all-" + clip.name + "/" + all[0]).width, 48);
    }

    // --every, --frames and --loop as for YUV4MPEG2 files: numbered on
    // through the rounds, the first frame again after the last.
    ASSERT_EQ(
        RunTool(VNX_PLAY, { "--every", "5", "ffv1.mkv", "--out", "every" }, folder, kNoDisplay).status, 0);
    EXPECT_EQ(Written(folder + "/every"), (std::vector<std::string> { Png(0), Png(5), Png(10) }));
    ASSERT_EQ(
        RunTool(VNX_PLAY, { "--loop", "--frames", "30", "mpeg4.mp4", "--out", "loop" }, folder, kNoDisplay)
            .status,
        0);
    EXPECT_EQ(Written(folder + "/loop").size(), 30u);
    EXPECT_EQ(ReadBytes(folder + "/loop/" + Png(26)), ReadBytes(folder + "/all-mpeg4.mp4/" + Png(0)));
    EXPECT_EQ(ReadBytes(folder + "/loop/" + Png(29)), ReadBytes(folder + "/all-mpeg4.mp4/" + Png(3)));

    // A pipe with a writer plays once through.
    const vxtools::RunResult piped = RunTool("/bin/sh",
        { "-c",
            std::string("mkfifo p.mkv && (cat ffv1.mkv > p.mkv &) && exec '") + VNX_PLAY
                + "' p.mkv --out pipe" },
        folder, kNoDisplay);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(Written(folder + "/pipe").size(), 13u);
}

// --start lands on the key frame at or before the time asked, within one
// group of pictures: the frames from there are those of a run from the start.
TEST(VnxplayMedia, StartsAtTheKeyFrameAtOrBeforeTheTimeAsked)
{
    const std::string folder = vxtools::NewFolder("mediastart");
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "lavfi", "-i", "testsrc2=size=48x32:rate=25", "-frames:v", "40", "-c:v", "mpeg4", "-g", "10",
            "-sc_threshold", "1000000000", "clip.mp4" }));
    ASSERT_EQ(RunTool(VNX_PLAY, { "clip.mp4", "--out", "all" }, folder, kNoDisplay).status, 0);
    // Key frames at 0, 0.4, 0.8 and 1.2 s: 0.9 s goes to frame 20.
    const vxtools::RunResult run
        = RunTool(VNX_PLAY, { "clip.mp4", "--start", "0.9", "--out", "from" }, folder, kNoDisplay);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> from = Written(folder + "/from");
    ASSERT_EQ(from.size(), 20u);
    for (int i : { 0, 1, 19 })
        EXPECT_EQ(ReadBytes(folder + "/from/" + Png(i)), ReadBytes(folder + "/all/" + Png(20 + i))) << i;
    // Past the end: the last key frame, at 1.2 s, and the frames after it.
    const vxtools::RunResult late
        = RunTool(VNX_PLAY, { "clip.mp4", "--start", "99", "--out", "late" }, folder, kNoDisplay);
    EXPECT_EQ(late.status, 0) << late.err;
    EXPECT_EQ(Written(folder + "/late").size(), 10u);
    EXPECT_EQ(ReadBytes(folder + "/late/" + Png(0)), ReadBytes(folder + "/all/" + Png(30)));
    // Not for YUV4MPEG2 files.
    EXPECT_EQ(RunTool(VNX_PLAY, { "a.y4m", "--start", "1" }, folder, kNoDisplay).status, 2);
}

// Flat frames in the colours the stream declares (or its size implies), held
// against the textbook formulas; an RGB stream converted by libswscale
// against its own RGB.
TEST(VnxplayMedia, ShowsFlatFramesInTheColoursTheirStreamsDeclare)
{
    const std::string folder = vxtools::NewFolder("mediacolour");
    const int y = 90, u = 170, v = 100;
    struct Case {
        std::string name, pixelFormat, codec;
        int width, height;
        std::vector<std::string> tags;
        int matrix;
        bool full, tenBit;
    };
    const std::vector<Case> cases = {
        { "bt709.mkv", "yuv420p", "ffv1", 16, 16, { "-colorspace", "bt709", "-color_range", "tv" }, 1, false,
            false },
        { "full.mkv", "yuv422p", "ffv1", 16, 16, { "-color_range", "pc" }, 0, true, false },
        { "tall.mkv", "yuv444p", "ffv1", 16, 720, {}, 1, false, false },
        { "deep.mkv", "yuv420p10le", "ffv1", 16, 16, { "-colorspace", "bt2020nc" }, 2, false, true },
        // JPEG frames: a yuvj format, full range (flat blocks come through
        // lossy coding whole).
        { "jpeg.avi", "yuvj444p", "mjpeg", 16, 16, { "-q:v", "1" }, 0, true, false },
    };
    for (const Case& c : cases) {
        // Two frames of raw 4:4:4 samples, turned into the clip's layout.
        const size_t samples = static_cast<size_t>(c.width) * c.height;
        std::string raw;
        for (int frame = 0; frame < 2; ++frame)
            raw += std::string(samples, char(y)) + std::string(samples, char(u))
                + std::string(samples, char(v));
        WriteBytes(folder + "/raw.yuv", raw);
        std::vector<std::string> arguments = { "-f", "rawvideo", "-pix_fmt", "yuv444p", "-s",
            std::to_string(c.width) + "x" + std::to_string(c.height), "-i", "raw.yuv", "-vf",
            "scale=out_range=" + std::string(c.full ? "pc" : "tv") + ":in_range=" + (c.full ? "pc" : "tv"),
            "-pix_fmt", c.pixelFormat, "-c:v", c.codec };
        arguments.insert(arguments.end(), c.tags.begin(), c.tags.end());
        arguments.push_back(c.name);
        ASSERT_TRUE(vxtools::Ffmpeg(folder, arguments)) << c.name;
        const vxtools::RunResult run
            = RunTool(VNX_PLAY, { c.name, "--out", "out-" + c.name }, folder, kNoDisplay);
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.err;
        const Rgb shown = vxtools::ReadPngFile(folder + "/out-" + c.name + "/000001.png");
        ASSERT_EQ(shown.width, c.width);
        const std::vector<int> want = vxtest::YuvReference(
            c.matrix, c.full, c.tenBit, c.tenBit ? y * 4 : y, c.tenBit ? u * 4 : u, c.tenBit ? v * 4 : v);
        const unsigned char* pixel = shown.at(c.width / 2, c.height / 2);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(pixel[i], want[i], 3) << c.name << " channel " << i;
    }

    // RGB frames: converted into 4:4:4 by libswscale, which --verbose says.
    WriteBytes(folder + "/raw.rgb", std::string(16 * 16 * 2, '\0'));
    std::string rgb;
    for (int i = 0; i < 16 * 16 * 2; ++i)
        rgb += std::string { char(200), char(60), char(30) };
    WriteBytes(folder + "/raw.rgb", rgb);
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", "16x16", "-i", "raw.rgb", "-pix_fmt", "bgr0", "-c:v",
            "ffv1", "rgb.mkv" }));
    const vxtools::RunResult run
        = RunTool(VNX_PLAY, { "rgb.mkv", "--out", "rgb", "--verbose" }, folder, kNoDisplay);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.err.rfind("vnxplay: rgb.mkv: ffv1 decodes into bgr0, converted by libswscale into yuv444p\n", 0),
        0u)
        << run.err;
    const Rgb shown = vxtools::ReadPngFile(folder + "/rgb/000000.png");
    ASSERT_EQ(shown.width, 16);
    EXPECT_NEAR(shown.at(8, 8)[0], 200, 3);
    EXPECT_NEAR(shown.at(8, 8)[1], 60, 3);
    EXPECT_NEAR(shown.at(8, 8)[2], 30, 3);
}

// Phone videos record a turn in the stream's display matrix instead of
// turning their frames. ffmpeg applies it when it decodes to pictures: its
// pictures are the oracle, direction and all.
TEST(VnxplayMedia, TurnsFramesAsTheirStreamsDisplayMatrixAsks)
{
    const std::string folder = vxtools::NewFolder("mediaturn");
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "lavfi", "-i", "testsrc2=size=48x32:rate=25", "-frames:v", "2", "-c:v", "mpeg4", "-q:v", "1",
            "upright.mp4" }));
    for (const char* turn : { "90", "180", "270" }) {
        // The legacy "rotate" tag, which the MP4 muxer writes as a display
        // matrix when it copies a stream.
        const std::string name = std::string("turned") + turn + ".mp4";
        ASSERT_TRUE(vxtools::Ffmpeg(folder,
            { "-i", "upright.mp4", "-c", "copy", "-metadata:s:v:0", std::string("rotate=") + turn, name }));
        ASSERT_TRUE(vxtools::Ffmpeg(folder,
            { "-i", name, "-vf", "scale=in_color_matrix=bt601:in_range=tv,format=rgb24", "-frames:v", "1",
                "ffmpeg" + std::string(turn) + ".png" }));
        const vxtools::RunResult run = RunTool(
            VNX_PLAY, { name, "--out", std::string("out") + turn, "--frames", "1" }, folder, kNoDisplay);
        ASSERT_EQ(run.status, 0) << run.err;
        const Rgb want = vxtools::ReadPngFile(folder + "/ffmpeg" + turn + ".png");
        const Rgb shown = vxtools::ReadPngFile(folder + "/out" + std::string(turn) + "/000000.png");
        ASSERT_EQ(want.width, std::string(turn) == "180" ? 48 : 32) << turn;
        ASSERT_EQ(shown.width, want.width) << turn;
        ASSERT_EQ(shown.height, want.height) << turn;
        // testsrc2's bars and gradients, turned the wrong way, are off by
        // tens of levels on average; conversions and rounding alone by one.
        long difference = 0;
        for (size_t i = 0; i < shown.pixels.size(); ++i)
            difference += std::abs(static_cast<int>(shown.pixels[i]) - static_cast<int>(want.pixels[i]));
        EXPECT_LT(static_cast<double>(difference) / static_cast<double>(shown.pixels.size()), 3.0)
            << turn << " mean " << static_cast<double>(difference) / static_cast<double>(shown.pixels.size());
    }
}

TEST(VnxplayMedia, BrokenFilesGiveOneLineAndStatusOneAfterTheFramesShown)
{
    const std::string folder = vxtools::NewFolder("mediabad");
    const std::string clip = "testsrc2=size=48x32:rate=25";
    ASSERT_TRUE(vxtools::Ffmpeg(
        folder, { "-f", "lavfi", "-i", clip, "-frames:v", "30", "-c:v", "mpeg4", "whole.mp4" }));
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "lavfi", "-i", clip, "-frames:v", "30", "-c:v", "mpeg4", "-movflags", "+faststart",
            "fast.mp4" }));
    ASSERT_TRUE(vxtools::Ffmpeg(
        folder, { "-f", "lavfi", "-i", clip, "-frames:v", "30", "-c:v", "ffv1", "whole.mkv" }));
    ASSERT_TRUE(vxtools::Ffmpeg(folder, { "-f", "lavfi", "-i", "sine", "-t", "0.2", "sound.wav" }));
    const std::string mp4 = ReadBytes(folder + "/whole.mp4"), fast = ReadBytes(folder + "/fast.mp4"),
                      mkv = ReadBytes(folder + "/whole.mkv");
    WriteBytes(folder + "/text.mp4", "This is not a video.\n");
    // MP4 with its index at the end, cut before it; with the index first, cut
    // through the frames; Matroska cut through the frames.
    WriteBytes(folder + "/cut.mp4", mp4.substr(0, mp4.size() * 2 / 3));
    WriteBytes(folder + "/cutfast.mp4", fast.substr(0, fast.size() * 2 / 3));
    WriteBytes(folder + "/cut.mkv", mkv.substr(0, mkv.size() * 2 / 3));
    // Damaged frame data in the middle of the file.
    std::string damaged = fast;
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 400; i += 3)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
    WriteBytes(folder + "/damaged.mp4", damaged);
    ASSERT_EQ(mkdir((folder + "/folder.mkv").c_str(), 0777), 0);
    ASSERT_EQ(RunTool("/usr/bin/mkfifo", { "silent.mkv" }, folder).status, 0);

    struct Case {
        std::string name, line; // the line, or its start where it ends in "..."
        bool someFrames; // frames before the fault were written (but not all)
    };
    const std::vector<Case> cases = {
        { "text.mp4", "not a video file (no container format FFmpeg's libraries read matches it)", false },
        { "sound.wav", "no video stream", false },
        { "cut.mp4",
            "broken or cut short: it looks like QuickTime / MOV but Invalid data found when processing input",
            false },
        { "cutfast.mp4", "the file is cut short: the frame at ...", true },
        { "cut.mkv", "the file is cut short or damaged: its video ends at ...", true },
        { "damaged.mp4", "damaged video: the frame at ...", true },
        { "folder.mkv", "is a folder, not a video file", false },
        { "missing.mkv", "No such file or directory", false },
        // A FIFO no one writes into: given up, not waited on for ever.
        { "silent.mkv", "nothing to read for 5 s (a pipe that no one writes into?)", false },
    };
    for (const Case& c : cases) {
        const std::string out = "out-" + c.name;
        const vxtools::RunResult run = RunTool(VNX_PLAY, { c.name, "--out", out }, folder, kNoDisplay);
        EXPECT_EQ(run.status, 1) << c.name;
        const std::string want = "vnxplay: " + c.name + ": " + c.line;
        if (want.size() > 3 && want.compare(want.size() - 3, 3, "...") == 0) {
            EXPECT_EQ(run.err.rfind(want.substr(0, want.size() - 3), 0), 0u) << run.err;
            EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        } else
            EXPECT_EQ(run.err, want + "\n");
        const size_t written = Written(folder + "/" + out).size();
        if (c.someFrames) {
            EXPECT_GT(written, 0u) << c.name;
            EXPECT_LE(written, 30u) << c.name;
        } else
            EXPECT_EQ(written, 0u) << c.name;
    }
}

} // namespace
