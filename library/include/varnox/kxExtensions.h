#pragma once

#include <cstdint>

// On Windows <GL/gl.h> wants <windows.h> for two macros. This header must not
// bring in <windows.h> (its macros break client code), so it defines the two
// as <windows.h> would, and takes them back at its end.
#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY __stdcall
#define VARNOX_DEFINED_APIENTRY
#endif
#if defined(_WIN32) && !defined(WINGDIAPI)
#define WINGDIAPI __declspec(dllimport)
#define VARNOX_DEFINED_WINGDIAPI
#endif

#include <GL/gl.h>
#include <GL/glext.h>

#include <varnox/Export.h>

// glColorTable's type; <GL/gl.h> declares the imaging subset itself, so
// <GL/glext.h> leaves out its pointer types.
typedef void(APIENTRYP kxPFN_glColorTable)(
    GLenum target, GLenum internalformat, GLsizei width, GLenum format, GLenum type, const void* table);

// Function types of the table's context-API part: WGL's on Windows, EGL's on
// Linux.
#if defined(_WIN32)
#include <varnox/wgl/EntryPointTypes.h>
#else
#include <varnox/egl/EntryPointTypes.h>
#endif

/// The extension entry-point table: one pointer per GL and context-API (WGL
/// or EGL) entry point the library reaches at run time, null until a loader
/// has filled it. The variables keep the functions' names inside this
/// namespace so that they never collide with the functions the system GL
/// library exports.
namespace kxgl {
#define KX_GL_ENTRY(type, name) extern VARNOX_EXPORT type name;
#define KX_API_ENTRY(type, name) extern VARNOX_EXPORT type name;
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_API_ENTRY
} // namespace kxgl

/// Prints which of the 11 needed extensions the current context offers, then
/// looks up the GL part of the table. Needs a current context.
VARNOX_EXPORT void kxInitGLExtentions();
/// Looks up the context-API part of the table (WGL's or EGL's).
VARNOX_EXPORT void kxInitWGLExtentions();
/// The context API's extension string: WGL's for the current device context,
/// EGL's for the current display; "" when there is none. The string belongs
/// to the driver; copy it before changing it.
VARNOX_EXPORT const char* kxGetWGLExtentions();

#if defined(VARNOX_DEFINED_APIENTRY)
#undef APIENTRY
#undef VARNOX_DEFINED_APIENTRY
#endif
#if defined(VARNOX_DEFINED_WINGDIAPI)
#undef WINGDIAPI
#undef VARNOX_DEFINED_WINGDIAPI
#endif
