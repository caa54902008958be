#include <varnox/CRenderTarget.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include "core/Print.h"
#include "targets/Platform.h"
#include "targets/kxExtensionsInternal.h"

namespace platform = varnox::platform;

namespace {

// The depth range of the initial projection: scene objects lie within 100
// units in front of or behind the view plane.
constexpr double kNearPlane = -100.0;
constexpr double kFarPlane = 100.0;

// Opaque black.
constexpr float kClearColour[4] = { 0.0f, 0.0f, 0.0f, 1.0f };

} // namespace

CRenderTarget::CRenderTarget() = default;

CRenderTarget::~CRenderTarget() = default;

void CRenderTarget::Activate()
{
    // A target without a context has nothing to bind; binding only its
    // surface would leave the thread without the context callers expect.
    if (!hglrc)
        return;
    platform::Surface* surface = platform::AsSurface(hdc);
    // Objects made from now on call through the entry-point table, which a
    // context the library did not make (the one an off-screen target was made
    // beside) never had filled.
    if (platform::MakeCurrent({ platform::AsDevice(display), surface, surface, platform::AsContext(hglrc) }))
        varnox::FillEmptyEntryPoints();
}

void CRenderTarget::SetSize(int w, int h)
{
    width = w;
    height = h;
}

void CRenderTarget::ContextInit()
{
    glClearColor(kClearColour[0], kClearColour[1], kClearColour[2], kClearColour[3]);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<float>(GL_MODULATE));
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnableClientState(GL_VERTEX_ARRAY);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Half the target, halves included: a unit is a pixel for every size.
    const double hw = width / 2.0;
    const double hh = height / 2.0;
    glOrtho(-hw, hw, -hh, hh, kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void CRenderTarget::CopyBuffer(void* buffer)
{
    // Without a context and a surface of its own the target has no pixels;
    // reading would copy whatever other context happens to be current. An
    // empty or negative size has none either.
    if (!hglrc || !hdc || width <= 0 || height <= 0)
        return;
    // A null pointer is an offset only while a pixel-pack buffer is bound;
    // otherwise GL would write to address 0.
    if (!buffer) {
        GLint packBuffer = 0;
        glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
        if (!packBuffer) {
            varnox::Print(varnox::Kind::Refusal, "CRenderTarget: CopyBuffer refused a null buffer\n");
            return;
        }
    }
    // The caller supplies width × height × 4 bytes: rows of exactly width
    // pixels from the buffer's start, whatever row length, skips and
    // alignment the context was left with. Its settings are put back after.
    constexpr GLenum kPackState[]
        = { GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS, GL_PACK_ALIGNMENT };
    constexpr GLint kPacked[] = { 0, 0, 0, 4 };
    GLint saved[4];
    for (int i = 0; i < 4; ++i) {
        saved[i] = kPacked[i];
        glGetIntegerv(kPackState[i], &saved[i]);
        glPixelStorei(kPackState[i], kPacked[i]);
    }
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, buffer);
    for (int i = 0; i < 4; ++i)
        glPixelStorei(kPackState[i], saved[i]);
}
