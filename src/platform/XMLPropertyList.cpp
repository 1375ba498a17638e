#include "platform/XMLPropertyList.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/UTF16.h"

namespace platform::XMLPropertyList {
namespace {

using namespace std::string_view_literals;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Appends a run of text, with U+FFFD for each byte that starts no valid UTF-8 sequence. A
// surrogate is no character in UTF-8 text: its bytes are replaced too.
void appendText(std::string& out, std::string_view run) {
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    size_t plain = 0;  // start of the bytes not yet appended
    for (size_t i = 0; i < run.size();) {
        if (static_cast<unsigned char>(run[i]) < 0x80) {
            ++i;
            continue;
        }
        const auto [c, length] = UTF16::decodeUTF8(run, i);
        if (length != 0 && !(c >= 0xD800 && c < 0xE000)) {
            i += length;
            continue;
        }
        out.append(run.substr(plain, i - plain));
        out.append(kReplacement);
        plain = ++i;
    }
    out.append(run.substr(plain));
}

Data base64(std::string_view text) {
    Data out;
    out.reserve(text.size() / 4 * 3);
    uint32_t bits = 0;
    int held = 0;
    for (const char c : text) {
        int sextet = -1;
        if (c >= 'A' && c <= 'Z') sextet = c - 'A';
        else if (c >= 'a' && c <= 'z') sextet = c - 'a' + 26;
        else if (c >= '0' && c <= '9') sextet = c - '0' + 52;
        else if (c == '+') sextet = 62;
        else if (c == '/') sextet = 63;
        if (sextet < 0) continue;  // line breaks, indentation and padding
        bits = (bits << 6 | static_cast<uint32_t>(sextet)) & 0xFFFFFF;
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(static_cast<uint8_t>(bits >> held));
        }
    }
    return out;
}

// Decimal or "0x" hexadecimal, either sign: what 64 bits hold, signed or unsigned.
std::optional<PropertyValue> integer(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!negative) return PropertyValue(magnitude);
    if (magnitude > uint64_t{1} << 63) return std::nullopt;
    return PropertyValue(static_cast<int64_t>(0 - magnitude));
}

std::optional<PropertyValue> real(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return PropertyValue(value);
}

// "2026-01-05T09:00:00Z", of any year of the proleptic Gregorian calendar, with an optional
// fraction of a second.
std::optional<PropertyValue> date(std::string_view text) {
    text = trimmed(text);
    size_t at = 0;
    const auto field = [&](size_t fewest, size_t most, int64_t& value) {
        const size_t start = at;
        value = 0;
        while (at < text.size() && at - start < most && text[at] >= '0' && text[at] <= '9') {
            value = value * 10 + (text[at++] - '0');
        }
        return at - start >= fewest;
    };
    const auto expect = [&](char c) { return at < text.size() && text[at++] == c; };
    const bool negative = at < text.size() && text[at] == '-';
    if (negative) ++at;
    int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!field(1, 5, year) || !expect('-') || !field(2, 2, month) || !expect('-') || !field(2, 2, day) ||
        !expect('T') || !field(2, 2, hour) || !expect(':') || !field(2, 2, minute) || !expect(':') ||
        !field(2, 2, second)) {
        return std::nullopt;
    }
    double fraction = 0;
    if (at < text.size() && text[at] == '.') {
        const size_t start = at++;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        if (at == start + 1) return std::nullopt;
        std::from_chars(text.data() + start, text.data() + at, fraction);  // "0.25" from ".25"
    }
    if (!expect('Z') || at != text.size() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    using namespace std::chrono;
    const year_month_day ymd{std::chrono::year{static_cast<int>(negative ? -year : year)},
                             std::chrono::month{static_cast<unsigned>(month)},
                             std::chrono::day{static_cast<unsigned>(day)}};
    if (!ymd.ok()) return std::nullopt;
    const int64_t seconds = sys_days(ymd).time_since_epoch().count() * 86400 + hour * 3600 + minute * 60 + second;
    // Whole seconds and the fraction apart, so that the fraction keeps its precision.
    return PropertyValue(Date::sinceReference(static_cast<double>(seconds - int64_t{978307200}) + fraction));
}

// A dictionary holding only an integer "CF$UID" is how XML writes a keyed-archive UID.
std::optional<Uid> uidStandIn(const PropertyDictionary& dictionary) {
    if (dictionary.size() != 1) return std::nullopt;
    const auto it = dictionary.find("CF$UID");
    if (it == dictionary.end()) return std::nullopt;
    const auto value = it->second.asUnsignedInteger();
    if (!value || *value > UINT32_MAX) return std::nullopt;
    return Uid{*value};
}

class Parser {
public:
    Parser(std::string_view text, int deepestNesting) : text_(text), deepestNesting_(deepestNesting) {}

    // Whether reading looked for more than the text holds: only then can a failure to read a
    // head of a list be the head's rather than the list's.
    bool lookedPastEnd() const { return lookedPastEnd_; }

    std::optional<PropertyValue> readTop() {
        Tag tag;
        if (!nextTag(tag) || tag.closing) return std::nullopt;
        if (tag.name != "plist") return element(tag);
        Tag end;
        std::optional<PropertyValue> value;
        if (tag.empty || !nextTag(tag) || tag.closing || !(value = element(tag)) || !nextTag(end) || !end.closing ||
            end.name != "plist") {
            return std::nullopt;
        }
        return value;  // whatever follows the list is no part of it
    }

private:
    struct Tag {
        std::string_view name;
        bool closing = false;  // </name>
        bool empty = false;    // <name/>
    };
    // An open container and, in a dictionary, the key whose value comes next.
    struct Frame {
        bool dictionary = false;
        PropertyArray array;
        PropertyDictionary entries;
        std::optional<std::string> key;
    };

    bool startsWith(std::string_view prefix) const { return text_.substr(at_).starts_with(prefix); }

    // Moves past the next `end`, looking from `from` characters on; false when there is none.
    bool skipPast(size_t from, std::string_view end) {
        const size_t found = text_.find(end, at_ + from);
        if (found == std::string_view::npos) return textEnded();
        at_ = found + end.size();
        return true;
    }

    // The ">" that ends the markup going on at `from`, past quoted values (where a ">" is text)
    // and the bracketed internal subset of a document type; npos when there is none.
    size_t endOfMarkup(size_t from) {
        int brackets = 0;
        char quote = 0;
        for (size_t i = from; i < text_.size(); ++i) {
            const char c = text_[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '>' && brackets <= 0) {
                return i;
            }
        }
        textEnded();
        return std::string_view::npos;
    }

    // <!DOCTYPE ...>
    bool skipDeclaration() {
        const size_t end = endOfMarkup(at_ + 2);
        if (end == std::string_view::npos) return false;
        at_ = end + 1;
        return true;
    }

    // Skips what is no element (white space, comments, processing instructions, the document
    // type); true when that comes to a comment, PI or declaration it has skipped.
    bool skipMarkup(bool& failed) {
        if (startsWith("<!--")) failed = !skipPast(4, "-->");
        else if (startsWith("<?")) failed = !skipPast(2, "?>");
        else if (startsWith("<!") && !startsWith("<![CDATA[")) failed = !skipDeclaration();
        else return false;
        return true;
    }

    // The next tag; false at the end of the text, at text between elements, or at a damaged tag.
    bool nextTag(Tag& tag) {
        for (bool failed = false;;) {
            while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
            if (at_ >= text_.size()) return textEnded();
            if (text_[at_] != '<') return false;
            if (!skipMarkup(failed)) break;
            if (failed) return false;
        }
        ++at_;
        tag.closing = at_ < text_.size() && text_[at_] == '/';
        if (tag.closing) ++at_;
        const size_t name = at_;
        while (at_ < text_.size() && !isSpace(text_[at_]) && text_[at_] != '>' && text_[at_] != '/') ++at_;
        tag.name = text_.substr(name, at_ - name);
        const size_t end = endOfMarkup(at_);  // attributes are skipped
        if (end == std::string_view::npos || tag.name.empty()) return false;
        tag.empty = text_[end - 1] == '/';
        at_ = end + 1;
        return !(tag.closing && tag.empty);
    }

    // A character reference or one of the five entities; anything else after "&" is kept as it
    // stands.
    void reference(std::string& out) {
        // The longest reference is "&#x10FFFF;"; looking no further keeps a text of many "&"
        // linear.
        const size_t semicolon = text_.substr(at_, 16).find(';');
        const auto c = semicolon == std::string_view::npos ? std::nullopt
                                                           : referenced(text_.substr(at_ + 1, semicolon - 1));
        if (!c) {
            out += '&';
            ++at_;
            return;
        }
        UTF16::appendUTF8(out, *c);  // U+0000 and a lone surrogate included: a Mac writes both
        at_ += semicolon + 1;
    }

    static std::optional<char32_t> referenced(std::string_view name) {
        if (name == "lt") return '<';
        if (name == "gt") return '>';
        if (name == "amp") return '&';
        if (name == "apos") return '\'';
        if (name == "quot") return '"';
        if (name.size() < 2 || name[0] != '#') return std::nullopt;
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        uint32_t value = 0;
        const char* end = digits.data() + digits.size();
        const auto [stop, error] = std::from_chars(digits.data(), end, value, hex ? 16 : 10);
        if (digits.empty() || error != std::errc() || stop != end || value > 0x10FFFF) return std::nullopt;
        return value;
    }

    // The text of an element up to its end tag `</name>`.
    bool text(std::string_view name, std::string& out) {
        for (bool failed = false; at_ < text_.size();) {
            if (text_[at_] == '&') {
                reference(out);
                continue;
            }
            if (text_[at_] != '<') {
                size_t end = at_;
                while (end < text_.size() && text_[end] != '<' && text_[end] != '&') ++end;
                appendText(out, text_.substr(at_, end - at_));
                at_ = end;
                continue;
            }
            if (startsWith("<![CDATA[")) {
                const size_t end = text_.find("]]>", at_ + 9);
                if (end == std::string_view::npos) return textEnded();
                appendText(out, text_.substr(at_ + 9, end - at_ - 9));
                at_ = end + 3;
                continue;
            }
            if (skipMarkup(failed)) {
                if (failed) return false;
                continue;
            }
            Tag tag;
            return nextTag(tag) && tag.closing && tag.name == name;
        }
        return textEnded();
    }

    std::optional<PropertyValue> scalar(const Tag& tag) {
        std::string content;
        if (!tag.empty && !text(tag.name, content)) return std::nullopt;
        if (tag.name == "string") return PropertyValue(std::move(content));
        if (tag.name == "data") return PropertyValue(base64(content));
        if (tag.name == "integer") return integer(content);
        if (tag.name == "real") return real(content);
        if (tag.name == "date") return date(content);
        if ((tag.name == "true" || tag.name == "false") && trimmed(content).empty()) {
            return PropertyValue(tag.name == "true");
        }
        return std::nullopt;
    }

    // The value whose opening tag is `tag`, containers read with a stack of their own rather
    // than by recursion.
    std::optional<PropertyValue> element(Tag tag) {
        std::vector<Frame> open;
        for (;;) {
            std::optional<PropertyValue> value;
            if (tag.closing) {
                if (open.empty() || tag.name != (open.back().dictionary ? "dict" : "array") || open.back().key) {
                    return std::nullopt;
                }
                Frame& frame = open.back();
                if (!frame.dictionary) value = PropertyValue(std::move(frame.array));
                else if (const auto uid = uidStandIn(frame.entries)) value = PropertyValue(*uid);
                else value = PropertyValue(std::move(frame.entries));
                open.pop_back();
            } else if (tag.name == "dict" || tag.name == "array") {
                if (open.size() >= static_cast<size_t>(deepestNesting_)) return std::nullopt;
                const bool dictionary = tag.name == "dict";
                if (!tag.empty) open.push_back({.dictionary = dictionary});
                else if (dictionary) value = PropertyValue(PropertyDictionary{});
                else value = PropertyValue(PropertyArray{});
            } else if (tag.name == "key") {
                if (open.empty() || !open.back().dictionary || open.back().key) return std::nullopt;
                std::string key;
                if (!tag.empty && !text(tag.name, key)) return std::nullopt;
                open.back().key = std::move(key);
            } else if (!(value = scalar(tag))) {
                return std::nullopt;
            }
            if (value) {
                if (open.empty()) return value;
                Frame& parent = open.back();
                if (!parent.dictionary) {
                    parent.array.push_back(std::move(*value));
                } else if (parent.key) {
                    parent.entries.insert_or_assign(std::move(*parent.key), std::move(*value));
                    parent.key.reset();
                } else {
                    return std::nullopt;  // a value without its key
                }
            }
            if (!nextTag(tag)) return std::nullopt;
        }
    }

    // Notes that the text ended where more was looked for; false, for the failure that is.
    bool textEnded() {
        lookedPastEnd_ = true;
        return false;
    }

    std::string_view text_;
    size_t at_ = 0;
    int deepestNesting_;
    bool lookedPastEnd_ = false;
};

// The encodings read. A list names its encoding in its declaration; UTF-16 shows by its bytes.
enum class Encoding { utf8, usASCII, latin1, other };

// The encoding a declared name stands for, in any case and with or without its punctuation
// ("ISO-8859-1", "iso_8859-1:1987", "Latin1"): the registered names and aliases of each.
Encoding encodingNamed(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c >= 'A' && c <= 'Z') key += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) key += c;
    }
    static constexpr std::pair<std::string_view, Encoding> kNames[] = {
        {"utf8", Encoding::utf8},
        {"usascii", Encoding::usASCII},       {"ascii", Encoding::usASCII},
        {"us", Encoding::usASCII},            {"iso646us", Encoding::usASCII},
        {"ansix341968", Encoding::usASCII},   {"ansix341986", Encoding::usASCII},
        {"iso646irv1991", Encoding::usASCII}, {"isoir6", Encoding::usASCII},
        {"ibm367", Encoding::usASCII},        {"cp367", Encoding::usASCII},
        {"csascii", Encoding::usASCII},
        {"iso88591", Encoding::latin1},       {"iso885911987", Encoding::latin1},
        {"latin1", Encoding::latin1},         {"l1", Encoding::latin1},
        {"isoir100", Encoding::latin1},       {"ibm819", Encoding::latin1},
        {"cp819", Encoding::latin1},          {"csisolatin1", Encoding::latin1},
    };
    for (const auto& [known, encoding] : kNames) {
        if (key == known) return encoding;
    }
    return Encoding::other;
}

// The encoding the XML declaration at the start of `text` names: `utf8` when there is no
// declaration or it names none, `other` when its name cannot be read; absent when `text` ends
// inside the declaration.
std::optional<Encoding> declaredEncoding(std::string_view text) {
    text = text.substr(std::min(text.find_first_not_of(" \t\r\n"), text.size()));
    constexpr std::string_view kOpening = "<?xml";
    if (text.size() <= kOpening.size()) return kOpening.starts_with(text) ? std::nullopt : std::optional(Encoding::utf8);
    if (!text.starts_with(kOpening) || !(isSpace(text[kOpening.size()]) || text[kOpening.size()] == '?')) {
        return Encoding::utf8;  // "<?xml-stylesheet" and the like are no declaration
    }
    const size_t end = text.find("?>");
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view rest = text.substr(kOpening.size(), end - kOpening.size());
    const size_t name = rest.find("encoding");
    if (name == std::string_view::npos || name == 0 || !isSpace(rest[name - 1])) return Encoding::utf8;
    rest = trimmed(rest.substr(name + 8));
    if (!rest.starts_with('=')) return Encoding::other;
    rest = trimmed(rest.substr(1));
    const size_t close = rest.empty() ? std::string_view::npos : rest.find(rest[0], 1);
    if ((!rest.starts_with('"') && !rest.starts_with('\'')) || close == std::string_view::npos) return Encoding::other;
    return encodingNamed(rest.substr(1, close - 1));
}

enum class Decoding { text, unreadable, cut };

// The bytes of a list as UTF-8 text, in `text` (which views `bytes` or `converted`). A
// byte-order mark or UTF-16's "<" tells the encoding; otherwise the declaration does. Unreadable:
// an encoding not read here, one the mark contradicts, or a US-ASCII list with a byte past
// ASCII, whose meaning no reading could be sure of. Cut: `bytes` end inside the declaration.
Decoding decode(std::string_view bytes, std::string& converted, std::string_view& text) {
    const auto sixteen = [&](std::string_view units, bool bigEndian) {
        text = converted = UTF16::toUTF8(units, bigEndian);
        return Decoding::text;
    };
    if (bytes.starts_with("\xFE\xFF")) return sixteen(bytes.substr(2), true);
    if (bytes.starts_with("\xFF\xFE")) return sixteen(bytes.substr(2), false);
    if (bytes.starts_with("\0<"sv)) return sixteen(bytes, true);
    if (bytes.starts_with("<\0"sv)) return sixteen(bytes, false);
    const bool marked = bytes.starts_with("\xEF\xBB\xBF");
    text = marked ? bytes.substr(3) : bytes;
    const auto encoding = declaredEncoding(text);
    if (!encoding) return Decoding::cut;
    switch (*encoding) {
    case Encoding::utf8:
        return Decoding::text;
    case Encoding::usASCII:
        return std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; })
                   ? Decoding::text
                   : Decoding::unreadable;
    case Encoding::latin1:
        if (marked) return Decoding::unreadable;
        converted.reserve(text.size() + text.size() / 8);
        for (const char c : text) UTF16::appendUTF8(converted, static_cast<unsigned char>(c));
        text = converted;
        return Decoding::text;
    case Encoding::other:
        break;
    }
    return Decoding::unreadable;
}

}  // namespace

std::optional<PropertyValue> read(std::string_view bytes, int deepestNesting) {
    std::string converted;
    std::string_view text;
    if (decode(bytes, converted, text) != Decoding::text) return std::nullopt;
    return Parser(text, deepestNesting).readTop();
}

bool headIsDamaged(std::string_view head, int deepestNesting) {
    if (head.size() < 4) return false;  // too few bytes to tell the encoding: a part of a mark, a UTF-16 "<"
    std::string converted;
    std::string_view text;
    const Decoding decoding = decode(head, converted, text);
    if (decoding != Decoding::text) return decoding == Decoding::unreadable;
    Parser parser(text, deepestNesting);
    return !parser.readTop() && !parser.lookedPastEnd();
}

}  // namespace platform::XMLPropertyList
