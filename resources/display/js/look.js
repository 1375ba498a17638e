// Small drawing helpers: elements, symbol glyphs, colours resolved for an appearance, and
// platform images (status item buttons, menu rows).

export function el(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined && text !== null) e.textContent = text;
  return e;
}

export function glyph(name, size) {
  const g = el("span", "material-icons", name || "");
  if (size) g.style.fontSize = size + "px";
  return g;
}

const roles = {
  light: {
    primary: [0, 0, 0, 0.85], secondary: [0, 0, 0, 0.5], tertiary: [0, 0, 0, 0.26], accent: [10, 132, 255, 1],
    controlBackground: [255, 255, 255, 1], windowBackground: [236, 236, 236, 1], separator: [0, 0, 0, 0.1],
  },
  dark: {
    primary: [255, 255, 255, 0.85], secondary: [255, 255, 255, 0.55], tertiary: [255, 255, 255, 0.25],
    accent: [10, 132, 255, 1], controlBackground: [30, 30, 30, 1], windowBackground: [50, 50, 50, 1],
    separator: [255, 255, 255, 0.1],
  },
};

export function css(color, appearance) {
  if (!color) return "";
  const alpha = color.alpha === undefined ? 1 : color.alpha;
  if (color.role) {
    const [r, g, b, a] = (roles[appearance] || roles.light)[color.role] || roles.light.primary;
    return `rgba(${r}, ${g}, ${b}, ${a * alpha})`;
  }
  const hex = color.hex || "000000";
  const n = parseInt(hex, 16);
  return `rgba(${(n >> 16) & 255}, ${(n >> 8) & 255}, ${n & 255}, ${alpha})`;
}

// Where the picture of an asset or of a platform image is fetched from. A bitmap comes by
// the name of its bytes, never in the state; the name stands for the same bytes for good,
// so the browser keeps what it fetched.
export function assetURL(name) {
  return "/assets/" + encodeURIComponent(name);
}

export function pictureURL(image) {
  if (!image) return null;
  if (image.asset) return assetURL(image.asset);
  if (image.bitmap) return "/api/image/" + encodeURIComponent(image.bitmap);
  return null;
}

// A platform image: a symbol, an asset or pixels.
export function imageElement(image, appearance, fallbackSize) {
  if (!image) return null;
  const w = image.width || fallbackSize || 16;
  const h = image.height || fallbackSize || 16;
  if (image.glyph !== undefined) {
    if (!image.glyph) return el("span");  // no such symbol: nothing is drawn
    const g = glyph(image.glyph, image.pointSize ? image.pointSize * 1.25 : Math.min(w, h));
    if (image.tint && !image.template) g.style.color = css(image.tint, appearance);
    return g;
  }
  const url = pictureURL(image);
  if (!url) return null;
  if (image.template) {
    const m = el("span", "tinted");
    m.style.width = w + "px";
    m.style.height = h + "px";
    m.style.maskImage = m.style.webkitMaskImage = `url("${url}")`;
    return m;
  }
  const img = el("img");
  img.src = url;
  img.width = w;
  img.height = h;
  img.draggable = false;
  return img;
}
