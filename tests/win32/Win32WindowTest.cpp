// Window targets as Win32 windows alone (under Wine in scripts/test-windows):
// the class "kxWindow" and its window procedure, and the message pump
// (window/WindowTest.cpp has the tests both systems share).
#include <windows.h>

#include <GL/gl.h>
#include <GL/wglext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "win32/WindowHandle.h"
#include "window/WindowHelpers.h"
#include "window/WindowProbe.h"

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
using vxtest::Handle;
using vxtest::Quietly;

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

TEST_F(WindowTest, WindowProcedureHandsMessagesToTheTargetWhichHandlesPaintSizeAndTheRest)
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

TEST_F(WindowTest, DestroyingATargetDestroysItsWindowWithoutEndingTheProcess)
{
    // The target lets go of its window before destroying it, so the window's
    // WM_DESTROY goes to DefWindowProcA, not to HandleMessage (which would
    // end the process: ExitGuard above turns that into a failure).
    std::unique_ptr<CWindowVNX> target(Quietly(32, 32));
    ASSERT_NE(target->hglrc, nullptr);
    const HWND window = Handle(target->hwnd);
    EXPECT_EQ(CaptureOutput([&] { target.reset(); }), "");
    EXPECT_FALSE(IsWindow(window));
    // The class stays registered.
    WNDCLASSEXA registered {};
    registered.cbSize = sizeof registered;
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "kxWindow", &registered));
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

TEST_F(WindowTest, RefreshSetsTheSwapIntervalEveryTimeAndPumpsOnlyItsOwnWindowsMessages)
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

} // namespace
