#pragma once

#include <varnox/Export.h>
#include <varnox/kxVec.h>

namespace varnox {
class Culling;
}

/// Scale, rotation (degrees about an axis) and translation of a node. The scene
/// applies them as translate, rotate, scale: a vertex is scaled first.
class VARNOX_EXPORT kxTransform {
public:
    kxTransform();
    kxTransform(const kxTransform& other) = default;
    /// Takes `other`'s scale, rotation and translation.
    kxTransform& operator=(const kxTransform& other);
    virtual ~kxTransform();

    /// Angle in degrees; the axis is stored as given, not normalised.
    void setRotation(float angle, float x, float y, float z);
    void setTranslation(float x, float y, float z);
    void setScale(float x, float y, float z);

    kxVec3 getTranslation() const { return translation; }
    kxVec3 getScale() const { return scale; }
    /// Returns (angle, axis x, axis y, axis z).
    kxVec4 getRotation() const { return kxVec4(rotation.w, rotation.x, rotation.y, rotation.z); }

private:
    kxVec3 scale;
    kxVec4 rotation; // axis x, y, z, then the angle
    kxVec3 translation;

    friend class varnox::Culling;
    /// Counts the setters' calls, so that a scene knows when to test a node
    /// against its view again.
    unsigned int changes = 0;
};
