#pragma once

// Paired measurement: a library path and plain code doing the same work run in
// alternating batches inside one process, so that the machine's drift touches
// both alike, and the ratio of each pair is taken before any averaging.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace vnxperf {

/// What one case measures and what it must reach.
struct CaseInfo {
    /// Row label of the final table.
    std::string name;
    /// Unit of the throughputs, e.g. "frames/s".
    std::string unit;
    /// Units of work one iteration does (frames, bytes, ...).
    double unitsPerIteration = 1.0;
    /// Least acceptable ratio of library to plain throughput; 0: reported only.
    double goal = 0.0;
    /// Whether the plain side issues the library's GL calls. False where the
    /// plain code does the same work with calls of its own (another program,
    /// its own framebuffer): the call comparison then names the case without
    /// comparing it.
    bool sameCalls = true;
};

/// Medians over the paired rounds of one case.
struct CaseResult {
    CaseInfo info;
    double libraryRate = 0.0;
    double plainRate = 0.0;
    /// Median of the per-round ratios plain time / library time (the library's
    /// throughput as a fraction of the plain code's).
    double ratio = 0.0;
    /// First and third quartile of the per-round ratios.
    double ratioLow = 0.0;
    double ratioHigh = 0.0;
    int rounds = 0;
    int batch = 0;
    /// Cases that also time the library's full per-child state sequence
    /// (VARNOX_NO_STATE_ELISION): its rate and the median of the per-round
    /// ratios full-sequence time / library time, with their quartiles.
    bool hasReference = false;
    double referenceRate = 0.0;
    double speedup = 0.0;
    double speedupLow = 0.0;
    double speedupHigh = 0.0;
    /// Set when the case could not run; the numbers are then meaningless.
    std::string error;

    bool Met() const { return error.empty() && ratio >= info.goal; }
};

/// How long each side's batch should take, and how many pairs to run.
struct PairingSettings {
    double batchSeconds = 0.1;
    double warmupSeconds = 0.3;
    int rounds = 61;
    /// Instead of timing, run one marked iteration of each side, so that a GL
    /// trace shows which calls each side issues (see scripts/perf).
    bool markCalls = false;
};

PairingSettings& Settings();

/// The registered name of the case running now (set by RegisterPaired).
std::string& CurrentCase();

/// Runs the paired rounds of a case as the iterations of `state` (registered
/// with Iterations(Settings().rounds) and manual time) and records the result.
/// `library` and `plain` each do one iteration of their path, complete. With
/// markCalls set, each side runs once inside a GL debug group named
/// "library <case>" or "plain <case>" ("unpaired library <case>" and
/// "unpaired plain <case>" for a case whose calls differ by design).
void RunPaired(benchmark::State& state, const CaseInfo& info, const std::function<void()>& library,
    const std::function<void()>& plain);

/// The same with a third side timed in every round: `reference`, the library
/// doing the same work the way it did before an optimisation (the full state
/// sequence). Its speed-up is reported beside the ratio; it has no goal. With
/// markCalls set it runs once inside a group "full <case>", which the call
/// comparison leaves alone.
void RunPaired(benchmark::State& state, const CaseInfo& info, const std::function<void()>& library,
    const std::function<void()>& plain, const std::function<void()>& reference);

/// Records a case that could not run, and marks `state` skipped.
void RecordFailure(benchmark::State& state, const CaseInfo& info, const std::string& why);

/// Every result recorded so far, in the order the cases ran.
const std::vector<CaseResult>& Results();

/// The results as a Markdown table: case, library and plain throughput, ratio,
/// goal, met, and where there is one, the full sequence's throughput and the
/// speed-up over it.
void PrintTable(std::FILE* out);

/// The median of `values` (which it reorders); 0 for none.
double Median(std::vector<double>& values);

/// The q-quantile (0..1) of `values`, linearly interpolated; 0 for none.
double Quantile(std::vector<double> values, double q);

} // namespace vnxperf
