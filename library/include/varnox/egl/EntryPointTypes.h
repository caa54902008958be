#pragma once

#include <cstdint>

// Function types of the EGL part of the table, with EGL's handles carried as
// void* and EGLint as int32_t, so that no EGL platform header is needed here.
typedef const char* (*kxPFN_eglQueryString)(void* display, int32_t name);
typedef void* (*kxPFN_eglCreatePbufferSurface)(void* display, void* config, const int32_t* attribs);
typedef unsigned int (*kxPFN_eglDestroySurface)(void* display, void* surface);
typedef unsigned int (*kxPFN_eglChooseConfig)(
    void* display, const int32_t* attribs, void** configs, int32_t size, int32_t* count);
typedef unsigned int (*kxPFN_eglQuerySurface)(
    void* display, void* surface, int32_t attribute, int32_t* value);
typedef unsigned int (*kxPFN_eglBindTexImage)(void* display, void* surface, int32_t buffer);
typedef unsigned int (*kxPFN_eglReleaseTexImage)(void* display, void* surface, int32_t buffer);
typedef unsigned int (*kxPFN_eglSwapInterval)(void* display, int32_t interval);
