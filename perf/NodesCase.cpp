// Case 2: CScene::Render of many image objects that share one texture, each
// with its own position and rotation, beside the same GL calls by hand: the
// texture state set once per frame, per node its matrix, buffers and draw.

#include "Cases.h"

#include "Pairing.h"
#include "PerfSupport.h"
#include "Quads.h"

namespace vnxperf {
namespace {

    const int kTargetSize = 64;
    const int kImageSize = 16;

    void ManyNodes(benchmark::State& state, int count, double goal)
    {
        const CaseInfo info { "2. Render of " + std::to_string(count) + (count == 1 ? " node" : " nodes")
                + ", 64 × 64",
            "frames/s", 1.0, goal };
        std::unique_ptr<COffScreen> target = HeadlessTarget(kTargetSize, kTargetSize);
        if (!target)
            return RecordFailure(state, info, "no headless off-screen target");
        std::string why;
        {
            // One image object made with an image, the others copies of it,
            // so that all share its texture.
            QuadScene nodes;
            Sequence random;
            ImageObject* first = QuadScene::NewImage(kImageSize, 0);
            nodes.Add(first, random, kTargetSize, *target);
            while (static_cast<int>(nodes.size()) < count)
                nodes.Add(ImageObject::NewL(*first), random, kTargetSize, *target);
            if (nodes.SamePixels(*target, &why))
                RunPaired(
                    state, info,
                    [&] {
                        nodes.RenderLibrary(*target);
                        glFinish();
                    },
                    [&] {
                        nodes.RenderPlain(*target);
                        glFinish();
                    },
                    [&] {
                        nodes.RenderFull(*target);
                        glFinish();
                    });
        }
        target.reset();
        if (!why.empty())
            RecordFailure(state, info, why);
    }

} // namespace

void RegisterNodeCases()
{
    RegisterPaired("nodes/1", [](benchmark::State& s) { ManyNodes(s, 1, 0.0); });
    RegisterPaired("nodes/100", [](benchmark::State& s) { ManyNodes(s, 100, 0.0); });
    RegisterPaired("nodes/10000", [](benchmark::State& s) { ManyNodes(s, 10000, 0.90); });
}

} // namespace vnxperf
