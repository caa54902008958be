#include <cmath>
#include <memory>

#include "gl/GLTest.h"
#include "gl/SceneProbes.h"

namespace {

using vxtest::GeometryProbe;
using vxtest::GLTest;
using vxtest::MakeRectangle;
using vxtest::RecordingNode;

// The scene: its child list, the per-child matrix and the frame set-up.
class SceneTest : public vxtest::GLTest { };

// Where the pixels of one colour lie on a target, in image coordinates with
// row 0 at the top.
struct Spot {
    double x = -1, y = -1;
    int count = 0;
};

Spot Find(const std::vector<uint8_t>& bgra, int width, int height, int channel)
{
    Spot s;
    double sx = 0, sy = 0;
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            // CopyBuffer delivers the bottom row first.
            const uint8_t* p = &bgra[(static_cast<size_t>(height - 1 - row) * width + col) * 4];
            if (p[channel] > 200 && p[(channel + 1) % 3] < 50 && p[(channel + 2) % 3] < 50) {
                sx += col;
                sy += row;
                ++s.count;
            }
        }
    if (s.count) {
        s.x = sx / s.count;
        s.y = sy / s.count;
    }
    return s;
}

class SceneRotation : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        target = COffScreen::NewL(kWidth, kHeight);
        scene = CScene::NewL();
        // Red at the scene origin, green along scene x, blue along scene y.
        origin.reset(MakeRectangle(0, 0, 6, 6, kxVec4(1, 0, 0, 1)));
        alongX.reset(MakeRectangle(30, 0, 36, 6, kxVec4(0, 1, 0, 1)));
        alongY.reset(MakeRectangle(0, 20, 6, 26, kxVec4(0, 0, 1, 1)));
        scene->addObject(origin.get());
        scene->addObject(alongX.get());
        scene->addObject(alongY.get());
    }
    void TearDown() override
    {
        delete scene;
        delete target;
        GLTest::TearDown();
    }

    struct Picture {
        Spot red, green, blue;
    };
    Picture RenderAt(int degrees)
    {
        scene->SceneRotation(degrees);
        scene->Render(target);
        const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
        return { Find(pixels, kWidth, kHeight, 2), Find(pixels, kWidth, kHeight, 1),
            Find(pixels, kWidth, kHeight, 0) };
    }

    static constexpr int kWidth = 80;
    static constexpr int kHeight = 60;
    COffScreen* target = nullptr;
    CScene* scene = nullptr;
    std::unique_ptr<GeometryProbe> origin, alongX, alongY;
};

TEST_F(SceneRotation, OriginAndAxesFollowTheRotationTable)
{
    struct Row {
        int degrees;
        double originX, originY; // the red marker's centre in image pixels
        int xDirX, xDirY; // where scene x points on the image
        float contextWidth, contextHeight;
    };
    const double lo = 2.5, right = kWidth - 3.5, bottom = kHeight - 3.5;
    const Row rows[] = {
        { 0, lo, lo, 1, 0, 80, 60 },
        { 90, lo, bottom, 0, -1, 60, 80 },
        { 180, right, bottom, -1, 0, 80, 60 },
        { 270, right, lo, 0, 1, 60, 80 },
        { -90, right, lo, 0, 1, 60, 80 },
        { 450, lo, bottom, 0, -1, 60, 80 },
        { 360, lo, lo, 1, 0, 80, 60 },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.degrees);
        const Picture p = RenderAt(r.degrees);
        ASSERT_EQ(p.red.count, 36);
        EXPECT_NEAR(p.red.x, r.originX, 0.01);
        EXPECT_NEAR(p.red.y, r.originY, 0.01);
        // Scene x: the green marker lies 30 units from the origin along it.
        EXPECT_NEAR(p.green.x - p.red.x, 30 * r.xDirX, 0.01);
        EXPECT_NEAR(p.green.y - p.red.y, 30 * r.xDirY, 0.01);
        // Scene y is scene x turned a quarter clockwise on the image.
        EXPECT_NEAR(p.blue.x - p.red.x, -20 * r.xDirY, 0.01);
        EXPECT_NEAR(p.blue.y - p.red.y, 20 * r.xDirX, 0.01);
        EXPECT_EQ(scene->getContext()->width, r.contextWidth);
        EXPECT_EQ(scene->getContext()->height, r.contextHeight);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], kWidth);
        EXPECT_EQ(viewport[3], kHeight);
    }
}

TEST_F(SceneRotation, OtherAnglesTurnTheSceneAndKeepTheLastSize)
{
    RenderAt(90);
    const Picture p = RenderAt(45);
    EXPECT_EQ(scene->getContext()->width, 60.0f);
    EXPECT_EQ(scene->getContext()->height, 80.0f);
    // The origin stays in the top-left corner (d < 90) and the axes turn 45°
    // about it: scene x now leaves the target upwards, scene y runs down-right.
    EXPECT_GT(p.red.count, 0);
    EXPECT_LT(p.red.x, 6);
    EXPECT_LT(p.red.y, 6);
    EXPECT_EQ(p.green.count, 0);
    ASSERT_EQ(p.blue.count, 36);
    const double angle = std::atan2(p.blue.y, p.blue.x) * 180 / M_PI;
    // The marker centre (3, 23) lies at atan2(23, 3) on the unturned image.
    EXPECT_NEAR(angle, std::atan2(23.0, 3.0) * 180 / M_PI - 45, 2);
}

TEST_F(SceneTest, NewSceneContextIsZeroUntilTheFirstQuarterTurn)
{
    CScene* scene = CScene::NewL();
    EXPECT_EQ(scene->getContext()->width, 0.0f);
    EXPECT_EQ(scene->getRotation(), 0);
    scene->SceneRotation(30);
    scene->Render(&vxtest::SharedTarget());
    EXPECT_EQ(scene->getContext()->width, 0.0f);
    EXPECT_EQ(scene->getContext()->height, 0.0f);
    delete scene;
}

TEST_F(SceneTest, EmptySceneStillSetsViewportClearAndMatrices)
{
    COffScreen* target = COffScreen::NewL(50, 40);
    glViewport(1, 1, 5, 5);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3, 4, 5);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);

    CScene* scene = CScene::NewL();
    scene->Render(target);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 50);
    EXPECT_EQ(viewport[3], 40);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    EXPECT_EQ(pixels[0], 255); // cleared with the clear colour (blue)
    GLfloat depth = 0;
    glReadPixels(0, 0, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f);
    // Projection of the unrotated scene: (0, 0) → top-left, y down, depth ±1000.
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 1.0f / 25);
    EXPECT_FLOAT_EQ(m[5], -1.0f / 20);
    EXPECT_FLOAT_EQ(m[10], -1.0f / 1000);
    EXPECT_FLOAT_EQ(m[12], -1.0f);
    EXPECT_FLOAT_EQ(m[13], 1.0f);
    delete scene;
    delete target;
}

TEST_F(SceneTest, LoopEndsAtTheFirstInvisibleChild)
{
    std::vector<std::string> log;
    RecordingNode a("A", &log), b("B", &log), c("C", &log);
    b.visible = false;
    CScene* scene = CScene::NewL();
    scene->addObject(&a);
    scene->addObject(&b);
    scene->addObject(&c);
    scene->Render(&vxtest::SharedTarget());
    EXPECT_EQ(log, std::vector<std::string> { "A" });
    delete scene;
}

TEST_F(SceneTest, ChildListKeepsOrderDuplicatesAndRemovals)
{
    std::vector<std::string> log;
    RecordingNode a("A", &log), b("B", &log), c("C", &log), d("D", &log);
    CScene* scene = CScene::NewL();
    scene->addObject(&a);
    scene->addObject(&b);
    scene->addObject(&a);
    scene->addObject(nullptr); // ignored
    scene->addObject(&c);
    auto drawn = [&] {
        log.clear();
        scene->Render(&vxtest::SharedTarget());
        return log;
    };
    EXPECT_EQ(drawn(), (std::vector<std::string> { "A", "B", "A", "C" }));
    EXPECT_EQ(scene->removeObject(&a), &a); // the first occurrence only
    EXPECT_EQ(drawn(), (std::vector<std::string> { "B", "A", "C" }));
    EXPECT_EQ(scene->removeObject(&d), nullptr);
    EXPECT_EQ(scene->removeObject(&a), &a); // the middle one
    EXPECT_EQ(drawn(), (std::vector<std::string> { "B", "C" }));
    EXPECT_EQ(scene->removeObject(&c), &c); // the last one
    EXPECT_EQ(drawn(), (std::vector<std::string> { "B" }));
    EXPECT_EQ(scene->childCount(), 1u);
    delete scene; // the nodes stay alive
    a.traverse(nullptr);
    EXPECT_EQ(log.back(), "A");
}

// A group whose list storage can be inspected.
class GroupProbe : public Group {
public:
    using Group::append;
    using Group::children;
    using Group::remove;
};

TEST_F(SceneTest, ListGrowsFrom64ByDoublingAndKeepsOrder)
{
    GroupProbe group;
    EXPECT_EQ(group.remove(&group), nullptr); // no storage yet
    std::vector<std::unique_ptr<Node>> nodes;
    for (int i = 0; i < 130; ++i) {
        nodes.emplace_back(new Node());
        group.append(nodes.back().get());
        if (i == 0) {
            EXPECT_EQ(group.children.capacity, 64);
        }
        if (i == 64) {
            EXPECT_EQ(group.children.capacity, 128);
        }
    }
    EXPECT_EQ(group.children.capacity, 256);
    for (unsigned i = 0; i < 130; ++i)
        ASSERT_EQ(group.child(i), nodes[i].get());

    // The same through the scene: the 65th node is drawn 65th.
    std::vector<std::string> log;
    std::vector<std::unique_ptr<RecordingNode>> recorded;
    CScene* scene = CScene::NewL();
    for (int i = 0; i < 70; ++i) {
        recorded.emplace_back(new RecordingNode(std::to_string(i), &log));
        scene->addObject(recorded.back().get());
    }
    scene->Render(&vxtest::SharedTarget());
    ASSERT_EQ(log.size(), 70u);
    for (int i = 0; i < 70; ++i)
        EXPECT_EQ(log[static_cast<size_t>(i)], std::to_string(i));
    delete scene;
}

TEST_F(SceneTest, GroupInASceneDrawsNothingOfItsChildren)
{
    COffScreen* target = COffScreen::NewL(20, 20);
    std::unique_ptr<GeometryProbe> marker(MakeRectangle(0, 0, 20, 20, kxVec4(1, 1, 1, 1)));
    GroupProbe group;
    group.append(marker.get());
    EXPECT_TRUE(group.isGroup());
    CScene* scene = CScene::NewL();
    EXPECT_TRUE(scene->isGroup());
    scene->addObject(&group);
    scene->Render(target);
    const std::vector<uint8_t> pixels = vxtest::ReadPixels(*target);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint8_t b) { return b == 0 || b == 255; }));
    EXPECT_EQ(pixels[0], 0);
    delete scene;
    delete target;
}

TEST_F(SceneTest, BlendingSwitchHoldsAcrossRenders)
{
    CScene* scene = CScene::NewL();
    scene->Blending(false);
    scene->Render(&vxtest::SharedTarget());
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    scene->Render(&vxtest::SharedTarget());
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    scene->Blending(true);
    scene->Render(&vxtest::SharedTarget());
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    delete scene;
}

// Reads the model-view matrix at the moment it is drawn.
class MatrixProbe : public Node {
public:
    void traverse(TContext*) override { glGetFloatv(GL_MODELVIEW_MATRIX, seen); }
    GLfloat seen[16] = {};
};

TEST_F(SceneTest, ChildMatrixIsTranslateThenRotateThenScale)
{
    MatrixProbe node;
    node.setTranslation(10, 20, 5);
    node.setRotation(90, 0, 0, 1);
    node.setScale(2, 3, 4);
    CScene* scene = CScene::NewL();
    scene->addObject(&node);
    scene->Render(&vxtest::SharedTarget());
    // T·R·S maps (1, 0, 0) to (10, 22, 5) and (0, 1, 0) to (7, 20, 5).
    const GLfloat* m = node.seen;
    EXPECT_NEAR(m[0] + m[12], 10, 1e-5);
    EXPECT_NEAR(m[1] + m[13], 22, 1e-5);
    EXPECT_NEAR(m[4] + m[12], 7, 1e-5);
    EXPECT_NEAR(m[5] + m[13], 20, 1e-5);
    EXPECT_NEAR(m[10], 4, 1e-5);
    EXPECT_NEAR(m[14], 5, 1e-5);
    // The matrix is popped after the child.
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(after[12], 0.0f);
    delete scene;
}

} // namespace
