// vnxtest3D's command line, its percentiles and its JSON, without GL.
#include <algorithm>
#include <numeric>
#include <random>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Benchmark.h"
#include "Options.h"
#include "Summary.h"

namespace {

ParseResult Parse(std::vector<const char*> arguments, BenchmarkOptions& options, std::string& error)
{
    arguments.insert(arguments.begin(), "vnxtest3D");
    return ParseBenchmarkOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

// It owns a window or an off-screen target and GL objects.
static_assert(!std::is_copy_constructible_v<Benchmark> && !std::is_copy_assignable_v<Benchmark>);

TEST(BenchmarkOptions, NoneIsThePlainRunAndEachOptionSetsItsField)
{
    BenchmarkOptions options;
    std::string error;
    ASSERT_EQ(Parse({}, options, error), ParseResult::Run);
    EXPECT_EQ(options.frames, 150000);
    EXPECT_EQ(options.reportEvery, 5000);
    EXPECT_EQ(options.width, 500);
    EXPECT_EQ(options.height, 500);
    EXPECT_EQ(options.interval, 0);
    EXPECT_FALSE(options.offscreen || options.summary);
    EXPECT_TRUE(options.json.empty());

    ASSERT_EQ(Parse({ "--frames", "3000", "--report-every=250", "--size", "640x360", "--summary",
                        "--json=r.json", "--offscreen" },
                  options, error),
        ParseResult::Run)
        << error;
    EXPECT_EQ(options.frames, 3000);
    EXPECT_EQ(options.reportEvery, 250);
    EXPECT_EQ(options.width, 640);
    EXPECT_EQ(options.height, 360);
    EXPECT_TRUE(options.offscreen && options.summary);
    EXPECT_EQ(options.json, "r.json");

    BenchmarkOptions window;
    ASSERT_EQ(Parse({ "--interval", "2" }, window, error), ParseResult::Run);
    EXPECT_EQ(window.interval, 2);
    EXPECT_EQ(Parse({ "--frames", "5", "--help", "--bogus" }, window, error), ParseResult::Help);
}

TEST(BenchmarkOptions, BadValuesAndConflictsAreRefusedByName)
{
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        { { "--frames", "0" }, "--frames wants a whole number from 1 to 10000000, not \"0\"" },
        { { "--frames", "-5" }, "--frames wants a whole number from 1 to 10000000, not \"-5\"" },
        { { "--frames", "12abc" }, "--frames wants a whole number from 1 to 10000000, not \"12abc\"" },
        { { "--frames", "10000001" }, "--frames wants a whole number from 1 to 10000000, not \"10000001\"" },
        { { "--frames", "99999999999999999999" },
            "--frames wants a whole number from 1 to 10000000, not \"99999999999999999999\"" },
        { { "--frames" }, "--frames needs a value" },
        { { "--report-every", "" }, "--report-every wants a whole number from 1 to 10000000, not \"\"" },
        { { "--size", "500" }, "--size wants WIDTHxHEIGHT, each from 1 to 16384, not \"500\"" },
        { { "--size", "0x10" }, "--size wants WIDTHxHEIGHT, each from 1 to 16384, not \"0x10\"" },
        { { "--size", "10x16385" }, "--size wants WIDTHxHEIGHT, each from 1 to 16384, not \"10x16385\"" },
        { { "--size", " 10x10" }, "--size wants WIDTHxHEIGHT, each from 1 to 16384, not \" 10x10\"" },
        { { "--interval", "101" }, "--interval wants a whole number from 0 to 100, not \"101\"" },
        { { "--json", "" }, "--json wants a file name" },
        { { "--summary=yes" }, "--summary takes no value" },
        { { "--frames", "10", "--frames", "20" }, "--frames is given twice" },
        { { "--offscreen", "--interval", "1" },
            "--interval sets the window's swap interval and has no meaning with --offscreen" },
        { { "--fast" }, "unknown option \"--fast\"" },
        { { "3000" }, "unexpected argument \"3000\"" },
    };
    for (const auto& [arguments, expected] : cases) {
        BenchmarkOptions options;
        std::string error;
        EXPECT_EQ(Parse(arguments, options, error), ParseResult::Bad) << expected;
        EXPECT_EQ(error, expected);
    }
}

TEST(BenchmarkSummary, PercentilesInterpolateBetweenRanks)
{
    // 1 … 100 in any order: rank (n − 1) · p, so p = 0.05 falls between the
    // 5th and 6th values and the median between the 50th and 51st.
    std::vector<float> values(100);
    std::iota(values.begin(), values.end(), 1.0f);
    std::shuffle(values.begin(), values.end(), std::mt19937(7));
    EXPECT_NEAR(Percentile(values.data(), values.size(), 0.5), 50.5, 1e-9);
    EXPECT_NEAR(Percentile(values.data(), values.size(), 0.05), 5.95, 1e-9);
    EXPECT_NEAR(Percentile(values.data(), values.size(), 0.95), 95.05, 1e-9);
    EXPECT_EQ(Percentile(values.data(), values.size(), 0.0), 1.0);
    EXPECT_EQ(Percentile(values.data(), values.size(), 1.0), 100.0);
    float one = 4.25f;
    EXPECT_EQ(Percentile(&one, 1, 0.95), 4.25);
    EXPECT_EQ(Percentile(nullptr, 0, 0.5), 0.0);
}

TEST(BenchmarkSummary, JsonCarriesEveryFieldAndEscapesTheRendererName)
{
    BenchmarkOptions options;
    options.frames = 10;
    options.reportEvery = 4;
    options.offscreen = true;
    const double intervals[2] = { 0.5, 0.25 };
    RunResults results;
    results.renderer = "GPU \"x\\y\"\ttab";
    results.frames = 10;
    results.totalSeconds = 2.0;
    results.medianMs = 1.5;
    results.p5Ms = 1.25;
    results.p95Ms = 3.0;
    results.intervals = intervals;
    results.intervalCount = 2;
    const nlohmann::json json = nlohmann::json::parse(ResultsJson(options, results));
    EXPECT_EQ(json["renderer"], results.renderer);
    EXPECT_EQ(json["target"], "offscreen");
    EXPECT_EQ(json["frames"], 10);
    EXPECT_EQ(json["mean_fps"], 5.0);
    EXPECT_EQ(json["frame_ms"]["p5"], 1.25);
    ASSERT_EQ(json["reports"].size(), 2u);
    EXPECT_EQ(json["reports"][1]["frames_done"], 8);
    EXPECT_EQ(json["reports"][1]["fps"], 16.0);
}

} // namespace
