#pragma once
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ui/Host.h"
#include "ui/RenderedNode.h"

// Automation of hosted views, as a person would use them: find nodes, click, hover, type,
// toggle, choose, press Return or Escape, and read what is shown. Tests use it, and the
// display sends the page's input through it by node id. Actions run the handlers a
// person's input would run, at once; what they change is drawn on the host's next turn.
// Disabled nodes (or nodes under a disabled ancestor, or outside a presented alert) ignore
// actions, which then return false.
//
//     ui::Host host(std::make_shared<AppMenuPopoverView>(...));
//     host.find(ui::byText("Quit Tessivane")).click();
//     host.find(ui::byIdentifier("ui.newGroupName")).type("VPN");
//     EXPECT_TRUE(host.find(ui::button("Continue")).isDisabled());
namespace ui {

enum class Role { none, text, image, button, toggle, textField, picker, menu, menuItem, link, scrollView, progress, alert, group };

// What to look for; every field that is set must match. `text` matches a text, label, link,
// placeholder or alert by its own text; with a `role` it matches the element's title (the
// text of a button's label, say).
struct Query {
    std::optional<std::string> identifier;
    std::optional<std::string> text;
    std::optional<Role> role;
};
inline Query byIdentifier(std::string identifier) { return Query{std::move(identifier), std::nullopt, std::nullopt}; }
inline Query byText(std::string text) { return Query{std::nullopt, std::move(text), std::nullopt}; }
inline Query byRole(Role role) { return Query{std::nullopt, std::nullopt, role}; }
inline Query button(std::string title) { return Query{std::nullopt, std::move(title), Role::button}; }
inline Query toggle(std::string title) { return Query{std::nullopt, std::move(title), Role::toggle}; }
inline Query menuItem(std::string title) { return Query{std::nullopt, std::move(title), Role::menuItem}; }

// A handle on a node of a host's tree, by node id: it reads and acts on the node of the
// current tree with that id, so it stays usable across re-renders.
class Element {
public:
    Element() = default;
    Element(Host* host, std::string nodeId) : host_(host), id_(std::move(nodeId)) {}

    bool exists() const { return node() != nullptr; }
    explicit operator bool() const { return exists(); }
    const std::string& nodeId() const { return id_; }
    const RenderedNode* node() const;

    // --- reading
    NodeKind kind() const;
    Role role() const;
    // A text's string; the title of a button, toggle, link, menu, label or alert.
    std::string text() const;
    // A field's contents; a picker's chosen title; a progress value ("0.5").
    std::string value() const;
    bool isDisabled() const;
    std::optional<bool> isOn() const;
    std::string help() const;
    std::string identifier() const;
    std::string accessibilityLabel() const;
    // A picker's option titles; a menu's (or context menu's) item titles.
    std::vector<std::string> options() const;
    // Content children, groups opened up and empty nodes left out.
    std::vector<Element> children() const;
    Element parent() const;
    Element find(const Query& query) const;
    std::vector<Element> findAll(const Query& query) const;
    // The serialized node, as the display sees it.
    nlohmann::json properties() const;

    // --- acting
    bool click();
    bool rightClick();
    bool controlClick();  // a secondary click, as Control-click is
    bool hover();         // the pointer moves onto the node
    bool unhover();       // the pointer leaves the node and every hover region holding it
    bool type(const std::string& text);  // replaces a field's contents
    bool toggle();
    bool choose(const std::string& title);  // a picker option or a menu item
    bool submit();                          // Return in a field

private:
    Host* host_ = nullptr;
    std::string id_;
};

std::string title(const RenderedNode& node);
Role roleOf(const RenderedNode& node);

}  // namespace ui
