// The selected bytes: where they are, the values at the cursor in every
// width and order (the data inspector), and copying them as hex, base64 or
// a C array. The text of a copy is made in the worker; a large selection is
// offered as a download instead of the clipboard.

import { printable } from './hex_view.js';
import { buttons } from './record_view.js';
import { $, offsetText, plural, say, state } from './state.js';
import { request } from './worker_client.js';
import { saveUrl } from './save.js';

// Selections up to this size go to the clipboard; larger ones are saved.
export const CLIPBOARD_LIMIT = 1 << 20;

const inspectorBody = $('#data-inspector tbody');
const rangeLine = $('#selection-range');
const copyFormat = $('#copy-format');
let selectionRange = null;

/** Forgets the selection: nothing selected, nothing to copy. */
export function clearSelection() {
  selectionRange = null;
  buttons.copyHex.disabled = true;
  rangeLine.textContent = 'Nothing selected';
  inspectorBody.replaceChildren();
}

const two = (n) => String(n).padStart(2, '0');

// The values that the bytes at `at` would have read as each type: a list of
// [type, little-endian, big-endian] or [type, value].
function valuesAt(at) {
  const view = new DataView(state.bytes.buffer, state.bytes.byteOffset,
                            state.bytes.length);
  const available = state.bytes.length - at;
  const both = (size, read) => (available < size ? ['', ''] : [
    String(read(true)), String(read(false))]);
  // A 32-bit float to the digits that tell it from its neighbours.
  const float = (value) => String(Number(value.toPrecision(9)));
  const rows = [
    ['u8', ...both(1, () => view.getUint8(at))],
    ['i8', ...both(1, () => view.getInt8(at))],
    ['u16', ...both(2, (le) => view.getUint16(at, le))],
    ['i16', ...both(2, (le) => view.getInt16(at, le))],
    ['u32', ...both(4, (le) => view.getUint32(at, le))],
    ['i32', ...both(4, (le) => view.getInt32(at, le))],
    ['u64', ...both(8, (le) => view.getBigUint64(at, le))],
    ['i64', ...both(8, (le) => view.getBigInt64(at, le))],
    ['f32', ...both(4, (le) => float(view.getFloat32(at, le)))],
    ['f64', ...both(8, (le) => String(view.getFloat64(at, le)))],
  ];
  // A date-time as a record writes it: the year in 16 bits, least
  // significant byte first, then month, day, hour, minute and second.
  rows.push(['date-time', available < 7 ? '' :
    `${String(view.getUint16(at, true)).padStart(4, '0')}-` +
    `${two(view.getUint8(at + 2))}-${two(view.getUint8(at + 3))} ` +
    `${two(view.getUint8(at + 4))}:${two(view.getUint8(at + 5))}:` +
    `${two(view.getUint8(at + 6))}`]);
  return rows;
}

/**
 * Shows bytes [begin, end) as selected, with the cursor at `cursor`: the
 * data inspector reads at the cursor; text is that of the selection's
 * first 64 bytes.
 */
export function showSelection(begin, end, cursor = begin) {
  selectionRange = {begin, end};
  buttons.copyHex.disabled = false;
  rangeLine.textContent =
      `${plural(end - begin, 'byte')} at ${offsetText(begin)}` +
      (cursor !== begin ? `, cursor at ${offsetText(cursor)}` : '');
  const bytes = state.bytes.subarray(begin, Math.min(end, begin + 64));
  let utf8;
  try {
    utf8 = new TextDecoder('utf-8', {fatal: true}).decode(bytes);
  } catch {
    utf8 = '(not UTF-8)';
  }
  const rows = valuesAt(cursor);
  // Text, one value across both columns.
  rows.push(['text', Array.from(bytes, printable).join('')], ['UTF-8', utf8]);
  inspectorBody.replaceChildren(...rows.map(([type, ...values]) => {
    const tr = document.createElement('tr');
    tr.dataset.type = type;
    const th = document.createElement('th');
    th.scope = 'row';
    th.textContent = type;
    tr.append(th);
    for (const cell of values) {
      const td = document.createElement('td');
      td.textContent = cell;
      tr.append(td);
    }
    if (values.length === 1) tr.cells[1].colSpan = 2;
    return tr;
  }));
}

const FORMAT_NAMES = {hex: 'hex', base64: 'base64', c: 'a C array'};
const FORMAT_EXTENSIONS = {hex: 'hex.txt', base64: 'b64.txt', c: 'c'};

/** Copies the selection in the chosen form, or saves it when large. */
export async function copySelection() {
  if (!selectionRange || !state.bytes) return;
  const {begin, end} = selectionRange;
  const format = copyFormat.value;
  const large = end - begin > CLIPBOARD_LIMIT;
  let answer;
  try {
    answer = await request('format', {begin, end, format, blob: large},
                           `Writing ${plural(end - begin, 'byte')} as ` +
                           `${FORMAT_NAMES[format]}…`);
  } catch (error) {
    say(`could not copy: ${error.message}`, 'error');
    return;
  }
  if (!answer) return;
  const what = `${plural(end - begin, 'byte')} as ${FORMAT_NAMES[format]}`;
  if (large) {
    const name = `${state.name.replace(/\.[^.]*$/, '')}-` +
                 `${begin}-${end}.${FORMAT_EXTENSIONS[format]}`;
    saveUrl(answer.url, name);
    say(`${what} is too much for the clipboard: saved as ${name}`, 'done');
    return;
  }
  try {
    await navigator.clipboard.writeText(answer.text);
    say(`copied ${what}`, 'done');
  } catch (error) {
    say(`could not copy: ${error.message}`, 'error');
  }
}

export function initSelection() {
  buttons.copyHex.addEventListener('click', copySelection);
  clearSelection();
}
