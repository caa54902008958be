#include "ParametricSurface.h"

#include <cmath>

namespace {
const float kFrequency = 0.0610018f;
const float kAmplitude = 20.8f;
const double kSlope = 1.2688373934732056; // kAmplitude · kFrequency
} // namespace

ParametricSurface::ParametricSurface()
    : phase(0.0f)
{
}

ParametricSurface::~ParametricSurface() = default;

kxVec3 ParametricSurface::getVertex(float u, float v)
{
    const float ku = static_cast<float>(static_cast<double>(kFrequency) * (static_cast<double>(phase) + u));
    const float kv = static_cast<float>(static_cast<double>(kFrequency) * (static_cast<double>(phase) + v));
    const float su = static_cast<float>(std::sin(static_cast<double>(ku)));
    const float sv = static_cast<float>(std::sin(static_cast<double>(kv)));
    return kxVec3(u, v, static_cast<float>(static_cast<double>(kAmplitude) * su * sv));
}

kxVec3 ParametricSurface::getNormal(float u, float v)
{
    const double a = static_cast<float>(static_cast<double>(kFrequency) * (static_cast<double>(phase) + u));
    const double b = static_cast<float>(static_cast<double>(kFrequency) * (static_cast<double>(phase) + v));
    const kxVec3 alongU(1.0f, 0.0f, static_cast<float>(-kSlope * std::cos(a) * std::sin(b)));
    const kxVec3 alongV(0.0f, 1.0f, static_cast<float>(kSlope * std::sin(a) * std::cos(b)));
    kxVec3 normal = alongU.cross(alongV);
    return normal.normalize();
}
