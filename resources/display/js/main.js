// The page of the simulated Mac. It draws the state the process publishes (docs/display.md)
// and sends input back through the JSON API. Each state is drawn as a fresh element tree
// and the page is morphed into it: elements persist across states (keyed by window number
// and view node id), so a press and its release land on the same element, and scroll
// positions, focus, selection, hover and open menus survive.
import morphdom from "/node_modules/morphdom/dist/morphdom-esm.js";
import * as connection from "./connection.js";
import { drawDesk, placeMenus } from "./desk.js";
import { drawPanel } from "./panel.js";
import { clientPoint, computeBounds, fit, view } from "./geometry.js";
import { afterRender, install, keepsTyping, pointer } from "./input.js";
import { page } from "./pageState.js";

const desktopEl = document.getElementById("desktop");
const sizerEl = document.getElementById("sizer");
const viewportEl = document.getElementById("viewport");
const panelEl = document.getElementById("panel");

const morphOptions = {
  childrenOnly: true,
  getNodeKey: (n) => (n.nodeType === 1 && n.getAttribute("data-key")) || null,
  onBeforeElUpdated(from, to) {
    if (from.tagName === "INPUT" && from.dataset.act === "type") {
      // What the person typed stays theirs until the state took it; then the field shows the
      // application's text, even where the attribute did not change.
      if (keepsTyping(from, connection.current())) to.value = from.value;
      else if (from.value !== to.value) from.value = to.value;
    } else if (from === document.activeElement && (from.tagName === "INPUT" || from.tagName === "SELECT")) {
      // What the person is choosing stays theirs until the state catches up.
      to.value = from.value;
    }
    return !from.isEqualNode(to);
  },
};

// Morphing can move an element in the document (when two siblings before it go at once),
// and a moved element starts again at the top, without a scroll event. Elements that were
// ever scrolled are put back where they stood just before the morph.
const scrolled = new Set();
desktopEl.addEventListener("scroll", (event) => {
  if (event.target instanceof Element) scrolled.add(event.target);
}, true);

function morphKeepingScrolls(next) {
  const before = [];
  for (const e of scrolled) {
    if (e.isConnected) before.push([e, e.scrollLeft, e.scrollTop]);
    else scrolled.delete(e);
  }
  morphdom(desktopEl, next, morphOptions);
  for (const [e, left, top] of before) {
    if (e.scrollTop !== top) e.scrollTop = top;
    if (e.scrollLeft !== left) e.scrollLeft = left;
  }
}

function render() {
  const state = connection.current();
  if (!state) return;
  document.body.classList.toggle("system-dark", state.systemAppearance === "dark");
  document.body.classList.toggle("panel-folded", page.panelFolded);
  view.bounds = computeBounds(state.screens);
  fit(viewportEl, sizerEl, desktopEl);
  const openPanel = state.windows.find((w) => w.kind === "openPanel");
  if (openPanel && page.openPanel.loadedFor !== openPanel.number) {
    page.openPanel.loadedFor = openPanel.number;
    loadFolder(".");
  }

  const next = document.createElement("div");
  next.appendChild(drawDesk(state));
  morphKeepingScrolls(next);
  placeMenus(desktopEl, view.zoom, pointer);

  // A log scrolled to its end follows what is added to it.
  const atEnd = new Map();
  for (const pre of panelEl.querySelectorAll("pre")) atEnd.set(pre.dataset.log, pre.scrollTop + pre.clientHeight >= pre.scrollHeight - 4);
  morphdom(panelEl, drawPanel(state), morphOptions);
  for (const pre of panelEl.querySelectorAll("pre")) if (atEnd.get(pre.dataset.log) !== false) pre.scrollTop = pre.scrollHeight;
  afterRender(state);
}

async function loadFolder(path) {
  try {
    const r = await fetch("/api/files?path=" + encodeURIComponent(path));
    const j = await r.json();
    if (j.ok) {
      Object.assign(page.openPanel, { path: j.path === "" ? "." : j.path, entries: j.entries, selected: null });
      render();
    }
  } catch (e) {
    /* the next state shows the panel again */
  }
}

// Small windows: fold the side panel away, from the start and whenever the tab is made
// narrower than that; one folded so unfolds again when the tab is widened.
const FOLD_WIDTH = 1000;
let narrow = window.innerWidth < FOLD_WIDTH;
let foldedForWidth = narrow;
page.panelFolded = narrow;
function followWidth() {
  const now = window.innerWidth < FOLD_WIDTH;
  if (now !== narrow) {
    if (now && !page.panelFolded) {
      page.panelFolded = true;
      foldedForWidth = true;
    } else if (!now && foldedForWidth && page.panelFolded) {
      page.panelFolded = false;
    }
    if (!now) foldedForWidth = false;
    narrow = now;
  }
  render();
}

install({ desktopEl, panelEl }, {
  redraw: render,
  loadFolder,
  advance: connection.advance,
  state: connection.current,
});
window.addEventListener("resize", followWidth);

// For tests and the console: the same queue the page's own input uses.
window.display = {
  send: connection.send,
  idle: connection.idle,
  advance: connection.advance,
  stateAt: connection.stateAt,
  settle: connection.settle,
  get state() { return connection.current(); },
  // Where an AppKit point is on the page (client pixels).
  clientPoint: (x, y) => clientPoint(desktopEl, x, y),
};

connection.start({
  onState: render,
  onOffline: (offline) => document.body.classList.toggle("offline", offline),
});
