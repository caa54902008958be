// Window targets on both platforms: the driver report, and an off-screen
// target made beside a window.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/ContextProbe.h"
#include "support/Text.h"
#include "window/WindowHelpers.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::Clear;
using vxtest::CopyAll;
using vxtest::Items;
using vxtest::kGreen;
using vxtest::Lines;
using vxtest::Quietly;
using vxtest::ReadBack;

TEST(WindowTargets, DriverReportListsTheDriverAndBothExtensionListsThenTheNeededExtensions)
{
    CWindowVNX* raw = nullptr;
    const std::string output = CaptureOutput([&] { raw = CWindowVNX::NewL(0, 0, 64, 64, 0); });
    std::unique_ptr<CWindowVNX> target(raw);
    ASSERT_NE(target->hglrc, nullptr);

    auto text = [](GLenum name) { return std::string(reinterpret_cast<const char*>(glGetString(name))); };
    std::vector<std::string> expected = {
        "Vendor: " + text(GL_VENDOR),
        "Renderer: " + text(GL_RENDERER),
        "Version: " + text(GL_VERSION),
        "Shader version: " + text(GL_SHADING_LANGUAGE_VERSION),
    };
    // The context API's own list (EGL's, WGL's), item by item.
    const std::vector<std::string> api = Items(vxtest::ContextApiExtensions());
    const char* glList = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::vector<std::string> gl = Items(glList);
    ASSERT_GT(api.size(), 3u);
    ASSERT_GT(gl.size(), 100u);
    expected.insert(expected.end(), api.begin(), api.end());
    expected.insert(expected.end(), gl.begin(), gl.end());
    GLint maxVertices = -1, maxIndices = -1;
    glGetIntegerv(GL_MAX_ELEMENTS_VERTICES, &maxVertices);
    glGetIntegerv(GL_MAX_ELEMENTS_INDICES, &maxIndices);
    expected.push_back("Max vertices: " + std::to_string(maxVertices));
    expected.push_back("Max indices: " + std::to_string(maxIndices));

    const std::vector<std::string> lines = Lines(output);
    ASSERT_EQ(lines.size(), expected.size() + 11) << output;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i;
    for (size_t i = 0; i < 11; ++i)
        EXPECT_EQ(lines[expected.size() + i].rfind(
                      "Needed extension " + std::string(vxtest::kNeededExtensions[i]) + " is supported: ", 0),
            0u)
            << lines[expected.size() + i];

    // The lists were split on copies: GL's own string is whole.
    EXPECT_EQ(Items(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS))).size(), gl.size());
    EXPECT_NE(std::strchr(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), ' '), nullptr);
}

TEST(WindowTargets, OffScreenTargetMadeWhileAWindowIsCurrentSharesItsDisplayAndObjects)
{
    std::unique_ptr<CWindowVNX> window(Quietly(64, 64));
    ASSERT_NE(window->hglrc, nullptr);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindTexture(GL_TEXTURE_2D, 0);

    std::unique_ptr<COffScreen> offscreen(COffScreen::NewL(32, 16));
    ASSERT_NE(offscreen->hglrc, nullptr);
    EXPECT_EQ(offscreen->display, window->display);
    EXPECT_EQ(vxtest::CurrentContext(), offscreen->hglrc);
    EXPECT_TRUE(glIsTexture(texture));
    Clear(0, 1, 0);
    EXPECT_EQ(ReadBack(CopyAll(*offscreen), 32, 31, 15), kGreen);

    offscreen.reset();
    window->Activate();
    glDeleteTextures(1, &texture);
}

} // namespace
