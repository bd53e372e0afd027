// Opening a record (the picker, a drop), and saving it (Download, Export
// JSON). Edits are never thrown away unasked: opening another record, or
// leaving the page, with changes asks first.

import { ask } from './dialog.js';
import { clearHistory } from './history.js';
import { buttons, hexView, show } from './record_view.js';
import { save, saveUrl } from './save.js';
import { $, plural, say, state } from './state.js';
import { request } from './worker_client.js';

const fileInput = $('#record-file');
const fileLabel = $('#file-name');

const modified = () => state.undo.length > 0;

// Whether the changes to the record shown may go: true when there are
// none, or when the person agrees.
async function mayDiscard(next) {
  if (!modified()) return true;
  return ask(`${state.name} has ${plural(state.undo.length, 'change')} ` +
             `not downloaded. Open ${next} and lose them?`, [],
             `Open ${next}`);
}

/**
 * Opens `file`; a file chosen later wins over this one, whichever is read
 * first. A file that cannot be read (a folder, a file gone) leaves the
 * record shown as it was. With changes made, asks first unless `discard`.
 */
export async function open(file, {discard = false} = {}) {
  // The picker forgets its file, so that choosing the same file again reads
  // it again, and it never names a file other than the one shown.
  fileInput.value = '';
  if (!discard && !await mayDiscard(file.name)) {
    say(`${file.name} not opened; ${state.name} kept with its changes`,
        'note');
    return;
  }
  const generation = ++state.generation;
  const chosen = performance.now();
  say('');
  let answer;
  try {
    answer = await request('open', {file, generation},
                           `Reading ${file.name}…`);
  } catch (error) {
    if (generation === state.generation) {
      say(`${file.name} could not be read: ${error.name === 'NotFoundError'
          ? 'it is a folder, or gone; open a file' : error.message}`,
          'error');
    }
    return;
  }
  if (!answer || generation !== state.generation) return;
  state.shown = generation;
  state.name = file.name;
  state.file = file;
  fileLabel.textContent = file.name;
  state.bytes = new Uint8Array(answer.buffer);
  clearHistory();
  show(answer.record);
  // The time runs until the record's bytes are drawn, the last part of the
  // page that shows it.
  hexView.drawn(() => {
    const shown = performance.now() - chosen;
    document.body.dataset.openMs = shown.toFixed(1);
    console.info(`inspector: ${file.name} (${state.bytes.length} bytes) ` +
                 `shown in ${shown.toFixed(1)} ms`);
  });
}

// The files of a drop, and whether its first item is a folder.
function dropped(transfer) {
  const entry = transfer.items?.[0]?.webkitGetAsEntry?.();
  return {files: [...transfer.files], folder: !!entry?.isDirectory,
          name: entry?.name};
}

export function initFiles() {
  buttons.download.addEventListener('click', async () => {
    if (!state.bytes) return;
    const {name, bytes} = state;
    const changed = modified();
    try {
      if (!await save(new Blob([bytes], {type: 'application/octet-stream'}),
                      name)) {
        return;
      }
    } catch (error) {
      say(`could not download: ${error.message}`, 'error');
      return;
    }
    say(`downloaded ${name} (${plural(bytes.length, 'byte')}` +
        `${changed ? ', with the changes' : ''})`, 'done');
  });

  buttons.exportJson.addEventListener('click', async () => {
    const name = `${state.name.replace(/\.[^.]*$/, '')}.json`;
    try {
      const answer = await request('json', {}, 'Writing JSON…');
      if (!answer) return;
      saveUrl(answer.url, name);
      say(`exported the fields as ${name} ` +
          `(${plural(answer.size, 'byte')})`, 'done');
    } catch (error) {
      say(`JSON: ${error.message}`, 'error');
    }
  });

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
  document.addEventListener('drop', async (event) => {
    event.preventDefault();
    document.body.classList.remove('dropping');
    const {files, folder, name} = dropped(event.dataTransfer);
    if (folder) {
      say(`${name} could not be read: it is a folder; drop a file`, 'error');
      return;
    }
    if (files.length === 0) return;
    await open(files[0]);
    if (files.length > 1 && state.file === files[0]) {
      say(`${plural(files.length, 'file')} dropped: opened the first, ` +
          `${files[0].name}; the page shows one record at a time`, 'note');
    }
  });
  // Leaving the page with changes asks first.
  window.addEventListener('beforeunload', (event) => {
    if (!modified()) return;
    event.preventDefault();
    event.returnValue = '';
  });
}
