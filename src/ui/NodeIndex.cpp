#include "ui/NodeIndex.h"

#include <functional>
#include <utility>

namespace ui {

size_t NodeIndex::hash(std::string_view id) { return std::hash<std::string_view>{}(id); }

void NodeIndex::reserve(size_t count) {
    size_t capacity = 16;
    while (capacity < 2 * count) capacity *= 2;
    if (capacity <= entries_.size()) return;
    std::vector<Entry> old = std::exchange(entries_, std::vector<Entry>(capacity));
    for (const Entry& e : old) {
        if (e.node) entries_[position(e.node->id, e.hash)] = e;
    }
}

void NodeIndex::grow() { reserve(entries_.empty() ? 8 : entries_.size()); }

size_t NodeIndex::position(std::string_view id, size_t hash) const {
    const size_t mask = entries_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Entry& e = entries_[at];
        if (!e.node || (e.hash == hash && e.node->id == id)) return at;
    }
}

void NodeIndex::insert(RenderedNode& node) {
    if (2 * (size_ + 1) > entries_.size()) grow();
    Entry& e = entries_[position(node.id, node.idHash)];
    if (!e.node) ++size_;
    e = Entry{node.idHash, &node};
}

RenderedNode* NodeIndex::find(std::string_view id) const {
    if (entries_.empty()) return nullptr;
    return entries_[position(id, hash(id))].node;
}

}  // namespace ui
