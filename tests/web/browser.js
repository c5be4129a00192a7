// Debian's chromium (and, for the page's test, firefox-esr), headless, for the
// page's test and benchmark: a fresh profile every time, nothing fetched from
// the network behind the page's back.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

// At `ratio` device pixels a CSS pixel, when given, as a screen would have
// it: the driver's emulated ratio only scales a page laid out in CSS pixels.
async function launchChromium(ratio) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kimallusmylly-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: [
      '--no-sandbox', // runs as root on the test machines
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
      ...(ratio ? [`--force-device-scale-factor=${ratio}`] : []),
    ],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// Driven through WebDriver BiDi; the driver makes and removes its own profile,
// with its own settings that keep the browser off the network.
function launchFirefox() {
  return puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
  });
}

module.exports = { launchChromium, launchFirefox };
