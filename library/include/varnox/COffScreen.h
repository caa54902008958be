#pragma once

#include <varnox/CRenderTarget.h>
#include <varnox/Export.h>

/// Render target without a window: a pixel buffer (WGL_ARB_pbuffer on
/// Windows, EGL on Linux) with a context of its own. Made while a context is
/// current, it shares objects with that context; made while none is, it
/// works headless (on Linux no X server is needed; on Windows a hidden window
/// supplies the device context) and fills the entry-point table itself. It
/// owns its pixel buffer, surface and context.
class VARNOX_EXPORT COffScreen : public CRenderTarget {
public:
    /// Creates a width × height target; its context is current afterwards.
    static COffScreen* NewL(int width, int height);

    /// Rebuilds the pixel buffer at a new size (contents are lost).
    void SetSize(int width, int height) override;
    ~COffScreen() override;

    void* pbuffer = nullptr;

protected:
    COffScreen();
    void ConstructL(int width, int height);

private:
    void Build(void* shareWith);
    void Release();

    void* config = nullptr;
    void* sharedWith = nullptr;
};
