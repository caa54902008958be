#include "window/WindowProbe.h"

#include <sys/wait.h>

#include <algorithm>

#include "support/XClient.h"

#include "targets/linux/X11Window.h"

namespace vxtest {
namespace {

    // The events a window of the test's own selects.
    const long kOwnEvents = ButtonPressMask | KeyPressMask | StructureNotifyMask;

} // namespace

struct WindowProbe::State {
    XClient client;
};

WindowProbe::WindowProbe()
    : state(new State)
{
}

WindowProbe::~WindowProbe() = default;

bool WindowProbe::ReadsScreen() const
{
    return true;
}

void WindowProbe::Settle()
{
    XSync(static_cast<Display*>(varnox::x11::Connection()), False);
}

bool WindowProbe::Exists(unsigned long window)
{
    return state->client.Exists(window);
}

bool WindowProbe::Visible(unsigned long window)
{
    return state->client.Attributes(window).map_state == IsViewable;
}

std::string WindowProbe::Title(unsigned long window)
{
    return state->client.Property(window, "WM_NAME", "STRING");
}

std::string WindowProbe::ClassName(unsigned long window)
{
    XClassHint hint {};
    if (!XGetClassHint(state->client.display(), window, &hint))
        return "";
    const std::string name = hint.res_class ? hint.res_class : "";
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name;
}

std::pair<int, int> WindowProbe::ClientSize(unsigned long window)
{
    const XWindowAttributes attributes = state->client.Attributes(window);
    return { attributes.width, attributes.height };
}

void WindowProbe::Watch(unsigned long window)
{
    state->client.KeepContents(window);
}

unsigned long WindowProbe::ScreenPixel(unsigned long window, int x, int y)
{
    return state->client.Pixel(window, x, y);
}

void WindowProbe::ExpectLibraryWindow(const CWindowVNX& target)
{
    const XClient& client = state->client;
    const Window window = target.hwnd;
    EXPECT_EQ(client.Property(window, "_NET_WM_NAME", "UTF8_STRING"), "Quorvel");
    XClassHint hint {};
    ASSERT_TRUE(XGetClassHint(client.display(), window, &hint));
    EXPECT_STREQ(hint.res_name, "kxWindow");
    XFree(hint.res_name);
    XFree(hint.res_class);
    Atom* protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(client.display(), window, &protocols, &count));
    EXPECT_EQ(std::count(protocols, protocols + count, client.atom("WM_DELETE_WINDOW")), 1);
    XFree(protocols);
}

unsigned long WindowProbe::GoneWindow()
{
    Display* x = state->client.display();
    const Window gone = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 8, 8, 0, 0, 0);
    XDestroyWindow(x, gone);
    XSync(x, False);
    return gone;
}

unsigned long WindowProbe::MakeOwnWindow(int width, int height)
{
    // In the screen's default visual, which the library's window configs
    // offer.
    Display* x = state->client.display();
    const Window window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, width, height, 0, 0, 0);
    XSelectInput(x, window, kOwnEvents);
    XSync(x, False);
    return window;
}

void WindowProbe::DestroyOwnWindow(unsigned long window)
{
    XDestroyWindow(state->client.display(), window);
}

void WindowProbe::ExpectOwnerKeeps(unsigned long window, const CWindowVNX*)
{
    // The library selected no events of its own on it and left its name alone.
    EXPECT_EQ(state->client.Attributes(window).all_event_masks, kOwnEvents);
    EXPECT_EQ(Title(window), "");
}

void WindowProbe::SendOwnEvents(unsigned long window)
{
    Display* x = state->client.display();
    XEvent key {};
    key.xkey.type = KeyPress;
    key.xkey.window = window;
    key.xkey.root = DefaultRootWindow(x);
    key.xkey.keycode = 38;
    key.xkey.same_screen = True;
    XSendEvent(x, window, False, KeyPressMask, &key);
    state->client.SendProtocol(window, "WM_DELETE_WINDOW");
}

void WindowProbe::ExpectOwnerGotEvents(unsigned long window)
{
    Display* x = state->client.display();
    XEvent event;
    EXPECT_TRUE(XCheckTypedWindowEvent(x, window, KeyPress, &event));
    ASSERT_TRUE(XCheckTypedWindowEvent(x, window, ClientMessage, &event));
    EXPECT_EQ(static_cast<Atom>(event.xclient.data.l[0]), state->client.atom("WM_DELETE_WINDOW"));
}

void WindowProbe::RequestClose(unsigned long window)
{
    state->client.SendProtocol(window, "WM_DELETE_WINDOW");
}

void WindowProbe::DestroyFromOutside(unsigned long window)
{
    XDestroyWindow(state->client.display(), window);
    XSync(state->client.display(), False);
}

void WindowProbe::SendOtherMessages(unsigned long window)
{
    state->client.SendProtocol(window, "WM_TAKE_FOCUS");
}

int WindowProbe::ExitStatus(int finished)
{
    return WIFEXITED(finished) ? WEXITSTATUS(finished) : -1;
}

} // namespace vxtest
