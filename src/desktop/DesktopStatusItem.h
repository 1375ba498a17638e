#pragma once
#include <memory>
#include <optional>
#include <string>

#include "desktop/Desktop.h"
#include "platform/StatusBar.h"

namespace desktop {

class DesktopStatusItem;
class DesktopWindow;

class DesktopStatusBarButton final : public platform::StatusBarButton {
public:
    explicit DesktopStatusBarButton(std::weak_ptr<DesktopStatusItem> item) : item_(std::move(item)) {}

    std::optional<platform::Image> image() const override { return image_; }
    void setImage(std::optional<platform::Image> image) override;
    platform::ImagePosition imagePosition() const override { return imagePosition_; }
    void setImagePosition(platform::ImagePosition position) override;
    std::string title() const override { return title_; }
    void setTitle(std::string title) override;
    std::string toolTip() const override { return toolTip_; }
    void setToolTip(std::string toolTip) override;
    double alphaValue() const override { return alpha_; }
    void setAlphaValue(double alpha) override;
    bool isEnabled() const override { return enabled_; }
    void setEnabled(bool enabled) override;
    bool appearsDisabled() const override { return appearsDisabled_; }
    void setAppearsDisabled(bool disabled) override;
    bool isHighlighted() const override { return highlighted_; }
    void highlight(bool on) override;

    void setAction(std::function<void()> action) override { action_ = std::move(action); }
    void sendActionOn(platform::EventMask mask) override { mask_ = mask; }
    platform::EventMask actionMask() const override { return mask_; }

    uint32_t windowNumber() const override;
    platform::Rect frameInScreenCoordinates() const override;

    void mouseDown(const platform::Event& e) override { track(e, true); }
    void mouseUp(const platform::Event& e) override { track(e, false); }
    void rightMouseDown(const platform::Event& e) override { track(e, true); }
    void rightMouseUp(const platform::Event& e) override { track(e, false); }
    void otherMouseDown(const platform::Event& e) override { track(e, true); }
    void otherMouseUp(const platform::Event& e) override { track(e, false); }

    // The width the item needs with this content (variable length).
    double contentWidth() const;
    // Runs the action as a click would ("AXPress" of the item's element).
    void performClick();
    bool hasAction() const { return static_cast<bool>(action_); }

private:
    void track(const platform::Event& e, bool down);
    // The content changed, and with it the item's width; or only its look.
    void contentChanged();
    void lookChanged();

    std::weak_ptr<DesktopStatusItem> item_;
    std::optional<platform::Image> image_;
    platform::ImagePosition imagePosition_ = platform::ImagePosition::imageLeft;
    std::string title_;
    std::string toolTip_;
    double alpha_ = 1;
    bool enabled_ = true;
    bool appearsDisabled_ = false;
    bool highlighted_ = false;
    std::function<void()> action_;
    platform::EventMask mask_ = platform::eventMask(platform::EventType::leftMouseUp);
};

// A status item of this application, one item of the shared bar.
class DesktopStatusItem final : public platform::StatusItem, public std::enable_shared_from_this<DesktopStatusItem> {
public:
    DesktopStatusItem(DesktopRef desktop, double length);
    ~DesktopStatusItem() override;
    // Puts the item into the bar (after construction, when weak references work).
    void attach();

    double length() const override { return length_; }
    void setLength(double length) override;
    std::string autosaveName() const override { return autosaveName_; }
    void setAutosaveName(std::string name) override;
    bool isVisible() const override { return visible_; }
    void setVisible(bool visible) override;
    std::shared_ptr<platform::StatusBarButton> button() const override;
    std::shared_ptr<platform::Menu> menu() const override { return menu_; }
    void setMenu(std::shared_ptr<platform::Menu> menu) override { menu_ = std::move(menu); }

    void removeFromBar();
    bool isInBar() const { return barItem_ != 0; }
    uint64_t barItemID() const { return barItem_; }
    double currentWidth() const;
    void syncFrame();
    void contentChanged();
    void lookChanged();
    DesktopWindow* window() const { return window_.get(); }
    DesktopStatusBarButton* desktopButton() const { return button_.get(); }

private:
    DesktopRef desktop_;
    double length_;
    std::string autosaveName_;
    bool visible_ = true;
    uint64_t barItem_ = 0;
    std::shared_ptr<DesktopWindow> window_;
    std::shared_ptr<DesktopStatusBarButton> button_;
    std::shared_ptr<platform::Menu> menu_;
};

class DesktopStatusBar final : public platform::StatusBar {
public:
    explicit DesktopStatusBar(Desktop& desktop) : desktop_(desktop) {}
    std::shared_ptr<platform::StatusItem> statusItem(double length) override;
    void removeStatusItem(const std::shared_ptr<platform::StatusItem>& item) override;
    double thickness() const override;

private:
    Desktop& desktop_;
};

}  // namespace desktop
