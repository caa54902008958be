#pragma once

namespace varnox {

// Floats a vertex in each of Geometry's arrays, tightly packed; the producers
// fill the same layouts through the mapped buffers.
constexpr int kPositionFloats = 3;
constexpr int kNormalFloats = 3;
constexpr int kColorFloats = 4;
constexpr int kTexCoordFloats = 2;

} // namespace varnox
