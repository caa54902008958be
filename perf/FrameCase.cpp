// Case 1: the benchmark program's frame (SetUniform, CScene::Render, present)
// beside the same GL calls written out by hand.

#include "Cases.h"

#include <cstdlib>

#include "Benchmark.h"
#include "Pairing.h"
#include "ParametricSurface.h"
#include "PerfSupport.h"
#include "WindowSystem.h"

namespace vnxperf {
namespace {

    // The benchmark's surface with its buffers in view, for the plain frame.
    class SurfaceProbe : public ParametricSurface {
    public:
        using Geometry::componentCount;
        using Geometry::indexBuffer;
        using Geometry::indexCount;
        using Geometry::lineWidth;
        using Geometry::normalBuffer;
        using Geometry::primitiveMode;
        using Geometry::texCoordBuffer;
        using Geometry::vertexBuffer;
    };

    // What the plain frame works with: the same GL objects and values as the
    // library's scene, held the way plain code would hold them.
    struct PlainWave {
        GLuint program;
        GLuint texture;
        GLuint vertices, normals, texCoords, indices;
        GLint components;
        GLenum mode;
        GLsizei indexCount;
        float lineWidth;
        float colour[4];
        float translation[3];
        float rotation[4]; // angle, axis
        float scale[3];
        int width, height;
    };

    // The benchmark's scene (built by vnxtest3D's own function) in a given
    // target, beside the same surface in a scene with the full state sequence.
    class WaveScene {
    public:
        explicit WaveScene(const CRenderTarget& target)
        {
            const BenchmarkScene built = BuildBenchmarkScene(target.width, target.height, ShaderPath(),
                []() -> ParametricSurface* { return new SurfaceProbe(); });
            scene = built.scene;
            surface = static_cast<SurfaceProbe*>(built.surface);
            // The same surface in a scene that issues the full state
            // sequence, as every scene did before it left out calls.
            setenv("VARNOX_NO_STATE_ELISION", "1", 1);
            full = CScene::NewL();
            unsetenv("VARNOX_NO_STATE_ELISION");
            full->addObject(surface);

            const kxVec3 t = surface->getTranslation();
            const kxVec4 r = surface->getRotation();
            const kxVec3 s = surface->getScale();
            const kxVec4& c = surface->getColor();
            plain = PlainWave { surface->getShader()->program, surface->getTexture()->texture,
                surface->vertexBuffer, surface->normalBuffer, surface->texCoordBuffer, surface->indexBuffer,
                surface->componentCount, surface->primitiveMode, surface->indexCount, surface->lineWidth,
                { c.x, c.y, c.z, c.w }, { t.x, t.y, t.z }, { r.x, r.y, r.z, r.w }, { s.x, s.y, s.z },
                target.width, target.height };
        }

        ~WaveScene()
        {
            delete surface;
            delete full;
            delete scene;
        }

        WaveScene(const WaveScene&) = delete;
        WaveScene& operator=(const WaveScene&) = delete;

        // The library's frame up to the present (with the full state
        // sequence, or as it is).
        void Render(CRenderTarget& target, int n, bool fullSequence = false)
        {
            surface->getShader()->SetUniform("mTime", FrameTime(n));
            (fullSequence ? full : scene)->Render(&target);
        }

        CScene* scene = nullptr;
        CScene* full = nullptr;
        SurfaceProbe* surface = nullptr;
        PlainWave plain {};
    };

    // The frame's GL calls written out: the uniform as SetUniform sends it
    // (location looked up every time), then what Render issues for a scene
    // at rotation 0 with this one textured, shaded child.
    void PlainRender(const PlainWave& p, float time)
    {
        glUseProgram(p.program);
        glUniform1f(glGetUniformLocation(p.program, "mTime"), time);
        glUseProgram(0);

        PlainSceneStart(p.width, p.height);

        glUseProgram(p.program);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glBindTexture(GL_TEXTURE_2D, p.texture);
        glEnable(GL_TEXTURE_2D);
        glPushMatrix();
        glTranslatef(p.translation[0], p.translation[1], p.translation[2]);
        glRotatef(p.rotation[0], p.rotation[1], p.rotation[2], p.rotation[3]);
        glScalef(p.scale[0], p.scale[1], p.scale[2]);
        glLineWidth(p.lineWidth);
        glColor4f(p.colour[0], p.colour[1], p.colour[2], p.colour[3]);
        glBindBuffer(GL_ARRAY_BUFFER, p.vertices);
        glVertexPointer(p.components, GL_FLOAT, 0, nullptr);
        glEnableClientState(GL_NORMAL_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, p.normals);
        glNormalPointer(GL_FLOAT, 0, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, p.texCoords);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, p.indices);
        glDrawElements(p.mode, p.indexCount, GL_UNSIGNED_SHORT, nullptr);
        glPopMatrix();
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glUseProgram(0);
    }

    // Both sides draw frame 7 and must leave the same pixels.
    bool SamePixels(WaveScene& wave, CRenderTarget& target, std::string* why)
    {
        wave.Render(target, 7);
        const std::vector<unsigned char> library = ReadPixels(target);
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        PlainRender(wave.plain, FrameTime(7));
        const std::vector<unsigned char> plain = ReadPixels(target);
        if (library != plain) {
            *why = "the plain frame's pixels differ from the library's";
            return false;
        }
        bool drawn = false;
        for (size_t i = 0; i < library.size() && !drawn; i += 4)
            drawn = library[i] || library[i + 1] || library[i + 2];
        if (!drawn)
            *why = "the frame is black: the surface was not drawn";
        return drawn;
    }

    void OffScreenFrame(benchmark::State& state, int size, double goal)
    {
        const CaseInfo info { "1. frame, off screen " + std::to_string(size) + " × " + std::to_string(size),
            "frames/s", 1.0, goal };
        std::unique_ptr<COffScreen> target = HeadlessTarget(size, size);
        if (!target)
            return RecordFailure(state, info, "no headless off-screen target");
        std::string why;
        {
            WaveScene wave(*target);
            if (SamePixels(wave, *target, &why)) {
                int libraryFrame = 0, plainFrame = 0, fullFrame = 0;
                RunPaired(
                    state, info,
                    [&] {
                        wave.Render(*target, libraryFrame++);
                        glFinish();
                    },
                    [&] {
                        PlainRender(wave.plain, FrameTime(plainFrame++));
                        glFinish();
                    },
                    [&] {
                        wave.Render(*target, fullFrame++, true);
                        glFinish();
                    });
            }
        }
        target.reset();
        if (!why.empty())
            RecordFailure(state, info, why);
    }

    void WindowFrame(benchmark::State& state)
    {
        const CaseInfo info { vnxcmd::LibraryOnWayland() ? "1. frame, weston window 500 × 500, Refresh"
                                                         : "1. frame, Xvfb window 500 × 500, Refresh",
            "frames/s", 1.0, 0.97 };
        std::string why;
        std::unique_ptr<PerfWindow> perfWindow = PerfWindow::Open(500, 500, &why);
        if (!perfWindow)
            return RecordFailure(state, info, why);
        CWindowVNX* window = &perfWindow->target();
        {
            WaveScene wave(*window);
            if (SamePixels(wave, *window, &why)) {
                int libraryFrame = 0, plainFrame = 0, fullFrame = 0;
                RunPaired(
                    state, info,
                    [&] {
                        wave.Render(*window, libraryFrame);
                        window->Refresh(libraryFrame++);
                        glFinish();
                    },
                    [&] {
                        PlainRender(wave.plain, FrameTime(plainFrame++));
                        perfWindow->PlainPresent();
                        glFinish();
                    },
                    [&] {
                        wave.Render(*window, fullFrame, true);
                        window->Refresh(fullFrame++);
                        glFinish();
                    });
            }
        }
        perfWindow.reset();
        if (!why.empty())
            RecordFailure(state, info, why);
    }

} // namespace

void RegisterFrameCases()
{
    RegisterPaired("frame/offscreen_500x500", [](benchmark::State& s) { OffScreenFrame(s, 500, 0.97); });
    RegisterPaired("frame/offscreen_16x16", [](benchmark::State& s) { OffScreenFrame(s, 16, 0.90); });
    // One window system a process: scripts/perf runs the Wayland case in a
    // run of its own under weston.
    RegisterPaired(
        vnxcmd::LibraryOnWayland() ? "frame/wayland_window_500x500" : "frame/window_500x500", WindowFrame);
}

} // namespace vnxperf
