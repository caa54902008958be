#pragma once

#include <varnox/Export.h>
#include <varnox/Node.h>

namespace varnox {
class RenderState;
}

/// The drawable node: up to five vertex arrays (positions, normals, colours,
/// texture coordinates, 16-bit indices) kept only in GL buffer objects and
/// drawn with one call. Created only as the base of a derived class.
class VARNOX_EXPORT Geometry : public Node {
public:
    /// Deletes the buffers; the context that made them must be current.
    ~Geometry() override;

    /// Draws the arrays: glDrawElements when there is an index buffer,
    /// glDrawArrays otherwise. Inside a scene's Render the state calls go
    /// through the scene's tracker (docs/scene.md); elsewhere every call is
    /// issued.
    void traverse(TContext* context) override;

protected:
    Geometry();
    /// A copy with buffers of its own holding the source's contents, for
    /// exactly the arrays the source holds.
    Geometry(const Geometry& source);

    // Each setter takes over `data` (allocated with new[]), uploads it into
    // its buffer (made at the first upload, reused afterwards) and frees it.
    // Null data gives storage of the right size with undefined contents. A
    // negative count, or one whose bytes overflow an int, is refused with one
    // line: the array is freed and nothing changes.
    /// Three floats a vertex; sets the vertex count.
    void setVertices(float* data, int count);
    /// Three floats a vertex, sized by the vertex count.
    void setNormals(float* data);
    /// Four floats a vertex, sized by the vertex count.
    void setColors(float* data);
    /// Two floats a vertex, sized by the vertex count.
    void setTexCoords(float* data);
    /// `count` 16-bit indices.
    void setIndices(unsigned short* data, int count);

    // Write-only mapping of a buffer; null when it does not exist or cannot
    // be mapped. Every vertex must be written before the next draw.
    float* mapVertices();
    void unmapVertices();
    float* mapNormals();
    void unmapNormals();
    float* mapTexCoords();
    void unmapTexCoords();

    int vertexCount = 0;
    int indexCount = 0;
    /// Mode of the draw call (GL_POINTS until a derived class sets it).
    unsigned int primitiveMode = 0;
    unsigned int vertexBuffer = 0;
    unsigned int texCoordBuffer = 0;
    unsigned int normalBuffer = 0;
    unsigned int colorBuffer = 0;
    unsigned int indexBuffer = 0;
    /// Floats per position (3 once vertices were set).
    int componentCount = 0;
    float lineWidth = 1.0f;
    /// Made without a current GL context or a loaded entry-point table: the
    /// geometry makes no buffer, its setters free their arrays and change
    /// nothing, and it draws nothing, for its whole life.
    const bool inert;

private:
    /// What traverse draws, with each state call made through `state`: the
    /// scene's tracker leaves out what is already in force.
    void draw(varnox::RenderState& state);

    /// The share group of the context the buffers were made in; 0 while
    /// there are none or the context is not one of the library's.
    unsigned int shareGroup = 0;

    /// Bytes last uploaded into each buffer, so that a copy never reads past
    /// the end of a source buffer sized by an older vertex count.
    struct UploadedBytes {
        long vertices = 0;
        long normals = 0;
        long colors = 0;
        long texCoords = 0;
        long indices = 0;
    };
    UploadedBytes uploaded;
};
