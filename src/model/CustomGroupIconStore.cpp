#include "model/CustomGroupIconStore.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/FileLocations.h"
#include "platform/Text.h"

namespace tessivane {

namespace fs = std::filesystem;

namespace {

constexpr double kMenuBarIconHeight = 18;

void report(std::error_code* out, const std::error_code& ec) {
    if (out) *out = ec;
}

}  // namespace

CustomGroupIconStore& CustomGroupIconStore::shared() {
    static CustomGroupIconStore store;
    return store;
}

fs::path CustomGroupIconStore::folder() const {
    return platform::FileLocations::applicationSupport() / "Tessivane" / "CustomIcons";
}

std::string CustomGroupIconStore::filename(const fs::path& source, const platform::UUID& groupID) {
    std::string extension = source.extension().string();
    if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
    extension = extension.empty() ? "png" : platform::Text::lowercased(extension);
    return groupID.uuidString() + "." + extension;
}

std::optional<std::string> CustomGroupIconStore::importImage(const fs::path& source, const platform::UUID& groupID,
                                                             std::error_code* error) {
    const fs::path dir = folder();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        report(error, ec);
        return std::nullopt;
    }

    const std::string name = filename(source, groupID);
    const fs::path target = dir / name;
    // Copy beside the target and move it into place, so that a failed copy leaves the
    // earlier icon of this vossel as it was. The copy, not the source, is decoded: what
    // is kept is then exactly what was found to be an image, even if the source changes.
    const fs::path staging = dir / ("." + name + "." + platform::UUID::random().uuidString() + ".import");
    fs::copy_file(source, staging, fs::copy_options::overwrite_existing, ec);
    if (!ec && !platform::Image::fromFile(staging)) ec = std::make_error_code(std::errc::invalid_argument);
    if (!ec) fs::rename(staging, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(staging, ignored);
        report(error, ec);
        return std::nullopt;
    }
    return name;
}

std::optional<fs::path> CustomGroupIconStore::pathOf(const std::optional<std::string>& filename) const {
    if (!filename) return std::nullopt;
    // Names come from stored data; one that is not a single plain file name would reach
    // outside the folder.
    const fs::path name(*filename);
    if (filename->empty() || *filename == "." || *filename == ".." || name.filename() != name ||
        filename->find('/') != std::string::npos) {
        return std::nullopt;
    }
    return folder() / name;
}

CustomGroupIconStore::Loaded* CustomGroupIconStore::entryFor(const std::optional<std::string>& filename) const {
    const auto path = pathOf(filename);
    if (!path) return nullptr;
    struct stat st {};
    if (::stat(path->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        loaded_.erase(path->string());
        return nullptr;
    }
    const FileStamp stamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                          static_cast<uint64_t>(st.st_size),
                          static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    Loaded& entry = loaded_[path->string()];
    if (!(entry.stamp == stamp)) entry = Loaded{stamp};
    return &entry;
}

std::optional<platform::Image> CustomGroupIconStore::image(const std::optional<std::string>& filename) const {
    Loaded* entry = entryFor(filename);
    if (!entry || entry->unreadable) return std::nullopt;
    if (auto bitmap = entry->bitmap.lock()) return platform::Image::pixels(std::move(bitmap), entry->size);
    auto image = platform::Image::fromFile(*pathOf(filename));
    if (!image) {
        entry->unreadable = true;
        return std::nullopt;
    }
    image->setTemplate(false);
    entry->bitmap = image->bitmap();
    entry->size = image->size();
    return image;
}

std::optional<platform::Image> CustomGroupIconStore::menuBarImage(const std::optional<std::string>& filename) const {
    Loaded* entry = entryFor(filename);
    if (!entry) return std::nullopt;
    if (!entry->menuBar) {
        auto full = image(filename);
        if (!full) return std::nullopt;
        entry->menuBar = resizedForMenuBar(*full);
    }
    return entry->menuBar;
}

void CustomGroupIconStore::deleteFile(const std::optional<std::string>& filename) {
    const auto path = pathOf(filename);
    if (!path) return;
    loaded_.erase(path->string());
    std::error_code ignored;
    fs::remove(*path, ignored);
}

platform::Image CustomGroupIconStore::resizedForMenuBar(const platform::Image& image) {
    const platform::Size source = image.size();
    const double width = std::max(kMenuBarIconHeight, kMenuBarIconHeight * source.width / std::max(source.height, 1.0));
    platform::Image resized = image.scaled({width, kMenuBarIconHeight});
    resized.setTemplate(false);
    return resized;
}

}  // namespace tessivane
