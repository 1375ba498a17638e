#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>

#include "platform/Image.h"
#include "platform/UUID.h"

namespace tessivane {

// Images chosen by the user as vossel icons, kept as files named after their vossel in a
// folder of the application's own. A vossel stores only the file name.
class CustomGroupIconStore {
public:
    static CustomGroupIconStore& shared();

    // "Tessivane/CustomIcons" in the user's Application Support folder.
    std::filesystem::path folder() const;
    // The vossel's file name: its upper-case UUID, ".", the source's extension lower-cased
    // ("png" when it has none).
    static std::string filename(const std::filesystem::path& source, const platform::UUID& groupID);

    // Copies the file byte for byte into the folder under the vossel's file name, replacing
    // an earlier file of that name only once the copy is complete and reads as an image.
    // Absent on failure, with the file system's error (or invalid_argument for a file that
    // is not an image) in `error` when given.
    std::optional<std::string> importImage(const std::filesystem::path& source, const platform::UUID& groupID,
                                           std::error_code* error = nullptr);
    // The image in that file, not a template image; absent for no name, a missing file, a
    // file that is not an image, or a name that is not a plain file name. Views ask for it
    // at every rendering: while anything shows the image, the same pixels come back until
    // the file changes, so the file is decoded once and its picture encoded once for the
    // display.
    std::optional<platform::Image> image(const std::optional<std::string>& filename) const;
    // The file's image as the vossel's status item shows it (resizedForMenuBar), kept until
    // the file changes or goes.
    std::optional<platform::Image> menuBarImage(const std::optional<std::string>& filename) const;
    // Removes that file; failures (no such file, no permission) are ignored.
    void deleteFile(const std::optional<std::string>& filename);
    // 18 points high, at least 18 wide, the source stretched over all of it.
    static platform::Image resizedForMenuBar(const platform::Image& image);

private:
    // What tells a file apart from the one that was at its name before.
    struct FileStamp {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modifiedNanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct Loaded {
        FileStamp stamp;
        bool unreadable = false;
        std::weak_ptr<const platform::Bitmap> bitmap;  // the whole image, while shown
        platform::Size size;
        std::optional<platform::Image> menuBar;
    };

    CustomGroupIconStore() = default;
    // The entry of a stored file, emptied when the file changed; null when there is no such
    // regular file.
    Loaded* entryFor(const std::optional<std::string>& filename) const;
    // The path of a stored file, or absent for names that would leave the folder.
    std::optional<std::filesystem::path> pathOf(const std::optional<std::string>& filename) const;

    mutable std::unordered_map<std::string, Loaded> loaded_;  // by path
};

}  // namespace tessivane
