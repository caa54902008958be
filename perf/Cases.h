#pragma once

// The cases of the performance suite, each registered as Google Benchmark
// benchmarks whose iterations are paired rounds (see Pairing.h).

#include <functional>

#include <benchmark/benchmark.h>

namespace vnxperf {

/// Registers `run` under `name` with one iteration per paired round, timed
/// by the pairing itself.
void RegisterPaired(const char* name, std::function<void(benchmark::State&)> run);

/// 1. The benchmark program's frame off screen (500 × 500, 16 × 16) and in a
///    window with Refresh.
void RegisterFrameCases();
/// 2. Render of 1, 100 and 10,000 image objects sharing one texture.
void RegisterNodeCases();
/// 6. to 9. Render of scenes whose neighbouring nodes share textures and
///    shaders, off screen and in a window.
void RegisterElisionCases();
/// 10. to 12. Render of a client's geometry sharing buffers and a texture:
///     2,000 quads, and 100,000 with 90 % or none outside the view.
void RegisterSharingCases();
/// Draws case 12's scene (quads in view, off screen) of 100 and of 100,000
/// nodes with the library and with the plain code, collecting callgrind's
/// counts only while each side draws and dumping them after each
/// ("library", "plain", for 100 nodes, then for 100,000): the instructions a
/// node costs each side, when run under callgrind (scripts/perf
/// --instructions). Returns the exit status.
int CountSharedQuadInstructions();
/// 3. kxParametric::update of a 255 × 255 grid.
void RegisterParametricCase();
/// 4. ImageObject::Image of 1920 × 1080 YUV420 frames, and the conversion
///    alone against memcpy.
void RegisterYuvCases();
/// 13. ImageObject::Image of I420, NV12 and P010 frames, 1920 × 1080 and
///     3840 × 2160, and a draw of the object, on the CPU and on the GPU path,
///     each beside plain code converting and drawing the same frame.
void RegisterVideoFrameCases();
/// 5. TextureStatic::setImage re-uploading a 1024 × 1024 BGRA32 image.
void RegisterTextureCase();

} // namespace vnxperf
