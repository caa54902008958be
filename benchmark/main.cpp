// vnxtest3D: times the rendering of a textured, shaded wave surface, in a
// 500 × 500 window unless options say otherwise (--help lists them). Reads
// "kxLightShader.sh" from the working directory.

#include <cstdio>
#include <string>

#include <CommandLine.h>

#include "Benchmark.h"
#include "Options.h"

int main(int argc, char** argv)
{
    BenchmarkOptions options;
    std::string error;
    switch (ParseBenchmarkOptions(argc, argv, options, error)) {
    case ParseResult::Help:
        PrintBenchmarkUsage(stdout);
        return 0;
    case ParseResult::Bad:
        return vnxcmd::Refused("vnxtest3D", error, PrintBenchmarkUsage);
    case ParseResult::Run:
        break;
    }
    return RunBenchmark(options);
}
