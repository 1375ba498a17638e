// What the page itself remembers between states: none of it is the desktop's.
export const page = {
  commandLatched: false,  // the side panel's stand-in for a held Command key
  dragging: null,         // a status item being Command-dragged: {id, startX, dx}
  panelFolded: false,     // the side panel folded away, for small windows
  openPanel: { path: ".", entries: [], selected: null, loadedFor: null },
};
