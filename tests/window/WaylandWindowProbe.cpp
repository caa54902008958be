// The window probe on Wayland. A client cannot look at another client's
// surfaces, so the probe asks the library's Wayland side what it set up and
// what the compositor answered (wayland::DescribeWindow): the configure
// received, the size of the buffer EGL attached last. The compositor's
// screen is not read (ReadsScreen is false): weston places windows where it
// likes, and its screenshots say nowhere where.
#include "window/WindowProbe.h"

#include <cstdlib>

#include <sys/wait.h>

#include <wayland-client.h>

#include "targets/linux/WaylandWindow.h"

namespace vxtest {
namespace {

    varnox::wayland::WindowState Describe(unsigned long window)
    {
        varnox::wayland::WindowState state;
        varnox::wayland::DescribeWindow(window, &state);
        return state;
    }

    // The program runs as on a machine with Wayland alone: no X server to
    // fall back on, no choice forced. Done before main, before the library
    // looks (ctest sets WAYLAND_DISPLAY).
    const bool kWaylandOnly = [] {
        unsetenv("DISPLAY");
        unsetenv("VARNOX_PLATFORM");
        return true;
    }();

    // Stands in for an id of a window that is gone: an address the library
    // never handed out.
    int notAWindow;

} // namespace

struct WindowProbe::State { };

WindowProbe::WindowProbe()
    : state(new State)
{
}

WindowProbe::~WindowProbe() = default;

void WindowProbe::Settle()
{
    glFinish();
    // What the compositor sent in answer so far, handled by the library.
    if (auto* display = static_cast<wl_display*>(varnox::wayland::ConnectionIfOpen()))
        wl_display_roundtrip(display);
}

bool WindowProbe::ReadsScreen() const
{
    return false;
}

bool WindowProbe::Exists(unsigned long window)
{
    varnox::wayland::WindowState state;
    return varnox::wayland::DescribeWindow(window, &state);
}

bool WindowProbe::Visible(unsigned long window)
{
    // A configured toplevel is on screen from its first frame on.
    return Describe(window).configured;
}

std::string WindowProbe::Title(unsigned long window)
{
    return Describe(window).title;
}

std::string WindowProbe::ClassName(unsigned long window)
{
    return Describe(window).appId;
}

std::pair<int, int> WindowProbe::ClientSize(unsigned long window)
{
    const varnox::wayland::WindowState state = Describe(window);
    return { state.width, state.height };
}

void WindowProbe::Watch(unsigned long)
{
}

unsigned long WindowProbe::ScreenPixel(unsigned long, int, int)
{
    ADD_FAILURE() << "the screen of a Wayland compositor cannot be read";
    return 0;
}

void WindowProbe::ExpectLibraryWindow(const CWindowVNX& target)
{
    const varnox::wayland::WindowState state = Describe(target.hwnd);
    EXPECT_TRUE(state.configured);
    // Server-side decorations where the compositor offers them, none
    // otherwise (weston 10 offers none).
    EXPECT_EQ(state.serverSideDecorations, varnox::wayland::CompositorOffersDecorations());
}

unsigned long WindowProbe::GoneWindow()
{
    return reinterpret_cast<unsigned long>(&notAWindow);
}

// Wayland has no windows of other clients to render into, nor messages a
// client sends to another's window: the tests that need them run on X11 and
// Windows alone (tests/CMakeLists.txt leaves them out here).
unsigned long WindowProbe::MakeOwnWindow(int, int)
{
    ADD_FAILURE() << "Wayland: the library renders only into windows of its own";
    return 0;
}

void WindowProbe::DestroyOwnWindow(unsigned long)
{
}

void WindowProbe::ExpectOwnerKeeps(unsigned long, const CWindowVNX*)
{
}

void WindowProbe::SendOwnEvents(unsigned long)
{
}

void WindowProbe::ExpectOwnerGotEvents(unsigned long)
{
}

void WindowProbe::RequestClose(unsigned long)
{
    ADD_FAILURE() << "Wayland: only the compositor can ask a window to close";
}

void WindowProbe::DestroyFromOutside(unsigned long)
{
    ADD_FAILURE() << "Wayland: no client can destroy another's window";
}

void WindowProbe::SendOtherMessages(unsigned long)
{
    ADD_FAILURE() << "Wayland: no client can send another's window events";
}

int WindowProbe::ExitStatus(int finished)
{
    return WIFEXITED(finished) ? WEXITSTATUS(finished) : -1;
}

} // namespace vxtest
