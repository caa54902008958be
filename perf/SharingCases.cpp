// Cases 10 to 12: scenes of a client's geometry class whose nodes share one
// set of buffers and one texture, each node with its own transform: 2,000
// quads; 100,000 of which 90 % lie outside the view; 100,000 all in view.
// Beside plain GL that binds the shared buffers and the texture once a frame
// and issues per quad only its transform and draw (for the second, only for
// the quads in view): the limit for such a scene in fixed-function GL.

#include "Cases.h"

#include <valgrind/callgrind.h>

#include "Quads.h"

namespace vnxperf {
namespace {

    const int kTargetSize = 256;

    // A client's quad: its arrays set in the constructor of the first one,
    // the others drawing from the first one's buffers.
    class SharedQuad : public Geometry {
    public:
        explicit SharedQuad(float side)
        {
            primitiveMode = GL_TRIANGLE_STRIP;
            setVertices(new float[12] { 0, 0, 0, side, 0, 0, 0, side, 0, side, side, 0 }, 4);
            setTexCoords(new float[8] { 0, 0, 1, 0, 0, 1, 1, 1 });
        }
        explicit SharedQuad(const SharedQuad* shape)
        {
            primitiveMode = GL_TRIANGLE_STRIP;
            shareBuffers(*shape);
        }
    };

    // `count` quads of side `side` sharing buffers and a texture; of every
    // ten, `outside` lie beyond the right edge of the view.
    BuildQuads Quads(int count, float side, int outside)
    {
        return [count, side, outside](QuadScene& quads, CRenderTarget& target) {
            ImageObject* image = QuadScene::NewImage(16, 0);
            Texture* texture = image->getTexture();
            SharedQuad* shape = nullptr;
            Sequence random;
            for (int i = 0; i < count; ++i) {
                SharedQuad* quad = shape ? new SharedQuad(shape) : (shape = new SharedQuad(side));
                quad->addTexture(texture, 0);
                const float x = static_cast<float>(random.Next(kTargetSize));
                const float y = static_cast<float>(random.Next(kTargetSize));
                const int degrees = random.Next(360);
                const bool seen = i % 10 >= outside;
                quads.Add(quad, seen ? x : x + 2.0f * kTargetSize, y, degrees, target, seen, true);
            }
            // The quads hold the texture now.
            delete image;
        };
    }

    const int kCountedFrames = 3;

} // namespace

int CountSharedQuadInstructions()
{
    std::unique_ptr<COffScreen> target = HeadlessTarget(kTargetSize, kTargetSize);
    if (!target) {
        std::fprintf(stderr, "varnox_perf: no headless off-screen target\n");
        return 1;
    }
    int status = 0;
    for (int nodes : { 100, 100000 }) {
        QuadScene quads;
        Quads(nodes, 4.0f, 0)(quads, *target);
        std::string why;
        if (!quads.SamePixels(*target, &why)) {
            std::fprintf(stderr, "varnox_perf: %s\n", why.c_str());
            status = 1;
            break;
        }
        const auto count = [&](const char* side, const std::function<void()>& frame) {
            frame(); // the first frame's one-time work is not counted
            glFinish();
            CALLGRIND_TOGGLE_COLLECT;
            for (int i = 0; i < kCountedFrames; ++i)
                frame();
            CALLGRIND_TOGGLE_COLLECT;
            glFinish();
            CALLGRIND_DUMP_STATS_AT(side);
        };
        count("library", [&] { quads.RenderLibrary(*target); });
        count("plain", [&] { quads.RenderPlain(*target); });
        std::printf("%d frames of %d nodes each side\n", kCountedFrames, nodes);
    }
    target.reset();
    return status;
}

void RegisterSharingCases()
{
    RegisterQuadCases("shared/2000", "10. 2,000 quads of a client's geometry, one buffer and one texture",
        0.95, Quads(2000, 16.0f, 0));
    RegisterQuadCases("shared/100000_90_outside", "11. 100,000 such quads, 90 % outside the view", 0.90,
        Quads(100000, 4.0f, 9));
    RegisterQuadCases(
        "shared/100000_in_view", "12. 100,000 such quads, all in view", 0.0, Quads(100000, 4.0f, 0), false);
}

} // namespace vnxperf
