#include "Benchmark.h"

#include <cstdio>

#include <varnox/varnox.h>

#include "BenchmarkImage.h"
#include "ParametricSurface.h"

namespace {
const char* const kShaderFile = "kxLightShader.sh";
}

Benchmark::Benchmark(int left, int top, int right, int bottom)
{
    const int width = right - left;
    const int height = bottom - top;

    window = CWindowVNX::NewL(0, 0, width, height, 0);
    window->SetRefreshInterval(0);
    scene = CScene::NewL();

    TextureStatic* texture = new TextureStatic();
    texture->setImage(512, 512, 0, ImageObject::RGB565, kBenchmarkImage);

    Shader* shader = new Shader();
    VertexProgram* vertex = new VertexProgram(kShaderFile);
    FragmentProgram* fragment = new FragmentProgram(kShaderFile);
    shader->SetVertexProgram(vertex);
    shader->SetFragmentProgram(fragment);

    surface = new ParametricSurface();
    surface->setShader(shader);
    surface->getShader()->SetUniform("mLightPos", kxVec3(0.0f, 0.0f, 200.0f));
    surface->setStart(-123.0f, -123.0f);
    surface->setStop(123.0f, 123.0f);
    surface->addTexture(texture, 0);
    surface->setRotation(45.0f, 1.0f, 0.0f, 0.0f);
    surface->setTranslation(static_cast<float>(width * 0.5), static_cast<float>(height * 0.5), 0.0f);
    surface->update(nullptr);
    scene->addObject(surface);
}

Benchmark::~Benchmark()
{
    // The surface and the scene go while the window's context still exists;
    // the surface's references release its shader, programs and texture.
    delete surface;
    delete scene;
    delete window;
}

void Benchmark::RenderFrame()
{
    const int n = frameCount;
    surface->getShader()->SetUniform("mTime",
        static_cast<float>(static_cast<double>(static_cast<float>(n)) * static_cast<double>(0.005f)));
    scene->Render(window);
    window->Refresh(n);
    frameCount = n + 1;
    if (frameCount % kFramesPerReport == 0) {
        timer.Stop();
        std::printf("Total time and frames:\t%f\t%d\n", timer.elapsed, kFramesPerReport);
        std::printf("Time and frame rate:\t%lf\t%f\n", timer.elapsed / kFramesPerReport,
            kFramesPerReport / timer.elapsed);
        std::fflush(stdout);
        timer.Start();
    }
}

void RunBenchmark(const BenchmarkRect& rect)
{
    Benchmark* benchmark = new Benchmark(rect.left, rect.top, rect.right, rect.bottom);
    for (int frame = 0; frame < kFramesInRun; ++frame) {
        kxTimer::SystemTime();
        benchmark->RenderFrame();
        kxTimer::SystemTime();
    }
    delete benchmark;
}
