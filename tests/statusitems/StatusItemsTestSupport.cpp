#include "StatusItemsTestSupport.h"

#include "ui/Node.h"

namespace statusitems_test {

tessivane::DiscoveredMenuBarItem liveItem(const std::string& title, const std::string& owner,
                                          std::optional<std::string> bundle, uint32_t windowID, double minX,
                                          int64_t index) {
    tessivane::DiscoveredMenuBarItem item;
    item.id = storedID(title, owner, bundle, index);
    item.title = title;
    item.ownerName = owner;
    item.bundleIdentifier = bundle;
    item.itemIndex = index;
    item.windowID = windowID;
    item.frame = platform::Rect{minX, 1093, 24, 24};
    return item;
}

tessivane::MenuBarItemID storedID(const std::string& title, const std::string& owner,
                                  std::optional<std::string> bundle, int64_t index) {
    tessivane::MenuBarItemID id;
    id.bundleIdentifier = std::move(bundle);
    if (!title.empty()) id.title = title;
    if (!owner.empty()) id.ownerName = owner;
    id.itemIndex = index;
    return id;
}

tessivane::IconGroup vossel(const std::string& name, std::vector<tessivane::MenuBarItemID> members,
                            const std::string& symbol, const std::string& colorHex) {
    tessivane::IconGroup group;
    group.id = platform::UUID::random();
    group.name = name;
    group.symbolName = symbol;
    group.symbolColorHex = colorHex;
    group.memberIDs = std::move(members);
    return group;
}

std::optional<platform::Color> firstBackground(const ui::RenderedNode& node) {
    for (const auto& m : node.data().modifiers) {
        if (m.kind == ui::Modifier::Kind::background && m.color) return m.color;
    }
    for (const auto& child : node.children) {
        if (auto c = firstBackground(*child)) return c;
    }
    return std::nullopt;
}

namespace {
void collectTexts(const ui::RenderedNode& node, std::vector<std::string>& out) {
    if (node.kind() == ui::NodeKind::text) out.push_back(node.data().text);
    for (const auto& child : node.children) collectTexts(*child, out);
}
}  // namespace

std::vector<std::string> texts(const ui::RenderedNode& node) {
    std::vector<std::string> out;
    collectTexts(node, out);
    return out;
}

}  // namespace statusitems_test
