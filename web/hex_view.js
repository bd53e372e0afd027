// A hex view of a record of any size. Only the lines in sight exist in the
// page (about forty of them, nineteen elements each), so a 16 MiB record
// costs no more than a small one.

export const BYTES_PER_LINE = 16;
const LINE_HEIGHT = 20; // px; the same as .hex-line in inspector.css
const SPARE_LINES = 4; // rendered above and below the ones in sight
// Browsers cap an element's height near 16.7 million px; past this height
// the scroll position maps onto the lines proportionally.
const MAX_SCROLL_HEIGHT = 8_000_000;

function hex2(n) {
  return n.toString(16).toUpperCase().padStart(2, '0');
}

export class HexView {
  /**
   * `container` is the scrolling element (#hex). `onPick(offset)` hears a
   * click on a byte, or the arrow keys moving the cursor to one.
   */
  constructor(container, onPick) {
    this.container = container;
    this.onPick = onPick;
    this.bytes = new Uint8Array(0);
    this.rows = [];
    this.selection = null; // {begin, end}
    this.hover = null; // {begin, end}
    this.mark = -1; // the offset of a failing check
    this.cursor = -1;
    this.spacer = document.createElement('div');
    this.spacer.className = 'hex-spacer';
    this.lines = document.createElement('div');
    this.lines.className = 'hex-lines';
    container.replaceChildren(this.spacer, this.lines);
    this.pending = false;
    container.addEventListener('scroll', () => this.schedule());
    window.addEventListener('resize', () => this.schedule());
    container.addEventListener('click', (event) => {
      const byte = event.target.closest('[data-offset]');
      if (byte) this.pick(Number(byte.dataset.offset));
    });
    container.addEventListener('keydown', (event) => this.key(event));
  }

  /**
   * Shows `bytes`, tinted by the dump `rows` that cover them, with the byte
   * at `mark` (a failing check) marked and `markText` as its tooltip.
   */
  setRecord(bytes, rows, mark = -1, markText = '') {
    this.bytes = bytes;
    this.rows = rows;
    this.mark = mark;
    this.markText = markText;
    this.selection = null;
    this.hover = null;
    this.cursor = -1;
    this.lineCount = Math.max(1, Math.ceil(bytes.length / BYTES_PER_LINE));
    this.fullHeight = this.lineCount * LINE_HEIGHT;
    this.spacer.style.height =
        `${Math.min(this.fullHeight, MAX_SCROLL_HEIGHT)}px`;
    this.container.scrollTop = 0;
    this.render();
  }

  /** Highlights bytes [begin, end) as the selected field's. */
  select(begin, end, scroll = true) {
    this.selection = {begin, end};
    if (this.cursor < begin || this.cursor >= end) this.cursor = begin;
    if (scroll) this.scrollTo(begin, end);
    this.schedule();
  }

  /** Highlights bytes [begin, end) while a row is hovered; null clears. */
  highlight(range, scroll = true) {
    this.hover = range;
    if (range && scroll) this.scrollTo(range.begin, range.end);
    this.schedule();
  }

  /** Scrolls so that bytes [begin, end) are in sight, if they are not. */
  scrollTo(begin, end = begin + 1) {
    const first = Math.floor(begin / BYTES_PER_LINE);
    const last = Math.floor(Math.max(begin, end - 1) / BYTES_PER_LINE);
    const [top, count] = this.visibleLines();
    if (first >= top && last < top + count - 1) return;
    const target = Math.max(0, first - Math.floor(count / 4));
    this.container.scrollTop = this.scrollTopOfLine(target);
    this.schedule();
  }

  // The first whole line in sight and how many lines fit.
  visibleLines() {
    const count = Math.max(1, Math.ceil(this.container.clientHeight /
                                        LINE_HEIGHT));
    return [this.lineAtScrollTop(), count];
  }

  lineAtScrollTop() {
    const top = this.container.scrollTop;
    if (this.fullHeight <= MAX_SCROLL_HEIGHT) {
      return Math.floor(top / LINE_HEIGHT);
    }
    const range = MAX_SCROLL_HEIGHT - this.container.clientHeight;
    const lines = this.lineCount - this.container.clientHeight / LINE_HEIGHT;
    return Math.floor(Math.min(1, top / Math.max(1, range)) *
                      Math.max(0, lines));
  }

  scrollTopOfLine(line) {
    if (this.fullHeight <= MAX_SCROLL_HEIGHT) return line * LINE_HEIGHT;
    const range = MAX_SCROLL_HEIGHT - this.container.clientHeight;
    const lines = this.lineCount - this.container.clientHeight / LINE_HEIGHT;
    return Math.ceil((line / Math.max(1, lines)) * range);
  }

  schedule() {
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() => {
      this.pending = false;
      this.render();
    });
  }

  // The index of the row that holds `offset`, or -1.
  rowAt(offset) {
    let lo = 0;
    let hi = this.rows.length - 1;
    while (lo <= hi) {
      const mid = (lo + hi) >> 1;
      const row = this.rows[mid];
      if (offset < row.offset) {
        hi = mid - 1;
      } else if (offset >= row.offset + row.length) {
        lo = mid + 1;
      } else {
        return mid;
      }
    }
    return -1;
  }

  render() {
    const [top, count] = this.visibleLines();
    const first = Math.max(0, top - SPARE_LINES);
    const last = Math.min(this.lineCount, top + count + SPARE_LINES);
    // Lines sit where the scroll position shows them.
    const offsetPx = this.fullHeight <= MAX_SCROLL_HEIGHT
        ? first * LINE_HEIGHT
        : this.container.scrollTop - (top - first) * LINE_HEIGHT;
    this.lines.style.transform = `translateY(${Math.max(0, offsetPx)}px)`;
    const fragment = document.createDocumentFragment();
    const within = (range, at) => range && at >= range.begin && at < range.end;
    let rowIndex = this.rowAt(first * BYTES_PER_LINE);
    for (let line = first; line < last; ++line) {
      const begin = line * BYTES_PER_LINE;
      const end = Math.min(this.bytes.length, begin + BYTES_PER_LINE);
      const div = document.createElement('div');
      div.className = 'hex-line';
      const address = document.createElement('span');
      address.className = 'hex-address';
      address.textContent = begin.toString(16).toUpperCase().padStart(8, '0');
      div.append(address);
      let ascii = '';
      for (let at = begin; at < end; ++at) {
        let row = this.rows[rowIndex];
        if (!row || at < row.offset || at >= row.offset + row.length) {
          rowIndex = this.rowAt(at);
          row = this.rows[rowIndex];
        }
        const value = this.bytes[at];
        const span = document.createElement('span');
        let name = `hex-byte k-${row ? row.kind : 'unread'}`;
        if (within(this.selection, at)) name += ' selected';
        if (within(this.hover, at)) name += ' hovered';
        if (at === this.cursor) name += ' cursor';
        if (at === this.mark) name += ' mark';
        span.className = name;
        if (at === this.mark) span.title = this.markText;
        span.dataset.offset = at;
        span.textContent = hex2(value);
        div.append(span);
        ascii += value >= 0x20 && value < 0x7f ? String.fromCharCode(value)
                                                : '.';
      }
      const text = document.createElement('span');
      text.className = 'hex-ascii';
      text.textContent = ascii;
      div.append(text);
      fragment.append(div);
    }
    this.lines.replaceChildren(fragment);
  }

  pick(offset) {
    if (offset < 0 || offset >= this.bytes.length) return;
    this.cursor = offset;
    this.onPick(offset);
    this.scrollTo(offset);
    this.schedule();
  }

  key(event) {
    const steps = {
      ArrowLeft: -1, ArrowRight: 1,
      ArrowUp: -BYTES_PER_LINE, ArrowDown: BYTES_PER_LINE,
    };
    if (!(event.key in steps) || this.bytes.length === 0) return;
    event.preventDefault();
    const from = Math.max(0, this.cursor);
    const to = Math.min(this.bytes.length - 1,
                        Math.max(0, from + steps[event.key]));
    this.pick(to);
  }
}
