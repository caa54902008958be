#pragma once

// The drawable of a framebuffer-backed off-screen target: a framebuffer
// object with a colour and a depth renderbuffer, in the target's own context.
// Framebuffer objects belong to the context that made them (they are not
// shared), while their renderbuffers belong to its share group, so every
// call here needs the target's context current.

#include <varnox/kxExtensions.h>

#include "targets/TargetSize.h"

namespace varnox {

/// Which framebuffer-object entry points a context offers: OpenGL 3.0's
/// (ARB_framebuffer_object's have the same names), EXT_framebuffer_object's
/// (suffixed EXT, with the same enumerations), or none.
enum class FramebufferApi { None, Core, Ext };

/// The API a context offers, from its GL_VERSION and GL_EXTENSIONS strings:
/// Core from version 3 on or with GL_ARB_framebuffer_object, else Ext with
/// GL_EXT_framebuffer_object. Null strings count as empty.
FramebufferApi ChooseFramebufferApi(const char* version, const char* extensions);

/// The largest framebuffer the current context can render into: its largest
/// renderbuffer and largest viewport, side by side; 0 × 0 when it offers no
/// framebuffer objects or none is current.
platform::SizeLimit CurrentFramebufferLimit();

class Framebuffer {
public:
    Framebuffer() = default;
    Framebuffer(const Framebuffer&) = delete;
    Framebuffer& operator=(const Framebuffer&) = delete;

    /// Looks up the entry points and the limit of the current context.
    void Load();
    /// Whether Load found every entry point it needs.
    bool Usable() const { return api != FramebufferApi::None; }
    /// The limit Load read (CurrentFramebufferLimit).
    platform::SizeLimit Limit() const { return limit; }
    /// Whether it holds a framebuffer object.
    bool Made() const { return names.framebuffer != 0; }

    /// Gives the framebuffer new renderbuffers of width × height and leaves
    /// it bound. False when the driver cannot make them complete at that
    /// size: then the framebuffer, its renderbuffers and the bindings stay
    /// as they were.
    bool Make(int width, int height);
    /// Binds the framebuffer for drawing and reading; nothing without one.
    void Bind() const;
    /// Deletes the framebuffer and its renderbuffers.
    void Delete();

private:
    // One framebuffer object and the two renderbuffers attached to it.
    struct Names {
        GLuint framebuffer = 0;
        GLuint colour = 0;
        GLuint depth = 0;
    };
    void DeleteNames(const Names& doomed) const;

    FramebufferApi api = FramebufferApi::None;
    platform::SizeLimit limit;
    Names names;

    // The entry points of the flavour Load chose, typed as the core ones: the
    // EXT functions take the same arguments.
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLGETRENDERBUFFERPARAMETERIVPROC getRenderbufferParameteriv = nullptr;
};

} // namespace varnox
