#include "ModelTestSupport.h"
#include "model/AppAppearancePreference.h"
#include "model/GroupStore.h"
#include "model/UITestLaunch.h"
#include "model/UserPreferences.h"

namespace tessivane {
namespace {

class PreferencesTest : public modeltest::ModelTest {
protected:
    void launchWith(std::vector<std::string> extra) {
        std::vector<std::string> arguments = {"/Applications/Tessivane.app/Contents/MacOS/Tessivane"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        platform::ProcessInfo::setArguments(arguments);
    }
    std::shared_ptr<platform::UserDefaults> suite() {
        return platform::UserDefaults::suite(std::string(UITestLaunch::suiteName));
    }
};

TEST_F(PreferencesTest, UITestingLaunchUsesTheIsolatedSuite) {
    launchWith({"-UITesting"});
    EXPECT_EQ(UITestLaunch::defaults()->domainName(), UITestLaunch::suiteName);
    GroupStore store;
    store.load();
    UITestLaunch::defaults()->set(std::string(UserPreferences::hoverToOpenKey), false);
    EXPECT_TRUE(suite()->dataForKey(GroupStore::environmentsKey));
    EXPECT_FALSE(platform::UserDefaults::standard().object(GroupStore::environmentsKey));
    EXPECT_FALSE(UserPreferences::hoverToOpenEnabled());

    UITestLaunch::prepareIsolatedStore();
    const auto domain = suite()->persistentDomain(std::string(UITestLaunch::suiteName));
    EXPECT_TRUE(!domain || domain->empty());
    EXPECT_FALSE(UITestLaunch::defaults()->object(GroupStore::environmentsKey));
    EXPECT_TRUE(UserPreferences::hoverToOpenEnabled());
}

TEST_F(PreferencesTest, OnlyTheExactArgumentCounts) {
    suite()->set("Tessivane.Marker", true);
    for (std::string argument : {"--UITesting", "-UITestingX", "-uitesting", "x-UITesting"}) {
        launchWith({argument});
        EXPECT_EQ(UITestLaunch::defaults()->domainName(), platform::UserDefaults::standard().domainName()) << argument;
        UITestLaunch::prepareIsolatedStore();
        EXPECT_TRUE(suite()->object("Tessivane.Marker")) << argument;
    }
    launchWith({"-NSDocumentRevisionsDebugMode", "YES", "-UITesting"});
    EXPECT_EQ(UITestLaunch::defaults()->domainName(), UITestLaunch::suiteName);
}

TEST_F(PreferencesTest, HoverToOpenIsOnUnlessTurnedOff) {
    auto defaults = UITestLaunch::defaults();
    const std::string key(UserPreferences::hoverToOpenKey);
    EXPECT_TRUE(UserPreferences::hoverToOpenEnabled());
    defaults->set(key, false);
    EXPECT_FALSE(UserPreferences::hoverToOpenEnabled());
    defaults->set(key, "NO");
    EXPECT_FALSE(UserPreferences::hoverToOpenEnabled());
    defaults->set(key, 1);
    EXPECT_TRUE(UserPreferences::hoverToOpenEnabled());
    // Asked again and again, it still follows a value removed, or one only the global domain holds.
    defaults->removeObject(key);
    EXPECT_TRUE(UserPreferences::hoverToOpenEnabled());
    platform::Preferences::setAppValue(key, platform::PropertyValue(false), platform::Preferences::kAnyApplication);
    EXPECT_FALSE(UserPreferences::hoverToOpenEnabled());
    EXPECT_FALSE(UserPreferences::hoverToOpenEnabled());
    defaults->set(key, true);
    EXPECT_TRUE(UserPreferences::hoverToOpenEnabled());
}

TEST_F(PreferencesTest, AppearanceReadsOnlyItsExactRawValues) {
    auto defaults = UITestLaunch::defaults();
    const std::string key(UserPreferences::appearanceKey);
    EXPECT_EQ(UserPreferences::appearance(), AppAppearancePreference::system);
    defaults->set(key, "dark");
    EXPECT_EQ(UserPreferences::appearance(), AppAppearancePreference::dark);
    defaults->set(key, "light");
    EXPECT_EQ(UserPreferences::appearance(), AppAppearancePreference::light);
    defaults->set(key, "Dark");
    EXPECT_EQ(UserPreferences::appearance(), AppAppearancePreference::system);
    defaults->set(key, 2);
    EXPECT_EQ(UserPreferences::appearance(), AppAppearancePreference::system);

    EXPECT_EQ(AppAppearancePreference::fromRawValue("system"), AppAppearancePreference::system);
    EXPECT_EQ(AppAppearancePreference::fromRawValue(""), std::nullopt);
    EXPECT_EQ(AppAppearancePreference::fromRawValue("Light"), std::nullopt);
    std::vector<std::string_view> raw;
    for (AppAppearancePreference p : AppAppearancePreference::allCases()) raw.push_back(p.rawValue());
    EXPECT_EQ(raw, (std::vector<std::string_view>{"system", "light", "dark"}));
}

}  // namespace
}  // namespace tessivane
