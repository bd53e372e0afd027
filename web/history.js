// The changes made to the record, to undo and redo them, and raw bytes
// typed in the hex view.
//
// A change keeps only the bytes it changed: `patch` ({offset, before,
// after}, of one length) for bytes overwritten, `splice` ({offset, before,
// after}) for a record encoded again, whose worker found the one span that
// differs. History is bounded: past HISTORY_BYTES of kept bytes or
// HISTORY_CHANGES changes, the oldest are dropped, and the page says so.

import { buttons, hexView, select, show, tableRowElement, updateTools }
  from './record_view.js';
import { $, hexOf, plural, say, state } from './state.js';
import { request } from './worker_client.js';

export const HISTORY_BYTES = 64 * 1024 * 1024;
export const HISTORY_CHANGES = 1000;

let keptBytes = 0;

const sizeOf = (change) => {
  const span = change.patch ?? change.splice;
  return span.before.length + span.after.length;
};

/** Forgets every change: a record was opened. */
export function clearHistory() {
  state.undo = [];
  state.redo = [];
  state.dropped = 0;
  keptBytes = 0;
  hexView.setChanged([]);
}

// The ranges of the record that the changes in history made, in order and
// apart: where the hex view marks bytes changed since the record opened.
function changedRanges() {
  let ranges = [];
  for (const change of state.undo) {
    const {offset, before, after} = change.patch ?? change.splice;
    const shift = after.length - before.length;
    const next = [];
    for (const [b, e] of ranges) {
      if (e <= offset) {
        next.push([b, e]);
      } else if (b >= offset + before.length) {
        next.push([b + shift, e + shift]);
      } else {
        if (b < offset) next.push([b, offset]);
        if (e > offset + before.length) {
          next.push([offset + after.length, e + shift]);
        }
      }
    }
    if (after.length > 0) next.push([offset, offset + after.length]);
    next.sort((x, y) => x[0] - y[0]);
    ranges = [];
    for (const range of next) {
      const last = ranges[ranges.length - 1];
      if (last && range[0] <= last[1]) last[1] = Math.max(last[1], range[1]);
      else ranges.push(range);
    }
  }
  return ranges;
}

function historyChanged() {
  hexView.setChanged(changedRanges());
  updateTools();
}

/** Adds `change` to the history; what could be redone is gone. */
export function record(change) {
  for (const dropped of state.redo) keptBytes -= sizeOf(dropped);
  state.redo = [];
  state.undo.push(change);
  keptBytes += sizeOf(change);
  let dropped = 0;
  while (state.undo.length > 1 && (keptBytes > HISTORY_BYTES ||
                                   state.undo.length > HISTORY_CHANGES)) {
    keptBytes -= sizeOf(state.undo.shift());
    ++dropped;
  }
  if (dropped > 0) {
    state.dropped += dropped;
    console.info(`inspector: history full, ${plural(dropped, 'change')} ` +
                 'dropped');
  }
  historyChanged();
}

/** Says how much history holds, when some was dropped. */
export function historyNote() {
  return state.dropped > 0
    ? ` (history keeps the last ${plural(state.undo.length, 'change')}; ` +
      `${state.dropped} older dropped, Revert reads the file again)`
    : '';
}

/** Writes `bytes` over the record at `offset`, as typed in the hex view. */
export async function writeBytes(offset, bytes, label) {
  const answer = await request('patch', {offset, bytes}, 'Checking…');
  if (!answer) return;
  state.bytes.set(bytes, offset);
  record({label, patch: {offset, before: answer.before, after: bytes}});
  show(answer.record, {});
  hexView.pick(Math.min(offset + bytes.length, state.bytes.length - 1));
  say(`${label} set to ${hexOf(bytes).toUpperCase()}; ${
      answer.record.accepted ? 'the library accepts the record'
                             : 'the library rejects the record'}` +
      historyNote(), 'done');
}

// Makes the record what `change` had before (`back`) or after it.
async function replay(change, back) {
  let answer;
  if (change.patch) {
    const bytes = back ? change.patch.before : change.patch.after;
    answer = await request('patch', {offset: change.patch.offset, bytes},
                           'Checking…');
    if (!answer) return false;
    state.bytes.set(bytes, change.patch.offset);
  } else {
    const {offset, before, after} = change.splice;
    const [remove, bytes] = back ? [after.length, before]
                                 : [before.length, after];
    answer = await request('splice', {offset, remove, bytes}, 'Checking…');
    if (!answer) return false;
    state.bytes = new Uint8Array(answer.buffer);
  }
  show(answer.record, {});
  return true;
}

// Where the keyboard was, put back after the page changed under it: a
// button that became disabled, or a row drawn again, would leave it on
// the page's body.
function keepFocus(before) {
  const now = document.activeElement;
  if (now && now !== document.body && !now.disabled) return;
  if (before && before.isConnected && !before.disabled &&
      before !== document.body) {
    before.focus();
  } else if (state.selected >= 0 && tableRowElement(state.selected)) {
    tableRowElement(state.selected).focus();
  } else {
    $('#hex').focus();
  }
}

let replaying = false;
async function step(from, to, back) {
  if (replaying || state.editing || from.length === 0) return false;
  replaying = true;
  const focused = document.activeElement;
  try {
    const change = from.pop();
    if (await replay(change, back)) {
      to.push(change);
      say(`${back ? 'undone' : 'redone'}: ${change.label}`, 'done');
      const span = change.patch ?? change.splice;
      const row = state.record.rows.findIndex((r) => r.field === change.label);
      if (row >= 0) {
        select(row, {scrollHex: false});
      } else if (span.offset < state.bytes.length) {
        hexView.pick(span.offset);
      }
    } else {
      from.push(change);
    }
  } finally {
    replaying = false;
    historyChanged();
    keepFocus(focused);
  }
  return true;
}

export const undo = () => step(state.undo, state.redo, true);
export const redo = () => step(state.redo, state.undo, false);

// Back to the file as read: undoing every change, or reading the file
// again when history dropped some.
async function revert(reopen) {
  const focused = document.activeElement;
  if (state.dropped > 0 && state.file) {
    await reopen(state.file);
  } else {
    while (state.undo.length > 0 && await undo()) { /* one change a step */ }
  }
  say('reverted to the file as read', 'done');
  keepFocus(focused);
}

/** The history's buttons and keys; `reopen(file)` reads a file again. */
export function initHistory(reopen) {
  buttons.undo.addEventListener('click', undo);
  buttons.redo.addEventListener('click', redo);
  buttons.revert.addEventListener('click', () => revert(reopen));
  document.addEventListener('keydown', (event) => {
    if (!(event.ctrlKey || event.metaKey) || state.editing) return;
    if (event.target.closest('input, textarea, select')) return;
    const key = event.key.toLowerCase();
    if (key === 'z' && !event.shiftKey) {
      event.preventDefault();
      undo();
    } else if (key === 'y' || (key === 'z' && event.shiftKey)) {
      event.preventDefault();
      redo();
    }
  });
}
