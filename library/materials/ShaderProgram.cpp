#include <varnox/Shader.h>

#include <cstring>
#include <vector>

#include <varnox/kxExtensions.h>
#include <varnox/kxStream.h>

#include "scene/kxMessage.h"

namespace {

// Mode of the source stream: read, binary.
constexpr int kSourceMode = kxStream::modeRead | kxStream::modeBinary;

} // namespace

ShaderProgram::ShaderProgram() = default;

ShaderProgram::~ShaderProgram()
{
    kxgl::glDeleteShader(shader);
}

void ShaderProgram::Compile(
    const char* path, unsigned int stage, const char* stageDefine, const char* failure)
{
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

    GLint compiled = GL_FALSE;
    kxgl::glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    GLint logLength = 0;
    kxgl::glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    // One byte more than GL asks for, so an empty log is still a text.
    std::vector<char> log(static_cast<size_t>(logLength > 0 ? logLength : 0) + 1, '\0');
    GLsizei written = 0;
    kxgl::glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), &written, log.data());
    if (compiled == GL_FALSE) {
        varnox::Print("%s", log.data());
        varnox::Print("%s", failure);
    }
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
