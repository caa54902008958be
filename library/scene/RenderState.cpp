#include "scene/RenderState.h"

#include <cstring>

#include <varnox/Node.h>
#include <varnox/kxExtensions.h>

#include "core/Settings.h"
#include "scene/VertexLayout.h"

namespace varnox {

namespace {

    RenderState immediate(false);
    // One thread draws (the one whose context is current): no lock.
    RenderState* current = nullptr;

    OwnImplementations& OwnTraversals()
    {
        static OwnImplementations own;
        return own;
    }

} // namespace

bool NoteOwnTraverse(const Node& node, Traversal traversal)
{
    OwnTraversals().Note(node, &Node::traverse, static_cast<int>(traversal));
    return true;
}

Traversal TraversalOf(const Node& node)
{
    return static_cast<Traversal>(OwnTraversals().KindOf(node, &Node::traverse));
}

bool StateElisionDisabled()
{
    return SwitchOn("VARNOX_NO_STATE_ELISION");
}

RenderState& RenderState::Current()
{
    return current ? *current : immediate;
}

RenderState::Scope::Scope(RenderState* state)
    : previous(current)
    , binder(state)
{
    current = state;
}

RenderState::Scope::~Scope()
{
    current = previous;
}

RenderState::RenderState(bool tracking, unsigned int group)
    : track(tracking)
    , shareGroup(group)
{
}

void RenderState::WantProgram(unsigned int name, bool takes)
{
    // GL may refuse this program and keep the one in use: that must be the
    // one the full sequence would have in use by then (the 0 of the last
    // child's undoing, say), so what is wanted before it is issued first.
    if (!takes)
        IssueProgram();
    wantedProgram = { name, true };
    wantedProgramTakes = takes;
    if (!track)
        IssueProgram();
}

void RenderState::Flush()
{
    IssueProgram();
    IssueTexCoordArray();
    IssueTexture();
    IssueTexturing();
}

void RenderState::FlushUndo()
{
    IssueTexturing();
    IssueTexCoordArray();
    IssueProgram();
    IssueTexture();
}

void RenderState::Finish()
{
    FlushUndo();
    RestoreArrayBinding();
}

void RenderState::BeforeForeign()
{
    Flush();
    RestoreArrayBinding();
}

void RenderState::RestoreArrayBinding()
{
    if (!fullArrayBinding.known || (arrayBinding.known && arrayBinding.value == fullArrayBinding.value))
        return;
    kxgl::glBindBuffer(GL_ARRAY_BUFFER, fullArrayBinding.value);
    arrayBinding = fullArrayBinding;
}

void RenderState::ForeignDone()
{
    program.known = false;
    texCoordArray.known = false;
    texture.known = false;
    texturing.known = false;
    normalArray.known = false;
    colorArray.known = false;
    lineWidth.known = false;
    colour.known = false;
    BuffersDeleted();
    // Everything wanted was issued before the foreign code ran.
    wantedProgram.known = false;
    wantedTexCoordArray.known = false;
    wantedTexture.known = false;
    wantedTexturing.known = false;
}

void RenderState::ObjectDeleted()
{
    program.known = false;
    texture.known = false;
}

void RenderState::BuffersDeleted()
{
    vertexSource.known = false;
    vertexComponents.known = false;
    normalSource.known = false;
    texCoordSource.known = false;
    colorSource.known = false;
    arrayBinding.known = false;
    elementBinding.known = false;
    fullArrayBinding.known = false;
}

template <class SetPointer>
void RenderState::ArrayPointer(Known<unsigned int>& source, unsigned int buffer, SetPointer set)
{
    // The full sequence binds the buffer here whether or not the pointer
    // call is left out.
    fullArrayBinding = { buffer, track };
    if (source.known && source.value == buffer)
        return;
    if (!arrayBinding.known || arrayBinding.value != buffer)
        kxgl::glBindBuffer(GL_ARRAY_BUFFER, buffer);
    set();
    arrayBinding = { buffer, track };
    source = { buffer, track };
}

void RenderState::SetVertexPointer(unsigned int buffer, int components)
{
    if (vertexComponents.known && vertexComponents.value != components)
        vertexSource.known = false;
    ArrayPointer(vertexSource, buffer, [components] { glVertexPointer(components, GL_FLOAT, 0, nullptr); });
    vertexComponents = { components, track };
}

void RenderState::NormalPointer(unsigned int buffer)
{
    ArrayPointer(normalSource, buffer, [] { glNormalPointer(GL_FLOAT, 0, nullptr); });
}

void RenderState::SetTexCoordPointer(unsigned int buffer)
{
    ArrayPointer(texCoordSource, buffer, [] { glTexCoordPointer(kTexCoordFloats, GL_FLOAT, 0, nullptr); });
}

void RenderState::ColorPointer(unsigned int buffer)
{
    ArrayPointer(colorSource, buffer, [] { glColorPointer(kColorFloats, GL_FLOAT, 0, nullptr); });
}

void RenderState::ElementBuffer(unsigned int buffer)
{
    if (elementBinding.known && elementBinding.value == buffer)
        return;
    kxgl::glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
    elementBinding = { buffer, track };
}

void RenderState::ArrayBufferBound(unsigned int buffer)
{
    arrayBinding = { buffer, track };
    fullArrayBinding = { buffer, track };
}

void RenderState::ElementBufferBound(unsigned int buffer)
{
    elementBinding = { buffer, track };
}

void RenderState::IssueProgram()
{
    if (!wantedProgram.known)
        return;
    wantedProgram.known = false;
    const unsigned int name = wantedProgram.value;
    if (program.known && program.value == name)
        return;
    kxgl::glUseProgram(name);
    // A program GL refuses leaves the one in use current, which this does
    // not know.
    program = { name, track && wantedProgramTakes };
}

void RenderState::IssueTexCoordArray()
{
    if (!wantedTexCoordArray.known)
        return;
    wantedTexCoordArray.known = false;
    ClientArray(texCoordArray, GL_TEXTURE_COORD_ARRAY, wantedTexCoordArray.value);
}

void RenderState::IssueTexture()
{
    if (!wantedTexture.known)
        return;
    wantedTexture.known = false;
    const unsigned int name = wantedTexture.value;
    if (texture.known && texture.value == name)
        return;
    glBindTexture(GL_TEXTURE_2D, name);
    texture = { name, track };
}

void RenderState::IssueTexturing()
{
    if (!wantedTexturing.known)
        return;
    wantedTexturing.known = false;
    const bool on = wantedTexturing.value;
    if (texturing.known && texturing.value == on)
        return;
    if (on)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
    texturing = { on, track };
}

void RenderState::ClientArray(Known<bool>& item, unsigned int array, bool on)
{
    if (item.known && item.value == on)
        return;
    if (on)
        glEnableClientState(array);
    else
        glDisableClientState(array);
    item = { on, track };
}

void RenderState::SetLineWidth(float width)
{
    glLineWidth(width);
    lineWidth = { Bits(width), track };
}

void RenderState::SetColor(float r, float g, float b, float a, const Colour& bits)
{
    glColor4f(r, g, b, a);
    colour = { bits, track };
}

void RenderState::SetNormalArray(bool on)
{
    ClientArray(normalArray, GL_NORMAL_ARRAY, on);
}

void RenderState::TexCoordArray(bool on)
{
    // Whatever the scene wanted for the array is overtaken by this call.
    wantedTexCoordArray.known = false;
    ClientArray(texCoordArray, GL_TEXTURE_COORD_ARRAY, on);
}

void RenderState::ColorArray(bool on)
{
    ClientArray(colorArray, GL_COLOR_ARRAY, on);
}

} // namespace varnox
