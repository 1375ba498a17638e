#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "ModelTestSupport.h"
#include "model/CustomGroupIconStore.h"
#include "support/BackgroundHold.h"
#include "support/TestPictures.h"

namespace tessivane {
namespace {

namespace fs = std::filesystem;

// A 1 by 1 pixel PNG.
const unsigned char kPNG[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00, 0x00, 0x00,
    0x0d, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0x64, 0x60, 0xf8, 0x5f, 0x0f, 0x00, 0x02, 0x87, 0x01, 0x80,
    0xeb, 0x47, 0xba, 0x92, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

class CustomGroupIconStoreTest : public modeltest::ModelTest {
protected:
    CustomGroupIconStore& icons = CustomGroupIconStore::shared();

    fs::path write(const std::string& name, const std::string& content) {
        const fs::path path = home_ / "Pictures" / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> folderContents() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(icons.folder())) names.push_back(entry.path().filename());
        return names;
    }

    const std::string png{std::begin(kPNG), std::end(kPNG)};
    // Another image, to tell a replaced file from its predecessor.
    const std::string logo = read(fs::path(TESSIVANE_RESOURCES_DIR) / "AppLogo.png");
    platform::UUID group = platform::UUID::random();
};

TEST_F(CustomGroupIconStoreTest, ImportsUnderTheVosselsNameInTheApplicationSupportFolder) {
    EXPECT_EQ(icons.folder(), platform::FileLocations::applicationSupport() / "Tessivane" / "CustomIcons");
    EXPECT_FALSE(fs::exists(icons.folder()));

    auto name = icons.importImage(write("Photo.JPG", png), group);
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, group.uuidString() + ".jpg");
    EXPECT_EQ(read(icons.folder() / *name), png);

    // Again for the same vossel and extension: replaced.
    EXPECT_EQ(icons.importImage(write("other.jpg", logo), group), name);
    EXPECT_EQ(read(icons.folder() / *name), logo);
    EXPECT_EQ(folderContents(), std::vector<std::string>{*name});

    EXPECT_EQ(icons.importImage(write("noextension", png), group), group.uuidString() + ".png");
}

TEST_F(CustomGroupIconStoreTest, AFailedImportKeepsTheEarlierIcon) {
    const auto name = icons.importImage(write("icon.png", png), group);
    ASSERT_TRUE(name);

    std::error_code error;
    EXPECT_FALSE(icons.importImage(home_ / "Pictures" / "vanished.png", group, &error));
    EXPECT_TRUE(error);
    EXPECT_EQ(read(icons.folder() / *name), png);
    EXPECT_EQ(folderContents(), std::vector<std::string>{*name});  // nothing half-copied left behind

    // Files that do not read as images are refused before anything is replaced: text
    // named .png, a PNG cut short, text under its own extension.
    std::vector<fs::path> notImages = {write("icon.png", "19 bytes, not a PNG"),
                                       write("half.png", png.substr(0, png.size() / 2)),
                                       write("notes.txt", "shopping list")};
    for (const auto& [cutName, bytes] : testsupport::cutShortImages()) notImages.push_back(write(cutName, bytes));
    for (const fs::path& source : notImages) {
        error.clear();
        EXPECT_FALSE(icons.importImage(source, group, &error)) << source;
        EXPECT_EQ(error, std::errc::invalid_argument) << source;
        EXPECT_EQ(read(icons.folder() / *name), png) << source;
        EXPECT_EQ(folderContents(), std::vector<std::string>{*name}) << source;
    }

    // A folder that cannot be made is reported too.
    fs::remove_all(icons.folder().parent_path());
    std::ofstream(icons.folder().parent_path()) << "a file in the way";
    error.clear();
    EXPECT_FALSE(icons.importImage(write("icon.png", png), group, &error));
    EXPECT_TRUE(error);
}

// Bytes this process has read so far, through any descriptor.
uint64_t bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return 0;
}

TEST_F(CustomGroupIconStoreTest, AFileOverTheBoundIsRefusedAndNothingOfItIsKept) {
    const auto name = icons.importImage(write("icon.png", png), group);
    ASSERT_TRUE(name);
    constexpr uint64_t most = CustomGroupIconStore::kMostImportedBytes;
    // A small picture padded with zeros to 3 GB, and to one byte over the bound (sparse: nothing
    // is written), are refused by their size, unread. A file whose size says nothing and that
    // reads on past the bound (as one that grows meanwhile) is refused once the copy passes it.
    const fs::path padded = write("padded.png", png), over = write("over.png", png);
    fs::resize_file(padded, 3ull << 30);
    fs::resize_file(over, most + 1);
    struct Case {
        fs::path source;
        uint64_t mostRead;
    };
    for (const auto& [source, mostRead] : {Case{padded, 0}, Case{over, 0}, Case{"/proc/self/pagemap", most}}) {
        SCOPED_TRACE(source);
        // Should the copy lose its bound, it ends at the file size limit, not with a full disk.
        struct rlimit fileSize {};
        ::getrlimit(RLIMIT_FSIZE, &fileSize);
        const rlimit bounded{2 * most, fileSize.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &bounded);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        const uint64_t before = bytesRead();
        std::error_code error;
        EXPECT_FALSE(icons.importImage(source, group, &error));
        EXPECT_LE(bytesRead() - before, mostRead + (128 << 10));  // the copy's last buffer, this count's own
        std::signal(SIGXFSZ, previous);
        ::setrlimit(RLIMIT_FSIZE, &fileSize);
        EXPECT_EQ(error, std::errc::file_too_large);
        EXPECT_EQ(read(icons.folder() / *name), png);
        EXPECT_EQ(folderContents(), std::vector<std::string>{*name});
    }
    // At the bound the file is copied, its padding too.
    fs::resize_file(over, most);
    EXPECT_EQ(icons.importImage(over, group), name);
    EXPECT_TRUE(testsupport::sameBytes(icons.folder() / *name, over));
}

TEST_F(CustomGroupIconStoreTest, ReadsAndDeletesStoredImages) {
    const auto name = icons.importImage(write("dot.png", png), group);
    ASSERT_TRUE(name);
    auto image = icons.image(name);
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->isTemplate());
    EXPECT_FALSE(icons.image(std::nullopt));

    std::ofstream(icons.folder() / "stored-before.gif") << "not pixels";
    EXPECT_FALSE(icons.image("stored-before.gif"));

    icons.deleteFile(name);
    EXPECT_FALSE(icons.image(name));
    icons.deleteFile(name);  // already gone: nothing happens
    icons.deleteFile(std::nullopt);
}

TEST_F(CustomGroupIconStoreTest, StoredFilesAreDecodedInTheBackgroundOnceAndLeftAsTheyAre) {
    // What a launch finds in the folder: nothing decoded yet. The first ask answers at once
    // without the image; the store says when the decoding ended, with or without one.
    struct Case {
        std::string name, bytes;
        bool isImage;
    };
    std::vector<Case> cases = {{"good.png", png, true}, {"filter.svg", testsupport::kEndlessFilterSVG, false}};
    for (const auto& [name, bytes] : testsupport::cutShortImages()) cases.push_back({name, bytes, false});
    fs::create_directories(icons.folder());
    std::vector<std::string> ended;
    platform::Subscription announced = icons.decodingDidEnd.connect([&](const std::string& n) { ended.push_back(n); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(icons.folder() / c.name, std::ios::binary) << c.bytes;
        ended.clear();
        {
            // Answered while the background cannot have decoded anything.
            testsupport::BackgroundHold hold;
            EXPECT_FALSE(icons.menuBarImage(c.name));
            EXPECT_FALSE(icons.image(c.name));
            advance(0);
            EXPECT_TRUE(ended.empty());
            hold.release();
            EXPECT_TRUE(hold.heldUntilReleased());
        }
        finishBackgroundWork();
        EXPECT_EQ(ended, std::vector<std::string>{c.name});  // one decoding for both asks
        EXPECT_EQ(icons.image(c.name).has_value(), c.isImage);
        EXPECT_EQ(icons.menuBarImage(c.name).has_value(), c.isImage);
        // Not decoded again until the file changes, and never touched.
        finishBackgroundWork();
        EXPECT_EQ(ended.size(), 1u);
        EXPECT_EQ(read(icons.folder() / c.name), c.bytes);
    }
}

TEST_F(CustomGroupIconStoreTest, WholeImagesAreKeptForTheThirtyTwoAskedForLast) {
    std::vector<std::string> names;
    for (int i = 0; i < 33; ++i) names.push_back(icons.importImage(write("icon.png", png), platform::UUID::random()).value());
    // No view holds any: the first is let go for the 32 after it, its menu bar copy kept.
    EXPECT_TRUE(icons.menuBarImage(names.front()));
    EXPECT_FALSE(icons.image(names.front()));
    for (size_t i = 1; i < names.size(); ++i) EXPECT_TRUE(icons.image(names[i])) << i;
    // Decoded again, it is kept in place of the one asked for longest ago.
    finishBackgroundWork();
    EXPECT_TRUE(icons.image(names.front()));
    EXPECT_FALSE(icons.image(names[1]));
    EXPECT_TRUE(icons.image(names[2]));
}

TEST_F(CustomGroupIconStoreTest, StoredNamesCannotReachOutsideTheFolder) {
    icons.importImage(write("a.png", png), group);
    const fs::path outside = icons.folder().parent_path() / "keep.png";
    std::ofstream(outside) << "x";
    const std::vector<std::string> names = {"../keep.png", "../CustomIcons/../keep.png", outside.string(), "..", ""};
    for (const std::string& name : names) {
        icons.deleteFile(name);
        EXPECT_FALSE(icons.image(name)) << name;
    }
    EXPECT_TRUE(fs::exists(outside));
    EXPECT_TRUE(fs::exists(icons.folder()));
}

TEST_F(CustomGroupIconStoreTest, MenuBarCopyIsEighteenPointsHigh) {
    auto sized = [](double w, double h) {
        return CustomGroupIconStore::resizedForMenuBar(platform::Image::asset("AppLogo", {w, h})).size();
    };
    EXPECT_EQ(sized(36, 18), (platform::Size{36, 18}));
    EXPECT_EQ(sized(18, 36), (platform::Size{18, 18}));
    EXPECT_EQ(sized(0, 0), (platform::Size{18, 18}));
    EXPECT_EQ(sized(100, 50), (platform::Size{36, 18}));
    // At most four heights wide: a wider picture is squeezed.
    EXPECT_EQ(sized(72, 18), (platform::Size{72, 18}));
    EXPECT_EQ(sized(400, 100), (platform::Size{72, 18}));
    EXPECT_EQ(sized(73, 18), (platform::Size{72, 18}));
    EXPECT_EQ(sized(1'000'000, 1), (platform::Size{72, 18}));
    EXPECT_EQ(sized(4294967295.0, 0), (platform::Size{72, 18}));

    platform::Image templated = platform::Image::asset("AppLogo", {18, 18});
    templated.setTemplate(true);
    EXPECT_FALSE(CustomGroupIconStore::resizedForMenuBar(templated).isTemplate());
}

TEST_F(CustomGroupIconStoreTest, ReimportingTheStoredFileItselfKeepsIt) {
    const auto name = icons.importImage(write("icon.png", png), group);
    ASSERT_TRUE(name);
    EXPECT_EQ(icons.importImage(icons.folder() / *name, group), name);
    EXPECT_EQ(read(icons.folder() / *name), png);
    EXPECT_EQ(folderContents(), std::vector<std::string>{*name});
}

TEST_F(CustomGroupIconStoreTest, AFileIsDecodedOnceUntilItChanges) {
    const auto name = icons.importImage(write("icon.png", png), group);
    ASSERT_TRUE(name);
    // Views ask at every rendering, the status item at every discovery: while the first
    // image is held, the same pixels come back, and the menu bar copy is kept.
    const auto first = icons.image(name);
    ASSERT_TRUE(first);
    EXPECT_EQ(icons.image(name)->bitmap(), first->bitmap());
    EXPECT_EQ(*icons.image(name), *first);
    const auto bar = icons.menuBarImage(name);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->size(), (platform::Size{18, 18}));
    EXPECT_EQ(icons.menuBarImage(name)->bitmap(), bar->bitmap());

    // Another file at the name is read anew, for both.
    ASSERT_EQ(icons.importImage(write("logo.png", logo), group), name);
    const auto replaced = icons.image(name);
    ASSERT_TRUE(replaced);
    EXPECT_NE(replaced->bitmap()->rgba, first->bitmap()->rgba);
    EXPECT_NE(icons.menuBarImage(name)->bitmap()->rgba, bar->bitmap()->rgba);
    // A file that went is no image, and one that is back is read again.
    icons.deleteFile(name);
    EXPECT_FALSE(icons.image(name));
    EXPECT_FALSE(icons.menuBarImage(name));
    ASSERT_EQ(icons.importImage(write("icon.png", png), group), name);
    EXPECT_EQ(icons.image(name)->bitmap()->rgba, first->bitmap()->rgba);
}

}  // namespace
}  // namespace tessivane
