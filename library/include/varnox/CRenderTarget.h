#pragma once

#include <varnox/Export.h>

/// Base of every render target: a drawing surface with its GL context and its
/// size in pixels. Handles are opaque here: on Windows `hdc` is the HDC and
/// `hglrc` the HGLRC (`display` a token of the library's own); on Linux
/// `display` is the EGLDisplay, `hdc` the EGLSurface and `hglrc` the
/// EGLContext. The subclass that created them releases them; the base owns
/// nothing. Targets cannot be copied: a copy's destructor would release the
/// original's handles.
class VARNOX_EXPORT CRenderTarget {
public:
    CRenderTarget(const CRenderTarget&) = delete;
    CRenderTarget& operator=(const CRenderTarget&) = delete;

    /// Binds this target's surface and context to the calling thread.
    virtual void Activate();
    /// Stores the size; subclasses override it.
    virtual void SetSize(int width, int height);
    virtual ~CRenderTarget();

    /// Reads width × height BGRA pixels, bottom row first, from the current
    /// context's read buffer into `buffer` (width × height × 4 bytes), rows
    /// packed whatever pixel-pack settings the context holds. Reads nothing
    /// when the target has no context or surface, or a side of 0 or less; a
    /// null buffer is refused unless a pixel-pack buffer is bound.
    void CopyBuffer(void* buffer);

    void* hdc = nullptr;
    void* hglrc = nullptr;
    int width = 0;
    int height = 0;
    void* display = nullptr;

protected:
    CRenderTarget();
    /// Puts the current context into the library's initial GL state.
    virtual void ContextInit();
};
