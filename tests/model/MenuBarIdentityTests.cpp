#include "ModelTestSupport.h"
#include "model/DiscoveredMenuBarItem.h"
#include "model/GenericHostMemo.h"
#include "model/MemberNames.h"
#include "model/MenuBarIdentity.h"

namespace tessivane {
namespace {

using modeltest::item;
using Strings = std::vector<std::string>;

class MenuBarIdentityTest : public modeltest::ModelTest {};

TEST_F(MenuBarIdentityTest, IdentityStringJoinsFourPartsUnescaped) {
    EXPECT_EQ(item("B", "T", "O", 0).id(), "B|O|T|0");
    EXPECT_EQ(item(std::nullopt, std::nullopt, "Clock", 2).id(), "|Clock||2");
    EXPECT_EQ(item("b", "A|B", std::nullopt, -1).id(), "b||A|B|-1");

    // Unescaped parts can join to the same string; the match follows the strings.
    MenuBarItemID a = item("a|", std::nullopt, std::nullopt), b = item("a", std::nullopt, "|");
    ASSERT_EQ(a.id(), b.id());
    EXPECT_TRUE(a.hasSameIdentityString(b));
    EXPECT_TRUE(a.isSameMember(b));
    EXPECT_FALSE(item("a", "x", "o").hasSameIdentityString(item("a", "x", "o", 1)));
}

TEST_F(MenuBarIdentityTest, WindowAndPositionChangesKeepMembership) {
    MenuBarItemID stored = item("com.example.a", "A", "Aapp"), live = stored;
    live.windowID = 99;
    live.frameMinX = 1200;
    EXPECT_NE(stored, live);
    EXPECT_TRUE(stored.isSameMember(live));
}

TEST_F(MenuBarIdentityTest, MeaningfulTokens) {
    EXPECT_EQ(MenuBarIdentity::meaningfulTokens("Menu Extra: Weather Sync"), (Strings{"weather", "sync"}));
    EXPECT_EQ(MenuBarIdentity::meaningfulTokens("Wi-Fi"), Strings{});
    EXPECT_EQ(MenuBarIdentity::meaningfulTokens("Menu Item Extra Button Group Status the and for App Icon Bar Mobile "
                                                "Disconnected Connected Control Center Centre"),
              Strings{});
    EXPECT_EQ(MenuBarIdentity::meaningfulTokens("Menus Items Groups Controls"),
              (Strings{"menus", "items", "groups", "controls"}));
    EXPECT_EQ(MenuBarIdentity::meaningfulTokens("Sync, SYNC; café 2024"), (Strings{"sync", "sync", "café", "2024"}));
    // Four user-perceived characters, whatever their encoding: "é" written as e + accent.
    EXPECT_EQ(MenuBarIdentity::meaningfulTokens("e\u0301e\u0301e\u0301"), Strings{});
    EXPECT_EQ(MenuBarIdentity::meaningfulTokens("Conn\u00e9ct\u00e9d Connected disconnected mobile control centre"),
              Strings{"conn\u00e9ct\u00e9d"});
}

TEST_F(MenuBarIdentityTest, NamesMatchByEqualityOrContainedWords) {
    auto match = [](MenuBarItemID a, MenuBarItemID b) { return a.isSameMember(b); };
    EXPECT_FALSE(match(item(std::nullopt, "Wi-Fi", std::nullopt), item(std::nullopt, "Battery", std::nullopt)));
    EXPECT_TRUE(match(item(std::nullopt, "Focus", std::nullopt), item(std::nullopt, "Focus Modes", std::nullopt, 3)));
    EXPECT_TRUE(match(item("com.a", "Bluetooth", std::nullopt), item("com.b", "bluetooth", std::nullopt, 1)));
    // Containment is a substring test, and ignores case.
    EXPECT_TRUE(MenuBarIdentity::namesOverlap(item(std::nullopt, "Weather", std::nullopt), "WEATHERLY", ""));
    EXPECT_TRUE(MenuBarIdentity::namesOverlap(item(std::nullopt, "x", "MyWeatherApp"), "", "Weather Service"));
    // Short names never match by containment, only by equality.
    EXPECT_FALSE(match(item(std::nullopt, "VPN", std::nullopt), item(std::nullopt, "VPN Tunnel", std::nullopt, 1)));
    EXPECT_TRUE(match(item(std::nullopt, "VPN", std::nullopt), item(std::nullopt, "x", "vpn", 1)));
    // Empty names take part in no pair.
    EXPECT_FALSE(MenuBarIdentity::namesOverlap(item(std::nullopt, "", ""), "", ""));
    EXPECT_FALSE(MenuBarIdentity::namesOverlap(item(std::nullopt, std::nullopt, std::nullopt), "Clock", "Clock"));
    // Either stored name alone is enough.
    EXPECT_TRUE(MenuBarIdentity::namesOverlap(item(std::nullopt, std::nullopt, "Weatherly"), "", "Weatherly"));
    EXPECT_TRUE(MenuBarIdentity::namesOverlap(item(std::nullopt, "Weatherly", std::nullopt), "Weatherly", ""));
}

TEST_F(MenuBarIdentityTest, IdentityWithoutNamesMatchesOnlyByStringOrOwnBundle) {
    MenuBarItemID bare = item("com.example.sync", std::nullopt, std::nullopt, 1);
    EXPECT_TRUE(bare.isSameMember(item("com.example.sync", "Sync Status", "Syncer", 4)));
    EXPECT_FALSE(bare.isSameMember(item("com.other", "com.example.sync", "Sync", 1)));
    EXPECT_FALSE(item(std::nullopt, std::nullopt, std::nullopt, 1).isSameMember(item(std::nullopt, "x", "y", 1)));
}

TEST_F(MenuBarIdentityTest, GenericHosts) {
    using MenuBarIdentity::isGenericHost;
    EXPECT_TRUE(isGenericHost(std::string("com.apple.controlcenter"), "Anything"));
    EXPECT_TRUE(isGenericHost(std::nullopt, "  Control Centre\n"));
    EXPECT_TRUE(isGenericHost(std::string("com.apple.systemuiserver"), "SystemUIServer"));
    EXPECT_FALSE(isGenericHost(std::nullopt, "Kontrollzentrum"));
    runControlCenter("Kontrollzentrum");
    EXPECT_TRUE(isGenericHost(std::nullopt, " KONTROLLZENTRUM "));
    EXPECT_FALSE(isGenericHost(std::nullopt, "Kontrollzentrum Plus"));

    workspace.apps.clear();
    runControlCenter(std::nullopt);
    EXPECT_FALSE(isGenericHost(std::nullopt, ""));
}

TEST_F(MenuBarIdentityTest, ControlCenterModulesAreToldApartByTheirOwnNames) {
    MenuBarItemID wifi = item("com.apple.controlcenter", "Wi-Fi", "Control Center", 0);
    MenuBarItemID sound = item("com.apple.controlcenter", "Sound", "Control Centre", 1);
    EXPECT_FALSE(wifi.isSameMember(sound));
    // The host's name is every module's owner: it must not make two modules one member.
    EXPECT_FALSE(wifi.isSameMember(item("com.apple.controlcenter", "Sound", "CONTROL CENTER", 1)));
    EXPECT_FALSE(item(std::nullopt, "Clock", "SystemUIServer", 0).isSameMember(item(std::nullopt, "Wi-Fi", "systemuiserver", 1)));
    EXPECT_TRUE(wifi.isSameMember(item("com.apple.controlcenter", "wi-fi", "Control Center", 4)));
    // Owner names of ordinary applications still count, in any case.
    EXPECT_TRUE(item(std::nullopt, "Sync", "Dropbox", 0).isSameMember(item(std::nullopt, "Status", "DROPBOX", 1)));

    // Under its localized name the host is as generic, for membership and for the one-sided
    // comparisons alike.
    runControlCenter("Kontrollzentrum");
    const MenuBarItemID clock = item(std::nullopt, "Uhr", "Kontrollzentrum", 0);
    EXPECT_FALSE(clock.isSameMember(item(std::nullopt, "Ton", "Kontrollzentrum", 1)));
    GenericHostMemo hosts;
    EXPECT_EQ(MemberNames::stored(clock, hosts).text(1), "");
    EXPECT_EQ(MemberNames::live("Ton", "kontrollzentrum", hosts).text(1), "");
    EXPECT_EQ(MemberNames::stored(item("com.apple.controlcenter", "Uhr", "Zentrale", 0), hosts).text(1), "");
    EXPECT_EQ(MemberNames::stored(item("com.example", "Uhr", "Zentrale", 0), hosts).text(1), "Zentrale");

    // In a scope every memo, the ones made per comparison too, answers from one memory: the
    // host's name as it was first asked. Once the scope ends, a memo asks again.
    const MenuBarItemID ton = item(std::nullopt, "Ton", "Kontrollzentrum", 1);
    {
        GenericHostMemo::Scope scan;
        EXPECT_FALSE(clock.isSameMember(ton));
        workspace.apps.clear();
        runControlCenter("Centre de contr\u00F4le");
        EXPECT_FALSE(clock.isSameMember(ton));
    }
    EXPECT_TRUE(clock.isSameMember(ton));
}

TEST_F(MenuBarIdentityTest, OwnIconsMatchOnlyByIdentityString) {
    MenuBarItemID settings = item("com.tessivane.Tessivane", "Tessivane Settings", "Tessivane", 0);
    MenuBarItemID vossel = item("com.tessivane.Tessivane", "Tessivane Settings", "Tessivane", 1);
    EXPECT_FALSE(settings.isSameMember(vossel));
    EXPECT_TRUE(settings.isSameMember(item("com.tessivane.Tessivane", "Tessivane Settings", "Tessivane", 0)));
    MenuBarItemID byOwner = item(std::nullopt, "Weather", "my TESSIVANE helper", 0);
    EXPECT_FALSE(byOwner.isSameMember(item(std::nullopt, "Weather", "my tessivane helper", 1)));
    EXPECT_TRUE(MenuBarIdentity::isSelf(std::nullopt, "TessiVane"));
    EXPECT_FALSE(MenuBarIdentity::isSelf(std::string("com.tessivane.tessivane"), "Other"));
}

TEST_F(MenuBarIdentityTest, MembershipIsSymmetric) {
    runControlCenter("Kontrollzentrum");
    const std::vector<MenuBarItemID> ids = {
        item("com.apple.controlcenter", "Wi-Fi", "Control Center", 0),
        item("com.apple.controlcenter", "Focus", "Control Center", 1),
        item(std::nullopt, "Focus Modes", std::nullopt, 0),
        item("com.example.weather", "Weather", "Weatherly", 0),
        item("com.example.weather", std::nullopt, std::nullopt, 3),
        item("com.tessivane.Tessivane", "Weather", "Tessivane", 0),
        item(std::nullopt, "Tessivane Weather", "Helper", 0),
        item("com.hosted", "Uhr", "Kontrollzentrum", 0),
        item("com.hosted", "Ton", "Anderes", 1),
        item(std::nullopt, "VPN", "vpnd", 0),
        item("com.example.vpn", "vpn", std::nullopt, 2),
        item(std::nullopt, std::nullopt, std::nullopt, 0),
    };
    for (const auto& a : ids) {
        for (const auto& b : ids) {
            EXPECT_EQ(a.isSameMember(b), b.isSameMember(a)) << a.id() << " vs " << b.id();
        }
    }
}

TEST_F(MenuBarIdentityTest, HorizontalOverlap) {
    using MenuBarIdentity::xOverlap;
    EXPECT_EQ(xOverlap({0, 0, 10, 22}, {10, 0, 10, 22}), 0);
    EXPECT_EQ(xOverlap({5, 0, 10, 22}, {5, 900, 10, 1}), 1);
    EXPECT_EQ(xOverlap({0, 0, 10, 22}, {4, 0, 0, 22}), 0);
    EXPECT_DOUBLE_EQ(xOverlap({0, 0, 10, 22}, {5, 0, 10, 22}), 5.0 / 15);
    EXPECT_EQ(xOverlap({0, 0, 10, 22}, {30, 0, 10, 22}), 0);
    EXPECT_EQ(xOverlap({3, 0, 0, 22}, {3, 0, 0, 22}), 0);
}

TEST_F(MenuBarIdentityTest, DisplayNameFallsBackFromTitleToApplicationToOwner) {
    workspace.knownApplications.push_back({"com.example.weather", "/Applications/Weatherly.app"});
    DiscoveredMenuBarItem live;
    live.title = "Forecast";
    live.ownerName = "weatherd";
    live.bundleIdentifier = "com.example.weather";
    EXPECT_EQ(live.displayName(), "Forecast");
    live.title.clear();
    EXPECT_EQ(live.displayName(), "Weatherly");
    live.bundleIdentifier = "com.example.unknown";
    EXPECT_EQ(live.displayName(), "weatherd");
    live.bundleIdentifier.reset();
    live.ownerName.clear();
    EXPECT_EQ(live.displayName(), "Unknown");

    // Without a bundle only the owner is left, whatever bundle the item had before.
    workspace.knownApplications.push_back({"com.tide", "/Applications/Tide.app"});
    DiscoveredMenuBarItem tide;
    tide.ownerName = "tided";
    tide.bundleIdentifier = "com.tide";
    EXPECT_EQ(tide.displayName(), "Tide");
    tide.bundleIdentifier.reset();
    EXPECT_EQ(tide.displayName(), "tided");
}

}  // namespace
}  // namespace tessivane
