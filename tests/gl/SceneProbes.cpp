#include "gl/SceneProbes.h"


namespace vxtest {

GLint BufferSize(GLenum target, GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(target, buffer);
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    return size;
}

std::vector<unsigned char> BufferContents(GLenum target, GLuint buffer)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(BufferSize(target, buffer)));
    glBindBuffer(target, buffer);
    if (!bytes.empty())
        glGetBufferSubData(target, 0, static_cast<GLsizeiptr>(bytes.size()), bytes.data());
    return bytes;
}

} // namespace vxtest
