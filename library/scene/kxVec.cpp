#include <varnox/kxVec.h>

#include <cmath>

kxVec3& kxVec3::normalize()
{
    // Each intermediate is rounded to float where it is stored, so that
    // normals come out the same on every compiler and machine.
    const double dx = x, dy = y, dz = z;
    const float squared = static_cast<float>(dx * dx + dy * dy + dz * dz);
    const float length = static_cast<float>(std::sqrt(static_cast<double>(squared)));
    const float inverse = static_cast<float>(1.0 / static_cast<double>(length));
    x = static_cast<float>(dx * inverse);
    y = static_cast<float>(dy * inverse);
    z = static_cast<float>(dz * inverse);
    return *this;
}

kxVec3 kxVec3::cross(const kxVec3& v) const
{
    const double ax = x, ay = y, az = z;
    const double bx = v.x, by = v.y, bz = v.z;
    return kxVec3(static_cast<float>(ay * bz - az * by),
                  static_cast<float>(az * bx - ax * bz),
                  static_cast<float>(ax * by - ay * bx));
}
