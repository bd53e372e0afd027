// The record inspector in headless Chromium: it shows what `bir dump` shows,
// marks a rejected record's failing offset, edits and saves a record through
// the library, opens 16 MiB without building 16 MiB of page, and asks for
// nothing beyond its own files.

import assert from 'node:assert/strict';
import { mkdir, mkdtemp, readFile, rm, writeFile } from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { randomFillSync } from 'node:crypto';
import { after, before, beforeEach, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

import { dumpNotes, dumpRows } from './dump_text.mjs';
import { manyImagesIris } from './records.mjs';
import { serve } from './static_server.mjs';

const inspectorDir = process.env.BIOAPI_DATA_INSPECTOR;
const dataDir = process.env.BIOAPI_DATA_TEST_DATA;
const outputDir = process.env.BIOAPI_DATA_TEST_OUTPUT ??
                  path.join(os.tmpdir(), 'bioapi_data_inspector_test');
const ownData = fileURLToPath(new URL('./data/', import.meta.url));
assert.ok(inspectorDir && dataDir,
          'BIOAPI_DATA_INSPECTOR and BIOAPI_DATA_TEST_DATA name the built ' +
          'inspector and tests/data');
const library = await import(path.join(inspectorDir, 'bioapi_data.mjs'));

let server;
let browser;
let page;
let userDataDir;
let downloadDir;
let downloads; // the CDP session that hears of downloads
const requests = [];
const pageErrors = [];
// The dialogs that the page opened (leaving it with changes asks), each
// accepted.
const dialogs = [];

before(async () => {
  await mkdir(outputDir, {recursive: true});
  server = await serve(inspectorDir);
  userDataDir = await mkdtemp(path.join(os.tmpdir(), 'inspector-chromium-'));
  downloadDir = await mkdtemp(path.join(os.tmpdir(), 'inspector-download-'));
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    userDataDir,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu',
           '--disable-background-networking', '--disable-component-update',
           '--disable-sync', '--no-first-run', '--disable-dev-shm-usage'],
  });
  page = await browser.newPage();
  await page.setViewport({width: 1440, height: 900});
  page.on('request', (request) => requests.push(request.url()));
  page.on('pageerror', (error) => pageErrors.push(error.message));
  page.on('dialog', async (dialog) => {
    dialogs.push(dialog.type());
    await dialog.accept();
  });
  downloads = await page.createCDPSession();
  await downloads.send('Browser.setDownloadBehavior',
                       {behavior: 'allow', downloadPath: downloadDir,
                        eventsEnabled: true});
});

after(async () => {
  await browser?.close();
  await server?.close();
  await rm(userDataDir, {recursive: true, force: true});
  await rm(downloadDir, {recursive: true, force: true});
  for (const file of [largeRecord?.file, randomFile]) {
    if (file) await rm(file, {force: true});
  }
});

beforeEach(async () => {
  pageErrors.length = 0;
  await page.setViewport({width: 1440, height: 900});
  await page.goto(`${server.origin}/index.html`);
  await page.waitForSelector('body[data-ready]');
});

// Chooses `file` in the picker; resolves to the milliseconds from choosing
// it to the table being shown, as the test and as the page measured them.
async function open(file) {
  const input = await page.$('#record-file');
  await page.evaluate(() => delete document.body.dataset.openMs);
  const start = performance.now();
  await input.uploadFile(file);
  await page.waitForSelector('body[data-open-ms]', {timeout: 60000});
  const seen = performance.now() - start;
  const pageMs = Number(await page.$eval('body', (b) => b.dataset.openMs));
  return {seen, pageMs};
}

// The rows of the table, less those that match `except`.
function tableRows(except = '.none') {
  return page.$$eval(`#fields tbody tr:not(${except})`, (trs) => trs.map((tr) => ({
    offset: tr.dataset.offset,
    length: tr.dataset.length,
    field: tr.dataset.field ?? tr.dataset.bdbField,
    value: tr.cells[3].textContent,
    bytes: tr.cells[4].textContent,
  })));
}

const text = (selector) => page.$eval(selector, (e) => e.textContent);

// Clicks the byte at `offset` in the hex view. The view draws only the lines
// in sight and draws them anew as the page settles, so an element found a
// moment before may have been replaced: find it again then.
async function clickByte(offset) {
  for (let attempt = 0; ; ++attempt) {
    try {
      return await page.click(`#hex [data-offset="${offset}"]`);
    } catch (error) {
      if (attempt >= 4 || !/detached/i.test(String(error?.message))) throw error;
      await frames();
    }
  }
}

const frames = () => page.evaluate(() => new Promise(
    (resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));

// Waits until the page has no work in flight. A page without the busy mark
// never settles; the wait then ends after `ms` and the test judges what it
// shows.
async function settle(ms = 20000) {
  await page.waitForSelector('body[data-busy="false"]', {timeout: ms})
      .catch(() => {});
  await frames();
}

async function dropBytes(bytes, name) {
  await page.evaluate((data, fileName) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([new Uint8Array(data)], fileName));
    document.body.dispatchEvent(new DragEvent(
        'drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
  }, [...bytes], name);
}

// Chooses `file` while the record shown has changes: the page asks first,
// and the person agrees to lose them.
async function openDiscarding(file) {
  await page.evaluate(() => delete document.body.dataset.openMs);
  await (await page.$('#record-file')).uploadFile(file);
  await page.waitForSelector('#confirm-edit[open]');
  await page.click('#confirm-apply');
  await page.waitForSelector('body[data-open-ms]', {timeout: 60000});
  await settle();
}

// Drops `bytes` on the page as the file `name` and waits until it is shown.
async function openDropped(bytes, name) {
  await page.evaluate(() => delete document.body.dataset.openMs);
  await dropBytes(bytes, name);
  await page.waitForSelector('body[data-open-ms]');
  await settle();
}

// Resolves when Chromium has saved the download `name` whole: its own
// signal, Browser.downloadProgress with state "completed" (a file that
// exists may still be empty or partial).
function downloadOf(name, timeout = 30000) {
  return new Promise((resolve, reject) => {
    const ours = new Set();
    const begin = (event) => {
      if (event.suggestedFilename === name) ours.add(event.guid);
    };
    const progress = (event) => {
      if (!ours.has(event.guid)) return;
      if (event.state === 'completed') finish(resolve);
      if (event.state === 'canceled') {
        finish(() => reject(new Error(`the download of ${name} was canceled`)));
      }
    };
    const timer = setTimeout(() => finish(
        () => reject(new Error(`${name} was not downloaded`))), timeout);
    function finish(then) {
      clearTimeout(timer);
      downloads.off('Browser.downloadWillBegin', begin);
      downloads.off('Browser.downloadProgress', progress);
      then();
    }
    downloads.on('Browser.downloadWillBegin', begin);
    downloads.on('Browser.downloadProgress', progress);
  });
}

// Clicks `button` and returns the bytes of the file `name` that it saves.
async function downloaded(name, button = '#download') {
  await rm(path.join(downloadDir, name), {force: true});
  const done = downloadOf(name);
  await page.click(button);
  await done;
  return new Uint8Array(await readFile(path.join(downloadDir, name)));
}

async function editField(field, value) {
  await page.click(`#fields tr[data-field="${field}"]`);
  await page.keyboard.press('Enter');
  await page.waitForSelector('#fields form.editor');
  await page.$eval('#fields form.editor :is(input, select, textarea)',
                   (editor, given) => { editor.value = given; }, value);
  await page.keyboard.press('Enter');
  await settle();
}

const cellOf = (field) => page.$eval(
    `#fields tr[data-field="${field}"] td:nth-child(4)`, (td) => td.textContent);

let largeRecord;
let largeBytes;
// A 16 MiB record built by the library from full_record.bir's fields.
async function largeFile() {
  if (largeRecord) return largeRecord;
  const sample = library.decode(
      new Uint8Array(await readFile(path.join(dataDir, 'full_record.bir'))));
  const bdb = new Uint8Array(16 * 1024 * 1024);
  for (let i = 0; i < bdb.length; i += 4096) bdb[i] = i >> 12;
  const bytes = library.encode({...JSON.parse(JSON.stringify(sample.fields)),
                                BiometricData: bdb});
  const file = path.join(outputDir, 'large-16MiB.bir');
  await writeFile(file, bytes);
  largeBytes = bytes;
  largeRecord = {file, size: bytes.length};
  return largeRecord;
}

let randomFile;
async function random100MiB() {
  if (randomFile) return randomFile;
  randomFile = path.join(outputDir, 'random-100MiB.bin');
  const chunk = Buffer.alloc(1024 * 1024);
  const parts = [];
  for (let i = 0; i < 100; ++i) parts.push(randomFillSync(Buffer.from(chunk)));
  await writeFile(randomFile, Buffer.concat(parts));
  return randomFile;
}

// full_record.bir with `extra` bytes after its last field, which the
// total length counts: a record that the library accepts but would not
// write so.
async function withTrailingBytes(extra) {
  const bytes = await readFile(path.join(dataDir, 'full_record.bir'));
  const out = Buffer.concat([bytes, Buffer.from(extra)]);
  out.writeUInt32LE(out.length, 4);
  assert.equal(library.decode(new Uint8Array(out)).status, 'accepted');
  return out;
}

describe('sample records', () => {
  // What the status says of the record inside each BDB, after the verdict:
  // full_record.bir names ANSI 378 while its BDB is shaped like ISO
  // 19794-2:2005 and declares 240 bytes in 27 (the fixture of the notes);
  // field_by_field.bir's is not recognised; minimal.bir's is empty.
  const bdbStatus = {
    full_record: (notes) => '; BiometricData: ISO/IEC 19794-2:2005 finger ' +
                            `minutiae; 3 notes: ${notes.join('; ')}`,
    field_by_field: (notes) => '; BiometricData: 1 note: not recognised; ' +
                               `it begins AA BB CC`,
    minimal: () => '',
  };
  for (const name of ['full_record', 'field_by_field', 'minimal']) {
    test(`${name}: the table is bir dump's rows, those of the BDB's own ` +
         'record indented under BiometricData', async () => {
      await open(path.join(dataDir, `${name}.bir`));
      const golden = await readFile(path.join(dataDir, `${name}.dump.txt`),
                                    'utf8');
      assert.deepEqual(await tableRows(), dumpRows(golden, {nested: true}));
      // The rows of the BDB's record are not fields of the BIR.
      assert.deepEqual(
          await page.$$eval('#fields tr[data-field]',
                            (trs) => trs.map((tr) => tr.dataset.field)),
          dumpRows(golden).map((row) => row.field));
      const status = await text('#status');
      assert.match(status, /^accepted: \d+ bytes, \d+ rows/);
      const notes = dumpNotes(golden)?.notes.map((note) => note.text) ?? [];
      const said = bdbStatus[name](notes);
      assert.ok(said ? status.endsWith(said) : !/BiometricData/.test(status),
                status);
      // What re-encoding changes: nothing for a record the library wrote.
      const changes = await text('#changes');
      if (name === 'minimal') {
        assert.match(changes, new RegExp(
            '^Not as the library writes it; re-encoding changes: ' +
            'BDBBiometricType added \\(always written\\), '));
      } else {
        assert.equal(changes, '');
      }
    });
  }

  test('the record inside the BDB: its header bytes tinted, its rows ' +
       'selected by mouse, keyboard and byte, read-only', async () => {
    await open(path.join(dataDir, 'full_record.bir'));
    // The tint covers its headers, 163 (after the BDB's length) up to the
    // SB at 190.
    const tinted = await page.$$eval('#hex .hex-byte.bdb-header',
        (spans) => spans.map((span) => Number(span.dataset.offset)));
    assert.deepEqual(tinted,
                     Array.from({length: 190 - 163}, (_, i) => 163 + i));
    // Where each of their fields begins is marked, as for the record's own.
    assert.deepEqual(
        await page.$$eval('#hex .hex-byte.bdb-header.boundary',
            (spans) => spans.map((span) => Number(span.dataset.offset))),
        [163, 171, 175, 177, 179, 181, 183, 185, 186, 187, 188, 189]);
    // The field names are indented by depth: a view's fields deeper than
    // the general header's, which are deeper than BiometricData.
    const indents = await page.$$eval(
        ['tr[data-field="BiometricData"]', 'tr[data-bdb-field="RecordLength"]',
         'tr[data-bdb-field="FingerPosition"]'].map((tr) => `#fields ${tr}`)
            .join(', '),
        (trs) => trs.map((tr) => tr.cells[2].getBoundingClientRect().left +
                                 parseFloat(getComputedStyle(tr.cells[2])
                                     .paddingLeft)));
    assert.ok(indents[0] < indents[1] && indents[1] < indents[2],
              `indents ${indents}`);
    const selected = () => page.$eval('#fields tr.selected', (tr) => ({
      field: tr.dataset.field ?? `bdb:${tr.dataset.bdbField}`,
      focused: tr === document.activeElement,
      aria: tr.getAttribute('aria-selected'),
    }));
    const range = () => text('#selection-range');
    await page.click('#fields tr[data-bdb-field="RecordLength"]');
    assert.equal(await range(), '4 bytes at 171');
    assert.deepEqual(await selected(),
                     {field: 'bdb:RecordLength', focused: true, aria: 'true'});
    // The keys move through the nested rows and out of them.
    const keys = [['ArrowDown', 'bdb:CaptureEquipment', '2 bytes at 175'],
                  ['End', 'SecurityBlock', '20 bytes at 190'],
                  ['ArrowUp', 'bdb:Quality', '1 byte at 189'],
                  ['ArrowUp', 'bdb:ViewAndImpression', '1 byte at 188'],
                  ['PageUp', 'bdb:RecordLength', '4 bytes at 171'],
                  ['ArrowUp', 'bdb:Format', '8 bytes at 163'],
                  ['ArrowUp', 'BiometricData', '31 bytes at 159'],
                  ['ArrowDown', 'bdb:Format', '8 bytes at 163']];
    for (const [key, field, bytes] of keys) {
      await page.keyboard.press(key);
      assert.deepEqual([(await selected()).field, await range()],
                       [field, bytes], key);
    }
    // Nothing edits or removes them.
    await page.keyboard.press('Enter');
    await page.keyboard.press('Delete');
    await page.click('#fields tr[data-bdb-field="ImageWidth"]', {count: 2});
    await frames();
    assert.equal(await page.$('#fields form.editor'), null);
    assert.equal(await page.$('#confirm-edit[open]'), null);
    // A byte selects the innermost row that holds it; the BDB's own length
    // is BiometricData's.
    for (const [offset, field] of [[188, 'bdb:ViewAndImpression'],
                                   [172, 'bdb:RecordLength'],
                                   [160, 'BiometricData']]) {
      await clickByte(offset);
      assert.equal((await selected()).field, field, `byte ${offset}`);
    }
    // Offsets in hex apply to them too.
    await page.click('#hex-offsets');
    assert.equal(await page.$eval('#fields tr[data-bdb-field="RecordLength"]',
                                  (tr) => tr.cells[0].textContent), '0xAB');
  });

  test('a public sample wrapped in a BIR: its rows, its notes, its ' +
       'payloads not tinted', async () => {
    const sample = library.decode(
        new Uint8Array(await readFile(path.join(dataDir, 'full_record.bir'))));
    const asText = (row) => ({
      offset: String(row.offset), length: String(row.length),
      field: row.field, value: row.value, bytes: row.bytes,
    });
    // The face record names its format rightly; the finger minutiae record
    // has 2 bytes after its content, a note.
    const cases = [['libbiomeval_face01.iso2005', 0x0101, 0x0008, 2],
                   ['libbiomeval_fmr.ansi2004', 0x001B, 0x0201, 8]];
    for (const [file, owner, type, biometricType] of cases) {
      const bytes = library.encode({
        ...JSON.parse(JSON.stringify(sample.fields)),
        BDBFormat: {Owner: owner, Type: type},
        BDBBiometricType: {value: biometricType},
        BiometricData: new Uint8Array(
            await readFile(path.join(dataDir, 'bdb', file))),
      });
      const {bdb, rows} = library.decode(bytes);
      assert.ok(bdb.format && bdb.rows.length > 0, file);
      await openDropped(bytes, `${file}.bir`);
      const under = rows.findIndex((row) => row.field === 'BiometricData') + 1;
      const expected = rows.map(asText);
      expected.splice(under, 0, ...bdb.rows.map(asText));
      assert.deepEqual(await tableRows(), expected, file);
      const notes = bdb.notes.length === 0 ? ''
          : `; ${bdb.notes.length} note${bdb.notes.length > 1 ? 's' : ''}: ` +
            bdb.notes.join('; ');
      assert.ok((await text('#status')).endsWith(
          `; BiometricData: ${bdb.format}${notes}`), file);
      // A payload's bytes are not tinted; the header bytes around it are.
      const payload = bdb.rows.find((row) => row.payload);
      await page.click(`#fields tr[data-bdb-field="${payload.field}"]`);
      await frames();
      const tint = (offset) => page.$eval(
          `#hex .hex-byte[data-offset="${offset}"]`,
          (span) => span.classList.contains('bdb-header'));
      assert.deepEqual(
          [await tint(payload.offset - 1), await tint(payload.offset)],
          [true, false], file);
    }
  });

  test('a BDB that claims 65535 images: the first 2000 rows of its record, ' +
       'then one that says how many more', async () => {
    const sample = await readFile(path.join(
        dataDir, 'bdb', 'biomdi_iris_ISO-IEC-19794-6_2005_Sample-2Eyes.raw'));
    const fields = JSON.parse(JSON.stringify(library.decode(
        new Uint8Array(await readFile(path.join(dataDir, 'full_record.bir'))))
        .fields));
    const bdb = manyImagesIris(sample, 65535);
    const bytes = library.encode({
      ...fields, BDBFormat: {Owner: 0x0101, Type: 0x0009},
      BDBBiometricType: {value: 16}, BiometricData: bdb});
    await openDropped(bytes, 'many-images.bir');
    assert.equal(await page.$$eval('#fields tr[data-bdb-field]',
                                   (trs) => trs.length), 2000);
    const more = await page.$eval('#fields tr.bdb-more', (tr) => ({
      offset: Number(tr.dataset.offset), length: Number(tr.dataset.length),
      value: tr.cells[3].textContent, next: tr.nextElementSibling.dataset.field,
      last: Number(tr.previousElementSibling.dataset.offset) +
            Number(tr.previousElementSibling.dataset.length),
    }));
    assert.match(more.value, /^\d+ more rows of the BDB's record, not shown/);
    assert.equal(more.next, 'SecurityBlock');
    // It stands for the BDB's bytes after the rows shown, and selects them.
    const block = await page.$eval('#fields tr[data-field="BiometricData"]',
        (tr) => Number(tr.dataset.offset) + Number(tr.dataset.length));
    assert.deepEqual([more.offset, more.offset + more.length],
                     [more.last, block]);
    await page.click('#fields tr.bdb-more');
    assert.equal(await text('#selection-range'),
                 `${more.length} bytes at ${more.offset}`);
  });

  test('rows and bytes select each other, by mouse and by keyboard',
       async () => {
    await open(path.join(dataDir, 'full_record.bir'));
    const selectedField = () => text('#fields tr.selected td:nth-child(3)');
    // A byte of BDBQuality (offset 75) selects its row; the arrow keys move
    // the byte cursor, a line down is offset 91, in BDBValidityPeriod.end.
    await clickByte(75);
    assert.equal(await selectedField(), 'BDBQuality');
    await page.keyboard.press('ArrowDown');
    assert.equal(await selectedField(), 'BDBValidityPeriod.end');
    // In the table, the arrow keys move through the rows, and the row's
    // bytes are highlighted.
    await page.click('#fields tr[data-field="BDBQuality"]');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    const selected = await page.$eval('#fields tr.selected',
                                      (tr) => ({...tr.dataset}));
    assert.equal(selected.field, 'BDBValidityPeriod.start');
    // The hex view draws at the next frame.
    await page.evaluate(() => new Promise(requestAnimationFrame));
    await page.evaluate(() => new Promise(requestAnimationFrame));
    const highlighted = await page.$$eval('#hex .hex-byte.selected',
        (spans) => spans.map((s) => Number(s.dataset.offset)));
    assert.deepEqual(highlighted,
                     [80, 81, 82, 83, 84, 85, 86]);
    // The page as docs/inspector.png shows it: a row selected, no hover.
    await page.mouse.move(0, 0);
    await page.evaluate(() => new Promise(requestAnimationFrame));
    await page.screenshot({path: path.join(outputDir, 'inspector.png')});
  });
});

test('a record dropped on the page opens', async () => {
  await openDropped(
      await readFile(path.join(dataDir, 'field_by_field.bir')), 'dropped.bir');
  const golden = await readFile(path.join(dataDir, 'field_by_field.dump.txt'),
                                'utf8');
  assert.deepEqual(await tableRows(), dumpRows(golden, {nested: true}));
});

test('a damaged record: status, the rows read, the failing offset marked',
     async () => {
  await open(path.join(ownData, 'damaged.bir'));
  const golden = await readFile(path.join(ownData, 'damaged.dump.txt'), 'utf8');
  // The rows read whole are bir dump's; the field the walk stopped in has a
  // row of its own, marked as failing.
  assert.deepEqual(await tableRows('[data-whole="false"]'),
                   dumpRows(golden));
  assert.deepEqual(
      await page.$$eval('#fields tr.failing', (trs) => trs.map(
          (tr) => [tr.dataset.field, tr.dataset.offset])),
      [['BIRCreationDate', '94']]);
  // bir dump's words: rejected at offset 100 (in BIRCreationDate, which
  // begins at 94): check "enough bytes remain" failed
  const said = (await readFile(path.join(ownData, 'damaged.rejection.txt'),
                               'utf8')).trim();
  const [, offset] = /rejected at offset (\d+) /.exec(said);
  const status = await text('#status');
  assert.ok(status.startsWith(said), status);
  // The record is 100 bytes long: the check looked just past its end, so
  // the mark is on the last byte in the view when the offset is the end.
  const marked = await page.$$eval('#hex .hex-byte.mark',
                                   (spans) => spans.map((s) => s.dataset.offset));
  const size = (await readFile(path.join(ownData, 'damaged.bir'))).length;
  assert.deepEqual(marked, [String(Math.min(Number(offset), size - 1))]);
  // The mark's tooltip is bir dump's own line.
  assert.equal(await page.$eval('#hex .hex-byte.mark', (s) => s.title), said);
});

describe('editing', () => {
  async function editQuality(value) {
    await page.click('#fields tr[data-field="BDBQuality"]');
    await page.keyboard.press('Enter');
    await page.waitForSelector('#fields form.editor input');
    await page.keyboard.type(value);
    await page.keyboard.press('Enter');
  }

  test('BDBQuality changed, downloaded, and read back by the library',
       async () => {
    const file = path.join(dataDir, 'full_record.bir');
    await open(file);
    await editQuality('90');
    await page.waitForFunction(() => document.querySelector(
        '#fields tr[data-field="BDBQuality"] td:nth-child(4)')
        ?.textContent === '90');
    const back = library.decode(await downloaded('full_record.bir'));
    assert.equal(back.status, 'accepted');
    const before = library.decode(new Uint8Array(await readFile(file)));
    assert.deepEqual(JSON.parse(JSON.stringify(back.fields)),
                     {...JSON.parse(JSON.stringify(before.fields)),
                      BDBQuality: 90});
  });

  test('every kind of value: an enumeration, a registered identifier, a ' +
       'byte string, a date-time', async () => {
    await open(path.join(dataDir, 'full_record.bir'));
    const purposes = library.enumerations().BDBPurpose;
    const other = purposes.find((e) => e.value !== 3);
    const edits = [
      ['BDBPurpose', [String(other.value)],
       `${other.value} (${other.name})`],
      ['RegisteredId2', ['7', '9'], '0x0007/0x0009'],
      ['OctetString1', ['41 42 43'], '3 bytes "ABC"'],
      ['BDBCreationDate', ['2027-01-02 00:00:00'], '2027-01-02 00:00:00'],
    ];
    for (const [field, values, shown] of edits) {
      const row = `#fields tr[data-field="${field}"]`;
      await page.click(row);
      await page.keyboard.press('Enter');
      await page.waitForSelector('#fields form.editor');
      await page.$$eval('#fields form.editor :is(input, select, textarea)',
                        (editors, given) => editors.forEach((e, i) => {
                          e.value = given[i];
                        }), values);
      await page.keyboard.press('Enter');
      await page.waitForFunction(
          (selector, text) => !document.querySelector('#fields form') &&
              document.querySelector(selector)?.cells[3].textContent === text,
          {}, row, shown);
    }
    assert.match(await text('#status'), /^accepted/);
  });

  test('the record inside the BDB is read again after each edit',
       async () => {
    await open(path.join(dataDir, 'full_record.bir'));
    const status = () => text('#status');
    // In place: BDBFormat named as the content says; that note goes.
    await page.click('#fields tr[data-field="BDBFormat"]');
    await page.keyboard.press('Enter');
    await page.waitForSelector('#fields form.editor');
    await page.$$eval('#fields form.editor input', (inputs) => {
      inputs[0].value = '0x0101';
      inputs[1].value = '0x0002';
    });
    await page.keyboard.press('Enter');
    await settle();
    assert.match(await status(), new RegExp(
        '; BiometricData: ISO/IEC 19794-2:2005 finger minutiae; 2 notes: ' +
        'the record declares 240 bytes; '));
    // A byte typed over RecordLength: 0x010000F0 bytes cannot be, so the
    // content reads as ANSI 378-2004 (a 2-byte length, then a product id).
    // The rows are read again, and RecordLength stays selected, through undo
    // too.
    const selected = () => page.$eval('#fields tr.selected', (tr) =>
      [tr.dataset.bdbField, tr.dataset.length, tr.cells[3].textContent]);
    const has = (field) => page.$(`#fields tr[data-bdb-field="${field}"]`)
        .then((tr) => tr !== null);
    await page.click('#fields tr[data-bdb-field="RecordLength"]');
    await page.focus('#hex');
    await page.keyboard.type('01');
    await settle();
    assert.deepEqual(await selected(), ['RecordLength', '2', '256 bytes']);
    assert.equal(await has('ProductId'), true);
    assert.match(await status(), new RegExp(
        '; BiometricData: ANSI/INCITS 378-2004 finger minutiae; 3 notes: ' +
        'BDBFormat 0x0101/0x0002 names ISO/IEC 19794-2 finger minutiae, '));
    await page.click('#undo');
    await settle();
    assert.deepEqual(await selected(), ['RecordLength', '4', '240 bytes']);
    assert.equal(await has('ProductId'), false);
    // Encoded again with a longer OctetString1: the record inside the BDB
    // moves with it, rows and tint.
    await editField('OctetString1', '7363616e6e65722d30372d31');
    const moved = await page.$eval('#fields tr[data-bdb-field="RecordLength"]',
                                   (tr) => tr.dataset.offset);
    assert.equal(moved, '173');
    assert.equal(await page.$eval('#hex .hex-byte.bdb-header',
                                  (span) => span.dataset.offset), '165');
  });

  test('a value the field cannot hold is refused with the library\'s ' +
       'message, and nothing changes', async () => {
    await open(path.join(dataDir, 'full_record.bir'));
    const rowsBefore = await tableRows();
    await editQuality('300');
    await page.waitForFunction(
        () => document.querySelector('#message').textContent !== '');
    assert.match(await text('#message'), /BDBQuality: 300 is outside 0\.\.255/);
    await page.keyboard.press('Escape');
    assert.deepEqual(await tableRows(), rowsBefore);
  });
});

test('a 16 MiB record opens; the hex view holds few elements', async () => {
  const {file, size} = await largeFile();
  const {seen, pageMs} = await open(file);
  const figures = `16 MiB record (${size} bytes): table shown ` +
                  `${seen.toFixed(0)} ms after choosing the file ` +
                  `(the page's own measure: ${pageMs.toFixed(0)} ms)`;
  console.log(figures);
  await writeFile(path.join(outputDir, 'large-record-timing.txt'),
                  `${figures}\n`);
  assert.match(await text('#status'), /^accepted/);
  const count = () => page.$$eval('#hex *', (all) => all.length);
  assert.ok(await count() <= 2000, `${await count()} elements in #hex`);
  // The end of the record is reachable, and still few elements.
  await page.click('#fields tr[data-field="SecurityBlock"]');
  await page.waitForSelector(`#hex [data-offset="${size - 1}"]`);
  assert.ok(await count() <= 2000, `${await count()} elements in #hex`);
});

test('the hex view fills its height whenever the window changes',
     async () => {
  const {file} = await largeFile();
  await open(file);
  // Taller, shorter (the least height of the view), then as before.
  for (const height of [1300, 500, 900]) {
    await page.setViewport({width: 1440, height});
    await frames();
    const {gap, inSight} = await page.evaluate(() => {
      const hex = document.querySelector('#hex');
      const lines = hex.querySelectorAll('.hex-line');
      const bottom = hex.getBoundingClientRect().top + hex.clientTop +
                     hex.clientHeight;
      return {gap: bottom - lines[lines.length - 1].getBoundingClientRect()
                                .bottom,
              inSight: Math.floor(hex.clientHeight / 20)};
    });
    assert.ok(gap < 20, `${gap} px under the last line at ${height} px`);
    // PageDown moves the cursor by the lines in sight.
    await page.focus('#hex');
    await page.keyboard.press('Home');
    await page.keyboard.press('PageDown');
    assert.match(await text('#selection-range'),
                 new RegExp(`^1 byte at ${inSight * 16}\\b`));
  }
});

test('a record opened shows its first line wherever the last was scrolled',
     async () => {
  const {file} = await largeFile();
  for (const where of ['middle', 'end']) {
    await open(file);
    await page.$eval('#hex', (hex, w) => {
      hex.scrollTop = w === 'end' ? hex.scrollHeight : hex.scrollHeight / 2;
    }, where);
    await frames();
    assert.notEqual(await page.$eval('#hex .hex-address',
                                     (a) => a.textContent), '00000000');
    // The same record again: the scroll range stays as it was.
    await open(file);
    await frames();
    assert.equal(await page.$eval('#hex', (hex) => hex.scrollTop), 0, where);
    assert.equal(await page.$eval('#hex .hex-address', (a) => a.textContent),
                 '00000000', where);
  }
});

test('no request leaves the page\'s origin', () => {
  assert.ok(requests.length > 0);
  const foreign = requests.filter((url) =>
      !url.startsWith(`${server.origin}/`) &&
      !url.startsWith(`blob:${server.origin}/`));
  assert.deepEqual(foreign, []);
});

// The faults of the first page, and what the page offers now ----------------

describe('faults of the first page', () => {
  test('1: a file chosen later wins over an earlier one still being read',
       async () => {
    const big = await random100MiB();
    const small = await readFile(path.join(dataDir, 'full_record.bir'));
    await page.evaluate(() => delete document.body.dataset.openMs);
    await (await page.$('#record-file')).uploadFile(big);
    await dropBytes(small, 'full_record.bir');
    await page.waitForSelector('body[data-open-ms]', {timeout: 60000});
    await settle();
    const golden = await readFile(path.join(dataDir, 'full_record.dump.txt'),
                                  'utf8');
    assert.equal(await text('#file-name'), 'full_record.bir');
    assert.deepEqual(await tableRows(), dumpRows(golden, {nested: true}));
    assert.deepEqual(await downloaded('full_record.bir'),
                     new Uint8Array(small));
  });

  test('2: choosing the same file again reads it again', async () => {
    const file = path.join(dataDir, 'full_record.bir');
    await open(file);
    const before = await cellOf('BDBQuality');
    await editField('BDBQuality', '7');
    assert.equal(await cellOf('BDBQuality'), '7');
    await openDiscarding(file);
    assert.equal(await cellOf('BDBQuality'), before);
  });

  test('3: a folder dropped on the page is refused, the record kept',
       async () => {
    await open(path.join(dataDir, 'full_record.bir'));
    const folder = await mkdtemp(path.join(os.tmpdir(), 'inspector-folder-'));
    const session = await page.createCDPSession();
    const data = {items: [], files: [folder], dragOperationsMask: 1};
    for (const type of ['dragEnter', 'dragOver', 'drop']) {
      await session.send('Input.dispatchDragEvent',
                         {type, x: 300, y: 400, data});
    }
    await page.waitForFunction(
        () => document.querySelector('#message').textContent !== '',
        {timeout: 5000}).catch(() => {});
    await settle(3000);
    await rm(folder, {recursive: true});
    assert.deepEqual(pageErrors, []);
    assert.match(await text('#message'), /could not be read/);
    assert.equal(await text('#file-name'), 'full_record.bir');
    assert.match(await text('#status'), /^accepted/);
    assert.deepEqual(await downloaded('full_record.bir'), new Uint8Array(
        await readFile(path.join(dataDir, 'full_record.bir'))));
  });

  test('4: in a 16 MiB record the last line comes wholly into view',
       async () => {
    const {file, size} = await largeFile();
    await open(file);
    const lastByteInView = () => page.evaluate((last) => {
      const hex = document.querySelector('#hex');
      const byte = hex.querySelector(`[data-offset="${last}"]`);
      if (!byte) return false;
      const view = hex.getBoundingClientRect();
      const bottom = view.top + hex.clientTop + hex.clientHeight;
      return byte.getBoundingClientRect().bottom <= bottom + 0.5;
    }, size - 1);
    const scrollToEnd = () => page.$eval('#hex', (hex) => {
      hex.scrollTop = hex.scrollHeight;
    });
    const height = await page.$eval('#hex', (hex) => hex.scrollHeight);
    for (let i = 0; i < 3; ++i) {
      await scrollToEnd();
      await frames();
      assert.ok(await lastByteInView(), 'the last byte at maximum scroll');
    }
    assert.equal(await page.$eval('#hex', (hex) => hex.scrollHeight), height);
    // End in the hex view puts the cursor on the last byte, in view.
    await page.$eval('#hex', (hex) => { hex.scrollTop = 0; });
    await frames();
    await clickByte(0);
    await page.keyboard.press('End');
    await frames();
    assert.ok(await lastByteInView(), 'the last byte after End');
  });

  test('5: hovering a row does not scroll the hex view', async () => {
    const {file} = await largeFile();
    await open(file);
    await page.$eval('#hex', (hex) => {
      hex.scrollTop = hex.scrollHeight / 2;
    });
    await frames();
    const firstAddress = () => page.$eval('#hex .hex-address',
                                          (a) => a.textContent);
    const before = await firstAddress();
    assert.notEqual(before, '00000000');
    await page.hover('#fields tr[data-field="BDBQuality"]');
    await frames();
    assert.equal(await firstAddress(), before);
  });

  for (const width of [1280, 800]) {
    test(`6: at ${width} px every column shows, without page scrolling`,
         async () => {
      await page.setViewport({width, height: 900});
      await open(path.join(dataDir, 'full_record.bir'));
      await frames();
      const layout = await page.evaluate(() => {
        const right = (e) => e.getBoundingClientRect().right;
        const pane = document.querySelector('.fields-pane');
        const paneRight = pane.getBoundingClientRect().left + pane.clientLeft +
                          pane.clientWidth;
        const hex = document.querySelector('#hex');
        const hexRight = hex.getBoundingClientRect().left + hex.clientLeft +
                         hex.clientWidth;
        return {
          page: document.documentElement.scrollWidth - window.innerWidth,
          columns: [...document.querySelectorAll('#fields th')].map(
              (th) => right(th) - paneRight),
          hex: [...document.querySelectorAll('#hex .hex-line')].map(
              (line) => right(line.lastElementChild) - hexRight),
        };
      });
      assert.ok(layout.page <= 0, `the page scrolls by ${layout.page} px`);
      assert.ok(layout.columns.every((d) => d <= 0.5),
                `table columns past the pane: ${layout.columns}`);
      assert.ok(layout.hex.length > 0 && layout.hex.every((d) => d <= 0.5),
                `hex lines past the view: ${Math.max(...layout.hex)}`);
    });
  }

  test('7: an edit of a fixed-width field changes only its bytes',
       async () => {
    // A record with 3 bytes after its last field keeps them.
    const trailing = await withTrailingBytes([0xAA, 0xBB, 0xCC]);
    await openDropped(trailing, 'trailing.bir');
    const at = Number(await page.$eval('#fields tr[data-field="BDBQuality"]',
                                       (tr) => tr.dataset.offset));
    await editField('BDBQuality', '90');
    assert.match(await text('#message'), /nothing else changed/);
    const expected = new Uint8Array(trailing);
    expected[at] = 90;
    assert.deepEqual(await downloaded('trailing.bir'), expected);
    // minimal.bir lacks fields that the library always writes; an edit of
    // BDBFormat leaves them out still.
    const minimal = await readFile(path.join(dataDir, 'minimal.bir'));
    await openDiscarding(path.join(dataDir, 'minimal.bir'));
    await page.click('#fields tr[data-field="BDBFormat"]');
    await page.keyboard.press('Enter');
    await page.waitForSelector('#fields form.editor');
    await page.$$eval('#fields form.editor input', (inputs) => {
      inputs[1].value = '0x0203';
    });
    await page.keyboard.press('Enter');
    await settle();
    const saved = await downloaded('minimal.bir');
    assert.equal(saved.length, minimal.length);
    const differ = [...saved].flatMap((b, i) => (b === minimal[i] ? [] : [i]));
    const row = await page.$eval('#fields tr[data-field="BDBFormat"]',
                                 (tr) => [+tr.dataset.offset, +tr.dataset.length]);
    assert.ok(differ.length > 0 && differ.every(
        (i) => i >= row[0] && i < row[0] + row[1]), `bytes ${differ} changed`);
  });

  test('8: after a drop the picker does not name another file', async () => {
    await open(path.join(dataDir, 'full_record.bir'));
    await openDropped(await readFile(path.join(dataDir, 'minimal.bir')),
                      'minimal.bir');
    assert.equal(await text('#file-name'), 'minimal.bir');
    assert.equal(await page.$eval('#record-file', (i) => i.value), '');
  });
});

describe('the page', () => {
  test('an edit that encodes the record again says what else changes first',
       async () => {
    const trailing = await withTrailingBytes([1, 2, 3]);
    await openDropped(trailing, 'trailing.bir');
    const longer = async (apply) => {
      await page.click('#fields tr[data-field="OctetString1"]');
      await page.keyboard.press('Enter');
      await page.waitForSelector('#fields form.editor textarea');
      await page.$eval('#fields form.editor textarea',
                       (t) => { t.value = '41424344454647'; });
      await page.keyboard.press('Enter');
      await page.waitForSelector('#confirm-edit[open]');
      const listed = await page.$$eval('#confirm-changes li',
                                       (lis) => lis.map((li) => li.textContent));
      assert.deepEqual(listed, library.decode(new Uint8Array(trailing)).changes);
      await page.click(apply ? '#confirm-apply' : '#confirm-cancel');
      await settle();
    };
    await longer(false);
    assert.deepEqual(await downloaded('trailing.bir'), new Uint8Array(trailing));
    await longer(true);
    const saved = await downloaded('trailing.bir');
    const back = library.decode(saved);
    assert.equal(back.status, 'accepted');
    assert.deepEqual(back.changes, []);
    assert.equal(back.fields.OctetString1, '41424344454647');
  });

  test('undo, redo, revert, the modified mark; an edit to the same value ' +
       'changes nothing', async () => {
    const file = path.join(dataDir, 'full_record.bir');
    const original = new Uint8Array(await readFile(file));
    await open(file);
    const before = await cellOf('BDBQuality');
    const modified = () => page.$eval('#modified', (m) => !m.hidden);
    await editField('BDBQuality', before);
    assert.match(await text('#message'), /unchanged/);
    assert.equal(await modified(), false);
    await editField('BDBQuality', '7');
    await editField('BDBPurpose', String(library.enumerations().BDBPurpose
        .find((e) => e.value !== 3).value));
    assert.equal(await modified(), true);
    await page.click('#undo');
    await settle();
    assert.equal(await cellOf('BDBQuality'), '7');
    await page.click('#undo');
    await settle();
    assert.equal(await cellOf('BDBQuality'), before);
    assert.equal(await modified(), false);
    await page.click('#redo');
    await settle();
    assert.equal(await cellOf('BDBQuality'), '7');
    await page.click('#redo');
    await settle();
    await page.click('#revert');
    await settle();
    assert.equal(await modified(), false);
    assert.deepEqual(await downloaded('full_record.bir'), original);
  });

  test('go to offset, find, the data inspector, copy as hex', async () => {
    const file = path.join(dataDir, 'full_record.bir');
    const bytes = await readFile(file);
    await open(file);
    const quality = await page.$eval('#fields tr[data-field="BDBQuality"]',
                                     (tr) => Number(tr.dataset.offset));
    const selectedField = () => text('#fields tr.selected td:nth-child(3)');
    for (const typed of [`0x${quality.toString(16)}`, String(quality)]) {
      await page.$eval('#goto-offset', (i) => { i.value = ''; });
      await page.type('#goto-offset', typed);
      await page.click('#goto');
      await frames();
      assert.equal(await selectedField(), 'BDBQuality');
    }
    await page.$eval('#goto-offset', (i) => { i.value = '0x99999'; });
    await page.click('#goto');
    assert.match(await text('#message'), /is not an offset/);
    // Find: the first place of some bytes, then the next.
    const needle = bytes.subarray(26, 29);
    const first = bytes.indexOf(needle);
    const second = bytes.indexOf(needle, first + 1);
    await clickByte(0);
    await page.type('#find-text', needle.toString('hex'));
    await page.click('#find-next');
    await settle();
    const selected = () => page.$$eval('#hex .hex-byte.selected',
        (spans) => spans.map((s) => Number(s.dataset.offset)));
    assert.deepEqual(await selected(), [first, first + 1, first + 2]);
    // The text column shows the selection too.
    assert.equal(await page.$$eval('#hex .hex-ascii mark',
                                   (m) => m.map((e) => e.textContent).join('')).then(
        (t) => t.length), 3);
    await page.click('#find-next');
    await settle();
    const again = second >= 0 ? second : first;
    assert.deepEqual(await selected(), [again, again + 1, again + 2]);
    await page.select('#find-mode', 'text');
    await page.$eval('#find-text', (i) => { i.value = ''; });
    const word = 'scanner';
    const wordAt = bytes.indexOf(Buffer.from(word));
    if (wordAt >= 0) {
      await page.type('#find-text', word);
      await page.click('#find-next');
      await settle();
      assert.equal((await selected())[0], wordAt);
    }
    // The data inspector reads at the cursor: TotalLength. Shift with a
    // click selects from the anchor to the cursor.
    await clickByte(7);
    await page.keyboard.down('Shift');
    await clickByte(4);
    await page.keyboard.up('Shift');
    await frames();
    const u32 = await page.$eval('#data-inspector tr[data-type="u32"]',
                                 (tr) => [...tr.cells].map((c) => c.textContent));
    assert.deepEqual(u32, ['u32', String(bytes.readUInt32LE(4)),
                           String(bytes.readUInt32BE(4))]);
    const context = browser.defaultBrowserContext();
    await context.overridePermissions(server.origin,
                                      ['clipboard-read', 'clipboard-write',
                                       'clipboard-sanitized-write']);
    await page.click('#copy-hex');
    await page.waitForFunction(
        () => /cop/.test(document.querySelector('#message').textContent));
    assert.match(await text('#message'), /^copied/);
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()),
                 [...bytes.subarray(4, 8)].map(
                     (b) => b.toString(16).toUpperCase().padStart(2, '0'))
                     .join(' '));
  });

  test('a damaged header mended in the hex view: the verdict changes',
       async () => {
    const bytes = await readFile(path.join(dataDir, 'full_record.bir'));
    const damaged = Buffer.from(bytes);
    damaged.writeUInt32LE(bytes.length + 1, 4);
    await openDropped(damaged, 'damaged.bir');
    assert.match(await text('#status'), /^rejected/);
    assert.deepEqual(await page.$$eval('#fields tr.failing',
                                       (trs) => trs.map((tr) => tr.dataset.field)),
                     ['TotalLength']);
    await clickByte(4);
    await page.keyboard.type(bytes[4].toString(16).padStart(2, '0'));
    await settle();
    assert.match(await text('#status'), /^accepted/);
    assert.deepEqual(await downloaded('damaged.bir'), new Uint8Array(bytes));
  });

  test('export the fields as JSON, as the library writes them', async () => {
    const file = path.join(dataDir, 'full_record.bir');
    await open(file);
    const json = new TextDecoder().decode(
        await downloaded('full_record.json', '#export-json'));
    assert.equal(json, await readFile(path.join(dataDir, 'full_record.json'),
                                      'utf8'));
  });

  test('the page answers while a 100 MiB file is read, with a progress ' +
       'indication', async () => {
    const big = await random100MiB();
    await page.evaluate(() => {
      window.seen = {progress: false, busyAtClick: null};
      new MutationObserver(() => {
        if (!document.querySelector('#progress').hidden) seen.progress = true;
      }).observe(document.querySelector('#progress'), {attributes: true});
      document.querySelector('#hex-offsets').addEventListener('click', () => {
        seen.busyAtClick = document.body.dataset.busy;
      });
      delete document.body.dataset.openMs;
    });
    await (await page.$('#record-file')).uploadFile(big);
    await page.click('#hex-offsets');
    const seen = await page.evaluate(() => window.seen);
    assert.equal(seen.busyAtClick, 'true',
                 'the click was answered before the read ended');
    assert.equal(await page.$eval('#hex-offsets', (c) => c.checked), true);
    await page.waitForSelector('body[data-open-ms]', {timeout: 60000});
    await settle(60000);
    // Work of more than 200 ms shows the progress indication.
    const openMs = Number(await page.$eval('body', (b) => b.dataset.openMs));
    if (openMs > 300) {
      assert.ok(await page.evaluate(() => window.seen.progress),
                `no progress shown in ${openMs} ms`);
    }
    assert.match(await text('#status'), /^rejected/);
  });

  test('text contrast is at least 4.5:1', async () => {
    await page.setViewport({width: 800, height: 900});
    await open(path.join(ownData, 'damaged.bir'));
    await page.click('#fields tr[data-field="BDBQuality"]');
    await frames();
    const low = await page.evaluate(() => {
      const rgb = (c) => (c.match(/[\d.]+/g) ?? []).map(Number);
      const lum = ([r, g, b]) => [r, g, b].map((v) => {
        const s = v / 255;
        return s <= 0.03928 ? s / 12.92 : ((s + 0.055) / 1.055) ** 2.4;
      }).reduce((sum, v, i) => sum + v * [0.2126, 0.7152, 0.0722][i], 0);
      const background = (e) => {
        for (; e; e = e.parentElement) {
          const c = rgb(getComputedStyle(e).backgroundColor);
          if (c.length === 3 || c[3] > 0) return c.slice(0, 3);
        }
        return [255, 255, 255];
      };
      const found = [];
      for (const e of document.body.querySelectorAll('*')) {
        if (e.matches(':disabled, option, [hidden] *, dialog:not([open]) *')) {
          continue;
        }
        const own = [...e.childNodes].some(
            (n) => n.nodeType === 3 && n.textContent.trim());
        if (!own || e.getClientRects().length === 0) continue;
        const fg = rgb(getComputedStyle(e).color).slice(0, 3);
        const [a, b] = [lum(fg), lum(background(e))].sort((x, y) => y - x);
        const ratio = (a + 0.05) / (b + 0.05);
        if (ratio < 4.5) found.push(`${e.tagName}.${e.className}: ${ratio.toFixed(2)}`);
      }
      return found;
    });
    assert.deepEqual(low, []);
  });

  test('the benchmark script reports its ratios', async () => {
    const {runBenchmark} = await import('../../bench/inspector_bench.mjs');
    const report = await runBenchmark({browser, origin: server.origin,
                                       sizeMiB: 1, rounds: 1});
    for (const key of ['open', 'edit']) {
      assert.ok(Number.isFinite(report[key].ratio) && report[key].ratio > 0,
                JSON.stringify(report));
    }
    assert.ok(Number.isFinite(report.memory.retainedMiB));
    const {runCosts} = await import('../../bench/inspector_bench.mjs');
    const costs = await runCosts({browser, origin: server.origin,
                                  sizeMiB: 1, edits: 2});
    for (const key of ['open', 'copy', 'export', 'find']) {
      assert.ok(Number.isFinite(costs.stalls[key]), JSON.stringify(costs));
    }
    assert.ok(Number.isFinite(costs.history.ratio), JSON.stringify(costs));
    assert.ok(costs.wheel.linesPerNotch > 0 &&
              costs.wheel.linesPerNotch < costs.wheel.linesInSight,
              JSON.stringify(costs));
  });
});

describe('the worker', () => {
  test('a library that fails to load is said, and nothing waits forever',
       async () => {
    // The page's files without the WebAssembly, served from a folder of
    // their own.
    const partial = await mkdtemp(path.join(os.tmpdir(), 'inspector-partial-'));
    const {readdir, copyFile} = await import('node:fs/promises');
    for (const name of await readdir(inspectorDir)) {
      if (!name.endsWith('.wasm')) {
        await copyFile(path.join(inspectorDir, name), path.join(partial, name));
      }
    }
    const partialServer = await serve(partial);
    const failing = await browser.newPage();
    try {
      await failing.goto(`${partialServer.origin}/index.html`);
      await failing.waitForSelector('body[data-failed]', {timeout: 20000});
      const said = await failing.$eval('#status', (s) => s.textContent);
      assert.match(said, /the library could not be loaded/);
      assert.equal(await failing.$eval('body', (b) => b.dataset.busy),
                   'false');
      // A record chosen afterwards is refused at once, with the reason.
      await (await failing.$('#record-file')).uploadFile(
          path.join(dataDir, 'minimal.bir'));
      await failing.waitForFunction(() => /could not be loaded/.test(
          document.querySelector('#message').textContent));
    } finally {
      await failing.close();
      await partialServer.close();
      await rm(partial, {recursive: true, force: true});
    }
  });
});

// The faults of the second page, each with what shows it ----------------------

describe('faults of the second page', () => {
  const fullRecord = () => path.join(dataDir, 'full_record.bir');

  test('1: changes are not thrown away unasked', async () => {
    await open(fullRecord());
    await editField('BDBQuality', '7');
    // Another file chosen: the page asks; Cancel keeps the record.
    await (await page.$('#record-file')).uploadFile(
        path.join(dataDir, 'minimal.bir'));
    await page.waitForSelector('#confirm-edit[open]');
    assert.match(await text('#confirm-title'), /full_record\.bir has 1 change/);
    await page.click('#confirm-cancel');
    await settle();
    assert.equal(await text('#file-name'), 'full_record.bir');
    assert.equal(await cellOf('BDBQuality'), '7');
    // A drop asks as well.
    await dropBytes(await readFile(path.join(dataDir, 'minimal.bir')),
                    'minimal.bir');
    await page.waitForSelector('#confirm-edit[open]');
    await page.click('#confirm-cancel');
    await settle();
    assert.equal(await cellOf('BDBQuality'), '7');
    // Leaving the page asks.
    const leaving = () => page.evaluate(() => {
      const event = new Event('beforeunload', {cancelable: true});
      window.dispatchEvent(event);
      return event.defaultPrevented;
    });
    assert.equal(await leaving(), true);
    await page.click('#undo');
    await settle();
    assert.equal(await leaving(), false);
  });

  test('2: a large selection is copied as a file, made off the page\'s ' +
       'thread', async () => {
    const {file} = await largeFile();
    await open(file);
    await page.click('#fields tr[data-field="BiometricData"]');
    const block = await page.$eval('#fields tr[data-field="BiometricData"]',
        (tr) => [Number(tr.dataset.offset), Number(tr.dataset.length)]);
    const bytes = await readFile(file);
    const [begin, length] = block;
    const name = `large-16MiB-${begin}-${begin + length}.hex.txt`;
    await rm(path.join(downloadDir, name), {force: true});
    const done = downloadOf(name, 120000);
    await page.click('#copy-hex');
    await done;
    const saved = await readFile(path.join(downloadDir, name), 'latin1');
    assert.equal(saved.length, length * 3 - 1);
    const hexAt = (i) => bytes[begin + i].toString(16).toUpperCase()
        .padStart(2, '0');
    assert.equal(saved.slice(0, 11), [0, 1, 2, 3].map(hexAt).join(' '));
    assert.equal(saved.slice(-2), hexAt(length - 1));
    assert.match(await text('#message'), /too much for the clipboard/);
  });

  test('2: base64 and a C array of a small selection', async () => {
    await open(fullRecord());
    const context = browser.defaultBrowserContext();
    await context.overridePermissions(server.origin,
                                      ['clipboard-read', 'clipboard-write',
                                       'clipboard-sanitized-write']);
    await clickByte(0);
    await page.keyboard.down('Shift');
    await clickByte(3);
    await page.keyboard.up('Shift');
    const bytes = (await readFile(fullRecord())).subarray(0, 4);
    const copied = async (format) => {
      await page.select('#copy-format', format);
      await page.evaluate(() => { document.querySelector('#message')
          .textContent = ''; });
      await page.click('#copy-hex');
      await page.waitForFunction(() => /^cop/.test(
          document.querySelector('#message').textContent));
      return page.evaluate(() => navigator.clipboard.readText());
    };
    assert.equal(await copied('base64'), bytes.toString('base64'));
    const c = await copied('c');
    assert.match(c, /unsigned char bytes\[4\] = \{/);
    assert.match(c, new RegExp([...bytes].map(
        (b) => `0x${b.toString(16).toUpperCase().padStart(2, '0')}`)
        .join(', ')));
  });

  test('3: history keeps the bytes an edit changed, not copies of the ' +
       'record', async () => {
    const {file, size} = await largeFile();
    await open(file);
    const session = await page.createCDPSession();
    const memory = async () => {
      await session.send('HeapProfiler.collectGarbage');
      const usage = await session.send('Runtime.getHeapUsage');
      return usage.usedSize + (usage.backingStorageSize ?? 0);
    };
    const before = await memory();
    for (const value of ['41', '4142', '414243']) {
      await editField('OctetString1', value);
      await page.waitForSelector('#confirm-edit[open]', {timeout: 5000})
          .then(() => page.click('#confirm-apply'), () => {});
      await settle();
      assert.equal(await cellOf('OctetString1'),
                   `${value.length / 2} byte${value.length > 2 ? 's' : ''} ` +
                   `"${'ABC'.slice(0, value.length / 2)}"`);
    }
    const grown = await memory() - before;
    assert.ok(grown < size, `the page grew by ${grown} bytes after 3 ` +
                            `re-encoding edits of a ${size}-byte record`);
    // Undone to the file as read, byte for byte.
    for (let i = 0; i < 3; ++i) {
      await page.click('#undo');
      await settle();
    }
    assert.ok((await downloaded('large-16MiB.bir')).every(
        (b, i) => b === largeBytes[i]));
  });

  test('4: an opened record starts with nothing selected', async () => {
    await open(fullRecord());
    await page.click('#fields tr[data-field="OctetString5"]');
    assert.match(await text('#selection-range'), /^\d+ bytes at \d+$/);
    await open(path.join(dataDir, 'minimal.bir'));
    assert.equal(await text('#selection-range'), 'Nothing selected');
    assert.equal(await page.$eval('#copy-hex', (b) => b.disabled), true);
    assert.equal(await page.$$eval('#data-inspector tbody tr',
                                   (trs) => trs.length), 0);
  });

  test('5: the splitter dragged right keeps the page in the window',
       async () => {
    await page.setViewport({width: 1400, height: 900});
    await open(fullRecord());
    const box = await (await page.$('#splitter')).boundingBox();
    await page.mouse.move(box.x + 4, box.y + 40);
    await page.mouse.down();
    await page.mouse.move(1390, box.y + 40, {steps: 4});
    await page.mouse.up();
    await frames();
    const layout = await page.evaluate(() => {
      const hex = document.querySelector('#hex');
      const right = hex.getBoundingClientRect().left + hex.clientLeft +
                    hex.clientWidth;
      return {
        page: document.documentElement.scrollWidth - window.innerWidth,
        text: Math.max(...[...document.querySelectorAll('#hex .hex-ascii')]
            .map((t) => t.getBoundingClientRect().right - right)),
        now: Number(document.querySelector('#splitter')
            .getAttribute('aria-valuenow')),
        max: Number(document.querySelector('#splitter')
            .getAttribute('aria-valuemax')),
      };
    });
    assert.ok(layout.page <= 0, `the page scrolls by ${layout.page} px`);
    assert.ok(layout.text <= 0.5, `the text column is cut by ${layout.text}`);
    assert.equal(layout.now, layout.max);
  });

  test('6: focus stays in place after undo, redo and revert', async () => {
    await open(fullRecord());
    await editField('BDBQuality', '7');
    await page.focus('#fields tr[data-field="BDBQuality"]');
    const focused = () => page.evaluate(() => {
      const e = document.activeElement;
      return e === document.body ? 'body' : e.dataset.field ?? e.id;
    });
    await page.keyboard.down('Control');
    await page.keyboard.press('z');
    await page.keyboard.up('Control');
    await settle();
    assert.equal(await focused(), 'BDBQuality');
    await page.keyboard.down('Control');
    await page.keyboard.press('y');
    await page.keyboard.up('Control');
    await settle();
    assert.equal(await focused(), 'BDBQuality');
    // Revert turns itself off: the keyboard goes to the row changed.
    await page.focus('#revert');
    await page.keyboard.press('Enter');
    await settle();
    assert.notEqual(await focused(), 'body');
    assert.equal(await cellOf('BDBQuality'), '80');
  });

  test('7: the data inspector reads the byte picked; ranges by Shift, ' +
       'keys and dragging', async () => {
    const bytes = await readFile(fullRecord());
    await open(fullRecord());
    await page.type('#goto-offset', '0x1F');
    await page.click('#goto');
    await frames();
    assert.match(await text('#selection-range'), /^1 byte at 31$/);
    const value = (type) => page.$eval(
        `#data-inspector tr[data-type="${type}"]`,
        (tr) => [...tr.cells].slice(1).map((c) => c.textContent));
    assert.deepEqual(await value('u8'), [String(bytes[31]),
                                         String(bytes[31])]);
    assert.deepEqual(await value('u16'), [String(bytes.readUInt16LE(31)),
                                          String(bytes.readUInt16BE(31))]);
    assert.deepEqual(await value('i64'),
                     [String(bytes.readBigInt64LE(31)),
                      String(bytes.readBigInt64BE(31))]);
    assert.deepEqual(await value('f64'), [String(bytes.readDoubleLE(31)),
                                          String(bytes.readDoubleBE(31))]);
    // A date-time as the record writes it, at BDBCreationDate.
    const created = await page.$eval(
        '#fields tr[data-field="BDBCreationDate"]',
        (tr) => [Number(tr.dataset.offset), tr.cells[3].textContent]);
    await page.click(`#hex [data-offset="${created[0]}"]`);
    assert.deepEqual(await value('date-time'), [created[1]]);
    // Shift+arrows extend from the anchor.
    await page.keyboard.down('Shift');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.up('Shift');
    assert.match(await text('#selection-range'),
                 new RegExp(`^3 bytes at ${created[0]}, cursor at `));
    // A drag selects the bytes it passes over.
    const from = await (await page.$('#hex [data-offset="40"]')).boundingBox();
    const to = await (await page.$('#hex [data-offset="45"]')).boundingBox();
    await page.mouse.move(from.x + 4, from.y + 4);
    await page.mouse.down();
    await page.mouse.move(to.x + 4, to.y + 4, {steps: 5});
    await page.mouse.up();
    await frames();
    assert.deepEqual(await page.$$eval('#hex .hex-byte.selected',
        (spans) => spans.map((s) => Number(s.dataset.offset))),
                     [40, 41, 42, 43, 44, 45]);
  });

  test('8: an optional field removed (asked first) and added back',
       async () => {
    await open(fullRecord());
    // Emptying an optional byte string removes it, after asking.
    await editField('OctetString4', '');
    await page.waitForSelector('#confirm-edit[open]');
    assert.match(await text('#confirm-title'), /^Removing OctetString4/);
    await page.click('#confirm-apply');
    await settle();
    assert.equal(await page.$('#fields tr[data-field="OctetString4"]'), null);
    let back = library.decode(await downloaded('full_record.bir'));
    assert.equal(back.fields.OctetString4, null);
    // The Delete key on a row removes it too.
    await page.click('#fields tr[data-field="RegisteredId8"]');
    await page.keyboard.press('Delete');
    await page.waitForSelector('#confirm-edit[open]');
    await page.click('#confirm-apply');
    await settle();
    assert.equal(await page.$('#fields tr[data-field="RegisteredId8"]'), null);
    // Absent fields are offered for adding.
    const offered = await page.$$eval('#add-field option',
                                      (os) => os.map((o) => o.value));
    assert.deepEqual(offered, ['OctetString4', 'RegisteredId8']);
    await page.select('#add-field', 'OctetString4');
    await page.click('#add-field-button');
    await page.waitForSelector('#add-editor form.editor textarea');
    await page.type('#add-editor textarea', '0a0b');
    await page.keyboard.press('Enter');
    await page.waitForSelector('#fields tr[data-field="OctetString4"]');
    await settle();
    back = library.decode(await downloaded('full_record.bir'));
    assert.equal(back.fields.OctetString4, '0a0b');
    assert.equal(back.fields.RegisteredId8, null);
  });

  test('9: the wheel moves a few lines a notch in a 100 MiB record',
       async () => {
    const big = await random100MiB();
    await open(big);
    await settle(60000);
    const top = () => page.$eval('#hex .hex-address',
                                 (a) => parseInt(a.textContent, 16) / 16);
    const sight = await page.$eval('#hex', (hex) => Math.floor(
        hex.clientHeight / 20));
    const box = await (await page.$('#hex')).boundingBox();
    await page.mouse.move(box.x + 100, box.y + 100);
    let before = await top();
    for (let notch = 0; notch < 3; ++notch) {
      await page.mouse.wheel({deltaY: 100});
      await frames();
      const now = await top();
      assert.ok(now > before && now - before < sight,
                `a notch moved ${now - before} lines (${sight} in sight)`);
      before = now;
    }
  });

  test('9: at 800 px the data inspector shows; editors stay in their pane',
       async () => {
    await page.setViewport({width: 800, height: 900});
    await open(fullRecord());
    await clickByte(4);
    await frames();
    const inspectorTop = await page.$eval('#data-inspector',
        (t) => t.getBoundingClientRect().top);
    assert.ok(inspectorTop < 900, `the data inspector starts at ` +
                                  `${inspectorTop} px`);
    const inPane = () => page.evaluate(() => {
      const pane = document.querySelector('.fields-pane')
          .getBoundingClientRect();
      const form = document.querySelector('#fields form.editor')
          .getBoundingClientRect();
      const table = document.querySelector('#fields').getBoundingClientRect();
      return {wider: table.right - pane.right,
              below: form.bottom - pane.bottom, above: pane.top - form.top};
    });
    for (const field of ['OctetString5', 'BiometricData']) {
      await page.click(`#fields tr[data-field="${field}"]`);
      await page.keyboard.press('Enter');
      await page.waitForSelector('#fields form.editor');
      const where = await inPane();
      assert.ok(where.wider <= 0.5 && where.below <= 0.5 && where.above <= 0.5,
                `${field}'s editor: ${JSON.stringify(where)}`);
      await page.keyboard.press('Escape');
    }
  });

  test('10: what the page says', async () => {
    await open(fullRecord());
    // Find with nothing typed; a place found is said politely.
    await page.click('#find-next');
    assert.match(await text('#message'), /^type the hex bytes to find/);
    await page.type('#find-text', '0102');
    await page.click('#find-next');
    await settle();
    assert.match(await text('#message'), /^found at offset/);
    assert.equal(await page.$eval('#message', (m) => m.getAttribute('role')),
                 'status');
    // A refusal names the field once.
    await editField('BDBQuality', '300');
    const refused = await text('#message');
    assert.equal(refused.split('BDBQuality').length, 2, refused);
    assert.equal(await page.$eval('#message', (m) => m.getAttribute('role')),
                 'alert');
    await page.keyboard.press('Escape');
    // Saving says what was saved.
    await downloaded('full_record.bir');
    assert.match(await text('#message'), /^downloaded full_record\.bir/);
    await downloaded('full_record.json', '#export-json');
    assert.match(await text('#message'), /^exported the fields as full_record/);
    // Two files dropped: the first opens, and the page says so.
    await page.evaluate(async (a, b) => {
      const transfer = new DataTransfer();
      transfer.items.add(new File([new Uint8Array(a)], 'first.bir'));
      transfer.items.add(new File([new Uint8Array(b)], 'second.bir'));
      delete document.body.dataset.openMs;
      document.body.dispatchEvent(new DragEvent(
          'drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
    }, [...await readFile(path.join(dataDir, 'minimal.bir'))],
    [...await readFile(fullRecord())]);
    await page.waitForSelector('body[data-open-ms]');
    await page.waitForFunction(() => /2 files dropped/.test(
        document.querySelector('#message').textContent));
    assert.equal(await text('#file-name'), 'first.bir');
    // A cut record: the values that disagree; an empty file.
    const cut = (await readFile(fullRecord())).subarray(0, 190);
    await openDropped(cut, 'cut.bir');
    assert.match(await text('#status'),
                 /TotalLength is 210, the record is 190 bytes$/);
    await openDropped(Buffer.alloc(0), 'empty.bir');
    assert.match(await text('#status'), /the file is empty/);
  });

  test('11: no accessibility violations (axe-core)', async () => {
    const axe = fileURLToPath(import.meta.resolve('axe-core/axe.min.js'));
    const checked = await browser.newPage();
    try {
      // axe runs as a script of its own, which the page's policy forbids.
      await checked.setBypassCSP(true);
      await checked.setViewport({width: 1400, height: 900});
      await checked.goto(`${server.origin}/index.html`);
      await checked.waitForSelector('body[data-ready]');
      await (await checked.$('#record-file')).uploadFile(fullRecord());
      await checked.waitForSelector('body[data-open-ms]');
      await checked.click('#fields tr[data-field="BDBQuality"]');
      await checked.addScriptTag({path: axe});
      const violations = await checked.evaluate(async () => {
        const result = await axe.run(document);
        return result.violations.map((v) => `${v.id} (${v.impact}): ` +
            v.nodes.map((n) => n.target.join(' ')).join(', '));
      });
      assert.deepEqual(violations, []);
    } finally {
      await checked.close();
    }
  });
});
