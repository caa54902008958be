#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "alloc/AllocationCounter.h"
#include "gl/SceneProbes.h"
#include "support/OutputCapture.h"

namespace {

// The library's own nodes, textures and shaders take the path that tracks GL
// state; a client node among them makes it forget and start again; nodes
// outside the view are left out.
TEST(Allocation, RenderingTrackedLibraryNodesAllocatesNothing)
{
    std::unique_ptr<COffScreen> target;
    vxtest::CaptureOutput([&] { target.reset(COffScreen::NewL(64, 64)); });
    CScene* scene = CScene::NewL();
    const std::vector<unsigned char> texels(4 * 4 * 4, 200);
    std::vector<std::unique_ptr<ImageObject>> images;
    Shader* shader = new Shader();
    vxtest::AttachPassThroughStages(shader);
    for (int i = 0; i < 60; ++i) {
        images.emplace_back(i % 20 ? ImageObject::NewL(*images[static_cast<size_t>(i - i % 20)])
                                   : ImageObject::NewL(0, 0, 6, 6, i % 40 != 0));
        ImageObject* image = images.back().get();
        if (i % 20 == 0)
            image->Image(4, 4, ImageObject::BGRA32, texels.data());
        // One in seven far outside the target: left out, its test kept.
        image->SetPosition(i % 8 * 8 + (i % 7 == 3 ? 900 : 0), i / 8 * 8, 0);
        if (i % 10 < 4)
            image->setShader(shader);
        scene->addObject(image);
        if (i == 30)
            scene->addObject(vxtest::MakeRectangle(0, 0, 4, 4, kxVec4(1, 0, 0, 1)));
    }
    std::unique_ptr<kxParametric> surface(new kxParametric());
    surface->update(nullptr);
    surface->setShader(shader);
    scene->addObject(surface.get());
    std::unique_ptr<Node> rectangle(scene->child(31));
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
