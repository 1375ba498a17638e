// The desks a person starts on: on the default laptop and its Hebrew twin, three vossels
// made in the settings are all drawn beside the camera housing, on the clock side of the
// chevron and the line, and a restart shows and hides the same icons in the same order. Then, on the default laptop,
// a vossel with a name of 1,320 characters: the settings cut it on one line, its popover, its
// context menu and its delete alert stay on the screen, and the alert's Cancel takes a real press.
import assert from "node:assert/strict";
import path from "node:path";
import { before, describe, it } from "node:test";
import { advance, press, screenshot, settle, waitForState, windowTitled, withTessivane } from "./support.mjs";

const scenes = path.join(import.meta.dirname, "..", "..", "resources", "scenes");
const vosselNames = ["Work tools", "Chat", "Media"];
const longName = "Quarterly ".repeat(132).slice(0, 1320);

const isVossel = (i) => i.autosaveName.startsWith("Tessivane.Group.");

// Every icon from the clock outward (the pusher left out), named as a person would tell them
// apart, each marked when it is pushed off the bar.
function barFromTheClock(state) {
  const screen = state.screens.find((s) => s.primary) || state.screens[0];
  const clock = state.statusItems.find((i) => i.autosaveName === "Clock");
  const rtl = clock.frame[0] < screen.frame[0] + screen.frame[2] / 2;
  return state.statusItems
    .filter((i) => i.visible && i.autosaveName !== "Tessivane.Pusher")
    .sort((a, b) => (rtl ? a.frame[0] - b.frame[0] : b.frame[0] - a.frame[0]))
    .map((i) => (isVossel(i) ? i.tooltip.split(" — ")[0] : `${i.owner}/${i.autosaveName}`) + (i.onScreen ? "" : " (hidden)"));
}

// Whether the item is drawn on the side of the housing the status items belong to.
function besideTheHousing(state, item) {
  const screen = state.screens.find((s) => s.primary) || state.screens[0];
  const housing = screen.cameraHousing;
  if (!item || !item.shown || !item.onScreen || !housing) return false;
  const [x, , w] = item.frame;
  const rtl = item.frame[0] < housing[0];
  return rtl ? x >= screen.frame[0] && x + w <= housing[0] : x >= housing[0] + housing[2] && x + w <= screen.frame[0] + screen.frame[2];
}

for (const scene of ["default.json", "hebrew.json"]) {
  describe(`three vossels on ${scene}`, () => {
    const session = withTessivane(["--scene", path.join(scenes, scene)]);
    let page;
    before(() => { ({ page } = session); });

    const settings = () => windowTitled(page, "Tessivane");
    const byIdentifier = (id) => settings().locator(`[data-identifier='${id}']`).first();

    it("draws the second and third vossel beside the housing, as the first, before the chevron and the line", async () => {
      await advance(page, 0.6);  // the tour comes up 0.6 s after launch
      const tour = windowTitled(page, "Welcome to Tessivane");
      await press(page, tour.locator("[role=button]", { hasText: /^Skip$/ }));
      await tour.waitFor({ state: "detached" });
      const others = (bar) => bar.filter((i) => !i.startsWith("Tessivane/") && !vosselNames.includes(i));
      const before = barFromTheClock(await settle(page));
      await page.keyboard.press("Meta+Comma");
      await settings().waitFor();
      // The first through the wizard, the others from the editor's "+".
      await byIdentifier("ui.newGroupName").fill(vosselNames[0]);
      await press(page, byIdentifier("ui.addGroup"));
      await press(page, byIdentifier("ui.wizard.continue"));
      await press(page, settings().locator("[data-identifier='ui.wizard.continue']", { hasText: /^Done$/ }));
      for (const name of vosselNames.slice(1)) {
        await press(page, byIdentifier("ui.addVossel"));
        await byIdentifier("ui.newGroupName").fill(name);
        await press(page, byIdentifier("ui.addGroup"));
        await byIdentifier("ui.addGroup").waitFor({ state: "detached" });
      }
      await advance(page, 1);
      const state = await waitForState(page, (s) => s.statusItems.filter((i) => i.autosaveName.startsWith("Tessivane.Group.")).length === 3);
      for (const vossel of state.statusItems.filter(isVossel)) {
        assert.ok(besideTheHousing(state, vossel), `${vossel.autosaveName} at ${vossel.frame} (shown ${vossel.shown})`);
        await page.locator(`.item[data-autosave="${vossel.autosaveName}"]`).waitFor();
      }
      for (const own of ["Tessivane.Settings", "Tessivane.Chevron", "Tessivane.Line"]) {
        assert.ok(besideTheHousing(state, state.statusItems.find((i) => i.autosaveName === own)), own);
      }
      // The settings closed, for the whole desk to be seen.
      await press(page, settings().locator("[data-close]"));
      await settings().waitFor({ state: "detached" });
      await advance(page, 1);
      const arranged = barFromTheClock(await settle(page));
      assert.deepEqual(arranged.filter((i) => i.startsWith("Tessivane/") || vosselNames.includes(i)),
        ["Tessivane/Tessivane.Settings", ...vosselNames, "Tessivane/Tessivane.Chevron", "Tessivane/Tessivane.Line"]);
      assert.deepEqual(others(arranged), others(before), "the icons hidden before stay hidden, the shown ones shown");
      await screenshot(page, scene === "default.json" ? "30-default-desk-three-vossels" : "31-hebrew-desk-three-vossels");
    });

    // Last of each desk's tests: the tour may come back with the new run.
    const restartKeepsTheBar = () => it("shows and hides the same icons, in the same order, after a restart", async () => {
      await advance(page, 1);
      const before = await settle(page);
      const arranged = barFromTheClock(before);
      const run = before.run;
      await session.app.restart();
      await page.waitForFunction((r) => window.display.state.run !== r, run);
      await page.locator("body:not(.offline)").waitFor();
      await advance(page, 1);
      await waitForState(page, (s) => s.statusItems.filter((i) => i.autosaveName.startsWith("Tessivane.Group.")).length === 3);
      assert.deepEqual(barFromTheClock(await settle(page)), arranged);
      await screenshot(page, scene === "default.json" ? "35-default-desk-restarted" : "36-hebrew-desk-restarted");
    });
    if (scene !== "default.json") {
      restartKeepsTheBar();
      return;
    }

    it("keeps a long-named vossel's popover, menu and alert on the screen", async () => {
      // The third vossel, the one the settings show last, renamed.
      await page.keyboard.press("Meta+Comma");
      await settings().waitFor();
      await settings().getByText("Turn one on to put it in Media").waitFor();
      await press(page, byIdentifier("ui.editVossel"));
      await byIdentifier("ui.groupName").fill(longName);
      await press(page, byIdentifier("ui.saveVossel"));
      await byIdentifier("ui.saveVossel").waitFor({ state: "detached" });
      // The editor's header keeps its buttons' titles whole beside the long name.
      await settings().getByText("Turn one on to put it in Quarterly", { exact: false }).waitFor();
      const switchInMenuBar = settings().locator("[role=switch]", { hasText: "In menu bar" });
      for (const [control, title] of [[byIdentifier("ui.editVossel"), "Edit"], [byIdentifier("ui.deleteGroup"), "Delete"],
        [switchInMenuBar, "In menu bar"]]) {
        assert.equal((await control.innerText()).trim(), title);
        const box = await control.boundingBox();
        assert.ok(box.height < 30, `${title} on one line: ${box.height} px high`);
      }
      await screenshot(page, "34-long-name-editor");
      // The name itself, a one-line text, stays on one line: the header cuts it with an ellipsis.
      const lines = await settings().locator(".vt-text").evaluateAll((texts, name) => texts
        .filter((e) => e.textContent === name)
        .map((e) => {
          const style = getComputedStyle(e);
          return { height: e.getBoundingClientRect().height, font: parseFloat(style.fontSize), wrap: style.whiteSpace,
            cut: e.scrollWidth > e.clientWidth && style.overflowX === "hidden" && style.textOverflow === "ellipsis" };
        }), longName.trim());
      assert.ok(lines.some((t) => t.cut), "the header cuts the name: " + JSON.stringify(lines));
      for (const t of lines) assert.ok(t.height < 2 * t.font && t.wrap === "nowrap", "on one line: " + JSON.stringify(t));
      await press(page, settings().locator("[data-close]"));
      await settings().waitFor({ state: "detached" });

      let state = await settle(page);
      const vossel = state.statusItems.find((i) => isVossel(i) && i.tooltip && i.tooltip.startsWith("Quarterly"));
      assert.ok(vossel, "the renamed vossel's item");
      const screen = state.screens.find((s) => s.primary);
      const [vx, vy, vw, vh] = screen.visibleFrame;
      const within = (f) => f[0] >= vx && f[1] >= vy && f[0] + f[2] <= vx + vw && f[1] + f[3] <= screen.frame[1] + screen.frame[3];

      await press(page, page.locator(`.item[data-autosave="${vossel.autosaveName}"]`));
      const popover = page.locator("[data-popover]");
      await popover.waitFor();
      state = await waitForState(page, (s) => s.windows.some((w) => w.kind === "popover"));
      const popoverWindow = state.windows.find((w) => w.kind === "popover");
      assert.ok(within(popoverWindow.frame), "popover " + popoverWindow.frame);
      await screenshot(page, "32-long-name-popover");
      // A second press on the item closes it.
      await press(page, page.locator(`.item[data-autosave="${vossel.autosaveName}"]`));
      await popover.waitFor({ state: "detached" });

      await press(page, page.locator(`.item[data-autosave="${vossel.autosaveName}"]`), { button: "right" });
      const menu = page.locator("[data-menu=application]");
      await menu.waitFor();
      state = await settle(page);
      const menuWindow = state.windows.find((w) => w.kind === "menu");
      assert.ok(menuWindow.frame[2] <= screen.frame[2] && within(menuWindow.frame), "menu " + menuWindow.frame);
      const deleteRow = menu.locator(".menu-row", { hasText: /^Delete/ });
      // The title is cut where the menu ends.
      assert.ok(await deleteRow.locator(".menu-title").evaluate((e) => e.scrollWidth > e.clientWidth && getComputedStyle(e).textOverflow === "ellipsis"));
      await press(page, deleteRow);

      const alert = page.locator(".alert-box[data-alert^='Delete']");
      await alert.waitFor();
      const alertBox = await alert.boundingBox();
      const dock = await page.locator(".dock").boundingBox();
      const bar = await page.locator("[data-menubar=primary]").boundingBox();
      assert.ok(alertBox.y >= bar.y + bar.height - 1 && alertBox.y + alertBox.height <= dock.y + 1,
        `the alert (${alertBox.y}..${alertBox.y + alertBox.height}) between the bar and the Dock (${dock.y})`);
      await screenshot(page, "33-long-name-alert");
      await press(page, alert.locator("[data-button=Cancel]"));
      await alert.waitFor({ state: "detached" });
      state = await settle(page);
      assert.equal(state.statusItems.filter(isVossel).length, 3, "Cancel kept the vossel");
    });

    restartKeepsTheBar();
  });
}
