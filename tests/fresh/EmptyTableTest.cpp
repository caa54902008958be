// Runs in a process of its own: nothing has filled the table before main.
#include <EGL/egl.h>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/OutputCapture.h"
#include "targets/kxExtensionsInternal.h"

namespace {

int FilledEntries()
{
    int filled = 0;
#define KX_GL_ENTRY(type, name) filled += kxgl::name != nullptr;
#define KX_API_ENTRY(type, name) filled += kxgl::name != nullptr;
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_API_ENTRY
    return filled;
}

int Entries()
{
    int entries = 0;
#define KX_GL_ENTRY(type, name) ++entries;
#define KX_API_ENTRY(type, name) ++entries;
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_API_ENTRY
    return entries;
}

TEST(FreshProcess, TableIsEmptyUntilALoaderRuns)
{
    EXPECT_EQ(Entries(), 124);
    EXPECT_EQ(FilledEntries(), 0);
    EXPECT_STREQ(kxGetWGLExtentions(), "");
    // No context: the support check answers 0 without consulting GL.
    EXPECT_EQ(varnox::IsExtensionSupported("GL_ARB_vertex_buffer_object"), 0);

    COffScreen* target = nullptr;
    vxtest::CaptureOutput([&] { target = COffScreen::NewL(8, 8); });
    // The headless target ran both loaders; Mesa answers every name.
    EXPECT_EQ(FilledEntries(), 124);
    EXPECT_STRNE(kxGetWGLExtentions(), "");
    delete target;
    // With no display current there is no extension string.
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    EXPECT_STREQ(kxGetWGLExtentions(), "");
}

} // namespace
