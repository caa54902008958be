#pragma once

// The headless target that a tool's --out renders into.

class COffScreen;

/// A headless width × height target, current afterwards: one that renders
/// into a framebuffer object where GL offers them, so that any size up to
/// GL's largest renderbuffer and viewport renders, else a pixel buffer. Null
/// when none can be made, after one line on standard error that starts with
/// `tool`: for a size larger than GL takes, "vnxview: 20000x100 is larger
/// than this GL takes (16384x16384)".
COffScreen* MakeOutputTarget(const char* tool, int width, int height);
