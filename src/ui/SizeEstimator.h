#pragma once
#include <optional>

#include "ui/Geometry.h"
#include "ui/RenderedNode.h"

namespace ui {

// The size a rendered tree wants, estimated from the tree itself: there is no pixel layout
// in this process (the display lays trees out with CSS). Text is about 7 points per
// character at 13 points, scaled by the font size; explicit frames win; paddings and stack
// spacings add up. Good enough to size popovers and to choose among ViewThatFits candidates.
namespace SizeEstimator {
// `proposedWidth`: the width offered to the node (text wraps to it, infinite frames fill it).
Size fittingSize(const RenderedNode& node, std::optional<double> proposedWidth = std::nullopt);
// The candidate of a ViewThatFits node that fits the offered size (the last when none does).
int chooseCandidate(const RenderedNode& node, std::optional<Size> offered);
// The width a ViewThatFits node that chooses by width leaves its candidates (none when every
// candidate fits, or when it chooses by height).
std::optional<double> candidateWidthLimit(const RenderedNode& node, std::optional<Size> offered);
// The width a candidate asks for. It only grows as nodes are added to the candidate's tree,
// so a part of the candidate that is already wider than the limit tells that it does not fit.
double candidateWidth(const RenderedNode& candidate);
// The candidate of a ViewThatFits node its `chosenCandidate` names (null when it has none).
const RenderedNode* chosenCandidateNode(const RenderedNode& node);
// The estimated width of a text in a font.
double textWidth(const std::string& text, const Font& font);
}  // namespace SizeEstimator

}  // namespace ui
