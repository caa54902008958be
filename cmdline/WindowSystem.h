#pragma once

// Which window system the library's window targets take, by the same rule
// the library follows, for programs that must know before they make a
// window: VARNOX_PLATFORM=wayland or x11 decides; otherwise WAYLAND_DISPLAY
// set, or a compositor's default socket (wayland-0) in XDG_RUNTIME_DIR, means
// Wayland; otherwise X11. Always false on Windows.

namespace vnxcmd {

bool LibraryOnWayland();

} // namespace vnxcmd
