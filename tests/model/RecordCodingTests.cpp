#include <cctype>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_set>

#include "ModelTestSupport.h"
#include "model/EnvironmentProfile.h"

namespace tessivane {
namespace {

using modeltest::item;

const char* kEnvironmentID = "0F0E2C4A-1B2D-4E6F-8A9B-0C1D2E3F4A5B";
const char* kGroupID = "A1B2C3D4-E5F6-4718-9A2B-3C4D5E6F7A8B";

platform::UUID uuid(const char* text) { return *platform::UUID::parse(text); }

std::string text(const platform::Data& data) { return std::string(data.begin(), data.end()); }
platform::Data bytes(const std::string& text) { return platform::Data(text.begin(), text.end()); }

// One stored environment holding one vossel whose member object is `member`.
std::string storedWithMember(const std::string& member, const std::string& environmentID = kEnvironmentID,
                             const std::string& groupID = kGroupID, const std::string& groupExtra = "") {
    return R"([{"id":")" + environmentID + R"(","name":"Work","groups":[{"id":")" + groupID +
           R"(","name":"Mail","symbolName":"tray","symbolColorHex":"",)" + groupExtra + R"("memberIDs":[)" + member +
           R"(],"isVisibleInMenuBar":true}]}])";
}

TEST(RecordCoding, WritesCompactJSONWithUpperCaseIdsAndNoKeysForAbsentValues) {
    IconGroup group{uuid(kGroupID), "Mail", "tray", "", std::nullopt, {item(std::nullopt, std::nullopt, std::nullopt)}, true};
    auto data = EnvironmentProfile::encodeList({{uuid(kEnvironmentID), "Work", {group}}});
    ASSERT_TRUE(data);
    EXPECT_EQ(text(*data), storedWithMember(R"({"itemIndex":0})"));

    auto empty = EnvironmentProfile::encodeList({{uuid(kEnvironmentID), "Home", {}}});
    EXPECT_EQ(text(*empty), std::string(R"([{"id":")") + kEnvironmentID + R"(","name":"Home","groups":[]}])");

    // A name that is not valid UTF-8 is still saved, its bad bytes replaced.
    auto mangled = EnvironmentProfile::encodeList({{uuid(kEnvironmentID), "Caf\xC3", {}}});
    ASSERT_TRUE(mangled);
    EXPECT_EQ(EnvironmentProfile::decodeList(*mangled)->front().name, "Caf\uFFFD");
}

TEST(RecordCoding, RoundTripKeepsEveryFieldAndOrder) {
    MenuBarItemID full = item("com.example.weather", "Weather|Now", "Weatherly", -3);
    full.windowID = std::numeric_limits<uint32_t>::max();
    full.frameMinX = -12.75;
    std::vector<EnvironmentProfile> environments = {
        {platform::UUID::random(), "Work",
         {{platform::UUID::random(), "Näh", "cloud.sun", "14B8A6", "A.png",
           {full, item(std::nullopt, "Wi-Fi", std::nullopt, 2)}, false},
          {platform::UUID::random(), "Second", "star", "", std::nullopt, {}, true}}},
        {platform::UUID::random(), "Work", {}},  // names may repeat
    };
    auto data = EnvironmentProfile::encodeList(environments);
    ASSERT_TRUE(data);
    EXPECT_EQ(EnvironmentProfile::decodeList(*data), environments);
}

TEST(RecordCoding, ReadsLowerCaseIdsNullOptionalsAndUnknownKeys) {
    auto lowered = [](std::string id) {
        for (char& c : id) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return id;
    };
    const std::string lower =
        storedWithMember(R"({"itemIndex":1,"title":null,"windowID":4294967295,"frameMinX":3,"extra":[1]})",
                         lowered(kEnvironmentID), lowered(kGroupID), R"("customIconFilename":null,)");
    auto decoded = EnvironmentProfile::decodeList(bytes(lower));
    ASSERT_TRUE(decoded);
    const IconGroup& group = decoded->front().groups.front();
    EXPECT_EQ(decoded->front().id, uuid(kEnvironmentID));
    EXPECT_EQ(group.id, uuid(kGroupID));
    EXPECT_EQ(group.customIconFilename, std::nullopt);
    const MenuBarItemID& member = group.memberIDs.front();
    EXPECT_EQ(member.title, std::nullopt);
    EXPECT_EQ(member.windowID, 4294967295u);
    EXPECT_EQ(member.frameMinX, 3.0);
    // Written back in the canonical upper-case form.
    EXPECT_NE(text(*EnvironmentProfile::encodeList(*decoded)).find(kGroupID), std::string::npos);
}

TEST(RecordCoding, OneBadValueAnywhereFailsTheWholeList) {
    ASSERT_TRUE(EnvironmentProfile::decodeList(bytes(storedWithMember(R"({"itemIndex":0})"))));
    ASSERT_TRUE(EnvironmentProfile::decodeList(bytes(storedWithMember(R"({"itemIndex":2.0,"windowID":4294967295.0})"))));
    const char* badMembers[] = {
        R"({})",                                  // required index missing
        R"({"itemIndex":"0"})",                   // wrong type
        R"({"itemIndex":0.5})",                   // not a whole number
        R"({"itemIndex":null})",                  // null for a required value
        R"({"itemIndex":0,"windowID":4294967296})",  // beyond 32 bits
        R"({"itemIndex":0,"windowID":4294967296.0})",  // beyond 32 bits, written as a float
        R"({"itemIndex":0,"windowID":-1.0})",
        R"({"itemIndex":0,"windowID":-1})",
        R"({"itemIndex":0,"title":7})",
        R"({"itemIndex":0,"frameMinX":"1"})",
        R"({"itemIndex":0,"frameMinX":1e400})",   // not a finite double
        R"([0])",
    };
    for (const char* member : badMembers) {
        EXPECT_FALSE(EnvironmentProfile::decodeList(bytes(storedWithMember(member)))) << member;
    }
    std::string noGroups = std::string(R"([{"id":")") + kEnvironmentID + R"(","name":"Home"}])";
    std::string badUUID = storedWithMember(R"({"itemIndex":0})");
    badUUID.replace(badUUID.find(kGroupID), 36, "not-a-uuid");
    std::string visibleAsNumber = storedWithMember(R"({"itemIndex":0})");
    visibleAsNumber.replace(visibleAsNumber.find("true"), 4, "1");
    for (const std::string& stored : {noGroups, badUUID, visibleAsNumber, std::string("{}"),
                                      std::string("[] trailing"), std::string("")}) {
        EXPECT_FALSE(EnvironmentProfile::decodeList(bytes(stored))) << stored;
    }
}

TEST(RecordCoding, NonFiniteLeftEdgeCannotBeEncoded) {
    MenuBarItemID member = item("b", "t", "o");
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        member.frameMinX = bad;
        IconGroup group{platform::UUID::random(), "G", "star", "", std::nullopt, {member}, true};
        EXPECT_FALSE(EnvironmentProfile::encodeList({{platform::UUID::random(), "Work", {group}}}));
    }
}

TEST(RecordEquality, CoversEveryFieldExactly) {
    MenuBarItemID a = item("b", "Title", "Owner", 1);
    MenuBarItemID b = a;
    b.frameMinX = 10;
    IconGroup ga{platform::UUID::random(), "G", "star", "", std::nullopt, {a}, true};
    IconGroup gb = ga;
    gb.memberIDs = {b};
    EXPECT_NE(ga, gb);
    EXPECT_NE(item("b", "Title", "Owner"), item("b", "title", "Owner"));
    EXPECT_NE(item(std::nullopt, "T", "O"), item("", "T", "O"));

    std::unordered_set<MenuBarItemID> set = {a, b};
    EXPECT_EQ(set.size(), 2u);
    MenuBarItemID zero = a, negativeZero = a;
    zero.frameMinX = 0.0;
    negativeZero.frameMinX = -0.0;
    EXPECT_EQ(zero, negativeZero);
    EXPECT_EQ(std::hash<MenuBarItemID>{}(zero), std::hash<MenuBarItemID>{}(negativeZero));
    EXPECT_NE(std::hash<MenuBarItemID>{}(item(std::nullopt, "", "")), std::hash<MenuBarItemID>{}(item("", "", "")));
}

}  // namespace
}  // namespace tessivane
