// The record inspector's worker: the library runs here, off the page's
// thread, so that reading, decoding, encoding and searching a large record
// never freeze the page. It holds the one record the page shows (in the
// module); the page holds a copy of its bytes for the hex view and sends
// every change here first.

// The library, loaded here rather than imported, so that a module or
// WebAssembly that fails to load is told to the page, which waits for
// `ready` or `failed`.
let library;
try {
  library = await import('./bioapi_data.mjs');
} catch (error) {
  self.postMessage({failed: `${error?.name ?? 'Error'}: ` +
                            `${error?.message ?? String(error)}`});
  throw error;
}
const {
  accept, bloated, editField, EncodeError, enumerations, inspect, load, parts,
  patch, proposalBytes, renew, residentBytes, residentJsonParts,
} = library;

// Set while the library is given a new memory: nothing else calls it then.
let renewing = null;
async function settled() {
  while (renewing) await renewing;
}

// WebAssembly memory never shrinks: after a change that held several copies
// of a large record at once, the library is given a new memory holding only
// the record (`bytes`, a copy of it), so that the worker keeps one copy, not
// the most it ever held.
async function renewIfBloated(bytes) {
  if (!bloated()) return;
  renewing = renew(bytes);
  try {
    await renewing;
  } finally {
    renewing = null;
  }
}

// The generation of the last file chosen, and that of the record resident:
// a read that a later choice overtook is dropped, and a change meant for a
// record that is no longer resident is refused.
let chosen = 0;
let resident = 0;

// Whether `pattern` stands in `bytes` at `at`.
function standsAt(bytes, pattern, at) {
  if (at < 0 || at + pattern.length > bytes.length) return false;
  for (let i = 0; i < pattern.length; ++i) {
    if (bytes[at + i] !== pattern[i]) return false;
  }
  return true;
}

// The last offset before `from` (wrapping at the start) where `pattern`
// stands in `bytes`, or -1.
function findBefore(bytes, pattern, from) {
  const n = pattern.length;
  if (n === 0 || n > bytes.length) return -1;
  const search = (begin, end) => { // starts in [begin, end), last first
    for (let at = bytes.lastIndexOf(pattern[0], end - 1); at >= begin;
         at = at > 0 ? bytes.lastIndexOf(pattern[0], at - 1) : -1) {
      if (standsAt(bytes, pattern, at)) return at;
    }
    return -1;
  };
  const start = Math.min(Math.max(0, from), bytes.length);
  const found = start > 0 ? search(0, start) : -1;
  return found >= 0 ? found : search(start, bytes.length);
}

// Every offset where `pattern` stands in `bytes`, up to `most` of them, and
// how many there are.
function findAll(bytes, pattern, most) {
  const offsets = [];
  let count = 0;
  if (pattern.length === 0) return {offsets, count};
  for (let at = bytes.indexOf(pattern[0]); at >= 0;
       at = bytes.indexOf(pattern[0], at + 1)) {
    if (!standsAt(bytes, pattern, at)) continue;
    if (offsets.length < most) offsets.push(at);
    ++count;
  }
  return {offsets, count};
}

// Bytes as text: hex ('01 AB'), base64 or a C array, in parts of at most a
// few MiB each, so that no one string grows past what a browser allows.
function formatParts(bytes, format) {
  const parts = [];
  const CHUNK = 3 * 65536; // a multiple of 3, for base64
  const digits = [];
  for (let b = 0; b < 256; ++b) {
    digits.push(b.toString(16).toUpperCase().padStart(2, '0'));
  }
  for (let begin = 0; begin < bytes.length; begin += CHUNK) {
    const chunk = bytes.subarray(begin, Math.min(bytes.length, begin + CHUNK));
    let text = '';
    if (format === 'base64') {
      let binary = '';
      for (let i = 0; i < chunk.length; ++i) {
        binary += String.fromCharCode(chunk[i]);
      }
      text = btoa(binary);
    } else if (format === 'c') {
      const line = [];
      const lines = [];
      for (let i = 0; i < chunk.length; ++i) {
        line.push(`0x${digits[chunk[i]]}`);
        if (line.length === 12) {
          lines.push(`  ${line.join(', ')},`);
          line.length = 0;
        }
      }
      if (line.length) lines.push(`  ${line.join(', ')},`);
      text = `${lines.join('\n')}\n`;
    } else {
      const out = new Array(chunk.length);
      for (let i = 0; i < chunk.length; ++i) out[i] = digits[chunk[i]];
      text = (begin > 0 ? ' ' : '') + out.join(' ');
    }
    parts.push(text);
  }
  if (format === 'c') {
    parts.unshift(`static const unsigned char bytes[${bytes.length}] = {\n`);
    parts.push('};\n');
  }
  return parts;
}

// Where `before` and `after` differ: the one span [offset, offset +
// before.length) of `before` that `after` replaces with `after`'s bytes
// [offset, offset + after.length); the rest is the same.
function difference(before, after) {
  const shorter = Math.min(before.length, after.length);
  let offset = 0;
  while (offset < shorter && before[offset] === after[offset]) ++offset;
  let same = 0;
  while (same < shorter - offset &&
         before[before.length - 1 - same] === after[after.length - 1 - same]) {
    ++same;
  }
  return {
    offset,
    before: before.slice(offset, before.length - same),
    after: after.slice(offset, after.length - same),
  };
}

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

// A URL to download `blob` from, made here rather than in the page: making
// it waits until the browser holds the whole Blob. It lasts a minute, long
// enough for the download to begin.
function urlOf(blob) {
  const url = URL.createObjectURL(blob);
  setTimeout(() => URL.revokeObjectURL(url), 60000);
  return url;
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
    return {enumerations: enumerations(), parts: parts()};
  },

  async open({file, generation}) {
    chosen = Math.max(chosen, generation);
    const buffer = await file.arrayBuffer();
    await settled();
    if (generation !== chosen) return {dropped: true};
    const bytes = new Uint8Array(buffer);
    load(bytes);
    resident = generation;
    return [{record: inspect(), buffer}, [buffer]];
  },

  // Replaces bytes [offset, offset + remove) with `bytes`: the record
  // changes size, so the page gets the whole of it.
  async splice({offset, remove, bytes}) {
    const current = residentBytes();
    const next = new Uint8Array(current.length - remove + bytes.length);
    next.set(current.subarray(0, offset));
    next.set(bytes, offset);
    next.set(current.subarray(offset + remove), offset + bytes.length);
    load(next);
    const record = inspect();
    await renewIfBloated(next);
    return [{record, buffer: next.buffer}, [next.buffer]];
  },

  patch({offset, bytes}) {
    return patchResident(offset, bytes);
  },

  edit({fields, key, index}) {
    const result = editField(fields, key, index ?? -1);
    if (result.kind !== 'patch') return result;
    return {...result, ...patchResident(result.offset, result.bytes)};
  },

  // The edit proposed is made; the answer says which span changed, so
  // that the page's history keeps that span rather than the record.
  // The span is found in the module's memory, where both records are: only
  // the bytes that differ are copied, and the new record once, for the page.
  async accept() {
    const proposal = proposalBytes();
    const change = proposal.length > 0
      ? difference(residentBytes(), proposal)
      : {offset: 0, before: new Uint8Array(0), after: new Uint8Array(0)};
    accept();
    const bytes = residentBytes().slice();
    const record = inspect();
    await renewIfBloated(bytes);
    return [{record, buffer: bytes.buffer, change}, [bytes.buffer]];
  },

  search({pattern, from, backward, all}) {
    const bytes = residentBytes();
    if (all) return findAll(bytes, pattern, 1000);
    return {offset: backward ? findBefore(bytes, pattern, from)
                             : find(bytes, pattern, from)};
  },

  format({begin, end, format, blob}) {
    const parts = formatParts(residentBytes().subarray(begin, end), format);
    if (!blob) return {text: parts.join('')};
    const made = new Blob(parts, {type: 'text/plain'});
    return {url: urlOf(made), size: made.size};
  },

  // What the library's memory holds (WebAssembly memory never shrinks).
  memory() {
    return {wasmBytes: residentBytes().buffer.byteLength};
  },

  json() {
    const made = new Blob(residentJsonParts(), {type: 'application/json'});
    return {url: urlOf(made), size: made.size};
  },

  // A URL to download a Blob of the page's from.
  link({blob}) {
    return {url: urlOf(blob)};
  },
};

self.addEventListener('message', async ({data}) => {
  const {id, op, generation} = data;
  try {
    await settled();
    if (!['open', 'hello', 'memory'].includes(op) && generation !== resident) {
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
