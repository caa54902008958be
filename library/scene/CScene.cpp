#include <varnox/CScene.h>

#include <GL/gl.h>

#include <varnox/CRenderTarget.h>
#include <varnox/ImageObject.h>

#include "scene/RenderState.h"

#include "core/Print.h"

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
}

CScene::~CScene()
{
    delete context;
}

void CScene::addObject(Node* node)
{
    // The render loop reads every entry's flag: a null entry would crash it.
    if (!node) {
        varnox::Print("CScene: addObject refused a null node\n");
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
        varnox::Print("CScene: Render refused a null target\n");
        return;
    }
    const int w = target->width;
    const int h = target->height;
    const int hw = w / 2;
    const int hh = h / 2;

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

    if (fullSequence)
        DrawChildrenFully();
    else
        DrawChildren();
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

} // namespace

// Each child's shader, texture-coordinate array, texture and the state of
// its geometry go through a tracker that leaves out what is already in force.
// The undoing after a child is only wanted: it is issued where the next child
// does not want the state back, or at the end. The library's own nodes,
// textures and shaders are drawn and bound through the tracker; anything
// else (a client's class) runs exactly as in the full sequence, sees the
// same state, and after it nothing is assumed.
void CScene::DrawChildren()
{
    varnox::RenderState state(true);
    for (unsigned int i = 0; i < children.count; ++i) {
        Node* node = children.storage[i];
        if (!node->visible)
            break;
        Shader* shader = node->getShader();
        Texture* texture = node->getTexture();
        const bool ownShader = shader && varnox::IsLibraryShader(*shader);
        const bool ownTexture = texture && varnox::IsLibraryTexture(*texture);
        // A library shader without a program object (made with no context)
        // binds and unbinds nothing.
        if (shader) {
            if (ownShader) {
                if (shader->program)
                    state.WantProgram(shader->program, shader->linked);
            } else {
                state.BeforeForeign();
                shader->bind(context);
                state.ForeignDone();
            }
        }
        if (texture) {
            state.WantTexCoordArray(true);
            if (ownTexture) {
                state.WantTexture(texture->texture);
                state.WantTexturing(true);
            } else {
                state.BeforeForeign();
                texture->bind();
                state.ForeignDone();
            }
        }
        state.Flush();
        PushChildMatrix(*node);
        switch (varnox::KindOf(*node)) {
        case varnox::NodeKind::nothing:
            break;
        case varnox::NodeKind::geometry:
            static_cast<Geometry*>(node)->draw(state);
            break;
        case varnox::NodeKind::image:
            static_cast<ImageObject*>(node)->fitAndDraw(context, state);
            break;
        case varnox::NodeKind::client:
            state.BeforeForeign();
            node->traverse(context);
            state.ForeignDone();
            break;
        }
        glPopMatrix();
        if (texture) {
            if (ownTexture) {
                state.WantTexturing(false);
            } else {
                state.BeforeForeign();
                texture->unbind();
                state.ForeignDone();
            }
            state.WantTexCoordArray(false);
        }
        if (shader) {
            if (ownShader) {
                if (shader->program)
                    state.WantProgram(0, true);
            } else {
                state.BeforeForeign();
                shader->unbind(context);
                state.ForeignDone();
            }
        }
    }
    state.FlushUndo();
}

// Every call of every child's sequence, as it stands.
void CScene::DrawChildrenFully()
{
    for (unsigned int i = 0; i < children.count; ++i) {
        Node* node = children.storage[i];
        if (!node->visible)
            break;
        Shader* shader = node->getShader();
        Texture* texture = node->getTexture();
        if (shader)
            shader->bind(context);
        if (texture) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            texture->bind();
        }
        PushChildMatrix(*node);
        node->traverse(context);
        glPopMatrix();
        if (texture) {
            texture->unbind();
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        if (shader)
            shader->unbind(context);
    }
}
