#pragma once

// The platform layer under the render targets: a window system (windows and
// their events), a context API (framebuffer configs, drawing surfaces, GL
// contexts) and the opening of files. CRenderTarget, COffScreen, CWindowVNX,
// the extension loader and the core's system calls (System.cpp) reach the
// platform only through these calls. Exactly one implementation is
// compiled into the library (on Linux, library/targets/linux: X11 or Wayland
// windows, chosen at run time, and EGL contexts); docs/platform.md says what each call must do.
//
// Handles are pointers to types that nobody defines, so a surface cannot be
// passed where a context is expected, nor a config where a device is. The
// targets' public fields carry the same handles as void*; the As* functions
// turn them back.

#include <string>

#include "targets/TargetSize.h"

class CWindowVNX;

namespace varnox::platform {

/// What configs, surfaces and contexts are made on; contexts share objects
/// only with contexts of the same device.
struct Device;
/// A framebuffer configuration of a device.
struct Config;
/// A drawable that a context renders into: a window's or a pixel buffer's.
struct Surface;
/// An off-screen pixel buffer.
struct Pbuffer;
/// A GL context.
struct Context;

/// A window of the window system, as CWindowVNX::hwnd carries it.
enum class NativeWindow : unsigned long {};
/// No window (0). Not an enumerator: X11's headers define `None` as a macro.
constexpr NativeWindow kNoWindow {};

inline Device* AsDevice(void* handle)
{
    return static_cast<Device*>(handle);
}
inline Config* AsConfig(void* handle)
{
    return static_cast<Config*>(handle);
}
inline Surface* AsSurface(void* handle)
{
    return static_cast<Surface*>(handle);
}
inline Pbuffer* AsPbuffer(void* handle)
{
    return static_cast<Pbuffer*>(handle);
}
inline Context* AsContext(void* handle)
{
    return static_cast<Context*>(handle);
}
inline NativeWindow AsWindow(unsigned long window)
{
    return static_cast<NativeWindow>(window);
}

/// What is bound on a thread. All null when no context is current.
struct Binding {
    Device* device = nullptr;
    Surface* draw = nullptr;
    Surface* read = nullptr;
    Context* context = nullptr;
};

// Every call below accepts null handles (and kNoWindow) and then does
// nothing and returns null, false or zeros, so a target whose creation failed
// never hands the platform a handle it does not have. A call that runs
// forgets the cause of any earlier failure and records its own when it fails
// (FailureCause.h); a call skipped for a missing handle leaves the earlier
// cause in place, since that is what its failure comes from.

// ---- Context API --------------------------------------------------------

/// What is bound on the calling thread now.
Binding Current();

/// Binds `binding.context` with its draw and read surfaces on the calling
/// thread. False when refused.
///
/// A resized off-screen target binds its context with the new pixel
/// buffer's surface (of the same config) and so keeps every object the
/// context holds. A platform whose contexts cannot move to another surface
/// refuses that binding; the target then makes a new context that shares
/// with the old one before the old one goes, which keeps every object that
/// contexts share.
bool MakeCurrent(const Binding& binding);

/// Leaves no context current on the calling thread; `device` is the one the
/// current context belongs to. False when refused.
bool ReleaseCurrent(Device* device);

/// The device for off-screen targets made while no context is current: one
/// that needs no window system, a hardware one where there is one. Chosen
/// and opened on first use and kept for the life of the process; null when
/// the platform has none.
Device* HeadlessDevice();

/// One pixel-buffer config: RGBA 8/8/8/8, depth 24, stencil 8, desktop
/// OpenGL, bindable as an RGBA texture where the driver offers that.
Config* ChoosePbufferConfig(Device* device);

/// A width × height pixel buffer of `config`, made bindable as an RGBA 2D
/// texture when the config allows it. Null on failure.
Pbuffer* CreatePbuffer(Device* device, Config* config, int width, int height);

/// The surface that renders into `pbuffer` (the design's pixel-buffer DC).
Surface* PbufferSurface(Device* device, Pbuffer* pbuffer);

/// The size the pixel buffer was actually made at; zeros when unknown.
void PbufferSize(Device* device, Pbuffer* pbuffer, int* width, int* height);

/// The largest drawable an off-screen target of `device` may have: the
/// largest pixel buffer of the device's pixel-buffer config and the largest
/// viewport of its contexts, side by side. The platform states it once per
/// device, when the device is opened (a device the library did not open, a
/// client's, when it is first asked for while a context of it is current); a
/// side it cannot state is 0. Asking changes no recorded failure cause.
SizeLimit OffScreenLimit(Device* device);

/// The largest framebuffer object an off-screen target of `device` may
/// render into: its contexts' largest renderbuffer and largest viewport, side
/// by side; 0 × 0 where they offer no framebuffer objects. Stated with
/// OffScreenLimit, and as that one, asking changes no recorded failure cause.
SizeLimit FramebufferLimit(Device* device);

/// Releases `surface` (from PbufferSurface) and destroys `pbuffer`.
void DestroyPbuffer(Device* device, Pbuffer* pbuffer, Surface* surface);

/// A compatibility-profile OpenGL context for `surface` of `config` that
/// shares objects with `share` (may be null). With no surface (an off-screen
/// target of a size no pixel buffer can have) the context is made for the
/// config alone, to be bound to a pixel buffer of it later. Every context
/// made here is recorded in LibraryContexts() (ShareGroups.h). Null on
/// failure.
Context* CreateContext(Device* device, Config* config, Surface* surface, Context* share);

/// Destroys a context made by CreateContext, unbinding it first when it is
/// current on this thread, and forgets it in LibraryContexts(). False when
/// the platform refuses.
bool DestroyContext(Device* device, Context* context);

/// Destroys a window surface made by CreateWindowSurface; the caller unbinds
/// it first.
void DestroySurface(Device* device, Surface* surface);

/// Presents the back buffer of a window surface. False on failure.
bool Present(Device* device, Surface* surface);

/// Sets the swap interval of the current context's window through the
/// entry-point table; does nothing while that entry is not loaded.
void SetSwapInterval(Device* device, int interval);

/// The context API's extension string for the current device, read through
/// the entry-point table; "" when that entry is not loaded or nothing is
/// current. Belongs to the platform.
const char* ContextApiExtensions();

/// The address of the named GL or context-API entry point for the current
/// context, or null.
void* LookupEntryPoint(const char* name);

// ---- Window system ------------------------------------------------------

/// Connects to the window system (once per process; a failed attempt is
/// retried at the next call). False, with a one-line reason, when it cannot
/// be reached.
bool OpenWindowSystem(std::string& reason);

/// The device for windows, once the window system is open; null when the
/// context API cannot render on it.
Device* WindowDevice();

/// A window config (RGBA 8/8/8/8, depth 24, stencil 8, desktop OpenGL) fit
/// to render into `window`, or, for kNoWindow, into a top-level
/// window that CreateTopLevel will make. Null when none fits.
Config* ChooseWindowConfig(Device* device, NativeWindow window);

/// A top-level window, not shown yet, for `config`: client area width ×
/// height (a size of 0 or less becomes 1), titled "Quorvel", of class
/// "kxWindow", whose close requests and destruction reach PumpEvents.
/// kNoWindow when the window system refuses it.
NativeWindow CreateTopLevel(Device* device, Config* config, int width, int height);

/// Whether `window` exists.
bool WindowExists(NativeWindow window);

/// A double-buffered surface of `config` that renders into `window`. Null on
/// failure.
Surface* CreateWindowSurface(Device* device, Config* config, NativeWindow window);

/// Shows the window. `madeByLibrary`: it came from CreateTopLevel, and Show
/// waits (boundedly) until it is on screen.
void Show(NativeWindow window, bool madeByLibrary);

/// The window's client-area size; zeros when it cannot be read.
void ClientSize(NativeWindow window, int* width, int* height);

/// From now on PumpEvents hands the events of `window` to `target`'s
/// HandleMessage. The first target attached to a window receives them.
void AttachWindow(NativeWindow window, CWindowVNX* target);

/// Forgets the window `target` was attached to.
void DetachWindow(CWindowVNX* target);

/// Hands every event waiting for `window` to the target attached to it.
/// Never blocks.
void PumpEvents(NativeWindow window);

/// Destroys a window made by CreateTopLevel and drops its pending events.
void DestroyTopLevel(NativeWindow window);

/// Gives up the rest of the calling thread's time slice.
void YieldTimeSlice();

/// Waits up to `milliseconds` (0: not at all; negative: without limit) for a
/// key pressed in a window the library made, handling the window system's
/// events meanwhile (a close request ends the process with status 0, as in
/// PumpEvents), and returns its keysym (X11's numbering); 0 when none came.
/// Only where the library's windows take keys (Wayland); elsewhere programs
/// read keys from windows of their own, and this returns 0 at once.
unsigned long WaitForKey(int milliseconds);

// ---- Files --------------------------------------------------------------

/// Opens `path` to read (with `write`, to update too) and returns its
/// descriptor; -1, with errno set, when it cannot. It never waits: a FIFO
/// without a writer opens at once. Reads from it block as usual, and child
/// processes do not inherit it.
int OpenFile(const char* path, bool write);

// The window system implementation also defines CWindowVNX::HandleMessage,
// whose argument is the window system's own event type.

} // namespace varnox::platform
