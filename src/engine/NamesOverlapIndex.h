#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/MenuBarIdentity.h"

namespace tessivane {

// Names of the entries of a scan, looked up by what `MenuBarIdentity::namesOverlap` can match
// on, so that an extra is not compared with every entry. Two names overlap when they are equal
// ignoring case or one holds a word of the other as a run of its folded text; such a word has
// at least four characters, so the two then share a run of four bytes of that text: the
// word's first four against one of the name's. Only entries that share a name or such a run
// are compared, by the rule itself.
class NamesOverlapIndex {
public:
    void reserve(size_t entries);
    // Holds the names' views: their strings must outlive the index.
    void add(MenuBarIdentity::Names names);
    // Whether the names of some entry added overlap `stored`.
    bool anyOverlaps(const MenuBarIdentity::Names& stored);

private:
    using Entries = std::vector<uint32_t>;  // each in ascending order, without repeats
    static void append(Entries& entries, uint32_t entry);
    // Indexes the entries added since the last query: a scan whose extras are all known by
    // their bundles asks none.
    void indexAdded();
    // Whether the entry overlaps `stored`, unless this query has compared it already.
    bool overlaps(uint32_t entry, const MenuBarIdentity::Names& stored);
    bool someOverlaps(const Entries& entries, const MenuBarIdentity::Names& stored);

    std::vector<MenuBarIdentity::Names> names_;
    std::unordered_map<std::string, Entries> byName_;      // a name's case-insensitive key
    std::unordered_map<uint32_t, Entries> byRun_;          // every run of four bytes of a name's folded text
    std::unordered_map<uint32_t, Entries> byWordStart_;    // the first four bytes of a word's folded text
    Entries withShortWords_;                                // a word folded to fewer bytes: always compared
    std::vector<uint32_t> comparedIn_;                      // the query that last compared each entry
    size_t indexed_ = 0;
    uint32_t query_ = 0;
};

}  // namespace tessivane
