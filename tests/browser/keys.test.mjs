// Keys, menus and the open panel as a Mac has them, through the page: Command-A in a field
// selects its text, the Edit menu's keys act on the field in every browser and the field shows
// what the application holds, typing reaches no field while another application is in front,
// menus show their titles and key equivalents whole, and "Open" (or Return) on a folder in the
// open panel enters the folder.
import assert from "node:assert/strict";
import { mkdirSync, writeFileSync } from "node:fs";
import path from "node:path";
import { before, describe, it } from "node:test";
import { fileURLToPath } from "node:url";
import { press, screenshot, settle, waitForState, withTessivane } from "./support.mjs";

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

  const nameField = () => settings().locator("[data-identifier='ui.newGroupName']").locator("xpath=descendant-or-self::input");
  // Waits until the application holds `value` in the name field and the page's field shows it.
  async function holds(value) {
    const field = nameField();
    const node = await field.getAttribute("data-act-node");
    await waitForState(page, (state, [id, v]) => {
      const find = (n) => n.id === id ? n : (n.children || []).map(find).find(Boolean);
      const win = state.windows.find((w) => w.kind === "window" && w.tree && find(w.tree));
      return win && (find(win.tree).props.value || "") === v;
    }, [node, value]);
    await field.evaluate((e, v) => new Promise((resolve) => {
      const look = () => (e.value === v ? resolve() : requestAnimationFrame(look));
      look();
    }), value);
  }

  it("takes no typing into a field while another application is in front", async () => {
    const field = nameField();
    await press(page, field);
    const before = await field.inputValue();
    // A press on the desktop brings Finder to the front: the field lets go of the focus.
    const desk = await page.evaluate(() => window.display.clientPoint(60, 500));
    await page.mouse.move(desk.x, desk.y);
    await page.mouse.down();
    await page.mouse.up();
    await waitForState(page, (state) => state.menuBar.frontmost.name === "Finder" &&
      !state.windows.some((w) => w.kind === "window" && w.key));
    await page.waitForFunction(() => !document.activeElement.matches("input"));
    await page.keyboard.type("Mail");
    for (const key of ["Meta+A", "Meta+X", "Meta+V", "Enter"]) await page.keyboard.press(key);
    await page.evaluate(() => window.display.idle());
    await holds(before);
    assert.equal(await nameField().evaluate((e) => getComputedStyle(e).boxShadow.includes("rgba(10, 132, 255")), false,
      "no focus ring in a window that is not key");
    await screenshot(page, "keys-finder-in-front");

    // A press back into the field brings Tessivane to the front, and typing reaches it.
    await press(page, field);
    await page.keyboard.press("Meta+A");
    await page.keyboard.type("Mail");
    await holds("Mail");
    assert.equal((await settle(page)).menuBar.frontmost.name, "Tessivane");
  });

  it("edits a field through the Edit menu's keys and shows what the application holds", async () => {
    const field = nameField();
    await press(page, field);
    // Each step, and what the field holds after it; "press" puts the caret in the field.
    const steps = [["Meta+A", "Mail"], ["Meta+C", "Mail"], ["Tools", "Tools"], ["press", "Tools"],
      ["Meta+V", "ToolsMail"], ["Meta+Z", "Tools"], ["Shift+Meta+Z", "ToolsMail"], ["Meta+A", "ToolsMail"],
      ["Meta+X", ""], ["Meta+V", "ToolsMail"], ["Meta+Z", ""], ["Meta+Z", "ToolsMail"], ["Meta+Z", "Tools"]];
    for (const [step, value] of steps) {
      if (step === "press") await press(page, field);
      else if (step.includes("+")) await page.keyboard.press(step);
      else await page.keyboard.type(step);
      await holds(value);
      if (step === "Meta+V" && value === "ToolsMail") await screenshot(page, "keys-pasted");
    }
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

  it("names a new vossel with what is typed as its page comes up", async () => {
    // Through the wizard's last two steps to the editor.
    for (const next of ["Hide them behind the line", "Tools"]) {
      await press(page, settings().locator("[data-identifier='ui.wizard.continue']"));
      await settings().getByText(next, { exact: true }).first().waitFor();
    }
    await press(page, settings().locator("[data-identifier='ui.addVossel']"));
    await page.waitForFunction(() => document.activeElement.matches(".win.key input") &&
      document.activeElement.closest("[data-identifier='ui.newGroupName']") !== null);
    await page.keyboard.type("Mail");
    await screenshot(page, "keys-new-vossel");
    await page.keyboard.press("Enter");
    await settings().getByText("New vossel", { exact: true }).waitFor({ state: "detached" });
    const state = await settle(page);
    assert.ok(JSON.stringify(state.windows).includes('"text":"Mail"'), "the editor shows the vossel named Mail");
  });
});
