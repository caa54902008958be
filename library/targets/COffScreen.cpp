#include <varnox/COffScreen.h>

#include <varnox/kxExtensions.h>

#include "core/Print.h"
#include "targets/FailureCause.h"
#include "targets/Framebuffer.h"
#include "targets/Platform.h"
#include "targets/ShareGroups.h"
#include "targets/TargetSize.h"
#include "targets/kxExtensionsInternal.h"

namespace platform = varnox::platform;
using platform::PrintFailure;

namespace {

const char kSizeMessage[] = "COffScreen::ConstructL wglCreateContext storleksfel, Error\n";

// A pixel buffer and the surface that renders into it; either may be null.
struct PixelBuffer {
    platform::Pbuffer* buffer = nullptr;
    platform::Surface* surface = nullptr;
};

// Makes a width × height pixel buffer of `config` and its surface, printing
// the design's line for each of the two that fails: the one place where
// pixel buffers are made, at construction and at every resize.
PixelBuffer MakePixelBuffer(platform::Device* device, platform::Config* config, int width, int height)
{
    PixelBuffer made;
    made.buffer = platform::CreatePbuffer(device, config, width, height);
    if (!made.buffer)
        PrintFailure("COffScreen::ConstructL wglCreatePbufferARB failed, Error\n");
    made.surface = platform::PbufferSurface(device, made.buffer);
    if (!made.surface)
        PrintFailure("COffScreen::ConstructL wglGetPbufferDCARB failed, Error\n");
    return made;
}

// Whether the pixel buffer was made at width × height, as the platform
// reports it; prints the size line when not (also when there is none). Asked
// after the context is made at construction, before at a resize, as the
// design orders the lines.
bool MadeAtSize(platform::Device* device, const PixelBuffer& made, int width, int height)
{
    int madeWidth = 0, madeHeight = 0;
    platform::PbufferSize(device, made.buffer, &madeWidth, &madeHeight);
    if (madeWidth == width && madeHeight == height)
        return true;
    PrintFailure(kSizeMessage);
    return false;
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

COffScreen* COffScreen::NewFramebufferL(int width, int height)
{
    COffScreen* target = new COffScreen();
    target->ConstructFramebufferL(width, height);
    return target;
}

void COffScreen::LargestFramebuffer(int* width, int* height)
{
    // The device NewFramebufferL would make its target on.
    const platform::Binding current = platform::Current();
    platform::Device* device = current.context ? current.device : platform::HeadlessDevice();
    const platform::SizeLimit largest = platform::FramebufferLimit(device);
    if (width)
        *width = largest.width;
    if (height)
        *height = largest.height;
}

COffScreen::COffScreen() = default;

COffScreen::~COffScreen()
{
    ReleaseFramebuffer();
    Release();
}

void COffScreen::Activate()
{
    CRenderTarget::Activate();
    // The binding lives in the context, but a client may have bound another
    // framebuffer there since: every activation puts the target's back.
    if (framebuffer && framebuffer->Made() && hglrc && platform::Current().context == hglrc)
        framebuffer->Bind();
}

void COffScreen::ConstructL(int w, int h)
{
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

    ChooseConfig();
    Build(w, h, Fits(w, h), headless ? nullptr : current.context);
    Activate();
    if (!hglrc || platform::Current().context != hglrc)
        return;
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

void COffScreen::ConstructFramebufferL(int w, int h)
{
    framebuffer = new varnox::Framebuffer();
    // Everything a pixel-buffer target has, the context above all, on the
    // smallest pixel buffer: the pixels are the framebuffer's.
    ConstructL(1, 1);
    const bool own = hglrc && platform::Current().context == hglrc;
    if (own)
        framebuffer->Load();
    // A context that could not be made has said so already.
    if (!own || !FramebufferFits(w, h) || !MakeFramebuffer(w, h)) {
        width = 0;
        height = 0;
    }
    if (own)
        ContextInit();
}

bool COffScreen::FramebufferFits(int w, int h) const
{
    if (!framebuffer->Usable()) {
        varnox::Print(varnox::Kind::Failure,
            "COffScreen: no %d x %d framebuffer: this GL offers no framebuffer objects\n", w, h);
        return false;
    }
    if (w < 1 || h < 1) {
        varnox::Print(varnox::Kind::Refusal,
            "COffScreen: %d x %d is no framebuffer size: each side must be 1 or more\n", w, h);
        return false;
    }
    const platform::SizeLimit largest = framebuffer->Limit();
    if (platform::Exceeds(w, h, largest)) {
        varnox::Print(varnox::Kind::Refusal,
            "COffScreen: %d x %d is larger than the largest framebuffer, %d x %d\n", w, h, largest.width,
            largest.height);
        return false;
    }
    return true;
}

bool COffScreen::MakeFramebuffer(int w, int h)
{
    // The target's context is current. On failure the old framebuffer, if
    // any, stays with its size and pixels.
    if (!framebuffer->Make(w, h)) {
        varnox::Print(varnox::Kind::Failure, "COffScreen: a %d x %d framebuffer could not be made\n", w, h);
        return false;
    }
    width = w;
    height = h;
    return true;
}

void COffScreen::ResizeFramebuffer(int w, int h)
{
    if (!hglrc) {
        varnox::Print(varnox::Kind::Failure, "COffScreen: no context to give a %d x %d framebuffer\n", w, h);
        return;
    }
    // Refused sizes change nothing, what is current included.
    if (!FramebufferFits(w, h))
        return;
    const platform::Binding entry = platform::Current();
    platform::Context* own = platform::AsContext(hglrc);
    const bool ownCurrent = entry.context == own;
    if (!ownCurrent) {
        Activate();
        if (platform::Current().context != own)
            return;
    }
    const bool made = MakeFramebuffer(w, h);
    if (made)
        ContextInit();
    // Whatever other target was current on entry is current again; when none
    // was, a resized target stays current, as a pixel-buffer target does, and
    // one whose resize failed leaves nothing current, as on entry.
    if (ownCurrent)
        return;
    if (entry.context)
        platform::MakeCurrent(entry);
    else if (!made)
        platform::ReleaseCurrent(platform::AsDevice(display));
}

void COffScreen::ReleaseFramebuffer()
{
    if (!framebuffer)
        return;
    // The renderbuffers belong to the share group and would outlive the
    // context: they are deleted in it, which is made current for that and
    // then current no more.
    if (framebuffer->Made() && hglrc) {
        const platform::Binding entry = platform::Current();
        platform::Context* own = platform::AsContext(hglrc);
        platform::Surface* surface = platform::AsSurface(hdc);
        const bool ownCurrent = entry.context == own;
        if (ownCurrent || platform::MakeCurrent({ platform::AsDevice(display), surface, surface, own })) {
            framebuffer->Delete();
            if (!ownCurrent && entry.context)
                platform::MakeCurrent(entry);
            else if (!ownCurrent)
                platform::ReleaseCurrent(platform::AsDevice(display));
        }
    }
    delete framebuffer;
    framebuffer = nullptr;
}

void COffScreen::ChooseConfig()
{
    config = platform::ChoosePbufferConfig(platform::AsDevice(display));
    if (!config)
        PrintFailure("COffScreen::ConstructL wglChoosePixelFormatARB failed, Error\n");
}

void COffScreen::Build(int w, int h, bool fits, void* shareWith)
{
    platform::Device* device = platform::AsDevice(display);
    platform::Config* chosen = platform::AsConfig(config);
    // A size beyond the limits is not asked for at all (a driver may accept
    // it and fail only when the buffer is first used): the target gets its
    // context alone.
    const PixelBuffer made = fits ? MakePixelBuffer(device, chosen, w, h) : PixelBuffer {};
    platform::Context* share = platform::AsContext(shareWith);
    platform::Context* context = platform::CreateContext(device, chosen, made.surface, share);
    if (!context)
        PrintFailure("COffScreen::ConstructL wglCreateContext failed, Error\n");
    if (fits)
        MadeAtSize(device, made, w, h);

    // The design keeps the size asked for whatever failed. A size beyond the
    // limits is not kept: nobody could allocate what CopyBuffer would write
    // for it, so the target is 0 × 0 until a SetSize gives it a buffer.
    pbuffer = made.buffer;
    hdc = made.surface;
    hglrc = context;
    sharedWith = context ? share : nullptr;
    width = fits ? w : 0;
    height = fits ? h : 0;
}

bool COffScreen::Fits(int w, int h) const
{
    const platform::SizeLimit largest = platform::OffScreenLimit(platform::AsDevice(display));
    if (!platform::Exceeds(w, h, largest))
        return true;
    platform::RecordFailure(
        "COffScreen: %d x %d is larger than the largest pixel buffer and viewport, %d x %d", w, h,
        largest.width, largest.height);
    PrintFailure(kSizeMessage);
    return false;
}

bool COffScreen::ReplacePixelBuffer(int w, int h)
{
    platform::Device* device = platform::AsDevice(display);
    platform::Config* chosen = platform::AsConfig(config);
    platform::Context* context = platform::AsContext(hglrc);

    const PixelBuffer made = MakePixelBuffer(device, chosen, w, h);
    const bool sized = MadeAtSize(device, made, w, h);
    // A size the driver refuses changes nothing, as one beyond the limits
    // does: the target keeps its buffer, its size and its pixels.
    if (!made.surface || !sized) {
        platform::DestroyPbuffer(device, made.buffer, made.surface);
        return false;
    }

    // The context stays and renders into the new buffer from now on, with
    // all its objects. Where the platform will not move it to another
    // surface, a new context on the new buffer, made to share with the old
    // one while that still lives, keeps every object contexts share.
    if (!platform::MakeCurrent({ device, made.surface, made.surface, context })) {
        platform::Context* replacement = platform::CreateContext(device, chosen, made.surface, context);
        if (!replacement) {
            PrintFailure("COffScreen::ConstructL wglCreateContext failed, Error\n");
            platform::DestroyPbuffer(device, made.buffer, made.surface);
            return false;
        }
        platform::DestroyContext(device, context);
        hglrc = replacement;
    }

    platform::Pbuffer* oldBuffer = platform::AsPbuffer(pbuffer);
    platform::Surface* oldSurface = platform::AsSurface(hdc);
    pbuffer = made.buffer;
    hdc = made.surface;
    width = w;
    height = h;
    ReleasePixelBuffer(device, oldBuffer, oldSurface);
    return true;
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
    if (framebuffer) {
        ResizeFramebuffer(w, h);
        return;
    }
    // Refused sizes change nothing: not the buffer, not the size, not what
    // is current.
    if (!Fits(w, h))
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
        Release();
        ChooseConfig();
        Build(w, h, true, share);
    }

    Activate();
    if (hglrc && platform::Current().context == hglrc)
        ContextInit();
    // Whatever other target was current on entry is current again; when this
    // one or none was, the resized target stays current.
    if (otherCurrent)
        platform::MakeCurrent(entry);
}
