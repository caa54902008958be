// vnxplay's frame path, in this process: once running, frames of one size
// allocate nothing. Counted with the program's own operator new, which every
// C++ allocation of the process (the library's included) goes through.
#include <atomic>
#include <fstream>
#include <new>
#include <vector>

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/Bt601.h"
#include "support/StdoutCapture.h"

#include "Playback.h"
#include "ToolRun.h"
#include "VideoReader.h"

#ifdef VNX_WITH_FFMPEG
#include "MediaClips.h"
#include "MediaReader.h"
#endif

namespace {
std::atomic<bool> counting { false };
std::atomic<long> allocations { 0 };

// Counts, then hands the request to the allocator that would have served it.
template <class F, class... A> void* Allocate(const char* symbol, A... arguments)
{
    if (counting)
        ++allocations;
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol))(arguments...);
}
using Plain = void* (*)(std::size_t);
using Aligned = void* (*)(std::size_t, std::align_val_t);
} // namespace

void* operator new(std::size_t size)
{
    return Allocate<Plain>("_Znwm", size);
}

void* operator new[](std::size_t size)
{
    return Allocate<Plain>("_Znam", size);
}

void* operator new(std::size_t size, std::align_val_t alignment)
{
    return Allocate<Aligned>("_ZnwmSt11align_val_t", size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return Allocate<Aligned>("_ZnamSt11align_val_t", size, alignment);
}

namespace {

TEST(PlaybackAllocation, FramesOfOneSizeAllocateNothingOnceRunning)
{
    // Four 4:2:2 frames of an odd size, played round and round.
    const std::string path = vxtools::NewFolder("alloc") + "/clip.y4m";
    {
        std::ofstream file(path, std::ios::binary);
        file << "YUV4MPEG2 W45 H31 F25:1 C422\n";
        for (int i = 0; i < 4; ++i) {
            const vxtools::YuvFrame frame = vxtools::PatternFrame(45, 31, false, i);
            file << "FRAME\n" << std::string(frame.bytes.begin(), frame.bytes.end());
        }
    }
    COffScreen* target = nullptr;
    vxtest::CaptureStdout([&] { target = COffScreen::NewL(46, 32); });
    ASSERT_NE(target->hglrc, nullptr);
    {
        VideoReader reader;
        ASSERT_TRUE(reader.OpenY4m(path.c_str())) << reader.error();
        EXPECT_EQ(reader.FramesInFile(), 4);
        Playback playback(reader, ImageObject::imageSize);
        std::vector<unsigned char> pixels(46 * 32 * 4);
        const auto frame = [&] {
            const VideoReader::Status status = playback.Advance(true);
            playback.Draw(target);
            target->CopyBuffer(pixels.data());
            return status;
        };
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(frame(), VideoReader::Status::Frame);

        counting = true;
        int shown = 0;
        for (int i = 0; i < 13; ++i)
            shown += frame() == VideoReader::Status::Frame;
        counting = false;
        EXPECT_EQ(shown, 13);
        EXPECT_EQ(allocations, 0);
        EXPECT_EQ(reader.framesRead(), 16);
        // The last frame shown is the file's last (16 frames: four rounds),
        // at its place: the top-left pixel of the read-back is its first luma.
        const vxtools::YuvFrame last = vxtools::PatternFrame(45, 31, false, 3);
        int rgb[3];
        vxtest::Bt601(last.y(0, 0), last.u(0, 0), last.v(0, 0), rgb);
        const unsigned char* topLeft = &pixels[(31 * 46) * 4];
        EXPECT_NEAR(topLeft[2], rgb[0], 2);
        EXPECT_NEAR(topLeft[1], rgb[1], 2);
        EXPECT_NEAR(topLeft[0], rgb[2], 2);
    }
    delete target;
}

#ifdef VNX_WITH_FFMPEG
// Frames decoded by FFmpeg's libraries, handed over through the decoding
// thread's queue and uploaded from the decoder's own buffers: nothing of
// ours allocates once running, on either thread. (FFmpeg's own buffers come
// from av_malloc and its pools, not from operator new.)
TEST(PlaybackAllocation, DecodedFramesAllocateNothingOnceRunning)
{
    const std::string folder = vxtools::NewFolder("allocmedia");
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "lavfi", "-i", "testsrc2=size=45x31:rate=25", "-frames:v", "30", "-c:v", "mpeg4", "-bf", "2",
            "clip.mp4" }));
    // RGB frames go through libswscale, into buffers each queue slot keeps.
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "lavfi", "-i", "testsrc2=size=45x31:rate=25", "-frames:v", "30", "-pix_fmt", "bgr0", "-c:v",
            "ffv1", "rgb.mkv" }));
    COffScreen* target = nullptr;
    vxtest::CaptureStdout([&] { target = COffScreen::NewL(46, 32); });
    ASSERT_NE(target->hglrc, nullptr);
    for (const char* clip : { "clip.mp4", "rgb.mkv" }) {
        MediaReader reader;
        ASSERT_TRUE(reader.Open((folder + "/" + clip).c_str())) << reader.error();
        Playback playback(reader, ImageObject::imageSize);
        std::vector<unsigned char> pixels(46 * 32 * 4);
        const auto frame = [&] {
            const VideoReader::Status status = playback.Advance(false);
            playback.Draw(target);
            target->CopyBuffer(pixels.data());
            return status;
        };
        for (int i = 0; i < 6; ++i)
            ASSERT_EQ(frame(), VideoReader::Status::Frame) << clip;
        allocations = 0;
        counting = true;
        int shown = 0;
        for (int i = 0; i < 20; ++i)
            shown += frame() == VideoReader::Status::Frame;
        counting = false;
        EXPECT_EQ(shown, 20) << clip;
        EXPECT_EQ(allocations, 0) << clip;
        EXPECT_NEAR(playback.seconds(), 25 * 0.04, 1e-6) << clip;
    }
    delete target;
}
#endif

} // namespace
