#include "Summary.h"

#include <algorithm>
#include <cmath>

double Percentile(float* values, size_t count, double p)
{
    if (count == 0)
        return 0;
    const double rank = static_cast<double>(count - 1) * p;
    const size_t below = static_cast<size_t>(std::floor(rank));
    const size_t above = std::min(below + 1, count - 1);
    std::nth_element(values, values + below, values + count);
    const double low = values[below];
    // After nth_element everything past `below` is at least as large: the
    // next rank is the smallest of them.
    const double high = above == below ? low : *std::min_element(values + below + 1, values + count);
    return low + (high - low) * (rank - static_cast<double>(below));
}

namespace {

double MeanRate(const RunResults& results)
{
    return results.totalSeconds > 0 ? results.frames / results.totalSeconds : 0;
}

const char* TargetName(const BenchmarkOptions& options)
{
    return options.offscreen ? "offscreen" : "window";
}

// A JSON string literal of `text`.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        } else
            quoted += c;
    }
    return quoted + "\"";
}

std::string Number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", std::isfinite(value) ? value : 0.0);
    return text;
}

} // namespace

void PrintSummary(std::FILE* out, const BenchmarkOptions& options, const RunResults& results)
{
    std::fprintf(out, "Summary\n");
    std::fprintf(out, "Renderer:\t%s\n", results.renderer.c_str());
    std::fprintf(out, "Target:\t%s %dx%d\n", TargetName(options), options.width, options.height);
    std::fprintf(out, "Frames:\t%d\n", results.frames);
    std::fprintf(out, "Total time:\t%f s\n", results.totalSeconds);
    std::fprintf(out, "Mean frame rate:\t%f frames/s\n", MeanRate(results));
    std::fprintf(out, "Frame time median:\t%.4f ms\n", results.medianMs);
    std::fprintf(out, "Frame time 5th percentile:\t%.4f ms\n", results.p5Ms);
    std::fprintf(out, "Frame time 95th percentile:\t%.4f ms\n", results.p95Ms);
    std::fflush(out);
}

std::string ResultsJson(const BenchmarkOptions& options, const RunResults& results)
{
    std::string json = "{\n";
    json += "  \"renderer\": " + Quoted(results.renderer) + ",\n";
    json += "  \"target\": \"" + std::string(TargetName(options)) + "\",\n";
    json += "  \"width\": " + std::to_string(options.width) + ",\n";
    json += "  \"height\": " + std::to_string(options.height) + ",\n";
    json += "  \"swap_interval\": " + std::to_string(options.interval) + ",\n";
    json += "  \"frames\": " + std::to_string(results.frames) + ",\n";
    json += "  \"total_seconds\": " + Number(results.totalSeconds) + ",\n";
    json += "  \"mean_fps\": " + Number(MeanRate(results)) + ",\n";
    json += "  \"frame_ms\": { \"median\": " + Number(results.medianMs) + ", \"p5\": " + Number(results.p5Ms)
        + ", \"p95\": " + Number(results.p95Ms) + " },\n";
    json += "  \"report_every\": " + std::to_string(options.reportEvery) + ",\n";
    json += "  \"reports\": [";
    for (int i = 0; i < results.intervalCount; ++i) {
        const double seconds = results.intervals[i];
        json += i ? ",\n    " : "\n    ";
        json += "{ \"frames_done\": " + std::to_string(static_cast<long long>(i + 1) * options.reportEvery)
            + ", \"seconds\": " + Number(seconds)
            + ", \"fps\": " + Number(seconds > 0 ? options.reportEvery / seconds : 0) + " }";
    }
    json += results.intervalCount ? "\n  ]\n}\n" : "]\n}\n";
    return json;
}
