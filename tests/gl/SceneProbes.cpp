#include "gl/SceneProbes.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

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

void AttachPassThroughStages(Shader* shader)
{
    static const char source[] = "#ifdef VERTEX_SHADER\n"
                                 "void main() { gl_FrontColor = gl_Color; gl_Position = ftransform(); }\n"
                                 "#endif\n"
                                 "#ifdef FRAGMENT_SHADER\n"
                                 "void main() { gl_FragColor = gl_Color; }\n"
                                 "#endif\n";
    char path[] = "/tmp/varnox-pass-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        std::abort();
    if (write(fd, source, sizeof source - 1) != static_cast<ssize_t>(sizeof source - 1))
        std::abort();
    close(fd);
    shader->SetVertexProgram(new VertexProgram(path));
    shader->SetFragmentProgram(new FragmentProgram(path));
    unlink(path);
}

} // namespace vxtest
