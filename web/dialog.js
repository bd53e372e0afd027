// The page's one question to the person: a modal dialog with a title, a
// list (what else a change does) and two answers.

import { $ } from './state.js';

const dialog = $('#confirm-edit');

/**
 * Asks `title` over the list `items`; resolves to true when the person
 * chooses `apply` (the label of the button that goes ahead), false on
 * Cancel or Escape. Focus starts on Cancel and returns where it was.
 */
export function ask(title, items, apply = 'Encode again') {
  const focused = document.activeElement;
  $('#confirm-title').textContent = title;
  $('#confirm-changes').replaceChildren(...items.map((text) => {
    const li = document.createElement('li');
    li.textContent = text;
    return li;
  }));
  $('#confirm-changes').hidden = items.length === 0;
  $('#confirm-apply').textContent = apply;
  dialog.returnValue = '';
  dialog.showModal();
  $('#confirm-cancel').focus();
  return new Promise((resolve) => {
    dialog.addEventListener('close', () => {
      if (focused?.isConnected) focused.focus({preventScroll: true});
      resolve(dialog.returnValue === 'apply');
    }, {once: true});
  });
}
