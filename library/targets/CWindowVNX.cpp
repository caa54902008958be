#include <varnox/CWindowVNX.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <sched.h>

#include <varnox/kxExtensions.h>

#include "core/Print.h"
#include "targets/EglPlatform.h"
#include "targets/X11Platform.h"

namespace platform = varnox::platform;
namespace x11 = varnox::x11;

namespace {

// Which target renders into which window: the pump hands a window's events to
// the target registered for it, as a window procedure would.
struct WindowEntry {
    unsigned long window;
    CWindowVNX* target;
};

std::vector<WindowEntry>& Windows()
{
    static std::vector<WindowEntry> windows;
    return windows;
}

void Dispatch(const _XEvent& event)
{
    const unsigned long window = x11::EventWindow(event);
    for (const WindowEntry& entry : Windows())
        if (entry.window == window) {
            entry.target->HandleMessage(event);
            return;
        }
}

const char* GLText(GLenum name)
{
    const char* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

// Prints each item of a space-separated list on a line of its own. The list
// belongs to GL or EGL, so it is split on a copy.
void PrintItems(const char* list)
{
    const size_t length = std::strlen(list);
    std::unique_ptr<char[]> copy(new char[length + 1]);
    std::memcpy(copy.get(), list, length + 1);
    char* rest = nullptr;
    for (char* item = strtok_r(copy.get(), " ", &rest); item; item = strtok_r(nullptr, " ", &rest))
        varnox::Print("%s\n", item);
}

// The driver report printed when a window target starts GL.
void PrintGLInfo()
{
    varnox::Print("Vendor: %s\n", GLText(GL_VENDOR));
    varnox::Print("Renderer: %s\n", GLText(GL_RENDERER));
    varnox::Print("Version: %s\n", GLText(GL_VERSION));
    varnox::Print("Shader version: %s\n", GLText(GL_SHADING_LANGUAGE_VERSION));
    PrintItems(kxGetWGLExtentions());
    PrintItems(GLText(GL_EXTENSIONS));
    GLint maxVertices = 0;
    GLint maxIndices = 0;
    glGetIntegerv(GL_MAX_ELEMENTS_VERTICES, &maxVertices);
    glGetIntegerv(GL_MAX_ELEMENTS_INDICES, &maxIndices);
    varnox::Print("Max vertices: %d\n", maxVertices);
    varnox::Print("Max indices: %d\n", maxIndices);
}

} // namespace

CWindowVNX* CWindowVNX::NewL(int x, int y, int width, int height, unsigned long hwnd)
{
    return new CWindowVNX(x, y, width, height, hwnd);
}

CWindowVNX::CWindowVNX(int, int, int w, int h, unsigned long window)
    : hwnd(window)
{
    connection = x11::Connection();
    if (!connection) {
        const char* name = x11::DisplayName();
        if (*name)
            varnox::Print("CWindowVNX: could not open the X display \"%s\"\n", name);
        else
            varnox::Print("CWindowVNX: could not open the X display (DISPLAY is not set)\n");
        return;
    }
    display = platform::X11Display(connection);

    if (!hwnd) {
        // An opaque window: the screen's default visual when a config has it,
        // so that no compositor blends the window with what lies behind.
        config = platform::ChooseWindowConfig(display, x11::DefaultVisualId(connection));
        if (!config)
            config = platform::ChooseWindowConfig(display, 0);
        if (config)
            hwnd = x11::CreateTopLevel(connection, platform::ConfigVisual(display, config), w, h);
        ownsWindow = hwnd != 0;
    } else {
        unsigned long visual = 0;
        if (!x11::WindowVisual(connection, hwnd, &visual)) {
            varnox::Print("CWindowVNX: window 0x%lx does not exist\n", hwnd);
            return;
        }
        config = platform::ChooseWindowConfig(display, visual);
    }

    {
        x11::ErrorTrap trap(connection);
        hdc = platform::CreateWindowSurface(display, config, hwnd);
        if (!trap.Sync() && hdc) {
            platform::DestroySurface(display, hdc);
            hdc = nullptr;
        }
    }
    // A second window target shares objects with the context current now
    // when that lives on the same display, as an off-screen target does.
    const platform::CurrentBinding current = platform::GetCurrent();
    if (hdc)
        hglrc = platform::CreateContext(
            display, config, current.display == display ? current.context : nullptr);
    if (hglrc)
        platform::MakeCurrent(display, hdc, hdc, hglrc);
    if (!hglrc || platform::GetCurrent().context != hglrc) {
        varnox::Print("CWindowVNX: no OpenGL context for window 0x%lx\n", hwnd);
        return;
    }

    x11::Show(connection, hwnd, ownsWindow);
    x11::ClientSize(connection, hwnd, &width, &height);
    Windows().push_back({ hwnd, this });
    kxInitWGLExtentions();
    ContextInit();
    PrintGLInfo();
    kxInitGLExtentions();
}

CWindowVNX::~CWindowVNX()
{
    std::vector<WindowEntry>& windows = Windows();
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i].target == this) {
            windows.erase(windows.begin() + static_cast<long>(i));
            break;
        }

    x11::ErrorTrap trap(connection);
    // A target that never had a context leaves whatever is current alone.
    if (hglrc) {
        const platform::CurrentBinding current = platform::GetCurrent();
        if (!platform::ReleaseCurrent(current.display ? current.display : display))
            varnox::Print("wglMakeCurrent failed.\n");
        if (!platform::DestroyContext(display, hglrc))
            varnox::Print("wglDeleteContext failed.\n");
    }
    platform::DestroySurface(display, hdc);
    // Nobody would pump a window left behind, so it could not even be closed.
    if (ownsWindow)
        x11::DestroyTopLevel(connection, hwnd);
}

void CWindowVNX::SetRefreshInterval(int interval)
{
    refreshInterval = interval;
}

void CWindowVNX::Refresh(int)
{
    if (!connection)
        return;
    x11::ErrorTrap trap(connection);
    if (hdc && hglrc) {
        // EGL presents and sets the swap interval only for the surface of the
        // current context: bind this window's for the swap when another
        // target is current, and give that one back afterwards.
        const platform::CurrentBinding entry = platform::GetCurrent();
        const bool other = entry.context != hglrc;
        if (other)
            platform::MakeCurrent(display, hdc, hdc, hglrc);
        if (kxgl::eglSwapInterval)
            kxgl::eglSwapInterval(display, refreshInterval);
        platform::SwapBuffers(display, hdc);
        if (other) {
            if (entry.context)
                platform::MakeCurrent(entry.display, entry.draw, entry.read, entry.context);
            else
                platform::ReleaseCurrent(display);
        }
    }
    sched_yield();
    if (hwnd)
        x11::PumpEvents(connection, hwnd, Dispatch);
}

void CWindowVNX::SetSize(int w, int h)
{
    SetPos(posX, posY, w, h);
}

void CWindowVNX::SetPos(int, int, int, int)
{
}

void CWindowVNX::HandleMessage(const _XEvent& event)
{
    switch (x11::Classify(event)) {
    case x11::WindowEvent::CloseRequest:
    case x11::WindowEvent::Destroyed:
        std::exit(0);
    case x11::WindowEvent::Exposed:
        // Nothing to validate: the next present repaints the whole window.
    case x11::WindowEvent::Configured:
        // The size measured at creation stays the target's size.
    case x11::WindowEvent::Other:
        break;
    }
}
