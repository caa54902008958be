#pragma once

#include <kxTimer.h>

#include "Options.h"

class COffScreen;
class CScene;
class CWindowVNX;
class ParametricSurface;

/// Frames rendered between two reports, and in all, when no option says otherwise.
const int kFramesPerReport = 5000;
const int kFramesInRun = 150000;

/// The benchmark: a render target (a window, or the headless off-screen
/// target), a scene and the textured, shaded wave surface, rendered frame
/// after frame and timed every `reportEvery` frames. It owns the target and
/// every GL object, so it cannot be copied.
class Benchmark {
public:
    /// Opens a window of the rectangle's size and builds the scene.
    Benchmark(int left, int top, int right, int bottom);
    /// Opens the target the options ask for (window or off-screen) and builds
    /// the scene. When the target has no GL context, nothing else is built.
    explicit Benchmark(const BenchmarkOptions& options);
    /// Deletes the surface, the scene and the target, in that order.
    ~Benchmark();
    Benchmark(const Benchmark&) = delete;
    Benchmark& operator=(const Benchmark&) = delete;

    /// True when the target came up with a current GL context and the scene
    /// was built; false after the target's own failure line.
    bool Ready() const { return scene != nullptr; }

    /// One frame: the time uniform, the render, the present (window) or a
    /// glFinish (off-screen); and the report after every `reportEvery`-th frame.
    void RenderFrame();

    CWindowVNX* window = nullptr;
    COffScreen* offscreen = nullptr;
    CScene* scene = nullptr;
    ParametricSurface* surface = nullptr;
    kxTimer timer;
    int frameCount = 0;
    int reportEvery = kFramesPerReport;

    /// Seconds of each report interval, in order; room for every report of
    /// the run is made up front, so recording one never allocates. Null when
    /// the caller did not ask for them.
    double* intervals = nullptr;
    int intervalCount = 0;
    int intervalCapacity = 0;
};

/// The benchmark's scene: the wave surface alone in it.
struct BenchmarkScene {
    CScene* scene;
    ParametricSurface* surface;
};

/// Builds the benchmark's scene for a width × height target, in the current
/// context: the wave, textured with the embedded image, shaded by the
/// programs in `shaderFile`, lit from (0, 0, 200), tilted 45 degrees about x
/// and centred. `newSurface` makes the surface, at the point where the
/// benchmark makes its own (a subclass that shows its buffers, say); null
/// makes a ParametricSurface. The caller owns both; the surface's references
/// hold its texture, shader and programs.
BenchmarkScene BuildBenchmarkScene(
    int width, int height, const char* shaderFile, ParametricSurface* (*newSurface)() = nullptr);

/// The window's rectangle.
struct BenchmarkRect {
    int left, top, right, bottom;
};

/// Creates a Benchmark for a window of the rectangle's size, renders
/// kFramesInRun frames, destroys it. Returns 0, or 1 when the window failed.
int RunBenchmark(const BenchmarkRect& rect);

/// Runs the benchmark as `options` say, printing the timed reports and,
/// after the run, the summary and the JSON file asked for. Returns the
/// process's exit status: 0, or 1 when the target or the JSON file failed.
int RunBenchmark(const BenchmarkOptions& options);
