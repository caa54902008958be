#include <varnox/kxTransform.h>

kxTransform::kxTransform()
    : scale(1.0f, 1.0f, 1.0f)
    , rotation()
    , translation()
{
}

kxTransform::~kxTransform() = default;

kxTransform& kxTransform::operator=(const kxTransform& other)
{
    scale = other.scale;
    rotation = other.rotation;
    translation = other.translation;
    ++changes;
    return *this;
}

void kxTransform::setRotation(float angle, float x, float y, float z)
{
    rotation = kxVec4(x, y, z, angle);
    ++changes;
}

void kxTransform::setTranslation(float x, float y, float z)
{
    translation = kxVec3(x, y, z);
    ++changes;
}

void kxTransform::setScale(float x, float y, float z)
{
    scale = kxVec3(x, y, z);
    ++changes;
}
