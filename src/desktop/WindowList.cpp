#include <algorithm>

#include "desktop/ServerWindow.h"

namespace desktop {

std::shared_ptr<ServerWindow> WindowList::create(WindowKind kind, int32_t ownerPID, int level) {
    auto w = std::make_shared<ServerWindow>();
    w->number = nextNumber_++;
    w->kind = kind;
    w->ownerPID = ownerPID;
    w->level = level;
    w->order = nextOrder_++;
    windows_.push_back(w);
    ++changes_;
    byNumber_.emplace(w->number, w.get());
    return w;
}

void WindowList::remove(platform::CGWindowID number) {
    if (byNumber_.erase(number) == 0) return;
    ++changes_;
    // Numbers only grow, so the list in creation order is sorted by number.
    auto it = std::lower_bound(windows_.begin(), windows_.end(), number,
                               [](const auto& w, platform::CGWindowID n) { return w->number < n; });
    if (it != windows_.end() && (*it)->number == number) windows_.erase(it);
}

ServerWindow* WindowList::find(platform::CGWindowID number) const {
    auto it = byNumber_.find(number);
    return it != byNumber_.end() ? it->second : nullptr;
}

void WindowList::orderFront(ServerWindow& window) {
    window.order = nextOrder_++;
    ++changes_;
}

std::vector<ServerWindow*> WindowList::frontToBack() const {
    std::vector<ServerWindow*> out;
    out.reserve(windows_.size());
    for (const auto& w : windows_) out.push_back(w.get());
    std::sort(out.begin(), out.end(), [](const ServerWindow* a, const ServerWindow* b) {
        if (a->level != b->level) return a->level > b->level;
        return a->order > b->order;
    });
    return out;
}

}  // namespace desktop
