// What only Wayland windows do: follow the size the compositor configures,
// end the process on its close request, and leave ids they never handed out
// alone. Runs under weston (scripts/test starts one).
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <varnox/varnox.h>

#include "support/OutputCapture.h"
#include "support/ReadBack.h"
#include "targets/linux/WaylandWindow.h"
#include "window/WindowHelpers.h"
#include "window/WindowProbe.h"

namespace {

using vxtest::Clear;
using vxtest::Quietly;

varnox::wayland::WindowState Describe(const CWindowVNX& target)
{
    varnox::wayland::WindowState state;
    EXPECT_TRUE(varnox::wayland::DescribeWindow(target.hwnd, &state));
    return state;
}

TEST(WaylandWindow, FramesFollowTheSizeTheCompositorConfigures)
{
    std::unique_ptr<CWindowVNX> target(Quietly(120, 80));
    ASSERT_NE(target->hglrc, nullptr);
    Clear(0, 1, 0);
    target->Refresh(0);
    // EGL attached a buffer of the size asked for.
    varnox::wayland::WindowState state = Describe(*target);
    EXPECT_EQ(state.attachedWidth, 120);
    EXPECT_EQ(state.attachedHeight, 80);

    // The compositor asks for 200 × 50: the next frame's buffer has that
    // size; a configure of 0 × 0 (the client's choice) changes nothing.
    ASSERT_TRUE(varnox::wayland::DeliverConfigure(target->hwnd, 200, 50));
    Clear(0, 0, 1);
    target->Refresh(0);
    state = Describe(*target);
    EXPECT_EQ(state.width, 200);
    EXPECT_EQ(state.height, 50);
    EXPECT_EQ(state.attachedWidth, 200);
    EXPECT_EQ(state.attachedHeight, 50);
    ASSERT_TRUE(varnox::wayland::DeliverConfigure(target->hwnd, 0, 0));
    target->Refresh(0);
    EXPECT_EQ(Describe(*target).attachedWidth, 200);

    // The target's own size stays as made, as on X11.
    EXPECT_EQ(target->width, 120);
    EXPECT_EQ(target->height, 80);

    // Ids the library never handed out are refused without being looked at.
    int local = 0;
    EXPECT_FALSE(varnox::wayland::DeliverConfigure(reinterpret_cast<unsigned long>(&local), 10, 10));
    EXPECT_FALSE(varnox::wayland::DeliverClose(0));
    EXPECT_EQ(varnox::wayland::EglWindow(12345), nullptr);
}

TEST(WaylandWindow, TooLargeAWindowIsRefusedWithALine)
{
    CWindowVNX* raw = nullptr;
    const std::string output = vxtest::CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 40000, 10, 0); });
    std::unique_ptr<CWindowVNX> target(raw);
    EXPECT_EQ(output, "CWindowVNX: could not create a 40000 x 10 window\n");
    EXPECT_EQ(target->hglrc, nullptr);
    EXPECT_EQ(target->hwnd, 0ul);
}

// Mesa's Wayland platform offers no pixel-buffer configs: off-screen targets
// beside a Wayland window render into hidden surfaces instead, the
// framebuffer target's smallest one too, and share the window's objects.
TEST(WaylandWindow, FramebufferTargetMadeWhileAWindowIsCurrentSharesItsDisplayAndObjects)
{
    std::unique_ptr<CWindowVNX> window(Quietly(64, 64));
    ASSERT_NE(window->hglrc, nullptr);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindTexture(GL_TEXTURE_2D, 0);

    std::unique_ptr<COffScreen> offscreen;
    EXPECT_EQ(vxtest::CaptureOutput([&] { offscreen.reset(COffScreen::NewFramebufferL(32, 16)); }), "");
    ASSERT_NE(offscreen->hglrc, nullptr);
    EXPECT_EQ(offscreen->display, window->display);
    EXPECT_TRUE(glIsTexture(texture));
    Clear(0, 1, 0);
    EXPECT_EQ(vxtest::ReadBack(vxtest::CopyAll(*offscreen), 32, 31, 15), vxtest::kGreen);

    offscreen.reset();
    window->Activate();
    glDeleteTextures(1, &texture);
}

// Keys reach a program through CWindowVNX::WaitForKey, oldest first; the
// keyboard's keymap side is tested in unit/WaylandKeyboardTest.cpp.
TEST(WaylandWindow, KeysPressedInTheWindowsAreHandedOutOldestFirst)
{
    std::unique_ptr<CWindowVNX> target(Quietly(32, 32));
    ASSERT_NE(target->hglrc, nullptr);
    EXPECT_EQ(CWindowVNX::WaitForKey(0), 0ul);
    ASSERT_TRUE(varnox::wayland::DeliverKeysym(target->hwnd, XK_q));
    ASSERT_TRUE(varnox::wayland::DeliverKeysym(target->hwnd, XK_space));
    EXPECT_EQ(CWindowVNX::WaitForKey(0), static_cast<unsigned long>(XK_q));
    EXPECT_EQ(CWindowVNX::WaitForKey(-1), static_cast<unsigned long>(XK_space));
    EXPECT_EQ(CWindowVNX::WaitForKey(0), 0ul);

    // Forty keys unread: the window keeps the last 32.
    for (unsigned i = 0; i < 40; ++i)
        ASSERT_TRUE(varnox::wayland::DeliverKeysym(target->hwnd, XK_a + i % 26));
    for (unsigned i = 8; i < 40; ++i)
        EXPECT_EQ(CWindowVNX::WaitForKey(0), static_cast<unsigned long>(XK_a + i % 26)) << i;
    EXPECT_EQ(CWindowVNX::WaitForKey(0), 0ul);

    EXPECT_FALSE(varnox::wayland::DeliverKeysym(target->hwnd, 0));
    EXPECT_FALSE(varnox::wayland::DeliverKeysym(12345, XK_q));
}

// The close request ends the process with status 0 in the next Refresh, not
// before: the child process (a fresh run of this test program) would exit
// with 3 if Refresh returned, or with 4 if the request alone ended it.
TEST(WaylandWindowDeathTest, CloseRequestEndsTheProcessWithStatusZeroInTheNextRefresh)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CWindowVNX* target = Quietly(64, 64);
            if (!target->hglrc || !varnox::wayland::DeliverClose(target->hwnd))
                std::exit(5);
            target->Refresh(0);
            std::exit(3);
        },
        testing::ExitedWithCode(0), "");
    // Waiting for a key handles it the same way.
    EXPECT_EXIT(
        {
            CWindowVNX* target = Quietly(64, 64);
            if (!target->hglrc || !varnox::wayland::DeliverClose(target->hwnd))
                std::exit(5);
            CWindowVNX::WaitForKey(0);
            std::exit(3);
        },
        testing::ExitedWithCode(0), "");
    // Without a close request Refresh returns.
    EXPECT_EXIT(
        {
            CWindowVNX* target = Quietly(64, 64);
            target->Refresh(0);
            target->Refresh(1);
            std::exit(3);
        },
        testing::ExitedWithCode(3), "");
}

} // namespace
