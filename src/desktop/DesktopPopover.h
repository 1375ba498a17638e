#pragma once
#include <memory>

#include "desktop/Desktop.h"
#include "platform/Popover.h"

namespace desktop {

class DesktopWindow;

// A popover of this application: a window of its own, placed beside its anchor.
class DesktopPopover final : public platform::Popover, public std::enable_shared_from_this<DesktopPopover> {
public:
    static constexpr double kArrowHeight = 9;

    explicit DesktopPopover(DesktopRef desktop);
    ~DesktopPopover() override;

    std::shared_ptr<platform::View> contentView() const override { return contentView_; }
    void setContentView(std::shared_ptr<platform::View> view) override;
    platform::Size contentSize() const override;
    void setContentSize(platform::Size size) override { contentSize_ = size; }
    platform::PopoverBehavior behavior() const override { return behavior_; }
    void setBehavior(platform::PopoverBehavior behavior) override { behavior_ = behavior; }
    bool animates() const override { return animates_; }
    void setAnimates(bool animates) override { animates_ = animates; }
    void setDelegate(std::weak_ptr<platform::PopoverDelegate> delegate) override { delegate_ = std::move(delegate); }

    void show(platform::Rect relativeTo, platform::View& ofView, platform::RectEdge preferredEdge) override;
    void performClose() override;
    void close() override;
    bool isShown() const override { return shown_; }
    platform::Window* window() const override;

    platform::RectEdge edge() const { return edge_; }
    // Follows the positioning view when the bar or a window moves it.
    void reposition();
    platform::Rect anchor() const { return anchor_; }

private:
    void place();

    DesktopRef desktop_;
    std::shared_ptr<DesktopWindow> window_;
    std::shared_ptr<platform::View> contentView_;
    std::optional<platform::Size> contentSize_;
    platform::PopoverBehavior behavior_ = platform::PopoverBehavior::applicationDefined;
    bool animates_ = true;
    bool shown_ = false;
    std::weak_ptr<platform::PopoverDelegate> delegate_;
    platform::Rect anchor_;  // screen coordinates
    std::weak_ptr<platform::View> anchorView_;
    platform::Rect anchorRect_;  // in the anchor view's coordinates
    platform::RectEdge preferredEdge_ = platform::RectEdge::minY;
    platform::RectEdge edge_ = platform::RectEdge::minY;  // where it opened: the preferred edge unless it had no room
};

}  // namespace desktop
