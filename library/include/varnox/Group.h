#pragma once

#include <varnox/Export.h>
#include <varnox/Node.h>

/// A node holding a list of other nodes, in the order they were added. The
/// list holds plain pointers: adding neither counts nor copies a node, and a
/// group never deletes one. A group draws nothing itself.
class VARNOX_EXPORT Group : public Node {
public:
    Group();
    Group(const Group&) = delete;
    Group& operator=(const Group&) = delete;
    /// Frees the list; the nodes stay alive.
    ~Group() override;

    void traverse(TContext* context) override;
    bool isGroup() const override;

    /// Number of nodes in the list.
    unsigned int childCount() const { return children.count; }
    /// The node at `index`; null when `index` is not below childCount().
    Node* child(unsigned int index) const
    {
        return index < children.count ? children.storage[index] : nullptr;
    }

protected:
    /// Appends `node`; the storage starts at 64 entries and doubles when full.
    void append(Node* node);
    /// Removes the first occurrence of `node`; returns it, or null.
    Node* remove(Node* node);

    struct ChildList {
        Node** storage = nullptr;
        int capacity = 0;
        unsigned int count = 0;
    };
    ChildList children;
};
