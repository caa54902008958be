// The GL calls one Render issues, by name, in order. The library's calls are
// caught on their way out: the GL 1.1 functions it calls by name through the
// linker's --wrap (this program links the library's objects), the newer ones
// by swapping their entries in the entry-point table.
//
// A client's geometry that only sets its arrays is drawn with the calls a
// scene of the library's own nodes gets; one that overrides traverse gets
// the full sequence, which is what keeps its own GL calls safe.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/ReadBack.h"
#include "support/Environment.h"

namespace {

std::vector<std::string>* calls = nullptr;

void Log(const char* name)
{
    if (calls)
        calls->push_back(name);
}

} // namespace

#define VXTEST_WRAP(name, params, args)                                                                      \
    extern "C" void __real_##name params;                                                                    \
    extern "C" void __wrap_##name params                                                                     \
    {                                                                                                        \
        Log(#name);                                                                                          \
        __real_##name args;                                                                                  \
    }
VXTEST_WRAP(glEnable, (GLenum cap), (cap))
VXTEST_WRAP(glDisable, (GLenum cap), (cap))
VXTEST_WRAP(glBindTexture, (GLenum target, GLuint name), (target, name))
VXTEST_WRAP(glEnableClientState, (GLenum array), (array))
VXTEST_WRAP(glDisableClientState, (GLenum array), (array))
VXTEST_WRAP(glLineWidth, (GLfloat width), (width))
VXTEST_WRAP(glColor4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a))
VXTEST_WRAP(glVertexPointer, (GLint n, GLenum type, GLsizei stride, const void* p), (n, type, stride, p))
VXTEST_WRAP(glTexCoordPointer, (GLint n, GLenum type, GLsizei stride, const void* p), (n, type, stride, p))
VXTEST_WRAP(glNormalPointer, (GLenum type, GLsizei stride, const void* p), (type, stride, p))
VXTEST_WRAP(glDrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count))
VXTEST_WRAP(glPushMatrix, (), ())
VXTEST_WRAP(glPopMatrix, (), ())
#undef VXTEST_WRAP

namespace {

PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
PFNGLBINDBUFFERPROC realBindBuffer = nullptr;

void APIENTRY CountedUseProgram(GLuint program)
{
    Log("glUseProgram");
    realUseProgram(program);
}

void APIENTRY CountedBindBuffer(GLenum target, GLuint buffer)
{
    Log("glBindBuffer");
    realBindBuffer(target, buffer);
}

// The calls of one Render of `scene`, after one Render to settle what a
// first frame does once.
std::vector<std::string> CallsOf(CScene& scene, CRenderTarget& target)
{
    scene.Render(&target);
    std::vector<std::string> issued;
    realUseProgram = kxgl::glUseProgram;
    realBindBuffer = kxgl::glBindBuffer;
    kxgl::glUseProgram = CountedUseProgram;
    kxgl::glBindBuffer = CountedBindBuffer;
    calls = &issued;
    scene.Render(&target);
    calls = nullptr;
    kxgl::glUseProgram = realUseProgram;
    kxgl::glBindBuffer = realBindBuffer;
    return issued;
}

size_t Count(const std::vector<std::string>& issued, const char* name)
{
    size_t n = 0;
    for (const std::string& call : issued)
        n += call == name;
    return n;
}

// A client's quad: it sets its arrays in its constructor, or takes another
// quad's, and draws nothing of its own.
class ClientQuad : public Geometry {
public:
    explicit ClientQuad(float side)
    {
        primitiveMode = GL_TRIANGLE_STRIP;
        Corners(0, 0, side);
        setTexCoords(new float[8] { 0, 0, 1, 0, 0, 1, 1, 1 });
    }
    explicit ClientQuad(const ClientQuad* shape, unsigned int mode = GL_TRIANGLE_STRIP, float width = 1.0f)
    {
        primitiveMode = mode;
        lineWidth = width;
        shareBuffers(*shape);
    }
    /// New positions: the square from (x, y), `side` long.
    void Corners(float x, float y, float side)
    {
        setVertices(new float[12] { x, y, 0, x + side, y, 0, x, y + side, 0, x + side, y + side, 0 }, 4);
    }
    void Mode(unsigned int mode) { primitiveMode = mode; }
};

// The same quad from a class that overrides traverse (here to count its
// draws; it could issue anything).
class OverridingQuad : public ClientQuad {
public:
    using ClientQuad::ClientQuad;
    void traverse(TContext* context) override
    {
        ++traversals;
        ClientQuad::traverse(context);
    }
    int traversals = 0;
};

class SceneCalls : public testing::Test {
protected:
    static constexpr int kNodes = 2000;

    void SetUp() override
    {
        target = COffScreen::NewL(64, 64);
        std::vector<unsigned char> texels(4 * 4 * 4);
        for (size_t i = 0; i < texels.size(); ++i)
            texels[i] = static_cast<unsigned char>(i * 37);
        TextureStatic* texture = new TextureStatic();
        texture->setImage(4, 4, 0, ImageObject::RGBA32, texels.data());
        shared = texture;
    }

    void TearDown() override
    {
        for (Node* node : nodes)
            delete node;
        shared = nullptr;
        delete target;
    }

    // `node`, placed as the i-th of the grid and showing the shared texture.
    Node* Place(Node* node, int i)
    {
        node->addTexture(shared.get(), 0);
        node->setTranslation(static_cast<float>(i % 50) * 1.25f, static_cast<float>(i / 50) * 1.5f, 0);
        nodes.push_back(node);
        return node;
    }

    CScene* SceneOf(const std::function<Node*(int)>& make, bool fullSequence = false)
    {
        CScene* scene = vxtest::NewScene<CScene>(fullSequence);
        for (int i = 0; i < kNodes; ++i)
            scene->addObject(Place(make(i), i));
        return scene;
    }

    COffScreen* target = nullptr;
    kxReference<Texture> shared;
    std::vector<Node*> nodes;
};

TEST_F(SceneCalls, ClientGeometryThatOnlySetsItsArraysGetsTheCallsOfLibraryNodes)
{
    CScene* client = SceneOf([](int) -> Node* { return new ClientQuad(4); });
    CScene* library = SceneOf([](int) -> Node* { return ImageObject::NewL(0, 0, 4, 4, false); });
    const std::vector<std::string> clientCalls = CallsOf(*client, *target);
    EXPECT_TRUE(clientCalls == CallsOf(*library, *target));
    // The texture is bound once and the arrays switched once for the whole
    // run; each quad costs its matrix, its two buffers and its draw.
    EXPECT_EQ(Count(clientCalls, "glBindTexture"), 1u);
    EXPECT_EQ(Count(clientCalls, "glLineWidth"), 1u);
    EXPECT_EQ(Count(clientCalls, "glEnableClientState"), 1u);
    EXPECT_EQ(Count(clientCalls, "glDrawArrays"), static_cast<size_t>(kNodes));
    EXPECT_EQ(Count(clientCalls, "glBindBuffer"), 2u * kNodes);

    // The same pixels as the full sequence.
    client->Render(target);
    const std::vector<uint8_t> elided = vxtest::ReadPixels(*target);
    CScene* full = SceneOf([](int) -> Node* { return new ClientQuad(4); }, true);
    full->Render(target);
    EXPECT_TRUE(elided == vxtest::ReadPixels(*target));
    delete full;
    delete library;
    delete client;
}

TEST_F(SceneCalls, ClientGeometryThatOverridesTraverseGetsTheFullSequence)
{
    // Nothing is assumed after its traverse, so each quad's texture is bound
    // again, and the base traverse it calls issues every call of a draw.
    CScene* overriding = SceneOf([](int) -> Node* { return new OverridingQuad(4); });
    const std::vector<std::string> overridingCalls = CallsOf(*overriding, *target);
    EXPECT_EQ(Count(overridingCalls, "glBindTexture"), static_cast<size_t>(kNodes));
    EXPECT_EQ(Count(overridingCalls, "glLineWidth"), static_cast<size_t>(kNodes));
    EXPECT_EQ(Count(overridingCalls, "glColor4f"), static_cast<size_t>(kNodes));
    const std::vector<uint8_t> drawn = vxtest::ReadPixels(*target);
    CScene* full = SceneOf([](int) -> Node* { return new ClientQuad(4); }, true);
    full->Render(target);
    EXPECT_TRUE(drawn == vxtest::ReadPixels(*target));
    delete full;
    delete overriding;
}

TEST_F(SceneCalls, QuadsSharingOneSetOfBuffersBindThemOnceAndDrawTheSamePixels)
{
    const ClientQuad shape(4);
    CScene* sharing = SceneOf([&](int) -> Node* { return new ClientQuad(&shape); });
    const std::vector<std::string> sharingCalls = CallsOf(*sharing, *target);
    EXPECT_EQ(Count(sharingCalls, "glBindBuffer"), 2u);
    EXPECT_EQ(Count(sharingCalls, "glVertexPointer"), 1u);
    EXPECT_EQ(Count(sharingCalls, "glTexCoordPointer"), 1u);
    EXPECT_EQ(Count(sharingCalls, "glDrawArrays"), static_cast<size_t>(kNodes));
    const std::vector<uint8_t> shared = vxtest::ReadPixels(*target);
    CScene* own = SceneOf([](int) -> Node* { return new ClientQuad(4); });
    own->Render(target);
    EXPECT_TRUE(shared == vxtest::ReadPixels(*target));
    delete own;
    delete sharing;
}

// Quads and wide-line outlines spread far beyond a 64 x 64 target, turned
// about the view axis and out of the plane, under each scene rotation: with
// culling the same pixels as without, with fewer draws; and again after
// every node moved.
TEST_F(SceneCalls, GeometryOutsideTheViewIsLeftOutWithTheSamePixels)
{
    const ClientQuad shape(6);
    std::vector<Node*> spread;
    for (int i = 0; i < kNodes; ++i) {
        const bool outline = i % 7 == 0;
        ClientQuad* quad
            = new ClientQuad(&shape, outline ? GL_LINE_LOOP : GL_TRIANGLE_STRIP, outline ? 7.0f : 1.0f);
        quad->addTexture(shared.get(), 0);
        quad->setTranslation(
            static_cast<float>(i % 45) * 4.0f - 60.0f, static_cast<float>(i / 45) * 4.5f - 60.0f, 0);
        quad->setRotation(static_cast<float>(i * 37 % 360), i % 3 == 0 ? 1.0f : 0.0f, 0.0f, 1.0f);
        quad->setScale(i % 5 == 0 ? -1.5f : 1.0f, 1.0f, 1.0f);
        nodes.push_back(quad);
        spread.push_back(quad);
    }
    // A client's node far outside: its own traverse is never left out.
    OverridingQuad* client = new OverridingQuad(&shape);
    client->setTranslation(-500, -500, 0);
    nodes.push_back(client);
    spread.push_back(client);

    CScene* culling = CScene::NewL();
    CScene* everything = vxtest::NewSceneWith<CScene>("VARNOX_NO_CULLING");
    for (Node* node : spread) {
        culling->addObject(node);
        everything->addObject(node);
    }
    for (float shift : { 0.0f, 37.0f }) {
        if (shift != 0.0f)
            for (Node* node : spread) {
                const kxVec3 t = node->getTranslation();
                node->setTranslation(t.x + shift, t.y + shift / 2, t.z);
            }
        for (int rotation : { 0, 90, 180, 270, 45 }) {
            SCOPED_TRACE("shift " + std::to_string(shift) + ", rotation " + std::to_string(rotation));
            culling->SceneRotation(rotation);
            everything->SceneRotation(rotation);
            const int traversals = client->traversals;
            const std::vector<std::string> culledCalls = CallsOf(*culling, *target);
            EXPECT_EQ(client->traversals, traversals + 2);
            const std::vector<uint8_t> culled = vxtest::ReadPixels(*target);
            const std::vector<std::string> allCalls = CallsOf(*everything, *target);
            EXPECT_TRUE(culled == vxtest::ReadPixels(*target));
            const size_t drawn = Count(culledCalls, "glDrawArrays");
            EXPECT_EQ(Count(allCalls, "glDrawArrays"), spread.size());
            EXPECT_GT(drawn, 50u);
            EXPECT_LT(drawn, spread.size() / 2);
        }
    }

    // A box that changes is tested again: a quad far outside gets positions
    // inside.
    ClientQuad* moving = new ClientQuad(6);
    moving->setTranslation(-300, 0, 0);
    nodes.push_back(moving);
    culling->addObject(moving);
    culling->SceneRotation(0);
    const size_t before = Count(CallsOf(*culling, *target), "glDrawArrays");
    moving->Corners(320, 20, 6);
    EXPECT_EQ(Count(CallsOf(*culling, *target), "glDrawArrays"), before + 1);

    // A copy has the box of the arrays it copied: far outside, it is left
    // out too; made points (whose size the scene cannot know), it is drawn.
    ClientQuad* copy = new ClientQuad(*moving);
    copy->setTranslation(-700, 0, 0);
    nodes.push_back(copy);
    culling->addObject(copy);
    EXPECT_EQ(Count(CallsOf(*culling, *target), "glDrawArrays"), before + 1);
    copy->Mode(GL_POINTS);
    EXPECT_EQ(Count(CallsOf(*culling, *target), "glDrawArrays"), before + 2);
    delete everything;
    delete culling;
}

} // namespace
