#pragma once

#include <cmath>

#include <varnox/kxVec.h>

#include "core/Rounding.h"

namespace varnox {

// The arithmetic of kxVec3::cross and kxVec3::normalize, inline so that the
// library's own per-vertex code (the surface normals) gets it without a call
// and with its constant operands folded. Each step is rounded to float where
// it is stored (RoundToFloat), so results are reproducible bit for bit.

/// a × b, each term formed in double and rounded to float.
inline kxVec3 Cross(const kxVec3& a, const kxVec3& b)
{
    const double ax = a.x, ay = a.y, az = a.z;
    const double bx = b.x, by = b.y, bz = b.z;
    return kxVec3(
        RoundToFloat(ay * bz - az * by), RoundToFloat(az * bx - ax * bz), RoundToFloat(ax * by - ay * bx));
}

/// Scales `v` in place to unit length; a zero vector becomes non-finite.
inline kxVec3& Normalize(kxVec3& v)
{
    const double dx = v.x, dy = v.y, dz = v.z;
    const float squared = RoundToFloat(dx * dx + dy * dy + dz * dz);
    const float length = RoundToFloat(std::sqrt(static_cast<double>(squared)));
    const float inverse = RoundToFloat(1.0 / static_cast<double>(length));
    v.x = RoundToFloat(dx * inverse);
    v.y = RoundToFloat(dy * inverse);
    v.z = RoundToFloat(dz * inverse);
    return v;
}

} // namespace varnox
