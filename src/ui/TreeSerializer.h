#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/Color.h"
#include "platform/Image.h"
#include "ui/RenderedNode.h"

namespace ui {

class Host;
class JsonWriter;

// The rendered tree as JSON for the display, which draws it with CSS and sends input back
// by node id. Every node: {"id", "kind", "props", "modifiers" (in the order applied; a
// background or overlay node sits in its modifier's "content"), "children", and where
// present "items" (menu), "contextMenu", "alerts", "popover"}. Group, view and empty nodes
// lay out nothing of their own: a group or view without modifiers is transparent
// (display: contents); empty nodes are left out. Unbounded sizes are the string "infinity".
// The output depends only on what is shown, so equal trees serialize equally. Of a
// ViewThatFits only the candidate shown goes out, as its one child ("chosen" says which).
namespace TreeSerializer {
// The tree as JSON text, written as it is walked. `host` (optional) adds the interaction
// state: focused, open menu.
std::string text(const RenderedNode& node, const Host* host = nullptr);
// Text written before for the same nodes. A node written then (see RenderedNode::textBegin)
// whose subtree shows nothing live is copied from it rather than written again: the text of a
// subtree kept from one render to the next, or of a tree written again unchanged. It stands
// only where the interaction state written then is the same now. With `record`, where each
// node is written is noted, as of `generation`, for the next write to copy from.
struct Reuse {
    std::string_view previous;
    uint64_t previousGeneration = 0;
    uint64_t generation = 0;
    bool record = false;
};
// The same, added to the end of `out` (which may have room reserved for it).
void write(std::string& out, const RenderedNode& node, const Host* host = nullptr, Reuse* reuse = nullptr);
// The same as a JSON value (tests and automation read it).
nlohmann::json serialize(const RenderedNode& node, const Host* host = nullptr);
nlohmann::json color(const platform::Color& c);
// {width, height, template, tint?} and the content: a symbol, an asset, or a bitmap by its
// reference (ImageReferences), never its bytes.
nlohmann::json image(const platform::Image& image);
// The same, written where `w` stands.
void writeImage(JsonWriter& w, const platform::Image& image);
}  // namespace TreeSerializer

}  // namespace ui
