// Reading the text of `bir dump`, to compare the inspector with it.

/**
 * Returns the rows of a `bir dump` text as {offset, length, field, value,
 * bytes} strings: the columns begin where the heading's words begin, and
 * offset and length end where theirs end. The notes on the BDB are left out,
 * and so are the rows of its own record (indented) unless `nested`.
 */
export function dumpRows(text, {nested = false} = {}) {
  const lines = text.split('\n');
  const heading = lines.findIndex((line) =>
    /^\s*offset\s+length\s+field/.test(line));
  const h = lines[heading];
  const at = (word) => h.indexOf(word);
  const lengthEnd = at('length') + 'length'.length;
  const rows = [];
  for (const line of lines.slice(heading + 1)) {
    // The notes on the BDB follow the rows after a blank line.
    if (!line.trim()) break;
    // The rows of the BDB's own record are indented under BiometricData.
    if (!nested && line.slice(lengthEnd + 2, lengthEnd + 4) === '  ') continue;
    rows.push({
      offset: line.slice(0, at('length')).trim(),
      length: line.slice(at('length') - 2, lengthEnd).trim(),
      field: line.slice(lengthEnd, at('value')).trim(),
      value: line.slice(at('value'), at('bytes')).trim(),
      bytes: line.slice(at('bytes')).trim(),
    });
  }
  return rows;
}

/**
 * Returns what a `bir dump` text says of the record inside the BDB after
 * its rows: {format, notes}, `format` as the heading of the notes words it
 * ("not recognised" included), each note {offset, text}; null when the dump
 * has no notes.
 */
export function dumpNotes(text) {
  const lines = text.split('\n');
  const heading = lines.findIndex((line) => line.startsWith('BiometricData: '));
  if (heading < 0) return null;
  const notes = [];
  for (const line of lines.slice(heading + 1)) {
    const note = /^ {2}note at (\d+): (.*)$/.exec(line);
    if (!note) break;
    notes.push({offset: Number(note[1]), text: note[2]});
  }
  return {format: lines[heading].slice('BiometricData: '.length), notes};
}
