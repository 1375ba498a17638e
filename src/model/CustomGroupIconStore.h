#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>

#include <sys/stat.h>

#include "platform/Image.h"
#include "platform/Signal.h"
#include "platform/UUID.h"

namespace tessivane {

// Images chosen by the user as vossel icons, kept as files named after their vossel in a
// folder of the application's own. A vossel stores only the file name.
//
// Files are decoded off the main thread, in a process of their own and within bounds of time
// and memory (platform/ImageDecoder.h), so that no file can stall the application: a file
// that passes a bound, or is damaged, is no image.
class CustomGroupIconStore : public platform::ObservableObject {
public:
    static CustomGroupIconStore& shared();

    // "Tessivane/CustomIcons" in the user's Application Support folder.
    std::filesystem::path folder() const;
    // The vossel's file name: its upper-case UUID, ".", the source's extension lower-cased
    // ("png" when it has none).
    static std::string filename(const std::filesystem::path& source, const platform::UUID& groupID);

    // The largest file an import copies. An icon takes kilobytes and a camera's photo a few
    // tens of megabytes (a 12-megapixel PNG of noise, 36); a larger file is refused before a
    // byte of it is read, as a small picture padded to gigabytes would otherwise be copied whole.
    static constexpr uint64_t kMostImportedBytes = 64ull << 20;
    // Copies the file byte for byte into the folder under the vossel's file name, replacing
    // an earlier file of that name only once the copy is complete and reads as an image.
    // Absent on failure, with the file system's error (file_too_large for a file over
    // kMostImportedBytes, or one that passes it while being copied; invalid_argument for a
    // file that is not an image) in `error` when given; nothing of a failed copy is left.
    // Waits for the decoding (bounded); the application imports in the background instead.
    std::optional<std::string> importImage(const std::filesystem::path& source, const platform::UUID& groupID,
                                           std::error_code* error = nullptr);
    // The same, with the copying and decoding on the background queue; `done` gets the file
    // name or the error on the main run loop. When `requester` has expired by then (the person
    // closed the picker or chose otherwise meanwhile), the copy is dropped, the earlier file
    // stays and `done` is not called.
    using ImportCompletion = std::function<void(std::optional<std::string> filename, std::error_code error)>;
    void importImageInBackground(const std::filesystem::path& source, const platform::UUID& groupID,
                                 std::weak_ptr<const void> requester, ImportCompletion done);

    // The image in that file, not a template image; absent for no name, a missing file, a
    // file that is not an image, or a name that is not a plain file name, and while the file
    // is being decoded: the first ask starts the decoding, and when it ends the store sends
    // `objectWillChange` and `decodingDidEnd`. Views ask for it at every rendering: the same
    // pixels come back until the file changes (while anything shows them, and for the images
    // asked for most recently when nothing does), so the file is decoded once and its picture
    // encoded once for the display.
    std::optional<platform::Image> image(const std::optional<std::string>& filename) const;
    // The file's image as the vossel's status item shows it (resizedForMenuBar), kept until
    // the file changes or goes; absent too while the file is being decoded.
    std::optional<platform::Image> menuBarImage(const std::optional<std::string>& filename) const;
    // Sent on the main run loop with a file's name when its decoding ended, image or not.
    platform::Signal<const std::string&> decodingDidEnd;
    // Removes that file; failures (no such file, no permission) are ignored.
    void deleteFile(const std::optional<std::string>& filename);
    // 18 points high and 18 to 72 wide (in proportion in between), the source stretched over
    // all of it: a picture wider than four to one is squeezed, as one narrower than square is
    // widened, so that no icon takes more of the menu bar than a wide logo does.
    static platform::Image resizedForMenuBar(const platform::Image& image);

private:
    // What tells a file apart from the one that was at its name before.
    struct FileStamp {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modifiedNanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp stampOf(const struct stat& status);
    // A file's pictures, as the decoder made them.
    struct Decoded {
        FileStamp stamp;
        std::optional<platform::Image> image;
        std::optional<platform::Image> menuBar;
    };
    struct Loaded {
        FileStamp stamp;
        bool unreadable = false;
        bool decoding = false;
        // The whole image: kept from its decoding for the views to come (see keep), and alive
        // for as long as any view holds it.
        std::shared_ptr<const platform::Bitmap> kept;
        std::weak_ptr<const platform::Bitmap> bitmap;
        uint64_t lastAsked = 0;
        platform::Size size;
        std::optional<platform::Image> menuBar;
    };
    struct Staged;

    CustomGroupIconStore() = default;
    // The entry of a stored file, emptied when the file changed; null when there is no such
    // regular file.
    Loaded* entryFor(const std::optional<std::string>& filename) const;
    // The path of a stored file, or absent for names that would leave the folder.
    std::optional<std::filesystem::path> pathOf(const std::optional<std::string>& filename) const;
    // Starts decoding the entry's file on the background queue, unless it is under way.
    void startDecoding(const std::filesystem::path& path, Loaded& entry) const;
    // Keeps the entry's whole image for views to come, letting go of the least recently asked
    // one beyond kKeptImages: a view that shows it again (a popover at every opening) finds it
    // without a decoding, and thousands of vossels do not hold thousands of pictures.
    void keep(Loaded& entry, std::shared_ptr<const platform::Bitmap> bitmap) const;
    // Keeps what was decoded of the file at `path`, when it is still the file there, and says so.
    void remember(const std::string& path, Decoded decoded) const;
    // An import's copy beside the target, decoded (any thread), and its move into place.
    static std::optional<Staged> stage(const std::filesystem::path& source, const std::filesystem::path& folder,
                                       const std::string& name, std::error_code& error);
    std::optional<std::string> commit(Staged& staged, std::error_code& error);

    mutable std::unordered_map<std::string, Loaded> loaded_;  // by path
    mutable uint64_t asks_ = 0;
};

}  // namespace tessivane
