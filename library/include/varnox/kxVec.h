#pragma once

#include <varnox/Export.h>

/// Two floats: a texture coordinate (s, t) or any 2D value.
struct VARNOX_EXPORT kxVec2 {
    float x = 0.0f;
    float y = 0.0f;

    kxVec2() = default;
    kxVec2(float x_, float y_)
        : x(x_)
        , y(y_)
    {
    }
};

/// Three floats: positions, normals, vector uniforms.
struct VARNOX_EXPORT kxVec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    kxVec3() = default;
    kxVec3(float x_, float y_, float z_)
        : x(x_)
        , y(y_)
        , z(z_)
    {
    }

    /// Scales this vector in place to unit length and returns it. Every step is
    /// rounded to float as stored, so results are reproducible bit for bit; a
    /// zero vector becomes non-finite.
    VARNOX_EXPORT kxVec3& normalize();

    /// Cross product this × v, each term formed in double and rounded to float.
    VARNOX_EXPORT kxVec3 cross(const kxVec3& v) const;
};

/// Four floats: colours (r, g, b, a) and packed rotations (angle, x, y, z).
struct VARNOX_EXPORT kxVec4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    kxVec4() = default;
    kxVec4(float x_, float y_, float z_, float w_)
        : x(x_)
        , y(y_)
        , z(z_)
        , w(w_)
    {
    }
};
