#include <varnox/CRenderTarget.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include "targets/EglPlatform.h"

CRenderTarget::CRenderTarget() = default;

CRenderTarget::~CRenderTarget() = default;

void CRenderTarget::Activate()
{
    // A target without a context has nothing to bind; binding only its
    // surface would leave the thread without the context callers expect.
    if (!hglrc)
        return;
    varnox::platform::MakeCurrent(display, hdc, hdc, hglrc);
}

void CRenderTarget::SetSize(int w, int h)
{
    width = w;
    height = h;
}

void CRenderTarget::ContextInit()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<float>(GL_MODULATE));
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnableClientState(GL_VERTEX_ARRAY);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const int hw = width / 2;
    const int hh = height / 2;
    glOrtho(-hw, hw, -hh, hh, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void CRenderTarget::CopyBuffer(void* buffer)
{
    // Without a context of its own the target has no pixels; reading would
    // copy whatever other context happens to be current.
    if (!hglrc)
        return;
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, buffer);
}
