// vnxtest3D: times the rendering of a textured, shaded wave surface in a
// 500 × 500 window. Reads "kxLightShader.sh" from the working directory.

#include "Benchmark.h"

int main(int, char**)
{
    const BenchmarkRect rect = { 0, 0, 500, 500 };
    RunBenchmark(rect);
    return 0;
}
