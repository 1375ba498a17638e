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
    return w;
}

void WindowList::remove(platform::CGWindowID number) {
    ++changes_;
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [&](const auto& w) { return w->number == number; }),
                   windows_.end());
}

ServerWindow* WindowList::find(platform::CGWindowID number) const {
    if (number == 0) return nullptr;
    for (const auto& w : windows_) {
        if (w->number == number) return w.get();
    }
    return nullptr;
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
