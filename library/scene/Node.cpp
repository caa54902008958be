#include <varnox/Node.h>

#include "scene/RenderState.h"

// Node, Group, Geometry and the image object each note their traverse once:
// the scene draws a node whose class overrides none of them through its
// state tracker.
Node::Node()
    : colour(1.0f, 1.0f, 1.0f, 1.0f)
{
    static const bool noted = varnox::NoteOwnTraverse(*this, varnox::Traversal::nothing);
    (void)noted;
}

Node::Node(const Node& source)
    : kxTransform(source)
    , colour(source.colour)
    , textureParam(source.textureParam)
{
    texture = source.texture.get();
    visible = source.visible;
}

// The references release in reverse order of declaration: shader, then texture.
Node::~Node() = default;

void Node::traverse(TContext*)
{
}

bool Node::isGroup() const
{
    return false;
}

void Node::setColor(const kxVec4& c)
{
    colour = c;
}

kxVec4& Node::getColor()
{
    return colour;
}

void Node::addTexture(Texture* t, int param)
{
    texture = t;
    textureParam = param;
}

void Node::setShader(Shader* s)
{
    shader = s;
}
