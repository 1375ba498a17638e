#include "engine/ExpandingSeparatorService.h"

#include <algorithm>

#include "engine/MenuBarGeometry.h"
#include "engine/SystemMenuBarLayout.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/UserDefaults.h"
#include "platform/Window.h"

namespace tessivane {

namespace {

using platform::Rect;

constexpr double kFallbackSettingsPosition = 611;
constexpr double kSecondCollapseDelay = 0.35;
// A drop just past the line, in front of the pusher, takes the middle of their positions; a
// pusher made again goes short of that middle, so that the icon lies beyond it.
constexpr double kPusherShareOfTheRoom = 0.4;
// Each drop made before the pusher is looked at again lies nearer the line: one look catches
// this many of them.
constexpr int kPusherRemakesPerLook = 4;
const platform::Size kChevronImageSize{10, 14};

// A thin vertical bar, drawn in the label colour (a template image takes only its alpha).
platform::Image lineImage() {
    constexpr int scale = 2;
    auto bitmap = std::make_shared<platform::Bitmap>();
    bitmap->width = 2 * scale;
    bitmap->height = 16 * scale;
    bitmap->rgba.assign(static_cast<size_t>(bitmap->width * bitmap->height * 4), 0);
    // The rectangle (0.5, 1, 1, 14) in points, y up; rows of the bitmap run top down.
    const int x0 = 1, x1 = 3;
    const int y0 = bitmap->height - 15 * scale, y1 = bitmap->height - 1 * scale;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const size_t at = static_cast<size_t>((y * bitmap->width + x) * 4);
            bitmap->rgba[at + 3] = 255;
        }
    }
    platform::Image image = platform::Image::pixels(std::move(bitmap), platform::Size{2, 16});
    image.setTemplate(true);
    return image;
}

std::string positionKey(std::string_view autosaveName) {
    std::string key(ExpandingSeparatorService::preferredPositionPrefix);
    key += autosaveName;
    return key;
}

void writePosition(std::string_view autosaveName, double position) {
    platform::UserDefaults::standard().set(positionKey(autosaveName), platform::PropertyValue(position));
}

// The largest of the Settings item's position (611 without one) and the given vossels'.
double outermostVosselPosition(const std::vector<platform::UUID>& groupIDs) {
    double m = ExpandingSeparatorService::preferredPosition(ExpandingSeparatorService::settingsAutosaveName)
                   .value_or(kFallbackSettingsPosition);
    for (const platform::UUID& id : groupIDs) {
        if (auto p = ExpandingSeparatorService::preferredPosition(ExpandingSeparatorService::groupAutosaveName(id))) {
            m = std::max(m, *p);
        }
    }
    return m;
}

}  // namespace

ExpandingSeparatorService::ExpandingSeparatorService() = default;

ExpandingSeparatorService::~ExpandingSeparatorService() = default;

std::string ExpandingSeparatorService::groupAutosaveName(const platform::UUID& id) {
    std::string name(groupAutosavePrefix);
    name += id.uuidString();
    return name;
}

std::optional<double> ExpandingSeparatorService::preferredPosition(std::string_view autosaveName) {
    auto value = platform::UserDefaults::standard().object(positionKey(autosaveName));
    if (!value) return std::nullopt;
    return value->asDouble();
}

Rect ExpandingSeparatorService::windowFrame(const std::shared_ptr<platform::StatusItem>& item) {
    if (!item) return Rect{};
    auto button = item->button();
    if (!button) return Rect{};
    platform::Window* window = button->window();
    return window ? window->frame() : Rect{};
}

void ExpandingSeparatorService::later(double delay, void (ExpandingSeparatorService::*block)()) {
    std::weak_ptr<bool> alive = lifetime_;
    auto run = [this, alive, block] {
        if (alive.lock()) (this->*block)();
    };
    if (delay <= 0) {
        platform::RunLoop::main().async(std::move(run));
    } else {
        platform::RunLoop::main().asyncAfter(delay, std::move(run));
    }
}

void ExpandingSeparatorService::setChevronImage(const std::string& symbolName, const std::string& description) {
    if (!chevronItem) return;
    auto button = chevronItem->button();
    if (!button) return;
    platform::Image image = platform::Image::symbol(symbolName, kChevronImageSize);
    image.setTemplate(true);
    image.setAccessibilityDescription(description);
    button->setImage(std::move(image));
}

void ExpandingSeparatorService::ensureItems() {
    pinChevronBesideVossels();
    platform::StatusBar& bar = platform::statusBar();

    if (!chevronItem) {
        chevronItem = bar.statusItem(platform::StatusItem::variableLength);
        chevronItem->setAutosaveName(std::string(chevronAutosaveName));
        if (auto button = chevronItem->button()) {
            // The arrow points towards the hidden side while the icons are shown.
            setChevronImage(SystemMenuBarLayout::isRightToLeft() ? "chevron.right" : "chevron.left", "Tessivane");
            button->setToolTip(std::string(chevronToolTip));
            std::weak_ptr<bool> alive = lifetime_;
            button->setAction([this, alive] {
                if (alive.lock()) toggle();
            });
            button->sendActionOn(platform::eventMask(platform::EventType::leftMouseUp));
        }
    }

    if (!lineItem) {
        lineItem = bar.statusItem(8);
        lineItem->setAutosaveName(std::string(lineAutosaveName));
        if (auto button = lineItem->button()) {
            button->setImage(lineImage());
            button->setAppearsDisabled(true);
            button->setEnabled(false);
            button->setToolTip(std::string(lineToolTip));
        }
    }

    if (!pusherItem) makePusher();
    putThePusherBeyondWhatWasDroppedPastTheLine();
    applyLength();
}

void ExpandingSeparatorService::makePusher() {
    pusherItem = platform::statusBar().statusItem(1);
    pusherItem->setAutosaveName(std::string(pusherAutosaveName));
    if (auto button = pusherItem->button()) {
        button->setTitle("");
        button->setImage(std::nullopt);
        button->setAppearsDisabled(true);
        button->setEnabled(false);
    }
}

double ExpandingSeparatorService::widthBetweenLineAndPusher() const {
    const Rect line = windowFrame(lineItem);
    const Rect pusher = windowFrame(pusherItem);
    if (line.width() <= 1 || pusher.width() <= 0) return 0;
    // Whichever side of the line the pusher stands on is the far side: the stored order says
    // which one it should be, and is checked before anything is moved.
    if (pusher.maxX() <= line.minX()) return line.minX() - pusher.maxX();
    if (pusher.minX() >= line.maxX()) return pusher.minX() - line.maxX();
    return 0;
}

void ExpandingSeparatorService::putThePusherBeyondWhatWasDroppedPastTheLine() {
    if (pusherRemakesStopped_ || !lineItem || !pusherItem || widthBetweenLineAndPusher() <= 0.5) return;
    const std::optional<double> line = preferredPosition(lineAutosaveName);
    const std::optional<double> pusher = preferredPosition(pusherAutosaveName);
    if (!line || !pusher || !(*line < *pusher)) return;
    // A status item takes its stored position only when it is made: the pusher is made again,
    // nearer the line, until what stands between them lies beyond it.
    double far = *pusher;
    for (int remake = 0; remake < kPusherRemakesPerLook; ++remake) {
        const double near = *line + (far - *line) * kPusherShareOfTheRoom;
        if (!(near > *line && near < far)) break;
        remakePusherAt(near);
        far = near;
        if (widthBetweenLineAndPusher() <= 0.5) return;
    }
    // Something there does not go beyond a pusher made anywhere past the line (it is tied with
    // the line, or the bar places items its own way): the bar is left as it was for this run.
    pusherRemakesStopped_ = true;
    if (far != *pusher) remakePusherAt(*pusher);
}

void ExpandingSeparatorService::remakePusherAt(double position) {
    platform::statusBar().removeStatusItem(pusherItem);
    pusherItem.reset();
    writePosition(pusherAutosaveName, position);
    makePusher();
}

void ExpandingSeparatorService::applyLength() {
    if (!pusherItem) return;
    const bool rtl = SystemMenuBarLayout::isRightToLeft();
    if (isExpanded) {
        pusherItem->setLength(1);
        setChevronImage(rtl ? "chevron.right" : "chevron.left", "Show grouped icons");
    } else {
        pusherItem->setLength(collapsedLineLength);
        setChevronImage(rtl ? "chevron.left" : "chevron.right", "Hide grouped icons");
    }
}

void ExpandingSeparatorService::updateCollapsedLength() {
    const std::vector<platform::Screen> screens = platform::screens().screens();
    if (screens.empty()) {
        collapsedLineLength = 1808;
        return;
    }
    double widest = 0;
    for (const platform::Screen& screen : screens) widest = std::max(widest, screen.frame.width());
    collapsedLineLength = std::max(std::min(widest + 80, 2500.0), 800.0);
}

void ExpandingSeparatorService::setExpanded(bool expanded) {
    isExpanded = expanded;
    ensureItems();
    updateCollapsedLength();
    if (expanded) {
        applyLength();
        return;
    }
    // The bar lays a freshly widened item out once more a moment later; apply again then.
    later(0, &ExpandingSeparatorService::applyLength);
    later(kSecondCollapseDelay, &ExpandingSeparatorService::applyLength);
}

void ExpandingSeparatorService::toggle() {
    const double length = pusherItem ? pusherItem->length() : 0;
    setExpanded(length >= collapsedLineLength - 10);
}

double ExpandingSeparatorService::outermostPosition() {
    const uint64_t changes = platform::UserDefaults::changeCount();
    if (!outermost_ || outermost_->defaultsChangeCount != changes || outermost_->groupIDs != vosselGroupIDs) {
        outermost_ = Outermost{changes, vosselGroupIDs, outermostVosselPosition(vosselGroupIDs)};
    }
    return outermost_->position;
}

void ExpandingSeparatorService::pinChevronBesideVossels() {
    if (chevronItem && lineItem && pusherItem) return;
    const double m = outermostPosition();
    const std::optional<double> chevron = preferredPosition(chevronAutosaveName);
    const std::optional<double> line = preferredPosition(lineAutosaveName);
    const std::optional<double> pusher = preferredPosition(pusherAutosaveName);
    // Moving a trio that lies beyond the vossels further out would show what the person hid
    // between its old place and the new one, and moving it in would hide what they showed.
    if (chevron && line && pusher && m < *chevron && *chevron < *line && *line < *pusher) return;
    if (!chevronItem) writePosition(chevronAutosaveName, m + 32);
    if (!lineItem) writePosition(lineAutosaveName, m + 48);
    if (!pusherItem) writePosition(pusherAutosaveName, m + 62);
}

void ExpandingSeparatorService::moveChevronBesideVossels() {
    const double m = outermostPosition();
    writePosition(chevronAutosaveName, m + 32);
    writePosition(lineAutosaveName, m + 48);
    writePosition(pusherAutosaveName, m + 62);
}

void ExpandingSeparatorService::prepareGroupPosition(const platform::UUID& id,
                                                     const std::vector<platform::UUID>& existingGroupIDs) {
    prepareGroupPositions({id}, existingGroupIDs);
}

void ExpandingSeparatorService::prepareGroupPositions(const std::vector<platform::UUID>& ids,
                                                      const std::vector<platform::UUID>& existingGroupIDs,
                                                      StoredPosition stored) {
    if (ids.empty()) return;
    double m = outermostVosselPosition(existingGroupIDs);
    std::optional<double> chevron = preferredPosition(chevronAutosaveName);
    if (!chevron) chevron = preferredPosition(legacySeparatorAutosaveName);

    // Items that had a place on the clock side of the chevron go back to it, so that the bar
    // is the one the person left (their order among the vossels included); the others are
    // placed beyond every one of them.
    std::vector<const platform::UUID*> placed;
    placed.reserve(ids.size());
    for (const platform::UUID& id : ids) {
        if (stored == StoredPosition::keepBeforeChevron && chevron) {
            const std::optional<double> earlier = preferredPosition(groupAutosaveName(id));
            if (earlier && *earlier < *chevron) {
                m = std::max(m, *earlier);
                continue;
            }
        }
        placed.push_back(&id);
    }
    if (placed.empty()) return;

    // Without a chevron stored the trio is made beyond the outermost vossel, wherever that is:
    // a wider step would only spread the vossels over other applications' icons.
    auto step = [&chevron](double after) {
        return chevron ? std::max(after + 20, std::min(*chevron - 40, after + 36)) : after + 20;
    };
    double last = m;
    for (size_t i = 0; i < placed.size(); ++i) last = step(last);
    // The usual steps pass a chevron that stands there: the room before it is shared instead.
    const bool share = chevron && *chevron > m && last >= *chevron;
    const double room = share ? *chevron - m : 0;
    double position = m;
    for (size_t i = 0; i < placed.size(); ++i) {
        position = share ? m + room * static_cast<double>(i + 1) / static_cast<double>(placed.size() + 1)
                         : step(position);
        writePosition(groupAutosaveName(*placed[i]), position);
    }
}

bool ExpandingSeparatorService::relayoutChevronIfDetached(const std::vector<Rect>& vosselFrames) {
    pinChevronBesideVossels();
    // A trio not made yet has not drifted: it is made beside the vossels. (Its zero frame
    // would read as off screen on a left-to-right bar, and a launch would spend a re-creation
    // and move a trio that the person left beyond the vossels.)
    if (!chevronItem) return false;
    const bool rtl = SystemMenuBarLayout::isRightToLeft(vosselFrames);
    const Rect screen = MenuBarGeometry::mainScreenFrameOrDefault();

    bool anyVisible = false;
    double edge = 0;
    for (const Rect& frame : vosselFrames) {
        if (frame.width() <= 1) continue;
        const bool onScreen = rtl ? frame.minX() <= screen.maxX() - 8 : frame.maxX() >= 8;
        if (!onScreen) continue;
        if (!anyVisible) {
            edge = rtl ? frame.maxX() : frame.minX();
            anyVisible = true;
        } else {
            edge = rtl ? std::max(edge, frame.maxX()) : std::min(edge, frame.minX());
        }
    }
    if (!anyVisible) return false;

    const double chevronX = windowFrame(chevronItem).minX();
    const Rect line = windowFrame(lineItem);
    const Rect pusher = windowFrame(pusherItem);
    const bool covering = MenuBarGeometry::isPusherCoveringAppMenus(pusher, screen, rtl);

    const bool chevronOffScreen = rtl ? chevronX > screen.maxX() - 8 : chevronX < 8;
    const bool chevronDetached = !chevronOffScreen && (rtl ? chevronX - edge > 44 : edge - chevronX > 44);
    bool drifted = covering || chevronOffScreen || chevronDetached;
    if (line.width() > 1) {
        drifted = drifted || (rtl ? line.minX() > screen.maxX() - 8 : line.minX() < 8);
    }
    if (!drifted) return false;

    if (chevronRelayouts >= 2) return false;
    ++chevronRelayouts;
    reinstallNextToVossels();
    return true;
}

void ExpandingSeparatorService::reinstallNextToVossels() {
    tearDown();
    moveChevronBesideVossels();
    isExpanded = true;
    ensureItems();
    later(0, &ExpandingSeparatorService::collapse);
}

void ExpandingSeparatorService::tearDown() {
    platform::StatusBar& bar = platform::statusBar();
    for (std::shared_ptr<platform::StatusItem>* item : {&chevronItem, &lineItem, &pusherItem}) {
        if (*item) bar.removeStatusItem(*item);
        item->reset();
    }
}

}  // namespace tessivane
