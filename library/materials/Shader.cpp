#include <varnox/Shader.h>

#include <varnox/kxExtensions.h>

#include "materials/InfoLog.h"

Shader::Shader()
{
    program = kxgl::glCreateProgram();
}

Shader::~Shader()
{
    // Detached first, so that a program given back below deletes its GL
    // shader at once instead of leaving it to the deleted program object.
    if (ShaderProgram* p = vertexProgram.get())
        kxgl::glDetachShader(program, p->shader);
    if (ShaderProgram* p = fragmentProgram.get())
        kxgl::glDetachShader(program, p->shader);
    kxgl::glDeleteProgram(program);
    // The references give back the fragment program, then the vertex program.
}

void Shader::bind(TContext*)
{
    kxgl::glUseProgram(program);
}

void Shader::unbind(TContext*)
{
    kxgl::glUseProgram(0);
}

void Shader::SetVertexProgram(VertexProgram* p)
{
    if (!p)
        return;
    if (ShaderProgram* old = vertexProgram.get())
        kxgl::glDetachShader(program, old->shader);
    AttachAndLink(p);
    vertexProgram = p;
}

void Shader::SetFragmentProgram(FragmentProgram* p)
{
    if (!p)
        return;
    if (ShaderProgram* old = fragmentProgram.get())
        kxgl::glDetachShader(program, old->shader);
    AttachAndLink(p);
    fragmentProgram = p;
}

void Shader::SetUniform(const char* name, float value)
{
    bind(nullptr);
    kxgl::glUniform1f(kxgl::glGetUniformLocation(program, name), value);
    unbind(nullptr);
}

void Shader::SetUniform(const char* name, const kxVec3& value)
{
    bind(nullptr);
    const float xyz[3] = { value.x, value.y, value.z };
    kxgl::glUniform3fv(kxgl::glGetUniformLocation(program, name), 1, xyz);
    unbind(nullptr);
}

void Shader::AttachAndLink(ShaderProgram* stage)
{
    kxgl::glAttachShader(program, stage->shader);
    kxgl::glLinkProgram(program);

    varnox::ReportInfoLog(
        program, GL_LINK_STATUS, kxgl::glGetProgramiv, kxgl::glGetProgramInfoLog, "Link failed\n");
}
