#pragma once

// What the window tests of both platforms share: colours, read-backs and a
// quiet way to make a window target.

#include <cstdint>
#include <vector>

#include <varnox/varnox.h>

#include "support/OutputCapture.h"
#include "support/ReadBack.h"

namespace vxtest {

const unsigned long kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff;

/// The BGRA pixel at (x, y), bottom row first, of a CopyBuffer read-back, as
/// 0xRRGGBB.
inline unsigned long ReadBack(const std::vector<uint8_t>& pixels, int width, int x, int y)
{
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    return static_cast<unsigned long>(p[2]) << 16 | static_cast<unsigned long>(p[1]) << 8 | p[0];
}

inline std::vector<uint8_t> CopyAll(CRenderTarget& target)
{
    return ReadPixels(target);
}

/// Clears colour and depth of the current target to an opaque colour.
inline void Clear(float r, float g, float b)
{
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

/// A window target, its start-up report caught and dropped.
inline CWindowVNX* Quietly(int width, int height, unsigned long window = 0)
{
    CWindowVNX* target = nullptr;
    CaptureOutput([&] { target = CWindowVNX::NewL(0, 0, width, height, window); });
    return target;
}

} // namespace vxtest
