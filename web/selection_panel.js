// The selected bytes: where they are, their values in every width and
// order in the data inspector, and copying them.

import { hex2, printable } from './hex_view.js';
import { buttons } from './record_view.js';
import { $, offsetText, plural, say, state } from './state.js';

const inspectorBody = $('#data-inspector tbody');
let selectionRange = null;

// The values of the bytes at the selection's start, in every width and
// order; text of the selected bytes.
export function showSelection(begin, end) {
  selectionRange = {begin, end};
  buttons.copyHex.disabled = false;
  $('#selection-range').textContent =
      `${plural(end - begin, 'byte')} at ${offsetText(begin)}`;
  const bytes = state.bytes.subarray(begin, Math.min(end, begin + 64));
  const view = new DataView(state.bytes.buffer, state.bytes.byteOffset);
  const available = state.bytes.length - begin;
  const both = (size, read) => (available < size ? ['', ''] : [
    String(read(true)), String(read(false))]);
  const rows = [
    ['u8', ...both(1, () => view.getUint8(begin))],
    ['i8', ...both(1, () => view.getInt8(begin))],
    ['u16', ...both(2, (le) => view.getUint16(begin, le))],
    ['i16', ...both(2, (le) => view.getInt16(begin, le))],
    ['u32', ...both(4, (le) => view.getUint32(begin, le))],
    ['i32', ...both(4, (le) => view.getInt32(begin, le))],
  ];
  let utf8;
  try {
    utf8 = new TextDecoder('utf-8', {fatal: true}).decode(bytes);
  } catch {
    utf8 = '(not UTF-8)';
  }
  // Text, one value across both columns.
  rows.push(['text', Array.from(bytes, printable).join('')], ['UTF-8', utf8]);
  inspectorBody.replaceChildren(...rows.map(([type, ...values]) => {
    const tr = document.createElement('tr');
    tr.dataset.type = type;
    for (const cell of [type, ...values]) {
      const td = document.createElement('td');
      td.textContent = cell;
      tr.append(td);
    }
    if (values.length === 1) tr.cells[1].colSpan = 2;
    return tr;
  }));
}

export function initSelection() {
  buttons.copyHex.addEventListener('click', async () => {
    if (!selectionRange) return;
    const {begin, end} = selectionRange;
    const hex = Array.from(state.bytes.subarray(begin, end), hex2).join(' ');
    try {
      await navigator.clipboard.writeText(hex);
      say(`copied ${plural(end - begin, 'byte')} as hex`, 'done');
    } catch (error) {
      say(`could not copy: ${error.message}`, 'error');
    }
  });
}
