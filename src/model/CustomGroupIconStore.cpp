#include "model/CustomGroupIconStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/BackgroundQueue.h"
#include "platform/FileLocations.h"
#include "platform/ImageDecoder.h"
#include "platform/Text.h"

namespace tessivane {

namespace fs = std::filesystem;

namespace {

constexpr double kMenuBarIconHeight = 18;
// Four heights: a wordmark of four to one keeps its proportions, and a vossel never takes
// more of the bar than three or so symbols do.
constexpr double kMenuBarIconMostWidth = 4 * kMenuBarIconHeight;
// Whole images kept when no view shows them: at most 4 MB each (1,024 pixels a side).
constexpr size_t kKeptImages = 32;

void report(std::error_code* out, const std::error_code& ec) {
    if (out) *out = ec;
}

std::error_code lastError() { return {errno, std::generic_category()}; }

struct Descriptor {
    int fd = -1;
    explicit Descriptor(int f) : fd(f) {}
    Descriptor(Descriptor&& o) noexcept : fd(std::exchange(o.fd, -1)) {}
    Descriptor& operator=(Descriptor&&) = delete;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Opened without blocking: a FIFO swapped in for the file is refused by the decoder, never
// waited for.
Descriptor openForReading(const fs::path& path) {
    return Descriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
}

// At most `limit` bytes: a source that holds more than its size said when it was checked
// (it grew meanwhile, or its size says nothing, as in /proc) is refused, not cut short.
std::error_code copyAtMost(int from, int to, uint64_t limit) {
    char buffer[64 * 1024];
    for (uint64_t copied = 0;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return lastError();
        if (n == 0) return {};
        copied += static_cast<uint64_t>(n);
        if (copied > limit) return std::make_error_code(std::errc::file_too_large);
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(to, buffer + written, static_cast<size_t>(n - written));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return lastError();
            written += w;
        }
    }
}

}  // namespace

// An import's copy beside the vossel's file, decoded; removed unless moved into place.
struct CustomGroupIconStore::Staged {
    fs::path staging, target;
    std::string name;
    Decoded decoded;

    Staged(fs::path s, fs::path t, std::string n) : staging(std::move(s)), target(std::move(t)), name(std::move(n)) {}
    Staged(Staged&& o) noexcept
        : staging(std::exchange(o.staging, {})), target(std::move(o.target)), name(std::move(o.name)),
          decoded(std::move(o.decoded)) {}
    Staged& operator=(Staged&&) = delete;
    ~Staged() {
        std::error_code ignored;
        if (!staging.empty()) fs::remove(staging, ignored);
    }
};

CustomGroupIconStore::FileStamp CustomGroupIconStore::stampOf(const struct stat& status) {
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
            static_cast<uint64_t>(status.st_size),
            static_cast<int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

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

std::optional<CustomGroupIconStore::Staged> CustomGroupIconStore::stage(const fs::path& source, const fs::path& dir,
                                                                        const std::string& name, std::error_code& ec) {
    fs::create_directories(dir, ec);
    if (ec) return std::nullopt;
    // Copied beside the target and moved into place later, so that a failed import leaves
    // the earlier icon of this vossel as it was. The copy, not the source, is decoded, from
    // the one descriptor it was written through: what is kept is then exactly what was found
    // to be an image, whatever happens to the source or the name meanwhile.
    Staged staged(dir / ("." + name + "." + platform::UUID::random().uuidString() + ".import"), dir / name, name);
    const Descriptor from = openForReading(source);
    struct stat status {};
    if (from.fd < 0 || ::fstat(from.fd, &status) != 0) {
        ec = lastError();
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        ec = std::make_error_code(S_ISDIR(status.st_mode) ? std::errc::is_a_directory : std::errc::invalid_argument);
        return std::nullopt;
    }
    if (static_cast<uint64_t>(status.st_size) > kMostImportedBytes) {
        ec = std::make_error_code(std::errc::file_too_large);
        return std::nullopt;
    }
    const Descriptor copy(::open(staged.staging.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (copy.fd < 0) {
        staged.staging.clear();  // not ours
        ec = lastError();
        return std::nullopt;
    }
    if ((ec = copyAtMost(from.fd, copy.fd, kMostImportedBytes))) return std::nullopt;
    if (::fstat(copy.fd, &status) != 0) {
        ec = lastError();
        return std::nullopt;
    }
    staged.decoded.stamp = stampOf(status);
    staged.decoded.image = platform::ImageDecoder::decode(copy.fd);
    if (!staged.decoded.image) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    staged.decoded.image->setTemplate(false);
    staged.decoded.menuBar = resizedForMenuBar(*staged.decoded.image);
    return staged;
}

std::optional<std::string> CustomGroupIconStore::commit(Staged& staged, std::error_code& ec) {
    fs::rename(staged.staging, staged.target, ec);
    if (ec) return std::nullopt;
    staged.staging.clear();
    // The file is the copy that was decoded: its pictures are kept for it, not made again.
    loaded_[staged.target.string()] = Loaded{staged.decoded.stamp};
    remember(staged.target.string(), std::move(staged.decoded));
    return staged.name;
}

std::optional<std::string> CustomGroupIconStore::importImage(const fs::path& source, const platform::UUID& groupID,
                                                             std::error_code* error) {
    std::error_code ec;
    auto staged = stage(source, folder(), filename(source, groupID), ec);
    std::optional<std::string> name;
    if (staged) name = commit(*staged, ec);
    if (!name) report(error, ec);
    return name;
}

void CustomGroupIconStore::importImageInBackground(const fs::path& source, const platform::UUID& groupID,
                                                   std::weak_ptr<const void> requester, ImportCompletion done) {
    struct Outcome {
        std::optional<Staged> staged;
        std::error_code error;
    };
    const fs::path dir = folder();
    const std::string name = filename(source, groupID);
    platform::BackgroundQueue::shared().perform<Outcome>(
        [source, dir, name] {
            std::error_code error;
            auto staged = stage(source, dir, name, error);
            return Outcome{std::move(staged), error};
        },
        [this, requester = std::move(requester), done = std::move(done)](Outcome outcome) {
            if (requester.expired()) return;
            std::optional<std::string> stored;
            if (outcome.staged) stored = commit(*outcome.staged, outcome.error);
            done(stored, stored ? std::error_code{} : outcome.error);
        });
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
    const FileStamp stamp = stampOf(st);
    Loaded& entry = loaded_[path->string()];
    if (!(entry.stamp == stamp)) entry = Loaded{stamp};
    return &entry;
}

void CustomGroupIconStore::startDecoding(const fs::path& path, Loaded& entry) const {
    if (entry.decoding) return;
    auto file = std::make_shared<Descriptor>(openForReading(path));
    if (file->fd < 0) {
        entry.unreadable = true;  // until the file changes, as for one that does not decode
        return;
    }
    entry.decoding = true;
    platform::BackgroundQueue::shared().perform<Decoded>(
        [file, stamp = entry.stamp] {
            Decoded decoded;
            struct stat status {};
            // What is decoded is the file that was stamped, or nothing.
            if (::fstat(file->fd, &status) != 0 || !(stampOf(status) == stamp)) return decoded;
            decoded.stamp = stamp;
            decoded.image = platform::ImageDecoder::decode(file->fd);
            if (decoded.image) {
                decoded.image->setTemplate(false);
                decoded.menuBar = resizedForMenuBar(*decoded.image);
            }
            return decoded;
        },
        [this, key = path.string()](Decoded decoded) { remember(key, std::move(decoded)); });
}

void CustomGroupIconStore::remember(const std::string& path, Decoded decoded) const {
    auto it = loaded_.find(path);
    if (it == loaded_.end() || !(it->second.stamp == decoded.stamp)) return;  // another file by now
    Loaded& entry = it->second;
    entry.decoding = false;
    entry.unreadable = !decoded.image;
    if (decoded.image) {
        entry.size = decoded.image->size();
        entry.bitmap = decoded.image->bitmap();
        // Kept for the views to come: the popover and Settings then show it at once.
        keep(entry, decoded.image->bitmap());
        entry.menuBar = std::move(decoded.menuBar);
    }
    objectWillChange.send();
    decodingDidEnd.send(fs::path(path).filename().string());
}

void CustomGroupIconStore::keep(Loaded& entry, std::shared_ptr<const platform::Bitmap> bitmap) const {
    entry.lastAsked = ++asks_;
    if (entry.kept) return;
    entry.kept = std::move(bitmap);
    size_t kept = 0;
    Loaded* oldest = nullptr;
    for (auto& [path, other] : loaded_) {
        if (!other.kept) continue;
        ++kept;
        if (!oldest || other.lastAsked < oldest->lastAsked) oldest = &other;
    }
    if (kept > kKeptImages) oldest->kept.reset();
}

std::optional<platform::Image> CustomGroupIconStore::image(const std::optional<std::string>& filename) const {
    Loaded* entry = entryFor(filename);
    if (!entry || entry->unreadable) return std::nullopt;
    if (auto bitmap = entry->bitmap.lock()) {
        keep(*entry, bitmap);
        platform::Image image = platform::Image::pixels(std::move(bitmap), entry->size);
        image.setTemplate(false);
        return image;
    }
    startDecoding(*pathOf(filename), *entry);
    return std::nullopt;
}

std::optional<platform::Image> CustomGroupIconStore::menuBarImage(const std::optional<std::string>& filename) const {
    Loaded* entry = entryFor(filename);
    if (!entry || entry->unreadable) return std::nullopt;
    if (!entry->menuBar) startDecoding(*pathOf(filename), *entry);
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
    const double width = std::min(
        kMenuBarIconMostWidth, std::max(kMenuBarIconHeight, kMenuBarIconHeight * source.width / std::max(source.height, 1.0)));
    platform::Image resized = image.scaled({width, kMenuBarIconHeight});
    resized.setTemplate(false);
    return resized;
}

}  // namespace tessivane
