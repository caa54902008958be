#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "alloc/AllocationCounter.h"
#include "gl/SceneProbes.h"

namespace {

TEST(Allocation, RenderingAHundredChildrenAllocatesNothing)
{
    testing::internal::CaptureStdout();
    std::unique_ptr<COffScreen> target(COffScreen::NewL(64, 64));
    testing::internal::GetCapturedStdout();
    CScene* scene = CScene::NewL();
    std::vector<std::unique_ptr<vxtest::GeometryProbe>> children;
    for (int i = 0; i < 100; ++i) {
        children.emplace_back(vxtest::MakeRectangle(0, 0, 8, 8, kxVec4(1, 1, 1, 1)));
        children.back()->setTranslation(static_cast<float>(i % 8) * 8, static_cast<float>(i / 8) * 8, 0);
        children.back()->setRotation(static_cast<float>(i), 0, 0, 1);
        scene->addObject(children.back().get());
    }
    // The first frame lets the driver build what it caches.
    scene->Render(target.get());
    glFinish();

    vxtest::AllocationCounter counter;
    for (int frame = 0; frame < 3; ++frame)
        scene->Render(target.get());
    EXPECT_EQ(counter.count(), 0u);
    glFinish();
    delete scene;
}

} // namespace
