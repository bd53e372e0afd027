// Reads records with the JavaScript parser generated from the record
// description, for the differential test.
//
//   node javascript_reader.js PARSER.js RECORDS FIELDS_JSON
//
// RECORDS holds the records one after the other, each as a 32-bit
// little-endian size and its bytes. FIELDS_JSON lists [attribute, kind] of
// every field, as differential_test.py names them. Prints one JSON line per
// record, in the form of differential_test.py's `reading`: null for a
// record that the parser refuses, else the list of field values (null for an
// absent field), or {"crash": message} when the parser fails otherwise.
'use strict';

const fs = require('fs');
const path = require('path');
const KaitaiStream = require('kaitai-struct/KaitaiStream');

const [parserPath, recordsPath, fieldsJson] = process.argv.slice(2);
const BioapiBir = require(path.resolve(parserPath));
const fields = JSON.parse(fieldsJson);

// The JavaScript parser names attributes in lower camel case.
const camel = (id) => id.replace(/_([a-z0-9])/g, (_, c) => c.toUpperCase());
const hex = (bytes) => Buffer.from(bytes).toString('hex');
const dateTime = (t) => [t.year, t.month, t.day, t.hour, t.minute, t.second];
const readers = {
  int: (v) => v,
  option: (v) => v,
  registry_id: (v) => [v.owner, v.type],
  bytes: (v) => hex(v.data),
  datetime: dateTime,
  period: (v) => [dateTime(v.start), dateTime(v.end)],
};
const accessors = fields.map(([id, kind]) => [camel(id), readers[kind]]);

// The runtime's refusals: its validation errors and reads past the end.
function isRefusal(error) {
  return error instanceof KaitaiStream.EOFError ||
      error instanceof KaitaiStream.ValidationNotEqualError ||
      error instanceof KaitaiStream.ValidationLessThanError ||
      error instanceof KaitaiStream.ValidationGreaterThanError ||
      error instanceof KaitaiStream.ValidationNotAnyOfError ||
      error instanceof KaitaiStream.ValidationExprError;
}

function read(record) {
  let parsed;
  try {
    parsed = new BioapiBir(new KaitaiStream(record));
  } catch (error) {
    if (isRefusal(error)) return null;
    return {crash: String(error)};
  }
  return accessors.map(([name, reader]) =>
    parsed[name] === undefined || parsed[name] === null ? null : reader(parsed[name]));
}

const all = fs.readFileSync(recordsPath);
const lines = [];
for (let at = 0; at < all.length;) {
  const size = all.readUInt32LE(at);
  at += 4;
  // A copy with its own ArrayBuffer: the stream reads the whole buffer.
  const record = new Uint8Array(all.subarray(at, at + size));
  at += size;
  lines.push(JSON.stringify(read(record)));
}
process.stdout.write(lines.join('\n') + '\n');
