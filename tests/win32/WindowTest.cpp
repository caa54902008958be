// Window targets as Win32 windows (under Wine in scripts/test-windows): the
// class "kxWindow" and its window procedure, the message pump, pixels, and
// what USER32 and GDI say about the window.
#include <windows.h>

#include <GL/gl.h>
#include <GL/wglext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/ContextProbe.h"
#include "window/WindowHelpers.h"

namespace {

// A window target ends the process with exit(0) on WM_CLOSE and WM_DESTROY,
// which a test runner would take for success. A test of this program that
// ends the process that way fails instead.
class ExitGuard : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override { running = true; }
    void OnTestEnd(const testing::TestInfo&) override { running = false; }
    static void AtExit()
    {
        if (!running)
            return;
        std::fputs("the process ended inside a test\n", stderr);
        std::fflush(stdout);
        _exit(1);
    }

private:
    static inline bool running = false;
};

const bool exitGuarded = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new ExitGuard);
    std::atexit(ExitGuard::AtExit);
    return true;
}();

using vxtest::CaptureOutput;
using vxtest::Clear;
using vxtest::CopyAll;
using vxtest::kBlue;
using vxtest::kGreen;
using vxtest::kRed;
using vxtest::Quietly;
using vxtest::ReadBack;

// The window a target's id stands for: window handles have 32 significant
// bits, and a handle is sign-extended from them.
HWND Handle(unsigned long id)
{
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(static_cast<uint32_t>(id))));
}

// What the screen shows at a point of the window's client area, as 0xRRGGBB,
// read through GDI from the screen itself.
unsigned long ScreenPixel(HWND window, int x, int y)
{
    POINT point { x, y };
    ClientToScreen(window, &point);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return static_cast<unsigned long>(GetRValue(colour)) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

// The swap interval of the current context, as WGL_EXT_swap_control reads it.
int SwapInterval()
{
    auto get = reinterpret_cast<PFNWGLGETSWAPINTERVALEXTPROC>(
        reinterpret_cast<void*>(wglGetProcAddress("wglGetSwapIntervalEXT")));
    return get ? get() : -1;
}

// A window target that notes every message its window procedure hands it.
// Close requests and the window's destruction are noted and not passed on
// (the library's own handling ends the process); everything else goes on
// to the library's HandleMessage.
class RecordingWindow : public CWindowVNX {
public:
    RecordingWindow(int width = 64, int height = 64)
        : CWindowVNX(0, 0, width, height, 0)
    {
    }
    intptr_t HandleMessage(HWND__* window, unsigned int message, uintptr_t wParam, intptr_t lParam) override
    {
        messages.push_back(message);
        if (message == WM_CLOSE || message == WM_DESTROY)
            return 0;
        return CWindowVNX::HandleMessage(window, message, wParam, lParam);
    }
    // The messages of the test's own range (WM_APP and above), in order.
    std::vector<unsigned int> AppMessages() const
    {
        std::vector<unsigned int> own;
        for (unsigned int m : messages)
            if (m >= WM_APP)
                own.push_back(m);
        return own;
    }
    std::vector<unsigned int> messages;
};

TEST(WindowTest, MakesTheQuorvelWindowOfClassKxWindowPresentsFramesAndDestroysIt)
{
    std::unique_ptr<CWindowVNX> target(Quietly(500, 500));
    ASSERT_NE(target->hwnd, 0ul);
    ASSERT_NE(target->hglrc, nullptr);
    EXPECT_EQ(vxtest::CurrentContext(), target->hglrc);
    EXPECT_EQ(vxtest::CurrentDrawSurface(), target->hdc);
    EXPECT_EQ(target->width, 500);
    EXPECT_EQ(target->height, 500);
    EXPECT_EQ(target->posX, 0);
    EXPECT_EQ(target->posY, 0);
    EXPECT_EQ(target->refreshInterval, 0);
    EXPECT_NE(kxgl::glGenBuffers, nullptr);

    // What USER32 says: a visible top-level window "Quorvel" of the class
    // "kxWindow", captioned and resizable, with a 500 × 500 client area,
    // whose user-data slot holds the target.
    const HWND window = Handle(target->hwnd);
    EXPECT_EQ(FindWindowA("kxWindow", "Quorvel"), window);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    char text[32] = "";
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "Quorvel");
    GetClassNameA(window, text, sizeof text);
    EXPECT_STREQ(text, "kxWindow");
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    EXPECT_EQ(style & 0x06CF0000u, 0x06CF0000u);
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    EXPECT_EQ(GetMenu(window), nullptr);
    RECT client {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 500);
    EXPECT_EQ(client.bottom, 500);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(target.get()));

    // The class as registered: its procedure is the window's, with the
    // arrow cursor, the application icon and the window colour.
    WNDCLASSEXA registered {};
    registered.cbSize = sizeof registered;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "kxWindow", &registered));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(registered.lpfnWndProc), GetWindowLongPtrA(window, GWLP_WNDPROC));
    EXPECT_EQ(registered.style, 0u);
    EXPECT_EQ(registered.cbClsExtra, 0);
    EXPECT_EQ(registered.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(registered.hIcon, LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(registered.hbrBackground, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));

    // The window's pixel format: double-buffered RGBA with depth and
    // stencil, for OpenGL; GL sees the same buffers.
    PIXELFORMATDESCRIPTOR format {};
    HDC dc = static_cast<HDC>(target->hdc);
    ASSERT_NE(DescribePixelFormat(dc, GetPixelFormat(dc), sizeof format, &format), 0);
    const DWORD flags = PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    EXPECT_EQ(format.dwFlags & flags, flags);
    EXPECT_EQ(format.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(format.cColorBits, 24);
    EXPECT_EQ(format.cDepthBits, 24);
    EXPECT_EQ(format.cStencilBits, 8);
    GLint depth = 0, stencil = 0;
    GLboolean doubleBuffered = GL_FALSE;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_EQ(depth, 24);
    EXPECT_EQ(stencil, 8);
    EXPECT_EQ(doubleBuffered, GL_TRUE);
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

    // Refresh presents it: the screen shows the same picture (client rows
    // run top down).
    target->Refresh(0);
    glFinish();
    EXPECT_EQ(ScreenPixel(window, 10, 489), kRed);
    EXPECT_EQ(ScreenPixel(window, 150, 399), kBlue);
    EXPECT_EQ(ScreenPixel(window, 50, 49), kGreen);

    // The size cannot be changed.
    target->SetSize(800, 600);
    target->SetPos(10, 10, 800, 600);
    EXPECT_EQ(target->width, 500);
    EXPECT_EQ(target->height, 500);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 500);

    // Destruction leaves no context current and takes the window away; the
    // class stays registered.
    EXPECT_EQ(CaptureOutput([&] { target.reset(); }), "");
    EXPECT_EQ(vxtest::CurrentContext(), nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "kxWindow", &registered));
}

TEST(WindowTest, WindowProcedureHandsMessagesToTheTargetWhichHandlesPaintSizeAndTheRest)
{
    std::unique_ptr<RecordingWindow> target;
    CaptureOutput([&] { target.reset(new RecordingWindow(120, 80)); });
    ASSERT_NE(target->hglrc, nullptr);
    const HWND window = Handle(target->hwnd);

    // A message sent to the window reaches the target's HandleMessage, and
    // its result comes back: DefWindowProcA's, for one the target leaves alone.
    target->messages.clear();
    char title[32] = "";
    EXPECT_EQ(SendMessageA(window, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title)), 7);
    EXPECT_STREQ(title, "Quorvel");
    EXPECT_EQ(target->messages, (std::vector<unsigned int> { WM_GETTEXT }));

    // WM_PAINT validates the window: nothing is left to paint.
    InvalidateRect(window, nullptr, FALSE);
    RECT update {};
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(target->CWindowVNX::HandleMessage(window, WM_PAINT, 0, 0), 0);
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));

    // WM_SIZE changes nothing: the size stays the one measured at creation.
    EXPECT_EQ(target->CWindowVNX::HandleMessage(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200)), 0);
    EXPECT_EQ(target->width, 120);
    EXPECT_EQ(target->height, 80);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 120);
}

TEST(WindowTest, DestroyingATargetDestroysItsWindowWithoutEndingTheProcess)
{
    // The target lets go of its window before destroying it, so the window's
    // WM_DESTROY goes to DefWindowProcA, not to HandleMessage (which would
    // end the process: ExitGuard below turns that into a failure).
    std::unique_ptr<CWindowVNX> target(Quietly(32, 32));
    ASSERT_NE(target->hglrc, nullptr);
    const HWND window = Handle(target->hwnd);
    EXPECT_EQ(CaptureOutput([&] { target.reset(); }), "");
    EXPECT_FALSE(IsWindow(window));
    // Messages for a window whose target is gone go to DefWindowProcA too.
    const HWND plain = CreateWindowExA(
        0, "kxWindow", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(plain, GWLP_USERDATA), 0);
    char title[16] = "";
    EXPECT_EQ(SendMessageA(plain, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title)), 5);
    SendMessageA(plain, WM_CLOSE, 0, 0); // DefWindowProcA destroys the window
    EXPECT_FALSE(IsWindow(plain));
}

TEST(WindowTest, RefreshSetsTheSwapIntervalEveryTimeAndPumpsOnlyItsOwnWindowsMessages)
{
    std::unique_ptr<RecordingWindow> a, b;
    CaptureOutput([&] {
        a.reset(new RecordingWindow);
        b.reset(new RecordingWindow);
    });
    ASSERT_NE(a->hglrc, nullptr);
    ASSERT_NE(b->hglrc, nullptr);
    const HWND aWindow = Handle(a->hwnd), bWindow = Handle(b->hwnd);

    // The interval is applied at every Refresh, to the refreshed window's
    // context, whatever was set in between; setting it waits for Refresh.
    a->Activate();
    kxgl::wglSwapIntervalEXT(3);
    a->SetRefreshInterval(2);
    EXPECT_EQ(SwapInterval(), 3);
    a->Refresh(0);
    EXPECT_EQ(SwapInterval(), 2);
    kxgl::wglSwapIntervalEXT(3);
    a->Refresh(1);
    EXPECT_EQ(SwapInterval(), 2);
    a->SetRefreshInterval(0);
    a->Refresh(2);
    EXPECT_EQ(SwapInterval(), 0);

    // Posted messages wait in the queue until their own window's Refresh.
    a->messages.clear();
    b->messages.clear();
    PostMessageA(aWindow, WM_APP + 1, 0, 0);
    PostMessageA(bWindow, WM_APP + 2, 0, 0);
    PostMessageA(aWindow, WM_APP + 3, 0, 0);
    EXPECT_TRUE(a->AppMessages().empty());
    a->Refresh(3);
    EXPECT_EQ(a->AppMessages(), (std::vector<unsigned int> { WM_APP + 1, WM_APP + 3 }));
    EXPECT_TRUE(b->AppMessages().empty());
    b->Refresh(0);
    EXPECT_EQ(b->AppMessages(), (std::vector<unsigned int> { WM_APP + 2 }));

    // With the queue empty, Refresh presents and returns.
    a->Refresh(4);
    EXPECT_EQ(a->AppMessages().size(), 2u);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, aWindow, WM_APP, WM_APP + 100, PM_NOREMOVE));

    // A close request reaches the target from the pump (the recording
    // target keeps it from ending this process).
    PostMessageA(bWindow, WM_CLOSE, 0, 0);
    b->Refresh(1);
    EXPECT_NE(std::find(b->messages.begin(), b->messages.end(), static_cast<unsigned int>(WM_CLOSE)),
        b->messages.end());
}

TEST(WindowTest, SecondTargetGetsItsOwnWindowRendersAndSharesObjects)
{
    std::unique_ptr<CWindowVNX> first(Quietly(200, 100));
    ASSERT_NE(first->hglrc, nullptr);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindTexture(GL_TEXTURE_2D, 0);

    // The class is registered already: the second window is made all the same.
    std::unique_ptr<CWindowVNX> second(Quietly(300, 150));
    ASSERT_NE(second->hglrc, nullptr);
    EXPECT_NE(second->hwnd, first->hwnd);
    EXPECT_NE(second->hglrc, first->hglrc);
    EXPECT_EQ(second->display, first->display);
    EXPECT_EQ(vxtest::CurrentContext(), second->hglrc);
    EXPECT_EQ(second->width, 300);
    EXPECT_EQ(second->height, 150);
    EXPECT_TRUE(glIsTexture(texture));
    char name[32] = "";
    GetClassNameA(Handle(second->hwnd), name, sizeof name);
    EXPECT_STREQ(name, "kxWindow");

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
    EXPECT_EQ(vxtest::CurrentContext(), first->hglrc);
    EXPECT_EQ(ScreenPixel(Handle(second->hwnd), 150, 75), kGreen);

    // Destroying the second leaves nothing current, and says nothing: there
    // was nothing left to release. The first renders on.
    const HWND secondWindow = Handle(second->hwnd);
    EXPECT_EQ(CaptureOutput([&] { second.reset(); }), "");
    EXPECT_EQ(vxtest::CurrentContext(), nullptr);
    EXPECT_FALSE(IsWindow(secondWindow));
    first->Activate();
    EXPECT_TRUE(glIsTexture(texture));
    Clear(1, 0, 0);
    EXPECT_EQ(ReadBack(CopyAll(*first), 200, 100, 50), kRed);
    first->Refresh(0);
    EXPECT_EQ(ScreenPixel(Handle(first->hwnd), 100, 50), kRed);
    glDeleteTextures(1, &texture);

    // With nothing current, destroying a target prints nothing either.
    vxtest::ReleaseCurrent();
    EXPECT_EQ(CaptureOutput([&] { first.reset(); }), "");

    // A third, after both are gone.
    std::unique_ptr<CWindowVNX> third(Quietly(240, 120));
    EXPECT_NE(third->hglrc, nullptr);
    EXPECT_EQ(third->width, 240);
    EXPECT_EQ(third->height, 120);
}

// The window procedure of the test's own window class: counts the messages
// of the test's range.
int ownMessages = 0;
LRESULT CALLBACK OwnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_APP)
        ++ownMessages;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(WindowTest, PassedInWindowIsRenderedIntoAndKeepsItsOwnProcedure)
{
    WNDCLASSEXA own {};
    own.cbSize = sizeof own;
    own.lpfnWndProc = OwnWindowProc;
    own.hInstance = GetModuleHandleA(nullptr);
    own.lpszClassName = "vxtestOwnWindow";
    RegisterClassExA(&own);
    RECT rect { 0, 0, 320, 240 };
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0);
    const HWND window = CreateWindowExA(0, "vxtestOwnWindow", "own", WS_OVERLAPPEDWINDOW, 0, 0,
        rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    const unsigned long id
        = static_cast<unsigned long>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));

    std::unique_ptr<CWindowVNX> target(Quietly(999, 999, id));
    ASSERT_NE(target->hglrc, nullptr);
    EXPECT_EQ(Handle(target->hwnd), window);
    // The size is the window's client area, not the one asked for.
    RECT client {};
    GetClientRect(window, &client);
    EXPECT_EQ(target->width, client.right);
    EXPECT_EQ(target->height, client.bottom);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(target.get()));
    char text[16] = "";
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "own");

    Clear(0, 0, 1);
    EXPECT_EQ(ReadBack(CopyAll(*target), target->width, target->width - 1, target->height - 1), kBlue);
    target->Refresh(0);
    EXPECT_EQ(ScreenPixel(window, target->width / 2, target->height / 2), kBlue);

    // Refresh pumps the window's messages into its own procedure.
    ownMessages = 0;
    PostMessageA(window, WM_APP + 5, 0, 0);
    target->Refresh(1);
    EXPECT_EQ(ownMessages, 1);

    // The target never destroys a window it was given; it clears the slot.
    target.reset();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 0);
    DestroyWindow(window);
    UnregisterClassA("vxtestOwnWindow", GetModuleHandleA(nullptr));
}

TEST(WindowTest, WindowThatDoesNotExistGivesATargetWithoutContextAndLeavesTheCurrentOneAlone)
{
    std::unique_ptr<CWindowVNX> current(Quietly(64, 64));
    ASSERT_NE(current->hglrc, nullptr);
    // A handle that certainly names no window: one of ours, destroyed.
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    const unsigned long id
        = static_cast<unsigned long>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(gone)));

    CWindowVNX* raw = nullptr;
    char expected[80];
    std::snprintf(expected, sizeof expected, "CWindowVNX: window 0x%lx does not exist\n", id);
    EXPECT_EQ(CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 64, 64, id); }), expected);
    std::unique_ptr<CWindowVNX> target(raw);
    EXPECT_EQ(target->hglrc, nullptr);
    EXPECT_EQ(target->hdc, nullptr);
    EXPECT_EQ(vxtest::CurrentContext(), current->hglrc);

    EXPECT_EQ(CaptureOutput([&] {
        target->Refresh(0);
        target->Activate();
        target.reset();
    }),
        "");
    EXPECT_EQ(vxtest::CurrentContext(), current->hglrc);
}

} // namespace
