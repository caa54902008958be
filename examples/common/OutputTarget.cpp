#include "OutputTarget.h"

#include <cstdio>

#include <varnox/varnox.h>

#include "ToolWindow.h"

COffScreen* MakeOutputTarget(const char* tool, int width, int height)
{
    // Asked first, so that a size beyond the limit makes nothing and the
    // library has nothing to say.
    int largestWidth = 0, largestHeight = 0;
    COffScreen::LargestFramebuffer(&largestWidth, &largestHeight);
    const bool framebuffers = largestWidth > 0 && largestHeight > 0;
    if (framebuffers && (width > largestWidth || height > largestHeight)) {
        std::fprintf(stderr, "%s: %dx%d is larger than this GL takes (%dx%d)\n", tool, width, height,
            largestWidth, largestHeight);
        return nullptr;
    }
    COffScreen* target
        = framebuffers ? COffScreen::NewFramebufferL(width, height) : COffScreen::NewL(width, height);
    if (TargetReady(target) && target->width == width && target->height == height)
        return target;
    // The library has printed why on standard output.
    std::fprintf(stderr, "%s: no %dx%d off-screen target could be made\n", tool, width, height);
    delete target;
    return nullptr;
}
