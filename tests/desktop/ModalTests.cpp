#include <gtest/gtest.h>

#include "DesktopFixture.h"
#include "desktop/DesktopApplication.h"
#include "platform/Accessibility.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/OpenPanel.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "ui/Automation.h"
#include "ui/BodyView.h"
#include "ui/HostingView.h"
#include "ui/Nodes.h"

namespace desktoptest {
namespace {

using desktop::Scene;

class Modal : public DesktopTest {
protected:
    platform::Alert deleteAlert() {
        platform::Alert alert;
        alert.messageText = "Delete “Work”?";
        alert.informativeText = "The vossel is removed. Your menu bar apps stay installed.";
        alert.addButton("Delete");
        alert.addButton("Cancel");
        return alert;
    }
};

TEST_F(Modal, AQueuedAnswerAnswersTheNextAlert) {
    auto& d = load(Scene::minimal());
    d.queueAlertAnswer("Cancel");
    auto alert = deleteAlert();
    EXPECT_EQ(alert.runModal(), platform::Modal::alertSecondButtonReturn);
    ASSERT_EQ(d.alerts().size(), 1u);
    EXPECT_EQ(d.alerts()[0].answer, std::optional<std::string>("Cancel"));
    EXPECT_FALSE(d.currentAlert());
}

TEST_F(Modal, TheRunLoopRunsInTheModalModeWhileAnAlertIsUp) {
    auto& d = load(Scene::minimal());
    auto& loop = platform::RunLoop::main();
    int defaultTimer = 0, commonTimer = 0;
    auto t1 = loop.scheduledTimer(0.5, true, [&](platform::Timer&) { ++defaultTimer; });
    auto t2 = loop.scheduledTimer(0.5, true, [&](platform::Timer&) { ++commonTimer; }, platform::TimerModes::common);
    std::string seen;
    d.setAlertHandler([&](desktop::Desktop& desk, const platform::Alert& alert) {
        seen = alert.messageText;
        EXPECT_EQ(loop.currentMode(), platform::RunLoopMode::modalPanel);
        EXPECT_NE(desk.dump().find("alert up: \"Delete “Work”?\""), std::string::npos);
        desk.advance(2);
        desk.pressReturn();
    });
    auto alert = deleteAlert();
    EXPECT_EQ(alert.runModal(), platform::Modal::alertFirstButtonReturn);
    EXPECT_EQ(seen, "Delete “Work”?");
    EXPECT_EQ(defaultTimer, 0);
    EXPECT_EQ(commonTimer, 4);
    loop.advance(0.5);
    EXPECT_GE(defaultTimer, 1);
}

TEST_F(Modal, AlertsGrowForTheirTextAndTakeClicksOnTheirButtons) {
    auto& d = load(Scene::minimal());
    auto windowOf = [&](desktop::WindowKind kind) -> const desktop::ServerWindow* {
        for (const auto* w : d.windows().frontToBack()) {
            if (w->kind == kind && w->ordered) return w;
        }
        return nullptr;
    };
    platform::Rect shortFrame, longFrame;
    std::vector<platform::Rect> buttons;
    d.setAlertHandler([&](desktop::Desktop& desk, const platform::Alert& alert) {
        platform::Rect& frame = alert.informativeText.size() > 100 ? longFrame : shortFrame;
        const auto* window = windowOf(desktop::WindowKind::alert);
        ASSERT_TRUE(window && window->name == alert.messageText);
        frame = window->frame;
        buttons = desk.dialogButtonFrames(window->number);
        // A click in the second button's band answers it, wherever the grown box puts it.
        ASSERT_EQ(buttons.size(), 2u);
        desk.click(platform::Point{buttons[1].midX(), buttons[1].midY()});
    });
    auto shortAlert = deleteAlert();
    EXPECT_EQ(shortAlert.runModal(), platform::Modal::alertSecondButtonReturn);
    platform::Alert longAlert = deleteAlert();
    longAlert.messageText = "Re-enable Accessibility after update";
    longAlert.informativeText =
        "macOS ties Accessibility to each signed copy of the app. After an update, an old Tessivane switch may still "
        "look on while this copy is not.\n\nClick Enable Accessibility, then Open System Settings in the dialog that "
        "appears \u2014 that is what adds this copy to the list.";
    EXPECT_EQ(longAlert.runModal(), platform::Modal::alertSecondButtonReturn);
    EXPECT_EQ(longFrame.width(), shortFrame.width());
    // Two lines of message and nine of informative text against one and two: seven more lines.
    EXPECT_GE(longFrame.height() - shortFrame.height(), 7 * 15);
    EXPECT_TRUE(longFrame.contains(buttons[0].origin));
    EXPECT_LT(buttons[1].maxY(), buttons[0].maxY());  // the first button on top

    // The system's prompt grows the same way and answers by its bands too.
    platform::accessibility().isProcessTrustedWithOptions(true);
    const auto* prompt = windowOf(desktop::WindowKind::systemDialog);
    ASSERT_NE(prompt, nullptr);
    const auto bands = d.dialogButtonFrames(prompt->number);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_GT(prompt->frame.height(), 200);
    d.click(platform::Point{bands[1].midX(), bands[1].midY()});
    EXPECT_FALSE(d.isAccessibilityPromptShown());
    EXPECT_TRUE(d.openedURLs().empty());  // "Deny"
}

TEST_F(Modal, EscapeChoosesCancelAndAnUnansweredAlertReturnsAbort) {
    auto& d = load(Scene::minimal());
    d.setAlertHandler([](desktop::Desktop& desk, const platform::Alert&) { desk.pressEscape(); });
    auto alert = deleteAlert();
    EXPECT_EQ(alert.runModal(), platform::Modal::alertSecondButtonReturn);

    // With the manual clock and nobody to answer, the session ends without an answer.
    d.setAlertHandler(nullptr);
    auto second = deleteAlert();
    EXPECT_EQ(second.runModal(), platform::Modal::abort);
    EXPECT_FALSE(d.alerts().back().answer);
    // An alert without buttons gets "OK".
    platform::Alert bare;
    bare.messageText = "Hello";
    d.queueAlertAnswer("OK");
    EXPECT_EQ(bare.runModal(), platform::Modal::alertFirstButtonReturn);
}

TEST_F(Modal, OpenPanelsAreModalAndTakeOnlyWhatTheyAllow) {
    auto& d = load(Scene::minimal());
    platform::OpenPanel panel;
    panel.title = "Choose an icon";
    panel.allowedContentTypes = {platform::ContentType::pdf, platform::ContentType::image};
    int clicks = 0;
    ui::Host behind(uitest::body([&] { return ui::Button("Back", [&] { ++clicks; }); }));
    d.setOpenPanelHandler([&](desktop::Desktop& desk, const platform::OpenPanel&) {
        EXPECT_TRUE(platform::application().isRunningModal());
        EXPECT_FALSE(behind.find(ui::button("Back")).click());
        // One file of an allowed type, matched by conformance and in any case.
        EXPECT_FALSE(desk.answerOpenPanel(std::vector<std::filesystem::path>{"/tmp/a.png", "/tmp/b.png"}));
        EXPECT_FALSE(desk.answerOpenPanel(std::vector<std::filesystem::path>{"/tmp/notes.txt"}));
        EXPECT_FALSE(desk.answerOpenPanel(std::vector<std::filesystem::path>{"/tmp/archive"}));
        EXPECT_FALSE(desk.answerOpenPanel(std::vector<std::filesystem::path>{}));
        EXPECT_TRUE(desk.openPanelTakes({"/tmp/manual.PDF"}));
        EXPECT_TRUE(desk.answerOpenPanel(std::vector<std::filesystem::path>{"/tmp/a.PNG"}));
    });
    EXPECT_EQ(panel.runModal(), platform::Modal::ok);
    EXPECT_EQ(panel.urls, (std::vector<std::filesystem::path>{"/tmp/a.PNG"}));
    EXPECT_FALSE(platform::application().isRunningModal());
    EXPECT_TRUE(behind.find(ui::button("Back")).click());
    EXPECT_EQ(clicks, 1);
    d.setOpenPanelHandler(nullptr);
    // Any image at all, when the panel allows several.
    panel.allowedContentTypes = {platform::ContentType::image};
    panel.allowsMultipleSelection = true;
    d.queueOpenPanelAnswer(std::vector<std::filesystem::path>{"/tmp/a.gif", "/tmp/b.heic"});
    EXPECT_EQ(panel.runModal(), platform::Modal::ok);
    EXPECT_EQ(panel.urls.size(), 2u);
    d.queueOpenPanelAnswer(std::nullopt);
    EXPECT_EQ(panel.runModal(), platform::Modal::cancel);
    EXPECT_TRUE(panel.urls.empty());
    d.setOpenPanelHandler([](desktop::Desktop& desk, const platform::OpenPanel& p) {
        EXPECT_EQ(desk.currentOpenPanel(), &p);
        desk.pressEscape();
    });
    EXPECT_EQ(panel.runModal(), platform::Modal::cancel);
}

TEST_F(Modal, WindowsKeepKeyAndDelegateOrder) {
    auto& d = load(Scene::minimal());
    auto& app = platform::application();
    struct Delegate : platform::WindowDelegate {
        std::vector<std::string> log;
        void windowWillClose(platform::Window&) override { log.push_back("close"); }
        void windowDidBecomeKey(platform::Window&) override { log.push_back("key"); }
    };
    auto delegate = std::make_shared<Delegate>();
    auto window = platform::Window::make(platform::Rect{0, 0, 760, 560},
                                         platform::WindowStyle::titled | platform::WindowStyle::closable);
    window->setDelegate(delegate);
    window->setTitle("Tessivane");
    window->center();
    EXPECT_FALSE(window->isVisible());
    app.setActivationPolicy(platform::ActivationPolicy::regular);
    app.activate(true);
    window->makeKeyAndOrderFront();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(window->contentRect().size, (platform::Size{760, 560}));
    EXPECT_NEAR(window->frame().midX(), 756, 1);
    EXPECT_EQ(d.frontmostApp(), d.selfPID());
    window->performClose();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(delegate->log, (std::vector<std::string>{"key", "close"}));
    // The windows list still has it, not visible, as AppKit keeps a window not released.
    bool listed = false;
    for (const auto& w : app.windows()) listed = listed || w == window;
    EXPECT_TRUE(listed);
    app.setActivationPolicy(platform::ActivationPolicy::accessory);
    EXPECT_NE(d.frontmostApp(), d.selfPID());

    // Closing the last window on screen asks the application's delegate whether to quit.
    struct AppDelegate : platform::ApplicationDelegate {
        int asked = 0;
        bool quit = false;
        bool applicationShouldTerminateAfterLastWindowClosed() override {
            ++asked;
            return quit;
        }
    };
    auto appDelegate = std::make_shared<AppDelegate>();
    app.setDelegate(appDelegate);
    auto other = platform::Window::make(platform::Rect{0, 0, 300, 200}, platform::WindowStyle::titled);
    window->makeKeyAndOrderFront();
    other->makeKeyAndOrderFront();
    window->close();
    EXPECT_EQ(appDelegate->asked, 0);  // another window is still up
    other->close();
    EXPECT_EQ(appDelegate->asked, 1);
    d.advance(0);
    EXPECT_FALSE(app.isTerminated());
    appDelegate->quit = true;
    window->makeKeyAndOrderFront();
    window->performClose();
    EXPECT_EQ(appDelegate->asked, 2);
    EXPECT_FALSE(app.isTerminated());  // the close runs its course first
    d.advance(0);
    EXPECT_TRUE(app.isTerminated());
}

// Terminating is final, as on a Mac where the process ends inside terminate: the delegate
// hears of it once, and nothing that called into the modal sessions below it (nor the code
// after terminate) runs again; the rest of the desktop's time still passes.
TEST_F(Modal, TerminatingInsideNestedSessionsReturnsToNoneOfTheirCallers) {
    auto& d = load(Scene::minimal());
    auto& app = platform::application();
    struct Delegate : platform::ApplicationDelegate {
        int willTerminate = 0;
        void applicationWillTerminate() override { ++willTerminate; }
    };
    auto delegate = std::make_shared<Delegate>();
    app.setDelegate(delegate);
    std::vector<std::string> log;
    auto& loop = platform::RunLoop::main();
    const double start = loop.now();
    loop.asyncAfter(1, [&] {
        log.push_back("panel");
        platform::OpenPanel panel;
        panel.runModal();
        log.push_back("after the panel");
    });
    d.setOpenPanelHandler([&](desktop::Desktop&, const platform::OpenPanel&) {
        auto alert = deleteAlert();
        log.push_back("alert");
        alert.runModal();
        log.push_back("after the alert");
    });
    double deskTick = 0;
    d.setAlertHandler([&](desktop::Desktop& desk, const platform::Alert&) {
        desk.advance(0.5);
        app.terminate();
        log.push_back("after terminate");
    });
    loop.asyncAfter(1.8, [&] { deskTick = loop.now() - start; });
    d.advance(2);

    EXPECT_EQ(log, (std::vector<std::string>{"panel", "alert"}));
    EXPECT_EQ(delegate->willTerminate, 1);
    EXPECT_TRUE(app.isTerminated());
    EXPECT_FALSE(d.currentAlert());
    EXPECT_FALSE(d.currentOpenPanel());
    EXPECT_FALSE(app.isRunningModal());
    for (const auto* w : d.windows().frontToBack()) EXPECT_NE(w->kind, desktop::WindowKind::alert) << w->name.value_or("");
    EXPECT_FALSE(d.alerts().back().answer);
    EXPECT_NEAR(loop.now() - start, 2, 1e-6);
    EXPECT_NEAR(deskTick, 1.8, 1e-6);
    // Called again (the process would be gone): nothing more happens.
    app.terminate();
    EXPECT_EQ(delegate->willTerminate, 1);
}

TEST_F(Modal, TheKeyStatePassesToTheNextWindowAndToAModalPanel) {
    auto& d = load(Scene::minimal());
    auto& app = platform::application();
    app.setActivationPolicy(platform::ActivationPolicy::regular);
    app.activate(true);  // keys go to the active application only
    int returns = 0;
    auto titled = [&](const std::string& title, bool withButton) {
        auto w = platform::Window::make(platform::Rect{100, 100, 400, 300},
                                        platform::WindowStyle::titled | platform::WindowStyle::closable);
        w->setTitle(title);
        if (withButton) {
            w->setContentView(ui::HostingView::make(uitest::body(
                [&] { return ui::Button("Continue", [&] { ++returns; }).keyboardShortcut(ui::KeyboardShortcut::defaultAction()); })));
        }
        w->makeKeyAndOrderFront();
        return w;
    };
    auto tour = titled("Welcome", true);
    auto other = titled("Other", false);
    auto settings = titled("Settings", false);
    // A window without a title bar in front of them cannot take the key state.
    auto panelLike = platform::Window::make(platform::Rect{0, 0, 100, 100}, platform::WindowStyle::borderless);
    panelLike->orderFrontRegardless();

    ASSERT_TRUE(settings->isKeyWindow());
    settings->performClose();
    EXPECT_TRUE(other->isKeyWindow()) << "the next window in order";
    other->orderOut();
    EXPECT_TRUE(tour->isKeyWindow());
    d.pressReturn();
    EXPECT_EQ(returns, 1);

    // While an open panel runs, it is the key window; the window gets the state back after.
    std::shared_ptr<platform::Window> keyDuringPanel = tour;
    d.setOpenPanelHandler([&](desktop::Desktop& desk, const platform::OpenPanel&) {
        keyDuringPanel = app.keyWindow();
        desk.pressEscape();
    });
    platform::OpenPanel panel;
    panel.runModal();
    EXPECT_EQ(keyDuringPanel, nullptr);
    EXPECT_TRUE(tour->isKeyWindow());
    tour->close();
    EXPECT_EQ(app.keyWindow(), nullptr);
}

TEST_F(Modal, BecomingActiveIsAnnouncedOnALaterTurn) {
    auto& d = load(Scene::minimal());
    auto& app = platform::application();
    struct Delegate : platform::ApplicationDelegate {
        int active = 0;
        void applicationDidBecomeActive() override { ++active; }
    };
    auto delegate = std::make_shared<Delegate>();
    app.setDelegate(delegate);
    int observed = 0;
    auto observer = app.didBecomeActive.connect([&] { ++observed; });
    app.activate(true);
    EXPECT_TRUE(app.isActive());
    EXPECT_EQ(delegate->active + observed, 0) << "not from inside the call";
    app.activate(true);
    d.advance(0);
    EXPECT_EQ(delegate->active, 1);
    EXPECT_EQ(observed, 1);
    // Given up before the answer came: no announcement.
    d.application().deactivate();
    app.activate(true);
    d.application().deactivate();
    d.advance(0);
    EXPECT_EQ(delegate->active, 1);
}

}  // namespace
}  // namespace desktoptest
