#pragma once

#include <kxTimer.h>

class CScene;
class CWindowVNX;
class ParametricSurface;

/// Frames rendered between two reports, and in all.
const int kFramesPerReport = 5000;
const int kFramesInRun = 150000;

/// The benchmark: a window, a scene and the textured, shaded wave surface,
/// rendered frame after frame and timed every kFramesPerReport frames.
class Benchmark {
public:
    /// Opens a window of the rectangle's size and builds the scene.
    Benchmark(int left, int top, int right, int bottom);
    /// Deletes the surface, the scene and the window, in that order.
    ~Benchmark();

    /// One frame: the time uniform, the render, the present; and the report
    /// after every kFramesPerReport-th frame.
    void RenderFrame();

    CWindowVNX* window = nullptr;
    CScene* scene = nullptr;
    ParametricSurface* surface = nullptr;
    kxTimer timer;
    int frameCount = 0;
};

/// The window's rectangle.
struct BenchmarkRect {
    int left, top, right, bottom;
};

/// Creates a Benchmark, renders kFramesInRun frames, destroys it.
void RunBenchmark(const BenchmarkRect& rect);
