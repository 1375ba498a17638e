// The desk: screens, the menu bar with its menus and status items, and every window in
// window order, drawn as a fresh element tree that js/main.js morphs the page into. Keys
// (`data-key`) tie each window, item and view node to the element that shows it.
import { TreeRenderer } from "./tree.js";
import { el, glyph, imageElement } from "./look.js";
import { place, placeFromBottom, toPage } from "./geometry.js";
import { page } from "./pageState.js";

// Every element the desk draws carries a key, and each kind lives in a layer of its own
// (`display: contents`, so the layers change no layout): an icon that shows again or a
// menu title that goes away then moves nothing else. The page morphs keyed siblings by
// moving them, and an element moved in the document loses its scroll position and focus.
function deskLayer(name) {
  const e = el("div", "layer");
  e.dataset.key = name;
  return e;
}

export function drawDesk(state) {
  const frag = document.createDocumentFragment();
  const screens = deskLayer("screens"), menuTitles = deskLayer("app-menus"), items = deskLayer("items");
  const windows = deskLayer("windows");
  drawScreens(state, screens);
  drawAppMenus(state, menuTitles);
  drawStatusItems(state, items);
  const menus = [];
  let z = 10;
  for (const w of state.windows) {
    const e = drawWindow(state, w, menus);
    if (!e) continue;
    const aboveBar = w.kind === "popover" || w.kind === "menu" || w.kind === "alert" || w.kind === "openPanel" ||
      w.kind === "systemDialog" || w.level >= 24;
    e.style.zIndex = aboveBar ? 2000 + z : w.kind === "dock" ? 900 : z;
    e.dataset.key = "w" + w.number;
    z += 1;
    windows.appendChild(e);
  }
  frag.append(screens, menuTitles, items, windows);
  // Menus opened inside windows and popovers: above everything, never clipped by them.
  const layer = el("div", "menu-layer");
  layer.dataset.key = "menus";
  for (const m of menus) layer.appendChild(m);
  frag.appendChild(layer);
  return frag;
}

function drawScreens(state, layer) {
  state.screens.forEach((s, i) => {
    const screen = el("div", "screen");
    place(screen, s.frame);
    screen.dataset.key = "screen" + i;
    screen.dataset.screen = s.name;
    screen.appendChild(el("div", "screen-name", s.name));
    layer.appendChild(screen);
    // Every display has a menu bar; the status items live in the primary one's.
    const t = state.menuBar.thickness;
    const bar = el("div", "menubar");
    place(bar, [s.frame[0], s.frame[1] + s.frame[3] - t, s.frame[2], t]);
    bar.dataset.menubar = s.primary ? "primary" : "secondary";
    bar.dataset.key = "bar" + i;
    layer.appendChild(bar);
    if (s.cameraHousing) {
      const housing = el("div", "housing");
      place(housing, s.cameraHousing);
      housing.dataset.housing = "true";
      housing.dataset.key = "housing" + i;
      layer.appendChild(housing);
    }
  });
}

function drawAppMenus(state, layer) {
  state.menuBar.menus.forEach((m, i) => {
    const e = el("div", "appmenu" + (i === 1 ? " app-name" : ""));
    place(e, m.frame);
    if (i === 0) e.appendChild(glyph("apple", 16));
    else e.textContent = m.title;
    e.dataset.appMenu = m.title;
    e.dataset.key = "appmenu" + i;
    layer.appendChild(e);
  });
}

function drawStatusItems(state, layer) {
  const appearance = state.systemAppearance;
  for (const item of state.statusItems) {
    // Shoved off the screen, under the camera housing or the menus, or fully transparent:
    // nothing to draw.
    if (!item.visible || !item.onScreen || !item.shown || item.alpha <= 0) continue;
    const e = el("div", "item");
    place(e, item.frame);
    e.style.opacity = item.alpha;
    e.dataset.key = "item" + item.id;
    e.dataset.owner = item.owner;
    e.dataset.autosave = item.autosaveName;
    e.dataset.itemId = item.id;
    e.dataset.window = item.window;
    if (item.highlighted) e.classList.add("highlighted");
    if (!item.enabled) e.classList.add("disabled");
    if (page.dragging && String(page.dragging.id) === String(item.id)) {
      e.classList.add("dragging");
      e.style.transform = `translateX(${page.dragging.dx}px)`;
    }
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

function drawWindow(state, w, menus) {
  const appearance = state.appearance;
  switch (w.kind) {
    case "dock": return drawDock(w);
    case "popover": return drawPopover(w, appearance, menus);
    case "menu": return drawMenu(state, w);
    case "alert": return drawAlert(state, w, appearance);
    case "openPanel": return drawOpenPanel(state, w);
    case "systemDialog": return drawAccessibilityPrompt(w, state.systemAppearance);
    case "window": return drawOwnWindow(w, appearance, menus);
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
  close.dataset.tooltip = "Close";
  lights.append(close, el("span", "mini"), el("span", "zoom"));
  bar.appendChild(lights);
  bar.appendChild(el("span", null, w.title || ""));
  return bar;
}

function viewTree(w, appearance, menus) {
  const renderer = new TreeRenderer(w.number, appearance);
  const root = renderer.root(w.tree);
  menus.push(...renderer.menus);
  return root;
}

function drawOwnWindow(w, appearance, menus) {
  const e = windowShell(w, appearance === "dark");
  e.classList.add(appearance);
  if (w.key) e.classList.add("key");
  else e.classList.add("inactive");
  if (w.titled !== false) e.appendChild(titleBar(w, w.closable));
  const content = el("div", "win-content");
  content.classList.add("view-host");
  if (w.tree) content.appendChild(viewTree(w, appearance, menus));
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
    icon.dataset.tooltip = app.name;
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

function drawPopover(w, appearance, menus) {
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
  if (w.tree) body.appendChild(viewTree(w, appearance, menus));
  e.appendChild(body);
  return e;
}

function drawMenu(state, w) {
  const e = el("div", "menu" + (state.systemAppearance === "dark" ? " dark" : ""));
  place(e, w.frame);
  e.dataset.windowNumber = w.number;
  e.dataset.menu = w.menuOf || "menu";
  if (w.itemName) e.dataset.itemName = w.itemName;
  const mp = toPage(w.frame);
  for (const row of w.rows || []) {
    const r = el("div", "menu-row" + (row.separator ? " separator" : "") + (row.enabled ? "" : " disabled"));
    const rp = toPage(row.frame);
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
      r.appendChild(el("span", "menu-title", row.title));
      if (row.keyEquivalent) r.appendChild(el("span", "shortcut", shortcutLabel(row)));
      r.dataset.row = row.title;
    }
    e.appendChild(r);
  }
  return e;
}

// A key equivalent as a Mac menu shows it: the modifiers' symbols, then the key. The desktop
// sizes the menu for this label (MenuLayout::shortcutLabel).
function shortcutLabel(row) {
  const mask = row.keyEquivalentModifiers || 0;
  return (mask & (1 << 18) ? "⌃" : "") + (mask & (1 << 19) ? "⌥" : "") + (mask & (1 << 17) ? "⇧" : "") +
    (mask & (1 << 20) ? "⌘" : "") + row.keyEquivalent.toUpperCase();
}

// The desktop answers a click on an alert by where it lands: buttons stacked 30 points apart
// from 10 points above the bottom, the first on top. The box is placed by its bottom edge and
// grows upward with its text, so the buttons stay where the desktop looks for them and the
// text never runs under them. It grows no higher than the screen's visible frame: there
// its text scrolls.
function drawAlert(state, w, appearance) {
  const e = el("div", "alert-box" + (appearance === "dark" ? " dark" : ""));
  placeFromBottom(e, w.frame);
  const screen = state.screens.find((s) => within(s.frame, w.frame)) || state.screens[0];
  if (screen && screen.visibleFrame) {
    const [, y, , h] = screen.visibleFrame;
    e.style.maxHeight = Math.max(w.frame[3], y + h - w.frame[1]) + "px";
  }
  e.dataset.windowNumber = w.number;
  e.dataset.alert = w.messageText || "";
  const logo = el("img", "icon");
  logo.src = "/assets/AppLogo";
  logo.draggable = false;
  e.appendChild(logo);
  const text = el("div", "alert-text");
  text.appendChild(el("div", "message", w.messageText));
  if (w.informativeText) text.appendChild(el("div", "informative", w.informativeText));
  e.appendChild(text);
  const buttons = w.buttons || [];
  e.style.paddingBottom = 14 + buttons.length * 30 + "px";
  buttons.forEach((title, i) => {
    const b = el("div", "dialog-button" + (i === 0 ? " default" : ""), title);
    b.style.bottom = 13 + (buttons.length - 1 - i) * 30 + "px";
    b.dataset.button = title;
    e.appendChild(b);
  });
  return e;
}

// The system's Accessibility prompt: "Open System Settings" 40-80 points above its bottom,
// "Deny" below, where the desktop looks for the click. The system's own: in the system's
// appearance, whatever the application chose.
function drawAccessibilityPrompt(w, systemAppearance) {
  const e = el("div", "system-dialog" + (systemAppearance === "dark" ? " dark" : ""));
  placeFromBottom(e, w.frame);
  e.dataset.windowNumber = w.number;
  e.dataset.dialog = "accessibility";
  e.appendChild(glyph("lock", 52)).classList.add("icon");
  e.appendChild(el("div", "message", "“Tessivane” would like to control this computer using accessibility features."));
  e.appendChild(el("div", "informative", "Grant access to this application in Privacy & Security settings, located in System Settings."));
  e.style.paddingBottom = "90px";
  const open = el("div", "dialog-button default", "Open System Settings");
  open.style.bottom = "54px";
  open.dataset.button = "Open System Settings";
  const deny = el("div", "dialog-button", "Deny");
  deny.style.bottom = "12px";
  deny.dataset.button = "Deny";
  e.append(open, deny);
  return e;
}

function drawOpenPanel(state, w) {
  const panel = state.openPanel || {};
  const dir = page.openPanel;
  const e = el("div", "alert-box open-panel");
  place(e, w.frame);
  e.dataset.windowNumber = w.number;
  e.dataset.openPanel = "true";
  const head = el("div", "panel-head");
  head.appendChild(el("span", null, panel.title || w.title || "Open"));
  head.appendChild(el("span", "crumb", "Home/" + (dir.path === "." ? "" : dir.path)));
  e.appendChild(head);
  if (panel.message) e.appendChild(el("div", "panel-entry", panel.message));
  const list = el("div", "panel-list");
  if (dir.path !== ".") {
    const up = el("div", "panel-entry");
    up.dataset.folder = parentOf(dir.path);
    up.append(glyph("arrow_upward"), el("span", null, ".."));
    list.appendChild(up);
  }
  for (const entry of dir.entries) {
    const path = dir.path === "." ? entry.name : dir.path + "/" + entry.name;
    const row = el("div", "panel-entry" + (dir.selected === path ? " selected" : ""));
    row.dataset.file = path;
    if (entry.directory && !panel.canChooseDirectories) row.dataset.opens = "folder";
    row.append(glyph(entry.directory ? "folder" : "description"), el("span", null, entry.name));
    list.appendChild(row);
  }
  e.appendChild(list);
  const foot = el("div", "panel-foot");
  const cancel = el("button", null, "Cancel");
  cancel.dataset.panelCancel = "true";
  const open = el("button", "default", panel.prompt || "Open");
  open.disabled = !dir.selected;
  open.dataset.open = "true";
  foot.append(cancel, open);
  e.appendChild(foot);
  return e;
}

function within(outer, inner) {
  return inner[0] >= outer[0] && inner[1] >= outer[1] && inner[0] + inner[2] <= outer[0] + outer[2] &&
    inner[1] + inner[3] <= outer[1] + outer[3];
}

export function parentOf(path) {
  const i = path.lastIndexOf("/");
  return i < 0 ? "." : path.slice(0, i);
}

// Where each open context menu came up, by its key, in desk points: it stays there while it
// is open, as on a Mac, however the pointer then moves towards its rows.
const contextOrigins = new Map();

// Where each open menu goes: under its anchor, or above it when there is no room below, and
// kept on the desk. Runs after the page took the new elements, as it needs their layout.
export function placeMenus(desktopEl, zoom, pointer) {
  const layer = desktopEl.querySelector(".menu-layer");
  const open = new Set();
  const desk = desktopEl.getBoundingClientRect();
  for (const box of layer ? layer.children : []) {
    const anchor = desktopEl.querySelector(`[data-menu-anchor="${CSS.escape(box.dataset.anchor)}"]`);
    if (!anchor) continue;
    const a = anchor.getBoundingClientRect();
    const width = box.offsetWidth, height = box.offsetHeight;
    const deskW = desk.width / zoom, deskH = desk.height / zoom;
    // A menu button's menu opens below the button; a context menu where the pointer was when
    // it came up, if the pointer was over what it belongs to.
    const contextual = !anchor.classList.contains("vt-menu-button");
    const key = box.dataset.key;
    open.add(key);
    let origin = contextual ? contextOrigins.get(key) : undefined;
    if (contextual && !origin && pointer && pointer.x >= a.left && pointer.x <= a.right && pointer.y >= a.top &&
        pointer.y <= a.bottom) {
      origin = { x: (pointer.x - desk.left) / zoom, y: (pointer.y - desk.top) / zoom };
      contextOrigins.set(key, origin);
    }
    const at = origin ? { left: origin.x, top: origin.y, bottom: origin.y }
      : { left: (a.left - desk.left) / zoom, top: (a.bottom + 2 - desk.top) / zoom, bottom: (a.top - 2 - desk.top) / zoom };
    let left = at.left;
    let top = at.top;
    if (top + height > deskH) top = Math.max(0, at.bottom - height);
    left = Math.max(0, Math.min(left, deskW - width));
    box.style.left = left + "px";
    box.style.top = top + "px";
  }
  for (const key of [...contextOrigins.keys()]) if (!open.has(key)) contextOrigins.delete(key);
}
