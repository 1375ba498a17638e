#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/DiscoveredMenuBarItem.h"

namespace tessivane {

class GenericHostMemo;

// Rows kept so far by a merge of discovery, looked up by what `isSameAppRow` can match on,
// so that a new row is not compared with every kept one: a row it takes for the same icon
// either stands within the same-row distance of it, or shares its bundle and its title
// (ignoring case). The rule itself still decides between the rows found.
class SameAppRowIndex {
public:
    explicit SameAppRowIndex(GenericHostMemo& hosts) : hosts_(hosts) {}

    // The first of `rows` (the rows indexed) that `isSameAppRow` takes for `row`.
    std::optional<size_t> firstMatch(const std::vector<DiscoveredMenuBarItem>& rows, const DiscoveredMenuBarItem& row);
    void add(size_t index, const DiscoveredMenuBarItem& row);
    // Takes a row out under the place and title it was added with.
    void remove(size_t index, const DiscoveredMenuBarItem& row);

private:
    static std::optional<std::string> bundleTitleKey(const DiscoveredMenuBarItem& row);

    GenericHostMemo& hosts_;
    std::multimap<double, size_t> byMinX_;
    std::unordered_map<std::string, std::vector<size_t>> byBundleTitle_;  // each in ascending order
};

}  // namespace tessivane
