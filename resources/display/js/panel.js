// The side panel: what macOS itself would show (the clock, the Accessibility prompt and
// switch, the application's policy and appearance, what was opened or chosen, the logs).
// Its buttons carry `data-cmd`; js/input.js carries them out.
import { el } from "./look.js";
import { page } from "./pageState.js";

function section(panel, title) {
  panel.appendChild(el("h2", null, title));
}

function pill(text, good) {
  return el("span", "pill " + (good === true ? "ok" : good === false ? "no" : ""), text);
}

function command(text, cmd, extra = {}, cls) {
  const b = el("button", cls, text);
  b.dataset.cmd = cmd;
  Object.assign(b.dataset, extra);
  return b;
}

export function drawPanel(state) {
  const panel = document.createElement("aside");
  const head = el("div", "panel-top");
  const titles = el("div");
  titles.append(el("h1", null, "Tessivane"), el("div", "sub", "Simulated Mac: " + state.scene));
  const fold = command(page.panelFolded ? "‹" : "›", "fold", {}, "fold");
  fold.setAttribute("aria-label", page.panelFolded ? "Show the side panel" : "Fold the side panel away");
  head.append(titles, fold);
  panel.appendChild(head);
  if (page.panelFolded) return panel;

  section(panel, "Clock");
  const clockRow = el("div", "row");
  const now = new Date(state.clock.now * 1000);
  clockRow.appendChild(el("span", null, now.toISOString().replace("T", " ").replace(/\.\d+Z$/, " UTC")));
  clockRow.appendChild(pill(state.clock.manual ? "manual" : "real"));
  panel.appendChild(clockRow);
  if (state.clock.manual) {
    const steps = el("div", "row");
    steps.dataset.clockControls = "true";
    for (const s of [0.1, 0.5, 1, 5, 30]) steps.appendChild(command("+" + s + " s", "advance", { advance: s }));
    panel.appendChild(steps);
  }

  section(panel, "Accessibility");
  const ax = el("div", "card" + (state.accessibility.promptShown ? " alerting" : ""));
  if (state.accessibility.promptShown) {
    ax.appendChild(el("div", null, "The system asks whether Tessivane may control this computer."));
    const r = el("div", "row");
    r.append(
      command("Open System Settings", "answer", { answer: "openSystemSettings" }),
      command("Deny", "answer", { answer: "deny" }));
    r.dataset.prompt = "accessibility";
    ax.appendChild(r);
  }
  const sw = el("div", "switch-row");
  sw.appendChild(el("span", null, "System Settings › Privacy & Security › Accessibility › Tessivane"));
  const toggle = command("", "trust", {}, "mini-switch" + (state.accessibility.trusted ? " on" : ""));
  toggle.dataset.accessibilitySwitch = state.accessibility.trusted ? "on" : "off";
  toggle.setAttribute("aria-label", "Tessivane may use Accessibility");
  sw.appendChild(toggle);
  ax.appendChild(sw);
  panel.appendChild(ax);

  section(panel, "Application");
  const app = el("div", "card");
  const r1 = el("div", "row");
  r1.append(el("span", null, "Activation policy"), pill(state.activationPolicy));
  const r2 = el("div", "row");
  r2.append(el("span", null, "Appearance"), pill(state.appearance), el("span", "sub", "system " + state.systemAppearance));
  const r3 = el("div", "row");
  r3.append(el("span", null, "Frontmost"), pill(state.menuBar.frontmost ? state.menuBar.frontmost.name : "none"));
  app.append(r1, r2, r3);
  if (state.openPanel) app.appendChild(el("div", "row", "An open panel is up: choose a file in it."));
  panel.appendChild(app);

  section(panel, "Keys");
  const keys = el("div", "row");
  const latch = command("⌘ held", "latch", {}, page.commandLatched ? "on" : "");
  latch.dataset.tooltip = "Holds Command for the next clicks and drags (for a ⌘-drag where the system keeps the key)";
  keys.append(command("Return", "key", { press: "Return" }), command("Escape", "key", { press: "Escape" }), latch);
  panel.appendChild(keys);

  const records = state.records;
  const openedMenus = records.openedMenus || [];
  if (openedMenus.length || records.chosenMenuItems.length || records.openedURLs.length || records.beeps) {
    section(panel, "What happened");
    const list = el("ul");
    list.dataset.records = "true";
    for (const m of openedMenus) list.appendChild(el("li", null, "Opened the menu of " + m));
    for (const m of records.chosenMenuItems) list.appendChild(el("li", null, "Chose " + m));
    for (const u of records.openedURLs) list.appendChild(el("li", null, "Opened " + u));
    if (records.beeps) list.appendChild(el("li", null, records.beeps + " beep(s)"));
    panel.appendChild(list);
  }

  section(panel, "Click log");
  const click = el("pre", null, state.logs.click.join("\n") || "(empty)");
  click.dataset.log = "click";
  panel.appendChild(click);
  section(panel, "Hide log");
  const hide = el("pre", null, state.logs.hide.join("\n") || "(empty)");
  hide.dataset.log = "hide";
  panel.appendChild(hide);
  return panel;
}
