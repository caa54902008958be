#include <cstring>

#include "gl/GLTest.h"
#include "support/ContextProbe.h"
#include "targets/kxExtensionsInternal.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::Lines;

// The extension loaders and the needed-extension report, on the shared context.
class ExtensionsTest : public vxtest::GLTest { };

TEST_F(ExtensionsTest, ReportListsTheElevenNeededExtensionsInOrder)
{
    const std::vector<std::string> lines = Lines(CaptureOutput([] { kxInitGLExtentions(); }));
    ASSERT_EQ(lines.size(), 11u);
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    for (size_t i = 0; i < 11; ++i) {
        const std::string name = vxtest::kNeededExtensions[i];
        const bool supported = varnox::IsExtensionInList(name.c_str(), all) == 1;
        EXPECT_EQ(lines[i], "Needed extension " + name + " is supported: " + (supported ? "Yes" : "No"));
    }
    // llvmpipe offers buffer objects and multitexture, and no NV vertex array range.
    EXPECT_EQ(lines[10], "Needed extension GL_ARB_vertex_buffer_object is supported: Yes");
    EXPECT_EQ(lines[5], "Needed extension GL_ARB_multitexture is supported: Yes");
    EXPECT_EQ(lines[3], "Needed extension GL_NV_vertex_array_range is supported: No");
}

TEST_F(ExtensionsTest, SupportCheckReadsTheCurrentContextsList)
{
    EXPECT_EQ(varnox::IsExtensionSupported("GL_ARB_vertex_buffer_object"), 1);
    EXPECT_EQ(varnox::IsExtensionSupported("GL_ARB_vertex_buffer"), 0);
    EXPECT_EQ(varnox::IsExtensionSupported(""), 0);
    EXPECT_EQ(varnox::IsExtensionSupported("GL_ARB_vertex_buffer_object GL_ARB_multitexture"), 0);
}

TEST_F(ExtensionsTest, LoadersFillTheTableForTheCurrentContext)
{
    kxInitWGLExtentions();
    CaptureOutput([] { kxInitGLExtentions(); });
    // Entry points the library itself calls.
    EXPECT_NE(kxgl::glGenBuffers, nullptr);
    EXPECT_NE(kxgl::glMapBuffer, nullptr);
    EXPECT_NE(kxgl::glCreateShader, nullptr);
    EXPECT_NE(kxgl::glUniform3fv, nullptr);
    EXPECT_NE(kxgl::glWindowPos2i, nullptr);
#if defined(_WIN32)
    // Every WGL entry the library itself calls.
    EXPECT_NE(kxgl::wglGetExtensionsStringARB, nullptr);
    EXPECT_NE(kxgl::wglChoosePixelFormatARB, nullptr);
    EXPECT_NE(kxgl::wglCreatePbufferARB, nullptr);
    EXPECT_NE(kxgl::wglGetPbufferDCARB, nullptr);
    EXPECT_NE(kxgl::wglReleasePbufferDCARB, nullptr);
    EXPECT_NE(kxgl::wglQueryPbufferARB, nullptr);
    EXPECT_NE(kxgl::wglDestroyPbufferARB, nullptr);
    EXPECT_NE(kxgl::wglSwapIntervalEXT, nullptr);
#else
    EXPECT_NE(kxgl::eglQueryString, nullptr);
    EXPECT_NE(kxgl::eglCreatePbufferSurface, nullptr);
    EXPECT_NE(kxgl::eglSwapInterval, nullptr);
#endif

    // The pointers reach the driver: a buffer made through the table exists.
    GLuint buffer = 0;
    kxgl::glGenBuffers(1, &buffer);
    kxgl::glBindBuffer(GL_ARRAY_BUFFER, buffer);
    EXPECT_TRUE(glIsBuffer(buffer));
    kxgl::glDeleteBuffers(1, &buffer);
}

// EGL's for the current display, WGL's for the current device context.
TEST_F(ExtensionsTest, ContextApiExtensionStringIsTheCurrentOne)
{
    kxInitWGLExtentions();
    const char* extensions = kxGetWGLExtentions();
    EXPECT_STREQ(extensions, vxtest::ContextApiExtensions());
#if defined(_WIN32)
    // What the off-screen target needs.
    EXPECT_NE(std::strstr(extensions, "WGL_ARB_pbuffer"), nullptr);
    EXPECT_NE(std::strstr(extensions, "WGL_ARB_pixel_format"), nullptr);
#else
    EXPECT_NE(std::strstr(extensions, "EGL_KHR"), nullptr);
#endif
}

} // namespace
