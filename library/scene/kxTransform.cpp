#include <varnox/kxTransform.h>

kxTransform::kxTransform()
    : scale(1.0f, 1.0f, 1.0f)
    , rotation()
    , translation()
{
}

kxTransform::~kxTransform() = default;

void kxTransform::setRotation(float angle, float x, float y, float z)
{
    rotation = kxVec4(x, y, z, angle);
}

void kxTransform::setTranslation(float x, float y, float z)
{
    translation = kxVec3(x, y, z);
}

void kxTransform::setScale(float x, float y, float z)
{
    scale = kxVec3(x, y, z);
}
