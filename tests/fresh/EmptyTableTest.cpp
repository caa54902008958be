// Runs in a process of its own: nothing has filled the table before main.
#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/ContextProbe.h"
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

// Entries of the context API's part (WGL's or EGL's) that hold a pointer.
int FilledApiEntries()
{
    int filled = 0;
#define KX_GL_ENTRY(type, name)
#define KX_API_ENTRY(type, name) filled += kxgl::name != nullptr;
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_API_ENTRY
    return filled;
}

// Entries holding just what the context API gives for their names now.
int EntriesAsLookedUp()
{
    int same = 0;
#define KX_GL_ENTRY(type, name) same += reinterpret_cast<void*>(kxgl::name) == vxtest::LookUp(#name);
#define KX_API_ENTRY(type, name) same += reinterpret_cast<void*>(kxgl::name) == vxtest::LookUp(#name);
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_API_ENTRY
    return same;
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
#if defined(_WIN32)
    // 116 GL entries and WGL's 10.
    EXPECT_EQ(Entries(), 126);
#else
    // 116 GL entries and EGL's 8.
    EXPECT_EQ(Entries(), 124);
#endif
    EXPECT_EQ(FilledEntries(), 0);
    EXPECT_STREQ(kxGetWGLExtentions(), "");
    // No context: the support check answers 0 without consulting GL.
    EXPECT_EQ(varnox::IsExtensionSupported("GL_ARB_vertex_buffer_object"), 0);

    COffScreen* target = nullptr;
    vxtest::CaptureOutput([&] { target = COffScreen::NewL(8, 8); });
    // The headless target ran both loaders, with its context current.
    ASSERT_NE(vxtest::CurrentContext(), nullptr);
    EXPECT_EQ(EntriesAsLookedUp(), Entries());
#if defined(_WIN32)
    // Wine's WGL answers the names of the extensions the driver offers; the
    // whole WGL part and every GL entry the library calls are among them.
    EXPECT_EQ(FilledApiEntries(), 10);
    for (void* entry :
        { reinterpret_cast<void*>(kxgl::glGenBuffers), reinterpret_cast<void*>(kxgl::glMapBuffer),
            reinterpret_cast<void*>(kxgl::glCreateShader), reinterpret_cast<void*>(kxgl::glUniform3fv),
            reinterpret_cast<void*>(kxgl::glGetUniformLocation) })
        EXPECT_NE(entry, nullptr);
#else
    // Mesa answers every name.
    EXPECT_EQ(FilledApiEntries(), 8);
    EXPECT_EQ(FilledEntries(), 124);
#endif
    EXPECT_STRNE(kxGetWGLExtentions(), "");
    delete target;
    // With no display current there is no extension string.
    EXPECT_EQ(vxtest::CurrentContext(), nullptr);
    EXPECT_STREQ(kxGetWGLExtentions(), "");
}

} // namespace
