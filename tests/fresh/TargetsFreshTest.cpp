// Render targets in processes of their own: each suite runs alone in a fresh
// process (one ctest test per suite), so the entry-point table starts empty,
// no other target exists and the headless device is chosen anew.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/OutputCapture.h"
#include "support/ReadBack.h"
#include "support/Text.h"
#include "support/Textures.h"

namespace {

using vxtest::CaptureOutput;

// A parametric surface whose buffers can be looked at.
class SurfaceProbe : public kxParametric {
public:
    using kxParametric::indexBuffer;
    using kxParametric::vertexBuffer;
};

PFNEGLGETPLATFORMDISPLAYEXTPROC PlatformDisplay()
{
    return reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
}

// A GL context of the test's own, made with EGL alone, current on a pbuffer.
struct ClientContext {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;

    ClientContext()
    {
        display = PlatformDisplay()(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        eglInitialize(display, nullptr, nullptr);
        eglBindAPI(EGL_OPENGL_API);
        const EGLint request[] = { EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
            EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_NONE };
        EGLConfig config = nullptr;
        EGLint count = 0;
        eglChooseConfig(display, request, &config, 1, &count);
        const EGLint size[] = { EGL_WIDTH, 8, EGL_HEIGHT, 8, EGL_NONE };
        surface = eglCreatePbufferSurface(display, config, size);
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        eglMakeCurrent(display, surface, surface, context);
    }
    ~ClientContext()
    {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
        eglDestroySurface(display, surface);
    }
};

// A surface made, filled and drawn through the table: its buffers exist and
// the drawing covers some of the target.
void ExpectGeometryWorks(COffScreen& target)
{
    CScene* scene = CScene::NewL();
    SurfaceProbe* surface = new SurfaceProbe();
    surface->update(nullptr);
    EXPECT_TRUE(glIsBuffer(surface->vertexBuffer));
    EXPECT_EQ(vxtest::BufferSize(GL_ELEMENT_ARRAY_BUFFER, surface->indexBuffer), 5400 * 2);
    scene->addObject(surface);
    scene->Render(&target);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(target);
    size_t lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        lit += pixels[i] || pixels[i + 1] || pixels[i + 2];
    EXPECT_GT(lit, pixels.size() / 4 / 8);
    delete surface;
    delete scene;
}

TEST(ForeignContext, AnOffScreenTargetMadeOnTheClientsContextFillsTheTable)
{
    ASSERT_EQ(kxgl::glGenBuffers, nullptr);
    ClientContext client;
    ASSERT_EQ(eglGetCurrentContext(), client.context);
    const GLuint texture = vxtest::MakeTexture();

    COffScreen* target = nullptr;
    EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewL(64, 64); }), "");
    ASSERT_EQ(eglGetCurrentContext(), target->hglrc);
    EXPECT_EQ(target->display, client.display);
    EXPECT_NE(kxgl::glGenBuffers, nullptr);
    EXPECT_NE(kxgl::glCreateShader, nullptr);
    EXPECT_NE(kxgl::eglQueryString, nullptr);
    // It shares the client's objects, as any target shares the current one's.
    EXPECT_TRUE(glIsTexture(texture));
    ExpectGeometryWorks(*target);
    delete target;
}

TEST(OnlyTarget, APictureDrawnAfterAResizeStillShows)
{
    // The minimal headless set-up: one target, nothing else to share with.
    COffScreen* target = nullptr;
    CaptureOutput([&] { target = COffScreen::NewL(320, 240); });
    CScene* scene = CScene::NewL();
    ImageObject* picture = ImageObject::NewL(ImageObject::fitToTarget, false);
    const unsigned char rgb[4 * 4 * 3] = { 200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100,
        50, 200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50,
        200, 100, 50, 200, 100, 50, 200, 100, 50, 200, 100, 50 };
    picture->Image(4, 4, ImageObject::RGB24, rgb);
    scene->addObject(picture);

    EXPECT_EQ(CaptureOutput([&] { target->SetSize(200, 100); }), "");
    scene->Render(target);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    ASSERT_EQ(pixels.size(), 200u * 100u * 4u);
    // The picture is fitted into the middle 100 × 100: its colour, BGRA.
    const uint8_t* centre = &pixels[(50 * 200 + 100) * 4];
    EXPECT_NEAR(centre[0], 50, 2);
    EXPECT_NEAR(centre[1], 100, 2);
    EXPECT_NEAR(centre[2], 200, 2);
    // Beside it, the clear colour.
    EXPECT_EQ(pixels[(50 * 200 + 10) * 4 + 2], 0);
    delete picture;
    delete scene;
    delete target;
}

TEST(HeadlessReport, OnlyTheFirstHeadlessTargetPrintsTheNeededExtensions)
{
    COffScreen* target = nullptr;
    const std::vector<std::string> lines
        = vxtest::Lines(CaptureOutput([&] { target = COffScreen::NewL(8, 8); }));
    ASSERT_EQ(lines.size(), 11u);
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind(
                      "Needed extension " + std::string(vxtest::kNeededExtensions[i]) + " is supported: ", 0),
            0u)
            << lines[i];
    delete target;
    for (int again = 0; again < 2; ++again) {
        EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewL(8, 8); }), "");
        EXPECT_EQ(eglGetCurrentContext(), target->hglrc);
        delete target;
    }
}

TEST(LoadersWithoutContext, ReportEveryExtensionMissingAndStillFillTheTable)
{
    ASSERT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    const std::vector<std::string> lines = vxtest::Lines(CaptureOutput([] { kxInitGLExtentions(); }));
    ASSERT_EQ(lines.size(), 11u);
    for (const std::string& line : lines)
        EXPECT_EQ(line.substr(line.size() - 4), ": No") << line;
    kxInitWGLExtentions();
    // Through libglvnd every name has an entry point, context or not.
    EXPECT_NE(kxgl::glGenBuffers, nullptr);
    EXPECT_NE(kxgl::eglQueryString, nullptr);
    EXPECT_STREQ(kxGetWGLExtentions(), "");
}

// What the process writes on its standard error while `f` runs.
template <class F> std::string CaptureStderr(F&& f)
{
    std::fflush(stderr);
    std::FILE* file = std::tmpfile();
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(file), STDERR_FILENO);
    f();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    const off_t size = lseek(fileno(file), 0, SEEK_END);
    std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
    const ssize_t got = pread(fileno(file), &text[0], text.size(), 0);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    std::fclose(file);
    return text;
}

// The display of EGL's first device that carries Mesa's software mark.
EGLDisplay SoftwareDeviceDisplay()
{
    auto query = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto string
        = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    query(16, devices, &count);
    for (EGLint i = 0; i < count; ++i) {
        const std::vector<std::string> items = vxtest::Items(string(devices[i], EGL_EXTENSIONS));
        if (std::find(items.begin(), items.end(), "EGL_MESA_device_software") != items.end())
            return PlatformDisplay()(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
    }
    return EGL_NO_DISPLAY;
}

// The headless target made with VARNOX_EGL_DEVICE set to `choice`: what it
// wrote on standard error. It renders on the software device, the only one
// this machine has, either way.
std::string HeadlessTargetWith(const char* choice)
{
    setenv("VARNOX_EGL_DEVICE", choice, 1);
    COffScreen* target = nullptr;
    const std::string said = CaptureStderr([&] { CaptureOutput([&] { target = COffScreen::NewL(8, 8); }); });
    unsetenv("VARNOX_EGL_DEVICE");
    EXPECT_NE(target->hglrc, nullptr);
    EXPECT_EQ(target->display, SoftwareDeviceDisplay());
    delete target;
    return said;
}

TEST(DeviceChoiceSoftware, SoftwareTakesTheSoftwareDevice)
{
    EXPECT_EQ(HeadlessTargetWith("software"), "");
}

TEST(DeviceChoiceOutOfRange, AnIndexBeyondTheListIsReportedAndIgnored)
{
    EXPECT_EQ(HeadlessTargetWith("7"),
        "COffScreen: VARNOX_EGL_DEVICE=\"7\" names no EGL device (EGL lists 1); choosing one as usual\n");
}

TEST(DeviceChoiceNonsense, AnythingElseIsReportedAndIgnored)
{
    EXPECT_EQ(HeadlessTargetWith("gpu please"),
        "COffScreen: VARNOX_EGL_DEVICE=\"gpu please\" is not a device index, \"software\" or a DRM node "
        "path; "
        "choosing one as usual\n");
}

} // namespace
