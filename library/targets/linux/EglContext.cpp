// The context API of the Linux platform layer: EGL, on the X11 or Wayland
// display for windows and on a headless display for off-screen targets made
// without one.
#include "targets/linux/EglContext.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include <varnox/kxExtensions.h>

#include "core/Print.h"
#include "core/Settings.h"
#include "targets/FailureCause.h"
#include "targets/Framebuffer.h"
#include "targets/ShareGroups.h"
#include "targets/kxExtensionsInternal.h"
#include "targets/linux/HeadlessDevices.h"
#include "targets/linux/WaylandWindow.h"
#include "targets/linux/WindowSystems.h"
#include "targets/linux/X11Window.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

namespace varnox::egl {
namespace {

    // EGL's error codes, EGL_SUCCESS (0x3000) to EGL_CONTEXT_LOST (0x300E).
    const char* const kErrorNames[] = { "EGL_SUCCESS", "EGL_NOT_INITIALIZED", "EGL_BAD_ACCESS",
        "EGL_BAD_ALLOC", "EGL_BAD_ATTRIBUTE", "EGL_BAD_CONFIG", "EGL_BAD_CONTEXT", "EGL_BAD_CURRENT_SURFACE",
        "EGL_BAD_DISPLAY", "EGL_BAD_MATCH", "EGL_BAD_NATIVE_PIXMAP", "EGL_BAD_NATIVE_WINDOW",
        "EGL_BAD_PARAMETER", "EGL_BAD_SURFACE", "EGL_CONTEXT_LOST" };

} // namespace

const char* ErrorName(int code)
{
    const int count = static_cast<int>(sizeof kErrorNames / sizeof kErrorNames[0]);
    return code >= EGL_SUCCESS && code < EGL_SUCCESS + count ? kErrorNames[code - EGL_SUCCESS] : nullptr;
}

std::string DescribeError(int code)
{
    if (const char* name = ErrorName(code))
        return name;
    char text[32];
    std::snprintf(text, sizeof text, "EGL error 0x%04x", static_cast<unsigned>(code));
    return text;
}

unsigned long ConfigVisual(platform::Device* device, platform::Config* config)
{
    EGLint visual = 0;
    if (!device || !config || !eglGetConfigAttrib(device, config, EGL_NATIVE_VISUAL_ID, &visual))
        return 0;
    return static_cast<unsigned long>(visual);
}

} // namespace varnox::egl

namespace varnox::platform {
namespace {

    // The framebuffer every target asks for, window or pixel buffer: RGBA
    // 8/8/8/8, depth 24, stencil 8, rendered with desktop OpenGL. Without the
    // sizes EGL's ordering hands out its smallest or widest config first.
    constexpr EGLint kColourBits = 8;
    constexpr EGLint kDepthBits = 24;
    constexpr EGLint kStencilBits = 8;

    using ConfigRequest = std::array<EGLint, 19>;

    constexpr ConfigRequest Request(EGLint surfaceType, EGLint bindToTextureRGBA)
    {
        return { EGL_SURFACE_TYPE, surfaceType, EGL_BIND_TO_TEXTURE_RGBA, bindToTextureRGBA,
            EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_RED_SIZE, kColourBits, EGL_GREEN_SIZE, kColourBits,
            EGL_BLUE_SIZE, kColourBits, EGL_ALPHA_SIZE, kColourBits, EGL_DEPTH_SIZE, kDepthBits,
            EGL_STENCIL_SIZE, kStencilBits, EGL_NONE };
    }

    constexpr ConfigRequest kWindowRequest = Request(EGL_WINDOW_BIT, EGL_DONT_CARE);
    constexpr ConfigRequest kBindablePbufferRequest = Request(EGL_PBUFFER_BIT, EGL_TRUE);
    // Some drivers offer no pbuffer config that can be bound as a texture; the
    // target still renders, it just cannot be used as one.
    constexpr ConfigRequest kPbufferRequest = Request(EGL_PBUFFER_BIT, EGL_DONT_CARE);

    // EGL calls on window surfaces make X requests that may fail (a window its
    // owner destroyed); trapped, those errors do not end the process.
    class WindowSystemTrap : public x11::ErrorTrap {
    public:
        WindowSystemTrap()
            : ErrorTrap(x11::ConnectionIfOpen())
        {
        }
    };

    void RecordEglFailure(const char* call)
    {
        RecordFailure("%s: %s", call, egl::DescribeError(eglGetError()).c_str());
    }

    Device* DeviceOf(EGLDisplay display)
    {
        return display == EGL_NO_DISPLAY ? nullptr : static_cast<Device*>(display);
    }

    bool HasClientExtension(const char* name)
    {
        return IsExtensionInList(name, eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS)) == 1;
    }

    EGLDisplay PlatformDisplay(EGLenum platform, void* native)
    {
        auto get = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!get) {
            RecordFailure("eglGetPlatformDisplayEXT: not offered");
            return EGL_NO_DISPLAY;
        }
        EGLDisplay display = get(platform, native, nullptr);
        if (display == EGL_NO_DISPLAY)
            RecordEglFailure("eglGetPlatformDisplayEXT");
        return display;
    }

    // Initialises `display` and binds the OpenGL API.
    bool InitializeDisplay(EGLDisplay display)
    {
        if (!eglInitialize(display, nullptr, nullptr)) {
            RecordEglFailure("eglInitialize");
            return false;
        }
        if (!eglBindAPI(EGL_OPENGL_API)) {
            RecordEglFailure("eglBindAPI");
            return false;
        }
        return true;
    }

    struct OpenedDisplay {
        EGLDisplay display = EGL_NO_DISPLAY;
        std::string failure;
    };

    // What EGL says of every display a headless target could open: each
    // device it lists (usable through EGL_EXT_platform_device) and, where
    // it may reach another one, Mesa's surfaceless platform with its driver
    // and the device it runs on.
    struct HeadlessDisplays {
        std::vector<egl::HeadlessCandidate> candidates;
        std::vector<EGLDeviceEXT> devices;
        EGLDisplay surfaceless = EGL_NO_DISPLAY;
    };

    std::string DeviceString(PFNEGLQUERYDEVICESTRINGEXTPROC query, EGLDeviceEXT device, EGLint name)
    {
        const char* text = query(device, name);
        return text ? text : "";
    }

    HeadlessDisplays GatherHeadlessDisplays()
    {
        HeadlessDisplays found;
        auto queryDevices
            = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
        auto queryString
            = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
        EGLint count = 0;
        if (HasClientExtension("EGL_EXT_platform_device") && queryDevices && queryString) {
            if (!queryDevices(0, nullptr, &count))
                RecordEglFailure("eglQueryDevicesEXT");
            else if (count <= 0)
                RecordFailure("eglQueryDevicesEXT: no device");
            found.devices.resize(static_cast<size_t>(count > 0 ? count : 0));
            if (count > 0 && !queryDevices(count, found.devices.data(), &count))
                count = 0;
            found.devices.resize(static_cast<size_t>(count > 0 ? count : 0));
        }
        for (size_t i = 0; i < found.devices.size(); ++i) {
            const std::string extensions = DeviceString(queryString, found.devices[i], EGL_EXTENSIONS);
            egl::HeadlessCandidate candidate;
            candidate.device = static_cast<int>(i);
            candidate.softwareMark = IsExtensionInList("EGL_MESA_device_software", extensions.c_str()) == 1;
            if (IsExtensionInList("EGL_EXT_device_drm", extensions.c_str()))
                candidate.deviceFile = DeviceString(queryString, found.devices[i], EGL_DRM_DEVICE_FILE_EXT);
            if (IsExtensionInList("EGL_EXT_device_drm_render_node", extensions.c_str()))
                candidate.renderNode
                    = DeviceString(queryString, found.devices[i], EGL_DRM_RENDER_NODE_FILE_EXT);
            // A device without a node answers the query with an error.
            eglGetError();
            found.candidates.push_back(candidate);
        }

        // Mesa lists every device its surfaceless platform can run on, its
        // software device (which it marks) included: where it lists that one,
        // the surfaceless platform would only reach a listed device again,
        // and is not opened just to find out which.
        const bool mesaListed = std::any_of(found.candidates.begin(), found.candidates.end(),
            [](const egl::HeadlessCandidate& c) { return c.softwareMark; });
        if (!mesaListed && HasClientExtension("EGL_MESA_platform_surfaceless")) {
            EGLDisplay d = PlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY);
            egl::HeadlessCandidate candidate;
            if (d != EGL_NO_DISPLAY && InitializeDisplay(d)) {
                using DriverName = const char* (*)(EGLDisplay);
                auto driverName = reinterpret_cast<DriverName>(eglGetProcAddress("eglGetDisplayDriverName"));
                if (driverName
                    && IsExtensionInList("EGL_MESA_query_driver", eglQueryString(d, EGL_EXTENSIONS)))
                    if (const char* name = driverName(d))
                        candidate.driver = name;
                auto queryDisplay = reinterpret_cast<PFNEGLQUERYDISPLAYATTRIBEXTPROC>(
                    eglGetProcAddress("eglQueryDisplayAttribEXT"));
                EGLAttrib device = 0;
                if (queryDisplay && queryDisplay(d, EGL_DEVICE_EXT, &device))
                    for (size_t i = 0; i < found.devices.size(); ++i)
                        if (found.devices[i] == reinterpret_cast<EGLDeviceEXT>(device))
                            candidate.runsOn = static_cast<int>(i);
                eglGetError();
            }
            found.surfaceless = d;
            found.candidates.push_back(candidate);
        }
        if (found.candidates.empty() && !HasClientExtension("EGL_EXT_platform_device"))
            RecordFailure("EGL offers neither EGL_MESA_platform_surfaceless nor EGL_EXT_platform_device");
        return found;
    }

    // Runs `read` while a context of `display` is current: the current one
    // when it lives there, else one made for the purpose (bound to no
    // surface where the display allows that, else to a 1 x 1 pixel buffer)
    // and destroyed afterwards, when whatever was current is current again.
    // False when no context of the display could be made current.
    template <class Read> bool WithContextOn(EGLDisplay display, Read read)
    {
        if (eglGetCurrentContext() != EGL_NO_CONTEXT && eglGetCurrentDisplay() == display) {
            read();
            return true;
        }
        const EGLint request[]
            = { EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE };
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(display, request, &config, 1, &count) || count < 1) {
            RecordEglFailure("eglChooseConfig");
            return false;
        }
        eglBindAPI(EGL_OPENGL_API);
        EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT) {
            RecordEglFailure("eglCreateContext");
            return false;
        }
        EGLSurface surface = EGL_NO_SURFACE;
        if (!IsExtensionInList("EGL_KHR_surfaceless_context", eglQueryString(display, EGL_EXTENSIONS))) {
            const EGLint size[] = { EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE };
            surface = eglCreatePbufferSurface(display, config, size);
        }
        const Binding saved = Current();
        const bool made = eglMakeCurrent(display, surface, surface, context) == EGL_TRUE;
        if (made)
            read();
        else
            RecordEglFailure("eglMakeCurrent");
        if (saved.context)
            eglMakeCurrent(saved.device, saved.draw, saved.read, saved.context);
        else
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        return made;
    }

    // The GL_RENDERER of a context on `display`; "" when none can be made.
    std::string ProbeRenderer(EGLDisplay display)
    {
        std::string renderer;
        WithContextOn(display, [&] {
            const char* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
            renderer = text ? text : "";
        });
        return renderer;
    }

    // Each device's OffScreenLimit and FramebufferLimit, once stated.
    struct StatedLimit {
        EGLDisplay display;
        SizeLimit offScreen;
        SizeLimit framebuffer;
    };

    std::vector<StatedLimit>& StatedLimits()
    {
        static std::vector<StatedLimit> stated;
        return stated;
    }

    // The limits of `display`, read from EGL and GL the first time they are
    // asked for. The failure cause stays as it was.
    StatedLimit StateLimits(EGLDisplay display)
    {
        for (const StatedLimit& known : StatedLimits())
            if (known.display == display)
                return known;
        const std::string cause = TakeFailure();
        EGLint pbufferWidth = 0, pbufferHeight = 0;
        if (Config* config = ChoosePbufferConfig(DeviceOf(display))) {
            eglGetConfigAttrib(display, config, EGL_MAX_PBUFFER_WIDTH, &pbufferWidth);
            eglGetConfigAttrib(display, config, EGL_MAX_PBUFFER_HEIGHT, &pbufferHeight);
        }
        GLint viewport[2] = { 0, 0 };
        SizeLimit framebuffer;
        WithContextOn(display, [&] {
            glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
            framebuffer = CurrentFramebufferLimit();
        });
        const SizeLimit offScreen = Tighter({ pbufferWidth, pbufferHeight }, { viewport[0], viewport[1] });
        StatedLimits().push_back({ display, offScreen, framebuffer });
        RecordFailure("%s", cause.c_str());
        return StatedLimits().back();
    }

    // The display of the device VARNOX_EGL_DEVICE names, else a hardware
    // device where there is one, else a software one (HeadlessDevices.h).
    // Which one was taken is said on standard error when there was a choice.
    OpenedDisplay OpenHeadlessDisplay()
    {
        ClearFailure();
        HeadlessDisplays found = GatherHeadlessDisplays();
        std::vector<EGLDisplay> displays(found.candidates.size(), EGL_NO_DISPLAY);
        const auto open = [&](size_t index, bool wantRenderer) {
            egl::OpenedCandidate opened;
            const egl::HeadlessCandidate& candidate = found.candidates[index];
            EGLDisplay d = candidate.device >= 0 ? PlatformDisplay(
                               EGL_PLATFORM_DEVICE_EXT, found.devices[static_cast<size_t>(candidate.device)])
                                                 : found.surfaceless;
            if (d == EGL_NO_DISPLAY || !InitializeDisplay(d))
                return opened;
            if (wantRenderer) {
                opened.renderer = ProbeRenderer(d);
                if (opened.renderer.empty())
                    return opened;
            }
            displays[index] = d;
            opened.opened = true;
            return opened;
        };
        const egl::HeadlessSelection selection = egl::SelectHeadless(
            found.candidates, egl::ParseDeviceChoice(Setting("VARNOX_EGL_DEVICE")), open);
        // The choice is no part of what a program prints: standard error.
        if (!selection.report.empty())
            PrintTo(Stream::Errors, Kind::Report, "%s", selection.report.c_str());

        OpenedDisplay opened;
        if (selection.taken >= 0) {
            opened.display = displays[static_cast<size_t>(selection.taken)];
            StateLimits(opened.display);
        } else {
            opened.failure = TakeFailure();
        }
        return opened;
    }

    // A device without pixel-buffer configs (Mesa's Wayland platform) gives
    // off-screen targets window surfaces of hidden surfaces instead, made
    // with a window config: they render and read back as pixel buffers do,
    // but cannot be bound as textures. The window device is the only such
    // device the library opens.
    EGLDisplay hiddenSurfaceDisplay = EGL_NO_DISPLAY;

    struct HiddenSurface {
        EGLSurface surface;
        void* eglWindow;
    };

    std::vector<HiddenSurface>& HiddenSurfaces()
    {
        static std::vector<HiddenSurface> surfaces;
        return surfaces;
    }

    // The first window config whose native visual is `visualId` (any when 0).
    Config* WindowConfigWithVisual(EGLDisplay display, unsigned long visualId)
    {
        ClearFailure();
        EGLint count = 0;
        if (!eglChooseConfig(display, kWindowRequest.data(), nullptr, 0, &count)) {
            RecordEglFailure("eglChooseConfig");
            return nullptr;
        }
        std::vector<EGLConfig> configs(static_cast<size_t>(count > 0 ? count : 0));
        if (count > 0 && !eglChooseConfig(display, kWindowRequest.data(), configs.data(), count, &count)) {
            RecordEglFailure("eglChooseConfig");
            return nullptr;
        }
        for (EGLint i = 0; i < count; ++i)
            if (visualId == 0
                || egl::ConfigVisual(DeviceOf(display), static_cast<Config*>(configs[i])) == visualId)
                return static_cast<Config*>(configs[i]);
        if (visualId)
            RecordFailure("eglChooseConfig: no window config has the visual 0x%lx", visualId);
        else
            RecordFailure("eglChooseConfig: no window config");
        return nullptr;
    }

} // namespace

Binding Current()
{
    Binding b;
    EGLContext context = eglGetCurrentContext();
    if (context == EGL_NO_CONTEXT)
        return b;
    b.context = static_cast<Context*>(context);
    b.device = DeviceOf(eglGetCurrentDisplay());
    b.draw = static_cast<Surface*>(eglGetCurrentSurface(EGL_DRAW));
    b.read = static_cast<Surface*>(eglGetCurrentSurface(EGL_READ));
    return b;
}

bool MakeCurrent(const Binding& binding)
{
    if (!binding.device)
        return false;
    ClearFailure();
    WindowSystemTrap trap;
    const bool made = eglMakeCurrent(binding.device, binding.draw ? binding.draw : EGL_NO_SURFACE,
                          binding.read ? binding.read : EGL_NO_SURFACE,
                          binding.context ? binding.context : EGL_NO_CONTEXT)
        == EGL_TRUE;
    if (!made)
        RecordEglFailure("eglMakeCurrent");
    return made;
}

bool ReleaseCurrent(Device* device)
{
    if (!device)
        return false;
    ClearFailure();
    WindowSystemTrap trap;
    const bool released = eglMakeCurrent(device, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
    if (!released)
        RecordEglFailure("eglMakeCurrent");
    return released;
}

Device* HeadlessDevice()
{
    // One headless display serves the whole process, so that all targets made
    // on it can share objects. It stays open until the process ends.
    static const OpenedDisplay opened = OpenHeadlessDisplay();
    ClearFailure();
    if (opened.display == EGL_NO_DISPLAY) {
        RecordFailure("%s", opened.failure.c_str());
        return nullptr;
    }
    return DeviceOf(opened.display);
}

Device* WindowDevice()
{
    // One connection to the window system serves the process, and so does
    // its EGL display: all window targets and the off-screen targets made
    // while one of their contexts is current live on it and can share
    // objects.
    static void* openedFor = nullptr;
    static EGLDisplay display = EGL_NO_DISPLAY;
    const bool wayland = ActiveWindowSystem() == WindowSystemKind::Wayland;
    void* connection = wayland ? wayland::ConnectionIfOpen() : x11::ConnectionIfOpen();
    if (display != EGL_NO_DISPLAY)
        return connection == openedFor ? DeviceOf(display) : nullptr;
    if (!connection)
        return nullptr;
    ClearFailure();
    if (wayland && !HasClientExtension("EGL_EXT_platform_wayland")
        && !HasClientExtension("EGL_KHR_platform_wayland")) {
        RecordFailure("EGL offers no Wayland platform (EGL_EXT_platform_wayland)");
        return nullptr;
    }
    if (!wayland && !HasClientExtension("EGL_EXT_platform_x11")
        && !HasClientExtension("EGL_KHR_platform_x11")) {
        RecordFailure("EGL offers no X11 platform (EGL_EXT_platform_x11)");
        return nullptr;
    }
    // EGL_PLATFORM_WAYLAND_KHR and _EXT are the same number.
    EGLDisplay d = PlatformDisplay(wayland ? EGL_PLATFORM_WAYLAND_EXT : EGL_PLATFORM_X11_EXT, connection);
    if (d == EGL_NO_DISPLAY || !InitializeDisplay(d))
        return nullptr;
    openedFor = connection;
    display = d;
    StateLimits(display);
    return DeviceOf(display);
}

Config* ChooseWindowConfig(Device* device, NativeWindow window)
{
    if (!device)
        return nullptr;
    ClearFailure();
    if (ActiveWindowSystem() == WindowSystemKind::Wayland) {
        // Wayland windows have no visuals: any window config renders into
        // them (the window is made opaque, whatever the alpha bits). Only
        // the library's own windows can be rendered into.
        if (window != kNoWindow && !wayland::EglWindow(static_cast<unsigned long>(window))) {
            RecordFailure(
                "wl_surface: 0x%lx is not a window of this process", static_cast<unsigned long>(window));
            return nullptr;
        }
        return WindowConfigWithVisual(device, 0);
    }
    if (window == kNoWindow) {
        // An opaque window: the screen's default visual when a config has it,
        // so that no compositor blends the window with what lies behind.
        if (Config* config = WindowConfigWithVisual(device, x11::DefaultVisualId()))
            return config;
        return WindowConfigWithVisual(device, 0);
    }
    unsigned long visual = 0;
    if (!x11::WindowVisual(static_cast<unsigned long>(window), &visual))
        return nullptr;
    return WindowConfigWithVisual(device, visual);
}

Surface* CreateWindowSurface(Device* device, Config* config, NativeWindow window)
{
    if (!device || !config || window == kNoWindow)
        return nullptr;
    ClearFailure();
    auto create = reinterpret_cast<PFNEGLCREATEPLATFORMWINDOWSURFACEEXTPROC>(
        eglGetProcAddress("eglCreatePlatformWindowSurfaceEXT"));
    if (!create) {
        RecordFailure("eglCreatePlatformWindowSurfaceEXT: not offered");
        return nullptr;
    }
    if (ActiveWindowSystem() == WindowSystemKind::Wayland) {
        // On the Wayland platform the native window is the wl_egl_window.
        void* native = wayland::EglWindow(static_cast<unsigned long>(window));
        EGLSurface surface = native ? create(device, config, native, nullptr) : EGL_NO_SURFACE;
        if (surface == EGL_NO_SURFACE) {
            if (native)
                RecordEglFailure("eglCreatePlatformWindowSurfaceEXT");
            else
                RecordFailure("eglCreatePlatformWindowSurfaceEXT: 0x%lx is not a window of this process",
                    static_cast<unsigned long>(window));
            return nullptr;
        }
        return static_cast<Surface*>(surface);
    }
    x11::ErrorTrap trap(x11::ConnectionIfOpen());
    // On the X11 platform the native window is passed by address.
    unsigned long native = static_cast<unsigned long>(window);
    EGLSurface surface = create(device, config, &native, nullptr);
    if (surface == EGL_NO_SURFACE) {
        RecordEglFailure("eglCreatePlatformWindowSurfaceEXT");
        trap.Sync("eglCreatePlatformWindowSurfaceEXT");
        return nullptr;
    }
    if (!trap.Sync("eglCreatePlatformWindowSurfaceEXT")) {
        eglDestroySurface(device, surface);
        return nullptr;
    }
    return static_cast<Surface*>(surface);
}

void DestroySurface(Device* device, Surface* surface)
{
    if (!device || !surface)
        return;
    WindowSystemTrap trap;
    eglDestroySurface(device, surface);
}

bool Present(Device* device, Surface* surface)
{
    if (!device || !surface)
        return false;
    ClearFailure();
    WindowSystemTrap trap;
    const bool presented = eglSwapBuffers(device, surface) == EGL_TRUE;
    if (!presented)
        RecordEglFailure("eglSwapBuffers");
    return presented;
}

void SetSwapInterval(Device* device, int interval)
{
    // Through the entry-point table, as the design sets it; the table's
    // entry may be replaced by a client.
    if (!device || !kxgl::eglSwapInterval)
        return;
    WindowSystemTrap trap;
    kxgl::eglSwapInterval(device, interval);
}

Config* ChoosePbufferConfig(Device* device)
{
    if (!device)
        return nullptr;
    ClearFailure();
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(device, kBindablePbufferRequest.data(), &config, 1, &count) && count > 0)
        return static_cast<Config*>(config);
    if (!eglChooseConfig(device, kPbufferRequest.data(), &config, 1, &count)) {
        RecordEglFailure("eglChooseConfig");
        return nullptr;
    }
    if (count > 0)
        return static_cast<Config*>(config);
    if (ActiveWindowSystem() == WindowSystemKind::Wayland && device == WindowDevice()) {
        hiddenSurfaceDisplay = device;
        return WindowConfigWithVisual(device, 0);
    }
    RecordFailure("eglChooseConfig: no pixel-buffer config");
    return nullptr;
}

Pbuffer* CreatePbuffer(Device* device, Config* config, int width, int height)
{
    if (!device || !config)
        return nullptr;
    ClearFailure();
    if (device == hiddenSurfaceDisplay) {
        void* native = wayland::CreateHiddenEglWindow(width, height);
        if (!native) {
            RecordFailure("wl_egl_window_create: refused %d x %d", width, height);
            return nullptr;
        }
        auto create = reinterpret_cast<PFNEGLCREATEPLATFORMWINDOWSURFACEEXTPROC>(
            eglGetProcAddress("eglCreatePlatformWindowSurfaceEXT"));
        EGLSurface surface = create ? create(device, config, native, nullptr) : EGL_NO_SURFACE;
        if (surface == EGL_NO_SURFACE) {
            RecordEglFailure("eglCreatePlatformWindowSurfaceEXT");
            wayland::DestroyHiddenEglWindow(native);
            return nullptr;
        }
        HiddenSurfaces().push_back({ surface, native });
        return static_cast<Pbuffer*>(surface);
    }
    EGLint bindable = EGL_FALSE;
    eglGetConfigAttrib(device, config, EGL_BIND_TO_TEXTURE_RGBA, &bindable);
    const EGLint texture = bindable ? EGL_TEXTURE_RGBA : EGL_NO_TEXTURE;
    const EGLint target = bindable ? EGL_TEXTURE_2D : EGL_NO_TEXTURE;
    const EGLint attribs[] = { EGL_WIDTH, width, EGL_HEIGHT, height, EGL_TEXTURE_FORMAT, texture,
        EGL_TEXTURE_TARGET, target, EGL_MIPMAP_TEXTURE, EGL_FALSE, EGL_LARGEST_PBUFFER, EGL_FALSE, EGL_NONE };
    EGLSurface surface = eglCreatePbufferSurface(device, config, attribs);
    if (surface == EGL_NO_SURFACE) {
        RecordEglFailure("eglCreatePbufferSurface");
        return nullptr;
    }
    return static_cast<Pbuffer*>(surface);
}

Surface* PbufferSurface(Device*, Pbuffer* pbuffer)
{
    // An EGL pbuffer is its own drawable.
    return static_cast<Surface*>(static_cast<void*>(pbuffer));
}

void PbufferSize(Device* device, Pbuffer* pbuffer, int* width, int* height)
{
    EGLint w = 0, h = 0;
    if (device && pbuffer) {
        ClearFailure();
        if (!eglQuerySurface(device, pbuffer, EGL_WIDTH, &w)
            || !eglQuerySurface(device, pbuffer, EGL_HEIGHT, &h))
            RecordEglFailure("eglQuerySurface");
    }
    *width = w;
    *height = h;
}

SizeLimit OffScreenLimit(Device* device)
{
    return device ? StateLimits(device).offScreen : SizeLimit {};
}

SizeLimit FramebufferLimit(Device* device)
{
    return device ? StateLimits(device).framebuffer : SizeLimit {};
}

void DestroyPbuffer(Device* device, Pbuffer* pbuffer, Surface*)
{
    // The surface is the pbuffer itself: nothing to release apart from it.
    if (!device || !pbuffer)
        return;
    eglDestroySurface(device, pbuffer);
    std::vector<HiddenSurface>& hidden = HiddenSurfaces();
    for (size_t i = 0; i < hidden.size(); ++i)
        if (hidden[i].surface == pbuffer) {
            wayland::DestroyHiddenEglWindow(hidden[i].eglWindow);
            hidden.erase(hidden.begin() + static_cast<long>(i));
            return;
        }
}

Context* CreateContext(Device* device, Config* config, Surface*, Context* share)
{
    if (!device || !config)
        return nullptr;
    ClearFailure();
    // The bound API is per thread: bind it here, where the context is made.
    eglBindAPI(EGL_OPENGL_API);
    EGLContext context = eglCreateContext(device, config, share ? share : EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        RecordEglFailure("eglCreateContext");
        return nullptr;
    }
    Context* made = static_cast<Context*>(context);
    LibraryContexts().Add(made, device, share);
    return made;
}

bool DestroyContext(Device* device, Context* context)
{
    if (!device || !context)
        return false;
    ClearFailure();
    WindowSystemTrap trap;
    // EGL keeps a current context alive until it is unbound; unbind it so it
    // is really gone and no released handle stays bound.
    if (eglGetCurrentContext() == context)
        eglMakeCurrent(device, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    const bool destroyed = eglDestroyContext(device, context) == EGL_TRUE;
    if (!destroyed)
        RecordEglFailure("eglDestroyContext");
    LibraryContexts().Remove(context);
    return destroyed;
}

const char* ContextApiExtensions()
{
    // Through the entry-point table, as the design reads the extension string;
    // "" until the loader has filled it.
    if (!kxgl::eglQueryString)
        return "";
    Device* device = Current().device;
    if (!device)
        return "";
    const char* extensions = kxgl::eglQueryString(device, EGL_EXTENSIONS);
    return extensions ? extensions : "";
}

void* LookupEntryPoint(const char* name)
{
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

} // namespace varnox::platform
