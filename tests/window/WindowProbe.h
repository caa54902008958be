#pragma once

// What the window tests learn from the window system itself, not from the
// library: X11 through a connection of the test's own on Linux
// (window/X11WindowProbe.cpp), the library's Wayland side on Wayland
// (window/WaylandWindowProbe.cpp), USER32 and GDI on Windows
// (win32/Win32WindowProbe.cpp). Windows are the targets' own ids
// (CWindowVNX::hwnd).

#include <memory>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

namespace vxtest {

class WindowProbe {
public:
    WindowProbe();
    ~WindowProbe();
    WindowProbe(const WindowProbe&) = delete;
    WindowProbe& operator=(const WindowProbe&) = delete;

    /// Waits until what the library asked of the window system and of GL is
    /// carried out, so that what the probe reads next reflects it.
    void Settle();

    bool Exists(unsigned long window);
    /// Whether the window is on screen (mapped and viewable, or visible).
    bool Visible(unsigned long window);
    /// The window's title and class name; "" where it has none.
    std::string Title(unsigned long window);
    std::string ClassName(unsigned long window);
    /// The size of its client area.
    std::pair<int, int> ClientSize(unsigned long window);

    /// Whether ScreenPixel can read what the window system shows (not on
    /// Wayland, where no client sees the compositor's screen).
    bool ReadsScreen() const;
    /// Keeps the window's pixels readable while windows of other tests cover
    /// it; called before the frames to be read are presented.
    void Watch(unsigned long window);
    /// What the screen shows at (x, y) of the window's client area, top row
    /// first, as 0xRRGGBB.
    unsigned long ScreenPixel(unsigned long window, int x, int y);

    /// What only this window system says of a top-level window the library
    /// made for `target`, besides its title, class, size and visibility. X:
    /// its _NET_WM_NAME, the name half of its WM_CLASS, and WM_DELETE_WINDOW
    /// among its protocols. Windows: found by its class and title, captioned
    /// and resizable, a child of the desktop without a menu, `target` in its
    /// user-data slot, the class's procedure, cursor, icon and brush, and the
    /// window's pixel format and GL buffers.
    void ExpectLibraryWindow(const CWindowVNX& target);

    /// An id that names no window: one of the probe's own, destroyed.
    unsigned long GoneWindow();

    /// A window of the test's own, with a width × height client area, as a
    /// program hands one to the library: a title (Windows) and a handling of
    /// its events of its own. DestroyOwnWindow removes it.
    unsigned long MakeOwnWindow(int width, int height);
    void DestroyOwnWindow(unsigned long window);
    /// What the library leaves to the owner of a window it was given. X: the
    /// owner's selection of events and no name of the library's. Windows: the
    /// owner's title, and `target` in the user-data slot while it lives (null:
    /// the slot is cleared).
    void ExpectOwnerKeeps(unsigned long window, const CWindowVNX* target);
    /// Sends the owner's window events of its own (X: a key press and a close
    /// request; Windows: a message of the test's range), and checks, after a
    /// Refresh of the library's target, that they reached the owner (X: still
    /// queued on its connection; Windows: handed to its window procedure).
    void SendOwnEvents(unsigned long window);
    void ExpectOwnerGotEvents(unsigned long window);

    /// What another program does to a window of a helper process. X: a
    /// WM_DELETE_WINDOW request, the window destroyed, a WM_TAKE_FOCUS
    /// message. Windows: WM_CLOSE posted, WM_DESTROY posted, other messages
    /// (WM_APP + 9, WM_SIZE, WM_PAINT) posted.
    void RequestClose(unsigned long window);
    void DestroyFromOutside(unsigned long window);
    void SendOtherMessages(unsigned long window);

    /// The exit status of a helper process, from what HelperProcess::Finish
    /// returned; -1 when it did not end by exiting (a signal).
    static int ExitStatus(int finished);

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace vxtest

/// The window tests' fixture: a probe for each test.
class WindowTest : public testing::Test {
protected:
    vxtest::WindowProbe probe;
};
