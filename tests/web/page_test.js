// The web page in Debian's chromium and firefox-esr, headless, as a visitor
// meets it:
//
//   node page_test.js PAGE_DIR SNAPSHOT_TOOL ONE_FILE
//
// Serves PAGE_DIR on 127.0.0.1 and checks that the page starts without an
// error, that its canvas holds, pixel for pixel, the frame the snapshot tool
// (a desktop build, drawing with the same field and motion code) draws for
// the frame number the page has reached, before and after real pointer
// input; that in windows and at device pixel ratios where the page falls
// between device pixels, the canvas is drawn on whole ones and the pointer's
// blob lands on the pixel under it; that Escape stops it with a well-formed
// report line that agrees with the frames shown; and that a page whose
// program cannot start says so. On phones and a tablet, in Chromium's
// mobile emulation with a touch screen, portrait and then landscape: that
// the whole canvas fits the window at the largest whole scale with the
// lines off it where there is room, that a finger steers the blob to the
// pixel under it without scrolling or zooming the page and a second finger
// changes nothing, and that the end control ends the run as Escape does.
// The same of the page in one file (ONE_FILE), opened from disk in a folder
// of its own. And that the server shrugs off what an attacker might send it.
'use strict';
const { execFileSync, spawnSync } = require('child_process');
const fs = require('fs');
const net = require('net');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { launchChromium, launchFirefox } = require('./browser.js');
const { serve } = require('../../web/serve.js');

const [pageDir, snapshotTool, oneFile] = process.argv.slice(2);
if (!pageDir || !snapshotTool || !oneFile) {
  console.error('usage: node page_test.js PAGE_DIR SNAPSHOT_TOOL ONE_FILE');
  process.exit(2);
}
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kimallusmylly-web-'));
let passed = 0;
let failed = 0;
let browserName = ''; // in front of every check's name

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function check(name, body) {
  try {
    await body();
    passed++;
    console.log(`ok: ${browserName}${name}`);
  } catch (err) {
    failed++;
    console.log(`FAIL: ${browserName}${name}: ${err.message}`);
  }
}

function assert(condition, message) {
  if (!condition) throw new Error(message);
}

// Frame `frame` (0 the first) with the pointer blob at `pointer`, or where it
// starts when null, as 120000 grey levels in rows from the top.
function expectedFrame(frame, pointer) {
  const file = path.join(work, 'frame.bmp');
  const args = ['--frame', String(frame)];
  if (pointer) args.push('--pointer', `${pointer[0]},${pointer[1]}`);
  execFileSync(snapshotTool, [...args, file]);
  const bmp = fs.readFileSync(file);
  const offset = bmp.readUInt32LE(10);
  const width = bmp.readInt32LE(18);
  const height = bmp.readInt32LE(22);
  assert(width === 400 && Math.abs(height) === 300 && bmp.readUInt16LE(28) === 8, 'the snapshot is not a 400x300 8-bit picture');
  const grey = Buffer.alloc(400 * 300);
  for (let y = 0; y < 300; y++) {
    const row = height > 0 ? 299 - y : y; // bottom-up unless the height is negative
    bmp.copy(grey, y * 400, offset + row * 400, offset + row * 400 + 400);
  }
  // The palette is the grey ramp, so an index is its grey level. It follows
  // the header, whose size depends on the library that wrote it, and the
  // fourth byte of each entry is unused (or an opaque alpha).
  const palette = 14 + bmp.readUInt32LE(14);
  for (let i = 0; i < 256; i++) {
    assert((bmp.readUInt32LE(palette + 4 * i) & 0xffffff) === i * 0x010101, 'the snapshot palette is not grey');
  }
  return grey;
}

// The canvas as it stands and the number of frames shown, read in one turn
// of the page so that no frame can come between them.
function readCanvas(page) {
  return page.evaluate(() => {
    const shown = Module._kimallusFrameCount();
    const copy = document.createElement('canvas');
    copy.width = 400;
    copy.height = 300;
    const context = copy.getContext('2d');
    context.drawImage(document.getElementById('canvas'), 0, 0);
    const rgba = context.getImageData(0, 0, 400, 300).data;
    let grey = '';
    let notGrey = 0;
    for (let i = 0; i < rgba.length; i += 4) {
      if (rgba[i] !== rgba[i + 1] || rgba[i] !== rgba[i + 2] || rgba[i + 3] !== 255) notGrey++;
      grey += String.fromCharCode(rgba[i]);
    }
    return { shown, notGrey, grey: btoa(grey) };
  });
}

async function expectFrame(page, pointer, what) {
  const { shown, notGrey, grey } = await readCanvas(page);
  assert(shown > 0, `${what}: no frame shown yet`);
  assert(notGrey === 0, `${what}: ${notGrey} pixels are not opaque grey`);
  const got = Buffer.from(grey, 'base64');
  const want = expectedFrame(shown - 1, pointer);
  let differ = 0;
  let first = -1;
  for (let i = 0; i < want.length; i++) {
    if (got[i] !== want[i]) {
      differ++;
      if (first < 0) first = i;
    }
  }
  assert(differ === 0, `${what}: frame ${shown - 1} differs from the snapshot in ${differ} pixels, ` +
    `first at (${first % 400}, ${Math.floor(first / 400)}): page ${got[first]}, snapshot ${want[first]}`);
  return shown;
}

const frameCount = (page) => page.evaluate(() => Module._kimallusFrameCount());

// Waits until the page has shown `count` frames more than it had.
async function framesPass(page, count) {
  const start = await frameCount(page);
  const deadline = Date.now() + 30000;
  while ((await frameCount(page)) < start + count) {
    assert(Date.now() < deadline, `fewer than ${count} frames in 30 s`);
    await sleep(20);
  }
}

async function openPage(browser, url, prepare, viewport = { width: 1000, height: 800 }) {
  const page = await browser.newPage();
  const problems = [];
  const logs = [];
  page.on('console', (m) => {
    if (m.type() === 'error' || m.type() === 'warn') problems.push(`console ${m.type()}: ${m.text()}`);
    else logs.push(m.text());
  });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('requestfailed', (r) => problems.push(`request failed: ${r.url()}`));
  page.on('response', (r) => { if (r.status() >= 400) problems.push(`HTTP ${r.status()}: ${r.url()}`); });
  await page.setViewport(viewport);
  await page.bringToFront();
  if (prepare) await prepare(page);
  await page.goto(url);
  return { page, problems, logs };
}

async function started(page) {
  await page.waitForFunction(() => programStarted &&
    Module._kimallusFrameCount() > 0, { timeout: 60000 }).catch(async () => {
    const shows = await page.evaluate(() => [document.visibilityState, document.body.innerText]);
    throw new Error(`no frame within 60 s; the page is ${shows[0]} and says ${JSON.stringify(shows[1])}`);
  });
}

// Ends the run; the frames it showed.
async function pressEscape(page) {
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.getElementById('output').textContent.includes('Aika:'), { timeout: 30000 });
  return frameCount(page);
}

// Where the canvas lies, in device pixels, and its scale: it must lie on
// whole device pixels, each demo pixel a square of them.
async function canvasGeometry(page) {
  const box = await page.$eval('#canvas', (c) => {
    const r = c.getBoundingClientRect();
    return { ratio: window.devicePixelRatio, edges: [r.left, r.top, r.width, r.height] };
  });
  const [left, top, width, height] = box.edges.map((v) => v * box.ratio);
  const scale = Math.round(width / 400);
  // The browsers keep layout positions to 1/64 CSS pixel or finer.
  const whole = (v) => Math.abs(v - Math.round(v)) < 1 / 32;
  assert([left, top, width / 400, height / 300].every(whole) && scale >= 1 && Math.round(height / 300) === scale,
    `at ratio ${box.ratio} the canvas lies at (${left}, ${top}), ${width}x${height} device pixels`);
  return { ratio: box.ratio, left: Math.round(left), top: Math.round(top), scale };
}

// The point `inside` device pixels right of and below the corner of demo
// pixel (x, y), in CSS pixels.
function pointIn(geometry, [x, y], inside) {
  const { ratio, left, top, scale } = geometry;
  return [(left + x * scale + inside) / ratio, (top + y * scale + inside) / ratio];
}

// The demo pixel drawn under a point given in CSS pixels.
function pixelUnder(geometry, point) {
  const { ratio, left, top, scale } = geometry;
  return point.map((v, i) => Math.min([399, 299][i],
    Math.max(0, Math.floor(Math.round((v * ratio - [left, top][i]) * 64) / 64 / scale))));
}

// The number of device pixels of the canvas, as the screen shows it, that
// differ from frame `want` scaled up. The screenshot is in device pixels.
async function screenDiffers(page, geometry, want) {
  const { left, top, scale } = geometry;
  const shot = await page.screenshot({ encoding: 'base64' });
  const grey = await page.evaluate(async (png, x, y, w, h) => {
    const image = await createImageBitmap(await (await fetch('data:image/png;base64,' + png)).blob());
    const context = new OffscreenCanvas(w, h).getContext('2d');
    context.drawImage(image, -x, -y);
    const rgba = context.getImageData(0, 0, w, h).data;
    let bytes = '';
    for (let i = 0; i < rgba.length; i += 4) bytes += String.fromCharCode(rgba[i]);
    return btoa(bytes);
  }, shot, left, top, 400 * scale, 300 * scale);
  const drawn = Buffer.from(grey, 'base64');
  let differ = 0;
  for (let i = 0; i < drawn.length; i++) {
    const x = Math.floor((i % (400 * scale)) / scale);
    const y = Math.floor(Math.floor(i / (400 * scale)) / scale);
    if (drawn[i] !== want[y * 400 + x]) differ++;
  }
  return differ;
}

// After the run has ended, however: the report line on the page and on the
// console, agreeing with the frames shown, and no frame after it. Its count.
async function reportAgrees(page, logs) {
  const shown = await frameCount(page);
  await sleep(300);
  assert(await frameCount(page) === shown, 'frames still come after the run ended');
  const text = await page.$eval('#output', (e) => e.textContent);
  const m = /^Aika: (\d+)\.(\d{3}) sek, framet: (\d+) kpl, fps: (\d+\.\d{3})\n$/.exec(text);
  assert(m, `the page shows ${JSON.stringify(text)}`);
  const ms = Number(m[1]) * 1000 + Number(m[2]);
  assert(Number(m[3]) === shown, `the report counts ${m[3]} frames, the page showed ${shown}`);
  assert(ms > 0, 'no time passed');
  const rate = (shown * 1000) / ms;
  assert(Math.abs(Number(m[4]) - rate) < 0.0015, `fps ${m[4]} is not ${shown} frames in ${ms} ms`);
  assert(logs.includes(text.trim()), `the console has no report line: ${JSON.stringify(logs)}`);
  return shown;
}

// In a window where the page's own layout would put the canvas between
// device pixels: the canvas must lie on whole ones, and a pointer just
// inside the corner of pixel (123, 77) must bring the blob to the pixel
// drawn under it (a position cut to whole CSS pixels falls on the one
// before).
async function pointerLands(browser, url, viewport) {
  const { page, problems } = await openPage(browser, url, null, viewport);
  await started(page);
  const geometry = await canvasGeometry(page);
  // Firefox's driver moves the pointer by whole CSS pixels only.
  const pointer = pointIn(geometry, [123, 77], 0.25)
    .map((v) => (browserName.startsWith('firefox') ? Math.round(v) : v));
  const under = pixelUnder(geometry, pointer);
  await page.mouse.move(...pointer);
  await framesPass(page, 50);
  await expectFrame(page, under, `pointer over pixel (${under})`);
  const want = expectedFrame((await pressEscape(page)) - 1, under);
  const differ = await screenDiffers(page, geometry, want);
  assert(differ === 0, `${differ} device pixels of the canvas differ from the frame scaled by ${geometry.scale}`);
  assert(problems.length === 0, problems.join('; '));
  await page.close();
}

// A failed start must be said on the page in words, not leave it blank.
async function expectFailure(browser, url, prepare, words) {
  const { page } = await openPage(browser, url, prepare);
  await page.waitForFunction(() => document.getElementById('status').textContent.includes('could not run'),
    { timeout: 30000 });
  const status = await page.$eval('#status', (e) => e.textContent);
  assert(words.test(status), `the page says "${status}"`);
  await page.close();
}

async function inBrowser(browser, url) {
  {
    const { page, problems, logs } = await openPage(browser, url);
    await check('the page starts, titled by the caption, at a whole scale with sharp pixels', async () => {
      await started(page);
      assert(await page.title() === 'Kimallusmylly', `the title is "${await page.title()}"`);
      const look = await page.$eval('#canvas', (c) => ({
        width: c.getBoundingClientRect().width, height: c.getBoundingClientRect().height,
        rendering: getComputedStyle(c).imageRendering, w: c.width, h: c.height,
      }));
      // 1000x800 leaves room for twice the size.
      assert(look.w === 400 && look.h === 300 && look.width === 800 && look.height === 600,
        `canvas ${look.w}x${look.h} shown at ${look.width}x${look.height}`);
      assert(look.rendering === 'pixelated', `image-rendering is ${look.rendering}`);
      assert(await page.$eval('#end', (e) => e.hidden), 'a window with a keyboard is offered the end control');
    });
    await check('the canvas is the renderer\'s frame, at two moments, with no pointer', async () => {
      const first = await expectFrame(page, null, 'first look');
      await framesPass(page, 400); // past a whole orbit
      const second = await expectFrame(page, null, 'second look');
      assert(second > first, 'the frame count did not advance');
    });
    // Canvas pixel (x, y) to page coordinates: the middle of its square.
    const box = await page.$eval('#canvas', (c) => { const r = c.getBoundingClientRect(); return { left: r.left, top: r.top, scale: r.width / 400 }; });
    const at = (x, y) => [box.left + (x + 0.5) * box.scale, box.top + (y + 0.5) * box.scale];
    await check('a pointer move over the canvas brings the pointer blob', async () => {
      await page.mouse.move(...at(300, 90));
      await framesPass(page, 50);
      await expectFrame(page, [300, 90], 'pointer at (300, 90)');
    });
    await check('a button press and release bring it too, to the corner pixel', async () => {
      await page.mouse.move(...at(399, 299));
      await page.mouse.down({ button: 'right' });
      await page.mouse.up({ button: 'right' });
      await framesPass(page, 50);
      await expectFrame(page, [399, 299], 'button at (399, 299)');
    });
    await check('Escape ends the run with a report line that agrees with the frames', async () => {
      const shown = await pressEscape(page);
      assert(await reportAgrees(page, logs) === shown, 'frames came after Escape');
      await expectFrame(page, [399, 299], 'the last frame, left on the canvas');
    });
    await check('the page logged no error and loaded every file', async () => {
      assert(problems.length === 0, problems.join('; '));
    });
    await page.close();

    await check('without WebAssembly the page says so', () => expectFailure(browser, url,
      (p) => p.evaluateOnNewDocument(() => { delete window.WebAssembly; }), /no WebAssembly/));
    for (const ext of ['wasm', 'js']) {
      await check(`a missing .${ext} file is named on the page`, () => expectFailure(browser, url, async (p) => {
        await p.setRequestInterception(true);
        p.on('request', (r) => (r.url().endsWith(`kimallusmylly.${ext}`) ? r.respond({ status: 404, body: '' }) : r.continue()));
      }, new RegExp(`kimallusmylly\\.${ext} did not load`)));
    }
  }
  // Scale 1 with the canvas's top between device pixels under the page's
  // own layout, and scale 2 at a ratio that makes a demo pixel 4/3 CSS pixel.
  for (const ratio of [1, 1.5]) {
    await check(`the pointer lands on the pixel drawn under it, 700x501 at ratio ${ratio}`, async () => {
      // Chromium's emulated ratio is no screen's (see browser.js).
      const own = browserName.startsWith('chromium') && ratio !== 1 ? await launchChromium(ratio) : null;
      try {
        await pointerLands(own || browser, url, { width: 700, height: 501, deviceScaleFactor: own ? 0 : ratio });
      } finally {
        await own?.close();
      }
    });
  }
  // The driver emulates a phone in Chromium only, laid out in CSS pixels at
  // its own ratio; a phone's ratio is the screen's, as for 1.5 above.
  if (browserName.startsWith('chromium')) {
    for (const ratio of new Set(handhelds.map((device) => device.ratio))) {
      const own = await launchChromium(ratio);
      try {
        for (const device of handhelds.filter((d) => d.ratio === ratio)) await handheld(own, url, device);
      } finally {
        await own.close();
      }
    }
  }
}

// Phones and a tablet, portrait size and ratio, turned to landscape during
// the run. Where the window leaves no room beside or below the canvas
// (overlaid), the lines and the end control may lie over its edge.
const handhelds = [
  { size: [320, 568], ratio: 2 },
  { size: [390, 844], ratio: 3 },
  { size: [412, 915], ratio: 2.625 },
  { size: [411, 823], ratio: 3.5 },
  { size: [768, 1024], ratio: 2, overlaid: ['landscape'] },
];

// What a visitor sees of the page, in CSS pixels: the window, the canvas,
// the status, report and end control, and the scroll position and zoom.
function pageView(page) {
  return page.evaluate(() => {
    const rect = (id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      return { name: id, left: r.left, top: r.top, right: r.right, bottom: r.bottom, shown: r.width > 0 && r.height > 0 };
    };
    return {
      width: document.documentElement.clientWidth, height: document.documentElement.clientHeight,
      canvas: rect('canvas'), lines: ['status', 'output', 'end'].map(rect),
      moved: [window.scrollX, window.scrollY, visualViewport.scale, visualViewport.offsetLeft, visualViewport.offsetTop].join(),
    };
  });
}

// The whole canvas in the window at the largest whole number of device
// pixels per demo pixel that keeps it there, and what the page says in the
// window too, off the canvas unless there is no room.
async function fitsWindow(page, overlaid, what) {
  const view = await pageView(page);
  const geometry = await canvasGeometry(page);
  const { ratio, scale } = geometry;
  const largest = Math.max(1, Math.floor(Math.min((view.width * ratio) / 400, (view.height * ratio) / 300)));
  assert(scale === largest, `the canvas is at ${scale} device pixels a demo pixel, not ${largest}`);
  const inside = (r) => r.left > -1 / 64 && r.top > -1 / 64 && r.right < view.width + 1 / 64 && r.bottom < view.height + 1 / 64;
  const c = view.canvas;
  for (const r of [c, ...view.lines.filter((line) => line.shown)]) {
    assert(inside(r), `#${r.name} lies at ${JSON.stringify(r)}, outside ${view.width}x${view.height}`);
    assert(r === c || overlaid || r.right <= c.left || c.right <= r.left || r.bottom <= c.top || c.bottom <= r.top,
      `#${r.name} lies over the canvas ${what}`);
  }
  return geometry;
}

async function blobAt(page, pixel, what) {
  await framesPass(page, 50);
  await expectFrame(page, pixel, what);
}

// The first finger down, its drag and its lift steer the blob to the pixel
// drawn under it, on a page made taller than the window, which is neither
// scrolled nor zoomed. Points just inside a pixel's corners fall in the
// next pixel when rounded, in the one before when cut to whole CSS pixels.
// The finger goes up, which would scroll the page down. Where the blob ends.
async function fingerSteers(page, touch, geometry, blob) {
  const before = (await pageView(page)).moved;
  await blobAt(page, blob, 'before the finger');
  const start = pointIn(geometry, [123, 277], geometry.scale / 2);
  await touch('touchStart', [start]);
  await blobAt(page, [123, 277], 'a finger on the middle of pixel (123, 277)');
  const end = pointIn(geometry, [300, 20], 0.25);
  for (let step = 1; step <= 8; step++) await touch('touchMove', [start.map((v, i) => v + ((end[i] - v) * step) / 8)]);
  await blobAt(page, [300, 20], 'dragged to just inside the corner of pixel (300, 20)');
  await touch('touchMove', [pointIn(geometry, [392, 9], geometry.scale - 0.25)]);
  await touch('touchEnd', []);
  await blobAt(page, [392, 9], 'lifted just inside the far corner of pixel (392, 9)');
  // A tap where the position cut to whole CSS pixels is in another pixel,
  // where the browser's mouse events made from a touch would put the blob
  // (if there is such a pixel: not where demo pixels are whole CSS pixels).
  const cut = (x) => pixelUnder(geometry, pointIn(geometry, [x, 250], 0.25).map(Math.floor))[0] !== x;
  const tap = [Array.from({ length: 300 }, (_, i) => 40 + i).find(cut) ?? 40, 250];
  await touch('touchStart', [pointIn(geometry, tap, 0.25)]);
  await touch('touchEnd', []);
  await blobAt(page, tap, `tapped just inside the corner of pixel (${tap})`);
  // And as the driver's touch screen taps, at whole CSS pixels.
  const whole = pointIn(geometry, [200, 150], geometry.scale / 2).map(Math.round);
  await page.touchscreen.tap(...whole);
  const under = pixelUnder(geometry, whole);
  await blobAt(page, under, `tapped at (${whole}) over pixel (${under})`);
  const after = (await pageView(page)).moved;
  assert(after === before, `the page's scroll and zoom went from ${before} to ${after}`);
  return under;
}

// While the first finger is down, a second one pinching out, and staying
// on after the first lifts, changes nothing. Where the blob ends.
async function secondFinger(page, touch, geometry) {
  const before = (await pageView(page)).moved;
  const first = pointIn(geometry, [150, 150], geometry.scale / 2);
  const second = pointIn(geometry, [250, 160], 0.25);
  await touch('touchStart', [first]);
  await touch('touchStart', [first, second]);
  await blobAt(page, [150, 150], 'a second finger down');
  const apart = [pointIn(geometry, [30, 140], 0.25), pointIn(geometry, [380, 170], 0.25)];
  for (let step = 1; step <= 8; step++) {
    await touch('touchMove', [first, second].map((p, f) => p.map((v, i) => v + ((apart[f][i] - v) * step) / 8)));
  }
  await blobAt(page, [30, 140], 'both fingers moved apart');
  await touch('touchMove', [null, pointIn(geometry, [200, 200], 0.25)]); // the first lifts
  await touch('touchEnd', []);
  await blobAt(page, [30, 140], 'the first finger lifted, then the second moved and lifted');
  const after = (await pageView(page)).moved;
  assert(after === before, `the page's scroll and zoom went from ${before} to ${after}`);
  return [30, 140];
}

// One run, in portrait and then turned to landscape, ended by the control.
async function handheld(browser, url, { size, ratio, overlaid = [] }) {
  const viewport = (landscape) => ({
    width: size[landscape ? 1 : 0], height: size[landscape ? 0 : 1], deviceScaleFactor: 0,
    isMobile: true, hasTouch: true, isLandscape: landscape,
  });
  const { page, problems, logs } = await openPage(browser, url, null, viewport(false));
  // Fingers by CSS position, fractions kept, each by its place in the list;
  // one missing from the list (or null) is lifted.
  const cdp = await page.createCDPSession();
  const touch = (type, points) => cdp.send('Input.dispatchTouchEvent', {
    type, touchPoints: points.flatMap((p, id) => (p ? [{ x: p[0], y: p[1], id }] : [])),
  });
  let blob = null;
  let geometry;
  let named;
  try {
    await started(page);
    // Taller than the window, so that a drag not kept from it would scroll.
    await page.evaluate(() => document.body.insertAdjacentHTML('beforeend',
      '<div style="position: absolute; top: 0; width: 1px; height: 300vh; visibility: hidden"></div>'));
    for (const orientation of ['portrait', 'landscape']) {
      const { width, height } = viewport(orientation === 'landscape');
      named = `${width}x${height} at ratio ${ratio}`;
      if (orientation === 'landscape') {
        // Turned during the run: the page fits itself again at the resize.
        await page.setViewport(viewport(true));
        await page.waitForFunction((w, h) => document.documentElement.clientWidth === w &&
          document.documentElement.clientHeight === h, {}, width, height);
        await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
      }
      await check(`${named}: the whole canvas fits the window at the largest scale, on device pixels`, async () => {
        geometry = await fitsWindow(page, overlaid.includes(orientation), orientation);
      });
      await check(`${named}: a finger steers the blob to the pixel under it, the page neither scrolled nor zoomed`, async () => {
        blob = await fingerSteers(page, touch, geometry, blob);
      });
      await check(`${named}: a second finger changes nothing the first did not`, async () => {
        blob = await secondFinger(page, touch, geometry);
      });
    }
    await check(`${named}: the end control ends the run as Escape does, and the report line shows`, async () => {
      const end = (await pageView(page)).lines[2];
      assert(end.shown, 'the page offers no end control');
      await page.touchscreen.tap(Math.round((end.left + end.right) / 2), Math.round((end.top + end.bottom) / 2));
      await page.waitForFunction(() => document.getElementById('output').textContent.includes('Aika:'), { timeout: 30000 });
      const shown = await reportAgrees(page, logs);
      await expectFrame(page, blob, 'the last frame');
      const status = await page.$eval('#status', (e) => e.textContent);
      assert(/run has ended/.test(status), `the page says "${status}"`);
      assert(!(await pageView(page)).lines[2].shown, 'the end control is still offered');
      await fitsWindow(page, overlaid.includes('landscape'), 'after the run');
      if (!overlaid.includes('landscape')) {
        const differ = await screenDiffers(page, geometry, expectedFrame(shown - 1, blob));
        assert(differ === 0, `${differ} device pixels of the canvas differ from the frame scaled by ${geometry.scale}`);
      }
      assert(problems.length === 0, problems.join('; '));
    });
  } finally {
    await page.close();
  }
}

// The page in one file, opened from disk (a file:// address) with no server:
// the same frames, pointer and Escape as the served page, and the same
// message without WebAssembly, with nothing asked for but the file itself
// and what it carries in data: addresses (its WebAssembly, its icon).
async function fromDisk(browser, url) {
  const asked = [];
  const record = (p) => p.on('request', (r) => asked.push(r.url()));
  const { page, problems, logs } = await openPage(browser, url, record);
  await check('the page in one file starts from disk, titled, at a whole scale', async () => {
    await started(page);
    assert(await page.title() === 'Kimallusmylly', `the title is "${await page.title()}"`);
    const width = await page.$eval('#canvas', (c) => c.getBoundingClientRect().width);
    assert(width === 800, `the canvas is shown ${width} wide`);
  });
  await check('its canvas is the renderer\'s frame, before and after a pointer move and a button press', async () => {
    await expectFrame(page, null, 'no pointer');
    const box = await page.$eval('#canvas', (c) => { const r = c.getBoundingClientRect(); return [r.left, r.top, r.width / 400]; });
    const at = (x, y) => [box[0] + (x + 0.5) * box[2], box[1] + (y + 0.5) * box[2]];
    await page.mouse.move(...at(300, 90));
    await framesPass(page, 50);
    await expectFrame(page, [300, 90], 'pointer at (300, 90)');
    await page.mouse.move(...at(399, 299));
    await page.mouse.down();
    await page.mouse.up();
    await framesPass(page, 50);
    await expectFrame(page, [399, 299], 'button at (399, 299)');
  });
  await check('Escape ends its run with the report line', async () => {
    const shown = await pressEscape(page);
    const text = await page.$eval('#output', (e) => e.textContent);
    const m = /^Aika: \d+\.\d{3} sek, framet: (\d+) kpl, fps: \d+\.\d{3}\n$/.exec(text);
    assert(m && Number(m[1]) === shown, `after ${shown} frames the page shows ${JSON.stringify(text)}`);
    assert(logs.includes(text.trim()), `the console has no report line: ${JSON.stringify(logs)}`);
  });
  await check('it logged no error and asked for nothing but itself', async () => {
    const others = asked.filter((u) => u !== url && !u.startsWith('data:'));
    assert(problems.length === 0 && others.length === 0, [...problems, ...others].join('; '));
  });
  await page.close();
  // Started without WebAssembly, the program's runtime would abort with words
  // of its own, and log them.
  await check('without WebAssembly it says so, and nothing else', async () => {
    const { page: bare, problems: noted } = await openPage(browser, url,
      (p) => p.evaluateOnNewDocument(() => { delete window.WebAssembly; }));
    await bare.waitForFunction(() => document.getElementById('status').textContent.includes('could not run'),
      { timeout: 30000 });
    const status = await bare.$eval('#status', (e) => e.textContent);
    assert(status === 'The demo could not run: this browser has no WebAssembly.' && noted.length === 0,
      `the page says "${status}"; ${noted.join('; ')}`);
    await bare.close();
  });
  await check('with ?loop=empty it says its empty loop is in the served page', () =>
    expectFailure(browser, `${url}?loop=empty`, null, /holds the demo alone; its empty loop is in the served page/));
}

// Sends `request` as it stands; the status of the answer, 0 for none.
function rawRequest(port, request) {
  return new Promise((resolve, reject) => {
    let answer = '';
    const socket = net.connect(port, '127.0.0.1', () => socket.write(request));
    socket.setEncoding('latin1');
    socket.on('data', (d) => { answer += d; });
    socket.on('close', () => resolve(Number((/^HTTP\/1\.1 (\d{3}) /.exec(answer) || [0, 0])[1])));
    socket.on('error', reject);
  });
}

// What an attacker might ask of the server, against a folder holding the
// page, a link out of it, a pipe and a folder named like files it serves.
async function serverChecks() {
  const dir = path.join(work, 'served');
  fs.mkdirSync(path.join(dir, 'folder.js'), { recursive: true });
  fs.writeFileSync(path.join(dir, 'index.html'), 'page');
  fs.writeFileSync(path.join(work, 'secret.js'), 'secret');
  fs.symlinkSync(path.join(work, 'secret.js'), path.join(dir, 'link.js'));
  execFileSync('mkfifo', [path.join(dir, 'pipe.js')]);
  const server = await serve(dir, 0);
  const port = server.address().port;
  const get = (name, method = 'GET') => `${method} ${name} HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n`;
  try {
    await check('the server answers malformed and hostile requests with 4xx and goes on serving', async () => {
      const cases = [
        [get('/index.html%00.js'), 400], [get('/%E0%A4%A.js'), 400], [get('/%ZZ.js'), 400],
        [get('/../secret.js'), 404], [get('/..%2fsecret.js'), 404], [get('/%2e%2e/secret.js'), 404],
        [get('/link.js'), 404], [get('/pipe.js'), 404], [get('/folder.js'), 404], [get('/folder.js/'), 404],
        [get(`/${'a'.repeat(300)}.js`), 404], [get(`/${'a'.repeat(20000)}.js`), 431],
        [get('/index.html', 'DELETE'), 405], [get('/', 'BREW'), 400], ['\x01\x02\r\n\r\n', 400],
        [get('/'), 200], [get('/index.html', 'HEAD'), 200],
      ];
      const wrong = [];
      for (const [request, status] of cases) {
        const got = await rawRequest(port, request);
        if (got !== status) wrong.push(`${JSON.stringify(request.slice(0, 40))}: ${got}, not ${status}`);
      }
      assert(wrong.length === 0, wrong.join('; '));
    });
  } finally {
    server.close();
  }
  await check('the server refuses a folder that is missing or a file', async () => {
    for (const bad of [path.join(work, 'missing'), path.join(dir, 'index.html')]) {
      const run = spawnSync(process.execPath, [path.join(__dirname, '../../web/serve.js'), bad], { encoding: 'utf8', timeout: 10000 });
      assert(run.status === 1 && /not a folder|no such folder/.test(run.stderr) && run.stdout === '',
        `serve.js ${bad}: status ${run.status}, says ${JSON.stringify(run.stdout + run.stderr)}`);
    }
  });
}

async function main() {
  await serverChecks();
  const server = await serve(pageDir, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  try {
    // Alone in a folder outside the build: it needs nothing beside it.
    const alone = path.join(work, 'alone', 'kimallusmylly.html');
    fs.mkdirSync(path.dirname(alone));
    fs.copyFileSync(oneFile, alone);
    const fileUrl = pathToFileURL(alone).href;
    for (const [name, launch] of [['chromium', launchChromium], ['firefox', launchFirefox]]) {
      browserName = `${name}: `;
      const browser = await launch();
      try {
        await inBrowser(browser, url);
        await fromDisk(browser, fileUrl);
      } finally {
        await browser.close();
      }
    }
  } finally {
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  browserName = '';
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((err) => {
  console.log(`FAIL: ${err.stack || err}`);
  process.exit(1);
});
