// The record inspector in headless Chromium: it shows what `bir dump` shows,
// marks a rejected record's failing offset, edits and saves a record through
// the library, opens 16 MiB without building 16 MiB of page, and asks for
// nothing beyond its own files.

import assert from 'node:assert/strict';
import { mkdir, mkdtemp, readdir, readFile, rm, writeFile } from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { after, before, beforeEach, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

import { dumpRows } from './dump_text.mjs';
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
const requests = [];

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
  page.on('pageerror', (error) => requests.push(`pageerror: ${error.message}`));
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior',
                     {behavior: 'allow', downloadPath: downloadDir});
});

after(async () => {
  await browser?.close();
  await server?.close();
  await rm(userDataDir, {recursive: true, force: true});
  await rm(downloadDir, {recursive: true, force: true});
});

beforeEach(async () => {
  await page.goto(`${server.origin}/index.html`);
  await page.waitForSelector('body[data-ready]');
});

// Chooses `file` in the picker; resolves to the milliseconds from choosing
// it to the table being shown, as the test and as the page measured them.
async function open(file) {
  const input = await page.$('#record-file');
  const start = performance.now();
  await input.uploadFile(file);
  await page.waitForSelector('body[data-open-ms]', {timeout: 60000});
  const seen = performance.now() - start;
  const pageMs = Number(await page.$eval('body', (b) => b.dataset.openMs));
  return {seen, pageMs};
}

function tableRows() {
  return page.$$eval('#fields tbody tr', (trs) => trs.map((tr) => ({
    offset: tr.dataset.offset,
    length: tr.dataset.length,
    field: tr.dataset.field,
    value: tr.cells[3].textContent,
    bytes: tr.cells[4].textContent,
  })));
}

const text = (selector) => page.$eval(selector, (e) => e.textContent);

describe('sample records', () => {
  for (const name of ['full_record', 'field_by_field', 'minimal']) {
    test(`${name}: the table is bir dump's rows`, async () => {
      await open(path.join(dataDir, `${name}.bir`));
      const golden = await readFile(path.join(dataDir, `${name}.dump.txt`),
                                    'utf8');
      assert.deepEqual(await tableRows(), dumpRows(golden));
      assert.match(await text('#status'), /^accepted/);
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

  test('rows and bytes select each other, by mouse and by keyboard',
       async () => {
    await open(path.join(dataDir, 'full_record.bir'));
    const selectedField = () => text('#fields tr.selected td:nth-child(3)');
    // A byte of BDBQuality (offset 75) selects its row; the arrow keys move
    // the byte cursor, a line down is offset 91, in BDBValidityPeriod.end.
    await page.click('#hex [data-offset="75"]');
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
  const bytes = await readFile(path.join(dataDir, 'field_by_field.bir'));
  await page.evaluate((data) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([new Uint8Array(data)], 'dropped.bir'));
    document.body.dispatchEvent(new DragEvent(
        'drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
  }, [...bytes]);
  await page.waitForSelector('body[data-open-ms]');
  const golden = await readFile(path.join(dataDir, 'field_by_field.dump.txt'),
                                'utf8');
  assert.deepEqual(await tableRows(), dumpRows(golden));
});

test('a damaged record: status, the rows read, the failing offset marked',
     async () => {
  await open(path.join(ownData, 'damaged.bir'));
  const golden = await readFile(path.join(ownData, 'damaged.dump.txt'), 'utf8');
  assert.deepEqual(await tableRows(), dumpRows(golden));
  // bir dump's words: rejected at offset 100 (in BIRCreationDate, which
  // begins at 94): check "enough bytes remain" failed
  const said = (await readFile(path.join(ownData, 'damaged.rejection.txt'),
                               'utf8')).trim();
  const [, offset, field, check] =
      /rejected at offset (\d+) \((?:in )?(\w+)[^)]*\): check "(.*)" failed/
          .exec(said);
  const status = await text('#status');
  assert.ok(status.startsWith(`rejected at offset ${offset} (${field}): ` +
                              `check "${check}" failed`), status);
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
    await page.click('#download');
    let saved;
    for (let i = 0; i < 100 && !saved; ++i) {
      const names = await readdir(downloadDir);
      saved = names.find((n) => n === 'full_record.bir');
      if (!saved) await new Promise((resolve) => setTimeout(resolve, 100));
    }
    assert.ok(saved, 'the download arrives');
    const bytes = new Uint8Array(await readFile(path.join(downloadDir, saved)));
    const back = library.decode(bytes);
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
  const sample = library.decode(
      new Uint8Array(await readFile(path.join(dataDir, 'full_record.bir'))));
  const bdb = new Uint8Array(16 * 1024 * 1024);
  for (let i = 0; i < bdb.length; i += 4096) bdb[i] = i >> 12;
  const record = library.encode({...JSON.parse(JSON.stringify(sample.fields)),
                                 BiometricData: bdb});
  const file = path.join(outputDir, 'large.bir');
  await writeFile(file, record);
  const {seen, pageMs} = await open(file);
  const figures = `16 MiB record (${record.length} bytes): table shown ` +
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
  await page.waitForSelector(`#hex [data-offset="${record.length - 1}"]`);
  assert.ok(await count() <= 2000, `${await count()} elements in #hex`);
  await rm(file);
});

test('no request leaves the page\'s origin', () => {
  assert.ok(requests.length > 0);
  const foreign = requests.filter((url) =>
      !url.startsWith(`${server.origin}/`) &&
      !url.startsWith(`blob:${server.origin}/`));
  assert.deepEqual(foreign, []);
});
