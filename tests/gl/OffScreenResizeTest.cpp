// Resizing an off-screen target keeps its GL objects; headless targets report
// the needed extensions once.
#include <EGL/egl.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "gl/GLTest.h"
#include "support/Textures.h"

namespace {

using vxtest::CaptureOutput;

class OffScreenResizeTest : public vxtest::GLTest { };

void ReleaseCurrent()
{
    eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

// A target made while nothing is current: in a share group of its own, so
// that nothing but its own context keeps its objects.
COffScreen* LoneTarget(int width, int height)
{
    ReleaseCurrent();
    COffScreen* target = nullptr;
    CaptureOutput([&] { target = COffScreen::NewL(width, height); });
    return target;
}

bool SurfaceExists(void* display, void* surface)
{
    EGLint width = 0;
    return eglQuerySurface(display, surface, EGL_WIDTH, &width) == EGL_TRUE;
}

bool ContextExists(void* display, void* context)
{
    EGLint id = 0;
    return eglQueryContext(display, context, EGL_CONFIG_ID, &id) == EGL_TRUE;
}

// The target is current, its viewport is its size, and clearing it to green
// reads back green everywhere.
void ExpectDrawable(CRenderTarget& target)
{
    EXPECT_EQ(eglGetCurrentContext(), target.hglrc);
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), target.hdc);
    GLint viewport[4] = { 0, 0, 0, 0 };
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], target.width);
    EXPECT_EQ(viewport[3], target.height);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(target);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(target.width) * target.height * 4);
    for (size_t i = 0; i < pixels.size(); i += 4)
        ASSERT_TRUE(pixels[i] == 0 && pixels[i + 1] == 255 && pixels[i + 2] == 0) << "pixel " << i / 4;
}

TEST_F(OffScreenResizeTest, TheContextStaysAndTakesTheNewPixelBuffer)
{
    COffScreen* target = LoneTarget(32, 32);
    const GLuint texture = vxtest::MakeTexture();
    // Container objects are never shared between contexts: only a context
    // that stays keeps them.
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glBindVertexArray(0);
    void* context = target->hglrc;
    void* oldSurface = target->pbuffer;

    EXPECT_EQ(CaptureOutput([&] { target->SetSize(48, 40); }), "");
    EXPECT_EQ(target->hglrc, context);
    EXPECT_NE(target->pbuffer, oldSurface);
    EXPECT_EQ(target->hdc, target->pbuffer);
    EXPECT_FALSE(SurfaceExists(target->display, oldSurface));
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_TRUE(glIsVertexArray(vertexArray));
    ExpectDrawable(*target);

    // Resized while another target is current: the same context again, and
    // the other target stays current.
    vxtest::ActivateShared();
    EXPECT_EQ(CaptureOutput([&] { target->SetSize(20, 10); }), "");
    EXPECT_EQ(eglGetCurrentContext(), vxtest::SharedTarget().hglrc);
    EXPECT_EQ(target->hglrc, context);
    target->Activate();
    EXPECT_TRUE(glIsVertexArray(vertexArray));
    ExpectDrawable(*target);

    glDeleteVertexArrays(1, &vertexArray);
    glDeleteTextures(1, &texture);
    delete target;
}

TEST_F(OffScreenResizeTest, AContextThatCannotTakeTheNewBufferIsReplacedByOneSharingItsObjects)
{
    COffScreen* target = LoneTarget(16, 16);
    const GLuint texture = vxtest::MakeTexture();
    void* display = target->display;
    void* oldContext = target->hglrc;
    ReleaseCurrent();

    // Another thread holds the context, so EGL refuses to bind it here
    // (EGL_BAD_ACCESS): the resize cannot keep it.
    std::promise<bool> bound;
    std::promise<void> release;
    std::thread holder([&] {
        eglBindAPI(EGL_OPENGL_API);
        bound.set_value(eglMakeCurrent(display, target->hdc, target->hdc, oldContext) == EGL_TRUE);
        release.get_future().wait();
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglReleaseThread();
    });
    ASSERT_TRUE(bound.get_future().get());

    EXPECT_EQ(CaptureOutput([&] { target->SetSize(24, 20); }), "");
    EXPECT_NE(target->hglrc, oldContext);
    EXPECT_TRUE(glIsTexture(texture));
    ExpectDrawable(*target);

    release.set_value();
    holder.join();
    // Once the other thread let go, the old context is really gone.
    EXPECT_FALSE(ContextExists(display, oldContext));
    glDeleteTextures(1, &texture);
    delete target;
}

TEST_F(OffScreenResizeTest, OnlyTheFirstHeadlessTargetOfAProcessReportsTheExtensions)
{
    // Whatever the process made before, once one headless target has been
    // made, the next prints nothing and still finds the table filled.
    delete LoneTarget(8, 8);
    ReleaseCurrent();
    COffScreen* target = nullptr;
    EXPECT_EQ(CaptureOutput([&] { target = COffScreen::NewL(8, 8); }), "");
    EXPECT_NE(kxgl::glGenBuffers, nullptr);
    EXPECT_NE(kxgl::eglQueryString, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), target->hglrc);
    delete target;
}

} // namespace
