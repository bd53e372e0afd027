// The record inspector page: opens a record, shows the dump rows and the
// bytes, links them both ways, and edits values and bytes. The library runs
// in a worker (inspector_worker.js); everything the page says about the
// record (rows, verdict, what an edit changes, the JSON form) comes from it.

import { hex2, HexView, printable } from './hex_view.js';

const $ = (selector) => document.querySelector(selector);
const statusLine = $('#status');
const messageLine = $('#message');
const changesLine = $('#changes');
const tableBody = $('#fields tbody');
const fileInput = $('#record-file');
const fileLabel = $('#file-name');
const modifiedMark = $('#modified');
const buttons = {
  download: $('#download'), undo: $('#undo'), redo: $('#redo'),
  revert: $('#revert'), exportJson: $('#export-json'), copyHex: $('#copy-hex'),
};
const progress = $('#progress');
const progressText = $('#progress-text');

// Byte strings over this size are shown, not edited, as hex.
const MAX_EDITED_BYTES = 65536;
// Work that takes longer than this shows the progress indication.
const PROGRESS_DELAY_MS = 200;

const state = {
  name: 'record.bir',
  bytes: null, // the page's copy of the record the worker holds
  record: null, // what the worker's walk gave
  generation: 0, // of the last file chosen
  shown: 0, // of the record shown
  selected: -1,
  editing: false,
  undo: [], // {label, patch: {offset, before, after}} or {label, before, after}
  redo: [],
  named: {},
  hexOffsets: false,
};

function say(text, kind = '') {
  messageLine.textContent = text;
  messageLine.className = kind;
}

function plural(n, word) {
  return `${n} ${word}${n === 1 ? '' : 's'}`;
}

function hexOf(bytes) {
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('');
}

function offsetText(n) {
  return state.hexOffsets ? `0x${n.toString(16).toUpperCase()}` : String(n);
}

// The worker ---------------------------------------------------------------

const worker = new Worker(new URL('./inspector_worker.js', import.meta.url),
                          {type: 'module'});
const waiting = new Map();
let nextId = 1;
let busy = 0;
let progressTimer = 0;

class WorkerError extends Error {
  constructor({name, message, refused}) {
    super(message);
    this.name = name;
    this.refused = refused;
  }
}

const workerReady = new Promise((resolve) => {
  worker.addEventListener('message', ({data}) => {
    if (data.ready) {
      resolve();
      return;
    }
    const pending = waiting.get(data.id);
    if (!pending) return;
    waiting.delete(data.id);
    if (data.error) pending.reject(new WorkerError(data.error));
    else pending.resolve(data);
  });
});

function setBusy(delta, label) {
  busy += delta;
  document.body.dataset.busy = String(busy > 0);
  if (busy > 0 && delta > 0) {
    progressText.textContent = label;
    if (!progressTimer) {
      progressTimer = setTimeout(() => {
        progressTimer = 0;
        if (busy > 0) progress.hidden = false;
      }, PROGRESS_DELAY_MS);
    }
  } else if (busy === 0) {
    clearTimeout(progressTimer);
    progressTimer = 0;
    progress.hidden = true;
  }
}

// Asks the worker for `op`; resolves to its answer, null when it was meant
// for a record no longer shown, or rejects with a WorkerError.
async function request(op, payload = {}, label = 'Working…') {
  await workerReady;
  const id = nextId++;
  setBusy(1, label);
  try {
    const answer = await new Promise((resolve, reject) => {
      waiting.set(id, {resolve, reject});
      worker.postMessage({id, op, generation: state.shown, ...payload});
    });
    return answer.dropped ? null : answer;
  } finally {
    setBusy(-1);
  }
}

// Opening ------------------------------------------------------------------

// Opens `file`; a file chosen later wins over this one, whichever is read
// first. A file that cannot be read (a folder, a file gone) leaves the record
// shown as it was.
async function open(file) {
  const generation = ++state.generation;
  const chosen = performance.now();
  // The picker forgets its file, so that choosing the same file again reads
  // it again, and it never names a file other than the one shown.
  fileInput.value = '';
  say('');
  let answer;
  try {
    answer = await request('open', {file, generation},
                           `Reading ${file.name}…`);
  } catch (error) {
    if (generation === state.generation) {
      say(`${file.name} could not be read (${error.name}: ${error.message}); ` +
          'a folder cannot be opened, only a file', 'error');
    }
    return;
  }
  if (!answer || generation !== state.generation) return;
  state.shown = generation;
  state.name = file.name;
  fileLabel.textContent = file.name;
  state.bytes = new Uint8Array(answer.buffer);
  state.undo = [];
  state.redo = [];
  show(answer.record);
  // The table is in the page; the time runs to the frame that shows it.
  requestAnimationFrame(() => {
    const shown = performance.now() - chosen;
    document.body.dataset.openMs = shown.toFixed(1);
    console.info(`inspector: ${file.name} (${state.bytes.length} bytes) ` +
                 `shown in ${shown.toFixed(1)} ms`);
  });
}

// Shows the record as the worker walked it. `keep` (after an edit): the
// view stays where it is and the field `keep.field` stays selected.
function show(record, keep = null) {
  state.record = record;
  state.editing = false;
  statusLine.textContent = record.accepted
    ? `accepted: ${plural(record.size, 'byte')}, ` +
      `${plural(record.rows.length, 'row')}${bdbStatus(record.bdb)}`
    : record.status;
  statusLine.className = record.accepted ? 'accepted' : 'rejected';
  changesLine.textContent = record.changes.length === 0 ? ''
      : `Not as the library writes it; re-encoding changes: ` +
        `${record.changes.join(', ')}`;
  const previous = keep ? state.selected : -1;
  state.selected = -1;
  renderTable();
  const mark = record.rejection
    ? Math.min(record.rejection.offset, state.bytes.length - 1) : -1;
  // The BDB's own headers, not its payloads, are tinted.
  hexView.setTints((record.bdb?.rows ?? [])
      .filter((row) => !row.group && !row.payload)
      .map((row) => ({begin: row.offset, end: row.offset + row.length})));
  hexView.setRecord(state.bytes, record.rows, mark,
                    record.rejection ? record.rejection.text : '',
                    keep !== null);
  if (record.rejection && !keep) hexView.scrollTo(mark);
  let again = -1;
  if (keep?.field) {
    again = record.rows.findIndex((row) => row.field === keep.field);
  } else if (keep && previous >= 0 && previous < record.rows.length) {
    again = previous;
  }
  if (again >= 0) select(again, {focus: !!keep.field, scrollHex: false});
  updateTools();
}

// What the status line adds about the record inside the BDB: its format and
// the notes on where it disagrees with the header or with itself.
function bdbStatus(bdb) {
  if (!bdb || (!bdb.format && bdb.notes.length === 0)) return '';
  const notes = bdb.notes.length === 0 ? ''
      : `; ${plural(bdb.notes.length, 'note')}: ${bdb.notes.join('; ')}`;
  return `; BiometricData: ${bdb.format ?? 'not recognised'}${notes}`;
}

// The table row of dump row `index` (the rows of the BDB's own record sit
// between them, without an index).
const rowElement = (index) =>
  tableBody.querySelector(`tr[data-index="${index}"]`);

// The rows of the record inside the BDB, indented under BiometricData by
// their depth; their bytes are tinted in the hex view.
function bdbRows(bdb) {
  return bdb.rows.map((row) => {
    const tr = document.createElement('tr');
    tr.className = `bdb-row${row.group ? ' bdb-group' : ''}`;
    tr.dataset.bdbField = row.field;
    tr.dataset.offset = row.offset;
    tr.dataset.length = row.length;
    const cells = [offsetText(row.offset), row.length,
                   `${'\u00a0'.repeat(2 * (row.depth + 1))}${row.field}`,
                   row.value, row.bytes];
    cells.forEach((text, column) => {
      const td = document.createElement('td');
      td.textContent = text;
      if (column === 4) td.title = text;
      tr.append(td);
    });
    return tr;
  });
}

function updateTools() {
  const open = state.bytes !== null;
  buttons.download.disabled = !open;
  buttons.exportJson.disabled = !(open && state.record?.accepted);
  buttons.undo.disabled = state.undo.length === 0;
  buttons.redo.disabled = state.redo.length === 0;
  buttons.revert.disabled = state.undo.length === 0;
  const modified = state.undo.length > 0;
  modifiedMark.hidden = !modified;
  document.body.dataset.modified = String(modified);
  document.title = `${modified ? '• ' : ''}${open ? `${state.name} – ` : ''}` +
                   'BioAPI record inspector';
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
    if (row.check) {
      tr.classList.add('failing');
      tr.title = `check "${row.check}" failed`;
    }
    if (row.whole === false) tr.dataset.whole = 'false';
    tr.tabIndex = -1;
    const value = row.whole === false ? `check "${row.check}" failed`
                                      : row.value;
    const cells = [offsetText(row.offset), row.length, row.field, value,
                   row.bytes];
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
    if (row.kind === 'block' && row.field === 'BiometricData' &&
        state.record.bdb) {
      fragment.append(...bdbRows(state.record.bdb));
    }
  });
  tableBody.replaceChildren(fragment);
  const first = tableBody.rows[0];
  if (first) first.tabIndex = 0;
}

// Linking ------------------------------------------------------------------

function select(index, {focus = false, scrollHex = true} = {}) {
  if (!(index >= 0 && index < state.record.rows.length)) return;
  const previous = rowElement(state.selected);
  if (state.selected >= 0 && previous) {
    previous.classList.remove('selected');
    previous.removeAttribute('aria-selected');
    previous.tabIndex = -1;
  }
  state.selected = index;
  const tr = rowElement(index);
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
  const row = state.record.rows.findIndex(
      (r) => r === hexView.rows[index]);
  if (row >= 0) {
    select(row, {scrollHex: false});
  } else {
    hexView.select(offset, offset + 1, false);
  }
}

const hexView = new HexView($('#hex'), {
  pick: pickByte,
  selection: showSelection,
  write: (offset, value) => writeBytes(offset, Uint8Array.of(value),
                                       `byte ${offsetText(offset)}`),
});

tableBody.addEventListener('click', (event) => {
  const tr = event.target.closest('tr');
  if (tr?.classList.contains('bdb-row') && !state.editing) {
    const begin = Number(tr.dataset.offset);
    hexView.select(begin, begin + Number(tr.dataset.length), true);
    return;
  }
  if (tr && !state.editing) select(Number(tr.dataset.index), {focus: true});
});
tableBody.addEventListener('dblclick', (event) => {
  const tr = event.target.closest('tr');
  if (tr && tr.dataset.index !== undefined) edit(Number(tr.dataset.index));
});
// Hovering a row highlights its bytes where they are; it never scrolls.
tableBody.addEventListener('mouseover', (event) => {
  const tr = event.target.closest('tr');
  if (!tr || state.editing) return;
  const begin = Number(tr.dataset.offset);
  hexView.highlight({begin, end: begin + Number(tr.dataset.length)});
});
tableBody.addEventListener('mouseleave', () => hexView.highlight(null));
tableBody.addEventListener('keydown', (event) => {
  if (state.editing) return;
  const last = state.record.rows.length - 1;
  const at = Math.max(0, state.selected);
  const page = 10;
  const moves = {
    ArrowDown: Math.min(last, state.selected < 0 ? 0 : at + 1),
    ArrowUp: Math.max(0, at - 1),
    PageDown: Math.min(last, at + page),
    PageUp: Math.max(0, at - page),
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

// The selected bytes ----------------------------------------------------------

const inspectorBody = $('#data-inspector tbody');
let selectionRange = null;

// The values of the bytes at the selection's start, in every width and
// order; text of the selected bytes.
function showSelection(begin, end) {
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

// Editing ------------------------------------------------------------------

function blockOf(row) {
  return row.kind === 'block' ? state.record.blocks?.[row.key] : null;
}

function editable(row) {
  if (!row.key || !state.record.fields || row.whole === false) return false;
  const block = blockOf(row);
  return !block || block.length <= MAX_EDITED_BYTES;
}

function dateText(t) {
  const two = (n) => String(n).padStart(2, '0');
  return `${String(t.tm_year).padStart(4, '0')}-${two(t.tm_mon)}-` +
         `${two(t.tm_mday)} ${two(t.tm_hour)}:${two(t.tm_min)}:${two(t.tm_sec)}`;
}

class InputError extends Error {}

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
  if (!m) throw new InputError(`"${text}" is not a date-time: write ` +
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
      const options = (state.named[row.key] ?? []).map(
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
      const element = input(dateText(value),
                            `${row.field} (YYYY-MM-DD hh:mm:ss)`);
      return [element, () => readDate(element.value)];
    }
    default: { // byte strings and blocks, as hex
      const element = document.createElement('textarea');
      element.value = value;
      element.rows = Math.min(6, Math.ceil(value.length / 48) + 1);
      element.cols = 40;
      element.setAttribute('aria-label', `${row.field} (hex)`);
      return [element, () => element.value.replace(/\s+/g, '')];
    }
  }
}

function valueOf(row) {
  const block = blockOf(row);
  if (block) {
    return hexOf(state.bytes.subarray(block.offset,
                                      block.offset + block.length));
  }
  const fields = state.record.fields;
  return row.index === undefined ? fields[row.key] : fields[row.key][row.index];
}

function edit(index) {
  const row = state.record.rows[index];
  if (!row || state.editing) return;
  if (!editable(row)) {
    say(!state.record.fields
      ? 'the library rejects this record, so its values cannot be edited: ' +
        'mend its bytes in the hex view (type hex digits at the cursor)'
      : row.key ? `${row.field} is too long to edit here ` +
                  `(over ${MAX_EDITED_BYTES} bytes)`
                : `${row.field} is not a value of the record: ` +
                  'the library computes it', 'note');
    return;
  }
  select(index);
  const [editor, read] = editorFor(row, valueOf(row));
  const cell = rowElement(index).cells[3];
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
    rowElement(index)?.focus();
  };
  let submitting = false;
  const submit = async () => {
    if (submitting) return;
    let fields;
    try {
      fields = structuredClone(state.record.fields);
      const newValue = read();
      if (row.index === undefined) fields[row.key] = newValue;
      else fields[row.key][row.index] = newValue;
    } catch (error) {
      if (!(error instanceof InputError)) throw error;
      say(`${row.field}: refused: ${error.message}`, 'error');
      first.focus();
      return;
    }
    submitting = true;
    try {
      const done = await applyEdit(row, fields);
      if (done) {
        state.editing = false;
      } else {
        first.focus();
      }
    } finally {
      submitting = false;
    }
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

// Asks the library to edit `row`'s field to what `fields` says. Returns true
// when the editor may close (done, unchanged, or cancelled by the person).
async function applyEdit(row, fields) {
  const started = performance.now();
  let answer;
  try {
    answer = await request('edit', {fields, key: row.key, index: row.index},
                           `Editing ${row.field}…`);
  } catch (error) {
    if (!error.refused) throw error;
    say(`${row.field}: refused: ${error.message}`, 'error');
    return false;
  }
  if (!answer) return true;
  if (answer.kind === 'unchanged') {
    show(state.record, {field: row.field});
    say(`${row.field}: unchanged`, 'note');
    return true;
  }
  if (answer.kind === 'patch') {
    state.bytes.set(answer.bytes, answer.offset);
    record({label: row.field, patch: {offset: answer.offset,
                                      before: answer.before,
                                      after: answer.bytes}});
    show(answer.record, {field: row.field});
    say(`${row.field} changed: ${plural(answer.bytes.length, 'byte')} at ` +
        `${offsetText(answer.offset)}; nothing else changed`, 'done');
    // From asking the library to the table showing the edit.
    document.body.dataset.editMs = (performance.now() - started).toFixed(2);
    return true;
  }
  // The record must be encoded again: say what else changes first.
  const size = state.bytes.length;
  const sizeText = answer.size === size ? `stays ${plural(size, 'byte')}`
      : `${size} → ${plural(answer.size, 'byte')}`;
  let apply = true;
  if (answer.changes.length > 0) {
    apply = await confirmEdit(
        `Changing ${row.field} encodes the record again (${sizeText}). ` +
        'Besides the field, this also changes:', answer.changes);
  }
  if (!apply) {
    show(state.record, {field: row.field});
    say(`${row.field}: not changed`, 'note');
    return true;
  }
  const accepted = await request('accept', {}, 'Encoding…');
  if (!accepted) return true;
  const after = new Uint8Array(accepted.buffer);
  record({label: row.field, before: state.bytes, after});
  state.bytes = after;
  show(accepted.record, {field: row.field});
  say(`${row.field} changed; the record was encoded again (${sizeText})` +
      (answer.changes.length ? `: ${answer.changes.join(', ')}` : ''), 'done');
  return true;
}

const confirmDialog = $('#confirm-edit');
function confirmEdit(title, changes) {
  $('#confirm-title').textContent = title;
  $('#confirm-changes').replaceChildren(...changes.map((text) => {
    const li = document.createElement('li');
    li.textContent = text;
    return li;
  }));
  confirmDialog.returnValue = '';
  confirmDialog.showModal();
  $('#confirm-cancel').focus();
  return new Promise((resolve) => {
    confirmDialog.addEventListener(
        'close', () => resolve(confirmDialog.returnValue === 'apply'),
        {once: true});
  });
}

// Raw bytes: the hex view overwrites them, whatever the record says.
async function writeBytes(offset, bytes, label) {
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

// Undo, redo, revert ---------------------------------------------------------

function record(change) {
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

const undo = () => step(state.undo, state.redo, true);
const redo = () => step(state.redo, state.undo, false);

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

// Navigation -----------------------------------------------------------------

// An offset as typed: 0x1F or 1Fh in hex, 31 in decimal.
function readOffset(text) {
  const t = text.trim();
  if (/^0x[0-9a-f]+$/i.test(t)) return parseInt(t.slice(2), 16);
  if (/^[0-9a-f]+h$/i.test(t)) return parseInt(t.slice(0, -1), 16);
  if (/^\d+$/.test(t)) return Number(t);
  return NaN;
}

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
  if (!state.record) return;
  tableBody.querySelectorAll('tr').forEach((tr) => {
    tr.cells[0].textContent = offsetText(Number(tr.dataset.offset));
  });
});

// A splitter between the panes on wide screens.
{
  const splitter = $('#splitter');
  const panes = $('#panes');
  const setWidth = (px) => {
    const box = panes.getBoundingClientRect();
    const width = Math.min(Math.max(280, px), box.width - 560);
    panes.style.setProperty('--fields-width', `${width}px`);
  };
  splitter.addEventListener('pointerdown', (event) => {
    splitter.setPointerCapture(event.pointerId);
    const left = panes.getBoundingClientRect().left;
    const move = (e) => setWidth(e.clientX - left);
    splitter.addEventListener('pointermove', move);
    splitter.addEventListener('pointerup', () => {
      splitter.removeEventListener('pointermove', move);
    }, {once: true});
  });
  splitter.addEventListener('keydown', (event) => {
    const step = {ArrowLeft: -32, ArrowRight: 32}[event.key];
    if (!step) return;
    event.preventDefault();
    const current = $('.fields-pane').getBoundingClientRect().width;
    setWidth(current + step);
  });
}

// Saving -------------------------------------------------------------------

function save(blob, name) {
  const url = URL.createObjectURL(blob);
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

buttons.download.addEventListener('click', () => {
  if (!state.bytes) return;
  save(new Blob([state.bytes], {type: 'application/octet-stream'}),
       state.name);
});

buttons.exportJson.addEventListener('click', async () => {
  try {
    const answer = await request('json', {}, 'Writing JSON…');
    if (!answer) return;
    save(new Blob([answer.text], {type: 'application/json'}),
         `${state.name.replace(/\.[^.]*$/, '')}.json`);
  } catch (error) {
    say(`JSON: ${error.message}`, 'error');
  }
});

// Choosing and dropping ----------------------------------------------------

fileInput.addEventListener('change', (event) => {
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

const hello = await request('hello', {}, 'Loading the library…');
state.named = hello.enumerations;
statusLine.textContent = 'Choose a record, or drop one on the page.';
document.body.dataset.ready = 'true';
