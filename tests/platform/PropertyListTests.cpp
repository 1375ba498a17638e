// Property lists as a Mac writes them, read and written back unchanged, and files that once
// stopped the process.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "platform/DateFormatting.h"
#include "platform/FileLocations.h"
#include "platform/PreferenceDomain.h"
#include "platform/PropertyList.h"
#include "platform/UTF16.h"
#include "platform/UserDefaults.h"
#include "platform/XMLPropertyList.h"
#include "support/TestHome.h"

using namespace platform;

namespace {

template <size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

// Found by fuzzing: a NUL inside a string that is an array element (the string getter
// asserted), inside a dictionary key (the dictionary walk asserted), and inside a UTF-16 key.
const std::string kFoundInAnArray = bytes(
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd6\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0e\x0f\x10\x55\x43\x6f"
    "\x75\x6e\x74\x54\x46\x6c\x61\x67\x54\x4c\x69\x73\x74\x5f\x10\x2e\x4e\x53\x53\x74\x61\x74\x75\x73"
    "\x49\x74\x65\x6d\x20\x50\x72\x65\x66\x65\x72\x72\xcc\x00\x20\x50\x6f\x73\x69\x74\x69\x6f\x6e\x20"
    "\x54\x65\x73\x73\x69\x76\x61\x6e\x65\x2e\x4c\x69\x6e\x65\x54\x4e\x61\x6d\x65\x55\x54\x61\x62\x6c"
    "\x65\x10\x07\x09\xa4\x0a\x0b\x0c\x0d\x10\x61\x6d\x65\x55\x54\x61\x62\x0c\x00\x00\x00\x00\x00\x00"
    "\x42\x00\x01\x23\x40\x84\x98\x00\x00\x00\x00\x00\x56\x4b\x65\x74\x74\x6c\x65\xd1\x11\x12\x51\x6b"
    "\x33\x41\xc7\x83\xb6\x92\x80\x00\x00\x08\x15\x1b\x20\x25\x56\x5b\x61\x63\x64\x69\x6b\x6f\x78\x7b"
    "\x84\x8b\x3f\x78\x6d\x6c\x20\x76\x65\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x13\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x99");
const std::string kFoundInAKey = bytes(
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd6\x01\x02\x03\x04\x05\x06\x07\x0b\x09\x0e\x0f\x10\x55\x43\x6f"
    "\x75\x6e\x74\x54\x46\x6c\x61\x67\x54\x4c\x10\x74\x5f\x69\x73\x4e\x53\x2e\x53\x74\x61\x74\x75\x65"
    "\x50\x6d\x72\x20\x74\x49\x00\x00\x00\x00\x72\x72\x65\x64\x20\x50\x6f\x73\x69\x74\x69\x6f\x6e\x20"
    "\x54\x65\x73\x73\x69\x76\x2e\x61\x65\x6e\x4c\x69\x6e\x65\x54\x4e\x61\x6d\x65\x55\x54\x61\x62\x6c"
    "\x65\x10\x07\x09\xa4\x0a\x0b\x0c\x0d\x10\x01\x53\x74\x77\x6f\x23\x40\x0c\x00\x00\x00\x00\x00\x00"
    "\x42\x00\x01\x23\x40\x84\x98\x00\x00\x00\x00\x00\x56\x4b\x65\x74\x74\x6c\x65\xd1\x11\x12\x51\x6b"
    "\x33\x41\xc7\x83\xb6\x92\x80\x00\x00\x08\x15\x1b\x20\x25\x5e\x5b\x61\x63\x64\x69\x6b\x6f\x78\x7b"
    "\x84\x8b\x8e\x90\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x13\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x99");
// A UTF-16 key holding U+0000, listed after an object whose offset points past the end.
const std::string kFoundInAUTF16Key = bytes(
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd6\x01\x02\x03\x04\x01\x06\x07\x08\x09\x0e\x0f\x10\x55\x43\x6f"
    "\x75\x6e\x74\x54\x46\x6c\x61\x67\x54\x4c\x10\x74\x5f\x69\x73\x4e\x53\x75\x74\x61\x53\x73\x00\x00"
    "\x00\x0f\x65\x6d\x20\x50\x72\x65\x66\x65\x54\x65\x73\x73\x69\x76\x61\x6e\x65\x2e\x45\x6e\x76\x69"
    "\x72\x6f\x6e\x6d\x65\x6e\x74\x6e\x65\x2e\x4c\x69\x6e\x65\x54\x4e\x61\x6d\x65\x55\x54\x61\x62\x6c"
    "\x65\x10\x07\x09\xa4\x0a\x0b\x0c\x0d\x10\x01\x53\x74\x77\x6f\x23\x40\x0c\x69\x6e\x65\x54\x4e\x61"
    "\x6d\x65\x55\x54\x61\x62\x6c\x65\x10\x69\x6b\x6f\x78\x56\x65\x74\x74\x6c\x65\xd1\x11\x12\x51\x6b"
    "\x31\x41\xc7\x83\xb6\x92\x80\x00\x00\x08\x15\x00\x00\x33\xb9\x1d\x64\x44\x44\x44\x44\x44\x44\x44"
    "\x44\x44\x44\x44\x44\x44\x44\x44\x00\x7f\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x13\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x99");
// The same in small: {"List": ["c\0d"]}, {"k\0ey": 1}, and a UTF-16 string {"Name": "café\0x"}.
const std::string kInAnArray = bytes(
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x54\x4c\x69\x73\x74\xa1\x03\x53\x63\x00\x64\x08\x0b"
    "\x10\x12\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x04\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x16");
const std::string kInAKey = bytes(
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x54\x6b\x00\x65\x79\x10\x01\x08\x0b\x10\x00\x00\x00"
    "\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x12");
const std::string kInUTF16 = bytes(
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x54\x4e\x61\x6d\x65\x66\x00\x63\x00\x61\x00\x66\x00"
    "\xe9\x00\x00\x00\x78\x08\x0b\x10\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x1d");

class PropertyListTest : public testsupport::TestHome {
protected:
    static std::string contentsOf(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::path file(const std::string& name) const { return home() / name; }
};

// NSDate's distantPast (0000-12-30) and distantFuture (4001-01-01), in seconds since 2001.
constexpr double kDistantPast = -63114076800;
constexpr double kDistantFuture = 63113904000;

// Found by fuzzing (libplist asserted on them): NUL characters inside strings, keys and UTF-16
// strings. A Mac writes such strings; they read, and come back whole.
TEST_F(PropertyListTest, BinaryListsWithANulInAStringReadAndKeepIt) {
    for (const std::string& list : {kFoundInAnArray, kFoundInAKey, kFoundInAUTF16Key}) {
        const auto read = PropertyList::parseDictionary(list);
        if (!read) continue;  // damaged in other ways too: nothing more to check
        ASSERT_TRUE(PropertyList::writeDictionary(file("again.plist"), *read));
        EXPECT_EQ(PropertyList::readDictionary(file("again.plist")), read);
    }
    const std::vector<std::pair<std::string, PropertyDictionary>> small = {
        {kInAnArray, {{"List", PropertyArray{std::string("c\0d", 3)}}}},
        {kInAKey, {{std::string("k\0ey", 4), 1}}},
        {kInUTF16, {{"Name", std::string("caf\xc3\xa9\0x", 7)}}},
    };
    for (const auto& [list, expected] : small) {
        EXPECT_EQ(PropertyList::parseDictionary(list), expected);
        ASSERT_TRUE(PropertyList::writeDictionary(file("again.plist"), expected));
        EXPECT_EQ(PropertyList::readDictionary(file("again.plist")), expected);
    }
}

// Every value a Mac can write survives a write and a read, exactly: the second write of what was
// read gives the same bytes as the first.
TEST_F(PropertyListTest, EveryValueAMacWritesSurvivesAWriteAndARead) {
    const std::vector<std::pair<const char*, PropertyValue>> values = {
        {"keyed-archive UID", Uid{19}},
        {"UID zero", Uid{0}},
        {"UID of 32 bits", Uid{4294967295}},
        {"distantPast", Date::sinceReference(kDistantPast)},
        {"distantFuture", Date::sinceReference(kDistantFuture)},
        {"68 years and a second after 2001", Date::sinceReference(2147483648.0)},
        {"fraction of a second", Date::sinceReference(786543210.123456789)},
        {"fraction before 1970", Date::sinceReference(-1000000000.75)},
        {"half a second before 2001", Date::sinceReference(-0.5)},
        {"2^64 - 1", PropertyValue(uint64_t{18446744073709551615ull})},
        {"2^63", PropertyValue(uint64_t{9223372036854775808ull})},
        {"2^63 - 1", PropertyValue(int64_t{9223372036854775807})},
        {"-2^63", PropertyValue(std::numeric_limits<int64_t>::min())},
        {"-1", -1},
        {"2^32", PropertyValue(int64_t{4294967296})},
        {"negative zero", -0.0},
        {"smallest double", std::numeric_limits<double>::denorm_min()},
        {"bare CR", "first\rsecond"},
        {"CR LF", "first\r\nsecond"},
        {"control characters", "\x01\x08\x0b\x0c\x1b\x1f\x7f"},
        {"NUL", std::string("before\0after", 12)},
        {"key equivalent", "@$\xef\x9c\x80"},  // U+F700, a function key
        {"outside the BMP", "\xf0\x9f\x98\x80"},
        {"lone surrogate", "a\xed\xa0\x80z"},
        {"XML's own characters", "<key>&amp;</key>]]>"},
        {"empty string", ""},
        {"data", Data{0, 0xFF, '\r', '\n'}},
        {"nested", PropertyArray{Uid{1}, PropertyDictionary{{"CF$UID", 2}}, PropertyArray{}}},
    };
    for (const auto& [what, value] : values) {
        const PropertyDictionary written = {{"value", value}, {std::string("key\r\x01", 5), value}};
        ASSERT_TRUE(PropertyList::writeDictionary(file("first.plist"), written)) << what;
        const auto read = PropertyList::readDictionary(file("first.plist"));
        ASSERT_TRUE(read) << what;
        EXPECT_EQ(*read, written) << what;
        ASSERT_TRUE(PropertyList::writeDictionary(file("second.plist"), *read)) << what;
        EXPECT_EQ(contentsOf(file("second.plist")), contentsOf(file("first.plist"))) << what;
    }

    // The dates are the days they name; the integers keep their size and sign.
    EXPECT_EQ(DateFormatting::iso8601(Date::sinceReference(kDistantFuture)), "4001-01-01T00:00:00Z");
    EXPECT_EQ(DateFormatting::iso8601(Date::sinceReference(kDistantPast)), "0000-12-30T00:00:00Z");
    EXPECT_EQ(PropertyValue(uint64_t{18446744073709551615ull}).asUnsignedInteger(), 18446744073709551615ull);
    EXPECT_FALSE(PropertyValue(uint64_t{18446744073709551615ull}).asInteger());
    EXPECT_EQ(PropertyValue(uint64_t{5}), PropertyValue(5));

    // Bytes that are not UTF-8 have no form in a property list: each reads back as U+FFFD.
    ASSERT_TRUE(PropertyList::writeDictionary(file("invalid.plist"), {{"name", "a\xff" "b\xc3"}}));
    EXPECT_EQ(PropertyList::readDictionary(file("invalid.plist")),
              (PropertyDictionary{{"name", "a\xef\xbf\xbd" "b\xef\xbf\xbd"}}));
}

// UTF-16 code units of ASCII-and-Latin text, in either byte order, after an optional mark.
std::string utf16(const std::u16string& text, bool bigEndian, bool mark) {
    std::string bytes;
    for (char16_t unit : (mark ? u"\uFEFF" + text : text)) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// XML as a Mac writes and reads it: with a byte-order mark or in UTF-16, UIDs as "CF$UID"
// dictionaries, characters by reference, dates and integers beyond 32 and 63 bits.
TEST_F(PropertyListTest, XMLListsReadInEveryEncodingAMacReads) {
    const std::u16string body =
        u"<plist version=\"1.0\"><dict>"
        u"<key>name</key><string>Caf\u00e9&#13;&#x9;</string>"
        u"<key>ref</key><dict><key>CF$UID</key><integer>19</integer></dict>"
        u"<key>notARef</key><dict><key>CF$UID</key><string>19</string></dict>"
        u"<key>big</key><integer>18446744073709551615</integer>"
        u"<key>future</key><date>4001-01-01T00:00:00Z</date>"
        u"<key>past</key><date>0001-01-01T00:00:00Z</date>"
        u"</dict></plist>";
    const PropertyDictionary expected = {
        {"name", "Caf\xc3\xa9\r\t"},
        {"ref", Uid{19}},
        {"notARef", PropertyDictionary{{"CF$UID", "19"}}},
        {"big", PropertyValue(uint64_t{18446744073709551615ull})},
        {"future", Date::sinceReference(kDistantFuture)},
        {"past", Date::sinceReference(-63113904000)},
    };
    std::string utf8;
    for (char16_t unit : u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + body) {
        if (unit < 0x80) utf8 += static_cast<char>(unit);
        else utf8 += std::string{static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
    }
    const std::u16string declared16 = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body;
    const std::vector<std::pair<const char*, std::string>> forms = {
        {"UTF-8", utf8},
        {"UTF-8 with a mark", "\xef\xbb\xbf" + utf8},
        {"UTF-16 big-endian with a mark", utf16(declared16, true, true)},
        {"UTF-16 little-endian with a mark", utf16(declared16, false, true)},
        {"UTF-16 big-endian", utf16(declared16, true, false)},
        {"UTF-16 little-endian", utf16(declared16, false, false)},
    };
    for (const auto& [what, bytes] : forms) EXPECT_EQ(PropertyList::parseDictionary(bytes), expected) << what;

    // Through the domain: the person's values stay, nothing is set aside.
    resetPreferenceDomainsForTesting();
    const auto domainFile = FileLocations::preferences() / "com.example.sixteen.plist";
    std::filesystem::create_directories(domainFile.parent_path());
    std::ofstream(domainFile, std::ios::binary) << utf16(declared16, false, true);
    UserDefaults defaults("com.example.sixteen");
    EXPECT_EQ(defaults.stringForKey("name"), "Caf\xc3\xa9\r\t");
    defaults.set("added", 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(domainFile.parent_path()), {}), 1);
    EXPECT_EQ(PropertyList::readDictionary(domainFile)->at("ref"), PropertyValue(Uid{19}));
}

// A list in the encoding its declaration names reads as written and survives the rewrite of a
// launch. One in an encoding not read here, or whose bytes its declaration or mark contradicts,
// is set aside as it is: never rewritten with its text changed.
TEST_F(PropertyListTest, XMLListsReadInTheEncodingTheyDeclareOrAreSetAsideUnchanged) {
    const std::string cafe = "caf\xc3\xa9 cr\xc3\xa8me", latin1 = "caf\xe9 cr\xe8me";
    const auto list = [](const std::string& name, const std::string& text) {
        return (name.empty() ? "" : "<?xml version=\"1.0\" encoding=\"" + name + "\"?>\n") +
               "<plist version=\"1.0\"><dict><key>drink</key><string>" + text + "</string></dict></plist>";
    };
    const std::u16string sixteen = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist version=\"1.0\"><dict>"
                                   u"<key>drink</key><string>caf\u00e9 cr\u00e8me</string></dict></plist>";
    const std::vector<std::tuple<const char*, std::string, bool>> cases = {
        {"ISO-8859-1", list("ISO-8859-1", latin1), true},
        {"its alias, quoted singly", "<?xml version='1.0' encoding='Latin1' ?>" + list("", latin1), true},
        {"its name in lower case", list("iso_8859-1:1987", latin1), true},
        {"US-ASCII, by reference", list("US-ASCII", "caf&#233; cr&#xE8;me"), true},
        {"US-ASCII with a byte past ASCII", list("us-ascii", latin1), false},
        {"UTF-8", list("UTF-8", cafe), true},
        {"undeclared", list("", cafe), true},
        {"utf8 with a mark", "\xef\xbb\xbf" + list("utf8", cafe), true},
        {"ISO-8859-1 after a UTF-8 mark", "\xef\xbb\xbf" + list("ISO-8859-1", latin1), false},
        {"UTF-16 big-endian", utf16(sixteen, true, true), true},
        {"UTF-16 little-endian", utf16(sixteen, false, true), true},
        {"UTF-16 in single bytes", list("UTF-16", cafe), false},
        {"windows-1252", list("windows-1252", latin1 + " \x80"), false},
        {"a name of no encoding", list("x-café", cafe), false},
    };
    const auto folder = FileLocations::preferences();
    const auto domainFile = folder / "com.example.drinks.plist";
    for (const auto& [what, bytes, reads] : cases) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::ofstream(domainFile, std::ios::binary) << bytes;
        const std::optional<std::string> expected = reads ? std::optional(cafe) : std::nullopt;
        resetPreferenceDomainsForTesting();
        UserDefaults defaults("com.example.drinks");
        EXPECT_EQ(defaults.stringForKey("drink"), expected) << what;
        defaults.set("added", 1);  // the launch's rewrite
        resetPreferenceDomainsForTesting();
        EXPECT_EQ(defaults.stringForKey("drink"), expected) << what;
        std::vector<std::string> keptAside;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path() != domainFile) keptAside.push_back(contentsOf(entry.path()));
        }
        EXPECT_EQ(keptAside, reads ? std::vector<std::string>{} : std::vector{bytes}) << what;
    }
}

// A large file is judged by its beginning before it is read whole: no beginning of a list that
// reads, wherever it is cut (inside a comment, a reference, a tag, a character, the declaration),
// is taken for damage; the beginning of a damaged one is, once the damage is in it.
TEST_F(PropertyListTest, OnlyABeginningThatNoEndingCouldMakeReadIsJudgedDamaged) {
    const std::u16string list =
        u" <?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<!DOCTYPE plist [ <!ENTITY e \"<dict>\"> ]>\n"
        u"<plist version=\"1.0\"><!-- <array> --><dict><?pi <dict> ?><key>k&amp;&#x1F600;</key>"
        u"<string>caf\u00e9 <![CDATA[<array>]]>&#0;</string><key>a</key><array><data>AP8=</data><true/>"
        u"<date>2026-01-05T09:00:00Z</date><dict/></array></dict></plist>\n";
    std::string utf8, latin1;
    for (const char16_t unit : list) {
        UTF16::appendUTF8(utf8, unit);
        latin1 += static_cast<char>(unit);
    }
    const auto named = [](std::string text, const std::string& name) {
        return text.replace(text.find("UTF-16"), 6, name);
    };
    for (const std::string& bytes : {named(utf8, "UTF-8"), named(latin1, "ISO-8859-1"), utf16(list, true, true),
                                     utf16(list, false, true)}) {
        ASSERT_TRUE(XMLPropertyList::read(bytes, 10)) << bytes;
        for (size_t cut = 0; cut <= bytes.size(); ++cut) {
            EXPECT_FALSE(XMLPropertyList::headIsDamaged(bytes.substr(0, cut), 10)) << cut << " of " << bytes.size();
        }
    }
    const std::vector<std::string> damaged = {
        "not a list", std::string(8, '\0'), "<plist><dict><string>no key</string>", "<plist><dict><key>a</key> x",
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "<?xml encoding=\"ascii\"?><plist>\xe9",
        "<plist><array><array><array><array><array><array><array><array><array><array><array>",
    };
    for (const auto& head : damaged) EXPECT_TRUE(XMLPropertyList::headIsDamaged(head, 10)) << head;
}

// Each kind of XML value in the forms a Mac writes and reads, and beside each a form that is no
// such value: the list it is in does not read.
TEST_F(PropertyListTest, XMLValuesReadInEveryFormAMacWritesAndNothingElse) {
    const std::vector<std::pair<std::string, std::optional<PropertyValue>>> cases = {
        {"<integer> -42 </integer>", -42},
        {"<integer>0x7fffffffffffffff</integer>", PropertyValue(std::numeric_limits<int64_t>::max())},
        {"<integer>-9223372036854775808</integer>", PropertyValue(std::numeric_limits<int64_t>::min())},
        {"<integer>18446744073709551615</integer>", PropertyValue(uint64_t{18446744073709551615ull})},
        {"<integer>18446744073709551616</integer>", std::nullopt},
        {"<integer>-9223372036854775809</integer>", std::nullopt},
        {"<integer>12abc</integer>", std::nullopt},
        {"<integer/>", std::nullopt},
        {"<real>0.1</real>", 0.1},
        {"<real>-infinity</real>", -std::numeric_limits<double>::infinity()},
        {"<real>+1e308</real>", 1e308},
        {"<real>one</real>", std::nullopt},
        {"<date>2026-01-05T09:00:00.25Z</date>", Date(1767603600.25)},
        {"<date>2026-02-30T09:00:00Z</date>", std::nullopt},
        {"<date>2026-01-05 09:00:00</date>", std::nullopt},
        {"<data>\n\tAP8N\n\tCg==\n</data>", Data{0, 0xFF, '\r', '\n'}},
        {"<data/>", Data{}},
        {"<string/>", ""},
        {"<true></true>", true},
        {"<false/>", false},
        {"<true>yes</true>", std::nullopt},
        {"<array><dict/><array/></array>", PropertyArray{PropertyDictionary{}, PropertyArray{}}},
        {"<dict><key>CF$UID</key><integer>4294967295</integer></dict>", Uid{4294967295}},
        {"<dict><key>CF$UID</key><integer>4294967296</integer></dict>",
         PropertyDictionary{{"CF$UID", PropertyValue(int64_t{4294967296})}}},
        {"<dict><key>k</key></dict>", std::nullopt},            // a key without its value
        {"<dict><string>v</string></dict>", std::nullopt},      // a value without its key
        {"<array>text<true/></array>", std::nullopt},
        {"<array><true/></dict>", std::nullopt},
        {"<string>a<b/>c</string>", std::nullopt},
        {"<nothing/>", std::nullopt},
    };
    for (const auto& [element, expected] : cases) {
        const auto read = PropertyList::parseDictionary("<plist version=\"1.0\"><dict><key>v</key>" + element +
                                                        "</dict></plist>");
        if (!expected) EXPECT_FALSE(read) << element;
        else EXPECT_EQ(read, (PropertyDictionary{{"v", *expected}})) << element;
    }
}

// Text in an XML list reads as the README says and comes back as read through a rewrite: what
// is not UTF-8 byte by byte, each byte that starts no valid sequence as U+FFFD and the rest
// kept; any character, NUL included, as it stands or by reference; CDATA and comments as XML
// reads them. Nothing of a list that reads is set aside.
TEST_F(PropertyListTest, XMLTextReadsByteByByteAndComesBackAsRead) {
    const std::string fffd = "\xef\xbf\xbd";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"caf\xe9 au lait", "caf" + fffd + " au lait"},  // Latin-1
        {"a\x80" "b", "a" + fffd + "b"},
        {"\xc0\xaf", fffd + fffd},                       // an overlong "/"
        {"\xe0\x80\xaf", fffd + fffd + fffd},
        {"\xed\xa0\x80z", fffd + fffd + fffd + "z"},     // a surrogate
        {"\xf4\x90\x80\x80", fffd + fffd + fffd + fffd},  // past U+10FFFF
        {"\xe2\x82x\xe2\x82", fffd + fffd + "x" + fffd + fffd},  // cut short
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xef\x9c\x80", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xef\x9c\x80"},
        {std::string("a\0b\0", 4), std::string("a\0b\0", 4)},
        {"&#0;", std::string(1, '\0')},
        {"a&#x0;b&#00;", std::string("a\0b\0", 4)},
        {"&#xD800;&#65;&#x1F600;", "\xed\xa0\x80" "A\xf0\x9f\x98\x80"},  // as a Mac writes a lone surrogate
        {"&lt;&gt;&amp;&apos;&quot;", "<>&'\""},
        {"&nbsp; &#x110000; &#; & a", "&nbsp; &#x110000; &#; & a"},  // no reference: kept as written
        {"<![CDATA[<array><dict>&#0;]]>\xff", "<array><dict>&#0;" + fffd},
        {"a<!-- <array> -->b<?pi <dict> ?>c", "abc"},
        {" \r\n\t ", " \r\n\t "},
    };
    resetPreferenceDomainsForTesting();
    const auto domainFile = FileLocations::preferences() / "com.example.text.plist";
    std::filesystem::create_directories(domainFile.parent_path());
    for (const auto& [written, expected] : cases) {
        const std::string list = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
                                 "<key>s\xff</key><string>" + written + "</string></dict></plist>";
        const PropertyDictionary values = {{"s" + fffd, expected}};
        EXPECT_EQ(PropertyList::parseDictionary(list), values) << written;

        std::ofstream(domainFile, std::ios::binary | std::ios::trunc) << list;
        resetPreferenceDomainsForTesting();
        UserDefaults defaults("com.example.text");
        EXPECT_EQ(defaults.stringForKey("s" + fffd), expected) << written;
        defaults.set("added", 1);  // the rewrite
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(domainFile.parent_path()), {}), 1) << written;
        resetPreferenceDomainsForTesting();
        EXPECT_EQ(defaults.stringForKey("s" + fffd), expected) << written;
    }
}

// plistlib of Python's standard library as the independent reader and writer: lists it writes
// read here, and what is written back reads in plistlib as the same values.
TEST_F(PropertyListTest, ListsWrittenByPlistlibComeBackEqualInPlistlib) {
    if (std::system("python3 -c 'import plistlib' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    const auto script = file("check.py");
    std::ofstream(script) << R"PY(
import datetime, plistlib, sys
mode, folder = sys.argv[1], sys.argv[2]
values = {
    'uid': plistlib.UID(19), 'uids': [plistlib.UID(0), plistlib.UID(2**32 - 1)],
    'year1': datetime.datetime(1, 1, 1, 0, 0, 0, 250000),
    'year4001': datetime.datetime(4001, 1, 1, 12, 30, 15, 500000),
    'fraction': datetime.datetime(2024, 2, 29, 23, 59, 59, 123456),
    'max': 2**64 - 1, 'above': 2**63, 'min': -2**63, 'minus': -1, 'real': 0.1,
    'cr': 'one\rtwo\r\nthree', 'controls': 'a\x01\x08\x0b\x1b\x7fz', 'nul': 'x\x00y',
    'text': 'Gr\u00fc\u00dfe \U0001F600 \uf700', 'data': b'\x00\xff\r\n',
    'nested': {'list': [True, False, {'k': 'v'}], 'empty': {}},
}
xml = {k: v for k, v in values.items() if k not in ('uid', 'uids', 'controls', 'nul')}
def normal(v):
    if isinstance(v, plistlib.UID): return {'CF$UID': v.data}
    if isinstance(v, dict): return {k: normal(x) for k, x in v.items()}
    if isinstance(v, list): return [normal(x) for x in v]
    return v
if mode == 'make':
    for name, fmt, vs in (('binary', plistlib.FMT_BINARY, values), ('xml', plistlib.FMT_XML, xml)):
        open(folder + '/' + name + '.plist', 'wb').write(plistlib.dumps(vs, fmt=fmt))
    text = plistlib.dumps(xml, fmt=plistlib.FMT_XML).decode('utf-8')
    open(folder + '/bom.plist', 'wb').write(b'\xef\xbb\xbf' + text.encode('utf-8'))
    open(folder + '/utf16.plist', 'wb').write(text.replace('UTF-8', 'UTF-16').encode('utf-16'))
    latin1 = text.replace('UTF-8', 'ISO-8859-1').encode('latin-1', 'xmlcharrefreplace')
    open(folder + '/latin1.plist', 'wb').write(latin1)
else:
    expected = plistlib.load(open(folder + '/' + mode + '.plist', 'rb'))
    got = plistlib.load(open(folder + '/written.plist', 'rb'))
    if normal(got) != normal(expected):
        print({k: (v, got.get(k)) for k, v in expected.items() if normal(got.get(k)) != normal(v)})
        sys.exit(1)
)PY";
    const std::string run = "python3 " + script.string() + " ";
    ASSERT_EQ(std::system((run + "make " + home().string()).c_str()), 0);
    for (const char* name : {"binary", "xml", "bom", "utf16", "latin1"}) {
        const auto read = PropertyList::readDictionary(file(std::string(name) + ".plist"));
        ASSERT_TRUE(read) << name;
        ASSERT_TRUE(PropertyList::writeDictionary(file("written.plist"), *read));
        EXPECT_EQ(std::system((run + name + " " + home().string()).c_str()), 0) << name;
    }
    const auto binary = PropertyList::readDictionary(file("binary.plist"));
    EXPECT_EQ(binary->at("uid"), PropertyValue(Uid{19}));
    EXPECT_EQ(binary->at("max"), PropertyValue(uint64_t{18446744073709551615ull}));
    EXPECT_EQ(DateFormatting::iso8601(*binary->at("year4001").asDate()), "4001-01-01T12:30:15Z");
    EXPECT_EQ(binary->at("year4001").asDate()->sinceReferenceDate, kDistantFuture + 12 * 3600 + 30 * 60 + 15.5);
}

// A write killed before its rename leaves its temporary file; the next launch removes the ones
// that are this user's own, abandoned and made by a write here, and leaves a write in progress,
// every file of the person's or another user's, and whatever a link points at.
TEST_F(PropertyListTest, OnlyAbandonedTemporaryFilesOfOurOwnWritesAreRemovedAtTheNextLaunch) {
    const auto folder = FileLocations::preferences();
    std::filesystem::create_directories(folder);
    const time_t hour = 3600;
    struct Case {
        const char* name;
        time_t age;
        bool removed;
    };
    const std::vector<Case> cases = {
        {"com.tessivane.Tessivane.plist.tessivane-write-a1B2c3", hour, true},
        {"NSGlobalDomain.plist.tessivane-write-ZZZZZZ", 2 * 24 * hour, true},
        {"com.tessivane.Tessivane.plist.tessivane-write-Old000", 61, true},
        {"com.tessivane.Tessivane.plist.tessivane-write-Young0", 2, false},  // a write that may just have begun
        {"com.tessivane.Tessivane.plist.tessivane-write-Live00", hour, false},  // held by its writer
        {"com.tessivane.Tessivane.plist.tessivane-write-Other0", hour, false},  // another user's
        {"com.tessivane.Tessivane.plist.tessivane-write-abc12", hour, false},
        {"com.tessivane.Tessivane.plist.tessivane-write-abc-12", hour, false},
        {"notes.txt.tessivane-write-a1B2c3", hour, false},
        // The person's own files, however much they look like a temporary file.
        {"com.tessivane.Tessivane.plist.backup", hour, false},
        {"com.apple.finder.plist.broken", hour, false},
        {"MyNotes.plist.draft1", hour, false},
        {"com.tessivane.Tessivane.plist.a1B2c3", hour, false},
        // Shaped like a temporary file's name: another marker as long, ours in capitals, seven
        // random characters.
        {"com.acme.Notes.plist.before-upgrade-v2025ab", hour, false},
        {"com.acme.Notes.plist.TESSIVANE-WRITE-a1B2c3", hour, false},
        {"com.acme.Notes.plist.tessivane-write-a1B2c3d", hour, false},
        {"com.tessivane.Tessivane.unreadable-20260105T090000Z.plist", hour, false},
    };
    for (const auto& c : cases) {
        std::ofstream(folder / c.name) << "half a list";
        const struct timespec times[2] = {{std::time(nullptr) - c.age, 0}, {std::time(nullptr) - c.age, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder / c.name).c_str(), times, 0), 0) << c.name;
    }
    const bool root = ::geteuid() == 0;  // only root can give a file to another user
    if (root) {
        ASSERT_EQ(::chown((folder / "com.tessivane.Tessivane.plist.tessivane-write-Other0").c_str(), 4242, 4242), 0);
    }
    // A link, a folder and a FIFO named like a temporary file: none is touched, nor what the link
    // points at.
    std::ofstream(file("elsewhere.plist")) << "the person's";
    const auto link = folder / "com.tessivane.Tessivane.plist.tessivane-write-Link00";
    std::filesystem::create_symlink(file("elsewhere.plist"), link);
    const struct timespec old[2] = {{std::time(nullptr) - hour, 0}, {std::time(nullptr) - hour, 0}};
    ::utimensat(AT_FDCWD, link.c_str(), old, AT_SYMLINK_NOFOLLOW);
    ::utimensat(AT_FDCWD, file("elsewhere.plist").c_str(), old, 0);
    std::filesystem::create_directory(folder / "folder.plist.tessivane-write-a1B2c4");
    ASSERT_EQ(::mkfifo((folder / "fifo.plist.tessivane-write-a1B2c5").c_str(), 0600), 0);
    ::utimensat(AT_FDCWD, (folder / "fifo.plist.tessivane-write-a1B2c5").c_str(), old, 0);
    const int writer = ::open((folder / "com.tessivane.Tessivane.plist.tessivane-write-Live00").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);

    resetPreferenceDomainsForTesting();
    UserDefaults::standard().object("anything");  // the first use of the folder
    ::close(writer);
    for (const auto& c : cases) {
        if (!root && std::string_view(c.name).find("Other0") != std::string_view::npos) continue;
        EXPECT_EQ(!std::filesystem::exists(folder / c.name), c.removed) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(contentsOf(file("elsewhere.plist")), "the person's");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "folder.plist.tessivane-write-a1B2c4"));
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "fifo.plist.tessivane-write-a1B2c5"));
}

}  // namespace
