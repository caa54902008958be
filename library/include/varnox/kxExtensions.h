#pragma once

#include <cstdint>

#include <GL/gl.h>
#include <GL/glext.h>

#include <varnox/Export.h>

// glColorTable's type; <GL/gl.h> declares the imaging subset itself, so
// <GL/glext.h> leaves out its pointer types.
typedef void(APIENTRYP kxPFN_glColorTable)(
    GLenum target, GLenum internalformat, GLsizei width, GLenum format, GLenum type, const void* table);

// Function types of the table's context-API part: EGL's on Linux.
#include <varnox/egl/EntryPointTypes.h>

/// The extension entry-point table: one pointer per GL and EGL entry point the
/// library reaches at run time, null until a loader has filled it. The
/// variables keep the functions' names inside this namespace so that they
/// never collide with the functions the system GL library exports.
namespace kxgl {
#define KX_GL_ENTRY(type, name) extern VARNOX_EXPORT type name;
#define KX_EGL_ENTRY(type, name) extern VARNOX_EXPORT type name;
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_EGL_ENTRY
} // namespace kxgl

/// Prints which of the 11 needed extensions the current context offers, then
/// looks up the GL part of the table. Needs a current context.
VARNOX_EXPORT void kxInitGLExtentions();
/// Looks up the EGL part of the table.
VARNOX_EXPORT void kxInitWGLExtentions();
/// The EGL extension string of the current display, or "" when there is none.
/// The string belongs to EGL; copy it before changing it.
VARNOX_EXPORT const char* kxGetWGLExtentions();
