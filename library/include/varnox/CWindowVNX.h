#pragma once

#include <varnox/CRenderTarget.h>
#include <varnox/Export.h>

#if defined(_WIN32)
#include <cstdint>
// The window handle's type (HWND), declared here without any Windows header.
// HandleMessage's parameter and result types below are those <windows.h>
// names WPARAM (uintptr_t), LPARAM and LRESULT (intptr_t).
struct HWND__;
#else
// Xlib's event type, declared here without any X11 header; callers that handle
// events include <X11/Xlib.h> themselves and pass an XEvent.
union _XEvent;
#endif

/// On-screen render target: a window (created by the target, or one passed
/// in) with a double-buffered GL context: a Win32 window of class "kxWindow"
/// on Windows, an X11 window or a Wayland toplevel (chosen at run time;
/// windows passed in on X11 only) on Linux. Creating the first one starts GL for
/// the process: its context is current afterwards, the driver report is printed
/// and the entry-point table is filled. The target owns its surface and context;
/// it destroys a window it created itself, never one passed in.
class VARNOX_EXPORT CWindowVNX : public CRenderTarget {
public:
    /// Creates a target with a client area of width × height (x and y are not
    /// used: the window system places the window); `hwnd` is a window to render
    /// into (an HWND on Windows, an X11 Window on Linux), or 0 to have the
    /// target create its own "Quorvel" window.
    static CWindowVNX* NewL(int x, int y, int width, int height, unsigned long hwnd);

    /// A window target's size cannot change: forwards to SetPos, which ignores it.
    void SetSize(int width, int height) override;
    /// Releases the context and surface, leaving no context current.
    ~CWindowVNX() override;

    /// Presents the frame with the stored swap interval, yields the processor
    /// and handles the window's pending events without blocking. A close
    /// request or the window's destruction ends the process with status 0.
    virtual void Refresh(int frame);
    /// Does nothing: the window's position and size stay as made.
    virtual void SetPos(int x, int y, int width, int height);
#if defined(_WIN32)
    /// Handles one message of the window; the window procedure of the class
    /// "kxWindow" forwards to it. WM_CLOSE and WM_DESTROY end the process with
    /// status 0, WM_PAINT validates the window, WM_SIZE changes nothing, every
    /// other message goes to DefWindowProcA.
    virtual intptr_t HandleMessage(HWND__* hwnd, unsigned int message, uintptr_t wParam, intptr_t lParam);
#else
    /// Handles one event of the window; called by Refresh's event pump.
    virtual void HandleMessage(const _XEvent& event);
#endif

    /// Waits up to `milliseconds` (0: not at all; negative: without limit) for
    /// a key pressed in a window a target made itself, handling the window
    /// system's events meanwhile (a close request ends the process with
    /// status 0, as in Refresh), and returns the key's keysym, numbered as
    /// <X11/keysym.h> numbers them; 0 when none came. Only Wayland windows
    /// take keys: on X11 and Windows a program reads keys from a window of its
    /// own, and this returns 0 at once.
    static unsigned long WaitForKey(int milliseconds);

    /// Sets the swap interval that the next Refresh applies (0: no wait for
    /// the vertical retrace; n: n retraces between presents).
    void SetRefreshInterval(int interval);

    unsigned long hwnd = 0;
    int posX = 0;
    int posY = 0;
    int refreshInterval = 0;

protected:
    CWindowVNX(int x, int y, int width, int height, unsigned long hwnd);

private:
    bool windowSystem = false;
    void* config = nullptr;
    bool ownsWindow = false;
};
