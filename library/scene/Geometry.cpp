#include <varnox/Geometry.h>

#include <climits>
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
    kxgl::glBindBuffer(target, buffer);
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
        varnox::Print("Geometry: %s refused the count %lld\n", setter, count);
    else
        varnox::Print("Geometry: %s refused the count %lld: %lld bytes do not fit an int\n", setter, count,
            count * elementBytes);
    return false;
}

float* MapForWriting(unsigned int buffer)
{
    if (!buffer)
        return nullptr;
    kxgl::glBindBuffer(GL_ARRAY_BUFFER, buffer);
    return static_cast<float*>(kxgl::glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
}

void Unmap(unsigned int buffer)
{
    if (!buffer)
        return;
    kxgl::glBindBuffer(GL_ARRAY_BUFFER, buffer);
    kxgl::glUnmapBuffer(GL_ARRAY_BUFFER);
}

// Reads back `elements` values of a source buffer for a copy. Where the
// mapping fails the array stays undefined; where the buffer holds fewer
// bytes than wanted, the rest is zero rather than read past its end.
template <class T> T* ReadBack(unsigned int buffer, GLenum target, long elements, long bytesInBuffer)
{
    kxgl::glBindBuffer(target, buffer);
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
    kxgl::glBindBuffer(target, buffer);
    kxgl::glUnmapBuffer(target);
    return copy;
}

} // namespace

// A geometry made without a current context or a loaded table stays inert:
// it makes no buffer and draws nothing. The producers say so, naming
// themselves.
Geometry::Geometry()
    : inert(varnox::MissingForBufferObjects() != nullptr)
{
    static const bool noted = varnox::NoteOwnTraverse(*this);
    (void)noted;
}

Geometry::Geometry(const Geometry& source)
    : Node(source)
    , inert(varnox::MissingForBufferObjects() != nullptr)
{
    primitiveMode = source.primitiveMode;
    lineWidth = source.lineWidth;
    if (inert)
        return;
    const long vertices = source.vertexCount;
    if (source.vertexBuffer) {
        float* data = ReadBack<float>(source.vertexBuffer, GL_ARRAY_BUFFER,
            static_cast<long>(source.componentCount) * vertices, source.uploaded.vertices);
        setVertices(data, source.vertexCount);
    }
    if (source.normalBuffer)
        setNormals(ReadBack<float>(
            source.normalBuffer, GL_ARRAY_BUFFER, kNormalFloats * vertices, source.uploaded.normals));
    if (source.colorBuffer)
        setColors(ReadBack<float>(
            source.colorBuffer, GL_ARRAY_BUFFER, kColorFloats * vertices, source.uploaded.colors));
    if (source.texCoordBuffer)
        setTexCoords(ReadBack<float>(
            source.texCoordBuffer, GL_ARRAY_BUFFER, kTexCoordFloats * vertices, source.uploaded.texCoords));
    if (source.indexBuffer)
        setIndices(ReadBack<unsigned short>(source.indexBuffer, GL_ELEMENT_ARRAY_BUFFER, source.indexCount,
                       source.uploaded.indices),
            source.indexCount);
}

Geometry::~Geometry()
{
    // An inert geometry made no buffers to delete.
    if (inert)
        return;
    kxgl::glDeleteBuffers(1, &indexBuffer);
    kxgl::glDeleteBuffers(1, &colorBuffer);
    kxgl::glDeleteBuffers(1, &normalBuffer);
    kxgl::glDeleteBuffers(1, &texCoordBuffer);
    kxgl::glDeleteBuffers(1, &vertexBuffer);
}

void Geometry::setVertices(float* data, int count)
{
    if (!MayUpload(inert, data, "setVertices", count, kFloatBytes * kPositionFloats))
        return;
    // The counts describe what the buffer holds: they change only with it.
    if (Upload(data, vertexBuffer, GL_ARRAY_BUFFER, kFloatBytes * kPositionFloats * count, GL_DYNAMIC_DRAW,
            uploaded.vertices, shareGroup)) {
        componentCount = kPositionFloats;
        vertexCount = count;
    }
}

void Geometry::setNormals(float* data)
{
    if (MayUpload(inert, data, "setNormals", vertexCount, kFloatBytes * kNormalFloats))
        Upload(data, normalBuffer, GL_ARRAY_BUFFER, kFloatBytes * kNormalFloats * vertexCount,
            GL_DYNAMIC_DRAW, uploaded.normals, shareGroup);
}

void Geometry::setColors(float* data)
{
    if (MayUpload(inert, data, "setColors", vertexCount, kFloatBytes * kColorFloats))
        Upload(data, colorBuffer, GL_ARRAY_BUFFER, kFloatBytes * kColorFloats * vertexCount, GL_DYNAMIC_DRAW,
            uploaded.colors, shareGroup);
}

void Geometry::setTexCoords(float* data)
{
    if (MayUpload(inert, data, "setTexCoords", vertexCount, kFloatBytes * kTexCoordFloats))
        Upload(data, texCoordBuffer, GL_ARRAY_BUFFER, kFloatBytes * kTexCoordFloats * vertexCount,
            GL_DYNAMIC_DRAW, uploaded.texCoords, shareGroup);
}

void Geometry::setIndices(unsigned short* data, int count)
{
    if (!MayUpload(inert, data, "setIndices", count, kIndexBytes))
        return;
    if (Upload(data, indexBuffer, GL_ELEMENT_ARRAY_BUFFER, kIndexBytes * count, GL_STATIC_DRAW,
            uploaded.indices, shareGroup))
        indexCount = count;
}

float* Geometry::mapVertices()
{
    return MapForWriting(vertexBuffer);
}

void Geometry::unmapVertices()
{
    Unmap(vertexBuffer);
}

float* Geometry::mapNormals()
{
    return MapForWriting(normalBuffer);
}

void Geometry::unmapNormals()
{
    Unmap(normalBuffer);
}

float* Geometry::mapTexCoords()
{
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
        varnox::Print(
            "CScene: Render refused a node: its buffers belong to share group %u, the target to %u\n",
            shareGroup, state.TargetShareGroup());
        return;
    }
    state.LineWidth(lineWidth);
    state.Color(colour.x, colour.y, colour.z, colour.w);
    if (vertexBuffer) {
        kxgl::glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
        glVertexPointer(componentCount, GL_FLOAT, 0, kOffsetZero);
    }
    // Arrays this geometry lacks are switched off, so that it never draws
    // with another geometry's normals or texture coordinates (reading past
    // the end of their buffers when it has more vertices).
    if (normalBuffer) {
        state.NormalArray(true);
        kxgl::glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
        glNormalPointer(GL_FLOAT, 0, kOffsetZero);
    } else {
        state.NormalArray(false);
    }
    if (texCoordBuffer) {
        kxgl::glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
        glTexCoordPointer(kTexCoordFloats, GL_FLOAT, 0, kOffsetZero);
    } else {
        state.TexCoordArray(false);
    }
    // Per-vertex colours take effect for the draw of the geometry that has them.
    if (colorBuffer) {
        kxgl::glBindBuffer(GL_ARRAY_BUFFER, colorBuffer);
        glColorPointer(kColorFloats, GL_FLOAT, 0, kOffsetZero);
        state.ColorArray(true);
    }
    if (indexBuffer) {
        kxgl::glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
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
