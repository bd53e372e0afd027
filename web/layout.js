// The layout of the panes: the splitter between the table and the bytes.

import { $ } from './state.js';

// A splitter between the panes on wide screens.
export function initSplitter() {
  const splitter = $('#splitter');
  const panes = $('#panes');
  const setWidth = (px) => {
    const box = panes.getBoundingClientRect();
    const width = Math.min(Math.max(280, px), box.width - 560);
    panes.style.setProperty('--fields-width', `${width}px`);
  };
  splitter.addEventListener('pointerdown', (event) => {
    splitter.setPointerCapture(event.pointerId);
    const left = panes.getBoundingClientRect().left;
    const move = (e) => setWidth(e.clientX - left);
    splitter.addEventListener('pointermove', move);
    splitter.addEventListener('pointerup', () => {
      splitter.removeEventListener('pointermove', move);
    }, {once: true});
  });
  splitter.addEventListener('keydown', (event) => {
    const step = {ArrowLeft: -32, ArrowRight: 32}[event.key];
    if (!step) return;
    event.preventDefault();
    const current = $('.fields-pane').getBoundingClientRect().width;
    setWidth(current + step);
  });
}
