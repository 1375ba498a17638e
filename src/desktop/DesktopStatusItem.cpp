#include "desktop/DesktopStatusItem.h"

#include <algorithm>

#include "desktop/DesktopApplication.h"
#include "desktop/DesktopWindow.h"
#include "platform/UserDefaults.h"

namespace desktop {

using platform::EventType;

// ---- Button ----

void DesktopStatusBarButton::setImage(std::optional<platform::Image> image) {
    image_ = std::move(image);
    contentChanged();
}

void DesktopStatusBarButton::setImagePosition(platform::ImagePosition position) {
    imagePosition_ = position;
    contentChanged();
}

void DesktopStatusBarButton::setTitle(std::string title) {
    if (title == title_) return;
    title_ = std::move(title);
    contentChanged();
}

void DesktopStatusBarButton::setToolTip(std::string toolTip) {
    if (toolTip == toolTip_) return;
    toolTip_ = std::move(toolTip);
    lookChanged();
}

void DesktopStatusBarButton::setAlphaValue(double alpha) {
    if (alpha == alpha_) return;
    alpha_ = alpha;
    lookChanged();
}

void DesktopStatusBarButton::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    lookChanged();
}

void DesktopStatusBarButton::setAppearsDisabled(bool disabled) {
    if (disabled == appearsDisabled_) return;
    appearsDisabled_ = disabled;
    lookChanged();
}

void DesktopStatusBarButton::highlight(bool on) {
    if (on == highlighted_) return;
    highlighted_ = on;
    lookChanged();
}

void DesktopStatusBarButton::contentChanged() {
    if (auto item = item_.lock()) item->contentChanged();
}

void DesktopStatusBarButton::lookChanged() {
    if (auto item = item_.lock()) item->lookChanged();
}

uint32_t DesktopStatusBarButton::windowNumber() const {
    auto item = item_.lock();
    return item && item->window() ? item->window()->windowNumber() : 0;
}

platform::Rect DesktopStatusBarButton::frameInScreenCoordinates() const {
    // The bounds as well as the place come from the bar's layout.
    if (auto item = item_.lock(); item && item->window()) (void)item->window()->frame();
    return frameInScreen();
}

double DesktopStatusBarButton::contentWidth() const {
    using platform::ImagePosition;
    bool showsImage = image_ && imagePosition_ != ImagePosition::noImage;
    bool showsTitle = !title_.empty() && imagePosition_ != ImagePosition::imageOnly;
    double w = 0;
    if (showsImage) w += image_->size().width;
    if (showsTitle) w += SystemStatusBar::textWidth(title_);
    if (showsImage && showsTitle) w += SystemStatusBar::kImageTitleGap;
    return w + SystemStatusBar::kButtonPadding;
}

void DesktopStatusBarButton::track(const platform::Event& e, bool down) {
    if (!enabled_) return;
    highlight(down);
    bool inside = frameInScreen().contains(e.locationInScreen);
    if (!platform::maskContains(mask_, e.type) || (!down && !inside) || !action_) return;
    auto keep = std::static_pointer_cast<DesktopStatusBarButton>(shared_from_this());
    auto action = action_;
    action();
}

void DesktopStatusBarButton::performClick() {
    if (!enabled_ || !action_) return;
    auto action = action_;
    action();
}

// ---- Item ----

DesktopStatusItem::DesktopStatusItem(DesktopRef desktop, double length) : desktop_(std::move(desktop)), length_(length) {}

void DesktopStatusItem::attach() {
    Desktop* d = desktop_.get();
    if (!d) return;
    button_ = std::make_shared<DesktopStatusBarButton>(weak_from_this());
    BarItem& bar = d->barModel().add(d->selfPID(), d->selfPID(), 0);
    bar.own = this;
    barItem_ = bar.id;
    window_ = std::make_shared<DesktopWindow>(desktop_, bar.window, platform::WindowStyle::borderless);
    d->application().registerWindow(window_);
    window_->setContentView(button_);
    contentChanged();
}

DesktopStatusItem::~DesktopStatusItem() { removeFromBar(); }

void DesktopStatusItem::removeFromBar() {
    if (!barItem_) return;
    uint64_t id = std::exchange(barItem_, 0);
    if (Desktop* d = desktop_.get()) {
        if (BarItem* item = d->barModel().find(id)) item->own = nullptr;
        d->barModel().remove(id);
        d->relayout();
    }
    if (window_) window_->setContentView(nullptr);
}

void DesktopStatusItem::setLength(double length) {
    if (length == length_) return;
    length_ = length;
    contentChanged();
}

void DesktopStatusItem::setAutosaveName(std::string name) {
    autosaveName_ = std::move(name);
    Desktop* d = desktop_.get();
    BarItem* item = d ? d->barModel().find(barItem_) : nullptr;
    if (!item) return;
    item->autosaveName = autosaveName_;
    item->window->name = autosaveName_;
    if (!autosaveName_.empty()) {
        auto stored = platform::UserDefaults::standard().object("NSStatusItem Preferred Position " + autosaveName_);
        if (stored && stored->asDouble()) {
            d->barModel().setPosition(*item, *stored->asDouble());
        } else {
            d->barModel().storePosition(*item, item->position);
        }
    }
    d->relayout();
}

void DesktopStatusItem::setVisible(bool visible) {
    visible_ = visible;
    Desktop* d = desktop_.get();
    if (BarItem* item = d ? d->barModel().find(barItem_) : nullptr) {
        item->isVisible = visible;
        contentChanged();
    }
}

std::shared_ptr<platform::StatusBarButton> DesktopStatusItem::button() const {
    return barItem_ ? button_ : nullptr;
}

double DesktopStatusItem::currentWidth() const {
    if (length_ >= 0) return length_;
    if (length_ == platform::StatusItem::squareLength) {
        Desktop* d = desktop_.get();
        return d ? d->barModel().thickness() : 22;
    }
    return button_ ? button_->contentWidth() : SystemStatusBar::kButtonPadding;
}

void DesktopStatusItem::contentChanged() {
    Desktop* d = desktop_.get();
    BarItem* item = d && barItem_ ? d->barModel().find(barItem_) : nullptr;
    if (!item) return;
    d->relayout();
    // The button takes its new size at once, as a popover may be shown from its bounds in
    // this same turn; where it stands follows with the bar's layout.
    if (!item->isVisible || !window_) return;
    platform::Rect& frame = item->window->frame;
    const platform::Size size{std::max(0.0, currentWidth()), d->barModel().thickness()};
    if (frame.size == size) return;
    frame.size = size;
    syncFrame();
}

void DesktopStatusItem::lookChanged() {
    if (Desktop* d = desktop_.get()) d->noteChange();
}

void DesktopStatusItem::syncFrame() {
    if (window_) window_->syncContentFrame();
}

// ---- Bar ----

std::shared_ptr<platform::StatusItem> DesktopStatusBar::statusItem(double length) {
    auto item = std::make_shared<DesktopStatusItem>(desktop_.ref(), length);
    item->attach();
    return item;
}

void DesktopStatusBar::removeStatusItem(const std::shared_ptr<platform::StatusItem>& item) {
    if (auto own = std::dynamic_pointer_cast<DesktopStatusItem>(item)) own->removeFromBar();
}

double DesktopStatusBar::thickness() const { return desktop_.barModel().thickness(); }

}  // namespace desktop
