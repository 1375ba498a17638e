#include "platform/Text.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

namespace platform::Text {
namespace {

// Names and titles are mostly ASCII; those take paths that neither convert nor allocate.
bool isASCII(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// ICU indexes with int32_t; text beyond that is far outside anything this program shows.
int32_t clampedLength(std::string_view s) { return static_cast<int32_t>(std::min<size_t>(s.size(), INT32_MAX)); }

icu::UnicodeString unicode(std::string_view s) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), clampedLength(s)));
}

std::string utf8(const icu::UnicodeString& s) {
    std::string out;
    s.toUTF8String(out);
    return out;
}

bool isTurkic(std::string_view locale) {
    const auto language = locale.substr(0, locale.find_first_of("_-"));
    return language == "tr" || language == "az";
}

struct LocaleState {
    std::mutex mutex;
    std::string current = "en_US";
    // Whether `current` is Turkish or Azerbaijani, kept beside it: the case-insensitive
    // comparisons ask for every pair of names they match, and need no copy of the locale.
    std::atomic<bool> turkic{false};
};

LocaleState& localeState() {
    static LocaleState s;
    return s;
}

bool currentLocaleIsTurkic() { return localeState().turkic.load(std::memory_order_relaxed); }

// The form in which two texts are compared without regard to case: canonically decomposed,
// case-folded (with the dotted and dotless i of Turkish when the locale asks for it), and
// optionally without its diacritics.
icu::UnicodeString searchForm(std::string_view s, bool turkic, bool withoutDiacritics) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString text = unicode(s);
    if (U_FAILURE(status)) return text.foldCase(turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT);
    // Folded before decomposing, so that Turkish İ folds to i rather than to I + dot.
    text.foldCase(turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT);
    text = nfd->normalize(text, status);
    if (withoutDiacritics) {
        icu::UnicodeString stripped;
        for (int32_t i = 0; i < text.length();) {
            UChar32 c = text.char32At(i);
            if (u_charType(c) != U_NON_SPACING_MARK) stripped.append(c);
            i += U16_LENGTH(c);
        }
        text = std::move(stripped);
    }
    return text;
}

// A match counts only where it ends at the end of a user-perceived character: "cafe" is
// not found in "café", whose accent follows the "e".
bool containsWhole(const icu::UnicodeString& haystack, const icu::UnicodeString& needle) {
    if (needle.isEmpty()) return false;
    for (int32_t from = 0;;) {
        int32_t at = haystack.indexOf(needle, from);
        if (at < 0) return false;
        int32_t end = at + needle.length();
        if (end >= haystack.length() || !u_hasBinaryProperty(haystack.char32At(end), UCHAR_GRAPHEME_EXTEND)) {
            return true;
        }
        from = at + 1;
    }
}

bool asciiContainsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return false;
    auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                          [](char a, char b) { return asciiLower(a) == asciiLower(b); });
    return it != haystack.end();
}

bool isAlphanumeric(UChar32 c) {
    // Marks belong to the letter they follow, so "é" written as e + accent stays one word.
    return c >= 0 && (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_N_MASK | U_GC_M_MASK)) != 0;
}

}  // namespace

std::string trimmed(std::string_view s) {
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const int32_t length = clampedLength(s);
    int32_t start = 0;
    while (start < length) {
        int32_t i = start;
        UChar32 c;
        U8_NEXT(p, i, length, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        start = i;
    }
    int32_t end = length;
    while (end > start) {
        int32_t i = end;
        UChar32 c;
        U8_PREV(p, start, i, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        end = i;
    }
    return std::string(s.substr(start, end - start));
}

namespace {

// Full case mapping in the root locale; ASCII byte by byte.
template <class ASCIIMapping, class UnicodeMapping>
std::string mapCase(std::string_view s, ASCIIMapping ascii, UnicodeMapping mapping) {
    if (!isASCII(s)) {
        icu::UnicodeString text = unicode(s);
        return utf8(mapping(text, icu::Locale::getRoot()));
    }
    std::string out(s);
    for (char& c : out) c = ascii(c);
    return out;
}

}  // namespace

std::string lowercased(std::string_view s) {
    return mapCase(s, asciiLower, [](icu::UnicodeString& t, const icu::Locale& l) -> auto& { return t.toLower(l); });
}

std::string uppercased(std::string_view s) {
    return mapCase(s, asciiUpper, [](icu::UnicodeString& t, const icu::Locale& l) -> auto& { return t.toUpper(l); });
}

bool caseInsensitiveEquals(std::string_view a, std::string_view b) {
    if (isASCII(a) && isASCII(b)) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
    }
    return searchForm(a, false, false) == searchForm(b, false, false);
}

namespace {

// searchForm as UTF-8. Outside Turkish and Azerbaijani, ASCII folds to its lower case, as
// searchForm would give it, without ICU.
std::string foldedUTF8(std::string_view s, bool turkic) {
    if (!turkic && isASCII(s)) {
        std::string key(s);
        for (char& c : key) c = asciiLower(c);
        return key;
    }
    return utf8(searchForm(s, turkic, false));
}

}  // namespace

std::string caseInsensitiveKey(std::string_view s) { return foldedUTF8(s, false); }

bool localizedCaseInsensitiveContains(std::string_view haystack, std::string_view needle) {
    const bool turkic = currentLocaleIsTurkic();
    if (!turkic && isASCII(haystack) && isASCII(needle)) return asciiContainsIgnoringCase(haystack, needle);
    return containsWhole(searchForm(haystack, turkic, false), searchForm(needle, turkic, false));
}

std::string caseInsensitiveSearchKey(std::string_view s) { return foldedUTF8(s, currentLocaleIsTurkic()); }

bool localizedStandardContains(std::string_view haystack, std::string_view needle) {
    const bool turkic = currentLocaleIsTurkic();
    if (!turkic && isASCII(haystack) && isASCII(needle)) return asciiContainsIgnoringCase(haystack, needle);
    auto folded = searchForm(needle, turkic, true);
    return !folded.isEmpty() && searchForm(haystack, turkic, true).indexOf(folded) >= 0;
}

std::vector<std::string> splitOnNonAlphanumerics(std::string_view s) {
    std::vector<std::string> pieces;
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const int32_t length = clampedLength(s);
    int32_t pieceStart = -1;
    for (int32_t i = 0; i < length;) {
        const int32_t at = i;
        UChar32 c;
        U8_NEXT(p, i, length, c);
        if (isAlphanumeric(c)) {
            if (pieceStart < 0) pieceStart = at;
        } else if (pieceStart >= 0) {
            pieces.emplace_back(s.substr(pieceStart, at - pieceStart));
            pieceStart = -1;
        }
    }
    if (pieceStart >= 0) pieces.emplace_back(s.substr(pieceStart, length - pieceStart));
    return pieces;
}

size_t characterCount(std::string_view s) {
    if (isASCII(s)) {
        // In ASCII only CR LF joins two bytes into one character.
        size_t count = s.size();
        for (size_t i = 1; i < s.size(); ++i) {
            if (s[i - 1] == '\r' && s[i] == '\n') --count;
        }
        return count;
    }
    thread_local std::unique_ptr<icu::BreakIterator> characters;
    UErrorCode status = U_ZERO_ERROR;
    if (!characters) {
        characters.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !characters) {
            characters.reset();
            return static_cast<size_t>(unicode(s).countChar32());
        }
    }
    UText text = UTEXT_INITIALIZER;
    utext_openUTF8(&text, s.data(), clampedLength(s), &status);
    characters->setText(&text, status);
    size_t count = 0;
    if (U_SUCCESS(status)) {
        characters->first();
        while (characters->next() != icu::BreakIterator::DONE) ++count;
    }
    // Leave the iterator on an empty text, so it keeps no pointer into the caller's string.
    characters->setText(icu::UnicodeString());
    utext_close(&text);
    return count;
}

// Foundation's rule: a cased letter is title-cased when what precedes it is not a cased
// letter (case-ignorable characters such as the apostrophe carry the previous state), and
// everything else is lower-cased. So "wi-fi" becomes "Wi-Fi" and "o'neil" "O'neil".
std::string capitalized(std::string_view s, const std::string& locale) {
    const icu::Locale loc(locale.empty() ? currentLocale().c_str() : locale.c_str());
    const icu::UnicodeString text = unicode(s);
    icu::UnicodeString out;
    int32_t lowerStart = 0;
    bool lastCased = false;
    for (int32_t i = 0; i < text.length();) {
        const UChar32 c = text.char32At(i);
        const int32_t n = U16_LENGTH(c);
        const bool cased = u_hasBinaryProperty(c, UCHAR_CASED);
        if (cased && !lastCased) {
            out.append(icu::UnicodeString(text, lowerStart, i - lowerStart).toLower(loc));
            icu::UnicodeString first(c);
            out.append(first.toTitle(nullptr, loc, U_TITLECASE_WHOLE_STRING | U_TITLECASE_NO_BREAK_ADJUSTMENT));
            lowerStart = i + n;
        }
        lastCased = cased || (lastCased && u_hasBinaryProperty(c, UCHAR_CASE_IGNORABLE));
        i += n;
    }
    out.append(icu::UnicodeString(text, lowerStart).toLower(loc));
    return utf8(out);
}

bool isRightToLeftLanguage(const std::string& languageCode) {
    if (languageCode.empty()) return false;
    return uloc_isRightToLeft(languageCode.c_str());
}

std::string currentLocale() {
    auto& state = localeState();
    std::lock_guard lock(state.mutex);
    return state.current;
}

void setCurrentLocale(const std::string& locale) {
    auto& state = localeState();
    std::lock_guard lock(state.mutex);
    state.current = locale.empty() ? "en_US" : locale;
    state.turkic.store(isTurkic(state.current), std::memory_order_relaxed);
}

}  // namespace platform::Text
