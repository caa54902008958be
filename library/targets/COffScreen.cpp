#include <varnox/COffScreen.h>

#include <varnox/kxExtensions.h>

#include "targets/FailureCause.h"
#include "targets/Platform.h"
#include "targets/ShareGroups.h"
#include "targets/TargetSize.h"
#include "targets/kxExtensionsInternal.h"

namespace platform = varnox::platform;
using platform::PrintFailure;

namespace {

const char kSizeMessage[] = "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";

// The largest viewport of the context current now, when that one lives on
// `device` (all contexts of a device share the driver's limits); unknown
// otherwise.
platform::SizeLimit ViewportLimit(platform::Device* device)
{
    const platform::Binding current = platform::Current();
    if (!current.context || !device || current.device != device)
        return {};
    GLint largest[2] = { 0, 0 };
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    return { largest[0], largest[1] };
}

// Destroys a pixel buffer. Whatever context renders into it on this thread
// is first left without a surface (or, where the platform cannot bind a
// context without one, nothing is left current), so that a released surface
// is never bound.
void ReleasePixelBuffer(platform::Device* device, platform::Pbuffer* buffer, platform::Surface* surface)
{
    if (!buffer && !surface)
        return;
    const platform::Binding current = platform::Current();
    if (surface && current.context && (current.draw == surface || current.read == surface)
        && !platform::MakeCurrent({ current.device, nullptr, nullptr, current.context }))
        platform::ReleaseCurrent(current.device);
    platform::DestroyPbuffer(device, buffer, surface);
}

} // namespace

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
    // The headless device's largest viewport is known only now that one of
    // its contexts is current.
    if (headless && pbuffer && Refused(width, height)) {
        DropPixelBuffer();
        width = 0;
        height = 0;
    }
    ContextInit();
    if (headless) {
        // The needed-extension report is printed once per process; later
        // headless targets fill the table without it.
        kxInitWGLExtentions();
        if (varnox::NeededExtensionsReported())
            varnox::LoadGLEntryPoints();
        else
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

    // A size beyond the driver's limits is not asked for at all (a driver
    // may accept it and fail only when the buffer is first used), nor kept:
    // the target is 0 × 0 and has no pixel buffer, only its context.
    const bool refused = Refused(width, height);
    platform::Surface* surface = nullptr;
    if (refused) {
        width = 0;
        height = 0;
    } else {
        platform::Pbuffer* buffer = platform::CreatePbuffer(device, chosen, width, height);
        pbuffer = buffer;
        if (!buffer)
            PrintFailure("COffScreen::ConstructL wglCreatePbufferARB failed, Error\n");

        surface = platform::PbufferSurface(device, buffer);
        hdc = surface;
        if (!surface)
            PrintFailure("COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n");
    }

    platform::Context* share = platform::AsContext(shareWith);
    platform::Context* context = platform::CreateContext(device, chosen, surface, share);
    hglrc = context;
    if (!context)
        PrintFailure("COffScreen::ConstructL wglCreateContext failed, Error\n");
    sharedWith = context ? share : nullptr;

    if (refused)
        return;
    int madeWidth = 0, madeHeight = 0;
    platform::PbufferSize(device, platform::AsPbuffer(pbuffer), &madeWidth, &madeHeight);
    if (madeWidth != width || madeHeight != height)
        PrintFailure(kSizeMessage);
}

bool COffScreen::Refused(int w, int h)
{
    platform::Device* device = platform::AsDevice(display);
    platform::SizeLimit buffers;
    platform::PbufferLimits(device, platform::AsConfig(config), &buffers.width, &buffers.height);
    const platform::SizeLimit largest = platform::Tighter(
        platform::Tighter({ largestWidth, largestHeight }, buffers), ViewportLimit(device));
    largestWidth = largest.width;
    largestHeight = largest.height;
    if (!platform::Exceeds(w, h, largest))
        return false;
    platform::RecordFailure(
        "COffScreen: %d x %d is larger than the largest pixel buffer and viewport, %d x %d", w, h,
        largest.width, largest.height);
    PrintFailure(kSizeMessage);
    return true;
}

bool COffScreen::ReplacePixelBuffer(int w, int h)
{
    platform::Device* device = platform::AsDevice(display);
    platform::Config* chosen = platform::AsConfig(config);
    platform::Context* context = platform::AsContext(hglrc);

    platform::Pbuffer* buffer = platform::CreatePbuffer(device, chosen, w, h);
    if (!buffer)
        PrintFailure("COffScreen::ConstructL wglCreatePbufferARB failed, Error\n");
    platform::Surface* surface = platform::PbufferSurface(device, buffer);
    if (!surface)
        PrintFailure("COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n");
    int madeWidth = 0, madeHeight = 0;
    platform::PbufferSize(device, buffer, &madeWidth, &madeHeight);
    if (madeWidth != w || madeHeight != h)
        PrintFailure(kSizeMessage);
    // A size the driver refuses changes nothing, as one beyond the limits
    // does: the target keeps its buffer, its size and its pixels.
    if (!surface || madeWidth != w || madeHeight != h) {
        platform::DestroyPbuffer(device, buffer, surface);
        return false;
    }

    // The context stays and renders into the new buffer from now on, with
    // all its objects. Where the platform will not move it to another
    // surface, a new context on the new buffer, made to share with the old
    // one while that still lives, keeps every object contexts share.
    if (!platform::MakeCurrent({ device, surface, surface, context })) {
        platform::Context* replacement = platform::CreateContext(device, chosen, surface, context);
        if (!replacement) {
            PrintFailure("COffScreen::ConstructL wglCreateContext failed, Error\n");
            platform::DestroyPbuffer(device, buffer, surface);
            return false;
        }
        platform::DestroyContext(device, context);
        hglrc = replacement;
    }

    width = w;
    height = h;
    platform::Pbuffer* oldBuffer = platform::AsPbuffer(pbuffer);
    platform::Surface* oldSurface = platform::AsSurface(hdc);
    pbuffer = buffer;
    hdc = surface;
    ReleasePixelBuffer(device, oldBuffer, oldSurface);
    return true;
}

void COffScreen::DropPixelBuffer()
{
    ReleasePixelBuffer(platform::AsDevice(display), platform::AsPbuffer(pbuffer), platform::AsSurface(hdc));
    pbuffer = nullptr;
    hdc = nullptr;
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
    // Refused sizes change nothing: not the buffer, not the size, not what
    // is current.
    if (Refused(w, h))
        return;
    const platform::Binding entry = platform::Current();
    platform::Context* own = platform::AsContext(hglrc);
    const bool otherCurrent = entry.context && entry.context != own;

    if (own) {
        if (!ReplacePixelBuffer(w, h))
            return;
    } else {
        // No context to keep (it could not be made): everything is built as
        // at construction, sharing with the context current now when that is
        // another one of this device, else with the one shared with before or
        // a surviving member of its group.
        platform::Context* share = otherCurrent && entry.device == platform::AsDevice(display)
            ? entry.context
            : platform::LibraryContexts().Candidate(own, platform::AsContext(sharedWith));
        width = w;
        height = h;
        Release();
        Build(share);
    }

    Activate();
    if (hglrc && platform::Current().context == hglrc)
        ContextInit();
    // Whatever other target was current on entry is current again; when this
    // one or none was, the resized target stays current.
    if (otherCurrent)
        platform::MakeCurrent(entry);
}
