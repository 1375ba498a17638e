#pragma once
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/Image.h"

namespace ui {

// Pictures reach the display by reference, so that what it is sent does not grow with the
// pixels of an image: a bitmap is encoded as PNG once per bitmap object and named by the
// SHA-256 of those bytes, and the page fetches the bytes by that name. A name always stands
// for the same bytes, so the page may keep what it fetched for good. The bytes are kept
// while a bitmap they were made from lives. Any thread.
class ImageReferences {
public:
    static ImageReferences& shared();

    // The name of the bitmap's PNG; empty when it cannot be encoded.
    std::string reference(const std::shared_ptr<const platform::Bitmap>& bitmap);
    // The PNG a name stands for; null when no live bitmap has it.
    std::shared_ptr<const std::string> png(const std::string& reference);
    // How many encoded pictures are kept.
    size_t count();

private:
    struct Encoded {
        std::weak_ptr<const platform::Bitmap> bitmap;
        std::string reference;
    };
    // Forgets bitmaps that went away, and the bytes no live bitmap has. With mutex_ held.
    void dropExpired();

    std::mutex mutex_;
    std::unordered_map<const platform::Bitmap*, Encoded> encoded_;
    std::unordered_map<std::string, std::shared_ptr<const std::string>> pngs_;
};

}  // namespace ui
