// The record inspector's costs in headless Chromium, as ratios to work that
// no page can avoid, timed in the same page run:
// - open: choosing a record until its table shows, against reading the file
//   (File.arrayBuffer()) plus one copy of its bytes;
// - edit: a one-byte field (BDBQuality) edited until the table shows it,
//   against one copy of the record;
// - memory: the page's own memory (JS heap and array buffers of the main
//   thread) after a large record is replaced by a small one, against the
//   page before any record.
// Then the costs a person feels, at 16 MiB and 100 MiB:
// - stalls: the longest task of the page's thread (long tasks, over 50 ms)
//   while opening, copying the BDB, exporting JSON and finding bytes that
//   are not there (goal: none over 100 ms);
// - history: the page's and the worker's memory after 40 edits that encode
//   the record again, beyond one copy of the record, against the record's
//   size (goal: at most 2);
// - wheel: the most lines a notch of the mouse wheel moves, against the
//   lines in sight (goal: fewer, so that no line goes by unseen).
//
//   cmake --workflow --preset wasm && npm ci --prefix web/test
//   node bench/inspector_bench.mjs [size in MiB, default 16] [rounds, default 5]
//     [sizes of the cost runs, default 16,100] [edits, default 40]
//
// BIOAPI_DATA_INSPECTOR names the built page (default build/wasm/web/
// inspector), CHROMIUM the browser (default /usr/bin/chromium).

import { mkdtemp, readFile, rm, writeFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = fileURLToPath(new URL('..', import.meta.url));
const inspectorDir = process.env.BIOAPI_DATA_INSPECTOR ??
                     path.join(root, 'build/wasm/web/inspector');

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
};

// Writes a record of about `sizeMiB` MiB made by the library, and a small one.
async function records(dir, sizeMiB) {
  const library = await import(
      pathToFileURL(path.join(inspectorDir, 'bioapi_data.mjs')).href);
  const sample = new Uint8Array(
      await readFile(path.join(root, 'tests/data/full_record.bir')));
  const fields = JSON.parse(JSON.stringify(library.decode(sample).fields));
  const bdb = new Uint8Array(sizeMiB * 1024 * 1024);
  for (let i = 0; i < bdb.length; i += 4096) bdb[i] = i >> 12;
  const large = path.join(dir, 'large.bir');
  await writeFile(large, library.encode({...fields, BiometricData: bdb}));
  const small = path.join(dir, 'small.bir');
  await writeFile(small, sample);
  return {large, small};
}

async function pageMemory(session) {
  await session.send('HeapProfiler.collectGarbage');
  const usage = await session.send('Runtime.getHeapUsage');
  return (usage.usedSize + (usage.backingStorageSize ?? 0)) / (1024 * 1024);
}

/**
 * Runs the benchmark in `browser` against the inspector served at `origin`;
 * returns {open, edit, memory} with the times, their baselines and ratios.
 */
export async function runBenchmark({browser, origin, sizeMiB = 16,
                                    rounds = 5}) {
  const dir = await mkdtemp(path.join(os.tmpdir(), 'inspector-bench-'));
  const page = await browser.newPage();
  try {
    const {large, small} = await records(dir, sizeMiB);
    await page.setViewport({width: 1440, height: 900});
    await page.goto(`${origin}/index.html`);
    await page.waitForSelector('body[data-ready]');
    const session = await page.createCDPSession();
    const emptyMiB = await pageMemory(session);
    // A second file input of the benchmark's own holds the file, so that the
    // baseline reads the very File that the page is given.
    await page.evaluate(() => {
      const input = document.createElement('input');
      input.type = 'file';
      input.id = 'bench-file';
      input.hidden = true;
      document.body.append(input);
    });
    const choose = async (file) => {
      await (await page.$('#bench-file')).uploadFile(file);
    };
    const baselineRead = () => page.evaluate(async () => {
      const file = document.querySelector('#bench-file').files[0];
      const start = performance.now();
      const copy = new Uint8Array(await file.arrayBuffer()).slice();
      const ms = performance.now() - start;
      return copy.length > 0 ? ms : NaN;
    });
    const openInPage = async () => {
      await page.evaluate(() => {
        delete document.body.dataset.openMs;
        const transfer = new DataTransfer();
        transfer.items.add(document.querySelector('#bench-file').files[0]);
        document.body.dispatchEvent(new DragEvent(
            'drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
      });
      // A record with changes asks before it goes.
      await page.waitForFunction(
          () => document.body.dataset.openMs ||
                document.querySelector('#confirm-edit[open]'),
          {timeout: 120000});
      if (await page.$('#confirm-edit[open]')) {
        await page.click('#confirm-apply');
      }
      await page.waitForSelector('body[data-open-ms]', {timeout: 120000});
      await page.waitForSelector('body[data-busy="false"]');
      return Number(await page.$eval('body', (b) => b.dataset.openMs));
    };
    const copyRecord = () => page.evaluate(async () => {
      const file = document.querySelector('#bench-file').files[0];
      const bytes = new Uint8Array(await file.arrayBuffer());
      const times = [];
      for (let i = 0; i < 5; ++i) {
        const start = performance.now();
        const copy = bytes.slice();
        times.push(performance.now() - start + (copy[0] & 0));
      }
      times.sort((a, b) => a - b);
      return times[2];
    });
    const editQuality = async (value) => {
      await page.evaluate(() => delete document.body.dataset.editMs);
      await page.click('#fields tr[data-field="BDBQuality"]');
      await page.keyboard.press('Enter');
      await page.waitForSelector('#fields form.editor input');
      await page.$eval('#fields form.editor input',
                       (input, v) => { input.value = v; }, String(value));
      await page.keyboard.press('Enter');
      await page.waitForSelector('body[data-edit-ms]');
      return Number(await page.$eval('body', (b) => b.dataset.editMs));
    };

    await choose(large);
    const open = {ms: [], baselineMs: []};
    const edit = {ms: [], copyMs: []};
    for (let round = 0; round < rounds; ++round) {
      open.baselineMs.push(await baselineRead());
      open.ms.push(await openInPage());
      edit.copyMs.push(await copyRecord());
      edit.ms.push(await editQuality(10 + round));
    }
    const largeMiB = await pageMemory(session);
    await choose(small);
    await openInPage();
    await page.evaluate(() => { document.querySelector('#bench-file').value = ''; });
    const opened = await allMemory(page, session);
    const replacedMiB = await pageMemory(session);
    const summary = (times, base) => ({
      ms: median(times), baselineMs: median(base),
      ratio: median(times) / median(base),
    });
    return {
      sizeBytes: (await readFile(large)).length,
      open: summary(open.ms, open.baselineMs),
      edit: summary(edit.ms, edit.copyMs),
      memory: {
        emptyMiB, largeMiB, replacedMiB,
        retainedMiB: replacedMiB - emptyMiB,
      },
    };
  } finally {
    await page.close();
    await rm(dir, {recursive: true, force: true});
  }
}

// The memory of the page's thread and of its workers (JS heaps and array
// buffers) after collection, and apart the library's WebAssembly memory
// (which grows to the most the library ever held at once, and never
// shrinks), in MiB: {js, wasm}.
async function allMemory(page, session) {
  let total = await pageMemory(session);
  for (const worker of page.workers()) {
    await worker.client.send('HeapProfiler.collectGarbage').catch(() => {});
    const usage = await worker.client.send('Runtime.getHeapUsage');
    total += (usage.usedSize + (usage.backingStorageSize ?? 0)) /
             (1024 * 1024);
  }
  const wasm = await page.evaluate(async () => {
    const {request} = await import('./worker_client.js');
    const answer = await request('memory', {}, 'Measuring…');
    return answer ? answer.wasmBytes / (1024 * 1024) : 0;
  });
  return {js: total, wasm};
}

/**
 * Runs the costs a person feels in `browser` against the inspector at
 * `origin` with a record of about `sizeMiB` MiB: the longest main-thread
 * task of each action, memory after `edits` re-encoding edits, the lines a
 * wheel notch moves. Returns {sizeBytes, stalls, history, wheel}.
 */
export async function runCosts({browser, origin, sizeMiB = 16, edits = 40}) {
  const dir = await mkdtemp(path.join(os.tmpdir(), 'inspector-bench-'));
  const downloadDir = path.join(dir, 'downloads');
  // A context of its own: where its downloads go, and its permissions, are
  // not the browser's.
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  try {
    const {large} = await records(dir, sizeMiB);
    const sizeBytes = (await readFile(large)).length;
    await page.setViewport({width: 1440, height: 900});
    page.on('dialog', (dialog) => dialog.accept());
    await page.goto(`${origin}/index.html`);
    await page.waitForSelector('body[data-ready]');
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior',
                       {behavior: 'allow', downloadPath: downloadDir,
                        browserContextId: context.id});
    await context.overridePermissions(origin, [
      'clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
    await page.evaluate(() => {
      window.longTasks = [];
      new PerformanceObserver((list) => {
        for (const entry of list.getEntries()) {
          window.longTasks.push(entry.duration);
        }
      }).observe({type: 'longtask', buffered: false});
    });
    const empty = await allMemory(page, session);
    const settled = () => page.waitForSelector('body[data-busy="false"]',
                                               {timeout: 600000});
    // The longest task of the page's thread while `action` runs.
    const stall = async (action) => {
      await page.evaluate(() => { window.longTasks = []; });
      await action();
      await settled();
      await page.evaluate(() => new Promise(requestAnimationFrame));
      return page.evaluate(() => Math.max(0, ...window.longTasks));
    };
    const said = (pattern) => page.waitForFunction(
        (p) => new RegExp(p).test(document.querySelector('#message')
            .textContent), {timeout: 600000}, pattern);
    const stalls = {};
    // The file is chosen in an input of the benchmark's own, then dropped
    // on the page: the stall is the page's, not DevTools' handing it over.
    await page.evaluate(() => {
      const input = document.createElement('input');
      input.type = 'file';
      input.id = 'bench-file';
      input.hidden = true;
      document.body.append(input);
    });
    await (await page.$('#bench-file')).uploadFile(large);
    await page.evaluate(() => new Promise((r) => setTimeout(r, 500)));
    stalls.open = await stall(async () => {
      await page.evaluate(() => {
        const transfer = new DataTransfer();
        transfer.items.add(document.querySelector('#bench-file').files[0]);
        document.body.dispatchEvent(new DragEvent(
            'drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
      });
      await page.waitForSelector('body[data-open-ms]', {timeout: 600000});
    });
    await page.evaluate(() => { document.querySelector('#bench-file').value = ''; });
    const opened = await allMemory(page, session);
    stalls.copy = await stall(async () => {
      await page.click('#fields tr[data-field="BiometricData"]');
      await page.click('#copy-hex');
      await said('^(copied|.*saved as)');
    });
    stalls.export = await stall(async () => {
      await page.click('#export-json');
      await said('^exported');
    });
    stalls.find = await stall(async () => {
      await page.type('#find-text', 'fe dc ba 98 76 54 32 10 ff');
      await page.click('#find-next');
      await said('is not in the record|found at');
    });

    // The wheel, in the middle of the record.
    await page.$eval('#hex', (hex) => { hex.scrollTop = hex.scrollHeight / 2; });
    await page.evaluate(() => new Promise(requestAnimationFrame));
    const box = await (await page.$('#hex')).boundingBox();
    await page.mouse.move(box.x + 100, box.y + 100);
    const top = () => page.$eval('#hex .hex-address',
                                 (a) => parseInt(a.textContent, 16) / 16);
    const inSight = await page.$eval('#hex', (hex) => Math.floor(
        hex.clientHeight / 20));
    let most = 0;
    for (let notch = 0; notch < 5; ++notch) {
      const before = await top();
      await page.mouse.wheel({deltaY: 100});
      await page.evaluate(() => new Promise(
          (r) => requestAnimationFrame(() => requestAnimationFrame(r))));
      most = Math.max(most, Math.abs(await top() - before));
    }

    // Re-encoding edits: OctetString1 one byte longer, then shorter.
    for (let i = 0; i < edits; ++i) {
      await page.evaluate(() => delete document.body.dataset.editMs);
      await page.click('#fields tr[data-field="OctetString1"]');
      await page.keyboard.press('Enter');
      await page.waitForSelector('#fields form.editor textarea');
      await page.$eval('#fields form.editor textarea', (t, v) => {
        t.value = v;
      }, i % 2 === 0 ? '41424344' : '414243');
      await page.keyboard.press('Enter');
      await page.waitForFunction(
          () => document.querySelector('#confirm-edit[open]') ||
                document.body.dataset.editMs, {timeout: 600000});
      if (await page.$('#confirm-edit[open]')) {
        await page.click('#confirm-apply');
      }
      await page.waitForSelector('body[data-edit-ms]', {timeout: 600000});
      await settled();
    }
    const edited = await allMemory(page, session);
    const recordMiB = sizeBytes / (1024 * 1024);
    // The page holds one copy of the record and the library the other:
    // what history keeps is what is beyond them.
    const beyond = edited.js + edited.wasm - empty.js - empty.wasm -
                   2 * recordMiB;
    return {
      sizeBytes,
      stalls,
      history: {edits, empty, opened, edited, recordMiB,
                ratio: Math.max(0, beyond) / recordMiB,
                jsRatio: (edited.js - opened.js) / recordMiB,
                wasmRatio: edited.wasm / recordMiB},
      wheel: {linesPerNotch: most, linesInSight: inSight},
    };
  } finally {
    await context.close();
    await rm(dir, {recursive: true, force: true});
  }
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const require = createRequire(path.join(root, 'web/test/package.json'));
  const puppeteer = require('puppeteer-core');
  const { serve } = await import(
      pathToFileURL(path.join(root, 'web/test/static_server.mjs')).href);
  const sizeMiB = Number(process.argv[2] ?? 16);
  const rounds = Number(process.argv[3] ?? 5);
  const costSizes = (process.argv[4] ?? '16,100').split(',').map(Number);
  const edits = Number(process.argv[5] ?? 40);
  const server = await serve(inspectorDir);
  const userDataDir = await mkdtemp(path.join(os.tmpdir(), 'inspector-bench-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    userDataDir,
    protocolTimeout: 900000,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu',
           '--disable-dev-shm-usage', '--no-first-run'],
  });
  try {
    const r = await runBenchmark({browser, origin: server.origin, sizeMiB,
                                  rounds});
    const f = (n) => n.toFixed(1);
    console.log(`record: ${r.sizeBytes} bytes; medians of ${rounds} rounds`);
    console.log(`open: ${f(r.open.ms)} ms, read + one copy ` +
                `${f(r.open.baselineMs)} ms: ratio ${r.open.ratio.toFixed(2)} ` +
                '(goal <= 3)');
    console.log(`edit of BDBQuality: ${f(r.edit.ms)} ms, one copy ` +
                `${f(r.edit.baselineMs)} ms: ratio ${r.edit.ratio.toFixed(2)} ` +
                '(goal <= 3)');
    console.log(`page memory: ${f(r.memory.emptyMiB)} MiB empty, ` +
                `${f(r.memory.largeMiB)} MiB with the record, ` +
                `${f(r.memory.replacedMiB)} MiB after a small record ` +
                `replaced it (${f(r.memory.retainedMiB)} MiB kept)`);
    for (const size of costSizes) {
      const c = await runCosts({browser, origin: server.origin,
                                sizeMiB: size, edits});
      const s = c.stalls;
      console.log(`${size} MiB record (${c.sizeBytes} bytes): longest ` +
                  `main-thread task: open ${f(s.open)} ms, copy ` +
                  `${f(s.copy)} ms, export ${f(s.export)} ms, find ` +
                  `${f(s.find)} ms (goal <= 100)`);
      const h = c.history;
      console.log(`  after ${h.edits} re-encoding edits: JS ` +
                  `${f(h.edited.js)} MiB (${f(h.opened.js)} MiB once ` +
                  `opened, ${f(h.empty.js)} MiB empty), the library's ` +
                  `WebAssembly memory ${f(h.edited.wasm)} MiB ` +
                  `(${f(h.opened.wasm)} MiB once opened); beyond the ` +
                  `page's copy and the library's, ${h.ratio.toFixed(2)}x ` +
                  `the record (goal <= 2); JS grew by ` +
                  `${h.jsRatio.toFixed(2)}x the record`);
      console.log(`  wheel: at most ${c.wheel.linesPerNotch} lines a ` +
                  `notch, ${c.wheel.linesInSight} in sight (goal: fewer)`);
    }
  } finally {
    await browser.close();
    await server.close();
    await rm(userDataDir, {recursive: true, force: true});
  }
}
