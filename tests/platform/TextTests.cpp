#include <gtest/gtest.h>

#include "platform/Text.h"
#include "support/TestHome.h"

using namespace platform;

namespace {

class TextTest : public testsupport::TestHome {};

TEST_F(TextTest, TrimmingRemovesUnicodeWhiteSpaceAndNewlinesOnly) {
    EXPECT_EQ(Text::trimmed("  \t\n Wi-Fi \r\n"), "Wi-Fi");
    EXPECT_EQ(Text::trimmed("\u00A0\u2003Café\u3000\u2028"), "Café");  // no-break, em and ideographic spaces
    EXPECT_EQ(Text::trimmed(" a b "), "a b");
    EXPECT_EQ(Text::trimmed(" \n\t "), "");
    EXPECT_EQ(Text::trimmed("\u200Bzero\u200B"), "\u200Bzero\u200B");  // a zero-width space is not white space
    EXPECT_EQ(Text::trimmed(" \xff\xfe "), "\xff\xfe");                 // broken UTF-8 is kept, not crashed on
}

TEST_F(TextTest, CaseMappingAndComparisonUseFullUnicodeRules) {
    EXPECT_EQ(Text::lowercased("Control Center"), "control center");
    EXPECT_EQ(Text::lowercased("ÉCLAIR ΣΟΦΟΣ"), "éclair σοφος");
    EXPECT_EQ(Text::uppercased("straße"), "STRASSE");

    // The key of a text is equal for exactly the texts that compare equal, ASCII or not.
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } pairs[] = {
        {"Bluetooth", "bluetooth", true},
        {"STRASSE", "straße", true},
        {"Caf\u00E9", "CAFE\u0301", true},  // composed and decomposed é
        {"\u212A", "k", true},                // the Kelvin sign folds to an ASCII letter
        {"ΣΟΦΟΣ", "σοφος", true},
        {"Café", "Cafe", false},
        {"Wi-Fi", "WiFi", false},
        {"Wi-Fi", "Wi-Fi ", false},
        {"", "", true},
    };
    for (const auto& [a, b, equal] : pairs) {
        EXPECT_EQ(Text::caseInsensitiveEquals(a, b), equal) << a << " / " << b;
        EXPECT_EQ(Text::caseInsensitiveKey(a) == Text::caseInsensitiveKey(b), equal) << a << " / " << b;
    }
}

TEST_F(TextTest, ContainmentIsCaseInsensitiveAndTheStandardOneAlsoIgnoresDiacritics) {
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("Tessivane Helper", "tessivane"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("MÜNCHEN WETTER", "münchen"));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("Große Uhr", "GROSSE"));
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("Café", "cafe"));  // the accent is part of the letter
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("anything", ""));
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("مركز التحكم", "التحكم"));

    EXPECT_TRUE(Text::localizedStandardContains("Café Crème", "cafe creme"));
    EXPECT_TRUE(Text::localizedStandardContains("résumé", "RESUME"));
    EXPECT_FALSE(Text::localizedStandardContains("résumé", "resumes"));
    EXPECT_FALSE(Text::localizedStandardContains("abc", ""));

    // Turkish: the capital of ı is I, and of i is İ.
    Text::setCurrentLocale("tr_TR");
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("DİYARBAKIR", "diyarbakır"));
    EXPECT_FALSE(Text::localizedCaseInsensitiveContains("DIYARBAKIR", "diyarbakir"));
    Text::setCurrentLocale("en_US");
    EXPECT_TRUE(Text::localizedCaseInsensitiveContains("DIYARBAKIR", "diyarbakir"));
}

TEST_F(TextTest, SplittingKeepsLettersAndNumbersOfEveryScript) {
    EXPECT_EQ(Text::splitOnNonAlphanumerics("com.apple.menuextra.wifi"),
              (std::vector<std::string>{"com", "apple", "menuextra", "wifi"}));
    EXPECT_EQ(Text::splitOnNonAlphanumerics("--Café_Crème  v2.0!"),
              (std::vector<std::string>{"Café", "Crème", "v2", "0"}));
    EXPECT_EQ(Text::splitOnNonAlphanumerics("Cafe\u0301 ١٢٣ مركز"),
              (std::vector<std::string>{"Cafe\u0301", "١٢٣", "مركز"}));
    EXPECT_EQ(Text::splitOnNonAlphanumerics("🔋 battery"), (std::vector<std::string>{"battery"}));
    EXPECT_TRUE(Text::splitOnNonAlphanumerics(" - _ ").empty());
}

TEST_F(TextTest, CharacterCountCountsWhatAPersonSeesAsOneCharacter) {
    EXPECT_EQ(Text::characterCount("wifi"), 4u);
    EXPECT_EQ(Text::characterCount("a\r\nb"), 3u);
    EXPECT_EQ(Text::characterCount("Cafe\u0301"), 4u);
    EXPECT_EQ(Text::characterCount("مركز"), 4u);
    EXPECT_EQ(Text::characterCount("👍🏽"), 1u);                        // with a skin tone
    EXPECT_EQ(Text::characterCount("👨‍👩‍👧‍👦🇫🇷"), 2u);  // a family and a flag
    EXPECT_EQ(Text::characterCount(""), 0u);
}

TEST_F(TextTest, CapitalizingWorksWordByWordInTheLocale) {
    EXPECT_EQ(Text::capitalized("wi-fi"), "Wi-Fi");
    EXPECT_EQ(Text::capitalized("my custom ITEM"), "My Custom Item");
    EXPECT_EQ(Text::capitalized("now playing_2go"), "Now Playing_2Go");
    EXPECT_EQ(Text::capitalized("élan vital"), "Élan Vital");
    EXPECT_EQ(Text::capitalized("istanbul", "tr"), "İstanbul");
    EXPECT_EQ(Text::capitalized("istanbul", "en"), "Istanbul");
    EXPECT_EQ(Text::capitalized(""), "");
}

TEST_F(TextTest, LanguageDirectionAndCurrentLocale) {
    for (const char* rtl : {"ar", "he", "fa", "ur", "ar_SA"}) EXPECT_TRUE(Text::isRightToLeftLanguage(rtl)) << rtl;
    for (const char* ltr : {"en", "de", "ja", "tr", ""}) EXPECT_FALSE(Text::isRightToLeftLanguage(ltr)) << ltr;
    EXPECT_EQ(Text::currentLocale(), "en_US");
    Text::setCurrentLocale("de_DE");
    EXPECT_EQ(Text::currentLocale(), "de_DE");
}

}  // namespace
