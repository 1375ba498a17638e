#pragma once
#include <any>
#include <concepts>
#include <functional>
#include <memory>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "platform/Signal.h"
#include "ui/Geometry.h"
#include "ui/Styles.h"

namespace ui {

// Values and shared objects handed down the view tree. A key is a type with a `Value` type
// and a `defaultValue()`:
//
//     struct DismissOnboardingKey {
//         using Value = std::function<void()>;
//         static Value defaultValue() { return [] {}; }
//     };
//
// A node sets a value for its subtree with `.environment<Key>(value)`; a view reads it in
// `body()` with `environment<Key>()`. Objects (AppState) travel the same way by their type.
class Environment {
public:
    template <class Key>
    typename Key::Value get() const {
        for (const Frame* f = top_.get(); f; f = f->parent.get()) {
            if (!f->isObject && f->key == std::type_index(typeid(Key))) return std::any_cast<typename Key::Value>(f->value);
        }
        return Key::defaultValue();
    }

    template <class Key>
    Environment with(typename Key::Value value) const {
        using Value = typename Key::Value;
        Equals equals = nullptr;
        if constexpr (std::equality_comparable<Value>) {
            equals = [](const std::any& a, const std::any& b) { return *std::any_cast<Value>(&a) == *std::any_cast<Value>(&b); };
        }
        return push(std::type_index(typeid(Key)), std::any(std::move(value)), equals, nullptr, false);
    }

    template <class T>
    T* object() const {
        for (const Frame* f = top_.get(); f; f = f->parent.get()) {
            if (f->isObject && f->key == std::type_index(typeid(T))) return std::any_cast<T*>(f->value);
        }
        return nullptr;
    }

    template <class T>
    Environment withObject(T& object) const {
        platform::ObservableObject* observable = nullptr;
        if constexpr (std::is_base_of_v<platform::ObservableObject, T>) observable = &object;
        return push(std::type_index(typeid(T)), std::any(&object),
                    [](const std::any& a, const std::any& b) { return *std::any_cast<T*>(&a) == *std::any_cast<T*>(&b); },
                    observable, true);
    }

    // The observable object stored for type T (null when absent or not observable).
    template <class T>
    platform::ObservableObject* observableFor() const {
        for (const Frame* f = top_.get(); f; f = f->parent.get()) {
            if (f->isObject && f->key == std::type_index(typeid(T))) return f->observable;
        }
        return nullptr;
    }

    // The same values and objects, set in the same order. A value of a type without `==` (an
    // action) equals only itself: the same setting handed down, not one made again.
    bool operator==(const Environment& other) const;

private:
    using Equals = bool (*)(const std::any&, const std::any&);
    struct Frame {
        std::type_index key;
        std::any value;
        Equals equals;
        platform::ObservableObject* observable;
        bool isObject;
        std::shared_ptr<const Frame> parent;
    };
    Environment push(std::type_index key, std::any value, Equals equals, platform::ObservableObject* observable,
                     bool isObject) const {
        Environment e;
        e.top_ = std::make_shared<const Frame>(Frame{key, std::move(value), equals, observable, isObject, top_});
        return e;
    }
    std::shared_ptr<const Frame> top_;
};

// Built-in keys.
struct LayoutDirectionKey {
    using Value = LayoutDirection;
    static Value defaultValue() { return LayoutDirection::leftToRight; }
};
struct ColorSchemeKey {
    using Value = ColorScheme;
    static Value defaultValue() { return ColorScheme::light; }
};

}  // namespace ui
