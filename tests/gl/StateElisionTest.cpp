// The scene leaves out state calls that change nothing. These tests draw mixed
// scenes with the library and with plain GL that issues the full per-child
// sequence (written out here), and require the same pixels, byte for byte,
// and the same GL state afterwards.

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gl/GLTest.h"
#include "gl/SceneProbes.h"
#include "scene/RenderState.h"
#include "support/ContextProbe.h"
#include "support/Environment.h"
#include "support/ScratchFolder.h"

namespace {

using vxtest::GLTest;

GLint Integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Samples the bound texture (whether or not 2D texturing is on) and tints it.
const char kTintSource[]
    = "#ifdef VERTEX_SHADER\n"
      "varying vec2 uv;\n"
      "void main() {\n"
      "  gl_FrontColor = gl_Color;\n"
      "  uv = gl_MultiTexCoord0.xy;\n"
      "  gl_Position = ftransform();\n"
      "}\n"
      "#endif\n"
      "#ifdef FRAGMENT_SHADER\n"
      "uniform sampler2D image;\n"
      "uniform vec3 tint;\n"
      "varying vec2 uv;\n"
      "void main() { gl_FragColor = texture2D(image, uv) * gl_Color * vec4(tint, 1.0); }\n"
      "#endif\n";

// The GL state a render leaves behind, as GL reports it.
struct StateAfter {
    bool texturing, texCoordArray, normalArray, colorArray, vertexArray;
    GLint texture, program;
    GLfloat colour[4];
    GLfloat lineWidth;

    static StateAfter Read()
    {
        StateAfter s {};
        s.texturing = glIsEnabled(GL_TEXTURE_2D);
        s.texCoordArray = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
        s.normalArray = glIsEnabled(GL_NORMAL_ARRAY);
        s.colorArray = glIsEnabled(GL_COLOR_ARRAY);
        s.vertexArray = glIsEnabled(GL_VERTEX_ARRAY);
        s.texture = Integer(GL_TEXTURE_BINDING_2D);
        s.program = Integer(GL_CURRENT_PROGRAM);
        glGetFloatv(GL_CURRENT_COLOR, s.colour);
        glGetFloatv(GL_LINE_WIDTH, &s.lineWidth);
        return s;
    }
    std::string Text() const
    {
        return std::string("2D ") + (texturing ? "on" : "off") + ", texcoords "
            + (texCoordArray ? "on" : "off") + ", normals " + (normalArray ? "on" : "off") + ", colours "
            + (colorArray ? "on" : "off") + ", vertices " + (vertexArray ? "on" : "off") + ", texture "
            + std::to_string(texture) + ", program " + std::to_string(program) + ", colour "
            + std::to_string(colour[0]) + " " + std::to_string(colour[1]) + " " + std::to_string(colour[2])
            + " " + std::to_string(colour[3]) + ", line width " + std::to_string(lineWidth);
    }
};

// A client's texture class: its bind also sets the line width, its unbind
// unbinds the texture object as well.
class ClientTexture : public TextureStatic {
public:
    void bind() override
    {
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_TEXTURE_2D);
        glLineWidth(2.0f);
    }
    void unbind() override
    {
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
};

// A client's shader class whose unbind leaves its program in use.
class StickyShader : public Shader {
public:
    void bind(TContext*) override { glUseProgram(program); }
    void unbind(TContext*) override { }
};

// Client nodes: each draws a quad in immediate mode with whatever state is in
// force and leaves GL changed the way its `meddle` says.
class ClientNode : public Node {
public:
    explicit ClientNode(std::function<void()> m)
        : meddle(std::move(m))
    {
    }
    void traverse(TContext*) override
    {
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(0, 0);
        glVertex2f(0, 0);
        glTexCoord2f(1, 0);
        glVertex2f(12, 0);
        glTexCoord2f(0, 1);
        glVertex2f(0, 12);
        glTexCoord2f(1, 1);
        glVertex2f(12, 12);
        glEnd();
        meddle();
    }
    std::function<void()> meddle;
};

// A client's surface: the library's drawing, reached through a class of its
// own.
class ClientSurface : public kxParametric { };

// A client's surface whose traverse issues calls of its own before the
// library's drawing: tracked, its base traverse would leave out the colour
// and line width the previous surface set, and draw in the client's.
class PaintingSurface : public kxParametric {
public:
    void traverse(TContext* context) override
    {
        glColor4f(0.1f, 1.0f, 0.2f, 1.0f);
        glLineWidth(2.0f);
        kxParametric::traverse(context);
    }
};

// A client node whose traverse gives its node another texture and no
// shader, releasing the last references to the ones it had.
class ReleasingNode : public Node {
public:
    explicit ReleasingNode(Texture* next)
        : replacement(next)
    {
    }
    void traverse(TContext*) override
    {
        addTexture(replacement, 0);
        setShader(nullptr);
    }
    Texture* replacement;
};

// What the plain side needs to draw a library geometry as Geometry::traverse
// does: its buffers (read from the array bindings a draw leaves) and counts.
struct PlainGeometry {
    GLuint vertices = 0, normals = 0, texCoords = 0, indices = 0;
    GLenum mode = 0;
    GLsizei count = 0;
};

class StateElisionTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        for (int i = 0; i < 4; ++i) {
            // 4 × 4 texels, a different pattern and translucency each.
            std::vector<uint8_t> texels(64);
            for (size_t k = 0; k < texels.size(); ++k)
                texels[k] = static_cast<uint8_t>(k % 4 == 3 ? 160 + 30 * i : (k * 29 + i * 71) & 0xff);
            Texture* t = i == 3 ? static_cast<Texture*>(new ClientTexture()) : new TextureStatic();
            t->setImage(4, 4, 0, ImageObject::RGBA32, texels.data());
            textures.emplace_back();
            textures.back() = t;
        }
        const vxtest::ScratchFolder folder("elision");
        const std::string path = folder.Write("tint.sh", kTintSource);
        tintA = MakeShader(new Shader(), path, kxVec3(1.0f, 0.6f, 0.3f));
        tintB = MakeShader(new Shader(), path, kxVec3(0.2f, 0.9f, 1.0f));
        sticky = MakeShader(new StickyShader(), path, kxVec3(0.5f, 0.5f, 1.0f));
        // A shader whose link fails: GL refuses to make it current.
        broken = new Shader();
        vxtest::CaptureOutput([&] {
            broken->SetVertexProgram(
                new VertexProgram(folder.Write("broken.sh", "void main() { oops }\n").c_str()));
        });
        // A shader made with no context current has no program object: its
        // bind and unbind issue nothing.
        vxtest::ReleaseCurrent();
        vxtest::CaptureOutput([&] { inert = new Shader(); });
        vxtest::ActivateShared();
        ASSERT_EQ(inert->program, 0u);
        shaders = { tintA, tintB, sticky, broken, inert };
        for (Shader* s : shaders)
            holdShaders.emplace_back() = s;
    }

    void TearDown() override
    {
        nodes.clear();
        GLTest::TearDown();
    }

    Shader* MakeShader(Shader* shader, const std::string& path, const kxVec3& tint)
    {
        shader->SetVertexProgram(new VertexProgram(path.c_str()));
        shader->SetFragmentProgram(new FragmentProgram(path.c_str()));
        shader->SetUniform("tint", tint);
        return shader;
    }

    // An image object at (x, y), turned by `angle`, showing texture `t` of
    // the pool (-1: none) through `shader` (may be null).
    ImageObject* Image(
        int t, Shader* shader, int x, int y, int angle, const kxVec4& colour = kxVec4(1, 1, 1, 1))
    {
        ImageObject* image = ImageObject::NewL(0, 0, 14, 10, false);
        image->Image(4, 4, ImageObject::RGBA32, std::vector<uint8_t>(64, 255).data());
        image->addTexture(t < 0 ? nullptr : textures[static_cast<size_t>(t)].get(), 0);
        image->setShader(shader);
        image->SetPosition(x, y, 0);
        image->SetRotation(angle);
        image->setColor(colour);
        Keep(image, { 0, 0, 0, 0, GL_TRIANGLE_STRIP, 4 }, false);
        return image;
    }

    // A small sine surface (the library's class or a client's subclass).
    kxParametric* Surface(kxParametric* surface, int t, Shader* shader, int x, int y)
    {
        surface->setRes(6, 5);
        surface->setStart(0, 0);
        surface->setStop(20, 16);
        surface->update(nullptr);
        surface->addTexture(t < 0 ? nullptr : textures[static_cast<size_t>(t)].get(), 0);
        surface->setShader(shader);
        surface->setTranslation(static_cast<float>(x), static_cast<float>(y), 0);
        surface->setRotation(20, 1, 1, 0);
        surface->setColor(kxVec4(0.9f, 0.8f, 1.0f, 0.85f));
        return static_cast<kxParametric*>(Keep(surface, { 0, 0, 0, 0, GL_TRIANGLES, 6 * 5 * 6 }, true));
    }

    ClientNode* Client(std::function<void()> meddle, int t, Shader* shader, int x, int y)
    {
        ClientNode* node = new ClientNode(std::move(meddle));
        node->addTexture(t < 0 ? nullptr : textures[static_cast<size_t>(t)].get(), 0);
        node->setShader(shader);
        node->setTranslation(static_cast<float>(x), static_cast<float>(y), 0);
        nodes.emplace_back(node);
        return node;
    }

    // Keeps `node` and notes its buffers: a scene of it alone is drawn once,
    // and the array bindings its draw left are read back.
    Node* Keep(Node* node, PlainGeometry drawn, bool normals)
    {
        nodes.emplace_back(node);
        CScene* alone = CScene::NewL();
        alone->addObject(node);
        alone->Render(&vxtest::SharedTarget());
        delete alone;
        drawn.vertices = static_cast<GLuint>(Integer(GL_VERTEX_ARRAY_BUFFER_BINDING));
        drawn.texCoords = static_cast<GLuint>(Integer(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING));
        if (normals) {
            drawn.normals = static_cast<GLuint>(Integer(GL_NORMAL_ARRAY_BUFFER_BINDING));
            drawn.indices = static_cast<GLuint>(Integer(GL_ELEMENT_ARRAY_BUFFER_BINDING));
        }
        geometry[node] = drawn;
        return node;
    }

    // The full per-child sequence, written out: what Render issued for every
    // child before it left out anything.
    void PlainRender(CScene& scene, TContext* context)
    {
        CRenderTarget& target = vxtest::SharedTarget();
        const int hw = target.width / 2, hh = target.height / 2;
        glViewport(0, 0, target.width, target.height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-hw, hw, -hh, hh, -1000, 1000);
        glTranslatef(static_cast<float>(-hw), static_cast<float>(hh), 0);
        glScalef(1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (unsigned int i = 0; i < scene.childCount(); ++i) {
            Node* node = scene.child(i);
            if (!node->visible)
                break;
            Shader* s = node->getShader();
            Texture* t = node->getTexture();
            if (s) {
                if (dynamic_cast<StickyShader*>(s))
                    s->bind(context);
                else if (s->program)
                    glUseProgram(s->program);
            }
            if (t) {
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
                if (dynamic_cast<ClientTexture*>(t)) {
                    t->bind();
                } else {
                    glBindTexture(GL_TEXTURE_2D, t->texture);
                    glEnable(GL_TEXTURE_2D);
                }
            }
            glPushMatrix();
            const kxVec3 p = node->getTranslation();
            const kxVec4 r = node->getRotation();
            const kxVec3 k = node->getScale();
            glTranslatef(p.x, p.y, p.z);
            glRotatef(r.x, r.y, r.z, r.w);
            glScalef(k.x, k.y, k.z);
            const auto g = geometry.find(node);
            if (g != geometry.end())
                PlainDraw(*node, g->second);
            else
                node->traverse(context);
            glPopMatrix();
            if (t) {
                if (dynamic_cast<ClientTexture*>(t))
                    t->unbind();
                else
                    glDisable(GL_TEXTURE_2D);
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            }
            if (s) {
                if (dynamic_cast<StickyShader*>(s))
                    s->unbind(context);
                else if (s->program)
                    glUseProgram(0);
            }
        }
    }

    // Geometry::traverse, written out.
    static void PlainDraw(Node& node, const PlainGeometry& g)
    {
        const kxVec4& c = node.getColor();
        glLineWidth(1.0f);
        glColor4f(c.x, c.y, c.z, c.w);
        glBindBuffer(GL_ARRAY_BUFFER, g.vertices);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        if (g.normals) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glBindBuffer(GL_ARRAY_BUFFER, g.normals);
            glNormalPointer(GL_FLOAT, 0, nullptr);
        } else {
            glDisableClientState(GL_NORMAL_ARRAY);
        }
        glBindBuffer(GL_ARRAY_BUFFER, g.texCoords);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
        if (g.indices) {
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, g.indices);
            glDrawElements(g.mode, g.count, GL_UNSIGNED_SHORT, nullptr);
        } else {
            glDrawArrays(g.mode, 0, g.count);
        }
    }

    // What a caller may leave between renders: nothing the scene may assume.
    void CallerState(bool dirty)
    {
        glUseProgram(dirty ? tintB->program : 0);
        glBindTexture(GL_TEXTURE_2D, dirty ? textures[1].get()->texture : 0);
        if (dirty) {
            glEnable(GL_TEXTURE_2D);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        } else {
            glDisable(GL_TEXTURE_2D);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glLineWidth(dirty ? 3.0f : 1.0f);
        glColor4f(dirty ? 0.25f : 1.0f, 1.0f, 1.0f, 1.0f);
    }

    // Draws `children` with the library (elision on, and the full sequence
    // through the switch) and with the plain full sequence, from a clean and
    // from a cluttered caller state, and compares pixels and state.
    void ExpectSameAsFullSequence(const std::vector<Node*>& children)
    {
        CScene* scene = CScene::NewL();
        CScene* full = vxtest::NewScene<CScene>(true);
        for (Node* child : children) {
            scene->addObject(child);
            full->addObject(child);
        }
        CRenderTarget& target = vxtest::SharedTarget();
        for (bool dirty : { false, true }) {
            SCOPED_TRACE(dirty ? "cluttered caller state" : "clean caller state");
            CallerState(dirty);
            scene->Render(&target);
            const std::vector<uint8_t> library = vxtest::ReadPixels(target);
            const std::string libraryState = StateAfter::Read().Text();

            CallerState(dirty);
            full->Render(&target);
            const std::vector<uint8_t> switched = vxtest::ReadPixels(target);
            const std::string switchedState = StateAfter::Read().Text();

            CallerState(dirty);
            TContext context = *scene->getContext();
            PlainRender(*scene, &context);
            const std::vector<uint8_t> plain = vxtest::ReadPixels(target);
            const std::string plainState = StateAfter::Read().Text();

            size_t drawn = 0;
            for (size_t i = 0; i < plain.size(); i += 4)
                drawn += plain[i] || plain[i + 1] || plain[i + 2];
            EXPECT_GT(drawn, 200u) << "the scene should cover part of the target";
            EXPECT_TRUE(library == plain) << "the library's pixels differ from the full sequence's";
            EXPECT_EQ(libraryState, plainState);
            EXPECT_TRUE(switched == plain) << "with VARNOX_NO_STATE_ELISION=1 the pixels differ";
            EXPECT_EQ(switchedState, plainState);
        }
        CallerState(false);
        delete full;
        delete scene;
    }

    std::vector<kxReference<Texture>> textures;
    std::vector<kxReference<Shader>> holdShaders;
    std::vector<Shader*> shaders;
    Shader* tintA = nullptr;
    Shader* tintB = nullptr;
    Shader* sticky = nullptr;
    Shader* broken = nullptr;
    Shader* inert = nullptr;
    std::vector<std::unique_ptr<Node>> nodes;
    std::map<Node*, PlainGeometry> geometry;
};

TEST_F(StateElisionTest, TextureRunsAlternationAndUntexturedNodesMatchTheFullSequence)
{
    // Runs of one texture, alternating textures, untextured nodes between
    // textured ones, a duplicate, and a hidden child that ends the loop.
    std::vector<Node*> children;
    const int pattern[] = { 0, 0, 0, 1, 1, -1, 1, 0, 2, 0, 2, -1, -1, 2, 2 };
    int i = 0;
    for (int t : pattern) {
        children.push_back(Image(t, nullptr, 3 + (i * 7) % 50, 2 + (i * 11) % 50, i * 23,
            kxVec4(1.0f, 1.0f - 0.05f * i, 1.0f, t < 0 ? 0.7f : 1.0f)));
        ++i;
    }
    children.push_back(children[3]);
    children.push_back(Surface(new kxParametric(), 1, nullptr, 30, 30));
    Node* hidden = Image(0, nullptr, 40, 40, 0);
    hidden->visible = false;
    children.push_back(hidden);
    children.push_back(Image(1, nullptr, 1, 1, 0));
    ExpectSameAsFullSequence(children);
}

TEST_F(StateElisionTest, ShaderRunsMixedWithUnshadedNodesMatchTheFullSequence)
{
    // Runs of two shaders between unshaded nodes, untextured shaded nodes (the
    // shader samples whatever texture is bound), a shader GL refuses (from a
    // cluttered start, the caller's program stays in use for it), a shader
    // without a program object, and surfaces.
    std::vector<Node*> children;
    children.push_back(Image(0, inert, 40, 2, 0));
    children.push_back(Image(0, broken, 30, 2, 0));
    Shader* const runs[]
        = { tintA, tintA, nullptr, tintB, tintB, tintB, nullptr, tintA, broken, broken, tintB, inert, inert };
    const int texturesOf[] = { 0, 0, 0, 1, -1, 1, 2, -1, 0, 1, 2, 1, 0 };
    for (int i = 0; i < 13; ++i)
        children.push_back(Image(texturesOf[i], runs[i], 2 + (i * 9) % 48, 3 + (i * 13) % 48, 15 * i));
    children.push_back(Surface(new kxParametric(), 0, tintA, 20, 36));
    children.push_back(Surface(new kxParametric(), -1, tintA, 36, 20));
    children.push_back(Image(0, tintB, 24, 24, 30));
    ExpectSameAsFullSequence(children);
}

TEST_F(StateElisionTest, ClientNodesTexturesAndShadersThatChangeStateMatchTheFullSequence)
{
    // Client code inside a traverse, a bind or an unbind changes the texture
    // binding, the program, texturing, the arrays, the colour and the line
    // width: after it the scene may assume nothing.
    const GLuint other = textures[2].get()->texture;
    const GLuint otherProgram = tintB->program;
    std::vector<Node*> children;
    children.push_back(Image(0, nullptr, 2, 2, 0));
    children.push_back(Client([=] { glBindTexture(GL_TEXTURE_2D, other); }, 0, nullptr, 10, 4));
    children.push_back(Image(0, nullptr, 18, 6, 10));
    children.push_back(Image(0, tintA, 26, 8, 20));
    children.push_back(Client([=] { glUseProgram(otherProgram); }, 0, tintA, 34, 10));
    children.push_back(Image(0, tintA, 42, 12, 30));
    children.push_back(Client(
        [] {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glEnable(GL_TEXTURE_2D);
            glColor4f(0.2f, 1.0f, 0.4f, 1.0f);
            glLineWidth(4.0f);
        },
        -1, nullptr, 4, 20));
    children.push_back(Image(-1, nullptr, 12, 22, 0));
    children.push_back(Image(1, nullptr, 20, 24, 5));
    children.push_back(Client(
        [=] {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glBindTexture(GL_TEXTURE_2D, other);
            glUseProgram(0);
        },
        1, tintB, 28, 26));
    children.push_back(Image(1, tintB, 36, 28, 45));
    // A client's texture class (its unbind leaves no texture bound) between
    // library textures, and a shader whose unbind leaves its program current.
    children.push_back(Image(3, nullptr, 44, 30, 0));
    children.push_back(Image(0, nullptr, 4, 38, 0));
    children.push_back(Image(3, tintA, 12, 40, 60));
    children.push_back(Image(0, sticky, 20, 42, 0));
    children.push_back(Image(0, nullptr, 28, 44, 0));
    children.push_back(Image(-1, sticky, 36, 46, 0));
    children.push_back(Surface(new ClientSurface(), 0, nullptr, 40, 40));
    children.push_back(Image(0, nullptr, 46, 48, 15));
    ExpectSameAsFullSequence(children);
}

TEST_F(StateElisionTest, ClientSurfacesWithAndWithoutATraverseOfTheirOwnMatchTheFullSequence)
{
    // The same colour on every surface: what differs is who issued it.
    std::vector<Node*> children;
    children.push_back(Surface(new kxParametric(), 0, nullptr, 4, 4));
    children.push_back(Surface(new ClientSurface(), 0, nullptr, 30, 4));
    children.push_back(Surface(new PaintingSurface(), 0, nullptr, 4, 30));
    children.push_back(Surface(new ClientSurface(), 1, tintA, 30, 30));
    children.push_back(Surface(new PaintingSurface(), 1, tintA, 40, 40));
    for (Node* child : children)
        geometry.erase(child); // the plain side calls each one's traverse
    ExpectSameAsFullSequence(children);
}

// A child may release its own texture and shader while it is drawn: the
// scene holds them until their unbind, on both paths, and nothing is
// assumed of the names GL then frees.
TEST_F(StateElisionTest, ChildThatReleasesItsTextureAndShaderWhileDrawnLeavesConsistentState)
{
    for (bool fullSequence : { false, true }) {
        SCOPED_TRACE(fullSequence ? "full sequence" : "elision");
        std::unique_ptr<CScene> scene(vxtest::NewScene<CScene>(fullSequence));

        TextureStatic* own = new TextureStatic();
        own->setImage(4, 4, 0, ImageObject::RGBA32, std::vector<uint8_t>(64, 200).data());
        const GLuint ownName = own->texture;
        const vxtest::ScratchFolder folder("releasing");
        Shader* ownShader = MakeShader(new Shader(), folder.Write("tint.sh", kTintSource), kxVec3(1, 1, 1));
        const GLuint ownProgram = ownShader->program;
        ReleasingNode releasing(textures[1].get());
        releasing.addTexture(own, 0);
        releasing.setShader(ownShader);
        scene->addObject(&releasing);
        // A library image with the shared texture after it: bound anew.
        scene->addObject(Image(1, nullptr, 20, 20, 0));

        scene->Render(&vxtest::SharedTarget());
        EXPECT_EQ(releasing.getTexture(), textures[1].get());
        EXPECT_EQ(releasing.getShader(), nullptr);
        EXPECT_FALSE(glIsTexture(ownName));
        EXPECT_FALSE(glIsProgram(ownProgram));
        EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), 0);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
        EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(textures[1].get()->texture));
        nodes.clear();
        geometry.clear();
    }
}

// The tracker itself: it leaves out a call only where it set the value
// itself, and after foreign code it issues everything again.
TEST_F(StateElisionTest, TrackerLeavesOutOnlyCallsThatSetWhatItSetItself)
{
    const GLuint a = textures[0].get()->texture;
    const GLuint b = textures[1].get()->texture;
    glBindTexture(GL_TEXTURE_2D, b);
    glLineWidth(3.0f);
    {
        varnox::RenderState state(true);
        // Unknown at first: issued even though GL holds another value.
        state.WantTexture(a);
        state.Flush();
        EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(a));
        state.LineWidth(1.0f);
        // Changed behind the tracker's back: the same value again is left out.
        glBindTexture(GL_TEXTURE_2D, b);
        glLineWidth(3.0f);
        state.WantTexture(a);
        state.Flush();
        state.LineWidth(1.0f);
        EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(b));
        GLfloat width = 0;
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(width, 3.0f);
        // After foreign code nothing is assumed.
        state.ForeignDone();
        state.WantTexture(a);
        state.Flush();
        state.LineWidth(1.0f);
        EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(a));
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(width, 1.0f);
        // A program GL may refuse is never assumed current: it is asked for
        // again (and refused again, which sets GL's error flag).
        while (glGetError() != GL_NO_ERROR)
            ;
        state.WantProgram(broken->program, false);
        state.Flush();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
        state.WantProgram(broken->program, false);
        state.Flush();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_OPERATION));
        // Before such a program, the one wanted until then is put in use, as
        // the full sequence had it when GL refused.
        glUseProgram(tintA->program);
        state.WantProgram(0, true);
        state.WantProgram(broken->program, false);
        state.Flush();
        EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), 0);
        while (glGetError() != GL_NO_ERROR)
            ;
    }
    {
        // Without tracking every call is issued.
        varnox::RenderState state(false);
        state.LineWidth(1.0f);
        glLineWidth(3.0f);
        state.LineWidth(1.0f);
        GLfloat width = 0;
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(width, 1.0f);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

} // namespace
