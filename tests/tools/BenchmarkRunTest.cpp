// vnxtest3D as its users run it: headless, without an X server, with bad options.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ToolRun.h"

namespace {

using vxtools::RunTool;

const std::string kProgram = VNX_BENCHMARK_DIR "/vnxtest3D";

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(BenchmarkRun, OffscreenRunWithoutXServerSummarisesWhatItReported)
{
    // An older results file of that name is replaced whole.
    const std::string folder = vxtools::NewFolder("bench");
    const std::string json = folder + "/results.json";
    std::ofstream(json) << "an older run\n";
    const vxtools::RunResult run = RunTool(kProgram,
        { "--offscreen", "--frames", "90", "--report-every", "30", "--size", "96x64", "--summary", "--json",
            json },
        VNX_BENCHMARK_DIR, { "DISPLAY" });
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    // The report pairs as the plain run prints them, then the summary.
    std::vector<double> reported;
    std::vector<std::string> summary;
    for (const std::string& line : LinesOf(run.out)) {
        double seconds = 0, perFrame = 0, rate = 0;
        int frames = 0;
        if (std::sscanf(line.c_str(), "Total time and frames:\t%lf\t%d", &seconds, &frames) == 2) {
            EXPECT_EQ(frames, 30);
            reported.push_back(seconds);
        } else if (std::sscanf(line.c_str(), "Time and frame rate:\t%lf\t%lf", &perFrame, &rate) == 2) {
            ASSERT_FALSE(reported.empty());
            EXPECT_NEAR(perFrame * 30, reported.back(), 31 * 5e-7); // both printed to 6 places
            EXPECT_NEAR(rate * reported.back(), 30, 0.01);
        } else if (line == "Summary" || !summary.empty())
            summary.push_back(line);
        EXPECT_EQ(line.find("CWindowVNX"), std::string::npos) << line;
    }
    ASSERT_EQ(reported.size(), 3u) << run.out;
    ASSERT_EQ(summary.size(), 9u) << run.out;

    std::ifstream file(json);
    const nlohmann::json results = nlohmann::json::parse(file);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string> { "results.json" });
    EXPECT_EQ(summary[1], "Renderer:\t" + results["renderer"].get<std::string>());
    EXPECT_FALSE(results["renderer"].get<std::string>().empty());
    EXPECT_EQ(summary[2], "Target:\toffscreen 96x64");
    EXPECT_EQ(summary[3], "Frames:\t90");
    EXPECT_EQ(results["target"], "offscreen");
    EXPECT_EQ(results["width"], 96);
    EXPECT_EQ(results["height"], 64);
    EXPECT_EQ(results["frames"], 90);
    const double total = results["total_seconds"], fps = results["mean_fps"];
    const double median = results["frame_ms"]["median"], p5 = results["frame_ms"]["p5"],
                 p95 = results["frame_ms"]["p95"];
    double printedTotal = 0, printedMedian = 0;
    ASSERT_EQ(std::sscanf(summary[4].c_str(), "Total time:\t%lf s", &printedTotal), 1);
    ASSERT_EQ(std::sscanf(summary[6].c_str(), "Frame time median:\t%lf ms", &printedMedian), 1);
    EXPECT_NEAR(printedTotal, total, 1e-6);
    EXPECT_NEAR(printedMedian, median, 1e-4);

    // The numbers agree with one another and with the reports.
    EXPECT_NEAR(fps * total, 90, 1e-6);
    EXPECT_LE(p5, median);
    EXPECT_LE(median, p95);
    EXPECT_GT(p5, 0);
    // Half the frames took at least the median, 95 % at least the 5th
    // percentile: the loop took at least that long.
    EXPECT_GE(total * 1000, 45 * median);
    EXPECT_GE(total * 1000, 85.5 * p5);
    ASSERT_EQ(results["reports"].size(), 3u);
    double later = 0, all = 0;
    for (size_t i = 0; i < 3; ++i) {
        const double seconds = results["reports"][i]["seconds"];
        EXPECT_EQ(results["reports"][i]["frames_done"], 30 * (i + 1));
        EXPECT_NEAR(seconds, reported[i], 1e-6);
        all += seconds;
        later += i ? seconds : 0;
    }
    // The first interval also timed the set-up; the loop holds the others.
    EXPECT_GE(total, later);
    EXPECT_LE(total, all);
}

TEST(BenchmarkRun, WithoutAnyTargetItStopsWithStatusOneAndNoReports)
{
    const std::vector<std::pair<std::string, std::string>> servers = {
        { "DISPLAY", "CWindowVNX: could not open the X display (DISPLAY is not set)" },
        { "DISPLAY=:9999", "CWindowVNX: could not open the X display \":9999\"" },
    };
    for (const auto& [environment, line] : servers) {
        const vxtools::RunResult run
            = RunTool(kProgram, { "--frames", "10" }, VNX_BENCHMARK_DIR, { environment });
        EXPECT_EQ(run.status, 1) << environment << run.err;
        EXPECT_EQ(run.out, line + "\n");
        EXPECT_EQ(run.err, "vnxtest3D: no GL context to render into (--offscreen needs no window)\n");
    }
    // Nor off screen when EGL has no driver at all; the results file named
    // keeps what it held, and nothing else is left beside it.
    const std::string folder = vxtools::NewFolder("none");
    std::ofstream(folder + "/r.json") << "last week's results\n";
    const vxtools::RunResult run = RunTool(kProgram, { "--offscreen", "--json", "r.json" }, folder,
        { "DISPLAY", "__EGL_VENDOR_LIBRARY_FILENAMES=" VNX_TEST_DIR "/no-egl-vendor.json" });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.find("Total time"), std::string::npos);
    EXPECT_NE(run.out.find("kxOffScreen wglGetCurrentDC failed, Error\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "vnxtest3D: no GL context to render into\n");
    std::stringstream kept;
    kept << std::ifstream(folder + "/r.json").rdbuf();
    EXPECT_EQ(kept.str(), "last week's results\n");
    EXPECT_EQ(FilesIn(folder), std::vector<std::string> { "r.json" });
}

// Run from another folder it reads the shader beside itself; a copy of the
// program with no shader anywhere stops with one line before any frame,
// instead of timing the wave without its shader.
TEST(BenchmarkRun, ReadsItsShaderBesideItselfAndStopsWithoutOne)
{
    const std::vector<std::string> run10 = { "--offscreen", "--frames", "10", "--report-every", "10" };
    const vxtools::RunResult elsewhere
        = RunTool(kProgram, run10, vxtools::NewFolder("elsewhere"), { "DISPLAY" });
    EXPECT_EQ(elsewhere.status, 0);
    EXPECT_EQ(elsewhere.err, "");
    EXPECT_EQ(elsewhere.out.find("cannot open"), std::string::npos) << elsewhere.out;
    EXPECT_EQ(elsewhere.out.find("failed"), std::string::npos) << elsewhere.out;
    EXPECT_NE(elsewhere.out.find("Total time and frames:"), std::string::npos);

    const std::string alone = vxtools::NewFolder("alone");
    std::filesystem::copy_file(kProgram, alone + "/vnxtest3D");
    std::filesystem::permissions(alone + "/vnxtest3D", std::filesystem::perms::owner_all);
    const vxtools::RunResult without = RunTool(alone + "/vnxtest3D", run10, alone, { "DISPLAY" });
    EXPECT_EQ(without.status, 1);
    EXPECT_EQ(without.out, "");
    EXPECT_EQ(
        without.err, "vnxtest3D: kxLightShader.sh is neither in the working folder nor beside the program\n");
}

TEST(BenchmarkRun, BadOptionsPrintTheUsageAndRenderNothing)
{
    const std::vector<std::vector<std::string>> bad = {
        { "--frames", "x" },
        { "--offscreen", "--interval", "0" },
        { "--size=3x" },
        { "extra" },
    };
    for (const std::vector<std::string>& arguments : bad) {
        const vxtools::RunResult run = RunTool(kProgram, arguments, VNX_BENCHMARK_DIR, { "DISPLAY" });
        EXPECT_EQ(run.status, 2) << arguments[0];
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(std::regex_search(run.err, std::regex("^vnxtest3D: [^\n]+\nUsage: vnxtest3D ")));
    }
    const vxtools::RunResult help = RunTool(kProgram, { "--help" }, VNX_BENCHMARK_DIR, { "DISPLAY" });
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: vnxtest3D", 0), 0u);
    EXPECT_NE(help.out.find("--offscreen"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const vxtools::RunResult unwritable = RunTool(
        kProgram, { "--offscreen", "--json", "/nonexistent/r.json" }, VNX_BENCHMARK_DIR, { "DISPLAY" });
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_EQ(unwritable.err, "vnxtest3D: cannot write /nonexistent/r.json: No such file or directory\n");

    // Only a regular file is replaced: a folder or a device is refused
    // before anything is rendered.
    for (const auto& [path, why] : std::vector<std::pair<std::string, std::string>> {
             { VNX_BENCHMARK_DIR, "is a folder" }, { "/dev/null", "is not a regular file" } }) {
        const vxtools::RunResult run
            = RunTool(kProgram, { "--offscreen", "--json", path }, VNX_BENCHMARK_DIR, { "DISPLAY" });
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "vnxtest3D: cannot write " + path + ": " + why + "\n");
    }
}

} // namespace
