// varnox_perf: every hot path of the library beside plain code doing the same
// GL work, alternately in this one process, ending with the table of ratios.
//
// Options of its own (the rest are Google Benchmark's, e.g. --benchmark_filter):
//   --rounds=N       paired rounds per case (default 31)
//   --batch_ms=M     time each side's batch should take (default 100)
//   --table=FILE     also write the final table to FILE
//   --mark_calls     time nothing: run each side once inside a GL debug group
//                    named after it, for a trace to compare (scripts/perf)
//   --instructions   time nothing: draw case 12's scene with each side for
//                    callgrind to count (scripts/perf --instructions)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "Cases.h"
#include "Pairing.h"
#include "PerfSupport.h"

namespace {

// Takes this program's own options out of argv; returns the table file.
std::string TakeOwnOptions(int* argc, char** argv)
{
    std::string table;
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--rounds=", 9) == 0)
            vnxperf::Settings().rounds = std::max(1, std::atoi(a + 9));
        else if (std::strncmp(a, "--batch_ms=", 11) == 0)
            vnxperf::Settings().batchSeconds = std::atof(a + 11) / 1000.0;
        else if (std::strncmp(a, "--table=", 8) == 0)
            table = a + 8;
        else if (std::strcmp(a, "--mark_calls") == 0)
            vnxperf::Settings().markCalls = true;
        else
            argv[kept++] = argv[i];
    }
    *argc = kept;
    argv[kept] = nullptr;
    return table;
}

// The machine, the GL that renders, and when: the header of the table.
std::string Environment()
{
    std::string renderer = "no GL";
    std::string version;
    if (std::unique_ptr<COffScreen> probe = vnxperf::HeadlessTarget(16, 16)) {
        renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    }
    vnxperf::ReleaseCurrent();
    char date[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M %Z", std::localtime(&now));
    char text[1024];
    std::snprintf(text, sizeof text, "GL renderer: %s (%s)\nCPU: %s, %ld cores online\nDate: %s\n",
        renderer.c_str(), version.c_str(), vnxperf::CpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN), date);
    return text;
}

} // namespace

namespace vnxperf {

void RegisterPaired(const char* name, std::function<void(benchmark::State&)> run)
{
    benchmark::RegisterBenchmark(name,
        [run, id = std::string(name)](benchmark::State& state) {
            CurrentCase() = id;
            run(state);
        })
        ->Iterations(Settings().markCalls ? 1 : Settings().rounds)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace vnxperf

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--instructions") == 0)
        return vnxperf::CountSharedQuadInstructions();
    const std::string tableFile = TakeOwnOptions(&argc, argv);
    const bool marking = vnxperf::Settings().markCalls;
    vnxperf::RegisterFrameCases();
    vnxperf::RegisterNodeCases();
    vnxperf::RegisterParametricCase();
    vnxperf::RegisterYuvCases();
    vnxperf::RegisterTextureCase();
    vnxperf::RegisterElisionCases();
    vnxperf::RegisterSharingCases();
    vnxperf::RegisterVideoFrameCases();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    const std::string environment = Environment();
    std::printf("%s", environment.c_str());
    std::fflush(stdout);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    bool allRan = true;
    for (const vnxperf::CaseResult& r : vnxperf::Results())
        allRan = allRan && r.error.empty();
    if (marking)
        return allRan ? 0 : 1;

    std::printf(
        "\n== Paired results, medians of %d rounds. Ratio: plain time / library time, that is library "
        "throughput as a fraction of plain throughput (IQR: its middle half over the rounds)\n%s\n",
        vnxperf::Settings().rounds, environment.c_str());
    vnxperf::PrintTable(stdout);
    if (!tableFile.empty()) {
        if (std::FILE* out = std::fopen(tableFile.c_str(), "w")) {
            std::fprintf(out, "%s\n", environment.c_str());
            vnxperf::PrintTable(out);
            std::fclose(out);
        }
    }
    return allRan ? 0 : 1;
}
