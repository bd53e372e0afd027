// Moving about the record: go to an offset (Ctrl+G), find bytes or text
// (Ctrl+F) forward, backward or everywhere, offsets in hex or decimal.

import { hexView, renderOffsets } from './record_view.js';
import { $, offsetText, plural, say, state } from './state.js';
import { request } from './worker_client.js';

// Find all lists at most this many places.
const LISTED_HITS = 1000;

/** An offset as typed: 0x1F or 1Fh in hex, 31 in decimal; else NaN. */
export function readOffset(text) {
  const t = text.trim();
  if (/^0x[0-9a-f]+$/i.test(t)) return parseInt(t.slice(2), 16);
  if (/^[0-9a-f]+h$/i.test(t)) return parseInt(t.slice(0, -1), 16);
  if (/^\d+$/.test(t)) return Number(t);
  return NaN;
}

function searchPattern(text, mode) {
  if (mode === 'text') return new TextEncoder().encode(text);
  const digits = text.replace(/\s+/g, '').replace(/^0x/i, '');
  if (!/^([0-9a-f]{2})+$/i.test(digits)) return null;
  return Uint8Array.from(digits.match(/../g), (pair) => parseInt(pair, 16));
}

// The pattern typed in Find, or null after saying what is wrong with it.
function typedPattern() {
  const text = $('#find-text').value;
  const mode = $('#find-mode').value;
  if (text === '') {
    say(`type the ${mode === 'text' ? 'text' : 'hex bytes'} to find`,
        'note');
    $('#find-text').focus();
    return null;
  }
  const pattern = searchPattern(text, mode);
  if (!pattern) {
    say(`"${text}" is not hex bytes (write them as 01 AB or 01ab)`, 'error');
    return null;
  }
  return {text, pattern};
}

async function find(backward) {
  if (!state.bytes) return;
  const typed = typedPattern();
  if (!typed) return;
  const {text, pattern} = typed;
  const selection = hexView.selection;
  const from = !selection ? (backward ? state.bytes.length : 0)
      : backward ? selection.begin : selection.begin + 1;
  const answer = await request('search', {pattern, from, backward},
                               'Searching…');
  if (!answer) return;
  if (answer.offset < 0) {
    say(`"${text}" is not in the record`, 'note');
    return;
  }
  hexView.select(answer.offset, answer.offset + pattern.length);
  say(`found at offset ${offsetText(answer.offset)}`, 'done');
}

async function findAll() {
  if (!state.bytes) return;
  const typed = typedPattern();
  if (!typed) return;
  const {text, pattern} = typed;
  const answer = await request('search', {pattern, all: true}, 'Searching…');
  if (!answer) return;
  const list = $('#find-results');
  list.replaceChildren(...answer.offsets.map((offset) => {
    const li = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.dataset.offset = offset;
    button.textContent = offsetText(offset);
    li.append(button);
    return li;
  }));
  list.hidden = answer.count === 0;
  list.dataset.length = pattern.length;
  say(answer.count === 0 ? `"${text}" is not in the record`
      : `"${text}" found at ${plural(answer.count, 'offset')}` +
        (answer.count > LISTED_HITS ? ` (the first ${LISTED_HITS} listed)`
                                    : ''),
      answer.count === 0 ? 'note' : 'done');
  if (answer.count > 0) {
    hexView.select(answer.offsets[0], answer.offsets[0] + pattern.length);
  }
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
  $('#find-form').addEventListener('submit', (event) => {
    event.preventDefault();
    find(event.submitter?.id === 'find-prev');
  });
  $('#find-all').addEventListener('click', findAll);
  $('#find-results').addEventListener('click', (event) => {
    const button = event.target.closest('button[data-offset]');
    if (!button) return;
    const offset = Number(button.dataset.offset);
    hexView.select(offset, offset + Number($('#find-results').dataset.length));
  });
  $('#find-text').addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && event.shiftKey) {
      event.preventDefault();
      find(true);
    }
  });
  // Ctrl+F finds, Ctrl+G goes to an offset, as in other hex editors.
  document.addEventListener('keydown', (event) => {
    if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
    const key = event.key.toLowerCase();
    const target = {f: '#find-text', g: '#goto-offset'}[key];
    if (!target || state.editing) return;
    event.preventDefault();
    $(target).focus();
    $(target).select();
  });
  $('#hex-offsets').addEventListener('change', (event) => {
    state.hexOffsets = event.target.checked;
    renderOffsets();
  });
}
