// Window targets on a real X server (Xvfb under scripts/test).
#include <varnox/varnox.h>

#include <EGL/egl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "support/XClient.h"

#include "support/OutputCapture.h"
#include "support/ReadBack.h"
#include "support/Text.h"
#include "targets/linux/X11Window.h"
#include "window/WindowHelpers.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::Clear;
using vxtest::CopyAll;
using vxtest::Items;
using vxtest::kBlue;
using vxtest::kGreen;
using vxtest::kRed;
using vxtest::Lines;
using vxtest::Quietly;
using vxtest::ReadBack;

class WindowTest : public testing::Test {
protected:
    // Waits until the X server has handled everything the library sent, so
    // that what this client reads reflects it.
    static void SyncLibrary() { XSync(static_cast<Display*>(varnox::x11::Connection()), False); }

    vxtest::XClient client;
};

TEST_F(WindowTest, MakesTheQuorvelWindowPresentsFramesAndDestroysItsWindow)
{
    std::unique_ptr<CWindowVNX> target(Quietly(500, 500));
    ASSERT_NE(target->hwnd, 0ul);
    ASSERT_NE(target->hglrc, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), target->hglrc);
    EXPECT_EQ(target->width, 500);
    EXPECT_EQ(target->height, 500);
    EXPECT_EQ(target->posX, 0);
    EXPECT_EQ(target->posY, 0);
    EXPECT_EQ(target->refreshInterval, 0);
    EXPECT_NE(kxgl::glGenBuffers, nullptr);

    // What another client sees: a mapped 500 × 500 top-level window, titled
    // and classed, that takes part in WM_DELETE_WINDOW.
    const Window window = target->hwnd;
    SyncLibrary();
    client.KeepContents(window);
    const XWindowAttributes attributes = client.Attributes(window);
    EXPECT_EQ(attributes.width, 500);
    EXPECT_EQ(attributes.height, 500);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(client.Property(window, "WM_NAME", "STRING"), "Quorvel");
    EXPECT_EQ(client.Property(window, "_NET_WM_NAME", "UTF8_STRING"), "Quorvel");
    XClassHint hint {};
    ASSERT_TRUE(XGetClassHint(client.display(), window, &hint));
    EXPECT_STREQ(hint.res_name, "kxWindow");
    EXPECT_STREQ(hint.res_class, "kxWindow");
    XFree(hint.res_name);
    XFree(hint.res_class);
    Atom* protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(client.display(), window, &protocols, &count));
    EXPECT_EQ(std::count(protocols, protocols + count, client.atom("WM_DELETE_WINDOW")), 1);
    XFree(protocols);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 500);
    EXPECT_EQ(viewport[3], 500);

    // A frame: red, a scissored blue rectangle, a green quad in the top-left
    // corner (the projection puts (0, 0) in the middle).
    Clear(1, 0, 0);
    glEnable(GL_SCISSOR_TEST);
    glScissor(100, 50, 200, 100);
    Clear(0, 0, 1);
    glDisable(GL_SCISSOR_TEST);
    glColor4f(0, 1, 0, 1);
    glBegin(GL_QUADS);
    glVertex2i(-250, 150);
    glVertex2i(-150, 150);
    glVertex2i(-150, 250);
    glVertex2i(-250, 250);
    glEnd();
    const std::vector<uint8_t> pixels = CopyAll(*target);
    ASSERT_EQ(pixels.size(), 1000000u);
    EXPECT_EQ(ReadBack(pixels, 500, 10, 10), kRed);
    EXPECT_EQ(ReadBack(pixels, 500, 150, 100), kBlue);
    EXPECT_EQ(ReadBack(pixels, 500, 50, 450), kGreen);

    // Refresh presents it: the window on the screen shows the same picture.
    target->Refresh(0);
    SyncLibrary();
    EXPECT_EQ(client.Pixel(window, 10, 489), kRed);
    EXPECT_EQ(client.Pixel(window, 150, 399), kBlue);
    EXPECT_EQ(client.Pixel(window, 50, 49), kGreen);

    // The size cannot be changed.
    target->SetSize(800, 600);
    target->SetPos(10, 10, 800, 600);
    SyncLibrary();
    EXPECT_EQ(target->width, 500);
    EXPECT_EQ(target->height, 500);
    EXPECT_EQ(client.Attributes(window).width, 500);

    // Destruction leaves no context current and takes the window away.
    EXPECT_EQ(CaptureOutput([&] { target.reset(); }), "");
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    EXPECT_FALSE(client.Exists(window));
}

TEST_F(WindowTest, SecondTargetGetsItsOwnWindowRendersAndSharesObjects)
{
    std::unique_ptr<CWindowVNX> first(Quietly(200, 100));
    ASSERT_NE(first->hglrc, nullptr);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindTexture(GL_TEXTURE_2D, 0);

    std::unique_ptr<CWindowVNX> second(Quietly(300, 150));
    ASSERT_NE(second->hglrc, nullptr);
    EXPECT_NE(second->hwnd, first->hwnd);
    EXPECT_NE(second->hglrc, first->hglrc);
    EXPECT_EQ(second->display, first->display);
    EXPECT_EQ(eglGetCurrentContext(), second->hglrc);
    EXPECT_EQ(second->width, 300);
    EXPECT_EQ(second->height, 150);
    EXPECT_TRUE(glIsTexture(texture));
    client.KeepContents(first->hwnd);
    client.KeepContents(second->hwnd);

    Clear(0, 1, 0);
    std::vector<uint8_t> pixels = CopyAll(*second);
    EXPECT_EQ(ReadBack(pixels, 300, 299, 149), kGreen);

    first->Activate();
    Clear(0, 0, 1);
    pixels = CopyAll(*first);
    EXPECT_EQ(pixels.size(), 80000u);
    EXPECT_EQ(ReadBack(pixels, 200, 0, 0), kBlue);

    // Refreshing the second window while the first is current presents the
    // second one and leaves the first current.
    second->Refresh(0);
    EXPECT_EQ(eglGetCurrentContext(), first->hglrc);
    SyncLibrary();
    EXPECT_EQ(client.Pixel(second->hwnd, 150, 75), kGreen);

    // Destroying the second leaves nothing current; the first renders on.
    const Window secondWindow = second->hwnd;
    second.reset();
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    EXPECT_FALSE(client.Exists(secondWindow));
    first->Activate();
    EXPECT_TRUE(glIsTexture(texture));
    Clear(1, 0, 0);
    EXPECT_EQ(ReadBack(CopyAll(*first), 200, 100, 50), kRed);
    first->Refresh(0);
    SyncLibrary();
    EXPECT_EQ(client.Pixel(first->hwnd, 100, 50), kRed);
    glDeleteTextures(1, &texture);
}

TEST_F(WindowTest, PassedInWindowIsRenderedIntoAndItsOwnerKeepsItsEvents)
{
    // A window of this client's, in the screen's default visual (which the
    // library's window configs offer), listening to its own events.
    Display* x = client.display();
    const long ownMask = ButtonPressMask | KeyPressMask | StructureNotifyMask;
    const Window window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 320, 240, 0, 0, 0);
    XSelectInput(x, window, ownMask);
    XSync(x, False);

    std::unique_ptr<CWindowVNX> target(Quietly(999, 999, window));
    ASSERT_NE(target->hglrc, nullptr);
    EXPECT_EQ(target->hwnd, window);
    // The size is the window's client area, not the one asked for.
    EXPECT_EQ(target->width, 320);
    EXPECT_EQ(target->height, 240);
    SyncLibrary();
    const XWindowAttributes attributes = client.Attributes(window);
    EXPECT_EQ(attributes.map_state, IsViewable);
    // The library selected no events of its own on it and left its name alone.
    EXPECT_EQ(attributes.all_event_masks, ownMask);
    EXPECT_EQ(client.Property(window, "WM_NAME", "STRING"), "");
    client.KeepContents(window);

    Clear(0, 0, 1);
    EXPECT_EQ(ReadBack(CopyAll(*target), 320, 319, 239), kBlue);
    target->Refresh(0);
    SyncLibrary();
    EXPECT_EQ(client.Pixel(window, 160, 120), kBlue);

    // Events for the window, a close request among them, stay with its owner:
    // Refresh neither takes them nor ends the process.
    XEvent key {};
    key.xkey.type = KeyPress;
    key.xkey.window = window;
    key.xkey.root = DefaultRootWindow(x);
    key.xkey.keycode = 38;
    key.xkey.same_screen = True;
    XSendEvent(x, window, False, KeyPressMask, &key);
    client.SendProtocol(window, "WM_DELETE_WINDOW");
    target->Refresh(1);
    XEvent event;
    EXPECT_TRUE(XCheckTypedWindowEvent(x, window, KeyPress, &event));
    ASSERT_TRUE(XCheckTypedWindowEvent(x, window, ClientMessage, &event));
    EXPECT_EQ(static_cast<Atom>(event.xclient.data.l[0]), client.atom("WM_DELETE_WINDOW"));

    // The target never destroys a window it was given.
    target.reset();
    EXPECT_TRUE(client.Exists(window));
    XDestroyWindow(x, window);
}

TEST_F(WindowTest, WindowThatDoesNotExistGivesATargetWithoutContextAndLeavesTheCurrentOneAlone)
{
    std::unique_ptr<CWindowVNX> current(Quietly(64, 64));
    ASSERT_NE(current->hglrc, nullptr);
    // An id that certainly names no window: one of ours, destroyed.
    const Window gone
        = XCreateSimpleWindow(client.display(), DefaultRootWindow(client.display()), 0, 0, 8, 8, 0, 0, 0);
    XDestroyWindow(client.display(), gone);
    XSync(client.display(), False);

    CWindowVNX* raw = nullptr;
    char expected[80];
    std::snprintf(expected, sizeof expected, "CWindowVNX: window 0x%lx does not exist\n", gone);
    EXPECT_EQ(CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 64, 64, gone); }), expected);
    std::unique_ptr<CWindowVNX> target(raw);
    EXPECT_EQ(target->hglrc, nullptr);
    EXPECT_EQ(target->hdc, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), current->hglrc);

    EXPECT_EQ(CaptureOutput([&] {
        target->Refresh(0);
        target->Activate();
        target.reset();
    }),
        "");
    EXPECT_EQ(eglGetCurrentContext(), current->hglrc);
}

TEST_F(WindowTest, WindowWhoseVisualNoConfigOffersGetsNoContextAndIsLeftToItsOwner)
{
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
