#pragma once

#include <varnox/CRenderTarget.h>
#include <varnox/Export.h>

/// Render target without a window: a pixel buffer (WGL_ARB_pbuffer on
/// Windows, EGL on Linux) with a context of its own. Made while a context is
/// current, it shares objects with that context; made while none is, it
/// works headless (on Linux no X server is needed; on Windows a hidden window
/// supplies the device context; on Linux a GPU is taken where there is one)
/// and fills the entry-point table itself. It owns its pixel buffer, surface
/// and context.
class VARNOX_EXPORT COffScreen : public CRenderTarget {
public:
    /// Creates a width × height target; its context is current afterwards. A
    /// size beyond the largest pixel buffer or viewport is refused: the
    /// target is then 0 × 0, without a pixel buffer.
    static COffScreen* NewL(int width, int height);

    /// Gives the target a pixel buffer of the new size (its pixels are lost);
    /// the context stays, with every GL object made in it. A size beyond the
    /// largest pixel buffer or viewport, or one the driver refuses, changes
    /// nothing.
    void SetSize(int width, int height) override;
    ~COffScreen() override;

    void* pbuffer = nullptr;

protected:
    COffScreen();
    void ConstructL(int width, int height);

private:
    void ChooseConfig();
    void Build(int width, int height, bool fits, void* shareWith);
    bool Fits(int width, int height) const;
    bool ReplacePixelBuffer(int width, int height);
    void Release();

    void* config = nullptr;
    void* sharedWith = nullptr;
};
