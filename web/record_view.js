// The record shown: the status lines, the table of dump rows and the hex
// view, linked both ways. `show` puts a walk of the worker on the page;
// `select` selects a row and its bytes.

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
  const focusedRow = tableBody.contains(document.activeElement)
    ? document.activeElement.closest('tr')?.dataset.field : null;
  statusLine.textContent = statusText(record);
  statusLine.className = record.accepted ? 'accepted' : 'rejected';
  changesLine.textContent = record.changes.length === 0 ? ''
      : `Not as the library writes it; re-encoding changes: ` +
        `${record.changes.join(', ')}`;
  const previous = keep ? state.selected : -1;
  state.selected = -1;
  renderTable();
  const mark = record.rejection
    ? Math.min(record.rejection.offset, state.bytes.length - 1) : -1;
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
  if (focusedRow && !tableBody.contains(document.activeElement)) {
    const index = record.rows.findIndex((row) => row.field === focusedRow);
    const tr = tableBody.rows[index >= 0 ? index : Math.max(0, state.selected)];
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

// The table's rows, one a dump row. A row that holds parts of its own (a
// block read further) may add rows of them after its own, here.
function renderTable() {
  const fragment = document.createDocumentFragment();
  state.record.rows.forEach((row, index) => {
    fragment.append(tableRow(row, index));
  });
  tableBody.replaceChildren(fragment);
  const first = tableBody.rows[0];
  if (first) first.tabIndex = 0;
}

/** Shows offsets in hex or decimal, as `state.hexOffsets` says. */
export function renderOffsets() {
  if (!state.record) return;
  tableBody.querySelectorAll('tr').forEach((tr) => {
    tr.cells[0].textContent = offsetText(Number(tr.dataset.offset));
  });
}

export function tableRowElement(index) {
  return tableBody.rows[index];
}

/**
 * Selects row `index` and, unless `bytes` is false (the cursor moved into
 * the row in the hex view), its bytes.
 */
export function select(index, {focus = false, scrollHex = true,
                               bytes = true} = {}) {
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
  if (bytes) hexView.select(row.offset, row.offset + row.length, scrollHex);
}

// The cursor moved to `offset` in the hex view: the row that holds it is
// selected, the selected bytes stay as the hex view made them.
function pickByte(offset) {
  const index = hexView.rowAt(offset);
  const row = state.record.rows.findIndex(
      (r) => r === hexView.rows[index]);
  if (row >= 0) {
    select(row, {scrollHex: false, bytes: false});
  } else {
    unselectRow();
  }
}

function unselectRow() {
  const tr = tableBody.rows[state.selected];
  if (tr) {
    tr.classList.remove('selected');
    tr.removeAttribute('aria-selected');
  }
  state.selected = -1;
}

/**
 * The table's own handlers: selecting, hovering, keys; `edit(index)` opens
 * a row's editor, `remove(row)` asks to remove an optional field.
 */
export function initTable({edit, remove}) {
  tableBody.addEventListener('click', (event) => {
    const tr = event.target.closest('tr');
    if (tr && !state.editing) select(Number(tr.dataset.index), {focus: true});
  });
  tableBody.addEventListener('dblclick', (event) => {
    const tr = event.target.closest('tr');
    if (tr) edit(Number(tr.dataset.index));
  });
  // Hovering a row highlights its bytes where they are; it never scrolls.
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
    } else if (event.key === 'Delete' && state.selected >= 0) {
      event.preventDefault();
      remove(state.record.rows[state.selected]);
    }
  });
}
