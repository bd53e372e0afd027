// The bioapi_data record library in JavaScript: the library's decoder,
// encoder and error messages, compiled to WebAssembly. The same module works
// in a page and in Node; it makes no request of its own.
//
//   import { decode, encode, explain } from './bioapi_data.mjs';
//   const { status, rows, fields } = decode(bytes);
//   fields.BDBQuality = 90;
//   const record = encode(fields);
//
// Every rule of the record format stays in the library: this module only
// moves bytes and JSON text across.

import createBioapiData from './bioapi_data_wasm.mjs';

// The module is compiled once: a page fetches the .wasm beside this module,
// Node reads it from the disk. Each instance of it is the library with a
// memory of its own (see renew).
const binaryUrl = new URL('./bioapi_data_wasm.wasm', import.meta.url);
let compiled;
if (typeof process === 'object' && process.versions?.node) {
  const { readFile } = await import('node:fs/promises');
  compiled = await WebAssembly.compile(await readFile(binaryUrl));
} else {
  try {
    compiled = await WebAssembly.compileStreaming(fetch(binaryUrl));
  } catch {
    // A server that does not say application/wasm.
    const response = await fetch(binaryUrl);
    if (!response.ok) {
      throw new Error(`${binaryUrl.pathname}: HTTP ${response.status}`);
    }
    compiled = await WebAssembly.compile(await response.arrayBuffer());
  }
}

let wasm;
let fn;
// The memory of a new instance: what the library holds with no record.
let firstMemory = 0;

async function instantiate() {
  let failed;
  const failure = new Promise((resolve, reject) => { failed = reject; });
  wasm = await Promise.race([failure, createBioapiData({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(compiled, imports)
          .then((instance) => receive(instance, compiled), failed);
      return {};
    },
  })]);
  fn = {
    input: wasm._bir_web_input,
    text: wasm._bir_web_text,
    textSize: wasm._bir_web_text_size,
    output: wasm._bir_web_output,
    outputSize: wasm._bir_web_output_size,
    decode: wasm._bir_web_decode,
    encode: wasm._bir_web_encode,
    explain: wasm._bir_web_explain,
    enumerations: wasm._bir_web_enumerations,
    parts: wasm._bir_web_parts,
    resident: wasm._bir_web_resident,
    residentData: wasm._bir_web_resident_data,
    residentSize: wasm._bir_web_resident_size,
    inspect: wasm._bir_web_inspect,
    edit: wasm._bir_web_edit,
    accept: wasm._bir_web_accept,
    residentJson: wasm._bir_web_resident_json,
    residentJsonBdb: wasm._bir_web_resident_json_bdb,
    proposalData: wasm._bir_web_proposal_data,
    proposalSize: wasm._bir_web_proposal_size,
  };
  firstMemory = wasm.HEAPU8.buffer.byteLength;
}
await instantiate();

const BDB = 1;
const SB = 2;
const utf8 = new TextDecoder();
const toUtf8 = new TextEncoder();

// Raw bytes behind the BDB and SB of decoded fields; hex on demand.
const rawBytes = Symbol('rawBytes');

function put(which, bytes) {
  const at = fn.input(which, bytes.length) >>> 0;
  wasm.HEAPU8.set(bytes, at);
}

function text() {
  const at = fn.text() >>> 0;
  return utf8.decode(wasm.HEAPU8.subarray(at, at + (fn.textSize() >>> 0)));
}

function output(which) {
  const at = fn.output(which) >>> 0;
  return wasm.HEAPU8.slice(at, at + (fn.outputSize(which) >>> 0));
}

/** Returns `bytes` as lower-case hex, as `bir json` writes byte strings. */
export function toHex(bytes) {
  const digits = '0123456789abcdef';
  const parts = [];
  const chunk = 1 << 16;
  for (let begin = 0; begin < bytes.length; begin += chunk) {
    const end = Math.min(bytes.length, begin + chunk);
    let part = '';
    for (let i = begin; i < end; ++i) {
      part += digits[bytes[i] >> 4] + digits[bytes[i] & 15];
    }
    parts.push(part);
  }
  return parts.join('');
}

// Makes `name` of `fields` read as hex, as `bir json` gives it, while the
// bytes stay bytes until someone reads it: a 16 MiB BDB need not become a
// 32 MiB string to be shown or encoded again.
function defineBlock(fields, name, bytes) {
  const raw = fields[rawBytes] ?? (fields[rawBytes] = {});
  raw[name] = bytes;
  let hex;
  Object.defineProperty(fields, name, {
    enumerable: true,
    configurable: true,
    get() {
      if (hex === undefined) hex = toHex(raw[name]);
      return hex;
    },
    set(value) {
      delete raw[name];
      Object.defineProperty(fields, name, {
        value, enumerable: true, configurable: true, writable: true,
      });
    },
  });
}

/**
 * Decodes a record with the library's decoding walk.
 *
 * Returns `{status, accepted, rejection, rows, changes, fields, bdb, size}`:
 * - `status`: `accepted`, or `rejected at offset N (FIELD): check "..."
 *   failed`, followed by `; FIELD begins at M` when the check looked inside
 *   the field;
 * - `rows`: the rows of `bir dump`, `{field, offset, length, value, bytes,
 *   kind, key, index}`: `field` is the dump's name (`BDBValidityPeriod.start`),
 *   `kind` what the field holds, `key` and `index` where `fields` holds it;
 *   a rejected record has the rows read before the failing check;
 * - `rejection`: `{offset, field, fieldOffset, check, text}` or null, where
 *   `text` is what `bir dump` says;
 * - `changes`: for an accepted record, what encoding it again would change
 *   (empty when the record is as the library writes it), as `bir check`
 *   says it;
 * - `fields`: the fields as `bir json` gives them, or null when the record is
 *   rejected. `BiometricData` and `SecurityBlock` read as hex; `blockBytes`
 *   gives their bytes without the hex;
 * - `bdb`: for an accepted record, the record inside its BDB as `bir dump`
 *   shows it: `{format, rows, rowCount, notes}`, `format` the name of the
 *   format read (null when none is recognised), `rows` `{field, offset,
 *   length, value, bytes, depth, group, payload}` with offsets from the
 *   record's first byte (the first 2,000 of `rowCount`), `notes` the texts
 *   of the notes; null for a rejected record.
 */
export function decode(bytes) {
  if (bytes instanceof ArrayBuffer) bytes = new Uint8Array(bytes);
  if (!(bytes instanceof Uint8Array)) {
    throw new TypeError('decode: expected a Uint8Array or an ArrayBuffer');
  }
  put(0, bytes);
  fn.decode();
  fn.input(0, 0);
  const result = JSON.parse(text());
  result.accepted = result.rejection === null;
  if (result.fields) {
    defineBlock(result.fields, 'BiometricData', output(BDB));
    if (result.fields.SecurityBlock !== null) {
      defineBlock(result.fields, 'SecurityBlock', output(SB));
    }
  }
  return result;
}

/**
 * Returns the bytes of `BiometricData` or `SecurityBlock` of decoded fields
 * without making hex of them, or undefined once the field was set.
 */
export function blockBytes(fields, name) {
  return fields?.[rawBytes]?.[name];
}

/** A value that the library refuses to encode; `message` says why. */
export class EncodeError extends Error {
  constructor(message, losses) {
    super(message);
    this.name = 'EncodeError';
    /** Fields that the record would not give back as given:
     * `{field, given, returned, reason}`. */
    this.losses = losses ?? [];
  }
}

/**
 * Encodes fields (of the form that `decode` and `bir json` give) with the
 * library and returns the record's bytes. `BiometricData` and
 * `SecurityBlock` may also be Uint8Arrays. Throws EncodeError with the
 * library's message when a value does not fit its field, or when a field
 * would not come back from the record as given (`options.force` encodes it
 * all the same, as `bir encode --force`).
 */
export function encode(fields, options = {}) {
  if (fields === null || typeof fields !== 'object') {
    throw new TypeError('encode: expected an object of record fields');
  }
  const json = {};
  let bdbGiven = 0;
  let sbGiven = 0;
  for (const key of Object.keys(fields)) {
    const raw = blockBytes(fields, key);
    const value = raw ?? fields[key];
    if ((key === 'BiometricData' || key === 'SecurityBlock') &&
        value instanceof Uint8Array) {
      put(key === 'BiometricData' ? BDB : SB, value);
      if (key === 'BiometricData') bdbGiven = 1; else sbGiven = 1;
      json[key] = '';
    } else {
      json[key] = value;
    }
  }
  put(0, toUtf8.encode(JSON.stringify(json)));
  const refused = fn.encode(bdbGiven, sbGiven, options.force ? 1 : 0);
  fn.input(0, 0);
  fn.input(BDB, 0);
  fn.input(SB, 0);
  const result = JSON.parse(text());
  if (refused) throw new EncodeError(result.message, result.losses);
  const bytes = output(0);
  return bytes;
}

/**
 * Returns the library's message for a BioAPI error code, given as a number
 * or as text in hex (`0x0200010B`) or decimal.
 */
export function explain(code) {
  let number = code;
  if (typeof code === 'string') {
    const trimmed = code.trim();
    number = /^0x[0-9a-f]{1,8}$/i.test(trimmed) ? parseInt(trimmed, 16)
        : /^-?\d+$/.test(trimmed) ? Number(trimmed) : NaN;
  }
  if (!Number.isInteger(number) || number < -0x80000000 ||
      number > 0xFFFFFFFF) {
    throw new RangeError(`explain: "${code}" is not a 32-bit error code`);
  }
  fn.explain(number | 0);
  return text();
}

/**
 * Returns the named values of every enumerated field: an object from field
 * name (`BDBPurpose`) to a list of `{value, name}`.
 */
export function enumerations() {
  fn.enumerations();
  return JSON.parse(text());
}

/**
 * Returns the fields of a record in record order: a list of `{name, kind,
 * optional, period}`, where `kind` is that of the field's dump rows,
 * `optional` says that a record may leave the field out (null in `fields`)
 * and `period` that it holds two date-times.
 */
export function parts() {
  fn.parts();
  return JSON.parse(text());
}

// The resident record ---------------------------------------------------------
// One record kept in the module for an inspector: read in once, walked after
// each change, edited in place where an edit changes only its field.

/**
 * Returns the bytes of memory that the library holds. WebAssembly memory
 * grows to the most that the library ever held at once, and never shrinks.
 */
export function memoryBytes() {
  return wasm.HEAPU8.buffer.byteLength;
}

/**
 * Returns true when the library holds more memory than its resident record
 * needs: more than twice the record beyond the memory it started with, as
 * after an edit that encoded a large record again.
 */
export function bloated() {
  return memoryBytes() - firstMemory > 2 * (fn.residentSize() >>> 0);
}

/**
 * Gives the library a new memory, as when it was loaded, that holds the
 * resident record (`bytes`, when given, must be a copy of it); a record
 * that `editField` proposed is dropped. The old memory goes with the
 * garbage. No other function of this module may be called until it
 * resolves.
 */
export async function renew(bytes = residentBytes().slice()) {
  await instantiate();
  load(bytes);
}

/** Makes `bytes` the resident record (one copy into the module). */
export function load(bytes) {
  const at = fn.resident(bytes.length) >>> 0;
  wasm.HEAPU8.set(bytes, at);
}

/**
 * Returns a view of the resident record's bytes in the module; valid until
 * the next call of this module.
 */
export function residentBytes() {
  const at = fn.residentData() >>> 0;
  return wasm.HEAPU8.subarray(at, at + (fn.residentSize() >>> 0));
}

/**
 * Walks the resident record: as `decode`, with the row of the field that a
 * rejected record stopped in (`whole: false`), `check` on the row that a
 * check refused, and `blocks: {BiometricData, SecurityBlock}` giving where
 * their bytes lie (`{offset, length}` or null) in place of their bytes;
 * `fields.BiometricData` and `fields.SecurityBlock` are ''.
 */
export function inspect() {
  fn.inspect();
  const result = JSON.parse(text());
  result.accepted = result.rejection === null;
  return result;
}

/**
 * Edits field `key` (half `index` of a validity period) of the resident
 * record to what `fields` (inspect's, with the new value) says. Returns
 * `{kind: 'patch', offset, bytes}` when only the field's bytes change (not
 * yet applied: `patch` applies them), `{kind: 'reencode', size, changes}`
 * when the record must be encoded again (`accept` makes it resident),
 * `{kind: 'unchanged'}`, or throws EncodeError with the library's message.
 */
export function editField(fields, key, index = -1) {
  const json = {};
  for (const name of Object.keys(fields)) {
    const raw = blockBytes(fields, name);
    json[name] = raw ? toHex(raw) : fields[name];
  }
  put(0, toUtf8.encode(JSON.stringify({key, fields: json})));
  const answer = fn.edit(index);
  fn.input(0, 0);
  const result = JSON.parse(text());
  switch (answer) {
    case 0: return {kind: 'patch', offset: result.offset, bytes: output(0)};
    case 2: return {kind: 'reencode', size: result.size,
                    changes: result.changes};
    case 3: return {kind: 'unchanged'};
    default: throw new EncodeError(result.message, []);
  }
}

/** Writes `bytes` over the resident record at `offset`. */
export function patch(offset, bytes) {
  const view = residentBytes();
  if (offset < 0 || offset + bytes.length > view.length) {
    throw new RangeError('patch: outside the record');
  }
  view.set(bytes, offset);
}

/** Makes the record that `editField` proposed resident; returns its size. */
export function accept() {
  return fn.accept() >>> 0;
}

/**
 * Returns a view of the record that `editField` proposed (empty when none
 * waits); valid until the next call of this module.
 */
export function proposalBytes() {
  const at = fn.proposalData() >>> 0;
  return wasm.HEAPU8.subarray(at, at + (fn.proposalSize() >>> 0));
}

// Bytes as lower-case hex in ASCII, as `bir json` writes byte strings, in
// parts of at most `chunk` bytes' hex.
function hexParts(bytes, chunk = 1 << 20) {
  const digits = new TextEncoder().encode('0123456789abcdef');
  const parts = [];
  for (let begin = 0; begin < bytes.length; begin += chunk) {
    const end = Math.min(bytes.length, begin + chunk);
    const part = new Uint8Array(2 * (end - begin));
    for (let i = begin, o = 0; i < end; ++i, o += 2) {
      part[o] = digits[bytes[i] >> 4];
      part[o + 1] = digits[bytes[i] & 15];
    }
    parts.push(part);
  }
  return parts;
}

/**
 * Returns the resident record's fields as `bir json` writes them, as parts
 * for a Blob (strings and Uint8Arrays of UTF-8): the BDB's hex comes in
 * parts of a few MiB rather than as one string twice the BDB's size. Throws
 * EncodeError when the library rejects the record.
 */
export function residentJsonParts() {
  if (fn.residentJson() !== 0) {
    throw new EncodeError(JSON.parse(text()).message, []);
  }
  // The text is ASCII but for text from the BDB's summary: split as UTF-8.
  const at = fn.text() >>> 0;
  const json = wasm.HEAPU8.subarray(at, at + (fn.textSize() >>> 0));
  const split = fn.residentJsonBdb(0) >>> 0;
  const head = json.slice(0, split);
  const tail = json.slice(split);
  const bdb = fn.residentJsonBdb(1) >>> 0;
  const hex = hexParts(residentBytes().subarray(
      bdb, bdb + (fn.residentJsonBdb(2) >>> 0)));
  return [head, ...hex, tail];
}

/**
 * Returns the resident record's fields as `bir json` writes them (text), or
 * throws EncodeError when the library rejects the record.
 */
export function residentJson() {
  const parts = residentJsonParts();
  return parts.map((part) => utf8.decode(part)).join('');
}
