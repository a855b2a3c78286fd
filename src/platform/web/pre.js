// The page's side of the web back end, put before the program by the
// linker: the elements, the sound output, and the folder of saved scores
// kept in IndexedDB.
var TSPage = {
  screen: null,
  splash: null,
  context: null,
  image: null,
  audio: null,
  processor: null,
  audioFrames: 0,
  syncing: false,
  syncAgain: false,
  savesSynced: 0,
  saveError: null,
  cssPerPixel: 1,

  element: function (id) { return document.getElementById(id); },

  status: function (text) {
    var s = TSPage.element('status');
    if (s) s.textContent = text;
  },

  // Puts the screen (or the splash) in the middle of the view at a whole
  // number of device pixels per game pixel, on device-pixel boundaries.
  place: function (cssPerPixel) {
    TSPage.cssPerPixel = cssPerPixel;
    var ratio = window.devicePixelRatio || 1;
    var put = function (el, w, h) {
      if (!el) return;
      var cw = w * cssPerPixel, ch = h * cssPerPixel;
      el.style.width = cw + 'px';
      el.style.height = ch + 'px';
      el.style.left = Math.round((window.innerWidth - cw) / 2 * ratio) / ratio + 'px';
      el.style.top = Math.round((window.innerHeight - ch) / 2 * ratio) / ratio + 'px';
    };
    put(TSPage.screen, 640, 480);
    if (TSPage.splash) {
      put(TSPage.splash, TSPage.splash.naturalWidth || 480,
          TSPage.splash.naturalHeight || 240);
    }
  },

  showScreen: function (shown) {
    if (!TSPage.screen) return 0;
    TSPage.screen.style.display = shown ? 'block' : 'none';
    if (shown) {
      if (TSPage.splash) TSPage.splash.style.display = 'none';
      TSPage.status('');
    }
    return 1;
  },

  showSplash: function (bytes) {
    var img = TSPage.splash;
    if (!img) return;
    if (img.src) URL.revokeObjectURL(img.src);
    img.removeAttribute('src');
    if (bytes) img.src = URL.createObjectURL(new Blob([bytes], { type: 'image/bmp' }));
    img.onload = function () { TSPage.place(TSPage.cssPerPixel); };
    img.style.display = 'block';
    TSPage.place(TSPage.cssPerPixel);
  },

  draw: function (rgba) {
    var c = TSPage.context;
    if (!c) return;
    if (!TSPage.image) TSPage.image = c.createImageData(640, 480);
    TSPage.image.data.set(rgba);
    c.putImageData(TSPage.image, 0, 0);
  },

  hideCursor: function (hidden) {
    document.body.style.cursor = hidden ? 'none' : '';
  },

  failure: function (caption, text) {
    TSPage.status(caption + ': ' + text);
  },

  // Called in the first click's handler: browsers let a page start sound
  // only from a gesture.
  audioUnlock: function () {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    try {
      if (!TSPage.audio) TSPage.audio = new Context();
      if (TSPage.audio.state === 'suspended' && !document.hidden) TSPage.audio.resume();
    } catch (e) {
      TSPage.audio = null;
    }
  },

  // The device pulls from our mixer: returns its rate, or 0 without sound.
  audioStart: function () {
    TSPage.audioUnlock();
    var ctx = TSPage.audio;
    if (!ctx || !ctx.createScriptProcessor) return 0;
    if (!TSPage.processor) {
      // 1024 frames: about 21 ms at 48 kHz, short enough for a shot to be
      // heard with its frame, long enough not to starve.
      var p = ctx.createScriptProcessor(1024, 0, 2);
      p.onaudioprocess = function (e) {
        var out = e.outputBuffer, n = out.length;
        var at = _ts_web_mix(n) >> 2;
        out.getChannelData(0).set(HEAPF32.subarray(at, at + n));
        out.getChannelData(1).set(HEAPF32.subarray(at + n, at + 2 * n));
        TSPage.audioFrames += n;
      };
      p.connect(ctx.destination);
      TSPage.processor = p;
    }
    return ctx.sampleRate | 0;
  },

  audioStop: function () {
    if (!TSPage.processor) return;
    TSPage.processor.disconnect();
    TSPage.processor.onaudioprocess = null;
    TSPage.processor = null;
  },

  audioPause: function (paused) {
    var ctx = TSPage.audio;
    if (!ctx) return;
    if (paused) ctx.suspend(); else ctx.resume();
  },

  // Writes the scores' folder to IndexedDB; a save made during a write is
  // written by another right after it.
  syncScores: function () {
    if (TSPage.syncing) {
      TSPage.syncAgain = true;
      return;
    }
    TSPage.syncing = true;
    FS.syncfs(false, function (e) {
      TSPage.syncing = false;
      if (e) {
        TSPage.saveError = String(e);
        err('TumbleSquash: the scores could not be kept in this browser (' + e + ')');
      } else {
        TSPage.savesSynced++;
      }
      if (TSPage.syncAgain) {
        TSPage.syncAgain = false;
        TSPage.syncScores();
      }
    });
  },

  // The debug hook appears once the game is running.
  ready: function () {
    TSPage.status('');
    window.tumblesquash = { debug: TSPage.debug, recording: TSPage.recording };
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
    d.web.audioFrames = TSPage.audioFrames;
    d.web.audioState = TSPage.audio ? TSPage.audio.state : 'none';
    d.web.audioRate = TSPage.audio ? TSPage.audio.sampleRate : 0;
    d.web.savesSynced = TSPage.savesSynced;
    d.web.saveError = TSPage.saveError;
    d.web.syncing = TSPage.syncing;
    return d;
  }
};

Module.preRun = Module.preRun || [];
Module.preRun.push(function () {
  TSPage.screen = TSPage.element('screen');
  TSPage.splash = TSPage.element('splash');
  if (TSPage.screen) TSPage.context = TSPage.screen.getContext('2d', { alpha: false });
  // The right button is the boss key, not a menu.
  document.addEventListener('contextmenu', function (e) { e.preventDefault(); });
  // The saved scores come back from IndexedDB before the game starts.
  FS.mkdir('/save');
  FS.mount(IDBFS, {}, '/save');
  addRunDependency('saved-scores');
  FS.syncfs(true, function (e) {
    if (e) err('TumbleSquash: no saved scores in this browser (' + e + ')');
    removeRunDependency('saved-scores');
  });
});
