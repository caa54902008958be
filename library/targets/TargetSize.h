#pragma once

// The largest drawable a render target can have, from what the platform and
// GL state: a pixel buffer's maxima and the largest viewport. A size beyond
// them is refused before anything is asked of the driver, so that no target
// keeps a size nobody could allocate a read-back for.

namespace varnox::platform {

/// The largest width and height; a side of 0 or less is not known.
struct SizeLimit {
    int width = 0;
    int height = 0;
};

/// The tighter of two limits, side by side; a known side wins over an
/// unknown one.
SizeLimit Tighter(SizeLimit a, SizeLimit b);

/// Whether width × height goes beyond a known side of `limit`. Sides of 0 or
/// less are not beyond it: the driver judges those.
bool Exceeds(int width, int height, SizeLimit limit);

} // namespace varnox::platform
