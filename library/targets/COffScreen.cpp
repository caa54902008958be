#include <varnox/COffScreen.h>

#include <varnox/kxExtensions.h>

#include "targets/FailureCause.h"
#include "targets/Platform.h"
#include "targets/ShareGroups.h"

namespace platform = varnox::platform;
using platform::PrintFailure;

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
    // device and shares its objects. Made while none is, it opens the
    // headless device and fills the entry-point table itself, so that it
    // works without any window system.
    const platform::Binding current = platform::Current();
    const bool headless = current.context == nullptr;
    platform::Device* device = headless ? platform::HeadlessDevice() : current.device;
    display = device;
    if (!device)
        PrintFailure("kxOffScreen wglGetCurrentDC failed, Error\n");

    Build(headless ? nullptr : current.context);
    Activate();
    if (!hglrc || platform::Current().context != hglrc)
        return;
    ContextInit();
    if (headless) {
        kxInitWGLExtentions();
        kxInitGLExtentions();
    }
}

void COffScreen::Build(void* shareWith)
{
    platform::Device* device = platform::AsDevice(display);
    platform::Config* chosen = platform::ChoosePbufferConfig(device);
    config = chosen;
    if (!chosen)
        PrintFailure("COffScreen::ConstructL wglChoosePixelFormatARB failed, Error\n");

    platform::Pbuffer* buffer = platform::CreatePbuffer(device, chosen, width, height);
    pbuffer = buffer;
    if (!buffer)
        PrintFailure("COffScreen::ConstructL wglCreatePbufferARB failed, Error\n");

    platform::Surface* surface = platform::PbufferSurface(device, buffer);
    hdc = surface;
    if (!surface)
        PrintFailure("COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n");

    platform::Context* share = platform::AsContext(shareWith);
    platform::Context* context = platform::CreateContext(device, chosen, surface, share);
    hglrc = context;
    if (!context)
        PrintFailure("COffScreen::ConstructL wglCreateContext failed, Error\n");
    sharedWith = context ? share : nullptr;

    int madeWidth = 0, madeHeight = 0;
    platform::PbufferSize(device, buffer, &madeWidth, &madeHeight);
    if (madeWidth != width || madeHeight != height)
        PrintFailure("COffScreen::ConstructL wglCreateContext storleksfel, Error\n");
}

void COffScreen::Release()
{
    platform::Device* device = platform::AsDevice(display);
    platform::DestroyContext(device, platform::AsContext(hglrc));
    platform::DestroyPbuffer(device, platform::AsPbuffer(pbuffer), platform::AsSurface(hdc));
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
    const platform::Binding entry = platform::Current();
    platform::Context* own = platform::AsContext(hglrc);
    const bool otherCurrent = entry.context && entry.context != own;
    platform::Context* share = otherCurrent && entry.device == platform::AsDevice(display)
        ? entry.context
        : platform::LibraryContexts().Candidate(own, platform::AsContext(sharedWith));

    Release();
    Build(share);

    Activate();
    if (hglrc && platform::Current().context == hglrc)
        ContextInit();
    // Whatever other target was current on entry is current again; when this
    // one or none was, the resized target stays current.
    if (otherCurrent)
        platform::MakeCurrent(entry);
}
