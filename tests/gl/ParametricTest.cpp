#include <cmath>
#include <cstring>
#include <memory>

#include "gl/GLTest.h"
#include "gl/SceneProbes.h"

namespace {

using vxtest::BufferContents;
using vxtest::BufferSize;
using vxtest::BufferValues;

// Parametric surfaces: the mesh, its index lists and the subclass functions.
class ParametricTest : public vxtest::GLTest { };

// A surface whose buffers and fields can be read.
class SurfaceProbe : public kxParametric {
public:
    using kxParametric::getNormal;
    using kxParametric::getTexCoord;
    using kxParametric::getVertex;
    using kxParametric::indexBuffer;
    using kxParametric::indexCount;
    using kxParametric::normalBuffer;
    using kxParametric::primitiveMode;
    using kxParametric::resU;
    using kxParametric::resV;
    using kxParametric::texCoordBuffer;
    using kxParametric::vertexBuffer;
    using kxParametric::vertexCount;

    std::vector<float> Positions() { return BufferValues<float>(GL_ARRAY_BUFFER, vertexBuffer); }
    std::vector<float> Normals() { return BufferValues<float>(GL_ARRAY_BUFFER, normalBuffer); }
    std::vector<float> TexCoords() { return BufferValues<float>(GL_ARRAY_BUFFER, texCoordBuffer); }
    std::vector<unsigned short> Indices()
    {
        return BufferValues<unsigned short>(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    }
};

// The sine surface as the library defines it, step by step.
const float K = 0.0610018f;
const float A = 20.8f;
const double AK = 1.2688373934732056;

kxVec3 ReferenceVertex(float u, float v)
{
    const float su = static_cast<float>(std::sin(static_cast<double>(static_cast<float>(double(K) * u))));
    const float sv = static_cast<float>(std::sin(static_cast<double>(static_cast<float>(double(K) * v))));
    return kxVec3(u, v, static_cast<float>(double(A) * su * sv));
}

kxVec3 ReferenceNormal(float u, float v)
{
    const float a = static_cast<float>(double(K) * u);
    const float b = static_cast<float>(double(K) * v);
    const kxVec3 tu(1, 0, static_cast<float>(AK * std::cos(double(a)) * std::sin(double(b))));
    const kxVec3 tv(0, 1, static_cast<float>(AK * std::sin(double(a)) * std::cos(double(b))));
    kxVec3 n = tu.cross(tv);
    return n.normalize();
}

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, 4) == 0;
}

TEST_F(ParametricTest, DefaultSurfaceMeshesTheSineOverItsGrid)
{
    SurfaceProbe s;
    EXPECT_EQ(s.primitiveMode, static_cast<unsigned>(GL_TRIANGLES));
    EXPECT_EQ(s.resU, 30);
    EXPECT_EQ(s.indexCount, 5400);
    EXPECT_EQ(s.vertexCount, 961);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, s.vertexBuffer), 961 * 12);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, s.normalBuffer), 961 * 12);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, s.texCoordBuffer), 961 * 8);
    EXPECT_EQ(BufferSize(GL_ELEMENT_ARRAY_BUFFER, s.indexBuffer), 5400 * 2);

    s.update(nullptr);
    const std::vector<float> p = s.Positions();
    const std::vector<float> n = s.Normals();
    const std::vector<float> t = s.TexCoords();
    EXPECT_EQ(p[0], 0.0f);
    EXPECT_EQ(p[1], 0.0f);
    EXPECT_EQ(p[2], 0.0f);
    EXPECT_EQ(n[0], 0.0f);
    EXPECT_EQ(n[1], 0.0f);
    EXPECT_EQ(n[2], 1.0f);
    EXPECT_EQ(p[3 * 960], 226.0f);
    EXPECT_EQ(p[3 * 960 + 1], 226.0f);
    EXPECT_FLOAT_EQ(p[3], 226.0f / 30); // second column
    EXPECT_FLOAT_EQ(p[3 * 31 + 1], 226.0f / 30); // second row: v varies slowest
    EXPECT_EQ(p[3 * 31], 0.0f);
    EXPECT_EQ(t[2 * 960], 1.0f);
    EXPECT_EQ(t[2 * 960 + 1], 1.0f);

    // Every value bit for bit as the precision steps give it.
    const float step = static_cast<float>(226.0 / 30);
    for (int j = 0; j <= 30; ++j)
        for (int i = 0; i <= 30; ++i) {
            const float u = static_cast<float>(0.0 + double(i) * step);
            const float v = static_cast<float>(0.0 + double(j) * step);
            const size_t k = static_cast<size_t>(j * 31 + i);
            const kxVec3 rp = ReferenceVertex(u, v), rn = ReferenceNormal(u, v);
            ASSERT_TRUE(
                SameBits(p[3 * k], rp.x) && SameBits(p[3 * k + 1], rp.y) && SameBits(p[3 * k + 2], rp.z))
                << "position " << i << ", " << j;
            ASSERT_TRUE(
                SameBits(n[3 * k], rn.x) && SameBits(n[3 * k + 1], rn.y) && SameBits(n[3 * k + 2], rn.z))
                << "normal " << i << ", " << j;
            ASSERT_TRUE(SameBits(t[2 * k], static_cast<float>(u / 226.0))
                && SameBits(t[2 * k + 1], static_cast<float>(v / 226.0)))
                << "texture coordinate " << i << ", " << j;
        }
}

// The three vertex arrays of a surface that is not a probe, read from the
// buffers its draw binds.
struct Arrays {
    std::vector<float> positions, normals, texCoords;
};

Arrays ArraysOf(kxParametric& surface)
{
    surface.traverse(nullptr);
    GLint buffers[3] = { 0, 0, 0 };
    glGetIntegerv(GL_VERTEX_ARRAY_BUFFER_BINDING, &buffers[0]);
    glGetIntegerv(GL_NORMAL_ARRAY_BUFFER_BINDING, &buffers[1]);
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, &buffers[2]);
    Arrays arrays;
    std::vector<float>* out[3] = { &arrays.positions, &arrays.normals, &arrays.texCoords };
    for (int k = 0; k < 3; ++k) {
        const std::vector<unsigned char> bytes
            = BufferContents(GL_ARRAY_BUFFER, static_cast<GLuint>(buffers[k]));
        out[k]->resize(bytes.size() / 4);
        std::memcpy(out[k]->data(), bytes.data(), bytes.size());
    }
    return arrays;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 4) == 0;
}

// The library's own surface is computed in line, a subclass's through the
// virtual functions: both must give the reference values bit for bit, also
// where the grid starts at -0 and runs backwards through negative values.
TEST_F(ParametricTest, OwnSurfaceAndSubclassGiveTheSameBits)
{
    const float ranges[][4] = { { -123, -50, 123, 77 }, { -0.0f, -0.0f, -100, -40 }, { 0, 0, 226, 226 } };
    for (const auto& r : ranges) {
        kxParametric own;
        SurfaceProbe probe;
        for (kxParametric* s : { &own, static_cast<kxParametric*>(&probe) }) {
            s->setRes(40, 25);
            s->setStart(r[0], r[1]);
            s->setStop(r[2], r[3]);
            s->update(nullptr);
        }
        const Arrays a = ArraysOf(own);
        ASSERT_EQ(a.positions.size(), 41u * 26u * 3u);
        EXPECT_TRUE(SameBits(a.positions, probe.Positions())) << r[0];
        EXPECT_TRUE(SameBits(a.normals, probe.Normals())) << r[0];
        EXPECT_TRUE(SameBits(a.texCoords, probe.TexCoords())) << r[0];

        const float stepU = static_cast<float>((double(r[2]) - r[0]) / 40);
        const float stepV = static_cast<float>((double(r[3]) - r[1]) / 25);
        for (int j = 0; j <= 25; ++j)
            for (int i = 0; i <= 40; ++i) {
                const float u = static_cast<float>(r[0] + double(i) * stepU);
                const float v = static_cast<float>(r[1] + double(j) * stepV);
                const size_t k = static_cast<size_t>(j * 41 + i);
                const kxVec3 rp = ReferenceVertex(u, v), rn = ReferenceNormal(u, v);
                ASSERT_TRUE(SameBits(a.positions[3 * k + 2], rp.z) && SameBits(a.normals[3 * k], rn.x)
                    && SameBits(a.normals[3 * k + 1], rn.y) && SameBits(a.normals[3 * k + 2], rn.z))
                    << "range from " << r[0] << ", vertex " << i << ", " << j;
            }
    }
}

// The functions keep the sine and cosine of their last arguments: an
// argument that differs only in the sign of zero, or comes back after
// another, must still give its own values.
TEST_F(ParametricTest, SurfaceFunctionsGiveTheirOwnValuesInAnyOrder)
{
    SurfaceProbe s;
    const float points[][2] = { { -0.0f, 30 }, { 0.0f, 30 }, { 0.0f, -0.0f }, { -0.0f, -0.0f }, { -0.0f, 30 },
        { 12.5f, 30 }, { 12.5f, -7 }, { -0.0f, -7 }, { 12.5f, 30 } };
    for (const auto& p : points) {
        const kxVec3 rp = ReferenceVertex(p[0], p[1]), rn = ReferenceNormal(p[0], p[1]);
        // Normal first, vertex first: either may meet the other's arguments.
        const kxVec3 n = s.getNormal(p[0], p[1]);
        const kxVec3 q = s.getVertex(p[0], p[1]);
        const kxVec3 n2 = s.getNormal(p[0], p[1]);
        EXPECT_TRUE(SameBits(q.z, rp.z)) << p[0] << ", " << p[1];
        EXPECT_TRUE(SameBits(n.x, rn.x) && SameBits(n.y, rn.y) && SameBits(n.z, rn.z))
            << p[0] << ", " << p[1];
        EXPECT_TRUE(SameBits(n2.x, rn.x) && SameBits(n2.y, rn.y)) << p[0] << ", " << p[1];
    }
    // The sign of zero shows in the heights.
    EXPECT_TRUE(std::signbit(s.getVertex(-0.0f, 30).z));
    EXPECT_FALSE(std::signbit(s.getVertex(0.0f, 30).z));
}

TEST_F(ParametricTest, IndexListsRunCounterClockwiseCellByCell)
{
    SurfaceProbe s;
    s.setRes(1, 1);
    EXPECT_EQ(s.Indices(), (std::vector<unsigned short> { 2, 0, 3, 3, 0, 1 }));
    EXPECT_EQ(s.vertexCount, 4);
    s.setRes(2, 1);
    EXPECT_EQ(s.Indices(), (std::vector<unsigned short> { 3, 0, 4, 4, 0, 1, 4, 1, 5, 5, 1, 2 }));
    EXPECT_EQ(s.vertexCount, 6);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, s.texCoordBuffer), 6 * 8);
    // The largest grid 16-bit indices can address.
    s.setRes(255, 255);
    const std::vector<unsigned short> big = s.Indices();
    ASSERT_EQ(big.size(), 255u * 255u * 6u);
    EXPECT_EQ(big[big.size() - 6], 65534); // c of the last cell
    EXPECT_EQ(big[big.size() - 1], 65279); // b of the last cell
    EXPECT_EQ(big[big.size() - 4], 65535); // d of the last cell
    s.setRes(0, 3);
    EXPECT_EQ(s.indexCount, 0);
}

TEST_F(ParametricTest, ResolutionsBeyondSixteenBitIndicesAreRejected)
{
    SurfaceProbe s;
    s.setRes(4, 3);
    const GLuint buffers[3] = { s.vertexBuffer, s.normalBuffer, s.indexBuffer };
    const std::vector<unsigned short> indices = s.Indices();
    for (auto res :
        { std::pair<int, int> { -1, 3 }, { 3, -1 }, { 256, 255 }, { 65535, 1 }, { 1 << 20, 1 << 20 } }) {
        s.setRes(res.first, res.second);
        EXPECT_EQ(s.resU, 4);
        EXPECT_EQ(s.resV, 3);
        EXPECT_EQ(s.vertexCount, 20);
        EXPECT_EQ(s.Indices(), indices);
    }
    EXPECT_EQ(s.vertexBuffer, buffers[0]);
    EXPECT_EQ(s.normalBuffer, buffers[1]);
    EXPECT_EQ(s.indexBuffer, buffers[2]);
}

TEST_F(ParametricTest, RangeSetsStepAndTextureCoordinatesOnUpdateOnly)
{
    SurfaceProbe s;
    s.update(nullptr);
    const std::vector<float> before = s.Positions();
    s.setStart(-123, -123);
    s.setStop(123, 123);
    EXPECT_EQ(s.Positions(), before); // nothing until update
    s.update(nullptr);
    const std::vector<float> p = s.Positions();
    const std::vector<float> t = s.TexCoords();
    EXPECT_EQ(p[0], -123.0f);
    EXPECT_FLOAT_EQ(p[3] - p[0], 8.2f);
    EXPECT_FLOAT_EQ(p[3 * 31 + 1] - p[1], 8.2f);
    EXPECT_FLOAT_EQ(p[3 * 960], 123.0f);
    EXPECT_EQ(t[0], -0.5f);
    EXPECT_EQ(t[1], -0.5f);
    EXPECT_FLOAT_EQ(t[2 * 960], 0.5f);
    EXPECT_FLOAT_EQ(t[2 * 960 + 1], 0.5f);
}

// A flat surface of its own that keeps the library's texture coordinates.
class Plane : public SurfaceProbe {
protected:
    kxVec3 getVertex(float u, float v) override { return kxVec3(2 * u, 3 * v, 7); }
    kxVec3 getNormal(float, float) override { return kxVec3(0, 1, 0); }
};

TEST_F(ParametricTest, SubclassFunctionsShapeTheSurface)
{
    Plane s;
    s.setRes(2, 2);
    s.setStop(10, 20);
    s.update(nullptr);
    const std::vector<float> p = s.Positions();
    const std::vector<float> n = s.Normals();
    const std::vector<float> t = s.TexCoords();
    ASSERT_EQ(p.size(), 27u);
    EXPECT_EQ(p[3 * 8], 20.0f);
    EXPECT_EQ(p[3 * 8 + 1], 60.0f);
    EXPECT_EQ(p[3 * 8 + 2], 7.0f);
    EXPECT_EQ(n[3 * 4 + 1], 1.0f);
    EXPECT_EQ(t[2 * 4], 0.5f); // u = 5 of a range 10 wide
    EXPECT_EQ(t[2 * 4 + 1], 0.5f); // v = 10 of a range 20 wide
}

TEST_F(ParametricTest, UpdateWithAnUnmappableBufferWritesNothing)
{
    SurfaceProbe s;
    s.setRes(2, 2);
    s.update(nullptr);
    const std::vector<float> positions = s.Positions();
    // Map the normal buffer elsewhere: a second mapping of it fails.
    glBindBuffer(GL_ARRAY_BUFFER, s.normalBuffer);
    ASSERT_NE(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY), nullptr);
    s.setStart(5, 5);
    s.update(nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, s.normalBuffer);
    glUnmapBuffer(GL_ARRAY_BUFFER);
    EXPECT_EQ(s.Positions(), positions);
    // What it had mapped was given back: mapping works again.
    GLint mapped = 1;
    glBindBuffer(GL_ARRAY_BUFFER, s.vertexBuffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_MAPPED, &mapped);
    EXPECT_EQ(mapped, GL_FALSE);
    glBindBuffer(GL_ARRAY_BUFFER, s.texCoordBuffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_MAPPED, &mapped);
    EXPECT_EQ(mapped, GL_FALSE);
}

TEST_F(ParametricTest, SurfaceDrawsInAScene)
{
    COffScreen* target = COffScreen::NewL(64, 64);
    CScene* scene = CScene::NewL();
    SurfaceProbe s;
    s.setStop(64, 64);
    s.update(nullptr);
    s.setColor(kxVec4(1, 1, 0, 1));
    scene->addObject(&s);
    scene->Render(target);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    size_t yellow = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        yellow += pixels[i] == 0 && pixels[i + 1] == 255 && pixels[i + 2] == 255;
    EXPECT_EQ(yellow, 64u * 64u); // the grid covers the whole target
    delete scene;
    delete target;
}

} // namespace
