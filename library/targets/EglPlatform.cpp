#include "targets/EglPlatform.h"

#include <cstring>
#include <vector>

#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace varnox::platform {
namespace {

    // Share groups of the contexts this library made: a context shares objects
    // with every context of its group. Used to find a surviving partner when a
    // target rebuilds its context after the one it shared with is gone.
    struct ContextRecord {
        EGLContext context;
        EGLDisplay display;
        unsigned group;
    };

    std::vector<ContextRecord>& Registry()
    {
        static std::vector<ContextRecord> records;
        return records;
    }

    const ContextRecord* Find(EGLContext context)
    {
        for (const ContextRecord& r : Registry())
            if (r.context == context)
                return &r;
        return nullptr;
    }

    bool HasExtension(const char* list, const char* name)
    {
        if (!list)
            return false;
        const size_t n = std::strlen(name);
        for (const char* p = std::strstr(list, name); p; p = std::strstr(p + n, name))
            if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0'))
                return true;
        return false;
    }

    EGLDisplay PlatformDisplay(EGLenum platform, void* native)
    {
        auto get = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!get)
            return EGL_NO_DISPLAY;
        return get(platform, native, nullptr);
    }

    EGLDisplay OpenHeadlessDisplay()
    {
        const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (HasExtension(client, "EGL_MESA_platform_surfaceless")) {
            EGLDisplay d = PlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY);
            if (d != EGL_NO_DISPLAY && InitializeDisplay(d))
                return d;
        }
        if (HasExtension(client, "EGL_EXT_platform_device")) {
            auto query = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
            EGLDeviceEXT device = nullptr;
            EGLint count = 0;
            if (query && query(1, &device, &count) && count > 0) {
                EGLDisplay d = PlatformDisplay(EGL_PLATFORM_DEVICE_EXT, device);
                if (d != EGL_NO_DISPLAY && InitializeDisplay(d))
                    return d;
            }
        }
        return EGL_NO_DISPLAY;
    }

} // namespace

CurrentBinding GetCurrent()
{
    CurrentBinding b;
    b.context = eglGetCurrentContext();
    if (b.context == EGL_NO_CONTEXT) {
        b.context = nullptr;
        return b;
    }
    b.display = eglGetCurrentDisplay();
    b.draw = eglGetCurrentSurface(EGL_DRAW);
    b.read = eglGetCurrentSurface(EGL_READ);
    return b;
}

bool InitializeDisplay(void* display)
{
    if (!display || !eglInitialize(display, nullptr, nullptr))
        return false;
    return eglBindAPI(EGL_OPENGL_API) == EGL_TRUE;
}

void* HeadlessDisplay()
{
    // One headless display serves the whole process, so that all targets
    // made on it can share objects. It stays open until the process ends.
    static EGLDisplay display = OpenHeadlessDisplay();
    return display;
}

void* X11Display(void* xdisplay)
{
    // One X connection serves the process, and so does its EGL display: all
    // window targets and the off-screen targets made while one of their
    // contexts is current live on it and can share objects.
    static void* connection = nullptr;
    static EGLDisplay display = EGL_NO_DISPLAY;
    if (display != EGL_NO_DISPLAY)
        return connection == xdisplay ? display : nullptr;
    if (!xdisplay)
        return nullptr;
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(client, "EGL_EXT_platform_x11") && !HasExtension(client, "EGL_KHR_platform_x11"))
        return nullptr;
    EGLDisplay d = PlatformDisplay(EGL_PLATFORM_X11_EXT, xdisplay);
    if (d == EGL_NO_DISPLAY || !InitializeDisplay(d))
        return nullptr;
    connection = xdisplay;
    display = d;
    return display;
}

void* ChooseWindowConfig(void* display, unsigned long visualId)
{
    if (!display)
        return nullptr;
    const EGLint attribs[] = { EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
        EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8, EGL_RENDERABLE_TYPE,
        EGL_OPENGL_BIT, EGL_NONE };
    EGLint count = 0;
    if (!eglChooseConfig(display, attribs, nullptr, 0, &count) || count <= 0)
        return nullptr;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglChooseConfig(display, attribs, configs.data(), count, &count))
        return nullptr;
    for (EGLint i = 0; i < count; ++i)
        if (visualId == 0 || ConfigVisual(display, configs[i]) == visualId)
            return configs[i];
    return nullptr;
}

unsigned long ConfigVisual(void* display, void* config)
{
    EGLint visual = 0;
    if (!display || !config || !eglGetConfigAttrib(display, config, EGL_NATIVE_VISUAL_ID, &visual))
        return 0;
    return static_cast<unsigned long>(visual);
}

void* CreateWindowSurface(void* display, void* config, unsigned long window)
{
    if (!display || !config || !window)
        return nullptr;
    auto create = reinterpret_cast<PFNEGLCREATEPLATFORMWINDOWSURFACEEXTPROC>(
        eglGetProcAddress("eglCreatePlatformWindowSurfaceEXT"));
    if (!create)
        return nullptr;
    // On the X11 platform the native window is passed by address.
    unsigned long native = window;
    EGLSurface surface = create(display, config, &native, nullptr);
    return surface == EGL_NO_SURFACE ? nullptr : surface;
}

bool SwapBuffers(void* display, void* surface)
{
    if (!display || !surface)
        return false;
    return eglSwapBuffers(display, surface) == EGL_TRUE;
}

void* ChoosePbufferConfig(void* display)
{
    if (!display)
        return nullptr;
    EGLint attribs[] = { EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_BIND_TO_TEXTURE_RGBA, EGL_TRUE,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
        EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8, EGL_NONE };
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, attribs, &config, 1, &count) && count > 0)
        return config;
    // Some drivers offer no pbuffer config that can be bound as a texture;
    // the target still renders, it just cannot be used as one.
    attribs[2] = EGL_BIND_TO_TEXTURE_RGBA;
    attribs[3] = EGL_DONT_CARE;
    if (eglChooseConfig(display, attribs, &config, 1, &count) && count > 0)
        return config;
    return nullptr;
}

void* CreatePbuffer(void* display, void* config, int width, int height)
{
    if (!display || !config)
        return nullptr;
    EGLint bindable = EGL_FALSE;
    eglGetConfigAttrib(display, config, EGL_BIND_TO_TEXTURE_RGBA, &bindable);
    const EGLint texture = bindable ? EGL_TEXTURE_RGBA : EGL_NO_TEXTURE;
    const EGLint target = bindable ? EGL_TEXTURE_2D : EGL_NO_TEXTURE;
    const EGLint attribs[] = { EGL_WIDTH, width, EGL_HEIGHT, height, EGL_TEXTURE_FORMAT, texture,
        EGL_TEXTURE_TARGET, target, EGL_MIPMAP_TEXTURE, EGL_FALSE, EGL_LARGEST_PBUFFER, EGL_FALSE, EGL_NONE };
    EGLSurface surface = eglCreatePbufferSurface(display, config, attribs);
    return surface == EGL_NO_SURFACE ? nullptr : surface;
}

void* CreateContext(void* display, void* config, void* share)
{
    if (!display || !config)
        return nullptr;
    // The bound API is per thread: bind it here, where the context is made.
    eglBindAPI(EGL_OPENGL_API);
    EGLContext context = eglCreateContext(display, config, share ? share : EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT)
        return nullptr;
    static unsigned nextGroup = 1;
    const ContextRecord* partner = share ? Find(share) : nullptr;
    Registry().push_back({ context, display, partner ? partner->group : nextGroup++ });
    return context;
}

bool DestroyContext(void* display, void* context)
{
    if (!display || !context)
        return false;
    // EGL keeps a current context alive until it is unbound; unbind it so it
    // is really gone and no released handle stays bound.
    if (eglGetCurrentContext() == context)
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    const bool destroyed = eglDestroyContext(display, context) == EGL_TRUE;
    std::vector<ContextRecord>& records = Registry();
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].context == context) {
            records.erase(records.begin() + static_cast<long>(i));
            break;
        }
    return destroyed;
}

void DestroySurface(void* display, void* surface)
{
    if (!display || !surface)
        return;
    eglDestroySurface(display, surface);
}

void QuerySurfaceSize(void* display, void* surface, int* width, int* height)
{
    EGLint w = 0, h = 0;
    if (display && surface) {
        eglQuerySurface(display, surface, EGL_WIDTH, &w);
        eglQuerySurface(display, surface, EGL_HEIGHT, &h);
    }
    *width = w;
    *height = h;
}

bool MakeCurrent(void* display, void* draw, void* read, void* context)
{
    if (!display)
        return false;
    return eglMakeCurrent(display, draw ? draw : EGL_NO_SURFACE, read ? read : EGL_NO_SURFACE,
               context ? context : EGL_NO_CONTEXT)
        == EGL_TRUE;
}

bool ReleaseCurrent(void* display)
{
    if (!display)
        return false;
    return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
}

const char* DisplayExtensions(void* display)
{
    if (!display)
        return nullptr;
    return eglQueryString(display, EGL_EXTENSIONS);
}

void* GetProcAddress(const char* name)
{
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

void* ShareCandidate(void* context, void* preferred)
{
    if (preferred && Find(preferred))
        return preferred;
    const ContextRecord* own = context ? Find(context) : nullptr;
    if (!own)
        return nullptr;
    for (const ContextRecord& r : Registry())
        if (r.context != context && r.group == own->group && r.display == own->display)
            return r.context;
    return nullptr;
}

} // namespace varnox::platform
