#pragma once
#include <memory>
#include <optional>
#include <utility>

namespace ui {

// An optional value kept outside the object that holds it, for a field that few of many
// objects set: a node has room for every field of every kind, and a tree of tens of
// thousands of nodes costs its size in memory traffic at every render. Copies copy the value.
template <class T>
class Boxed {
public:
    Boxed() = default;
    Boxed(std::nullopt_t) {}
    Boxed(T value) : value_(std::make_unique<T>(std::move(value))) {}
    Boxed(const Boxed& other) : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& other) {
        if (this != &other) value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
        return *this;
    }
    Boxed& operator=(Boxed&&) noexcept = default;
    Boxed& operator=(T value) {
        value_ = std::make_unique<T>(std::move(value));
        return *this;
    }
    Boxed& operator=(std::nullopt_t) {
        value_.reset();
        return *this;
    }
    Boxed& operator=(const std::optional<T>& value) {
        value_ = value ? std::make_unique<T>(*value) : nullptr;
        return *this;
    }
    operator std::optional<T>() const { return value_ ? std::optional<T>(*value_) : std::nullopt; }

    bool has_value() const { return value_ != nullptr; }
    explicit operator bool() const { return has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return value_.get(); }
    const T* operator->() const { return value_.get(); }
    void reset() { value_.reset(); }
    T value_or(T otherwise) const { return value_ ? *value_ : otherwise; }

    friend bool operator==(const Boxed& a, const T& b) { return a && *a == b; }
    friend bool operator==(const Boxed& a, const std::optional<T>& b) { return a ? b && *a == *b : !b; }

private:
    std::unique_ptr<T> value_;
};

}  // namespace ui
