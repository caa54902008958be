// Window targets on X11 alone: windows whose visual no EGL config offers,
// and the events Refresh hands to each target (window/WindowTest.cpp has the
// tests both systems share).
#include <EGL/egl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "support/XClient.h"

#include "support/ContextProbe.h"
#include "window/WindowHelpers.h"
#include "window/WindowProbe.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::Quietly;

TEST_F(WindowTest, WindowWhoseVisualNoConfigOffersGetsNoContextAndIsLeftToItsOwner)
{
    vxtest::XClient client;
    std::unique_ptr<CWindowVNX> current(Quietly(64, 64));
    ASSERT_NE(current->hglrc, nullptr);

    // A visual of the screen that none of the library's window configs has.
    const EGLint attribs[] = { EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
        EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8, EGL_RENDERABLE_TYPE,
        EGL_OPENGL_BIT, EGL_NONE };
    EGLConfig configs[256];
    EGLint count = 0;
    eglChooseConfig(current->display, attribs, configs, 256, &count);
    std::vector<VisualID> offered;
    for (EGLint i = 0; i < count; ++i) {
        EGLint id = 0;
        eglGetConfigAttrib(current->display, configs[i], EGL_NATIVE_VISUAL_ID, &id);
        offered.push_back(static_cast<VisualID>(id));
    }
    Display* x = client.display();
    XVisualInfo wanted {};
    wanted.screen = DefaultScreen(x);
    int visuals = 0;
    XVisualInfo* info = XGetVisualInfo(x, VisualScreenMask, &wanted, &visuals);
    XVisualInfo* other = std::find_if(info, info + visuals, [&](const XVisualInfo& v) {
        return std::find(offered.begin(), offered.end(), v.visualid) == offered.end();
    });
    if (other == info + visuals) {
        XFree(info);
        GTEST_SKIP() << "every visual of this X server has a window config";
    }
    XSetWindowAttributes attributes {};
    attributes.colormap = XCreateColormap(x, DefaultRootWindow(x), other->visual, AllocNone);
    const Window window = XCreateWindow(x, DefaultRootWindow(x), 0, 0, 32, 32, 0, other->depth, InputOutput,
        other->visual, CWColormap | CWBorderPixel, &attributes);
    XFree(info);
    XSync(x, False);

    CWindowVNX* raw = nullptr;
    char expected[80];
    std::snprintf(expected, sizeof expected, "CWindowVNX: no OpenGL context for window 0x%lx\n", window);
    EXPECT_EQ(CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 32, 32, window); }), expected);
    std::unique_ptr<CWindowVNX> target(raw);
    EXPECT_EQ(target->hwnd, window);
    EXPECT_EQ(target->hglrc, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), current->hglrc);
    EXPECT_EQ(CaptureOutput([&] {
        target->Refresh(0);
        target.reset();
    }),
        "");
    EXPECT_EQ(eglGetCurrentContext(), current->hglrc);
    EXPECT_TRUE(client.Exists(window));
    XDestroyWindow(x, window);
    XFreeColormap(x, attributes.colormap);
}

// A window target that records the events its Refresh hands it.
class RecordingWindow : public CWindowVNX {
public:
    RecordingWindow()
        : CWindowVNX(0, 0, 64, 64, 0)
    {
    }
    void HandleMessage(const XEvent& event) override
    {
        if (event.xany.send_event)
            sent.push_back(event.type);
        CWindowVNX::HandleMessage(event);
    }
    std::vector<int> sent;
};

unsigned int recordedCalls = 0;
void* recordedDisplay = nullptr;
int32_t recordedInterval = -1;

unsigned int RecordSwapInterval(void* display, int32_t interval)
{
    ++recordedCalls;
    recordedDisplay = display;
    recordedInterval = interval;
    return 1;
}

TEST_F(WindowTest, RefreshSetsTheSwapIntervalEveryTimeAndHandsEachTargetOnlyItsOwnEvents)
{
    vxtest::XClient client;
    std::unique_ptr<RecordingWindow> a, b;
    CaptureOutput([&] {
        a.reset(new RecordingWindow);
        b.reset(new RecordingWindow);
    });
    ASSERT_NE(a->hglrc, nullptr);
    ASSERT_NE(b->hglrc, nullptr);

    const kxPFN_eglSwapInterval real = kxgl::eglSwapInterval;
    kxgl::eglSwapInterval = RecordSwapInterval;
    a->SetRefreshInterval(1);
    EXPECT_EQ(recordedCalls, 0u);
    a->Refresh(0);
    EXPECT_EQ(recordedCalls, 1u);
    EXPECT_EQ(recordedInterval, 1);
    EXPECT_EQ(recordedDisplay, a->display);
    a->Refresh(1);
    EXPECT_EQ(recordedCalls, 2u);
    a->SetRefreshInterval(0);
    a->Refresh(2);
    EXPECT_EQ(recordedCalls, 3u);
    EXPECT_EQ(recordedInterval, 0);
    // Without the entry point the interval is skipped and the frame still presented.
    kxgl::eglSwapInterval = nullptr;
    a->Refresh(3);
    kxgl::eglSwapInterval = real;
    EXPECT_EQ(recordedCalls, 3u);

    // An exposure, a configure notification and a client message other than
    // a close request, all for a: a's Refresh handles them and returns.
    Display* x = client.display();
    XEvent expose {};
    expose.xexpose.type = Expose;
    expose.xexpose.window = a->hwnd;
    expose.xexpose.width = 10;
    expose.xexpose.height = 10;
    XSendEvent(x, a->hwnd, False, ExposureMask, &expose);
    XEvent configure {};
    configure.xconfigure.type = ConfigureNotify;
    configure.xconfigure.event = a->hwnd;
    configure.xconfigure.window = a->hwnd;
    configure.xconfigure.width = 640;
    configure.xconfigure.height = 480;
    XSendEvent(x, a->hwnd, False, StructureNotifyMask, &configure);
    client.SendProtocol(a->hwnd, "WM_TAKE_FOCUS");

    // The events travel from the server on the library's own connection; give
    // them a bounded number of frames to arrive.
    for (int frame = 0; frame < 1000 && a->sent.size() < 3; ++frame)
        a->Refresh(frame);
    EXPECT_EQ(a->sent, (std::vector<int> { Expose, ConfigureNotify, ClientMessage }));
    EXPECT_EQ(a->width, 64);
    b->Refresh(0);
    EXPECT_TRUE(b->sent.empty());
}

} // namespace
