#include "Pairing.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <GL/gl.h>

namespace vnxperf {
namespace {

    using Clock = std::chrono::steady_clock;

    std::vector<CaseResult>& Store()
    {
        static std::vector<CaseResult> results;
        return results;
    }

    double TimeBatch(const std::function<void()>& side, int count)
    {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < count; ++i)
            side();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    using Side = std::function<void()>;

    // Runs every side, in turn, until each has run for `seconds`.
    void WarmUp(const std::vector<const Side*>& sides, double seconds)
    {
        std::vector<double> spent(sides.size(), 0.0);
        for (int runs = 0;; ++runs) {
            bool done = runs >= 3;
            for (size_t i = 0; i < sides.size(); ++i) {
                spent[i] += TimeBatch(*sides[i], 1);
                done = done && spent[i] >= seconds;
            }
            if (done)
                return;
        }
    }

    // Iterations a batch needs to last about `seconds`, judged on the slowest side.
    int BatchSize(const std::vector<const Side*>& sides, double seconds)
    {
        int count = 1;
        for (;;) {
            double t = 0.0;
            for (const Side* side : sides)
                t = std::max(t, TimeBatch(*side, count));
            if (t >= seconds / 4 || count >= (1 << 24)) {
                const double perIteration = t / count;
                return std::max(1, static_cast<int>(std::lround(seconds / perIteration)));
            }
            count *= 4;
        }
    }

    std::string Rate(double value, const std::string& unit)
    {
        char text[64];
        if (unit == "B/s")
            std::snprintf(text, sizeof text, "%.2f GB/s", value / 1e9);
        else if (value >= 100.0)
            std::snprintf(text, sizeof text, "%.0f %s", value, unit.c_str());
        else
            std::snprintf(text, sizeof text, "%.1f %s", value, unit.c_str());
        return text;
    }

    // One iteration of a side inside a debug group that a GL trace shows.
    void RunMarked(const std::function<void()>& side, const std::string& label)
    {
        glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, 1, -1, label.c_str());
        side();
        glPopDebugGroup();
    }

} // namespace

std::string& CurrentCase()
{
    static std::string name;
    return name;
}

PairingSettings& Settings()
{
    static PairingSettings settings;
    return settings;
}

double Median(std::vector<double>& values)
{
    if (values.empty())
        return 0.0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<long>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + static_cast<long>(middle));
    return (lower + upper) / 2;
}

double Quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const double position = q * static_cast<double>(values.size() - 1);
    const size_t below = static_cast<size_t>(position);
    const size_t above = std::min(below + 1, values.size() - 1);
    const double fraction = position - static_cast<double>(below);
    return values[below] + fraction * (values[above] - values[below]);
}

void RunPaired(benchmark::State& state, const CaseInfo& info, const std::function<void()>& library,
    const std::function<void()>& plain)
{
    RunPaired(state, info, library, plain, nullptr);
}

void RunPaired(benchmark::State& state, const CaseInfo& info, const std::function<void()>& library,
    const std::function<void()>& plain, const std::function<void()>& reference)
{
    const PairingSettings& settings = Settings();
    const bool withReference = static_cast<bool>(reference);
    if (settings.markCalls) {
        // Both sides have run as often before (once each, to compare their
        // results), so per-frame values such as the time uniform agree.
        const std::string prefix = info.sameCalls ? "" : "unpaired ";
        for (auto _ : state) {
            RunMarked(library, prefix + "library " + CurrentCase());
            RunMarked(plain, prefix + "plain " + CurrentCase());
            if (withReference)
                RunMarked(reference, "full " + CurrentCase());
            state.SetIterationTime(1e-9);
        }
        return;
    }
    std::vector<const Side*> sides { &library, &plain };
    if (withReference)
        sides.push_back(&reference);
    WarmUp(sides, settings.warmupSeconds);
    const int batch = BatchSize(sides, settings.batchSeconds);

    std::vector<double> ratios, libraryRates, plainRates, speedups, referenceRates;
    int round = 0;
    for (auto _ : state) {
        // The order of the sides reverses every round, so that a steady
        // drift in the machine's speed favours none: library, plain (, full)
        // and then (full,) plain, library.
        double tLibrary = 0.0, tPlain = 0.0, tReference = 0.0;
        if (round % 2 == 0) {
            tLibrary = TimeBatch(library, batch);
            tPlain = TimeBatch(plain, batch);
            if (withReference)
                tReference = TimeBatch(reference, batch);
        } else {
            if (withReference)
                tReference = TimeBatch(reference, batch);
            tPlain = TimeBatch(plain, batch);
            tLibrary = TimeBatch(library, batch);
        }
        state.SetIterationTime(tLibrary + tPlain + tReference);
        const double units = info.unitsPerIteration * batch;
        libraryRates.push_back(units / tLibrary);
        plainRates.push_back(units / tPlain);
        ratios.push_back(tPlain / tLibrary);
        if (withReference) {
            referenceRates.push_back(units / tReference);
            speedups.push_back(tReference / tLibrary);
        }
        ++round;
    }

    CaseResult result;
    result.info = info;
    result.rounds = round;
    result.batch = batch;
    result.ratioLow = Quantile(ratios, 0.25);
    result.ratioHigh = Quantile(ratios, 0.75);
    result.ratio = Median(ratios);
    result.libraryRate = Median(libraryRates);
    result.plainRate = Median(plainRates);
    if (withReference) {
        result.hasReference = true;
        result.speedupLow = Quantile(speedups, 0.25);
        result.speedupHigh = Quantile(speedups, 0.75);
        result.speedup = Median(speedups);
        result.referenceRate = Median(referenceRates);
        state.counters["full"] = result.referenceRate;
        state.counters["speedup"] = result.speedup;
    }
    Store().push_back(result);

    state.counters["library"] = result.libraryRate;
    state.counters["plain"] = result.plainRate;
    state.counters["ratio"] = result.ratio;
    state.counters["batch"] = batch;
    state.SetLabel(info.unit);
}

void RecordFailure(benchmark::State& state, const CaseInfo& info, const std::string& why)
{
    CaseResult result;
    result.info = info;
    result.error = why;
    Store().push_back(result);
    state.SkipWithError(why.c_str());
    // The state's loop must still be entered once for a skipped benchmark.
    for (auto _ : state)
        break;
}

const std::vector<CaseResult>& Results()
{
    return Store();
}

void PrintTable(std::FILE* out)
{
    std::fprintf(
        out, "| Case | Library | Plain | Ratio (IQR) | Goal | Met | Full sequence | Speed-up (IQR) |\n");
    std::fprintf(out, "|---|---:|---:|---:|---:|---|---:|---:|\n");
    for (const CaseResult& r : Results()) {
        char goal[16] = "–";
        if (r.info.goal > 0)
            std::snprintf(goal, sizeof goal, "≥ %.2f", r.info.goal);
        if (!r.error.empty()) {
            std::fprintf(out, "| %s | – | – | – | %s | not run: %s | – | – |\n", r.info.name.c_str(), goal,
                r.error.c_str());
            continue;
        }
        const char* met = r.info.goal > 0 ? (r.Met() ? "yes" : "**no**") : "reported";
        std::string full = "–", speedup = "–";
        if (r.hasReference) {
            char text[64];
            std::snprintf(text, sizeof text, "%.2f× (%.2f–%.2f)", r.speedup, r.speedupLow, r.speedupHigh);
            full = Rate(r.referenceRate, r.info.unit);
            speedup = text;
        }
        std::fprintf(out, "| %s | %s | %s | %.3f (%.3f–%.3f) | %s | %s | %s | %s |\n", r.info.name.c_str(),
            Rate(r.libraryRate, r.info.unit).c_str(), Rate(r.plainRate, r.info.unit).c_str(), r.ratio,
            r.ratioLow, r.ratioHigh, goal, met, full.c_str(), speedup.c_str());
    }
}

} // namespace vnxperf
