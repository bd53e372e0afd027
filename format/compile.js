#!/usr/bin/env node
// Compiles the record description into parsers with the pinned Kaitai Struct
// compiler (its npm build has only a programmatic API, hence this script).
//
//   node format/compile.js [--ksy FILE] [--compiler DIR] --out DIR LANGUAGE...
//
// --compiler DIR takes the compiler from DIR/node_modules (format/next holds
// the newest one) instead of the pinned one beside this script; without it
// installed the run exits with 77 (skipped).
//
// Writes the parser of each LANGUAGE (python, java, javascript, csharp, go,
// rust, cpp_stl, ...) under DIR/LANGUAGE. Anything that the compiler reports
// besides the files, a warning included, is printed and fails the run:
// the description must compile cleanly for every language.
'use strict';

const fs = require('fs');
const path = require('path');

function usage(message) {
  if (message) console.error(`compile.js: ${message}`);
  console.error(
      'usage: node format/compile.js [--ksy FILE] [--compiler DIR] --out DIR LANGUAGE...');
  process.exit(2);
}

function parseArguments(argv) {
  const options = {
    ksy: path.join(__dirname, 'bioapi_bir.ksy'),
    out: null,
    compiler: __dirname,
    languages: [],
  };
  for (let i = 0; i < argv.length; ++i) {
    const arg = argv[i];
    if (arg === '--ksy' || arg === '--out' || arg === '--compiler') {
      if (i + 1 >= argv.length) usage(`${arg} needs a value`);
      options[arg.slice(2)] = argv[++i];
    } else if (arg === '--help' || arg === '-h') {
      usage();
    } else if (arg.startsWith('-')) {
      usage(`unknown option ${arg}`);
    } else {
      options.languages.push(arg);
    }
  }
  if (!options.out) usage('--out is required');
  if (options.languages.length === 0) usage('name at least one language');
  return options;
}

// Runs `work` with console output captured, so that whatever the compiler
// says (it has no other channel for warnings) reaches the caller.
async function capturingConsole(work) {
  const said = [];
  const kept = {};
  for (const name of ['log', 'info', 'warn', 'error', 'debug']) {
    kept[name] = console[name];
    console[name] = (...args) => said.push(args.join(' '));
  }
  try {
    return {result: await work(), said};
  } catch (error) {
    return {error, said};
  } finally {
    Object.assign(console, kept);
  }
}

// The exit code of a run that lacks its npm modules: 77 (skipped), or a
// failure where BIOAPI_DATA_FORMAT_REQUIRED says that they were installed.
function skipped() {
  return process.env.BIOAPI_DATA_FORMAT_REQUIRED ? 1 : 77;
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  let KaitaiStructCompiler;
  let yaml;
  try {
    yaml = require('js-yaml');
  } catch (error) {
    console.error(`compile.js: no js-yaml in ${
        __dirname}/node_modules (npm ci --prefix ${__dirname})`);
    process.exit(skipped());
  }
  try {
    KaitaiStructCompiler = require(require.resolve(
        'kaitai-struct-compiler', {paths: [path.resolve(options.compiler)]}));
  } catch (error) {
    console.error(`compile.js: no kaitai-struct-compiler in ${
        options.compiler}/node_modules (npm ci --prefix ${options.compiler})`);
    process.exit(skipped());
  }
  // Up to 0.10 the module is the compiler's constructor; from 0.11 on it is
  // the compiler.
  const compiler = typeof KaitaiStructCompiler === 'function' ?
      new KaitaiStructCompiler() :
      KaitaiStructCompiler;
  const known = compiler.languages;
  for (const language of options.languages) {
    if (!known.includes(language)) {
      usage(`unknown language ${language}; known: ${known.join(', ')}`);
    }
  }
  const ksy = yaml.load(fs.readFileSync(options.ksy, 'utf8'));
  let failed = false;
  for (const language of options.languages) {
    // The compiler fills the description in place; each language gets a
    // fresh copy.
    const description = JSON.parse(JSON.stringify(ksy));
    const {result, error, said} = await capturingConsole(
        () => compiler.compile(language, description, null, false));
    const outDir = path.join(options.out, language);
    if (error || said.length > 0) {
      failed = true;
      for (const line of said) console.error(`${language}: ${line}`);
      // The compiler's exceptions carry their text in toString(), not in
      // message.
      if (error) console.error(`${language}: ${error}`);
      continue;
    }
    fs.mkdirSync(outDir, {recursive: true});
    for (const [name, text] of Object.entries(result)) {
      const file = path.join(outDir, name);
      fs.mkdirSync(path.dirname(file), {recursive: true});
      fs.writeFileSync(file, text);
    }
    const names = Object.keys(result).map((name) => name.replace(/^\//, ''));
    console.log(`${language}: ${names.join(', ')} in ${outDir}` +
                ` (kaitai-struct-compiler ${compiler.version})`);
  }
  process.exit(failed ? 1 : 0);
}

main();
