// Records that the tests make rather than keep as files.

/**
 * Returns an iris image record (of the 2005 edition, whose general header
 * `sample` begins with) of one eye with `images` images of no bytes: 11
 * bytes an image, so that a small BDB claims as many views as its count
 * allows.
 */
export function manyImagesIris(sample, images) {
  const header = 45; // the general header, up to the first eye
  const bdb = new Uint8Array(header + 3 + images * 11);
  bdb.set(sample.subarray(0, header));
  bdb[14] = 1; // EyeCount
  bdb[header] = 1; // EyePosition
  bdb[header + 1] = images >> 8; // ImageCount, big-endian
  bdb[header + 2] = images & 0xFF;
  new DataView(bdb.buffer).setUint32(8, bdb.length); // RecordLength
  return bdb;
}
