#include "engine/NamesOverlapIndex.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/Text.h"

namespace tessivane {

namespace {

constexpr size_t kRun = 4;

uint32_t runAt(std::string_view folded, size_t at) {
    uint32_t run = 0;
    std::memcpy(&run, folded.data() + at, kRun);
    return run;
}

}  // namespace

void NamesOverlapIndex::append(Entries& entries, uint32_t entry) {
    if (entries.empty() || entries.back() != entry) entries.push_back(entry);
}

void NamesOverlapIndex::reserve(size_t entries) {
    names_.reserve(entries);
    comparedIn_.reserve(entries);
}

void NamesOverlapIndex::add(MenuBarIdentity::Names names) {
    names_.push_back(std::move(names));
    comparedIn_.push_back(0);
}

void NamesOverlapIndex::indexAdded() {
    for (; indexed_ < names_.size(); ++indexed_) {
        const auto entry = static_cast<uint32_t>(indexed_);
        const MenuBarIdentity::Names& names = names_[indexed_];
        for (size_t i = 0; i < 2; ++i) {
            const std::string_view text = names.text(i);
            // An empty name takes part in no pair.
            if (text.empty()) continue;
            append(byName_[platform::Text::caseInsensitiveKey(text)], entry);
            const std::string folded = platform::Text::caseInsensitiveSearchKey(text);
            for (size_t at = 0; at + kRun <= folded.size(); ++at) append(byRun_[runAt(folded, at)], entry);
            for (const std::string& word : names.tokens(i)) {
                const std::string foldedWord = platform::Text::caseInsensitiveSearchKey(word);
                if (foldedWord.size() < kRun) {
                    append(withShortWords_, entry);
                } else {
                    append(byWordStart_[runAt(foldedWord, 0)], entry);
                }
            }
        }
    }
}

bool NamesOverlapIndex::overlaps(uint32_t entry, const MenuBarIdentity::Names& stored) {
    if (comparedIn_[entry] == query_) return false;
    comparedIn_[entry] = query_;
    return MenuBarIdentity::namesOverlap(stored, names_[entry]);
}

bool NamesOverlapIndex::someOverlaps(const Entries& entries, const MenuBarIdentity::Names& stored) {
    return std::any_of(entries.begin(), entries.end(), [&](uint32_t entry) { return overlaps(entry, stored); });
}

bool NamesOverlapIndex::anyOverlaps(const MenuBarIdentity::Names& stored) {
    indexAdded();
    ++query_;
    auto someIn = [&](const auto& map, const auto& key) {
        const auto found = map.find(key);
        return found != map.end() && someOverlaps(found->second, stored);
    };
    if (someOverlaps(withShortWords_, stored)) return true;
    for (size_t i = 0; i < 2; ++i) {
        const std::string_view text = stored.text(i);
        if (text.empty()) continue;
        if (someIn(byName_, platform::Text::caseInsensitiveKey(text))) return true;
        // An entry's word inside this name.
        const std::string folded = platform::Text::caseInsensitiveSearchKey(text);
        for (size_t at = 0; at + kRun <= folded.size(); ++at) {
            if (someIn(byWordStart_, runAt(folded, at))) return true;
        }
        // A word of this name inside an entry's.
        for (const std::string& word : stored.tokens(i)) {
            const std::string foldedWord = platform::Text::caseInsensitiveSearchKey(word);
            if (foldedWord.size() >= kRun) {
                if (someIn(byRun_, runAt(foldedWord, 0))) return true;
                continue;
            }
            // Too short to look up (no word of four characters folds so short): every entry.
            for (uint32_t entry = 0; entry < names_.size(); ++entry) {
                if (overlaps(entry, stored)) return true;
            }
        }
    }
    return false;
}

}  // namespace tessivane
