#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

#include "ui/RenderedNode.h"

namespace ui {

// The nodes of a rendered tree by their ids. Every render fills one anew, with an entry for each
// of up to tens of thousands of nodes, and drops the one before whole: so the entries sit in one
// array (open addressing) rather than one allocation each, and a lookup compares a node's id
// only when the hashes agree.
class NodeIndex {
public:
    static size_t hash(std::string_view id);

    void reserve(size_t count);
    // The node stands for its id from now on (in place of one there before). Its `idHash` must
    // be the hash of its id.
    void insert(RenderedNode& node);
    RenderedNode* find(std::string_view id) const;
    bool contains(std::string_view id) const { return find(id) != nullptr; }
    size_t size() const { return size_; }

    template <class F>
    void forEach(const F& visit) const {
        for (const Entry& e : entries_)
            if (e.node) visit(*e.node);
    }

private:
    struct Entry {
        size_t hash = 0;
        RenderedNode* node = nullptr;  // null: free
    };
    // Where `id` stands, or the free entry where it would go.
    size_t position(std::string_view id, size_t hash) const;
    void grow();

    std::vector<Entry> entries_;  // a power of two in size, at most half full
    size_t size_ = 0;
};

}  // namespace ui
