#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "Options.h"

/// The p-th quantile (p from 0 to 1) of `count` values, interpolated
/// linearly between the two nearest ranks: rank (count − 1) · p of the values
/// in ascending order. Reorders `values`. 0 for no values.
double Percentile(float* values, size_t count, double p);

/// What a run measured, for the summary and the JSON file.
struct RunResults {
    std::string renderer; ///< GL_RENDERER of the target's context
    int frames = 0;
    double totalSeconds = 0; ///< the frame loop, from the first frame's start to the last one's end
    double medianMs = 0;
    double p5Ms = 0;
    double p95Ms = 0;
    const double* intervals = nullptr; ///< seconds of each report interval
    int intervalCount = 0;
};

/// The summary printed after the run.
void PrintSummary(std::FILE* out, const BenchmarkOptions& options, const RunResults& results);

/// The results as one JSON object.
std::string ResultsJson(const BenchmarkOptions& options, const RunResults& results);
