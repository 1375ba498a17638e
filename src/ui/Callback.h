#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace ui {

template <class Signature>
class Callback;

// A function held by reference: copies share it. A node's handlers are copied with the node
// at every edit of it and into every render, and a node has room for all of them; shared,
// a copy is a count and each takes a pointer's room.
template <class R, class... Args>
class Callback<R(Args...)> {
public:
    using Function = std::function<R(Args...)>;

    Callback() = default;
    Callback(std::nullptr_t) {}
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Callback> &&
                                                std::is_constructible_v<Function, F&&>>>
    Callback(F&& f) {
        Function function(std::forward<F>(f));
        if (function) function_ = std::make_shared<const Function>(std::move(function));
    }

    R operator()(Args... args) const {
        if (!function_) throw std::bad_function_call();
        return (*function_)(std::forward<Args>(args)...);
    }
    explicit operator bool() const { return function_ != nullptr; }
    operator Function() const { return function_ ? *function_ : Function(); }
    friend bool operator==(const Callback& c, std::nullptr_t) { return !c; }

private:
    std::shared_ptr<const Function> function_;
};

}  // namespace ui
