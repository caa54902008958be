#pragma once

// What the context API itself says about contexts and pixel buffers, asked
// without the library: EGL on Linux (tests/support/EglProbe.cpp), WGL on
// Windows (tests/support/win32/WglProbe.cpp). Handles are the targets' own
// fields: `display` (CRenderTarget::display), `context` (hglrc), `surface`
// (hdc), `pbuffer` (COffScreen::pbuffer).

#include <gtest/gtest.h>

namespace vxtest {

/// The context current on the calling thread; null when none is.
void* CurrentContext();

/// The drawing surface bound with it (the EGLSurface, or the HDC); null when
/// no context is current.
void* CurrentDrawSurface();

/// Leaves no context current on the calling thread.
void ReleaseCurrent();

/// The context still exists / no longer exists for the context API.
testing::AssertionResult ContextAlive(void* display, void* context);
testing::AssertionResult ContextGone(void* display, void* context);

/// The pixel buffer no longer exists for the context API.
testing::AssertionResult PbufferGone(void* display, void* pbuffer);

/// The width the context API reports for a pixel buffer; -1 when it reports
/// none.
int PbufferWidth(void* display, void* pbuffer);

/// The largest pixel buffer the context API states for the config (pixel
/// format) of `context`, which must be current; a side it does not state
/// is 0.
void PbufferLimits(void* display, void* context, int* maxWidth, int* maxHeight);

/// The context API's extension string for what is current, read without the
/// library (EGL's for the current display, WGL's for the current device
/// context); null when there is none.
const char* ContextApiExtensions();

/// The address the context API gives for an entry point's name now
/// (eglGetProcAddress, wglGetProcAddress); null when it gives none.
void* LookUp(const char* name);

} // namespace vxtest
