#include <varnox/Shader.h>

#include <cstdio>
#include <cstring>

#include <varnox/kxExtensions.h>
#include <varnox/kxStream.h>

#include "core/GLReadiness.h"
#include "core/Print.h"
#include "materials/InfoLog.h"

namespace {

// Mode of the source stream: read, binary.
constexpr int kSourceMode = kxStream::modeRead | kxStream::modeBinary;

// The source file, and how many bytes toString read from it: its text ends
// at the first NUL byte, which GL would take as the end of the source.
class SourceStream : public kxStream {
public:
    using kxStream::kxStream;
    // Where toString stopped reading: the file's length; 0 without a file.
    long BytesRead() const
    {
        const long position = file ? std::ftell(file) : 0;
        return position > 0 ? position : 0;
    }
};

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
    const char* owner = stage == GL_VERTEX_SHADER ? "VertexProgram" : "FragmentProgram";
    if (!varnox::ReadyForGLObjects(owner,
            { VARNOX_NEEDED_ENTRY(glCreateShader), VARNOX_NEEDED_ENTRY(glShaderSource),
                VARNOX_NEEDED_ENTRY(glCompileShader), VARNOX_NEEDED_ENTRY(glGetShaderiv),
                VARNOX_NEEDED_ENTRY(glGetShaderInfoLog), VARNOX_NEEDED_ENTRY(glDeleteShader) }))
        return;
    SourceStream stream(path, kSourceMode);
    char* text = stream.toString();
    const size_t length = std::strlen(text);
    if (static_cast<unsigned long>(stream.BytesRead()) > length) {
        // A text cut short would compile as something else than the file
        // holds: the program gets its shader object, left uncompiled.
        varnox::Print(varnox::Kind::Refusal, "%s: refused the source %s: a NUL byte at offset %lld\n", owner,
            path ? path : "(no file name)", static_cast<long long>(length));
        delete[] text;
        shader = kxgl::glCreateShader(stage);
        return;
    }

    // One file serves both stages: the define lines go before its text.
    const char* const pieces[3] = { "#define OPENGL 1\n", stageDefine, text };
    const GLint lengths[3] = { static_cast<GLint>(std::strlen(pieces[0])),
        static_cast<GLint>(std::strlen(pieces[1])), static_cast<GLint>(length) };
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
