// AppKit screen points (origin bottom left, y up) <-> the desktop element's pixels, and the
// zoom that fits the desk into the page. Below a readable minimum the desk scrolls instead.
export const MIN_ZOOM = 0.6;

export const view = {
  bounds: { minX: 0, minY: 0, maxX: 1512, maxY: 982 },
  zoom: 1,
};

export function computeBounds(screens) {
  if (!screens.length) return { minX: 0, minY: 0, maxX: 1512, maxY: 982 };
  let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
  for (const s of screens) {
    const [x, y, w, h] = s.frame;
    minX = Math.min(minX, x);
    minY = Math.min(minY, y);
    maxX = Math.max(maxX, x + w);
    maxY = Math.max(maxY, y + h);
  }
  return { minX, minY, maxX, maxY };
}

export function toPage(frame) {
  const [x, y, w, h] = frame;
  const b = view.bounds;
  return { left: x - b.minX, top: b.maxY - (y + h), width: w, height: h };
}

export function place(e, frame) {
  const p = toPage(frame);
  e.style.left = p.left + "px";
  e.style.top = p.top + "px";
  e.style.width = p.width + "px";
  e.style.height = p.height + "px";
}

// Placed by its bottom edge: what grows with its text grows upward, and what the desktop
// measures from the bottom (an alert's buttons) stays where the desktop looks for it.
export function placeFromBottom(e, frame) {
  const p = toPage(frame);
  const b = view.bounds;
  e.style.left = p.left + "px";
  e.style.bottom = (b.maxY - b.minY) - (p.top + p.height) + "px";
  e.style.width = p.width + "px";
  e.style.minHeight = p.height + "px";
}

export function fit(viewportEl, sizerEl, desktopEl) {
  const b = view.bounds;
  const w = b.maxX - b.minX;
  const h = b.maxY - b.minY;
  const availableW = viewportEl.clientWidth - 16;
  const availableH = viewportEl.clientHeight - 16;
  let zoom = Math.max(MIN_ZOOM, Math.min(1, availableW / w, availableH / h));
  if (!(zoom > 0)) zoom = 1;
  view.zoom = zoom;
  desktopEl.style.width = w + "px";
  desktopEl.style.height = h + "px";
  desktopEl.style.transform = `scale(${zoom})`;
  sizerEl.style.width = Math.ceil(w * zoom) + "px";
  sizerEl.style.height = Math.ceil(h * zoom) + "px";
}

export function pointFromEvent(desktopEl, event) {
  const r = desktopEl.getBoundingClientRect();
  const b = view.bounds;
  const px = (event.clientX - r.left) / view.zoom;
  const py = (event.clientY - r.top) / view.zoom;
  return { x: Math.round((px + b.minX) * 100) / 100, y: Math.round((b.maxY - py) * 100) / 100 };
}

export function clientPoint(desktopEl, x, y) {
  const r = desktopEl.getBoundingClientRect();
  const b = view.bounds;
  return { x: r.left + (x - b.minX) * view.zoom, y: r.top + (b.maxY - y) * view.zoom };
}
