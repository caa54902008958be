#pragma once

// Test nodes for scene and geometry tests: geometry whose protected
// operations are reachable, and a node that records when it is drawn.

#include <algorithm>
#include <string>
#include <vector>

#include <varnox/varnox.h>

#include "support/ReadBack.h"

namespace vxtest {

/// Geometry with its protected setters, mapping and fields made public.
class GeometryProbe : public Geometry {
public:
    GeometryProbe() = default;
    GeometryProbe(const GeometryProbe& source)
        : Geometry(source)
    {
    }

    using Geometry::mapNormals;
    using Geometry::mapTexCoords;
    using Geometry::mapVertices;
    using Geometry::setColors;
    using Geometry::setIndices;
    using Geometry::setNormals;
    using Geometry::setTexCoords;
    using Geometry::setVertices;
    using Geometry::shareBuffers;
    using Geometry::unmapNormals;
    using Geometry::unmapTexCoords;
    using Geometry::unmapVertices;

    using Geometry::colorBuffer;
    using Geometry::componentCount;
    using Geometry::indexBuffer;
    using Geometry::indexCount;
    using Geometry::lineWidth;
    using Geometry::normalBuffer;
    using Geometry::primitiveMode;
    using Geometry::texCoordBuffer;
    using Geometry::vertexBuffer;
    using Geometry::vertexCount;
};

/// A copy of `values` on the heap, as the geometry setters take them.
template <class T> T* HeapArray(const std::vector<T>& values)
{
    T* array = new T[values.size()];
    std::copy(values.begin(), values.end(), array);
    return array;
}

/// An axis-aligned rectangle from (x1, y1) to (x2, y2) in scene pixels, drawn
/// as a triangle strip in the given colour.
inline GeometryProbe* MakeRectangle(float x1, float y1, float x2, float y2, const kxVec4& colour)
{
    GeometryProbe* g = new GeometryProbe();
    g->primitiveMode = GL_TRIANGLE_STRIP;
    g->setVertices(HeapArray<float>({ x1, y1, 0, x2, y1, 0, x1, y2, 0, x2, y2, 0 }), 4);
    g->setColor(colour);
    return g;
}

/// A node that appends its name to a log each time it is traversed.
class RecordingNode : public Node {
public:
    RecordingNode(std::string n, std::vector<std::string>* l)
        : name(std::move(n))
        , log(l)
    {
    }
    void traverse(TContext*) override { log->push_back(name); }

    std::string name;
    std::vector<std::string>* log;
};

/// Gives `shader` a vertex and a fragment stage that draw with the fixed
/// pipeline's transform and the current colour, so that it links and binds.
void AttachPassThroughStages(Shader* shader);

} // namespace vxtest
