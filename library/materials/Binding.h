#pragma once

// Where the library's textures and shaders make their state calls. Outside
// a scene's Render they are issued at once; while a scene draws, the library's
// own bind and unbind go through the scene's state tracker instead, which
// leaves out what is already in force (scene/RenderState.h).

class Shader;
class Texture;

namespace varnox {

/// The state calls of a texture's or a shader's bind and unbind.
class Binder {
public:
    /// glUseProgram(program); `takes`: GL is known to make it current (0, or
    /// a program whose last link succeeded).
    virtual void UseProgram(unsigned int program, bool takes) = 0;
    /// glBindTexture(GL_TEXTURE_2D, name).
    virtual void BindTexture(unsigned int name) = 0;
    /// glEnable or glDisable(GL_TEXTURE_2D).
    virtual void Texturing(bool on) = 0;

protected:
    ~Binder() = default;
};

/// The binder of the scene whose tracked call runs now, else one that issues
/// every call at once.
Binder& CurrentBinder();

/// Makes `binder` (null: none) current until the scope ends, then the one
/// before it again.
class BinderScope {
public:
    explicit BinderScope(Binder* binder);
    ~BinderScope();
    BinderScope(const BinderScope&) = delete;
    BinderScope& operator=(const BinderScope&) = delete;

private:
    Binder* previous;
};

// The library's own bind and unbind: Texture's (which do nothing),
// TextureStatic's, the image object's streaming texture's and Shader's. The
// constructor of each of those classes notes its class's pair once, while
// the object's virtual table is its class's (core/Overrides.h); a client's
// subclass that overrides neither is bound the library's way too.

/// Notes the bind and unbind that a call on `texture` runs now; true.
bool NoteOwnBinding(const Texture& texture);
bool NoteOwnBinding(const Shader& shader);

/// Whether bind, and unbind, on `texture` run the library's own code.
bool OwnBind(const Texture& texture);
bool OwnUnbind(const Texture& texture);
bool OwnBind(const Shader& shader);
bool OwnUnbind(const Shader& shader);

} // namespace varnox
