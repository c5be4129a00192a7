// Loads the demo (or, with ?loop=empty, its empty-loop baseline) into the
// canvas, scales it by whole numbers, and shows what it prints. Whatever
// keeps the program from starting or running is said on the page in words.
'use strict';

const canvas = document.getElementById('canvas');
const statusLine = document.getElementById('status');
const output = document.getElementById('output');
const query = new URLSearchParams(location.search);
const program = query.get('loop') === 'empty' ? 'emptyloop' : 'kimallusmylly';

function showStatus(text) {
  statusLine.textContent = text;
}

let failed = false;
function showFailure(text) {
  if (failed) return;
  failed = true;
  statusLine.classList.add('failed');
  showStatus('The demo could not run: ' + text);
}

function showLine(text, isError) {
  (isError ? console.error : console.log)(text);
  output.textContent += text + '\n';
}

// The largest whole number of device pixels per demo pixel that fits the
// window, at least one, and the canvas's corner on a whole device pixel: a
// corner between two is drawn from one of them, and the pointer would be
// mapped from the other. The canvas is placed by number rather than centred
// by the layout, whose halves and line heights fall between device pixels.
let scale = 1;
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const room = Math.min(window.innerWidth / 400, (window.innerHeight - 80) / 300) * ratio;
  scale = Math.max(1, Math.floor(room));
  const left = Math.max(0, Math.round((document.documentElement.clientWidth * ratio - 400 * scale) / 2));
  const top = Math.max(0, Math.round(((window.innerHeight - 80) * ratio - 300 * scale) / 2));
  // Through the style sheet: the runtime clears the canvas's own width and
  // height styles when the program sets its video mode.
  const style = document.documentElement.style;
  style.setProperty('--pixel', (scale / ratio) + 'px');
  style.setProperty('--left', (left / ratio) + 'px');
  style.setProperty('--top', (top / ratio) + 'px');
}
fitCanvas();
window.addEventListener('resize', fitCanvas);
// A new ratio (another screen, say) need not come with a resize.
(function watchRatio() {
  matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`)
    .addEventListener('change', () => { fitCanvas(); watchRatio(); }, { once: true });
})();

// The runtime maps the pointer through the canvas's layout box and cuts off
// the fraction, and a mouse event's position is whole CSS pixels (cut off in
// Chromium); at a fractional ratio either can name the demo pixel beside the
// one drawn under the pointer. So the page works out that pixel from where
// the canvas is drawn, in device pixels, and from the pointer event that
// comes just before each mouse event with the same position to a fraction,
// and hands the runtime the middle of that pixel.
let pointer = null;
for (const type of ['pointermove', 'pointerdown', 'pointerup', 'pointerout']) {
  window.addEventListener(type, (e) => { pointer = e.isPrimary ? e : null; }, true);
}
function pointerPixel(e) {
  const finer = pointer && Math.abs(pointer.clientX - e.clientX) < 1 &&
    Math.abs(pointer.clientY - e.clientY) < 1 ? pointer : e;
  pointer = null;
  const ratio = window.devicePixelRatio || 1;
  const box = canvas.getBoundingClientRect();
  // Rounded to 1/64 device pixel, which takes off what single precision adds
  // to a position without moving it into the next pixel.
  const along = (client, edge, size) => {
    const device = Math.round((client * ratio - Math.round(edge * ratio)) * 64) / 64;
    return Math.min(size - 1, Math.max(0, Math.floor(device / scale)));
  };
  const x = along(finer.clientX, box.left, canvas.width);
  const y = along(finer.clientY, box.top, canvas.height);
  const pageX = window.scrollX + box.left + ((x + 0.5) * box.width) / canvas.width;
  const pageY = window.scrollY + box.top + ((y + 0.5) * box.height) / canvas.height;
  Object.defineProperties(e, { pageX: { value: pageX }, pageY: { value: pageY } });
}
for (const type of ['mousemove', 'mousedown', 'mouseup', 'mouseout', 'wheel']) {
  window.addEventListener(type, (e) => { if (e.target === canvas) pointerPixel(e); }, true);
}
// Every button steers the blob; the right one must not open a menu too.
canvas.addEventListener('contextmenu', (e) => e.preventDefault());

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
  onRunEnded: () => { if (!failed) showStatus('The run has ended; reload the page to run it again.'); },
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
