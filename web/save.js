// Saving a download. The URL of a Blob is made in the worker: making one
// waits until the browser holds the whole Blob, which for one of hundreds
// of MB built just before takes long, and the page's thread must not wait.

import { request } from './worker_client.js';

/** Saves the download at `url` (a Blob's, made by the worker) as `name`. */
export function saveUrl(url, name) {
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
}

/**
 * Saves `blob` as a download named `name`; resolves to false when the
 * record changed before its URL was made (nothing saved).
 */
export async function save(blob, name) {
  const answer = await request('link', {blob}, 'Saving…');
  if (!answer) return false;
  saveUrl(answer.url, name);
  return true;
}
