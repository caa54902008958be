#pragma once

// What the two halves of the Windows platform layer share: the device token,
// the window pixel format, handle conversions and error causes. Every Win32
// and WGL call of the library lives in Win32Window.cpp and WglContext.cpp.

#include <windows.h>

#include <string>

#include "targets/Platform.h"

namespace varnox::wgl {

/// The one device of the process. WGL has no display object: every context
/// can share objects with every other through wglShareLists, and pixel
/// buffers are made against any device context of the screen. So windows and
/// pixel buffers alike live on this fixed token.
platform::Device* TheDevice();

/// The window's pixel-format request: double-buffered RGBA, 24 colour bits, 8
/// alpha, 24 depth, 8 stencil, on a window, with OpenGL.
extern const PIXELFORMATDESCRIPTOR kWindowFormat;

/// The config that stands for kWindowFormat: on WGL a window's pixel format is
/// chosen on its own device context, when its surface is made.
platform::Config* WindowConfig();

/// HWND and the window id the targets carry (CWindowVNX::hwnd, unsigned
/// long). Window handles have 32 significant bits on 64-bit Windows, so the id
/// keeps the low 32 and the handle is sign-extended back, as Windows documents
/// for handles shared with 32-bit code.
HWND Handle(platform::NativeWindow window);
platform::NativeWindow Id(HWND window);

/// GetLastError's code as a cause line keeps it: "error 87 (The parameter is
/// incorrect.)", the text as FormatMessage gives it, when it has one.
std::string DescribeError(DWORD code);

/// Records "`call`: <GetLastError described>" as the failure's cause.
void RecordLastError(const char* call);

} // namespace varnox::wgl
