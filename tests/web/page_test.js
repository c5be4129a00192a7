// The web page in Debian's chromium, headless, as a visitor meets it:
//
//   node page_test.js PAGE_DIR SNAPSHOT_TOOL
//
// Serves PAGE_DIR on 127.0.0.1 and checks that the page starts without an
// error, that its canvas holds, pixel for pixel, the frame the snapshot tool
// (a desktop build, drawing with the same field and motion code) draws for
// the frame number the page has reached, before and after real pointer
// input; that Escape stops it with a well-formed report line that agrees
// with the frames shown; and that a page whose program cannot start says so.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { launchChromium } = require('../../web/browser.js');
const { serve } = require('../../web/serve.js');

const [pageDir, snapshotTool] = process.argv.slice(2);
if (!pageDir || !snapshotTool) {
  console.error('usage: node page_test.js PAGE_DIR SNAPSHOT_TOOL');
  process.exit(2);
}
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kimallusmylly-web-'));
let passed = 0;
let failed = 0;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function check(name, body) {
  try {
    await body();
    passed++;
    console.log(`ok: ${name}`);
  } catch (err) {
    failed++;
    console.log(`FAIL: ${name}: ${err.message}`);
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

async function openPage(browser, url, prepare) {
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
  await page.setViewport({ width: 1000, height: 800 });
  await page.bringToFront();
  if (prepare) await prepare(page);
  await page.goto(url);
  return { page, problems, logs };
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

async function main() {
  const server = await serve(pageDir, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launchChromium();
  try {
    const { page, problems, logs } = await openPage(browser, url);
    await check('the page starts, titled by the caption, at a whole scale with sharp pixels', async () => {
      await page.waitForFunction(() => typeof Module._kimallusFrameCount === 'function' &&
        Module._kimallusFrameCount() > 0, { timeout: 60000 }).catch(async () => {
        const shows = await page.evaluate(() => [document.visibilityState, document.body.innerText]);
        throw new Error(`no frame within 60 s; the page is ${shows[0]} and says ${JSON.stringify(shows[1])}`);
      });
      assert(await page.title() === 'Kimallusmylly', `the title is "${await page.title()}"`);
      const look = await page.$eval('#canvas', (c) => ({
        width: c.getBoundingClientRect().width, height: c.getBoundingClientRect().height,
        rendering: getComputedStyle(c).imageRendering, w: c.width, h: c.height,
      }));
      // 1000x800 leaves room for twice the size.
      assert(look.w === 400 && look.h === 300 && look.width === 800 && look.height === 600,
        `canvas ${look.w}x${look.h} shown at ${look.width}x${look.height}`);
      assert(look.rendering === 'pixelated', `image-rendering is ${look.rendering}`);
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
      await page.keyboard.press('Escape');
      await page.waitForFunction(() => document.getElementById('output').textContent.includes('Aika:'), { timeout: 30000 });
      const shown = await frameCount(page);
      await sleep(300);
      assert(await frameCount(page) === shown, 'frames still come after Escape');
      const text = await page.$eval('#output', (e) => e.textContent);
      const m = /^Aika: (\d+)\.(\d{3}) sek, framet: (\d+) kpl, fps: (\d+\.\d{3})\n$/.exec(text);
      assert(m, `the page shows ${JSON.stringify(text)}`);
      const ms = Number(m[1]) * 1000 + Number(m[2]);
      assert(Number(m[3]) === shown, `the report counts ${m[3]} frames, the page showed ${shown}`);
      assert(ms > 0, 'no time passed');
      const rate = (shown * 1000) / ms;
      assert(Math.abs(Number(m[4]) - rate) < 0.0015, `fps ${m[4]} is not ${shown} frames in ${ms} ms`);
      assert(logs.includes(text.trim()), `the console has no report line: ${JSON.stringify(logs)}`);
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
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((err) => {
  console.log(`FAIL: ${err.stack || err}`);
  process.exit(1);
});
