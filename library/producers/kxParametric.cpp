#include <varnox/kxParametric.h>

#include <cmath>

#include <GL/gl.h>

namespace {

// The sine surface: a period of about 103 parameter units, heights ±A.
const float kFrequency = 0.0610018f;
const float kAmplitude = 20.8f;
const double kSlope = 1.2688373934732056; // kAmplitude · kFrequency, in double

const long kMaxVertices = 65536; // what 16-bit indices can address

} // namespace

kxParametric::kxParametric()
    : startU(0.0f)
    , startV(0.0f)
    , stopU(226.0f)
    , stopV(226.0f)
{
    setRes(30, 30);
    primitiveMode = GL_TRIANGLES;
}

kxParametric::~kxParametric() = default;

void kxParametric::setRes(int u, int v)
{
    if (u < 0 || v < 0 || (static_cast<long>(u) + 1) * (static_cast<long>(v) + 1) > kMaxVertices)
        return;
    resU = u;
    resV = v;

    const int indexCount = u * v * 6;
    unsigned short* indices = new unsigned short[static_cast<size_t>(indexCount)];
    const unsigned short w = static_cast<unsigned short>(u + 1);
    unsigned short* next = indices;
    for (int j = 0; j < v; ++j)
        for (int i = 0; i < u; ++i) {
            const unsigned short a = static_cast<unsigned short>(j * w + i);
            const unsigned short b = static_cast<unsigned short>(a + 1);
            const unsigned short c = static_cast<unsigned short>(a + w);
            const unsigned short d = static_cast<unsigned short>(c + 1);
            // Both triangles run counter-clockwise with u right and v up.
            *next++ = c;
            *next++ = a;
            *next++ = d;
            *next++ = d;
            *next++ = a;
            *next++ = b;
        }
    // The vertex buffers only need their size here: update writes every
    // vertex, so no contents are uploaded now.
    setIndices(indices, indexCount);
    setVertices(nullptr, (u + 1) * (v + 1));
    setNormals(nullptr);
    setTexCoords(nullptr);
}

void kxParametric::setStart(float u, float v)
{
    startU = u;
    startV = v;
}

void kxParametric::setStop(float u, float v)
{
    stopU = u;
    stopV = v;
}

void kxParametric::update(TContext*)
{
    float* positions = mapVertices();
    float* coordinates = positions ? mapTexCoords() : nullptr;
    float* normals = coordinates ? mapNormals() : nullptr;
    if (!normals) {
        // Without all three buffers nothing is written; give back what was mapped.
        if (coordinates)
            unmapTexCoords();
        if (positions)
            unmapVertices();
        return;
    }

    const float stepU = static_cast<float>((static_cast<double>(stopU) - startU) / resU);
    const float stepV = static_cast<float>((static_cast<double>(stopV) - startV) / resV);
    for (int j = 0; j <= resV; ++j) {
        const float v = static_cast<float>(startV + static_cast<double>(j) * stepV);
        for (int i = 0; i <= resU; ++i) {
            const float u = static_cast<float>(startU + static_cast<double>(i) * stepU);
            const kxVec3 p = getVertex(u, v);
            const kxVec3 n = getNormal(u, v);
            const kxVec2 t = getTexCoord(u, v);
            *positions++ = p.x;
            *positions++ = p.y;
            *positions++ = p.z;
            *normals++ = n.x;
            *normals++ = n.y;
            *normals++ = n.z;
            *coordinates++ = t.x;
            *coordinates++ = t.y;
        }
    }

    unmapTexCoords();
    unmapNormals();
    unmapVertices();
}

kxVec3 kxParametric::getVertex(float u, float v)
{
    const float ku = static_cast<float>(static_cast<double>(kFrequency) * u);
    const float kv = static_cast<float>(static_cast<double>(kFrequency) * v);
    const float su = static_cast<float>(std::sin(static_cast<double>(ku)));
    const float sv = static_cast<float>(std::sin(static_cast<double>(kv)));
    return kxVec3(u, v, static_cast<float>(static_cast<double>(kAmplitude) * su * sv));
}

kxVec3 kxParametric::getNormal(float u, float v)
{
    const double a = static_cast<float>(static_cast<double>(kFrequency) * u);
    const double b = static_cast<float>(static_cast<double>(kFrequency) * v);
    const kxVec3 alongU(1.0f, 0.0f, static_cast<float>(kSlope * std::cos(a) * std::sin(b)));
    const kxVec3 alongV(0.0f, 1.0f, static_cast<float>(kSlope * std::sin(a) * std::cos(b)));
    kxVec3 normal = alongU.cross(alongV);
    return normal.normalize();
}

kxVec2 kxParametric::getTexCoord(float u, float v)
{
    return kxVec2(static_cast<float>(u / (static_cast<double>(stopU) - startU)),
                  static_cast<float>(v / (static_cast<double>(stopV) - startV)));
}
