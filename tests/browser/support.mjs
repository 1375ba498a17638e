// Starts tessivane on a loopback port with a temporary home, and drives its page in Debian's
// Chromium. Nothing here sleeps: with the manual clock time moves only when a test advances
// it; with the real one tests wait for what the page shows. Every request a test makes goes
// through the page, so it carries what the page's own requests carry.
import { spawn } from "node:child_process";
import { mkdtempSync, mkdirSync, rmSync } from "node:fs";
import { inflateSync } from "node:zlib";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import assert from "node:assert/strict";
import { after, before } from "node:test";
import { chromium } from "playwright-core";

const here = path.dirname(fileURLToPath(import.meta.url));
export const resultsDir = path.join(here, "results");
// The laptop whose housing hides Tessivane's items at first; the tests were written
// against it, so they keep it even though `make run` now starts on a tidier desk.
export const crowdedScene = path.resolve(here, "..", "..", "resources", "scenes", "laptop-crowded.json");
// The default desk in the dark appearance.
export const darkScene = path.resolve(here, "..", "..", "resources", "scenes", "dark.json");

// Bounds of the waits that are not Playwright's (its own default to 30 s each). On a busy
// machine a step that never comes then fails with what it waited for, instead of holding the
// whole suite until ctest ends it.
export const bounds = { start: 60_000, stop: 30_000, request: 30_000 };

// `promise`, or a failure naming `what` once `ms` passed without it.
export async function within(promise, ms, what) {
  let timer;
  const late = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: not within ${ms / 1000} s`)), ms);
  });
  try {
    return await Promise.race([promise, late]);
  } finally {
    clearTimeout(timer);
  }
}

// Ends a child process: SIGTERM, and SIGKILL if it is still there after the bound, which is
// then a failure of its own.
export async function endProcess(child, exited, what) {
  child.kill("SIGTERM");
  try {
    return await within(exited, bounds.stop, what + " ending on SIGTERM");
  } catch (e) {
    child.kill("SIGKILL");
    await exited;
    throw e;
  }
}

// The address a tessivane prints once it serves (it may carry a query the page needs).
export function servingAddress(child, describe = () => "") {
  return new Promise((resolve, reject) => {
    let text = "";
    child.stdout.on("data", (d) => {
      text += d;
      const m = text.match(/Tessivane is running at (http:\/\/\S+)/);
      if (m) resolve(m[1]);
    });
    child.on("error", reject);
    child.on("exit", (code) => reject(new Error(`tessivane exited with ${code} before serving:\n${text}${describe()}`)));
  });
}

export function tessivaneBinary() {
  const bin = process.env.TESSIVANE_BIN || path.join(here, "..", "..", "build", "test", "tessivane");
  return path.resolve(bin);
}

function launch(home, args) {
  const logs = path.join(home, "logs");
  mkdirSync(logs, { recursive: true });
  const child = spawn(tessivaneBinary(), ["--home", home, "--log-folder", logs, ...args],
    { stdio: ["ignore", "pipe", "pipe"], env: { ...process.env, HOME: home, TESSIVANE_RUNTIME_DIR: path.join(home, "runtime") } });
  let output = "";
  child.stderr.on("data", (d) => { output += d; });
  const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  const url = within(servingAddress(child, () => output), bounds.start, "tessivane printing its address")
    .catch((e) => {
      child.kill("SIGKILL");
      throw e;
    });
  return { child, url, exited, stderr: () => output };
}

// The test build checks every state it publishes against one built from nothing; a change
// the desktop did not count would have left the page stale.
function expectNoUnnoticedChange(run) {
  const unnoticed = run.stderr().split("\n").filter((l) => l.includes("without a change being counted"));
  if (unnoticed.length) throw new Error("the page would have gone stale:\n" + unnoticed.join("\n"));
}

// The program with a temporary home, on an ephemeral loopback port, by default with the
// manual clock; resolves once it printed its address. `prepare(home)` may put files into the
// home first. `restart()` ends it and starts it again on the same address and home, as a
// person would.
export async function startTessivane(extraArgs = [], { clock = "manual", prepare } = {}) {
  const home = mkdtempSync(path.join(tmpdir(), "tessivane-browser-home-"));
  if (prepare) prepare(home);
  const scene = extraArgs.includes("--scene") ? [] : ["--scene", crowdedScene];
  const args = ["--clock", clock, ...scene, ...extraArgs];
  let run = launch(home, ["--listen", "127.0.0.1:0", ...args]);
  let url;
  try {
    url = await run.url;
  } catch (e) {
    rmSync(home, { recursive: true, force: true });
    throw e;
  }
  const app = {
    url,
    home,
    async restart() {
      const end = await endProcess(run.child, run.exited, "tessivane");
      if (end.code !== 0) throw new Error("tessivane did not end cleanly:\n" + run.stderr());
      expectNoUnnoticedChange(run);
      run = launch(home, ["--listen", "127.0.0.1:" + new URL(app.url).port, ...args]);
      app.url = await run.url;
    },
    // Safe to call again after a failure: the process is ended once, and the home goes.
    async stop() {
      try {
        const result = await endProcess(run.child, run.exited, "tessivane");
        expectNoUnnoticedChange(run);
        return { ...result, stderr: run.stderr() };
      } finally {
        rmSync(home, { recursive: true, force: true });
      }
    },
  };
  return app;
}

export async function openBrowser(viewport = { width: 1840, height: 1010 }, extraArgs = []) {
  const profile = mkdtempSync(path.join(tmpdir(), "tessivane-chromium-"));
  // A fresh profile each run (Playwright passes it to Chromium as --user-data-dir).
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    timeout: bounds.start,
    headless: true,
    viewport,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync", ...extraArgs],
  });
  // TESSIVANE_BROWSER_SLOWDOWN=N runs the pages' scripts N times slower, as a busy machine
  // does: how a wait that assumes some order of events is found.
  const slowdown = Number(process.env.TESSIVANE_BROWSER_SLOWDOWN || 0);
  if (slowdown > 1) {
    context.on("page", (page) => context.newCDPSession(page)
      .then((cdp) => cdp.send("Emulation.setCPUThrottlingRate", { rate: slowdown })).catch(() => {}));
  }
  return {
    browser: context,
    async close() {
      try {
        await within(context.close(), bounds.stop, "Chromium closing");
      } finally {
        rmSync(profile, { recursive: true, force: true });
      }
    },
  };
}

// The page, loaded and showing its first state.
export async function openPage(browser, url) {
  const page = await browser.newPage();
  const problems = [];
  page.on("pageerror", (e) => problems.push(e.message));
  // Its first state may come from a plain request before its stream of states is open; a
  // test that then quits or changes something at once would wait for a state that was never
  // sent to it. So the page counts as open once the stream answered too. What is waited for
  // is those two, not the load event, which on a busy machine can take the whole bound of a
  // navigation for what the page does not need.
  const streaming = page.waitForResponse((r) => new URL(r.url()).pathname === "/api/events");
  try {
    await page.goto(url, { waitUntil: "commit" });
    await streaming;
  } finally {
    streaming.catch(() => {});
  }
  await page.waitForFunction(() => window.display && window.display.state);
  return { page, problems };
}

// Tessivane (started with `args`) and a page on it, for the tests of one `describe`: set up
// before them; after them the page must have run without script errors and the process
// must end cleanly. The returned object carries `app`, `chrome`, `page` once they run.
export function withTessivane(args, options) {
  const session = { problems: [] };
  before(async () => {
    session.app = await startTessivane(args, options);
    session.chrome = await openBrowser();
    Object.assign(session, await openPage(session.chrome.browser, session.app.url));
  });
  after(async () => {
    let end = { code: 0 };
    try {
      if (session.chrome) await session.chrome.close();
    } finally {
      if (session.app) end = await session.app.stop();
    }
    assert.deepEqual(session.problems, [], "the page ran without script errors");
    assert.equal(end.code, 0, "tessivane ends cleanly on SIGTERM:\n" + end.stderr);
  });
  return session;
}

// Moves the manual clock through the same queue as the page's input, and waits until the
// page drew the state that followed.
export async function advance(page, seconds) {
  const answer = await page.evaluate((s) => window.display.advance(s), seconds);
  if (!answer.ok) throw new Error("advancing the clock failed: " + JSON.stringify(answer));
}

export async function settle(page) {
  return page.evaluate(() => window.display.settle());
}

// Waits until `predicate(state)` holds for the state the page shows.
export async function waitForState(page, predicate, arg, options = {}) {
  await page.waitForFunction(([source, a]) => {
    const s = window.display.state;
    // eslint-disable-next-line no-new-func
    return s && new Function("state", "arg", "return (" + source + ")(state, arg);")(s, a);
  }, [predicate.toString(), arg], options);
  return page.evaluate(() => window.display.state);
}

export async function screenshot(page, name) {
  mkdirSync(resultsDir, { recursive: true });
  await page.screenshot({ path: path.join(resultsDir, name + ".png") });
}

// A status item as the page draws it.
export function item(page, autosaveOrOwner) {
  return page.locator(`.item[data-autosave="${autosaveOrOwner}"], .item[data-owner="${autosaveOrOwner}"]`).first();
}

export function windowTitled(page, title) {
  return page.locator(`.win[data-title="${title}"]`);
}

// A person's press: the pointer goes to the element, the button is held about as long as a
// finger holds it, and let go.
export async function press(page, locator, { modifiers = [], button = "left" } = {}) {
  // Where it is drawn: a window that just opened may still be drawing its first states.
  let box = null;
  for (let attempt = 0; !box && attempt < 5; ++attempt) {
    await locator.waitFor();
    box = await locator.scrollIntoViewIfNeeded({ timeout: 2000 }).then(() => locator.boundingBox(), () => null);
  }
  if (!box) throw new Error("nothing to press: " + locator);
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2, { steps: 2 });
  for (const m of modifiers) await page.keyboard.down(m);
  await page.mouse.down({ button });
  await page.waitForTimeout(100);
  await page.mouse.up({ button });
  for (const m of modifiers.slice().reverse()) await page.keyboard.up(m);
}

// The pixels of a screenshot (8-bit RGB or RGBA, not interlaced: what Chromium writes), as
// {width, height, rgb(x, y)}.
export function decodePNG(buffer) {
  let offset = 8;
  let width = 0, height = 0, channels = 4;
  const data = [];
  while (offset < buffer.length) {
    const length = buffer.readUInt32BE(offset);
    const type = buffer.toString("ascii", offset + 4, offset + 8);
    const body = buffer.subarray(offset + 8, offset + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error("only 8-bit, non-interlaced PNGs");
      channels = body[9] === 6 ? 4 : body[9] === 2 ? 3 : 0;
      if (!channels) throw new Error("only RGB and RGBA PNGs");
    } else if (type === "IDAT") {
      data.push(body);
    }
    offset += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? pixels[y * stride + i - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + i] : 0;
      const c = i >= channels && y > 0 ? pixels[(y - 1) * stride + i - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = a;
      else if (filter === 2) predictor = b;
      else if (filter === 3) predictor = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      pixels[y * stride + i] = (line[i] + predictor) & 255;
    }
  }
  return {
    width,
    height,
    rgb(x, y) {
      const at = y * stride + x * channels;
      return [pixels[at], pixels[at + 1], pixels[at + 2]];
    },
  };
}

// WCAG's contrast ratio of two sRGB colours.
export function contrast(one, other) {
  const luminance = ([r, g, b]) => {
    const lin = (v) => {
      const c = v / 255;
      return c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
    };
    return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b);
  };
  const [hi, lo] = [luminance(one), luminance(other)].sort((a, b) => b - a);
  return (hi + 0.05) / (lo + 0.05);
}
