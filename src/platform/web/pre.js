// The page's side of the web back end, put before the program by the
// linker: drawing, the page's events, the sound (our mixer in an audio
// worklet) and Score.dat kept in IndexedDB. The page's first script
// (page/boot.js, TSBoot) has placed the pictures and is fetching the files.

// Our mixer's wasm driven by messages: the same code runs in the audio
// worklet (this function's source is sent there) and, in a browser without
// worklets, on the page. Self-contained: it may use nothing around it.
function TSMixerCore() {
  function Mixer(bytes, report) {
    var self = this;
    this.report = report;
    this.x = null;
    this.queue = [];
    this.frames = 0;
    this.reportedAt = 0;
    this.reportEvery = 22050;
    this.startDue = false;
    this.starts = [];
    this.scratch = 0;
    this.scratchSize = 0;
    var stub = function () { return 0; };
    var imports = {
      env: { emscripten_notify_memory_growth: stub },
      wasi_snapshot_preview1: {
        fd_write: stub, fd_close: stub, fd_seek: stub, fd_read: stub,
        proc_exit: function () { throw new Error('the mixer stopped'); },
        environ_get: stub, environ_sizes_get: stub, clock_time_get: stub,
      },
    };
    WebAssembly.instantiate(bytes, imports).then(function (r) {
      self.x = r.instance.exports;
      if (self.x._initialize) self.x._initialize();
      var waiting = self.queue;
      self.queue = [];
      waiting.forEach(function (m) { self.take(m); });
    }, function (e) {
      report({ kind: 'failed', why: String(e && e.message || e) });
    });
  }
  Mixer.prototype.heap = function () { return new Uint8Array(this.x.memory.buffer); };
  Mixer.prototype.copyIn = function (bytes) {
    var p = this.x.ts_mixer_alloc(bytes.byteLength + 1);
    this.heap().set(bytes, p);
    this.heap()[p + bytes.byteLength] = 0;
    return p;
  };
  Mixer.prototype.take = function (m) {
    if (!this.x) {
      this.queue.push(m);
      return;
    }
    var x = this.x;
    if (m.kind === 'open') {
      x.ts_mixer_open(m.rate, m.count);
      this.reportEvery = m.rate >> 1;
    } else if (m.kind === 'recording') {
      // Kept for good: the mixer's recording points into them.
      var wave = this.copyIn(new Uint8Array(m.bytes));
      // (A worklet has no TextEncoder; the names are plain letters.)
      var name = this.copyIn(Uint8Array.from(m.name, function (c) { return c.charCodeAt(0) & 0x7F; }));
      var ok = x.ts_mixer_recording(m.number, name, wave, m.bytes.byteLength);
      if (!ok) this.report({ kind: 'failed', why: m.name + ' cannot be played' });
    } else if (m.kind === 'apply') {
      var size = m.words.length * 4;
      if (size > this.scratchSize) {
        if (this.scratch) x.ts_mixer_free(this.scratch);
        this.scratch = x.ts_mixer_alloc(size);
        this.scratchSize = size;
      }
      new Uint32Array(x.memory.buffer, this.scratch, m.words.length).set(m.words);
      if (x.ts_mixer_apply(this.scratch, m.words.length) > 0) this.startDue = true;
    }
  };
  // Fills one block (left, right) at the context's frame `now`.
  Mixer.prototype.mix = function (left, right, now) {
    var n = left.length;
    if (!this.x) {
      left.fill(0);
      if (right) right.fill(0);
      return;
    }
    var at = this.x.ts_mixer_mix(n) >> 2;
    // One view of the mixer's memory, made again only when it has grown:
    // nothing is allocated here, quantum after quantum.
    if (!this.f || this.f.buffer !== this.x.memory.buffer) {
      this.f = new Float32Array(this.x.memory.buffer);
    }
    var f = this.f;
    left.set(f.subarray(at, at + n));
    if (right) right.set(f.subarray(at + n, at + 2 * n));
    this.frames += n;
    if (this.startDue) {
      this.startDue = false;
      if (this.starts.length < 64) this.starts.push(now);
    }
    // Twice a second, what the page shows and measures (seldom: a message
    // between threads is the one thing here that can wait on the page).
    if (this.frames - this.reportedAt >= this.reportEvery) {
      this.reportedAt = this.frames;
      this.report({ kind: 'stats', frames: this.frames, peak: this.x.ts_mixer_peak(),
                    starts: this.starts, delay: this.x.ts_mixer_delay() });
      this.starts = [];
    }
  };
  return Mixer;
}

// The worklet's processor around it.
var TSWorkletSource = 'var Mixer = (' + TSMixerCore.toString() + ')();\n' +
    'registerProcessor("tumblesquash-mixer", class extends AudioWorkletProcessor {\n' +
    '  constructor(options) {\n' +
    '    super();\n' +
    '    var port = this.port;\n' +
    '    var mixer = this.mixer = new Mixer(options.processorOptions.mixer,\n' +
    '        function (m) { port.postMessage(m); });\n' +
    '    port.onmessage = function (e) { mixer.take(e.data); };\n' +
    '  }\n' +
    '  process(inputs, outputs) {\n' +
    '    var out = outputs[0];\n' +
    '    this.mixer.mix(out[0], out[1], currentFrame);\n' +
    '    return true;\n' +
    '  }\n' +
    '});\n';

var TSPage = {
  screen: null,
  splash: null,
  context: null,
  image: null,
  started: false,

  element: function (id) { return document.getElementById(id); },

  showScreen: function (shown) {
    if (!TSPage.screen) return 0;
    TSPage.screen.style.display = shown ? 'block' : 'none';
    TSPage.splash.style.display = shown ? 'none' : 'block';
    TSBoot.layout();
    return 1;
  },

  showSplash: function () {
    TSPage.splash.style.display = 'block';
  },

  // The frame goes to the canvas straight from the program's memory, with
  // no copy of our own (remade only when that memory has grown).
  draw: function (at, width, height) {
    var c = TSPage.context;
    if (!c) return;
    if (!TSPage.image || TSPage.image.data.buffer !== HEAPU8.buffer ||
        TSPage.image.data.byteOffset !== at) {
      TSPage.image = new ImageData(
          new Uint8ClampedArray(HEAPU8.buffer, at, width * height * 4), width, height);
      TSPage.imagesMade++;
    }
    c.putImageData(TSPage.image, 0, 0);
  },
  imagesMade: 0,

  hideCursor: function (hidden) {
    TSPage.element('stage').style.cursor = hidden ? 'none' : '';
  },

  failure: function (caption, text) {
    TSBoot.say('game', caption + ': ' + text, 'error');
  },

  // The game runs: what waited for it starts.
  ready: function () {
    TSPage.started = TSBoot.started = true;
    TSBoot.readyAtMs = performance.now();
    TSPage.element('progress').style.display = 'none';
    TSBoot.say('load', '');
    window.tumblesquash = { debug: TSPage.debug, recording: TSPage.recording };
    TSPage.input.listen();
    if (TSBoot.pendingStart) {
      // The start picture was clicked while the game was on its way.
      var r = TSPage.splash.getBoundingClientRect();
      _ts_web_mouse(1, r.left + r.width / 2, r.top + r.height / 2, 0);
      _ts_web_mouse(2, r.left + r.width / 2, r.top + r.height / 2, 0);
    }
  },

  // This run's input as an input script ("# seed N" first): a game seen in
  // the page replays headless, frame for frame.
  recording: function () {
    try {
      return FS.readFile('/tmp/session.script', { encoding: 'utf8' });
    } catch (e) {
      return '';
    }
  },

  // What tests and the curious read back: the game's trace line for the
  // last frame and the page's own counters.
  debug: function () {
    var d = JSON.parse(UTF8ToString(_ts_web_debug()));
    var a = TSPage.audio, s = TSPage.scores, ctx = a.context;
    d.web.audioFrames = a.frames;
    d.web.audioState = ctx ? ctx.state : 'none';
    d.web.audioRate = ctx ? ctx.sampleRate : 0;
    d.web.audioPath = a.path;
    d.web.audioGain = a.gain ? a.gain.gain.value : 0;
    d.web.loudest = a.loudest;
    d.web.soundStarts = a.starts;
    d.web.lastSoundAtMs = a.lastSoundAt;
    // Where the browser counts them: the times the device got no sound in time.
    var stats = ctx && (ctx.playbackStats || ctx.playoutStats);
    d.web.audioGlitches = stats ? (stats.underrunEvents !== undefined
        ? stats.underrunEvents : stats.fallbackFramesEvents) : -1;
    d.web.audioPlayedSeconds = stats && stats.totalDuration !== undefined ? stats.totalDuration : -1;
    d.web.audioOutputLatencyMs = ctx && ctx.outputLatency ? ctx.outputLatency * 1000 : 0;
    d.web.recordingsSent = a.recordingsSent;
    d.web.savesSynced = s.synced;
    d.web.saveError = s.error;
    d.web.syncing = s.busy || (s.state === 'kept' && !!_ts_web_scores_pending());
    d.web.storage = s.state;
    d.web.status = TSPage.element('status').textContent;
    d.web.title = document.title;
    d.web.fullscreen = !!(document.fullscreenElement || document.webkitFullscreenElement);
    d.web.imagesMade = TSPage.imagesMade;
    d.web.version = TSBoot.files.version;
    d.web.loadedAtMs = TSBoot.loadedAtMs;
    d.web.readyAtMs = TSBoot.readyAtMs;
    d.web.soundsAtMs = TSBoot.soundsAtMs;
    d.web.box = TSBoot.box();
    return d;
  },
};

// --- The page's events ---------------------------------------------------------
TSPage.input = {
  touchSeen: false,

  listen: function () {
    var stage = TSPage.element('stage');
    var mouse = function (kind) {
      return function (e) {
        // A finger's taps come as touches; the mouse events a browser makes
        // up after them are not a second click.
        if (e.sourceCapabilities && e.sourceCapabilities.firesTouchEvents) return;
        if (kind !== 0 && e.target.closest && e.target.closest('#controls')) return;
        _ts_web_mouse(kind, e.clientX, e.clientY, e.button);
        if (kind === 1) e.preventDefault();  // no selecting, no dragging
      };
    };
    window.addEventListener('mousemove', mouse(0));
    window.addEventListener('mousedown', mouse(1));
    window.addEventListener('mouseup', mouse(2));
    // The right button is the boss key, not a menu.
    document.addEventListener('contextmenu', function (e) { e.preventDefault(); });

    var touch = function (phase) {
      return function (e) {
        e.preventDefault();  // no scrolling, zooming or made-up mouse events
        TSPage.input.touched();
        for (var i = 0; i < e.changedTouches.length; ++i) {
          var t = e.changedTouches[i];
          _ts_web_touch(phase, t.identifier, t.clientX, t.clientY);
        }
      };
    };
    var options = { passive: false };
    stage.addEventListener('touchstart', touch(0), options);
    stage.addEventListener('touchmove', touch(1), options);
    stage.addEventListener('touchend', touch(2), options);
    stage.addEventListener('touchcancel', touch(2), options);

    window.addEventListener('keydown', function (e) {
      if (e.ctrlKey || e.altKey || e.metaKey) return;  // the browser's
      if (e.key === 'f' || e.key === 'F') {
        if (!e.repeat) TSPage.input.toggleFullscreen();
        e.preventDefault();
        return;
      }
      if (TSPage.key(e.key, e.repeat)) {
        e.preventDefault();
        if (TSPage.input.touchSeen) TSPage.input.showMute();
      }
    });
    document.addEventListener('visibilitychange', function () {
      _ts_web_hidden(document.hidden ? 1 : 0);
      if (!document.hidden) TSPage.scores.refresh();
    });
    if (document.hidden) _ts_web_hidden(1);
    window.addEventListener('blur', function () { _ts_web_focused(0); });
    window.addEventListener('focus', function () {
      _ts_web_focused(1);
      TSPage.scores.refresh();
    });

    // The buttons: full screen wherever the browser can, mute for fingers
    // (a keyboard has M).
    var full = TSPage.element('fullscreen'), mute = TSPage.element('mute');
    var root = document.documentElement;
    if (root.requestFullscreen || root.webkitRequestFullscreen) full.hidden = false;
    full.addEventListener('click', function () { TSPage.input.toggleFullscreen(); });
    mute.addEventListener('click', function () {
      TSPage.key('m', false);
      TSPage.input.showMute();
    });
    if (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) {
      TSPage.input.touched();
    }
  },

  touched: function () {
    if (TSPage.input.touchSeen) return;
    TSPage.input.touchSeen = true;
    TSPage.element('mute').hidden = false;
    TSPage.input.showMute();
  },

  showMute: function () {
    var muted = TSPage.debugVolumes().mute;
    var b = TSPage.element('mute');
    b.setAttribute('aria-pressed', muted ? 'true' : 'false');
    b.querySelector('.on').style.display = muted ? 'none' : '';
    b.querySelector('.off').style.display = muted ? 'inline' : 'none';
  },

  toggleFullscreen: function () {
    var d = document, root = d.documentElement;
    var now = d.fullscreenElement || d.webkitFullscreenElement;
    var p;
    if (now) {
      p = d.exitFullscreen ? d.exitFullscreen() : d.webkitExitFullscreen();
    } else if (root.requestFullscreen) {
      p = root.requestFullscreen({ navigationUI: 'hide' });
    } else if (root.webkitRequestFullscreen) {
      p = root.webkitRequestFullscreen();
    }
    if (p && p.catch) {
      p.catch(function (e) {
        TSBoot.say('fullscreen', 'This browser did not go full screen (' + e.message + ').');
      });
    }
  },
};

// A key for the game (true when it was one of its keys).
TSPage.key = function (key, repeat) {
  var n = lengthBytesUTF8(key) + 1, p = _malloc(n);
  stringToUTF8(key, p, n);
  var used = _ts_web_key(p, repeat ? 1 : 0);
  _free(p);
  return used !== 0;
};

TSPage.debugVolumes = function () {
  var v = JSON.parse(UTF8ToString(_ts_web_debug())).web.volumes;
  return { master: v[0], music: v[1], effects: v[2], mute: v[3] };
};

// --- Sound -------------------------------------------------------------------
// The game's channel changes go to our mixer in the audio worklet, which
// renders every quantum itself: nothing the page does can starve it, and a
// shot is heard within a quantum of the frame that fired it. Hiding, pausing
// and quitting fade out over a few milliseconds instead of cutting.
TSPage.audio = {
  context: null,
  node: null,
  gain: null,
  path: 'none',
  making: false,
  waiting: [],
  open: false,
  recordingsSent: false,
  frames: 0,
  loudest: 0,
  starts: 0,
  lastSoundAt: -1,
  suspendTimer: 0,
  fadeSeconds: 0.03,

  names: function () {
    return TSBoot.files.sounds.parts.map(function (p) { return p[0]; });
  },

  // The device's rate, or 0 without sound.
  start: function () {
    var a = TSPage.audio;
    var ctx = a.context = TSBoot.audio();
    if (!ctx) return 0;
    TSBoot.audioWanted = true;
    a.open = true;
    a.make();
    a.send({ kind: 'open', rate: ctx.sampleRate, count: a.names().length });
    a.sendRecordings();
    a.pause(document.hidden);
    return ctx.sampleRate | 0;
  },

  // The worklet (or, without one, a script processor on the page) and a
  // gain for the fades.
  make: function () {
    var a = TSPage.audio, ctx = a.context;
    if (a.node || a.making) return;
    a.making = true;
    a.gain = ctx.createGain();
    a.gain.gain.value = 0;
    a.gain.connect(ctx.destination);
    var report = function (m) { a.heard(m); };
    var worklet = ctx.audioWorklet && typeof AudioWorkletNode === 'function'
        ? ctx.audioWorklet.addModule(URL.createObjectURL(
              new Blob([TSWorkletSource], { type: 'text/javascript' })))
        : Promise.reject(new Error('no audio worklet'));
    Promise.all([TSBoot.mixer, worklet.then(function () { return true; },
                                           function () { return false; })])
        .then(function (got) {
          var bytes = got[0];
          if (got[1]) {
            a.node = new AudioWorkletNode(ctx, 'tumblesquash-mixer', {
              numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2],
              processorOptions: { mixer: bytes },
            });
            a.node.port.onmessage = function (e) { report(e.data); };
            a.node.onprocessorerror = function (e) {
              TSBoot.say('audio', 'TumbleSquash\'s sound stopped (' + (e.message || 'the mixer failed') + ').');
            };
            a.deliver = function (m, transfer) { a.node.port.postMessage(m, transfer); };
            a.path = 'worklet';
          } else {
            // An older browser: the same mixer on the page.
            var mixer = new (TSMixerCore())(bytes, report);
            var frame = 0;
            a.node = ctx.createScriptProcessor(1024, 0, 2);
            a.node.onaudioprocess = function (e) {
              var out = e.outputBuffer;
              mixer.mix(out.getChannelData(0), out.getChannelData(1), frame);
              frame += out.length;
            };
            a.deliver = function (m) { mixer.take(m); };
            a.path = 'script';
          }
          a.node.connect(a.gain);
          a.making = false;
          var waiting = a.waiting;
          a.waiting = [];
          waiting.forEach(function (w) { a.deliver(w[0], w[1]); });
        }).catch(function (e) {
          a.making = false;
          TSBoot.say('audio', 'TumbleSquash plays without sound (' + e.message + ').');
        });
  },

  send: function (m, transfer) {
    var a = TSPage.audio;
    if (a.node && a.deliver) {
      a.deliver(m, transfer || []);
    } else {
      a.waiting.push([m, transfer || []]);
    }
  },

  sendRecordings: function () {
    var a = TSPage.audio;
    if (a.recordingsSent) return;
    a.recordingsSent = true;
    TSBoot.sounds.then(function (all) {
      var at = 0;
      TSBoot.files.sounds.parts.forEach(function (p, i) {
        var bytes = all.slice(at, at + p[1]);
        at += p[1];
        a.send({ kind: 'recording', number: i, name: p[0], bytes: bytes }, [bytes]);
      });
    }, function () {});
  },

  heard: function (m) {
    var a = TSPage.audio;
    if (m.kind === 'stats') {
      a.frames = m.frames;
      a.loudest = Math.max(a.loudest, m.peak);
      m.starts.forEach(function (frame) { a.started(frame, m.delay); });
    } else if (m.kind === 'failed') {
      TSBoot.say('audio', 'TumbleSquash plays without some sounds (' + m.why + ').');
    }
  },

  // A voice began at the context's frame `frame`: when it leaves the
  // speaker, on the page's clock (the mixer's look-ahead `delay` frames
  // later). `onStart`, when set, hears of it.
  started: function (frame, delay) {
    var a = TSPage.audio, ctx = a.context;
    var t = ctx.getOutputTimestamp ? ctx.getOutputTimestamp() : null;
    var at = (frame + delay) / ctx.sampleRate;
    a.lastSoundAt = t && t.performanceTime
        ? t.performanceTime + (at - t.contextTime) * 1000
        : performance.now() + (at - ctx.currentTime + (ctx.outputLatency || 0)) * 1000;
    a.starts++;
    if (a.onStart) a.onStart(a.lastSoundAt);
  },
  onStart: null,

  post: function (words) {
    TSPage.audio.send({ kind: 'apply', words: words }, [words.buffer]);
  },

  // Down to silence over a moment, then the context sleeps; back up the
  // same way.
  pause: function (paused) {
    var a = TSPage.audio, ctx = a.context;
    if (!ctx || !a.gain) {
      if (ctx && !paused && ctx.state === 'suspended') ctx.resume();
      return;
    }
    var g = a.gain.gain, now = ctx.currentTime;
    clearTimeout(a.suspendTimer);
    g.cancelScheduledValues(now);
    g.setValueAtTime(g.value, now);
    if (paused || !a.open) {
      // (Closed, it sleeps too: nothing sounds until the next game.)
      g.linearRampToValueAtTime(0, now + a.fadeSeconds);
      a.suspendTimer = setTimeout(function () { ctx.suspend(); },
                                  a.fadeSeconds * 1000 + 60);
    } else {
      if (ctx.state === 'suspended') ctx.resume();
      g.linearRampToValueAtTime(1, now + a.fadeSeconds);
    }
  },

  stop: function () {
    var a = TSPage.audio;
    a.open = false;
    TSBoot.audioWanted = false;
    a.pause(false);
  },
};

// --- Score.dat in IndexedDB ----------------------------------------------------
// One record, the file's bytes, in a database of the site's. A save is
// merged into what is stored under a lock all the site's tabs share (and in
// one transaction, for browsers without the lock), then the other tabs are
// told. A failed write says so in one line and is tried again; it never
// holds up the game or a later save.
TSPage.scores = {
  db: null,
  state: 'starting',  // then 'kept', or 'memory' when the browser keeps nothing
  kind: 1,            // what was stored at start: 0 bytes, 1 none, 2 other
  bytes: null,
  busy: false,
  again: false,
  retryTimer: 0,
  retryDelay: 0,
  synced: 0,
  error: null,
  channel: null,
  key: 'Score.dat',
  toldVolatile: false,

  // Sets kind and bytes from what is stored; for the game's start.
  open: function () {
    var s = TSPage.scores;
    return new Promise(function (done) {
      var settle = function (state, line) {
        if (s.state !== 'starting') return;
        s.state = state;
        if (line) TSBoot.say('storage', line);
        done();
      };
      setTimeout(function () {
        settle('memory', 'The browser did not open its storage in time: ' +
               'the scores last until the page is closed.');
      }, 5000);
      var request;
      try {
        request = indexedDB.open('tumblesquash', 1);
      } catch (e) {
        settle('memory', 'This browser keeps nothing for this page (' + e.name +
               '): the scores last until it is closed.');
        return;
      }
      request.onupgradeneeded = function () { request.result.createObjectStore('files'); };
      request.onerror = function () {
        settle('memory', 'This browser keeps nothing for this page (' +
               (request.error && request.error.name) + '): the scores last until it is closed.');
      };
      request.onsuccess = function () {
        s.use(request.result);
        if (s.state === 'memory') {
          // Late, but there: the saves go to it from now on.
          s.state = 'kept';
          TSBoot.say('storage', '');
          s.flush();
          return;
        }
        s.read(function (kind, bytes) {
          s.kind = kind;
          s.bytes = bytes;
          if (kind === 2) s.unreadable();
          if (kind !== 1) return settle('kept');
          s.fromEarlierPage(function (earlier) {
            if (earlier) {
              s.kind = 0;
              s.bytes = earlier;
            }
            settle('kept');
          });
        }, function () { settle('kept'); });
      };
    });
  },

  // Earlier builds of the page kept Score.dat in emscripten's IDBFS (a
  // database named after its folder): with nothing of ours stored, that
  // file is where the player's scores are. It is read, never changed; the
  // next save puts them in our record.
  fromEarlierPage: function (done) {
    var finished = false;
    var finish = function (bytes) {
      if (finished) return;
      finished = true;
      done(bytes);
    };
    setTimeout(function () { finish(null); }, 2000);
    var there = indexedDB.databases
        ? indexedDB.databases().then(function (list) {
          return list.some(function (d) { return d.name === '/save'; });
        }, function () { return true; })
        : Promise.resolve(true);
    there.then(function (exists) {
      if (!exists) return finish(null);
      var request = indexedDB.open('/save');
      request.onupgradeneeded = function () { request.transaction.abort(); };
      request.onerror = function () { finish(null); };
      request.onsuccess = function () {
        var db = request.result;
        try {
          var get = db.transaction('FILE_DATA', 'readonly').objectStore('FILE_DATA')
              .get('/save/Score.dat');
          get.onsuccess = function () {
            var entry = get.result;
            db.close();
            var contents = entry && entry.contents;
            finish(contents && contents.length !== undefined ? Uint8Array.from(contents) : null);
          };
          get.onerror = function () { db.close(); finish(null); };
        } catch (e) {
          db.close();
          finish(null);
        }
      };
    });
  },

  use: function (db) {
    var s = TSPage.scores;
    s.db = db;
    db.onversionchange = function () { db.close(); s.db = null; };
    db.onclose = function () { s.db = null; };
    if (!s.channel && typeof BroadcastChannel === 'function') {
      s.channel = new BroadcastChannel('tumblesquash-scores');
      s.channel.onmessage = function (e) {
        if (e.data && e.data.bytes instanceof Uint8Array) s.seen(e.data.bytes);
      };
    }
  },

  classify: function (value) {
    if (value === undefined) return [1, null];
    if (value instanceof Uint8Array) return [0, value];
    if (value instanceof ArrayBuffer) return [0, new Uint8Array(value)];
    return [2, null];
  },

  read: function (done, failed) {
    var s = TSPage.scores;
    try {
      var get = s.db.transaction('files', 'readonly').objectStore('files').get(s.key);
      get.onsuccess = function () {
        var c = s.classify(get.result);
        done(c[0], c[1]);
      };
      get.onerror = function () { failed(get.error); };
    } catch (e) {
      failed(e);
    }
  },

  initialKind: function () { return TSPage.scores.kind; },
  initialSize: function () { var b = TSPage.scores.bytes; return b ? b.length : 0; },
  initialCopy: function (to) {
    var b = TSPage.scores.bytes;
    if (b) HEAPU8.set(b, to);
  },

  // Another tab's stored bytes, or ours read again.
  seen: function (bytes) {
    var p = _malloc(bytes.length + 1);
    HEAPU8.set(bytes, p);
    _ts_web_scores_seen(p, bytes.length);
    _free(p);
  },

  refresh: function () {
    var s = TSPage.scores;
    if (!s.db || !TSPage.started) return;
    s.read(function (kind, bytes) { if (kind === 0) s.seen(bytes); }, function () {});
  },

  changed: function () {
    var s = TSPage.scores;
    clearTimeout(s.retryTimer);
    s.retryDelay = 0;
    s.flush();
  },

  // Read, merge, write: one transaction, under the lock.
  store: function () {
    var s = TSPage.scores;
    return new Promise(function (done, failed) {
      var result = null, refused = null;
      var tx = s.db.transaction('files', 'readwrite');
      var files = tx.objectStore('files');
      var get = files.get(s.key);
      get.onsuccess = function () {
        var c = s.classify(get.result);
        if (c[0] === 2) {
          result = { refused: true };
          return;
        }
        var n = c[1] ? c[1].length : 0, p = _malloc(n + 1);
        if (c[1]) HEAPU8.set(c[1], p);
        var m = _ts_web_scores_merge(c[0], p, n) >> 2;
        _free(p);
        var write = HEAPU32[m], ticket = HEAPU32[m + 1], size = HEAPU32[m + 2];
        var bytes = HEAPU8.slice((m + 3) * 4, (m + 3) * 4 + size);
        result = { ticket: ticket, bytes: write ? bytes : null };
        try {
          if (write) files.put(bytes, s.key);
        } catch (e) {
          // Some browsers refuse at once rather than by aborting.
          refused = e;
          tx.abort();
        }
      };
      tx.oncomplete = function () { done(result); };
      tx.onabort = tx.onerror = function () {
        failed(refused || tx.error || get.error || new Error('the write was given up'));
      };
    });
  },

  flush: function () {
    var s = TSPage.scores;
    if (s.busy) {
      s.again = true;
      return;
    }
    if (!_ts_web_scores_pending() || s.state === 'memory' || s.state === 'starting') return;
    s.busy = true;
    s.again = false;
    var run = function () {
      if (s.db) return s.store();
      return new Promise(function (done, failed) {
        var request = indexedDB.open('tumblesquash', 1);
        request.onupgradeneeded = function () { request.result.createObjectStore('files'); };
        request.onsuccess = function () { s.use(request.result); done(); };
        request.onerror = function () { failed(request.error); };
      }).then(s.store);
    };
    var locked = navigator.locks && navigator.locks.request
        ? navigator.locks.request('tumblesquash-scores', run) : run();
    locked.then(function (result) {
      s.busy = false;
      if (result && result.refused) {
        s.unreadable();
        return;
      }
      if (result) {
        var p = 0, n = 0;
        if (result.bytes) {
          n = result.bytes.length;
          p = _malloc(n + 1);
          HEAPU8.set(result.bytes, p);
        }
        _ts_web_scores_stored(result.ticket, p, n);
        if (p) _free(p);
        if (result.bytes && s.channel) s.channel.postMessage({ bytes: result.bytes });
      }
      s.synced++;
      if (s.error) TSBoot.say('scores', 'The scores are kept in this browser again.');
      s.error = null;
      s.retryDelay = 0;
      s.checkKept();
      if (s.again || _ts_web_scores_pending()) s.flush();
    }, function (e) {
      s.busy = false;
      if (s.db) s.db.close();
      s.db = null;  // opened afresh next time
      s.error = (e && e.name ? e.name + ': ' : '') + (e && e.message ? e.message : e);
      TSBoot.say('scores', 'TumbleSquash could not keep the scores in this browser (' +
                 s.error + '). It keeps trying.', 'error');
      s.retryDelay = Math.min(60000, s.retryDelay ? s.retryDelay * 2 : 2000);
      clearTimeout(s.retryTimer);
      s.retryTimer = setTimeout(s.flush, s.retryDelay);
    });
  },

  // As on the desktop, a record that is not the file's bytes is left alone.
  unreadable: function () {
    TSPage.scores.error = 'unreadable';
    TSBoot.say('scores', 'The scores this browser holds for the game cannot be read: ' +
               'they are left as they are, and new ones are not kept.', 'error');
  },

  // Storage the browser may clear is said once, ever (noted in the store).
  checkKept: function () {
    var s = TSPage.scores, storage = navigator.storage;
    if (s.toldVolatile || !storage || !storage.persist || !s.db) return;
    s.toldVolatile = true;
    storage.persisted().then(function (kept) {
      return kept || storage.persist();
    }).then(function (kept) {
      if (kept || !s.db) return;
      var tx = s.db.transaction('files', 'readwrite');
      var told = tx.objectStore('files').get('told');
      told.onsuccess = function () {
        if (told.result) return;
        tx.objectStore('files').put(true, 'told');
        TSBoot.say('storage', 'This browser may clear the scores if it runs short of room.');
      };
    }).catch(function () {});
  },
};

Module.preRun = Module.preRun || [];
Module.preRun.push(function () {
  TSPage.screen = TSPage.element('screen');
  TSPage.splash = TSPage.element('splash');
  TSPage.context = TSPage.screen.getContext('2d', { alpha: false });
  // The pictures the game reads, from the page's bundle.
  FS.mkdir('/game');
  FS.mkdir('/save');
  addRunDependency('pictures');
  TSBoot.data.then(function (all) {
    var at = 0;
    TSBoot.files.data.parts.forEach(function (p) {
      FS.writeFile('/game/' + p[0], new Uint8Array(all, at, p[1]));
      at += p[1];
    });
    removeRunDependency('pictures');
  }, function () {});
  // The saved scores, before the game reads them.
  addRunDependency('scores');
  var scores = typeof indexedDB === 'object' && indexedDB ? TSPage.scores.open()
      : Promise.resolve(TSPage.scores.state = 'memory').then(function () {
        TSBoot.say('storage', 'This browser keeps nothing for this page: ' +
                   'the scores last until it is closed.');
      });
  scores.then(function () { removeRunDependency('scores'); });
});
