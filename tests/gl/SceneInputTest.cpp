// Bad input to the scene, geometry, surfaces and shaders: a null target, an
// index past the list, negative and overflowing counts, a resolution of 0 or
// less, null names and programs. Each has a defined result; what is refused
// says so in one line and leaves GL as it was (buffer sizes by
// glGetBufferParameteriv, state by glGet*).
#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gl/GLTest.h"
#include "gl/SceneProbes.h"
#include "support/ContextProbe.h"
#include "support/Environment.h"
#include "support/Refusal.h"
#include "support/ScratchFolder.h"
#include "support/StdoutCapture.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::ExpectRefusal;

class SceneInputTest : public vxtest::GLTest { };

TEST_F(SceneInputTest, NullTargetAndIndicesPastTheListAreHarmless)
{
    std::unique_ptr<CScene> scene(CScene::NewL());
    // Nothing to draw into: no GL call at all, so the viewport stays.
    glViewport(1, 2, 3, 4);
    std::unique_ptr<vxtest::GeometryProbe> child(vxtest::MakeRectangle(0, 0, 4, 4, kxVec4(1, 0, 0, 1)));
    scene->addObject(child.get());
    ExpectRefusal(CaptureOutput([&] { scene->Render(nullptr); }), "CScene", { "null target" });
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint> { 1, 2, 3, 4 }));
    EXPECT_EQ(scene->getContext()->width, 0.0f);

    // Past the end of the list, empty or not.
    Group empty;
    EXPECT_EQ(empty.child(0), nullptr);
    EXPECT_EQ(empty.child(UINT_MAX), nullptr);
    EXPECT_EQ(scene->child(0), child.get());
    EXPECT_EQ(scene->child(1), nullptr);
    EXPECT_EQ(scene->child(64), nullptr);
    // Null nodes: none is stored, none is found.
    ExpectRefusal(CaptureOutput([&] { scene->addObject(nullptr); }), "CScene", { "null node" });
    EXPECT_EQ(scene->childCount(), 1u);
    EXPECT_EQ(scene->removeObject(nullptr), nullptr);
    EXPECT_EQ(scene->childCount(), 1u);
}

// A target of the test's own, of any size, over the shared context.
class SizedTarget : public CRenderTarget {
public:
    SizedTarget(int w, int h)
    {
        width = w;
        height = h;
    }
};

TEST_F(SceneInputTest, TargetsOfNoOrNegativeSizeStillRenderTheirFrame)
{
    std::unique_ptr<CScene> scene(CScene::NewL());
    std::vector<std::string> drawn;
    vxtest::RecordingNode node("node", &drawn);
    scene->addObject(&node);
    // GL refuses the viewport or the projection; the frame goes on, and the
    // context takes the size as given.
    for (const auto& size : { std::pair<int, int> { 0, 0 }, { 1, 1 }, { -5, 3 }, { INT_MAX, INT_MIN } }) {
        SizedTarget target(size.first, size.second);
        EXPECT_EQ(CaptureOutput([&] { scene->Render(&target); }), "");
        EXPECT_EQ(scene->getContext()->width, static_cast<float>(size.first));
        EXPECT_EQ(scene->getContext()->height, static_cast<float>(size.second));
    }
    EXPECT_EQ(drawn.size(), 4u);
    while (glGetError() != GL_NO_ERROR) { }
}

TEST_F(SceneInputTest, NegativeAndOverflowingCountsAreRefused)
{
    vxtest::GeometryProbe g;
    g.setVertices(vxtest::HeapArray<float>(std::vector<float>(12, 1.0f)), 4);
    g.setIndices(vxtest::HeapArray<unsigned short>({ 0, 1, 2 }), 3);
    const GLuint vertices = g.vertexBuffer, indices = g.indexBuffer;

    // The arrays are the setters' to free, refused or not (the leak check of
    // the sanitizer build sees any that is kept).
    ExpectRefusal(CaptureOutput([&] { g.setVertices(new float[3], -1); }), "Geometry", { "-1" });
    ExpectRefusal(CaptureOutput([&] { g.setIndices(new unsigned short[3], INT_MIN); }), "Geometry",
        { std::to_string(INT_MIN) });
    // 12 and 2 bytes a value: counts whose bytes overflow an int.
    ExpectRefusal(CaptureOutput([&] { g.setVertices(nullptr, INT_MAX / 12 + 1); }), "Geometry",
        { std::to_string(INT_MAX / 12 + 1) });
    ExpectRefusal(CaptureOutput([&] { g.setIndices(nullptr, INT_MAX / 2 + 1); }), "Geometry",
        { std::to_string(INT_MAX / 2 + 1) });
    EXPECT_EQ(g.vertexCount, 4);
    EXPECT_EQ(g.indexCount, 3);
    EXPECT_EQ(vxtest::BufferSize(GL_ARRAY_BUFFER, vertices), 48);
    EXPECT_EQ(vxtest::BufferSize(GL_ELEMENT_ARRAY_BUFFER, indices), 6);

    // A count of 0 empties the buffer: defined, not refused.
    EXPECT_EQ(CaptureOutput([&] { g.setVertices(nullptr, 0); }), "");
    EXPECT_EQ(vxtest::BufferSize(GL_ARRAY_BUFFER, vertices), 0);
    EXPECT_EQ(g.vertexCount, 0);
}

// A surface whose vertex buffer can be read.
class Surface : public kxParametric {
public:
    std::vector<float> Positions() { return vxtest::BufferValues<float>(GL_ARRAY_BUFFER, vertexBuffer); }
    using kxParametric::resU;
    using kxParametric::resV;
};

TEST_F(SceneInputTest, ResolutionsOfZeroAndBelow)
{
    Surface s;
    s.setStart(-10, 5);
    s.setStop(30, 45);
    for (const auto& res : { std::pair<int, int> { -1, 3 }, { 3, INT_MIN }, { INT_MAX, INT_MAX } })
        ExpectRefusal(CaptureOutput([&] { s.setRes(res.first, res.second); }), "kxParametric",
            { std::to_string(res.first) + " x " + std::to_string(res.second) });
    EXPECT_EQ(s.resU, 30);
    EXPECT_EQ(s.resV, 30);

    // No cells along u: one column of vertices, at the start; v is stepped
    // as usual. Every value is finite.
    s.setRes(0, 2);
    s.update(nullptr);
    const std::vector<float> p = s.Positions();
    ASSERT_EQ(p.size(), 9u);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(p[j * 3], -10.0f);
        EXPECT_EQ(p[j * 3 + 1], 5.0f + 20.0f * j);
        EXPECT_TRUE(std::isfinite(p[j * 3 + 2]));
    }
    s.setRes(0, 0);
    s.update(nullptr);
    const std::vector<float> one = s.Positions();
    ASSERT_EQ(one.size(), 3u);
    EXPECT_EQ(one[0], -10.0f);
    EXPECT_EQ(one[1], 5.0f);

    // An empty range: every vertex at the start, whatever the resolution.
    s.setRes(3, 3);
    s.setStop(-10, 5);
    s.update(nullptr);
    const std::vector<float> still = s.Positions();
    ASSERT_EQ(still.size(), 48u);
    for (size_t i = 0; i < still.size(); i += 3) {
        EXPECT_EQ(still[i], -10.0f);
        EXPECT_EQ(still[i + 1], 5.0f);
    }
}

TEST_F(SceneInputTest, NullNamesAndProgramsAreRefused)
{
    kxReference<Shader> held;
    held = new Shader();
    Shader& shader = *held.get();
    vxtest::AttachPassThroughStages(&shader);
    GLint linked = 0;
    glGetProgramiv(shader.program, GL_LINK_STATUS, &linked);
    ASSERT_EQ(linked, GL_TRUE);
    GLint attached = 0;
    glGetProgramiv(shader.program, GL_ATTACHED_SHADERS, &attached);
    ASSERT_EQ(attached, 2);

    glUseProgram(0);
    ExpectRefusal(
        CaptureOutput([&] { shader.SetUniform(nullptr, 1.0f); }), "Shader", { "null uniform name" });
    ExpectRefusal(CaptureOutput([&] { shader.SetUniform(nullptr, kxVec3(1, 2, 3)); }), "Shader",
        { "null uniform name" });
    ExpectRefusal(CaptureOutput([&] { shader.SetVertexProgram(nullptr); }), "Shader", { "null program" });
    ExpectRefusal(CaptureOutput([&] { shader.SetFragmentProgram(nullptr); }), "Shader", { "null program" });
    glGetProgramiv(shader.program, GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(attached, 2);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

TEST_F(SceneInputTest, SourcesThatAreNoProgramTextStillMakeUsablePrograms)
{
    const vxtest::ScratchFolder folder("sources");
    const std::string empty = folder.Write("empty.sh", "");
    const std::string binary = folder.Write("binary.sh",
        std::string("\x7f"
                    "ELF\0\xff\xfe\x01void main",
            15));
    for (const std::string& path : { empty, binary, folder.path(), folder.Path("missing.sh") }) {
        VertexProgram* vertex = nullptr;
        FragmentProgram* fragment = nullptr;
        vxtest::CaptureStdout([&] {
            vertex = new VertexProgram(path.c_str());
            fragment = new FragmentProgram(path.c_str());
        });
        ASSERT_NE(vertex, nullptr);
        EXPECT_TRUE(glIsShader(vertex->shader)) << path;
        EXPECT_TRUE(glIsShader(fragment->shader)) << path;
        // None of them is a whole program: the link fails, and says so.
        kxReference<Shader> shader;
        shader = new Shader();
        const std::string said = CaptureOutput([&] {
            shader.get()->SetVertexProgram(vertex);
            shader.get()->SetFragmentProgram(fragment);
        });
        EXPECT_NE(said.find("Link failed\n"), std::string::npos) << path;
        GLint linked = GL_TRUE;
        glGetProgramiv(shader.get()->program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_FALSE) << path;
    }
}

// A target made while no context is current shares no objects with the
// shared one: there the same names are other objects, or none. A child whose
// texture or buffers were made in it is refused with one line on both paths,
// and nothing of it is drawn.
TEST_F(SceneInputTest, NodesMadeInATargetThatSharesNothingAreRefused)
{
    vxtest::ReleaseCurrent();
    std::unique_ptr<COffScreen> other(COffScreen::NewL(8, 8));
    const std::vector<uint8_t> red = { 255, 0, 0, 255 };
    std::unique_ptr<ImageObject> textured(ImageObject::NewL(ImageObject::fitToTarget, false));
    textured->Image(1, 1, ImageObject::RGBA32, red.data());
    std::unique_ptr<vxtest::GeometryProbe> plain(vxtest::MakeRectangle(0, 0, 64, 64, kxVec4(1, 0, 0, 1)));
    vxtest::ActivateShared();
    std::unique_ptr<vxtest::GeometryProbe> local(vxtest::MakeRectangle(0, 0, 4, 4, kxVec4(0, 1, 0, 1)));

    for (bool fullSequence : { false, true }) {
        SCOPED_TRACE(fullSequence ? "full sequence" : "elision");
        std::unique_ptr<CScene> scene(vxtest::NewScene<CScene>(fullSequence));
        for (Node* node : std::initializer_list<Node*> { textured.get(), plain.get() }) {
            scene->removeObject(textured.get());
            scene->removeObject(plain.get());
            scene->removeObject(local.get());
            scene->addObject(node);
            scene->addObject(local.get());
            ExpectRefusal(CaptureOutput([&] { scene->Render(&vxtest::SharedTarget()); }), "CScene",
                { node == plain.get() ? "buffers" : "texture", "share group" });
            // The local square alone: green in the corner, black elsewhere.
            const std::vector<uint8_t> pixels = vxtest::ReadPixels(vxtest::SharedTarget());
            const size_t topLeft = (63 * 64 + 1) * 4, middle = (32 * 64 + 32) * 4;
            EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + topLeft, pixels.begin() + topLeft + 3),
                (std::vector<uint8_t> { 0, 255, 0 }));
            EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + middle, pixels.begin() + middle + 3),
                (std::vector<uint8_t> { 0, 0, 0 }));
        }
    }
    // Its objects go while their own context is current.
    other->Activate();
    textured.reset();
    plain.reset();
    other.reset();
    vxtest::ActivateShared();
}

} // namespace
