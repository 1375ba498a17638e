#include <gtest/gtest.h>

#include "DesktopFixture.h"
#include "platform/Accessibility.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/OpenPanel.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "ui/Automation.h"
#include "ui/BodyView.h"
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

}  // namespace
}  // namespace desktoptest
