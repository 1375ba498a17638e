#pragma once
#include <functional>
#include <memory>

#include "ui/View.h"

namespace uitest {

// A view made of a lambda, for tests that need only a body.
class Body : public ui::View {
public:
    explicit Body(std::function<ui::Node()> f) : f_(std::move(f)) {}
    ui::Node body() override { return f_(); }

private:
    std::function<ui::Node()> f_;
};

inline std::shared_ptr<ui::View> body(std::function<ui::Node()> f) { return std::make_shared<Body>(std::move(f)); }

}  // namespace uitest
