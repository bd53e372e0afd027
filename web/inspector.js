// The record inspector page: opens a record, shows the dump rows and the
// bytes, links them both ways, and edits values and bytes. The library runs
// in a worker (inspector_worker.js); everything the page says about the
// record (rows, verdict, what an edit changes, the JSON form) comes from it.
//
// The page's modules, by concern:
//   state.js            the one state object and the message line
//   worker_client.js    requests to the worker; its load failure shown
//   record_view.js      the status, the table of rows and the hex view
//   hex_view.js         the hex view itself, any size of record
//   field_editor.js     editing, adding and removing fields in the table
//   history.js          undo, redo, revert; bytes typed in the hex view
//   selection_panel.js  the selected bytes: data inspector, copy
//   navigation.js       go to offset, find
//   files.js            opening (picker, drop) and saving
//   layout.js           the splitter between the panes
//   dialog.js, save.js  the confirmation dialog; saving a download

import { edit, initEditing, removeField, renderAddable }
  from './field_editor.js';
import { initFiles, open } from './files.js';
import { initHistory, writeBytes } from './history.js';
import { initSplitter } from './layout.js';
import { initNavigation } from './navigation.js';
import { initTable, viewHandlers } from './record_view.js';
import { clearSelection, initSelection, showSelection }
  from './selection_panel.js';
import { $, offsetText, say, state } from './state.js';
import { request } from './worker_client.js';

viewHandlers.selection = showSelection;
viewHandlers.write = (offset, value) => writeBytes(
    offset, Uint8Array.of(value), `byte ${offsetText(offset)}`);
viewHandlers.shown = (record, keep) => {
  // A record opened: nothing of the previous one stays selected.
  if (!keep) clearSelection();
  renderAddable();
};
initTable({edit, remove: removeField});
initEditing();
initHistory((file) => open(file, {discard: true}));
initSelection();
initNavigation();
initSplitter();
initFiles();

try {
  const hello = await request('hello', {}, 'Loading the library…');
  state.named = hello.enumerations;
  state.parts = hello.parts;
  $('#status').textContent = 'Choose a record, or drop one on the page.';
  document.body.dataset.ready = 'true';
} catch (error) {
  say(error.message, 'error');
}
