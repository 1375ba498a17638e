// What other pages, other host names and other programs can do to a running tessivane:
// nothing. A page on another origin (even one on the same machine, whose requests carry the
// page's cookie) cannot post to the API nor lock the page out with a cookie of its own or a
// flood of them (which the page's answers expire), a name rebound to 127.0.0.1 is refused, a second
// tessivane cannot take the port, and a quit ends a long clock advance and shows the open
// page the application's last state.
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import { mkdtempSync, readdirSync, rmSync } from "node:fs";
import { createServer } from "node:http";
import { tmpdir } from "node:os";
import path from "node:path";
import { after, before, describe, it } from "node:test";
import {
  bounds, openBrowser, openPage, screenshot, servingAddress, startTessivane, tessivaneBinary, waitForState, within,
} from "./support.mjs";

const api = (app, path, init = {}) => fetch(new URL("/api" + path, app.url), {
  signal: AbortSignal.timeout(bounds.request),
  ...init, headers: { "X-Tessivane-Token": new URL(app.url).searchParams.get("token"), ...(init.headers || {}) },
});

// Closes the pages whatever the test did with them: one left open keeps a stream of states
// that the next test's tessivane would have to end.
async function closing(pages, body) {
  try {
    return await body();
  } finally {
    // Closing a page Chromium is still loading can wait for ever: each close is bounded.
    for (const page of pages) await within(page.close(), bounds.stop, "a page closing").catch(() => {});
  }
}

describe("a running tessivane and the rest of the machine", () => {
  let app, chrome, evil, evilURL;

  before(async () => {
    app = await startTessivane();
    const target = new URL("/api/settings/accessibility", app.url).href;
    // Another site on this machine: a form that posts as soon as it loads, and a fetch.
    evil = createServer((req, res) => {
      res.setHeader("Content-Type", "text/html");
      const toss = new URL(req.url, "http://x").searchParams.get("toss");
      if (new URL(req.url, "http://x").searchParams.has("bomb")) {
        // As many bytes of cookies as a browser keeps for a host: it sends them here too.
        res.setHeader("Set-Cookie", [0, 1, 2, 3].map((i) => `bomb${i}=${"x".repeat(4000)}; Path=/`));
        res.end("bombed");
        return;
      }
      const flood = new URL(req.url, "http://x").searchParams.get("flood");
      if (flood) {
        // Seventeen 4,000-byte cookies for a path: past the 64 KiB of any request's head.
        res.setHeader("Set-Cookie", Array.from({ length: 17 }, (_, i) =>
          `flood${i}=${"x".repeat(4000 - `flood${i}=`.length)}; Path=${flood}; Max-Age=31536000`));
        res.end("flooded");
        return;
      }
      if (toss) {
        // A cookie of the page's name for its API: cookies do not tell ports apart, and the
        // longer path sends this one first.
        res.setHeader("Set-Cookie", `${toss}=${"0".repeat(48)}; Path=/api`);
        res.end("tossed");
        return;
      }
      res.end(`<form id="f" method="POST" action="${target}" enctype="text/plain">
        <input name='{"enabled": true, "x": "' value='"}'></form>
        <script>
          fetch(${JSON.stringify(target)}, { method: "POST", mode: "no-cors", body: '{"enabled": true}',
            headers: { "Content-Type": "text/plain" } }).finally(() => document.getElementById("f").submit());
        </script>`);
    });
    await new Promise((resolve) => evil.listen(0, "127.0.0.1", resolve));
    evilURL = `http://127.0.0.1:${evil.address().port}/`;
    chrome = await openBrowser(undefined, [`--host-resolver-rules=MAP rebound.example 127.0.0.1`]);
  });

  after(async () => {
    try {
      if (chrome) await chrome.close();
    } finally {
      if (evil) evil.close();
      if (app) await app.stop();
    }
  });

  it("refuses another origin's form and fetch, though they carry the page's cookie", async () => {
    const { page } = await openPage(chrome.browser, app.url);  // the cookie is set
    const other = await chrome.browser.newPage();
    await closing([other, page], async () => {
      assert.equal(page.url(), new URL("/", app.url).href, "the token leaves the address bar");
      // On a busy machine the fetch can be answered before the other page has loaded: its form
      // then navigates away while `goto` still waits for that load, which never comes. So the
      // test waits for the two answers it is about, not for the other page's load.
      const refused = (type) => other.waitForResponse((r) => r.url().includes("/api/settings/accessibility") &&
        r.request().method() === "POST" && r.request().resourceType() === type);
      const fetched = refused("fetch"), submitted = refused("document");
      // Whichever fails first fails the test; a later failure of the other is not left unheard.
      for (const answer of [fetched, submitted]) answer.catch(() => {});
      await other.goto(evilURL, { waitUntil: "commit" });
      assert.equal((await fetched).status(), 403);
      assert.equal((await submitted).status(), 403);
      const state = await (await api(app, "/state")).json();
      assert.equal(state.accessibility.trusted, false);
    });
  });

  it("admits the page though another page on this host set a cookie of the same name", async () => {
    const { page } = await openPage(chrome.browser, app.url);
    const name = `tessivane-token-${new URL(app.url).port}`;
    const other = await chrome.browser.newPage();
    await closing([other, page], async () => {
      try {
        await other.goto(`${evilURL}?toss=${name}`, { waitUntil: "commit" });
        const apiURL = new URL("/api/state", app.url).href;
        const sent = (await chrome.browser.cookies(apiURL)).filter((c) => c.name === name);
        assert.equal(sent.length, 2, "the tossed cookie goes with the real one");
        assert.equal(await page.evaluate(() => fetch("/api/state").then((r) => r.status)), 200);
      } finally {
        await chrome.browser.clearCookies({ name, path: "/api" });
      }
    });
  });

  it("loads and answers the page though another page on this host set four 4 KB cookies", async () => {
    const other = await chrome.browser.newPage();
    const pages = [other];
    await closing(pages, async () => {
      try {
        await other.goto(`${evilURL}?bomb=1`, { waitUntil: "commit" });
        const sent = (await chrome.browser.cookies(new URL("/api/state", app.url).href)).filter((c) => c.name.startsWith("bomb"));
        assert.equal(sent.length, 4, "the cookies go to the page's server too");
        const { page } = await openPage(chrome.browser, app.url);
        pages.push(page);
        assert.equal(page.url(), new URL("/", app.url).href, "the address with the token was taken");
        assert.equal(await page.evaluate(() => fetch("/api/state").then((r) => r.status)), 200);
      } finally {
        for (let i = 0; i < 4; i++) await chrome.browser.clearCookies({ name: `bomb${i}` });
      }
    });
  });

  it("lets the person in through the printed address though another page set seventeen 4,000-byte cookies", async () => {
    const other = await chrome.browser.newPage();
    const pages = [other];
    const floods = async (pathname) => (await chrome.browser.cookies(new URL(pathname, app.url).href))
      .filter((c) => c.name.startsWith("flood")).length;
    await closing(pages, async () => {
      try {
        await other.goto(`${evilURL}?flood=/`, { waitUntil: "commit" });
        assert.equal(await floods("/"), 17, "the cookies go to the page's server too");
        const { page, problems } = await openPage(chrome.browser, app.url);
        pages.push(page);
        assert.equal(page.url(), new URL("/", app.url).href, "the address with the token was taken");
        assert.equal(await floods("/"), 0, "its answer expired them");
        assert.equal(await page.evaluate(() => fetch("/api/state").then((r) => r.status)), 200);
        await screenshot(page, "security-cookie-flood");
        // Set for the API's path, they never reach the printed address: the page's requests
        // there are answered all the same, and expire them.
        await other.goto(`${evilURL}?flood=/api`, { waitUntil: "commit" });
        assert.equal(await floods("/api/state"), 17);
        assert.equal(await page.evaluate(() => fetch("/api/state").then((r) => r.status)), 200);
        assert.equal(await floods("/api/state"), 0);
        assert.deepEqual(problems, []);
      } finally {
        await chrome.browser.clearCookies({ name: /^flood/ });
      }
    });
  });

  it("refuses a host name rebound to the loopback address", async () => {
    const page = await chrome.browser.newPage();
    await closing([page], async () => {
      // The refusal's page is loaded before it is closed: a close during that load can hang.
      const answer = await page.goto(`http://rebound.example:${new URL(app.url).port}/api/state`);
      assert.equal(answer.status(), 403);
    });
  });

  it("refuses a second tessivane on the same port", async () => {
    const second = spawn(tessivaneBinary(), ["--listen", `127.0.0.1:${new URL(app.url).port}`, "--home", app.home],
      { stdio: ["ignore", "pipe", "pipe"], env: { ...process.env, TESSIVANE_RUNTIME_DIR: app.home + "/runtime" } });
    let stderr = "";
    second.stderr.on("data", (d) => { stderr += d; });
    const exited = new Promise((resolve) => second.on("exit", resolve));
    try {
      assert.equal(await within(exited, bounds.start, "the second tessivane giving up"), 1);
    } finally {
      second.kill("SIGKILL");
    }
    assert.match(stderr, /in use/);
  });

  it("quits through the application when the terminal closes (SIGHUP), and removes its own home", async () => {
    // No --home: tessivane makes a temporary one under TMPDIR.
    const tmp = mkdtempSync(path.join(tmpdir(), "tessivane-hangup-"));
    const child = spawn(tessivaneBinary(), ["--listen", "127.0.0.1:0", "--clock", "manual"],
      { stdio: ["ignore", "pipe", "pipe"], env: { ...process.env, TMPDIR: tmp, TESSIVANE_RUNTIME_DIR: path.join(tmp, "runtime") } });
    const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
    try {
      await hangUp(child, exited, tmp);
    } finally {
      child.kill("SIGKILL");
      rmSync(tmp, { recursive: true, force: true });
    }
  });

  async function hangUp(child, exited, tmp) {
    const url = await within(servingAddress(child), bounds.start, "tessivane printing its address");
    assert.equal(readdirSync(tmp).filter((n) => n.startsWith("tessivane-home-")).length, 1);
    // The page's stream: it sees the application's last state.
    const stream = await api({ url }, "/events");
    const reader = stream.body.getReader();
    let seen = "";
    const firstState = (async () => {
      for (;;) {
        const { value, done } = await reader.read();
        if (done) return;
        seen += Buffer.from(value).toString();
        if (seen.includes("data: ")) return;
      }
    })();
    await firstState;
    const rest = (async () => {
      for (;;) {
        const { value, done } = await reader.read().catch(() => ({ done: true }));
        if (done) return;
        seen += Buffer.from(value).toString();
      }
    })();
    child.kill("SIGHUP");
    const { code, signal } = await within(exited, bounds.stop, "tessivane ending on SIGHUP");
    await within(rest, bounds.stop, "the end of the page's stream");
    assert.equal(signal, null, "not killed by the signal");
    assert.equal(code, 0);
    assert.match(seen, /"terminated":\s*true/, "the last state is the quit application's");
    assert.deepEqual(readdirSync(tmp).filter((n) => n.startsWith("tessivane-home-")), [], "the temporary home is gone");
  }

  it("quits during a day-long clock advance and the page sees the last state", async () => {
    // Its stream is open (openPage waits for that): the last state has a page to go to.
    const { page } = await openPage(chrome.browser, app.url);
    await closing([page], async () => {
      const advancing = api(app, "/clock/advance", { method: "POST", body: JSON.stringify({ seconds: 86400 }),
        headers: { "Content-Type": "application/json" } }).then((r) => r.status, () => "closed");
      const finalState = waitForState(page, (s) => s.terminated, undefined, { timeout: 2 * bounds.stop });
      finalState.catch(() => {});
      const started = Date.now();
      const stopping = app;
      app = null;
      const { code, signal } = await stopping.stop();
      assert.ok(Date.now() - started < 20000, "quitting was not held up by the advance");
      assert.ok(code === 0 || signal === null, `exited ${code} ${signal}`);
      assert.notEqual(await advancing, 200);
      const last = await finalState;
      assert.equal(last.terminated, true);
    });
  });
});
