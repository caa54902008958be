#include "ToolWindow.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <varnox/varnox.h>

#include "WindowSystem.h"

namespace {

ToolWindow::Input KeyInput(KeySym key, bool spaceIsPause)
{
    switch (key) {
    case XK_space:
        return spaceIsPause ? ToolWindow::Input::Pause : ToolWindow::Input::Next;
    case XK_Right:
    case XK_n:
        return ToolWindow::Input::Next;
    case XK_Left:
    case XK_BackSpace:
    case XK_p:
        return ToolWindow::Input::Previous;
    case XK_r:
        return ToolWindow::Input::Rotate;
    case XK_period:
        return ToolWindow::Input::Step;
    case XK_q:
    case XK_Escape:
        return ToolWindow::Input::Quit;
    default:
        return ToolWindow::Input::Nothing;
    }
}

} // namespace

ToolWindow::~ToolWindow()
{
    Display* x = static_cast<Display*>(display);
    if (!x)
        return;
    if (window)
        XDestroyWindow(x, window);
    XCloseDisplay(x);
}

bool ToolWindow::Open(const char* name, int width, int height)
{
    wayland = vnxcmd::LibraryOnWayland();
    if (wayland)
        return true;
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
        const char* server = XDisplayName(nullptr);
        if (server && *server)
            std::fprintf(stderr, "%s: no X server at \"%s\" (a window needs one)\n", name, server);
        else
            std::fprintf(stderr, "%s: DISPLAY is not set: a window needs an X server\n", name);
        return false;
    }
    display = x;
    const int screen = DefaultScreen(x);
    XSetWindowAttributes attributes {};
    attributes.background_pixel = BlackPixel(x, screen);
    attributes.event_mask = KeyPressMask | ExposureMask | StructureNotifyMask;
    window = XCreateWindow(x, RootWindow(x, screen), 0, 0, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, DefaultDepth(x, screen), InputOutput, DefaultVisual(x, screen),
        CWBackPixel | CWEventMask, &attributes);

    // The render target's size is fixed when it is made: so is the window's.
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(x, window, hints);
    XFree(hints);
    XClassHint* classHint = XAllocClassHint();
    classHint->res_name = const_cast<char*>(name);
    classHint->res_class = const_cast<char*>(name);
    XSetClassHint(x, window, classHint);
    XFree(classHint);
    Atom protocol = XInternAtom(x, "WM_DELETE_WINDOW", False);
    deleteWindow = protocol;
    XSetWMProtocols(x, window, &protocol, 1);
    SetTitle(name);
    XMapWindow(x, window);
    XFlush(x);
    return true;
}

void ToolWindow::SetTitle(const char* title)
{
    Display* x = static_cast<Display*>(display);
    if (!x)
        return;
    XStoreName(x, window, title);
    XChangeProperty(x, window, XInternAtom(x, "_NET_WM_NAME", False), XInternAtom(x, "UTF8_STRING", False), 8,
        PropModeReplace, reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
    XFlush(x);
}

ToolWindow::Input ToolWindow::Wait(int milliseconds, bool spaceIsPause)
{
    if (wayland) {
        // Keys that mean nothing here are passed over; each wait is bounded by
        // what is left of the time asked for.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (int left = milliseconds;;) {
            const unsigned long key = CWindowVNX::WaitForKey(left);
            if (!key)
                return Input::Nothing;
            const Input input = KeyInput(key, spaceIsPause);
            if (input != Input::Nothing)
                return input;
            if (milliseconds >= 0) {
                left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                                            .count());
                if (left <= 0)
                    return Input::Nothing;
            }
        }
    }
    Display* x = static_cast<Display*>(display);
    for (;;) {
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            switch (event.type) {
            case KeyPress: {
                const Input input = KeyInput(XLookupKeysym(&event.xkey, 0), spaceIsPause);
                if (input != Input::Nothing)
                    return input;
                break;
            }
            case Expose:
                if (event.xexpose.count == 0)
                    return Input::Redraw;
                break;
            case ClientMessage:
                if (static_cast<unsigned long>(event.xclient.data.l[0]) == deleteWindow)
                    return Input::Quit;
                break;
            case DestroyNotify:
                window = 0;
                return Input::Quit;
            default:
                break;
            }
        }
        if (milliseconds == 0)
            return Input::Nothing;
        pollfd connection = { ConnectionNumber(x), POLLIN, 0 };
        if (poll(&connection, 1, milliseconds) == 0)
            return Input::Nothing;
    }
}

bool TargetReady(const CRenderTarget* target)
{
    // glGetString answers null while no context is current.
    return target->hglrc && target->hdc && glGetString(GL_VERSION);
}
