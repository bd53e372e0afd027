// The page's side of the worker (inspector_worker.js) that runs the library:
// requests and their answers, the busy mark and the progress indication,
// and a word to the person when the worker or the library fails to load.

import { $, state } from './state.js';

// Work that takes longer than this shows the progress indication.
const PROGRESS_DELAY_MS = 200;

const progress = $('#progress');
const progressText = $('#progress-text');

const worker = new Worker(new URL('./inspector_worker.js', import.meta.url),
                          {type: 'module'});
const waiting = new Map();
let nextId = 1;
let busy = 0;
let progressTimer = 0;
// Set when the worker could not start: every request fails with it.
let failure = null;

export class WorkerError extends Error {
  constructor({name, message, refused}) {
    super(message);
    this.name = name;
    this.refused = refused;
  }
}

let readyResolve;
let readyReject;
const workerReady = new Promise((resolve, reject) => {
  readyResolve = resolve;
  readyReject = reject;
});
// The failure is reported where it is awaited; this keeps it from being
// reported as unhandled too.
workerReady.catch(() => {});

worker.addEventListener('message', ({data}) => {
  if (data.ready) {
    readyResolve();
    return;
  }
  if (data.failed) {
    fail(data.failed);
    return;
  }
  const pending = waiting.get(data.id);
  if (!pending) return;
  waiting.delete(data.id);
  if (data.error) pending.reject(new WorkerError(data.error));
  else pending.resolve(data);
});

// A worker that fails to load (its script, the library's module or its
// WebAssembly) says so, or reports an error event, and never answers: every
// request waiting, and every one to come, fails with the reason.
worker.addEventListener('error', (event) => {
  event.preventDefault();
  fail(event.message);
});

function fail(reason) {
  if (failure) return;
  failure = new WorkerError({
    name: 'LoadError',
    message: 'the library could not be loaded' +
             (reason ? ` (${reason})` : '') +
             ': reload the page; if that fails, the page\'s files are ' +
             'incomplete or the browser lacks WebAssembly',
  });
  readyReject(failure);
  for (const pending of waiting.values()) pending.reject(failure);
  waiting.clear();
  const status = $('#status');
  status.textContent = failure.message;
  status.className = 'rejected';
  document.body.dataset.failed = 'true';
  setBusy(-busy);
}

/** Returns the error that stopped the worker, or null. */
export function workerFailure() {
  return failure;
}

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

/**
 * Asks the worker for `op`; resolves to its answer, null when it was meant
 * for a record no longer shown, or rejects with a WorkerError.
 */
export async function request(op, payload = {}, label = 'Working…',
                              transfer = []) {
  if (failure) throw failure;
  const id = nextId++;
  setBusy(1, label);
  try {
    await workerReady;
    const answer = await new Promise((resolve, reject) => {
      waiting.set(id, {resolve, reject});
      worker.postMessage({id, op, generation: state.shown, ...payload},
                         transfer);
    });
    return answer.dropped ? null : answer;
  } finally {
    if (!failure) setBusy(-1);
  }
}
