#pragma once
#include <memory>

#include "platform/View.h"
#include "ui/Host.h"

namespace ui {

// A platform view whose content is a declarative view: the content view of a window or a
// popover. Its fitting size is the estimate of the tree (a popover takes it as its content
// size); a frame set by a window becomes the size offered to the tree. Return, Escape and
// key equivalents go to the host's buttons, the Edit menu's commands to its focused field.
// The display draws `host().serialize()` and
// sends clicks through the host's automation by node id.
class HostingView : public platform::View {
public:
    explicit HostingView(std::shared_ptr<ui::View> root, Environment environment = {});
    static std::shared_ptr<HostingView> make(std::shared_ptr<ui::View> root, Environment environment = {}) {
        return std::make_shared<HostingView>(std::move(root), std::move(environment));
    }
    ~HostingView() override;

    Host& host() { return *host_; }
    const Host& host() const { return *host_; }

    platform::Size fittingSize() const override;
    void setFrame(platform::Rect frame) override;
    bool keyDown(const platform::Event& event) override;
    bool tryToPerform(platform::ResponderAction action) override;
    bool validateAction(platform::ResponderAction action) const override;
    void viewDidMoveToWindow() override;

private:
    std::unique_ptr<Host> host_;
};

}  // namespace ui
