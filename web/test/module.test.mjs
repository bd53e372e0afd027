// The JavaScript module under Node: decode gives bir dump's rows and bir
// json's fields, encode gives the record back or the library's refusal,
// explain gives the library's messages; the resident record is edited where
// it stands.

import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import { describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { dumpNotes, dumpRows } from './dump_text.mjs';
import { manyImagesIris } from './records.mjs';

const inspectorDir = process.env.BIOAPI_DATA_INSPECTOR;
const dataDir = process.env.BIOAPI_DATA_TEST_DATA;
assert.ok(inspectorDir && dataDir,
          'BIOAPI_DATA_INSPECTOR and BIOAPI_DATA_TEST_DATA name the built ' +
          'inspector and tests/data');
const ownData = fileURLToPath(new URL('./data/', import.meta.url));
const {
  accept, bloated, blockBytes, decode, editField, encode, EncodeError,
  enumerations, explain, inspect, load, memoryBytes, parts, patch,
  proposalBytes, renew, residentBytes, residentJson, residentJsonParts,
} = await import(path.join(inspectorDir, 'bioapi_data.mjs'));

const bytesOf = async (file) => new Uint8Array(await readFile(file));
// The fields as plain JSON, the BDB and SB read as hex.
const plain = (fields) => JSON.parse(JSON.stringify(fields));
const asText = (row) => ({
  offset: String(row.offset), length: String(row.length), field: row.field,
  value: row.value, bytes: row.bytes,
});

describe('sample records', () => {
  // minimal.bir lacks fields that the library always writes: it is read,
  // but not written so again.
  const samples = [['full_record', true], ['field_by_field', true],
                   ['minimal', false]];
  for (const [name, canonical] of samples) {
    test(`${name}: bir dump's rows, bir json's fields, ` +
         (canonical ? 'the same bytes back' : 'refused as given'),
         async () => {
      const bytes = await bytesOf(path.join(dataDir, `${name}.bir`));
      const record = decode(bytes);
      assert.equal(record.status, 'accepted');
      assert.equal(record.accepted, true);
      assert.equal(record.rejection, null);
      const dump = await readFile(path.join(dataDir, `${name}.dump.txt`),
                                  'utf8');
      assert.deepEqual(record.rows.map(asText), dumpRows(dump));
      // The record inside the BDB: bir dump's indented rows and its notes,
      // the same from the resident record that the page shows.
      const all = dumpRows(dump, {nested: true});
      const under = all.findIndex((r) => r.field === 'BiometricData') + 1;
      assert.deepEqual(
          record.bdb.rows.map(asText),
          all.slice(under, under + all.length - dumpRows(dump).length));
      const said = dumpNotes(dump);
      assert.deepEqual(record.bdb.notes, said?.notes.map((n) => n.text) ?? []);
      assert.equal(record.bdb.rowCount, record.bdb.rows.length);
      assert.equal(record.bdb.format,
                   said && said.format !== 'not recognised' ? said.format
                                                            : null);
      load(bytes);
      assert.deepEqual(inspect().bdb, record.bdb);
      const json = JSON.parse(
          await readFile(path.join(dataDir, `${name}.json`), 'utf8'));
      assert.deepEqual(plain(record.fields), json);
      if (canonical) {
        assert.deepEqual(record.changes, []);
        assert.deepEqual(encode(record.fields), bytes);
        assert.deepEqual(encode(json), bytes);
      } else {
        // As `bir check` says it.
        assert.deepEqual(record.changes,
                         ['BDBBiometricType', 'BDBBiometricSubtype',
                          'RegisteredId1', 'BDBProcessedLevel', 'BDBPurpose',
                          'BDBQuality'].map((f) => `${f} added (always written)`));
        assert.throws(() => encode(record.fields),
                      (e) => e instanceof EncodeError &&
                             e.losses.length > 0 &&
                             e.message.startsWith(e.losses[0].field));
      }
    });
  }
});

test('a rejected record: the status, the rows before the check, no fields',
     async () => {
  const record = decode(await bytesOf(path.join(ownData, 'damaged.bir')));
  assert.equal(record.accepted, false);
  assert.equal(record.status,
               'rejected at offset 100 (in BIRCreationDate, which begins at ' +
               '94): check "enough bytes remain" failed');
  const said = await readFile(path.join(ownData, 'damaged.rejection.txt'),
                              'utf8');
  assert.equal(record.rejection.text, said.trim());
  assert.deepEqual(
      {...record.rejection, text: undefined},
      {offset: 100, field: 'BIRCreationDate', fieldOffset: 94,
       check: 'enough bytes remain', text: undefined});
  const dump = await readFile(path.join(ownData, 'damaged.dump.txt'), 'utf8');
  assert.deepEqual(record.rows.map(asText), dumpRows(dump));
  assert.equal(record.fields, null);
  // Nothing at all is a record too short for its header.
  assert.match(decode(new Uint8Array(0)).status, /^rejected at offset 0 /);
});

// The table of damaged records that the C++, C and Python tests read too:
// the module names the same offset, field and check.
test('damaged records: the offset, field and check of the shared table',
     async () => {
  const table = JSON.parse(
      await readFile(path.join(dataDir, 'damaged_records.json'), 'utf8'));
  assert.ok(table.length >= 10);
  for (const c of table) {
    const bytes = Uint8Array.from(
        c.hex.match(/../g) ?? [], (byte) => parseInt(byte, 16));
    const record = decode(bytes);
    assert.equal(record.accepted, false, c.name);
    assert.equal(record.rejection.offset, c.offset, c.name);
    assert.equal(record.rejection.field, c.field, c.name);
    assert.equal(record.rejection.check, c.check, c.name);
    assert.equal(record.rejection.text, c.reason, c.name);
    assert.equal(record.fields, null, c.name);
  }
});

test('a BDB that claims 65535 images: the resident record gives the ' +
     'first 2000 rows of its record and counts them all', async () => {
  const sample = await bytesOf(path.join(
      dataDir, 'bdb', 'biomdi_iris_ISO-IEC-19794-6_2005_Sample-2Eyes.raw'));
  const fields = plain(decode(
      await bytesOf(path.join(dataDir, 'full_record.bir'))).fields);
  load(encode({...fields, BDBFormat: {Owner: 0x0101, Type: 0x0009},
               BDBBiometricType: {value: 16},
               BiometricData: manyImagesIris(sample, 65535)}));
  const {bdb, fields: shown} = inspect();
  assert.equal(bdb.format, 'ISO/IEC 19794-6:2005 iris image');
  assert.deepEqual(bdb.notes, []);
  assert.equal(bdb.rows.length, 2000);
  // The general header, then per image a group and its fields.
  assert.ok(bdb.rowCount > 65535 * 5, `${bdb.rowCount} rows`);
  assert.equal(bdb.rows.at(-1).depth > 0, true);
  // Its fields leave the summary out: "bdb" gives it.
  assert.equal(shown.BiometricDataSummary, undefined);
  assert.equal(shown.BDBQuality, fields.BDBQuality);
});

test('rows say which member of the fields holds them, and their kind',
     async () => {
  const record = decode(await bytesOf(path.join(dataDir, 'full_record.bir')));
  const row = (field) => record.rows.find((r) => r.field === field);
  assert.deepEqual([row('BDBQuality').key, row('BDBQuality').kind],
                   ['BDBQuality', 'number']);
  assert.deepEqual(
      [row('BIRValidityPeriod.end').key, row('BIRValidityPeriod.end').index,
       row('BIRValidityPeriod.end').kind],
      ['BIRValidityPeriod', 1, 'date']);
  assert.equal(row('BDBPurpose').kind, 'enum');
  assert.equal(row('TotalLength').key, undefined);
  assert.equal(row('BiometricData').kind, 'block');
});

describe('encode', () => {
  const sample = async () => plain(decode(
      await bytesOf(path.join(dataDir, 'full_record.bir'))).fields);

  test('refuses a value its field cannot hold, with the library\'s message',
       async () => {
    const fields = await sample();
    const cases = [
      [{BDBQuality: 300}, /^BDBQuality: 300 is outside 0\.\.255$/],
      [{BDBPurpose: 'Sideways'},
       /^BDBPurpose: "Sideways" names no value of this field$/],
      [{OctetString1: 'abc'}, /^OctetString1: odd number of hex digits/],
      [{OctetString1: '00'.repeat(32768)},
       /^OctetString1: 32768 bytes; a byte string of the record holds at most 32767$/],
      [{BDBCreationDate: {tm_year: 2026, tm_mon: 1, tm_mday: 1, tm_hour: 300,
                          tm_min: 0, tm_sec: 0}},
       /^BDBCreationDate\.tm_hour: 300 is outside 0\.\.255$/],
      [{BDBPurpose: -1}, /^BDBPurpose: -1 is outside 0\.\.255$/],
    ];
    for (const [change, message] of cases) {
      assert.throws(() => encode({...fields, ...change}),
                    (error) => error instanceof EncodeError &&
                               message.test(error.message),
                    JSON.stringify(change).slice(0, 60));
    }
  });

  test('names the fields that would not come back; force writes them',
       async () => {
    const fields = {...await sample(), OctetString2: ''};
    let refusal;
    assert.throws(() => encode(fields), (error) => (refusal = error, true));
    assert.deepEqual(refusal.losses,
                     [{field: 'OctetString2', given: '', returned: null,
                       reason: 'an empty value is not written; give null'}]);
    const record = decode(encode(fields, {force: true}));
    assert.equal(record.fields.OctetString2, null);
  });

  test('takes the BDB and the SB as bytes or as hex', async () => {
    const fields = await sample();
    const bdb = new Uint8Array(70000).map((_, i) => i * 7);
    const sb = new Uint8Array([1, 2, 3]);
    const fromBytes = encode({...fields, BiometricData: bdb,
                              SecurityBlock: sb});
    const fromHex = encode({...fields,
                            BiometricData: Buffer.from(bdb).toString('hex'),
                            SecurityBlock: '010203'});
    assert.deepEqual(fromBytes, fromHex);
    const back = decode(fromBytes);
    assert.deepEqual(blockBytes(back.fields, 'BiometricData'), bdb);
    assert.equal(back.fields.SecurityBlock, '010203');
  });

  test('refuses what is not an object of fields', () => {
    assert.throws(() => encode(null), TypeError);
    assert.throws(() => encode({}),
                  (e) => e instanceof EncodeError &&
                         /^RecordFormat: missing/.test(e.message));
    assert.throws(() => decode('not bytes'), TypeError);
  });
});

// The inspector's resident record: an edit reads the bytes as they stand,
// also after a patch that no walk has seen yet.
test('the resident record: an edit in place, refused once a patch damaged ' +
     'the record', async () => {
  const bytes = await bytesOf(path.join(dataDir, 'full_record.bir'));
  load(bytes);
  const record = inspect();
  assert.equal(record.accepted, true);
  const quality = record.rows.find((row) => row.key === 'BDBQuality');
  const toQuality90 = () => editField({...record.fields, BDBQuality: 90},
                                      'BDBQuality');
  assert.deepEqual(toQuality90(), {kind: 'patch', offset: quality.offset,
                                   bytes: Uint8Array.of(90)});
  // The total length one too large, and no walk before the edit.
  const length = residentBytes().slice(4, 8);
  new DataView(length.buffer).setUint32(0, bytes.length + 1, true);
  patch(4, length);
  assert.throws(toQuality90, (e) => e instanceof EncodeError &&
                                    /rejects the record/.test(e.message));
  assert.equal(inspect().accepted, false);
});

test('the resident record as bir json writes it, the BDB\'s hex in parts',
     async () => {
  for (const name of ['full_record', 'field_by_field', 'minimal']) {
    load(await bytesOf(path.join(dataDir, `${name}.bir`)));
    assert.equal(residentJson(),
                 await readFile(path.join(dataDir, `${name}.json`), 'utf8'),
                 name);
  }
  // BDBs of no bytes, of one, and of more than a part holds.
  const sample = decode(await bytesOf(path.join(dataDir, 'full_record.bir')));
  for (const size of [0, 1, (1 << 20) + 5]) {
    const bdb = new Uint8Array(size).map((_, i) => (i * 7) & 255);
    const bytes = encode({...plain(sample.fields), BiometricData: bdb});
    load(bytes);
    const parts = residentJsonParts();
    assert.equal(parts.length, 2 + Math.ceil(size / (1 << 20)), `${size}`);
    assert.deepEqual(JSON.parse(residentJson()), plain(decode(bytes).fields),
                     `${size}`);
  }
  patch(4, Uint8Array.of(0, 0, 0, 0));
  assert.throws(residentJson, (e) => e instanceof EncodeError);
});

test('a new memory for the library keeps the resident record and drops a ' +
     'proposal', async () => {
  const sample = decode(await bytesOf(path.join(dataDir, 'full_record.bir')));
  const bdb = new Uint8Array(8 << 20).map((_, i) => i >> 12);
  const bytes = encode({...plain(sample.fields), BiometricData: bdb});
  load(bytes);
  const record = inspect();
  const longer = {...record.fields, OctetString1: '4142434445'};
  assert.equal(editField(longer, 'OctetString1').kind, 'reencode');
  const proposed = proposalBytes().slice();
  assert.equal(decode(proposed).fields.OctetString1, '4142434445');
  accept();
  assert.deepEqual(residentBytes(), proposed);
  assert.equal(proposalBytes().length, 0);
  const accepted = inspect();
  // An edit of an 8 MiB record held more than it keeps.
  assert.equal(bloated(), true);
  const grown = memoryBytes();
  await renew();
  assert.ok(memoryBytes() < grown);
  assert.equal(bloated(), false);
  assert.deepEqual(residentBytes(), proposed);
  assert.deepEqual(inspect(), accepted);
  // A proposal waiting is gone with the old memory.
  assert.equal(editField({...inspect().fields, OctetString1: '41'},
                         'OctetString1').kind, 'reencode');
  await renew();
  assert.equal(proposalBytes().length, 0);
  assert.equal(accept(), 0);
  assert.deepEqual(residentBytes(), proposed);
});

test('parts: the fields in record order; optional ones are those a ' +
     'record may leave out', async () => {
  const list = parts();
  const full = JSON.parse(await readFile(path.join(dataDir, 'full_record.json'),
                                         'utf8'));
  // The JSON's read-only summary of the BDB's own record is no field.
  assert.deepEqual(list.map((p) => p.name), Object.keys(full).filter(
      (key) => key !== 'BiometricDataSummary'));
  // minimal.bir leaves out every field it may.
  const minimal = JSON.parse(await readFile(
      path.join(dataDir, 'minimal.json'), 'utf8'));
  for (const part of list) {
    if (minimal[part.name] === null) assert.ok(part.optional, part.name);
  }
  assert.equal(list.find((p) => p.name === 'RecordFormat').optional, false);
  assert.deepEqual(list.filter((p) => p.period).map((p) => p.name),
                   ['BDBValidityPeriod', 'BIRValidityPeriod']);
  assert.equal(list.find((p) => p.name === 'OctetString4').kind, 'bytes');
});

test('explain gives the library\'s message for a code', () => {
  const message = 'BioAPI Error: Invalid Data. (Source: Unit).';
  assert.equal(explain(0x0200010B), message);
  assert.equal(explain('0x0200010B'), message);
  assert.equal(explain(String(0x0200010B)), message);
  for (const bad of ['0x123456789', 'ten', 2 ** 32, 1.5]) {
    assert.throws(() => explain(bad), RangeError, String(bad));
  }
});

test('enumerations name the values of the enumerated fields', () => {
  const named = enumerations();
  assert.deepEqual(Object.keys(named),
                   ['BDBBiometricType', 'BDBBiometricSubtype',
                    'BDBProcessedLevel', 'BDBPurpose']);
  assert.ok(named.BDBPurpose.some((e) => e.value === 3 &&
                                         e.name === 'Enroll'));
});
