#include <varnox/Shader.h>

#include <cstring>

#include <varnox/kxExtensions.h>
#include <varnox/kxStream.h>

#include "core/GLReadiness.h"
#include "materials/InfoLog.h"

namespace {

// Mode of the source stream: read, binary.
constexpr int kSourceMode = kxStream::modeRead | kxStream::modeBinary;

} // namespace

ShaderProgram::ShaderProgram() = default;

ShaderProgram::~ShaderProgram()
{
    if (shader)
        kxgl::glDeleteShader(shader);
}

void ShaderProgram::Compile(
    const char* path, unsigned int stage, const char* stageDefine, const char* failure)
{
    // Without a current context or a loaded table the program stays inert:
    // no shader object (0), no GL call, its source not read.
    if (!varnox::ReadyForGLObjects(stage == GL_VERTEX_SHADER ? "VertexProgram" : "FragmentProgram",
            { VARNOX_NEEDED_ENTRY(glCreateShader), VARNOX_NEEDED_ENTRY(glShaderSource),
                VARNOX_NEEDED_ENTRY(glCompileShader), VARNOX_NEEDED_ENTRY(glGetShaderiv),
                VARNOX_NEEDED_ENTRY(glGetShaderInfoLog), VARNOX_NEEDED_ENTRY(glDeleteShader) }))
        return;
    kxStream stream(path, kSourceMode);
    char* text = stream.toString();

    // One file serves both stages: the define lines go before its text.
    const char* const pieces[3] = { "#define OPENGL 1\n", stageDefine, text };
    const GLint lengths[3] = { static_cast<GLint>(std::strlen(pieces[0])),
        static_cast<GLint>(std::strlen(pieces[1])), static_cast<GLint>(std::strlen(pieces[2])) };
    shader = kxgl::glCreateShader(stage);
    kxgl::glShaderSource(shader, 3, pieces, lengths);
    kxgl::glCompileShader(shader);
    delete[] text;

    varnox::ReportInfoLog(shader, GL_COMPILE_STATUS, kxgl::glGetShaderiv, kxgl::glGetShaderInfoLog, failure);
}

VertexProgram::VertexProgram(const char* path)
{
    Compile(path, GL_VERTEX_SHADER, "#define VERTEX_SHADER 1\n", "VertexProgram Compile failed\n");
}

VertexProgram::~VertexProgram() = default;

FragmentProgram::FragmentProgram(const char* path)
{
    Compile(path, GL_FRAGMENT_SHADER, "#define FRAGMENT_SHADER 1\n", "FragmentProgram Compile failed\n");
}

FragmentProgram::~FragmentProgram() = default;
