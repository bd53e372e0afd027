// The record inspector page: opens a record, shows the dump rows and the
// bytes, links them both ways, and edits values through the library.

import {
  blockBytes, decode, encode, EncodeError, enumerations,
} from './bioapi_data.mjs';
import { HexView } from './hex_view.js';

const $ = (selector) => document.querySelector(selector);
const statusLine = $('#status');
const messageLine = $('#message');
const changesLine = $('#changes');
const tableBody = $('#fields tbody');
const downloadButton = $('#download');
const fileLabel = $('#file-name');

// Byte strings over this size are shown, not edited, as hex.
const MAX_EDITED_BYTES = 65536;

const named = enumerations();
const hexView = new HexView($('#hex'), pickByte);
const state = {
  name: 'record.bir',
  bytes: null,
  record: null, // what decode() gave
  selected: -1,
  editing: false,
};

function say(text, kind = '') {
  messageLine.textContent = text;
  messageLine.className = kind;
}

// Opening ------------------------------------------------------------------

async function open(file) {
  const chosen = performance.now();
  say('');
  state.name = file.name;
  fileLabel.textContent = file.name;
  const bytes = new Uint8Array(await file.arrayBuffer());
  show(bytes);
  // The table is in the page; the time runs to the frame that shows it.
  requestAnimationFrame(() => {
    const shown = performance.now() - chosen;
    document.body.dataset.openMs = shown.toFixed(1);
    console.info(`inspector: ${file.name} (${bytes.length} bytes) shown ` +
                 `in ${shown.toFixed(1)} ms`);
  });
}

// Shows `bytes` as decoded now; keeps the selected field when it remains.
function show(bytes, keepField = null) {
  const record = decode(bytes);
  state.bytes = bytes;
  state.record = record;
  state.selected = -1;
  state.editing = false;
  statusLine.textContent = record.accepted
    ? `accepted: ${plural(bytes.length, 'byte')}, ` +
      `${plural(record.rows.length, 'row')}`
    : record.status;
  statusLine.className = record.accepted ? 'accepted' : 'rejected';
  // An accepted record that the library would not write so: what encoding
  // it again changes.
  const changes = record.changes ?? [];
  changesLine.textContent = changes.length === 0 ? ''
      : `Not as the library writes it; re-encoding changes: ` +
        `${changes.join(', ')}`;
  renderTable();
  // A check that looked past the end marks the last byte.
  const mark = record.rejection
    ? Math.min(record.rejection.offset, bytes.length - 1) : -1;
  hexView.setRecord(bytes, record.rows, mark,
                    record.rejection ? record.rejection.text : '');
  downloadButton.disabled = false;
  if (record.rejection) {
    hexView.scrollTo(mark);
  }
  const again = keepField === null ? -1
      : record.rows.findIndex((row) => row.field === keepField);
  if (again >= 0) select(again, {focus: true});
}

function plural(n, word) {
  return `${n} ${word}${n === 1 ? '' : 's'}`;
}

function renderTable() {
  const fragment = document.createDocumentFragment();
  state.record.rows.forEach((row, index) => {
    const tr = document.createElement('tr');
    tr.dataset.field = row.field;
    tr.dataset.offset = row.offset;
    tr.dataset.length = row.length;
    tr.dataset.index = index;
    tr.className = `k-${row.kind}`;
    tr.tabIndex = -1;
    const cells = [row.offset, row.length, row.field, row.value, row.bytes];
    cells.forEach((text, column) => {
      const td = document.createElement('td');
      td.textContent = text;
      if (column === 4) td.title = text;
      if (column === 3) {
        td.className = 'value';
        if (editable(row)) {
          td.classList.add('editable');
          td.title = 'Enter or double click to edit';
        }
      }
      tr.append(td);
    });
    fragment.append(tr);
  });
  tableBody.replaceChildren(fragment);
  const first = tableBody.rows[0];
  if (first) first.tabIndex = 0;
}

// Linking ------------------------------------------------------------------

function select(index, {focus = false, scrollHex = true} = {}) {
  const rows = tableBody.rows;
  if (index < 0 || index >= rows.length) return;
  if (state.selected >= 0 && rows[state.selected]) {
    rows[state.selected].classList.remove('selected');
    rows[state.selected].removeAttribute('aria-selected');
    rows[state.selected].tabIndex = -1;
  }
  state.selected = index;
  const tr = rows[index];
  tr.classList.add('selected');
  tr.setAttribute('aria-selected', 'true');
  tr.tabIndex = 0;
  tr.scrollIntoView({block: 'nearest'});
  if (focus) tr.focus({preventScroll: true});
  const row = state.record.rows[index];
  hexView.select(row.offset, row.offset + row.length, scrollHex);
}

function pickByte(offset) {
  const index = hexView.rowAt(offset);
  if (index >= 0) select(index, {scrollHex: false});
}

tableBody.addEventListener('click', (event) => {
  const tr = event.target.closest('tr');
  if (tr && !state.editing) select(Number(tr.dataset.index), {focus: true});
});
tableBody.addEventListener('dblclick', (event) => {
  const tr = event.target.closest('tr');
  if (tr) edit(Number(tr.dataset.index));
});
tableBody.addEventListener('mouseover', (event) => {
  const tr = event.target.closest('tr');
  if (!tr || state.editing) return;
  const row = state.record.rows[Number(tr.dataset.index)];
  hexView.highlight({begin: row.offset, end: row.offset + row.length});
});
tableBody.addEventListener('mouseleave', () => hexView.highlight(null));
tableBody.addEventListener('keydown', (event) => {
  if (state.editing) return;
  const last = tableBody.rows.length - 1;
  const at = Math.max(0, state.selected);
  const moves = {
    ArrowDown: Math.min(last, state.selected < 0 ? 0 : at + 1),
    ArrowUp: Math.max(0, at - 1),
    Home: 0,
    End: last,
  };
  if (event.key in moves) {
    event.preventDefault();
    select(moves[event.key], {focus: true});
  } else if (event.key === 'Enter' || event.key === 'F2') {
    event.preventDefault();
    if (state.selected >= 0) edit(state.selected);
  }
});

// Editing ------------------------------------------------------------------

function editable(row) {
  if (!row.key || !state.record.fields) return false;
  if (row.kind === 'block') {
    const bytes = blockBytes(state.record.fields, row.key);
    return !bytes || bytes.length <= MAX_EDITED_BYTES;
  }
  return true;
}

function dateText(t) {
  const two = (n) => String(n).padStart(2, '0');
  return `${String(t.tm_year).padStart(4, '0')}-${two(t.tm_mon)}-` +
         `${two(t.tm_mday)} ${two(t.tm_hour)}:${two(t.tm_min)}:${two(t.tm_sec)}`;
}

// The page's own forms of values as text. What the text means for the
// record (ranges, lengths) is the library's to say.
function integerOrText(text) {
  const trimmed = text.trim();
  if (/^-?\d+$/.test(trimmed)) return Number(trimmed);
  if (/^0x[0-9a-f]+$/i.test(trimmed)) return parseInt(trimmed, 16);
  return trimmed;
}

function readDate(text) {
  const m = /^\s*(-?\d+)-(\d+)-(\d+)[ T](\d+):(\d+):(\d+)\s*$/.exec(text);
  if (!m) throw new EncodeError(`"${text}" is not a date-time: write ` +
                                'YYYY-MM-DD hh:mm:ss');
  const [year, mon, mday, hour, min, sec] = m.slice(1).map(Number);
  return {tm_year: year, tm_mon: mon, tm_mday: mday, tm_hour: hour,
          tm_min: min, tm_sec: sec};
}

// An editor for `value` of a row's kind; returns [element, read()].
function editorFor(row, value) {
  const input = (text, label) => {
    const element = document.createElement('input');
    element.type = 'text';
    element.value = text;
    element.setAttribute('aria-label', label);
    element.size = Math.min(48, Math.max(8, String(text).length + 2));
    return element;
  };
  const choice = (options, current, label) => {
    const element = document.createElement('select');
    element.setAttribute('aria-label', label);
    for (const [optionValue, text] of options) {
      const option = document.createElement('option');
      option.value = optionValue;
      option.textContent = text;
      option.selected = optionValue === String(current);
      element.append(option);
    }
    return element;
  };
  switch (row.kind) {
    case 'number': {
      const element = input(value, row.field);
      return [element, () => integerOrText(element.value)];
    }
    case 'bool': {
      const element = choice([['true', 'true'], ['false', 'false']], value,
                             row.field);
      return [element, () => element.value === 'true'];
    }
    case 'enum': {
      const options = (named[row.key] ?? []).map(
          (e) => [String(e.value), `${e.value} (${e.name})`]);
      if (!options.some(([v]) => v === String(value.value))) {
        options.unshift([String(value.value), String(value.value)]);
      }
      const element = choice(options, value.value, row.field);
      return [element, () => ({value: Number(element.value)})];
    }
    case 'id': {
      const span = document.createElement('span');
      const owner = input(value.Owner, `${row.field} Owner`);
      const type = input(value.Type, `${row.field} Type`);
      span.append('Owner ', owner, ' Type ', type);
      return [span, () => ({Owner: integerOrText(owner.value),
                            Type: integerOrText(type.value)})];
    }
    case 'date': {
      const element = input(dateText(value), `${row.field} (YYYY-MM-DD hh:mm:ss)`);
      return [element, () => readDate(element.value)];
    }
    default: { // byte strings and blocks, as hex
      const element = document.createElement('textarea');
      element.value = value;
      element.rows = Math.min(6, Math.ceil(value.length / 48) + 1);
      element.cols = 48;
      element.setAttribute('aria-label', `${row.field} (hex)`);
      return [element, () => element.value.replace(/\s+/g, '')];
    }
  }
}

// Fields to edit: the blocks stay bytes, the rest is copied as JSON.
function copyFields(fields) {
  const copy = {};
  for (const key of Object.keys(fields)) {
    const bytes = blockBytes(fields, key);
    copy[key] = bytes ?? structuredClone(fields[key]);
  }
  return copy;
}

function edit(index) {
  const row = state.record.rows[index];
  if (!row || state.editing) return;
  if (!editable(row)) {
    say(row.key && state.record.fields
      ? `${row.field} is too long to edit here (over ${MAX_EDITED_BYTES} bytes)`
      : state.record.fields ? `${row.field} is not a value of the record: ` +
                              'the library computes it'
                            : 'a rejected record cannot be edited',
        'note');
    return;
  }
  select(index);
  const fields = state.record.fields;
  const value = row.index === undefined ? fields[row.key]
                                        : fields[row.key][row.index];
  const [editor, read] = editorFor(row, value);
  const cell = tableBody.rows[index].cells[3];
  const before = [...cell.childNodes];
  state.editing = true;
  const form = document.createElement('form');
  form.className = 'editor';
  form.append(editor);
  cell.replaceChildren(form);
  const first = form.querySelector('input, select, textarea');
  first.focus();
  if (first.select) first.select();

  const close = () => {
    state.editing = false;
    cell.replaceChildren(...before);
    tableBody.rows[index].focus();
  };
  const submit = () => {
    let bytes;
    try {
      const changed = copyFields(fields);
      const newValue = read();
      if (row.index === undefined) {
        changed[row.key] = newValue;
      } else {
        changed[row.key][row.index] = newValue;
      }
      bytes = encodeEdit(changed, row.key);
    } catch (error) {
      if (!(error instanceof EncodeError)) throw error;
      say(`${row.field}: refused: ${error.message}`, 'error');
      first.focus();
      return;
    }
    state.editing = false;
    show(bytes, row.field);
    say(`${row.field} changed; the record was encoded again ` +
        `(${plural(bytes.length, 'byte')})`, 'done');
  };
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    submit();
  });
  form.addEventListener('keydown', (event) => {
    // The table's own keys (Enter opens an editor) stay out of the editor.
    event.stopPropagation();
    if (event.key === 'Escape') {
      event.preventDefault();
      say('');
      close();
    } else if (event.key === 'Enter' && !event.shiftKey) {
      event.preventDefault();
      submit();
    }
  });
}

// Encodes edited fields. A field other than the edited one that would not
// come back as it was (a record that the library would not write so) is
// written as the library writes it; a refusal of the edited field stands.
function encodeEdit(fields, key) {
  try {
    return encode(fields);
  } catch (error) {
    const others = error instanceof EncodeError && error.losses.length > 0 &&
                   error.losses.every((loss) => loss.field !== key);
    if (!others) throw error;
    return encode(fields, {force: true});
  }
}

// Saving -------------------------------------------------------------------

downloadButton.addEventListener('click', () => {
  if (!state.bytes) return;
  const url = URL.createObjectURL(
      new Blob([state.bytes], {type: 'application/octet-stream'}));
  const link = document.createElement('a');
  link.href = url;
  link.download = state.name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
});

// Choosing and dropping ----------------------------------------------------

$('#record-file').addEventListener('change', (event) => {
  const file = event.target.files[0];
  if (file) open(file);
});
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dropping');
});
document.addEventListener('dragleave', () => {
  document.body.classList.remove('dropping');
});
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dropping');
  const file = event.dataTransfer.files[0];
  if (file) open(file);
});

statusLine.textContent = 'Choose a record, or drop one on the page.';
document.body.dataset.ready = 'true';
