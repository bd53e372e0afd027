// The changes made to the record, to undo and redo them, and raw bytes
// typed in the hex view.

import { buttons, hexView, show, updateTools } from './record_view.js';
import { hexOf, say, state } from './state.js';
import { request } from './worker_client.js';

// Raw bytes: the hex view overwrites them, whatever the record says.
export async function writeBytes(offset, bytes, label) {
  const answer = await request('patch', {offset, bytes}, 'Checking…');
  if (!answer) return;
  state.bytes.set(bytes, offset);
  record({label, patch: {offset, before: answer.before, after: bytes}});
  show(answer.record, {});
  hexView.pick(Math.min(offset + bytes.length, state.bytes.length - 1));
  say(`${label} set to ${hexOf(bytes).toUpperCase()}; ${
      answer.record.accepted ? 'the library accepts the record'
                             : 'the library rejects the record'}`, 'done');
}

export function record(change) {
  state.undo.push(change);
  state.redo = [];
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
    const bytes = back ? change.before : change.after;
    answer = await request('replace', {bytes}, 'Checking…');
    if (!answer) return false;
    state.bytes = bytes;
  }
  show(answer.record, {});
  return true;
}

let replaying = false;
async function step(from, to, back) {
  if (replaying || state.editing || from.length === 0) return false;
  replaying = true;
  try {
    const change = from.pop();
    if (await replay(change, back)) {
      to.push(change);
      say(`${back ? 'undone' : 'redone'}: ${change.label}`, 'done');
    }
  } finally {
    replaying = false;
    updateTools();
  }
  return true;
}

export const undo = () => step(state.undo, state.redo, true);
export const redo = () => step(state.redo, state.undo, false);

export function initHistory() {
buttons.undo.addEventListener('click', undo);
buttons.redo.addEventListener('click', redo);
buttons.revert.addEventListener('click', async () => {
  while (state.undo.length > 0 && await undo()) { /* one change a step */ }
  say('reverted to the file as read', 'done');
});
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
