#include "statusitems/LiveMenuBarItems.h"

#include "model/MemberNames.h"

namespace tessivane {

std::shared_ptr<const LiveMenuBarItems> LiveMenuBarItems::make(std::vector<DiscoveredMenuBarItem> items) {
    return std::make_shared<const LiveMenuBarItems>(std::move(items));
}

LiveMenuBarItems::LiveMenuBarItems(std::vector<DiscoveredMenuBarItem> items) : items_(std::move(items)) {
    live_.reserve(items_.size());
    for (const DiscoveredMenuBarItem& item : items_) {
        live_.push_back({MemberNames::live(item.title, item.ownerName, hosts_),
                         MenuBarIdentity::isSelf(item.bundleIdentifier, item.ownerName),
                         hosts_.isGenericHost(item.bundleIdentifier, item.ownerName)});
    }
}

bool LiveMenuBarItems::matchesLive(const MenuBarItemID& stored, const MenuBarIdentity::Names& storedNames,
                                   const DiscoveredMenuBarItem& item, const Live& live) {
    // The program's own icons all share one owner; only the exact identity tells them apart.
    if (!live.isOwnIcon) {
        if (stored.bundleIdentifier && item.bundleIdentifier && *stored.bundleIdentifier == *item.bundleIdentifier &&
            !live.isGenericHost) {
            return true;
        }
        if (MenuBarIdentity::namesOverlap(storedNames, live.names)) return true;
    }
    return item.id.hasSameIdentityString(stored);
}

std::vector<size_t> LiveMenuBarItems::matchedIndices(const std::vector<MenuBarItemID>& memberIDs,
                                                     bool stopAtFirst) const {
    std::vector<size_t> out;
    if (memberIDs.empty() || items_.empty()) return out;
    for (const MenuBarItemID& stored : memberIDs) {
        const MenuBarIdentity::Names storedNames = MemberNames::stored(stored, hosts_);
        for (size_t i = 0; i < items_.size(); ++i) {
            if (matchesLive(stored, storedNames, items_[i], live_[i])) {
                out.push_back(i);
                if (stopAtFirst) return out;
                break;
            }
        }
    }
    return out;
}

bool LiveMenuBarItems::matches(const MenuBarItemID& stored, const DiscoveredMenuBarItem& item) {
    return LiveMenuBarItems({item}).matchedIndices({stored}, true).size() == 1;
}

}  // namespace tessivane
