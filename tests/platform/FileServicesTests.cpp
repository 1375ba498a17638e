#include <gtest/gtest.h>

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "platform/FileLocations.h"
#include "platform/Image.h"
#include "platform/ImageDecoderProtocol.h"
#include "platform/LogFile.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "support/TestHome.h"
#include "support/TestPictures.h"

using namespace platform;

namespace {

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Processor time of the child processes that ended so far: the image decoders.
double childProcessorSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class FileServicesTest : public testsupport::TestHome {
protected:
    // A PNG drawn with gdk-pixbuf: opaque red on the left half, transparent on the right.
    std::filesystem::path writePNG(int width, int height) {
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
        guint8* pixels = gdk_pixbuf_get_pixels(pixbuf);
        const int stride = gdk_pixbuf_get_rowstride(pixbuf);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                guint8* p = pixels + y * stride + x * 4;
                const bool left = x < width / 2;
                p[0] = left ? 255 : 0;
                p[1] = 0;
                p[2] = 0;
                p[3] = left ? 255 : 0;
            }
        }
        auto file = home() / "icon.png";
        EXPECT_TRUE(gdk_pixbuf_save(pixbuf, file.c_str(), "png", nullptr, nullptr));
        g_object_unref(pixbuf);
        return file;
    }
};

TEST_F(FileServicesTest, FoldersFollowTheConfiguredHome) {
    EXPECT_EQ(FileLocations::home(), home());
    EXPECT_EQ(FileLocations::applicationSupport(), home() / "Library" / "Application Support");
    EXPECT_EQ(FileLocations::preferences(), home() / "Library" / "Preferences");
    EXPECT_EQ(FileLocations::logFolder(), logFolder());
}

TEST_F(FileServicesTest, LogLinesAreAppendedWithATimeStamp) {
    const auto log = logFolder() / "tessivane-click.log";
    appendLogLine(log, "first");
    advance(1);
    appendLogLine(log, "second line");
    EXPECT_EQ(readFile(log), "2026-01-05T09:00:00Z first\n2026-01-05T09:00:01Z second line\n");
    struct stat st {};
    ASSERT_EQ(::stat(log.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u & ~[] { mode_t m = umask(0); umask(m); return m; }());

    // A line that would pass the bound moves the file aside, over the previous one; each
    // line here is 32 bytes, so two fit into 64.
    appendLogLine(log, "third line", 64);
    EXPECT_EQ(readFile(log), "2026-01-05T09:00:01Z third line\n");
    EXPECT_EQ(readFile(log.string() + ".1"), "2026-01-05T09:00:00Z first\n2026-01-05T09:00:01Z second line\n");
    appendLogLine(log, "4th line..", 64);
    appendLogLine(log, "5th line..", 64);
    EXPECT_EQ(readFile(log), "2026-01-05T09:00:01Z 5th line..\n");
    EXPECT_EQ(readFile(log.string() + ".1"), "2026-01-05T09:00:01Z third line\n2026-01-05T09:00:01Z 4th line..\n");
    // A line longer than the bound is still written, alone.
    appendLogLine(log, std::string(100, 'x'), 64);
    EXPECT_EQ(readFile(log), "2026-01-05T09:00:01Z " + std::string(100, 'x') + "\n");
}

TEST_F(FileServicesTest, LogNeverWritesThroughAPlantedLinkOrIntoAFIFO) {
    const auto target = home() / "victim.txt";
    { std::ofstream(target) << "precious\n"; }
    const auto log = logFolder() / "tessivane-hide.log";
    std::filesystem::create_symlink(target, log);

    appendLogLine(log, "hidden");
    EXPECT_EQ(readFile(target), "precious\n");
    EXPECT_FALSE(std::filesystem::is_symlink(log));
    EXPECT_EQ(readFile(log), "2026-01-05T09:00:00Z hidden\n");

    // A dangling link is not followed to create its target either.
    const auto dangling = logFolder() / "dangling.log";
    const auto wouldBeCreated = home() / "created-through-link.txt";
    std::filesystem::create_symlink(wouldBeCreated, dangling);
    appendLogLine(dangling, "x");
    EXPECT_FALSE(std::filesystem::exists(wouldBeCreated));
    EXPECT_EQ(readFile(dangling), "2026-01-05T09:00:00Z x\n");

    // A FIFO at the name would block a plain open for writing.
    const auto fifo = logFolder() / "fifo.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    appendLogLine(fifo, "y");
    EXPECT_TRUE(std::filesystem::is_regular_file(fifo));
    EXPECT_EQ(readFile(fifo), "2026-01-05T09:00:00Z y\n");

    // A folder that does not exist: silently nothing.
    appendLogLine(logFolder() / "missing" / "x.log", "z");
    EXPECT_FALSE(std::filesystem::exists(logFolder() / "missing"));
}

TEST_F(FileServicesTest, ImagesLoadScaleAndEncode) {
    auto image = Image::fromFile(writePNG(8, 4));
    ASSERT_TRUE(image);
    ASSERT_TRUE(image->isBitmap());
    EXPECT_EQ(image->size(), (Size{8, 4}));
    const auto& bitmap = *image->bitmap();
    ASSERT_EQ(bitmap.rgba.size(), 8u * 4 * 4);
    EXPECT_EQ(bitmap.rgba[0], 255);                  // red, opaque, at the top left
    EXPECT_EQ(bitmap.rgba[3], 255);
    EXPECT_EQ(bitmap.rgba[(8 * 3 + 7) * 4 + 3], 0);  // transparent at the bottom right

    auto menuBar = image->scaled(Size{18, 18});
    EXPECT_EQ(menuBar.size(), (Size{18, 18}));
    EXPECT_EQ(menuBar.bitmap()->width, 36);  // two pixels per point
    EXPECT_EQ(menuBar.bitmap()->height, 36);
    EXPECT_EQ(menuBar.bitmap()->rgba[3], 255);

    auto png = image->pngData();
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin(), png.begin() + 4), "\x89PNG");
    const auto copy = home() / "copy.png";
    { std::ofstream(copy, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size()); }
    auto reread = Image::fromFile(copy);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->bitmap()->rgba, bitmap.rgba);

    // Equality: same pixels object, same presentation.
    Image same = *image;
    EXPECT_EQ(same, *image);
    same.setTemplate(true);
    EXPECT_FALSE(same == *image);
    EXPECT_FALSE(*reread == *image);  // equal pixels, but another bitmap
    EXPECT_EQ(Image::symbol("wifi", {16, 16}), Image::symbol("wifi", {16, 16}));
    EXPECT_FALSE(Image::symbol("wifi", {16, 16}) == Image::symbol("wifi", {16, 16}, 13, SymbolWeight::bold));
    EXPECT_EQ(Image::symbol("wifi", {16, 16}).scaled({20, 20}).symbolName(), "wifi");
    EXPECT_TRUE(Image::asset("AppLogo", {32, 32}).pngData().empty());
}

TEST_F(FileServicesTest, EveryFormatOfTheLoadersReads) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(writePNG(32, 16).c_str(), nullptr);
    ASSERT_TRUE(pixbuf);
    for (const char* type : {"jpeg", "bmp", "ico", "tiff"}) {
        const auto file = home() / (std::string("picture.") + type);
        EXPECT_TRUE(gdk_pixbuf_save(pixbuf, file.c_str(), type, nullptr, nullptr)) << type;
        const auto image = Image::fromFile(file);
        ASSERT_TRUE(image) << type;
        EXPECT_EQ(image->size(), (Size{32, 16})) << type;
    }
    g_object_unref(pixbuf);
    // A GIF whose first frame covers a part of the picture, and a vector picture drawn at most
    // 1,024 pixels on its longer side.
    struct Case {
        const char* name;
        std::string bytes;
        Size size;
        int bitmapWidth;
    };
    const Case cases[] = {
        {"frame.gif", std::string("GIF89a\x02\0\x02\0\x80\0\0\xff\xff\xff\0\0\0!\xf9\x04\x01\0\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;", 43),
         {2, 2}, 2},
        {"wide.svg",
         R"(<svg xmlns="http://www.w3.org/2000/svg" width="3000" height="1500"><rect width="3000" height="1500"/></svg>)",
         {3000, 1500}, 1024},
    };
    for (const Case& c : cases) {
        const auto file = home() / c.name;
        std::ofstream(file, std::ios::binary) << c.bytes;
        const auto image = Image::fromFile(file);
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(image->size(), c.size) << c.name;
        EXPECT_EQ(image->bitmap()->width, c.bitmapWidth) << c.name;
    }
}

TEST_F(FileServicesTest, FilesThatAreNotImagesGiveNoImage) {
    const auto text = home() / "notes.png";
    { std::ofstream(text) << "this is not a picture"; }
    EXPECT_FALSE(Image::fromFile(text));
    const auto truncated = home() / "truncated.png";
    { std::ofstream(truncated, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16); }
    EXPECT_FALSE(Image::fromFile(truncated));
    EXPECT_FALSE(Image::fromFile(home() / "missing.png"));
    EXPECT_FALSE(Image::fromFile(home()));  // a folder
    const auto fifo = home() / "pipe.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(Image::fromFile(fifo));  // and no hang

    // Files cut short are no images either, though their loaders end them without an error.
    for (const auto& [name, bytes] : testsupport::cutShortImages()) {
        const auto file = home() / name;
        std::ofstream(file, std::ios::binary) << bytes;
        EXPECT_FALSE(Image::fromFile(file)) << name;
    }
    // Nor is one whose decoding does not end: the decoder is stopped at its bound of processor
    // time (or of time, on a machine too busy to give it that much), never let run on.
    const auto endless = home() / "filter.svg";
    std::ofstream(endless) << testsupport::kEndlessFilterSVG;
    const double decodersBefore = childProcessorSeconds();
    EXPECT_FALSE(Image::fromFile(endless));
    EXPECT_LE(childProcessorSeconds() - decodersBefore, ImageDecoderProtocol::kMostProcessorSeconds + 1);
}

TEST_F(FileServicesTest, NoSizeInTheDecoderAnswerOrAScalingWrapsIntoTheBounds) {
    // The decoder's header is taken only within the bounds, whatever its numbers: sides whose
    // product passes what 64 bits hold are refused like any other picture over 50 megapixels.
    struct Case {
        uint32_t width, height, fileWidth, fileHeight;
        bool accepted;
    };
    const uint32_t most = 4294967295;
    for (const Case& c : {Case{1024, 768, 4000, 3000, true}, Case{1024, 1024, 7071, 7071, true},
                          Case{1024, 1024, 7072, 7072, false}, Case{1024, 1024, most, most, false},
                          Case{1024, 1, most, 1, false}, Case{1, 1, 65536, 65536, false}, Case{0, 1, 1, 1, false},
                          Case{1025, 1, 1025, 1, false}, Case{2, 2, 1, 2, false}}) {
        ImageDecoderProtocol::Header header{{'T', 'V', 'I', '1'}, c.width, c.height, c.fileWidth, c.fileHeight};
        EXPECT_EQ(ImageDecoderProtocol::isAcceptable(header), c.accepted) << c.fileWidth << " x " << c.fileHeight;
    }
    ImageDecoderProtocol::Header noMagic{{'T', 'V', 'I', '0'}, 1, 1, 1, 1};
    EXPECT_FALSE(ImageDecoderProtocol::isAcceptable(noMagic));

    // A scaling to a size of more pixels than the bound, of any magnitude, keeps the pixels it
    // has; 2,147,483,658 points are 2^32 + 20 pixels, which an int would take for 20.
    const auto image = Image::fromFile(writePNG(8, 4));
    ASSERT_TRUE(image);
    for (const Size size : {Size{2'147'483'658.0, 18}, Size{1e300, 1e300}, Size{INFINITY, 1}, Size{NAN, 1},
                            Size{3536, 3536}}) {
        EXPECT_EQ(image->scaled(size).bitmap(), image->bitmap()) << size.width << " x " << size.height;
    }
}

TEST_F(FileServicesTest, BigPicturesLoadReducedAndAbsurdOnesAreRefusedUnread) {
    // Over 1,024 pixels on the longer side a picture is decoded at 1,024, in proportion,
    // and keeps the file's size; at 1,024 it is decoded whole.
    struct Case {
        int width, height;
        int bitmapWidth, bitmapHeight;
    };
    for (const Case& c : {Case{4000, 3000, 1024, 768}, Case{3000, 4000, 768, 1024}, Case{1025, 10, 1024, 10},
                          Case{1024, 10, 1024, 10}}) {
        const auto file = home() / "photo.png";
        testsupport::writeBlankPNG(file, c.width, c.height);
        const auto image = Image::fromFile(file);
        ASSERT_TRUE(image) << c.width << "x" << c.height;
        EXPECT_EQ(image->size(), (Size{double(c.width), double(c.height)}));
        EXPECT_EQ(image->bitmap()->width, c.bitmapWidth) << c.width << "x" << c.height;
        EXPECT_EQ(image->bitmap()->height, c.bitmapHeight) << c.width << "x" << c.height;
    }

    // A header may declare at most 50 million pixels. Files of a few kilobytes that declare
    // more are refused before they are decoded (8192 x 8192 would take a quarter of a
    // gigabyte); 7071 x 7071 is just within the bound, 7072 x 7072 just over it.
    const auto blank = home() / "blank.png";
    for (int side : {8192, 7072}) {
        testsupport::writeBlankPNG(blank, side, side);
        ASSERT_LT(std::filesystem::file_size(blank), 1u << 20);
        EXPECT_FALSE(Image::fromFile(blank)) << side;
    }
    testsupport::writeBlankPNG(blank, 7071, 7071);
    const auto within = Image::fromFile(blank);
    ASSERT_TRUE(within);
    EXPECT_EQ(within->size(), (Size{7071, 7071}));
}

TEST_F(FileServicesTest, WorkspaceQueriesAndTheInMemoryWorkspace) {
    InMemoryWorkspace ws;
    ws.apps = {{.processIdentifier = 10, .bundleIdentifier = "com.apple.controlcenter", .localizedName = "Control Center"},
               {.processIdentifier = 11, .bundleIdentifier = "com.example.a"},
               {.processIdentifier = 12, .bundleIdentifier = "com.apple.controlcenter"}};
    ws.knownApplications = {{"com.example.a", "/Applications/A.app"}};
    EXPECT_EQ(ws.runningApplications("com.apple.controlcenter").size(), 2u);
    EXPECT_EQ(ws.runningApplications("com.apple.controlcenter").front().processIdentifier, 10);
    EXPECT_EQ(ws.runningApplication(11)->bundleIdentifier, "com.example.a");
    EXPECT_FALSE(ws.runningApplication(99));
    EXPECT_EQ(ws.urlForApplication("com.example.a"), std::filesystem::path("/Applications/A.app"));
    EXPECT_FALSE(ws.urlForApplication("com.example.none"));
    EXPECT_EQ(ws.displayName("/Applications/Foo Bar.app"), "Foo Bar");
    EXPECT_EQ(ws.displayName("/Applications/Foo.app/"), "Foo");
    EXPECT_EQ(ws.displayName("/Users/me/notes.txt"), "notes.txt");
    EXPECT_EQ(ws.displayName("/Applications/.app"), ".app");

    bool completed = false;
    ws.openApplication("/Applications/A.app", [&](bool ok) { completed = ok; });
    EXPECT_FALSE(completed);
    advance(0);
    EXPECT_TRUE(completed);

    install(Services{.workspace = &ws});
    EXPECT_EQ(&workspace(), &ws);
    EXPECT_TRUE(workspace().open("https://example.com"));
    EXPECT_EQ(ws.openedURLs, std::vector<std::string>{"https://example.com"});
    install(Services{});
    EXPECT_TRUE(workspace().runningApplications().empty());
}

}  // namespace
