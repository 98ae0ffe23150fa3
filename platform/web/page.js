// What only the page does around the game: its options from the address,
// the saves kept in the browser's storage (IndexedDB), the loading bar, the
// picture's scale, full screen, screenshots and the afterword as downloads,
// and the quiet screen after 終了. The game itself is the same program as on
// the desktop (nurumo.js + nurumo.wasm); this script is loaded before it.
'use strict';

(function () {
  const kWidth = 416, kHeight = 256;
  const kData = '/data';                     // IndexedDB: save.dat, the slots, the settings, the afterword
  const kGame = '/game';                     // the game folder, packed by scripts/web
  const kPage = '/page';                     // files the address names (a replay), fetched beside the page
  const kSaveDir = kData + '/nurumo';        // where the game keeps what it writes (XDG_DATA_HOME/nurumo)
  // Every long option of `nurumo --help`: those taking a value, and flags.
  const kValued = ['seed', 'scale', 'text', 'replay', 'trace', 'snap-dir', 'until', 'load'];
  const kFlags = ['fullscreen', 'headless', 'autoplay', 'continue', 'autosave', 'help', 'version'];
  const kFiles = ['replay'];                 // fetched relative to the page

  const params = new URLSearchParams(location.search);
  const headless = params.get('headless') === '1';
  const canvas = document.getElementById('canvas');
  const bar = document.getElementById('fill');
  const label = document.getElementById('label');
  let syncing = false, syncAgain = false, running = false;

  function status(text, fraction) {
    if (label) label.textContent = text;
    if (bar && fraction !== undefined) bar.style.width = Math.round(fraction * 100) + '%';
  }

  // The largest whole-number scale that fits the browser's window; sharp
  // pixels (image-rendering in the page's style), centred by the stage.
  function fit() {
    const w = canvas.width || kWidth, h = canvas.height || kHeight;
    const scale = Math.max(1, Math.floor(Math.min(innerWidth / w, innerHeight / h) * devicePixelRatio)) /
                  devicePixelRatio;
    canvas.style.width = (w * scale) + 'px';
    canvas.style.height = (h * scale) + 'px';
  }
  addEventListener('resize', fit);
  new MutationObserver(fit).observe(canvas, {attributes: true, attributeFilter: ['width', 'height']});

  // The arrow keys and SPACE never scroll the page; F12 is the game's own
  // screenshot, not the browser's tools.
  const kQuietKeys = new Set(['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', ' ', 'Spacebar',
                              'PageUp', 'PageDown', 'Home', 'End', 'Tab', 'Backspace', 'F5', 'F9',
                              'F11', 'F12']);
  addEventListener('keydown', function (event) {
    if (kQuietKeys.has(event.key)) event.preventDefault();
    if (event.key === 'F12') setTimeout(downloadScreenshots, 200);
  }, true);

  function download(name, bytes, type) {
    const url = URL.createObjectURL(new Blob([bytes], {type: type}));
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
  }

  function listFiles(dir) {
    try {
      return Module.FS.readdir(dir).filter(function (name) { return name !== '.' && name !== '..'; });
    } catch (e) {
      return [];
    }
  }

  // F12 saved the picture into the screenshots folder: hand it to the
  // player as a download and keep no copy in the browser's storage.
  function downloadScreenshots() {
    const dir = kSaveDir + '/screenshots';
    for (const name of listFiles(dir)) {
      const path = dir + '/' + name;
      download(name, Module.FS.readFile(path), 'image/png');
      Module.FS.unlink(path);
    }
    sync();
  }

  // The afterword (あとがき.txt, written at the ending) as the text file it is.
  function afterwordPath() {
    for (const name of listFiles(kSaveDir)) {
      if (/\.txt$/i.test(name)) return kSaveDir + '/' + name;
    }
    return null;
  }
  function showAfterwordButton() {
    const button = document.getElementById('afterword');
    if (button) button.hidden = afterwordPath() === null;
  }

  // Copies what the game wrote into IndexedDB; one copy at a time.
  function sync(done) {
    if (!Module.FS || headless) return done && done();
    if (syncing) {
      syncAgain = true;
      return done && done();
    }
    syncing = true;
    Module.FS.syncfs(false, function (error) {
      syncing = false;
      if (error) console.error('nurumo: cannot keep the saves in the browser: ' + error);
      if (syncAgain) {
        syncAgain = false;
        sync();
      }
      showAfterwordButton();
      if (done) done();
    });
  }

  function args() {
    const list = ['--game-dir', kGame];
    if (!params.has('scale')) list.push('--scale', '1');  // the page scales the picture itself
    for (const [name, value] of params) {
      if (kFlags.includes(name)) {
        if (value !== '0' && value !== 'false') list.push('--' + name);
      } else if (kValued.includes(name)) {
        list.push('--' + name, kFiles.includes(name) ? kPage + '/' + value.replace(/^.*\//, '') : value);
      } else {
        console.warn('nurumo: the address option ' + name + ' is not one of nurumo --help; ignored');
      }
    }
    return list;
  }

  function fetchInto(path, url) {
    Module.addRunDependency('fetch ' + url);
    fetch(url).then(function (response) {
      if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
      return response.arrayBuffer();
    }).then(function (buffer) {
      Module.FS.writeFile(path, new Uint8Array(buffer));
    }).catch(function (error) {
      console.error('nurumo: cannot fetch ' + url + ': ' + error.message);
    }).finally(function () {
      Module.removeRunDependency('fetch ' + url);
    });
  }

  window.Module = {
    canvas: canvas,
    print: function (line) { console.log(line); },        // trace=-: one trace line per console.log
    printErr: function (line) { console.warn(line); },
    setStatus: function (text) {
      const m = /\((\d+(?:\.\d+)?)\/(\d+(?:\.\d+)?)\)/.exec(text || '');
      if (m) status('読み込み中…', Number(m[1]) / Number(m[2]));
      else if (text) status(text);
    },
    monitorRunDependencies: function (left) {
      if (left === 0) status('', 1);
    },
    preRun: [function () {
      const FS = Module.FS, ENV = Module.ENV;
      ENV.XDG_DATA_HOME = kData;
      ENV.XDG_CONFIG_HOME = kData + '/config';
      ENV.HOME = kData + '/home';
      FS.mkdir(kData);
      FS.mkdir(kPage);
      if (!headless) {
        FS.mount(FS.filesystems.IDBFS, {}, kData);
        Module.addRunDependency('saves');
        FS.syncfs(true, function (error) {
          if (error) console.error('nurumo: cannot read the saves from the browser: ' + error);
          Module.removeRunDependency('saves');
        });
      }
      for (const name of kFiles) {
        if (params.has(name)) fetchInto(kPage + '/' + params.get(name).replace(/^.*\//, ''), params.get(name));
      }
    }],
    onRuntimeInitialized: function () {
      const FS = Module.FS;
      for (const dir of [kData + '/nurumo', kData + '/config', kData + '/home']) {
        try { FS.mkdir(dir); } catch (e) { /* there from an earlier visit */ }
      }
      // The game folder is read-only, so the game writes into /data as an
      // installed game writes into the player's folder.
      FS.chmod(kGame, 365 /* 0555 */);
      document.body.classList.add('running');
      fit();
      if (!headless) {
        canvas.focus();
        // Whatever the game wrote reaches IndexedDB within two seconds.
        setInterval(sync, 2000);
      }
      running = true;
      Module.callMain(args());
    },
    onExit: function () {
      running = false;
      sync(function () {
        document.body.classList.remove('running');
        document.body.classList.add('closed');
      });
    },
  };

  // A hidden or closed tab: what the game has written is kept at once.
  document.addEventListener('visibilitychange', function () {
    // The game autosaves on the same news (SDL tells it the window is
    // hidden); keep that too once its loop has run.
    if (document.visibilityState === 'hidden' && running) {
      sync();
      setTimeout(sync, 300);
    }
  });
  addEventListener('pagehide', function () { if (running) sync(); });

  canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });
  canvas.addEventListener('mousedown', function () { canvas.focus(); });
  document.getElementById('fullscreen').addEventListener('click', function () {
    (document.fullscreenElement ? document.exitFullscreen() : canvas.requestFullscreen()).catch(function () {});
    canvas.focus();
  });
  document.getElementById('afterword').addEventListener('click', function () {
    const path = afterwordPath();
    if (path) download('あとがき.txt', Module.FS.readFile(path), 'text/plain;charset=Shift_JIS');
    canvas.focus();
  });
  status('読み込み中…', 0);
})();
