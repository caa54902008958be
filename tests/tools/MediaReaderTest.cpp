// vnxplay's reader of video files and its frame clock, in process on clips
// that the ffmpeg program makes: presentation times, seeking, and when each
// frame is due. No GL, no wall clock: the clock is given made-up times.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "FrameClock.h"
#include "MediaClips.h"
#include "MediaReader.h"
#include "ToolRun.h"

namespace {

const int64_t kSecond = 1000000000;

// A variable-rate clip keeps its times through the reader, and the clock
// spaces frames by them: the gaps between the times asked for are the gaps
// between the frames' timestamps.
TEST(MediaReader, VariableRateFramesAreDueAtTheirOwnTimes)
{
    const std::string folder = vxtools::NewFolder("vfr");
    // Frames at 0, 0.04, 0.08, then 0.52, 0.64, 0.76, then 1.32 s (the
    // source's time base is 1/25 s).
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "lavfi", "-i", "testsrc2=size=32x24:rate=25", "-frames:v", "7", "-vf",
            "setpts='(if(lt(N,3),N*0.04,if(lt(N,6),0.52+(N-3)*0.12,1.32)))/TB'", "-fps_mode", "passthrough",
            "-c:v", "ffv1", "vfr.mkv" }));
    const std::vector<double> times = { 0, 0.04, 0.08, 0.52, 0.64, 0.76, 1.32 };

    MediaReader reader;
    ASSERT_TRUE(reader.Open((folder + "/vfr.mkv").c_str())) << reader.error();
    EXPECT_EQ(reader.width(), 32);
    FrameClock clock(-1);
    const int64_t begin = 5 * kSecond;
    int64_t now = begin;
    for (size_t i = 0; i < times.size(); ++i) {
        ASSERT_EQ(reader.Next(), MediaReader::Status::Frame) << i;
        EXPECT_NEAR(reader.seconds(), times[i], 0.0015) << i;
        // Each frame shown 3 ms after it was due, as a busy machine might.
        const int64_t due = clock.Due(static_cast<long>(i), reader.seconds(), now);
        EXPECT_NEAR(static_cast<double>(due - begin) / kSecond, times[i], 0.0015) << i;
        now = due + 3000000;
    }
    EXPECT_EQ(reader.Next(), MediaReader::Status::End);
    EXPECT_EQ(reader.framesRead(), 7);

    // --fps overrides the times: frames 1 / fps apart.
    FrameClock fixed(10);
    EXPECT_EQ(fixed.Due(0, 0, 7 * kSecond), 7 * kSecond);
    EXPECT_EQ(fixed.Due(1, 0.5, 7 * kSecond), 7 * kSecond + kSecond / 10);
    EXPECT_EQ(fixed.Due(2, 0.9, 7 * kSecond), 7 * kSecond + 2 * kSecond / 10);
    // Far behind (more than four frames late): due now, the clock starting
    // again from there instead of rushing through the late frames.
    EXPECT_EQ(fixed.Due(3, 0, 9 * kSecond), 9 * kSecond);
    EXPECT_EQ(fixed.Due(4, 0, 9 * kSecond), 9 * kSecond + kSecond / 10);
    // As fast as it can: due at once.
    FrameClock fast(0);
    EXPECT_EQ(fast.Due(5, 3.0, 11), 11);
    // Times going back (a loop) start the clock anew; so does Restart, after
    // a pause or a seek.
    FrameClock own(-1);
    EXPECT_EQ(own.Due(0, 2.0, kSecond), kSecond);
    EXPECT_EQ(own.Due(1, 2.5, kSecond), kSecond + kSecond / 2);
    EXPECT_EQ(own.Due(2, 0.0, 2 * kSecond), 2 * kSecond);
    EXPECT_EQ(own.Due(3, 0.25, 2 * kSecond), 2 * kSecond + kSecond / 4);
    own.Restart();
    EXPECT_EQ(own.Due(4, 0.5, 6 * kSecond), 6 * kSecond);
}

// Seeking lands on the key frame at or before the time asked, within one
// group of pictures, whatever was queued before; then frames go on from it.
TEST(MediaReader, SeeksToTheKeyFrameAtOrBeforeTheTime)
{
    const std::string folder = vxtools::NewFolder("seek");
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "lavfi", "-i", "testsrc2=size=32x24:rate=25", "-frames:v", "50", "-c:v", "mpeg4", "-g", "10",
            "-sc_threshold", "1000000000", "clip.mp4" }));
    MediaReader reader;
    ASSERT_TRUE(reader.Open((folder + "/clip.mp4").c_str(), 0.5)) << reader.error();
    ASSERT_EQ(reader.Next(), MediaReader::Status::Frame);
    EXPECT_NEAR(reader.seconds(), 0.4, 0.001);
    // The decoder has filled its queue by now: it is dropped.
    for (double to : { 1.3, 0.39, 1.6, 0.0, 1.99 }) {
        ASSERT_TRUE(reader.Seek(to)) << reader.error();
        ASSERT_EQ(reader.Next(), MediaReader::Status::Frame) << to;
        const double keyFrame = std::floor(to / 0.4 + 1e-9) * 0.4;
        EXPECT_NEAR(reader.seconds(), keyFrame, 0.001) << to;
        ASSERT_EQ(reader.Next(), MediaReader::Status::Frame) << to;
        EXPECT_NEAR(reader.seconds(), keyFrame + 0.04, 0.001) << to;
    }
    // From the last key frame to the end: ten frames, then the end.
    ASSERT_TRUE(reader.Seek(1.9));
    int frames = 0;
    while (reader.Next() == MediaReader::Status::Frame)
        ++frames;
    EXPECT_EQ(frames, 10);
    // A reader dropped while its thread waits for room in the queue ends it.
    MediaReader dropped;
    ASSERT_TRUE(dropped.Open((folder + "/clip.mp4").c_str()));
    ASSERT_EQ(dropped.Next(), MediaReader::Status::Frame);
}

} // namespace
