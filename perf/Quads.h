#pragma once

// Scenes of many textured quads (image objects), each with its own position
// and rotation, drawn three ways: by the library, by the library with the full
// per-child state sequence (a second scene made with
// VARNOX_NO_STATE_ELISION=1), and by plain code that sets state only where it
// changes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Pairing.h"
#include "PerfSupport.h"

namespace vnxperf {

/// A small reproducible sequence for the quads' placement.
class Sequence {
public:
    int Next(int range)
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<uint32_t>(range));
    }

private:
    uint32_t state = 12345u;
};

/// One quad as plain code would keep it: its values in a flat record.
struct PlainQuad {
    float translation[3];
    float rotation[4]; // angle, axis
    float scale[3];
    GLuint vertices, texCoords;
    GLuint texture;
    GLuint program; // 0: none
};

/// The scene, by hand: the quads and what they all share.
struct PlainQuads {
    std::vector<PlainQuad> quads;
    float colour[4] = { 1, 1, 1, 1 };
    float lineWidth = 1.0f;
    GLint components = 3;
    GLenum mode = GL_TRIANGLE_STRIP;
    GLsizei vertexCount = 4;
};

/// Textured quads (image objects, or a client's geometry) listed in two
/// scenes: `scene` as made by default and `full` made with
/// VARNOX_NO_STATE_ELISION=1. Each quad's buffers are read from the array
/// bindings its draw leaves.
class QuadScene {
public:
    QuadScene();
    ~QuadScene();
    QuadScene(const QuadScene&) = delete;
    QuadScene& operator=(const QuadScene&) = delete;

    /// A new image object with a `size` × `size` image of its own (pattern
    /// `seed`), fixed at (0, 0)–(size, size).
    static ImageObject* NewImage(int size, int seed);

    /// Adds `quad` (owned from now on) to both scenes at a place and angle
    /// drawn from the sequence within `range`, and notes it for the plain side.
    /// `target` is the target the scenes draw into (its context current).
    void Add(Node* quad, Sequence& random, int range, CRenderTarget& target);
    /// The same at (x, y), turned by `degrees`; `plainDraws` false leaves it
    /// out of the plain side (which draws only what can be seen). With
    /// `sharesBuffers` the quad draws from the buffers of the last one the
    /// plain side noted, which are not looked up again.
    void Add(Node* quad, float x, float y, int degrees, CRenderTarget& target, bool plainDraws = true,
        bool sharesBuffers = false);

    /// The three renders of one frame (no present, no finish).
    void RenderLibrary(CRenderTarget& target) { scene->Render(&target); }
    void RenderFull(CRenderTarget& target) { full->Render(&target); }
    void RenderPlain(const CRenderTarget& target) const;

    /// Checks that the three sides draw the same pixels, not all black;
    /// otherwise says why.
    bool SamePixels(CRenderTarget& target, std::string* why);

    size_t size() const { return quads.size(); }

private:
    CScene* scene = nullptr;
    CScene* full = nullptr;
    CScene* alone = nullptr;
    std::vector<Node*> quads;
    /// The buffers of the last quad drawn alone; 0 before the first.
    GLint lastVertices = 0;
    GLint lastTexCoords = 0;
    PlainQuads plain;
};

/// The plain render: what Render issues for a scene at rotation 0 of textured
/// quads, where each state call is made only when the quad needs another value
/// than the one in force (the program, the texture and each array's buffer
/// where they change, texturing, the texture-coordinate array, line width,
/// colour and the normal array once per frame, and undone at the end).
void PlainRender(const PlainQuads& quads, int width, int height);

/// Fills a QuadScene for a target (its context current).
using BuildQuads = std::function<void(QuadScene&, CRenderTarget&)>;

/// Runs one case of quads in a 256 × 256 target: a window presented after
/// every frame (by Refresh, or by hand on the plain side), or the headless
/// off-screen target; every frame ends with glFinish. The library, the plain
/// render and, with `full`, the full sequence, once the three were seen to
/// draw the same pixels.
void RunQuads(benchmark::State& state, const CaseInfo& info, bool window, const BuildQuads& build, bool full);

/// Registers `name`/offscreen and `name`/window, rows "`row`, off screen
/// 256 × 256" and "`row`, Xvfb window 256 × 256, Refresh".
void RegisterQuadCases(
    const char* name, const std::string& row, double goal, const BuildQuads& build, bool full = true);

} // namespace vnxperf
