#include "platform/PropertyList.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/DateFormatting.h"

namespace platform::PropertyList {
namespace {

// Property lists count dates from 2001-01-01T00:00:00Z.
constexpr double kReferenceDate = 978307200.0;
// libplist takes the length of a list as 32 bits.
constexpr off_t kLargestFile = UINT32_MAX;
// Nesting deeper than this is refused rather than recursed into. Mac applications nest a few
// levels. Under AddressSanitizer the conversion of nodes to values here overflows an 8 MB
// stack between 3,000 and 3,500 levels (libplist's own recursion between 25,000 and 30,000);
// a third of that leaves room for whatever the caller already has on the stack.
constexpr int kDeepestNesting = 1000;
constexpr std::string_view kBinaryMagic = "bplist00";

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

// The big-endian unsigned integer of `width` bytes at `at`; false when it runs past the end.
bool readNumber(const std::string& bytes, size_t at, size_t width, uint64_t& value) {
    if (width == 0 || width > 8 || at > bytes.size() || bytes.size() - at < width) return false;
    value = 0;
    for (size_t i = 0; i < width; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return true;
}

// The containers of a binary list as a graph over its object table, walked without
// recursion: depth-first from the top object, each object's height worked out once (objects
// may be shared), so the walk is linear in the objects and references. False as soon as a
// path holds more than kDeepestNesting containers, or comes back to a container it is inside.
// References out of bounds are skipped: libplist refuses such a list on its own.
bool binaryNestingIsReasonable(const std::string& bytes) {
    constexpr size_t kTrailer = 32;
    if (bytes.size() < kBinaryMagic.size() + kTrailer) return false;
    const size_t trailer = bytes.size() - kTrailer;
    const size_t offsetWidth = static_cast<unsigned char>(bytes[trailer + 6]);
    const size_t refWidth = static_cast<unsigned char>(bytes[trailer + 7]);
    uint64_t objects = 0, top = 0, tableAt = 0;
    if (!readNumber(bytes, trailer + 8, 8, objects) || !readNumber(bytes, trailer + 16, 8, top) ||
        !readNumber(bytes, trailer + 24, 8, tableAt)) {
        return false;
    }
    // An offset table that does not fit in the file, or a top object outside it, is damage.
    if (offsetWidth == 0 || tableAt > trailer || objects > (trailer - tableAt) / offsetWidth || top >= objects) {
        return false;
    }

    // The references of a container object (keys and values of a dictionary); false for an
    // object that is not a container.
    struct Container {
        uint64_t object;
        size_t refsAt = 0;
        uint64_t count = 0;
        uint64_t next = 0;
    };
    const auto containerAt = [&](uint64_t object, Container& container) {
        uint64_t at = 0;
        if (!readNumber(bytes, static_cast<size_t>(tableAt + object * offsetWidth), offsetWidth, at) ||
            at >= bytes.size()) {
            return false;
        }
        const unsigned char marker = static_cast<unsigned char>(bytes[at]);
        const unsigned kind = marker >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD) return false;  // arrays, sets, dictionaries
        container = Container{object};
        uint64_t n = marker & 0x0F;
        size_t start = static_cast<size_t>(at) + 1;
        if (n == 0x0F) {
            if (start >= bytes.size() || (static_cast<unsigned char>(bytes[start]) >> 4) != 0x1) return true;
            const size_t width = size_t{1} << (bytes[start] & 0x03);
            if (!readNumber(bytes, start + 1, width, n)) return true;
            start += 1 + width;
        }
        if (kind == 0xD) n = n > bytes.size() ? n : n * 2;  // keys, then values
        if (refWidth == 0 || n > bytes.size() / refWidth || start + n * refWidth > bytes.size()) return true;
        container.refsAt = start;
        container.count = n;
        return true;
    };

    enum : uint8_t { kUnseen, kOpen, kDone };
    std::vector<uint8_t> state(static_cast<size_t>(objects), kUnseen);
    std::vector<uint32_t> height(static_cast<size_t>(objects), 0);  // containers, itself included
    std::vector<Container> path;
    Container first{top};
    if (!containerAt(top, first)) return true;
    state[top] = kOpen;
    height[top] = 1;
    path.push_back(first);
    while (!path.empty()) {
        Container& container = path.back();
        if (container.next == container.count) {
            state[container.object] = kDone;
            const uint32_t done = height[container.object];
            path.pop_back();
            if (!path.empty()) height[path.back().object] = std::max(height[path.back().object], done + 1);
            continue;
        }
        uint64_t child = 0;
        readNumber(bytes, container.refsAt + container.next * refWidth, refWidth, child);
        ++container.next;
        if (child >= objects || state[child] == kDone) {
            if (child < objects) height[container.object] = std::max(height[container.object], height[child] + 1);
            continue;
        }
        if (state[child] == kOpen) return false;
        Container inner{child};
        if (!containerAt(child, inner)) {
            state[child] = kDone;
            continue;
        }
        if (path.size() >= static_cast<size_t>(kDeepestNesting)) return false;
        state[child] = kOpen;
        height[child] = 1;
        path.push_back(inner);
    }
    return height[top] <= static_cast<uint32_t>(kDeepestNesting);
}

// libplist builds, copies, writes and frees nested containers recursively, and so do the
// readings and writings here, so a list nested deeply enough would overflow the stack. Such
// lists are refused before parsing: an XML list by the depth of its open containers, a binary
// one by the longest chain of containers in its object graph.
bool nestingIsReasonable(const std::string& bytes) {
    if (startsWith(bytes, 0, kBinaryMagic)) return binaryNestingIsReasonable(bytes);
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
    const auto number = [&](size_t at, size_t width, uint64_t& value) { return readNumber(bytes, at, width, value); };
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

int openFile(const char* path, int flags) { return ::open(path, flags); }
OpenFunction openFunction = openFile;

}  // namespace

std::optional<PropertyDictionary> parseDictionary(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX || !nestingIsReasonable(bytes)) return std::nullopt;
    if (startsWith(bytes, 0, kBinaryMagic) && binaryStringsHoldNUL(bytes)) return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt;
    return dictionaryFromNode(root, 0);
}

FileReading readFile(const std::filesystem::path& file) {
    using Outcome = FileReading::Outcome;
    FileReading reading;
    const auto fail = [&](int error) {
        reading.outcome = Outcome::inaccessible;
        reading.error = error;
        return reading;
    };
    // Non-blocking, so that a FIFO at the name cannot hang the caller in open().
    const int fd = openFunction(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return reading;
        return fail(errno);
    }
    std::string bytes;
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    } else if (st.st_size > kLargestFile) {
        error = EFBIG;
    } else {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = errno;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
    }
    ::close(fd);
    // Too large for libplist is still the user's file: kept aside like a damaged one.
    if (error == EFBIG) {
        reading.outcome = Outcome::unparsable;
        return reading;
    }
    if (error != 0) return fail(error);
    if (bytes.empty()) return reading;
    auto values = parseDictionary(bytes);
    if (!values) {
        reading.outcome = Outcome::unparsable;
        return reading;
    }
    reading.outcome = Outcome::read;
    reading.values = std::move(*values);
    return reading;
}

std::optional<PropertyDictionary> readDictionary(const std::filesystem::path& file) {
    FileReading reading = readFile(file);
    if (reading.outcome != FileReading::Outcome::read) return std::nullopt;
    return std::move(reading.values);
}

std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file, Date when) {
    std::string stamp;
    for (char c : DateFormatting::iso8601(when)) {
        if (c != '-' && c != ':') stamp += c;  // 20260105T090000Z: no colons in file names
    }
    std::filesystem::path stem = file;
    if (stem.extension() == ".plist") stem.replace_extension();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        std::string name = stem.string() + ".unreadable-" + stamp;
        if (attempt > 1) name += "-" + std::to_string(attempt);
        name += ".plist";
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) return name;
        if (errno == EEXIST) continue;
        // A file system without the no-replace flag: look first, then rename.
        if (errno != EINVAL && errno != ENOSYS) return std::nullopt;
        if (::access(name.c_str(), F_OK) == 0) continue;
        if (::rename(file.c_str(), name.c_str()) == 0) return name;
        return std::nullopt;
    }
    return std::nullopt;
}

void setOpenFunctionForTesting(OpenFunction open) { openFunction = open ? open : openFile; }

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
