#pragma once

#include <varnox/kxParametric.h>

/// The benchmark's wave: the library's sine surface shifted by `phase`, with
/// its normals tilted the other way along u.
class ParametricSurface : public kxParametric {
public:
    ParametricSurface();
    ~ParametricSurface() override;

    float phase;

protected:
    kxVec3 getVertex(float u, float v) override;
    kxVec3 getNormal(float u, float v) override;
};
