// Alerts and open panels: modal sessions that run the run loop in the modal-panel mode
// until they are answered.
#include "desktop/Desktop.h"

#include <algorithm>
#include <cmath>

#include "desktop/DesktopApplication.h"
#include "desktop/DesktopWindow.h"
#include "platform/Window.h"
#include "desktop/FileType.h"
#include "platform/RunLoop.h"

namespace desktop {

using platform::Point;
using platform::Rect;

Rect Desktop::modalArea() const { return mainScreen() ? mainScreen()->visibleFrame : Rect{0, 0, 1728, 1117}; }

std::shared_ptr<ServerWindow> Desktop::makeModalWindow(WindowKind kind, int32_t owner, platform::Size size) {
    auto w = windows_.create(kind, owner, platform::WindowLevel::modalPanel);
    const Rect screen = modalArea();
    // A little above the middle, and within the visible frame: above the Dock, below the bar.
    double y = std::round(screen.minY() + (screen.height() - size.height) * 2 / 3);
    y = std::max(screen.minY(), std::min(y, screen.maxY() - size.height));
    w->frame = Rect{std::round(screen.midX() - size.width / 2), y, size.width, size.height};
    w->ordered = true;
    return w;
}

std::vector<Rect> Desktop::dialogButtonFrames(platform::CGWindowID window) const {
    const DialogLayout* layout = nullptr;
    const ServerWindow* w = nullptr;
    if (promptWindow_ && promptWindow_->number == window) {
        layout = &promptLayout_;
        w = promptWindow_.get();
    }
    for (const AlertSession* s : alertStack_) {
        if (s->window->number == window) {
            layout = &s->layout;
            w = s->window.get();
        }
    }
    std::vector<Rect> frames;
    if (!layout) return frames;
    for (size_t i = 0; i < layout->buttonCount; ++i) frames.push_back(layout->buttonFrame(w->frame, i));
    return frames;
}

void Desktop::queueAlertAnswer(std::string buttonTitle) { queuedAlertAnswers_.push_back(std::move(buttonTitle)); }

void Desktop::setAlertHandler(std::function<void(Desktop&, const platform::Alert&)> handler) {
    alertHandler_ = std::move(handler);
}

const platform::Alert* Desktop::currentAlert() const { return alertStack_.empty() ? nullptr : alertStack_.back()->alert; }

bool Desktop::answerAlert(const std::string& buttonTitle) {
    if (alertStack_.empty()) return false;
    AlertSession& s = *alertStack_.back();
    const auto& buttons = s.alert->buttons;
    auto it = std::find(buttons.begin(), buttons.end(), buttonTitle);
    if (it == buttons.end() || s.answer) return false;
    s.answer = static_cast<int>(it - buttons.begin());
    return true;
}

platform::ModalResponse Desktop::runAlert(platform::Alert& alert) {
    auto session = std::make_shared<AlertSession>();
    session->alert = &alert;
    session->layout = DialogLayout::forText(alert.messageText, alert.informativeText, alert.buttons.size());
    session->layout.limitHeight(modalArea().height());
    session->window = makeModalWindow(WindowKind::alert, selfPID_, session->layout.size);
    session->window->name = alert.messageText;
    alertStack_.push_back(session.get());
    const size_t logIndex = alertLog_.size();
    alertLog_.push_back(RecordedAlert{alert.messageText, alert.informativeText, alert.alertStyle, alert.buttons, {}});

    // Whoever answers does so inside the modal session, on its first turn.
    std::weak_ptr<AlertSession> weak = session;
    auto ref = this->ref();
    platform::RunLoop::main().async([ref, weak] {
        Desktop* d = ref.get();
        auto s = weak.lock();
        if (!d || !s || s->answer) return;
        if (!d->queuedAlertAnswers_.empty()) {
            std::string answer = d->queuedAlertAnswers_.front();
            d->queuedAlertAnswers_.erase(d->queuedAlertAnswers_.begin());
            d->answerAlert(answer);
        } else if (d->alertHandler_) {
            auto handler = d->alertHandler_;
            handler(*d, *s->alert);
        }
    });
    {
        // The alert goes whether its session ends or the application's end unwinds through it.
        struct Close {
            Desktop& desktop;
            AlertSession* session;
            std::weak_ptr<DesktopWindow> key;
            ~Close() {
                auto& stack = desktop.alertStack_;
                stack.erase(std::remove(stack.begin(), stack.end(), session), stack.end());
                desktop.windows_.remove(session->window->number);
                desktop.application_->returnKeyFromModal(key);
            }
        } close{*this, session.get(), application_->takeKeyForModal()};
        platform::RunLoop::main().runInMode(platform::RunLoopMode::modalPanel,
                                            [&] { return !session->answer && !application_->isTerminated(); });
    }
    if (!session->answer) return platform::Modal::abort;  // nobody answered (manual clock)
    alertLog_[logIndex].answer = alert.buttons[static_cast<size_t>(*session->answer)];
    return platform::Modal::alertFirstButtonReturn + *session->answer;
}

void Desktop::queueOpenPanelAnswer(std::optional<std::vector<std::filesystem::path>> urls) {
    queuedPanelAnswers_.push_back(std::move(urls));
}

void Desktop::setOpenPanelHandler(std::function<void(Desktop&, const platform::OpenPanel&)> handler) {
    panelHandler_ = std::move(handler);
}

const platform::OpenPanel* Desktop::currentOpenPanel() const { return panel_ ? panel_->panel : nullptr; }

bool Desktop::openPanelTakes(const std::vector<std::filesystem::path>& urls) const {
    if (!panel_) return false;
    const platform::OpenPanel& panel = *panel_->panel;
    if (urls.empty() || (urls.size() > 1 && !panel.allowsMultipleSelection)) return false;
    return std::all_of(urls.begin(), urls.end(), [&](const std::filesystem::path& url) {
        const bool folder = FileType::contentTypeOf(url) == "public.folder";
        if (folder ? !panel.canChooseDirectories : !panel.canChooseFiles) return false;
        // A folder the panel may choose is chosen whatever the allowed types say, as in the system's panel.
        return folder || FileType::isAllowed(url, panel.allowedContentTypes);
    });
}

bool Desktop::answerOpenPanel(std::optional<std::vector<std::filesystem::path>> urls) {
    if (!panel_ || panel_->answered) return false;
    if (urls && !openPanelTakes(*urls)) return false;
    panel_->answered = true;
    panel_->urls = std::move(urls);
    return true;
}

platform::ModalResponse Desktop::runOpenPanel(platform::OpenPanel& panel) {
    if (panel_) return platform::Modal::abort;  // one open panel at a time
    auto session = std::make_shared<PanelSession>();
    session->panel = &panel;
    session->window = makeModalWindow(WindowKind::alert, selfPID_, platform::Size{640, 420});
    session->window->name = panel.title.empty() ? std::string("Open") : panel.title;
    panel_ = session.get();
    std::weak_ptr<PanelSession> weak = session;
    auto ref = this->ref();
    platform::RunLoop::main().async([ref, weak] {
        Desktop* d = ref.get();
        auto s = weak.lock();
        if (!d || !s || s->answered) return;
        if (!d->queuedPanelAnswers_.empty()) {
            d->answerOpenPanel(std::move(d->queuedPanelAnswers_.front()));
            d->queuedPanelAnswers_.erase(d->queuedPanelAnswers_.begin());
        } else if (d->panelHandler_) {
            auto handler = d->panelHandler_;
            handler(*d, *s->panel);
        }
    });
    {
        struct Close {
            Desktop& desktop;
            PanelSession* session;
            std::weak_ptr<DesktopWindow> key;
            ~Close() {
                desktop.panel_ = nullptr;
                desktop.windows_.remove(session->window->number);
                desktop.application_->returnKeyFromModal(key);
            }
        } close{*this, session.get(), application_->takeKeyForModal()};
        platform::RunLoop::main().runInMode(platform::RunLoopMode::modalPanel,
                                            [&] { return !session->answered && !application_->isTerminated(); });
    }
    if (!session->answered || !session->urls) return platform::Modal::cancel;
    panel.urls = *session->urls;
    return platform::Modal::ok;
}

}  // namespace desktop
