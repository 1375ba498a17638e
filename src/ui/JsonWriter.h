#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace ui {

// Writes JSON text straight into a string, for trees too large to build as JSON values first:
// a value per node of a few thousand nodes costs more in allocations than the text itself.
// Commas go in by themselves; keys are the writer's own literals and go in unescaped. Text
// that is not valid UTF-8 is written with each bad byte replaced by U+FFFD. A number that is
// not finite is written as null.
class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }
    // The next value belongs to `key`.
    JsonWriter& key(std::string_view key);

    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(const std::string& text) { return value(std::string_view(text)); }
    JsonWriter& value(bool b);
    JsonWriter& value(double number);
    JsonWriter& value(int64_t number);
    template <class T, class = std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>>
    JsonWriter& value(T number) {
        return value(static_cast<int64_t>(number));
    }
    JsonWriter& null();
    // A value already written as JSON text.
    JsonWriter& raw(std::string_view json);
    // How long the text is so far.
    size_t size() const { return out_.size(); }

    template <class V>
    JsonWriter& field(std::string_view name, const V& v) {
        key(name);
        return value(v);
    }

private:
    JsonWriter& open(char c);
    JsonWriter& close(char c);
    void separate();

    std::string& out_;
    bool first_ = true;     // nothing written yet in the innermost object or array
    bool afterKey_ = false;  // a key waits for its value
};

}  // namespace ui
