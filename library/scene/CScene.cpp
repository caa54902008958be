#include <varnox/CScene.h>

#include <GL/gl.h>

#include <varnox/CRenderTarget.h>
#include <varnox/Geometry.h>

#include "core/Print.h"
#include "core/ShareGroup.h"
#include "core/Settings.h"
#include "materials/Binding.h"
#include "scene/Culling.h"
#include "scene/RenderState.h"

namespace {
// Depths from -kDepthRange to kDepthRange lie inside the view volume.
constexpr double kDepthRange = 1000.0;
} // namespace

CScene* CScene::NewL()
{
    CScene* scene = new CScene();
    scene->ConstructL();
    return scene;
}

CScene::CScene() = default;

void CScene::ConstructL()
{
    context = new TContext();
    fullSequence = varnox::StateElisionDisabled();
    culling = !fullSequence && !varnox::SwitchOn("VARNOX_NO_CULLING");
    view = new varnox::View();
}

CScene::~CScene()
{
    delete view;
    delete context;
}

const varnox::View* CScene::ViewFor(int w, int h, int d)
{
    if (viewSize[0] != w || viewSize[1] != h || viewSize[2] != d) {
        viewSize[0] = w;
        viewSize[1] = h;
        viewSize[2] = d;
        const double hw = w / 2.0, hh = h / 2.0;
        viewUsable = varnox::Culling::MakeView(
            *view, w, h, hw, hh, d < 180 ? -hw : hw, d >= 90 && d < 270 ? -hh : hh, d, kDepthRange);
        view->id = varnox::Culling::NextViewId();
    }
    return viewUsable ? view : nullptr;
}

void CScene::addObject(Node* node)
{
    // The render loop reads every entry's flag: a null entry would crash it.
    if (!node) {
        varnox::Print(varnox::Kind::Refusal, "CScene: addObject refused a null node\n");
        return;
    }
    append(node);
}

Node* CScene::removeObject(Node* node)
{
    return remove(node);
}

void CScene::SceneRotation(int degrees)
{
    rotation = degrees;
}

void CScene::Blending(bool on)
{
    if (on)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
}

void CScene::Render(CRenderTarget* target)
{
    // No target: nothing to draw into and no size to set up from.
    if (!target) {
        varnox::Print(varnox::Kind::Refusal, "CScene: Render refused a null target\n");
        return;
    }
    const int w = target->width;
    const int h = target->height;
    // Half the target in scene units, halves included: W × H units on W × H
    // pixels whatever the parity, so that a unit is a pixel (integer halves
    // would squeeze W units onto W - 1 for an odd side, and leave a side of
    // one pixel with an empty projection that GL refuses).
    const double hw = w / 2.0;
    const double hh = h / 2.0;

    // The rotation in 0..359; the scene origin goes to the corner that keeps
    // the scene's axes pointing into the target.
    const int d = ((rotation % 360) + 360) % 360;
    const float tx = static_cast<float>(d < 180 ? -hw : hw);
    const float ty = static_cast<float>(d >= 90 && d < 270 ? -hh : hh);
    if (d == 0 || d == 180) {
        context->width = static_cast<float>(w);
        context->height = static_cast<float>(h);
    } else if (d == 90 || d == 270) {
        context->width = static_cast<float>(h);
        context->height = static_cast<float>(w);
    }

    glViewport(0, 0, w, h);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-hw, hw, -hh, hh, -kDepthRange, kDepthRange);
    glTranslatef(tx, ty, 0.0f);
    glRotatef(static_cast<float>(d), 0.0f, 0.0f, 1.0f);
    glScalef(1.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    varnox::RenderState state(!fullSequence, varnox::ShareGroupOf(target->hglrc));
    DrawChildren(state, culling ? ViewFor(w, h, d) : nullptr);
}

namespace {

void PushChildMatrix(Node& node)
{
    glPushMatrix();
    const kxVec3 translation = node.getTranslation();
    const kxVec4 turn = node.getRotation();
    const kxVec3 scale = node.getScale();
    glTranslatef(translation.x, translation.y, translation.z);
    glRotatef(turn.x, turn.y, turn.z, turn.w);
    glScalef(scale.x, scale.y, scale.z);
}

// The child's shader and texture, held (counted) from before its bind until
// after its unbind: the child's own code may give its node another one and
// so release the last other reference. When this hold was the last one, the
// object goes when the child is done, and GL's bindings with it.
class HeldForChild {
public:
    HeldForChild(Shader* s, Texture* t)
    {
        shader = s;
        texture = t;
    }
    void Release(varnox::RenderState& state)
    {
        const bool last
            = (shader.get() && shader.get()->count == 1) || (texture.get() && texture.get()->count == 1);
        shader = nullptr;
        texture = nullptr;
        if (last)
            state.ObjectDeleted();
    }

private:
    kxReference<Shader> shader;
    kxReference<Texture> texture;
};

// Whether `group` (the share group a shader's or texture's GL object was made
// in) is the target's; otherwise the child is refused with one line.
bool Usable(const varnox::RenderState& state, const char* what, unsigned int group)
{
    if (state.Shares(group))
        return true;
    varnox::Print(varnox::Kind::Refusal,
        "CScene: Render refused a node: its %s belongs to share group %u, the target to %u\n", what, group,
        state.TargetShareGroup());
    return false;
}

// How many children ahead DrawChildren asks for memory, and how much of
// each: the fields it reads of a node it leaves out (a geometry's) lie in
// the first 140 bytes, three cache lines from any start.
constexpr unsigned int kPrefetchAhead = 16;
constexpr int kPrefetchBytes = 140;

void Prefetch(const Node* node)
{
    const char* bytes = reinterpret_cast<const char*>(node);
    for (int offset = 0; offset < kPrefetchBytes; offset += 64)
        __builtin_prefetch(bytes + offset);
}

} // namespace

// Each child's sequence, every state call through `state`. The library's
// own bind, unbind and traverse (a class that overrides none of them, a
// client's included) make their calls through it too; anything else (a
// client's override) runs as foreign code: it sees the full sequence's
// state, and after it nothing is assumed (RenderState::Run).
void CScene::DrawChildren(varnox::RenderState& state, const varnox::View* view)
{
    varnox::RenderState::Scope tracking(&state);
    varnox::ByClass<varnox::Traversal> traversals;
    varnox::ByClass<bool> ownTextureBind, ownTextureUnbind;
    const auto ownBind = [&](const Texture& t) {
        return ownTextureBind.Of(t, [](const Texture& c) { return varnox::OwnBind(c); });
    };
    const auto ownUnbind = [&](const Texture& t) {
        return ownTextureUnbind.Of(t, [](const Texture& c) { return varnox::OwnUnbind(c); });
    };
    for (unsigned int i = 0; i < children.count; ++i) {
        Node* node = children.storage[i];
        // Most of what a node left out costs is waiting for its memory: ask
        // for the nodes a few places on while this one is looked at.
        if (i + kPrefetchAhead < children.count)
            Prefetch(children.storage[i + kPrefetchAhead]);
        if (!node->visible)
            break;
        const varnox::Traversal traversal
            = traversals.Of(*node, [](const Node& n) { return varnox::TraversalOf(n); });
        Shader* shader = node->getShader();
        Texture* texture = node->getTexture();
        if (view && traversal == varnox::Traversal::geometry
            && varnox::Culling::Outside(static_cast<Geometry&>(*node), *view) && !shader
            && (!texture || (ownBind(*texture) && ownUnbind(*texture))))
            continue;
        if ((shader && !Usable(state, "shader", shader->shareGroup))
            || (texture && !Usable(state, "texture", texture->shareGroup)))
            continue;
        HeldForChild held(shader, texture);
        if (shader)
            state.Run(varnox::OwnBind(*shader), [&] { shader->bind(context); });
        if (texture) {
            state.WantTexCoordArray(true);
            state.Run(ownBind(*texture), [&] { texture->bind(); });
        }
        state.Flush();
        PushChildMatrix(*node);
        state.Run(traversal != varnox::Traversal::client, [&] { node->traverse(context); });
        glPopMatrix();
        if (texture) {
            state.Run(ownUnbind(*texture), [&] { texture->unbind(); });
            state.WantTexCoordArray(false);
        }
        if (shader)
            state.Run(varnox::OwnUnbind(*shader), [&] { shader->unbind(context); });
        held.Release(state);
    }
    state.Finish();
}
