// How the desk looks: in the dark appearance what the menu bar says can be read against
// it; in a small window the desk stays readable.
import assert from "node:assert/strict";
import { mkdirSync } from "node:fs";
import path from "node:path";
import { after, before, describe, it } from "node:test";
import { contrast, darkScene, decodePNG, openBrowser, openPage, resultsDir, startTessivane } from "./support.mjs";

describe("the look of the desk", () => {
  let app, chrome, page, problems;

  before(async () => {
    app = await startTessivane(["--scene", darkScene]);
    chrome = await openBrowser();
    ({ page, problems } = await openPage(chrome.browser, app.url));
  });

  after(async () => {
    if (chrome) await chrome.close();
    const end = app ? await app.stop() : { code: 0 };
    assert.deepEqual(problems || [], [], "the page ran without script errors");
    assert.equal(end.code, 0, "tessivane ends cleanly on SIGTERM:\n" + end.stderr);
  });

  it("draws the menu bar's titles legibly", async () => {
    await page.locator("body.system-dark .appmenu.app-name").waitFor();
    const bar = await page.locator("[data-menubar=primary]").boundingBox();
    mkdirSync(resultsDir, { recursive: true });
    await page.screenshot({ path: path.join(resultsDir, "20-dark-bar.png"), clip: { ...bar, height: bar.height + 60 } });
    const titles = page.locator(".appmenu");
    assert.ok((await titles.count()) >= 3, "the Apple menu, the application's name and its menus");
    for (const title of await titles.all()) {
      const box = await title.boundingBox();
      const shot = decodePNG(await page.screenshot({ clip: box }));
      // The bar is what most of the title's box shows; the text is what stands out most from it.
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
      const name = (await title.getAttribute("data-app-menu")) || "Apple";
      assert.ok(best >= 4.5, `${name}: contrast ${best.toFixed(2)} against the bar`);
    }
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
});
