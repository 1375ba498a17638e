#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/Environment.h"
#include "ui/Node.h"

namespace ui {

class View;

// One node of a host's rendered tree: the node as the body described it, the child views
// expanded, with a stable id (its place in the tree: "0.2.1", a keyed child "0.3.@key",
// a background or overlay "0.2/m1", a menu item "0.4/i2", a context menu item "0.4/c0", a
// presented alert "0/a0", a presented popover "0.5/p").
struct RenderedNode {
    enum class Slot { content, modifierContent, menuItem, contextMenuItem, alert, popover };

    std::string id;
    size_t idHash = 0;  // NodeIndex::hash(id), made once for the renders that keep the node
    Node node;
    std::shared_ptr<View> view;  // NodeKind::view
    RenderedNode* parent = nullptr;
    Slot slot = Slot::content;
    int slotIndex = 0;  // the modifier, item or alert this node stands for
    Environment environment;
    std::vector<std::unique_ptr<RenderedNode>> children;
    int chosenCandidate = 0;  // ViewThatFits
    // Whether this node or one below it has appear, disappear or change handlers, or is a field
    // with a focus binding: the walks that look for those pass by the rest of the tree.
    bool hooks = false;
    // Whether this node or one below it is made anew each time, whatever its view's inputs: it
    // shows a binding as it reads when written (a switch, a field, a picker), reads one when
    // expanded (an alert, a popover), chooses by the room around it (ViewThatFits), or was
    // expanded only in part. Such a subtree is neither kept from the render before nor copied
    // from its text.
    bool live = false;
    // Where the host's text of the render `textGeneration` holds this node (see
    // TreeSerializer::Reuse): a subtree kept from that render is copied from there.
    mutable uint64_t textGeneration = 0;
    mutable uint32_t textBegin = 0, textLength = 0;

    const NodeData& data() const { return node.data(); }
    NodeKind kind() const { return node.kind(); }
    // Children in the given slot (content children of a stack, the items of a menu...).
    std::vector<const RenderedNode*> childrenIn(Slot s) const {
        std::vector<const RenderedNode*> out;
        for (auto& c : children)
            if (c->slot == s) out.push_back(c.get());
        return out;
    }
};

}  // namespace ui
