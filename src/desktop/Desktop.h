#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "desktop/DialogLayout.h"
#include "desktop/Scene.h"
#include "desktop/ServerWindow.h"
#include "desktop/SimulatedApp.h"
#include "desktop/SystemStatusBar.h"
#include "platform/Accessibility.h"
#include "platform/Alert.h"
#include "platform/Event.h"
#include "platform/Geometry.h"
#include "platform/Menu.h"
#include "platform/OpenPanel.h"
#include "platform/Pasteboard.h"
#include "platform/Screen.h"

namespace platform {
class View;
struct TrackingArea;
}  // namespace platform

namespace desktop {

class DesktopAccessibility;
class DesktopApplication;
class DesktopEvents;
class DesktopLoginItems;
class DesktopPopover;
class DesktopScreens;
class DesktopStatusBar;
class DesktopSyntheticEvents;
class DesktopUpdaterFramework;
class DesktopWindow;
class DesktopWindowServer;
class DesktopWorkspace;

enum class MouseButton { left, right, other };

// A menu that another application opened from one of its status items.
struct OpenedMenu {
    int32_t pid = 0;
    std::string ownerName;
    uint64_t barItem = 0;
    std::string itemName;  // the item's Accessibility title, description or autosave name
    bool isContextMenu = false;
    std::vector<std::string> items;
    std::shared_ptr<ServerWindow> window;
};

// An alert as it was shown, with the answer it got.
struct RecordedAlert {
    std::string messageText;
    std::string informativeText;
    platform::AlertStyle style = platform::AlertStyle::warning;
    std::vector<std::string> buttons;
    std::optional<std::string> answer;  // absent: nobody answered
};

// A weak handle on the desktop for objects handed to the application, which may outlive it.
class DesktopRef {
public:
    DesktopRef() = default;
    explicit DesktopRef(std::weak_ptr<Desktop*> ref) : ref_(std::move(ref)) {}
    Desktop* get() const {
        auto p = ref_.lock();
        return p ? *p : nullptr;
    }

private:
    std::weak_ptr<Desktop*> ref_;
};

// The simulated Mac: screens, the processes and their status items, the window server,
// Accessibility, input, and this application's windows, popovers, menus and modal panels.
// It implements every platform service; `install` hands them to the platform. Deterministic:
// it moves only when told (pointer, keys, the run loop).
class Desktop {
public:
    explicit Desktop(const Scene& scene);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // A desktop from a scene file; null with `error` set when the file is unusable.
    static std::unique_ptr<Desktop> fromFile(const std::filesystem::path& scene, std::string& error);
    // The installed desktop (the window server's private functions reach it this way).
    static Desktop* current();

    // Installs the platform services and this process's identity (pid, time zone).
    void install();
    // Starts this application: the launch arguments, the delegate from the registered
    // factory, and did-finish-launching on the next turn of the run loop.
    bool launchApplication(std::vector<std::string> arguments);

    // Time: runs the main run loop for `seconds` (manual clock).
    void advance(double seconds);

    // ---- Pointer and keyboard (AppKit screen coordinates) ----
    void moveMouse(platform::Point p, platform::ModifierFlags flags = 0);
    void mouseDown(platform::Point p, MouseButton button = MouseButton::left, platform::ModifierFlags flags = 0);
    void mouseUp(platform::Point p, MouseButton button = MouseButton::left, platform::ModifierFlags flags = 0);
    void click(platform::Point p, MouseButton button = MouseButton::left, platform::ModifierFlags flags = 0);
    void drag(platform::Point from, platform::Point to, platform::ModifierFlags flags = 0);
    void pressKey(uint16_t keyCode, std::string characters = "", platform::ModifierFlags flags = 0);
    void pressReturn();
    void pressEscape();
    // Where this application's keys and responder actions go: the content of its key window
    // (or of a popover that is up); null while another application is active.
    platform::View* firstResponder();
    platform::Point mouseLocation() const { return pointer_; }

    // ---- Status items ----
    // The item of the application named `owner` (name or bundle identifier) with that
    // autosave name, or its index-th item when the name is empty.
    const BarItem* statusItem(const std::string& owner, const std::string& autosaveName, size_t index = 0) const;
    platform::Point centerOf(const BarItem& item) const;
    void clickStatusItem(const BarItem& item, MouseButton button = MouseButton::left, platform::ModifierFlags flags = 0);
    uint64_t addStatusItem(int32_t pid, const SceneStatusItem& item);
    void removeStatusItem(uint64_t id);
    void setStatusItemWidth(uint64_t id, double width);
    // Moves an item as a Command-drag to x would, writing its new preferred position.
    void commandDragStatusItem(uint64_t id, double x);

    // ---- Applications ----
    int32_t launchApp(const SceneApplication& app);
    void quitApp(int32_t pid);
    void setFrontmostApp(int32_t pid);
    int32_t frontmostApp() const { return frontmost_; }
    const SimulatedApp* app(int32_t pid) const;
    const SimulatedApp* appNamed(const std::string& nameOrBundle) const;
    void setAppAnswersAccessibility(int32_t pid, bool answers);

    // ---- Screens and language ----
    void setScreens(const std::vector<SceneScreen>& screens);
    void addScreen(const SceneScreen& screen);
    void removeScreen(size_t index);
    void setLanguages(const std::vector<std::string>& languages);

    // ---- Permissions ----
    void setAccessibilityTrusted(bool trusted);
    bool isAccessibilityTrusted() const { return trusted_; }
    bool isAccessibilityPromptShown() const { return promptWindow_ != nullptr; }
    std::string accessibilityPromptMessage() const;
    int accessibilityPromptCount() const { return promptCount_; }
    // The system dialog's buttons: "Open System Settings" (opens the pane) or "Deny".
    void answerAccessibilityPrompt(bool openSystemSettings);
    void setPostEventAccess(bool granted) { postEventAccess_ = granted; }
    int postEventAccessRequests() const { return postEventRequests_; }
    void setLoginItemsAllowed(bool allowed);

    // ---- Alerts and open panels ----
    // Answers the next alert with the button of that title as soon as it is up.
    void queueAlertAnswer(std::string buttonTitle);
    // Called (inside the modal session) when an alert is up and no queued answer took it.
    void setAlertHandler(std::function<void(Desktop&, const platform::Alert&)> handler);
    // Answers the alert that is up; false when none is up or it has no such button.
    bool answerAlert(const std::string& buttonTitle);
    const platform::Alert* currentAlert() const;
    const std::vector<RecordedAlert>& alerts() const { return alertLog_; }
    // Where the buttons of an alert or the Accessibility prompt take clicks (screen
    // coordinates, the first button on top); empty for any other window.
    std::vector<platform::Rect> dialogButtonFrames(platform::CGWindowID window) const;
    // nullopt cancels.
    void queueOpenPanelAnswer(std::optional<std::vector<std::filesystem::path>> urls);
    void setOpenPanelHandler(std::function<void(Desktop&, const platform::OpenPanel&)> handler);
    // An answer the panel cannot give (a file of a type it does not allow, more than one
    // file for a single selection, a folder where it takes files only) is refused: false.
    bool answerOpenPanel(std::optional<std::vector<std::filesystem::path>> urls);
    // Whether the open panel that is up could be answered with these files.
    bool openPanelTakes(const std::vector<std::filesystem::path>& urls) const;
    const platform::OpenPanel* currentOpenPanel() const;
    // Whether the alert in front (the open panel) has its answer: its modal session ends on
    // the next turn. A display that serves input inside the session waits for this.
    bool isCurrentAlertAnswered() const { return !alertStack_.empty() && alertStack_.back()->answer.has_value(); }
    bool isOpenPanelAnswered() const { return panel_ && panel_->answered; }

    // ---- What happened ----
    const std::optional<OpenedMenu>& openedMenu() const { return openedMenu_; }
    // Chooses a row of the opened menu (closing it); false when there is no such row.
    bool chooseOpenedMenuItem(const std::string& title);
    const std::vector<std::string>& chosenMenuItems() const { return chosenMenuItems_; }
    // Every menu another application opened from its status item, however it was opened (a
    // click, a synthesized click, "AXPress"): "Owner: item", " (context menu)" for the other.
    const std::vector<std::string>& openedMenus() const { return openedMenus_; }
    // This application's popped-up menu, if one is up.
    std::shared_ptr<platform::Menu> ownOpenMenu() const { return ownMenu_; }
    bool chooseOwnMenuItem(const std::string& title);
    double windowAlpha(platform::CGWindowID number) const;
    const std::vector<std::string>& openedURLs() const { return openedURLs_; }
    const std::vector<std::filesystem::path>& openedApplications() const { return openedApplications_; }
    int beepCount() const { return beeps_; }
    int updateChecks() const { return updateChecks_; }
    std::string dump() const;

    // ---- Changes ----
    // Moves whenever something a picture of the desktop shows may have changed: windows, the
    // bar and its items, applications, screens, menus and dialogs. Unchanged, they are as they
    // were, so whoever draws them need not look again. The pointer, the permissions and the
    // records are not counted: they are cheap to read.
    uint64_t changeCount() const { return changes_ + windows_.changeCount(); }
    void noteChange() { ++changes_; }

    // ---- Internal model, shared by the service implementations ----
    const Scene& scene() const { return scene_; }
    DesktopRef ref() const { return DesktopRef(selfRef_); }
    int32_t selfPID() const { return selfPID_; }
    SimulatedApp* mutableApp(int32_t pid);
    const std::vector<SimulatedApp>& apps() const { return apps_; }
    int32_t controlCenterPID() const;
    std::vector<platform::Screen> screens() const { return screens_; }
    std::optional<platform::Screen> primaryScreen() const;
    std::optional<platform::Screen> mainScreen() const;
    // The screen a point is on (the main screen for a point on none), as AppKit picks the
    // screen a menu, popover or alert opens on.
    std::optional<platform::Screen> screenAt(platform::Point p) const;
    double primaryHeight() const;  // the height used to flip between AppKit and Quartz
    platform::Rect toQuartz(const platform::Rect& r) const;
    platform::Point toQuartz(platform::Point p) const;
    platform::Point fromQuartz(platform::Point p) const;
    bool isRightToLeft() const;
    // The application menus' extent in the menu bar of the primary screen (empty: none).
    platform::Rect appMenusFrame() const;
    std::vector<std::pair<std::string, platform::Rect>> appMenuTitles() const;
    // The bar and the window list as they stand now: laid out first when something changed.
    SystemStatusBar& bar() {
        layoutIfNeeded();
        return bar_;
    }
    const SystemStatusBar& bar() const {
        layoutIfNeeded();
        return bar_;
    }
    WindowList& windows() {
        layoutIfNeeded();
        return windows_;
    }
    const WindowList& windows() const {
        layoutIfNeeded();
        return windows_;
    }
    // The same without laying out first, for changes: a run of changes is laid out once.
    SystemStatusBar& barModel() { return bar_; }
    WindowList& windowsModel() { return windows_; }
    bool isWindowOnScreen(const ServerWindow& w) const;
    // Asks for the bar, the system windows and the shown popovers to be laid out again: once
    // at the end of this turn of the run loop, or before, when something reads where they are.
    void relayout();
    // Lays out now what a change asked for; nothing when nothing changed.
    void layoutIfNeeded() const;

    DesktopApplication& application() { return *application_; }
    DesktopAccessibility& accessibility() { return *accessibility_; }
    DesktopEvents& events() { return *events_; }
    bool postEventAccess() const { return postEventAccess_ || trusted_; }
    void notePostEventRequest() { ++postEventRequests_; }
    bool loginItemsAllowed() const { return loginItemsAllowed_; }
    bool loginItemsRequireApproval() const { return scene_.loginItemsRequireApproval; }
    bool hasPrivateFunction(const std::string& framework, const std::string& name) const;
    void noteURL(const std::string& url) { openedURLs_.push_back(url); }
    // Opening the application's own bundle while it runs asks for it to start again once
    // it has quit, as a relaunch does.
    void noteOpenedApplication(const std::filesystem::path& p);
    // Whether the application asked to be started again; asking clears the request.
    bool takeRelaunchRequest() { return std::exchange(relaunchRequested_, false); }
    int relaunchCount() const { return relaunches_; }
    void noteRelaunch() { ++relaunches_; }
    void noteBeep() { ++beeps_; }
    void noteUpdateCheck() { ++updateChecks_; }
    std::vector<std::pair<std::string, std::filesystem::path>> knownApplications() const;

    // Accessibility's prompt (from isProcessTrustedWithOptions).
    void showAccessibilityPrompt();
    // Actions on another application's status item (a click, or "AXPress"/"AXShowMenu").
    void openMenuOf(BarItem& item, bool contextMenu);
    void closeOpenedMenu();
    // Delivers a mouse event at an AppKit point as the pointer or a synthesized event would.
    void dispatchMouse(platform::EventType type, platform::Point p, int button, platform::ModifierFlags flags,
                       int clickCount);
    // Modal sessions and menus of this application (run by DesktopApplication).
    platform::ModalResponse runAlert(platform::Alert& alert);
    platform::ModalResponse runOpenPanel(platform::OpenPanel& panel);
    bool popUpOwnMenu(const std::shared_ptr<platform::Menu>& menu, platform::Point screenPoint);
    void cancelOwnMenu(const platform::Menu& menu);
    // The size of a menu window for its rows ("-" or "---" is a separator).
    // No wider than `maxWidth` (the screen's): longer titles are cut with an ellipsis.
    static platform::Size menuSize(const std::vector<std::string>& rows, double maxWidth);
    // The same for a menu of this application, whose rows may carry images and key equivalents.
    static platform::Size menuSize(const platform::Menu& menu, double maxWidth);
    // The rectangles of a menu window's rows as the desktop hit-tests them, top to bottom
    // (a separator's included), in screen coordinates.
    static std::vector<platform::Rect> menuRowFrames(const std::vector<std::string>& rows, const platform::Rect& frame);
    static bool isSeparatorRow(const std::string& row) { return row == "-" || row == "---"; }
    void notePopoverShown(const std::shared_ptr<DesktopPopover>& popover);
    // Tracking areas as views gain and lose them (through the events service).
    void noteTrackingAreaAdded(const platform::View& view, const std::shared_ptr<platform::TrackingArea>& area);
    void noteTrackingAreaRemoved(const std::shared_ptr<platform::TrackingArea>& area);
    std::vector<std::shared_ptr<DesktopPopover>> shownPopovers() const;
    DesktopUpdaterFramework& updaterFramework() { return *updater_; }
    DesktopSyntheticEvents& syntheticEvents() { return *syntheticEvents_; }
    DesktopLoginItems& loginItems() { return *loginItems_; }

private:
    void loadScene();
    void addApp(const SceneApplication& app);
    void reindexApps();
    void addSceneStatusItem(SimulatedApp& app, const SceneStatusItem& spec);
    void writeSceneItemPreferences(const SimulatedApp& app, const SceneStatusItem& spec);
    void rebuildScreens();
    // Trust as the home keeps it, else the scene's first value.
    void loadAccessibilityTrust();
    std::string accessibilityPrivacyKey() const;
    void placeSystemWindows();
    void updateTracking(const platform::Event& event);
    void noteTrackingAreaPlaced(const platform::View& view, const std::shared_ptr<platform::TrackingArea>& area);
    void placePendingTrackingAreas();
    void deliverToOwn(ServerWindow& window, const platform::Event& event);
    void deliverGlobal(const platform::Event& event);
    platform::Event makeEvent(platform::EventType type, platform::Point p, int button, platform::ModifierFlags flags,
                              int clickCount, uint32_t windowNumber) const;
    ServerWindow* windowAt(platform::Point p) const;
    // A mouse up on a menu window chooses the row under it; false when the target is no menu.
    bool handleMenuMouseUp(ServerWindow* target, platform::Point p);
    int rowAt(const std::vector<std::string>& rows, const platform::Rect& frame, platform::Point p) const;
    void closeTransientPopovers(ServerWindow* target);
    // Where alerts and dialogs open: the main screen's visible frame.
    platform::Rect modalArea() const;
    std::shared_ptr<ServerWindow> makeModalWindow(WindowKind kind, int32_t owner, platform::Size size);
    void finishCommandDrag(platform::Point p);
    bool openOwnMenuBarMenu(platform::Point p);
    ServerWindow* keyTarget();

    Scene scene_;
    std::shared_ptr<Desktop*> selfRef_;
    int32_t selfPID_ = 501;
    std::vector<SimulatedApp> apps_;
    std::unordered_map<int32_t, size_t> appIndex_;  // process identifier to its place in apps_
    std::vector<platform::Screen> screens_;
    std::vector<std::string> languages_;
    int32_t frontmost_ = 0;
    int32_t previousFrontmost_ = 0;
    SystemStatusBar bar_;
    WindowList windows_;
    bool needsLayout_ = false;
    bool layoutScheduled_ = false;
    std::shared_ptr<ServerWindow> menuBarWindow_;
    std::shared_ptr<ServerWindow> dockWindow_;
    std::shared_ptr<ServerWindow> desktopWindow_;

    // Services.
    std::unique_ptr<DesktopApplication> application_;
    std::unique_ptr<DesktopStatusBar> statusBar_;
    std::unique_ptr<DesktopScreens> screensService_;
    std::unique_ptr<DesktopEvents> events_;
    std::unique_ptr<DesktopAccessibility> accessibility_;
    std::unique_ptr<DesktopWindowServer> windowServer_;
    std::unique_ptr<DesktopSyntheticEvents> syntheticEvents_;
    std::unique_ptr<DesktopLoginItems> loginItems_;
    std::unique_ptr<DesktopUpdaterFramework> updater_;
    std::unique_ptr<DesktopWorkspace> workspace_;
    platform::InMemoryPasteboard pasteboard_;  // this desktop's alone: nothing of a test reaches the next

    // Input state.
    platform::Point pointer_{700, 500};
    platform::ModifierFlags modifiers_ = 0;
    uint32_t pressedButtons_ = 0;
    std::weak_ptr<platform::View> mouseDownView_;
    platform::CGWindowID mouseDownWindow_ = 0;
    uint64_t draggingItem_ = 0;
    std::vector<std::weak_ptr<platform::TrackingArea>> insideAreas_;
    // Areas added while a layout was pending, with their views.
    std::vector<std::pair<std::weak_ptr<const platform::View>, std::weak_ptr<platform::TrackingArea>>> pendingAreas_;
    std::vector<std::weak_ptr<DesktopPopover>> popovers_;

    // Permissions.
    bool trusted_ = false;
    bool postEventAccess_ = false;
    bool loginItemsAllowed_ = true;
    int promptCount_ = 0;
    int postEventRequests_ = 0;
    std::shared_ptr<ServerWindow> promptWindow_;
    DialogLayout promptLayout_;

    // Menus and modal sessions.
    std::optional<OpenedMenu> openedMenu_;
    std::vector<std::string> chosenMenuItems_;
    std::vector<std::string> openedMenus_;
    std::shared_ptr<platform::Menu> ownMenu_;
    std::shared_ptr<ServerWindow> ownMenuWindow_;
    struct AlertSession {
        platform::Alert* alert = nullptr;
        std::shared_ptr<ServerWindow> window;
        DialogLayout layout;
        std::optional<int> answer;
    };
    std::vector<AlertSession*> alertStack_;
    std::vector<std::string> queuedAlertAnswers_;
    std::function<void(Desktop&, const platform::Alert&)> alertHandler_;
    std::vector<RecordedAlert> alertLog_;
    struct PanelSession {
        platform::OpenPanel* panel = nullptr;
        std::shared_ptr<ServerWindow> window;
        bool answered = false;
        std::optional<std::vector<std::filesystem::path>> urls;
    };
    PanelSession* panel_ = nullptr;
    std::vector<std::optional<std::vector<std::filesystem::path>>> queuedPanelAnswers_;
    std::function<void(Desktop&, const platform::OpenPanel&)> panelHandler_;

    // Records.
    std::vector<std::string> openedURLs_;
    std::vector<std::filesystem::path> openedApplications_;
    bool relaunchRequested_ = false;
    int relaunches_ = 0;
    int beeps_ = 0;
    int updateChecks_ = 0;
    uint64_t changes_ = 0;
};

}  // namespace desktop
