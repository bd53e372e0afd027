// Moving about the record: go to an offset, find bytes or text, offsets in
// hex or decimal.

import { hexView, renderOffsets } from './record_view.js';
import { $, offsetText, say, state } from './state.js';
import { request } from './worker_client.js';

// An offset as typed: 0x1F or 1Fh in hex, 31 in decimal.
function readOffset(text) {
  const t = text.trim();
  if (/^0x[0-9a-f]+$/i.test(t)) return parseInt(t.slice(2), 16);
  if (/^[0-9a-f]+h$/i.test(t)) return parseInt(t.slice(0, -1), 16);
  if (/^\d+$/.test(t)) return Number(t);
  return NaN;
}

export function initNavigation() {
$('#goto-form').addEventListener('submit', (event) => {
  event.preventDefault();
  if (!state.bytes) return;
  const text = $('#goto-offset').value;
  const offset = readOffset(text);
  if (!Number.isInteger(offset) || offset >= state.bytes.length) {
    say(`"${text}" is not an offset of this record (0 to ` +
        `${state.bytes.length - 1}; hex as 0x1F)`, 'error');
    return;
  }
  say('');
  hexView.pick(offset);
  $('#hex').focus({preventScroll: true});
});

function searchPattern(text, mode) {
  if (mode === 'text') return new TextEncoder().encode(text);
  const digits = text.replace(/\s+/g, '').replace(/^0x/i, '');
  if (!/^([0-9a-f]{2})+$/i.test(digits)) return null;
  return Uint8Array.from(digits.match(/../g), (pair) => parseInt(pair, 16));
}

$('#find-form').addEventListener('submit', async (event) => {
  event.preventDefault();
  if (!state.bytes) return;
  const text = $('#find-text').value;
  const pattern = searchPattern(text, $('#find-mode').value);
  if (!pattern || pattern.length === 0) {
    say(`"${text}" is not hex bytes (write them as 01 AB or 01ab)`, 'error');
    return;
  }
  const from = hexView.selection && hexView.cursor >= 0
      ? hexView.cursor + 1 : 0;
  const answer = await request('search', {pattern, from}, 'Searching…');
  if (!answer) return;
  if (answer.offset < 0) {
    say(`"${text}" is not in the record`, 'note');
    return;
  }
  hexView.select(answer.offset, answer.offset + pattern.length);
  say(`found at offset ${offsetText(answer.offset)}`, 'done');
});

$('#hex-offsets').addEventListener('change', (event) => {
  state.hexOffsets = event.target.checked;
  renderOffsets();
});
}
