#include "PerfSupport.h"

#include <cstdio>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

#include <EGL/egl.h>

namespace vnxperf {

Quiet::Quiet()
{
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
}

Quiet::~Quiet()
{
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
}

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

std::vector<unsigned char> ReadPixels(CRenderTarget& target)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(target.width) * target.height * 4);
    target.CopyBuffer(pixels.data());
    return pixels;
}

std::vector<unsigned char> BufferContents(GLenum target, GLuint buffer)
{
    GLint size = 0;
    glBindBuffer(target, buffer);
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    std::vector<unsigned char> bytes(static_cast<size_t>(size > 0 ? size : 0));
    if (!bytes.empty())
        glGetBufferSubData(target, 0, static_cast<GLsizeiptr>(bytes.size()), bytes.data());
    return bytes;
}

std::vector<unsigned char> TextureContents(GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (!pixels.empty())
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
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
