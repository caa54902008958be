#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "alloc/AllocationCounter.h"
#include "gl/SceneProbes.h"
#include "support/OutputCapture.h"

namespace {

TEST(Allocation, RenderingAHundredChildrenAllocatesNothing)
{
    std::unique_ptr<COffScreen> target;
    vxtest::CaptureOutput([&] { target.reset(COffScreen::NewL(64, 64)); });
    CScene* scene = CScene::NewL();
    // Every child textured, every other one shaded as well.
    TextureStatic* texture = new TextureStatic();
    const std::vector<unsigned char> texels(4 * 4 * 4, 200);
    texture->setImage(4, 4, 0, ImageObject::BGRA32, texels.data());
    Shader* shader = new Shader();
    vxtest::AttachPassThroughStages(shader);
    std::vector<std::unique_ptr<vxtest::GeometryProbe>> children;
    for (int i = 0; i < 100; ++i) {
        children.emplace_back(vxtest::MakeRectangle(0, 0, 8, 8, kxVec4(1, 1, 1, 1)));
        children.back()->setTexCoords(vxtest::HeapArray<float>({ 0, 0, 1, 0, 0, 1, 1, 1 }));
        children.back()->setTranslation(static_cast<float>(i % 8) * 8, static_cast<float>(i / 8) * 8, 0);
        children.back()->setRotation(static_cast<float>(i), 0, 0, 1);
        children.back()->addTexture(texture, 0);
        if (i % 2)
            children.back()->setShader(shader);
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

TEST(Allocation, StreamingSameSizeYuvFramesAllocatesAfterTheFirstOnly)
{
    std::unique_ptr<COffScreen> target;
    vxtest::CaptureOutput([&] { target.reset(COffScreen::NewL(160, 120)); });
    CScene* scene = CScene::NewL();
    std::unique_ptr<ImageObject> video(ImageObject::NewL(ImageObject::fitToTarget, true));
    scene->addObject(video.get());
    std::vector<unsigned char> frame(160 * 120 * 3 / 2, 128);
    video->Image(160, 120, ImageObject::YUV420, frame.data());
    scene->Render(target.get());
    glFinish();

    vxtest::AllocationCounter counter;
    for (int i = 1; i < 100; ++i) {
        frame[static_cast<size_t>(i)] = static_cast<unsigned char>(i); // a new frame each time
        video->Image(160, 120, ImageObject::YUV420, frame.data());
        scene->Render(target.get());
    }
    EXPECT_EQ(counter.count(), 0u);
    glFinish();
    delete scene;
}

} // namespace
