// The page around the game: checks what the browser offers, loads the game
// with a progress bar, keeps its saves in IndexedDB, letterboxes the canvas
// in the browser window, and gives tests and measurements what they read
// (window.tallowfen). ?play=URL and ?verify=URL fetch a demo from this site
// and hand it to the game. Served by a daily board, it points the game there.
(function () {
  'use strict';
  const SAVES = '/home/web_user/.local/share/tallowfen';
  const canvas = document.getElementById('canvas');
  const stage = document.getElementById('stage');
  const status = document.getElementById('status');
  const progress = document.getElementById('progress');
  const loading = document.getElementById('loading');
  const errorBox = document.getElementById('error');
  const soundNote = document.getElementById('sound-note');

  const tallowfen = window.tallowfen = {
    loadStarted: performance.now(), firstFrameAt: null, frames: 0,
    frameTimes: [], frameWork: [], failed: null,
    board: null,  // true once a daily board is found serving the page, false when none is
    get frameIntervals() { return Module.rlpFrameIntervals ? Module.rlpFrameIntervals() : []; },
    audio: {
      state: () => (Module.rlpAudio ? Module.rlpAudio().state : 'none'),
      heard: () => (Module.rlpAudio ? Module.rlpAudio().heard : {frames: 0, rms: 0, peak: 0}),
    },
  };

  function fail(message) {
    console.error(message);
    tallowfen.failed = message;
    loading.hidden = true;
    errorBox.hidden = false;
    errorBox.textContent = message;
  }

  // The canvas keeps its 600 by 450 pixels and is shown as large as the
  // window allows at that shape, leaving room for the sound line below.
  function letterbox() {
    const room = Math.max(120, window.innerHeight - 40);
    const scale = Math.min(document.documentElement.clientWidth / 600, room / 450);
    stage.style.width = Math.floor(600 * scale) + 'px';
    stage.style.height = Math.floor(450 * scale) + 'px';
  }
  window.addEventListener('resize', letterbox);
  letterbox();

  function webgl2() {
    try {
      return !!document.createElement('canvas').getContext('webgl2');
    } catch (e) {
      return false;
    }
  }
  if (typeof WebAssembly !== 'object') {
    fail('Tallowfen needs WebAssembly, which this browser does not offer (or has switched off).');
    return;
  }
  if (!webgl2()) {
    fail('Tallowfen needs WebGL 2, which this browser does not offer (or has switched off). ' +
         'Try another browser, or turn on hardware acceleration in this one.');
    return;
  }

  // ?arg=--level&arg=20 become the game's arguments, ?env=NAME=VALUE its environment.
  const query = new URLSearchParams(location.search);
  const args = query.getAll('arg');
  const env = query.getAll('env').map((pair) => pair.split(/=(.*)/s)).filter((p) => p[0]);

  // ?play=URL or ?verify=URL: a demo from this site only (another could make
  // the page fetch what it likes), fetched into the page's files before main.
  function demoAsked() {
    const verbs = ['play', 'verify'].filter((verb) => query.has(verb));
    if (verbs.length === 0) return {demo: null};
    if (verbs.length > 1) return {refused: 'Tallowfen takes ?play= or ?verify=, not both.'};
    const address = query.get(verbs[0]);
    let url;
    try {
      url = new URL(address, location.href);
    } catch (e) {
      return {refused: `Tallowfen cannot fetch a demo from "${address}": it is not an address.`};
    }
    if (url.origin !== location.origin) {
      return {refused: `Tallowfen fetches demos from its own site only (${location.origin}), not from ${url.origin}.`};
    }
    const name = url.pathname.split('/').pop().replace(/[^\w.-]/g, '_') || 'demo';
    return {demo: {verb: verbs[0], url: url.href, path: '/tmp/' + name}};
  }
  const {demo, refused} = demoAsked();
  if (refused) {
    fail(refused);
    return;
  }
  // A daily board serving this site (tallowfen-board) answers /api/health with
  // its state as JSON; a plain web server has no such address, and then
  // nothing changes. With a board, the game sends its counted daily runs here
  // (--board, unless the address gave one) and the page links to the board.
  const boardLink = document.getElementById('board-link');
  const boardFound = (async () => {
    const controller = new AbortController();
    const timer = setTimeout(() => controller.abort(), 5000);  // the game starts without it
    try {
      const response = await fetch('/api/health', {cache: 'no-store', signal: controller.signal});
      if (!/^application\/json\b/.test(response.headers.get('Content-Type') || '')) return false;
      const health = await response.json();
      return !!health && typeof health === 'object' && typeof health.status === 'string' &&
             Number.isInteger(health.waiting) && Number.isInteger(health.queue);
    } catch (e) {
      return false;
    } finally {
      clearTimeout(timer);
    }
  })();

  function askBoard() {
    Module.addRunDependency('board');
    boardFound.then((found) => {
      tallowfen.board = found;
      if (found) {
        boardLink.hidden = false;
        if (!args.includes('--board')) args.push('--board', location.origin);
      }
      Module.removeRunDependency('board');
    });
  }

  // What --verify prints, shown on the page when the game has exited.
  const verdict = [];

  async function fetchDemo() {
    Module.addRunDependency('demo');
    try {
      const response = await fetch(demo.url);
      if (!response.ok) throw new Error(`${response.status} ${response.statusText}`.trim());
      Module.FS.writeFile(demo.path, new Uint8Array(await response.arrayBuffer()));
    } catch (error) {
      fail(`Tallowfen could not fetch the demo ${demo.url}: ${error.message}`);
      return;  // the game never starts without it
    }
    args.push('--' + demo.verb, demo.path);  // the very array main is called with
    Module.removeRunDependency('demo');
  }

  // The game's keys stay in the game: no scrolling, no browser shortcuts. A
  // key that types a character is held back at its keypress instead: the
  // browser sends no keypress for a keydown held back, and the game reads
  // typed characters (a name for the board) from the keypress.
  const inField = (event) => event.target && /^(INPUT|TEXTAREA|SELECT)$/.test(event.target.tagName);
  window.addEventListener('keydown', (event) => {
    if (event.ctrlKey || event.metaKey || event.key === 'F5' || event.key === 'F12' || inField(event)) return;
    if ([...event.key].length !== 1) event.preventDefault();
  }, true);
  window.addEventListener('keypress', (event) => {
    if (!event.ctrlKey && !event.metaKey && !inField(event)) event.preventDefault();
  }, true);
  canvas.addEventListener('pointerdown', () => canvas.focus());

  let syncing = false, again = false;
  function persist() {
    if (syncing) { again = true; return; }
    syncing = true;
    Module.FS.syncfs(false, (err) => {
      syncing = false;
      if (err) console.warn('Tallowfen could not keep the saves in the browser: ' + err);
      if (again) { again = false; persist(); }
    });
  }

  const Module = window.Module = {
    canvas: canvas,
    arguments: args,
    print: (text) => {
      console.log(text);
      if (demo && demo.verb === 'verify') verdict.push(text);
    },
    printErr: (text) => console.warn(text),
    setStatus: (text) => {
      const m = /\((\d+(?:\.\d+)?)\/(\d+)\)/.exec(text || '');
      if (m) progress.value = Number(m[1]) / Number(m[2]);
      if (text) status.textContent = text.replace(/\(.*\)/, '').replace('Downloading data...', 'Loading Tallowfen…');
    },
    preRun: [() => {
      for (const [name, value] of env) Module.ENV[name] = value;
      const FS = Module.FS;
      FS.mkdirTree(SAVES);
      FS.mount(FS.filesystems.IDBFS, {}, SAVES);
      Module.addRunDependency('saves');
      FS.syncfs(true, (err) => {
        if (err) console.warn('Tallowfen could not read its saves from the browser: ' + err);
        Module.removeRunDependency('saves');
      });
      if (demo) fetchDemo();
      askBoard();
    }],
    onRuntimeInitialized: () => { loading.hidden = true; },
    onAbort: (what) => fail('Tallowfen stopped: ' + what),
    onExit: () => {
      tallowfen.exited = true;
      loading.hidden = true;
      errorBox.hidden = false;
      errorBox.textContent = verdict.length ? verdict.join('\n') : 'Tallowfen has closed. Reload the page to play again.';
    },
    persistSaves: persist,
    offerDownload: (path) => {
      const bytes = Module.FS.readFile(path);
      const type = /\.gif$/i.test(path) ? 'image/gif' : 'image/png';
      const link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([bytes], {type}));
      link.download = path.split('/').pop();
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    },
    noteFrame: (frameMs, workMs) => {
      tallowfen.frameTimes.push(frameMs);
      tallowfen.frameWork.push(workMs);
    },
    onFrame: () => {
      tallowfen.frames++;
      if (tallowfen.firstFrameAt === null) tallowfen.firstFrameAt = performance.now();
    },
    onSoundState: (state) => { soundNote.classList.toggle('started', state === 'running'); },
  };

  window.addEventListener('error', (event) => {
    if (event.error && event.error.stack) console.warn(event.error.stack);
    if (tallowfen.firstFrameAt === null) fail('Tallowfen could not load its files: ' + (event.message || 'network error'));
  });

  // Emscripten's GLFW makes the context without asking for attributes: made
  // here first, the same context is handed back to it. Kept after each frame,
  // so the picture can be read (tests, screenshots of the page).
  canvas.getContext('webgl2', {preserveDrawingBuffer: true, alpha: false, antialias: false, depth: false,
                               stencil: false});

  const script = document.createElement('script');
  script.src = 'tallowfen.js';
  script.onerror = () => fail('Tallowfen could not load its files (tallowfen.js). Check the connection and reload.');
  document.body.appendChild(script);
})();
