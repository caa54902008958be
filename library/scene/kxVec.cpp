#include <varnox/kxVec.h>

#include "core/VecMath.h"

kxVec3& kxVec3::normalize()
{
    return varnox::Normalize(*this);
}

kxVec3 kxVec3::cross(const kxVec3& v) const
{
    return varnox::Cross(*this, v);
}
