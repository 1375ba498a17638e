// Starts tessivane on a loopback port with the manual clock and a temporary home, and
// drives its page in Debian's Chromium. Nothing here sleeps: time moves only when a test
// advances the clock, and tests wait for what the page shows.
import { spawn } from "node:child_process";
import { mkdtempSync, mkdirSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";

const here = path.dirname(fileURLToPath(import.meta.url));
export const resultsDir = path.join(here, "results");
// The laptop whose housing hides Tessivane's items at first; the tests were written
// against it, so they keep it even though `make run` now starts on a tidier desk.
export const crowdedScene = path.resolve(here, "..", "..", "resources", "scenes", "laptop-crowded.json");

export function tessivaneBinary() {
  const bin = process.env.TESSIVANE_BIN || path.join(here, "..", "..", "build", "test", "tessivane");
  return path.resolve(bin);
}

// The program on an ephemeral port; resolves once it printed its address.
export async function startTessivane(extraArgs = []) {
  const home = mkdtempSync(path.join(tmpdir(), "tessivane-browser-home-"));
  const logs = path.join(home, "logs");
  mkdirSync(logs, { recursive: true });
  const scene = extraArgs.includes("--scene") ? [] : ["--scene", crowdedScene];
  const child = spawn(tessivaneBinary(), ["--listen", "127.0.0.1:0", "--clock", "manual", "--home", home,
    "--log-folder", logs, ...scene, ...extraArgs], { stdio: ["ignore", "pipe", "pipe"],
    env: { ...process.env, HOME: home, TESSIVANE_RUNTIME_DIR: path.join(home, "runtime") } });
  let output = "";
  child.stderr.on("data", (d) => { output += d; });
  const url = await new Promise((resolve, reject) => {
    let text = "";
    child.stdout.on("data", (d) => {
      text += d;
      // The address carries the API's token; opening it once leaves the token in a cookie.
      const m = text.match(/Tessivane is running at (http:\/\/\S+)/);
      if (m) resolve(m[1]);
    });
    child.on("error", reject);
    child.on("exit", (code) => reject(new Error(`tessivane exited with ${code} before serving:\n${text}${output}`)));
  });
  const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  return {
    url,
    home,
    async stop() {
      child.kill("SIGTERM");
      const result = await exited;
      rmSync(home, { recursive: true, force: true });
      return { ...result, stderr: output };
    },
  };
}

export async function openBrowser(extraArgs = []) {
  const profile = mkdtempSync(path.join(tmpdir(), "tessivane-chromium-"));
  // A fresh profile each run (Playwright passes it to Chromium as --user-data-dir).
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    viewport: { width: 1840, height: 1010 },
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync", ...extraArgs],
  });
  return {
    browser: context,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// The page, loaded and showing its first state.
export async function openPage(browser, url) {
  const page = await browser.newPage();
  const problems = [];
  page.on("pageerror", (e) => problems.push(e.message));
  await page.goto(url);
  await page.waitForFunction(() => window.display && window.display.state);
  return { page, problems };
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
export async function waitForState(page, predicate, arg) {
  await page.waitForFunction(([source, a]) => {
    const s = window.display.state;
    // eslint-disable-next-line no-new-func
    return s && new Function("state", "arg", "return (" + source + ")(state, arg);")(s, a);
  }, [predicate.toString(), arg]);
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
