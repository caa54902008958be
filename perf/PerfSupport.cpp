#include "PerfSupport.h"

#include <cstdio>
#include <fstream>

#include <EGL/egl.h>

namespace vnxperf {

void ReleaseCurrent()
{
    const EGLDisplay display = eglGetCurrentDisplay();
    if (display != EGL_NO_DISPLAY)
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::unique_ptr<COffScreen> HeadlessTarget(int width, int height)
{
    ReleaseCurrent();
    std::unique_ptr<COffScreen> target;
    {
        Quiet quiet;
        target.reset(COffScreen::NewL(width, height));
    }
    if (!target->hglrc || eglGetCurrentContext() != target->hglrc)
        return nullptr;
    return target;
}

float FrameTime(int n)
{
    return static_cast<float>(static_cast<double>(static_cast<float>(n)) * static_cast<double>(0.005f));
}

const char* ShaderPath()
{
    return VNX_PERF_SHADER;
}

std::string CpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("model name", 0) == 0) {
            const size_t colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    return "unknown";
}

} // namespace vnxperf
