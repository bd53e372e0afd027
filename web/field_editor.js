// Editing a field's value in the table: an editor of the row's kind, the
// library's answer (in place, or encoded again after the person agrees to
// what else changes), and the confirmation dialog.

import * as history from './history.js';
import {
  blockOf, editable, select, show, tableRowElement,
} from './record_view.js';
import {
  $, hexOf, MAX_EDITED_BYTES, offsetText, plural, say, state,
} from './state.js';
import { request } from './worker_client.js';

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

export function edit(index) {
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
  const cell = tableRowElement(index).cells[3];
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
    tableRowElement(index)?.focus();
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
    history.record({label: row.field, patch: {offset: answer.offset,
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
  history.record({label: row.field, before: state.bytes, after});
  state.bytes = after;
  show(accepted.record, {field: row.field});
  say(`${row.field} changed; the record was encoded again (${sizeText})` +
      (answer.changes.length ? `: ${answer.changes.join(', ')}` : ''), 'done');
  return true;
}

const confirmDialog = $('#confirm-edit');
export function confirmEdit(title, changes) {
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
