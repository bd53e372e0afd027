// The page's state: the record shown, what is selected and edited, and the
// words the page says. Every other module of the page reads and changes the
// one `state` object here; none keeps a copy of it.

export const $ = (selector) => document.querySelector(selector);

export const state = {
  name: 'record.bir',
  file: null, // the File shown, read again by Revert when history dropped
  bytes: null, // the page's copy of the record the worker holds
  record: null, // what the worker's walk gave
  generation: 0, // of the last file chosen
  shown: 0, // of the record shown
  selected: -1, // the table row selected
  editing: false,
  undo: [], // the changes made, oldest first: see history.js
  redo: [],
  named: {}, // the named values of each enumerated field
  parts: [], // the record's parts: {name, kind, optional}
  hexOffsets: false,
};

// Byte strings over this size are shown, not edited, as hex.
export const MAX_EDITED_BYTES = 65536;

const messageLine = $('#message');

/**
 * Says `text` in the message line. `kind` is '' (plain), 'note', 'done' or
 * 'error'; only errors are announced at once, the rest when the reader is
 * free.
 */
export function say(text, kind = '') {
  messageLine.setAttribute('role', kind === 'error' ? 'alert' : 'status');
  messageLine.textContent = text;
  messageLine.className = kind;
}

export function plural(n, word) {
  return `${n} ${word}${n === 1 ? '' : 's'}`;
}

export function hexOf(bytes) {
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('');
}

export function offsetText(n) {
  return state.hexOffsets ? `0x${n.toString(16).toUpperCase()}` : String(n);
}
