#include <varnox/Shader.h>

#include <varnox/kxExtensions.h>

#include "core/GLReadiness.h"
#include "core/Print.h"
#include "core/ShareGroup.h"
#include "materials/Binding.h"
#include "materials/InfoLog.h"

// A shader made without a current context or a loaded table has no program
// object (0) and makes no GL call for the rest of its life; it still holds
// the programs it is given, so that they go when it goes.
Shader::Shader()
{
    // Noted once: the scene binds a shader whose class overrides neither bind
    // nor unbind through its tracker.
    static const bool noted = varnox::NoteOwnBinding(*this);
    (void)noted;
    if (varnox::ReadyForGLObjects("Shader",
            { VARNOX_NEEDED_ENTRY(glCreateProgram), VARNOX_NEEDED_ENTRY(glDeleteProgram),
                VARNOX_NEEDED_ENTRY(glAttachShader), VARNOX_NEEDED_ENTRY(glDetachShader),
                VARNOX_NEEDED_ENTRY(glLinkProgram), VARNOX_NEEDED_ENTRY(glGetProgramiv),
                VARNOX_NEEDED_ENTRY(glGetProgramInfoLog), VARNOX_NEEDED_ENTRY(glUseProgram),
                VARNOX_NEEDED_ENTRY(glGetUniformLocation), VARNOX_NEEDED_ENTRY(glUniform1f),
                VARNOX_NEEDED_ENTRY(glUniform3fv) })) {
        program = kxgl::glCreateProgram();
        if (program)
            shareGroup = varnox::CurrentShareGroup();
    }
}

Shader::~Shader()
{
    if (!program)
        return;
    // Detached first, so that a program given back below deletes its GL
    // shader at once instead of leaving it to the deleted program object.
    if (ShaderProgram* p = vertexProgram.get(); p && p->shader)
        kxgl::glDetachShader(program, p->shader);
    if (ShaderProgram* p = fragmentProgram.get(); p && p->shader)
        kxgl::glDetachShader(program, p->shader);
    kxgl::glDeleteProgram(program);
    // The references give back the fragment program, then the vertex program.
}

void Shader::bind(TContext*)
{
    if (program)
        varnox::CurrentBinder().UseProgram(program, linked);
}

void Shader::unbind(TContext*)
{
    if (program)
        varnox::CurrentBinder().UseProgram(0, true);
}

void Shader::SetVertexProgram(VertexProgram* p)
{
    if (!p) {
        varnox::Print(varnox::Kind::Refusal, "Shader: SetVertexProgram refused a null program\n");
        return;
    }
    ReplaceStage(vertexProgram, p);
}

void Shader::SetFragmentProgram(FragmentProgram* p)
{
    if (!p) {
        varnox::Print(varnox::Kind::Refusal, "Shader: SetFragmentProgram refused a null program\n");
        return;
    }
    ReplaceStage(fragmentProgram, p);
}

void Shader::ReplaceStage(kxReference<ShaderProgram>& held, ShaderProgram* stage)
{
    if (program) {
        if (ShaderProgram* old = held.get(); old && old->shader)
            kxgl::glDetachShader(program, old->shader);
        AttachAndLink(stage);
    }
    // The same program again keeps its count; another one gives the old back.
    held = stage;
}

namespace {

// SetUniform: with `shader`'s program in use, hands `send` the location of the
// uniform `name`; no program is in use afterwards. The program is bound at
// once, also while a scene's tracker is drawing: the uniform goes to the
// program in use.
template <class Send> void SendUniform(Shader& shader, const char* name, Send send)
{
    if (!name) {
        varnox::Print(varnox::Kind::Refusal, "Shader: SetUniform refused a null uniform name\n");
        return;
    }
    if (!shader.program)
        return;
    varnox::BinderScope immediate(nullptr);
    shader.bind(nullptr);
    send(kxgl::glGetUniformLocation(shader.program, name));
    shader.unbind(nullptr);
}

} // namespace

void Shader::SetUniform(const char* name, float value)
{
    SendUniform(*this, name, [value](GLint location) { kxgl::glUniform1f(location, value); });
}

void Shader::SetUniform(const char* name, const kxVec3& value)
{
    const float xyz[3] = { value.x, value.y, value.z };
    SendUniform(*this, name, [&xyz](GLint location) { kxgl::glUniform3fv(location, 1, xyz); });
}

void Shader::AttachAndLink(ShaderProgram* stage)
{
    // An inert stage has no shader object to attach; the link then goes on
    // without it, and fails the way a stage that did not compile makes it.
    if (stage->shader)
        kxgl::glAttachShader(program, stage->shader);
    kxgl::glLinkProgram(program);

    linked = varnox::ReportInfoLog(
        program, GL_LINK_STATUS, kxgl::glGetProgramiv, kxgl::glGetProgramInfoLog, "Link failed\n");
}
