// The record inspector's worker: the library runs here, off the page's
// thread, so that reading, decoding, encoding and searching a large record
// never freeze the page. It holds the one record the page shows (in the
// module); the page holds a copy of its bytes for the hex view and sends
// every change here first.

import {
  accept, editField, EncodeError, enumerations, inspect, load, patch,
  residentBytes, residentJson,
} from './bioapi_data.mjs';

// The generation of the last file chosen, and that of the record resident:
// a read that a later choice overtook is dropped, and a change meant for a
// record that is no longer resident is refused.
let chosen = 0;
let resident = 0;

// The first offset at or after `from` (wrapping at the end) where `pattern`
// stands in `bytes`, or -1.
function find(bytes, pattern, from) {
  const n = pattern.length;
  if (n === 0 || n > bytes.length) return -1;
  const first = pattern[0];
  const search = (begin, end) => {
    for (let at = bytes.indexOf(first, begin); at >= 0 && at + n <= end;
         at = bytes.indexOf(first, at + 1)) {
      let i = 1;
      while (i < n && bytes[at + i] === pattern[i]) ++i;
      if (i === n) return at;
    }
    return -1;
  };
  const start = Math.min(Math.max(0, from), bytes.length);
  const found = search(start, bytes.length);
  return found >= 0 ? found : search(0, Math.min(bytes.length, start + n - 1));
}

// Writes `bytes` over the resident record at `offset`; returns the bytes
// they replace, for undo, and the record's new walk.
function patchResident(offset, bytes) {
  const before = residentBytes().slice(offset, offset + bytes.length);
  patch(offset, bytes);
  return {before, record: inspect()};
}

const operations = {
  hello() {
    return {enumerations: enumerations()};
  },

  async open({file, generation}) {
    chosen = Math.max(chosen, generation);
    const buffer = await file.arrayBuffer();
    if (generation !== chosen) return {dropped: true};
    const bytes = new Uint8Array(buffer);
    load(bytes);
    resident = generation;
    return [{record: inspect(), buffer}, [buffer]];
  },

  replace({bytes}) {
    load(bytes);
    return {record: inspect()};
  },

  patch({offset, bytes}) {
    return patchResident(offset, bytes);
  },

  edit({fields, key, index}) {
    const result = editField(fields, key, index ?? -1);
    if (result.kind !== 'patch') return result;
    return {...result, ...patchResident(result.offset, result.bytes)};
  },

  accept() {
    accept();
    const bytes = residentBytes().slice();
    return [{record: inspect(), buffer: bytes.buffer}, [bytes.buffer]];
  },

  search({pattern, from}) {
    return {offset: find(residentBytes(), pattern, from)};
  },

  json() {
    return {text: residentJson()};
  },
};

self.addEventListener('message', async ({data}) => {
  const {id, op, generation} = data;
  try {
    if (op !== 'open' && op !== 'hello' && generation !== resident) {
      self.postMessage({id, dropped: true});
      return;
    }
    let answer = await operations[op](data);
    let transfer = [];
    if (Array.isArray(answer)) [answer, transfer] = answer;
    self.postMessage({id, ...answer}, transfer);
  } catch (error) {
    self.postMessage({
      id,
      error: {
        name: error?.name ?? 'Error',
        message: error?.message ?? String(error),
        refused: error instanceof EncodeError,
      },
    });
  }
});
self.postMessage({ready: true});
