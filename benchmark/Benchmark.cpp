#include "Benchmark.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <varnox/varnox.h>

#include "BenchmarkImage.h"
#include "OutputFile.h"
#include "ParametricSurface.h"
#include "ShaderFile.h"
#include "Summary.h"

namespace {

BenchmarkOptions WindowOptions(int width, int height)
{
    BenchmarkOptions options;
    options.width = width;
    options.height = height;
    return options;
}

// A target that failed has printed its line and left no context of its own
// current; glGetString answers null while no context is current.
bool HasContext(const CRenderTarget* target)
{
    return target->hglrc && target->hdc && glGetString(GL_VERSION);
}

const char* GLText(GLenum name)
{
    const char* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

} // namespace

Benchmark::Benchmark(int left, int top, int right, int bottom)
    : Benchmark(WindowOptions(right - left, bottom - top))
{
}

Benchmark::Benchmark(const BenchmarkOptions& options)
    : reportEvery(options.reportEvery)
{
    if (options.offscreen) {
        offscreen = COffScreen::NewL(options.width, options.height);
        if (!HasContext(offscreen))
            return;
    } else {
        window = CWindowVNX::NewL(0, 0, options.width, options.height, 0);
        if (!HasContext(window))
            return;
        window->SetRefreshInterval(options.interval);
    }
    // Without the file anywhere, the name as it always was: the shader then
    // says it cannot read it (RunBenchmark refuses to run that way).
    const std::string shader = FindShaderFile();
    const BenchmarkScene built
        = BuildBenchmarkScene(options.width, options.height, shader.empty() ? kShaderFile : shader.c_str());
    scene = built.scene;
    surface = built.surface;
}

BenchmarkScene BuildBenchmarkScene(
    int width, int height, const char* shaderFile, ParametricSurface* (*newSurface)())
{
    CScene* scene = CScene::NewL();

    TextureStatic* texture = new TextureStatic();
    texture->setImage(512, 512, 0, ImageObject::RGB565, kBenchmarkImage);

    Shader* shader = new Shader();
    VertexProgram* vertex = new VertexProgram(shaderFile);
    FragmentProgram* fragment = new FragmentProgram(shaderFile);
    shader->SetVertexProgram(vertex);
    shader->SetFragmentProgram(fragment);

    ParametricSurface* surface = newSurface ? newSurface() : new ParametricSurface();
    surface->setShader(shader);
    surface->getShader()->SetUniform("mLightPos", kxVec3(0.0f, 0.0f, 200.0f));
    surface->setStart(-123.0f, -123.0f);
    surface->setStop(123.0f, 123.0f);
    surface->addTexture(texture, 0);
    surface->setRotation(45.0f, 1.0f, 0.0f, 0.0f);
    surface->setTranslation(static_cast<float>(width * 0.5), static_cast<float>(height * 0.5), 0.0f);
    surface->update(nullptr);
    scene->addObject(surface);
    return BenchmarkScene { scene, surface };
}

Benchmark::~Benchmark()
{
    // The surface and the scene go while the target's context still exists;
    // the surface's references release its shader, programs and texture.
    delete surface;
    delete scene;
    delete window;
    delete offscreen;
}

void Benchmark::RenderFrame()
{
    if (!scene)
        return;
    const int n = frameCount;
    surface->getShader()->SetUniform("mTime",
        static_cast<float>(static_cast<double>(static_cast<float>(n)) * static_cast<double>(0.005f)));
    if (window) {
        scene->Render(window);
        window->Refresh(n);
    } else {
        scene->Render(offscreen);
        // Nothing is presented off screen: wait until the GL has drawn the
        // frame, so that the time measured is the drawing's and not only
        // the queueing of its commands.
        glFinish();
    }
    frameCount = n + 1;
    if (frameCount % reportEvery == 0) {
        timer.Stop();
        std::printf("Total time and frames:\t%f\t%d\n", timer.elapsed, reportEvery);
        std::printf(
            "Time and frame rate:\t%lf\t%f\n", timer.elapsed / reportEvery, reportEvery / timer.elapsed);
        std::fflush(stdout);
        if (intervalCount < intervalCapacity)
            intervals[intervalCount++] = timer.elapsed;
        timer.Start();
    }
}

int RunBenchmark(const BenchmarkRect& rect)
{
    return RunBenchmark(WindowOptions(rect.right - rect.left, rect.bottom - rect.top));
}

int RunBenchmark(const BenchmarkOptions& options)
{
    // The results go into a new file beside the one named, made before
    // anything is rendered so that a run is not wasted on a name that cannot
    // be written, and put in its place only once written whole: a run that
    // fails leaves whatever the name held (cmdline/OutputFile.h).
    // Timing the wave without its shader would report numbers for another
    // scene: refuse before anything is made.
    if (FindShaderFile().empty()) {
        std::fprintf(
            stderr, "vnxtest3D: %s is neither in the working folder nor beside the program\n", kShaderFile);
        return 1;
    }

    vnxcmd::OutputFile output;
    std::FILE* json = nullptr;
    if (!options.json.empty()) {
        std::string error;
        if (!output.Open(options.json, error)) {
            std::fprintf(stderr, "vnxtest3D: cannot write %s: %s\n", options.json.c_str(), error.c_str());
            return 1;
        }
        json = output.file();
    }

    // Per-frame times and report intervals go into arrays made here, so
    // that the frame loop never allocates.
    const bool measure = options.summary || json;
    std::unique_ptr<float[]> frameMs(measure ? new float[static_cast<size_t>(options.frames)] : nullptr);
    const int reports = options.frames / options.reportEvery;
    std::unique_ptr<double[]> intervals(measure ? new double[static_cast<size_t>(reports) + 1] : nullptr);

    Benchmark* benchmark = new Benchmark(options);
    if (!benchmark->Ready()) {
        delete benchmark;
        std::fprintf(stderr, "vnxtest3D: no GL context to render into%s\n",
            options.offscreen ? "" : " (--offscreen needs no window)");
        return 1;
    }
    benchmark->intervals = intervals.get();
    benchmark->intervalCapacity = measure ? reports : 0;

    double first = 0, after = 0;
    for (int frame = 0; frame < options.frames; ++frame) {
        const double before = kxTimer::SystemTime();
        benchmark->RenderFrame();
        after = kxTimer::SystemTime();
        if (frame == 0)
            first = before;
        if (frameMs)
            frameMs[frame] = static_cast<float>((after - before) * 1000.0);
    }

    RunResults results;
    results.renderer = GLText(GL_RENDERER);
    results.intervalCount = benchmark->intervalCount;
    delete benchmark;
    if (!measure)
        return 0;

    results.frames = options.frames;
    results.totalSeconds = after - first;
    const size_t count = static_cast<size_t>(options.frames);
    results.medianMs = Percentile(frameMs.get(), count, 0.5);
    results.p5Ms = Percentile(frameMs.get(), count, 0.05);
    results.p95Ms = Percentile(frameMs.get(), count, 0.95);
    results.intervals = intervals.get();
    if (options.summary)
        PrintSummary(stdout, options, results);
    if (json) {
        const std::string text = ResultsJson(options, results);
        std::fwrite(text.data(), 1, text.size(), json);
        std::string error;
        if (!output.Commit(error)) {
            std::fprintf(stderr, "vnxtest3D: cannot write %s: %s\n", options.json.c_str(), error.c_str());
            return 1;
        }
    }
    return 0;
}
