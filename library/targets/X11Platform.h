#pragma once

// The library's X11 layer. Every Xlib call of the library lives in
// X11Platform.cpp; the window target calls these functions with the
// connection as an opaque `Display*` and windows as X11 ids.

union _XEvent;

namespace varnox::x11 {

/// The process's X connection: XOpenDisplay(NULL) on first use, kept open
/// until the process ends. Null when no X server can be reached (a later call
/// tries again).
void* Connection();

/// The display name Xlib uses (DISPLAY), "" when it is unset.
const char* DisplayName();

/// The id of the default screen's default visual.
unsigned long DefaultVisualId(void* display);

/// A top-level window on the root with a client area of width × height and
/// the given visual, titled "Quorvel" (WM_NAME and _NET_WM_NAME), WM_CLASS
/// "kxWindow", taking part in WM_DELETE_WINDOW, with the events the pump
/// handles selected. Not mapped yet. 0 on failure.
unsigned long CreateTopLevel(void* display, unsigned long visualId, int width, int height);

/// Destroys a window made by CreateTopLevel, with its colormap, and discards
/// the events still queued for it.
void DestroyTopLevel(void* display, unsigned long window);

/// The visual of an existing window; false when there is no such window.
bool WindowVisual(void* display, unsigned long window, unsigned long* visualId);

/// Maps the window. With `waitForMap` (windows made by CreateTopLevel, which
/// select StructureNotify) it then waits, boundedly, for its MapNotify.
void Show(void* display, unsigned long window, bool waitForMap);

/// The window's client-area size; zeros when it cannot be read.
void ClientSize(void* display, unsigned long window, int* width, int* height);

/// Hands every event waiting for `window` (those CreateTopLevel selects, and
/// client messages) to `dispatch`, one by one. Never blocks.
void PumpEvents(void* display, unsigned long window, void (*dispatch)(const _XEvent&));

/// The window an event is reported for.
unsigned long EventWindow(const _XEvent& event);

enum class WindowEvent { CloseRequest, Destroyed, Exposed, Configured, Other };

/// What an event means to a window target: a WM_DELETE_WINDOW client message
/// is a close request.
WindowEvent Classify(const _XEvent& event);

/// While alive, X errors on `display` are counted instead of ending the
/// process (Xlib's default handler exits); errors of other connections go to
/// the handler that was installed before. Traps nest. A null display traps
/// nothing.
class ErrorTrap {
public:
    explicit ErrorTrap(void* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    /// Waits until the server has handled every request sent so far; true
    /// when none of those since the trap was set failed.
    bool Sync();

private:
    void* display;
    unsigned long errorsAtStart = 0;
};

} // namespace varnox::x11
