#pragma once

#include <varnox/CRenderTarget.h>
#include <varnox/Export.h>

namespace varnox {
class Framebuffer;
}

/// Render target without a window: a pixel buffer (WGL_ARB_pbuffer on
/// Windows, EGL on Linux) with a context of its own, or, made with
/// NewFramebufferL, a framebuffer object of that context. Made while a
/// context is current, it shares objects with that context; made while none
/// is, it works headless (on Linux no X server is needed; on Windows a hidden
/// window supplies the device context; on Linux a GPU is taken where there is
/// one) and fills the entry-point table itself. It owns its pixel buffer,
/// surface, context and framebuffer.
class VARNOX_EXPORT COffScreen : public CRenderTarget {
public:
    /// Creates a width × height target; its context is current afterwards. A
    /// size beyond the largest pixel buffer or viewport is refused: the
    /// target is then 0 × 0, without a pixel buffer.
    static COffScreen* NewL(int width, int height);

    /// Creates a width × height target that renders into a framebuffer
    /// object (an RGBA8 colour and a depth renderbuffer) of its own context,
    /// which lives on a 1 × 1 pixel buffer (`pbuffer`, `hdc`). It takes any
    /// size up to LargestFramebuffer, on most drivers far beyond the largest
    /// pixel buffer, and otherwise is used as a NewL target: current
    /// afterwards, sharing objects as NewL's does, read with CopyBuffer,
    /// resized with SetSize. A side below 1, a size beyond the limit, one the
    /// driver cannot allocate, or a context without framebuffer objects is
    /// refused with one line: the target is then 0 × 0 and draws nowhere.
    static COffScreen* NewFramebufferL(int width, int height);

    /// The largest size NewFramebufferL takes on the device a target made
    /// now would live on (the current context's, else the headless one): the
    /// largest renderbuffer and the largest viewport, side by side. 0 × 0
    /// where framebuffer objects are not offered or there is no device.
    /// Changes what is current on no thread; a null pointer is skipped.
    static void LargestFramebuffer(int* width, int* height);

    /// Binds the target's context and, for a framebuffer target, its
    /// framebuffer, so that drawing and CopyBuffer reach the target's pixels.
    void Activate() override;
    /// Gives the target a pixel buffer, or for a framebuffer target new
    /// renderbuffers, of the new size (its pixels are lost); the context
    /// stays, with every GL object made in it. A size beyond the limits, or
    /// one the driver refuses, changes nothing.
    void SetSize(int width, int height) override;
    ~COffScreen() override;

    void* pbuffer = nullptr;

protected:
    COffScreen();
    void ConstructL(int width, int height);
    void ConstructFramebufferL(int width, int height);

private:
    void ChooseConfig();
    void Build(int width, int height, bool fits, void* shareWith);
    bool Fits(int width, int height) const;
    bool ReplacePixelBuffer(int width, int height);
    void Release();
    bool FramebufferFits(int width, int height) const;
    bool MakeFramebuffer(int width, int height);
    void ResizeFramebuffer(int width, int height);
    void ReleaseFramebuffer();

    void* config = nullptr;
    void* sharedWith = nullptr;
    /// Set for a target made by NewFramebufferL, whatever became of it.
    varnox::Framebuffer* framebuffer = nullptr;
};
