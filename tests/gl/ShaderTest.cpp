#include <cstring>
#include <string>
#include <vector>

#include "gl/GLTest.h"
#include "support/ScratchFolder.h"
#include "support/StdoutCapture.h"

namespace {

using vxtest::CaptureOutput;

// One file for both stages, GLSL 1.10 as a versionless source compiles.
const char* const kBothStages = R"(#ifndef OPENGL
#error the library defines OPENGL
#endif
uniform vec3 colour;
uniform float scale;
#ifdef VERTEX_SHADER
void main() { gl_Position = ftransform(); }
#endif
#ifdef FRAGMENT_SHADER
void main() { gl_FragColor = vec4(colour * scale, 1.0); }
#endif
)";

const char* const kSyntaxError = "void main() { gl_Position = ftransform() }\n";
const char* const kNoMain = "void helper() {}\n";

std::string ShaderLog(unsigned int shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length), '\0');
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    return log.c_str();
}

std::string ProgramLog(unsigned int program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length), '\0');
    glGetProgramInfoLog(program, length, nullptr, log.data());
    return log.c_str();
}

GLint ShaderParameter(unsigned int shader, GLenum name)
{
    GLint value = -1;
    glGetShaderiv(shader, name, &value);
    return value;
}

GLint ProgramParameter(unsigned int program, GLenum name)
{
    GLint value = -1;
    glGetProgramiv(program, name, &value);
    return value;
}

GLint CurrentProgram()
{
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

// Fills the shared target with one rectangle drawn by whatever program is
// current, in an identity projection, leaving the GL state as it found it;
// returns the BGRA pixel at its centre.
std::vector<uint8_t> DrawCoveringRectangle()
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glRectf(-1, -1, 1, 1);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    const std::vector<uint8_t> bgra = vxtest::ReadPixels(vxtest::SharedTarget());
    const size_t centre = (32 * 64 + 32) * 4;
    return std::vector<uint8_t>(bgra.begin() + centre, bgra.begin() + centre + 4);
}

// Shader sources in a scratch folder of the test's own.
class ShaderTest : public vxtest::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_NE(scratch.path(), "");
        folder = scratch.path();
    }
    void TearDown() override
    {
        glUseProgram(0);
        GLTest::TearDown();
    }

    std::string Write(const std::string& name, const std::string& text) { return scratch.Write(name, text); }

    vxtest::ScratchFolder scratch { "shader" };
    std::string folder;
};

TEST_F(ShaderTest, OneFileCompilesAsTwoStages)
{
    const std::string path = Write("both.sh", kBothStages);
    VertexProgram* vertex = nullptr;
    FragmentProgram* fragment = nullptr;
    const std::string printed = CaptureOutput([&] {
        vertex = new VertexProgram(path.c_str());
        fragment = new FragmentProgram(path.c_str());
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(vertex->count, 0);
    EXPECT_EQ(ShaderParameter(vertex->shader, GL_SHADER_TYPE), GL_VERTEX_SHADER);
    EXPECT_EQ(ShaderParameter(fragment->shader, GL_SHADER_TYPE), GL_FRAGMENT_SHADER);
    EXPECT_EQ(ShaderParameter(vertex->shader, GL_COMPILE_STATUS), GL_TRUE);
    EXPECT_EQ(ShaderParameter(fragment->shader, GL_COMPILE_STATUS), GL_TRUE);

    // The two define lines, then the file's text.
    std::vector<char> source(4096);
    glGetShaderSource(vertex->shader, static_cast<GLsizei>(source.size()), nullptr, source.data());
    EXPECT_EQ(
        std::string(source.data()), std::string("#define OPENGL 1\n#define VERTEX_SHADER 1\n") + kBothStages);
    glGetShaderSource(fragment->shader, static_cast<GLsizei>(source.size()), nullptr, source.data());
    EXPECT_EQ(std::string(source.data()),
        std::string("#define OPENGL 1\n#define FRAGMENT_SHADER 1\n") + kBothStages);

    // Linked, the pair draws in the colour the uniforms give.
    kxReference<Shader> shader;
    shader = new Shader;
    EXPECT_EQ(CaptureOutput([&] {
        shader.get()->SetVertexProgram(vertex);
        shader.get()->SetFragmentProgram(fragment);
    }),
        "");
    EXPECT_EQ(ProgramParameter(shader.get()->program, GL_LINK_STATUS), GL_TRUE);
    EXPECT_EQ(ProgramParameter(shader.get()->program, GL_ATTACHED_SHADERS), 2);
    shader.get()->SetUniform("colour", kxVec3(0.2f, 0.4f, 0.6f));
    shader.get()->SetUniform("scale", 1.0f);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    shader.get()->bind(nullptr);
    EXPECT_EQ(CurrentProgram(), static_cast<GLint>(shader.get()->program));
    glRectf(-1, -1, 1, 1);
    shader.get()->unbind(nullptr);
    EXPECT_EQ(CurrentProgram(), 0);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    const std::vector<uint8_t> bgra = vxtest::ReadPixels(vxtest::SharedTarget());
    EXPECT_NEAR(bgra[0], 153, 1);
    EXPECT_NEAR(bgra[1], 102, 1);
    EXPECT_NEAR(bgra[2], 51, 1);
}

TEST_F(ShaderTest, SyntaxErrorPrintsTheLogAndTheFailureLine)
{
    const std::string path = Write("broken.sh", kSyntaxError);
    VertexProgram* vertex = nullptr;
    std::string printed = CaptureOutput([&] { vertex = new VertexProgram(path.c_str()); });
    ASSERT_NE(vertex, nullptr);
    EXPECT_EQ(ShaderParameter(vertex->shader, GL_COMPILE_STATUS), GL_FALSE);
    const std::string log = ShaderLog(vertex->shader);
    EXPECT_NE(log, "");
    EXPECT_EQ(printed, log + "VertexProgram Compile failed\n");
    EXPECT_TRUE(glIsShader(vertex->shader));

    FragmentProgram* fragment = nullptr;
    printed = CaptureOutput([&] { fragment = new FragmentProgram(path.c_str()); });
    EXPECT_EQ(printed, ShaderLog(fragment->shader) + "FragmentProgram Compile failed\n");
    delete vertex; // never held: still their creator's
    delete fragment;
}

// GL takes a source up to its length; a NUL byte inside the file would have
// cut it short and compiled what stood before it.
TEST_F(ShaderTest, SourceWithANulByteIsRefusedAndLeftUncompiled)
{
    const std::string text = std::string(kBothStages) + std::string("\0 trailing bytes\n", 17);
    const std::string path = Write("cut-short.sh", text);
    VertexProgram* vertex = nullptr;
    const std::string printed = CaptureOutput([&] { vertex = new VertexProgram(path.c_str()); });
    EXPECT_EQ(printed,
        "VertexProgram: refused the source " + path + ": a NUL byte at offset "
            + std::to_string(std::strlen(kBothStages)) + "\n");
    EXPECT_TRUE(glIsShader(vertex->shader));
    EXPECT_EQ(ShaderParameter(vertex->shader, GL_COMPILE_STATUS), GL_FALSE);
    EXPECT_EQ(ShaderParameter(vertex->shader, GL_SHADER_SOURCE_LENGTH), 0);
    delete vertex;
}

TEST_F(ShaderTest, VersionDirectiveCannotFollowTheDefineLines)
{
    const std::string path = Write("versioned.sh", std::string("#version 110\n") + kBothStages);
    VertexProgram* vertex = nullptr;
    const std::string printed = CaptureOutput([&] { vertex = new VertexProgram(path.c_str()); });
    EXPECT_EQ(ShaderParameter(vertex->shader, GL_COMPILE_STATUS), GL_FALSE);
    EXPECT_NE(ShaderLog(vertex->shader).find("version"), std::string::npos);
    EXPECT_EQ(printed, ShaderLog(vertex->shader) + "VertexProgram Compile failed\n");
    delete vertex;
}

TEST_F(ShaderTest, MissingFileIsNamedAndItsLinkFails)
{
    const std::string path = folder + "/kxLightShader.sh";
    VertexProgram* vertex = nullptr;
    // The file stream prints its line itself, on standard output.
    std::string printed = vxtest::CaptureStdout([&] { vertex = new VertexProgram(path.c_str()); });
    const std::vector<std::string> lines = vxtest::Lines(printed);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "kxStream: cannot open " + path + ": No such file or directory");

    // The stage holds only the define lines: no main, so no program.
    kxReference<Shader> shader;
    shader = new Shader;
    printed = CaptureOutput([&] { shader.get()->SetVertexProgram(vertex); });
    EXPECT_EQ(ProgramParameter(shader.get()->program, GL_LINK_STATUS), GL_FALSE);
    EXPECT_EQ(printed.substr(printed.size() - 12), "Link failed\n");
}

TEST_F(ShaderTest, FailedLinkPrintsItsLogAndKeepsTheProgram)
{
    VertexProgram* vertex = new VertexProgram(Write("nomain.sh", kNoMain).c_str());
    EXPECT_EQ(ShaderParameter(vertex->shader, GL_COMPILE_STATUS), GL_TRUE);
    kxReference<Shader> shader;
    shader = new Shader;
    const std::string printed = CaptureOutput([&] { shader.get()->SetVertexProgram(vertex); });
    const std::string log = ProgramLog(shader.get()->program);
    EXPECT_NE(log, "");
    EXPECT_EQ(printed, log + "Link failed\n");
    EXPECT_EQ(vertex->count, 1);
    EXPECT_EQ(ProgramParameter(shader.get()->program, GL_ATTACHED_SHADERS), 1);
}

TEST_F(ShaderTest, SetUniformSetsTheValueAndLeavesNoProgramCurrent)
{
    const std::string path = Write("both.sh", kBothStages);
    kxReference<Shader> shader, other;
    shader = new Shader;
    other = new Shader;
    for (Shader* s : { shader.get(), other.get() }) {
        s->SetVertexProgram(new VertexProgram(path.c_str()));
        s->SetFragmentProgram(new FragmentProgram(path.c_str()));
    }
    const unsigned int program = shader.get()->program;

    glUseProgram(other.get()->program);
    shader.get()->SetUniform("scale", 2.5f);
    EXPECT_EQ(CurrentProgram(), 0);
    glUseProgram(other.get()->program);
    shader.get()->SetUniform("colour", kxVec3(0.25f, -1.5f, 8.0f));
    EXPECT_EQ(CurrentProgram(), 0);

    GLfloat scale = 0;
    glGetUniformfv(program, glGetUniformLocation(program, "scale"), &scale);
    EXPECT_EQ(scale, 2.5f);
    GLfloat colour[3] = {};
    glGetUniformfv(program, glGetUniformLocation(program, "colour"), colour);
    EXPECT_EQ(colour[0], 0.25f);
    EXPECT_EQ(colour[1], -1.5f);
    EXPECT_EQ(colour[2], 8.0f);
    // The other program kept its own values.
    glGetUniformfv(other.get()->program, glGetUniformLocation(other.get()->program, "scale"), &scale);
    EXPECT_EQ(scale, 0.0f);

    // A name the program lacks is ignored.
    shader.get()->SetUniform("missing", 1.0f);
    shader.get()->SetUniform("missing", kxVec3(1, 2, 3));
    EXPECT_EQ(CurrentProgram(), 0);
}

// A vertex program that notes, as it goes, whether its shader's GL program
// object was already gone.
std::vector<std::string> events;

class WatchedVertex : public VertexProgram {
public:
    WatchedVertex(const char* path, const unsigned int* program)
        : VertexProgram(path)
        , watched(program)
    {
    }
    ~WatchedVertex() override
    {
        events.push_back(std::string("vertex, program ") + (glIsProgram(*watched) ? "alive" : "gone"));
    }
    const unsigned int* watched;
};

class WatchedFragment : public FragmentProgram {
public:
    WatchedFragment(const char* path, const unsigned int* program)
        : FragmentProgram(path)
        , watched(program)
    {
    }
    ~WatchedFragment() override
    {
        events.push_back(std::string("fragment, program ") + (glIsProgram(*watched) ? "alive" : "gone"));
    }
    const unsigned int* watched;
};

TEST_F(ShaderTest, LastReferenceDeletesTheProgramThenItsStages)
{
    events.clear();
    const std::string path = Write("both.sh", kBothStages);
    unsigned int program = 0;
    kxReference<Shader> shader;
    shader = new Shader;
    program = shader.get()->program;
    WatchedVertex* vertex = new WatchedVertex(path.c_str(), &program);
    WatchedFragment* fragment = new WatchedFragment(path.c_str(), &program);
    shader.get()->SetVertexProgram(vertex);
    shader.get()->SetFragmentProgram(fragment);
    const unsigned int vertexShader = vertex->shader;
    const unsigned int fragmentShader = fragment->shader;
    EXPECT_TRUE(glIsProgram(program));

    shader = nullptr;
    EXPECT_EQ(events, (std::vector<std::string> { "fragment, program gone", "vertex, program gone" }));
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_FALSE(glIsShader(vertexShader));
    EXPECT_FALSE(glIsShader(fragmentShader));
}

TEST_F(ShaderTest, ReplacingAndSharingProgramsFollowTheirCounts)
{
    const std::string path = Write("both.sh", kBothStages);
    kxReference<Shader> first, second;
    first = new Shader;
    second = new Shader;
    VertexProgram* a = new VertexProgram(path.c_str());
    FragmentProgram* fragment = new FragmentProgram(path.c_str());

    // The vertex stage alone links, quietly.
    EXPECT_EQ(CaptureOutput([&] { first.get()->SetVertexProgram(a); }), "");
    EXPECT_EQ(ProgramParameter(first.get()->program, GL_LINK_STATUS), GL_TRUE);
    EXPECT_EQ(ProgramParameter(first.get()->program, GL_ATTACHED_SHADERS), 1);
    first.get()->SetFragmentProgram(fragment);

    // A null program changes nothing.
    first.get()->SetVertexProgram(nullptr);
    first.get()->SetFragmentProgram(nullptr);
    EXPECT_EQ(a->count, 1);
    EXPECT_EQ(ProgramParameter(first.get()->program, GL_ATTACHED_SHADERS), 2);

    // The same program again: detached, re-attached and relinked, count kept.
    first.get()->SetVertexProgram(a);
    EXPECT_EQ(a->count, 1);
    EXPECT_EQ(ProgramParameter(first.get()->program, GL_ATTACHED_SHADERS), 2);
    EXPECT_EQ(ProgramParameter(first.get()->program, GL_LINK_STATUS), GL_TRUE);

    // Shared by two shaders, a program lives until both let go.
    second.get()->SetVertexProgram(a);
    EXPECT_EQ(a->count, 2);
    const unsigned int aShader = a->shader;
    VertexProgram* b = new VertexProgram(path.c_str());
    first.get()->SetVertexProgram(b);
    EXPECT_EQ(a->count, 1);
    EXPECT_EQ(b->count, 1);
    EXPECT_TRUE(glIsShader(aShader));
    EXPECT_EQ(ProgramParameter(first.get()->program, GL_ATTACHED_SHADERS), 2);

    // Replaced in its last shader, it goes with its GL shader object.
    second.get()->SetVertexProgram(b);
    EXPECT_EQ(b->count, 2);
    EXPECT_FALSE(glIsShader(aShader));
    EXPECT_EQ(ProgramParameter(second.get()->program, GL_ATTACHED_SHADERS), 1);

    // A shader going away leaves programs that another still holds.
    const unsigned int bShader = b->shader;
    const unsigned int fragmentShader = fragment->shader;
    first = nullptr;
    EXPECT_EQ(b->count, 1);
    EXPECT_TRUE(glIsShader(bShader));
    EXPECT_FALSE(glIsShader(fragmentShader));
    second = nullptr;
    EXPECT_FALSE(glIsShader(bShader));
}

// GL keeps a program that is current alive, flagged for deletion, until
// another one is made current. Deleting a Shader does not unbind its program:
// GL goes on naming it current and drawing with it, and deletes it at the
// next glUseProgram. Its stages were detached first, so they go at once.
TEST_F(ShaderTest, DeletingAShaderWhoseProgramIsCurrentLeavesItToGLUntilUnbound)
{
    const std::string path = Write("both.sh", kBothStages);
    VertexProgram* vertex = new VertexProgram(path.c_str());
    FragmentProgram* fragment = new FragmentProgram(path.c_str());
    const unsigned int vertexShader = vertex->shader;
    const unsigned int fragmentShader = fragment->shader;
    kxReference<Shader> shader;
    shader = new Shader;
    shader.get()->SetVertexProgram(vertex);
    shader.get()->SetFragmentProgram(fragment);
    const unsigned int program = shader.get()->program;
    ASSERT_EQ(ProgramParameter(program, GL_LINK_STATUS), GL_TRUE);
    shader.get()->SetUniform("colour", kxVec3(0.2f, 0.4f, 0.6f));
    shader.get()->SetUniform("scale", 1.0f);
    shader.get()->bind(nullptr);
    ASSERT_EQ(CurrentProgram(), static_cast<GLint>(program));

    shader = nullptr; // the last reference: the Shader and both stages go
    EXPECT_EQ(CurrentProgram(), static_cast<GLint>(program));
    EXPECT_TRUE(glIsProgram(program));
    EXPECT_EQ(ProgramParameter(program, GL_DELETE_STATUS), GL_TRUE);
    EXPECT_EQ(ProgramParameter(program, GL_ATTACHED_SHADERS), 0);
    EXPECT_FALSE(glIsShader(vertexShader));
    EXPECT_FALSE(glIsShader(fragmentShader));

    // Drawing goes on with the deleted program, uniforms and all.
    const std::vector<uint8_t> drawn = DrawCoveringRectangle();
    EXPECT_NEAR(drawn[0], 153, 1);
    EXPECT_NEAR(drawn[1], 102, 1);
    EXPECT_NEAR(drawn[2], 51, 1);

    // Unbinding lets GL delete it; the fixed pipeline draws again.
    glUseProgram(0);
    EXPECT_EQ(CurrentProgram(), 0);
    EXPECT_FALSE(glIsProgram(program));
    glColor4f(1, 1, 1, 1);
    const std::vector<uint8_t> plain = DrawCoveringRectangle();
    EXPECT_EQ(plain[0], 255);
    EXPECT_EQ(plain[1], 255);
    EXPECT_EQ(plain[2], 255);
}

} // namespace
