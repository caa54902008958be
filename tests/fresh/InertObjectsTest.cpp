// Runs in a process of its own, in which nothing loads the entry-point table
// until the last phase: objects that make GL objects, made with no context
// current and then on a context the library did not create, stay inert. Each
// says so in one line naming its class and what is missing; every operation
// on it, its destruction included, is safe in any order. Without the checks
// the first call through an empty table entry jumps to address 0.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/OutputCapture.h"
#include "support/Refusal.h"
#include "support/ScratchFolder.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::ExpectRefusal;

const char kStages[] = "#ifdef VERTEX_SHADER\n"
                       "void main() { gl_Position = ftransform(); }\n"
                       "#endif\n"
                       "#ifdef FRAGMENT_SHADER\n"
                       "void main() { gl_FragColor = vec4(1.0); }\n"
                       "#endif\n";

// A surface whose buffer names can be read.
class Surface : public kxParametric {
public:
    bool HasBuffers() const { return vertexBuffer || normalBuffer || texCoordBuffer || indexBuffer; }
};

// A render target of the test's own over whatever context is current.
class ForeignTarget : public CRenderTarget {
public:
    ForeignTarget(int w, int h)
    {
        width = w;
        height = h;
    }
};

// One of each object that makes GL objects, made while `missing` stops them:
// each says so once, naming itself and `missing`.
struct Objects {
    Objects(const std::string& path, const std::string& shaderMissing, const std::string& stageMissing,
        const std::string& bufferMissing)
    {
        ExpectRefusal(CaptureOutput([&] { shader = new Shader(); }), "Shader", { shaderMissing });
        ExpectRefusal(CaptureOutput([&] { vertex = new VertexProgram(path.c_str()); }), "VertexProgram",
            { stageMissing });
        ExpectRefusal(CaptureOutput([&] { fragment = new FragmentProgram(path.c_str()); }), "FragmentProgram",
            { stageMissing });
        ExpectRefusal(
            CaptureOutput([&] { surface.reset(new Surface()); }), "kxParametric", { bufferMissing });
        ExpectRefusal(CaptureOutput([&] { image.reset(ImageObject::NewL(ImageObject::fitToTarget, true)); }),
            "ImageObject", { bufferMissing });
        ExpectRefusal(CaptureOutput([&] { fixed.reset(ImageObject::NewL(1, 2, 30, 40, false)); }),
            "ImageObject", { bufferMissing });
        ExpectRefusal(
            CaptureOutput([&] { copy.reset(ImageObject::NewL(*fixed)); }), "ImageObject", { bufferMissing });
    }

    // Every operation, quietly doing nothing; no GL object comes of it.
    void Exercise()
    {
        const std::string said = CaptureOutput([&] {
            shader->SetVertexProgram(vertex);
            shader->SetFragmentProgram(fragment);
            shader->SetUniform("mTime", 1.0f);
            shader->SetUniform("mLight", kxVec3(1, 2, 3));
            shader->bind(nullptr);
            shader->unbind(nullptr);
            surface->setShader(shader);
            surface->setRes(4, 4);
            surface->setStart(-1, -1);
            surface->update(nullptr);
            std::vector<unsigned char> pixels(8 * 8 * 4, 99);
            for (ImageObject* i : { image.get(), fixed.get(), copy.get() }) {
                i->SetStride(32);
                i->Image(8, 8, ImageObject::BGRA32, pixels.data());
                i->Image(8, 8, ImageObject::YUV420, pixels.data());
                i->SubImage(0, 0, 2, 2, ImageObject::BGRA32, pixels.data());
                i->ImageMapping(0, 0, 4, 4);
                i->Size(0, 0, 8, 8);
                i->SetPosition(1, 2, 3);
            }
        });
        EXPECT_EQ(said, "");
        EXPECT_EQ(shader->program, 0u);
        EXPECT_EQ(vertex->shader, 0u);
        EXPECT_EQ(fragment->shader, 0u);
        EXPECT_EQ(vertex->count, 1);
        EXPECT_FALSE(surface->HasBuffers());
        for (ImageObject* i : { image.get(), fixed.get(), copy.get() })
            EXPECT_EQ(i->getTexture()->texture, 0u);
    }

    Shader* shader = nullptr;
    VertexProgram* vertex = nullptr;
    FragmentProgram* fragment = nullptr;
    std::unique_ptr<Surface> surface;
    std::unique_ptr<ImageObject> image, fixed, copy;
};

// The driver's own pbuffer context, which no library code made current.
struct ForeignContext {
    ForeignContext()
    {
        display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        EGLint major = 0, minor = 0;
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor))
            return;
        const EGLint attributes[] = { EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
            EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE };
        EGLConfig config = nullptr;
        EGLint found = 0;
        if (!eglChooseConfig(display, attributes, &config, 1, &found) || found != 1)
            return;
        const EGLint size[] = { EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE };
        surface = eglCreatePbufferSurface(display, config, size);
        eglBindAPI(EGL_OPENGL_API);
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        made = surface != EGL_NO_SURFACE && context != EGL_NO_CONTEXT
            && eglMakeCurrent(display, surface, surface, context);
    }
    ~ForeignContext()
    {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
    }
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    bool made = false;
};

TEST(InertObjects, WithoutAContextOrATableNothingCallsThroughTheTable)
{
    ASSERT_EQ(kxgl::glCreateProgram, nullptr);
    ASSERT_EQ(kxgl::glGenBuffers, nullptr);
    const vxtest::ScratchFolder folder("inert");
    const std::string path = folder.Write("stages.sh", kStages);

    // No context at all.
    ASSERT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    {
        Objects none(
            path, "no GL context is current", "no GL context is current", "no GL context is current");
        none.Exercise();
        std::unique_ptr<CScene> scene(CScene::NewL());
        scene->addObject(none.surface.get());
        scene->Render(nullptr);
        // A texture makes its GL object at its first image, which it refuses
        // while no context is current: GL would hold nothing of it.
        kxReference<Texture> texture;
        texture = new TextureStatic();
        const std::vector<unsigned char> texels(4 * 4 * 4, 7);
        ExpectRefusal(
            CaptureOutput([&] { texture.get()->setImage(4, 4, 0, ImageObject::RGBA32, texels.data()); }),
            "TextureStatic", { "no GL context" });
        EXPECT_EQ(texture.get()->texture, 0u);
        EXPECT_EQ(texture.get()->width, 0);
        // Deleted with no context current: still no GL call.
        kxReference<Shader> last;
        last = none.shader;
    }

    // A context the library did not make: GL 1.1 works, the table is empty.
    std::unique_ptr<Surface> survivor;
    {
        ForeignContext foreign;
        ASSERT_TRUE(foreign.made);
        Objects unloaded(path, "glCreateProgram", "glCreateShader", "glGenBuffers");
        unloaded.Exercise();
        // A frame with all of them: the scene draws nothing of them.
        ForeignTarget target(16, 16);
        std::unique_ptr<CScene> scene(CScene::NewL());
        for (Node* n : std::vector<Node*> {
                 unloaded.surface.get(), unloaded.image.get(), unloaded.fixed.get(), unloaded.copy.get() })
            scene->addObject(n);
        ExpectRefusal(
            CaptureOutput([&] { unloaded.image->setShader(new Shader()); }), "Shader", { "glCreateProgram" });
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        scene->Render(&target);
        std::vector<unsigned char> rgba(16 * 16 * 4);
        glReadPixels(0, 0, 16, 16, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        int blue = 0;
        for (size_t i = 0; i < rgba.size(); i += 4)
            blue += rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 255;
        EXPECT_EQ(blue, 16 * 16);
        scene.reset();
        survivor = std::move(unloaded.surface);
        kxReference<Shader> last;
        last = unloaded.shader;
    }
    EXPECT_EQ(kxgl::glGenBuffers, nullptr);

    // Once a target has loaded the table, new objects work; an inert one
    // stays inert, and goes quietly.
    COffScreen* target = nullptr;
    CaptureOutput([&] { target = COffScreen::NewL(16, 16); });
    ASSERT_NE(kxgl::glGenBuffers, nullptr);
    Surface working;
    EXPECT_TRUE(working.HasBuffers());
    EXPECT_EQ(CaptureOutput([&] {
        survivor->setRes(2, 2);
        survivor->update(nullptr);
    }),
        "");
    EXPECT_FALSE(survivor->HasBuffers());
    survivor.reset();
    delete target;
}

} // namespace
