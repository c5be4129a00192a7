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
// window, at least one.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const room = Math.min(window.innerWidth / 400, (window.innerHeight - 80) / 300) * ratio;
  const scale = Math.max(1, Math.floor(room));
  // Through the style sheet: the runtime clears the canvas's own width and
  // height styles when the program sets its video mode.
  document.documentElement.style.setProperty('--pixel', (scale / ratio) + 'px');
}
fitCanvas();
window.addEventListener('resize', fitCanvas);
// Every button steers the blob; the right one must not open a menu too.
canvas.addEventListener('contextmenu', (e) => e.preventDefault());

window.addEventListener('error', (e) => showFailure(e.message || String(e.error)));
window.addEventListener('unhandledrejection', (e) => showFailure(String(e.reason)));

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
  // Fetched here rather than by the runtime, so that a missing or broken
  // file is named in the failure instead of a generic abort.
  instantiateWasm: (imports, receiveInstance) => {
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

if (typeof WebAssembly !== 'object') {
  showFailure('this browser has no WebAssembly.');
} else {
  showStatus('Loading\u2026');
  const script = document.createElement('script');
  script.src = program + '.js';
  script.onerror = () => showFailure(program + '.js did not load.');
  document.body.appendChild(script);
}
