#include "support/XClient.h"

#include <cstdio>
#include <cstdlib>

#include <X11/Xatom.h>
#include <X11/extensions/Xcomposite.h>

namespace vxtest {
namespace {

    int ignoredErrors = 0;

    int IgnoreError(Display*, XErrorEvent*)
    {
        ++ignoredErrors;
        return 0;
    }

} // namespace

XClient::XClient()
    : x(XOpenDisplay(nullptr))
{
    if (!x) {
        std::fprintf(stderr, "the window tests need an X server: run scripts/test, which starts Xvfb\n");
        std::abort();
    }
}

XClient::~XClient()
{
    XCloseDisplay(x);
}

Atom XClient::atom(const char* name) const
{
    return XInternAtom(x, name, False);
}

bool XClient::Exists(Window window) const
{
    XSync(x, False);
    XErrorHandler previous = XSetErrorHandler(IgnoreError);
    const int before = ignoredErrors;
    XWindowAttributes attributes;
    const Status status = XGetWindowAttributes(x, window, &attributes);
    XSync(x, False);
    XSetErrorHandler(previous);
    return status != 0 && ignoredErrors == before;
}

XWindowAttributes XClient::Attributes(Window window) const
{
    XWindowAttributes attributes {};
    XGetWindowAttributes(x, window, &attributes);
    return attributes;
}

std::string XClient::Property(Window window, const char* name, const char* type) const
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(
            x, window, atom(name), 0, 1024, False, atom(type), &actualType, &format, &count, &after, &data)
            == Success
        && data && format == 8)
        value.assign(reinterpret_cast<char*>(data), count);
    if (data)
        XFree(data);
    return value;
}

void XClient::KeepContents(Window window) const
{
    XCompositeRedirectWindow(x, window, CompositeRedirectAutomatic);
    XSync(x, False);
}

unsigned long XClient::Pixel(Window window, int px, int py) const
{
    XImage* image = XGetImage(x, window, px, py, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return pixel;
}

void XClient::SendProtocol(Window window, const char* protocol) const
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(atom(protocol));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &event);
    XSync(x, False);
}

} // namespace vxtest
