#include "support/ContextProbe.h"

#include <windows.h>

#include <GL/gl.h>
#include <GL/wglext.h>

namespace vxtest {
namespace {

    // A hidden window with the window pixel format and a context of its own:
    // a device context to try a context on, and a context to look WGL entry
    // points up with while none is current.
    struct ProbeWindow {
        HWND window = nullptr;
        HDC dc = nullptr;
        HGLRC context = nullptr;

        ProbeWindow()
        {
            window = CreateWindowExA(
                0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            dc = window ? GetDC(window) : nullptr;
            PIXELFORMATDESCRIPTOR request {};
            request.nSize = sizeof request;
            request.nVersion = 1;
            request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
            request.iPixelType = PFD_TYPE_RGBA;
            request.cColorBits = 24;
            const int format = dc ? ChoosePixelFormat(dc, &request) : 0;
            if (format && SetPixelFormat(dc, format, &request))
                context = wglCreateContext(dc);
        }
    };

    ProbeWindow& Probe()
    {
        static ProbeWindow probe;
        return probe;
    }

    // Looks `name` up once, with the probe's context current when no other is.
    template <class F> F Entry(F& slot, const char* name)
    {
        if (slot)
            return slot;
        const bool none = wglGetCurrentContext() == nullptr;
        if (none)
            wglMakeCurrent(Probe().dc, Probe().context);
        slot = reinterpret_cast<F>(reinterpret_cast<void*>(wglGetProcAddress(name)));
        if (none)
            wglMakeCurrent(nullptr, nullptr);
        return slot;
    }

    PFNWGLQUERYPBUFFERARBPROC queryPbuffer = nullptr;
    PFNWGLGETPIXELFORMATATTRIBIVARBPROC formatAttributes = nullptr;
    PFNWGLGETEXTENSIONSSTRINGARBPROC extensionsString = nullptr;

    // Tries to bind `context` to the probe window, then puts back what was
    // bound. WGL answers a deleted context with ERROR_INVALID_HANDLE; a live
    // one binds, or is refused for its pixel format.
    DWORD TryContext(void* context)
    {
        const HDC dc = wglGetCurrentDC();
        const HGLRC current = wglGetCurrentContext();
        SetLastError(0);
        const BOOL bound = wglMakeCurrent(Probe().dc, static_cast<HGLRC>(context));
        const DWORD error = bound ? ERROR_SUCCESS : GetLastError();
        wglMakeCurrent(current ? dc : nullptr, current);
        return error;
    }

} // namespace

void* CurrentContext()
{
    return wglGetCurrentContext();
}

void* CurrentDrawSurface()
{
    return wglGetCurrentContext() ? wglGetCurrentDC() : nullptr;
}

void ReleaseCurrent()
{
    wglMakeCurrent(nullptr, nullptr);
}

testing::AssertionResult ContextAlive(void*, void* context)
{
    const DWORD error = TryContext(context);
    if (error != ERROR_INVALID_HANDLE)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "wglMakeCurrent refuses the context as an invalid handle";
}

testing::AssertionResult ContextGone(void*, void* context)
{
    const DWORD error = TryContext(context);
    if (error == ERROR_INVALID_HANDLE)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "wglMakeCurrent still knows the context (error " << error << ")";
}

testing::AssertionResult PbufferGone(void*, void* pbuffer)
{
    auto query = Entry(queryPbuffer, "wglQueryPbufferARB");
    if (!query)
        return testing::AssertionFailure() << "no wglQueryPbufferARB";
    int value = 0;
    SetLastError(0);
    if (query(static_cast<HPBUFFERARB>(pbuffer), WGL_PBUFFER_WIDTH_ARB, &value))
        return testing::AssertionFailure() << "wglQueryPbufferARB still answers";
    const DWORD error = GetLastError();
    if (error != ERROR_INVALID_HANDLE)
        return testing::AssertionFailure()
            << "wglQueryPbufferARB fails with error " << error << ", not ERROR_INVALID_HANDLE";
    return testing::AssertionSuccess();
}

int PbufferWidth(void*, void* pbuffer)
{
    auto query = Entry(queryPbuffer, "wglQueryPbufferARB");
    int width = 0;
    return query && query(static_cast<HPBUFFERARB>(pbuffer), WGL_PBUFFER_WIDTH_ARB, &width) ? width : -1;
}

void PbufferLimits(void*, void*, int* maxWidth, int* maxHeight)
{
    *maxWidth = *maxHeight = 0;
    auto attributes = Entry(formatAttributes, "wglGetPixelFormatAttribivARB");
    const HDC dc = wglGetCurrentDC();
    const int names[] = { WGL_MAX_PBUFFER_WIDTH_ARB, WGL_MAX_PBUFFER_HEIGHT_ARB };
    int values[2] = { 0, 0 };
    if (dc && attributes && attributes(dc, GetPixelFormat(dc), 0, 2, names, values)) {
        *maxWidth = values[0];
        *maxHeight = values[1];
    }
}

const char* ContextApiExtensions()
{
    const HDC dc = wglGetCurrentDC();
    auto extensions = Entry(extensionsString, "wglGetExtensionsStringARB");
    return dc && extensions ? extensions(dc) : nullptr;
}

void* LookUp(const char* name)
{
    return reinterpret_cast<void*>(wglGetProcAddress(name));
}

} // namespace vxtest
