#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "model/DiscoveredMenuBarItem.h"
#include "model/GenericHostMemo.h"
#include "model/MenuBarIdentity.h"
#include "model/MenuBarItemID.h"

namespace tessivane {

// One discovery list as the vossels' status items compare their members with it: every icon's
// names tokenized and its owner classified once, however many vossels look at the list. One
// list is shared by all the items until the next discovery, and stands for that one scan: the
// workspace is asked which owners are generic hosts once for it. Its items never change once
// made; main thread only.
class LiveMenuBarItems {
public:
    static std::shared_ptr<const LiveMenuBarItems> make(std::vector<DiscoveredMenuBarItem> items);
    explicit LiveMenuBarItems(std::vector<DiscoveredMenuBarItem> items);
    // The names hold views into the items, which therefore never move.
    LiveMenuBarItems(const LiveMenuBarItems&) = delete;
    LiveMenuBarItems& operator=(const LiveMenuBarItems&) = delete;

    const std::vector<DiscoveredMenuBarItem>& items() const { return items_; }

    // For each member identity in order, the index of the first item it matches; identities
    // that match nothing are left out, and two identities matching one item give it twice.
    // With `stopAtFirst`, at most the first match.
    std::vector<size_t> matchedIndices(const std::vector<MenuBarItemID>& memberIDs, bool stopAtFirst) const;
    // Whether a stored member identity stands for a live item, as the popover sees it.
    static bool matches(const MenuBarItemID& stored, const DiscoveredMenuBarItem& item);

private:
    struct Live {
        MenuBarIdentity::Names names;
        bool isOwnIcon;
        bool isGenericHost;
    };
    static bool matchesLive(const MenuBarItemID& stored, const MenuBarIdentity::Names& storedNames,
                            const DiscoveredMenuBarItem& item, const Live& live);

    std::vector<DiscoveredMenuBarItem> items_;
    std::vector<Live> live_;
    // Remembers the answers for stored members' owners as well.
    mutable GenericHostMemo hosts_;
};

}  // namespace tessivane
