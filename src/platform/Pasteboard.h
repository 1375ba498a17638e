#pragma once
#include <optional>
#include <string>

namespace platform {

// The general pasteboard (plain text only): where Copy and Cut put text and Paste takes it.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    // Empties the pasteboard; every change moves the change count.
    virtual void clearContents() = 0;
    virtual void setString(std::string text) = 0;
    virtual std::optional<std::string> string() const = 0;
    virtual int changeCount() const = 0;
};

// A pasteboard of this process alone, for a backend that has no system pasteboard.
class InMemoryPasteboard final : public Pasteboard {
public:
    void clearContents() override {
        text_.reset();
        ++changes_;
    }
    void setString(std::string text) override {
        text_ = std::move(text);
        ++changes_;
    }
    std::optional<std::string> string() const override { return text_; }
    int changeCount() const override { return changes_; }

private:
    std::optional<std::string> text_;
    int changes_ = 0;
};

}  // namespace platform
