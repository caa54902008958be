// A whole scene torn down in the documented order leaves no GL object behind:
// every buffer, texture, shader and program name that building it made is
// gone afterwards. Names are found by asking GL about every name in a range
// (glIsBuffer, glIsTexture, glIsShader, glIsProgram), so objects the library
// made but does not keep in a field are found too.
#include <cstdint>
#include <set>
#include <vector>

#include "gl/GLTest.h"
#include "gl/SceneProbes.h"
#include "support/ScratchFolder.h"

namespace {

// Every name of each kind that GL holds, up to a bound far above what one
// process of these tests makes.
struct LiveNames {
    std::set<GLuint> buffers, textures, shaders, programs;
};

constexpr GLuint kHighestName = 8192;

LiveNames Live()
{
    LiveNames live;
    for (GLuint name = 1; name <= kHighestName; ++name) {
        if (glIsBuffer(name))
            live.buffers.insert(name);
        if (glIsTexture(name))
            live.textures.insert(name);
        if (glIsShader(name))
            live.shaders.insert(name);
        if (glIsProgram(name))
            live.programs.insert(name);
    }
    return live;
}

// How many names of each kind `after` holds that `before` did not.
struct Counts {
    size_t buffers, textures, shaders, programs;
};

size_t Added(const std::set<GLuint>& before, const std::set<GLuint>& after)
{
    size_t n = 0;
    for (GLuint name : after)
        n += before.count(name) == 0;
    return n;
}

Counts AddedNames(const LiveNames& before, const LiveNames& after)
{
    return { Added(before.buffers, after.buffers), Added(before.textures, after.textures),
        Added(before.shaders, after.shaders), Added(before.programs, after.programs) };
}

// Both stages in one file, told apart by the stage define, as the library
// loads them.
const char* const kShaderSource = R"(
uniform float mTime;
#ifdef VERTEX_SHADER
void main()
{
    gl_FrontColor = gl_Color;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
}
#endif
#ifdef FRAGMENT_SHADER
uniform sampler2D mImage;
void main()
{
    gl_FragColor = texture2D(mImage, gl_TexCoord[0].xy) * gl_Color + vec4(mTime * 0.0);
}
#endif
)";

// One I420 or I422 frame of a single colour.
std::vector<uint8_t> Frame(int width, int height, bool is420, uint8_t y, uint8_t u, uint8_t v)
{
    const size_t luma = static_cast<size_t>(width) * height;
    const size_t chroma = static_cast<size_t>((width + 1) / 2) * (is420 ? (height + 1) / 2 : height);
    std::vector<uint8_t> frame(luma + 2 * chroma, y);
    std::fill(frame.begin() + luma, frame.begin() + luma + chroma, u);
    std::fill(frame.begin() + luma + chroma, frame.end(), v);
    return frame;
}

class Teardown : public vxtest::GLTest { };

TEST_F(Teardown, WholeSceneLeavesNoGLObject)
{
    const LiveNames before = Live();
    vxtest::ScratchFolder folder("teardown");
    const std::string source = folder.Write("teardown.sh", kShaderSource);

    // A surface with a shader and a texture.
    kxParametric* surface = new kxParametric();
    surface->update(nullptr);
    Shader* shader = new Shader();
    shader->SetVertexProgram(new VertexProgram(source.c_str()));
    shader->SetFragmentProgram(new FragmentProgram(source.c_str()));
    shader->SetUniform("mTime", 1.0f);
    surface->setShader(shader);
    TextureStatic* texture = new TextureStatic();
    std::vector<uint8_t> rgb(64 * 32 * 3, 200);
    texture->setImage(64, 32, 0, ImageObject::RGB24, rgb.data());
    surface->addTexture(texture, 0);

    // A streaming image object given YUV frames (a second size and the other
    // chroma layout configure its converter again), and a copy sharing its
    // texture that converts frames of its own.
    ImageObject* image = ImageObject::NewL(ImageObject::fitToTarget, true);
    const std::vector<uint8_t> first = Frame(32, 24, true, 81, 90, 240);
    const std::vector<uint8_t> second = Frame(20, 10, false, 145, 54, 34);
    image->Image(32, 24, ImageObject::YUV420, first.data());
    image->Image(32, 24, ImageObject::YUV420, first.data());
    image->Image(20, 10, ImageObject::YUV422, second.data());
    ImageObject* copy = ImageObject::NewL(*image);
    copy->Image(32, 24, ImageObject::YUV420, first.data());

    CScene* scene = CScene::NewL();
    scene->addObject(surface);
    scene->addObject(image);
    scene->addObject(copy);
    scene->Render(&vxtest::SharedTarget());
    glFinish();

    // What building made: the surface's index, position, normal and
    // texture-coordinate buffers, two buffers for each image object, the
    // surface's texture and the one the image objects share, the two stages
    // and the program.
    const Counts made = AddedNames(before, Live());
    EXPECT_EQ(made.buffers, 8u);
    EXPECT_EQ(made.textures, 2u);
    EXPECT_EQ(made.shaders, 2u);
    EXPECT_EQ(made.programs, 1u);

    // Nodes first, then the scene, while the context is current.
    delete copy;
    delete image;
    delete surface;
    delete scene;

    const LiveNames after = Live();
    EXPECT_EQ(after.buffers, before.buffers);
    EXPECT_EQ(after.textures, before.textures);
    EXPECT_EQ(after.shaders, before.shaders);
    EXPECT_EQ(after.programs, before.programs);
}

TEST_F(Teardown, SharedTextureLivesUntilTheLastCopyGoes)
{
    const LiveNames before = Live();
    COffScreen& target = vxtest::SharedTarget();
    ImageObject* image = ImageObject::NewL(ImageObject::fitToTarget, true);
    // Limited-range BT.601: Y 81, U 90, V 240 is pure red.
    const std::vector<uint8_t> red = Frame(16, 16, true, 81, 90, 240);
    image->Image(16, 16, ImageObject::YUV420, red.data());
    ImageObject* copy = ImageObject::NewL(*image);
    const GLuint shared = image->getTexture()->texture;
    ASSERT_NE(shared, 0u);
    EXPECT_EQ(copy->getTexture()->texture, shared);

    // The source goes first: its buffers go, the texture stays for the copy,
    // which still shows the frame.
    delete image;
    EXPECT_TRUE(glIsTexture(shared));
    CScene* scene = CScene::NewL();
    scene->addObject(copy);
    scene->Render(&target);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(target);
    const size_t centre = (static_cast<size_t>(target.height / 2) * target.width + target.width / 2) * 4;
    EXPECT_LE(pixels[centre + 0], 8); // blue
    EXPECT_LE(pixels[centre + 1], 8); // green
    EXPECT_GE(pixels[centre + 2], 247); // red

    delete copy;
    delete scene;
    EXPECT_FALSE(glIsTexture(shared));
    const LiveNames after = Live();
    EXPECT_EQ(after.buffers, before.buffers);
    EXPECT_EQ(after.textures, before.textures);
}

// Geometries drawing from one set of buffers: the buffers live until the
// last holder goes, whichever goes first, and a holder that writes gets
// copies of its own.
TEST_F(Teardown, SharedBuffersLiveUntilTheLastHolderGoes)
{
    const LiveNames before = Live();
    const std::vector<float> square = { 0, 0, 0, 8, 0, 0, 0, 8, 0, 8, 8, 0 };
    vxtest::GeometryProbe* source = vxtest::MakeRectangle(0, 0, 8, 8, kxVec4(1, 0, 0, 1));
    source->setIndices(vxtest::HeapArray<unsigned short>({ 0, 1, 2, 3 }), 4);
    std::vector<vxtest::GeometryProbe*> holders;
    for (int i = 0; i < 3; ++i) {
        holders.push_back(new vxtest::GeometryProbe());
        holders.back()->primitiveMode = GL_TRIANGLE_STRIP;
        holders.back()->setColor(kxVec4(0, 1, 0, 1));
        holders.back()->shareBuffers(*source);
    }
    const GLuint vertices = source->vertexBuffer, indices = source->indexBuffer;
    EXPECT_EQ(holders[2]->vertexBuffer, vertices);
    EXPECT_EQ(holders[2]->indexCount, 4);

    // The source goes first; the others still draw from its buffers.
    delete source;
    EXPECT_TRUE(glIsBuffer(vertices));
    CScene* scene = CScene::NewL();
    scene->addObject(holders[0]);
    scene->Render(&vxtest::SharedTarget());
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(vxtest::SharedTarget());
    const size_t inside = (static_cast<size_t>(63 - 4) * 64 + 4) * 4;
    EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + inside, pixels.begin() + inside + 3),
        (std::vector<uint8_t> { 0, 255, 0 }));

    // A holder that writes gets buffers of its own, with the same contents
    // where it did not write; the others keep theirs.
    holders[1]->setTexCoords(vxtest::HeapArray<float>({ 0, 0, 1, 0, 0, 1, 1, 1 }));
    EXPECT_NE(holders[1]->vertexBuffer, vertices);
    EXPECT_NE(holders[1]->indexBuffer, indices);
    EXPECT_EQ(vxtest::BufferValues<float>(GL_ARRAY_BUFFER, holders[1]->vertexBuffer), square);
    EXPECT_EQ(holders[0]->vertexBuffer, vertices);
    EXPECT_EQ(holders[0]->texCoordBuffer, 0u);
    float* moved = holders[2]->mapVertices();
    ASSERT_NE(moved, nullptr);
    for (int i = 0; i < 12; ++i)
        moved[i] = square[static_cast<size_t>(i)] + 1;
    holders[2]->unmapVertices();
    EXPECT_EQ(vxtest::BufferValues<float>(GL_ARRAY_BUFFER, vertices), square);

    delete scene;
    for (vxtest::GeometryProbe* holder : holders)
        delete holder;
    EXPECT_FALSE(glIsBuffer(vertices));
    EXPECT_EQ(Live().buffers, before.buffers);
}

} // namespace
