#include <algorithm>
#include <cmath>
#include <vector>

#include "gl/GLTest.h"

namespace {

// The render-target base: initial GL state and read-back.
class RenderTargetTest : public vxtest::GLTest { };

// An off-screen target whose protected start-up step can be called directly.
class InitProbe : public COffScreen {
public:
    InitProbe(int w, int h) { ConstructL(w, h); }
    using CRenderTarget::ContextInit;
};

// A target that keeps the base's SetSize.
class BareTarget : public CRenderTarget { };

void ExpectInitialState(int w, int h)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], w);
    EXPECT_EQ(viewport[3], h);

    // glOrtho(-w/2, w/2, -h/2, h/2, -100, 100), halves included: a unit is a
    // pixel on odd sides too.
    const double hw = w / 2.0, hh = h / 2.0;
    const double expected[16] = { 1.0 / hw, 0, 0, 0, 0, 1.0 / hh, 0, 0, 0, 0, -0.01, 0, 0, 0, 0, 1 };
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(projection[i], expected[i], 1e-7) << "projection element " << i;

    GLdouble modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0) << "modelview element " << i;
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_EQ(clear[1], 0.0f);
    EXPECT_EQ(clear[2], 0.0f);
    EXPECT_EQ(clear[3], 1.0f);

    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint blend[4];
    glGetIntegerv(GL_BLEND_SRC_RGB, &blend[0]);
    glGetIntegerv(GL_BLEND_DST_RGB, &blend[1]);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &blend[2]);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &blend[3]);
    EXPECT_EQ(blend[0], GL_SRC_ALPHA);
    EXPECT_EQ(blend[1], GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(blend[2], GL_SRC_ALPHA);
    EXPECT_EQ(blend[3], GL_ONE_MINUS_SRC_ALPHA);

    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depth = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depth);
    EXPECT_EQ(depth, GL_LEQUAL);
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
}

TEST_F(RenderTargetTest, ContextInitSetsTheInitialStatePixelForPixel)
{
    InitProbe target(501, 333);
    ExpectInitialState(501, 333);

    // Disturb everything it sets; a second call restores the same state.
    glClearColor(1, 1, 1, 0);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDisableClientState(GL_VERTEX_ARRAY);
    glViewport(1, 2, 3, 4);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    glMatrixMode(GL_PROJECTION);
    glRotatef(10, 0, 0, 1);
    target.ContextInit();
    ExpectInitialState(501, 333);
    target.ContextInit();
    ExpectInitialState(501, 333);
}

TEST_F(RenderTargetTest, CopyBufferWritesExactlyTheTargetsPixels)
{
    COffScreen* target = COffScreen::NewL(500, 500);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const size_t size = 500 * 500 * 4;
    std::vector<uint8_t> buffer(size + 64, 0xAB);
    target->CopyBuffer(buffer.data());
    // Blue, green, red, alpha: red arrives in the third byte.
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[2], 255);
    EXPECT_EQ(buffer[size - 2], 255);
    EXPECT_EQ(buffer[size - 1], 255);
    EXPECT_TRUE(std::all_of(buffer.begin() + size, buffer.end(), [](uint8_t b) { return b == 0xAB; }));
    delete target;
}

TEST_F(RenderTargetTest, CopyBufferDeliversTheBottomRowFirst)
{
    COffScreen* target = COffScreen::NewL(8, 8);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 8, 1); // the bottom row only
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    EXPECT_EQ(pixels[1], 255); // first row read: green
    EXPECT_EQ(pixels[8 * 4 * 7 + 1], 0); // last row read: black
    delete target;
}

TEST_F(RenderTargetTest, BaseSetSizeOnlyStoresTheNumbers)
{
    GLint before[4];
    glGetIntegerv(GL_VIEWPORT, before);
    BareTarget bare;
    bare.SetSize(640, 480);
    EXPECT_EQ(bare.width, 640);
    EXPECT_EQ(bare.height, 480);
    GLint after[4];
    glGetIntegerv(GL_VIEWPORT, after);
    EXPECT_TRUE(std::equal(before, before + 4, after));
    // Without a context of its own the target neither binds nor reads.
    std::vector<uint8_t> buffer(16, 0x5A);
    bare.Activate();
    bare.CopyBuffer(buffer.data());
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0x5A; }));
}

} // namespace
