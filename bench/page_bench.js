// The page's frame rate against the same loop with nothing drawn, in one
// headless chromium, and how the browser's way of scheduling a frame bears
// on both.
//
//   node bench/page_bench.js PAGE_DIR [SECONDS-A-RUN [ROUNDS]]
//
// Each run loads the page, lets it run, presses Escape and reads the fps of
// its report line. Prints every round and the medians. Not a test: the
// figures move with whatever else the machine is doing.
'use strict';

const [pageDir, secondsArg = '4', roundsArg = '5', ...extra] = process.argv.slice(2);
const seconds = Number(secondsArg);
const rounds = Number(roundsArg);
// Anything else would give figures from runs not timed as asked.
if (!pageDir || extra.length || !/^\d*\.?\d+$/.test(secondsArg) || !(seconds > 0) ||
    !/^\d+$/.test(roundsArg) || !(rounds > 0)) {
  console.error('usage: node page_bench.js PAGE_DIR [SECONDS-A-RUN [ROUNDS]]   (SECONDS a positive number, ROUNDS a positive whole number)');
  process.exit(2);
}
const { launchChromium } = require('../tests/web/browser.js');
const { serve } = require('../web/serve.js');
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (v) => {
  const s = [...v].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

async function fpsOf(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 800 });
  await page.bringToFront(); // a hidden page gets no animation frames
  await page.goto(url);
  await page.waitForFunction(() => programStarted &&
    Module._kimallusFrameCount() > 0, { timeout: 60000 }).catch(async () => {
    const shows = await page.evaluate(() => [document.visibilityState, document.body.innerText]);
    throw new Error(`no frame from ${url} within 60 s; the page is ${shows[0]} and says ${JSON.stringify(shows[1])}`);
  });
  await sleep(seconds * 1000);
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.getElementById('output').textContent.includes('Aika:'), { timeout: 30000 });
  const line = (await page.$eval('#output', (e) => e.textContent)).trim();
  await page.close();
  const m = / fps: (\d+\.\d+)$/.exec(line);
  if (!m) throw new Error(`no report line from ${url}: ${line}`);
  return Number(m[1]);
}

async function main() {
  const server = await serve(pageDir, 0);
  const base = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launchChromium();
  const runs = {
    'demo': '', 'empty loop': '?loop=empty',
    'demo, a frame a display refresh': '?timing=frame', 'demo, setTimeout(0)': '?timing=timeout',
  };
  const rates = Object.fromEntries(Object.keys(runs).map((k) => [k, []]));
  const ratios = [];
  try {
    for (let round = 1; round <= rounds; round++) {
      const got = {};
      for (const [name, query] of Object.entries(runs)) {
        got[name] = await fpsOf(browser, base + query);
        rates[name].push(got[name]);
      }
      ratios.push((100 * got.demo) / got['empty loop']);
      console.log(`round ${round}: ` + Object.entries(got).map(([k, v]) => `${k} ${v.toFixed(1)} fps`).join(', ') +
        `, demo/empty ${ratios[ratios.length - 1].toFixed(1)}%`);
    }
  } finally {
    await browser.close();
    server.close();
  }
  // The machine's speed drifts over a run; a round's runs are seconds apart,
  // so the median of the rounds' own ratios is the steadier figure.
  console.log('median: ' + Object.entries(rates).map(([k, v]) => `${k} ${median(v).toFixed(1)} fps`).join(', ') +
    `, demo/empty ${median(ratios).toFixed(1)}% (median of rounds)`);
}

main().catch((err) => {
  console.error(`page_bench.js: ${err.stack || err}`);
  process.exit(1);
});
