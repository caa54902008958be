#pragma once

// A window of the examples' own on their own X connection, so that they can
// read keys: the window target renders into it (CWindowVNX::NewL with its
// id) and the program reads the keyboard here. Where the library takes
// Wayland (VARNOX_PLATFORM=wayland, or WAYLAND_DISPLAY set or a wayland-0
// socket in XDG_RUNTIME_DIR, and VARNOX_PLATFORM not x11) there is no window
// of the tool's own: id() is 0,
// the target makes its window, and the keys come from the library
// (CWindowVNX::WaitForKey).

class CRenderTarget;

class ToolWindow {
public:
    /// What the user asked for.
    enum class Input { Nothing, Next, Previous, Rotate, Pause, Step, Quit, Redraw };

    ToolWindow() = default;
    ~ToolWindow();
    ToolWindow(const ToolWindow&) = delete;
    ToolWindow& operator=(const ToolWindow&) = delete;

    /// Opens a window of width × height pixels that keeps its size, with
    /// `name` as its class (WM_CLASS). False, with a line on standard error,
    /// when no X server can be reached. On Wayland opens nothing: true.
    bool Open(const char* name, int width, int height);
    void SetTitle(const char* title);
    /// The X11 window id, for CWindowVNX::NewL; 0 on Wayland.
    unsigned long id() const { return window; }

    /// Waits up to `milliseconds` (negative: without limit) for input and
    /// returns it; Nothing when the time ran out. Keys: Right, space or n: Next;
    /// Left, BackSpace or p: Previous; r: Rotate; period: Step; q or Escape: Quit. Closing
    /// the window is Quit and a repaint request is Redraw. When `spaceIsPause`
    /// is set, space means Pause instead of Next.
    /// On Wayland the window's title stays the library's, there are no repaint
    /// requests, and closing the window ends the process with status 0.
    Input Wait(int milliseconds, bool spaceIsPause = false);

private:
    bool wayland = false;
    void* display = nullptr;
    unsigned long window = 0;
    unsigned long deleteWindow = 0;
};

/// True when `target` came up with its GL context current; a target that
/// failed has printed why.
bool TargetReady(const CRenderTarget* target);
