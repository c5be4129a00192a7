// Loads the demo (or, in the served page, with ?loop=empty, its empty-loop
// baseline) into the canvas, scales it by whole numbers, and shows what it
// prints. Whatever keeps the program from starting or running is said on the
// page in words.
'use strict';

const canvas = document.getElementById('canvas');
const panel = document.getElementById('panel');
const statusLine = document.getElementById('status');
const output = document.getElementById('output');
const endControl = document.getElementById('end');
const query = new URLSearchParams(location.search);
const program = query.get('loop') === 'empty' ? 'emptyloop' : 'kimallusmylly';

function showStatus(text) {
  statusLine.textContent = text;
}

// Escape ends the run; a phone or tablet has no key for it, so where a
// pointer is a finger, the page offers the end control while the run goes
// on. (Not by hover: a browser with no pointer at all cannot hover either.)
const noKeyboard = matchMedia('(any-pointer: coarse)');
let running = true;
// Whether the program's main has been entered. emscripten up to 3 said so
// in Module.calledRun, later ones keep it to themselves; every one calls
// onRuntimeInitialized just before main. The tests wait on it too.
let programStarted = false;
function offerEnd() {
  endControl.hidden = !(running && noKeyboard.matches);
}

let failed = false;
function showFailure(text) {
  if (failed) return;
  failed = true;
  running = false;
  offerEnd();
  statusLine.classList.add('failed');
  showStatus('The demo could not run: ' + text);
}

function runEnded() {
  running = false;
  offerEnd();
  if (!failed) showStatus('The run has ended; reload the page to run it again.');
}

function showLine(text, isError) {
  (isError ? console.error : console.log)(text);
  output.textContent += text + '\n';
}

// The panel of lines and the end control goes where it leaves the canvas
// whole: below it, beside it, or, where the window has room for neither,
// over its bottom edge. The room it takes is measured on a hidden copy
// holding the longest lines a run shows, so that the canvas does not move
// when they come.
const probe = panel.cloneNode(true);
for (const node of [probe, ...probe.querySelectorAll('[id]')]) node.removeAttribute('id');
probe.classList.add('probe');
probe.setAttribute('aria-hidden', 'true');
probe.querySelector('p').textContent = 'The run has ended; reload the page to run it again.';
probe.querySelector('pre').textContent = 'Aika: 9999.999 sek, framet: 9999999 kpl, fps: 99999.999\n';
document.body.appendChild(probe);
const probeEnd = probe.querySelector('button');
function panelHeight(width, side) {
  probe.classList.toggle('side', side);
  probe.style.width = width + 'px';
  return probe.offsetHeight;
}
const gap = 8; // CSS pixels between the canvas, the panel and the window's edge
const widest = 560; // the panel's widest, CSS pixels
const narrowest = 140; // beside the canvas

// The largest whole number of device pixels per demo pixel that keeps the
// whole canvas inside the window, at least one, and the canvas's corner on a
// whole device pixel: a corner between two is drawn from one of them, and
// the pointer would be mapped from the other. The canvas is placed by number
// rather than by the layout, whose halves and line heights fall between
// device pixels.
let scale = 1;
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  // The layout viewport without scrollbars: innerWidth grows with a page
  // wider than a phone's screen.
  const viewWidth = document.documentElement.clientWidth;
  const viewHeight = document.documentElement.clientHeight;
  scale = Math.max(1, Math.floor(Math.min(viewWidth * ratio / 400, viewHeight * ratio / 300)));
  const width = (400 * scale) / ratio;
  const height = (300 * scale) / ratio;
  probeEnd.hidden = !noKeyboard.matches;
  let left = (viewWidth - width) / 2;
  let top = (viewHeight - height) / 2;
  let place;
  const belowWidth = Math.min(viewWidth, widest);
  const below = panelHeight(belowWidth, false);
  const sideWidth = Math.min(viewWidth - width - 3 * gap, widest);
  if (viewHeight - height >= below + 2 * gap) {
    top = (viewHeight - height - gap - below) / 2;
    place = (canvasTop) => ({ mode: '', left: (viewWidth - belowWidth) / 2, top: canvasTop + height + gap, width: belowWidth });
  } else if (sideWidth >= narrowest && panelHeight(sideWidth, true) <= viewHeight) {
    const side = panelHeight(sideWidth, true);
    left = (viewWidth - width - gap - sideWidth) / 2;
    place = (canvasTop, canvasLeft) => ({
      mode: 'side', left: canvasLeft + width + gap, width: sideWidth,
      top: Math.max(0, (viewHeight - side) / 2), height: side,
    });
  } else {
    place = (canvasTop, canvasLeft) => ({ mode: 'overlay', left: canvasLeft, top: canvasTop + height, width });
  }
  const deviceLeft = Math.max(0, Math.round(left * ratio));
  const deviceTop = Math.max(0, Math.round(top * ratio));
  // Through the style sheet: the runtime clears the canvas's own width and
  // height styles when the program sets its video mode.
  const style = document.documentElement.style;
  style.setProperty('--pixel', (scale / ratio) + 'px');
  style.setProperty('--left', (deviceLeft / ratio) + 'px');
  style.setProperty('--top', (deviceTop / ratio) + 'px');
  const at = place(deviceTop / ratio, deviceLeft / ratio);
  panel.classList.toggle('side', at.mode === 'side');
  panel.classList.toggle('overlay', at.mode === 'overlay');
  panel.style.left = at.left + 'px';
  panel.style.top = at.top + 'px';
  panel.style.width = at.width + 'px';
  panel.style.minHeight = at.height ? at.height + 'px' : '';
}
offerEnd();
fitCanvas();
window.addEventListener('resize', fitCanvas);
noKeyboard.addEventListener('change', () => { offerEnd(); fitCanvas(); });
// A new ratio (another screen, say) need not come with a resize.
(function watchRatio() {
  matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`)
    .addEventListener('change', () => { fitCanvas(); watchRatio(); }, { once: true });
})();

// The demo pixel drawn under a point of the window, from where the canvas
// is drawn, in device pixels.
function pixelAt(clientX, clientY) {
  const ratio = window.devicePixelRatio || 1;
  const box = canvas.getBoundingClientRect();
  // Rounded to 1/64 device pixel, which takes off what single precision adds
  // to a position without moving it into the next pixel.
  const along = (client, edge, size) => {
    const device = Math.round((client * ratio - Math.round(edge * ratio)) * 64) / 64;
    return Math.min(size - 1, Math.max(0, Math.floor(device / scale)));
  };
  return [along(clientX, box.left, canvas.width), along(clientY, box.top, canvas.height)];
}

// The runtime maps a mouse event's page position through the canvas's
// layout box and cuts off the fraction, and the event's position is whole
// CSS pixels (cut off in Chromium); at a fractional ratio either can name
// the demo pixel beside the one drawn under the pointer. So the page hands
// the runtime the middle of that pixel instead.
function handPixel(e, [x, y]) {
  const box = canvas.getBoundingClientRect();
  const pageX = window.scrollX + box.left + ((x + 0.5) * box.width) / canvas.width;
  const pageY = window.scrollY + box.top + ((y + 0.5) * box.height) / canvas.height;
  Object.defineProperties(e, { pageX: { value: pageX }, pageY: { value: pageY } });
}

// A mouse's pixel comes from the pointer event that comes just before each
// mouse event with the same position to a fraction.
let pointer = null;
for (const type of ['pointermove', 'pointerdown', 'pointerup', 'pointerout']) {
  window.addEventListener(type, (e) => {
    if (e.pointerType !== 'touch') pointer = e.isPrimary ? e : null;
  }, true);
}
// The mouse events the page makes from a finger carry their pixel already.
const fromFinger = new WeakSet();
function pointerPixel(e) {
  const finer = pointer && Math.abs(pointer.clientX - e.clientX) < 1 &&
    Math.abs(pointer.clientY - e.clientY) < 1 ? pointer : e;
  pointer = null;
  handPixel(e, pixelAt(finer.clientX, finer.clientY));
}
for (const type of ['mousemove', 'mousedown', 'mouseup', 'mouseout', 'wheel']) {
  window.addEventListener(type, (e) => {
    if (e.target === canvas && !fromFinger.has(e)) pointerPixel(e);
  }, true);
}
// Every button steers the blob; the right one must not open a menu too.
canvas.addEventListener('contextmenu', (e) => e.preventDefault());

// A finger steers the blob as the mouse's first button does: touching is a
// press at the pixel under it, dragging moves it there, lifting releases
// it. The runtime's own handling of touches rounds their positions, so it
// never sees them: the page takes every touch on the canvas before it does,
// keeps it from scrolling or zooming the page or making mouse events of
// its own, and hands the runtime mouse events at the exact pixel instead.
// The first finger down steers until it lifts; others change nothing.
let finger = null; // the steering touch's identifier while it is down
let fingerPixel = null;
// The newest pointer event of each finger, which come before its touch
// events and can place it finer (Firefox's touch events are in whole CSS
// pixels); the lifted ones are dropped when the next finger comes down.
const fingerPointers = new Map();
const lifted = (p) => p.type === 'pointerup' || p.type === 'pointercancel';
for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel']) {
  window.addEventListener(type, (e) => {
    if (e.pointerType !== 'touch') return;
    if (e.type === 'pointerdown') {
      for (const [id, p] of fingerPointers) if (lifted(p)) fingerPointers.delete(id);
    }
    fingerPointers.set(e.pointerId, e);
  }, true);
}
function touchPixel(touch) {
  let finer = touch;
  let nearest = 1;
  for (const p of fingerPointers.values()) {
    const off = Math.max(Math.abs(p.clientX - touch.clientX), Math.abs(p.clientY - touch.clientY));
    if (off < nearest) {
      nearest = off;
      finer = p;
    }
  }
  return pixelAt(finer.clientX, finer.clientY);
}
function handMouse(type, pixel) {
  const e = new MouseEvent(type, { bubbles: true, cancelable: true, view: window, button: 0,
    buttons: type === 'mouseup' ? 0 : 1 });
  handPixel(e, pixel);
  Object.defineProperties(e, { clientX: { value: e.pageX - window.scrollX }, clientY: { value: e.pageY - window.scrollY } });
  fromFinger.add(e);
  canvas.dispatchEvent(e);
}
function onTouch(e) {
  if (e.target !== canvas) return;
  e.stopPropagation();
  if (e.cancelable) e.preventDefault();
  const changed = Array.from(e.changedTouches);
  if (e.type === 'touchstart') {
    if (finger === null && changed.length) {
      finger = changed[0].identifier;
      fingerPixel = touchPixel(changed[0]);
      handMouse('mousedown', fingerPixel);
    }
  } else {
    const touch = changed.find((t) => t.identifier === finger);
    if (touch) {
      // A cancelled touch did not move: it is released where it was.
      if (e.type !== 'touchcancel') fingerPixel = touchPixel(touch);
      if (e.type === 'touchmove') {
        handMouse('mousemove', fingerPixel);
      } else {
        finger = null;
        handMouse('mouseup', fingerPixel);
      }
    }
  }
}
for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel']) {
  window.addEventListener(type, onTouch, { capture: true, passive: false });
}

// The end control presses Escape for the program: a key down and up,
// which the runtime hears on the document as it does the keyboard's.
endControl.addEventListener('click', () => {
  if (!running || !programStarted) return;
  for (const type of ['keydown', 'keyup']) {
    const e = new KeyboardEvent(type, { key: 'Escape', code: 'Escape', bubbles: true, cancelable: true });
    Object.defineProperties(e, { keyCode: { value: 27 }, which: { value: 27 } });
    canvas.dispatchEvent(e);
  }
});

window.addEventListener('error', (e) => showFailure(e.message || String(e.error)));
window.addEventListener('unhandledrejection', (e) => showFailure(String(e.reason)));

// The page in one file (build-web/kimallusmylly.html, opened from disk)
// carries the demo's program, its WebAssembly inside, in a script element
// the browser does not run; the served page loads the program's script and
// its .wasm from beside itself.
const inlineProgram = document.getElementById('kimallusmylly-program');

var Module = {
  canvas: canvas,
  print: (text) => showLine(text, false),
  printErr: (text) => showLine(text, true),
  setStatus: (text) => { if (!failed) showStatus(text); },
  onAbort: (what) => showFailure(String(what)),
  // How often the browser runs a frame: as often as it can (the default),
  // once a display refresh, or by setTimeout(0); see app/webmain.cpp.
  loopTiming: { frame: 1, timeout: 2 }[query.get('timing')] || 0,
  onRunEnded: runEnded,
  onRuntimeInitialized: () => { programStarted = true; },
  // Served, the .wasm is fetched here rather than by the runtime, so that a
  // missing or broken file is named in the failure instead of a generic
  // abort. The inline program's runtime decodes the WebAssembly it carries.
  instantiateWasm: inlineProgram ? undefined : (imports, receiveInstance) => {
    const file = program + '.wasm';
    fetch(file)
      .then((response) => {
        if (!response.ok) throw new Error(`${file} did not load (HTTP ${response.status}).`);
        return response.arrayBuffer();
      })
      .then((bytes) => WebAssembly.instantiate(bytes, imports))
      .then((result) => receiveInstance(result.instance),
            (err) => showFailure(err.message || String(err)));
    return {};
  },
};

// The program only once WebAssembly is there: its runtime would abort with
// a message of its own.
if (typeof WebAssembly !== 'object') {
  showFailure('this browser has no WebAssembly.');
} else if (inlineProgram && program !== 'kimallusmylly') {
  showFailure('this one-file page holds the demo alone; its empty loop is in the served page (scripts/web.sh).');
} else {
  showStatus('Loading\u2026');
  const script = document.createElement('script');
  if (inlineProgram) {
    script.textContent = inlineProgram.textContent;
  } else {
    script.src = program + '.js';
    script.onerror = () => showFailure(program + '.js did not load.');
  }
  document.body.appendChild(script);
}
