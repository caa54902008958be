#pragma once

// What every case of the performance suite shares: headless targets made the
// way the cases need them, quiet set-up, and (from the test helpers) pixel,
// buffer and texture read-back.

#include <memory>
#include <string>
#include <vector>

#include <GL/gl.h>

#include <varnox/varnox.h>

#include "support/ReadBack.h"
#include "support/StdoutCapture.h"

namespace vnxperf {

/// Sends standard output to /dev/null while it lives: the library's start-up
/// reports would otherwise bury the benchmark's own output. (The shared
/// library's message hook is hidden, so its output is silenced at the
/// descriptor.)
class Quiet {
private:
    vxtest::StdoutCapture silence { vxtest::StdoutCapture::discard };
};

/// Leaves no context current on this thread.
void ReleaseCurrent();

/// A headless off-screen target of width × height, made with no context
/// current so that it opens the headless display and loads the table itself.
/// Its context is current afterwards; null when it has none.
std::unique_ptr<COffScreen> HeadlessTarget(int width, int height);

// Pixel, buffer and texture read-back, shared with the tests.
using vxtest::BufferContents;
using vxtest::ReadPixels;
using vxtest::TextureContents;

/// The frame time the benchmark sends as "mTime" at frame n: n · 0.005,
/// formed in double from the single-precision factor and rounded to float.
float FrameTime(int n);

/// What a scene's Render issues before its children, by hand: viewport,
/// clear, and the unrotated pixel projection of a width × height target.
void PlainSceneStart(int width, int height);

/// The shader file of the benchmark program.
const char* ShaderPath();

/// The suite's own shader file: the texture times the colour times a tint.
const char* TintShaderPath();

/// The processor's model name, as /proc/cpuinfo gives it.
std::string CpuModel();

/// A window target on the X server in DISPLAY, or on the Wayland compositor
/// when the library runs on Wayland (vnxcmd::LibraryOnWayland), presenting with swap
/// interval 0, and plain code that presents the way its Refresh does: swap
/// interval, swap, yield, and pending events read without waiting (X11: on a
/// connection of its own that watches the same events of the window;
/// Wayland: on a connection of its own, read as the library reads its own).
class PerfWindow {
public:
    /// A width × height window; null with `why` set when there is none.
    static std::unique_ptr<PerfWindow> Open(int width, int height, std::string* why);
    ~PerfWindow();
    PerfWindow(const PerfWindow&) = delete;
    PerfWindow& operator=(const PerfWindow&) = delete;

    CWindowVNX& target() { return *window; }
    /// What Refresh does, by hand.
    void PlainPresent() const;

private:
    PerfWindow() = default;

    std::unique_ptr<CWindowVNX> window;
    void* x = nullptr; // the second X connection (Display*)
    void* wayland = nullptr; // the second Wayland connection (wl_display*)
};

} // namespace vnxperf
