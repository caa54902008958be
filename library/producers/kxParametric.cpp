#include <varnox/kxParametric.h>

#include <cmath>
#include <cstring>
#include <typeinfo>

#include <GL/gl.h>

#include "core/GLReadiness.h"
#include "core/Print.h"
#include "core/Rounding.h"
#include "core/VecMath.h"
#include "scene/VertexLayout.h"

namespace {

// The sine surface: a period of about 103 parameter units, heights ±A.
const float kFrequency = 0.0610018f;
const float kAmplitude = 20.8f;
const double kSlope = 1.2688373934732056; // kAmplitude · kFrequency, in double

const long kMaxVertices = 65536; // what 16-bit indices can address
const int kIndicesPerCell = 6; // two triangles

// The grid of a new surface: 30 × 30 cells over (0, 0)–(226, 226).
const int kDefaultResolution = 30;
const float kDefaultStop = 226.0f;

// The sine surface's argument at x: K·x, rounded to float.
inline float PhaseArgument(float x)
{
    return varnox::RoundToFloat(static_cast<double>(kFrequency) * x);
}

// The sine surface's position and normal from the sine and cosine of its
// arguments at u and v.
inline kxVec3 SineVertex(float u, float v, double sineU, double sineV)
{
    const float su = varnox::RoundToFloat(sineU);
    const float sv = varnox::RoundToFloat(sineV);
    return kxVec3(u, v, varnox::RoundToFloat(static_cast<double>(kAmplitude) * su * sv));
}

inline kxVec3 SineNormal(double sineU, double cosineU, double sineV, double cosineV)
{
    const kxVec3 alongU(1.0f, 0.0f, varnox::RoundToFloat(kSlope * cosineU * sineV));
    const kxVec3 alongV(0.0f, 1.0f, varnox::RoundToFloat(kSlope * sineU * cosineV));
    kxVec3 normal = varnox::Cross(alongU, alongV);
    return varnox::Normalize(normal);
}

// The parameter divided by the width of its range.
inline kxVec2 RangeFraction(float u, float v, double rangeU, double rangeV)
{
    return kxVec2(varnox::RoundToFloat(u / rangeU), varnox::RoundToFloat(v / rangeV));
}

// Walks the grid row by row, u fastest, and stores what the three functions
// give at each point. Each result is stored as soon as it comes back, so that
// none has to be kept across the next call.
struct Grid {
    int columns, rows;
    double firstU, firstV, stepU, stepV;
};

template <class Vertex, class Normal, class TexCoord>
void WriteGrid(const Grid& g, float* positions, float* normals, float* coordinates, Vertex vertex,
    Normal normal, TexCoord texCoord)
{
    for (int j = 0; j <= g.rows; ++j) {
        const float v = varnox::RoundToFloat(g.firstV + j * g.stepV);
        for (int i = 0; i <= g.columns; ++i) {
            const float u = varnox::RoundToFloat(g.firstU + i * g.stepU);
            const kxVec3 p = vertex(u, v);
            positions[0] = p.x;
            positions[1] = p.y;
            positions[2] = p.z;
            positions += varnox::kPositionFloats;
            const kxVec3 n = normal(u, v);
            normals[0] = n.x;
            normals[1] = n.y;
            normals[2] = n.z;
            normals += varnox::kNormalFloats;
            const kxVec2 t = texCoord(u, v);
            coordinates[0] = t.x;
            coordinates[1] = t.y;
            coordinates += varnox::kTexCoordFloats;
        }
    }
}

} // namespace

kxParametric::kxParametric()
    : startU(0.0f)
    , startV(0.0f)
    , stopU(kDefaultStop)
    , stopV(kDefaultStop)
{
    if (inert)
        varnox::ReportInert("kxParametric", varnox::MissingForBufferObjects());
    setRes(kDefaultResolution, kDefaultResolution);
    primitiveMode = GL_TRIANGLES;
}

kxParametric::~kxParametric() = default;

void kxParametric::setRes(int u, int v)
{
    // In long long: long has 32 bits on 64-bit Windows.
    if (u < 0 || v < 0 || (static_cast<long long>(u) + 1) * (static_cast<long long>(v) + 1) > kMaxVertices) {
        varnox::Print(varnox::Kind::Refusal,
            "kxParametric: setRes refused the resolution %d x %d (a grid of at most %ld vertices)\n", u, v,
            kMaxVertices);
        return;
    }
    resU = u;
    resV = v;
    // An inert surface keeps its resolution and has no buffers to size.
    if (inert)
        return;

    const int indexCount = u * v * kIndicesPerCell;
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

    // The grid is read once: the functions called per vertex need not be
    // assumed to move it under the loop.
    // With no cells along a direction its one row or column of vertices
    // lies at the start: the step is 0 rather than a division by zero.
    const Grid grid { resU, resV, startU, startV,
        resU > 0 ? varnox::RoundToFloat((static_cast<double>(stopU) - startU) / resU) : 0.0f,
        resV > 0 ? varnox::RoundToFloat((static_cast<double>(stopV) - startV) / resV) : 0.0f };
    if (typeid(*this) == typeid(kxParametric)) {
        // The library's own surface: no subclass function can be called, so
        // the three functions are computed in line, the sine and cosine of
        // each argument taken once for the position and the normal.
        const double rangeU = static_cast<double>(stopU) - startU;
        const double rangeV = static_cast<double>(stopV) - startV;
        WriteGrid(
            grid, positions, normals, coordinates,
            [](float u, float v) {
                return SineVertex(u, v, std::sin(static_cast<double>(PhaseArgument(u))),
                    std::sin(static_cast<double>(PhaseArgument(v))));
            },
            [](float u, float v) {
                const double a = PhaseArgument(u);
                const double b = PhaseArgument(v);
                return SineNormal(std::sin(a), std::cos(a), std::sin(b), std::cos(b));
            },
            [rangeU, rangeV](float u, float v) { return RangeFraction(u, v, rangeU, rangeV); });
    } else {
        WriteGrid(
            grid, positions, normals, coordinates, [this](float u, float v) { return getVertex(u, v); },
            [this](float u, float v) { return getNormal(u, v); },
            [this](float u, float v) { return getTexCoord(u, v); });
    }

    unmapTexCoords();
    unmapNormals();
    unmapVertices();
}

const kxParametric::Phase& kxParametric::PhaseAt(float x, Phase& last)
{
    unsigned int bits;
    std::memcpy(&bits, &x, sizeof bits);
    if (last.bits != bits) {
        last.bits = bits;
        last.sine = std::sin(static_cast<double>(x));
        last.cosine = std::cos(static_cast<double>(x));
    }
    return last;
}

kxVec3 kxParametric::getVertex(float u, float v)
{
    const Phase& a = PhaseAt(PhaseArgument(u), lastU);
    const Phase& b = PhaseAt(PhaseArgument(v), lastV);
    return SineVertex(u, v, a.sine, b.sine);
}

kxVec3 kxParametric::getNormal(float u, float v)
{
    const Phase& a = PhaseAt(PhaseArgument(u), lastU);
    const Phase& b = PhaseAt(PhaseArgument(v), lastV);
    return SineNormal(a.sine, a.cosine, b.sine, b.cosine);
}

kxVec2 kxParametric::getTexCoord(float u, float v)
{
    return RangeFraction(u, v, static_cast<double>(stopU) - startU, static_cast<double>(stopV) - startV);
}
