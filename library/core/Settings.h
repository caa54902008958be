#pragma once

// The library's settings from the environment (VARNOX_DEBUG,
// VARNOX_NO_STATE_ELISION, VARNOX_EGL_DEVICE): every one is read here, at
// the moment it is needed, so that a program or a test may set it after the
// library was loaded.

namespace varnox {

/// The value of the setting `name`; null when it is not set.
const char* Setting(const char* name);

/// Whether the switch `name` is on: set to exactly "1". Any other value, or
/// none, leaves it off.
bool SwitchOn(const char* name);

} // namespace varnox
