// Keys and the open panel as a Mac has them, through the page: Command-A in a field selects
// its text, and "Open" (or Return) on a folder in the open panel enters the folder.
import assert from "node:assert/strict";
import { mkdirSync, writeFileSync } from "node:fs";
import path from "node:path";
import { before, describe, it } from "node:test";
import { press, settle, withTessivane } from "./support.mjs";

describe("keys and the open panel", () => {
  // As automated UI tests launch it: the settings window comes up on an empty store, with
  // the setup wizard's name field and icon picker.
  const session = withTessivane(["-UITesting"], {
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
});
