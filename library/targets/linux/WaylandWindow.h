#pragma once

// The Wayland side of the Linux platform layer, as far as the EGL side (and
// the window tests) need it. Every Wayland call of the library lives in
// WaylandWindow.cpp; it is compiled only where the build found
// wayland-client, wayland-egl, xkbcommon and wayland-protocols
// (VARNOX_WAYLAND).

#include <string>

namespace varnox::wayland {

/// The process's Wayland connection (a wl_display*) once OpenWindowSystem
/// has opened it; null before, and when it could not be opened.
void* ConnectionIfOpen();

/// The wl_egl_window of a window the library made (a NativeWindow id); null
/// for any other id. Never dereferences an id it did not hand out.
void* EglWindow(unsigned long window);

/// A surface that is never shown (a wl_surface without a role) with its
/// wl_egl_window of width × height: off-screen targets render into these on
/// an EGL display that has no pixel-buffer configs (Mesa's Wayland platform).
/// Null when there is no connection or the size is refused.
void* CreateHiddenEglWindow(int width, int height);
/// Destroys one made by CreateHiddenEglWindow; ignores any other pointer.
void DestroyHiddenEglWindow(void* eglWindow);

/// What the library knows of one of its windows, for the window tests.
struct WindowState {
    std::string title;
    std::string appId;
    int width = 0;
    int height = 0;
    /// The compositor has configured the surface.
    bool configured = false;
    /// The size of the buffer EGL attached to the surface last (0 × 0 before
    /// the first frame).
    int attachedWidth = 0;
    int attachedHeight = 0;
    /// Server-side decorations were asked for and granted.
    bool serverSideDecorations = false;
};

/// False for an id that names no window of the library.
bool DescribeWindow(unsigned long window, WindowState* state);

/// Whether the compositor offers server-side decorations
/// (zxdg_decoration_manager_v1).
bool CompositorOffersDecorations();

/// Handles an xdg_toplevel configure and close as if the compositor had sent
/// them to `window`; for the tests, since the compositor they run under
/// cannot be asked to send either. False for an id that names no window.
bool DeliverConfigure(unsigned long window, int width, int height);
bool DeliverClose(unsigned long window);
/// Queues a key for `window` as a key press that the keymap turned into
/// `keysym` is queued (CWindowVNX::WaitForKey hands it out); false for an id
/// that names no window, or keysym 0.
bool DeliverKeysym(unsigned long window, unsigned keysym);

/// Key handling below the protocol: a keymap (xkbcommon's text format, as
/// wl_keyboard.keymap hands it over) turns evdev key codes, with the
/// modifiers the compositor reports, into keysyms (the numbering X11 uses
/// too). Unusable until a keymap was set.
class Keyboard {
public:
    Keyboard();
    ~Keyboard();
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    /// Replaces the keymap; false (the old one kept) when the text is not
    /// one.
    bool SetKeymap(const char* text, size_t length);
    /// A keymap for the named layout, from the system's XKB data.
    bool SetKeymapByLayout(const char* layout);
    /// The modifier state the compositor reports (wl_keyboard.modifiers).
    void SetModifiers(unsigned depressed, unsigned latched, unsigned locked, unsigned group);
    /// The keysym of a pressed evdev key; 0 when there is no keymap or the
    /// key has none.
    unsigned KeyPressed(unsigned evdevKey) const;

private:
    struct Xkb;
    Xkb* xkb;
};

} // namespace varnox::wayland
