#pragma once

// Function types of the WGL part of the table, as <GL/wglext.h> declares
// them, with the device-context and pixel-buffer handles (HDC, HPBUFFERARB)
// carried as void*, BOOL as int and UINT as unsigned int, so that no Windows
// header is needed here. __stdcall is WINAPI, the functions' calling
// convention (the only one on 64-bit Windows).
typedef const char*(__stdcall* kxPFN_wglGetExtensionsStringARB)(void* hdc);
typedef void*(__stdcall* kxPFN_wglCreatePbufferARB)(
    void* hdc, int pixelFormat, int width, int height, const int* attribs);
typedef int(__stdcall* kxPFN_wglDestroyPbufferARB)(void* pbuffer);
typedef int(__stdcall* kxPFN_wglChoosePixelFormatARB)(void* hdc, const int* intAttribs,
    const float* floatAttribs, unsigned int maxFormats, int* formats, unsigned int* count);
typedef void*(__stdcall* kxPFN_wglGetPbufferDCARB)(void* pbuffer);
typedef int(__stdcall* kxPFN_wglReleasePbufferDCARB)(void* pbuffer, void* hdc);
typedef int(__stdcall* kxPFN_wglQueryPbufferARB)(void* pbuffer, int attribute, int* value);
typedef int(__stdcall* kxPFN_wglBindTexImageARB)(void* pbuffer, int buffer);
typedef int(__stdcall* kxPFN_wglReleaseTexImageARB)(void* pbuffer, int buffer);
typedef int(__stdcall* kxPFN_wglSwapIntervalEXT)(int interval);
