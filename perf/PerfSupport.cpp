#include "PerfSupport.h"
#include "WindowSystem.h"

#include <cstdio>
#include <fstream>

#include <cstdlib>

#include <cstring>

#include <poll.h>
#include <sched.h>

#include <EGL/egl.h>
#include <X11/Xlib.h>
#if defined(VNX_PERF_WAYLAND)
#include <wayland-client.h>
#endif

namespace vnxperf {

void ReleaseCurrent()
{
    const EGLDisplay display = eglGetCurrentDisplay();
    if (display != EGL_NO_DISPLAY)
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::unique_ptr<COffScreen> HeadlessTarget(int width, int height)
{
    ReleaseCurrent();
    std::unique_ptr<COffScreen> target;
    {
        Quiet quiet;
        target.reset(COffScreen::NewL(width, height));
    }
    if (!target->hglrc || eglGetCurrentContext() != target->hglrc)
        return nullptr;
    return target;
}

float FrameTime(int n)
{
    return static_cast<float>(static_cast<double>(static_cast<float>(n)) * static_cast<double>(0.005f));
}

void PlainSceneStart(int width, int height)
{
    const double hw = width / 2.0;
    const double hh = height / 2.0;
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-hw, hw, -hh, hh, -1000.0, 1000.0);
    glTranslatef(static_cast<float>(-hw), static_cast<float>(hh), 0.0f);
    glRotatef(0.0f, 0.0f, 0.0f, 1.0f);
    glScalef(1.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

const char* ShaderPath()
{
    return VNX_PERF_SHADER;
}

const char* TintShaderPath()
{
    return VNX_PERF_TINT_SHADER;
}

std::string CpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("model name", 0) == 0) {
            const size_t colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    return "unknown";
}

std::unique_ptr<PerfWindow> PerfWindow::Open(int width, int height, std::string* why)
{
    const bool wayland = vnxcmd::LibraryOnWayland();
    const char* name = std::getenv("DISPLAY");
    if (!wayland && (!name || !*name)) {
        *why = "no X display (DISPLAY is unset)";
        return nullptr;
    }
    ReleaseCurrent();
    std::unique_ptr<PerfWindow> w(new PerfWindow());
    {
        Quiet quiet;
        w->window.reset(CWindowVNX::NewL(0, 0, width, height, 0));
    }
    if (!w->window->hglrc) {
        *why = "no window target";
        return nullptr;
    }
    w->window->SetRefreshInterval(0);
    if (wayland) {
#if defined(VNX_PERF_WAYLAND)
        w->wayland = wl_display_connect(nullptr);
#endif
        if (!w->wayland) {
            *why = "cannot open a second Wayland connection";
            return nullptr;
        }
        return w;
    }
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
        *why = "cannot open a second X connection";
        return nullptr;
    }
    XSelectInput(x, w->window->hwnd, StructureNotifyMask | ExposureMask);
    w->x = x;
    return w;
}

PerfWindow::~PerfWindow()
{
    window.reset();
    if (x)
        XCloseDisplay(static_cast<Display*>(x));
#if defined(VNX_PERF_WAYLAND)
    if (wayland)
        wl_display_disconnect(static_cast<wl_display*>(wayland));
#endif
}

void PerfWindow::PlainPresent() const
{
    eglSwapInterval(window->display, 0);
    eglSwapBuffers(window->display, window->hdc);
    sched_yield();
#if defined(VNX_PERF_WAYLAND)
    if (wayland) {
        wl_display* d = static_cast<wl_display*>(wayland);
        while (wl_display_prepare_read(d) != 0)
            wl_display_dispatch_pending(d);
        wl_display_flush(d);
        pollfd fd { wl_display_get_fd(d), POLLIN, 0 };
        if (poll(&fd, 1, 0) > 0)
            wl_display_read_events(d);
        else
            wl_display_cancel_read(d);
        wl_display_dispatch_pending(d);
        return;
    }
#endif
    Display* display = static_cast<Display*>(x);
    XEvent event;
    while (XCheckWindowEvent(display, window->hwnd, StructureNotifyMask | ExposureMask, &event)
        || XCheckTypedWindowEvent(display, window->hwnd, ClientMessage, &event))
        ;
}

} // namespace vnxperf
