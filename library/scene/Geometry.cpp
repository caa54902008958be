#include <varnox/Geometry.h>

#include <climits>
#include <cmath>
#include <cstring>

#include <varnox/kxExtensions.h>

#include "core/GLReadiness.h"
#include "core/Print.h"
#include "core/ShareGroup.h"
#include "scene/RenderState.h"
#include "scene/VertexLayout.h"

namespace {

using varnox::kColorFloats;
using varnox::kNormalFloats;
using varnox::kPositionFloats;
using varnox::kTexCoordFloats;

const GLvoid* const kOffsetZero = nullptr;

// Bytes of one stored value; sizes are formed in long so that no count times
// a size overflows an int.
constexpr long kFloatBytes = sizeof(float);
constexpr long kIndexBytes = sizeof(unsigned short);

// The most bytes one buffer takes: sizes are kept and passed as int (GL's
// GLsizei) elsewhere, so a count whose bytes overflow an int is refused.
constexpr long kMaxBufferBytes = INT_MAX;

// Binds `buffer` to `target`, and tells the scene's tracker when one is
// drawing (library code reaches here from a traverse: an image object's fit).
void Bound(GLenum target, unsigned int buffer)
{
    kxgl::glBindBuffer(target, buffer);
    varnox::RenderState& state = varnox::RenderState::Current();
    if (target == GL_ELEMENT_ARRAY_BUFFER)
        state.ElementBufferBound(buffer);
    else
        state.ArrayBufferBound(buffer);
}

// The box of `count` positions (three floats each); unknown without data or
// when a value is not finite.
void BoxOf(const float* data, int count, float corners[6], bool& known)
{
    known = false;
    if (!data || count <= 0)
        return;
    for (int axis = 0; axis < 3; ++axis)
        corners[axis] = corners[axis + 3] = data[axis];
    for (long i = 0; i < static_cast<long>(count) * kPositionFloats; ++i) {
        const float v = data[i];
        if (!std::isfinite(v))
            return;
        const int axis = static_cast<int>(i % kPositionFloats);
        corners[axis] = v < corners[axis] ? v : corners[axis];
        corners[axis + 3] = v > corners[axis + 3] ? v : corners[axis + 3];
    }
    known = true;
}

// The upload shared by the five setters: the buffer is made at the first
// upload and reused afterwards, its storage replaced by `bytes` bytes of
// `data`, and `data` freed. The buffer stays bound. False, with `data` freed
// and nothing else changed, when the buffer could not be made (GL gave no
// name: no context is current).
template <class T>
bool Upload(T* data, unsigned int& buffer, GLenum target, long bytes, GLenum usage, long& uploaded,
    unsigned int& shareGroup)
{
    if (!buffer) {
        kxgl::glGenBuffers(1, &buffer);
        if (buffer && !shareGroup)
            shareGroup = varnox::CurrentShareGroup();
    }
    if (!buffer) {
        delete[] data;
        return false;
    }
    Bound(target, buffer);
    kxgl::glBufferData(target, bytes, data, usage);
    uploaded = bytes;
    delete[] data;
    return true;
}

// Whether a setter may upload `count` elements of `elementBytes` bytes each:
// the geometry is not inert, the count is not negative and the bytes fit an
// int. Otherwise `data` is freed (the setter owns it) and, for a bad count,
// one line names it.
//
// The product is formed in long long: long has 32 bits on 64-bit Windows.
template <class T>
bool MayUpload(bool inert, T* data, const char* setter, long long count, long long elementBytes)
{
    if (!inert && count >= 0 && count * elementBytes <= kMaxBufferBytes)
        return true;
    delete[] data;
    if (inert)
        return false;
    if (count < 0)
        varnox::Print(varnox::Kind::Refusal, "Geometry: %s refused the count %lld\n", setter, count);
    else
        varnox::Print(varnox::Kind::Refusal,
            "Geometry: %s refused the count %lld: %lld bytes do not fit an int\n", setter, count,
            count * elementBytes);
    return false;
}

float* MapForWriting(unsigned int buffer)
{
    if (!buffer)
        return nullptr;
    Bound(GL_ARRAY_BUFFER, buffer);
    return static_cast<float*>(kxgl::glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
}

void Unmap(unsigned int buffer)
{
    if (!buffer)
        return;
    Bound(GL_ARRAY_BUFFER, buffer);
    kxgl::glUnmapBuffer(GL_ARRAY_BUFFER);
}

// Reads back `elements` values of a source buffer for a copy. Where the
// mapping fails the array stays undefined; where the buffer holds fewer
// bytes than wanted, the rest is zero rather than read past its end.
template <class T> T* ReadBack(unsigned int buffer, GLenum target, long elements, long bytesInBuffer)
{
    Bound(target, buffer);
    const void* mapped = kxgl::glMapBuffer(target, GL_READ_ONLY);
    T* copy = nullptr;
    if (mapped) {
        copy = new T[elements > 0 ? elements : 0];
        const long wanted = elements * static_cast<long>(sizeof(T));
        const long available = bytesInBuffer < wanted ? bytesInBuffer : wanted;
        if (available > 0)
            std::memcpy(copy, mapped, static_cast<size_t>(available));
        if (wanted > available)
            std::memset(
                reinterpret_cast<char*>(copy) + available, 0, static_cast<size_t>(wanted - available));
    }
    Bound(target, buffer);
    kxgl::glUnmapBuffer(target);
    return copy;
}

} // namespace

namespace varnox {
/// The geometries that draw from one set of buffers.
struct SharedBuffers {
    int holders;
};
} // namespace varnox

// A geometry made without a current context or a loaded table stays inert:
// it makes no buffer and draws nothing. The producers say so, naming
// themselves.
Geometry::Geometry()
    : inert(varnox::MissingForBufferObjects() != nullptr)
{
    static const bool noted = varnox::NoteOwnTraverse(*this, varnox::Traversal::geometry);
    (void)noted;
}

Geometry::Geometry(const Geometry& source)
    : Node(source)
    , inert(varnox::MissingForBufferObjects() != nullptr)
{
    primitiveMode = source.primitiveMode;
    lineWidth = source.lineWidth;
    if (!inert)
        CopyBuffers(source.contents());
}

Geometry::~Geometry()
{
    ReleaseBuffers();
}

Geometry::Contents Geometry::contents() const
{
    return { { vertexBuffer, normalBuffer, colorBuffer, texCoordBuffer, indexBuffer }, componentCount,
        vertexCount, indexCount, uploaded };
}

void Geometry::CopyBuffers(const Contents& from)
{
    const long vertices = from.vertexCount;
    const unsigned int* b = from.buffers;
    const UploadedBytes& bytes = from.uploaded;
    if (b[0])
        setVertices(ReadBack<float>(b[0], GL_ARRAY_BUFFER, static_cast<long>(from.componentCount) * vertices,
                        bytes.vertices),
            from.vertexCount);
    if (b[1])
        setNormals(ReadBack<float>(b[1], GL_ARRAY_BUFFER, kNormalFloats * vertices, bytes.normals));
    if (b[2])
        setColors(ReadBack<float>(b[2], GL_ARRAY_BUFFER, kColorFloats * vertices, bytes.colors));
    if (b[3])
        setTexCoords(ReadBack<float>(b[3], GL_ARRAY_BUFFER, kTexCoordFloats * vertices, bytes.texCoords));
    if (b[4])
        setIndices(ReadBack<unsigned short>(b[4], GL_ELEMENT_ARRAY_BUFFER, from.indexCount, bytes.indices),
            from.indexCount);
}

void Geometry::OwnBuffers()
{
    if (!sharing)
        return;
    if (--sharing->holders == 0) {
        delete sharing;
        sharing = nullptr;
        return;
    }
    sharing = nullptr;
    // The shared buffers stay with the others; this geometry uploads copies
    // into new ones.
    const Contents shared = contents();
    vertexBuffer = normalBuffer = colorBuffer = texCoordBuffer = indexBuffer = 0;
    uploaded = UploadedBytes();
    shareGroup = 0;
    CopyBuffers(shared);
}

void Geometry::ReleaseBuffers()
{
    // An inert geometry made no buffers to delete.
    if (inert)
        return;
    if (sharing && --sharing->holders > 0) {
        sharing = nullptr;
    } else {
        delete sharing;
        sharing = nullptr;
        kxgl::glDeleteBuffers(1, &indexBuffer);
        kxgl::glDeleteBuffers(1, &colorBuffer);
        kxgl::glDeleteBuffers(1, &normalBuffer);
        kxgl::glDeleteBuffers(1, &texCoordBuffer);
        kxgl::glDeleteBuffers(1, &vertexBuffer);
        varnox::RenderState::Current().BuffersDeleted();
    }
    vertexBuffer = normalBuffer = colorBuffer = texCoordBuffer = indexBuffer = 0;
    uploaded = UploadedBytes();
    shareGroup = 0;
}

void Geometry::shareBuffers(const Geometry& source)
{
    if (&source == this || inert || source.inert || (sharing && sharing == source.sharing))
        return;
    ReleaseBuffers();
    const Contents shared = source.contents();
    vertexBuffer = shared.buffers[0];
    normalBuffer = shared.buffers[1];
    colorBuffer = shared.buffers[2];
    texCoordBuffer = shared.buffers[3];
    indexBuffer = shared.buffers[4];
    componentCount = shared.componentCount;
    vertexCount = shared.vertexCount;
    indexCount = shared.indexCount;
    uploaded = shared.uploaded;
    shareGroup = source.shareGroup;
    box = source.box;
    cullTest.view = 0;
    if (!source.sharing)
        source.sharing = new varnox::SharedBuffers { 1 };
    sharing = source.sharing;
    ++sharing->holders;
}

void Geometry::setBounds(const kxVec3& low, const kxVec3& high)
{
    const float corners[6] = { low.x, low.y, low.z, high.x, high.y, high.z };
    bool known = true;
    for (int i = 0; i < 6; ++i) {
        box.corners[i] = corners[i];
        known = known && std::isfinite(corners[i]) && (i >= 3 || corners[i] <= corners[i + 3]);
    }
    box.known = known;
    cullTest.view = 0;
}

void Geometry::setVertices(float* data, int count)
{
    if (!MayUpload(inert, data, "setVertices", count, kFloatBytes * kPositionFloats))
        return;
    OwnBuffers();
    Box measured;
    BoxOf(data, count, measured.corners, measured.known);
    // The counts describe what the buffer holds: they change only with it.
    if (Upload(data, vertexBuffer, GL_ARRAY_BUFFER, kFloatBytes * kPositionFloats * count, GL_DYNAMIC_DRAW,
            uploaded.vertices, shareGroup)) {
        componentCount = kPositionFloats;
        vertexCount = count;
        box = measured;
        cullTest.view = 0;
    }
}

void Geometry::setNormals(float* data)
{
    if (!MayUpload(inert, data, "setNormals", vertexCount, kFloatBytes * kNormalFloats))
        return;
    OwnBuffers();
    Upload(data, normalBuffer, GL_ARRAY_BUFFER, kFloatBytes * kNormalFloats * vertexCount, GL_DYNAMIC_DRAW,
        uploaded.normals, shareGroup);
}

void Geometry::setColors(float* data)
{
    if (!MayUpload(inert, data, "setColors", vertexCount, kFloatBytes * kColorFloats))
        return;
    OwnBuffers();
    Upload(data, colorBuffer, GL_ARRAY_BUFFER, kFloatBytes * kColorFloats * vertexCount, GL_DYNAMIC_DRAW,
        uploaded.colors, shareGroup);
}

void Geometry::setTexCoords(float* data)
{
    if (!MayUpload(inert, data, "setTexCoords", vertexCount, kFloatBytes * kTexCoordFloats))
        return;
    OwnBuffers();
    Upload(data, texCoordBuffer, GL_ARRAY_BUFFER, kFloatBytes * kTexCoordFloats * vertexCount,
        GL_DYNAMIC_DRAW, uploaded.texCoords, shareGroup);
}

void Geometry::setIndices(unsigned short* data, int count)
{
    if (!MayUpload(inert, data, "setIndices", count, kIndexBytes))
        return;
    OwnBuffers();
    if (Upload(data, indexBuffer, GL_ELEMENT_ARRAY_BUFFER, kIndexBytes * count, GL_STATIC_DRAW,
            uploaded.indices, shareGroup))
        indexCount = count;
}

float* Geometry::mapVertices()
{
    OwnBuffers();
    // Whatever is written is not seen here: the box is unknown until the
    // writer states it (setBounds).
    box.known = false;
    cullTest.view = 0;
    return MapForWriting(vertexBuffer);
}

void Geometry::unmapVertices()
{
    Unmap(vertexBuffer);
}

float* Geometry::mapNormals()
{
    OwnBuffers();
    return MapForWriting(normalBuffer);
}

void Geometry::unmapNormals()
{
    Unmap(normalBuffer);
}

float* Geometry::mapTexCoords()
{
    OwnBuffers();
    return MapForWriting(texCoordBuffer);
}

void Geometry::unmapTexCoords()
{
    Unmap(texCoordBuffer);
}

// Inside a scene's Render, through its tracker; anywhere else (a client's
// traverse calling this one included) every call is issued.
void Geometry::traverse(TContext*)
{
    draw(varnox::RenderState::Current());
}

void Geometry::draw(varnox::RenderState& state)
{
    // Buffers of contexts that share nothing with the target's: the same
    // names there are other buffers, or none.
    if (!state.Shares(shareGroup)) {
        varnox::Print(varnox::Kind::Refusal,
            "CScene: Render refused a node: its buffers belong to share group %u, the target to %u\n",
            shareGroup, state.TargetShareGroup());
        return;
    }
    state.LineWidth(lineWidth);
    state.Color(colour.x, colour.y, colour.z, colour.w);
    if (vertexBuffer)
        state.VertexPointer(vertexBuffer, componentCount);
    // Arrays this geometry lacks are switched off, so that it never draws
    // with another geometry's normals or texture coordinates (reading past
    // the end of their buffers when it has more vertices).
    if (normalBuffer) {
        state.NormalArray(true);
        state.NormalPointer(normalBuffer);
    } else {
        state.NormalArray(false);
    }
    if (texCoordBuffer)
        state.TexCoordPointer(texCoordBuffer);
    else
        state.TexCoordArray(false);
    // Per-vertex colours take effect for the draw of the geometry that has them.
    if (colorBuffer) {
        state.ColorPointer(colorBuffer);
        state.ColorArray(true);
    }
    if (indexBuffer) {
        state.ElementBuffer(indexBuffer);
        glDrawElements(primitiveMode, indexCount, GL_UNSIGNED_SHORT, kOffsetZero);
    } else {
        glDrawArrays(primitiveMode, 0, vertexCount);
    }
    if (colorBuffer) {
        state.ColorArray(false);
        // The draw took the colour from the array: the current colour is
        // undefined after it.
        state.ColorUndefined();
    }
}
