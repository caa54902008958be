#include <varnox/CWindowVNX.h>

#include <cstring>
#include <memory>
#include <string>

#include <varnox/kxExtensions.h>

#include "core/Print.h"
#include "targets/FailureCause.h"
#include "targets/Platform.h"

namespace platform = varnox::platform;
using platform::PrintFailure;

namespace {

const char* GLText(GLenum name)
{
    const char* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

// Prints each item of a space-separated list on a line of its own. The list
// belongs to GL or to the context API, so it is split on a copy.
void PrintItems(const char* list)
{
    const size_t length = std::strlen(list);
    std::unique_ptr<char[]> copy(new char[length + 1]);
    std::memcpy(copy.get(), list, length + 1);
    char* rest = nullptr;
    for (char* item = strtok_r(copy.get(), " ", &rest); item; item = strtok_r(nullptr, " ", &rest))
        varnox::Print(varnox::Kind::Report, "%s\n", item);
}

// The driver report printed when a window target starts GL.
void PrintGLInfo()
{
    varnox::Print(varnox::Kind::Report, "Vendor: %s\n", GLText(GL_VENDOR));
    varnox::Print(varnox::Kind::Report, "Renderer: %s\n", GLText(GL_RENDERER));
    varnox::Print(varnox::Kind::Report, "Version: %s\n", GLText(GL_VERSION));
    varnox::Print(varnox::Kind::Report, "Shader version: %s\n", GLText(GL_SHADING_LANGUAGE_VERSION));
    PrintItems(kxGetWGLExtentions());
    PrintItems(GLText(GL_EXTENSIONS));
    GLint maxVertices = 0;
    GLint maxIndices = 0;
    glGetIntegerv(GL_MAX_ELEMENTS_VERTICES, &maxVertices);
    glGetIntegerv(GL_MAX_ELEMENTS_INDICES, &maxIndices);
    varnox::Print(varnox::Kind::Report, "Max vertices: %d\n", maxVertices);
    varnox::Print(varnox::Kind::Report, "Max indices: %d\n", maxIndices);
}

} // namespace

CWindowVNX* CWindowVNX::NewL(int x, int y, int width, int height, unsigned long hwnd)
{
    return new CWindowVNX(x, y, width, height, hwnd);
}

CWindowVNX::CWindowVNX(int, int, int w, int h, unsigned long window)
    : hwnd(window)
{
    std::string unreachable;
    if (!platform::OpenWindowSystem(unreachable)) {
        varnox::Print(varnox::Kind::Failure, "CWindowVNX: %s\n", unreachable.c_str());
        return;
    }
    windowSystem = true;
    platform::Device* device = platform::WindowDevice();
    display = device;

    platform::Config* chosen = nullptr;
    if (!hwnd) {
        chosen = platform::ChooseWindowConfig(device, platform::kNoWindow);
        if (chosen) {
            const platform::NativeWindow made = platform::CreateTopLevel(device, chosen, w, h);
            if (made == platform::kNoWindow) {
                PrintFailure("CWindowVNX: could not create a %d x %d window\n", w, h);
                return;
            }
            hwnd = static_cast<unsigned long>(made);
            ownsWindow = true;
        }
    } else {
        if (!platform::WindowExists(platform::AsWindow(hwnd))) {
            PrintFailure("CWindowVNX: window 0x%lx does not exist\n", hwnd);
            return;
        }
        chosen = platform::ChooseWindowConfig(device, platform::AsWindow(hwnd));
    }
    config = chosen;

    platform::Surface* surface = platform::CreateWindowSurface(device, chosen, platform::AsWindow(hwnd));
    hdc = surface;
    // A second window target shares objects with the context current now
    // when that lives on the same device, as an off-screen target does.
    const platform::Binding current = platform::Current();
    platform::Context* context = nullptr;
    if (surface)
        context = platform::CreateContext(
            device, chosen, surface, current.device == device ? current.context : nullptr);
    hglrc = context;
    if (context)
        platform::MakeCurrent({ device, surface, surface, context });
    if (!context || platform::Current().context != context) {
        PrintFailure("CWindowVNX: no OpenGL context for window 0x%lx\n", hwnd);
        return;
    }

    platform::Show(platform::AsWindow(hwnd), ownsWindow);
    platform::ClientSize(platform::AsWindow(hwnd), &width, &height);
    platform::AttachWindow(platform::AsWindow(hwnd), this);
    kxInitWGLExtentions();
    ContextInit();
    PrintGLInfo();
    kxInitGLExtentions();
}

CWindowVNX::~CWindowVNX()
{
    platform::DetachWindow(this);

    platform::Device* device = platform::AsDevice(display);
    // A target that never had a context leaves whatever is current alone.
    if (hglrc) {
        const platform::Binding current = platform::Current();
        if (!platform::ReleaseCurrent(current.device ? current.device : device))
            PrintFailure("wglMakeCurrent failed.\n");
        if (!platform::DestroyContext(device, platform::AsContext(hglrc)))
            PrintFailure("wglDeleteContext failed.\n");
    }
    platform::DestroySurface(device, platform::AsSurface(hdc));
    // Nobody would pump a window left behind, so it could not even be closed.
    if (ownsWindow)
        platform::DestroyTopLevel(platform::AsWindow(hwnd));
}

unsigned long CWindowVNX::WaitForKey(int milliseconds)
{
    return platform::WaitForKey(milliseconds);
}

void CWindowVNX::SetRefreshInterval(int interval)
{
    refreshInterval = interval;
}

void CWindowVNX::Refresh(int)
{
    if (!windowSystem)
        return;
    if (hdc && hglrc) {
        platform::Device* device = platform::AsDevice(display);
        platform::Surface* surface = platform::AsSurface(hdc);
        platform::Context* context = platform::AsContext(hglrc);
        // The swap interval and the present apply to the surface of the
        // current context: bind this window's for the swap when another
        // target is current, and give that one back afterwards.
        const platform::Binding entry = platform::Current();
        const bool other = entry.context != context;
        if (other)
            platform::MakeCurrent({ device, surface, surface, context });
        platform::SetSwapInterval(device, refreshInterval);
        platform::Present(device, surface);
        if (other) {
            if (entry.context)
                platform::MakeCurrent(entry);
            else
                platform::ReleaseCurrent(device);
        }
    }
    platform::YieldTimeSlice();
    if (hwnd)
        platform::PumpEvents(platform::AsWindow(hwnd));
}

void CWindowVNX::SetSize(int w, int h)
{
    SetPos(posX, posY, w, h);
}

void CWindowVNX::SetPos(int, int, int, int)
{
}

// HandleMessage takes the window system's own event type; the window system
// implementation defines it (library/targets/linux/X11Window.cpp,
// library/targets/win32/Win32Window.cpp).
