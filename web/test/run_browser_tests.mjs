// Runs the browser tests when puppeteer-core (npm ci --prefix web/test) and
// Chromium are there; otherwise says what is missing and exits 77, which
// ctest reports as skipped.

import { spawnSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const here = fileURLToPath(new URL('.', import.meta.url));
const chromium = process.env.CHROMIUM ?? '/usr/bin/chromium';
try {
  createRequire(import.meta.url).resolve('puppeteer-core');
} catch {
  console.log(`skipped: puppeteer-core is not installed; run ` +
              `npm ci --prefix ${here}`);
  process.exit(77);
}
if (!existsSync(chromium)) {
  console.log(`skipped: no Chromium at ${chromium} (scripts/setup web ` +
              'installs it; CHROMIUM names another)');
  process.exit(77);
}
const run = spawnSync(process.execPath,
                      ['--test', `${here}browser.test.mjs`],
                      {stdio: 'inherit'});
process.exit(run.status ?? 1);
