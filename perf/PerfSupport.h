#pragma once

// What every case of the performance suite shares: headless targets made the
// way the cases need them, quiet set-up, pixel and buffer read-back.

#include <memory>
#include <string>
#include <vector>

#include <GL/gl.h>

#include <varnox/varnox.h>

namespace vnxperf {

/// Sends standard output to /dev/null while it lives: the library's start-up
/// reports would otherwise bury the benchmark's own output.
class Quiet {
public:
    Quiet();
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    int saved = -1;
};

/// Leaves no context current on this thread.
void ReleaseCurrent();

/// A headless off-screen target of width × height, made with no context
/// current so that it opens the headless display and loads the table itself.
/// Its context is current afterwards; null when it has none.
std::unique_ptr<COffScreen> HeadlessTarget(int width, int height);

/// The current target's pixels, BGRA, bottom row first.
std::vector<unsigned char> ReadPixels(CRenderTarget& target);

/// The bytes a buffer object holds.
std::vector<unsigned char> BufferContents(GLenum target, GLuint buffer);

/// The pixels of level 0 of a 2D texture, as BGRA bytes.
std::vector<unsigned char> TextureContents(GLuint texture);

/// The frame time the benchmark sends as "mTime" at frame n: n · 0.005,
/// formed in double from the single-precision factor and rounded to float.
float FrameTime(int n);

/// The shader file of the benchmark program.
const char* ShaderPath();

/// The processor's model name, as /proc/cpuinfo gives it.
std::string CpuModel();

} // namespace vnxperf
