// The layout of the panes: the splitter between the table and the bytes,
// a separator whose value is the table pane's width in pixels.

import { $ } from './state.js';

const FIELDS_MIN_PX = 280;

export function initSplitter() {
  const splitter = $('#splitter');
  const panes = $('#panes');
  const fieldsPane = $('.fields-pane');
  const hexPane = $('.hex-pane');
  // The widest the table pane may be: the bytes keep their pane's least
  // width, and the page never grows wider than the window.
  const widest = () => {
    const style = getComputedStyle(splitter);
    const splitterWidth = splitter.offsetWidth +
                          parseFloat(style.marginLeft) +
                          parseFloat(style.marginRight);
    const hexMin = parseFloat(getComputedStyle(hexPane).minWidth) || 0;
    return Math.max(FIELDS_MIN_PX,
                    Math.floor(panes.clientWidth - splitterWidth - hexMin));
  };
  let chosen = 0; // the width set, or 0 while the style's own holds
  const describe = () => {
    const most = widest();
    splitter.setAttribute('aria-valuemin', String(FIELDS_MIN_PX));
    splitter.setAttribute('aria-valuemax', String(most));
    splitter.setAttribute('aria-valuenow', String(Math.min(most, Math.round(
        chosen || fieldsPane.getBoundingClientRect().width))));
  };
  const setWidth = (px) => {
    chosen = Math.min(Math.max(FIELDS_MIN_PX, Math.round(px)), widest());
    panes.style.setProperty('--fields-width', `${chosen}px`);
    describe();
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
    const current = fieldsPane.getBoundingClientRect().width;
    const to = {ArrowLeft: current - 32, ArrowRight: current + 32,
                Home: FIELDS_MIN_PX, End: widest()}[event.key];
    if (to === undefined) return;
    event.preventDefault();
    setWidth(to);
  });
  // A window made narrower keeps the width within bounds.
  window.addEventListener('resize', () => {
    if (chosen) {
      setWidth(chosen);
    } else {
      describe();
    }
  });
  describe();
}
