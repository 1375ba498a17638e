#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/Bundle.h"
#include "platform/FileLocations.h"
#include "platform/PreferenceDomain.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "support/TestHome.h"

using namespace platform;

namespace {

class UserDefaultsTest : public testsupport::TestHome {
protected:
    static std::filesystem::path fileOf(const std::string& domain) {
        return FileLocations::preferences() / (domain + ".plist");
    }
    static void writeFile(const std::filesystem::path& file, const std::string& bytes) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string readFile(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The files in the preferences folder other than the domain's own.
    static std::vector<std::filesystem::path> keptBeside(const std::filesystem::path& file) {
        std::vector<std::filesystem::path> kept;
        for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
            if (entry.path() != file) kept.push_back(entry.path());
        }
        return kept;
    }
    static constexpr const char* kApp = "com.tessivane.Tessivane";
};

// A binary property list made of the given objects, each with its marker and references four
// bytes wide; object 0 is the top.
std::string binaryList(const std::vector<std::string>& objects) {
    auto bigEndian = [](uint64_t value, int width) {
        std::string out;
        for (int i = width - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i) & 0xFF);
        return out;
    };
    std::string list = "bplist00";
    std::string offsets;
    for (const auto& object : objects) {
        offsets += bigEndian(list.size(), 8);
        list += object;
    }
    const size_t tableAt = list.size();
    return list + offsets + std::string(6, '\0') + "\x08\x04" + bigEndian(objects.size(), 8) + bigEndian(0, 8) +
           bigEndian(tableAt, 8);
}
std::string ref(uint32_t object) {
    return {static_cast<char>(object >> 24), static_cast<char>(object >> 16 & 0xFF),
            static_cast<char>(object >> 8 & 0xFF), static_cast<char>(object & 0xFF)};
}
// A container's marker with its count, for counts of any size.
std::string marker(unsigned kind, uint32_t count) {
    if (count < 15) return std::string(1, static_cast<char>(kind << 4 | count));
    return std::string(1, static_cast<char>(kind << 4 | 0xF)) + "\x12" + ref(count);
}

TEST_F(UserDefaultsTest, ValuesOfEveryTypeSurviveARereadOfTheFile) {
    auto& defaults = UserDefaults::standard();
    EXPECT_EQ(defaults.domainName(), kApp);
    defaults.set("bool", true);
    defaults.set("int", int64_t{-42});
    defaults.set("double", 0.1);
    defaults.set("string", "Grüße <&>\n");
    defaults.set("data", Data{0, 1, 2, 255});
    defaults.set("date", Date{1767603600});
    defaults.set("array", PropertyArray{1, "two", PropertyArray{3.5}});
    defaults.set("dict", PropertyDictionary{{"a", 1}, {"b", PropertyDictionary{{"c", false}}}});
    defaults.set("gone", 1);
    defaults.removeObject("gone");

    EXPECT_TRUE(std::filesystem::exists(fileOf(kApp)));
    resetPreferenceDomainsForTesting();  // forget the cache: everything comes from the file

    EXPECT_EQ(defaults.object("bool"), PropertyValue(true));
    EXPECT_EQ(defaults.integerForKey("int"), -42);
    EXPECT_EQ(defaults.doubleForKey("double"), 0.1);
    EXPECT_EQ(defaults.stringForKey("string"), "Grüße <&>\n");
    EXPECT_EQ(defaults.dataForKey("data"), (Data{0, 1, 2, 255}));
    EXPECT_EQ(defaults.object("date"), PropertyValue(Date{1767603600}));
    EXPECT_EQ(defaults.arrayForKey("array"), (PropertyArray{1, "two", PropertyArray{3.5}}));
    EXPECT_EQ(defaults.dictionaryForKey("dict"),
              (PropertyDictionary{{"a", 1}, {"b", PropertyDictionary{{"c", false}}}}));
    EXPECT_FALSE(defaults.object("gone"));
    // Readers of one type do not convert containers or data.
    EXPECT_FALSE(defaults.dataForKey("string"));
    EXPECT_FALSE(defaults.arrayForKey("dict"));
    EXPECT_FALSE(defaults.stringForKey("array"));
}

TEST_F(UserDefaultsTest, BooleanAndNumberReadingsCoerceLikeFoundation) {
    auto& d = UserDefaults::standard();
    const std::vector<std::pair<PropertyValue, bool>> booleans = {
        {true, true},     {false, false},    {int64_t{2}, true}, {0, false},     {0.5, true},
        {0.0, false},     {"YES", true},     {"yes", true},      {"true", true}, {"TRUE", true},
        {"NO", false},    {"no", false},     {"false", false},   {"0", false},   {"1", true},
        {"17", true},     {" 3 ", true},     {"-1", true},       {"maybe", false}, {"", false},
        {Data{1}, false}, {PropertyArray{true}, false},
    };
    for (const auto& [value, expected] : booleans) {
        d.set("k", value);
        EXPECT_EQ(d.boolForKey("k"), expected) << d.stringForKey("k").value_or("(not a string)");
    }
    EXPECT_FALSE(d.boolForKey("missing"));

    d.set("k", "42abc");
    EXPECT_EQ(d.integerForKey("k"), 42);
    d.set("k", " -7");
    EXPECT_EQ(d.integerForKey("k"), -7);
    d.set("k", "2.75");
    EXPECT_EQ(d.integerForKey("k"), 2);
    EXPECT_DOUBLE_EQ(d.doubleForKey("k"), 2.75);
    d.set("k", 3.9);
    EXPECT_EQ(d.integerForKey("k"), 3);
    d.set("k", true);
    EXPECT_EQ(d.integerForKey("k"), 1);
    d.set("k", "nonsense");
    EXPECT_EQ(d.integerForKey("k"), 0);
    EXPECT_EQ(d.doubleForKey("k"), 0);

    d.set("k", int64_t{12});
    EXPECT_EQ(d.stringForKey("k"), "12");
    d.set("k", 1.5);
    EXPECT_EQ(d.stringForKey("k"), "1.5");
    EXPECT_FALSE(d.stringForKey("missing"));
}

TEST_F(UserDefaultsTest, StoreObjectsOfOneDomainShareValuesAndTheGlobalDomainIsSearchedLast) {
    auto a = UserDefaults::suite("group.example.shared");
    auto b = UserDefaults::suite("group.example.shared");
    ASSERT_TRUE(a && b);
    a->set("x", "from a");
    EXPECT_EQ(b->stringForKey("x"), "from a");

    Preferences::setAppValue("AppleLanguages", PropertyArray{"de-DE", "en"}, Preferences::kAnyApplication);
    EXPECT_TRUE(std::filesystem::exists(fileOf(".GlobalPreferences")));
    EXPECT_EQ(a->arrayForKey("AppleLanguages"), (PropertyArray{"de-DE", "en"}));
    EXPECT_EQ(UserDefaults::standard().arrayForKey("AppleLanguages"), (PropertyArray{"de-DE", "en"}));
    EXPECT_EQ(Preferences::copyAppValue("AppleLanguages", Preferences::kAnyApplication),
              PropertyValue(PropertyArray{"de-DE", "en"}));

    // Another application's domain, read from its own file.
    writeFile(fileOf("com.apple.menuextra.clock"),
              R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>ShowDayOfWeek</key><false/></dict></plist>)");
    EXPECT_EQ(Preferences::copyAppValue("ShowDayOfWeek", "com.apple.menuextra.clock"), PropertyValue(false));
    EXPECT_FALSE(Preferences::copyAppValue("ShowDate", "com.apple.menuextra.clock"));

    EXPECT_EQ(UserDefaults::suite(""), nullptr);
    EXPECT_EQ(UserDefaults::suite(kApp), nullptr);
    EXPECT_EQ(UserDefaults::suite("NSGlobalDomain"), nullptr);
}

TEST_F(UserDefaultsTest, PersistentDomainsCanBeReplacedAndRemovedWithTheirFiles) {
    auto suite = UserDefaults::suite("com.tessivane.Tessivane.uitest");
    ASSERT_TRUE(suite);
    EXPECT_FALSE(suite->persistentDomain(suite->domainName()));
    suite->set("Tessivane.HasCompletedOnboarding", true);
    EXPECT_EQ(suite->persistentDomain(suite->domainName()),
              (PropertyDictionary{{"Tessivane.HasCompletedOnboarding", true}}));

    suite->removePersistentDomain(suite->domainName());
    EXPECT_TRUE(suite->synchronize());
    EXPECT_FALSE(suite->object("Tessivane.HasCompletedOnboarding"));
    EXPECT_FALSE(std::filesystem::exists(fileOf("com.tessivane.Tessivane.uitest")));
    EXPECT_FALSE(suite->persistentDomain(suite->domainName()));

    suite->setPersistentDomain({{"a", 1}}, "com.example.other");
    resetPreferenceDomainsForTesting();
    EXPECT_EQ(suite->persistentDomain("com.example.other"), (PropertyDictionary{{"a", 1}}));
}

TEST_F(UserDefaultsTest, DamagedFilesReadAsEmptyDomainsAndAreKeptAsideBeforeTheNextWrite) {
    const std::vector<std::string> damaged = {
        "not a property list",
        "<?xml version=\"1.0\"?><plist><dict><key>a</key>",
        std::string("bplist00\xff\xff\xff\x00\x01", 13),
        "<plist><array><string>root is not a dictionary</string></array></plist>",
        std::string(100000, '<'),
    };
    for (const auto& bytes : damaged) {
        std::filesystem::remove_all(FileLocations::preferences());
        resetPreferenceDomainsForTesting();
        writeFile(fileOf(kApp), bytes);
        auto& d = UserDefaults::standard();
        EXPECT_FALSE(d.object("a"));
        EXPECT_FALSE(d.boolForKey("a"));
        EXPECT_TRUE(keptBeside(fileOf(kApp)).empty());  // reading moves nothing
        d.set("a", 1);
        resetPreferenceDomainsForTesting();
        EXPECT_EQ(d.integerForKey("a"), 1);
        const auto kept = keptBeside(fileOf(kApp));
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].filename(), std::string(kApp) + ".unreadable-20260105T090000Z.plist");
        EXPECT_EQ(readFile(kept[0]), bytes);
    }
    // One more in the same second takes the next free name; an empty file holds nothing to keep.
    writeFile(fileOf(kApp), "damaged again");
    resetPreferenceDomainsForTesting();
    UserDefaults::standard().set("a", 2);
    EXPECT_TRUE(std::filesystem::exists(FileLocations::preferences() /
                                        (std::string(kApp) + ".unreadable-20260105T090000Z-2.plist")));
    writeFile(fileOf(kApp), "");
    resetPreferenceDomainsForTesting();
    UserDefaults::standard().set("a", 3);
    EXPECT_EQ(keptBeside(fileOf(kApp)).size(), 2u);

    // A folder where the file should be, and a domain whose name is not a file name.
    resetPreferenceDomainsForTesting();
    std::filesystem::remove(fileOf(kApp));
    std::filesystem::create_directories(fileOf(kApp));
    EXPECT_FALSE(UserDefaults::standard().object("a"));
    UserDefaults::standard().set("a", 1);  // cannot reach the file; kept in memory
    EXPECT_EQ(UserDefaults::standard().integerForKey("a"), 1);
    auto odd = UserDefaults::suite("../escape");
    ASSERT_TRUE(odd);
    odd->set("b", 2);
    EXPECT_FALSE(std::filesystem::exists(FileLocations::home() / "Library" / "escape.plist"));
    resetPreferenceDomainsForTesting();
    EXPECT_EQ(odd->integerForKey("b"), 2);
}

// The application stores the same positions and environments at every refresh; the file is
// written only when something in it changes, and written again after a write that failed.
TEST_F(UserDefaultsTest, StoringAnUnchangedValueLeavesTheFileAlone) {
    auto inode = [](const std::filesystem::path& file) {
        struct stat st {};
        return ::stat(file.c_str(), &st) == 0 ? st.st_ino : ino_t{0};
    };
    auto& defaults = UserDefaults::standard();
    defaults.set("position", 643.0);
    const ino_t first = inode(fileOf(kApp));
    ASSERT_NE(first, 0u);
    defaults.set("position", 643.0);
    EXPECT_EQ(inode(fileOf(kApp)), first);  // every write replaces the file by a new one
    defaults.set("position", 659.0);
    EXPECT_NE(inode(fileOf(kApp)), first);
    resetPreferenceDomainsForTesting();
    const ino_t reread = inode(fileOf(kApp));
    defaults.set("position", 659.0);  // as read from the file
    EXPECT_EQ(inode(fileOf(kApp)), reread);

    // A write that could not reach the file is tried again with the same value.
    std::filesystem::remove(fileOf(kApp));
    std::filesystem::create_directories(fileOf(kApp));
    defaults.set("position", 700.0);
    std::filesystem::remove(fileOf(kApp));
    defaults.set("position", 700.0);
    resetPreferenceDomainsForTesting();
    EXPECT_EQ(defaults.doubleForKey("position"), 700.0);

    // Inside a batch the values change at once and the file once, when the outermost ends.
    const ino_t before = inode(fileOf(kApp));
    {
        const PreferenceDomain::WriteBatch batch;
        for (int i = 0; i < 100; ++i) defaults.set("position", 800.0 + i);
        {
            const PreferenceDomain::WriteBatch inner;
            defaults.set("other", 1);
        }
        EXPECT_EQ(defaults.doubleForKey("position"), 899.0);
        EXPECT_EQ(inode(fileOf(kApp)), before);
        UserDefaults::suite("com.example.batched")->set("a", 1);
        UserDefaults::suite("com.example.removed")->set("a", 1);
        UserDefaults::standard().removePersistentDomain("com.example.removed");
    }
    resetPreferenceDomainsForTesting();
    EXPECT_EQ(defaults.doubleForKey("position"), 899.0);
    EXPECT_EQ(defaults.integerForKey("other"), 1);
    EXPECT_EQ(UserDefaults::suite("com.example.batched")->integerForKey("a"), 1);
    EXPECT_FALSE(std::filesystem::exists(fileOf("com.example.removed")));
}

TEST_F(UserDefaultsTest, TheChangeCountMovesExactlyWhenAValueMayHaveChanged) {
    auto& defaults = UserDefaults::standard();
    auto moves = [](const std::function<void()>& step) {
        const uint64_t before = UserDefaults::changeCount();
        step();
        return UserDefaults::changeCount() != before;
    };
    EXPECT_TRUE(moves([&] { defaults.set("position", 643.0); }));
    EXPECT_FALSE(moves([&] { defaults.set("position", 643.0); }));
    EXPECT_FALSE(moves([&] { (void)defaults.doubleForKey("position"); }));
    EXPECT_TRUE(moves([&] { defaults.set("position", 644.0); }));
    EXPECT_TRUE(moves([&] { defaults.set("position", std::string("644")); }));  // same text, another type
    EXPECT_FALSE(moves([&] { defaults.removeObject("absent"); }));
    EXPECT_TRUE(moves([&] { defaults.removeObject("position"); }));
    // Another store's domain, the global one included: a value read through either may change.
    EXPECT_TRUE(moves([&] { UserDefaults::suite("com.example.other")->set("a", 1); }));
    EXPECT_TRUE(moves([&] { Preferences::setAppValue("AppleLanguages", PropertyValue("he"), Preferences::kAnyApplication); }));
    EXPECT_TRUE(moves([&] { defaults.setPersistentDomain({{"a", PropertyValue(2)}}, "com.example.other"); }));
    EXPECT_TRUE(moves([&] { defaults.removePersistentDomain("com.example.other"); }));
    // Values held back by a batch have changed already.
    EXPECT_TRUE(moves([&] {
        const PreferenceDomain::WriteBatch batch;
        defaults.set("position", 700.0);
    }));
    // A launch reads the files anew.
    EXPECT_TRUE(moves([&] {
        resetPreferenceDomainsForTesting();
        (void)defaults.doubleForKey("position");
    }));
}

TEST_F(UserDefaultsTest, DeeplyNestedFileIsRefusedInsteadOfOverflowingTheStack) {
    std::string nested = "<plist><dict><key>a</key>";
    for (int i = 0; i < 2000000; ++i) nested += "<array>";
    for (int i = 0; i < 2000000; ++i) nested += "</array>";
    nested += "</dict></plist>";
    writeFile(fileOf(kApp), nested);
    EXPECT_FALSE(UserDefaults::standard().object("a"));

    // Ordinary nesting still reads.
    resetPreferenceDomainsForTesting();
    writeFile(fileOf(kApp), "<plist><dict><key>a</key><array><dict><key>b</key><array/></dict></array>"
                            "</dict></plist>");
    EXPECT_EQ(UserDefaults::standard().object("a"),
              PropertyValue(PropertyArray{PropertyDictionary{{"b", PropertyArray{}}}}));
}

// Whatever a Mac application writes reads: many objects, deep nesting, a large file. Only
// nesting that would overflow the stack is refused, in either format.
TEST_F(UserDefaultsTest, LargeAndDeepListsReadAndOnlyNestingThatWouldOverflowIsRefused) {
    const auto read = [&](const std::string& bytes) {
        resetPreferenceDomainsForTesting();
        writeFile(fileOf(kApp), bytes);
        return UserDefaults::standard().object("a");
    };
    const auto xmlNested = [](int depth) {
        std::string text = "<plist><dict><key>a</key>";
        for (int i = 0; i < depth; ++i) text += "<array>";
        text += "<true/>";
        for (int i = 0; i < depth; ++i) text += "</array>";
        return text + "</dict></plist>";
    };
    PropertyValue expected(true);
    for (int i = 0; i < 600; ++i) expected = PropertyValue(PropertyArray{expected});
    EXPECT_EQ(read(xmlNested(600)), expected);
    EXPECT_FALSE(read(xmlNested(1000)));
    // Tags inside a comment, CDATA or a processing instruction are text, however many.
    std::string tags;
    for (int i = 0; i < 2000; ++i) tags += "<array><dict>";
    EXPECT_EQ(read("<!--" + tags + "--><?pi " + tags + "?><plist><dict><key>a</key><string><![CDATA[" + tags +
                   "]]></string></dict></plist>"),
              PropertyValue(tags));

    // {"a": [1, 2, ... 4998]}: 5,001 objects.
    std::vector<std::string> objects = {"\xd1" + ref(1) + ref(2), "\x51" "a", marker(0xA, 4998)};
    PropertyArray numbers;
    for (uint32_t i = 1; i <= 4998; ++i) {
        objects[2] += ref(2 + i);
        objects.push_back("\x11" + ref(i).substr(2));
        numbers.emplace_back(int64_t{i});
    }
    EXPECT_EQ(read(binaryList(objects)), PropertyValue(numbers));

    // {"a": [[...[]...]]} with 600 and 1,000 arrays in a chain; one that contains itself.
    const auto binaryNested = [](uint32_t depth) {
        std::vector<std::string> chain = {"\xd1" + ref(1) + ref(2), "\x51" "a"};
        for (uint32_t i = 0; i + 1 < depth; ++i) chain.push_back("\xa1" + ref(3 + i));
        chain.push_back("\xa0");
        return binaryList(chain);
    };
    EXPECT_TRUE(read(binaryNested(600)));
    EXPECT_FALSE(read(binaryNested(1000)));
    EXPECT_FALSE(read(binaryList({"\xd1" + ref(1) + ref(2), "\x51" "a", "\xa1" + ref(2)})));

    // 70 MB of data in one value, and 3 MB of text: lists judged by their ends before they are read.
    const std::string blob(70 * 1024 * 1024, '\x5a');
    const auto large = read(binaryList({"\xd1" + ref(1) + ref(2), "\x51" "a", marker(0x4, blob.size()) + blob}));
    ASSERT_TRUE(large && large->asData());
    EXPECT_EQ(large->asData()->size(), blob.size());
    const std::string text(3 * 1024 * 1024, 'z');
    EXPECT_EQ(read("<plist><dict><key>a</key><string>" + text + "</string></dict></plist>"), PropertyValue(text));
}

// A damaged file of any size is kept aside without being read into memory: the launch that
// finds one of 400 MB grows by a small part of that. Measured in a child process, whose peak
// starts at what it holds when it is made, so that nothing before counts.
TEST_F(UserDefaultsTest, ALargeDamagedFileIsKeptAsideWithoutBeingReadIntoMemory) {
    constexpr off_t kSize = off_t{400} << 20;
    const std::vector<std::string> beginnings = {
        "", "bplist00", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>\n"};
    for (const auto& beginning : beginnings) {
        std::filesystem::remove_all(FileLocations::preferences());
        resetPreferenceDomainsForTesting();
        writeFile(fileOf(kApp), beginning);
        ASSERT_EQ(::truncate(fileOf(kApp).c_str(), kSize), 0);  // the rest zeros that take no disk
        int results[2];
        ASSERT_EQ(::pipe(results), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const auto peakKB = [] {
                rusage usage{};
                ::getrusage(RUSAGE_SELF, &usage);
                return usage.ru_maxrss;
            };
            const long before = peakKB();
            UserDefaults::standard().set("a", 1);  // reads the file, keeps it aside, writes a new one
            const long grownMB = (peakKB() - before) / 1024;
            ::_exit(::write(results[1], &grownMB, sizeof grownMB) == sizeof grownMB ? 0 : 1);
        }
        ::close(results[1]);
        long grownMB = -1;
        EXPECT_EQ(::read(results[0], &grownMB, sizeof grownMB), static_cast<ssize_t>(sizeof grownMB));
        ::close(results[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(status, 0);
        EXPECT_GE(grownMB, 0) << beginning;
        EXPECT_LT(grownMB, 100) << beginning;  // with the 16 MB a launch holds before, far under 150 MB
        const auto kept = keptBeside(fileOf(kApp));
        ASSERT_EQ(kept.size(), 1u) << beginning;
        EXPECT_EQ(std::filesystem::file_size(kept[0]), static_cast<uintmax_t>(kSize));
        resetPreferenceDomainsForTesting();
        EXPECT_EQ(UserDefaults::standard().integerForKey("a"), 1);
    }
}

// A file that is there but cannot be opened or read (no permission, a FIFO, a folder) may
// hold the user's settings: it is never written over, and a FIFO does not hang the reader.
TEST_F(UserDefaultsTest, FilesThatCannotBeReadAreNeverWrittenOver) {
    const std::string valid = "<plist><dict><key>a</key><integer>1</integer></dict></plist>";
    writeFile(fileOf(kApp), valid);
    // Tests run as root, whom file modes do not stop: the refusal comes from the open call.
    PropertyList::setOpenFunctionForTesting([](const char*, int) {
        errno = EACCES;
        return -1;
    });
    auto& d = UserDefaults::standard();
    EXPECT_FALSE(d.object("a"));
    d.set("a", 2);
    d.removeObject("b");
    UserDefaults::standard().setPersistentDomain({{"c", 3}}, kApp);
    d.removePersistentDomain(kApp);
    PropertyList::setOpenFunctionForTesting(nullptr);
    EXPECT_EQ(readFile(fileOf(kApp)), valid);
    EXPECT_TRUE(keptBeside(fileOf(kApp)).empty());

    resetPreferenceDomainsForTesting();
    std::filesystem::remove(fileOf(kApp));
    ASSERT_EQ(::mkfifo(fileOf(kApp).c_str(), 0644), 0);
    EXPECT_FALSE(d.object("a"));
    d.set("a", 4);
    EXPECT_EQ(d.integerForKey("a"), 4);  // in memory for this run
    EXPECT_TRUE(std::filesystem::is_fifo(fileOf(kApp)));
    EXPECT_TRUE(keptBeside(fileOf(kApp)).empty());
}

TEST_F(UserDefaultsTest, AFileThisUserMayNotReadIsLeftAsItIs) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file whatever its mode";
    const std::string valid = "<plist><dict><key>a</key><integer>1</integer></dict></plist>";
    writeFile(fileOf(kApp), valid);
    std::filesystem::permissions(fileOf(kApp), std::filesystem::perms::none);
    UserDefaults::standard().set("a", 2);
    std::filesystem::permissions(fileOf(kApp), std::filesystem::perms::owner_read);
    EXPECT_EQ(readFile(fileOf(kApp)), valid);
}

TEST_F(UserDefaultsTest, AWriteFromAnotherThreadIsSafeWhileMainReads) {
    auto& d = UserDefaults::standard();
    d.set("count", 0);
    std::thread writer([] {
        for (int i = 1; i <= 100; ++i) UserDefaults::standard().set("count", i);
    });
    int64_t last = 0;
    for (int i = 0; i < 500; ++i) {
        int64_t now = d.integerForKey("count");
        EXPECT_GE(now, last);  // never goes backwards, never a torn value
        last = now;
        d.set("main", i);
    }
    writer.join();
    resetPreferenceDomainsForTesting();
    EXPECT_EQ(d.integerForKey("count"), 100);
    EXPECT_EQ(d.integerForKey("main"), 499);
}

TEST_F(UserDefaultsTest, BundleReadsItsInformationPropertyList) {
    auto& bundle = Bundle::main();
    EXPECT_EQ(bundle.bundleIdentifier(), kApp);
    EXPECT_EQ(bundle.bundlePath(), "/Applications/Tessivane.app");
    EXPECT_FALSE(bundle.shortVersionString().empty());
    EXPECT_EQ(bundle.pathForResource("Info", "plist"), bundle.resourcesPath() / "Info.plist");
    EXPECT_FALSE(bundle.pathForResource("NoSuchResource", "png"));

    Bundle empty(testsupport::temporaryRoot() / "no-resources-here");
    EXPECT_FALSE(empty.bundleIdentifier());
    EXPECT_EQ(empty.shortVersionString(), "0");
}

}  // namespace
