// The page in a real browser: Debian's chromium, headless, driven by
// puppeteer-core, the page served on 127.0.0.1.
//   node browser-test.js SITE NATIVE_DIR
// SITE is a built page (scripts/web); NATIVE_DIR holds what the native
// headless build gave for the same replay (platform/web/test/web-test makes
// both): trace (the trace) and snaps/ (its pictures).
//   (a) headless=1: the trace of the replay is byte for byte the native one,
//       and every picture it takes is pixel for pixel the native one
//   (b) real time (after a first visit, which marks the first start): the
//       same events in the same order, the pictures taken at quiet moments
//       equal to the native ones, and sound reaching the audio output while
//       the music plays
//   (c) save.dat and the quick slot, kept in IndexedDB: after the save
//       question's Y and a reload the game reads save.dat; after F5 and a
//       reload, load=quick resumes from the slot
'use strict';
const {spawn} = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [site, nativeDir] = process.argv.slice(2);
const kReplay = 'test-replay.txt';
const kSaveReplay = 'test-save-replay.txt';
let failures = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures++;
}

async function waitFor(condition, timeoutMs) {
  const started = Date.now();
  while (!condition()) {
    if (Date.now() - started > timeoutMs) return false;
    await new Promise((r) => setTimeout(r, 200));
  }
  return true;
}

function serve(folder) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', [path.join(__dirname, '..', 'serve.py'), folder], {stdio: ['ignore', 'pipe', 'inherit']});
    server.stdout.once('data', (data) => resolve({server, base: String(data).trim().replace(/index\.html$/, '')}));
    server.once('error', reject);
  });
}

// Put into the page before its scripts: every ScriptProcessorNode's handler
// (SDL's audio callback runs in one) is wrapped so that, after SDL has filled
// the block, its peak is kept with the number of trace lines printed so far.
const kSoundTap = `(() => {
  window.nurumoSound = [];
  window.nurumoTraceLines = 0;
  const log = console.log;
  console.log = function (...a) {
    if (typeof a[0] === 'string' && a[0].startsWith('{')) window.nurumoTraceLines++;
    return log.apply(this, a);
  };
  const make = AudioContext.prototype.createScriptProcessor;
  AudioContext.prototype.createScriptProcessor = function (...a) {
    const node = make.apply(this, a);
    let handler = null;
    Object.defineProperty(node, 'onaudioprocess', {
      get: () => handler,
      set: (f) => {
        handler = f;
        EventTarget.prototype.addEventListener.call(node, 'audioprocess', (e) => {
          f.call(node, e);
          let peak = 0;
          for (let c = 0; c < e.outputBuffer.numberOfChannels; c++) {
            const d = e.outputBuffer.getChannelData(c);
            for (let i = 0; i < d.length; i++) peak = Math.max(peak, Math.abs(d[i]));
          }
          window.nurumoSound.push({peak, lines: window.nurumoTraceLines});
        });
      },
    });
    return node;
  };
})();`;

// Opens the page and gathers its console lines until the game has ended
// (the page shows its closing screen) or `until` says enough.
async function open(browser, url, {before, until, timeoutMs = 120000} = {}) {
  const page = await browser.newPage();
  if (before) await before(page);
  const lines = [];
  page.on('console', (message) => {
    if (message.type() === 'log') lines.push(message.text());
  });
  page.on('pageerror', (error) => lines.push('PAGE ERROR ' + error.message));
  await page.goto(url);
  const started = Date.now();
  for (;;) {
    const closed = await page.evaluate(() => document.body.classList.contains('closed'));
    if (closed || (until && (await until(page, lines)))) break;
    if (Date.now() - started > timeoutMs) {
      lines.push('TIMEOUT');
      break;
    }
    await new Promise((r) => setTimeout(r, 200));
  }
  return {page, lines};
}

// The event names of trace lines, in order, without their times.
function events(lines) {
  return lines.filter((l) => l.startsWith('{')).map((l) => {
    const event = JSON.parse(l);
    delete event.t;
    delete event.time;
    return JSON.stringify(event);
  });
}

// The RGBA pixels of a PNG, decoded by the browser.
async function pixels(page, bytes) {
  return page.evaluate(async (b64) => {
    const blob = await (await fetch('data:image/png;base64,' + b64)).blob();
    const bitmap = await createImageBitmap(blob);
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let hash = 0;
    for (let i = 0; i < data.length; i++) hash = (hash * 31 + data[i]) >>> 0;
    return bitmap.width + 'x' + bitmap.height + ':' + hash;
  }, Buffer.from(bytes).toString('base64'));
}

// The pictures the replay takes that cannot be caught in real time, and why:
// the virtual clock of (a) still holds them to the native ones.
const kMoving = {
  'title.png': 'the title is drawn anew every 100 ms from the game\'s random numbers (its noise, ' +
               'the name fading in), so real time cannot catch the native tick',
};

// The pictures the replay took in the page (written into its root folder)
// against the native ones, pixel for pixel; those in `skip` are named with
// the reason.
async function comparePictures(page, label, skip) {
  for (const name of fs.readdirSync(path.join(nativeDir, 'snaps')).sort()) {
    if (skip[name]) {
      console.log('skip ' + label + ': the picture ' + name + ': ' + skip[name]);
      continue;
    }
    const native = fs.readFileSync(path.join(nativeDir, 'snaps', name));
    let bytes = null;
    try {
      bytes = Buffer.from(await page.evaluate((n) => Array.from(Module.FS.readFile('/' + n)), name));
    } catch (e) { /* not taken */ }
    const same = bytes && (await pixels(page, bytes)) === (await pixels(page, native));
    check(same, label + ': the picture ' + name + ' equals the native one');
    if (!same && bytes && process.env.NURUMO_WEB_KEEP) {  // to look at
      fs.writeFileSync(path.join(process.env.NURUMO_WEB_KEEP, 'page-' + name), bytes);
      fs.writeFileSync(path.join(process.env.NURUMO_WEB_KEEP, 'native-' + name), native);
    }
  }
}

async function main() {
  fs.copyFileSync(path.join(__dirname, 'replay.txt'), path.join(site, kReplay));
  const nativeTrace = fs.readFileSync(path.join(nativeDir, 'trace'), 'utf8');
  const {server, base} = await serve(site);
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--disable-gpu', '--autoplay-policy=no-user-gesture-required',
           '--window-size=1280,800'],
  });
  try {
    // (a) the virtual clock: byte for byte.
    {
      const {page, lines} = await open(browser, base + 'index.html?headless=1&seed=7&trace=-&replay=' + kReplay);
      const trace = lines.filter((l) => l.startsWith('{')).join('\n') + '\n';
      check(trace === nativeTrace, '(a) headless=1: the trace equals the native one (' +
            lines.length + ' lines)');
      if (trace !== nativeTrace) {
        const a = nativeTrace.split('\n'), b = trace.split('\n');
        const i = a.findIndex((line, n) => line !== b[n]);
        console.log('  first difference at line ' + (i + 1) + ':\n  native ' + a[i] + '\n  page   ' + b[i]);
      }
      await comparePictures(page, '(a) headless=1', {});
      await page.close();
    }
    // A first visit in real time: the first start's notice (the way to the
    // menu) shows there, and the settings file that marks it is kept, so
    // that the run below starts as the native one does, with no notice.
    {
      const page = await browser.newPage();
      await page.goto(base + 'index.html');
      await page.waitForFunction(() => document.body.classList.contains('running'), {timeout: 60000});
      await new Promise((r) => setTimeout(r, 3500));  // the page keeps what was written within two seconds
      await page.close();
    }
    // (b) real time: the same events, the same pictures, sound.
    {
      // The headless run ends at its stop time (quit, then the end); the page
      // plays on in real time, so the events up to that quit are compared.
      const nativeEvents = events(nativeTrace.split('\n'));
      const want = nativeEvents.slice(0, nativeEvents.findIndex((e) => JSON.parse(e).ev === 'quit'));
      const {page, lines} = await open(browser, base + 'index.html?seed=7&trace=-&replay=' + kReplay, {
        before: (p) => p.evaluateOnNewDocument(kSoundTap),
        until: async (p, seen) => events(seen).length >= want.length,
      });
      if (process.env.NURUMO_WEB_KEEP) fs.writeFileSync(path.join(process.env.NURUMO_WEB_KEEP, 'page-trace'), lines.join('\n') + '\n');
      check(!lines.includes('TIMEOUT'), '(b) real time: the game ran the replay to its end');
      const got = events(lines);
      check(JSON.stringify(want) === JSON.stringify(got),
            '(b) real time: the same ' + want.length + ' events in the same order (got ' + got.length + ')');
      // Each block of sound the page handed the audio output, with the trace
      // line count at that moment: the music's blocks are those after a midi
      // line and before the next midi-stop.
      const blocks = await page.evaluate(() => window.nurumoSound || []);
      const traced = lines.filter((l) => l.startsWith('{'));
      const playing = (n) => {
        let on = false;
        for (const line of traced.slice(0, n)) {
          const ev = JSON.parse(line).ev;
          if (ev === 'midi') on = true;
          if (ev === 'midi-stop') on = false;
        }
        return on;
      };
      const loud = blocks.filter((b) => b.peak > 0.01 && playing(b.lines)).length;
      check(loud >= 10, '(b) real time: sound reaches the audio output while the music plays (' + loud + ' of ' +
            blocks.length + ' blocks audible during music)');
      await comparePictures(page, '(b) real time', kMoving);
      await page.close();
    }
    // (c) save.dat kept in IndexedDB across a reload: the save question's Y,
    // then a fresh start reads it.
    {
      fs.copyFileSync(path.join(nativeDir, 'save-replay.txt'), path.join(site, kSaveReplay));
      const page = await browser.newPage();
      const lines = [];
      page.on('console', (message) => lines.push(message.text()));
      await page.goto(base + 'index.html?seed=1&trace=-&replay=' + kSaveReplay);
      const saved = await waitFor(() => lines.some((l) => l.includes('"ev":"save","ok":true')), 90000);
      await new Promise((r) => setTimeout(r, 3500));  // the page keeps what was written within two seconds
      lines.length = 0;
      await page.goto(base + 'index.html?trace=-');
      const loaded = await waitFor(() => lines.some((l) => l.includes('"ev":"load"')), 60000);
      check(saved && loaded && lines.some((l) => l.includes('"ev":"load","ok":true')),
            '(c) the save question\'s Y, a reload: the game reads save.dat');
      await page.close();
    }
    // (c) the quick slot kept in IndexedDB across a reload.
    {
      const page = await browser.newPage();
      const lines = [];
      page.on('console', (message) => lines.push(message.text()));
      await page.goto(base + 'index.html?seed=3&trace=-');
      await page.waitForFunction(() => document.body.classList.contains('running'), {timeout: 60000});
      await new Promise((r) => setTimeout(r, 3000));
      await page.keyboard.press('Space');
      await new Promise((r) => setTimeout(r, 2000));
      await page.keyboard.press('F5');
      await new Promise((r) => setTimeout(r, 3500));  // the page keeps what was written within two seconds
      const saved = lines.some((l) => l.includes('"ev":"slot-save","slot":"quick","ok":true'));
      lines.length = 0;
      await page.goto(base + 'index.html?load=quick&trace=-');
      await page.waitForFunction(() => document.body.classList.contains('running'), {timeout: 60000});
      await waitFor(() => lines.some((l) => l.includes('"slot-load"')), 30000);
      check(saved && lines.some((l) => l.includes('"ev":"slot-load","slot":"quick","ok":true')),
            '(c) F5, a reload, load=quick: the game resumes from the quick slot');
      await page.close();
    }
  } finally {
    await browser.close();
    server.kill();
    fs.rmSync(path.join(site, kReplay), {force: true});
    fs.rmSync(path.join(site, kSaveReplay), {force: true});
  }
  console.log(failures ? failures + ' checks failed' : 'all checks passed');
  process.exit(failures ? 1 : 0);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
