// Editing a field's value in the table: an editor of the row's kind, the
// library's answer (in place, or encoded again after the person agrees to
// what else changes); removing an optional field and adding an absent one.

import { ask } from './dialog.js';
import * as history from './history.js';
import {
  blockOf, editable, select, show, tableRowElement,
} from './record_view.js';
import {
  $, hexOf, MAX_EDITED_BYTES, offsetText, plural, say, state,
} from './state.js';
import { request } from './worker_client.js';

function dateText(t) {
  if (!t) return '';
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
      if (row.period) { // a whole validity period: an absent one added
        const span = document.createElement('span');
        const start = input(dateText(value[0]), `${row.field} start`);
        const end = input(dateText(value[1]), `${row.field} end`);
        span.append('from ', start, ' to ', end);
        return [span, () => [readDate(start.value), readDate(end.value)]];
      }
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

/** The part (a field of the record) that `key` names, or undefined. */
function partOf(key) {
  return state.parts.find((part) => part.name === key);
}

const isOptional = (row) => !!(row.key && partOf(row.key)?.optional);

// A value to start the editor of an absent field with.
function startValue(part) {
  const now = new Date();
  const date = {tm_year: now.getFullYear(), tm_mon: now.getMonth() + 1,
                tm_mday: now.getDate(), tm_hour: 0, tm_min: 0, tm_sec: 0};
  switch (part.kind) {
    case 'number': return '';
    case 'bool': return false;
    case 'enum': return {value: state.named[part.name]?.[0]?.value ?? 0};
    case 'id': return {Owner: '', Type: ''};
    case 'date': return part.period ? [date, {...date, tm_year: date.tm_year + 5}]
                                    : date;
    default: return '';
  }
}

// The library's refusal, the field named once.
function refusal(row, message) {
  return message.startsWith(row.field) || message.startsWith(row.key)
    ? `refused: ${message}` : `${row.field}: refused: ${message}`;
}

/**
 * Opens an editor of `row` (a dump row, or an absent field's) in `cell`;
 * `submit(value)` hears the value read from it, `close()` Escape. Returns
 * the form's first control.
 */
function openEditor(row, value, cell, {submit, close, remove}) {
  const [editor, read] = editorFor(row, value);
  const form = document.createElement('form');
  form.className = 'editor';
  form.append(editor);
  if (remove) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'remove-field';
    button.textContent = 'Remove field';
    button.title = `Leave ${row.field} out of the record`;
    button.addEventListener('click', remove);
    form.append(' ', button);
  }
  cell.replaceChildren(form);
  form.scrollIntoView({block: 'nearest'});
  const first = form.querySelector('input, select, textarea');
  first.focus({preventScroll: true});
  if (first.select) first.select();
  let submitting = false;
  const go = async () => {
    if (submitting) return;
    let newValue;
    try {
      newValue = read();
    } catch (error) {
      if (!(error instanceof InputError)) throw error;
      say(refusal(row, error.message), 'error');
      first.focus();
      return;
    }
    submitting = true;
    try {
      if (!await submit(newValue)) first.focus();
    } finally {
      submitting = false;
    }
  };
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    go();
  });
  form.addEventListener('keydown', (event) => {
    // The table's own keys (Enter opens an editor) stay out of the editor.
    event.stopPropagation();
    if (event.key === 'Escape') {
      event.preventDefault();
      say('');
      close();
    } else if (event.key === 'Enter' && !event.shiftKey &&
               event.target.tagName !== 'BUTTON') {
      event.preventDefault();
      go();
    }
  });
  return first;
}

/** Opens the editor of table row `index`. */
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
  const cell = tableRowElement(index).cells[3];
  const before = [...cell.childNodes];
  state.editing = true;
  const close = () => {
    state.editing = false;
    cell.replaceChildren(...before);
    tableRowElement(index)?.focus();
  };
  const optional = isOptional(row) && row.index === undefined;
  openEditor(row, valueOf(row), cell, {
    close,
    remove: optional ? () => removeField(row) : null,
    submit: async (value) => {
      // An optional byte string emptied: the person means to leave it out.
      if (optional && value === '' && row.kind === 'bytes') {
        return removeField(row);
      }
      const fields = structuredClone(state.record.fields);
      if (row.index === undefined) fields[row.key] = value;
      else fields[row.key][row.index] = value;
      return applyEdit(row, fields);
    },
  });
}

/** Asks to remove the optional field of `row` (selected by the table). */
export async function removeField(row) {
  if (!isOptional(row) || !state.record.fields) {
    say(`${row.field} is not an optional field: it cannot be removed`,
        'note');
    return true;
  }
  const fields = structuredClone(state.record.fields);
  fields[row.key] = null;
  return applyEdit({...row, field: row.key, index: undefined}, fields,
                   {removing: true});
}

/** Fills the list of absent optional fields that the table offers to add. */
export function renderAddable() {
  const select = $('#add-field');
  const absent = state.record?.fields
    ? state.parts.filter((part) => part.optional &&
                                   state.record.fields[part.name] === null)
    : [];
  select.replaceChildren(...absent.map((part) => {
    const option = document.createElement('option');
    option.value = part.name;
    option.textContent = part.name;
    return option;
  }));
  $('#add-row').hidden = absent.length === 0;
}

// Opens an editor of the absent field chosen in #add-field.
function addField() {
  const part = partOf($('#add-field').value);
  if (!part || state.editing || !state.record?.fields) return;
  const row = {field: part.name, key: part.name, kind: part.kind,
               period: part.period};
  const cell = $('#add-editor');
  state.editing = true;
  const close = () => {
    state.editing = false;
    cell.replaceChildren();
    $('#add-field').focus();
  };
  openEditor(row, startValue(part), cell, {
    close,
    submit: async (value) => {
      const fields = structuredClone(state.record.fields);
      fields[part.name] = value;
      const done = await applyEdit(row, fields, {adding: true});
      if (done) cell.replaceChildren();
      return done;
    },
  });
}

/**
 * Asks the library to edit `row`'s field to what `fields` says. Returns true
 * when the editor may close (done, unchanged, or cancelled by the person).
 */
async function applyEdit(row, fields, {removing = false, adding = false} = {}) {
  const started = performance.now();
  let answer;
  try {
    answer = await request('edit', {fields, key: row.key, index: row.index},
                           `Editing ${row.field}…`);
  } catch (error) {
    if (!error.refused) throw error;
    say(refusal(row, error.message), 'error');
    return false;
  }
  if (!answer) return true;
  const keep = {field: removing ? null : row.field};
  if (answer.kind === 'unchanged') {
    show(state.record, keep);
    say(`${row.field}: unchanged`, 'note');
    return true;
  }
  if (answer.kind === 'patch') {
    state.bytes.set(answer.bytes, answer.offset);
    history.record({label: row.field, patch: {offset: answer.offset,
                                              before: answer.before,
                                              after: answer.bytes}});
    show(answer.record, keep);
    say(`${row.field} changed: ${plural(answer.bytes.length, 'byte')} at ` +
        `${offsetText(answer.offset)}; nothing else changed` +
        history.historyNote(), 'done');
    // From asking the library to the table showing the edit.
    document.body.dataset.editMs = (performance.now() - started).toFixed(2);
    return true;
  }
  // The record must be encoded again: say what else changes first. Removing
  // a field always asks.
  const size = state.bytes.length;
  const sizeText = answer.size === size ? `stays ${plural(size, 'byte')}`
      : `${size} → ${plural(answer.size, 'byte')}`;
  const verb = removing ? 'Removing' : adding ? 'Adding' : 'Changing';
  let apply = true;
  if (answer.changes.length > 0 || removing) {
    apply = await ask(
        `${verb} ${row.field} encodes the record again (${sizeText}).` +
        (answer.changes.length > 0 ? ' Besides the field, this also changes:'
                                   : ''),
        answer.changes, removing ? 'Remove and encode again' : 'Encode again');
  }
  if (!apply) {
    show(state.record, {field: row.field});
    say(`${row.field}: not changed`, 'note');
    return true;
  }
  const accepted = await request('accept', {}, 'Encoding…');
  if (!accepted) return true;
  state.bytes = new Uint8Array(accepted.buffer);
  history.record({label: row.field, splice: accepted.change});
  show(accepted.record, keep);
  const done = removing ? 'removed' : adding ? 'added' : 'changed';
  say(`${row.field} ${done}; the record was encoded again (${sizeText})` +
      (answer.changes.length ? `: ${answer.changes.join(', ')}` : '') +
      history.historyNote(), 'done');
  document.body.dataset.editMs = (performance.now() - started).toFixed(2);
  return true;
}

export function initEditing() {
  $('#add-field-button').addEventListener('click', addField);
  $('#add-field').addEventListener('keydown', (event) => {
    if (event.key === 'Enter') {
      event.preventDefault();
      addField();
    }
  });
}
