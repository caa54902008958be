#pragma once

// Function types of the WGL part of the table, as <GL/wglext.h> declares
// them, with the device-context and pixel-buffer handles (HDC, HPBUFFERARB)
// carried as void*, BOOL as int and UINT as unsigned int, so that no Windows
// header is needed here. Included by <varnox/kxExtensions.h>, after
// <GL/gl.h>, which defines APIENTRY (the calling convention WINAPI).
typedef const char*(APIENTRY* kxPFN_wglGetExtensionsStringARB)(void* hdc);
typedef void*(APIENTRY* kxPFN_wglCreatePbufferARB)(
    void* hdc, int pixelFormat, int width, int height, const int* attribs);
typedef int(APIENTRY* kxPFN_wglDestroyPbufferARB)(void* pbuffer);
typedef int(APIENTRY* kxPFN_wglChoosePixelFormatARB)(void* hdc, const int* intAttribs,
    const float* floatAttribs, unsigned int maxFormats, int* formats, unsigned int* count);
typedef void*(APIENTRY* kxPFN_wglGetPbufferDCARB)(void* pbuffer);
typedef int(APIENTRY* kxPFN_wglReleasePbufferDCARB)(void* pbuffer, void* hdc);
typedef int(APIENTRY* kxPFN_wglQueryPbufferARB)(void* pbuffer, int attribute, int* value);
typedef int(APIENTRY* kxPFN_wglBindTexImageARB)(void* pbuffer, int buffer);
typedef int(APIENTRY* kxPFN_wglReleaseTexImageARB)(void* pbuffer, int buffer);
typedef int(APIENTRY* kxPFN_wglSwapIntervalEXT)(int interval);
