// The page of the simulated Mac. It draws the state the process publishes (docs/display.md)
// and sends input back through the JSON API: pointer and keys go through the desktop's
// event path, actions on views through the view layer's automation, by node id.
"use strict";

(() => {
  const desktopEl = document.getElementById("desktop");
  const viewportEl = document.getElementById("viewport");
  const panelEl = document.getElementById("panel");

  let state = null;
  let bounds = { minX: 0, minY: 0, maxX: 1512, maxY: 982 };
  let zoom = 1;
  let commandLatched = false;  // the side panel's stand-in for a held Command key
  const treeCache = new Map();  // window number -> serialized tree text
  const panelDir = { path: ".", entries: [], selected: null, loadedFor: null };

  // ---------------------------------------------------------------- the command queue
  // Commands go one at a time, in order; consecutive pointer moves collapse into the last.
  const queue = [];
  let sending = false;
  const idleWaiters = [];

  function send(path, body, options = {}) {
    return new Promise((resolve) => {
      const last = queue[queue.length - 1];
      if (options.coalesce && last && last.coalesce === options.coalesce) {
        last.body = body;
        last.resolvers.push(resolve);
        return;
      }
      queue.push({ path, body, coalesce: options.coalesce, resolvers: [resolve] });
      pump();
    });
  }

  async function pump() {
    if (sending) return;
    sending = true;
    while (queue.length) {
      const command = queue.shift();
      let answer;
      try {
        const response = await fetch("/api" + command.path, {
          method: "POST",
          headers: { "Content-Type": "application/json" },
          body: JSON.stringify(command.body),
        });
        answer = await response.json().catch(() => ({ ok: false }));
        answer.status = response.status;
      } catch (error) {
        answer = { ok: false, error: String(error) };
      }
      for (const resolve of command.resolvers) resolve(answer);
    }
    sending = false;
    while (idleWaiters.length) idleWaiters.shift()();
  }

  function idle() {
    if (!sending && !queue.length) return Promise.resolve();
    return new Promise((resolve) => idleWaiters.push(resolve));
  }

  // ---------------------------------------------------------------- coordinates
  // AppKit points (origin bottom left, y up) <-> the desktop element's pixels.
  function toPage(frame) {
    const [x, y, w, h] = frame;
    return { left: x - bounds.minX, top: bounds.maxY - (y + h), width: w, height: h };
  }

  function pointFromEvent(event) {
    const r = desktopEl.getBoundingClientRect();
    const px = (event.clientX - r.left) / zoom;
    const py = (event.clientY - r.top) / zoom;
    return { x: Math.round((px + bounds.minX) * 100) / 100, y: Math.round((bounds.maxY - py) * 100) / 100 };
  }

  function place(el, frame) {
    const p = toPage(frame);
    el.style.left = p.left + "px";
    el.style.top = p.top + "px";
    el.style.width = p.width + "px";
    el.style.height = p.height + "px";
  }

  function modifiersOf(event) {
    const m = [];
    if (event.metaKey || commandLatched) m.push("command");
    if (event.ctrlKey) m.push("control");
    if (event.altKey) m.push("option");
    if (event.shiftKey) m.push("shift");
    return m;
  }

  function buttonName(event) {
    return event.button === 2 ? "right" : event.button === 1 ? "other" : "left";
  }

  function el(tag, className, text) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined && text !== null) e.textContent = text;
    return e;
  }

  function glyph(name, size) {
    const g = el("span", "material-icons", name || "");
    if (size) g.style.fontSize = size + "px";
    return g;
  }

  // ---------------------------------------------------------------- colours
  const roles = {
    light: {
      primary: [0, 0, 0, 0.85], secondary: [0, 0, 0, 0.5], tertiary: [0, 0, 0, 0.26], accent: [10, 132, 255, 1],
      controlBackground: [255, 255, 255, 1], windowBackground: [236, 236, 236, 1], separator: [0, 0, 0, 0.1],
    },
    dark: {
      primary: [255, 255, 255, 0.85], secondary: [255, 255, 255, 0.55], tertiary: [255, 255, 255, 0.25],
      accent: [10, 132, 255, 1], controlBackground: [30, 30, 30, 1], windowBackground: [50, 50, 50, 1],
      separator: [255, 255, 255, 0.1],
    },
  };

  function css(color, appearance) {
    if (!color) return "";
    const alpha = color.alpha === undefined ? 1 : color.alpha;
    if (color.role) {
      const [r, g, b, a] = (roles[appearance] || roles.light)[color.role] || roles.light.primary;
      return `rgba(${r}, ${g}, ${b}, ${a * alpha})`;
    }
    const hex = color.hex || "000000";
    const n = parseInt(hex, 16);
    return `rgba(${(n >> 16) & 255}, ${(n >> 8) & 255}, ${n & 255}, ${alpha})`;
  }

  // ---------------------------------------------------------------- images
  // A platform image (status item buttons, menu rows): a symbol, an asset or pixels.
  function imageElement(image, appearance, fallbackSize) {
    if (!image) return null;
    const w = image.width || fallbackSize || 16;
    const h = image.height || fallbackSize || 16;
    if (image.glyph !== undefined) {
      if (!image.glyph) return el("span");  // no such symbol: nothing is drawn
      const g = glyph(image.glyph, image.pointSize ? image.pointSize * 1.25 : Math.min(w, h));
      if (image.tint && !image.template) g.style.color = css(image.tint, appearance);
      return g;
    }
    const url = image.asset ? "/assets/" + encodeURIComponent(image.asset) : image.png;
    if (!url) return null;
    if (image.template) {
      const m = el("span", "tinted");
      m.style.width = w + "px";
      m.style.height = h + "px";
      m.style.maskImage = m.style.webkitMaskImage = `url("${url}")`;
      return m;
    }
    const img = el("img");
    img.src = url;
    img.width = w;
    img.height = h;
    img.draggable = false;
    return img;
  }

  // ---------------------------------------------------------------- view trees
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

  function titleOf(node) {
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

  class TreeRenderer {
    constructor(windowNumber, appearance) {
      this.window = windowNumber;
      this.appearance = appearance;
    }

    act(node, action, extra = {}) {
      return send("/act", Object.assign({ window: this.window, node: node.id, action }, extra));
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
      if (p.help) e.title = p.help;
      if (p.textSelection) e.style.userSelect = "text";
    }

    interactions(e, node) {
      const p = node.props || {};
      if (p.tracksHover) {
        e.addEventListener("mouseenter", () => this.act(node, "hover"));
        e.addEventListener("mouseleave", () => this.act(node, "unhover"));
      }
      if (p.tappable && node.kind !== "button" && node.kind !== "link") {
        e.addEventListener("click", (ev) => {
          ev.stopPropagation();
          this.act(node, "click");
        });
      }
      if (p.secondaryClickable || node.contextMenu) {
        e.addEventListener("contextmenu", (ev) => {
          ev.preventDefault();
          ev.stopPropagation();
          this.act(node, "rightClick");
        });
      }
      if (node.contextMenu && p.menuOpen) e.appendChild(this.dropdown(node, node.contextMenu));
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
          e.setAttribute("role", "button");
          for (const c of this.children(node, "horizontal")) this.adopt(e, c, "row");
          this.stackFlex(e, "zstack");
          e.addEventListener("click", (ev) => {
            ev.stopPropagation();
            this.act(node, "click");
          });
          return e;
        }
        case "link": {
          e = el("span", "vt vt-link", p.title);
          e.setAttribute("role", "link");
          e.addEventListener("click", (ev) => {
            ev.stopPropagation();
            this.act(node, "click");
          });
          return e;
        }
        case "toggle": return this.toggle(node);
        case "textField": {
          e = el("input", "vt vt-field");
          if (p.textFieldStyle === "plain") e.classList.add("plain");
          e.type = "text";
          e.value = p.value || "";
          e.placeholder = p.prompt || "";
          if (p.focused) e.classList.add("focused");
          e.addEventListener("input", () => this.act(node, "type", { text: e.value }));
          e.addEventListener("keydown", (ev) => {
            if (ev.key === "Enter") {
              ev.preventDefault();
              this.act(node, "submit");
            }
            if (ev.key === "Escape") {
              ev.preventDefault();
              send("/key", { key: "Escape" });
            }
            ev.stopPropagation();
          });
          e.addEventListener("mousedown", (ev) => ev.stopPropagation());
          return e;
        }
        case "picker": return this.picker(node);
        case "menu": {
          e = el("div", "vt vt-menu-button style-" + (p.menuStyle || "automatic"));
          e.setAttribute("role", "button");
          const label = this.children(node, "horizontal");
          if (label.length) label.forEach((c) => e.appendChild(c));
          else e.appendChild(el("span", null, p.title || ""));
          if (p.menuIndicator !== "hidden") e.appendChild(glyph("expand_more", 14));
          e.addEventListener("click", (ev) => {
            ev.stopPropagation();
            this.act(node, "click");
          });
          if (p.menuOpen) e.appendChild(this.dropdown(node, node.items || []));
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
          const kids = node.children || [];
          const chosen = kids.length > 1 && finite(p.chosen) ? kids[p.chosen] : kids[0];
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
      const url = p.asset ? "/assets/" + encodeURIComponent(p.asset) : p.image && p.image.png;
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
      e.setAttribute("role", "switch");
      e.setAttribute("aria-checked", p.isOn ? "true" : "false");
      const style = p.toggleStyle || "automatic";
      const label = this.children(node, "horizontal");
      const title = p.title ? el("span", null, p.title) : null;
      const labelBox = el("span", "vt-label");
      if (title) labelBox.appendChild(title);
      label.forEach((c) => labelBox.appendChild(c));
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
      e.addEventListener("click", (ev) => {
        ev.stopPropagation();
        this.act(node, "toggle");
      });
      return e;
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
          s.addEventListener("click", (ev) => {
            ev.stopPropagation();
            this.act(node, "choose", { title: o });
          });
          seg.appendChild(s);
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
          r.addEventListener("click", (ev) => {
            ev.stopPropagation();
            this.act(node, "choose", { title: o });
          });
          list.appendChild(r);
        });
        wrap.appendChild(list);
      } else {
        const sel = el("select", "vt-select");
        options.forEach((o, i) => {
          const opt = el("option", null, o);
          opt.value = o;
          if (i === p.selected) opt.selected = true;
          sel.appendChild(opt);
        });
        sel.addEventListener("change", () => this.act(node, "choose", { title: sel.value }));
        sel.addEventListener("mousedown", (ev) => ev.stopPropagation());
        wrap.appendChild(sel);
      }
      return wrap;
    }

    dropdown(owner, items) {
      const box = el("div", "vt-dropdown");
      for (const item of items) {
        if (item.kind === "divider") {
          box.appendChild(el("div", "vt-dropdown-sep"));
          continue;
        }
        const title = titleOf(item);
        const row = el("div", "vt-dropdown-row" + ((item.props || {}).disabled ? " disabled" : ""), title);
        row.dataset.node = item.id;
        row.addEventListener("click", (ev) => {
          ev.stopPropagation();
          this.act(owner, "choose", { title });
        });
        box.appendChild(row);
      }
      return box;
    }

    // One modifier wraps what it modifies, in the order the view applied them.
    modify(inner, m, node, axis) {
      const wrap = (cls, kind) => {
        const w = el("div", "vt " + (cls || ""));
        this.adopt(w, inner, kind || "column");
        w._flexW = inner._flexW;
        w._flexH = inner._flexH;
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
          w._flexW = m.maxWidth === "infinity" || (!finite(m.width) && !finite(m.maxWidth) && !!inner._flexW);
          w._flexH = m.maxHeight === "infinity" || (!finite(m.height) && !finite(m.maxHeight) && !!inner._flexH);
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
          if (m.horizontal) { inner.style.flexShrink = "0"; inner.style.whiteSpace = "nowrap"; }
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

  // ---------------------------------------------------------------- drawing the desktop
  function computeBounds(screens) {
    if (!screens.length) return { minX: 0, minY: 0, maxX: 1512, maxY: 982 };
    let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
    for (const s of screens) {
      const [x, y, w, h] = s.frame;
      minX = Math.min(minX, x);
      minY = Math.min(minY, y);
      maxX = Math.max(maxX, x + w);
      maxY = Math.max(maxY, y + h);
    }
    return { minX, minY, maxX, maxY };
  }

  function fit() {
    const w = bounds.maxX - bounds.minX;
    const h = bounds.maxY - bounds.minY;
    const availableW = viewportEl.clientWidth - 16;
    const availableH = viewportEl.clientHeight - 16;
    zoom = Math.min(1, availableW / w, availableH / h);
    if (!(zoom > 0)) zoom = 1;
    desktopEl.style.width = w + "px";
    desktopEl.style.height = h + "px";
    desktopEl.style.transform = `translate(8px, 8px) scale(${zoom})`;
  }

  function drawScreens(layer) {
    for (const s of state.screens) {
      const screen = el("div", "screen");
      place(screen, s.frame);
      screen.dataset.screen = s.name;
      screen.appendChild(el("div", "screen-name", s.name));
      layer.appendChild(screen);
      // Every display has a menu bar; the status items live in the primary one's.
      const t = state.menuBar.thickness;
      const bar = el("div", "menubar");
      place(bar, [s.frame[0], s.frame[1] + s.frame[3] - t, s.frame[2], t]);
      bar.dataset.menubar = s.primary ? "primary" : "secondary";
      layer.appendChild(bar);
      if (s.cameraHousing) {
        const housing = el("div", "housing");
        place(housing, s.cameraHousing);
        housing.dataset.housing = "true";
        layer.appendChild(housing);
      }
    }
  }

  function drawAppMenus(layer) {
    state.menuBar.menus.forEach((m, i) => {
      const e = el("div", "appmenu" + (i === 1 ? " app-name" : ""));
      place(e, m.frame);
      if (i === 0) e.appendChild(glyph("apple", 16));
      else e.textContent = m.title;
      e.dataset.appMenu = m.title;
      layer.appendChild(e);
    });
  }

  function drawStatusItems(layer) {
    const appearance = state.systemAppearance;
    for (const item of state.statusItems) {
      // Shoved off the screen, under the camera housing or the menus, or fully transparent:
      // nothing to draw.
      if (!item.visible || !item.onScreen || !item.shown || item.alpha <= 0) continue;
      const e = el("div", "item");
      place(e, item.frame);
      e.style.opacity = item.alpha;
      e.dataset.owner = item.owner;
      e.dataset.autosave = item.autosaveName;
      e.dataset.itemId = item.id;
      e.dataset.window = item.window;
      if (item.highlighted) e.classList.add("highlighted");
      if (!item.enabled) e.classList.add("disabled");
      const img = item.image;
      if (item.own) {
        const picture = imageElement(img, appearance, 16);
        if (picture) e.appendChild(picture);
        if (item.title) e.appendChild(el("span", "item-title", item.title));
      } else if (img) {
        if (img.glyph) e.appendChild(glyph(img.glyph, 16));
        if (img.monogram) e.appendChild(el("span", "monogram", img.monogram));
        if (img.text) e.appendChild(el("span", "item-title", img.text));
      }
      const tip = item.tooltip || item.description || item.title || "";
      if (tip) e.dataset.tooltip = tip;
      layer.appendChild(e);
    }
  }

  function drawWindow(w, z) {
    const appearance = state.appearance;
    switch (w.kind) {
      case "dock": return drawDock(w);
      case "popover": return drawPopover(w, appearance);
      case "menu": return drawMenu(w);
      case "alert": return drawAlert(w, appearance);
      case "openPanel": return drawOpenPanel(w);
      case "systemDialog": return drawAccessibilityPrompt(w);
      case "window": return drawOwnWindow(w, appearance);
      default: return drawOtherWindow(w);
    }
  }

  function windowShell(w, dark) {
    const e = el("div", "win" + (dark ? " dark" : ""));
    place(e, w.frame);
    e.dataset.windowNumber = w.number;
    e.dataset.title = w.title || "";
    if (w.alpha !== undefined && w.alpha !== 1) e.style.opacity = w.alpha;
    return e;
  }

  function titleBar(w, closable) {
    const bar = el("div", "titlebar");
    const lights = el("div", "traffic");
    const close = el("span", "close" + (closable ? " enabled" : ""));
    close.dataset.close = w.number;
    close.title = "Close";
    if (closable) {
      close.addEventListener("mousedown", (ev) => ev.stopPropagation());
      close.addEventListener("click", (ev) => {
        ev.stopPropagation();
        send("/window", { window: w.number, action: "close" });
      });
    }
    lights.append(close, el("span", "mini"), el("span", "zoom"));
    bar.appendChild(lights);
    bar.appendChild(el("span", null, w.title || ""));
    return bar;
  }

  function drawOwnWindow(w, appearance) {
    const e = windowShell(w, appearance === "dark");
    e.classList.add(appearance);
    if (w.key) e.classList.add("key");
    else e.classList.add("inactive");
    if (w.titled !== false) e.appendChild(titleBar(w, w.closable));
    const content = el("div", "win-content");
    content.classList.add("view-host");
    if (w.tree) content.appendChild(new TreeRenderer(w.number, appearance).root(w.tree));
    e.appendChild(content);
    return e;
  }

  function drawOtherWindow(w) {
    const e = windowShell(w, false);
    e.classList.add("appwin", "inactive");
    e.appendChild(titleBar(w, false));
    const content = el("div", "win-content");
    content.appendChild(el("div", null, (w.owner ? w.owner.name : "") + (w.title ? " — " + w.title : "")));
    e.appendChild(content);
    return e;
  }

  function drawDock(w) {
    const e = el("div", "dock");
    place(e, w.frame);
    const shelf = el("div", "dock-shelf");
    for (const app of w.apps || []) {
      const icon = el("div", "dock-app running");
      icon.title = app.name;
      icon.dataset.dockApp = app.name;
      if (app.self) {
        const img = el("img");
        img.src = "/assets/AppLogo";
        img.draggable = false;
        icon.appendChild(img);
      } else if (app.name === "Finder") {
        icon.appendChild(glyph("sentiment_satisfied", 34));
        icon.style.background = "linear-gradient(90deg, #4aa3f2 50%, #e8f2fc 50%)";
      } else {
        icon.textContent = (app.name || "?").slice(0, 1);
      }
      shelf.appendChild(icon);
    }
    e.appendChild(shelf);
    return e;
  }

  function drawPopover(w, appearance) {
    const e = el("div", "popover " + appearance);
    place(e, w.frame);
    e.dataset.windowNumber = w.number;
    e.dataset.popover = "true";
    if (w.anchor) {
      const arrow = el("div", "arrow");
      const p = toPage(w.frame);
      const a = toPage(w.anchor);
      // Below the anchor (AppKit's minY edge) the arrow points up at it, and so on.
      if (w.edge === "minY" || w.edge === "maxY") {
        const x = a.left + a.width / 2 - p.left - 10;
        arrow.style.left = Math.max(8, Math.min(p.width - 28, x)) + "px";
        arrow.style.top = w.edge === "minY" ? "-9px" : p.height + "px";
        arrow.classList.add(w.edge === "minY" ? "up" : "down");
      } else {
        arrow.style.top = a.top + a.height / 2 - p.top - 10 + "px";
        arrow.style.left = w.edge === "maxX" ? "-9px" : p.width + "px";
        arrow.classList.add(w.edge === "maxX" ? "left" : "right");
      }
      e.appendChild(arrow);
    }
    const body = el("div", "popover-body view-host");
    if (w.tree) body.appendChild(new TreeRenderer(w.number, appearance).root(w.tree));
    e.appendChild(body);
    return e;
  }

  function drawMenu(w) {
    const e = el("div", "menu" + (state.systemAppearance === "dark" ? " dark" : ""));
    place(e, w.frame);
    e.dataset.windowNumber = w.number;
    e.dataset.menu = w.menuOf || "menu";
    if (w.itemName) e.dataset.itemName = w.itemName;
    for (const row of w.rows || []) {
      const r = el("div", "menu-row" + (row.separator ? " separator" : "") + (row.enabled ? "" : " disabled"));
      const rp = toPage(row.frame);
      const mp = toPage(w.frame);
      r.style.top = rp.top - mp.top + "px";
      r.style.height = rp.height + "px";
      if (!row.separator) {
        if (row.state === 1) r.appendChild(el("span", "check", "✓"));
        if (row.image) {
          const img = imageElement(row.image, state.systemAppearance, 14);
          if (img) {
            img.style.marginRight = "6px";
            r.appendChild(img);
          }
        }
        r.appendChild(el("span", null, row.title));
        if (row.keyEquivalent) r.appendChild(el("span", "shortcut", "⌘" + row.keyEquivalent.toUpperCase()));
        r.dataset.row = row.title;
      }
      e.appendChild(r);
    }
    return e;
  }

  // The desktop answers a click on an alert by where it lands: buttons stacked 30 points
  // apart from 10 points above the bottom, the first on top.
  function drawAlert(w, appearance) {
    const e = el("div", "alert-box" + (appearance === "dark" ? " dark" : ""));
    place(e, w.frame);
    e.dataset.windowNumber = w.number;
    e.dataset.alert = w.messageText || "";
    const logo = el("img", "icon");
    logo.src = "/assets/AppLogo";
    logo.draggable = false;
    e.appendChild(logo);
    e.appendChild(el("div", "message", w.messageText));
    if (w.informativeText) e.appendChild(el("div", "informative", w.informativeText));
    const buttons = w.buttons || [];
    const h = w.frame[3];
    buttons.forEach((title, i) => {
      const b = el("div", "dialog-button" + (i === 0 ? " default" : ""), title);
      const fromBottom = 10 + (buttons.length - 1 - i) * 30;
      b.style.top = h - fromBottom - 27 + "px";
      b.dataset.button = title;
      e.appendChild(b);
    });
    return e;
  }

  // The system's Accessibility prompt: "Open System Settings" 40-80 points above its bottom,
  // "Deny" below, where the desktop looks for the click.
  function drawAccessibilityPrompt(w) {
    const e = el("div", "system-dialog");
    place(e, w.frame);
    e.dataset.windowNumber = w.number;
    e.dataset.dialog = "accessibility";
    e.appendChild(glyph("lock", 52)).classList.add("icon");
    e.appendChild(el("div", "message", "“Tessivane” would like to control this computer using accessibility features."));
    e.appendChild(el("div", "informative", "Grant access to this application in Privacy & Security settings, located in System Settings."));
    const h = w.frame[3];
    const open = el("div", "dialog-button default", "Open System Settings");
    open.style.top = h - 78 + "px";
    open.dataset.button = "Open System Settings";
    const deny = el("div", "dialog-button", "Deny");
    deny.style.top = h - 36 + "px";
    deny.dataset.button = "Deny";
    e.append(open, deny);
    return e;
  }

  function drawOpenPanel(w) {
    const panel = state.openPanel || {};
    const e = el("div", "alert-box open-panel");
    place(e, w.frame);
    e.dataset.windowNumber = w.number;
    e.dataset.openPanel = "true";
    const head = el("div", "panel-head");
    head.appendChild(el("span", null, panel.title || w.title || "Open"));
    head.appendChild(el("span", "crumb", "Home/" + (panelDir.path === "." ? "" : panelDir.path)));
    e.appendChild(head);
    if (panel.message) e.appendChild(el("div", "panel-entry", panel.message));
    const list = el("div", "panel-list");
    if (panelDir.path !== ".") {
      const up = el("div", "panel-entry");
      up.append(glyph("arrow_upward"), el("span", null, ".."));
      up.addEventListener("dblclick", () => loadFolder(parentOf(panelDir.path)));
      up.addEventListener("click", () => loadFolder(parentOf(panelDir.path)));
      list.appendChild(up);
    }
    for (const entry of panelDir.entries) {
      const path = panelDir.path === "." ? entry.name : panelDir.path + "/" + entry.name;
      const row = el("div", "panel-entry" + (panelDir.selected === path ? " selected" : ""));
      row.dataset.file = path;
      row.append(glyph(entry.directory ? "folder" : "description"), el("span", null, entry.name));
      row.addEventListener("mousedown", (ev) => ev.stopPropagation());
      row.addEventListener("click", (ev) => {
        ev.stopPropagation();
        panelDir.selected = path;
        render();
      });
      row.addEventListener("dblclick", (ev) => {
        ev.stopPropagation();
        if (entry.directory && !panel.canChooseDirectories) loadFolder(path);
        else send("/dialogs/open-panel", { paths: [path] });
      });
      list.appendChild(row);
    }
    e.appendChild(list);
    const foot = el("div", "panel-foot");
    const cancel = el("button", null, "Cancel");
    cancel.addEventListener("mousedown", (ev) => ev.stopPropagation());
    cancel.addEventListener("click", () => send("/dialogs/open-panel", { cancel: true }));
    const open = el("button", "default", panel.prompt || "Open");
    open.disabled = !panelDir.selected;
    open.dataset.open = "true";
    open.addEventListener("mousedown", (ev) => ev.stopPropagation());
    open.addEventListener("click", () => {
      if (panelDir.selected) send("/dialogs/open-panel", { paths: [panelDir.selected] });
    });
    foot.append(cancel, open);
    e.appendChild(foot);
    if (panelDir.loadedFor !== w.number) {
      panelDir.loadedFor = w.number;
      loadFolder(".");
    }
    return e;
  }

  function parentOf(path) {
    const i = path.lastIndexOf("/");
    return i < 0 ? "." : path.slice(0, i);
  }

  async function loadFolder(path) {
    try {
      const r = await fetch("/api/files?path=" + encodeURIComponent(path));
      const j = await r.json();
      if (j.ok) {
        panelDir.path = j.path === "" ? "." : j.path;
        panelDir.entries = j.entries;
        panelDir.selected = null;
        render();
      }
    } catch (e) {
      /* the next state shows the panel again */
    }
  }

  // ---------------------------------------------------------------- the side panel
  function section(title) {
    const h = el("h2", null, title);
    panelEl.appendChild(h);
  }

  function pill(text, good) {
    return el("span", "pill " + (good === true ? "ok" : good === false ? "no" : ""), text);
  }

  function button(text, onClick, cls) {
    const b = el("button", cls, text);
    b.addEventListener("click", onClick);
    return b;
  }

  function drawPanel() {
    panelEl.textContent = "";
    const head = el("div");
    head.appendChild(el("h1", null, "Tessivane"));
    head.appendChild(el("div", "sub", "Simulated Mac: " + state.scene));
    panelEl.appendChild(head);

    section("Clock");
    const clockRow = el("div", "row");
    const now = new Date(state.clock.now * 1000);
    clockRow.appendChild(el("span", null, now.toISOString().replace("T", " ").replace(/\.\d+Z$/, " UTC")));
    clockRow.appendChild(pill(state.clock.manual ? "manual" : "real"));
    panelEl.appendChild(clockRow);
    if (state.clock.manual) {
      const steps = el("div", "row");
      steps.dataset.clockControls = "true";
      for (const s of [0.1, 0.5, 1, 5, 30]) {
        const b = button("+" + s + " s", () => advance(s));
        b.dataset.advance = s;
        steps.appendChild(b);
      }
      panelEl.appendChild(steps);
    }

    section("Accessibility");
    const ax = el("div", "card" + (state.accessibility.promptShown ? " alerting" : ""));
    if (state.accessibility.promptShown) {
      ax.appendChild(el("div", null, "The system asks whether Tessivane may control this computer."));
      const r = el("div", "row");
      r.append(
        button("Open System Settings", () => send("/dialogs/accessibility", { answer: "openSystemSettings" })),
        button("Deny", () => send("/dialogs/accessibility", { answer: "deny" })));
      r.dataset.prompt = "accessibility";
      ax.appendChild(r);
    }
    const sw = el("div", "switch-row");
    sw.appendChild(el("span", null, "System Settings › Privacy & Security › Accessibility › Tessivane"));
    const toggle = button("", () => send("/settings/accessibility", { enabled: !state.accessibility.trusted }),
      "mini-switch" + (state.accessibility.trusted ? " on" : ""));
    toggle.dataset.accessibilitySwitch = state.accessibility.trusted ? "on" : "off";
    toggle.setAttribute("aria-label", "Tessivane may use Accessibility");
    sw.appendChild(toggle);
    ax.appendChild(sw);
    panelEl.appendChild(ax);

    section("Application");
    const app = el("div", "card");
    const r1 = el("div", "row");
    r1.append(el("span", null, "Activation policy"), pill(state.activationPolicy));
    const r2 = el("div", "row");
    r2.append(el("span", null, "Appearance"), pill(state.appearance), el("span", "sub", "system " + state.systemAppearance));
    const r3 = el("div", "row");
    r3.append(el("span", null, "Frontmost"), pill(state.menuBar.frontmost ? state.menuBar.frontmost.name : "none"));
    app.append(r1, r2, r3);
    if (state.openPanel) app.appendChild(el("div", "row", "An open panel is up: choose a file in it."));
    panelEl.appendChild(app);

    section("Keys");
    const keys = el("div", "row");
    keys.append(
      button("Return", () => send("/key", { key: "Return" })),
      button("Escape", () => send("/key", { key: "Escape" })));
    const latch = button("⌘ held", () => {
      commandLatched = !commandLatched;
      render();
    }, commandLatched ? "on" : "");
    latch.title = "Holds Command for the next clicks and drags (for a ⌘-drag where the system keeps the key)";
    keys.appendChild(latch);
    panelEl.appendChild(keys);

    const records = state.records;
    if (records.chosenMenuItems.length || records.openedURLs.length || records.beeps) {
      section("What happened");
      const list = el("ul");
      for (const m of records.chosenMenuItems) list.appendChild(el("li", null, "Chose " + m));
      for (const u of records.openedURLs) list.appendChild(el("li", null, "Opened " + u));
      if (records.beeps) list.appendChild(el("li", null, records.beeps + " beep(s)"));
      panelEl.appendChild(list);
    }

    section("Click log");
    const click = el("pre", null, state.logs.click.join("\n") || "(empty)");
    click.dataset.log = "click";
    panelEl.appendChild(click);
    section("Hide log");
    const hide = el("pre", null, state.logs.hide.join("\n") || "(empty)");
    hide.dataset.log = "hide";
    panelEl.appendChild(hide);
    for (const pre of [click, hide]) pre.scrollTop = pre.scrollHeight;
  }

  // ---------------------------------------------------------------- render
  let tooltipEl = null;

  function render() {
    if (!state) return;
    document.body.classList.toggle("system-dark", state.systemAppearance === "dark");
    bounds = computeBounds(state.screens);
    fit();

    // Keep the caret of a field being typed in across the redraw.
    const active = document.activeElement;
    const focusNode = active && active.dataset ? active.dataset.node : null;
    const focusWindow = focusNode ? active.closest("[data-window-number]") : null;
    const caret = focusNode && active.selectionStart !== undefined ? [active.selectionStart, active.selectionEnd] : null;

    const frag = document.createDocumentFragment();
    drawScreens(frag);
    drawAppMenus(frag);
    drawStatusItems(frag);
    let z = 10;
    for (const w of state.windows) {
      const e = drawWindow(w);
      if (!e) continue;
      const aboveBar = w.kind === "popover" || w.kind === "menu" || w.kind === "alert" || w.kind === "openPanel" ||
        w.kind === "systemDialog" || w.level >= 24;
      e.style.zIndex = aboveBar ? 2000 + z : w.kind === "dock" ? 900 : z;
      z += 1;
      frag.appendChild(e);
    }
    desktopEl.textContent = "";
    desktopEl.appendChild(frag);
    if (dragging) {
      const item = desktopEl.querySelector(`.item[data-item-id="${dragging.id}"]`);
      if (item) {
        item.classList.add("dragging");
        item.style.transform = `translateX(${dragging.dx}px)`;
      }
    }

    if (focusNode && focusWindow) {
      const again = desktopEl.querySelector(
        `[data-window-number="${focusWindow.dataset.windowNumber}"] [data-node="${CSS.escape(focusNode)}"]`);
      if (again && again.focus) {
        again.focus();
        if (caret && again.setSelectionRange) again.setSelectionRange(caret[0], caret[1]);
      }
    }
    drawPanel();
  }

  // ---------------------------------------------------------------- pointer input
  // Outside view trees the pointer goes to the desktop as events at AppKit points; inside
  // them clicks are actions on nodes (the same road a test's automation takes), while
  // moves still go to the desktop so that tracking areas see the pointer.
  let dragging = null;

  function inViewTree(target) {
    return target.closest && target.closest(".view-host, .open-panel, .titlebar .close.enabled");
  }

  desktopEl.addEventListener("mousemove", (event) => {
    const p = pointFromEvent(event);
    const type = event.buttons & 1 && !inViewTree(event.target) ? "dragged" : "move";
    send("/pointer", { type, x: p.x, y: p.y, modifiers: modifiersOf(event) }, { coalesce: "move" });
    if (dragging) {
      dragging.dx = (event.clientX - dragging.startX) / zoom;
      const item = desktopEl.querySelector(`.item[data-item-id="${dragging.id}"]`);
      if (item) {
        item.classList.add("dragging");
        item.style.transform = `translateX(${dragging.dx}px)`;
      }
    }
    showTooltip(event);
  });

  desktopEl.addEventListener("mousedown", (event) => {
    if (inViewTree(event.target)) return;
    event.preventDefault();
    const p = pointFromEvent(event);
    const modifiers = modifiersOf(event);
    const item = event.target.closest && event.target.closest(".item");
    if (item && event.button === 0 && modifiers.includes("command")) {
      dragging = { id: item.dataset.itemId, startX: event.clientX, dx: 0 };
    }
    send("/pointer", { type: "down", x: p.x, y: p.y, button: buttonName(event), modifiers });
  });

  window.addEventListener("mouseup", (event) => {
    if (!dragging && inViewTree(event.target)) return;
    const p = pointFromEvent(event);
    const modifiers = modifiersOf(event);
    if (dragging) {
      dragging = null;
      // Dropped: the desktop moves the item where the pointer lets go.
    }
    send("/pointer", { type: "up", x: p.x, y: p.y, button: buttonName(event), modifiers });
  });

  desktopEl.addEventListener("contextmenu", (event) => event.preventDefault());

  function showTooltip(event) {
    const target = event.target.closest && event.target.closest("[data-tooltip]");
    if (!target) {
      if (tooltipEl) tooltipEl.remove();
      tooltipEl = null;
      return;
    }
    if (!tooltipEl) {
      tooltipEl = el("div", "tooltip");
      document.body.appendChild(tooltipEl);
    }
    tooltipEl.textContent = target.dataset.tooltip;
    tooltipEl.style.left = event.clientX + 12 + "px";
    tooltipEl.style.top = event.clientY + 18 + "px";
  }

  // Keys typed outside a field: Return and Escape, and Command-key equivalents.
  window.addEventListener("keydown", (event) => {
    const t = event.target;
    if (t && (t.tagName === "INPUT" || t.tagName === "SELECT" || t.tagName === "TEXTAREA")) return;
    const modifiers = modifiersOf(event);
    if (event.key === "Enter" || event.key === "Escape") {
      event.preventDefault();
      send("/key", { key: event.key === "Enter" ? "Return" : "Escape", modifiers });
    } else if (event.key === "Backspace" || event.key === "Tab") {
      event.preventDefault();
      send("/key", { key: event.key === "Tab" ? "Tab" : "Delete", modifiers });
    } else if (event.key.length === 1 && (event.metaKey || commandLatched)) {
      event.preventDefault();
      send("/key", { key: event.key.toLowerCase(), modifiers });
    }
  });

  window.addEventListener("resize", () => render());

  // ---------------------------------------------------------------- the state stream
  let stream = null;

  function accept(next) {
    if (state && next.version !== undefined && state.version !== undefined && next.version < state.version) return;
    state = next;
    document.body.classList.remove("offline");
    render();
    const waiters = versionWaiters.splice(0);
    for (const w of waiters) {
      if (state.version >= w.version) w.resolve(state);
      else versionWaiters.push(w);
    }
  }

  const versionWaiters = [];

  function connect() {
    stream = new EventSource("/api/events");
    stream.onmessage = (event) => {
      try {
        accept(JSON.parse(event.data));
      } catch (e) {
        /* a torn message: the next one replaces it */
      }
    };
    stream.onerror = () => {
      document.body.classList.add("offline");
    };
  }

  async function advance(seconds) {
    const answer = await send("/clock/advance", { seconds });
    if (answer && answer.version !== undefined) await stateAt(answer.version);
    return answer;
  }

  // Resolves once the page has drawn a state at least as new as `version`.
  function stateAt(version) {
    if (state && state.version >= version) return Promise.resolve(state);
    return new Promise((resolve) => versionWaiters.push({ version, resolve }));
  }

  // For tests and the console: the same queue the page's own input uses.
  window.display = {
    send,
    idle,
    advance,
    stateAt,
    get state() { return state; },
    // Where an AppKit point is on the page (client pixels).
    clientPoint(x, y) {
      const r = desktopEl.getBoundingClientRect();
      return { x: r.left + (x - bounds.minX) * zoom, y: r.top + (bounds.maxY - y) * zoom };
    },
    async settle() {
      await idle();
      const r = await fetch("/api/state");
      const s = await r.json();
      accept(s);
      return s;
    },
  };

  fetch("/api/state").then((r) => r.json()).then(accept).catch(() => document.body.classList.add("offline"));
  connect();
})();
