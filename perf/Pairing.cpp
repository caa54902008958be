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

    // Runs both sides, alternately, until each has run for `seconds`.
    void WarmUp(const std::function<void()>& library, const std::function<void()>& plain, double seconds)
    {
        double spentLibrary = 0.0, spentPlain = 0.0;
        int runs = 0;
        while (runs < 3 || spentLibrary < seconds || spentPlain < seconds) {
            spentLibrary += TimeBatch(library, 1);
            spentPlain += TimeBatch(plain, 1);
            ++runs;
        }
    }

    // Iterations a batch needs to last about `seconds`, judged on the slower side.
    int BatchSize(const std::function<void()>& library, const std::function<void()>& plain, double seconds)
    {
        int count = 1;
        for (;;) {
            const double t = std::max(TimeBatch(library, count), TimeBatch(plain, count));
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
    const PairingSettings& settings = Settings();
    if (settings.markCalls) {
        // Both sides have run as often before (once each, to compare their
        // results), so per-frame values such as the time uniform agree.
        for (auto _ : state) {
            RunMarked(library, "library " + CurrentCase());
            RunMarked(plain, "plain " + CurrentCase());
            state.SetIterationTime(1e-9);
        }
        return;
    }
    WarmUp(library, plain, settings.warmupSeconds);
    const int batch = BatchSize(library, plain, settings.batchSeconds);

    std::vector<double> ratios, libraryRates, plainRates;
    int round = 0;
    for (auto _ : state) {
        // Which side goes first alternates, so that a steady drift in the
        // machine's speed favours neither.
        double tLibrary, tPlain;
        if (round % 2 == 0) {
            tLibrary = TimeBatch(library, batch);
            tPlain = TimeBatch(plain, batch);
        } else {
            tPlain = TimeBatch(plain, batch);
            tLibrary = TimeBatch(library, batch);
        }
        state.SetIterationTime(tLibrary + tPlain);
        const double units = info.unitsPerIteration * batch;
        libraryRates.push_back(units / tLibrary);
        plainRates.push_back(units / tPlain);
        ratios.push_back(tPlain / tLibrary);
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
    std::fprintf(out, "| Case | Library | Plain | Ratio (IQR) | Goal | Met |\n");
    std::fprintf(out, "|---|---:|---:|---:|---:|---|\n");
    for (const CaseResult& r : Results()) {
        char goal[16] = "–";
        if (r.info.goal > 0)
            std::snprintf(goal, sizeof goal, "≥ %.2f", r.info.goal);
        if (!r.error.empty()) {
            std::fprintf(
                out, "| %s | – | – | – | %s | not run: %s |\n", r.info.name.c_str(), goal, r.error.c_str());
            continue;
        }
        const char* met = r.info.goal > 0 ? (r.Met() ? "yes" : "**no**") : "reported";
        std::fprintf(out, "| %s | %s | %s | %.3f (%.3f–%.3f) | %s | %s |\n", r.info.name.c_str(),
            Rate(r.libraryRate, r.info.unit).c_str(), Rate(r.plainRate, r.info.unit).c_str(), r.ratio,
            r.ratioLow, r.ratioHigh, goal, met);
    }
}

} // namespace vnxperf
