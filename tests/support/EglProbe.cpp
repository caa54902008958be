#include "support/ContextProbe.h"

#include <EGL/egl.h>

namespace vxtest {

void* CurrentContext()
{
    EGLContext context = eglGetCurrentContext();
    return context == EGL_NO_CONTEXT ? nullptr : context;
}

void* CurrentDrawSurface()
{
    EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    return surface == EGL_NO_SURFACE ? nullptr : surface;
}

void ReleaseCurrent()
{
    eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

testing::AssertionResult ContextAlive(void* display, void* context)
{
    EGLint value = 0;
    if (eglQueryContext(display, context, EGL_CONFIG_ID, &value) == EGL_TRUE)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
        << "eglQueryContext fails with EGL error 0x" << std::hex << eglGetError();
}

testing::AssertionResult ContextGone(void* display, void* context)
{
    EGLint value = 0;
    if (eglQueryContext(display, context, EGL_CONFIG_ID, &value) == EGL_TRUE)
        return testing::AssertionFailure() << "eglQueryContext still answers";
    const EGLint error = eglGetError();
    if (error != EGL_BAD_CONTEXT)
        return testing::AssertionFailure()
            << "eglQueryContext fails with 0x" << std::hex << error << ", not EGL_BAD_CONTEXT";
    return testing::AssertionSuccess();
}

testing::AssertionResult PbufferGone(void* display, void* pbuffer)
{
    EGLint value = 0;
    if (eglQuerySurface(display, pbuffer, EGL_WIDTH, &value) == EGL_TRUE)
        return testing::AssertionFailure() << "eglQuerySurface still answers";
    const EGLint error = eglGetError();
    if (error != EGL_BAD_SURFACE)
        return testing::AssertionFailure()
            << "eglQuerySurface fails with 0x" << std::hex << error << ", not EGL_BAD_SURFACE";
    return testing::AssertionSuccess();
}

int PbufferWidth(void* display, void* pbuffer)
{
    EGLint width = 0;
    return eglQuerySurface(display, pbuffer, EGL_WIDTH, &width) == EGL_TRUE ? width : -1;
}

void PbufferLimits(void* display, void* context, int* maxWidth, int* maxHeight)
{
    EGLint id = 0, count = 0;
    *maxWidth = *maxHeight = 0;
    eglQueryContext(display, context, EGL_CONFIG_ID, &id);
    const EGLint byId[] = { EGL_CONFIG_ID, id, EGL_NONE };
    EGLConfig config = nullptr;
    if (!eglChooseConfig(display, byId, &config, 1, &count) || count != 1)
        return;
    EGLint width = 0, height = 0;
    eglGetConfigAttrib(display, config, EGL_MAX_PBUFFER_WIDTH, &width);
    eglGetConfigAttrib(display, config, EGL_MAX_PBUFFER_HEIGHT, &height);
    *maxWidth = width;
    *maxHeight = height;
}

const char* ContextApiExtensions()
{
    EGLDisplay display = eglGetCurrentDisplay();
    return display == EGL_NO_DISPLAY ? nullptr : eglQueryString(display, EGL_EXTENSIONS);
}

void* LookUp(const char* name)
{
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

} // namespace vxtest
