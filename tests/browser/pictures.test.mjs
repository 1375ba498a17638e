// A person's photo as a vossel's icon. The state names the picture instead of carrying it:
// the page fetches it from the server (with the page's credentials) and draws it in the bar
// and in the vossel's popover, and no state it is sent grows with the photo.
import assert from "node:assert/strict";
import { mkdirSync, writeFileSync } from "node:fs";
import { randomUUID } from "node:crypto";
import path from "node:path";
import { after, before, describe, it } from "node:test";
import { fileURLToPath } from "node:url";
import { crc32, deflateSync } from "node:zlib";
import { advance, item, openBrowser, openPage, press, startTessivane, waitForState } from "./support.mjs";

// Random RGB noise, which no compression shrinks: a photo's worth of bytes.
function noisePNG(width, height) {
  const chunk = (type, data) => {
    const out = Buffer.alloc(12 + data.length);
    out.writeUInt32BE(data.length, 0);
    out.write(type, 4, "ascii");
    data.copy(out, 8);
    out.writeUInt32BE(crc32(out.subarray(4, 8 + data.length)), 8 + data.length);
    return out;
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header[8] = 8;  // bits per sample
  header[9] = 2;  // RGB
  const stride = width * 3 + 1;
  const raw = Buffer.alloc(stride * height);
  let state = 1;
  for (let y = 0; y < height; ++y) {
    for (let i = 1; i < stride; ++i) {
      state ^= state << 13; state ^= state >>> 17; state ^= state << 5;
      raw[y * stride + i] = state & 255;
    }
  }
  return Buffer.concat([Buffer.from("\x89PNG\r\n\x1a\n", "latin1"), chunk("IHDR", header),
    chunk("IDAT", deflateSync(raw, { level: 1 })), chunk("IEND", Buffer.alloc(0))]);
}

// Two displays and no camera housing: nothing hides the vossel's item.
const scene = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..", "..", "resources", "scenes", "two-displays.json");
const environment = randomUUID().toUpperCase();
const vossel = randomUUID().toUpperCase();

// A home whose stored vossel has a 12-megapixel photo as its icon, onboarding done.
function homeWithPhotoIcon(home) {
  const icons = path.join(home, "Library", "Application Support", "Tessivane", "CustomIcons");
  mkdirSync(icons, { recursive: true });
  writeFileSync(path.join(icons, vossel + ".png"), noisePNG(4000, 3000));
  const environments = JSON.stringify([{ id: environment, name: "Work", groups: [{
    id: vossel, name: "Photo", symbolName: "star.fill", symbolColorHex: "", customIconFilename: vossel + ".png",
    memberIDs: [], isVisibleInMenuBar: true }] }]);
  const preferences = path.join(home, "Library", "Preferences");
  mkdirSync(preferences, { recursive: true });
  writeFileSync(path.join(preferences, "com.tessivane.Tessivane.plist"), `<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>Tessivane.ActiveEnvironment</key><string>${environment}</string>
  <key>Tessivane.Environments</key><data>${Buffer.from(environments).toString("base64")}</data>
  <key>Tessivane.HasCompletedOnboarding</key><true/>
</dict>
</plist>
`);
}

// What an element draws: its picture's address, and whether the picture loaded.
const drawn = (locator) => locator.evaluate((img) => ({ src: img.getAttribute("src"), loaded: img.complete && img.naturalWidth > 0 }));

describe("a vossel with a photo as its icon", () => {
  let app, chrome;

  before(async () => {
    app = await startTessivane(["--scene", scene], { prepare: homeWithPhotoIcon });
    chrome = await openBrowser();
  });

  after(async () => {
    try {
      if (chrome) await chrome.close();
    } finally {
      if (app) await app.stop();
    }
  });

  it("draws the photo from the server, and every state stays small", async () => {
    const { page, problems } = await openPage(chrome.browser, app.url);
    const fetched = [];
    page.on("response", (r) => {
      if (r.url().includes("/api/image/")) fetched.push({ url: r.url(), status: r.status(), headers: r.headers() });
    });
    const sizes = [];
    await page.exposeFunction("noteStateSize", (n) => sizes.push(n));
    await page.evaluate(() => {
      let shown = null;
      setInterval(() => {
        if (window.display.state !== shown) {
          shown = window.display.state;
          window.noteStateSize(JSON.stringify(shown).length);
        }
      }, 20);
    });

    const autosave = "Tessivane.Group." + vossel;
    // The symbol shows until the photo is decoded, off the main thread.
    const state = await waitForState(page, (s, name) => s.statusItems.some((i) => i.autosaveName === name && i.image?.bitmap), autosave);
    const picture = state.statusItems.find((i) => i.autosaveName === autosave).image;
    assert.match(picture.bitmap, /^[0-9a-f]{64}$/, "the bar's picture goes by the name of its bytes");
    assert.equal(JSON.stringify(picture).includes("base64"), false);
    const inBar = item(page, autosave).locator("img");
    await page.waitForFunction((img) => img.complete && img.naturalWidth > 0, await inBar.elementHandle());
    assert.equal((await drawn(inBar)).src, "/api/image/" + picture.bitmap);

    // The popover shows the photo in its header, drawn from its own (larger) picture.
    await press(page, item(page, autosave));
    const withPopover = await waitForState(page, (s) => s.windows.some((w) => w.kind === "popover"));
    const popover = withPopover.windows.find((w) => w.kind === "popover");
    const names = JSON.stringify(popover.tree).match(/"bitmap":"([0-9a-f]{64})"/g) || [];
    assert.ok(names.length > 0, "the popover names the photo");
    await page.waitForFunction(() => [...document.querySelectorAll('img[src^="/api/image/"]')]
      .some((img) => !img.closest(".item") && img.complete && img.naturalWidth > 0));

    // More states come, with the same pictures: nothing is fetched again.
    await advance(page, 20);
    await waitForState(page, (s, v) => s.version > v, withPopover.version);
    const urls = fetched.map((r) => r.url);
    assert.equal(new Set(urls).size, urls.length, "each picture is fetched once: " + urls.join(", "));

    assert.ok(sizes.length > 2);
    for (const n of sizes) assert.ok(n < 200_000, `a state of ${n} characters`);
    for (const r of fetched) {
      assert.equal(r.status, 200, r.url);
      assert.equal(r.headers["content-type"], "image/png");
      assert.match(r.headers["cache-control"], /immutable/);
    }
    // Another page without the token gets nothing.
    const stranger = await fetch(new URL("/api/image/" + picture.bitmap, app.url).origin + "/api/image/" + picture.bitmap);
    assert.equal(stranger.status, 403);
    assert.deepEqual(problems, []);
  });
});
