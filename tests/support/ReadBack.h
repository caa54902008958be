#pragma once

// What GL holds, read back with GL's own queries: a target's pixels, a buffer
// object's bytes, a texture's texels. Each reads the context that is current.

#include <cstdint>
#include <cstring>
#include <vector>

#include <varnox/CRenderTarget.h>
#include <varnox/kxExtensions.h>

namespace vxtest {

/// The whole target's pixels through CopyBuffer: BGRA bytes, bottom row first.
std::vector<uint8_t> ReadPixels(CRenderTarget& target);

/// glGetBufferParameteriv(GL_BUFFER_SIZE) of a buffer object; the buffer is
/// left bound to `target`.
GLint BufferSize(GLenum target, GLuint buffer);

/// Every byte a buffer object holds, read with glGetBufferSubData.
std::vector<unsigned char> BufferContents(GLenum target, GLuint buffer);

/// `bytes` as values of type T (whole values only).
template <class T> std::vector<T> ValuesOf(const std::vector<unsigned char>& bytes)
{
    std::vector<T> values(bytes.size() / sizeof(T));
    if (!values.empty())
        std::memcpy(values.data(), bytes.data(), values.size() * sizeof(T));
    return values;
}

/// A buffer object's contents as values of type T.
template <class T> std::vector<T> BufferValues(GLenum target, GLuint buffer)
{
    return ValuesOf<T>(BufferContents(target, buffer));
}

/// Level 0 of a 2D texture as BGRA bytes, rows packed; the texture is left
/// bound.
std::vector<unsigned char> TextureContents(GLuint texture);

} // namespace vxtest
