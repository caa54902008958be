// Cases 6 to 9: scenes of many nodes whose neighbours share state, where the
// library issues only the state changes each node needs. Each is drawn off
// screen and in a window, 256 × 256, beside plain code that sets state only
// where it changes (the limit for such a scene in fixed-function GL), and
// beside the library's full per-child sequence for the speed-up.

#include "Cases.h"

#include "Pairing.h"
#include "PerfSupport.h"
#include "Quads.h"

namespace vnxperf {
namespace {

    const int kTargetSize = 256;
    const int kQuads = 2000;
    const int kImageSize = 16;

    // 2,000 quads, copies of one image object: all share its texture.
    void OneTexture(QuadScene& quads, CRenderTarget& target)
    {
        Sequence random;
        ImageObject* first = QuadScene::NewImage(kImageSize, 0);
        quads.Add(first, random, kTargetSize, target);
        while (static_cast<int>(quads.size()) < kQuads)
            quads.Add(ImageObject::NewL(*first), random, kTargetSize, target);
    }

    // 2,000 quads in 64 runs of consecutive nodes, each run sharing a texture.
    void TextureRuns(QuadScene& quads, CRenderTarget& target)
    {
        const int runs = 64;
        Sequence random;
        ImageObject* source = nullptr;
        for (int i = 0; i < kQuads; ++i) {
            const int run = i * runs / kQuads;
            if (!source || run != (i - 1) * runs / kQuads)
                quads.Add(source = QuadScene::NewImage(kImageSize, run), random, kTargetSize, target);
            else
                quads.Add(ImageObject::NewL(*source), random, kTargetSize, target);
        }
    }

    // 2,000 quads, each with a texture of its own.
    void OwnTextures(QuadScene& quads, CRenderTarget& target)
    {
        Sequence random;
        for (int i = 0; i < kQuads; ++i)
            quads.Add(QuadScene::NewImage(kImageSize, i), random, kTargetSize, target);
    }

    // 10,000 smaller quads sharing a texture, in runs of 25: unshaded, shaded
    // by A, unshaded, shaded by B, and so on.
    void ShaderRuns(QuadScene& quads, CRenderTarget& target)
    {
        const int nodes = 10000;
        const int run = 25;
        Shader* tints[2];
        const kxVec3 tint[2] = { kxVec3(1.0f, 0.5f, 0.25f), kxVec3(0.25f, 0.75f, 1.0f) };
        for (int k = 0; k < 2; ++k) {
            Quiet quiet;
            tints[k] = new Shader();
            tints[k]->SetVertexProgram(new VertexProgram(TintShaderPath()));
            tints[k]->SetFragmentProgram(new FragmentProgram(TintShaderPath()));
            tints[k]->SetUniform("tint", tint[k]);
        }
        // Held by a node from the start, so that no shader is left to leak.
        kxReference<Shader> hold[2];
        hold[0] = tints[0];
        hold[1] = tints[1];
        Sequence random;
        ImageObject* first = QuadScene::NewImage(8, 0);
        for (int i = 0; i < nodes; ++i) {
            ImageObject* image = i == 0 ? first : ImageObject::NewL(*first);
            const int phase = (i / run) % 4;
            if (phase == 1 || phase == 3)
                image->setShader(tints[phase / 2]);
            quads.Add(image, random, kTargetSize, target);
        }
    }

} // namespace

void RegisterElisionCases()
{
    RegisterQuadCases("quads/one_texture", "6. 2,000 quads, one texture", 0.90, OneTexture);
    RegisterQuadCases("quads/64_texture_runs", "7. 2,000 quads, 64 textures in runs", 0.90, TextureRuns);
    RegisterQuadCases("quads/own_textures", "8. 2,000 quads, a texture each", 0.90, OwnTextures);
    RegisterQuadCases(
        "mixed/10000_shader_runs", "9. 10,000 nodes, half shaded, two shaders in runs", 0.90, ShaderRuns);
}

} // namespace vnxperf
