// The Wayland window system of the Linux platform layer: wl_compositor
// surfaces made top-level windows with xdg-shell, drawn into through
// wayland-egl, server-side decorations where the compositor offers them, and
// the keyboard through xkbcommon.
#include "targets/linux/WaylandWindow.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <varnox/CWindowVNX.h>

#include "core/Print.h"
#include "core/Settings.h"
#include "targets/FailureCause.h"
#include "targets/linux/WindowSystems.h"

#include <wayland-client.h>
#include <wayland-egl.h>
#include <xkbcommon/xkbcommon.h>

#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace varnox::wayland {
namespace {

    const char kTitle[] = "Quorvel";
    const char kAppId[] = "kxWindow";

    // How long CreateTopLevel waits for the compositor's first configure,
    // which a window must have before it may show anything. A compositor
    // answers at once; a hung one must not hang the target.
    const std::chrono::milliseconds kConfigureWait(5000);

    // Wider or taller windows are refused: no compositor hands out buffers
    // that large, and the size is kept in ints.
    const int kMaxWindowSide = 32767;

    // Keys pressed since the last look, per window; older ones give way.
    const size_t kKeyQueue = 32;

    struct Window {
        wl_surface* surface = nullptr;
        xdg_surface* xdgSurface = nullptr;
        xdg_toplevel* toplevel = nullptr;
        zxdg_toplevel_decoration_v1* decoration = nullptr;
        wl_egl_window* eglWindow = nullptr;
        int width = 1;
        int height = 1;
        // The size the last xdg_toplevel.configure asked for (0: ours).
        int askedWidth = 0;
        int askedHeight = 0;
        bool configured = false;
        bool serverSide = false;
        bool closeRequested = false;
        CWindowVNX* target = nullptr;
        unsigned keys[kKeyQueue] = {};
        size_t keyCount = 0;
    };

    struct Connection {
        wl_display* display = nullptr;
        wl_registry* registry = nullptr;
        wl_compositor* compositor = nullptr;
        xdg_wm_base* wmBase = nullptr;
        zxdg_decoration_manager_v1* decorations = nullptr;
        wl_seat* seat = nullptr;
        wl_keyboard* keyboard = nullptr;
        Keyboard* keys = nullptr;
        Window* focus = nullptr;
        std::vector<Window*> windows;
        // The hidden surfaces of off-screen targets.
        std::vector<std::pair<wl_surface*, wl_egl_window*>> hidden;
        bool lostSaid = false;
    };

    Connection& State()
    {
        static Connection state;
        return state;
    }

    Window* Find(unsigned long id)
    {
        for (Window* w : State().windows)
            if (reinterpret_cast<unsigned long>(w) == id)
                return w;
        return nullptr;
    }

    Window* FindSurface(wl_surface* surface)
    {
        for (Window* w : State().windows)
            if (w->surface == surface)
                return w;
        return nullptr;
    }

    // ---- xdg-shell ----

    void Ping(void*, xdg_wm_base* base, uint32_t serial)
    {
        xdg_wm_base_pong(base, serial);
    }
    const xdg_wm_base_listener kWmBaseListener = { Ping };

    // The compositor decides the size when it names one (a maximised or
    // tiled window): the buffers follow it from the next frame on.
    void FollowAskedSize(Window* w)
    {
        if (w->askedWidth <= 0 || w->askedHeight <= 0)
            return;
        const int width = std::min(w->askedWidth, kMaxWindowSide);
        const int height = std::min(w->askedHeight, kMaxWindowSide);
        if (width == w->width && height == w->height)
            return;
        w->width = width;
        w->height = height;
        if (w->eglWindow)
            wl_egl_window_resize(w->eglWindow, width, height, 0, 0);
    }

    void SurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial)
    {
        Window* w = static_cast<Window*>(data);
        xdg_surface_ack_configure(surface, serial);
        w->configured = true;
        FollowAskedSize(w);
    }
    const xdg_surface_listener kSurfaceListener = { SurfaceConfigure };

    void ToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*)
    {
        Window* w = static_cast<Window*>(data);
        w->askedWidth = width;
        w->askedHeight = height;
    }
    void ToplevelClose(void* data, xdg_toplevel*)
    {
        static_cast<Window*>(data)->closeRequested = true;
    }
    void ToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t)
    {
    }
    void ToplevelCapabilities(void*, xdg_toplevel*, wl_array*)
    {
    }
    const xdg_toplevel_listener kToplevelListener
        = { ToplevelConfigure, ToplevelClose, ToplevelBounds, ToplevelCapabilities };

    void DecorationConfigure(void* data, zxdg_toplevel_decoration_v1*, uint32_t mode)
    {
        static_cast<Window*>(data)->serverSide = mode == ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE;
    }
    const zxdg_toplevel_decoration_v1_listener kDecorationListener = { DecorationConfigure };

    // ---- keyboard ----

    void KeyboardKeymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
    {
        Connection& s = State();
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (text != MAP_FAILED) {
                // The text ends in a NUL inside `size`.
                s.keys->SetKeymap(
                    static_cast<const char*>(text), strnlen(static_cast<const char*>(text), size));
                munmap(text, size);
            }
        }
        close(fd);
    }
    void KeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*)
    {
        State().focus = FindSurface(surface);
    }
    void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*)
    {
        State().focus = nullptr;
    }
    void QueueKey(Window* w, unsigned sym)
    {
        if (w->keyCount == kKeyQueue) {
            std::memmove(w->keys, w->keys + 1, (kKeyQueue - 1) * sizeof w->keys[0]);
            --w->keyCount;
        }
        w->keys[w->keyCount++] = sym;
    }

    // The oldest key waiting in any window; 0 when none is.
    unsigned TakeKey()
    {
        for (Window* w : State().windows)
            if (w->keyCount > 0) {
                const unsigned sym = w->keys[0];
                std::memmove(w->keys, w->keys + 1, (w->keyCount - 1) * sizeof w->keys[0]);
                --w->keyCount;
                return sym;
            }
        return 0;
    }

    void KeyboardKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t pressed)
    {
        Connection& s = State();
        if (pressed != WL_KEYBOARD_KEY_STATE_PRESSED || !s.focus)
            return;
        if (const unsigned sym = s.keys->KeyPressed(key))
            QueueKey(s.focus, sym);
    }
    void KeyboardModifiers(
        void*, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group)
    {
        State().keys->SetModifiers(depressed, latched, locked, group);
    }
    void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t)
    {
    }
    const wl_keyboard_listener kKeyboardListener
        = { KeyboardKeymap, KeyboardEnter, KeyboardLeave, KeyboardKey, KeyboardModifiers, KeyboardRepeat };

    void SeatCapabilities(void*, wl_seat* seat, uint32_t capabilities)
    {
        Connection& s = State();
        const bool has = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
        if (has && !s.keyboard) {
            s.keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(s.keyboard, &kKeyboardListener, nullptr);
        } else if (!has && s.keyboard) {
            wl_keyboard_destroy(s.keyboard);
            s.keyboard = nullptr;
            s.focus = nullptr;
        }
    }
    void SeatName(void*, wl_seat*, const char*)
    {
    }
    const wl_seat_listener kSeatListener = { SeatCapabilities, SeatName };

    // ---- globals ----

    void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
    {
        Connection& s = State();
        if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !s.compositor) {
            s.compositor = static_cast<wl_compositor*>(
                wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
        } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0 && !s.wmBase) {
            s.wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
            xdg_wm_base_add_listener(s.wmBase, &kWmBaseListener, nullptr);
        } else if (std::strcmp(interface, zxdg_decoration_manager_v1_interface.name) == 0 && !s.decorations) {
            s.decorations = static_cast<zxdg_decoration_manager_v1*>(
                wl_registry_bind(registry, name, &zxdg_decoration_manager_v1_interface, 1));
        } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !s.seat) {
            s.seat = static_cast<wl_seat*>(
                wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
            wl_seat_add_listener(s.seat, &kSeatListener, nullptr);
        }
    }
    void GlobalRemove(void*, wl_registry*, uint32_t)
    {
    }
    const wl_registry_listener kRegistryListener = { Global, GlobalRemove };

    // Drops what a failed connection set up, so that the next attempt starts
    // afresh.
    void Disconnect()
    {
        Connection& s = State();
        if (s.keyboard)
            wl_keyboard_destroy(s.keyboard);
        if (s.seat)
            wl_seat_destroy(s.seat);
        if (s.decorations)
            zxdg_decoration_manager_v1_destroy(s.decorations);
        if (s.wmBase)
            xdg_wm_base_destroy(s.wmBase);
        if (s.compositor)
            wl_compositor_destroy(s.compositor);
        if (s.registry)
            wl_registry_destroy(s.registry);
        if (s.display)
            wl_display_disconnect(s.display);
        Keyboard* keys = s.keys;
        s = Connection();
        s.keys = keys;
    }

    // Reads and handles what the compositor has sent, without waiting for
    // more. False once the connection is broken.
    bool DispatchWaiting(wl_display* d)
    {
        while (wl_display_prepare_read(d) != 0)
            if (wl_display_dispatch_pending(d) < 0)
                return false;
        wl_display_flush(d);
        pollfd fd { wl_display_get_fd(d), POLLIN, 0 };
        if (poll(&fd, 1, 0) > 0) {
            if (wl_display_read_events(d) < 0)
                return false;
        } else {
            wl_display_cancel_read(d);
        }
        return wl_display_dispatch_pending(d) >= 0;
    }

    // Waits (boundedly) until the compositor has configured `w`.
    bool AwaitConfigure(wl_display* d, Window* w)
    {
        const auto deadline = std::chrono::steady_clock::now() + kConfigureWait;
        while (!w->configured) {
            if (!DispatchWaiting(d))
                return false;
            if (w->configured)
                break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd fd { wl_display_get_fd(d), POLLIN, 0 };
            poll(&fd, 1, static_cast<int>(left.count()));
        }
        return true;
    }

    void DestroyWindow(Window* w)
    {
        Connection& s = State();
        if (s.focus == w)
            s.focus = nullptr;
        if (w->eglWindow)
            wl_egl_window_destroy(w->eglWindow);
        if (w->decoration)
            zxdg_toplevel_decoration_v1_destroy(w->decoration);
        if (w->toplevel)
            xdg_toplevel_destroy(w->toplevel);
        if (w->xdgSurface)
            xdg_surface_destroy(w->xdgSurface);
        if (w->surface)
            wl_surface_destroy(w->surface);
        s.windows.erase(std::remove(s.windows.begin(), s.windows.end(), w), s.windows.end());
        delete w;
    }

} // namespace

void* ConnectionIfOpen()
{
    return State().display;
}

void* EglWindow(unsigned long window)
{
    Window* w = Find(window);
    return w ? w->eglWindow : nullptr;
}

void* CreateHiddenEglWindow(int width, int height)
{
    Connection& s = State();
    if (!s.compositor || width < 1 || height < 1 || width > kMaxWindowSide || height > kMaxWindowSide)
        return nullptr;
    wl_surface* surface = wl_compositor_create_surface(s.compositor);
    wl_egl_window* window = wl_egl_window_create(surface, width, height);
    if (!window) {
        wl_surface_destroy(surface);
        return nullptr;
    }
    s.hidden.emplace_back(surface, window);
    return window;
}

void DestroyHiddenEglWindow(void* eglWindow)
{
    auto& hidden = State().hidden;
    for (size_t i = 0; i < hidden.size(); ++i)
        if (hidden[i].second == eglWindow) {
            wl_egl_window_destroy(hidden[i].second);
            wl_surface_destroy(hidden[i].first);
            hidden.erase(hidden.begin() + static_cast<long>(i));
            return;
        }
}

bool DescribeWindow(unsigned long window, WindowState* state)
{
    Window* w = Find(window);
    if (!w)
        return false;
    state->title = kTitle;
    state->appId = kAppId;
    state->width = w->width;
    state->height = w->height;
    state->configured = w->configured;
    if (w->eglWindow)
        wl_egl_window_get_attached_size(w->eglWindow, &state->attachedWidth, &state->attachedHeight);
    state->serverSideDecorations = w->serverSide;
    return true;
}

bool CompositorOffersDecorations()
{
    return State().decorations != nullptr;
}

bool DeliverConfigure(unsigned long window, int width, int height)
{
    Window* w = Find(window);
    if (!w)
        return false;
    ToplevelConfigure(w, w->toplevel, width, height, nullptr);
    // Acknowledging a serial the compositor never sent would be a protocol
    // error: the configure is followed without it.
    FollowAskedSize(w);
    return true;
}

bool DeliverKeysym(unsigned long window, unsigned keysym)
{
    Window* w = Find(window);
    if (!w || !keysym)
        return false;
    QueueKey(w, keysym);
    return true;
}

bool DeliverClose(unsigned long window)
{
    Window* w = Find(window);
    if (!w)
        return false;
    ToplevelClose(w, w->toplevel);
    return true;
}

// ---- Keyboard ----

struct Keyboard::Xkb {
    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;

    void Take(xkb_keymap* made)
    {
        if (state)
            xkb_state_unref(state);
        if (keymap)
            xkb_keymap_unref(keymap);
        keymap = made;
        state = xkb_state_new(keymap);
    }
};

Keyboard::Keyboard()
    : xkb(new Xkb)
{
    xkb->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
}

Keyboard::~Keyboard()
{
    if (xkb->state)
        xkb_state_unref(xkb->state);
    if (xkb->keymap)
        xkb_keymap_unref(xkb->keymap);
    if (xkb->context)
        xkb_context_unref(xkb->context);
    delete xkb;
}

bool Keyboard::SetKeymap(const char* text, size_t length)
{
    if (!xkb->context || !text)
        return false;
    xkb_keymap* made = xkb_keymap_new_from_buffer(
        xkb->context, text, length, XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!made) {
        platform::PrintFailure("Keyboard: the compositor's keymap (%zu bytes) is not one\n", length);
        return false;
    }
    xkb->Take(made);
    return true;
}

bool Keyboard::SetKeymapByLayout(const char* layout)
{
    if (!xkb->context || !layout)
        return false;
    xkb_rule_names names {};
    names.layout = layout;
    xkb_keymap* made = xkb_keymap_new_from_names(xkb->context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!made)
        return false;
    xkb->Take(made);
    return true;
}

void Keyboard::SetModifiers(unsigned depressed, unsigned latched, unsigned locked, unsigned group)
{
    if (xkb->state)
        xkb_state_update_mask(xkb->state, depressed, latched, locked, 0, 0, group);
}

unsigned Keyboard::KeyPressed(unsigned evdevKey) const
{
    // XKB numbers keys from 8 above the kernel's codes.
    if (!xkb->state || evdevKey > 0xffff)
        return 0;
    return xkb_state_key_get_one_sym(xkb->state, evdevKey + 8);
}

} // namespace varnox::wayland

namespace varnox::platform {
namespace {

    using wayland::State;
    using wayland::Window;

    bool WaylandOpen(std::string& reason)
    {
        wayland::Connection& s = State();
        if (s.display)
            return true;
        if (!s.keys)
            s.keys = new wayland::Keyboard;
        s.display = wl_display_connect(nullptr);
        if (!s.display) {
            const char* name = Setting("WAYLAND_DISPLAY");
            reason = std::string("could not connect to the Wayland display \"")
                + (name && *name ? name : "wayland-0") + "\"";
            return false;
        }
        s.registry = wl_display_get_registry(s.display);
        wl_registry_add_listener(s.registry, &wayland::kRegistryListener, nullptr);
        // The globals, then what binding them sent (the seat's capabilities).
        if (wl_display_roundtrip(s.display) < 0 || wl_display_roundtrip(s.display) < 0) {
            reason = "the Wayland compositor closed the connection";
            wayland::Disconnect();
            return false;
        }
        if (!s.compositor || !s.wmBase) {
            reason = s.compositor ? "the Wayland compositor offers no xdg_wm_base (xdg-shell)"
                                  : "the Wayland compositor offers no wl_compositor";
            wayland::Disconnect();
            return false;
        }
        return true;
    }

    NativeWindow WaylandCreateTopLevel(Device* device, Config* config, int width, int height)
    {
        wayland::Connection& s = State();
        if (!s.display || !device || !config)
            return kNoWindow;
        ClearFailure();
        if (width > wayland::kMaxWindowSide || height > wayland::kMaxWindowSide) {
            RecordFailure("xdg_toplevel: windows are at most %d x %d", wayland::kMaxWindowSide,
                wayland::kMaxWindowSide);
            return kNoWindow;
        }
        Window* w = new Window;
        s.windows.push_back(w);
        // Wayland has no empty windows either: a requested size of 0 becomes 1.
        w->width = width > 0 ? width : 1;
        w->height = height > 0 ? height : 1;
        w->surface = wl_compositor_create_surface(s.compositor);
        w->xdgSurface = xdg_wm_base_get_xdg_surface(s.wmBase, w->surface);
        xdg_surface_add_listener(w->xdgSurface, &wayland::kSurfaceListener, w);
        w->toplevel = xdg_surface_get_toplevel(w->xdgSurface);
        xdg_toplevel_add_listener(w->toplevel, &wayland::kToplevelListener, w);
        xdg_toplevel_set_title(w->toplevel, wayland::kTitle);
        xdg_toplevel_set_app_id(w->toplevel, wayland::kAppId);
        if (s.decorations) {
            w->decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(s.decorations, w->toplevel);
            zxdg_toplevel_decoration_v1_add_listener(w->decoration, &wayland::kDecorationListener, w);
            zxdg_toplevel_decoration_v1_set_mode(w->decoration, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
        }
        // The configs carry alpha, which is no part of what the window shows:
        // the whole surface is opaque.
        wl_region* opaque = wl_compositor_create_region(s.compositor);
        wl_region_add(opaque, 0, 0, wayland::kMaxWindowSide, wayland::kMaxWindowSide);
        wl_surface_set_opaque_region(w->surface, opaque);
        wl_region_destroy(opaque);
        // The first commit, without a buffer, asks for the first configure.
        wl_surface_commit(w->surface);
        if (!wayland::AwaitConfigure(s.display, w)) {
            RecordFailure("xdg_surface: the compositor did not configure the window");
            wayland::DestroyWindow(w);
            return kNoWindow;
        }
        w->eglWindow = wl_egl_window_create(w->surface, w->width, w->height);
        if (!w->eglWindow) {
            RecordFailure("wl_egl_window_create: refused %d x %d", w->width, w->height);
            wayland::DestroyWindow(w);
            return kNoWindow;
        }
        return static_cast<NativeWindow>(reinterpret_cast<unsigned long>(w));
    }

    bool WaylandExists(NativeWindow window)
    {
        return wayland::Find(static_cast<unsigned long>(window)) != nullptr;
    }

    void WaylandShow(NativeWindow, bool)
    {
        // A Wayland window appears with its first frame: nothing to map.
        if (wl_display* d = State().display)
            wl_display_flush(d);
    }

    void WaylandClientSize(NativeWindow window, int* width, int* height)
    {
        Window* w = wayland::Find(static_cast<unsigned long>(window));
        *width = w ? w->width : 0;
        *height = w ? w->height : 0;
    }

    void WaylandAttach(NativeWindow window, CWindowVNX* target)
    {
        Window* w = wayland::Find(static_cast<unsigned long>(window));
        if (w && !w->target)
            w->target = target;
    }

    void WaylandDetach(CWindowVNX* target)
    {
        for (Window* w : State().windows)
            if (w->target == target)
                w->target = nullptr;
    }

    void WaylandPump(NativeWindow window)
    {
        wayland::Connection& s = State();
        Window* w = wayland::Find(static_cast<unsigned long>(window));
        if (!s.display || !w)
            return;
        if (!wayland::DispatchWaiting(s.display) && !s.lostSaid) {
            s.lostSaid = true;
            PrintFailure(
                "CWindowVNX: the Wayland connection is broken (error %d)\n", wl_display_get_error(s.display));
        }
        // The close request ends the process as X11's WM_DELETE_WINDOW does.
        w = wayland::Find(static_cast<unsigned long>(window));
        if (w && w->closeRequested && w->target)
            std::exit(0);
    }

    unsigned long WaylandWaitForKey(int milliseconds)
    {
        wayland::Connection& s = State();
        if (!s.display)
            return 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            if (!wayland::DispatchWaiting(s.display))
                return 0;
            for (Window* w : s.windows)
                if (w->closeRequested && w->target)
                    std::exit(0);
            if (const unsigned sym = wayland::TakeKey())
                return sym;
            int wait = -1;
            if (milliseconds >= 0) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0)
                    return 0;
                wait = static_cast<int>(left.count());
            }
            pollfd fd { wl_display_get_fd(s.display), POLLIN, 0 };
            poll(&fd, 1, wait);
        }
    }

    void WaylandDestroyTopLevel(NativeWindow window)
    {
        Window* w = wayland::Find(static_cast<unsigned long>(window));
        if (!w)
            return;
        wayland::DestroyWindow(w);
        if (wl_display* d = State().display)
            wl_display_flush(d);
    }

} // namespace

const WindowSystemCalls* WaylandCalls()
{
    static const WindowSystemCalls calls
        = { "Wayland", WaylandOpen, WaylandCreateTopLevel, WaylandExists, WaylandShow, WaylandClientSize,
              WaylandAttach, WaylandDetach, WaylandPump, WaylandDestroyTopLevel, WaylandWaitForKey };
    return &calls;
}

} // namespace varnox::platform
