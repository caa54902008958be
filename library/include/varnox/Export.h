#pragma once

// Marks the classes, functions and variables that form the library's binary
// interface. The library is built with hidden visibility, so everything else
// stays internal to libvarnox.so.
#if defined(__GNUC__)
#define VARNOX_EXPORT __attribute__((visibility("default")))
#else
#define VARNOX_EXPORT
#endif
