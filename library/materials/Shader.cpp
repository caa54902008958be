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
    ReplaceStage(vertexProgram, p);
}

void Shader::SetFragmentProgram(FragmentProgram* p)
{
    ReplaceStage(fragmentProgram, p);
}

void Shader::ReplaceStage(kxReference<ShaderProgram>& held, ShaderProgram* stage)
{
    if (!stage)
        return;
    if (ShaderProgram* old = held.get())
        kxgl::glDetachShader(program, old->shader);
    AttachAndLink(stage);
    // The same program again keeps its count; another one gives the old back.
    held = stage;
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
