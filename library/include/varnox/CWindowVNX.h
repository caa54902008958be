#pragma once

#include <varnox/CRenderTarget.h>
#include <varnox/Export.h>

// Xlib's event type, declared here without any X11 header; callers that handle
// events include <X11/Xlib.h> themselves and pass an XEvent.
union _XEvent;

/// On-screen render target: an X11 window (created by the target, or one passed
/// in) with a double-buffered GL context. Creating the first one starts GL for
/// the process: its context is current afterwards, the driver report is printed
/// and the entry-point table is filled. The target owns its surface and context;
/// it destroys a window it created itself, never one passed in.
class VARNOX_EXPORT CWindowVNX : public CRenderTarget {
public:
    /// Creates a target with a client area of width × height (x and y are not
    /// used: the window system places the window); `hwnd` is an X11 Window to
    /// render into, or 0 to have the target create its own "Quorvel" window.
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
    /// Handles one event of the window; called by Refresh's event pump.
    virtual void HandleMessage(const _XEvent& event);

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
