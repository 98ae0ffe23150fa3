// Benchmarks of the page, not a test: node measure.js SITE
// Prints the time from opening the page to the title's first frame, and the
// main thread's busy time (Chromium's TaskDuration) as a share of one core
// over 10 s at the title and over 10 s of a still page (the title left alone
// until it stands still).
'use strict';
const {spawn} = require('child_process');
const path = require('path');
const puppeteer = require('puppeteer-core');

async function main() {
  const site = process.argv[2];
  const server = spawn('python3', [path.join(__dirname, '..', 'serve.py'), site], {stdio: ['ignore', 'pipe', 'inherit']});
  const base = await new Promise((resolve) => server.stdout.once('data', (d) => resolve(String(d).trim())));
  const browser = await puppeteer.launch({executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--disable-gpu', '--window-size=1280,800']});
  try {
    const page = await browser.newPage();
    const opened = Date.now();
    await page.goto(base);
    // The first frame: the canvas shows something other than the white it starts with.
    await page.waitForFunction(() => {
      const c = document.getElementById('canvas');
      if (!document.body.classList.contains('running') || !c.width) return false;
      const probe = document.createElement('canvas');
      probe.width = c.width; probe.height = c.height;
      const g = probe.getContext('2d');
      g.drawImage(c, 0, 0);
      const d = g.getImageData(0, 0, c.width, c.height).data;
      for (let i = 0; i < d.length; i += 4) if (d[i] !== 255 || d[i + 1] !== 255 || d[i + 2] !== 255) return true;
      return false;
    }, {polling: 20, timeout: 60000});
    console.log('first frame of the title: ' + ((Date.now() - opened) / 1000).toFixed(2) + ' s after opening the page');
    const client = await page.target().createCDPSession();
    await client.send('Performance.enable');
    async function busy(seconds) {
      const task = async () => (await client.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
      const before = await task();
      await new Promise((r) => setTimeout(r, seconds * 1000));
      return ((await task()) - before) / seconds * 100;
    }
    console.log('main thread at the title: ' + (await busy(10)).toFixed(2) + ' % of a core');
    await new Promise((r) => setTimeout(r, 20000));
    console.log('main thread on a still page: ' + (await busy(10)).toFixed(2) + ' % of a core');
  } finally {
    await browser.close();
    server.kill();
  }
}

main().catch((e) => { console.error(e); process.exit(1); });
