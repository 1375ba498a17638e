// The page's link to the process: one ordered queue of commands, and the stream of states.
// A state carries its version and the run it belongs to; a restarted process starts its
// versions again, so a new run is taken as it comes and only within a run is an older
// version dropped. Nothing here polls: states arrive on the event stream, and a lost
// stream is opened again with a growing pause.

let state = null;
let onState = () => {};
let onOffline = () => {};

// ---- the command queue: one at a time, in order; consecutive pointer moves collapse.
const queue = [];
let sending = false;
const idleWaiters = [];

export function send(path, body, options = {}) {
  return new Promise((resolve) => {
    const last = queue[queue.length - 1];
    if (options.coalesce && last && last.coalesce === options.coalesce) {
      last.body = body;
      last.resolvers.push(resolve);
      return;
    }
    queue.push({ path, body, coalesce: options.coalesce, resolvers: [resolve] });
    pump();
  });
}

async function pump() {
  if (sending) return;
  sending = true;
  while (queue.length) {
    const command = queue.shift();
    let answer;
    try {
      const response = await fetch("/api" + command.path, {
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify(command.body),
      });
      answer = await response.json().catch(() => ({ ok: false }));
      answer.status = response.status;
    } catch (error) {
      answer = { ok: false, error: String(error) };
    }
    for (const resolve of command.resolvers) resolve(answer);
  }
  sending = false;
  while (idleWaiters.length) idleWaiters.shift()();
}

export function idle() {
  if (!sending && !queue.length) return Promise.resolve();
  return new Promise((resolve) => idleWaiters.push(resolve));
}

// ---- states
const versionWaiters = [];

export function current() { return state; }

// Whether `next` replaces `shown`: always when it comes from another run.
export function isNewer(next, shown) {
  if (!shown) return true;
  if (next.run !== shown.run) return true;
  return !(next.version < shown.version);
}

export function accept(next) {
  if (!isNewer(next, state)) return;
  const restarted = state && next.run !== state.run;
  state = next;
  onOffline(false);
  onState(state);
  // Waiting for a version of a run that ended: the new run's states answer it.
  const waiters = versionWaiters.splice(0);
  for (const w of waiters) {
    if (restarted || state.version >= w.version) w.resolve(state);
    else versionWaiters.push(w);
  }
}

// Resolves once the page has taken a state at least as new as `version`.
export function stateAt(version) {
  if (state && state.version >= version) return Promise.resolve(state);
  return new Promise((resolve) => versionWaiters.push({ version, resolve }));
}

export async function advance(seconds) {
  const answer = await send("/clock/advance", { seconds });
  if (answer && answer.version !== undefined) await stateAt(answer.version);
  return answer;
}

export async function settle() {
  await idle();
  const r = await fetch("/api/state");
  const s = await r.json();
  accept(s);
  return state;
}

let stream = null;
let retryDelay = 250;

function connect() {
  stream = new EventSource("/api/events");
  stream.onmessage = (event) => {
    retryDelay = 250;
    let next;
    try {
      next = JSON.parse(event.data);
    } catch (e) {
      return;  // a torn message: the next one replaces it
    }
    accept(next);
  };
  stream.onerror = () => {
    onOffline(true);
    // Opened again here rather than left to the browser, which gives up on some failures
    // and waits seconds on others: a process restarted on the same address answers soon.
    reopen();
  };
}

function reopen() {
  stream.close();
  const delay = Math.min(retryDelay, 2000);
  retryDelay = Math.min(retryDelay * 2, 2000);
  setTimeout(connect, delay);
}

export function start(handlers) {
  onState = handlers.onState;
  onOffline = handlers.onOffline;
  fetch("/api/state").then((r) => r.json()).then(accept).catch(() => onOffline(true));
  connect();
}
