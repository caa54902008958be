#pragma once

#include <cstdio>
#include <string>

/// What a vnxtest3D run does. The defaults are the plain run: a 500 × 500
/// window, swap interval 0, 150,000 frames, a report every 5,000.
struct BenchmarkOptions {
    int frames = 150000;
    int reportEvery = 5000;
    int width = 500;
    int height = 500;
    int interval = 0;
    bool offscreen = false;
    bool summary = false;
    std::string json; ///< file for the machine-readable results; empty: none
};

/// The most frames one run may have: the per-frame times of a run are kept
/// in memory (4 bytes a frame) for the percentiles.
const int kMaxFrames = 10000000;
/// The largest width or height a target is asked for.
const int kMaxSize = 16384;
/// The largest swap interval.
const int kMaxInterval = 100;

enum class ParseResult {
    Run, ///< `options` hold what to run
    Help, ///< --help: print the usage and stop
    Bad, ///< `error` says what is wrong (one line, no newline)
};

/// Reads the command line (argv[1] on) into `options`. Each option is given
/// as "--name VALUE" or "--name=VALUE", at most once.
ParseResult ParseBenchmarkOptions(
    int argc, const char* const* argv, BenchmarkOptions& options, std::string& error);

/// Prints the usage text (what each option does) to `out`.
void PrintBenchmarkUsage(std::FILE* out);
