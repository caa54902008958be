// The GL functions newer than 1.1 that tests call directly, to check what the
// library did with GL's own queries (glIsBuffer, glGetBufferSubData, ...).
// opengl32 exports only OpenGL 1.1; each of these forwards to the entry point
// that wglGetProcAddress gives for the current context, looked up at its
// first call. The prototypes are <GL/glext.h>'s.
#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The entry point `name`, which a test must not call without: the test
// program stops, naming it.
PROC Entry(const char* name)
{
    PROC entry = wglGetProcAddress(name);
    if (!entry) {
        std::fprintf(stderr, "wglGetProcAddress(\"%s\") gives nothing: is a context current?\n", name);
        std::abort();
    }
    return entry;
}

} // namespace

// Defines `name` with the parameter list `params`, forwarding `args`.
#define KX_FORWARD(result, name, params, args)                                                               \
    extern "C" result APIENTRY name params                                                                   \
    {                                                                                                        \
        static const auto entry = reinterpret_cast<decltype(&name)>(reinterpret_cast<void*>(Entry(#name)));  \
        return entry args;                                                                                   \
    }

// Buffer objects.
KX_FORWARD(void, glBindBuffer, (GLenum target, GLuint buffer), (target, buffer))
KX_FORWARD(void, glBufferData, (GLenum target, GLsizeiptr size, const void* data, GLenum usage),
    (target, size, data, usage))
KX_FORWARD(void, glGetBufferParameteriv, (GLenum target, GLenum name, GLint* value), (target, name, value))
KX_FORWARD(void, glGetBufferSubData, (GLenum target, GLintptr offset, GLsizeiptr size, void* data),
    (target, offset, size, data))
KX_FORWARD(void, glDeleteBuffers, (GLsizei count, const GLuint* buffers), (count, buffers))
KX_FORWARD(void, glGenBuffers, (GLsizei count, GLuint* buffers), (count, buffers))
KX_FORWARD(GLboolean, glIsBuffer, (GLuint buffer), (buffer))
KX_FORWARD(void*, glMapBuffer, (GLenum target, GLenum access), (target, access))
KX_FORWARD(GLboolean, glUnmapBuffer, (GLenum target), (target))

// Shaders and programs.
KX_FORWARD(void, glGetAttachedShaders, (GLuint program, GLsizei size, GLsizei* count, GLuint* shaders),
    (program, size, count, shaders))
KX_FORWARD(void, glGetProgramInfoLog, (GLuint program, GLsizei size, GLsizei* length, GLchar* log),
    (program, size, length, log))
KX_FORWARD(void, glGetProgramiv, (GLuint program, GLenum name, GLint* value), (program, name, value))
KX_FORWARD(void, glGetShaderInfoLog, (GLuint shader, GLsizei size, GLsizei* length, GLchar* log),
    (shader, size, length, log))
KX_FORWARD(void, glGetShaderSource, (GLuint shader, GLsizei size, GLsizei* length, GLchar* source),
    (shader, size, length, source))
KX_FORWARD(void, glGetShaderiv, (GLuint shader, GLenum name, GLint* value), (shader, name, value))
KX_FORWARD(GLint, glGetUniformLocation, (GLuint program, const GLchar* name), (program, name))
KX_FORWARD(void, glGetUniformfv, (GLuint program, GLint location, GLfloat* value), (program, location, value))
KX_FORWARD(GLboolean, glIsProgram, (GLuint program), (program))
KX_FORWARD(GLboolean, glIsShader, (GLuint shader), (shader))
KX_FORWARD(void, glUseProgram, (GLuint program), (program))

// Framebuffer objects and renderbuffers.
KX_FORWARD(void, glBindFramebuffer, (GLenum target, GLuint framebuffer), (target, framebuffer))
KX_FORWARD(void, glBindRenderbuffer, (GLenum target, GLuint renderbuffer), (target, renderbuffer))
KX_FORWARD(void, glGetFramebufferAttachmentParameteriv,
    (GLenum target, GLenum attachment, GLenum name, GLint* value), (target, attachment, name, value))
KX_FORWARD(
    void, glGetRenderbufferParameteriv, (GLenum target, GLenum name, GLint* value), (target, name, value))
KX_FORWARD(GLboolean, glIsFramebuffer, (GLuint framebuffer), (framebuffer))
KX_FORWARD(GLboolean, glIsRenderbuffer, (GLuint renderbuffer), (renderbuffer))
