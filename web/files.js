// Opening a record (the picker, a drop), and saving it (Download, Export
// JSON).

import { buttons, show } from './record_view.js';
import { $, say, state } from './state.js';
import { request } from './worker_client.js';

const fileInput = $('#record-file');
const fileLabel = $('#file-name');

// Opens `file`; a file chosen later wins over this one, whichever is read
// first. A file that cannot be read (a folder, a file gone) leaves the record
// shown as it was.
export async function open(file) {
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

export function initFiles() {
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
}
