// The page's first moments, before the game's script is here: the start
// picture in place, a progress bar while the game's files come, one plain
// line when something goes wrong, and a service worker that keeps the files
// for the next visit and for playing offline. TSFiles (just above, written
// by make_site.mjs) names this build's files.
(function () {
  'use strict';
  var byId = function (id) { return document.getElementById(id); };
  var stage = byId('stage'), screen = byId('screen'), splash = byId('splash');
  var status = byId('status'), bar = byId('progress');
  var files = TSFiles;

  // --- One line at the bottom ----------------------------------------------
  // Each topic has at most one line; the newest error shows, else the
  // newest note, and a note goes by itself after a while.
  var lines = [], serial = 0;
  function show() {
    var pick = null;
    lines.forEach(function (l) {
      if (!pick || (l.kind === 'error') > (pick.kind === 'error') ||
          ((l.kind === 'error') === (pick.kind === 'error') && l.at > pick.at)) {
        pick = l;
      }
    });
    status.textContent = pick ? pick.text : '';
    status.className = pick ? pick.kind : '';
  }
  function say(topic, text, kind) {
    lines = lines.filter(function (l) { return l.topic !== topic; });
    if (text) {
      var line = { topic: topic, text: text, kind: kind || 'note', at: ++serial };
      lines.push(line);
      if (line.kind === 'note') {
        setTimeout(function () {
          if (lines.indexOf(line) >= 0) say(topic, '');
        }, 10000);
      }
    }
    show();
  }

  // --- Where the pictures go -------------------------------------------------
  // The game's screen fills the view: a whole number of device pixels per
  // game pixel where that fills nine tenths of it or more (sharp, every
  // pixel the same size), otherwise the largest size that fits, drawn
  // nearest-pixel on exact device pixels (below 1, smoothly). Always on
  // whole device pixels, never cut off.
  function fit(viewWidth, viewHeight, ratio, width, height) {
    var dw = Math.floor(viewWidth * ratio + 0.001);
    var dh = Math.floor(viewHeight * ratio + 0.001);
    var most = Math.min(dw / width, dh / height);
    var whole = Math.floor(most);
    var w, h;
    if (whole >= 1 && whole >= 0.9 * most) {
      w = width * whole;
      h = height * whole;
    } else {
      w = Math.min(dw, Math.round(width * most));
      h = Math.min(dh, Math.round(height * most));
    }
    return { left: Math.floor((dw - w) / 2), top: Math.floor((dh - h) / 2),
             width: w, height: h, scale: w / width, view: [dw, dh] };
  }
  // `el` is laid out at its own size in CSS pixels (left and top 0); a
  // transform takes it to the box, in device pixels.
  function place(el, box, width, height, ratio) {
    el.style.width = width + 'px';
    el.style.height = height + 'px';
    el.style.transform = 'translate(' + box.left / ratio + 'px,' +
        box.top / ratio + 'px) scale(' + box.width / (width * ratio) + ',' +
        box.height / (height * ratio) + ')';
    el.style.imageRendering = box.scale >= 1 ? '' : 'auto';
  }
  var layoutBox = null;
  function layout() {
    var ratio = window.devicePixelRatio || 1;
    var w = screen.width, h = screen.height;
    var box = fit(stage.clientWidth, stage.clientHeight, ratio, w, h);
    place(screen, box, w, h, ratio);
    // The start picture at the game's scale, in the middle.
    var sw = files.splash.width, sh = files.splash.height;
    var pw = Math.round(sw * box.scale), ph = Math.round(sh * box.scale);
    var s = { left: Math.floor((box.view[0] - pw) / 2),
              top: Math.floor((box.view[1] - ph) / 2),
              width: pw, height: ph, scale: box.scale };
    place(splash, s, sw, sh, ratio);
    bar.style.left = s.left / ratio + 'px';
    bar.style.top = Math.min((s.top + ph) / ratio + 12, stage.clientHeight - 4) + 'px';
    bar.style.width = pw / ratio + 'px';
    layoutBox = box;
  }
  layout();
  window.addEventListener('resize', layout);
  document.addEventListener('fullscreenchange', layout);
  document.addEventListener('webkitfullscreenchange', layout);

  // --- Sound needs a gesture -------------------------------------------------
  // Browsers let a page make sound only after the player has touched it:
  // the context is made (or woken) in the first press, wherever it lands.
  var audioContext = null;
  function audio() {
    if (!audioContext) {
      var Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return null;
      try {
        audioContext = new Context({ latencyHint: 'interactive' });
      } catch (e) {
        return null;
      }
    }
    return audioContext;
  }
  function unlock() {
    var ctx = audio();
    if (ctx && ctx.state === 'suspended' && !document.hidden && TSBoot.audioWanted) {
      ctx.resume();
    }
  }
  ['pointerdown', 'touchend', 'mousedown', 'keydown'].forEach(function (type) {
    window.addEventListener(type, unlock, true);
  });

  // --- Loading ---------------------------------------------------------------
  var TSBoot = window.TSBoot = {
    files: files, say: say, layout: layout, fit: fit, audio: audio,
    box: function () { return layoutBox; },
    audioWanted: false,
    started: false,     // the game runs (the script below sets it)
    pendingStart: false,  // the start picture was clicked before that
    failed: false,
    loadedAtMs: -1, soundsAtMs: -1, readyAtMs: -1,
  };
  // A press on the start picture before the game is here starts it once
  // it is.
  stage.addEventListener('pointerdown', function (e) {
    if (TSBoot.started || TSBoot.failed || e.button > 0) return;
    TSBoot.pendingStart = true;
    say('load', 'TumbleSquash starts as soon as it is loaded.');
  });
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    TSBoot.failed = true;
    say('load', 'This browser cannot run TumbleSquash: it has no WebAssembly.', 'error');
    return;
  }

  var total = files.js.size + files.wasm.size + files.data.size, got = {};
  function progress(key, n) {
    got[key] = n;
    var sum = 0;
    for (var k in got) sum += got[k];
    bar.firstChild.style.width = Math.min(100, 100 * sum / total) + '%';
  }
  function failed(what, url, e) {
    if (TSBoot.failed) return;
    TSBoot.failed = true;
    bar.style.display = 'none';
    var why = e && e.message ? e.message : String(e);
    say('load', 'TumbleSquash could not load ' + what + ' (' + url + ': ' + why +
        '). Reload the page to try again.', 'error');
  }
  // A file, as a response whose body counts towards the bar.
  function fetchFile(file, key) {
    return fetch(file.url).then(function (r) {
      if (!r.ok) throw new Error(r.status + ' ' + r.statusText);
      if (!key || !r.body || typeof TransformStream !== 'function') return r;
      var n = 0;
      var counted = r.body.pipeThrough(new TransformStream({
        transform: function (chunk, out) {
          n += chunk.byteLength;
          progress(key, n);
          out.enqueue(chunk);
        },
      }));
      return new Response(counted, { headers: r.headers });
    });
  }
  function bytesOf(file, key) {
    return fetchFile(file, key).then(function (r) { return r.arrayBuffer(); })
        .then(function (b) {
          if (b.byteLength !== file.size) {
            throw new Error('it has ' + b.byteLength + ' bytes, not ' + file.size);
          }
          if (key) progress(key, b.byteLength);
          return b;
        });
  }

  // Everything at once, once the start picture is in (or has had its
  // chance): on a slow link it comes first.
  var picture = new Promise(function (done) {
    if (splash.complete) return done();
    splash.addEventListener('load', done);
    splash.addEventListener('error', done);
    setTimeout(done, 1500);
  });
  picture.then(function () {
    if (!TSBoot.started) bar.style.display = 'block';
  });
  // (Small enough to compile once it is here: any server's content type
  // will do, and a broken file is said as such.)
  TSBoot.code = picture.then(function () {
    return bytesOf(files.wasm, 'wasm');
  }).then(function (bytes) { return WebAssembly.compile(bytes); });
  TSBoot.code.catch(function (e) { failed('its code', files.wasm.url, e); });
  // (A failure is said once, by the first to meet it; the others only wait.)
  TSBoot.data = picture.then(function () { return bytesOf(files.data, 'data'); });
  TSBoot.data.catch(function (e) { failed('its pictures', files.data.url, e); });
  picture.then(function () {
    var s = document.createElement('script');
    s.src = files.js.url;
    s.onload = function () { progress('js', files.js.size); };
    s.onerror = function () { failed('its script', files.js.url, 'not found'); };
    document.body.appendChild(s);
  });
  // The sounds and our mixer come after the rest; the game plays without
  // them meanwhile.
  var afterGame = Promise.all([TSBoot.code, TSBoot.data]);
  var nothing = function () {};  // (said where it failed)
  afterGame.then(function () { TSBoot.loadedAtMs = performance.now(); }, nothing);
  TSBoot.mixer = afterGame.then(function () { return bytesOf(files.mixer); });
  TSBoot.sounds = afterGame.then(function () { return bytesOf(files.sounds); });
  TSBoot.mixer.catch(nothing);
  TSBoot.sounds.then(function () { TSBoot.soundsAtMs = performance.now(); }, nothing);
  afterGame.then(function () {
    return Promise.all([TSBoot.mixer, TSBoot.sounds]);
  }, nothing).catch(function (e) {
    say('audio', 'TumbleSquash plays without sound: its recordings could not ' +
        'be loaded (' + (e && e.message ? e.message : e) + ').', 'note');
  });

  // The game's script finds its code and its pictures here.
  window.Module = {
    instantiateWasm: function (imports, done) {
      TSBoot.code.then(function (module) {
        return WebAssembly.instantiate(module, imports).then(function (instance) {
          done(instance, module);
        });
      }).catch(function (e) { failed('its code', files.wasm.url, e); });
      return {};
    },
    printErr: function (text) { console.error(text); },
    onAbort: function (what) {
      say('load', 'TumbleSquash stopped: ' + what + '. Reload the page to start again.', 'error');
    },
  };

  // Kept for the next visit, and for offline play: registered once all is
  // here, so the worker finds the files in the browser's cache.
  if ('serviceWorker' in navigator) {
    Promise.all([TSBoot.code, TSBoot.data, TSBoot.sounds, TSBoot.mixer]).then(function () {
      return navigator.serviceWorker.register('sw.js');
    }).catch(function () {});
  }
})();
