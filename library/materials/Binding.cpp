#include "materials/Binding.h"

#include <varnox/Shader.h>
#include <varnox/Texture.h>
#include <varnox/kxExtensions.h>

#include "core/Overrides.h"

namespace varnox {
namespace {

    // Every call issued as it comes.
    class ImmediateBinder final : public Binder {
    public:
        void UseProgram(unsigned int program, bool) override { kxgl::glUseProgram(program); }
        void BindTexture(unsigned int name) override { glBindTexture(GL_TEXTURE_2D, name); }
        void Texturing(bool on) override
        {
            if (on)
                glEnable(GL_TEXTURE_2D);
            else
                glDisable(GL_TEXTURE_2D);
        }
    };

    ImmediateBinder immediate;
    // One thread draws (the one whose context is current): no lock.
    Binder* current = nullptr;

} // namespace

Binder& CurrentBinder()
{
    return current ? *current : immediate;
}

BinderScope::BinderScope(Binder* binder)
    : previous(current)
{
    current = binder;
}

BinderScope::~BinderScope()
{
    current = previous;
}

namespace {

    struct OwnPairs {
        OwnImplementations bind;
        OwnImplementations unbind;
    };

    OwnPairs& Textures()
    {
        static OwnPairs own;
        return own;
    }

    OwnPairs& Shaders()
    {
        static OwnPairs own;
        return own;
    }

} // namespace

bool NoteOwnBinding(const Texture& texture)
{
    Textures().bind.Note(texture, &Texture::bind);
    Textures().unbind.Note(texture, &Texture::unbind);
    return true;
}

bool NoteOwnBinding(const Shader& shader)
{
    Shaders().bind.Note(shader, &Shader::bind);
    Shaders().unbind.Note(shader, &Shader::unbind);
    return true;
}

bool OwnBind(const Texture& texture)
{
    return Textures().bind.Runs(texture, &Texture::bind);
}

bool OwnUnbind(const Texture& texture)
{
    return Textures().unbind.Runs(texture, &Texture::unbind);
}

bool OwnBind(const Shader& shader)
{
    return Shaders().bind.Runs(shader, &Shader::bind);
}

bool OwnUnbind(const Shader& shader)
{
    return Shaders().unbind.Runs(shader, &Shader::unbind);
}

} // namespace varnox
