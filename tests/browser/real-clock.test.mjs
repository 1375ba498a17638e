// A person on the real clock, pressing with the mouse as a person does (the button held
// about 100 ms): through the tour and the settings, a long member list, the environment
// menu, a vossel's popover, and a restart of the process with the tab left open. On two
// displays, where the bar has room for Tessivane's items from the start.
import assert from "node:assert/strict";
import path from "node:path";
import { afterEach, before, describe, it } from "node:test";
import { item, press, screenshot, settle, waitForState, windowTitled, withTessivane } from "./support.mjs";

const scenes = path.join(import.meta.dirname, "..", "..", "resources", "scenes");
const welcome = "Welcome to Tessivane";
// What a press does shows within this long on the real clock, or the press was lost.
const shows = { timeout: 3000 };

describe("a person on the real clock", () => {
  const session = withTessivane(["--scene", path.join(scenes, "two-displays.json")], { clock: "real" });
  let page;
  let shotName = "";

  before(() => { ({ page } = session); });

  afterEach(async () => {
    if (page && shotName) await screenshot(page, shotName);
    shotName = "";
  });

  const settings = () => page.locator(".win[data-title='Tessivane']");
  const button = (scope, title) => scope.locator("[role=button]", { hasText: new RegExp(`^${title}$`) }).first();

  it("loses none of 40 presses across the tour and the settings", async () => {
    shotName = "11-settings";
    const tour = windowTitled(page, welcome);
    await tour.waitFor();
    const lost = [];
    // The tour: Next shows Back, Back takes it away again.
    for (let i = 0; i < 10; ++i) {
      await press(page, button(tour, "Next"));
      if (!(await button(tour, "Back").waitFor(shows).then(() => true, () => false))) {
        lost.push("Next " + i);
        continue;
      }
      await press(page, button(tour, "Back"));
      if (!(await button(tour, "Back").waitFor({ state: "detached", ...shows }).then(() => true, () => false))) lost.push("Back " + i);
    }
    await screenshot(page, "10-tour");
    assert.deepEqual(lost, [], "presses in the tour that did nothing");
    await press(page, button(tour, "Skip"));
    await tour.waitFor({ state: "detached" });
    // The settings, from the keyboard, and their segmented choice of when a vossel opens.
    await page.keyboard.press("Meta+Comma");
    await settings().waitFor();
    await press(page, settings().locator("[data-identifier='ui.settings']"));
    const segment = (title) => settings().locator(".vt-segment", { hasText: new RegExp(`^${title}$`) });
    await segment("On click").waitFor();
    for (let i = 0; i < 10; ++i) {
      for (const title of ["On click", "On hover"]) {
        await press(page, segment(title));
        const chosen = settings().locator(".vt-segment.selected", { hasText: new RegExp(`^${title}$`) });
        if (!(await chosen.waitFor(shows).then(() => true, () => false))) lost.push(title + " " + i);
      }
    }
    // Every titled switch shows its title once.
    const launch = await settings().locator("[role=switch]", { hasText: "Launch at login" }).innerText();
    assert.equal(launch.trim(), "Launch at login");
    assert.deepEqual(lost, [], "presses in the settings that did nothing");
  });

  it("scrolls the member list and switches a row below the fold", async () => {
    shotName = "12-member-list";
    // The settings cover the wizard: theirs is the last Back.
    await press(page, settings().locator("[role=button]", { hasText: /^Back$/ }).last());
    await segmentGone(page);
    // The list of icons needs Accessibility: System Settings, as the side panel shows them.
    await press(page, page.locator("[data-accessibility-switch]"));
    await page.locator("[data-accessibility-switch=on]").waitFor(shows);
    await press(page, settings().locator("[data-identifier='ui.addGroup']"));
    const list = settings().locator(".vt-scroll").first();
    const rows = list.locator("[role=switch]");
    await rows.first().waitFor();
    // Rows are named by what discovery reads of each icon; once Accessibility is on it reads
    // more, and a renamed row is a new row.
    await list.getByText("Sundial Weather").waitFor();
    const last = rows.last();
    assert.equal(await last.isVisible() && await inView(list, last), false, "the last row starts below the fold");
    const box = await list.boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    for (let i = 0; i < 20 && !(await inView(list, last)); ++i) await page.mouse.wheel(0, 200);
    const scrolled = await list.evaluate((e) => e.scrollTop);
    assert.ok(scrolled > 0);
    const name = await last.evaluate((e) => e.closest("[data-key]").parentElement.innerText);
    // On, off and on again: the list stays where it was scrolled to each time.
    for (const on of [true, false, true]) await switchKeepingScroll(page, list, on, name);
    assert.equal(await list.evaluate((e) => e.scrollTop), scrolled);
    // A second member near the top, for the popover.
    await list.evaluate((e) => { e.scrollTop = 0; });
    await press(page, rows.first());
    await list.locator("[role=switch][aria-checked=true]").nth(1).waitFor(shows);
  });

  it("switches environment Work → Home → Work through the menu", async () => {
    shotName = "13-environment-menu";
    // The wizard's last step, and done: the settings of the new vossel, with the menu of
    // environments in their top bar.
    await press(page, settings().locator("[data-identifier='ui.wizard.continue']"));
    await press(page, settings().locator("[data-identifier='ui.wizard.continue']", { hasText: /^Done$/ }));
    const menuButton = settings().locator(".vt-menu-button").first();
    await menuButton.waitFor();
    for (const environment of ["Home", "Work"]) {
      await press(page, menuButton);
      const row = page.locator(".menu-layer .vt-dropdown-row", { hasText: new RegExp(`^✓?${environment}$`) });
      await row.waitFor(shows);
      assert.equal(await page.locator(".menu-layer .vt-dropdown-row", { hasText: /^✓?(Work|Home)$/ }).count(), 2);
      if (environment === "Home") await screenshot(page, "13-environment-menu-open");
      await press(page, row);
      await menuButton.filter({ hasText: environment }).waitFor(shows);
      await page.locator(".menu-layer > *").waitFor({ state: "detached" });
    }
  });

  it("keeps the editor's member list scrolled where it was when a member is switched off and on", async () => {
    shotName = "13-editor-member-list";
    const list = settings().locator(".vt-scroll").filter({ has: page.locator("[role=switch]") }).first();
    const last = list.locator("[role=switch]").last();
    await last.waitFor();
    const box = await list.boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    for (let i = 0; i < 20 && !(await inView(list, last)); ++i) await page.mouse.wheel(0, 200);
    assert.ok(await list.evaluate((e) => e.scrollTop) > 0, "the editor's list scrolls");
    const name = await last.evaluate((e) => e.closest("[data-key]").parentElement.innerText);
    assert.equal(await last.getAttribute("aria-checked"), "true", name);
    for (const on of [false, true]) await switchKeepingScroll(page, list, on, name);
  });

  it("creates an environment from its alert by typing and Return, as on a Mac", async () => {
    shotName = "13b-new-environment";
    const menuButton = settings().locator(".vt-menu-button").first();
    const choose = async (title) => {
      await press(page, menuButton);
      await press(page, page.locator(".menu-layer .vt-dropdown-row", { hasText: title }));
    };
    await choose("Add environment\u2026");
    const field = settings().locator(".vt-sheet input.vt-field");
    await field.waitFor(shows);
    // The field has the focus as the alert comes up: the keys go into it.
    await page.waitForFunction(() => document.activeElement && document.activeElement.matches(".vt-sheet input"));
    await page.keyboard.type("Travel");
    await page.keyboard.press("Enter");
    await settings().locator(".vt-sheet").waitFor({ state: "detached", ...shows });
    await menuButton.filter({ hasText: "Travel" }).waitFor(shows);
    // Back to the environment with the vossel, for what follows.
    await choose(/^✓?Work$/);
    await menuButton.filter({ hasText: "Work" }).waitFor(shows);
  });

  it("hides a vossel from the menu bar by its chip's context menu, and shows it again", async () => {
    shotName = "13-chip-menu";
    const chip = settings().locator("[data-identifier^='ui.group.']").first();
    const vosselItems = async () =>
      (await settle(page)).statusItems.filter((i) => i.autosaveName.startsWith("Tessivane.Group.")).length;
    const shownBefore = await vosselItems();
    for (const [title, change] of [["Hide from Menu Bar", -1], ["Show in Menu Bar", 0]]) {
      await press(page, chip, { button: "right" });
      const row = page.locator(".vt-dropdown .vt-dropdown-row", { hasText: title });
      await row.waitFor(shows);
      if (change) await screenshot(page, "13-chip-menu-open");
      await press(page, row);
      await row.waitFor({ state: "detached", ...shows });
      await waitForState(page, (state, n) => state.statusItems
        .filter((i) => i.autosaveName.startsWith("Tessivane.Group.")).length === n, shownBefore + change, shows);
      assert.equal(await vosselItems(), shownBefore + change, title);
    }
  });

  it("opens a member's context menu on a Control-click of its popover row", async () => {
    shotName = "14-context-menu";
    const vossel = page.locator(".item[data-autosave^='Tessivane.Group.']").first();
    await vossel.waitFor();
    const popover = await openPopover(page, vossel);
    const row = popover.getByText(/^Sundial/).first();
    await row.waitFor(shows);
    await screenshot(page, "14-popover");
    await press(page, row, { modifiers: ["Control"] });
    await page.locator("[data-menu=statusItem]").waitFor(shows);
    const state = await settle(page);
    const menu = state.windows.find((w) => w.menuOf === "statusItem");
    assert.equal(menu.contextMenu, true, "the member's context menu, not its menu");
    const item = state.statusItems.find((i) => i.id === menu.statusItem || i.window === menu.statusItem);
    assert.equal(item && item.owner, "Sundial", JSON.stringify(menu));
    await page.keyboard.press("Escape");
    await page.locator("[data-menu=statusItem]").waitFor({ state: "detached", ...shows });
  });

  it("lists a member opened from the vossel's popover under What happened", async () => {
    shotName = "15-member-opened";
    const opened = page.locator("[data-records] li", { hasText: /^Opened the menu of Sundial: (?!.*\(context menu\))/ });
    const before = await opened.count();
    const vossel = page.locator(".item[data-autosave^='Tessivane.Group.']").first();
    const row = (await openPopover(page, vossel)).getByText(/^Sundial/).first();
    await row.waitFor(shows);
    await press(page, row);
    await opened.nth(before).waitFor(shows);
    await page.locator("[data-menu=statusItem]").waitFor(shows);
    await page.keyboard.press("Escape");
    await page.locator("[data-menu=statusItem]").waitFor({ state: "detached", ...shows });
  });

  it("asks in an alert before a vossel is deleted, and takes its answer from the mouse", async () => {
    shotName = "16-alert-answered";
    const vossel = page.locator(".item[data-autosave^='Tessivane.Group.']").first();
    await press(page, vossel, { button: "right" });
    const row = page.locator("[data-menu=application] .menu-row", { hasText: /^Delete/ });
    await press(page, row);
    const alert = page.locator(".alert-box[data-alert^='Delete']");
    await alert.waitFor(shows);
    await screenshot(page, "16-alert");
    // The buttons are drawn where the desktop takes their clicks.
    await press(page, alert.locator("[data-button=Cancel]"));
    await alert.waitFor({ state: "detached", ...shows });
    assert.ok((await settle(page)).statusItems.some((i) => i.autosaveName.startsWith("Tessivane.Group.")), "the vossel stays");
  });

  it("draws a vossel's popover soon after a press", async () => {
    shotName = "17-popover-latency";
    const vossel = page.locator(".item[data-autosave^='Tessivane.Group.']").first();
    const popover = page.locator("[data-popover]");
    // Measured in the page: from the release of the button (the vossel opens on mouse up) to
    // the frame that draws the popover.
    // A popover drawn before the button was released opened on hover, as the pointer rested on
    // the vossel (on a busy machine the hold outlasts the hover's delay): it measures nothing,
    // and the release that follows closes it again.
    await page.evaluate(() => {
      const latency = window.latency = { armed: false, settled: false, released: 0, drawn: [] };
      window.addEventListener("mouseup", (e) => { latency.released = e.timeStamp; }, true);
      new MutationObserver(() => {
        if (!latency.armed || !document.querySelector("[data-popover]")) return;
        latency.armed = false;
        if (!latency.released) {
          latency.settled = true;
          return;
        }
        requestAnimationFrame((frame) => {
          latency.drawn.push(frame - latency.released);
          latency.settled = true;
        });
      }).observe(document.body, { childList: true, subtree: true });
    });
    const presses = 7;
    for (let attempt = 0; attempt < 3 * presses; ++attempt) {
      const drawn = await page.evaluate(() => window.latency.drawn.length);
      if (drawn === presses) break;
      // A popover that just closed does not open again at once, and one may open on hover:
      // the desktop's clock moves on past both first.
      await clockMoves(page, 2);
      if (await popover.count()) {
        await press(page, vossel);
        await popover.waitFor({ state: "detached", ...shows });
        continue;
      }
      await page.evaluate(() => Object.assign(window.latency, { armed: true, settled: false, released: 0 }));
      await press(page, vossel);
      // Opened by the press and measured; or opened on hover, and closed or left open by the
      // press: tried again.
      if (!(await popover.waitFor(shows).then(() => true, () => false))) continue;
      await page.waitForFunction(() => window.latency.settled);
      if ((await page.evaluate(() => window.latency.drawn.length)) === drawn) continue;
      await press(page, vossel);
      await popover.waitFor({ state: "detached", ...shows });
    }
    const times = (await page.evaluate(() => window.latency.drawn)).sort((a, b) => a - b);
    assert.equal(times.length, presses);
    const median = times[presses >> 1];
    console.log(`[ latency ] press to popover drawn: median ${median.toFixed(0)} ms of ${presses} presses ` +
      `(${times.map((t) => t.toFixed(0)).join(", ")} ms)`);
    // Generous: the sanitized test build on a busy machine; it takes two to three times what a
    // release build takes.
    assert.ok(median < 1500, `median ${median} ms`);
  });

  it("follows a restart of tessivane without a reload", async () => {
    shotName = "18-after-restart";
    const before = await settle(page);
    await page.evaluate(() => { window.sameDocument = true; });
    await session.app.restart();
    await page.waitForFunction((run) => window.display.state.run !== run, before.run);
    await page.locator("body:not(.offline)").waitFor();
    assert.equal(await page.evaluate(() => window.sameDocument), true, "the tab was not reloaded");
    // What the new run shows is drawn: its vossel, from the same home.
    await page.locator(".item[data-autosave^='Tessivane.Group.']").first().waitFor();
  });
});

// Waits until the desktop's clock, as the page shows it, moved on by `seconds` whole seconds.
async function clockMoves(page, seconds) {
  const now = (await settle(page)).clock.now;
  await page.waitForFunction((t) => window.display.state.clock.now >= t, now + seconds);
}

// Opens the vossel's popover with a press. The settings chose "On hover": the pointer resting
// on the vossel opens it too, and on a busy machine the hover's delay can pass while the
// button is held, so that the release closes the popover again. So the popover counts as open
// once the desktop, not only the page, shows it after the press; if not, the press goes again.
async function openPopover(page, vossel) {
  const popover = page.locator("[data-popover]");
  for (let attempt = 0; attempt < 3; ++attempt) {
    if (!(await popover.count())) await press(page, vossel);
    if (!(await popover.waitFor(shows).then(() => true, () => false))) continue;
    if ((await settle(page)).windows.some((w) => w.kind === "popover")) return popover;
  }
  throw new Error("the vossel's popover did not stay open after three presses");
}

async function segmentGone(page) {
  await page.locator(".vt-segment", { hasText: /^On click$/ }).waitFor({ state: "detached", ...shows });
}

// Presses the last switch of `list` (scrolled to it) and waits until it shows `on`; through
// that and the states that follow, the list keeps its scroll position.
async function switchKeepingScroll(page, list, on, name) {
  const rows = list.locator("[role=switch]");
  const scrolled = await list.evaluate((e) => e.scrollTop);
  await press(page, rows.last());
  await rows.last().and(list.locator(`[aria-checked="${on}"]`)).waitFor(shows);
  // New states came and went (the member hidden or shown again in the bar).
  const version = (await settle(page)).version;
  await page.waitForFunction((v) => window.display.state.version > v, version);
  await settle(page);
  assert.equal(await rows.last().getAttribute("aria-checked"), String(on), "the row below the fold, " + name);
  assert.equal(await list.evaluate((e) => e.scrollTop), scrolled, `switching ${name} ${on ? "on" : "off"} kept the scroll position`);
}

// Whether `inner` is within what `outer` shows of its scrolled content.
async function inView(outer, inner) {
  const o = await outer.boundingBox();
  const i = await inner.boundingBox();
  return !!(o && i) && i.y >= o.y && i.y + i.height <= o.y + o.height;
}

// The tour's hide step followed literally, from the bar as it starts (collapsed): an icon
// ⌘-dragged just past the line, and the arrow clicked twice, open and closed, hides it.
describe("the tour's hide step on the real clock", () => {
  const session = withTessivane(["--scene", path.join(scenes, "two-displays.json")], { clock: "real" });
  // Whether the pusher is as wide as collapsing makes it, or else as narrow as expanding does.
  const pusherIs = (state, wide) => {
    const pusher = state.statusItems.find((i) => i.autosaveName === "Tessivane.Pusher");
    return !!pusher && (pusher.frame[2] > 100) === wide;
  };

  it("hides an icon ⌘-dragged just past the line once the arrow is clicked twice", async () => {
    const { page } = session;
    await item(page, "Tessivane.Line").waitFor();
    const state = await waitForState(page, pusherIs, true);
    const line = state.statusItems.find((i) => i.autosaveName === "Tessivane.Line");
    // The icon of another application nearest the line on the clock's side.
    const icon = state.statusItems
      .filter((i) => i.shown && !i.autosaveName.startsWith("Tessivane.") && i.frame[0] > line.frame[0])
      .sort((a, b) => a.frame[0] - b.frame[0])[0];
    assert.ok(icon, "an icon on the clock's side of the line");
    // Hold ⌘ and drag it to a point past the line, away from the clock.
    const box = await page.locator(`.item[data-item-id="${icon.id}"]`).boundingBox();
    const y = box.y + box.height / 2;
    const target = await page.evaluate((x) => window.display.clientPoint(x, 0), line.frame[0] - 1);
    await page.mouse.move(box.x + box.width / 2, y, { steps: 2 });
    await page.keyboard.down("Meta");
    await page.mouse.down();
    await page.mouse.move(target.x, y, { steps: 4 });
    await page.mouse.up();
    await page.keyboard.up("Meta");
    await waitForState(page, (s, id) => s.statusItems.find((i) => i.id === id).frame[0] <
      s.statusItems.find((i) => i.autosaveName === "Tessivane.Line").frame[0], icon.id, shows);
    // Click > : open, then closed.
    const chevron = item(page, "Tessivane.Chevron");
    await press(page, chevron);
    await waitForState(page, pusherIs, false, shows);
    await press(page, chevron);
    const after = await waitForState(page, pusherIs, true, shows);
    await screenshot(page, "19-hidden-past-the-line");
    assert.equal(after.statusItems.find((i) => i.id === icon.id).shown, false, `${icon.owner} is hidden`);
    assert.equal(await page.locator(`.item[data-item-id="${icon.id}"]`).count(), 0, `${icon.owner} is not drawn`);
  });
});
