#pragma once
#include <optional>
#include <string>
#include <vector>

#include "model/DiscoveredMenuBarItem.h"
#include "model/IconGroup.h"
#include "model/MenuBarItemID.h"
#include "platform/Color.h"
#include "ui/RenderedNode.h"
#include "ui/View.h"

namespace statusitems_test {

// A live icon as discovery reports it.
tessivane::DiscoveredMenuBarItem liveItem(const std::string& title, const std::string& owner = "Owner",
                                          std::optional<std::string> bundle = std::nullopt, uint32_t windowID = 0,
                                          double minX = 0, int64_t index = 0);
// The identity under which that icon became a member.
tessivane::MenuBarItemID storedID(const std::string& title, const std::string& owner = "Owner",
                                  std::optional<std::string> bundle = std::nullopt, int64_t index = 0);
tessivane::IconGroup vossel(const std::string& name, std::vector<tessivane::MenuBarItemID> members = {},
                            const std::string& symbol = "star.fill", const std::string& colorHex = "");

// Rendered nodes whose view is of type V, in tree order.
template <class V>
void collectViews(const ui::RenderedNode& node, std::vector<const ui::RenderedNode*>& out) {
    if (node.view && dynamic_cast<V*>(node.view.get())) out.push_back(&node);
    for (const auto& child : node.children) collectViews<V>(*child, out);
}
template <class V>
std::vector<const ui::RenderedNode*> viewsOf(const ui::RenderedNode& root) {
    std::vector<const ui::RenderedNode*> out;
    collectViews<V>(root, out);
    return out;
}

// The colour of the first background drawn at or under `node`.
std::optional<platform::Color> firstBackground(const ui::RenderedNode& node);
// Every text shown at or under `node`, in tree order.
std::vector<std::string> texts(const ui::RenderedNode& node);

}  // namespace statusitems_test
