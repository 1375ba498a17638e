import { assetURL, css, el, glyph, pictureURL } from "./look.js";

const weights = { ultraLight: 100, thin: 200, light: 300, regular: 400, medium: 500, semibold: 600, bold: 700, heavy: 800, black: 900 };
const hAlign = { leading: "flex-start", center: "center", trailing: "flex-end" };
const vAlign = { top: "flex-start", center: "center", bottom: "flex-end", firstTextBaseline: "baseline" };
const alignments = {
  topLeading: ["flex-start", "flex-start"], top: ["center", "flex-start"], topTrailing: ["flex-end", "flex-start"],
  leading: ["flex-start", "center"], center: ["center", "center"], trailing: ["flex-end", "center"],
  bottomLeading: ["flex-start", "flex-end"], bottom: ["center", "flex-end"], bottomTrailing: ["flex-end", "flex-end"],
};

function finite(v) { return typeof v === "number" && isFinite(v); }

function shapeRadius(m) {
  if (!m.shape) return null;
  if (m.shape === "roundedRectangle") return m.cornerRadius + "px";
  if (m.shape === "circle" || m.shape === "ellipse") return "50%";
  if (m.shape === "capsule") return "9999px";
  return "0";
}

// A menu item labelled with a checkmark symbol is the chosen one.
function checked(node) {
const p = node.props || {};
if (node.kind === "label" && (p.glyph === "check" || p.symbol === "checkmark")) return true;
return (node.children || []).some(checked);
}

// A label short enough to keep whole on one line: in a row short of room, as in SwiftUI's
// stacks, a long text beside it wraps or truncates, never a short label ("In menu bar", "Edit").
const SHORT_LABEL = 24;
function isShortLabel(text) {
  return typeof text === "string" && text.length <= SHORT_LABEL && !text.includes("\n");
}

export function titleOf(node) {
  if (!node) return "";
  const p = node.props || {};
  if (p.title) return p.title;
  if (node.kind === "text") return p.text || "";
  for (const c of node.children || []) {
    const t = titleOf(c);
    if (t) return t;
  }
  return "";
}

// A view tree as DOM elements. Nothing here listens: what a person can do to an element is
// written on it (`data-act`, `data-win`, `data-act-node`, ...) and js/input.js acts on it, so
// an element the next state keeps keeps working, whatever was drawn in between. Open menus
// are collected in `menus` and drawn by the desk above every window.
export class TreeRenderer {
  constructor(windowNumber, appearance) {
    this.window = windowNumber;
    this.appearance = appearance;
    this.menus = [];
  }

  key(node) {
    return this.window + "/" + node.id;
  }

  // What a click (or `action`) on `e` does: an action on `node` through the automation.
  actionable(e, node, action, title) {
    e.dataset.act = action;
    e.dataset.win = this.window;
    e.dataset.actNode = node.id;
    if (title !== undefined) e.dataset.title = title;
    return e;
  }

  // The node with its modifiers, as a DOM element. `axis` is the parent stack's axis.
  render(node, axis) {
    if (!node || node.kind === "empty") return null;
    const p = node.props || {};
    let e = this.base(node, axis);
    if (!e) return null;
    if (e._flexW === undefined) this.leafFlex(e, node);
    e.dataset.node = node.id;
    if (p.identifier) e.dataset.identifier = p.identifier;
    if (p.accessibilityLabel) e.setAttribute("aria-label", p.accessibilityLabel);
    this.attributes(e, p);
    this.interactions(e, node);
    for (const m of node.modifiers || []) e = this.modify(e, m, node, axis);
    e.dataset.key = this.key(node);
    return e;
  }

  attributes(e, p) {
    if (p.font) {
      e.style.fontSize = p.font.size + "px";
      e.style.fontWeight = weights[p.font.weight] || 400;
      if (p.font.design === "monospaced") e.style.fontFamily = "var(--mono-font)";
      if (p.font.design === "serif") e.style.fontFamily = "ui-serif, Georgia, serif";
    }
    if (p.foreground) e.style.color = css(p.foreground, this.appearance);
    if (p.tint) e.style.setProperty("--vt-tint", css(p.tint, this.appearance));
    if (p.bold) e.style.fontWeight = 700;
    if (p.italic) e.style.fontStyle = "italic";
    if (p.strikethrough) e.style.textDecoration = "line-through";
    if (p.monospacedDigit) e.style.fontVariantNumeric = "tabular-nums";
    if (p.multilineTextAlignment) e.style.textAlign = { leading: "start", center: "center", trailing: "end" }[p.multilineTextAlignment];
    if (p.layoutDirection) e.dir = p.layoutDirection === "rightToLeft" ? "rtl" : "ltr";
    if (p.disabled) e.classList.add("disabled");
    if (p.cursor === "pointingHand") e.style.cursor = "pointer";
    if (p.cursor === "iBeam") e.style.cursor = "text";
    if (p.allowsHitTesting === false) e.style.pointerEvents = "none";
    if (p.help) e.dataset.tooltip = p.help;
    if (p.textSelection) e.style.userSelect = "text";
  }

  interactions(e, node) {
    const p = node.props || {};
    if (p.tracksHover) {
      e.dataset.hover = node.id;
      e.dataset.win = this.window;
    }
    if (p.tappable && node.kind !== "button" && node.kind !== "link") this.actionable(e, node, "click");
    if (p.secondaryClickable || node.contextMenu) {
      e.dataset.secondary = node.id;
      e.dataset.win = this.window;
    }
    if (node.contextMenu && p.menuOpen) this.openMenu(e, node, node.contextMenu);
    if (node.alerts && node.alerts.length) this.pendingAlerts.push(...node.alerts);
    if (node.popover) {
      const holder = el("div", "vt-popover-nested popover " + this.appearance);
      const body = this.render(node.popover, "vertical");
      if (body) holder.appendChild(body);
      e.appendChild(holder);
    }
  }

  children(node, axis) {
    const out = [];
    for (const c of node.children || []) {
      const r = this.render(c, axis);
      if (r) out.push(r);
    }
    return out;
  }

  base(node, axis) {
    const p = node.props || {};
    const kind = node.kind;
    let e;
    switch (kind) {
      case "vstack":
      case "hstack": {
        const vertical = kind === "vstack";
        e = el("div", "vt vt-" + kind);
        e.style.gap = (finite(p.spacing) ? p.spacing : 8) + "px";
        e.style.alignItems = vertical ? hAlign[p.alignment] || "center" : vAlign[p.alignment] || "center";
        for (const c of this.children(node, vertical ? "vertical" : "horizontal")) this.adopt(e, c, kind);
        this.stackFlex(e, kind);
        return e;
      }
      case "zstack": {
        e = el("div", "vt vt-zstack");
        const [jx, jy] = alignments[p.alignment] || alignments.center;
        e.style.justifyItems = jx === "flex-start" ? "start" : jx === "flex-end" ? "end" : "center";
        e.style.alignItems = jy === "flex-start" ? "start" : jy === "flex-end" ? "end" : "center";
        for (const c of this.children(node, axis)) this.adopt(e, c, "zstack");
        this.stackFlex(e, "zstack");
        return e;
      }
      case "group":
      case "view":
      case "form": {
        if (kind === "form") {
          e = el("div", "vt vt-form");
          for (const c of this.children(node, "vertical")) this.adopt(e, c, "column");
          e._flexW = e._flexH = true;
          return e;
        }
        // Transparent: its children lay out in the parent's stack.
        e = el("div", "vt-contents");
        if (kind === "view" && p.type) e.dataset.view = p.type;
        for (const c of this.children(node, axis)) e.appendChild(c);
        this.stackFlex(e, "zstack");
        return e;
      }
      case "text": {
        e = el("span", "vt vt-text", p.text);
        e._keepsWidth = isShortLabel(p.text);
        if (p.lineLimit === 1) e.classList.add("one-line");
        else if (finite(p.lineLimit)) {
          e.style.display = "-webkit-box";
          e.style.webkitLineClamp = p.lineLimit;
          e.style.webkitBoxOrient = "vertical";
          e.style.overflow = "hidden";
        }
        return e;
      }
      case "image": return this.image(node);
      case "button": {
        e = el("div", "vt vt-button style-" + (p.buttonStyle || "automatic"));
        if (p.controlSize) e.classList.add("control-" + p.controlSize);
        if (p.role === "destructive") e.classList.add("destructive");
        // A push button keeps its title whole on one line, as AppKit's does: in a row that
        // is short of room, what is beside it gives way.
        if (p.buttonStyle !== "plain") {
          e.classList.add("keeps-title");
          e._keepsWidth = true;
        }
        e.setAttribute("role", "button");
        for (const c of this.children(node, "horizontal")) this.adopt(e, c, "row");
        this.stackFlex(e, "zstack");
        return this.actionable(e, node, "click");
      }
      case "link": {
        e = el("span", "vt vt-link", p.title);
        e.setAttribute("role", "link");
        return this.actionable(e, node, "click");
      }
      case "toggle": return this.toggle(node);
      case "textField": {
        e = el("input", "vt vt-field");
        if (p.textFieldStyle === "plain") e.classList.add("plain");
        e.type = "text";
        // As attributes: the page takes a state by comparing attributes, and a field whose
        // text the application changed must show the new text.
        e.setAttribute("value", p.value || "");
        e.placeholder = p.prompt || "";
        if (p.focused) e.classList.add("focused");
        return this.actionable(e, node, "type");
      }
      case "picker": return this.picker(node);
      case "menu": {
        e = el("div", "vt vt-menu-button style-" + (p.menuStyle || "automatic"));
        e.setAttribute("role", "button");
        const label = this.children(node, "horizontal");
        if (label.length) label.forEach((c) => e.appendChild(c));
        else e.appendChild(el("span", null, p.title || ""));
        if (p.menuIndicator !== "hidden") e.appendChild(glyph("expand_more", 14));
        this.actionable(e, node, "click");
        if (p.menuOpen) this.openMenu(e, node, node.items || []);
        return e;
      }
      case "scrollView": {
        e = el("div", "vt vt-scroll vt-vstack");
        if (p.axes === "horizontal") e.className = "vt vt-scroll vt-hstack";
        e.style.alignItems = "stretch";
        e.style.gap = "0px";
        for (const c of this.children(node, p.axes === "horizontal" ? "horizontal" : "vertical")) this.adopt(e, c, "column");
        e._flexW = e._flexH = true;
        return e;
      }
      case "lazyVGrid": {
        e = el("div", "vt");
        e.style.display = "grid";
        const cols = (p.columns || []).map((c) => {
          const min = finite(c.minimum) ? c.minimum + "px" : "0px";
          const max = finite(c.maximum) ? c.maximum + "px" : "1fr";
          if (c.kind === "fixed") return min;
          if (c.kind === "adaptive") return `repeat(auto-fill, minmax(${min}, ${max}))`;
          return `minmax(${min}, ${max})`;
        });
        e.style.gridTemplateColumns = cols.join(" ") || "1fr";
        e.style.gap = (finite(p.spacing) ? p.spacing : 8) + "px";
        e.style.justifyItems = p.alignment === "leading" ? "start" : p.alignment === "trailing" ? "end" : "center";
        for (const c of this.children(node, "vertical")) e.appendChild(c);
        e._flexW = true;
        e._flexH = false;
        return e;
      }
      case "spacer": {
        e = el("div", "vt vt-spacer");
        const min = finite(p.minLength) ? p.minLength : 8;
        if (axis === "horizontal") e.style.minWidth = min + "px";
        else e.style.minHeight = min + "px";
        return e;
      }
      case "divider": {
        e = el("div", "vt vt-divider");
        if (axis === "horizontal") e.style.width = "1px";
        else e.style.height = "1px";
        return e;
      }
      case "shape": {
        e = el("div", "vt");
        e.style.flex = "1 1 auto";
        e.style.alignSelf = "stretch";
        e.style.borderRadius = shapeRadius(p) || "0";
        if (p.fill) e.style.background = css(p.fill, this.appearance);
        if (p.stroke) {
          e.style.boxShadow = `inset 0 0 0 ${p.lineWidth || 1}px ${css(p.stroke, this.appearance)}`;
          if (p.dash) {
            e.style.boxShadow = "";
            e.style.border = `${p.lineWidth || 1}px dashed ${css(p.stroke, this.appearance)}`;
          }
        }
        return e;
      }
      case "color": {
        e = el("div", "vt vt-color");
        e.style.background = css(p.color, this.appearance);
        return e;
      }
      case "progress": {
        if (finite(p.value) && p.progressViewStyle !== "circular") {
          e = el("div", "vt vt-progress");
          const bar = el("div");
          bar.style.width = Math.max(0, Math.min(1, p.value / (p.total || 1))) * 100 + "%";
          e.appendChild(bar);
        } else {
          e = el("div", "vt vt-spinner");
        }
        return e;
      }
      case "contentUnavailable": {
        e = el("div", "vt vt-unavailable");
        if (p.glyph) e.appendChild(glyph(p.glyph));
        e.appendChild(el("div", "title", p.title));
        if (p.description) e.appendChild(el("div", "description", p.description));
        return e;
      }
      case "label": {
        e = el("span", "vt vt-label");
        if (p.glyph) e.appendChild(glyph(p.glyph, p.font ? p.font.size * 1.2 : 16));
        e.appendChild(el("span", null, p.title));
        return e;
      }
      case "section": {
        e = el("div", "vt vt-section");
        if (p.header) e.appendChild(el("div", "header", p.header));
        const box = el("div", "box");
        for (const c of this.children(node, "vertical")) this.adopt(box, c, "column");
        e.appendChild(box);
        if (p.footer) e.appendChild(el("div", "footer", p.footer));
        return e;
      }
      case "list": {
        e = el("div", "vt vt-list");
        for (const c of this.children(node, "vertical")) this.adopt(e, c, "column");
        e._flexW = e._flexH = true;
        return e;
      }
      case "viewThatFits": {
        // The candidate shown is the one child sent ("chosen" says which it was).
        const chosen = (node.children || [])[0];
        e = el("div", "vt-contents");
        const r = this.render(chosen, axis);
        if (r) e.appendChild(r);
        this.stackFlex(e, "zstack");
        return e;
      }
      case "alert": return null;  // drawn as a sheet over the window
      default: {
        e = el("div", "vt vt-vstack");
        for (const c of this.children(node, axis)) this.adopt(e, c, "vstack");
        this.stackFlex(e, "vstack");
        return e;
      }
    }
  }

  image(node) {
    const p = node.props || {};
    const frame = (node.modifiers || []).find((m) => m.kind === "frame");
    const side = frame && (finite(frame.width) || finite(frame.height))
      ? Math.min(finite(frame.width) ? frame.width : Infinity, finite(frame.height) ? frame.height : Infinity)
      : null;
    if (p.glyph !== undefined) {
      if (!p.glyph) return el("span", "vt");
      const g = glyph(p.glyph);
      g.classList.add("vt");
      const size = p.resizable && side ? side : p.font ? p.font.size * 1.2 : 16;
      g.style.fontSize = size + "px";
      if (p.symbolRenderingMode === "multicolor" && !p.foreground) g.style.color = "var(--accent)";
      return g;
    }
    const url = p.asset ? assetURL(p.asset) : pictureURL(p.image);
    if (p.image && p.image.glyph !== undefined) {
      const g = glyph(p.image.glyph || "");
      g.classList.add("vt");
      g.style.fontSize = (p.resizable && side ? side : (p.image.pointSize || 13) * 1.25) + "px";
      return g;
    }
    if (!url) return el("span", "vt");
    const w = p.image ? p.image.width : 16;
    const h = p.image ? p.image.height : 16;
    if (p.renderingMode === "template" || (p.image && p.image.template && p.renderingMode !== "original")) {
      const m = el("span", "vt vt-template");
      m.style.maskImage = m.style.webkitMaskImage = `url("${url}")`;
      m.style.width = p.resizable ? "100%" : w + "px";
      m.style.height = p.resizable ? "100%" : h + "px";
      if (p.resizable && side) {
        m.style.width = m.style.height = side + "px";
      }
      return m;
    }
    const img = el("img", "vt");
    img.src = url;
    img.draggable = false;
    img.style.objectFit = p.contentMode === "fill" ? "cover" : "contain";
    if (p.resizable) {
      img.style.width = "100%";
      img.style.height = "100%";
    } else if (w && h) {
      img.style.width = w + "px";
      img.style.height = h + "px";
    }
    if (p.interpolation === 0) img.style.imageRendering = "pixelated";
    return img;
  }

  toggle(node) {
    const p = node.props || {};
    const e = el("div", "vt vt-toggle");
    e._keepsWidth = p.labelsHidden || isShortLabel(titleOf(node));
    e.setAttribute("role", "switch");
    e.setAttribute("aria-checked", p.isOn ? "true" : "false");
    const style = p.toggleStyle || "automatic";
    // A titled toggle carries its title twice: as `title` and as its label's text. The
    // label is what is drawn; the title stands in only where there is no label.
    const label = this.children(node, "horizontal");
    const labelBox = el("span", "vt-label");
    if (label.length) label.forEach((c) => labelBox.appendChild(c));
    else if (p.title) labelBox.appendChild(el("span", null, p.title));
    if (style === "button") {
      e.className = "vt vt-button style-bordered";
      if (p.isOn) e.style.background = "var(--vt-tint, var(--accent))";
      e.appendChild(labelBox);
    } else if (style === "checkbox") {
      const box = el("span", "vt-checkbox" + (p.isOn ? " on" : ""));
      if (p.isOn) box.appendChild(glyph("check", 12));
      e.appendChild(box);
      if (!p.labelsHidden) e.appendChild(labelBox);
    } else {
      if (!p.labelsHidden) {
        labelBox.style.flex = "1 1 auto";
        e.appendChild(labelBox);
      }
      e.appendChild(el("span", "vt-switch" + (p.isOn ? " on" : "")));
    }
    return this.actionable(e, node, "toggle");
  }

  picker(node) {
    const p = node.props || {};
    const options = p.options || [];
    const style = p.pickerStyle || "automatic";
    const wrap = el("div", "vt vt-hstack");
    wrap.style.gap = "8px";
    wrap.style.alignItems = "center";
    if (p.title && !p.labelsHidden) wrap.appendChild(el("span", null, p.title));
    if (style === "segmented") {
      const seg = el("div", "vt-segmented");
      options.forEach((o, i) => {
        const s = el("div", "vt-segment" + (i === p.selected ? " selected" : ""), o);
        seg.appendChild(this.actionable(s, node, "choose", o));
      });
      wrap.appendChild(seg);
    } else if (style === "radioGroup" || style === "inline") {
      const list = el("div", "vt vt-vstack");
      list.style.alignItems = "flex-start";
      list.style.gap = "4px";
      options.forEach((o, i) => {
        const r = el("div", "vt-radio");
        r.appendChild(glyph(i === p.selected ? "radio_button_checked" : "radio_button_unchecked", 15));
        r.appendChild(el("span", null, o));
        list.appendChild(this.actionable(r, node, "choose", o));
      });
      wrap.appendChild(list);
    } else {
      const sel = el("select", "vt-select");
      options.forEach((o, i) => {
        const opt = el("option", null, o);
        opt.value = o;
        if (i === p.selected) opt.setAttribute("selected", "");
        sel.appendChild(opt);
      });
      wrap.appendChild(this.actionable(sel, node, "select"));
    }
    return wrap;
  }

  // An open menu: drawn by the desk above the windows, next to `anchor`.
  openMenu(anchor, owner, items) {
    anchor.dataset.menuAnchor = this.key(owner);
    const box = el("div", "vt-dropdown " + this.appearance);
    box.dataset.anchor = this.key(owner);
    box.dataset.key = "menu/" + this.key(owner);
    this.menuEntries(box, owner, items, false);
    this.menus.push(box);
  }

  // Every item, with groups, sections and submenus opened up (as the automation finds them
  // when an item is chosen by title).
  menuEntries(box, owner, items, nested) {
    for (const item of items) {
      const p = item.props || {};
      switch (item.kind) {
        case "divider":
          box.appendChild(el("div", "vt-dropdown-sep"));
          break;
        case "group": case "view": case "forEach":
          this.menuEntries(box, owner, item.children || [], nested);
          break;
        case "section":
          if (box.lastChild) box.appendChild(el("div", "vt-dropdown-sep"));
          if (p.header) box.appendChild(el("div", "vt-dropdown-header", p.header));
          this.menuEntries(box, owner, item.children || [], nested);
          break;
        case "menu":
          box.appendChild(el("div", "vt-dropdown-header", titleOf(item)));
          this.menuEntries(box, owner, item.items || [], true);
          break;
        default: {
          const title = titleOf(item);
          const row = el("div", "vt-dropdown-row" + (p.disabled ? " disabled" : "") + (nested ? " nested" : ""));
          row.dataset.node = item.id;
          const mark = el("span", "check");
          if (item.kind === "toggle" ? p.isOn : checked(item)) mark.textContent = "✓";
          row.append(mark, el("span", null, title));
          if (p.role === "destructive") row.classList.add("destructive");
          box.appendChild(this.actionable(row, owner, "choose", title));
        }
      }
    }
  }

  // One modifier wraps what it modifies, in the order the view applied them.
  modify(inner, m, node, axis) {
    const wrap = (cls, kind) => {
      const w = el("div", "vt " + (cls || ""));
      this.adopt(w, inner, kind || "column");
      w._flexW = inner._flexW;
      w._flexH = inner._flexH;
      w._fixedW = inner._fixedW;
      w._keepsWidth = inner._keepsWidth;
      return w;
    };
    switch (m.kind) {
      case "padding": {
        const w = wrap("vt-vstack");
        w.style.alignItems = "stretch";
        w.style.justifyContent = "center";
        w.style.padding = `${m.top}px ${m.trailing}px ${m.bottom}px ${m.leading}px`;
        return w;
      }
      case "frame": {
        const w = wrap("", "row");
        w.style.display = "flex";
        const [jx, jy] = alignments[m.alignment] || alignments.center;
        w.style.justifyContent = jx;
        w.style.alignItems = jy;
        if (finite(m.width)) { w.style.width = m.width + "px"; w.style.flex = "0 0 auto"; }
        if (finite(m.height)) { w.style.height = m.height + "px"; }
        if (finite(m.minWidth)) w.style.minWidth = m.minWidth + "px";
        if (finite(m.minHeight)) w.style.minHeight = m.minHeight + "px";
        if (finite(m.maxWidth)) w.style.maxWidth = m.maxWidth + "px";
        if (finite(m.maxHeight)) w.style.maxHeight = m.maxHeight + "px";
        if (finite(m.idealWidth) && !finite(m.width)) w.style.width = m.idealWidth + "px";
        if (finite(m.idealHeight) && !finite(m.height)) w.style.height = m.idealHeight + "px";
        // A fixed frame keeps its size in a stack whatever wraps it afterwards (a
        // background, a clip shape): its siblings give way, not it.
        w._fixedW = finite(m.width);
        w._flexW = m.maxWidth === "infinity" || (!finite(m.width) && !finite(m.maxWidth) && !!inner._flexW);
        w._flexH = m.maxHeight === "infinity" || (!finite(m.height) && !finite(m.maxHeight) && !!inner._flexH);
        // A frame that takes the height offered and gets less than its content needs (a
        // short window) scrolls, rather than letting its content run under what follows.
        if (m.maxHeight === "infinity") w.style.overflowY = "auto";
        // What fills its frame (a colour, a shape, a resizable image) stretches with it.
        if (finite(m.width) || m.maxWidth === "infinity") this.fillWidth(inner);
        if (finite(m.height) || m.maxHeight === "infinity") this.fillHeight(inner);
        return w;
      }
      case "background":
      case "overlay": {
        const w = wrap("vt-zstack", "zstack");
        const layer = el("div", "vt");
        layer.style.alignSelf = "stretch";
        layer.style.justifySelf = "stretch";
        layer.style.display = "flex";
        const [jx, jy] = alignments[m.alignment] || alignments.center;
        layer.style.justifyContent = jx;
        layer.style.alignItems = jy;
        if (m.color) {
          layer.style.background = css(m.color, this.appearance);
          const r = shapeRadius(m);
          if (r) layer.style.borderRadius = r;
        } else if (m.content) {
          const c = this.render(m.content, "vertical");
          if (c) {
            if (c.classList.contains("vt-color") || c.classList.contains("vt")) c.style.flex = c.style.flex || "1 1 auto";
            layer.appendChild(c);
          }
        }
        layer.style.pointerEvents = m.kind === "background" ? "none" : layer.style.pointerEvents;
        if (m.kind === "background") {
          w.insertBefore(layer, inner);
          layer.style.pointerEvents = "auto";
        } else {
          w.appendChild(layer);
          if (!m.content || !this.hasHandlers(m.content)) layer.style.pointerEvents = "none";
        }
        return w;
      }
      case "border": {
        inner.style.boxShadow = `inset 0 0 0 ${m.width || 1}px ${css(m.color, this.appearance)}`;
        return inner;
      }
      case "clipShape": {
        const w = wrap("vt-vstack");
        w.style.alignItems = "stretch";
        w.style.overflow = "hidden";
        w.style.borderRadius = shapeRadius(m) || "0";
        return w;
      }
      case "shadow": {
        inner.style.filter = `drop-shadow(${m.x}px ${m.y}px ${m.radius}px ${css(m.color, this.appearance)})`;
        return inner;
      }
      case "opacity": {
        const w = wrap("vt-vstack");
        w.style.alignItems = "stretch";
        w.style.opacity = m.value;
        return w;
      }
      case "offset": {
        inner.style.transform = `translate(${m.x}px, ${m.y}px)`;
        return inner;
      }
      case "fixedSize": {
        // Its ideal size along the fixed axes: it neither grows nor shrinks there (a
        // header with a clear spacer in it keeps to its own height).
        if (m.horizontal) {
          inner.style.flexShrink = "0";
          inner.style.whiteSpace = "nowrap";
          inner._flexW = false;
        }
        if (m.vertical) inner._flexH = false;
        return inner;
      }
      case "zIndex": {
        inner.style.zIndex = m.value;
        return inner;
      }
      default: return inner;
    }
  }

  // SwiftUI's flexibility: what grows to the space offered, along each axis. Stacks are
  // as flexible as their children; a spacer grows along its stack, a divider across it.
  leafFlex(e, node) {
    const p = node.props || {};
    let w = false, h = false;
    switch (node.kind) {
      case "spacer": w = h = true; e._spacer = true; break;
      case "divider": w = h = true; e._divider = true; break;
      case "color": case "shape": case "scrollView": case "list": case "form": case "contentUnavailable": w = h = true; break;
      case "textField": w = true; break;
      case "progress": w = finite(p.value) && p.progressViewStyle !== "circular"; break;
      case "image": w = h = !!p.resizable; break;
      default: break;
    }
    e._flexW = w;
    e._flexH = h;
  }

  stackFlex(e, kind) {
    let w = false, h = false;
    const visit = (c) => {
      if (c.classList.contains("vt-contents")) {
        for (const g of c.children) visit(g);
        return;
      }
      const spacer = c._spacer, divider = c._divider;
      if (kind === "vstack") {
        if (c._flexW && !spacer) w = true;
        if (c._flexH && !divider) h = true;
      } else if (kind === "hstack") {
        if (c._flexW && !divider) w = true;
        if (c._flexH && !spacer) h = true;
      } else {
        if (c._flexW && !spacer && !divider) w = true;
        if (c._flexH && !spacer && !divider) h = true;
      }
    };
    for (const c of e.children) visit(c);
    e._flexW = w;
    e._flexH = h;
  }

  adopt(parent, child, kind) {
    parent.appendChild(child);
    this.place(child, kind);
  }

  // Lays a child out in its parent the way its flexibility asks.
  place(child, kind) {
    if (child.classList.contains("vt-contents")) {
      for (const g of child.children) this.place(g, kind);
      return;
    }
    const fw = child._flexW, fh = child._flexH;
    if ((kind === "hstack" || kind === "row") && (child._fixedW || child._keepsWidth)) child.style.flexShrink = "0";
    // What does not grow keeps its height in a column: a text never shrinks below its lines.
    if ((kind === "vstack" || kind === "column") && !fh) child.style.flexShrink = "0";
    if (kind === "vstack") {
      if (fh && !child._divider) child.style.flex = "1 1 auto";
      if (fw && !child._spacer) child.style.alignSelf = "stretch";
    } else if (kind === "hstack") {
      if (fw && !child._divider) child.style.flex = "1 1 auto";
      if (fh && !child._spacer) child.style.alignSelf = "stretch";
    } else if (kind === "row") {
      if (fw) child.style.flex = "1 1 auto";
      if (fh) child.style.alignSelf = "stretch";
    } else if (kind === "column") {
      if (fh) child.style.flex = "1 1 auto";
    } else {
      child.style.gridArea = "1 / 1";
      if (fw) child.style.justifySelf = "stretch";
      if (fh) child.style.alignSelf = "stretch";
      if (fw && fh) child.style.placeSelf = "stretch";
    }
  }

  fillWidth(inner) {
    if (inner._flexW) inner.style.flex = "1 1 auto";
  }

  fillHeight(inner) {
    if (inner._flexH) inner.style.alignSelf = "stretch";
  }

  hasHandlers(node) {
    const p = node.props || {};
    if (p.tappable || p.tracksHover || node.kind === "button" || node.kind === "toggle") return true;
    return (node.children || []).some((c) => this.hasHandlers(c));
  }

  // The whole tree, with any alerts it presents as a sheet on top.
  root(tree) {
    this.pendingAlerts = [];
    this.menus = [];
    const root = el("div", "vt vt-zstack vt-root");
    root.style.placeItems = "center";
    const r = this.render(tree, "vertical");
    if (r) this.adopt(root, r, "zstack");
    for (const alert of this.pendingAlerts) root.appendChild(this.sheet(alert));
    return root;
  }

  sheet(alert) {
    const p = alert.props || {};
    const back = el("div", "vt-sheet-backdrop");
    const box = el("div", "vt-sheet");
    box.dataset.node = alert.id;
    box.appendChild(el("div", "message", p.title));
    if (p.message) box.appendChild(el("div", "informative", p.message));
    const buttons = el("div", "sheet-buttons");
    for (const b of alert.children || []) {
      const r = this.render(b, "vertical");
      if (r) buttons.appendChild(r);
    }
    box.appendChild(buttons);
    back.appendChild(box);
    return back;
  }
}
