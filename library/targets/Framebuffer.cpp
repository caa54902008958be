#include "targets/Framebuffer.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "targets/Platform.h"
#include "targets/kxExtensionsInternal.h"

namespace varnox {
namespace {

    // The major version at the start of a GL_VERSION string ("4.5 (Compatibility
    // Profile) Mesa ..."); 0 when it does not start with one.
    long MajorVersion(const char* version)
    {
        if (!version || !std::isdigit(static_cast<unsigned char>(version[0])))
            return 0;
        return std::strtol(version, nullptr, 10);
    }

    const char* GLText(GLenum name)
    {
        return reinterpret_cast<const char*>(glGetString(name));
    }

    // The address of `name` with `suffix` for the current context, typed as T.
    template <class T> void Look(T& entry, const char* name, const char* suffix)
    {
        entry = reinterpret_cast<T>(platform::LookupEntryPoint((std::string(name) + suffix).c_str()));
    }

} // namespace

FramebufferApi ChooseFramebufferApi(const char* version, const char* extensions)
{
    if (MajorVersion(version) >= 3 || IsExtensionInList("GL_ARB_framebuffer_object", extensions))
        return FramebufferApi::Core;
    if (IsExtensionInList("GL_EXT_framebuffer_object", extensions))
        return FramebufferApi::Ext;
    return FramebufferApi::None;
}

platform::SizeLimit CurrentFramebufferLimit()
{
    const char* version = GLText(GL_VERSION);
    // No context current: glGetString answers null.
    if (!version || ChooseFramebufferApi(version, GLText(GL_EXTENSIONS)) == FramebufferApi::None)
        return {};
    GLint renderbuffer = 0;
    GLint viewport[2] = { 0, 0 };
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    return platform::Tighter({ renderbuffer, renderbuffer }, { viewport[0], viewport[1] });
}

void Framebuffer::Load()
{
    api = ChooseFramebufferApi(GLText(GL_VERSION), GLText(GL_EXTENSIONS));
    const char* suffix = api == FramebufferApi::Ext ? "EXT" : "";
    if (api != FramebufferApi::None) {
        Look(genFramebuffers, "glGenFramebuffers", suffix);
        Look(deleteFramebuffers, "glDeleteFramebuffers", suffix);
        Look(bindFramebuffer, "glBindFramebuffer", suffix);
        Look(framebufferRenderbuffer, "glFramebufferRenderbuffer", suffix);
        Look(checkFramebufferStatus, "glCheckFramebufferStatus", suffix);
        Look(genRenderbuffers, "glGenRenderbuffers", suffix);
        Look(deleteRenderbuffers, "glDeleteRenderbuffers", suffix);
        Look(bindRenderbuffer, "glBindRenderbuffer", suffix);
        Look(renderbufferStorage, "glRenderbufferStorage", suffix);
        Look(getRenderbufferParameteriv, "glGetRenderbufferParameteriv", suffix);
    }
    // A driver that names the API but lacks an entry point cannot be used:
    // calling through null would jump to address 0.
    if (!genFramebuffers || !deleteFramebuffers || !bindFramebuffer || !framebufferRenderbuffer
        || !checkFramebufferStatus || !genRenderbuffers || !deleteRenderbuffers || !bindRenderbuffer
        || !renderbufferStorage || !getRenderbufferParameteriv)
        api = FramebufferApi::None;
    limit = api == FramebufferApi::None ? platform::SizeLimit {} : CurrentFramebufferLimit();
}

bool Framebuffer::Make(int width, int height)
{
    if (!Usable())
        return false;
    // Depth and stencil in one renderbuffer, as the pixel buffer's config
    // has them; the EXT flavour has no packed format of its own, so depth
    // alone there.
    const bool packed = api == FramebufferApi::Core;
    GLint previousRenderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &previousRenderbuffer);

    // Storage the driver cannot allocate leaves the renderbuffer without a
    // size; its size is read back rather than trusted.
    bool sized = true;
    const auto storage = [&](GLuint renderbuffer, GLenum format) {
        bindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
        renderbufferStorage(GL_RENDERBUFFER, format, width, height);
        GLint madeWidth = 0, madeHeight = 0;
        getRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &madeWidth);
        getRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &madeHeight);
        sized = sized && madeWidth == width && madeHeight == height;
    };
    Names made;
    genRenderbuffers(1, &made.colour);
    genRenderbuffers(1, &made.depth);
    storage(made.colour, GL_RGBA8);
    storage(made.depth, packed ? GL_DEPTH24_STENCIL8 : GL_DEPTH_COMPONENT24);
    bindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(previousRenderbuffer));

    genFramebuffers(1, &made.framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, made.framebuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, made.colour);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, made.depth);
    if (packed)
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, made.depth);
    const bool complete = checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;

    if (!sized || !complete) {
        DeleteNames(made);
        Bind();
        return false;
    }
    DeleteNames(names);
    names = made;
    return true;
}

void Framebuffer::Bind() const
{
    if (names.framebuffer)
        bindFramebuffer(GL_FRAMEBUFFER, names.framebuffer);
}

void Framebuffer::Delete()
{
    DeleteNames(names);
    names = {};
}

void Framebuffer::DeleteNames(const Names& doomed) const
{
    // Deleting the bound framebuffer binds the context's own drawable again.
    if (doomed.framebuffer)
        deleteFramebuffers(1, &doomed.framebuffer);
    if (doomed.colour)
        deleteRenderbuffers(1, &doomed.colour);
    if (doomed.depth)
        deleteRenderbuffers(1, &doomed.depth);
}

} // namespace varnox
