// A person on the real clock, pressing with the mouse as a person does (the button held
// about 100 ms): through the tour and the settings, a long member list, the environment
// menu, a vossel's popover, and a restart of the process with the tab left open. On two
// displays, where the bar has room for Tessivane's items from the start.
import assert from "node:assert/strict";
import path from "node:path";
import { after, afterEach, before, describe, it } from "node:test";
import { openBrowser, openPage, press, screenshot, settle, startTessivane, windowTitled } from "./support.mjs";

const scenes = path.join(import.meta.dirname, "..", "..", "resources", "scenes");
const welcome = "Welcome to Tessivane";
// What a press does shows within this long on the real clock, or the press was lost.
const shows = { timeout: 3000 };

describe("a person on the real clock", () => {
  let app, chrome, page, problems;
  let shotName = "";

  before(async () => {
    app = await startTessivane(["--scene", path.join(scenes, "two-displays.json")], { clock: "real" });
    chrome = await openBrowser();
    ({ page, problems } = await openPage(chrome.browser, app.url));
  });

  afterEach(async () => {
    if (page && shotName) await screenshot(page, shotName);
    shotName = "";
  });

  after(async () => {
    if (chrome) await chrome.close();
    const end = app ? await app.stop() : { code: 0 };
    assert.deepEqual(problems || [], [], "the page ran without script errors");
    assert.equal(end.code, 0, "tessivane ends cleanly on SIGTERM:\n" + end.stderr);
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
    await press(page, last);
    await list.locator("[role=switch][aria-checked=true]").last().waitFor(shows);
    assert.equal(await rows.last().getAttribute("aria-checked"), "true", "the row below the fold, " + name);
    // New states came and went; the list stayed where it was scrolled to.
    const version = (await settle(page)).version;
    await page.waitForFunction((v) => window.display.state.version > v, version);
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

  it("creates an environment from its alert by typing and Return, as on a Mac", async () => {
    shotName = "13-new-environment";
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

  it("opens a member's context menu on a Control-click of its popover row", async () => {
    shotName = "14-context-menu";
    const vossel = page.locator(".item[data-autosave^='Tessivane.Group.']").first();
    await vossel.waitFor();
    await press(page, vossel);
    const popover = page.locator("[data-popover]");
    await popover.waitFor(shows);
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

  it("follows a restart of tessivane without a reload", async () => {
    shotName = "15-after-restart";
    const before = await settle(page);
    await page.evaluate(() => { window.sameDocument = true; });
    await app.restart();
    await page.waitForFunction((run) => window.display.state.run !== run, before.run);
    await page.locator("body:not(.offline)").waitFor();
    assert.equal(await page.evaluate(() => window.sameDocument), true, "the tab was not reloaded");
    // What the new run shows is drawn: its vossel, from the same home.
    await page.locator(".item[data-autosave^='Tessivane.Group.']").first().waitFor();
  });
});

async function segmentGone(page) {
  await page.locator(".vt-segment", { hasText: /^On click$/ }).waitFor({ state: "detached", ...shows });
}

// Whether `inner` is within what `outer` shows of its scrolled content.
async function inView(outer, inner) {
  const o = await outer.boundingBox();
  const i = await inner.boundingBox();
  return !!(o && i) && i.y >= o.y && i.y + i.height <= o.y + o.height;
}
