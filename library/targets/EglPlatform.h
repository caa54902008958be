#pragma once

// The library's EGL layer. Every EGL call of the library lives in
// EglPlatform.cpp; the targets and the loaders call these functions with
// opaque handles. Functions taking a display, config or surface do nothing
// and return null/false when that handle is absent, so a target whose
// creation failed never hands EGL a handle it does not have.

namespace varnox::platform {

struct CurrentBinding {
    void* display = nullptr;
    void* draw = nullptr;
    void* read = nullptr;
    void* context = nullptr;
};

/// What is bound on the calling thread now.
CurrentBinding GetCurrent();

/// The process's headless display: Mesa's surfaceless platform, else the first
/// EGL device. Opened and initialised on first use, with the OpenGL API bound;
/// null when neither can be had.
void* HeadlessDisplay();

/// The EGL display on the process's X connection `xdisplay` (an Xlib
/// Display*), initialised with the OpenGL API bound. Opened once; null when
/// EGL cannot render on X11.
void* X11Display(void* xdisplay);

/// Initialises `display` and binds the OpenGL API; false when it fails.
bool InitializeDisplay(void* display);

/// One pbuffer config: RGBA8, depth 24, stencil 8, OpenGL, preferably
/// bindable as an RGBA texture. Null when none exists.
void* ChoosePbufferConfig(void* display);

/// A window config: RGBA8, depth 24, stencil 8, OpenGL, whose native visual
/// is `visualId` (any visual when 0). Null when none exists.
void* ChooseWindowConfig(void* display, unsigned long visualId);

/// The native visual id of a config; 0 when it has none.
unsigned long ConfigVisual(void* display, void* config);

/// A window surface for the X11 window `window`. Null on failure.
void* CreateWindowSurface(void* display, void* config, unsigned long window);

/// Presents the surface's back buffer; false on failure.
bool SwapBuffers(void* display, void* surface);

/// A width × height pbuffer, made bindable as an RGBA 2D texture when the
/// config allows it. Null on failure.
void* CreatePbuffer(void* display, void* config, int width, int height);

/// A compatibility-profile OpenGL context sharing objects with `share`
/// (may be null). Null on failure.
void* CreateContext(void* display, void* config, void* share);

/// Destroys a context made by CreateContext, unbinding it first when it is
/// current on this thread. False when EGL refuses.
bool DestroyContext(void* display, void* context);

/// Destroys a surface. The caller unbinds it first.
void DestroySurface(void* display, void* surface);

/// The size EGL actually gave a surface; zeros when it cannot be queried.
void QuerySurfaceSize(void* display, void* surface, int* width, int* height);

bool MakeCurrent(void* display, void* draw, void* read, void* context);

/// Leaves no context current on the calling thread.
bool ReleaseCurrent(void* display);

/// eglQueryString(display, EGL_EXTENSIONS); null when there is no display.
const char* DisplayExtensions(void* display);

/// eglGetProcAddress.
void* GetProcAddress(const char* name);

/// A live context, made by this library, to share objects with in place of
/// `context` (about to be released): `preferred` when it is still alive,
/// otherwise another live context of `context`'s share group. Null if none.
void* ShareCandidate(void* context, void* preferred);

} // namespace varnox::platform
