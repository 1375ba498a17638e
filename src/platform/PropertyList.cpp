#include "platform/PropertyList.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <memory>
#include <string_view>
#include <system_error>

namespace platform::PropertyList {
namespace {

// Property lists count dates from 2001-01-01T00:00:00Z.
constexpr double kReferenceDate = 978307200.0;
// Preference files are small; anything far larger is not one of ours.
constexpr off_t kLargestFile = 64 * 1024 * 1024;
// Nesting deeper than this is treated as damage rather than recursed into.
constexpr int kDeepestNesting = 512;

struct PlistDeleter {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

std::optional<PropertyValue> fromNode(plist_t node, int depth);

std::optional<PropertyDictionary> dictionaryFromNode(plist_t node, int depth) {
    PropertyDictionary dict;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    if (!iter) return dict;
    for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iter, &key, &item);
        if (!item) {
            free(key);
            break;
        }
        std::optional<PropertyValue> value = fromNode(item, depth + 1);
        if (key && value) dict.insert_or_assign(key, std::move(*value));
        free(key);
    }
    free(iter);
    return dict;
}

std::optional<PropertyValue> fromNode(plist_t node, int depth) {
    if (depth > kDeepestNesting) return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return PropertyValue(b != 0);
    }
    case PLIST_UINT: {
        // Written as signed integers; a value above the signed range keeps its bits.
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return PropertyValue(static_cast<int64_t>(v));
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return PropertyValue(v);
    }
    case PLIST_STRING: {
        // A binary list may hold a string with a NUL inside, which libplist's copying
        // getter refuses with an assertion; read it in place and keep what precedes the NUL,
        // as the file would say when written again.
        uint64_t length = 0;
        const char* s = plist_get_string_ptr(node, &length);
        if (!s) return PropertyValue(std::string());
        const std::string_view text(s, static_cast<size_t>(length));
        return PropertyValue(std::string(text.substr(0, text.find('\0'))));
    }
    case PLIST_KEY: {
        char* s = nullptr;
        plist_get_key_val(node, &s);
        PropertyValue v(std::string(s ? s : ""));
        free(s);
        return v;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        if (!bytes) return PropertyValue(Data{});
        return PropertyValue(Data(bytes, bytes + length));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return PropertyValue(Date{kReferenceDate + sec + usec / 1e6});
    }
    case PLIST_ARRAY: {
        PropertyArray array;
        uint32_t n = plist_array_get_size(node);
        array.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            if (auto v = fromNode(plist_array_get_item(node, i), depth + 1)) array.push_back(std::move(*v));
        }
        return PropertyValue(std::move(array));
    }
    case PLIST_DICT:
        if (auto d = dictionaryFromNode(node, depth)) return PropertyValue(std::move(*d));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

plist_t toNode(const PropertyValue& value);

plist_t dictionaryNode(const PropertyDictionary& values) {
    plist_t dict = plist_new_dict();
    for (const auto& [key, value] : values) plist_dict_set_item(dict, key.c_str(), toNode(value));
    return dict;
}

plist_t toNode(const PropertyValue& value) {
    struct Visitor {
        plist_t operator()(bool v) const { return plist_new_bool(v ? 1 : 0); }
        plist_t operator()(int64_t v) const { return plist_new_uint(static_cast<uint64_t>(v)); }
        plist_t operator()(double v) const { return plist_new_real(v); }
        plist_t operator()(const std::string& v) const { return plist_new_string(v.c_str()); }
        plist_t operator()(const Data& v) const {
            return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
        }
        plist_t operator()(Date v) const {
            double since = v.secondsSince1970 - kReferenceDate;
            if (!(since == since)) since = 0;
            since = std::clamp(since, double(INT32_MIN), double(INT32_MAX));
            double whole = std::floor(since);
            return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((since - whole) * 1e6));
        }
        plist_t operator()(const std::shared_ptr<PropertyArray>& v) const {
            plist_t array = plist_new_array();
            if (v) {
                for (const auto& item : *v) plist_array_append_item(array, toNode(item));
            }
            return array;
        }
        plist_t operator()(const std::shared_ptr<PropertyDictionary>& v) const {
            return v ? dictionaryNode(*v) : plist_new_dict();
        }
    };
    return std::visit(Visitor{}, value.storage());
}

bool startsWith(const std::string& s, size_t at, std::string_view prefix) {
    return s.compare(at, prefix.size(), prefix) == 0;
}

// libplist builds and frees nested containers recursively, so a damaged or hostile file
// nested deeply enough would overflow the stack. Such files are refused before parsing: an
// XML list by the depth of its open containers, a binary one by its number of objects
// (which bounds its depth).
bool nestingIsReasonable(const std::string& bytes) {
    constexpr std::string_view kBinaryMagic = "bplist00";
    if (startsWith(bytes, 0, kBinaryMagic)) {
        constexpr size_t kTrailer = 32;
        constexpr uint64_t kMostBinaryObjects = 4096;
        if (bytes.size() < kBinaryMagic.size() + kTrailer) return false;
        uint64_t objects = 0;
        for (size_t i = bytes.size() - kTrailer + 8; i < bytes.size() - kTrailer + 16; ++i) {
            objects = objects << 8 | static_cast<unsigned char>(bytes[i]);
        }
        return objects <= kMostBinaryObjects;
    }
    int depth = 0;
    for (size_t at = bytes.find('<'); at != std::string::npos; at = bytes.find('<', at + 1)) {
        const bool closing = startsWith(bytes, at + 1, "/");
        const size_t name = at + (closing ? 2 : 1);
        if (!startsWith(bytes, name, "array") && !startsWith(bytes, name, "dict")) continue;
        if (closing) {
            --depth;
            continue;
        }
        const size_t end = bytes.find('>', name);
        if (end == std::string::npos) return false;
        if (bytes[end - 1] != '/' && ++depth > kDeepestNesting) return false;
    }
    return true;
}

// libplist stops with a failed assertion when it hands out a string that holds a NUL, which
// only a binary list can carry (text lists end their strings there). Such a list is treated
// as damaged. The walk is over the object table, with every position checked against the
// end of the bytes; anything out of bounds is left for libplist to refuse.
bool binaryStringsHoldNUL(const std::string& bytes) {
    constexpr size_t kTrailer = 32;
    if (bytes.size() < 8 + kTrailer) return false;
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const auto number = [&](size_t at, size_t width, uint64_t& value) {
        if (width == 0 || width > 8 || at > bytes.size() || bytes.size() - at < width) return false;
        value = 0;
        for (size_t i = 0; i < width; ++i) value = value << 8 | byteAt(at + i);
        return true;
    };
    const size_t trailer = bytes.size() - kTrailer;
    const size_t offsetWidth = byteAt(trailer + 6);
    uint64_t objects = 0, tableAt = 0;
    if (!number(trailer + 8, 8, objects) || !number(trailer + 24, 8, tableAt)) return false;
    if (tableAt > bytes.size()) return false;
    const size_t end = bytes.size();
    for (uint64_t i = 0; i < objects; ++i) {
        uint64_t at = 0;
        if (!number(static_cast<size_t>(tableAt) + i * offsetWidth, offsetWidth, at)) return false;
        if (at >= end) continue;
        const unsigned char marker = byteAt(at);
        const unsigned kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6) continue;  // ASCII and UTF-16 strings
        uint64_t count = marker & 0x0F;
        size_t start = static_cast<size_t>(at) + 1;
        if (count == 0x0F) {
            if (start >= end || (byteAt(start) >> 4) != 0x1) continue;
            const size_t width = size_t{1} << (byteAt(start) & 0x0F);
            if (!number(start + 1, width, count)) continue;
            start += 1 + width;
        }
        const uint64_t length = kind == 0x6 ? count * 2 : count;
        if (count > end || start > end || length > end - start) continue;
        for (size_t k = 0; k < length; k += kind == 0x6 ? 2 : 1) {
            if (byteAt(start + k) == 0 && (kind == 0x5 || byteAt(start + k + 1) == 0)) return true;
        }
    }
    return false;
}

bool writeAll(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, bytes, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<PropertyDictionary> parseDictionary(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX || !nestingIsReasonable(bytes)) return std::nullopt;
    if (startsWith(bytes, 0, "bplist00") && binaryStringsHoldNUL(bytes)) return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt;
    return dictionaryFromNode(root, 0);
}

std::optional<PropertyDictionary> readDictionary(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kLargestFile;
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return parseDictionary(bytes);
}

std::string xml(const PropertyDictionary& values) {
    PlistPtr root(dictionaryNode(values));
    char* text = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &text, &length);
    std::string result(text ? text : "", text ? length : 0);
    plist_to_xml_free(text);
    return result;
}

bool writeDictionary(const std::filesystem::path& file, const PropertyDictionary& values) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const std::string text = xml(values);
    std::string temp = file.string() + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = writeAll(fd, text.data(), text.size());
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace platform::PropertyList
