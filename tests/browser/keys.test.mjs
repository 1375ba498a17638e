// Keys, menus and the open panel as a Mac has them, through the page: Command-A in a field
// selects its text, menus show their titles and key equivalents whole, and "Open" (or
// Return) on a folder in the open panel enters the folder.
import assert from "node:assert/strict";
import { mkdirSync, writeFileSync } from "node:fs";
import path from "node:path";
import { before, describe, it } from "node:test";
import { fileURLToPath } from "node:url";
import { press, screenshot, settle, withTessivane } from "./support.mjs";

const defaultScene = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..", "..", "resources", "scenes",
  "default.json");

describe("keys and the open panel", () => {
  // As automated UI tests launch it: the settings window comes up on an empty store, with
  // the setup wizard's name field and icon picker; on the default desk, where a new
  // vossel's item stands in sight.
  const session = withTessivane(["-UITesting", "--scene", defaultScene], {
    prepare(home) {
      mkdirSync(path.join(home, "Pictures"), { recursive: true });
      writeFileSync(path.join(home, "Pictures", "glyph.png"), "");
    },
  });
  let page;
  before(() => { ({ page } = session); });

  const settings = () => page.locator(".win[data-title='Tessivane']");
  // A button by its title; its icon's glyph is text too.
  const button = (scope, title) => scope.locator("[role=button]", { hasText: title }).last();

  it("selects a field's whole text with Command-A", async () => {
    const field = settings().locator("[data-identifier='ui.newGroupName']").locator("xpath=descendant-or-self::input");
    await field.click();
    await page.keyboard.type("abc");
    await page.keyboard.press("Meta+A");
    await page.keyboard.type("Tools");
    assert.equal(await field.inputValue(), "Tools");
    await page.evaluate(() => window.display.idle());
    const state = await settle(page);
    assert.ok(JSON.stringify(state.windows).includes('"value":"Tools"'), "the application has the new name");
  });

  it("enters a folder on Open and on Return, and chooses nothing", async () => {
    await press(page, button(settings(), "Choose icon\u2026"));
    await press(page, button(settings(), "From Mac\u2026"));
    const panel = page.locator(".open-panel");
    const crumb = panel.locator(".crumb");
    await panel.waitFor();
    await press(page, panel.locator(".panel-entry[data-file='Pictures']"));
    await press(page, panel.locator("[data-open]"));
    await panel.locator(".panel-entry[data-file='Pictures/glyph.png']").waitFor();
    assert.equal(await crumb.innerText(), "Home/Pictures");

    await press(page, panel.locator(".panel-entry[data-folder='.']"));
    await press(page, panel.locator(".panel-entry[data-file='Pictures']"));
    await page.keyboard.press("Enter");
    await panel.locator(".panel-entry[data-file='Pictures/glyph.png']").waitFor();
    const state = await settle(page);
    assert.ok(state.openPanel, "the panel is still up: a folder is not its answer");
    await press(page, panel.locator("[data-panel-cancel]"));
    await panel.waitFor({ state: "detached" });
  });

  it("draws a menu as wide as its longest title and key equivalent", async () => {
    // What each row shows: its title, whether the page cut it short, and whether the title
    // and key equivalent end inside the row's padding.
    const rows = (menu) => menu.locator(".menu-row:not(.separator)").evaluateAll((all) => all.map((r) => {
      const title = r.querySelector(".menu-title"), last = r.querySelector(".shortcut") || title;
      const end = r.getBoundingClientRect().right - parseFloat(getComputedStyle(r).paddingRight);
      return { title: title.textContent, cut: title.scrollWidth > title.clientWidth,
        fits: last.getBoundingClientRect().right <= end + 0.5 };
    }));
    const assertWhole = (shown, titles) => {
      for (const t of titles) assert.ok(shown.some((r) => r.title === t), `${t} in ${JSON.stringify(shown)}`);
      for (const r of shown) assert.ok(!r.cut && r.fits, `${r.title} is drawn whole: ${JSON.stringify(r)}`);
    };
    const menu = page.locator("[data-menu=application]");

    // A vossel with a short name: its context menu's longest title is "Hide from Menu Bar".
    await press(page, settings().locator("[role=button]", { hasText: /^Back$/ }).last());  // out of the icon picker
    await press(page, settings().locator("[data-identifier='ui.addGroup']"));
    const vossel = page.locator(".item[data-autosave^='Tessivane.Group.']").first();
    await press(page, vossel, { button: "right" });
    await menu.waitFor();
    assertWhole(await rows(menu), ["Settings\u2026", "Hide from Menu Bar", "Delete \u201CTools\u201D\u2026"]);
    await screenshot(page, "keys-context-menu");
    await page.keyboard.press("Escape");
    await menu.waitFor({ state: "detached" });

    // The Edit menu, whose rows carry key equivalents with Shift among them.
    await press(page, page.locator(".appmenu[data-app-menu='Edit']"));
    await menu.waitFor();
    assertWhole(await rows(menu), ["Undo", "Redo", "Cut", "Copy", "Paste", "Select All"]);
    const redo = await menu.locator(".menu-row[data-row='Redo'] .shortcut").innerText();
    assert.equal(redo, "\u21E7\u2318Z");
    await screenshot(page, "keys-edit-menu");
    await page.keyboard.press("Escape");
    await menu.waitFor({ state: "detached" });
  });
});
