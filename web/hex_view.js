// A hex view of a record of any size. Only the lines in sight exist in the
// page (about forty of them, some twenty elements each), so a 16 MiB record
// costs no more than a small one.

export const BYTES_PER_LINE = 16;
const LINE_HEIGHT = 20; // px; the same as .hex-line in inspector.css
const SPARE_LINES = 4; // rendered above and below the ones in sight
// Browsers cap an element's height near 16.7 million px; past this height
// the scroll position maps onto the first line in sight proportionally.
const MAX_SCROLL_HEIGHT = 8_000_000;

/** A byte as two upper-case hex digits, as the view shows it. */
export function hex2(n) {
  return n.toString(16).toUpperCase().padStart(2, '0');
}

/** A byte as the view's text column shows it: itself if printable, else '.'. */
export function printable(value) {
  return value >= 0x20 && value < 0x7f ? String.fromCharCode(value) : '.';
}

export class HexView {
  /**
   * `container` is the scrolling element (#hex). `handlers.pick(offset)`
   * hears the cursor moved to a byte (a click, a key);
   * `handlers.selection(begin, end, cursor)` hears every change of the
   * selected bytes or of the cursor; `handlers.write(offset, value)` hears a
   * byte typed in hex at the cursor.
   *
   * A click puts the cursor on a byte and selects it; Shift with a click or
   * an arrow key, or a drag, selects the bytes from the anchor (where the
   * selection began) to the cursor.
   */
  constructor(container, handlers) {
    this.container = container;
    this.handlers = handlers;
    this.bytes = new Uint8Array(0);
    this.rows = [];
    this.selection = null; // {begin, end}
    this.hover = null; // {begin, end}
    this.mark = -1; // the offset of a failing check
    this.cursor = -1;
    this.anchor = -1; // where a range selection began
    this.changed = []; // [begin, end) ranges changed since the record opened
    this.tints = []; // [begin, end) ranges of the BDB's own headers
    this.nibble = null; // the high digit typed at the cursor
    this.top = 0; // the first line in sight, past the height cap
    this.expectedScrollTop = 0; // the scroll position this view last set
    // The view's scroll position and height as this view knows them, so that
    // drawing never makes the browser lay out the page to read them: the
    // position from the scroll events and this view's own scrolling (written
    // to the element when the lines are drawn), the height from a
    // ResizeObserver.
    this.scrollPos = 0;
    this.shownScrollTop = 0; // what the element's scrollTop was last seen to be
    this.height = null; // the view's inner height, once observed
    this.lineCount = 1;
    this.spacer = document.createElement('div');
    this.spacer.className = 'hex-spacer';
    this.lines = document.createElement('div');
    this.lines.className = 'hex-lines';
    container.replaceChildren(this.spacer, this.lines);
    this.pending = false;
    this.holdFrame = false; // the next frame draws nothing: see setRecord
    this.whenDrawn = []; // called once the lines are drawn next
    container.addEventListener('scroll', () => {
      const at = container.scrollTop;
      this.shownScrollTop = at;
      // A position of this view's own not yet written wins over this one.
      if (this.scrollPos !== at && this.scrollPending) return;
      this.scrollPos = at;
      // A scroll that this view did not set (the scroll bar dragged) moves
      // the first line in sight proportionally.
      if (this.scaled && Math.abs(at - this.expectedScrollTop) >= 1) {
        this.top = this.lineOfScrollTop(at);
        this.expectedScrollTop = at;
      }
      this.schedule();
    });
    window.addEventListener('resize', () => this.schedule());
    if (typeof ResizeObserver === 'function') {
      new ResizeObserver((entries) => {
        const box = entries[entries.length - 1].contentBoxSize?.[0];
        const height = box ? box.blockSize
                           : entries[entries.length - 1].contentRect.height;
        if (height === this.height) return;
        this.height = height;
        // Drawn at once, in the frame that gave the view its new height.
        if (this.holdFrame) {
          this.schedule();
        } else {
          this.render();
        }
      }).observe(container);
    }
    container.addEventListener('pointerdown', (event) => this.press(event));
    container.addEventListener('wheel', (event) => this.wheel(event),
                               {passive: false});
    container.addEventListener('keydown', (event) => this.key(event));
  }

  /**
   * Shows `bytes`, tinted by the dump `rows` that cover them, with the byte
   * at `mark` (a failing check) marked and `markText` as its tooltip. With
   * `keep`, the scroll position, cursor and selection stay (the same record
   * after an edit).
   */
  setRecord(bytes, rows, mark = -1, markText = '', keep = false) {
    this.bytes = bytes;
    this.rows = rows.filter((row) => row.whole !== false);
    this.mark = mark;
    this.markText = markText;
    this.hover = null;
    this.nibble = null;
    this.lineCount = Math.max(1, Math.ceil(bytes.length / BYTES_PER_LINE));
    this.fullHeight = this.lineCount * LINE_HEIGHT;
    this.scaled = this.fullHeight > MAX_SCROLL_HEIGHT;
    this.spacer.style.height =
        `${Math.min(this.fullHeight, MAX_SCROLL_HEIGHT)}px`;
    if (keep && this.cursor < bytes.length) {
      if (this.selection) {
        this.selection.end = Math.min(this.selection.end, bytes.length);
      }
      this.setTop(this.topLine());
      this.render();
      return;
    }
    this.selection = null;
    this.cursor = -1;
    this.anchor = -1;
    this.changed = [];
    this.setTop(0);
    // A record opened: the page lays out the rest of itself (the table) in
    // the coming frame and the lines in the one after, so that no one task
    // lays out both. The old record's lines go now.
    this.lines.replaceChildren();
    this.holdFrame = true;
    this.schedule();
  }

  /** Calls `callback` once the lines are drawn next. */
  drawn(callback) {
    if (this.pending) {
      this.whenDrawn.push(callback);
    } else {
      callback();
    }
  }

  /**
   * Selects bytes [begin, end) with the cursor on `cursor` (by default
   * `begin`) and the anchor at the other end.
   */
  select(begin, end, scroll = true, cursor = begin) {
    this.selection = {begin, end};
    this.cursor = cursor;
    this.anchor = cursor === begin ? Math.max(begin, end - 1) : begin;
    this.nibble = null;
    if (scroll) this.scrollTo(begin, end);
    this.handlers.selection?.(begin, end, this.cursor);
    this.schedule();
  }

  /** Marks the bytes of `ranges` ([begin, end) pairs, in order) changed. */
  setChanged(ranges) {
    this.changed = ranges;
    this.schedule();
  }

  /**
   * Tints the bytes of `ranges` ([begin, end) pairs, each a field of a
   * header of the record inside the BDB) and marks where each begins, until
   * the next call. They may come in any order; a range that overlaps one
   * before it keeps only its bytes past that one.
   */
  setTints(ranges) {
    const sorted = [...ranges].sort((a, b) => a[0] - b[0]);
    const tints = [];
    for (const [from, end] of sorted) {
      const begin = Math.max(from, tints[tints.length - 1]?.[1] ?? 0);
      if (end > begin) tints.push([begin, end]);
    }
    this.tints = tints;
    this.schedule();
  }

  /** Highlights bytes [begin, end) while a row is hovered; null clears. */
  highlight(range) {
    this.hover = range;
    this.schedule();
  }

  /** Scrolls so that bytes [begin, end) are in sight, if they are not. */
  scrollTo(begin, end = begin + 1) {
    const first = Math.floor(begin / BYTES_PER_LINE);
    const last = Math.floor(Math.max(begin, end - 1) / BYTES_PER_LINE);
    const top = this.topLine();
    const count = this.wholeLines();
    if (first >= top && last < top + count) return;
    const target = Math.max(0, first - Math.floor(count / 4));
    this.setTop(target);
    this.schedule();
  }

  /**
   * Scrolls so that `line` is the first line in sight. The element scrolls
   * when the lines are drawn next, with them.
   */
  setTop(line) {
    this.top = Math.min(this.lastTopLine(), Math.max(0, line));
    this.scrollPos = this.scrollTopOfLine(this.top);
    this.expectedScrollTop = this.scrollPos;
    this.scrollPending = this.scrollPos !== this.shownScrollTop;
    this.schedule();
  }

  // The mouse wheel moves a few lines a notch, never more than are in
  // sight, so that no line goes by unseen whatever the record's size.
  wheel(event) {
    if (event.ctrlKey || event.deltaY === 0) return;
    event.preventDefault();
    const sight = this.wholeLines();
    let lines = event.deltaMode === 1 ? event.deltaY
        : event.deltaMode === 2 ? event.deltaY * sight
        : event.deltaY / LINE_HEIGHT;
    const most = Math.max(1, sight - 1);
    lines = Math.sign(lines) *
            Math.min(most, Math.max(1, Math.round(Math.abs(lines))));
    this.setTop(this.topLine() + lines);
    this.schedule();
  }

  // How many whole lines fit in sight.
  wholeLines() {
    return Math.max(1, Math.floor(this.viewHeight() / LINE_HEIGHT));
  }

  // The view's inner height: observed, or read once before the first
  // observation.
  viewHeight() {
    return this.height ?? this.container.clientHeight;
  }

  // The greatest scroll position: the spacer's height past the view's.
  scrollRange() {
    return Math.max(0, Math.min(this.fullHeight ?? 0, MAX_SCROLL_HEIGHT) -
                       this.viewHeight());
  }

  // The greatest first line: the one that shows the last line whole.
  lastTopLine() {
    return Math.max(0, this.lineCount - this.wholeLines());
  }

  // The first line in sight. Past the height cap, the scroll range maps onto
  // the lines so that the greatest scroll position shows the last line.
  topLine() {
    if (!this.scaled) return Math.floor(this.scrollPos / LINE_HEIGHT);
    return Math.min(this.lastTopLine(), this.top);
  }

  lineOfScrollTop(top) {
    const range = Math.max(1, this.scrollRange());
    return Math.min(this.lastTopLine(),
                    Math.round((top / range) * this.lastTopLine()));
  }

  scrollTopOfLine(line) {
    if (!this.scaled) return line * LINE_HEIGHT;
    const range = this.scrollRange();
    return Math.round((Math.min(line, this.lastTopLine()) /
                       Math.max(1, this.lastTopLine())) * range);
  }

  schedule() {
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() => {
      if (this.holdFrame) {
        // The lines are made in a task of their own after this frame, and
        // laid out in the next: neither this frame nor that one does all.
        this.holdFrame = false;
        setTimeout(() => {
          this.pending = false;
          this.draw();
          if (this.scrollPending) this.schedule();
        });
        return;
      }
      this.pending = false;
      this.draw();
      // The element scrolls in the frame, so that the layout this asks for
      // is the frame's own, never one forced in the middle of other work.
      if (this.scrollPending) {
        this.scrollPending = false;
        this.container.scrollTop = this.scrollPos;
        this.shownScrollTop = this.scrollPos;
      }
    });
  }

  // Draws the lines in sight and tells those waiting for them.
  draw() {
    this.render();
    const drawn = this.whenDrawn;
    this.whenDrawn = [];
    for (const callback of drawn) callback();
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
    const top = this.topLine();
    let first;
    let last;
    let offsetPx;
    if (this.scaled) {
      // Lines sit at the scroll position, and none reaches past the view:
      // content below the spacer would make the scroll range grow.
      first = top;
      last = Math.min(this.lineCount, top + this.wholeLines());
      offsetPx = this.scrollPos;
    } else {
      first = Math.max(0, top - SPARE_LINES);
      last = Math.min(this.lineCount,
                      top + this.wholeLines() + 1 + SPARE_LINES);
      offsetPx = first * LINE_HEIGHT;
    }
    this.lines.style.transform = `translateY(${offsetPx}px)`;
    const fragment = document.createDocumentFragment();
    const within = (range, at) => range && at >= range.begin && at < range.end;
    let rowIndex = this.rowAt(first * BYTES_PER_LINE);
    // The changed ranges, from the first that may reach the lines shown.
    let changedIndex = 0;
    while (changedIndex < this.changed.length &&
           this.changed[changedIndex][1] <= first * BYTES_PER_LINE) {
      ++changedIndex;
    }
    // The tinted ranges, likewise.
    let tintIndex = 0;
    while (tintIndex < this.tints.length &&
           this.tints[tintIndex][1] <= first * BYTES_PER_LINE) {
      ++tintIndex;
    }
    for (let line = first; line < last; ++line) {
      const begin = line * BYTES_PER_LINE;
      const end = Math.min(this.bytes.length, begin + BYTES_PER_LINE);
      const div = document.createElement('div');
      div.className = 'hex-line';
      const address = document.createElement('span');
      address.className = 'hex-address';
      address.textContent = begin.toString(16).toUpperCase().padStart(8, '0');
      div.append(address);
      for (let at = begin; at < end; ++at) {
        let row = this.rows[rowIndex];
        if (!row || at < row.offset || at >= row.offset + row.length) {
          rowIndex = this.rowAt(at);
          row = this.rows[rowIndex];
        }
        const span = document.createElement('span');
        let name = `hex-byte k-${row ? row.kind : 'unread'}`;
        while (tintIndex < this.tints.length &&
               this.tints[tintIndex][1] <= at) {
          ++tintIndex;
        }
        const tint = this.tints[tintIndex];
        if ((row && at === row.offset) || tint?.[0] === at) {
          name += ' boundary';
        }
        if (tint && at >= tint[0]) name += ' bdb-header';
        if (within(this.selection, at)) name += ' selected';
        if (within(this.hover, at)) name += ' hovered';
        while (changedIndex < this.changed.length &&
               this.changed[changedIndex][1] <= at) {
          ++changedIndex;
        }
        if (changedIndex < this.changed.length &&
            at >= this.changed[changedIndex][0]) {
          name += ' changed';
        }
        if (at === this.cursor) name += ' cursor';
        if (at === this.mark) name += ' mark';
        span.className = name;
        if (at === this.mark) span.title = this.markText;
        span.dataset.offset = at;
        span.textContent = at === this.cursor && this.nibble !== null
            ? `${this.nibble.toString(16).toUpperCase()}_`
            : hex2(this.bytes[at]);
        div.append(span);
      }
      div.append(this.asciiOf(begin, end));
      fragment.append(div);
    }
    this.lines.replaceChildren(fragment);
  }

  // The text column of bytes [begin, end), the selected part marked.
  asciiOf(begin, end) {
    const text = document.createElement('span');
    text.className = 'hex-ascii';
    const s = this.selection;
    const from = s ? Math.min(end, Math.max(begin, s.begin)) : end;
    const to = s ? Math.min(end, Math.max(from, s.end)) : end;
    const part = (a, b) => {
      let out = '';
      for (let at = a; at < b; ++at) out += printable(this.bytes[at]);
      return out;
    };
    text.append(part(begin, from));
    if (to > from) {
      const mark = document.createElement('mark');
      mark.textContent = part(from, to);
      text.append(mark);
    }
    text.append(part(to, end));
    return text;
  }

  /**
   * Moves the cursor to `offset` and tells the page, as a click does. With
   * `extend`, the selection runs from the anchor to it; else it selects the
   * byte alone.
   */
  pick(offset, extend = false) {
    if (offset < 0 || offset >= this.bytes.length) return;
    this.cursor = offset;
    this.nibble = null;
    if (!extend || this.anchor < 0) this.anchor = offset;
    const begin = Math.min(this.anchor, offset);
    const end = Math.max(this.anchor, offset) + 1;
    this.selection = {begin, end};
    this.handlers.pick(offset);
    this.handlers.selection?.(begin, end, offset);
    this.scrollTo(offset);
    this.schedule();
  }

  // A press on a byte puts the cursor there (Shift: extends the selection);
  // dragging extends the selection to the byte under the pointer.
  press(event) {
    if (event.button !== 0) return;
    const byte = event.target.closest('[data-offset]');
    if (!byte) return;
    event.preventDefault();
    this.container.focus({preventScroll: true});
    this.pick(Number(byte.dataset.offset), event.shiftKey);
    const move = (e) => {
      const under = document.elementFromPoint(e.clientX, e.clientY)
          ?.closest?.('#hex [data-offset]');
      if (under && Number(under.dataset.offset) !== this.cursor) {
        this.pick(Number(under.dataset.offset), true);
      }
    };
    const up = () => {
      window.removeEventListener('pointermove', move);
      window.removeEventListener('pointerup', up);
    };
    window.addEventListener('pointermove', move);
    window.addEventListener('pointerup', up);
  }

  key(event) {
    if (this.bytes.length === 0 || event.ctrlKey || event.metaKey ||
        event.altKey) {
      return;
    }
    const page = this.wholeLines() * BYTES_PER_LINE;
    const from = Math.max(0, this.cursor);
    const moves = {
      ArrowLeft: from - 1, ArrowRight: from + 1,
      ArrowUp: from - BYTES_PER_LINE, ArrowDown: from + BYTES_PER_LINE,
      PageUp: from - page, PageDown: from + page,
      Home: 0, End: this.bytes.length - 1,
    };
    if (event.key in moves) {
      event.preventDefault();
      this.pick(Math.min(this.bytes.length - 1, Math.max(0, moves[event.key])),
                event.shiftKey);
      return;
    }
    // Hex digits overwrite the byte at the cursor, two to a byte.
    if (/^[0-9a-f]$/i.test(event.key) && this.cursor >= 0 &&
        this.handlers.write) {
      event.preventDefault();
      const digit = parseInt(event.key, 16);
      if (this.nibble === null) {
        this.nibble = digit;
        this.schedule();
      } else {
        const value = (this.nibble << 4) | digit;
        const at = this.cursor;
        this.nibble = null;
        this.handlers.write(at, value);
      }
    } else if (event.key === 'Escape' && this.nibble !== null) {
      this.nibble = null;
      this.schedule();
    }
  }
}
