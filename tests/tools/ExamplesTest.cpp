// vnxview, vnxplay and the offscreen example, headless, on files made here.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "ToolRun.h"
#include "support/Bt601.h"

namespace {

using vxtools::Rgb;
using vxtools::RunTool;

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Largest channel difference between two pixels.
int Difference(const unsigned char* a, const unsigned char* b)
{
    int most = 0;
    for (int c = 0; c < 3; ++c)
        most = std::max(most, std::abs(a[c] - b[c]));
    return most;
}

Rgb Pattern(int width, int height)
{
    Rgb image { width, height, {} };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            image.pixels.push_back(static_cast<unsigned char>(x * 255 / (width - 1)));
            image.pixels.push_back(static_cast<unsigned char>(y * 255 / (height - 1)));
            image.pixels.push_back(static_cast<unsigned char>((x + y) % 2 ? 200 : 40));
        }
    return image;
}

TEST(Vnxview, RendersImagesHeadlessPixelForPixelTurnedAndLetterboxed)
{
    const std::string folder = vxtools::NewFolder("view");
    const Rgb source = Pattern(64, 48);
    vxtools::WritePngFile(folder + "/in.png", source);
    const std::vector<std::string> noDisplay = { "DISPLAY" };

    // Its own size: every pixel back as it was (the checkerboard in blue
    // shows any blur), the outermost ring within filtering.
    ASSERT_EQ(RunTool(VNX_VIEW, { "--out", "same.png", "in.png" }, folder, noDisplay).status, 0);
    const Rgb same = vxtools::ReadPngFile(folder + "/same.png");
    ASSERT_EQ(same.width, 64);
    ASSERT_EQ(same.height, 48);
    // Turned 90 degrees clockwise: the source's top row is the right column.
    ASSERT_EQ(
        RunTool(VNX_VIEW, { "--rotate", "90", "--out", "turned.png", "in.png" }, folder, noDisplay).status,
        0);
    const Rgb turned = vxtools::ReadPngFile(folder + "/turned.png");
    ASSERT_EQ(turned.width, 48);
    ASSERT_EQ(turned.height, 64);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool edge = x == 0 || y == 0 || x == 63 || y == 47;
            const int tolerance = edge ? 100 : 0;
            EXPECT_LE(Difference(same.at(x, y), source.at(x, y)), tolerance) << x << "," << y;
            EXPECT_LE(Difference(turned.at(47 - y, x), source.at(x, y)), tolerance) << x << "," << y;
        }

    // Fitted into a wider picture: centred at its own size, black beside it.
    ASSERT_EQ(
        RunTool(VNX_VIEW, { "--size", "128x48", "--out", "wide.png", "in.png" }, folder, noDisplay).status,
        0);
    const Rgb wide = vxtools::ReadPngFile(folder + "/wide.png");
    ASSERT_EQ(wide.width, 128);
    const unsigned char black[3] = { 0, 0, 0 };
    for (int y = 0; y < 48; y += 5) {
        EXPECT_EQ(Difference(wide.at(10, y), black), 0);
        EXPECT_EQ(Difference(wide.at(117, y), black), 0);
        EXPECT_LE(Difference(wide.at(32 + 20, y), source.at(20, y)), y ? 0 : 100);
    }

    // A JPEG of the same picture, full quality: within its compression.
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(
        tjCompress2(encoder, source.pixels.data(), 64, 0, 48, TJPF_RGB, &jpeg, &size, TJSAMP_444, 100, 0), 0);
    WriteBytes(folder + "/in.jpg", std::string(reinterpret_cast<char*>(jpeg), size));
    tjFree(jpeg);
    tjDestroy(encoder);
    ASSERT_EQ(RunTool(VNX_VIEW, { "--out", "jpeg.png", "in.jpg" }, folder, noDisplay).status, 0);
    const Rgb fromJpeg = vxtools::ReadPngFile(folder + "/jpeg.png");
    ASSERT_EQ(fromJpeg.width, 64);
    for (int y = 1; y < 47; ++y)
        for (int x = 1; x < 63; ++x)
            EXPECT_LE(Difference(fromJpeg.at(x, y), source.at(x, y)), 12) << x << "," << y;

    // The same JPEG with an EXIF block saying "turn 90 degrees clockwise to
    // show": that turn comes first, --rotate's after it.
    const std::string jpegBytes = ReadText(folder + "/in.jpg");
    const std::string exif("\xff\xe1\0\x22"
                           "Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0",
        36);
    WriteBytes(folder + "/turned.jpg", jpegBytes.substr(0, 2) + exif + jpegBytes.substr(2));
    ASSERT_EQ(
        RunTool(VNX_VIEW, { "--rotate", "90", "--out", "exif.png", "turned.jpg" }, folder, noDisplay).status,
        0);
    ASSERT_EQ(
        RunTool(VNX_VIEW, { "--rotate", "180", "--out", "half.png", "in.jpg" }, folder, noDisplay).status, 0);
    const Rgb exifTurned = vxtools::ReadPngFile(folder + "/exif.png");
    const Rgb halfTurned = vxtools::ReadPngFile(folder + "/half.png");
    EXPECT_EQ(exifTurned.width, 64);
    EXPECT_EQ(exifTurned.height, 48);
    EXPECT_EQ(exifTurned.pixels, halfTurned.pixels);
}

TEST(Vnxview, RefusesWhatItCannotShowWithOneLine)
{
    const std::string folder = vxtools::NewFolder("viewbad");
    WriteBytes(folder + "/text.png", "not a picture\n");
    WriteBytes(folder + "/cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
    vxtools::WritePngFile(folder + "/ok.png", Pattern(8, 8));
    // A 69-byte file claiming 16384 x 16384 pixels.
    WriteBytes(folder + "/huge.png",
        std::string(
            "\x89PNG\r\n\x1a\n\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x40\x00\x00\x00\x40\x00\x08\x00\x00"
            "\x00\x00\x8c\xa3\x4f\x58\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\x60\x60\x60\x00\x00\x00\x04"
            "\x00\x01\xf6\x17\x38\x55\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
            69));
    const std::string pixels = "134217728 pixels";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        { { "--out", "o.png", "text.png" }, "vnxview: text.png: not a PNG or JPEG image\n" },
        { { "--out", "o.png", "missing.png" }, "vnxview: missing.png: No such file or directory\n" },
        { { "--out", "/nonexistent/o.png", "ok.png" },
            "vnxview: /nonexistent/o.png: No such file or directory\n" },
        // Only a regular file is replaced.
        { { "--out", folder, "ok.png" }, "vnxview: " + folder + ": is a folder\n" },
        { { "--out", "/dev/null", "ok.png" }, "vnxview: /dev/null: is not a regular file\n" },
        // A window without DISPLAY: said as such, not as a server named "".
        { { "ok.png" }, "vnxview: DISPLAY is not set: a window needs an X server\n" },
        // A folder given as a picture is named as one.
        { { "--out", "o.png", folder }, "vnxview: " + folder + ": is a folder, not an image\n" },
        // Endless input is read up to the file limit, then refused.
        { { "--out", "o.png", "/dev/zero" },
            "vnxview: /dev/zero: input goes on past the limit of 268435456 bytes (256 MiB)\n" },
        { { "--out", "o.png", "huge.png" },
            "vnxview: huge.png: image of 16384x16384 pixels is over the limit of " + pixels + " (128 Mi)\n" },
    };
    for (const auto& [arguments, line] : cases) {
        const vxtools::RunResult run = RunTool(VNX_VIEW, arguments, folder, { "DISPLAY" });
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, line);
    }
    // Without any GL the library's failure line goes to standard error;
    // standard output stays the tool's, empty.
    const vxtools::RunResult noGl = RunTool(VNX_VIEW, { "--out", "o.png", "ok.png" }, folder,
        { "DISPLAY", "__EGL_VENDOR_LIBRARY_FILENAMES=" VNX_TEST_DIR "/no-egl-vendor.json" });
    EXPECT_EQ(noGl.status, 1);
    EXPECT_EQ(noGl.out, "");
    EXPECT_NE(noGl.err.find("kxOffScreen wglGetCurrentDC failed, Error\n"), std::string::npos) << noGl.err;
    const vxtools::RunResult cut = RunTool(VNX_VIEW, { "--out", "o.png", "cut.png" }, folder, { "DISPLAY" });
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err.rfind("vnxview: cut.png: bad PNG: ", 0), 0u) << cut.err;
    for (const std::vector<std::string>& arguments :
        std::vector<std::vector<std::string>> { { "--rotate", "45", "a.png" },
            { "--out", "o.png", "a.png", "b.png" }, { "--size", "0x5", "a.png" }, {} }) {
        const vxtools::RunResult run = RunTool(VNX_VIEW, arguments, folder, { "DISPLAY" });
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("\nUsage: vnxview"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(Exists(folder + "/o.png"));
}

TEST(Vnxview, RendersAPictureLargerThanAnyPixelBufferAtItsOwnSize)
{
    // A camera photo's size, wider and taller than the largest pixel buffer
    // (4096 on a side on llvmpipe): every pixel back as it was.
    const std::string folder = vxtools::NewFolder("viewlarge");
    const Rgb source = Pattern(6000, 4000);
    vxtools::WritePngFile(folder + "/in.png", source);
    const vxtools::RunResult run = RunTool(VNX_VIEW, { "--out", "out.png", "in.png" }, folder, { "DISPLAY" });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const Rgb shown = vxtools::ReadPngFile(folder + "/out.png");
    ASSERT_EQ(shown.width, 6000);
    ASSERT_EQ(shown.height, 4000);
    long wrong = 0;
    for (int y = 0; y < 4000; ++y)
        for (int x = 0; x < 6000; ++x)
            if (Difference(shown.at(x, y), source.at(x, y)) != 0 && !wrong++)
                ADD_FAILURE() << "first different pixel at " << x << "," << y;
    EXPECT_EQ(wrong, 0);
}

// A YUV4MPEG2 file of the pattern frames; no C tag means 4:2:0.
std::string Y4m(int width, int height, bool halfHeight, int frames, bool tagged)
{
    std::string text
        = "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " F30000:1001 Ip";
    text += tagged ? (halfHeight ? " C420jpeg" : " C422") : "";
    text += " XYSCSS=420JPEG\n";
    for (int i = 0; i < frames; ++i) {
        const vxtools::YuvFrame frame = vxtools::PatternFrame(width, height, halfHeight, i);
        text += "FRAME\n" + std::string(frame.bytes.begin(), frame.bytes.end());
    }
    return text;
}

// Each written frame against the textbook conversion of what was written.
void ExpectFrames(const std::string& folder, int width, int height, bool halfHeight, std::vector<int> frames)
{
    for (int index : frames) {
        char name[32];
        std::snprintf(name, sizeof name, "/%06d.png", index);
        const Rgb shown = vxtools::ReadPngFile(folder + name);
        ASSERT_EQ(shown.width, width) << name;
        ASSERT_EQ(shown.height, height);
        const vxtools::YuvFrame frame = vxtools::PatternFrame(width, height, halfHeight, index);
        int worst = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                int rgb[3];
                vxtest::Bt601(frame.y(x, y), frame.u(x, y), frame.v(x, y), rgb);
                const unsigned char expected[3] = { static_cast<unsigned char>(rgb[0]),
                    static_cast<unsigned char>(rgb[1]), static_cast<unsigned char>(rgb[2]) };
                worst = std::max(worst, Difference(shown.at(x, y), expected));
            }
        EXPECT_LE(worst, 2) << name;
    }
}

TEST(Vnxplay, WritesEveryFrameHeadlessInBt601Colours)
{
    const std::string folder = vxtools::NewFolder("play");
    // Odd sizes: the last column and row have chroma samples of their own.
    WriteBytes(folder + "/a.y4m", Y4m(37, 23, true, 3, false));
    WriteBytes(folder + "/b.y4m", Y4m(37, 23, false, 3, true));
    const std::string raw = Y4m(21, 9, true, 3, true);
    std::string frames;
    for (size_t at = 0; (at = raw.find("FRAME\n", at)) != std::string::npos; at += 6)
        frames += raw.substr(at + 6, 21 * 9 + 2 * 11 * 5);
    WriteBytes(folder + "/c.yuv", frames);

    const std::vector<std::string> noDisplay = { "DISPLAY" };
    ASSERT_EQ(RunTool(VNX_PLAY, { "a.y4m", "--out", "a" }, folder, noDisplay).status, 0);
    ExpectFrames(folder + "/a", 37, 23, true, { 0, 1, 2 });
    EXPECT_FALSE(Exists(folder + "/a/000003.png"));
    ASSERT_EQ(RunTool(VNX_PLAY, { "--out", "b", "--every", "2", "b.y4m" }, folder, noDisplay).status, 0);
    ExpectFrames(folder + "/b", 37, 23, false, { 0, 2 });
    EXPECT_FALSE(Exists(folder + "/b/000001.png"));
    ASSERT_EQ(
        RunTool(VNX_PLAY, { "--size", "21x9", "--format", "i420", "--out", "c", "--frames", "2", "c.yuv" },
            folder, noDisplay)
            .status,
        0);
    ExpectFrames(folder + "/c", 21, 9, true, { 0, 1 });
    EXPECT_FALSE(Exists(folder + "/c/000002.png"));
    // Looping starts again at the first frame, numbering on.
    ASSERT_EQ(
        RunTool(VNX_PLAY, { "--loop", "--frames", "5", "--out", "d", "a.y4m" }, folder, noDisplay).status, 0);
    EXPECT_EQ(ReadText(folder + "/d/000004.png"), ReadText(folder + "/a/000001.png"));
    // Frames wider than the largest pixel buffer.
    WriteBytes(folder + "/e.y4m", Y4m(4200, 6, true, 1, true));
    ASSERT_EQ(RunTool(VNX_PLAY, { "--out", "e", "e.y4m" }, folder, noDisplay).status, 0);
    ExpectFrames(folder + "/e", 4200, 6, true, { 0 });
}

TEST(Vnxplay, BrokenFilesGiveOneLineAndStatusOneAfterTheGoodFrames)
{
    const std::string folder = vxtools::NewFolder("playbad");
    const std::string good = Y4m(8, 6, true, 3, true);
    const size_t frameBytes = 8 * 6 + 2 * 4 * 3;
    struct Case {
        std::string name, bytes, line;
        int framesBefore;
    };
    const std::vector<Case> cases = {
        { "magic.y4m", "YUV4MPEG W8 H6\n",
            "magic.y4m: not a YUV4MPEG2 file (it does not start with \"YUV4MPEG2\")", 0 },
        { "c411.y4m", "YUV4MPEG2 W8 H6 F25:1 C411\nFRAME\n",
            "c411.y4m: chroma \"411\" is not supported (420, 422, 444, mono and their p10 forms are)", 0 },
        { "c420p12.y4m", "YUV4MPEG2 W8 H6 C420p12\n",
            "c420p12.y4m: chroma \"420p12\" is not supported (420, 422, 444, mono and their p10 forms are)",
            0 },
        // A header with a CR before its line end: the CR is named.
        { "cr.y4m", "YUV4MPEG2 W8 H6 C420\r\nFRAME\n",
            "cr.y4m: chroma \"420\\r\" is not supported (420, 422, 444, mono and their p10 forms are)", 0 },
        { "width.y4m", "YUV4MPEG2 H6 F25:1\n", "width.y4m: bad YUV4MPEG2 header: no width (W)", 0 },
        { "huge.y4m", "YUV4MPEG2 W99999 H6\n",
            "huge.y4m: bad YUV4MPEG2 header: width \"99999\" (1 to 16384 taken)", 0 },
        { "rate.y4m", "YUV4MPEG2 W8 H6 F25:0\n",
            "rate.y4m: bad YUV4MPEG2 header: frame rate \"25:0\" (want N:D, both above 0)", 0 },
        { "empty.y4m", "YUV4MPEG2 W8 H6\n", "empty.y4m: no frames", 0 },
        { "cut.y4m", good.substr(0, good.size() - 10), "cut.y4m: frame 2 is truncated: 62 of 72 bytes", 2 },
        // The header claims one column more than the frames have.
        { "size.y4m", "YUV4MPEG2 W9 H6" + good.substr(good.find('\n')),
            "size.y4m: frame 1 does not start with FRAME (the header's size or chroma does not match the "
            "data)",
            1 },
    };
    for (const Case& c : cases) {
        WriteBytes(folder + "/" + c.name, c.bytes);
        const std::string out = "out-" + c.name;
        const vxtools::RunResult run = RunTool(VNX_PLAY, { c.name, "--out", out }, folder, { "DISPLAY" });
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.err, "vnxplay: " + c.line + "\n");
        for (int i = 0; i < 3; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/%06d.png", i);
            EXPECT_EQ(Exists(folder + "/" + out + name), i < c.framesBefore) << c.name << name;
        }
    }
    // Raw frames: a short last frame, said with the likely cause.
    WriteBytes(folder + "/short.yuv", std::string(frameBytes + 5, '\x80'));
    const vxtools::RunResult raw = RunTool(VNX_PLAY,
        { "--size", "8x6", "--format", "i420", "short.yuv", "--out", "raw" }, folder, { "DISPLAY" });
    EXPECT_EQ(raw.status, 1);
    EXPECT_EQ(raw.err,
        "vnxplay: short.yuv: frame 1 is truncated: 5 of 72 bytes (do --size and --format match the file?)\n");
    EXPECT_TRUE(Exists(folder + "/raw/000000.png"));

    // Bad command lines: the usage, status 2.
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>> { {},
             { "--size", "8x6", "short.yuv" }, { "--size", "8x6", "--format", "i420", "cut.y4m" },
             { "--format", "nv16", "--size", "8x6", "short.yuv" }, { "--every", "2", "cut.y4m" },
             { "--loop", "--out", "x", "cut.y4m" }, { "--fps", "-1", "cut.y4m" }, { "cut.y4m", "size.y4m" },
             { "--loop", "-" } }) {
        const vxtools::RunResult run = RunTool(VNX_PLAY, arguments, folder, { "DISPLAY" });
        EXPECT_EQ(run.status, 2) << (arguments.empty() ? "" : arguments[0]);
        EXPECT_NE(run.err.find("\nUsage: vnxplay"), std::string::npos) << run.err;
    }
    // Rates: 0, or from one frame in 1000 s (a slower one overflowed the
    // frame period) to 1000 a second, and the refusal says so.
    for (const char* fps : { "1e-10", "0.0009", "1001", "nan" }) {
        const vxtools::RunResult run = RunTool(VNX_PLAY, { "--fps", fps, "cut.y4m" }, folder, { "DISPLAY" });
        EXPECT_EQ(run.status, 2) << fps;
        EXPECT_EQ(
            run.err.rfind(std::string("vnxplay: --fps wants 0, or 0.001 to 1000 frames a second, not \"")
                    + fps + "\"\n",
                0),
            0u)
            << run.err;
    }

    // A folder is named as one, not read.
    const vxtools::RunResult asFile = RunTool(VNX_PLAY, { folder, "--out", "x" }, folder, { "DISPLAY" });
    EXPECT_EQ(asFile.status, 1);
    EXPECT_EQ(asFile.err, "vnxplay: " + folder + ": is a folder, not a video file\n");
}

// Flat frames in every YUV4MPEG2 chroma tag and range, and raw layouts with
// the colours given on the command line: each PNG holds the colour the
// formulas give for the matrix and range the file declares or implies.
TEST(Vnxplay, ShowsEachTagAndLayoutInTheColoursItDeclares)
{
    const std::string folder = vxtools::NewFolder("playtags");
    const int y8 = 90, u8 = 170, v8 = 100;
    struct Case {
        std::string tag; // C tag, or the raw --format
        int chromaX, chromaY; // chroma samples per pixel: 0 none, 1 full, 2 halved
        bool tenBit;
        std::string range; // XCOLORRANGE value, "" for none
        int height; // 720 and up: BT.709 unless told
        std::vector<std::string> options; // raw frames: the command line's colours
        int matrix;
        bool full;
    };
    const std::vector<Case> cases = {
        { "420jpeg", 2, 2, false, "", 6, {}, 0, false },
        { "422", 2, 1, false, "FULL", 6, {}, 0, true },
        { "444", 1, 1, false, "LIMITED", 720, {}, 1, false },
        { "mono", 0, 0, false, "FULL", 6, {}, 0, true },
        { "420p10", 2, 2, true, "", 720, {}, 1, false },
        { "422p10", 2, 1, true, "FULL", 6, {}, 0, true },
        { "444p10", 1, 1, true, "", 6, { "--matrix", "bt2020" }, 2, false },
        { "nv12", 2, 2, false, "", 6, { "--matrix", "bt2020", "--range", "full" }, 2, true },
        { "yuyv", 2, 1, false, "", 720, {}, 1, false },
        { "p010", 2, 2, true, "", 6, { "--range", "full", "--matrix", "bt709" }, 1, true },
    };
    for (const Case& c : cases) {
        const int width = 4, height = c.height;
        const int y = c.tenBit ? y8 * 4 + 1 : y8, u = c.tenBit ? u8 * 4 + 1 : u8,
                  v = c.tenBit ? v8 * 4 + 1 : v8;
        std::string frame;
        const auto put = [&](int value, int count) {
            for (int i = 0; i < count; ++i) {
                if (c.tag == "p010")
                    value = (value & 1023) << 6;
                frame += static_cast<char>(c.tenBit ? value & 0xff : value);
                if (c.tenBit)
                    frame += static_cast<char>(value >> 8);
                if (c.tag == "p010")
                    value >>= 6;
            }
        };
        const int chromaSamples = c.chromaX ? (width / c.chromaX) * (height / c.chromaY) : 0;
        if (c.tag == "yuyv")
            for (int i = 0; i < width * height / 2; ++i) {
                put(y, 1);
                put(u, 1);
                put(y, 1);
                put(v, 1);
            }
        else if (c.tag == "nv12" || c.tag == "p010") {
            put(y, width * height);
            for (int i = 0; i < chromaSamples; ++i) {
                put(u, 1);
                put(v, 1);
            }
        } else {
            put(y, width * height);
            put(u, chromaSamples);
            put(v, chromaSamples);
        }
        const std::string name = c.tag + (c.range.empty() ? "" : "-" + c.range);
        std::vector<std::string> arguments = c.options;
        const bool raw = c.tag == "nv12" || c.tag == "yuyv" || c.tag == "p010";
        if (!raw) {
            std::string header
                = "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " C" + c.tag;
            if (!c.range.empty())
                header += " XCOLORRANGE=" + c.range;
            WriteBytes(folder + "/" + name + ".y4m", header + "\nFRAME\n" + frame);
            arguments.push_back(name + ".y4m");
        } else {
            WriteBytes(folder + "/" + name + ".yuv", frame);
            arguments.insert(arguments.end(),
                { "--size", std::to_string(width) + "x" + std::to_string(height), "--format", c.tag,
                    name + ".yuv" });
        }
        arguments.insert(arguments.end(), { "--out", name });
        const vxtools::RunResult run = RunTool(VNX_PLAY, arguments, folder, { "DISPLAY" });
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        const Rgb shown = vxtools::ReadPngFile(folder + "/" + name + "/000000.png");
        const std::vector<int> want = c.chromaX
            ? vxtest::YuvReference(c.matrix, c.full, c.tenBit, y, u, v)
            : vxtest::YuvReference(c.matrix, c.full, c.tenBit, y, 128, 128);
        const unsigned char expected[3] = { static_cast<unsigned char>(want[0]),
            static_cast<unsigned char>(want[1]), static_cast<unsigned char>(want[2]) };
        EXPECT_LE(Difference(shown.at(width / 2, height / 2), expected), 2) << name;
    }
}

TEST(Vnxplay, ReadsStandardInputForADash)
{
    const std::string folder = vxtools::NewFolder("playstdin");
    WriteBytes(folder + "/a.y4m", Y4m(16, 8, true, 2, true));
    const vxtools::RunResult run = RunTool(
        "/bin/sh", { "-c", std::string("exec '") + VNX_PLAY + "' --out s - < a.y4m" }, folder, { "DISPLAY" });
    EXPECT_EQ(run.status, 0) << run.err;
    ExpectFrames(folder + "/s", 16, 8, true, { 0, 1 });
    EXPECT_FALSE(Exists(folder + "/s/000002.png"));
    // Through a pipe the length is unknown and a broken stream is named as
    // standard input.
    const vxtools::RunResult cut = RunTool("/bin/sh",
        { "-c", std::string("head -c 300 a.y4m | '") + VNX_PLAY + "' --out t -" }, folder, { "DISPLAY" });
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, "vnxplay: standard input: frame 1 is truncated: 40 of 192 bytes\n");
}

TEST(OffscreenExample, IsTheReadmesFirstProgramAndRendersWithoutXServer)
{
    // The README shows the program word for word.
    const std::string readme = ReadText(VNX_SOURCE_DIR "/README.md");
    const size_t start = readme.find("```cpp\n");
    ASSERT_NE(start, std::string::npos);
    const size_t end = readme.find("```\n", start + 7);
    EXPECT_EQ(readme.substr(start + 7, end - start - 7), ReadText(VNX_SOURCE_DIR "/examples/offscreen.cpp"));

    const std::string folder = vxtools::NewFolder("offscreen");
    ASSERT_EQ(RunTool(VNX_OFFSCREEN, {}, folder, { "DISPLAY" }).status, 0);
    const std::string ppm = ReadText(folder + "/offscreen.ppm");
    const std::string header = "P6\n320 240\n255\n";
    ASSERT_EQ(ppm.size(), header.size() + 320 * 240 * 3);
    ASSERT_EQ(ppm.substr(0, header.size()), header);
    const auto pixel = [&](int x, int y) {
        return reinterpret_cast<const unsigned char*>(ppm.data() + header.size() + (y * 320 + x) * 3);
    };
    // The 256 × 256 gradient fills a centred 240 × 240 square; black beside it.
    for (int y = 4; y < 240; y += 47) {
        const unsigned char black[3] = { 0, 0, 0 };
        EXPECT_EQ(Difference(pixel(20, y), black), 0);
        EXPECT_EQ(Difference(pixel(300, y), black), 0);
        for (int x = 44; x < 276; x += 29) {
            const double u = (x - 40 + 0.5) * 256.0 / 240.0 - 0.5, v = (y + 0.5) * 256.0 / 240.0 - 0.5;
            const unsigned char expected[3]
                = { static_cast<unsigned char>(u + 0.5), static_cast<unsigned char>(v + 0.5), 128 };
            EXPECT_LE(Difference(pixel(x, y), expected), 2) << x << "," << y;
        }
    }
}

} // namespace
