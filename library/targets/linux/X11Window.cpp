// The X11 window system of the Linux platform layer, through Xlib.
#include "targets/linux/X11Window.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <poll.h>

#include <varnox/CWindowVNX.h>

#include "targets/FailureCause.h"
#include "targets/Platform.h"
#include "targets/linux/EglContext.h"
#include "targets/linux/WindowSystems.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

const char kTitle[] = "Quorvel";
const char kClass[] = "kxWindow";

// The events selected on windows the library creates, and pumped by Refresh.
const long kPumpMask = StructureNotifyMask | ExposureMask;

// How long Show waits for a new window to be mapped. Without a window manager
// the MapNotify follows at once; a manager may hold a window back (iconic
// start), and the target must not hang on that.
const std::chrono::milliseconds kMapWait(2000);

// The X protocol carries window sizes in 16 bits; Xlib would silently cut a
// larger one down (65,537 becomes 1).
const int kMaxWindowSide = 65535;

// The core X protocol errors, BadRequest (1) to BadImplementation (17).
const char* const kErrorNames[] = { "BadRequest", "BadValue", "BadWindow", "BadPixmap", "BadAtom",
    "BadCursor", "BadFont", "BadMatch", "BadDrawable", "BadAccess", "BadAlloc", "BadColor", "BadGC",
    "BadIDChoice", "BadName", "BadLength", "BadImplementation" };

} // namespace

namespace varnox::x11 {
namespace {

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

    // Error trapping: one handler for all nested traps, counting the errors of
    // the trapped connection and keeping the last one.
    int trapDepth = 0;
    Display* trapped = nullptr;
    XErrorHandler outerHandler = nullptr;
    unsigned long trappedErrors = 0;
    XErrorEvent lastError {};

    int CountError(Display* display, XErrorEvent* error)
    {
        if (display == trapped) {
            ++trappedErrors;
            lastError = *error;
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

void* ConnectionIfOpen()
{
    return State().display;
}

unsigned long DefaultVisualId()
{
    Display* x = State().display;
    if (!x)
        return 0;
    return XVisualIDFromVisual(DefaultVisual(x, DefaultScreen(x)));
}

bool WindowVisual(unsigned long window, unsigned long* visualId)
{
    Display* x = State().display;
    if (!x || !window)
        return false;
    ErrorTrap trap(x);
    XWindowAttributes attributes;
    const Status got = XGetWindowAttributes(x, window, &attributes);
    if (!trap.Sync("XGetWindowAttributes") || !got)
        return false;
    *visualId = XVisualIDFromVisual(attributes.visual);
    return true;
}

const char* ErrorName(int code)
{
    const int count = static_cast<int>(sizeof kErrorNames / sizeof kErrorNames[0]);
    return code >= 1 && code <= count ? kErrorNames[code - 1] : nullptr;
}

std::string DescribeError(int code, int request, int minor)
{
    const char* name = ErrorName(code);
    char text[96];
    std::snprintf(text, sizeof text, "%s (X error %d, request %d, minor %d)", name ? name : "unknown error",
        code, request, minor);
    return text;
}

ErrorTrap::ErrorTrap(void* c)
    : connection(c)
{
    if (!connection)
        return;
    if (trapDepth++ == 0) {
        trapped = static_cast<Display*>(connection);
        outerHandler = XSetErrorHandler(CountError);
    }
    errorsAtStart = trappedErrors;
}

ErrorTrap::~ErrorTrap()
{
    if (!connection)
        return;
    if (--trapDepth == 0) {
        XSetErrorHandler(outerHandler);
        outerHandler = nullptr;
        trapped = nullptr;
    }
}

bool ErrorTrap::Sync(const char* call)
{
    if (!connection)
        return false;
    XSync(static_cast<Display*>(connection), False);
    if (trappedErrors == errorsAtStart)
        return true;
    platform::RecordFailure("%s: %s", call,
        DescribeError(lastError.error_code, lastError.request_code, lastError.minor_code).c_str());
    return false;
}

} // namespace varnox::x11

namespace varnox::platform {
namespace {

    using x11::ErrorTrap;
    using x11::State;

    ::Window Id(NativeWindow window)
    {
        return static_cast<::Window>(window);
    }

    // Which target renders into which window: the pump hands a window's events
    // to the target attached to it, as a window procedure would.
    struct WindowEntry {
        ::Window window;
        CWindowVNX* target;
    };

    std::vector<WindowEntry>& Windows()
    {
        static std::vector<WindowEntry> windows;
        return windows;
    }

    void Dispatch(const XEvent& event)
    {
        for (const WindowEntry& entry : Windows())
            if (entry.window == event.xany.window) {
                entry.target->HandleMessage(event);
                return;
            }
    }

} // namespace

bool X11OpenWindowSystem(std::string& reason)
{
    if (x11::Connection())
        return true;
    const char* name = XDisplayName(nullptr);
    if (*name)
        reason = std::string("could not open the X display \"") + name + "\"";
    else
        reason = "could not open the X display (DISPLAY is not set)";
    return false;
}

NativeWindow X11CreateTopLevel(Device* device, Config* config, int width, int height)
{
    Display* x = State().display;
    if (!x || !device || !config)
        return kNoWindow;
    ClearFailure();
    if (width > kMaxWindowSide || height > kMaxWindowSide) {
        RecordFailure("XCreateWindow: X11 windows are at most %d x %d", kMaxWindowSide, kMaxWindowSide);
        return kNoWindow;
    }
    const x11::ConnectionState& s = State();
    const int screen = DefaultScreen(x);
    const ::Window root = RootWindow(x, screen);

    XVisualInfo wanted {};
    wanted.visualid = egl::ConfigVisual(device, config);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(x, VisualIDMask, &wanted, &count);
    Visual* visual = info ? info->visual : DefaultVisual(x, screen);
    const int depth = info ? info->depth : DefaultDepth(x, screen);
    if (info)
        XFree(info);

    ErrorTrap trap(x);
    XSetWindowAttributes attributes {};
    attributes.colormap = visual == DefaultVisual(x, screen) ? DefaultColormap(x, screen)
                                                             : XCreateColormap(x, root, visual, AllocNone);
    attributes.border_pixel = 0;
    attributes.event_mask = kPumpMask;
    // X has no empty windows: a requested size of 0 becomes 1.
    const unsigned w = width > 0 ? static_cast<unsigned>(width) : 1u;
    const unsigned h = height > 0 ? static_cast<unsigned>(height) : 1u;
    const ::Window window = XCreateWindow(x, root, 0, 0, w, h, 0, depth, InputOutput, visual,
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

    if (!trap.Sync("XCreateWindow")) {
        // Undoing it must not replace the cause just recorded.
        const std::string cause = TakeFailure();
        XDestroyWindow(x, window);
        if (attributes.colormap != DefaultColormap(x, screen))
            XFreeColormap(x, attributes.colormap);
        XSync(x, False);
        RecordFailure("%s", cause.c_str());
        return kNoWindow;
    }
    return static_cast<NativeWindow>(window);
}

bool X11WindowExists(NativeWindow window)
{
    if (!State().display || window == kNoWindow)
        return false;
    ClearFailure();
    unsigned long visual = 0;
    return x11::WindowVisual(Id(window), &visual);
}

void X11DestroyTopLevel(NativeWindow window)
{
    Display* x = State().display;
    if (!x || window == kNoWindow)
        return;
    ErrorTrap trap(x);
    XWindowAttributes attributes;
    const Colormap colormap = XGetWindowAttributes(x, Id(window), &attributes) ? attributes.colormap : 0;
    XDestroyWindow(x, Id(window));
    if (colormap && colormap != DefaultColormap(x, DefaultScreen(x)))
        XFreeColormap(x, colormap);
    // The window's last events (its DestroyNotify among them) would otherwise
    // wait in the queue for the life of the connection.
    XSync(x, False);
    XEvent event;
    while (XCheckWindowEvent(x, Id(window), kPumpMask, &event)
        || XCheckTypedWindowEvent(x, Id(window), ClientMessage, &event))
        ;
}

void X11Show(NativeWindow window, bool madeByLibrary)
{
    Display* x = State().display;
    if (!x || window == kNoWindow)
        return;
    ClearFailure();
    ErrorTrap trap(x);
    XMapWindow(x, Id(window));
    // A window passed in has none of the library's events selected, so its
    // MapNotify never reaches this connection: wait for the server instead.
    if (!madeByLibrary) {
        trap.Sync("XMapWindow");
        return;
    }
    XFlush(x);
    const auto deadline = std::chrono::steady_clock::now() + kMapWait;
    XEvent event;
    while (!XCheckTypedWindowEvent(x, Id(window), MapNotify, &event)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        pollfd fd { ConnectionNumber(x), POLLIN, 0 };
        poll(&fd, 1, static_cast<int>(left.count()));
    }
}

void X11ClientSize(NativeWindow window, int* width, int* height)
{
    *width = 0;
    *height = 0;
    Display* x = State().display;
    if (!x || window == kNoWindow)
        return;
    ClearFailure();
    ErrorTrap trap(x);
    XWindowAttributes attributes;
    const Status got = XGetWindowAttributes(x, Id(window), &attributes);
    if (trap.Sync("XGetWindowAttributes") && got) {
        *width = attributes.width;
        *height = attributes.height;
    }
}

void X11AttachWindow(NativeWindow window, CWindowVNX* target)
{
    Windows().push_back({ Id(window), target });
}

void X11DetachWindow(CWindowVNX* target)
{
    std::vector<WindowEntry>& windows = Windows();
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i].target == target) {
            windows.erase(windows.begin() + static_cast<long>(i));
            return;
        }
}

void X11PumpEvents(NativeWindow window)
{
    Display* x = State().display;
    if (!x || window == kNoWindow)
        return;
    // Errors of earlier requests (a present into a window its owner destroyed)
    // are read here; trapped, they do not end the process.
    ErrorTrap trap(x);
    XEvent event;
    while (XCheckWindowEvent(x, Id(window), kPumpMask, &event)
        || XCheckTypedWindowEvent(x, Id(window), ClientMessage, &event))
        Dispatch(event);
}

// X11 programs read keys from windows of their own (the library's windows
// select no key events).
unsigned long X11WaitForKey(int)
{
    return 0;
}

const WindowSystemCalls& X11Calls()
{
    static const WindowSystemCalls calls
        = { "X11", X11OpenWindowSystem, X11CreateTopLevel, X11WindowExists, X11Show, X11ClientSize,
              X11AttachWindow, X11DetachWindow, X11PumpEvents, X11DestroyTopLevel, X11WaitForKey };
    return calls;
}

} // namespace varnox::platform

void CWindowVNX::HandleMessage(const _XEvent& event)
{
    const varnox::x11::ConnectionState& s = varnox::x11::State();
    switch (event.type) {
    case ClientMessage:
        // A close request: WM_PROTOCOLS carrying WM_DELETE_WINDOW.
        if (s.protocols && event.xclient.message_type == s.protocols && event.xclient.format == 32
            && static_cast<Atom>(event.xclient.data.l[0]) == s.deleteWindow)
            std::exit(0);
        break;
    case DestroyNotify:
        std::exit(0);
    case Expose:
        // Nothing to validate: the next present repaints the whole window.
    case ConfigureNotify:
        // The size measured at creation stays the target's size.
    default:
        break;
    }
}
