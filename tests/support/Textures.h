#pragma once

// GL objects that tests make for themselves, in the context that is current.

#include <varnox/kxExtensions.h>

namespace vxtest {

/// A 4 × 4 RGBA texture with undefined texels, made in the current context
/// and left unbound; the caller deletes it.
GLuint MakeTexture();

} // namespace vxtest
