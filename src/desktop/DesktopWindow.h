#pragma once
#include <memory>
#include <string>

#include "desktop/Desktop.h"
#include "desktop/ServerWindow.h"
#include "platform/Window.h"

namespace desktop {

// A window of this application, backed by a window of the simulated window server.
class DesktopWindow : public platform::Window, public std::enable_shared_from_this<DesktopWindow> {
public:
    static constexpr double kTitleBarHeight = 28;

    DesktopWindow(DesktopRef desktop, std::shared_ptr<ServerWindow> server, platform::WindowStyleMask style);
    ~DesktopWindow() override;

    uint32_t windowNumber() const override { return server_->number; }
    std::string title() const override { return title_; }
    void setTitle(std::string title) override;
    std::string identifier() const override { return identifier_; }
    void setIdentifier(std::string identifier) override;
    platform::WindowStyleMask styleMask() const override { return style_; }
    void setStyleMask(platform::WindowStyleMask mask) override;

    platform::Rect frame() const override { return laidOut().frame; }
    void setFrame(platform::Rect frame) override;
    platform::Rect contentRect() const override;
    void setContentSize(platform::Size size) override;
    platform::Size minSize() const override { return minSize_; }
    void setMinSize(platform::Size size) override { minSize_ = size; }
    void center() override;
    std::optional<platform::Screen> screen() const override;

    void makeKeyAndOrderFront() override;
    void orderFrontRegardless() override;
    void orderOut() override;
    void close() override;
    void performClose() override;
    bool isVisible() const override { return laidOut().ordered; }
    bool isKeyWindow() const override;

    int level() const override { return server_->level; }
    void setLevel(int level) override;
    double alphaValue() const override { return server_->alpha; }
    void setAlphaValue(double alpha) override;
    bool isReleasedWhenClosed() const override { return releasedWhenClosed_; }
    void setReleasedWhenClosed(bool released) override { releasedWhenClosed_ = released; }
    bool hidesOnDeactivate() const override { return hidesOnDeactivate_; }
    void setHidesOnDeactivate(bool hides) override { hidesOnDeactivate_ = hides; }
    uint64_t collectionBehavior() const override { return collectionBehavior_; }
    void setCollectionBehavior(uint64_t behavior) override { collectionBehavior_ = behavior; }

    std::shared_ptr<platform::View> contentView() const override { return contentView_; }
    void setContentView(std::shared_ptr<platform::View> view) override;
    void setDelegate(std::weak_ptr<platform::WindowDelegate> delegate) override { delegate_ = std::move(delegate); }

    platform::Point convertPointFromScreen(platform::Point p) const override;
    platform::Point convertPointToScreen(platform::Point p) const override;

    ServerWindow& server() const { return *server_; }
    // Keeps the content view's frame in step with the window's content rectangle.
    void syncContentFrame();
    // The key window changed (called by the application).
    void noteKeyChange(bool isKey);
    bool wasClosed() const { return closed_; }

private:
    void noteChange() const;
    // The server window with the desktop's pending layout done (a status item's window
    // stands where the bar puts it).
    const ServerWindow& laidOut() const;

    DesktopRef desktop_;
    std::shared_ptr<ServerWindow> server_;
    platform::WindowStyleMask style_;
    std::string title_;
    std::string identifier_;
    platform::Size minSize_;
    bool releasedWhenClosed_ = true;
    bool hidesOnDeactivate_ = false;
    bool closed_ = false;
    uint64_t collectionBehavior_ = 0;
    std::shared_ptr<platform::View> contentView_;
    std::weak_ptr<platform::WindowDelegate> delegate_;
};

}  // namespace desktop
