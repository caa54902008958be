#pragma once

namespace varnox {

// Geometry is stored in single precision, but the library forms each
// intermediate product, quotient or function value in double and rounds it
// to float where the design stores it. Doing exactly those roundings, no more
// and no fewer, gives the same bits as the design's own arithmetic (the tests
// compare surfaces, normals and texture coordinates exactly); a result kept
// in double a step longer, or rounded a step earlier, can differ in its last
// bit. Every such deliberate rounding goes through here, so that it reads as
// a step of the arithmetic and not as a stray cast.
constexpr float RoundToFloat(double value)
{
    return static_cast<float>(value);
}

} // namespace varnox
