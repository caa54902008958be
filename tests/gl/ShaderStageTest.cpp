// Replacing either stage of a Shader: what GL has attached, which GL shader
// objects survive, and what the linked program draws.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "gl/GLTest.h"
#include "support/ScratchFolder.h"

namespace {

using vxtest::CaptureOutput;

// A full-target quad in the colour `rgb`; both stages in one file.
std::string Source(const char* rgb)
{
    return std::string("#ifdef VERTEX_SHADER\n"
                       "void main() { gl_Position = gl_Vertex; }\n"
                       "#endif\n"
                       "#ifdef FRAGMENT_SHADER\n"
                       "void main() { gl_FragColor = vec4(")
        + rgb + ", 1.0); }\n#endif\n";
}

class ShaderStageTest : public vxtest::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
    }
    void TearDown() override
    {
        glUseProgram(0);
        GLTest::TearDown();
    }

    std::string Write(const std::string& name, const std::string& text) { return scratch.Write(name, text); }

    vxtest::ScratchFolder scratch { "stage" };
};

// The GL shader objects attached to `program`, sorted.
std::vector<GLuint> Attached(GLuint program)
{
    GLuint names[8] = {};
    GLsizei count = 0;
    glGetAttachedShaders(program, 8, &count, names);
    std::vector<GLuint> attached(names, names + count);
    std::sort(attached.begin(), attached.end());
    return attached;
}

std::vector<GLuint> Sorted(std::vector<GLuint> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// Draws a quad over the whole target with `shader` and reads the centre
// pixel back as R, G, B.
std::vector<int> Drawn(Shader& shader)
{
    COffScreen& target = vxtest::SharedTarget();
    glViewport(0, 0, target.width, target.height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GLboolean depth = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    shader.bind(nullptr);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(-1, 1);
    glVertex2f(1, 1);
    glEnd();
    shader.unbind(nullptr);
    if (depth)
        glEnable(GL_DEPTH_TEST);
    unsigned char rgba[4] = {};
    glReadPixels(target.width / 2, target.height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return { rgba[0], rgba[1], rgba[2] };
}

TEST_F(ShaderStageTest, EachStageIsReplacedInItsOwnSlot)
{
    const std::string red = Write("red.sh", Source("1.0, 0.0, 0.0"));
    const std::string green = Write("green.sh", Source("0.0, 1.0, 0.0"));
    kxReference<Shader> shader;
    shader = new Shader;
    Shader& s = *shader.get();
    VertexProgram* vertexA = new VertexProgram(red.c_str());
    VertexProgram* vertexB = new VertexProgram(green.c_str());
    FragmentProgram* fragmentRed = new FragmentProgram(red.c_str());
    FragmentProgram* fragmentGreen = new FragmentProgram(green.c_str());
    const GLuint vertexAName = vertexA->shader, fragmentRedName = fragmentRed->shader;

    EXPECT_EQ(CaptureOutput([&] {
        s.SetVertexProgram(vertexA);
        s.SetFragmentProgram(fragmentRed);
    }),
        "");
    EXPECT_EQ(Attached(s.program), Sorted({ vertexA->shader, fragmentRed->shader }));
    EXPECT_EQ(Drawn(s), (std::vector<int> { 255, 0, 0 }));

    // A new fragment stage: the old one goes (it had no other holder), the
    // vertex stage stays attached, and the program draws the new colour.
    s.SetFragmentProgram(fragmentGreen);
    EXPECT_EQ(fragmentGreen->count, 1);
    EXPECT_EQ(vertexA->count, 1);
    EXPECT_FALSE(glIsShader(fragmentRedName));
    EXPECT_EQ(Attached(s.program), Sorted({ vertexAName, fragmentGreen->shader }));
    EXPECT_EQ(Drawn(s), (std::vector<int> { 0, 255, 0 }));

    // A new vertex stage: only the vertex slot changes.
    s.SetVertexProgram(vertexB);
    EXPECT_EQ(vertexB->count, 1);
    EXPECT_EQ(fragmentGreen->count, 1);
    EXPECT_FALSE(glIsShader(vertexAName));
    EXPECT_EQ(Attached(s.program), Sorted({ vertexB->shader, fragmentGreen->shader }));
    EXPECT_EQ(Drawn(s), (std::vector<int> { 0, 255, 0 }));

    // The fragment stage set again: relinked in place, nothing given back.
    s.SetFragmentProgram(fragmentGreen);
    EXPECT_EQ(fragmentGreen->count, 1);
    EXPECT_EQ(Attached(s.program), Sorted({ vertexB->shader, fragmentGreen->shader }));
    EXPECT_EQ(Drawn(s), (std::vector<int> { 0, 255, 0 }));
}

} // namespace
