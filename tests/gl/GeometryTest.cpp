#include <algorithm>
#include <memory>

#include "gl/GLTest.h"
#include "gl/SceneProbes.h"

namespace {

using vxtest::BufferContents;
using vxtest::BufferSize;
using vxtest::GeometryProbe;
using vxtest::HeapArray;
using vxtest::ValuesOf;

// Geometry: its buffer objects, copies and drawing.
class GeometryTest : public vxtest::GLTest { };

GLint Usage(GLenum target, GLuint buffer)
{
    GLint usage = 0;
    glBindBuffer(target, buffer);
    glGetBufferParameteriv(target, GL_BUFFER_USAGE, &usage);
    return usage;
}

TEST_F(GeometryTest, SettersUploadTheirArraysWithTheirSizesAndUsage)
{
    GeometryProbe g;
    const std::vector<float> positions = { 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0 };
    g.setVertices(HeapArray(positions), 4);
    g.setTexCoords(HeapArray<float>({ 0, 0, 1, 0, 0, 1, 1, 1 }));
    g.setNormals(HeapArray<float>(std::vector<float>(12, 0.5f)));
    g.setColors(HeapArray<float>(std::vector<float>(16, 0.25f)));
    g.setIndices(HeapArray<unsigned short>({ 0, 1, 2, 2, 1, 3 }), 6);

    EXPECT_EQ(g.componentCount, 3);
    EXPECT_EQ(g.vertexCount, 4);
    EXPECT_EQ(g.indexCount, 6);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, g.vertexBuffer), 48);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, g.texCoordBuffer), 32);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, g.normalBuffer), 48);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, g.colorBuffer), 64);
    EXPECT_EQ(BufferSize(GL_ELEMENT_ARRAY_BUFFER, g.indexBuffer), 12);
    EXPECT_EQ(Usage(GL_ARRAY_BUFFER, g.vertexBuffer), GL_DYNAMIC_DRAW);
    EXPECT_EQ(Usage(GL_ARRAY_BUFFER, g.normalBuffer), GL_DYNAMIC_DRAW);
    EXPECT_EQ(Usage(GL_ELEMENT_ARRAY_BUFFER, g.indexBuffer), GL_STATIC_DRAW);

    EXPECT_EQ(ValuesOf<float>(BufferContents(GL_ARRAY_BUFFER, g.vertexBuffer)), positions);
    EXPECT_EQ(ValuesOf<unsigned short>(BufferContents(GL_ELEMENT_ARRAY_BUFFER, g.indexBuffer)),
        (std::vector<unsigned short> { 0, 1, 2, 2, 1, 3 }));
    EXPECT_EQ(ValuesOf<float>(BufferContents(GL_ARRAY_BUFFER, g.colorBuffer)), std::vector<float>(16, 0.25f));
    // Five distinct buffers.
    const GLuint names[] = { g.vertexBuffer, g.texCoordBuffer, g.normalBuffer, g.colorBuffer, g.indexBuffer };
    for (int i = 0; i < 5; ++i)
        for (int j = i + 1; j < 5; ++j)
            EXPECT_NE(names[i], names[j]);
}

TEST_F(GeometryTest, NormalsBeforeVerticesMakeAnEmptyBuffer)
{
    GeometryProbe g;
    g.setNormals(nullptr);
    EXPECT_TRUE(glIsBuffer(g.normalBuffer));
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, g.normalBuffer), 0);
}

TEST_F(GeometryTest, LaterUploadsReuseTheBufferAndReplaceItsStorage)
{
    GeometryProbe g;
    g.setVertices(HeapArray<float>(std::vector<float>(12, 1.0f)), 4);
    const GLuint name = g.vertexBuffer;
    g.setVertices(HeapArray<float>(std::vector<float>(30, 2.0f)), 10);
    EXPECT_EQ(g.vertexBuffer, name);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, name), 120);
    EXPECT_EQ(ValuesOf<float>(BufferContents(GL_ARRAY_BUFFER, name)), std::vector<float>(30, 2.0f));
    // Null data: storage of the new size, contents undefined.
    g.setVertices(nullptr, 2);
    EXPECT_EQ(g.vertexBuffer, name);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, name), 24);
}

TEST_F(GeometryTest, MappingWritesStraightIntoTheBuffers)
{
    GeometryProbe g;
    EXPECT_EQ(g.mapVertices(), nullptr); // no buffer yet
    g.unmapVertices();
    g.setVertices(nullptr, 2);
    g.setNormals(nullptr);
    g.setTexCoords(nullptr);
    float* v = g.mapVertices();
    ASSERT_NE(v, nullptr);
    for (int i = 0; i < 6; ++i)
        v[i] = static_cast<float>(i);
    g.unmapVertices();
    float* n = g.mapNormals();
    ASSERT_NE(n, nullptr);
    std::fill(n, n + 6, 7.0f);
    g.unmapNormals();
    float* t = g.mapTexCoords();
    ASSERT_NE(t, nullptr);
    std::fill(t, t + 4, 0.5f);
    g.unmapTexCoords();
    EXPECT_EQ(ValuesOf<float>(BufferContents(GL_ARRAY_BUFFER, g.vertexBuffer)),
        (std::vector<float> { 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ(ValuesOf<float>(BufferContents(GL_ARRAY_BUFFER, g.normalBuffer)), std::vector<float>(6, 7.0f));
    EXPECT_EQ(
        ValuesOf<float>(BufferContents(GL_ARRAY_BUFFER, g.texCoordBuffer)), std::vector<float>(4, 0.5f));
}

TEST_F(GeometryTest, CopyHoldsNewBuffersForExactlyTheSourcesArrays)
{
    GeometryProbe source;
    source.primitiveMode = GL_TRIANGLE_STRIP;
    source.lineWidth = 3.0f;
    source.setColor(kxVec4(0.5f, 0.25f, 1.0f, 1.0f));
    source.setVertices(HeapArray<float>({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 }), 4);
    source.setTexCoords(HeapArray<float>({ 0, 0, 1, 0, 0, 1, 1, 1 }));

    GeometryProbe copy(source);
    EXPECT_NE(copy.vertexBuffer, 0u);
    EXPECT_NE(copy.vertexBuffer, source.vertexBuffer);
    EXPECT_NE(copy.texCoordBuffer, 0u);
    EXPECT_NE(copy.texCoordBuffer, source.texCoordBuffer);
    EXPECT_EQ(copy.normalBuffer, 0u);
    EXPECT_EQ(copy.colorBuffer, 0u);
    EXPECT_EQ(copy.indexBuffer, 0u);
    EXPECT_EQ(BufferContents(GL_ARRAY_BUFFER, copy.vertexBuffer),
        BufferContents(GL_ARRAY_BUFFER, source.vertexBuffer));
    EXPECT_EQ(BufferContents(GL_ARRAY_BUFFER, copy.texCoordBuffer),
        BufferContents(GL_ARRAY_BUFFER, source.texCoordBuffer));
    EXPECT_EQ(copy.vertexCount, 4);
    EXPECT_EQ(copy.primitiveMode, static_cast<unsigned>(GL_TRIANGLE_STRIP));
    EXPECT_EQ(copy.lineWidth, 3.0f);
    EXPECT_EQ(copy.getColor().y, 0.25f);
}

TEST_F(GeometryTest, CopyOfAllFiveArraysMatchesAndDrawsTheSamePixels)
{
    COffScreen* target = COffScreen::NewL(40, 30);
    CScene* scene = CScene::NewL();
    std::unique_ptr<GeometryProbe> source(vxtest::MakeRectangle(5, 5, 25, 20, kxVec4(1, 1, 1, 1)));
    source->primitiveMode = GL_TRIANGLES;
    source->setNormals(HeapArray<float>(std::vector<float>(12, 0.0f)));
    source->setTexCoords(HeapArray<float>(std::vector<float>(8, 0.0f)));
    source->setColors(HeapArray<float>({ 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1 }));
    source->setIndices(HeapArray<unsigned short>({ 0, 1, 2 }), 3); // one triangle of the rectangle

    scene->addObject(source.get());
    scene->Render(target);
    const std::vector<uint8_t> expected = vxtest::ReadPixels(*target);

    GeometryProbe copy(*source);
    for (GLuint GeometryProbe::*buffer : { &GeometryProbe::vertexBuffer, &GeometryProbe::normalBuffer,
             &GeometryProbe::colorBuffer, &GeometryProbe::texCoordBuffer }) {
        EXPECT_NE(copy.*buffer, source.get()->*buffer);
        EXPECT_EQ(BufferContents(GL_ARRAY_BUFFER, copy.*buffer),
            BufferContents(GL_ARRAY_BUFFER, source.get()->*buffer));
    }
    EXPECT_EQ(BufferContents(GL_ELEMENT_ARRAY_BUFFER, copy.indexBuffer),
        BufferContents(GL_ELEMENT_ARRAY_BUFFER, source->indexBuffer));
    EXPECT_EQ(copy.indexCount, 3);

    scene->removeObject(source.get());
    scene->addObject(&copy);
    scene->Render(target);
    const std::vector<uint8_t> drawn = vxtest::ReadPixels(*target);
    EXPECT_EQ(drawn, expected);
    // Something was drawn: the triangle is red (per-vertex colours), not white.
    const size_t redPixels = [&] {
        size_t n = 0;
        for (size_t i = 0; i < drawn.size(); i += 4)
            n += drawn[i + 2] == 255 && drawn[i + 1] == 0;
        return n;
    }();
    EXPECT_GT(redPixels, 100u);
    delete scene;
    delete target;
}

TEST_F(GeometryTest, CopyNeverReadsPastASourceBufferSizedByAnOlderCount)
{
    GeometryProbe source;
    source.setVertices(HeapArray<float>(std::vector<float>(12, 1.0f)), 4);
    source.setNormals(HeapArray<float>(std::vector<float>(12, 3.0f))); // 4 normals
    source.setVertices(HeapArray<float>(std::vector<float>(24, 1.0f)), 8);

    // What lies past the 4 normals the library uploaded is not its data: a
    // driver may give back zeros there or anything else. Here the buffer's
    // storage is respecified behind the library's back with a marker past
    // those 4 normals, so that a copy reading past them is seen.
    const float kMarker = -777.0f;
    std::vector<float> stale(24, kMarker);
    std::fill(stale.begin(), stale.begin() + 12, 3.0f);
    glBindBuffer(GL_ARRAY_BUFFER, source.normalBuffer);
    glBufferData(GL_ARRAY_BUFFER, 96, stale.data(), GL_DYNAMIC_DRAW);
    ASSERT_EQ(vxtest::BufferValues<float>(GL_ARRAY_BUFFER, source.normalBuffer), stale);

    GeometryProbe copy(source);
    std::vector<float> normals = ValuesOf<float>(BufferContents(GL_ARRAY_BUFFER, copy.normalBuffer));
    ASSERT_EQ(normals.size(), 24u);
    EXPECT_EQ(std::vector<float>(normals.begin(), normals.begin() + 12), std::vector<float>(12, 3.0f));
    EXPECT_EQ(std::vector<float>(normals.begin() + 12, normals.end()), std::vector<float>(12, 0.0f));
    EXPECT_EQ(std::count(normals.begin(), normals.end(), kMarker), 0);
}

TEST_F(GeometryTest, DestroyingDeletesEveryBuffer)
{
    GLuint names[5];
    {
        GeometryProbe g;
        g.setVertices(nullptr, 3);
        g.setNormals(nullptr);
        g.setColors(nullptr);
        g.setTexCoords(nullptr);
        g.setIndices(nullptr, 3);
        const GLuint made[5]
            = { g.vertexBuffer, g.normalBuffer, g.colorBuffer, g.texCoordBuffer, g.indexBuffer };
        std::copy(made, made + 5, names);
        for (GLuint name : names)
            ASSERT_TRUE(glIsBuffer(name));
    }
    for (GLuint name : names)
        EXPECT_FALSE(glIsBuffer(name));
    GeometryProbe empty; // never received data: destroying it is harmless
}

TEST_F(GeometryTest, DrawCallFollowsTheIndexBuffer)
{
    COffScreen* target = COffScreen::NewL(20, 20);
    CScene* scene = CScene::NewL();
    std::unique_ptr<GeometryProbe> g(vxtest::MakeRectangle(0, 0, 20, 20, kxVec4(1, 1, 1, 1)));
    g->primitiveMode = GL_TRIANGLES;
    scene->addObject(g.get());
    auto litPixels = [&] {
        scene->Render(target);
        const std::vector<uint8_t> p = vxtest::ReadPixels(*target);
        size_t n = 0;
        for (size_t i = 0; i < p.size(); i += 4)
            n += p[i] > 128;
        return n;
    };
    // Four vertices, no indices: glDrawArrays of GL_TRIANGLES draws the first triangle.
    const size_t arrays = litPixels();
    EXPECT_GT(arrays, 150u);
    EXPECT_LT(arrays, 250u);
    // Indices naming both halves: the whole square.
    g->setIndices(HeapArray<unsigned short>({ 0, 1, 2, 2, 1, 3 }), 6);
    EXPECT_EQ(litPixels(), 400u);
    // An empty index list draws nothing, vertices notwithstanding.
    g->setIndices(nullptr, 0);
    EXPECT_EQ(litPixels(), 0u);
    delete scene;
    delete target;
}

TEST_F(GeometryTest, TraverseLeavesNormalsOnAndSwitchesMissingArraysOff)
{
    GeometryProbe withNormals;
    withNormals.setVertices(HeapArray<float>(std::vector<float>(9, 0.0f)), 3);
    withNormals.setNormals(HeapArray<float>(std::vector<float>(9, 0.0f)));
    withNormals.setTexCoords(HeapArray<float>(std::vector<float>(6, 0.0f)));
    withNormals.setColors(HeapArray<float>(std::vector<float>(12, 0.0f)));
    GeometryProbe bare;
    bare.setVertices(HeapArray<float>(std::vector<float>(9, 0.0f)), 3);

    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    withNormals.traverse(nullptr);
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY)); // only for its own draw
    GLint pointerBuffer = 0;
    glGetIntegerv(GL_NORMAL_ARRAY_BUFFER_BINDING, &pointerBuffer);
    EXPECT_EQ(static_cast<GLuint>(pointerBuffer), withNormals.normalBuffer);

    bare.traverse(nullptr);
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_EQ(current[0], 1.0f);
}

TEST_F(GeometryTest, ColourAlphaWrittenInPlaceIsDrawnWith)
{
    COffScreen* target = COffScreen::NewL(16, 16);
    CScene* scene = CScene::NewL();
    std::unique_ptr<GeometryProbe> g(vxtest::MakeRectangle(0, 0, 16, 16, kxVec4(1, 1, 1, 1)));
    scene->addObject(g.get());
    g->getColor().w = 0.5f; // blended over black
    scene->Render(target);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    EXPECT_NEAR(pixels[0], 128, 1);
    EXPECT_NEAR(pixels[2], 128, 1);
    delete scene;
    delete target;
}

} // namespace
