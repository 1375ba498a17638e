#include "platform/BinaryPropertyList.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/UTF16.h"

namespace platform::BinaryPropertyList {
namespace {

// The kinds of object, from the upper half of an object's marker byte.
enum Kind : unsigned {
    kSimple = 0x0,  // null, false, true, fill
    kInteger = 0x1,
    kReal = 0x2,
    kDate = 0x3,
    kData = 0x4,
    kASCIIString = 0x5,
    kUTF16String = 0x6,
    kUid = 0x8,
    kArray = 0xA,
    kSet = 0xC,
    kDictionary = 0xD,
};
constexpr unsigned char kFalse = 0x08, kTrue = 0x09;

struct Trailer {
    size_t offsetWidth = 0, refWidth = 0;
    uint64_t objects = 0, top = 0, tableAt = 0;
};

// The trailer of a list of `size` bytes, from its last kTrailerSize bytes; absent when its
// widths are none a list has or its offset table does not lie between the header and the
// trailer, holding the top object.
std::optional<Trailer> trailerOf(std::string_view last, uint64_t size) {
    if (last.size() != kTrailerSize || size < kMagic.size() + kTrailerSize) return std::nullopt;
    const auto field = [&](size_t at) {
        uint64_t value = 0;
        for (size_t i = 0; i < 8; ++i) value = value << 8 | static_cast<unsigned char>(last[at + i]);
        return value;
    };
    const Trailer trailer{static_cast<unsigned char>(last[6]), static_cast<unsigned char>(last[7]), field(8),
                          field(16), field(24)};
    const uint64_t tableEnd = size - kTrailerSize;
    if (trailer.offsetWidth == 0 || trailer.offsetWidth > 8 || trailer.refWidth == 0 || trailer.refWidth > 8 ||
        trailer.tableAt < kMagic.size() || trailer.tableAt > tableEnd ||
        trailer.objects > (tableEnd - trailer.tableAt) / trailer.offsetWidth || trailer.top >= trailer.objects) {
        return std::nullopt;
    }
    return trailer;
}

class Reader {
public:
    Reader(std::string_view bytes, const ReadOptions& options) : bytes_(bytes), options_(options) {
        // Values share what the file shares only for containers; everything else is copied at
        // each reference. A small file naming a large object many times stops here.
        budget_ = 256ull * 1024 * 1024 + 8ull * bytes.size();
    }

    std::optional<PropertyValue> readTop() {
        if (!bytes_.starts_with(kMagic) || bytes_.size() < kTrailerSize) return std::nullopt;
        const auto trailer = trailerOf(bytes_.substr(bytes_.size() - kTrailerSize), bytes_.size());
        if (!trailer) return std::nullopt;
        offsetWidth_ = trailer->offsetWidth;
        refWidth_ = trailer->refWidth;
        objects_ = trailer->objects;
        tableAt_ = trailer->tableAt;
        objectsEnd_ = static_cast<size_t>(tableAt_);
        state_.assign(static_cast<size_t>(objects_), kUnseen);
        std::optional<PropertyValue> value;
        if (!object(trailer->top, 0, value)) return std::nullopt;
        return value;
    }

private:
    enum : uint8_t { kUnseen, kOpen, kDone };

    unsigned char byteAt(size_t at) const { return static_cast<unsigned char>(bytes_[at]); }

    // The big-endian unsigned integer of `width` bytes at `at`; false when it runs past the end.
    bool number(size_t at, size_t width, uint64_t& value) const {
        if (width == 0 || width > 8 || at > bytes_.size() || bytes_.size() - at < width) return false;
        value = 0;
        for (size_t i = 0; i < width; ++i) value = value << 8 | byteAt(at + i);
        return true;
    }

    // The count in a marker's lower half, or in the integer object that follows it; `at` moves
    // past both.
    bool count(unsigned info, size_t& at, uint64_t& n) const {
        if (info != 0xF) {
            n = info;
            return true;
        }
        if (at >= objectsEnd_ || (byteAt(at) >> 4) != kInteger || (byteAt(at) & 0xF) > 3) return false;
        const size_t width = size_t{1} << (byteAt(at) & 0xF);
        if (at + 1 + width > objectsEnd_ || !number(at + 1, width, n)) return false;
        at += 1 + width;
        return true;
    }

    // The `length` bytes at `at`, when they lie inside the objects and the budget allows them.
    bool payload(size_t at, uint64_t length, std::string_view& out) {
        if (at > objectsEnd_ || length > objectsEnd_ - at || length > budget_) return false;
        budget_ -= length;
        out = bytes_.substr(at, static_cast<size_t>(length));
        return true;
    }

    bool spend(uint64_t amount) {
        if (amount > budget_) return false;
        budget_ -= amount;
        return true;
    }

    // Reads object `index` into `out`; false for damage. `out` stays empty for a null, which
    // containers leave out.
    bool object(uint64_t index, int depth, std::optional<PropertyValue>& out) {
        uint64_t at64 = 0;
        if (index >= objects_ ||
            !number(static_cast<size_t>(tableAt_ + index * offsetWidth_), offsetWidth_, at64) ||
            at64 < kMagic.size() || at64 >= objectsEnd_ || !spend(sizeof(PropertyValue))) {
            return false;
        }
        size_t at = static_cast<size_t>(at64);
        const unsigned marker = byteAt(at++);
        const unsigned kind = marker >> 4, info = marker & 0xF;
        uint64_t n = 0;
        std::string_view bytes;
        switch (kind) {
        case kSimple:
            if (marker == kFalse || marker == kTrue) out = PropertyValue(marker == kTrue);
            return marker == kFalse || marker == kTrue || info == 0x0 || info == 0xF;
        case kInteger: {
            if (info > 4 || !payload(at, size_t{1} << info, bytes)) return false;
            uint64_t low = 0, high = 0;
            if (info == 4) {
                number(at, 8, high);
                number(at + 8, 8, low);
            } else {
                number(at, bytes.size(), low);
            }
            // Sixteen bytes are a signed 128-bit integer: what 64 bits hold reads, either sign.
            if (info == 4 && high != 0 && !(high == UINT64_MAX && low >> 63)) return false;
            if (info == 3 || (info == 4 && high != 0)) out = PropertyValue(static_cast<int64_t>(low));
            else out = PropertyValue(low);
            return true;
        }
        case kReal:
        case kDate: {
            if ((kind == kDate ? info != 3 : info != 2 && info != 3) || !payload(at, size_t{1} << info, bytes)) {
                return false;
            }
            uint64_t bits = 0;
            number(at, bytes.size(), bits);
            const double value = info == 2 ? double(std::bit_cast<float>(static_cast<uint32_t>(bits)))
                                           : std::bit_cast<double>(bits);
            if (kind == kDate) out = PropertyValue(Date::sinceReference(value));
            else out = PropertyValue(value);
            return true;
        }
        case kData:
            if (!count(info, at, n) || !payload(at, n, bytes)) return false;
            out = PropertyValue(Data(bytes.begin(), bytes.end()));
            return true;
        case kASCIIString:
        case kUTF16String: {
            const uint64_t units = kind == kUTF16String ? 2 : 1;
            if (!count(info, at, n) || n > objectsEnd_ || !payload(at, n * units, bytes)) return false;
            out = PropertyValue(kind == kUTF16String ? UTF16::toUTF8(bytes, true) : latin1(bytes));
            return true;
        }
        case kUid:
            if (info > 7 || !payload(at, info + 1, bytes)) return false;
            number(at, bytes.size(), n);
            out = PropertyValue(Uid{n});
            return true;
        case kArray:
        case kSet:
        case kDictionary:
            return container(index, kind, info, at, depth, out);
        default:
            return false;
        }
    }

    // Text of the one-byte string kind. A Mac writes only ASCII there; other bytes read as the
    // first 256 code points rather than as damage.
    static std::string latin1(std::string_view bytes) {
        std::string text;
        text.reserve(bytes.size());
        for (unsigned char c : bytes) {
            if (c < 0x80) {
                text += static_cast<char>(c);
            } else {
                text += static_cast<char>(0xC0 | c >> 6);
                text += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return text;
    }

    bool container(uint64_t index, unsigned kind, unsigned info, size_t at, int depth, std::optional<PropertyValue>& out) {
        if (state_[index] == kOpen || depth >= options_.deepestNesting) return false;
        if (state_[index] == kDone) {
            // Shared with an earlier reference: the same storage, read once.
            const auto it = shared_.find(index);
            if (it != shared_.end()) out = it->second;
            return true;
        }
        uint64_t n = 0;
        if (!count(info, at, n)) return false;
        const uint64_t refs = kind == kDictionary ? n * 2 : n;
        if (n > objectsEnd_ || refs > (objectsEnd_ - at) / refWidth_) return false;
        const auto refAt = [&](uint64_t i) {
            uint64_t ref = 0;
            number(at + static_cast<size_t>(i) * refWidth_, refWidth_, ref);
            return ref;
        };
        state_[index] = kOpen;
        std::optional<PropertyValue> item;
        if (kind == kDictionary) {
            PropertyDictionary dictionary;
            for (uint64_t i = 0; i < n; ++i) {
                std::optional<PropertyValue> key;
                if (!object(refAt(i), depth + 1, key) || !key || !key->isString()) return false;
                item.reset();
                if (!object(refAt(n + i), depth + 1, item)) return false;
                if (item) dictionary.insert_or_assign(*key->asString(), std::move(*item));
            }
            out = PropertyValue(std::move(dictionary));
        } else {
            PropertyArray array;
            array.reserve(static_cast<size_t>(n));
            for (uint64_t i = 0; i < n; ++i) {
                item.reset();
                if (!object(refAt(i), depth + 1, item)) return false;
                if (item) array.push_back(std::move(*item));
            }
            out = PropertyValue(std::move(array));
        }
        state_[index] = kDone;
        shared_.emplace(index, *out);
        return true;
    }

    std::string_view bytes_;
    const ReadOptions& options_;
    uint64_t budget_ = 0;
    size_t offsetWidth_ = 0, refWidth_ = 0;
    uint64_t objects_ = 0, tableAt_ = 0;
    size_t objectsEnd_ = 0;
    std::vector<uint8_t> state_;
    std::unordered_map<uint64_t, PropertyValue> shared_;
};

// The fewest bytes of 1, 2, 4 or 8 that hold `value`.
size_t widthFor(uint64_t value) {
    if (value <= UINT8_MAX) return 1;
    if (value <= UINT16_MAX) return 2;
    if (value <= UINT32_MAX) return 4;
    return 8;
}

void appendNumber(std::string& out, uint64_t value, size_t width) {
    for (size_t i = width; i-- > 0;) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

void appendMarker(std::string& out, unsigned kind, uint64_t count) {
    if (count < 0xF) {
        out += static_cast<char>(kind << 4 | count);
        return;
    }
    out += static_cast<char>(kind << 4 | 0xF);
    const size_t width = widthFor(count);
    out += static_cast<char>(kInteger << 4 | std::countr_zero(width));
    appendNumber(out, count, width);
}

class Writer {
public:
    std::string write(const PropertyDictionary& top) {
        addDictionary(top);
        const size_t refWidth = widthFor(objects_.size());
        std::string out(kMagic);
        std::vector<uint64_t> offsets;
        offsets.reserve(objects_.size());
        for (const Object& object : objects_) {
            offsets.push_back(out.size());
            if (object.scalar) {
                out += *object.scalar;
                continue;
            }
            appendMarker(out, object.kind, object.kind == kDictionary ? object.refs.size() / 2 : object.refs.size());
            for (uint64_t ref : object.refs) appendNumber(out, ref, refWidth);
        }
        const uint64_t tableAt = out.size();
        const size_t offsetWidth = widthFor(tableAt);
        for (uint64_t offset : offsets) appendNumber(out, offset, offsetWidth);
        out.append(6, '\0');
        out += static_cast<char>(offsetWidth);
        out += static_cast<char>(refWidth);
        appendNumber(out, objects_.size(), 8);
        appendNumber(out, 0, 8);
        appendNumber(out, tableAt, 8);
        return out;
    }

private:
    struct Object {
        const std::string* scalar = nullptr;  // marker and contents of anything but a container
        unsigned kind = 0;
        std::vector<uint64_t> refs;  // a dictionary's keys, then its values
    };

    uint64_t add(const PropertyValue& value) {
        if (const PropertyArray* array = value.asArray()) {
            return addContainer(array, kArray, [&](Object& object) {
                for (const PropertyValue& item : *array) object.refs.push_back(add(item));
            });
        }
        if (const PropertyDictionary* dictionary = value.asDictionary()) return addDictionary(*dictionary);
        return addScalar(scalar(value));
    }

    uint64_t addDictionary(const PropertyDictionary& dictionary) {
        return addContainer(&dictionary, kDictionary, [&](Object& object) {
            for (const auto& [key, item] : dictionary) object.refs.push_back(addString(key));
            for (const auto& [key, item] : dictionary) object.refs.push_back(add(item));
        });
    }

    template <typename Fill>
    uint64_t addContainer(const void* identity, unsigned kind, Fill fill) {
        if (const auto it = containers_.find(identity); it != containers_.end()) return it->second;
        const uint64_t index = objects_.size();
        containers_.emplace(identity, index);
        objects_.push_back(Object{nullptr, kind, {}});
        Object object{nullptr, kind, {}};
        fill(object);
        objects_[index] = std::move(object);
        return index;
    }

    uint64_t addString(const std::string& text) { return addScalar(scalar(PropertyValue(text))); }

    uint64_t addScalar(std::string bytes) {
        if (const auto it = scalars_.find(bytes); it != scalars_.end()) return it->second;
        const uint64_t index = objects_.size();
        const std::string& kept = scalarBytes_.emplace_back(std::move(bytes));
        scalars_.emplace(kept, index);
        objects_.push_back(Object{&kept, 0, {}});
        return index;
    }

    static std::string scalar(const PropertyValue& value) {
        std::string out;
        struct Visitor {
            std::string& out;
            void operator()(bool v) const { out += static_cast<char>(v ? kTrue : kFalse); }
            void operator()(int64_t v) const {
                // Negative integers take all eight bytes; others the fewest that hold them.
                const size_t width = v < 0 ? 8 : widthFor(static_cast<uint64_t>(v));
                out += static_cast<char>(kInteger << 4 | std::countr_zero(width));
                appendNumber(out, static_cast<uint64_t>(v), width);
            }
            void operator()(uint64_t v) const {
                // Above the signed 64-bit range: a 128-bit integer, as Foundation writes one.
                out += static_cast<char>(kInteger << 4 | 4);
                appendNumber(out, 0, 8);
                appendNumber(out, v, 8);
            }
            void operator()(double v) const {
                out += static_cast<char>(kReal << 4 | 3);
                appendNumber(out, std::bit_cast<uint64_t>(v), 8);
            }
            void operator()(const std::string& v) const {
                bool ascii = true;
                for (char c : v) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
                if (ascii) {
                    appendMarker(out, kASCIIString, v.size());
                    out += v;
                    return;
                }
                const std::u16string units = UTF16::fromUTF8(v);
                appendMarker(out, kUTF16String, units.size());
                for (char16_t unit : units) appendNumber(out, unit, 2);
            }
            void operator()(const Data& v) const {
                appendMarker(out, kData, v.size());
                out.append(reinterpret_cast<const char*>(v.data()), v.size());
            }
            void operator()(Date v) const {
                out += static_cast<char>(kDate << 4 | 3);
                appendNumber(out, std::bit_cast<uint64_t>(v.sinceReferenceDate), 8);
            }
            void operator()(Uid v) const {
                const size_t width = widthFor(v.value);
                out += static_cast<char>(kUid << 4 | (width - 1));
                appendNumber(out, v.value, width);
            }
            void operator()(const std::shared_ptr<PropertyArray>&) const {}
            void operator()(const std::shared_ptr<PropertyDictionary>&) const {}
        };
        std::visit(Visitor{out}, value.storage());
        return out;
    }

    std::vector<Object> objects_;
    std::deque<std::string> scalarBytes_;  // stays where it is, for the keys of `scalars_`
    std::unordered_map<std::string_view, uint64_t> scalars_;
    std::unordered_map<const void*, uint64_t> containers_;
};

}  // namespace

bool trailerFits(std::string_view last, uint64_t size) { return trailerOf(last, size).has_value(); }

std::optional<PropertyValue> read(std::string_view bytes, const ReadOptions& options) {
    return Reader(bytes, options).readTop();
}

std::string write(const PropertyDictionary& top) { return Writer().write(top); }

}  // namespace platform::BinaryPropertyList
