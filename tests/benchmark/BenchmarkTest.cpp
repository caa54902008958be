// The benchmark program and its pieces. They use the shared library, as the
// program does, so what the library and the benchmark print is read on
// standard output.
#include <csignal>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "Benchmark.h"
#include "ParametricSurface.h"
#include "support/HelperProcess.h"
#include "support/StdoutCapture.h"

namespace {

// A window target of its own that notes the frame numbers handed to Refresh;
// its context shares the benchmark window's objects.
class RecordingWindow : public CWindowVNX {
public:
    RecordingWindow()
        : CWindowVNX(0, 0, 500, 500, 0)
    {
    }
    void Refresh(int frame) override
    {
        frames.push_back(frame);
        CWindowVNX::Refresh(frame);
    }
    std::vector<int> frames;
};

float TimeUniform(Shader* shader)
{
    GLfloat value = -1;
    glGetUniformfv(shader->program, kxgl::glGetUniformLocation(shader->program, "mTime"), &value);
    return value;
}

TEST(Benchmark, FramesSendTheirNumberAndTime)
{
    vxtest::StdoutCapture startupCapture;
    Benchmark benchmark(0, 0, 500, 500);
    CWindowVNX* own = benchmark.window;
    RecordingWindow* recording = new RecordingWindow();
    const std::string startup = startupCapture.Finish();
    ASSERT_NE(recording->hglrc, nullptr) << startup.substr(startup.size() > 2000 ? startup.size() - 2000 : 0);
    benchmark.window = recording;
    EXPECT_EQ(recording->width, 500);
    EXPECT_EQ(benchmark.frameCount, 0);

    Shader* shader = benchmark.surface->getShader();
    ASSERT_NE(shader, nullptr);
    std::vector<float> times;
    for (int n = 0; n < 5; ++n) {
        benchmark.RenderFrame();
        times.push_back(TimeUniform(shader));
    }
    EXPECT_EQ(recording->frames, (std::vector<int> { 0, 1, 2, 3, 4 }));
    EXPECT_EQ(times[0], 0.0f);
    for (int n = 1; n < 5; ++n)
        EXPECT_EQ(times[static_cast<size_t>(n)], static_cast<float>(double(float(n)) * double(0.005f)));

    // The 5,000th frame (n = 4,999) sends 24.995 and is followed by a report.
    benchmark.frameCount = 4999;
    const std::string report = vxtest::CaptureStdout([&] { benchmark.RenderFrame(); });
    EXPECT_EQ(TimeUniform(shader), static_cast<float>(4999.0 * double(0.005f)));
    EXPECT_NEAR(TimeUniform(shader), 24.995f, 1e-5f);
    EXPECT_EQ(recording->frames.back(), 4999);
    EXPECT_EQ(benchmark.frameCount, 5000);
    EXPECT_TRUE(std::regex_match(report,
        std::regex("Total time and frames:\t[0-9]+\\.[0-9]{6}\t5000\n"
                   "Time and frame rate:\t[0-9]+\\.[0-9]{6}\t[0-9]+\\.[0-9]{6}\n")))
        << report;

    // The scene holds the surface, textured and shaded, tilted and centred.
    EXPECT_EQ(benchmark.scene->childCount(), 1u);
    EXPECT_EQ(benchmark.scene->child(0), benchmark.surface);
    EXPECT_NE(benchmark.surface->getTexture(), nullptr);
    EXPECT_EQ(benchmark.surface->getRotation().x, 45.0f);
    EXPECT_EQ(benchmark.surface->getRotation().y, 1.0f);
    EXPECT_EQ(benchmark.surface->getTranslation().x, 250.0f);
    EXPECT_EQ(benchmark.surface->getTranslation().y, 250.0f);

    // The frame is on screen: the surface covers the window's centre.
    std::vector<unsigned char> pixels(500 * 500 * 4);
    benchmark.scene->Render(recording);
    recording->CopyBuffer(pixels.data());
    const unsigned char* centre = &pixels[(250 * 500 + 250) * 4];
    EXPECT_GT(centre[0] + centre[1] + centre[2], 0);
    const unsigned char* corner = &pixels[0];
    EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);

    delete recording;
    benchmark.window = own;
    own->Activate(); // the benchmark's teardown runs in its window's context
}

// The wave surface with its functions reachable.
class WaveProbe : public ParametricSurface {
public:
    using ParametricSurface::getNormal;
    using ParametricSurface::getVertex;
};

class LibraryProbe : public kxParametric {
public:
    using kxParametric::getNormal;
};

TEST(ParametricSurface, WaveNormalsLeanAgainstTheLibrarysAlongU)
{
    COffScreen* target = nullptr;
    vxtest::CaptureStdout([&] { target = COffScreen::NewL(8, 8); }); // buffers need a context
    {
        WaveProbe wave;
        LibraryProbe library;
        EXPECT_EQ(wave.phase, 0.0f);
        const kxVec3 flat = wave.getNormal(0, 0);
        EXPECT_EQ(flat.x, 0.0f);
        EXPECT_EQ(flat.y, 0.0f);
        EXPECT_EQ(flat.z, 1.0f);
        const kxVec3 a = wave.getNormal(0, 25.75f), b = library.getNormal(0, 25.75f);
        EXPECT_NEAR(a.x, 0.7854f, 1e-4f);
        EXPECT_NEAR(a.y, 0.0f, 1e-6f);
        EXPECT_NEAR(a.z, 0.6190f, 1e-4f);
        EXPECT_NEAR(b.x, -0.7854f, 1e-4f);
        EXPECT_NEAR(b.z, 0.6190f, 1e-4f);
        const kxVec3 c = wave.getNormal(25.75f, 0), d = library.getNormal(25.75f, 0);
        EXPECT_NEAR(c.x, 0.0f, 1e-6f);
        EXPECT_NEAR(c.y, -0.7854f, 1e-4f);
        EXPECT_NEAR(c.z, 0.6190f, 1e-4f);
        EXPECT_EQ(c.y, d.y);
        // Heights as the library's sine surface.
        EXPECT_NEAR(wave.getVertex(25.75f, 25.75f).z, 20.8f, 1e-3f);
    }
    delete target;
}

// Runs vnxtest3D from its folder and reads its output until the first report
// pair, then stops it.
TEST(Vnxtest3D, ProgramPrintsTheDriverReportThenTimedReports)
{
    vxtest::HelperProcess program(VNX_BENCHMARK_DIR "/vnxtest3D", {}, VNX_BENCHMARK_DIR);
    ASSERT_TRUE(program.Started());
    std::vector<std::string> lines;
    for (std::string line; program.ReadLine(line);) {
        lines.push_back(line);
        if (line.rfind("Time and frame rate:", 0) == 0)
            break;
    }
    program.Stop(SIGTERM);

    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("Vendor: ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("Renderer: ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("Version: ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("Shader version: ", 0), 0u);
    const size_t n = lines.size();
    // Nothing between the extension report and the first pair: the shader
    // file was found and compiled, and no frame printed anything.
    EXPECT_EQ(lines[n - 3], "Needed extension GL_ARB_vertex_buffer_object is supported: Yes\n");
    EXPECT_TRUE(
        std::regex_match(lines[n - 2], std::regex("Total time and frames:\t[0-9]+\\.[0-9]{6}\t5000\n")))
        << lines[n - 2];
    EXPECT_TRUE(std::regex_match(
        lines[n - 1], std::regex("Time and frame rate:\t[0-9]+\\.[0-9]{6}\t[0-9]+\\.[0-9]{6}\n")))
        << lines[n - 1];
    // Seconds per frame times frames per second is one.
    double total = 0, perFrame = 0, rate = 0;
    ASSERT_EQ(std::sscanf(lines[n - 2].c_str(), "Total time and frames:\t%lf", &total), 1);
    ASSERT_EQ(std::sscanf(lines[n - 1].c_str(), "Time and frame rate:\t%lf\t%lf", &perFrame, &rate), 2);
    EXPECT_NEAR(total / 5000, perFrame, 1e-6);
    EXPECT_NEAR(rate * total, 5000, 1.0);
}

} // namespace
