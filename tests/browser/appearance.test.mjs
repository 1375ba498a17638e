// How the desk looks: in the dark appearance what the menu bar says can be read against
// it, the system's prompt is dark too, and the settings' labels and switches stand out (a
// member's switch drawn bare, without its title); in a small window the desk stays readable,
// and a tab made narrow folds its side panel.
import assert from "node:assert/strict";
import { mkdirSync } from "node:fs";
import path from "node:path";
import { before, describe, it } from "node:test";
import {
  advance, contrast, darkScene, decodePNG, press, resultsDir, screenshot, waitForState, windowTitled, withTessivane,
} from "./support.mjs";

async function elementShot(page, locator) {
  return decodePNG(await page.screenshot({ clip: await locator.boundingBox() }));
}

// WCAG's relative luminance, from the contrast against black.
function luminance(rgb) {
  return (contrast(rgb, [0, 0, 0]) - 1) * 0.05;
}

// What stands out most in an element from what most of its box shows (its background): for a
// label, the text against what it is drawn on.
async function strongestContrast(page, locator) {
  const shot = await elementShot(page, locator);
  const counts = new Map();
  for (let y = 0; y < shot.height; ++y) {
    for (let x = 0; x < shot.width; ++x) {
      const key = shot.rgb(x, y).join(",");
      counts.set(key, (counts.get(key) || 0) + 1);
    }
  }
  const background = [...counts.entries()].sort((a, b) => b[1] - a[1])[0][0].split(",").map(Number);
  let best = 1;
  for (const key of counts.keys()) best = Math.max(best, contrast(background, key.split(",").map(Number)));
  return best;
}

// Each member's switch, in the wizard and the editor, is drawn bare: its title, "In vossel",
// is not drawn beside it.
async function expectBareMemberSwitches(settings) {
  const members = await settings.locator("[role=switch]", { hasNotText: "In menu bar" }).all();
  assert.ok(members.length > 3, "a switch per member");
  for (const member of members) {
    const drawn = await member.evaluate((e) => ({ text: e.innerText.trim(), width: e.getBoundingClientRect().width,
      track: e.querySelector(".vt-switch").getBoundingClientRect().width }));
    assert.ok(drawn.text === "" && drawn.width <= drawn.track + 1, "a member's switch draws " + JSON.stringify(drawn));
  }
  assert.equal(await settings.getByText("In vossel", { exact: true }).filter({ visible: true }).count(), 0);
}

describe("the look of the desk", () => {
  const session = withTessivane(["--scene", darkScene]);
  let page;
  before(() => { ({ page } = session); });

  it("draws the menu bar's titles legibly", async () => {
    await page.locator("body.system-dark .appmenu.app-name").waitFor();
    const bar = await page.locator("[data-menubar=primary]").boundingBox();
    mkdirSync(resultsDir, { recursive: true });
    await page.screenshot({ path: path.join(resultsDir, "20-dark-bar.png"), clip: { ...bar, height: bar.height + 60 } });
    const titles = page.locator(".appmenu");
    assert.ok((await titles.count()) >= 3, "the Apple menu, the application's name and its menus");
    for (const title of await titles.all()) {
      const best = await strongestContrast(page, title);
      const name = (await title.getAttribute("data-app-menu")) || "Apple";
      assert.ok(best >= 4.5, `${name}: contrast ${best.toFixed(2)} against the bar`);
    }
  });

  it("draws the system's prompt and the settings legibly in the dark", async () => {
    const tour = windowTitled(page, "Welcome to Tessivane");
    await advance(page, 0.6);
    await press(page, tour.locator("[role=button]", { hasText: /^Next$/ }));
    await press(page, tour.getByText("Enable Accessibility…"));
    // The system's prompt follows the system's appearance.
    const prompt = page.locator("[data-dialog=accessibility]");
    await prompt.waitFor();
    const promptShot = await elementShot(page, prompt);
    assert.ok(luminance(promptShot.rgb(Math.floor(promptShot.width / 2), 8)) < 0.1, "the prompt is dark");
    await press(page, prompt.locator("[data-button='Open System Settings']"));
    await press(page, page.locator("[data-accessibility-switch]"));
    await waitForState(page, (s) => s.accessibility.trusted);
    await press(page, tour.locator("[role=button]", { hasText: /^Skip$/ }));
    await tour.waitFor({ state: "detached" });

    // The wizard's member list: an off switch's track stands out from what it is drawn on.
    await page.keyboard.press("Meta+Comma");
    const settings = windowTitled(page, "Tessivane");
    await press(page, settings.locator("[data-identifier='ui.addGroup']"));
    const off = settings.locator(".vt-switch:not(.on)").first();
    await off.waitFor();
    await expectBareMemberSwitches(settings);
    const box = await off.boundingBox();
    const around = decodePNG(await page.screenshot({ clip: { x: box.x - 6, y: box.y, width: box.width + 12, height: box.height } }));
    const track = around.rgb(around.width - 6 - 4, Math.floor(around.height / 2));  // right of the knob
    const surface = around.rgb(1, Math.floor(around.height / 2));
    assert.ok(contrast(track, surface) >= 3, `an off switch's track: ${contrast(track, surface).toFixed(2)} against ${surface}`);
    await press(page, settings.locator("[data-identifier='ui.wizard.continue']"));
    await press(page, settings.locator("[data-identifier='ui.wizard.continue']", { hasText: /^Done$/ }));

    // The editor: the red Delete label on its grey button.
    const remove = settings.locator("[data-identifier='ui.deleteGroup']");
    await remove.waitFor();
    await screenshot(page, "21-dark-settings");
    await expectBareMemberSwitches(settings);
    const label = await strongestContrast(page, remove);
    assert.ok(label >= 4.5, `Delete: contrast ${label.toFixed(2)} against its button`);
  });

  it("keeps the desk readable in a small window: it scrolls, and the side panel is folded", async () => {
    await page.setViewportSize({ width: 800, height: 500 });
    await page.reload();
    await page.waitForFunction(() => window.display && window.display.state);
    const look = await page.evaluate(() => {
      const viewport = document.getElementById("viewport");
      return {
        zoom: new DOMMatrix(getComputedStyle(document.getElementById("desktop")).transform).a,
        scrolls: viewport.scrollWidth > viewport.clientWidth && viewport.scrollHeight > viewport.clientHeight,
        panel: document.getElementById("panel").offsetWidth,
      };
    });
    assert.ok(look.zoom >= 0.6, "zoom " + look.zoom);
    assert.ok(look.scrolls, "the rest of the desk is a scroll away");
    assert.ok(look.panel <= 40, "the side panel is folded: " + look.panel);
  });

  it("folds the side panel when the tab is made narrow, and unfolds it when widened again", async () => {
    const panelWidth = () => page.evaluate(() => document.getElementById("panel").offsetWidth);
    await page.setViewportSize({ width: 1840, height: 1010 });
    await page.waitForFunction(() => document.getElementById("panel").offsetWidth > 200);
    await page.setViewportSize({ width: 900, height: 700 });
    await page.waitForFunction(() => document.getElementById("panel").offsetWidth <= 40);
    assert.ok((await panelWidth()) <= 40);
  });
});
