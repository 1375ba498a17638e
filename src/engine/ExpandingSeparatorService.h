#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"
#include "platform/StatusBar.h"
#include "platform/UUID.h"

namespace tessivane {

// The chevron, line and pusher: three status items of our own from the clock outward.
// Collapsing widens the invisible pusher until every icon beyond the line is shoved off the
// menu bar; expanding shrinks it back to a point. Positions are steered through the status
// bar's per-item preferred positions in the standard user defaults, next to the vossels'
// own status items.
class ExpandingSeparatorService {
public:
    // Autosave names of our status items; the bar keeps each position under
    // "NSStatusItem Preferred Position <name>".
    static constexpr std::string_view chevronAutosaveName = "Tessivane.Chevron";
    static constexpr std::string_view lineAutosaveName = "Tessivane.Line";
    static constexpr std::string_view pusherAutosaveName = "Tessivane.Pusher";
    static constexpr std::string_view settingsAutosaveName = "Tessivane.Settings";
    static constexpr std::string_view legacySeparatorAutosaveName = "Tessivane.Separator";
    static constexpr std::string_view groupAutosavePrefix = "Tessivane.Group.";
    static constexpr std::string_view preferredPositionPrefix = "NSStatusItem Preferred Position ";

    static constexpr std::string_view chevronToolTip =
        "Click to show or hide icons on the far side of the line. \u2318-drag icons away from the clock, "
        "past |, to hide them.";
    static constexpr std::string_view lineToolTip =
        "\u2318-drag icons past this line, away from the clock, then click the arrow.";

    ExpandingSeparatorService();
    ~ExpandingSeparatorService();
    ExpandingSeparatorService(const ExpandingSeparatorService&) = delete;
    ExpandingSeparatorService& operator=(const ExpandingSeparatorService&) = delete;

    std::shared_ptr<platform::StatusItem> chevronItem;
    std::shared_ptr<platform::StatusItem> lineItem;
    std::shared_ptr<platform::StatusItem> pusherItem;
    // Vossels that have status items, in order; the coordinator sets it before pinning.
    std::vector<platform::UUID> vosselGroupIDs;
    // Re-creations by `relayoutChevronIfDetached`; never reset, so at most two per run.
    int chevronRelayouts = 0;
    bool isExpanded = false;
    double shownLineLength = 8;
    double expandedPusherLength = 1;
    double collapsedLineLength = 2000;

    void ensureItems();
    void applyLength();
    void updateCollapsedLength();
    void setExpanded(bool expanded);
    // The chevron's action.
    void toggle();
    // True when it put the chevron, line and pusher back beside the vossels.
    bool relayoutChevronIfDetached(const std::vector<platform::Rect>& vosselFrames);
    // Writes the preferred positions of the trio's items that are not in the bar, so that they
    // are made beside the vossels. A status item takes its stored position only when it is
    // made, and the bar stores where the person drags one: what is stored for an item in the
    // bar is where it stands, and is left alone. Stored positions that already lie beyond the
    // vossels, in order, are the bar the person left and are kept too.
    void pinChevronBesideVossels();
    // Writes the trio's positions beside the outermost vossel whatever is stored: for a
    // re-creation, whose purpose is to bring a drifted trio back to the vossels.
    void moveChevronBesideVossels();

    // What placing a vossel's item does with a position stored for it earlier.
    enum class StoredPosition {
        replace,              // a new place, as for an item that was put in the wrong one
        keepBeforeChevron,    // kept when it lies on the clock side of the chevron
    };
    // Writes a new vossel item's preferred position before the item exists.
    static void prepareGroupPosition(const platform::UUID& id, const std::vector<platform::UUID>& existingGroupIDs);
    // The same for several new items in order, each placed beyond the one before it, in one
    // pass over the existing ones. Where a chevron is stored (it stands there, or a launch
    // makes it there) they stay on its clock side: the room before it is shared when the
    // usual steps would pass it.
    static void prepareGroupPositions(const std::vector<platform::UUID>& ids,
                                      const std::vector<platform::UUID>& existingGroupIDs,
                                      StoredPosition stored = StoredPosition::replace);
    void tearDown();

    // The autosave name of a vossel's status item.
    static std::string groupAutosaveName(const platform::UUID& id);
    // The stored preferred position of an autosave name, when it is a number.
    static std::optional<double> preferredPosition(std::string_view autosaveName);
    // The frame of a status item's window (AppKit coordinates); zero when it has none.
    static platform::Rect windowFrame(const std::shared_ptr<platform::StatusItem>& item);

private:
    void setChevronImage(const std::string& symbolName, const std::string& description);
    void makePusher();
    // An icon Command-dropped just past the line lands in front of the collapsed pusher (the
    // drop falls on the pusher's near end), where nothing hides it; the pusher is made again
    // just beyond the line so that the icon is hidden with the others, now and at the next
    // launch. The look is two window frames when nothing stands there.
    void putThePusherBeyondWhatWasDroppedPastTheLine();
    // The width of what stands between the line and the pusher in the bar.
    double widthBetweenLineAndPusher() const;
    void remakePusherAt(double position);
    void reinstallNextToVossels();
    // Runs `block` on the main queue after `delay` unless this service is gone by then.
    void later(double delay, void (ExpandingSeparatorService::*block)());
    void collapse() { setExpanded(false); }
    // The outermost of the Settings item's and the vossels' stored positions. Every pinning
    // asks, and the answer reads a position per vossel; it is kept until a stored value or
    // the list of vossels changes.
    double outermostPosition();

    struct Outermost {
        uint64_t defaultsChangeCount;
        std::vector<platform::UUID> groupIDs;
        double position;
    };
    std::optional<Outermost> outermost_;
    // Set when remaking the pusher did not put what stood in front of it beyond it; it is not
    // tried again in this run, which keeps it from remaking the pusher at every look.
    bool pusherRemakesStopped_ = false;
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
};

}  // namespace tessivane
