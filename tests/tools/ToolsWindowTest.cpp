// vnxview and vnxplay in their windows, and vnxtest3D's window failing, on
// an X server (scripts/test starts Xvfb). Keys are sent as the server would.
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include <signal.h>

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "ToolRun.h"
#include "support/Bt601.h"
#ifdef VNX_FFMPEG
#include "MediaClips.h"
#endif
#include "support/XClient.h"

namespace {

// The shared X client, with what these tests do besides: find a tool's
// window by its title, press keys in it, and wait for its pixels.
class Server {
public:
    vxtest::XClient client;
    Display* const x = client.display();

    // The top-level window titled `title`, waited for; 0 if none came.
    Window Find(const std::string& title)
    {
        for (int tries = 0; tries < 300; ++tries) {
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
            Window found = 0;
            for (unsigned i = 0; i < count && !found; ++i) {
                char* name = nullptr;
                if (XFetchName(x, children[i], &name) && name) {
                    found = title == name ? children[i] : 0;
                    XFree(name);
                }
            }
            if (children)
                XFree(children);
            if (found) {
                client.KeepContents(found);
                return found;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return 0;
    }

    void Key(Window window, KeySym key)
    {
        XEvent event {};
        event.xkey.type = KeyPress;
        event.xkey.display = x;
        event.xkey.window = window;
        event.xkey.root = DefaultRootWindow(x);
        event.xkey.keycode = XKeysymToKeycode(x, key);
        event.xkey.same_screen = True;
        XSendEvent(x, window, False, KeyPressMask, &event);
        XSync(x, False);
    }

    void Repaint(Window window)
    {
        XEvent event {};
        event.xexpose.type = Expose;
        event.xexpose.window = window;
        event.xexpose.width = 1;
        event.xexpose.height = 1;
        XSendEvent(x, window, False, ExposureMask, &event);
        XSync(x, False);
    }

    unsigned long Pixel(Window window, int px, int py) const { return client.Pixel(window, px, py); }

    // Waits until `check` holds for the window's pixels, asking for a
    // repaint now and then; false when it never did.
    bool Until(Window window, const std::function<bool()>& check)
    {
        for (int tries = 0; tries < 200; ++tries) {
            if (check())
                return true;
            if (tries % 20 == 19)
                Repaint(window);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
};

bool Near(unsigned long pixel, int r, int g, int b, int tolerance)
{
    return std::abs(static_cast<int>(pixel >> 16 & 255) - r) <= tolerance
        && std::abs(static_cast<int>(pixel >> 8 & 255) - g) <= tolerance
        && std::abs(static_cast<int>(pixel & 255) - b) <= tolerance;
}

vxtools::Rgb Solid(int width, int height, unsigned char r, unsigned char g, unsigned char b)
{
    vxtools::Rgb image { width, height, {} };
    for (int i = 0; i < width * height; ++i)
        image.pixels.insert(image.pixels.end(), { r, g, b });
    return image;
}

TEST(ToolWindows, VnxviewFitsTurnsAndStepsThroughImagesByKey)
{
    Server server;
    ASSERT_NE(server.x, nullptr) << "needs an X server: run scripts/test, which starts Xvfb";
    const std::string folder = vxtools::NewFolder("viewwin");
    vxtools::WritePngFile(folder + "/red.png", Solid(64, 32, 200, 40, 40));
    vxtools::WritePngFile(folder + "/blue.png", Solid(32, 64, 40, 40, 200));
    const vxtools::Started view
        = vxtools::Start(VNX_VIEW, { "--size", "200x100", "red.png", "blue.png" }, folder);
    const Window window = server.Find("vnxview: red.png (1/2)");
    ASSERT_NE(window, 0u);

    // 64 × 32 fills 200 × 100; turned, it stands 50 wide in the middle.
    EXPECT_TRUE(server.Until(window, [&] { return Near(server.Pixel(window, 10, 50), 200, 40, 40, 1); }));
    server.Key(window, XK_r);
    EXPECT_TRUE(server.Until(window, [&] {
        return Near(server.Pixel(window, 10, 50), 0, 0, 0, 0)
            && Near(server.Pixel(window, 100, 50), 200, 40, 40, 1);
    }));
    // The next image, still turned: 32 × 64 lies down and fills the window.
    server.Key(window, XK_space);
    EXPECT_NE(server.Find("vnxview: blue.png (2/2)"), 0u);
    EXPECT_TRUE(server.Until(window, [&] { return Near(server.Pixel(window, 10, 50), 40, 40, 200, 1); }));
    server.Key(window, XK_Left);
    EXPECT_NE(server.Find("vnxview: red.png (1/2)"), 0u);
    server.Key(window, XK_q);
    const vxtools::RunResult result = vxtools::Finish(view);
    EXPECT_EQ(result.status, 0) << result.err;
    // The library's driver report is not the tool's output.
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
}

TEST(ToolWindows, VnxplayShowsFramesInItsWindowUntilQuit)
{
    Server server;
    ASSERT_NE(server.x, nullptr);
    const std::string folder = vxtools::NewFolder("playwin");
    {
        // Ten frames of one colour, ten a second.
        std::ofstream file(folder + "/red.y4m", std::ios::binary);
        file << "YUV4MPEG2 W40 H30 F10:1\n";
        for (int i = 0; i < 10; ++i)
            file << "FRAME\n"
                 << std::string(40 * 30, char(81)) << std::string(20 * 15, char(90))
                 << std::string(20 * 15, char(240));
    }
    int rgb[3];
    vxtest::Bt601(81, 90, 240, rgb);

    const vxtools::Started play = vxtools::Start(VNX_PLAY, { "--loop", "red.y4m" }, folder);
    const Window window = server.Find("vnxplay: red.y4m");
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(
        server.Until(window, [&] { return Near(server.Pixel(window, 20, 15), rgb[0], rgb[1], rgb[2], 2); }));
    server.Key(window, XK_space); // pause, then on
    server.Key(window, XK_space);
    server.Key(window, XK_Escape);
    const vxtools::RunResult looped = vxtools::Finish(play);
    EXPECT_EQ(looped.status, 0) << looped.err;

    // As fast as it can, once through: the rate reached at the end, the one
    // line on standard output. The library's report goes to standard error
    // with --verbose only.
    const vxtools::RunResult fast = vxtools::RunTool(VNX_PLAY, { "--fps", "0", "red.y4m" }, folder);
    EXPECT_EQ(fast.status, 0) << fast.err;
    EXPECT_EQ(fast.out.rfind("vnxplay: 10 frames in ", 0), 0u) << fast.out;
    EXPECT_EQ(fast.out.find('\n'), fast.out.size() - 1) << fast.out;
    EXPECT_EQ(fast.err, "");
    const vxtools::RunResult verbose
        = vxtools::RunTool(VNX_PLAY, { "--verbose", "--fps", "0", "red.y4m" }, folder);
    EXPECT_EQ(verbose.status, 0) << verbose.err;
    EXPECT_EQ(verbose.out.find('\n'), verbose.out.size() - 1) << verbose.out;
    EXPECT_NE(verbose.err.find("\nRenderer: "), std::string::npos) << verbose.err;
    EXPECT_NE(
        verbose.err.find("Needed extension GL_ARB_vertex_buffer_object is supported: "), std::string::npos);
}

#ifdef VNX_FFMPEG
TEST(ToolWindows, VnxplayPlaysAVideoFileAndSeeksWithTheArrowKeys)
{
    Server server;
    ASSERT_NE(server.x, nullptr);
    const std::string folder = vxtools::NewFolder("playmkv");
    {
        // 5 s of one colour then 15 s of another, ten frames a second, 4:2:0,
        // every frame a key frame.
        std::ofstream file(folder + "/raw.yuv", std::ios::binary);
        for (int i = 0; i < 200; ++i)
            file << std::string(40 * 30, char(i < 50 ? 81 : 145))
                 << std::string(20 * 15, char(i < 50 ? 90 : 54))
                 << std::string(20 * 15, char(i < 50 ? 240 : 34));
    }
    ASSERT_TRUE(vxtools::Ffmpeg(folder,
        { "-f", "rawvideo", "-pix_fmt", "yuv420p", "-s", "40x30", "-r", "10", "-i", "raw.yuv", "-c:v", "ffv1",
            "-g", "1", "clip.mkv" }));
    int first[3], second[3];
    vxtest::Bt601(81, 90, 240, first);
    vxtest::Bt601(145, 54, 34, second);
    const auto shows = [&](Window window, const int* rgb) {
        return server.Until(
            window, [&] { return Near(server.Pixel(window, 20, 15), rgb[0], rgb[1], rgb[2], 2); });
    };

    const vxtools::Started play = vxtools::Start(VNX_PLAY, { "clip.mkv" }, folder);
    const Window window = server.Find("vnxplay: clip.mkv");
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(shows(window, first));
    // Paused within the first 5 s: Right lands 5 s on, in the second colour,
    // Left back in the first; '.' steps on a frame.
    server.Key(window, XK_space);
    server.Key(window, XK_Right);
    EXPECT_TRUE(shows(window, second));
    server.Key(window, XK_Left);
    EXPECT_TRUE(shows(window, first));
    server.Key(window, XK_period);
    server.Key(window, XK_space);
    server.Key(window, XK_q);
    const vxtools::RunResult played = vxtools::Finish(play);
    EXPECT_EQ(played.status, 0) << played.err;
    EXPECT_EQ(played.err, "");

    const vxtools::RunResult fast = vxtools::RunTool(VNX_PLAY, { "--fps", "0", "clip.mkv" }, folder);
    EXPECT_EQ(fast.status, 0) << fast.err;
    EXPECT_EQ(fast.out.rfind("vnxplay: 200 frames in ", 0), 0u) << fast.out;
}
#endif

TEST(ToolWindows, BenchmarkWindowWithoutContextEndsWithStatusOne)
{
    // An X server, but EGL without a driver: no config, no context.
    const vxtools::RunResult run = vxtools::RunTool(VNX_BENCHMARK_DIR "/vnxtest3D", {}, VNX_BENCHMARK_DIR,
        { "__EGL_VENDOR_LIBRARY_FILENAMES=" VNX_TEST_DIR "/no-egl-vendor.json" });
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out.find("Total time"), std::string::npos);
    EXPECT_TRUE(run.out.rfind("CWindowVNX: no OpenGL context for window 0x", 0) == 0) << run.out;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    EXPECT_EQ(run.err, "vnxtest3D: no GL context to render into (--offscreen needs no window)\n");
}

} // namespace
