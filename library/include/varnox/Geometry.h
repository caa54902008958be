#pragma once

#include <varnox/Export.h>
#include <varnox/Node.h>

namespace varnox {
class Culling;
class RenderState;
struct SharedBuffers;
}

/// The drawable node: up to five vertex arrays (positions, normals, colours,
/// texture coordinates, 16-bit indices) kept only in GL buffer objects and
/// drawn with one call. Created only as the base of a derived class. Several
/// geometries may draw from one set of buffers (shareBuffers).
class VARNOX_EXPORT Geometry : public Node {
public:
    /// Deletes the buffers, unless other geometries still share them; the
    /// context that made them must be current.
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

    /// Draws from `source`'s buffers from now on, with its counts: its own
    /// buffers are given up first (deleted unless shared). The buffers are
    /// counted and live until the last geometry holding them goes. A setter
    /// or a mapping called on a geometry that shares gives it buffers of its
    /// own first, holding the same contents, so no other geometry changes.
    /// Nothing happens for the geometry itself or when either is inert.
    void shareBuffers(const Geometry& source);

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
    // be mapped. Every vertex must be written before the next draw. Mapping
    // the positions makes their box unknown until setBounds or setVertices.
    float* mapVertices();
    void unmapVertices();
    float* mapNormals();
    void unmapNormals();
    float* mapTexCoords();
    void unmapTexCoords();

    /// The box the positions lie in (in the geometry's own coordinates), for
    /// a class that writes them through mapVertices: a scene leaves out a
    /// geometry whose box lies wholly outside its view (docs/scene.md).
    /// setVertices sets it from the array it uploads.
    void setBounds(const kxVec3& low, const kxVec3& high);

private:
    /// The scene's last test of this geometry against a view, and what its
    /// inputs were then. A view of 0 (set whenever the box changes) names
    /// none: the next Render tests again. A scene reads it, and the two
    /// fields after it, of every geometry it leaves out, each Render: they
    /// come first, in the cache lines of the node's own fields.
    struct CullTest {
        unsigned int view = 0;
        unsigned int transformChanges = 0;
        unsigned int mode = 0;
        float lineWidth = 0.0f;
        bool outside = false;
    };
    CullTest cullTest;

protected:
    /// Mode of the draw call (GL_POINTS until a derived class sets it).
    unsigned int primitiveMode = 0;
    float lineWidth = 1.0f;
    int vertexCount = 0;
    int indexCount = 0;
    unsigned int vertexBuffer = 0;
    unsigned int texCoordBuffer = 0;
    unsigned int normalBuffer = 0;
    unsigned int colorBuffer = 0;
    unsigned int indexBuffer = 0;
    /// Floats per position (3 once vertices were set).
    int componentCount = 0;
    /// Made without a current GL context or a loaded entry-point table: the
    /// geometry makes no buffer, its setters free their arrays and change
    /// nothing, and it draws nothing, for its whole life.
    const bool inert;

private:
    /// The share group of the context the buffers were made in; 0 while
    /// there are none or the context is not one of the library's.
    unsigned int shareGroup = 0;

    /// What traverse draws, with each state call made through `state`: the
    /// scene's tracker leaves out what is already in force.
    void draw(varnox::RenderState& state);

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

    /// The buffers a geometry draws from, with the counts and sizes that
    /// describe them: what a copy reads and what sharers take.
    struct Contents {
        unsigned int buffers[5];
        int componentCount;
        int vertexCount;
        int indexCount;
        UploadedBytes uploaded;
    };
    Contents contents() const;
    /// Uploads copies of `from`'s buffers into buffers of this geometry's own,
    /// for exactly the arrays it holds.
    void CopyBuffers(const Contents& from);
    /// Makes the buffers this geometry's alone (copies, where others share
    /// them), before they are written.
    void OwnBuffers();
    /// Gives up the buffers, deleting them unless others share them: the
    /// geometry holds none afterwards.
    void ReleaseBuffers();

    /// Counts the geometries that draw from these buffers; null while they
    /// are this geometry's alone.
    mutable varnox::SharedBuffers* sharing = nullptr;

    friend class varnox::Culling;
    /// The box of the positions: low x, y, z, then high x, y, z.
    struct Box {
        float corners[6] = {};
        bool known = false;
    };
    Box box;
};
