#include "targets/X11Platform.h"

#include <chrono>
#include <cstring>

#include <poll.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace varnox::x11 {
namespace {

    const char kTitle[] = "Quorvel";
    const char kClass[] = "kxWindow";

    // The events selected on windows the library creates, and pumped by Refresh.
    const long kPumpMask = StructureNotifyMask | ExposureMask;

    // How long Show waits for a new window to be mapped. Without a window manager
    // the MapNotify follows at once; a manager may hold a window back (iconic
    // start), and the target must not hang on that.
    const std::chrono::milliseconds kMapWait(2000);

    struct ConnectionState {
        Display* display = nullptr;
        Atom protocols = 0;
        Atom deleteWindow = 0;
        Atom netWmName = 0;
        Atom utf8String = 0;
    };

    ConnectionState& State()
    {
        static ConnectionState state;
        return state;
    }

    Display* X(void* display)
    {
        return static_cast<Display*>(display);
    }

    // Error trapping: one handler for all nested traps, counting the errors of
    // the trapped connection.
    int trapDepth = 0;
    Display* trapped = nullptr;
    XErrorHandler outerHandler = nullptr;
    unsigned long trappedErrors = 0;

    int CountError(Display* display, XErrorEvent* error)
    {
        if (display == trapped) {
            ++trappedErrors;
            return 0;
        }
        return outerHandler ? outerHandler(display, error) : 0;
    }

} // namespace

void* Connection()
{
    ConnectionState& s = State();
    if (!s.display) {
        s.display = XOpenDisplay(nullptr);
        if (s.display) {
            s.protocols = XInternAtom(s.display, "WM_PROTOCOLS", False);
            s.deleteWindow = XInternAtom(s.display, "WM_DELETE_WINDOW", False);
            s.netWmName = XInternAtom(s.display, "_NET_WM_NAME", False);
            s.utf8String = XInternAtom(s.display, "UTF8_STRING", False);
        }
    }
    return s.display;
}

const char* DisplayName()
{
    return XDisplayName(nullptr);
}

unsigned long DefaultVisualId(void* display)
{
    Display* x = X(display);
    return XVisualIDFromVisual(DefaultVisual(x, DefaultScreen(x)));
}

unsigned long CreateTopLevel(void* display, unsigned long visualId, int width, int height)
{
    Display* x = X(display);
    const ConnectionState& s = State();
    const int screen = DefaultScreen(x);
    const Window root = RootWindow(x, screen);

    XVisualInfo wanted {};
    wanted.visualid = visualId;
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(x, VisualIDMask, &wanted, &count);
    Visual* visual = info ? info->visual : DefaultVisual(x, screen);
    const int depth = info ? info->depth : DefaultDepth(x, screen);
    if (info)
        XFree(info);

    ErrorTrap trap(display);
    XSetWindowAttributes attributes {};
    attributes.colormap = visual == DefaultVisual(x, screen) ? DefaultColormap(x, screen)
                                                             : XCreateColormap(x, root, visual, AllocNone);
    attributes.border_pixel = 0;
    attributes.event_mask = kPumpMask;
    // X has no empty windows: a requested size of 0 becomes 1.
    const unsigned w = width > 0 ? static_cast<unsigned>(width) : 1u;
    const unsigned h = height > 0 ? static_cast<unsigned>(height) : 1u;
    const Window window = XCreateWindow(x, root, 0, 0, w, h, 0, depth, InputOutput, visual,
        CWColormap | CWBorderPixel | CWEventMask, &attributes);

    XStoreName(x, window, kTitle);
    XChangeProperty(x, window, s.netWmName, s.utf8String, 8, PropModeReplace,
        reinterpret_cast<const unsigned char*>(kTitle), static_cast<int>(std::strlen(kTitle)));
    char name[sizeof kClass];
    char windowClass[sizeof kClass];
    std::memcpy(name, kClass, sizeof kClass);
    std::memcpy(windowClass, kClass, sizeof kClass);
    XClassHint hint { name, windowClass };
    XSetClassHint(x, window, &hint);
    Atom deleteWindow = s.deleteWindow;
    XSetWMProtocols(x, window, &deleteWindow, 1);

    if (!trap.Sync()) {
        XDestroyWindow(x, window);
        if (attributes.colormap != DefaultColormap(x, screen))
            XFreeColormap(x, attributes.colormap);
        XSync(x, False);
        return 0;
    }
    return window;
}

void DestroyTopLevel(void* display, unsigned long window)
{
    if (!display || !window)
        return;
    Display* x = X(display);
    ErrorTrap trap(display);
    XWindowAttributes attributes;
    const Colormap colormap = XGetWindowAttributes(x, window, &attributes) ? attributes.colormap : 0;
    XDestroyWindow(x, window);
    if (colormap && colormap != DefaultColormap(x, DefaultScreen(x)))
        XFreeColormap(x, colormap);
    // The window's last events (its DestroyNotify among them) would otherwise
    // wait in the queue for the life of the connection.
    XSync(x, False);
    XEvent event;
    while (XCheckWindowEvent(x, window, kPumpMask, &event)
        || XCheckTypedWindowEvent(x, window, ClientMessage, &event))
        ;
}

bool WindowVisual(void* display, unsigned long window, unsigned long* visualId)
{
    ErrorTrap trap(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(X(display), window, &attributes) || !trap.Sync())
        return false;
    *visualId = XVisualIDFromVisual(attributes.visual);
    return true;
}

void Show(void* display, unsigned long window, bool waitForMap)
{
    Display* x = X(display);
    ErrorTrap trap(display);
    XMapWindow(x, window);
    if (!waitForMap) {
        trap.Sync();
        return;
    }
    XFlush(x);
    const auto deadline = std::chrono::steady_clock::now() + kMapWait;
    XEvent event;
    while (!XCheckTypedWindowEvent(x, window, MapNotify, &event)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        pollfd fd { ConnectionNumber(x), POLLIN, 0 };
        poll(&fd, 1, static_cast<int>(left.count()));
    }
}

void ClientSize(void* display, unsigned long window, int* width, int* height)
{
    ErrorTrap trap(display);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(X(display), window, &attributes) && trap.Sync()) {
        *width = attributes.width;
        *height = attributes.height;
    } else {
        *width = 0;
        *height = 0;
    }
}

void PumpEvents(void* display, unsigned long window, void (*dispatch)(const _XEvent&))
{
    Display* x = X(display);
    XEvent event;
    while (XCheckWindowEvent(x, window, kPumpMask, &event)
        || XCheckTypedWindowEvent(x, window, ClientMessage, &event))
        dispatch(event);
}

unsigned long EventWindow(const _XEvent& event)
{
    return event.xany.window;
}

WindowEvent Classify(const _XEvent& event)
{
    const ConnectionState& s = State();
    switch (event.type) {
    case ClientMessage:
        if (s.protocols && event.xclient.message_type == s.protocols && event.xclient.format == 32
            && static_cast<Atom>(event.xclient.data.l[0]) == s.deleteWindow)
            return WindowEvent::CloseRequest;
        return WindowEvent::Other;
    case DestroyNotify:
        return WindowEvent::Destroyed;
    case Expose:
        return WindowEvent::Exposed;
    case ConfigureNotify:
        return WindowEvent::Configured;
    default:
        return WindowEvent::Other;
    }
}

ErrorTrap::ErrorTrap(void* d)
    : display(d)
{
    if (!display)
        return;
    if (trapDepth++ == 0) {
        trapped = X(display);
        outerHandler = XSetErrorHandler(CountError);
    }
    errorsAtStart = trappedErrors;
}

ErrorTrap::~ErrorTrap()
{
    if (!display)
        return;
    if (--trapDepth == 0) {
        XSetErrorHandler(outerHandler);
        outerHandler = nullptr;
        trapped = nullptr;
    }
}

bool ErrorTrap::Sync()
{
    if (!display)
        return false;
    XSync(X(display), False);
    return trappedErrors == errorsAtStart;
}

} // namespace varnox::x11
