#pragma once

// Share groups: contexts that share objects (textures, buffers, programs)
// see the same objects under the same names; contexts of different groups
// hold different objects, or none, under those names. The library numbers
// the groups of the contexts it makes (from 1) and records in each object
// the group of the context it was made in. The platform layer answers these.

namespace varnox {

/// The share group of the context current on this thread; 0 when none is
/// current or the library did not make it.
unsigned int CurrentShareGroup();

/// The share group of `context` (a render target's GL context handle); 0 for
/// null or a context the library did not make.
unsigned int ShareGroupOf(void* context);

} // namespace varnox
