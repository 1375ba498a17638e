#include "model/DiscoveredMenuBarItem.h"

#include "platform/Platform.h"
#include "platform/Workspace.h"

namespace tessivane {

std::string DiscoveredMenuBarItem::displayName() const {
    if (!title.empty()) return title;
    if (bundleIdentifier && platform::services().workspace) {
        const platform::Workspace& workspace = platform::workspace();
        if (auto path = workspace.urlForApplication(*bundleIdentifier)) return workspace.displayName(*path);
    }
    if (!ownerName.empty()) return ownerName;
    return "Unknown";
}

}  // namespace tessivane
