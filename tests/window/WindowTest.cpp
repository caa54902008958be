// Window targets as another program sees them, on both systems: an X server
// (Xvfb under scripts/test) or Windows (Wine in scripts/test-windows), asked
// through the window probe (window/WindowProbe.h).
#include <cstdio>
#include <memory>
#include <vector>

#include <varnox/varnox.h>

#include "support/ContextProbe.h"
#include "window/WindowHelpers.h"
#include "window/WindowProbe.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::Clear;
using vxtest::CopyAll;
using vxtest::kBlue;
using vxtest::kGreen;
using vxtest::kRed;
using vxtest::Quietly;
using vxtest::ReadBack;

TEST_F(WindowTest, MakesTheQuorvelWindowOfClassKxWindowPresentsFramesAndDestroysIt)
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

    // What the window system says: a visible top-level window "Quorvel" of
    // the class "kxWindow" with a 500 × 500 client area.
    const unsigned long window = target->hwnd;
    probe.Settle();
    probe.Watch(window);
    EXPECT_EQ(probe.ClientSize(window), std::make_pair(500, 500));
    EXPECT_TRUE(probe.Visible(window));
    EXPECT_EQ(probe.Title(window), "Quorvel");
    EXPECT_EQ(probe.ClassName(window), "kxWindow");
    probe.ExpectLibraryWindow(*target);
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

    // Refresh presents it: the screen shows the same picture (client rows run
    // top down), where the probe can read the screen.
    target->Refresh(0);
    probe.Settle();
    if (probe.ReadsScreen()) {
        EXPECT_EQ(probe.ScreenPixel(window, 10, 489), kRed);
        EXPECT_EQ(probe.ScreenPixel(window, 150, 399), kBlue);
        EXPECT_EQ(probe.ScreenPixel(window, 50, 49), kGreen);
    }

    // The size cannot be changed.
    target->SetSize(800, 600);
    target->SetPos(10, 10, 800, 600);
    probe.Settle();
    EXPECT_EQ(target->width, 500);
    EXPECT_EQ(target->height, 500);
    EXPECT_EQ(probe.ClientSize(window).first, 500);

    // Destruction leaves no context current and takes the window away.
    EXPECT_EQ(CaptureOutput([&] { target.reset(); }), "");
    EXPECT_EQ(vxtest::CurrentContext(), nullptr);
    EXPECT_FALSE(probe.Exists(window));
}

TEST_F(WindowTest, SecondTargetGetsItsOwnWindowRendersAndSharesObjects)
{
    std::unique_ptr<CWindowVNX> first(Quietly(200, 100));
    ASSERT_NE(first->hglrc, nullptr);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindTexture(GL_TEXTURE_2D, 0);

    // The window class (Windows) is registered already: the second window is
    // made all the same.
    std::unique_ptr<CWindowVNX> second(Quietly(300, 150));
    ASSERT_NE(second->hglrc, nullptr);
    EXPECT_NE(second->hwnd, first->hwnd);
    EXPECT_NE(second->hglrc, first->hglrc);
    EXPECT_EQ(second->display, first->display);
    EXPECT_EQ(vxtest::CurrentContext(), second->hglrc);
    EXPECT_EQ(second->width, 300);
    EXPECT_EQ(second->height, 150);
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(probe.ClassName(second->hwnd), "kxWindow");
    probe.Watch(first->hwnd);
    probe.Watch(second->hwnd);

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
    probe.Settle();
    if (probe.ReadsScreen()) {
        EXPECT_EQ(probe.ScreenPixel(second->hwnd, 150, 75), kGreen);
    }

    // Destroying the second leaves nothing current, and says nothing: there
    // was nothing left to release. The first renders on.
    const unsigned long secondWindow = second->hwnd;
    EXPECT_EQ(CaptureOutput([&] { second.reset(); }), "");
    EXPECT_EQ(vxtest::CurrentContext(), nullptr);
    EXPECT_FALSE(probe.Exists(secondWindow));
    first->Activate();
    EXPECT_TRUE(glIsTexture(texture));
    Clear(1, 0, 0);
    EXPECT_EQ(ReadBack(CopyAll(*first), 200, 100, 50), kRed);
    first->Refresh(0);
    probe.Settle();
    if (probe.ReadsScreen()) {
        EXPECT_EQ(probe.ScreenPixel(first->hwnd, 100, 50), kRed);
    }
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

TEST_F(WindowTest, PassedInWindowIsRenderedIntoAndItsOwnerKeepsItsEvents)
{
    const unsigned long window = probe.MakeOwnWindow(320, 240);
    ASSERT_NE(window, 0ul);

    std::unique_ptr<CWindowVNX> target(Quietly(999, 999, window));
    ASSERT_NE(target->hglrc, nullptr);
    EXPECT_EQ(target->hwnd, window);
    // The size is the window's client area, not the one asked for.
    EXPECT_EQ(target->width, 320);
    EXPECT_EQ(target->height, 240);
    probe.Settle();
    EXPECT_TRUE(probe.Visible(window));
    probe.ExpectOwnerKeeps(window, target.get());
    probe.Watch(window);

    Clear(0, 0, 1);
    EXPECT_EQ(ReadBack(CopyAll(*target), 320, 319, 239), kBlue);
    target->Refresh(0);
    probe.Settle();
    EXPECT_EQ(probe.ScreenPixel(window, 160, 120), kBlue);

    // Events for the window, a close request among them on X, stay with its
    // owner: Refresh does not end the process.
    probe.SendOwnEvents(window);
    target->Refresh(1);
    probe.ExpectOwnerGotEvents(window);

    // The target never destroys a window it was given.
    target.reset();
    EXPECT_TRUE(probe.Exists(window));
    probe.ExpectOwnerKeeps(window, nullptr);
    probe.DestroyOwnWindow(window);
}

TEST_F(WindowTest, WindowThatDoesNotExistGivesATargetWithoutContextAndLeavesTheCurrentOneAlone)
{
    std::unique_ptr<CWindowVNX> current(Quietly(64, 64));
    ASSERT_NE(current->hglrc, nullptr);
    const unsigned long gone = probe.GoneWindow();

    CWindowVNX* raw = nullptr;
    char expected[80];
    std::snprintf(expected, sizeof expected, "CWindowVNX: window 0x%lx does not exist\n", gone);
    EXPECT_EQ(CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 64, 64, gone); }), expected);
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
