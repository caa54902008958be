#pragma once

// The EGL side of the Linux platform layer, as far as the X11 side (and the
// tests) need it. Every EGL call of the library lives in EglContext.cpp.

#include <string>

#include "targets/Platform.h"

namespace varnox::egl {

/// The name of an EGL error code ("EGL_BAD_MATCH"), EGL_SUCCESS included;
/// null for a code EGL does not define.
const char* ErrorName(int code);

/// An EGL error as a cause line keeps it: its name, or "EGL error 0x…" for a
/// code without one.
std::string DescribeError(int code);

/// The X11 visual of a window config; 0 when it has none.
unsigned long ConfigVisual(platform::Device* device, platform::Config* config);

} // namespace varnox::egl
