#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Text rules on UTF-8 strings, through ICU, with Foundation's meanings.
namespace Text {
// Trims Unicode white space and newlines at both ends.
std::string trimmed(std::string_view s);
std::string lowercased(std::string_view s);
std::string uppercased(std::string_view s);
// caseInsensitiveCompare == .orderedSame
bool caseInsensitiveEquals(std::string_view a, std::string_view b);
// A form of the text under which caseInsensitiveEquals strings are equal, for hashing:
// equal texts have equal keys (unequal ones may collide only where UTF-8 was malformed).
std::string caseInsensitiveKey(std::string_view s);
// localizedCaseInsensitiveContains / range(of:options:.caseInsensitive) in the current locale.
bool localizedCaseInsensitiveContains(std::string_view haystack, std::string_view needle);
// The form in which localizedCaseInsensitiveContains compares, in the current locale, for
// indexing: a text it finds in another is a run of the bytes of the other's form.
std::string caseInsensitiveSearchKey(std::string_view s);
// localizedStandardContains: case- and diacritic-insensitive containment.
bool localizedStandardContains(std::string_view haystack, std::string_view needle);
// Splits at every character that is neither a letter nor a number (Unicode properties);
// empty pieces are dropped.
std::vector<std::string> splitOnNonAlphanumerics(std::string_view s);
// User-perceived characters (grapheme clusters).
size_t characterCount(std::string_view s);
// Capitalizes word by word in a locale ("wi-fi" -> "Wi-Fi").
std::string capitalized(std::string_view s, const std::string& locale = "");
bool isRightToLeftLanguage(const std::string& languageCode);
// The current locale identifier ("en_US"), from the preferred languages when set.
std::string currentLocale();
void setCurrentLocale(const std::string& locale);
}  // namespace Text

}  // namespace platform
