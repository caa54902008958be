#include <varnox/COffScreen.h>

#include <varnox/kxExtensions.h>

#include "core/Print.h"
#include "targets/EglPlatform.h"

namespace platform = varnox::platform;

COffScreen* COffScreen::NewL(int width, int height)
{
    COffScreen* target = new COffScreen();
    target->ConstructL(width, height);
    return target;
}

COffScreen::COffScreen() = default;

COffScreen::~COffScreen()
{
    Release();
}

void COffScreen::ConstructL(int w, int h)
{
    width = w;
    height = h;

    // Made while a context is current, the target lives on that context's
    // display and shares its objects. Made while none is, it opens the
    // headless display and fills the entry-point table itself, so that it
    // works without any window or X server.
    const platform::CurrentBinding current = platform::GetCurrent();
    const bool headless = current.context == nullptr;
    display = headless ? platform::HeadlessDisplay() : current.display;
    if (!display)
        varnox::Print("kxOffScreen wglGetCurrentDC failed, Error\n");

    Build(headless ? nullptr : current.context);
    Activate();
    if (!hglrc || platform::GetCurrent().context != hglrc)
        return;
    ContextInit();
    if (headless) {
        kxInitWGLExtentions();
        kxInitGLExtentions();
    }
}

void COffScreen::Build(void* shareWith)
{
    config = platform::ChoosePbufferConfig(display);
    if (!config)
        varnox::Print("COffScreen::ConstructL wglChoosePixelFormatARB failed, Error\n");

    pbuffer = platform::CreatePbuffer(display, config, width, height);
    if (!pbuffer)
        varnox::Print("COffScreen::ConstructL wglCreatePbufferARB failed, Error\n");

    // The pbuffer surface is its own drawable.
    hdc = pbuffer;
    if (!hdc)
        varnox::Print("COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n");

    hglrc = platform::CreateContext(display, config, shareWith);
    if (!hglrc)
        varnox::Print("COffScreen::ConstructL wglCreateContext failed, Error\n");
    sharedWith = hglrc ? shareWith : nullptr;

    int madeWidth = 0, madeHeight = 0;
    platform::QuerySurfaceSize(display, pbuffer, &madeWidth, &madeHeight);
    if (madeWidth != width || madeHeight != height)
        varnox::Print("COffScreen::ConstructL wglCreateContext storleksfel, Error\n");
}

void COffScreen::Release()
{
    platform::DestroyContext(display, hglrc);
    platform::DestroySurface(display, pbuffer);
    hglrc = nullptr;
    pbuffer = nullptr;
    hdc = nullptr;
}

void COffScreen::SetSize(int w, int h)
{
    if (w == width && h == height)
        return;
    width = w;
    height = h;

    // The rebuilt context shares with the context current on entry when that
    // is another one; when this target itself was current (or none was), it
    // shares with the context it shared with before, or a surviving member
    // of the same share group, so its textures and programs stay usable.
    const platform::CurrentBinding entry = platform::GetCurrent();
    const bool otherCurrent = entry.context && entry.context != hglrc;
    void* share = otherCurrent && entry.display == display ? entry.context
                                                           : platform::ShareCandidate(hglrc, sharedWith);

    Release();
    Build(share);

    Activate();
    if (hglrc && platform::GetCurrent().context == hglrc)
        ContextInit();
    // Whatever other target was current on entry is current again; when this
    // one or none was, the resized target stays current.
    if (otherCurrent)
        platform::MakeCurrent(entry.display, entry.draw, entry.read, entry.context);
}
