// Runs the browser tests when puppeteer-core (npm ci --prefix web/test) and
// Chromium are there; otherwise says what is missing and exits 77, which
// ctest reports as skipped (or 1 when BIOAPI_DATA_REQUIRE_BROWSER is set, as
// in CI).

import { spawnSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const here = fileURLToPath(new URL('.', import.meta.url));
const chromium = process.env.CHROMIUM ?? '/usr/bin/chromium';
const missing = process.env.BIOAPI_DATA_REQUIRE_BROWSER ? 1 : 77;
try {
  createRequire(import.meta.url).resolve('puppeteer-core');
} catch {
  console.log(`skipped: puppeteer-core is not installed; run ` +
              `npm ci --prefix ${here}`);
  process.exit(missing);
}
if (!existsSync(chromium)) {
  console.log(`skipped: no Chromium at ${chromium} (scripts/setup web ` +
              'installs it; CHROMIUM names another)');
  process.exit(missing);
}
const run = spawnSync(process.execPath,
                      ['--test', `${here}browser.test.mjs`],
                      {stdio: 'inherit'});
process.exit(run.status ?? 1);
