#include <varnox/Group.h>

#include <algorithm>

#include "scene/RenderState.h"

namespace {
// The list's first storage; it doubles whenever it is full.
constexpr int kFirstCapacity = 64;
} // namespace

Group::Group()
{
    static const bool noted = varnox::NoteOwnTraverse(*this, varnox::Traversal::nothing);
    (void)noted;
}

Group::~Group()
{
    delete[] children.storage;
}

void Group::traverse(TContext*)
{
}

bool Group::isGroup() const
{
    return true;
}

void Group::append(Node* node)
{
    if (children.count == static_cast<unsigned int>(children.capacity)) {
        if (!children.storage) {
            children.capacity = kFirstCapacity;
            children.storage = new Node*[children.capacity];
        } else {
            Node** grown = new Node*[2 * children.capacity];
            std::copy(children.storage, children.storage + children.capacity, grown);
            delete[] children.storage;
            children.storage = grown;
            children.capacity *= 2;
        }
    }
    children.storage[children.count++] = node;
}

Node* Group::remove(Node* node)
{
    if (!children.storage)
        return nullptr;
    Node** end = children.storage + children.count;
    Node** found = std::find(children.storage, end, node);
    if (found == end)
        return nullptr;
    std::copy(found + 1, end, found);
    --children.count;
    return node;
}
