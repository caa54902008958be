#include <memory>
#include <string>
#include <vector>

#include "gl/GLTest.h"
#include "gl/SceneProbes.h"

namespace {

using vxtest::GLTest;

// What happened, in order, with the GL state each step saw.
std::vector<std::string> events;

GLint Integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

std::string TexCoordArray()
{
    return glIsEnabled(GL_TEXTURE_COORD_ARRAY) ? "texcoords on" : "texcoords off";
}

class RecordingTexture : public TextureStatic {
public:
    explicit RecordingTexture(std::string n)
        : name(std::move(n))
    {
    }
    ~RecordingTexture() override { events.push_back("delete " + name); }
    void bind() override
    {
        events.push_back(name + " bind, " + TexCoordArray());
        TextureStatic::bind();
    }
    void unbind() override
    {
        events.push_back(name + " unbind, " + TexCoordArray());
        TextureStatic::unbind();
    }
    std::string name;
};

class RecordingShader : public Shader {
public:
    explicit RecordingShader(std::string n)
        : name(std::move(n))
    {
    }
    ~RecordingShader() override { events.push_back("delete " + name); }
    void bind(TContext* context) override
    {
        events.push_back(name + " bind, " + TexCoordArray());
        Shader::bind(context);
        boundContext = context;
    }
    void unbind(TContext* context) override
    {
        events.push_back(name + " unbind, " + TexCoordArray());
        Shader::unbind(context);
    }
    std::string name;
    TContext* boundContext = nullptr;
};

// Notes the program, texture and matrix it is drawn with.
class ProbeNode : public Node {
public:
    ProbeNode() = default;
    ProbeNode(const ProbeNode& source)
        : Node(source)
    {
    }
    using Node::textureParam;
    void traverse(TContext* context) override
    {
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        events.push_back("traverse, program " + std::to_string(Integer(GL_CURRENT_PROGRAM)) + ", texture "
            + std::to_string(Integer(GL_TEXTURE_BINDING_2D)) + ", 2D "
            + (glIsEnabled(GL_TEXTURE_2D) ? "on" : "off") + ", at " + std::to_string(int(m[12])) + ","
            + std::to_string(int(m[13])));
        traversedWith = context;
    }
    TContext* traversedWith = nullptr;
};

class NodeTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        events.clear();
    }
};

TEST_F(NodeTest, NewNodeIsWhiteVisibleAndEmpty)
{
    ProbeNode node;
    const kxVec4 c = node.getColor();
    EXPECT_EQ(c.x + c.y + c.z + c.w, 4.0f);
    EXPECT_TRUE(node.visible);
    EXPECT_EQ(node.getShader(), nullptr);
    EXPECT_EQ(node.getTexture(), nullptr);
    EXPECT_FALSE(node.isGroup());
    node.setColor(kxVec4(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_EQ(node.getColor().z, 0.3f);
}

TEST_F(NodeTest, PlainNodeTraverseDrawsNothingAndChangesNoState)
{
    Node node;
    const GLint program = Integer(GL_CURRENT_PROGRAM);
    const GLint buffer = Integer(GL_ARRAY_BUFFER_BINDING);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::vector<uint8_t> before = vxtest::ReadPixels(vxtest::SharedTarget());
    node.traverse(nullptr);
    EXPECT_EQ(vxtest::ReadPixels(vxtest::SharedTarget()), before);
    EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), program);
    EXPECT_EQ(Integer(GL_ARRAY_BUFFER_BINDING), buffer);
}

TEST_F(NodeTest, TextureAndShaderAreCountedByTheirHolders)
{
    RecordingTexture* t = new RecordingTexture("t");
    RecordingShader* s = new RecordingShader("s");
    {
        ProbeNode a;
        a.addTexture(t, 3);
        a.addTexture(t, 5);
        EXPECT_EQ(t->count, 1);
        EXPECT_EQ(a.textureParam, 5);
        a.setShader(s);
        a.setShader(s);
        EXPECT_EQ(s->count, 1);

        ProbeNode b;
        b.addTexture(t, 0);
        EXPECT_EQ(t->count, 2);
        // A copy shares the texture, not the shader.
        ProbeNode copy(a);
        EXPECT_EQ(copy.getTexture(), t);
        EXPECT_EQ(t->count, 3);
        EXPECT_EQ(copy.getShader(), nullptr);
        EXPECT_EQ(s->count, 1);
        EXPECT_EQ(copy.textureParam, 5);
    }
    // The last holder took both with it, the shader first.
    EXPECT_EQ(events, (std::vector<std::string> { "delete s", "delete t" }));
}

TEST_F(NodeTest, NullTextureReleasesAtOnceAndStoresTheParameter)
{
    ProbeNode node;
    node.addTexture(new RecordingTexture("t"), 1);
    node.addTexture(nullptr, 2);
    EXPECT_EQ(events, std::vector<std::string> { "delete t" });
    EXPECT_EQ(node.textureParam, 2);
    EXPECT_EQ(node.getTexture(), nullptr);
}

TEST_F(NodeTest, ReplacingTheShaderDeletesTheOldOneFirst)
{
    ProbeNode node;
    node.setShader(new RecordingShader("a"));
    RecordingShader* b = new RecordingShader("b");
    node.setShader(b);
    EXPECT_EQ(events, std::vector<std::string> { "delete a" });
    EXPECT_EQ(b->count, 1);
}

TEST_F(NodeTest, SceneBindsShaderAndTextureAroundTheChildInOrder)
{
    RecordingTexture* t = new RecordingTexture("texture");
    t->setImage(2, 2, 0, 64, std::vector<uint8_t>(16, 255).data());
    RecordingShader* s = new RecordingShader("shader");
    vxtest::AttachPassThroughStages(s);
    ProbeNode child;
    child.addTexture(t, 0);
    child.setShader(s);
    child.setTranslation(7, 9, 0);
    CScene* scene = CScene::NewL();
    scene->addObject(&child);
    events.clear();
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    scene->Render(&vxtest::SharedTarget());

    const std::string traversed = "traverse, program " + std::to_string(s->program) + ", texture "
        + std::to_string(t->texture) + ", 2D on, at 7,9";
    EXPECT_EQ(events,
        (std::vector<std::string> { "shader bind, texcoords off", "texture bind, texcoords on", traversed,
            "texture unbind, texcoords on", "shader unbind, texcoords off" }));
    EXPECT_EQ(s->boundContext, scene->getContext());
    EXPECT_EQ(child.traversedWith, scene->getContext());
    // Afterwards: no program, no 2D texturing.
    EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    delete scene;
}

TEST_F(NodeTest, ChildWithOnlyAShaderMakesNoTextureCoordinateCalls)
{
    RecordingShader* s = new RecordingShader("shader");
    ProbeNode child;
    child.setShader(s);
    CScene* scene = CScene::NewL();
    scene->addObject(&child);
    events.clear();
    // Left on beforehand: a disable call by the scene would switch it off.
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    scene->Render(&vxtest::SharedTarget());
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "shader bind, texcoords on");
    EXPECT_EQ(events[2], "shader unbind, texcoords on");
    delete scene;
}

TEST_F(NodeTest, DeletingTheSceneLeavesNodesShadersAndTexturesAlive)
{
    RecordingTexture* t = new RecordingTexture("t");
    RecordingShader* s = new RecordingShader("s");
    std::unique_ptr<ProbeNode> node(new ProbeNode());
    node->addTexture(t, 0);
    node->setShader(s);
    CScene* scene = CScene::NewL();
    scene->addObject(node.get());
    scene->Render(&vxtest::SharedTarget());
    delete scene;
    EXPECT_TRUE(events.empty() || events.back().rfind("delete", 0) != 0);
    EXPECT_EQ(t->count, 1);
    EXPECT_EQ(s->count, 1);
    EXPECT_TRUE(glIsProgram(s->program));
    EXPECT_TRUE(glIsTexture(t->texture) || t->texture == 0);
    node.reset();
    EXPECT_EQ(events.back(), "delete t");
}

} // namespace
