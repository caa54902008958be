#pragma once

// Marks the classes, functions and variables that form the library's binary
// interface. On Linux the library is built with hidden visibility, so
// everything else stays internal to libvarnox.so. On Windows they are
// exported from varnox.dll (VARNOX_BUILDING, set by the library's own build)
// and imported by its clients; code linked with the library's objects
// statically (the test programs) defines VARNOX_STATIC and takes them as
// they are.
#if defined(_WIN32)
#if defined(VARNOX_BUILDING)
#define VARNOX_EXPORT __declspec(dllexport)
#elif defined(VARNOX_STATIC)
#define VARNOX_EXPORT
#else
#define VARNOX_EXPORT __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define VARNOX_EXPORT __attribute__((visibility("default")))
#else
#define VARNOX_EXPORT
#endif
