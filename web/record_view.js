// The record shown: the status lines, the table of dump rows and the hex
// view, linked both ways. `show` puts a walk of the worker on the page;
// `select` selects a row and its bytes. Under BiometricData the table holds
// the rows of the record inside the BDB, read-only; they have no index in
// the walk's rows, so the table keeps its own list of what each row shows.

import { HexView } from './hex_view.js';
import { $, MAX_EDITED_BYTES, offsetText, plural, state } from './state.js';

const statusLine = $('#status');
const changesLine = $('#changes');
const tableBody = $('#fields tbody');
const modifiedMark = $('#modified');

export const buttons = {
  download: $('#download'), undo: $('#undo'), redo: $('#redo'),
  revert: $('#revert'), exportJson: $('#export-json'), copyHex: $('#copy-hex'),
};

// Set by the other modules of the page: what a click on a byte, a change of
// the selected bytes and a byte typed in the hex view do.
export const viewHandlers = {
  selection: () => {},
  write: () => {},
  shown: () => {},
};

export const hexView = new HexView($('#hex'), {
  pick: pickByte,
  selection: (begin, end, cursor) =>
    viewHandlers.selection(begin, end, cursor),
  write: (offset, value) => viewHandlers.write(offset, value),
});

// The table's rows in order, each {row, index, key}: a dump row of the walk
// (`index` its place in record.rows) or a row of the record inside the BDB
// (index -1); `key` finds the same row again after an edit.
let entries = [];
// The table position of each dump row, by its index in record.rows.
let positionOf = [];
// The table position of the selected row, or -1.
let selectedAt = -1;

export function blockOf(row) {
  return row.kind === 'block' ? state.record.blocks?.[row.key] : null;
}

export function editable(row) {
  if (!row.key || !state.record.fields || row.whole === false) return false;
  const block = blockOf(row);
  return !block || block.length <= MAX_EDITED_BYTES;
}

/**
 * Shows the record as the worker walked it. `keep` (after an edit): the
 * view stays where it is and the field `keep.field` stays selected.
 */
export function show(record, keep = null) {
  state.record = record;
  state.editing = false;
  // A row drawn again would leave the keyboard on the page's body.
  const focusedTr = tableBody.contains(document.activeElement)
    ? document.activeElement.closest('tr') : null;
  const focusedKey = focusedTr ? entries[focusedTr.sectionRowIndex]?.key
                               : null;
  statusLine.textContent = statusText(record) + bdbText(record.bdb);
  statusLine.className = record.accepted ? 'accepted' : 'rejected';
  changesLine.textContent = record.changes.length === 0 ? ''
      : `Not as the library writes it; re-encoding changes: ` +
        `${record.changes.join(', ')}`;
  const previous = keep ? state.selected : -1;
  const previousKey = keep ? entries[selectedAt]?.key : null;
  state.selected = -1;
  selectedAt = -1;
  renderTable();
  const mark = record.rejection
    ? Math.min(record.rejection.offset, state.bytes.length - 1) : -1;
  // The headers of the record inside the BDB are tinted; its payloads (an
  // image, the minutiae) and the groups that hold the headers are not.
  hexView.setTints((record.bdb?.rows ?? [])
      .filter((row) => !row.group && !row.payload)
      .map((row) => [row.offset, row.offset + row.length]));
  hexView.setRecord(state.bytes, record.rows, mark,
                    record.rejection ? record.rejection.text : '',
                    keep !== null);
  if (record.rejection && !keep) hexView.scrollTo(mark);
  // The row selected before stays selected: the field edited, else the
  // same row of the BDB's record, else the row in the same place.
  let again = -1;
  if (keep?.field) {
    again = positionOf[record.rows.findIndex((row) => row.field === keep.field)]
            ?? -1;
  } else if (keep && previousKey?.startsWith('BiometricData/') &&
             positionOfKey(previousKey) >= 0) {
    again = positionOfKey(previousKey);
  } else if (keep && previous >= 0 && previous < record.rows.length) {
    again = positionOf[previous];
  }
  if (again >= 0) selectAt(again, {focus: !!keep.field, scrollHex: false});
  if (focusedKey && !tableBody.contains(document.activeElement)) {
    const at = positionOfKey(focusedKey);
    const tr = tableBody.rows[at >= 0 ? at : Math.max(0, selectedAt)];
    tr?.focus({preventScroll: true});
  }
  updateTools();
  viewHandlers.shown(record, keep);
}

// The status line: the verdict, and for a rejection the value that the
// failing check read against the record's size.
function statusText(record) {
  if (record.accepted) {
    return `accepted: ${plural(record.size, 'byte')}, ` +
           `${plural(record.rows.length, 'row')}`;
  }
  if (record.size === 0) {
    return 'rejected: the file is empty (0 bytes); a record has at least ' +
           'its header';
  }
  const failing = record.rows.find((row) => row.check && row.whole !== false &&
                                            row.value !== '');
  return failing
    ? `${record.status}: ${failing.field} is ${failing.value}, the record ` +
      `is ${plural(record.size, 'byte')}`
    : record.status;
}

// What the status line adds about the record inside the BDB: its format
// and the notes on where it disagrees with the header or with itself, in
// the inspection library's words (an unrecognised BDB has one that says
// so).
function bdbText(bdb) {
  if (!bdb || (!bdb.format && bdb.notes.length === 0)) return '';
  const parts = bdb.format ? [bdb.format] : [];
  if (bdb.notes.length > 0) {
    parts.push(`${plural(bdb.notes.length, 'note')}: ${bdb.notes.join('; ')}`);
  }
  return `; BiometricData: ${parts.join('; ')}`;
}

export function updateTools() {
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

// One row of the table: the dump row `row`, the `index`th of the walk.
function tableRow(row, index) {
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
  return tr;
}

// One row of the record inside the BDB: read-only, indented by its depth
// under BiometricData. It carries no data-field, so that the dump rows
// alone answer to `tr[data-field]`.
function bdbRow(row, kind = '') {
  const tr = document.createElement('tr');
  if (kind) {
    tr.className = kind;
  } else {
    tr.dataset.bdbField = row.field;
  }
  tr.dataset.offset = row.offset;
  tr.dataset.length = row.length;
  tr.dataset.depth = row.depth;
  tr.classList.add('bdb-row');
  if (row.group) tr.classList.add('bdb-group');
  if (row.payload) tr.classList.add('bdb-payload');
  tr.tabIndex = -1;
  const cells = [offsetText(row.offset), row.length, row.field, row.value,
                 row.bytes];
  cells.forEach((text, column) => {
    const td = document.createElement('td');
    td.textContent = text;
    if (column === 2) td.style.setProperty('--depth', row.depth + 1);
    if (column === 3) td.className = 'value';
    if (column === 4) td.title = text;
    tr.append(td);
  });
  return tr;
}

// The row that stands for the rows of the record inside the BDB that the
// module left out (a BDB whose counts claim thousands of views): it covers
// the BDB's bytes after the last row given.
function moreRow(bdb, block) {
  // A group shown may span rows left out: only the others count.
  const shown = bdb.rows.reduce((end, row) => (row.group ? end
      : Math.max(end, row.offset + row.length)), 0);
  const end = block.offset + block.length;
  const offset = Math.min(end, Math.max(shown, block.offset));
  const left = bdb.rowCount - bdb.rows.length;
  return {field: '…', offset, length: end - offset, depth: 0,
          value: `${plural(left, 'more row')} of the BDB's record, ` +
                 'not shown (bir dump shows them all)',
          bytes: ''};
}

// The table's rows: each dump row, and under BiometricData the rows of the
// record inside it.
function renderTable() {
  entries = [];
  positionOf = [];
  const fragment = document.createDocumentFragment();
  state.record.rows.forEach((row, index) => {
    positionOf[index] = entries.length;
    entries.push({row, index, key: row.field});
    fragment.append(tableRow(row, index));
    if (row.kind !== 'block' || row.field !== 'BiometricData' ||
        row.whole === false) {
      return;
    }
    // A row's key is its path of groups: BiometricData/View 2/Quality.
    const groups = [];
    const bdb = state.record.bdb;
    for (const nested of bdb?.rows ?? []) {
      groups.length = Math.min(groups.length, nested.depth);
      const key = ['BiometricData', ...groups, nested.field].join('/');
      if (nested.group) groups[nested.depth] = nested.field;
      entries.push({row: nested, index: -1, key});
      fragment.append(bdbRow(nested));
    }
    if (bdb && bdb.rowCount > bdb.rows.length) {
      const more = moreRow(bdb, row);
      entries.push({row: more, index: -1, key: 'BiometricData/'});
      fragment.append(bdbRow(more, 'bdb-more'));
    }
  });
  tableBody.replaceChildren(fragment);
  const first = tableBody.rows[0];
  if (first) first.tabIndex = 0;
}

// The table position of the row with `key`, or -1.
function positionOfKey(key) {
  return entries.findIndex((entry) => entry.key === key);
}

/** Shows offsets in hex or decimal, as `state.hexOffsets` says. */
export function renderOffsets() {
  if (!state.record) return;
  tableBody.querySelectorAll('tr').forEach((tr) => {
    tr.cells[0].textContent = offsetText(Number(tr.dataset.offset));
  });
}

/** The table row of dump row `index` (of record.rows). */
export function tableRowElement(index) {
  return tableBody.rows[positionOf[index]];
}

/**
 * Selects dump row `index` (of record.rows) and, unless `bytes` is false
 * (the cursor moved into the row in the hex view), its bytes.
 */
export function select(index, options = {}) {
  if (index >= 0 && index < positionOf.length) {
    selectAt(positionOf[index], options);
  }
}

// Selects the table's row at `position`, a dump row or a row of the record
// inside the BDB. `state.selected` names the dump row, or is -1 for the
// latter: those rows are not edited.
function selectAt(position, {focus = false, scrollHex = true,
                             bytes = true} = {}) {
  const rows = tableBody.rows;
  if (position < 0 || position >= rows.length) return;
  const before = rows[selectedAt];
  if (before) {
    before.classList.remove('selected');
    before.removeAttribute('aria-selected');
    before.tabIndex = -1;
  }
  selectedAt = position;
  const {row, index} = entries[position];
  state.selected = index;
  const tr = rows[position];
  tr.classList.add('selected');
  tr.setAttribute('aria-selected', 'true');
  tr.tabIndex = 0;
  tr.scrollIntoView({block: 'nearest'});
  if (focus) tr.focus({preventScroll: true});
  if (bytes) hexView.select(row.offset, row.offset + row.length, scrollHex);
}

// The cursor moved to `offset` in the hex view: the row that holds it is
// selected, the selected bytes stay as the hex view made them. In the BDB,
// that is the innermost row of its record that holds the byte, if any.
function pickByte(offset) {
  const index = hexView.rowAt(offset);
  const row = state.record.rows.findIndex(
      (r) => r === hexView.rows[index]);
  if (row < 0) {
    unselectRow();
    return;
  }
  let position = positionOf[row];
  for (let at = position + 1; entries[at]?.index === -1; ++at) {
    const nested = entries[at].row;
    if (offset >= nested.offset && offset < nested.offset + nested.length &&
        (position === positionOf[row] ||
         nested.depth > entries[position].row.depth)) {
      position = at;
    }
  }
  selectAt(position, {scrollHex: false, bytes: false});
}

function unselectRow() {
  const tr = tableBody.rows[selectedAt];
  if (tr) {
    tr.classList.remove('selected');
    tr.removeAttribute('aria-selected');
  }
  state.selected = -1;
  selectedAt = -1;
}

/**
 * The table's own handlers: selecting, hovering, keys; `edit(index)` opens
 * a row's editor, `remove(row)` asks to remove an optional field.
 */
export function initTable({edit, remove}) {
  tableBody.addEventListener('click', (event) => {
    const tr = event.target.closest('tr');
    if (tr && !state.editing) selectAt(tr.sectionRowIndex, {focus: true});
  });
  tableBody.addEventListener('dblclick', (event) => {
    const tr = event.target.closest('tr');
    if (tr?.dataset.index !== undefined) edit(Number(tr.dataset.index));
  });
  // Hovering a row highlights its bytes where they are; it never scrolls.
  tableBody.addEventListener('mouseover', (event) => {
    const tr = event.target.closest('tr');
    const row = tr && entries[tr.sectionRowIndex]?.row;
    if (!row || state.editing) return;
    hexView.highlight({begin: row.offset, end: row.offset + row.length});
  });
  tableBody.addEventListener('mouseleave', () => hexView.highlight(null));
  tableBody.addEventListener('keydown', (event) => {
    if (state.editing) return;
    const last = tableBody.rows.length - 1;
    const at = Math.max(0, selectedAt);
    const page = 10;
    const moves = {
      ArrowDown: Math.min(last, selectedAt < 0 ? 0 : at + 1),
      ArrowUp: Math.max(0, at - 1),
      PageDown: Math.min(last, at + page),
      PageUp: Math.max(0, at - page),
      Home: 0,
      End: last,
    };
    if (event.key in moves) {
      event.preventDefault();
      selectAt(moves[event.key], {focus: true});
    } else if (event.key === 'Enter' || event.key === 'F2') {
      event.preventDefault();
      if (state.selected >= 0) edit(state.selected);
    } else if (event.key === 'Delete' && state.selected >= 0) {
      event.preventDefault();
      remove(state.record.rows[state.selected]);
    }
  });
}
