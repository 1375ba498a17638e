#include "ui/ImageReferences.h"

#include <unordered_set>

#include "platform/Digest.h"

namespace ui {

ImageReferences& ImageReferences::shared() {
    static ImageReferences references;
    return references;
}

std::string ImageReferences::reference(const std::shared_ptr<const platform::Bitmap>& bitmap) {
    if (!bitmap) return {};
    {
        std::lock_guard lock(mutex_);
        // The address alone could be a new bitmap where a freed one was.
        auto it = encoded_.find(bitmap.get());
        if (it != encoded_.end() && it->second.bitmap.lock() == bitmap) return it->second.reference;
    }
    // Encoded without the lock: a big picture takes a while, and the server reads meanwhile.
    const std::vector<uint8_t> bytes = platform::Image::pixels(bitmap, {}).pngData();
    if (bytes.empty()) return {};
    auto png = std::make_shared<const std::string>(bytes.begin(), bytes.end());
    std::string name = platform::Digest::sha256(*png);
    std::lock_guard lock(mutex_);
    dropExpired();
    encoded_.insert_or_assign(bitmap.get(), Encoded{bitmap, name});
    pngs_.try_emplace(name, std::move(png));
    return name;
}

std::shared_ptr<const std::string> ImageReferences::png(const std::string& reference) {
    std::lock_guard lock(mutex_);
    dropExpired();
    auto it = pngs_.find(reference);
    return it == pngs_.end() ? nullptr : it->second;
}

size_t ImageReferences::count() {
    std::lock_guard lock(mutex_);
    dropExpired();
    return pngs_.size();
}

void ImageReferences::dropExpired() {
    std::unordered_set<std::string> live;
    for (auto it = encoded_.begin(); it != encoded_.end();) {
        if (it->second.bitmap.expired()) {
            it = encoded_.erase(it);
        } else {
            live.insert(it->second.reference);
            ++it;
        }
    }
    for (auto it = pngs_.begin(); it != pngs_.end();) it = live.count(it->first) ? std::next(it) : pngs_.erase(it);
}

}  // namespace ui
