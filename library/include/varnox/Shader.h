#pragma once

#include <varnox/Export.h>
#include <varnox/kxObject.h>
#include <varnox/kxVec.h>

struct TContext;

/// One compiled GLSL stage, loaded from a source file. The file serves both
/// stages: the library puts "#define OPENGL 1" and "#define VERTEX_SHADER 1"
/// (or FRAGMENT_SHADER) before its text, so the file cannot carry #version.
class VARNOX_EXPORT ShaderProgram : public kxObject {
public:
    ~ShaderProgram() override;

    /// The GL shader object; owned, deleted with the program.
    unsigned int shader = 0;

protected:
    ShaderProgram();
    /// Loads `path` and compiles it as `stage` after the two define lines.
    void Compile(const char* path, unsigned int stage, const char* stageDefine, const char* failure);
};

/// A vertex stage compiled from `path`. Compile failures print the GL log and
/// "VertexProgram Compile failed"; the object is usable either way.
class VARNOX_EXPORT VertexProgram : public ShaderProgram {
public:
    explicit VertexProgram(const char* path = nullptr);
    ~VertexProgram() override;
};

/// A fragment stage compiled from `path`; see VertexProgram.
class VARNOX_EXPORT FragmentProgram : public ShaderProgram {
public:
    explicit FragmentProgram(const char* path = nullptr);
    ~FragmentProgram() override;
};

/// A GL program object linking one vertex and one fragment program, each held
/// through a counted reference. Destroying it deletes the GL program, then
/// gives back the fragment and the vertex program.
class VARNOX_EXPORT Shader : public kxObject {
public:
    Shader();
    ~Shader() override;

    /// Makes the program current (called by the scene before drawing a node).
    virtual void bind(TContext* context);
    /// Makes no program current.
    virtual void unbind(TContext* context);

    /// Detaches the current vertex program, attaches `program`, relinks and
    /// holds `program`. Link failures print the log and "Link failed"; a null
    /// program changes nothing.
    void SetVertexProgram(VertexProgram* program);
    /// The same for the fragment program.
    void SetFragmentProgram(FragmentProgram* program);

    /// Sets a float / vec3 uniform now; no program is current afterwards.
    void SetUniform(const char* name, float value);
    void SetUniform(const char* name, const kxVec3& value);

private:
    /// What SetVertexProgram and SetFragmentProgram do: detaches the stage
    /// `held` holds, attaches and links `stage`, then holds it.
    void ReplaceStage(kxReference<ShaderProgram>& held, ShaderProgram* stage);
    void AttachAndLink(ShaderProgram* stage);

    // Released in reverse order: the fragment program first.
    kxReference<ShaderProgram> vertexProgram;
    kxReference<ShaderProgram> fragmentProgram;

public:
    /// The GL program object; owned.
    unsigned int program = 0;
    /// The share group of the context `program` was made in; 0 when that is
    /// not one of the library's render targets'. A scene draws no node whose
    /// shader belongs to another group than the target's.
    unsigned int shareGroup = 0;

private:
    /// The last link succeeded: only then does glUseProgram take the program
    /// (the scene's tracker relies on it to know which program is in use).
    bool linked = false;
};
