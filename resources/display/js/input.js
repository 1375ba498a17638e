// Input: the pointer, keys, hover and tooltips. Listeners sit on the page's few fixed
// elements and find what was hit by the data attributes the drawing wrote, so an element
// kept from one state to the next answers the same press and release.
//
// Outside view trees the pointer goes to the desktop as events at AppKit points; inside them
// clicks are actions on nodes (the same road a test's automation takes), while moves still go
// to the desktop so that tracking areas see the pointer, and so does a press in a window, which
// brings Tessivane to the front and makes the window key.
import { current, send } from "./connection.js";
import { pointFromEvent, view } from "./geometry.js";
import { page } from "./pageState.js";

const TOOLTIP_DELAY_MS = 600;

let desktopEl, panelEl, redraw, commands;
let pressed = false;          // a press went to the desktop: its release goes there too
let buttonDown = false;       // the left button is held on the desk
let hovered = [];             // "window/node" of the view nodes that track hover, under the pointer
let contextMenuPress = false; // the system turned this Control-press into a context menu already
export const pointer = { x: 0, y: 0 };

export function modifiersOf(event) {
  const m = [];
  if (event.metaKey || page.commandLatched) m.push("command");
  if (event.ctrlKey) m.push("control");
  if (event.altKey) m.push("option");
  if (event.shiftKey) m.push("shift");
  return m;
}

function buttonName(event) {
  return event.button === 2 ? "right" : event.button === 1 ? "other" : "left";
}

function inViewTree(target) {
  return target.closest && target.closest(".view-host, .open-panel, .menu-layer, .titlebar .close.enabled");
}

function isField(e) {
  return e && e.dataset && e.dataset.act === "type";
}

function windowOf(e) {
  const holder = e.closest("[data-win]") || e.closest("[data-window-number]");
  return holder ? Number(holder.dataset.win || holder.dataset.windowNumber) : undefined;
}

function act(windowNumber, node, action, extra = {}) {
  return send("/act", Object.assign({ window: windowNumber, node, action }, extra));
}

// The secondary action (a right click, or a Control-click as on a Mac) goes to the deepest
// node under the pointer; the view layer finds the one that takes it among its ancestors.
function secondary(target, action) {
  const node = target.closest("[data-node]");
  if (!node) return false;
  act(windowOf(node), node.dataset.node, action);
  return true;
}

function onClick(event) {
  const t = event.target;
  if (!t.closest) return;
  if (event.ctrlKey && inViewTree(t) && !t.closest(".menu-layer")) {
    if (!contextMenuPress) secondary(t, "controlClick");
    contextMenuPress = false;
    return;
  }
  const actionable = t.closest("[data-act]");
  if (actionable && inViewTree(t)) {
    const a = actionable.dataset.act;
    const w = Number(actionable.dataset.win);
    if (a === "click" || a === "toggle") act(w, actionable.dataset.actNode, a);
    // In a field the click puts the caret, and the application's focus, there.
    else if (a === "type") act(w, actionable.dataset.actNode, "click");
    else if (a === "choose") act(w, actionable.dataset.actNode, "choose", { title: actionable.dataset.title });
    return;
  }
  const close = t.closest(".titlebar .close.enabled");
  if (close) {
    send("/window", { window: Number(close.dataset.close), action: "close" });
    return;
  }
  const file = t.closest("[data-file]");
  if (file) {
    page.openPanel.selected = file.dataset.file;
    redraw();
    return;
  }
  const folder = t.closest("[data-folder]");
  if (folder) return commands.loadFolder(folder.dataset.folder);
  if (t.closest("[data-panel-cancel]")) return send("/dialogs/open-panel", { cancel: true });
  if (t.closest("[data-open]")) openSelected();
}

// The open panel's "Open" (or Return): a folder the panel does not choose is entered, as on
// a Mac; anything else is the answer.
function openSelected() {
  const path = page.openPanel.selected;
  if (!path) return;
  const row = desktopEl.querySelector(`.open-panel [data-file="${CSS.escape(path)}"]`);
  if (row && row.dataset.opens === "folder") commands.loadFolder(path);
  else send("/dialogs/open-panel", { paths: [path] });
}

function onDoubleClick(event) {
  const file = event.target.closest && event.target.closest("[data-file]");
  if (!file) return;
  if (file.dataset.opens === "folder") commands.loadFolder(file.dataset.file);
  else send("/dialogs/open-panel", { paths: [file.dataset.file] });
}

function onContextMenu(event) {
  event.preventDefault();
  if (!inViewTree(event.target)) return;  // the desktop had the right button's down and up
  // A Control-press the system calls a context menu (as macOS itself does) is a Control-click.
  const control = event.ctrlKey && event.button === 0;
  contextMenuPress = control;
  secondary(event.target, control ? "controlClick" : "rightClick");
}

// Hover: the nodes that track it, from the innermost out, are told when the pointer enters
// and leaves them.
function trackHover(target) {
  const now = [];
  for (let e = target.closest && target.closest("[data-hover]"); e; e = e.parentElement && e.parentElement.closest("[data-hover]")) {
    now.push(e.dataset.win + "/" + e.dataset.hover);
  }
  if (now.length === hovered.length && now.every((k, i) => k === hovered[i])) return;
  for (const k of hovered) if (!now.includes(k)) sendHover(k, "unhover");
  for (const k of now) if (!hovered.includes(k)) sendHover(k, "hover");
  hovered = now;
}

function sendHover(key, action) {
  const slash = key.indexOf("/");
  act(Number(key.slice(0, slash)), key.slice(slash + 1), action);
}

function onMouseMove(event) {
  pointer.x = event.clientX;
  pointer.y = event.clientY;
  const p = pointFromEvent(desktopEl, event);
  const type = event.buttons & 1 && !inViewTree(event.target) ? "dragged" : "move";
  send("/pointer", { type, x: p.x, y: p.y, modifiers: modifiersOf(event) }, { coalesce: "move" });
  if (page.dragging) {
    page.dragging.dx = (event.clientX - page.dragging.startX) / view.zoom;
    const item = desktopEl.querySelector(`.item[data-item-id="${page.dragging.id}"]`);
    if (item) {
      item.classList.add("dragging");
      item.style.transform = `translateX(${page.dragging.dx}px)`;
    }
  }
  trackHover(event.target);
}

function onMouseDown(event) {
  hideTooltip(true);
  if (event.button === 0) buttonDown = true;
  const p = pointFromEvent(desktopEl, event);
  const modifiers = modifiersOf(event);
  if (inViewTree(event.target)) {
    // A press in a window goes to the desktop too, which activates Tessivane and makes the
    // window key before the field or button pressed takes the click.
    if (event.button !== 0 || !event.target.closest(".win > .view-host")) return;
    pressed = true;
    send("/pointer", { type: "down", x: p.x, y: p.y, button: "left", modifiers });
    return;
  }
  event.preventDefault();
  const item = event.target.closest && event.target.closest(".item");
  if (item && event.button === 0 && modifiers.includes("command")) {
    page.dragging = { id: item.dataset.itemId, startX: event.clientX, dx: 0 };
  }
  pressed = true;
  send("/pointer", { type: "down", x: p.x, y: p.y, button: buttonName(event), modifiers });
}

function onMouseUp(event) {
  if (event.button === 0) buttonDown = false;
  if (!pressed) return;
  pressed = false;
  // Dropped: the desktop moves a dragged item where the pointer lets go.
  page.dragging = null;
  const p = pointFromEvent(desktopEl, event);
  send("/pointer", { type: "up", x: p.x, y: p.y, button: buttonName(event), modifiers: modifiersOf(event) });
}

// Typing in a field replaces its text; Return submits it, Escape and Command keys go to the
// desktop.
//
// What the person typed stays in the field until the state that took it is drawn; from then on
// the field shows what the application holds, which an Edit menu command (a paste, an undo)
// changes too. Per field: the typing not answered yet, and the state version that took the last.
const typing = new Map();

function fieldKey(e) {
  return e.dataset.win + "/" + e.dataset.actNode;
}

function onInput(event) {
  const t = event.target;
  if (!isField(t)) return;
  const key = fieldKey(t);
  const typed = typing.get(key) || { pending: 0, run: null, version: 0 };
  typing.set(key, typed);
  ++typed.pending;
  act(windowOf(t), t.dataset.actNode, "type", { text: t.value }).then((answer) => {
    --typed.pending;
    const shown = current();
    typed.run = shown && shown.run;
    typed.version = Math.max(typed.version, answer.version || 0);
  });
}

// Whether a field on the page keeps what the person typed rather than the text of `state`.
export function keepsTyping(field, state) {
  const key = fieldKey(field);
  const typed = typing.get(key);
  if (!typed) return false;
  if (typed.pending || (state.run === typed.run && state.version < typed.version)) return true;
  typing.delete(key);
  return false;
}

// A field the person moves to with Tab takes the application's focus too (a press does it by
// its click).
function onFocusIn(event) {
  const t = event.target;
  if (isField(t) && !buttonDown && !t.classList.contains("focused")) act(windowOf(t), t.dataset.actNode, "click");
}

function onChange(event) {
  const t = event.target;
  if (t.dataset && t.dataset.act === "select") act(windowOf(t), t.dataset.actNode, "choose", { title: t.value });
}

function onKeyDown(event) {
  const t = event.target;
  if (isField(t)) {
    if ((event.metaKey || page.commandLatched) && event.key.length === 1) {
      // Command keys go to the application's main menu, whose Edit menu acts on the field, in
      // every browser; the field then shows what the application holds. Select All is shown
      // on the page too, so that what is typed next replaces the text.
      event.preventDefault();
      if (event.key.toLowerCase() === "a") t.select();
      send("/key", { key: event.key.toLowerCase(), modifiers: modifiersOf(event) });
    } else if (event.key === "Enter") {
      event.preventDefault();
      act(windowOf(t), t.dataset.actNode, "submit");
    } else if (event.key === "Escape") {
      event.preventDefault();
      send("/key", { key: "Escape" });
    }
    return;
  }
  // Keys typed outside a field: Return and Escape, and Command-key equivalents.
  if (t && (t.tagName === "INPUT" || t.tagName === "SELECT" || t.tagName === "TEXTAREA")) return;
  const modifiers = modifiersOf(event);
  if (event.key === "Enter" && page.openPanel.selected && desktopEl.querySelector(".open-panel")) {
    event.preventDefault();
    openSelected();
  } else if (event.key === "Enter" || event.key === "Escape") {
    event.preventDefault();
    send("/key", { key: event.key === "Enter" ? "Return" : "Escape", modifiers });
  } else if (event.key === "Backspace" || event.key === "Tab") {
    event.preventDefault();
    send("/key", { key: event.key === "Tab" ? "Tab" : "Delete", modifiers });
  } else if (event.key.length === 1 && (event.metaKey || page.commandLatched)) {
    event.preventDefault();
    send("/key", { key: event.key.toLowerCase(), modifiers });
  }
}

function onPanelClick(event) {
  const b = event.target.closest && event.target.closest("[data-cmd]");
  if (!b) return;
  const state = commands.state();
  switch (b.dataset.cmd) {
    case "advance": commands.advance(Number(b.dataset.advance)); break;
    case "answer": send("/dialogs/accessibility", { answer: b.dataset.answer }); break;
    case "trust": send("/settings/accessibility", { enabled: !(state && state.accessibility.trusted) }); break;
    case "key": send("/key", { key: b.dataset.press }); break;
    case "latch": page.commandLatched = !page.commandLatched; redraw(); break;
    case "fold": page.panelFolded = !page.panelFolded; redraw(); break;
    default: break;
  }
}

// ---- tooltips: after a short rest of the pointer, near it; gone on a press, and when a
// popover or a menu comes up (what it would cover is what the person wants to reach).
let tooltipEl = null;
let tooltipTarget = null;
let tooltipTimer = 0;
let tooltipSuppressed = null;  // the target whose tooltip a popover or menu put away

function onPointerOver(event) {
  const target = event.target.closest && event.target.closest("[data-tooltip]");
  if (target === tooltipTarget) return;
  hideTooltip(false);
  tooltipTarget = target;
  if (!target || target === tooltipSuppressed) return;
  tooltipSuppressed = null;
  tooltipTimer = setTimeout(() => {
    tooltipTimer = 0;
    if (!tooltipTarget || !tooltipTarget.isConnected) return;
    if (!tooltipEl) {
      tooltipEl = document.createElement("div");
      tooltipEl.className = "tooltip";
      document.body.appendChild(tooltipEl);
    }
    tooltipEl.textContent = tooltipTarget.dataset.tooltip;
    const x = Math.min(pointer.x + 10, window.innerWidth - tooltipEl.offsetWidth - 4);
    tooltipEl.style.left = Math.max(4, x) + "px";
    tooltipEl.style.top = pointer.y + 18 + "px";
  }, TOOLTIP_DELAY_MS);
}

function hideTooltip(suppress) {
  if (tooltipTimer) clearTimeout(tooltipTimer);
  tooltipTimer = 0;
  if (tooltipEl) tooltipEl.remove();
  tooltipEl = null;
  if (suppress) tooltipSuppressed = tooltipTarget;
}

// Typing reaches a field only while its window is the key window of the active application.
// A window that stops being key (another application came to the front) lets go of the page's
// focus, and its focus ring; one that becomes key again gives it back to the field the
// application focused there, unless a press in one of its fields brought it back.
let keyWindow = "";  // the number of the key window last drawn, "" for none
let hostFocus = "";  // "window/node" of the field focused in it, or in a popover
function followKeyWindow() {
  const win = desktopEl.querySelector(".win.key");
  const number = win ? win.dataset.windowNumber : "";
  if (number === keyWindow) return false;
  const left = keyWindow;
  keyWindow = number;
  const active = document.activeElement;
  const holder = active && active.closest && active.closest(".win");
  if (left && holder && holder.dataset.windowNumber === left) active.blur();
  return number !== "";
}

// The field the application gave the focus (an alert's field as it comes up, a field whose
// focus binding asks for it) takes the page's focus too, once each time the focus moves there,
// so typing goes into it.
function followHostFocus(cameBack) {
  const field = desktopEl.querySelector(".win.key input.vt-field.focused, .popover input.vt-field.focused");
  const key = field ? fieldKey(field) : "";
  if (key === hostFocus) return;
  hostFocus = key;
  const active = document.activeElement;
  if (!field || active === field) return;
  if (cameBack && isField(active) && active.closest(".win") === field.closest(".win")) return;
  field.focus();
}

// After each drawing: a popover or a menu puts the tooltip away.
export function afterRender(state) {
  followHostFocus(followKeyWindow());
  const covering = state.windows.some((w) => w.kind === "popover" || w.kind === "menu") ||
    desktopEl.querySelector(".menu-layer > *");
  if (covering && (tooltipEl || tooltipTimer)) hideTooltip(true);
  if (tooltipTarget && !tooltipTarget.isConnected) tooltipTarget = null;
}

export function install(elements, handlers) {
  ({ desktopEl, panelEl } = elements);
  redraw = handlers.redraw;
  commands = handlers;
  desktopEl.addEventListener("mousemove", onMouseMove);
  desktopEl.addEventListener("mousedown", onMouseDown);
  window.addEventListener("mouseup", onMouseUp);
  desktopEl.addEventListener("click", onClick);
  desktopEl.addEventListener("dblclick", onDoubleClick);
  desktopEl.addEventListener("contextmenu", onContextMenu);
  desktopEl.addEventListener("input", onInput);
  desktopEl.addEventListener("focusin", onFocusIn);
  desktopEl.addEventListener("change", onChange);
  desktopEl.addEventListener("mouseleave", () => trackHover(desktopEl));
  panelEl.addEventListener("click", onPanelClick);
  document.addEventListener("mouseover", onPointerOver);
  document.addEventListener("mousemove", (event) => {
    pointer.x = event.clientX;
    pointer.y = event.clientY;
  });
  window.addEventListener("keydown", onKeyDown);
}
