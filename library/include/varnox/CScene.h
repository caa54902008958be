#pragma once

#include <varnox/Export.h>
#include <varnox/Group.h>

class CRenderTarget;

namespace varnox {
class RenderState;
struct View;
}

/// The scene: a group that draws its direct children into a render target
/// with a pixel-exact orthographic projection, turned by the scene rotation.
/// Scene x runs right and y down from the top-left corner when unrotated. The
/// scene never deletes its nodes, never makes a context current and never
/// presents a frame.
class VARNOX_EXPORT CScene : public Group {
public:
    static CScene* NewL();
    /// Deletes the context and the child list; the nodes stay alive.
    ~CScene() override;

    /// Appends `node` (drawn in the order added; a null node is refused with
    /// one line).
    void addObject(Node* node);
    /// Removes the first occurrence of `node`; returns it, or null.
    Node* removeObject(Node* node);
    /// Rotation in degrees about the view axis, applied from the next Render.
    void SceneRotation(int degrees);
    /// Switches GL blending on or off now, in the current context.
    void Blending(bool on);
    /// Draws the children into `target`, whose context the caller made current.
    /// Between children it issues only the state changes the next child
    /// needs, and leaves GL as the full per-child sequence would (see
    /// docs/scene.md). A null target is refused with one line.
    void Render(CRenderTarget* target);

    const TContext* getContext() const { return context; }
    int getRotation() const { return rotation; }

private:
    CScene();
    void ConstructL();
    /// The loop over the children: every state call through `state`, which
    /// leaves out what is in force or, when it does not track, issues all.
    /// With a `view`, geometry wholly outside it is left out.
    void DrawChildren(varnox::RenderState& state, const varnox::View* view);
    /// The view of a Render into a target of width × height at `degrees`
    /// (0 to 359): the last one while they stay the same; null when GL
    /// refuses the projection.
    const varnox::View* ViewFor(int width, int height, int degrees);

    TContext* context = nullptr;
    int rotation = 0;
    /// Every child gets the full state sequence (VARNOX_NO_STATE_ELISION=1
    /// when the scene was made).
    bool fullSequence = false;
    /// Geometry outside the view is left out (not with the full sequence,
    /// nor with VARNOX_NO_CULLING=1 when the scene was made).
    bool culling = false;
    /// The last view, and what it was made for.
    varnox::View* view = nullptr;
    int viewSize[3] = { -1, -1, -1 };
    bool viewUsable = false;
};
