#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "platform/Application.h"

namespace desktop {

class DesktopWindow;

// This process's application object.
class DesktopApplication final : public platform::Application {
public:
    explicit DesktopApplication(Desktop& desktop);

    platform::ActivationPolicy activationPolicy() const override;
    bool setActivationPolicy(platform::ActivationPolicy policy) override;
    void activate(bool ignoringOtherApps) override;
    bool isActive() const override { return active_; }

    std::optional<std::string> appearance() const override { return appearance_; }
    void setAppearance(std::optional<std::string> name) override;
    bool effectiveAppearanceIsDark() const override;

    void terminate() override;
    bool isTerminated() const override { return terminated_; }

    std::shared_ptr<platform::ApplicationDelegate> delegate() const override { return delegate_; }
    void setDelegate(std::shared_ptr<platform::ApplicationDelegate> delegate) override { delegate_ = std::move(delegate); }

    std::vector<std::shared_ptr<platform::Window>> windows() const override;
    std::shared_ptr<platform::Window> keyWindow() const override;
    std::shared_ptr<platform::Menu> mainMenu() const override { return mainMenu_; }
    void setMainMenu(std::shared_ptr<platform::Menu> menu) override;
    void requestUserAttention() override { ++attentionRequests_; }
    std::optional<platform::Event> currentEvent() const override { return currentEvent_; }
    void beep() override;
    bool sendAction(platform::ResponderAction action) override;
    bool validateAction(platform::ResponderAction action) const override;

    std::shared_ptr<platform::Window> makeWindow(platform::Rect contentRect, uint64_t styleMask) override;
    std::shared_ptr<platform::Popover> makePopover() override;
    bool popUpMenu(const std::shared_ptr<platform::Menu>& menu, const std::shared_ptr<platform::MenuItem>& positioningItem,
                   platform::Point location, platform::View* view) override;
    void cancelMenuTracking(const platform::Menu& menu) override;
    platform::ModalResponse runModalAlert(platform::Alert& alert) override;
    platform::ModalResponse runModalOpenPanel(platform::OpenPanel& panel) override;
    bool isRunningModal() const override;

    // Used by the desktop.
    void finishLaunching();
    void deactivate();
    void registerWindow(const std::shared_ptr<DesktopWindow>& window);
    // A titled window closed: with none left on screen the delegate is asked whether to quit.
    void noteWindowClosed();
    void makeKey(DesktopWindow* window);
    // The window leaves the key state (ordered out, closed); the next one in order takes it.
    void resignKey(DesktopWindow* window);
    // A modal panel is key while it runs: the window that was key gives the state up, and
    // gets it back when the session ends (if it is still shown).
    std::weak_ptr<DesktopWindow> takeKeyForModal();
    void returnKeyFromModal(const std::weak_ptr<DesktopWindow>& previous);
    DesktopWindow* keyDesktopWindow() const;
    // Sets the current event for the length of one dispatch.
    class CurrentEventScope {
    public:
        CurrentEventScope(DesktopApplication& app, const platform::Event& e) : app_(app), saved_(app.currentEvent_) {
            app.currentEvent_ = e;
        }
        ~CurrentEventScope() { app_.currentEvent_ = saved_; }

    private:
        DesktopApplication& app_;
        std::optional<platform::Event> saved_;
    };
    // Command-key equivalents of the main menu; true when one ran.
    bool performKeyEquivalent(const platform::Event& event);
    int attentionRequests() const { return attentionRequests_; }
    bool isLaunched() const { return launched_; }
    // Quits for a relaunch: everything of this run goes, and the application starts again.
    void relaunch();

private:
    DesktopWindow* nextKeyCandidate(const DesktopWindow* leaving) const;

    Desktop& desktop_;
    bool active_ = false;
    bool terminated_ = false;
    bool launched_ = false;
    std::optional<std::string> appearance_;
    std::shared_ptr<platform::ApplicationDelegate> delegate_;
    std::shared_ptr<platform::Menu> mainMenu_;
    std::vector<std::weak_ptr<DesktopWindow>> windows_;
    size_t sweepAt_ = 16;  // the size at which expired windows are swept out
    std::weak_ptr<DesktopWindow> key_;
    std::optional<platform::Event> currentEvent_;
    int attentionRequests_ = 0;
    uint64_t activations_ = 0;  // which activation a pending did-become-active belongs to
};

}  // namespace desktop
