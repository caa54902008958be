// The context API of the Windows platform layer: WGL, with the pixel-buffer,
// pixel-format, extension-string and swap-control extensions called through
// the entry-point table.
#include "targets/win32/Wgl.h"

#include <cstdint>
#include <cstdio>

#include <varnox/kxExtensions.h>

#include "targets/FailureCause.h"
#include "targets/Framebuffer.h"
#include "targets/ShareGroups.h"

#include <GL/wglext.h>

namespace varnox::wgl {
namespace {

    char deviceToken;

} // namespace

platform::Device* TheDevice()
{
    return reinterpret_cast<platform::Device*>(&deviceToken);
}

std::string DescribeError(DWORD code)
{
    char text[256] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' '))
        text[--length] = '\0';
    char line[320];
    if (length > 0)
        std::snprintf(line, sizeof line, "error %lu (%s)", static_cast<unsigned long>(code), text);
    else
        std::snprintf(line, sizeof line, "error %lu", static_cast<unsigned long>(code));
    return line;
}

void RecordLastError(const char* call)
{
    platform::RecordFailure("%s: %s", call, DescribeError(GetLastError()).c_str());
}

} // namespace varnox::wgl

namespace varnox::platform {
namespace {

    using wgl::RecordLastError;

    // Pixel-buffer configs are WGL pixel-format numbers; the lowest bit tells
    // whether the format can be bound as an RGBA texture, which decides the
    // pixel buffer's attributes.
    Config* PbufferConfig(int format, bool bindable)
    {
        return reinterpret_cast<Config*>(static_cast<uintptr_t>(format) << 1 | (bindable ? 1 : 0));
    }
    int FormatOf(Config* config)
    {
        return static_cast<int>(reinterpret_cast<uintptr_t>(config) >> 1);
    }
    bool Bindable(Config* config)
    {
        return (reinterpret_cast<uintptr_t>(config) & 1) != 0;
    }

    // The pixel-buffer format asked for. WGL_ARB_pbuffer and
    // WGL_ARB_render_texture alone (draw to a pixel buffer, bindable as RGBA)
    // let the driver hand out its first match, which under Wine is RGB without
    // alpha, depth or stencil: no depth test and alpha read back as 255. The
    // sizes of the window's format are asked for as well. The format is
    // double-buffered: under Wine a single-buffered pixel buffer with 8 alpha
    // bits ends the process with an X BadMatch when it is first flushed (its X
    // pixmap is 32 bits deep, the rasteriser's image 24). Its back buffer is
    // the default draw and read buffer, and nothing ever swaps it.
    const int kBindablePbufferFormat[] = { WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_BIND_TO_TEXTURE_RGBA_ARB, 1,
        WGL_SUPPORT_OPENGL_ARB, 1, WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB, WGL_DOUBLE_BUFFER_ARB, 1,
        WGL_RED_BITS_ARB, 8, WGL_GREEN_BITS_ARB, 8, WGL_BLUE_BITS_ARB, 8, WGL_ALPHA_BITS_ARB, 8,
        WGL_DEPTH_BITS_ARB, 24, WGL_STENCIL_BITS_ARB, 8, 0 };
    // Drivers without WGL_ARB_render_texture: a pixel buffer that renders but
    // cannot be bound as a texture.
    const int kPbufferFormat[] = { WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_SUPPORT_OPENGL_ARB, 1, WGL_PIXEL_TYPE_ARB,
        WGL_TYPE_RGBA_ARB, WGL_DOUBLE_BUFFER_ARB, 1, WGL_RED_BITS_ARB, 8, WGL_GREEN_BITS_ARB, 8,
        WGL_BLUE_BITS_ARB, 8, WGL_ALPHA_BITS_ARB, 8, WGL_DEPTH_BITS_ARB, 24, WGL_STENCIL_BITS_ARB, 8, 0 };

    const int kBindablePbufferAttributes[]
        = { WGL_TEXTURE_FORMAT_ARB, WGL_TEXTURE_RGBA_ARB, WGL_TEXTURE_TARGET_ARB, WGL_TEXTURE_2D_ARB,
              WGL_MIPMAP_TEXTURE_ARB, 0, WGL_PBUFFER_LARGEST_ARB, 0, 0 };
    const int kPbufferAttributes[] = { WGL_PBUFFER_LARGEST_ARB, 0, 0 };

    // The largest pixel buffer of the device. Under Wine a pixel buffer of a
    // size the X server cannot make, or of a side of 0 or less, is an X
    // protocol error (BadAlloc) that ends the process: such sizes are refused
    // before the driver sees them. The limits are the pixel-buffer format's
    // own (WGL_MAX_PBUFFER_*, read with wglGetPixelFormatAttribivARB, which
    // the table does not hold); where the driver gives none (Wine gives 0),
    // the largest viewport GL offers, since rendering reaches no pixel beyond
    // it.
    struct DeviceLimits {
        SizeLimit pbuffer;
        long long pixels = 0;
        SizeLimit viewport;
        SizeLimit framebuffer;
    };

    // Stated once, the first time they are asked for while a context is
    // current and the table's WGL part is loaded: when the headless window is
    // opened, or when the first target is made while another one's context
    // is current. Zeros until then. The failure cause stays as it was.
    const DeviceLimits& StatedLimits()
    {
        static DeviceLimits stated;
        static bool read = false;
        const HDC dc = wglGetCurrentDC();
        if (read || !dc || !kxgl::wglChoosePixelFormatARB)
            return stated;
        read = true;
        const std::string cause = TakeFailure();
        GLint viewport[2] = { 0, 0 };
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
        const auto formatAttributes = reinterpret_cast<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>(
            LookupEntryPoint("wglGetPixelFormatAttribivARB"));
        Config* config = ChoosePbufferConfig(wgl::TheDevice());
        const int names[]
            = { WGL_MAX_PBUFFER_WIDTH_ARB, WGL_MAX_PBUFFER_HEIGHT_ARB, WGL_MAX_PBUFFER_PIXELS_ARB };
        int values[3] = {};
        if (!config || !formatAttributes || !formatAttributes(dc, FormatOf(config), 0, 3, names, values))
            values[0] = values[1] = values[2] = 0;
        stated.viewport = { viewport[0], viewport[1] };
        stated.framebuffer = CurrentFramebufferLimit();
        stated.pbuffer = { values[0] > 0 ? values[0] : viewport[0], values[1] > 0 ? values[1] : viewport[1] };
        stated.pixels = values[2] > 0 ? values[2]
                                      : static_cast<long long>(stated.pbuffer.width) * stated.pbuffer.height;
        RecordFailure("%s", cause.c_str());
        return stated;
    }

    // Headless: a hidden window of the system class "STATIC" (nothing to
    // register) supplies the device context that pixel buffers are made
    // against while no context is current, and a context on it makes the
    // WGL entry points reachable. Made once, kept for the life of the process.
    struct HeadlessWindow {
        HWND window = nullptr;
        HDC dc = nullptr;
        HGLRC context = nullptr;
        std::string failure;
    };

    HeadlessWindow OpenHeadlessWindow()
    {
        HeadlessWindow h;
        ClearFailure();
        h.window = CreateWindowExA(
            0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!h.window) {
            RecordLastError("CreateWindowExA (hidden window)");
        } else if (!(h.dc = GetDC(h.window))) {
            RecordLastError("GetDC (hidden window)");
        } else {
            const int format = ChoosePixelFormat(h.dc, &wgl::kWindowFormat);
            if (!format)
                RecordLastError("ChoosePixelFormat (hidden window)");
            else if (!SetPixelFormat(h.dc, format, &wgl::kWindowFormat))
                RecordLastError("SetPixelFormat (hidden window)");
            else if (!(h.context = wglCreateContext(h.dc)))
                RecordLastError("wglCreateContext (hidden window)");
        }
        if (h.context) {
            // The WGL part of the table is needed before any target of the
            // library has filled it, and the pixel-buffer limits: both are
            // read with this context current, and the earlier binding comes
            // back afterwards.
            const HDC previousDC = wglGetCurrentDC();
            const HGLRC previous = wglGetCurrentContext();
            if (wglMakeCurrent(h.dc, h.context)) {
                if (!kxgl::wglChoosePixelFormatARB)
                    kxInitWGLExtentions();
                StatedLimits();
                wglMakeCurrent(previous ? previousDC : nullptr, previous);
            }
            return h;
        }
        h.failure = TakeFailure();
        if (h.dc)
            ReleaseDC(h.window, h.dc);
        if (h.window)
            DestroyWindow(h.window);
        h.window = nullptr;
        h.dc = nullptr;
        return h;
    }

    const HeadlessWindow& Headless()
    {
        static const HeadlessWindow headless = OpenHeadlessWindow();
        return headless;
    }

    // The device context pixel buffers are made against: the current one, as
    // WGL_ARB_pbuffer expects, else the hidden window's.
    HDC PbufferParentDC()
    {
        if (HDC current = wglGetCurrentDC())
            return current;
        return Headless().dc;
    }

    HDC DC(Surface* surface)
    {
        return reinterpret_cast<HDC>(surface);
    }
    HGLRC RC(Context* context)
    {
        return reinterpret_cast<HGLRC>(context);
    }
    void* PB(Pbuffer* pbuffer)
    {
        return pbuffer;
    }

    bool Loaded(const void* entry, const char* name)
    {
        if (entry)
            return true;
        RecordFailure("%s: not loaded (the entry-point table's WGL part is empty)", name);
        return false;
    }

} // namespace

Binding Current()
{
    Binding b;
    HGLRC context = wglGetCurrentContext();
    if (!context)
        return b;
    b.device = wgl::TheDevice();
    b.context = reinterpret_cast<Context*>(context);
    b.draw = b.read = reinterpret_cast<Surface*>(wglGetCurrentDC());
    return b;
}

bool MakeCurrent(const Binding& binding)
{
    if (!binding.device)
        return false;
    ClearFailure();
    const bool made = wglMakeCurrent(DC(binding.draw), RC(binding.context)) != FALSE;
    if (!made)
        RecordLastError("wglMakeCurrent");
    return made;
}

bool ReleaseCurrent(Device* device)
{
    if (!device)
        return false;
    ClearFailure();
    // wglMakeCurrent(NULL, NULL) fails when nothing is current; there is
    // nothing to release then, which is what the caller asks for.
    if (!wglGetCurrentContext())
        return true;
    const bool released = wglMakeCurrent(nullptr, nullptr) != FALSE;
    if (!released)
        RecordLastError("wglMakeCurrent");
    return released;
}

Device* HeadlessDevice()
{
    const HeadlessWindow& headless = Headless();
    ClearFailure();
    if (!headless.context) {
        RecordFailure("%s", headless.failure.c_str());
        return nullptr;
    }
    return wgl::TheDevice();
}

Config* ChoosePbufferConfig(Device* device)
{
    if (!device)
        return nullptr;
    ClearFailure();
    HDC parent = PbufferParentDC();
    if (!parent) {
        RecordFailure("wglChoosePixelFormatARB: no device context (%s)", Headless().failure.c_str());
        return nullptr;
    }
    if (!Loaded(reinterpret_cast<const void*>(kxgl::wglChoosePixelFormatARB), "wglChoosePixelFormatARB"))
        return nullptr;
    int format = 0;
    unsigned int count = 0;
    if (kxgl::wglChoosePixelFormatARB(parent, kBindablePbufferFormat, nullptr, 1, &format, &count)
        && count > 0)
        return PbufferConfig(format, true);
    SetLastError(0);
    if (!kxgl::wglChoosePixelFormatARB(parent, kPbufferFormat, nullptr, 1, &format, &count))
        RecordLastError("wglChoosePixelFormatARB");
    else if (count > 0)
        return PbufferConfig(format, false);
    else
        RecordFailure("wglChoosePixelFormatARB: no pixel-buffer format");
    return nullptr;
}

Pbuffer* CreatePbuffer(Device* device, Config* config, int width, int height)
{
    if (!device || !config)
        return nullptr;
    ClearFailure();
    HDC parent = PbufferParentDC();
    if (!parent || !Loaded(reinterpret_cast<const void*>(kxgl::wglCreatePbufferARB), "wglCreatePbufferARB"))
        return nullptr;
    if (width <= 0 || height <= 0) {
        RecordFailure("wglCreatePbufferARB: a %d x %d pixel buffer is refused: its sides must be positive",
            width, height);
        return nullptr;
    }
    // Sides beyond the device's largest are refused before this (COffScreen
    // asks OffScreenLimit); the number of pixels is WGL's own limit.
    const DeviceLimits& limits = StatedLimits();
    if (limits.pixels > 0 && static_cast<long long>(width) * height > limits.pixels) {
        RecordFailure(
            "wglCreatePbufferARB: a %d x %d pixel buffer is refused: the largest is %d x %d, %lld pixels",
            width, height, limits.pbuffer.width, limits.pbuffer.height, limits.pixels);
        return nullptr;
    }
    const int* attributes = Bindable(config) ? kBindablePbufferAttributes : kPbufferAttributes;
    SetLastError(0);
    void* pbuffer = kxgl::wglCreatePbufferARB(parent, FormatOf(config), width, height, attributes);
    if (!pbuffer)
        RecordLastError("wglCreatePbufferARB");
    return static_cast<Pbuffer*>(pbuffer);
}

Surface* PbufferSurface(Device* device, Pbuffer* pbuffer)
{
    if (!device || !pbuffer)
        return nullptr;
    ClearFailure();
    if (!Loaded(reinterpret_cast<const void*>(kxgl::wglGetPbufferDCARB), "wglGetPbufferDCARB"))
        return nullptr;
    void* dc = kxgl::wglGetPbufferDCARB(PB(pbuffer));
    if (!dc)
        RecordLastError("wglGetPbufferDCARB");
    return static_cast<Surface*>(dc);
}

void PbufferSize(Device* device, Pbuffer* pbuffer, int* width, int* height)
{
    int w = 0, h = 0;
    if (device && pbuffer) {
        ClearFailure();
        if (Loaded(reinterpret_cast<const void*>(kxgl::wglQueryPbufferARB), "wglQueryPbufferARB")
            && (!kxgl::wglQueryPbufferARB(PB(pbuffer), WGL_PBUFFER_WIDTH_ARB, &w)
                || !kxgl::wglQueryPbufferARB(PB(pbuffer), WGL_PBUFFER_HEIGHT_ARB, &h)))
            RecordLastError("wglQueryPbufferARB");
    }
    *width = w;
    *height = h;
}

SizeLimit OffScreenLimit(Device* device)
{
    if (!device)
        return {};
    const DeviceLimits& limits = StatedLimits();
    return Tighter(limits.pbuffer, limits.viewport);
}

SizeLimit FramebufferLimit(Device* device)
{
    return device ? StatedLimits().framebuffer : SizeLimit {};
}

void DestroyPbuffer(Device* device, Pbuffer* pbuffer, Surface* surface)
{
    if (!device || !pbuffer)
        return;
    if (surface && kxgl::wglReleasePbufferDCARB)
        kxgl::wglReleasePbufferDCARB(PB(pbuffer), surface);
    if (kxgl::wglDestroyPbufferARB)
        kxgl::wglDestroyPbufferARB(PB(pbuffer));
}

Context* CreateContext(Device* device, Config* config, Surface* surface, Context* share)
{
    if (!device || !config)
        return nullptr;
    // WGL makes a context for a device context, whose pixel format it takes.
    // Without a surface, a 1 x 1 pixel buffer of the config lends its device
    // context for the call; the context can then be bound to any pixel
    // buffer of that config.
    Pbuffer* lender = nullptr;
    Surface* lent = nullptr;
    if (!surface) {
        lender = CreatePbuffer(device, config, 1, 1);
        lent = PbufferSurface(device, lender);
        if (!lent) {
            DestroyPbuffer(device, lender, nullptr);
            return nullptr;
        }
    }
    ClearFailure();
    HGLRC context = wglCreateContext(DC(surface ? surface : lent));
    if (lender)
        DestroyPbuffer(device, lender, lent);
    if (!context) {
        RecordLastError("wglCreateContext");
        return nullptr;
    }
    // WGL shares objects after creation, before the new context is first
    // made current.
    bool shared = false;
    if (share) {
        shared = wglShareLists(RC(share), context) != FALSE;
        if (!shared)
            RecordLastError("wglShareLists");
    }
    Context* made = reinterpret_cast<Context*>(context);
    LibraryContexts().Add(made, device, shared ? share : nullptr);
    return made;
}

bool DestroyContext(Device* device, Context* context)
{
    if (!device || !context)
        return false;
    ClearFailure();
    if (wglGetCurrentContext() == RC(context))
        wglMakeCurrent(nullptr, nullptr);
    const bool destroyed = wglDeleteContext(RC(context)) != FALSE;
    if (!destroyed)
        RecordLastError("wglDeleteContext");
    LibraryContexts().Remove(context);
    return destroyed;
}

void DestroySurface(Device* device, Surface* surface)
{
    // A window surface is the window's device context from GetDC.
    if (!device || !surface)
        return;
    ReleaseDC(WindowFromDC(DC(surface)), DC(surface));
}

bool Present(Device* device, Surface* surface)
{
    if (!device || !surface)
        return false;
    ClearFailure();
    const bool presented = SwapBuffers(DC(surface)) != FALSE;
    if (!presented)
        RecordLastError("SwapBuffers");
    return presented;
}

void SetSwapInterval(Device* device, int interval)
{
    // Through the entry-point table, as the design sets it.
    if (!device || !kxgl::wglSwapIntervalEXT)
        return;
    kxgl::wglSwapIntervalEXT(interval);
}

const char* ContextApiExtensions()
{
    if (!kxgl::wglGetExtensionsStringARB)
        return "";
    HDC dc = wglGetCurrentDC();
    if (!dc)
        return "";
    const char* extensions = kxgl::wglGetExtensionsStringARB(dc);
    return extensions ? extensions : "";
}

void* LookupEntryPoint(const char* name)
{
    PROC entry = wglGetProcAddress(name);
    // Some drivers answer an unknown name with 1, 2, 3 or -1 instead of null.
    const intptr_t value = reinterpret_cast<intptr_t>(entry);
    if (value >= -1 && value <= 3)
        return nullptr;
    return reinterpret_cast<void*>(entry);
}

} // namespace varnox::platform
