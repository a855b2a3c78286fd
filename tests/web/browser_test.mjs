// The web version in a real Chromium, served from this machine and opened
// headless, as players on their own devices would meet it:
//   - the first visit on a slow link (1.6 Mbit/s, 150 ms round trips) with
//     a cold cache, a second one, one offline, and a new build replacing
//     the old;
//   - a game: the title, the pointer, shots heard within a few
//     milliseconds (also at a sixth of the processor's speed), a hidden or
//     unfocused page pausing, the boss key in the tab's title, full screen;
//   - the picture at a phone's, a laptop's and a small window's sizes;
//   - fingers: a tap shoots, two fingers are the boss key;
//   - the score kept across two tabs, a reload, a full store and a restart;
//   - files that fail and a browser without WebAssembly, each said in one
//     line.
//   - the game's recording replayed by the native runner to the same frame;
//   node tests/web/browser_test.mjs SITE_FOLDER [WORK_FOLDER [GAME PICTURES]]
// The work folder receives screenshots (the title, a game, the picture at
// each size); the replay needs the native game and its pictures. Exit code 77 (and a line saying why) when Chromium or the npm
// package is missing; scripts/setup.sh installs both.
import { spawnSync } from 'node:child_process';
import {
  cpSync, existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync,
  writeFileSync,
} from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve } from '../../scripts/serve_web.mjs';
import {
  at, clickAt, clickUntil, debug, launch, loadChromium, lookAtPicture, loudness,
  openPage, pressToSound, resetLoudness, scene, slowLink, tap, targetsOf,
  waitFor, watchPage,
} from './driver.mjs';

const site = process.argv[2];
const work = process.argv[3] || null;
const [game, pictures] = process.argv.slice(4);
const why = [];
const chromium = await loadChromium(why);
if (!chromium) {
  console.log(`skipped: ${why.join('; ')}`);
  process.exit(77);
}
if (!site || !existsSync(join(site, 'index.html'))) {
  console.error(`browser_test: no built page in "${site}"`);
  process.exit(2);
}

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok' : 'FAILED'}: ${what}`);
  if (!ok) failures.push(what);
  return ok;
}
const figures = [];
const figure = (text) => {
  console.log(`figure: ${text}`);
  figures.push(text);
};
const ms = (v) => `${Math.round(v)} ms`;
const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];

const temp = mkdtempSync(join(tmpdir(), 'tumblesquash-browser-'));
const profile = join(temp, 'profile');
if (work) mkdirSync(work, { recursive: true });
const shotFile = (name) => (work ? join(work, name) : null);

const server = await serve(site, 0);
const url = `http://127.0.0.1:${server.address().port}/`;
const servers = [server];
let context = null;

// A copy of the site, changed by `change(folder)`, served on its own port
// (its own origin: no worker, no stored scores).
async function variant(name, change) {
  const folder = join(temp, name);
  cpSync(site, folder, { recursive: true });
  change(folder);
  const s = await serve(folder, 0);
  servers.push(s);
  return `http://127.0.0.1:${s.address().port}/`;
}
const named = (folder, pattern) => readdirSync(folder).filter((n) => pattern.test(n));

// Headless Chromium never hides a tab by itself: the page is told the way a
// browser tells it.
const setHidden = (page, hidden) => page.evaluate((hidden) => {
  Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
  Object.defineProperty(document, 'visibilityState',
      { value: hidden ? 'hidden' : 'visible', configurable: true });
  document.dispatchEvent(new Event('visibilitychange'));
}, hidden);

try {
  let page;
  ({ context, page } = await launch(chromium, profile));
  const cdp = await context.newCDPSession(page);

  // --- The first visit on a slow link, a second, offline, a new build ---
  // The start picture is clicked as soon as it is there: the game starts
  // once it is loaded, and the opening runs into the title.
  const visit = async (reload, title) => {
    if (reload) await page.reload({ waitUntil: 'commit' });
    else await page.goto(url, { waitUntil: 'commit' });
    await page.waitForFunction(() => window.__loading && window.__loading.splashAt >= 0,
        null, { timeout: 20000, polling: 20 });
    const middle = await page.evaluate(() => {
      const b = document.getElementById('splash').getBoundingClientRect();
      return [b.left + b.width / 2, b.top + b.height / 2];
    });
    await page.mouse.click(...middle);
    const started = await waitFor(page, 'the game starts', (d) => !d.web.pregame, 20000);
    if (title) await waitFor(page, 'the title', (d) => scene(d) === 'TitleScene', 30000);
    const now = await page.evaluate(() => ({ loading: window.__loading, at: performance.now() }));
    return { splashMs: now.loading.splashAt, readyMs: started.web.readyAtMs, titleMs: now.at,
             bar: now.loading.bar, d: started };
  };
  await slowLink(cdp, true, true);
  const cold = await visit(false, true);
  let d = cold.d;
  const bar = cold.bar.filter((v) => v > 0 && v < 100);
  check(d.game.scores.every((s) => s === 0), 'a new browser starts with no scores');
  check(cold.splashMs >= 0 && cold.splashMs <= 2500,
      `cold, on the slow link the start picture is shown within 2.5 s (${ms(cold.splashMs)})`);
  check(cold.readyMs >= 0 && cold.readyMs <= 6000,
      `cold, the game is ready to play within 6 s (${ms(cold.readyMs)}), ` +
      'and a click on the start picture meanwhile starts it');
  check(bar.length >= 3, `a progress bar moves meanwhile (${bar.length} steps between 0 and 100 %)`);
  const splash = await page.evaluate(() => {
    const s = document.getElementById('splash');
    return { complete: s.complete, width: s.naturalWidth };
  });
  check(splash.complete && splash.width === 480, 'the start picture is a picture of its own in the page');
  // The worker comes once the recordings are in.
  await waitFor(page, 'the recordings', (d) => d.web.soundsAtMs > 0, 30000);
  const worker = await page.evaluate(() => navigator.serviceWorker.ready.then((r) => !!r.active));
  check(worker, 'a service worker keeps the files');
  const { installabilityErrors: installErrors } = await cdp.send('Page.getInstallabilityErrors');
  check(installErrors.length === 0,
      `the page installs as an app (${JSON.stringify(installErrors.map((e) => e.errorId))})`);
  await slowLink(cdp, true, false);
  const warm = await visit(true, false);
  d = warm.d;
  check(warm.splashMs <= cold.splashMs && warm.readyMs <= cold.readyMs,
      `warm, on the slow link: start picture ${ms(warm.splashMs)}, ready ${ms(warm.readyMs)}`);
  figure(`slow link, cold: start picture ${ms(cold.splashMs)}, ready to play ${ms(cold.readyMs)}, ` +
      `the title ${ms(cold.titleMs)} (the opening before it is 8.03 s); warm: ` +
      `${ms(warm.splashMs)}, ${ms(warm.readyMs)}`);
  await slowLink(cdp, false);

  await context.setOffline(true);
  d = await openPage(page, url, true);
  await page.mouse.click(700, 500);
  d = await waitFor(page, 'the game runs offline', (d) => !d.web.pregame && d.web.presents > 10);
  check(d.web.status === '', `offline the page starts and the game runs, with no complaint ("${d.web.status}")`);
  await context.setOffline(false);

  // A new build on the server: the next visit has it, and then offline too.
  const before = d.web.version;
  const next = join(temp, 'next');
  cpSync(site, next, { recursive: true });
  for (const name of ['index.html', 'sw.js']) {
    const text = readFileSync(join(next, name), 'utf8').replaceAll(before, `${before}-next`);
    writeFileSync(join(next, name), text);
    for (const c of ['.br', '.gz']) rmSync(join(next, name + c), { force: true });
  }
  server.folder = next;
  d = await openPage(page, url, true);
  const fresh = d.web.version;
  await context.setOffline(true);
  d = await openPage(page, url, true);
  await context.setOffline(false);
  check(fresh === `${before}-next` && d.web.version === fresh,
      `a new build replaces the old at the next visit, and offline after (${fresh}, ${d.web.version})`);

  // --- A game; meanwhile a second tab waits on its settings page ---
  d = await openPage(page, url, true);
  const other = watchPage(await context.newPage());
  await openPage(other, url);
  await other.mouse.click(700, 500);
  await page.bringToFront();
  await page.mouse.click(700, 500);
  await waitFor(page, 'the game starts after the splash click',
      (d) => !d.web.pregame && d.web.presents > 0);
  await waitFor(page, 'the title follows the opening', (d) => scene(d) === 'TitleScene', 40000);
  // It fades in from black: look until it is there.
  let lit = 0;
  for (let i = 0; i < 100 && lit <= 0.05; ++i) {
    lit = await page.evaluate(() => {
      const c = document.getElementById('screen');
      const p = c.getContext('2d').getImageData(0, 0, 640, 480).data;
      let count = 0;
      for (let i = 0; i < p.length; i += 4) count += (p[i] | p[i + 1] | p[i + 2]) > 24;
      return count / (640 * 480);
    });
    if (lit <= 0.05) await page.waitForTimeout(100);
  }
  check(lit > 0.05, `the title is on the canvas (${(100 * lit).toFixed(1)} % of it lit)`);
  if (work) await page.screenshot({ path: join(work, 'title.png') });

  // The pointer lands on the very pixel, and clamps outside the screen.
  const where = [];
  for (const [x, y] of [[0, 0], [639, 479], [320, 240], [123, 457], [638, 1]]) {
    await page.mouse.move(...await at(page, x, y));
    await page.waitForTimeout(60);
    where.push([x, y, (await debug(page)).web.mouse]);
  }
  check(where.every(([x, y, m]) => m[0] === x && m[1] === y),
      `mouse positions map to screen pixels: ${JSON.stringify(where)}`);
  await page.mouse.move(2, 2);
  await page.waitForTimeout(60);
  const low = (await debug(page)).web.mouse;
  await page.mouse.move(1398, 998);
  await page.waitForTimeout(60);
  const high = (await debug(page)).web.mouse;
  check(low[0] === 0 && low[1] === 0 && high[0] === 639 && high[1] === 479,
      `positions outside the screen clamp: ${JSON.stringify([low, high])}`);

  // The second tab goes to its settings page and stays there.
  await other.bringToFront();
  await waitFor(other, 'the title in the second tab', (d) => scene(d) === 'TitleScene', 40000);
  await clickUntil(other, 320, 240, 'MenuScene', 10, 400);
  await clickAt(other, 330, 300);
  d = await waitFor(other, 'the settings page', (d) => d.game.g.MenuPhase === 2, 5000);
  const difficulty = d.game.g.Difficulty;

  // Title to menu, menu to a game, in the first tab in front again (the
  // second is hidden behind it, as a tab is).
  await setHidden(other, true);
  await page.bringToFront();
  d = await clickUntil(page, 320, 240, 'MenuScene', 10, 400);
  check(scene(d) === 'MenuScene', 'clicks on the title reach the menu');
  d = await clickUntil(page, 330, 206, 'PlayScene', 5, 300);
  check(scene(d) === 'PlayScene', 'Start on the menu begins a game');
  await waitFor(page, 'the worklet mixes', (d) => d.web.audioPath === 'worklet' && d.web.audioFrames > 0);

  // Every click is a shot, however fast, each heard a few milliseconds
  // after the press: at full speed and at a sixth of it. The page's speed
  // must not matter to the sound: at a sixth it has no more gaps and falls
  // no further behind the device than at full speed. (How busy this
  // machine is shows in both; the figures say what was measured.)
  await resetLoudness(page);
  let shots = 0;
  const heard = {}, gaps = {}, kept = {};
  for (const rate of [1, 6]) {
    await cdp.send('Emulation.setCPUThrottlingRate', { rate });
    const glitches = (await debug(page)).web.audioGlitches;
    const from = await page.evaluate(() => [TSPage.audio.context.currentTime, performance.now()]);
    heard[rate] = [];
    for (let i = 0; i < 16; ++i) {
      const v = await pressToSound(page, 40 + 37 * i, 200 + 13 * (i % 7));
      ++shots;
      if (v !== null) heard[rate].push(v);
      await page.waitForTimeout(60 + 29 * (i % 5));
    }
    const to = await page.evaluate(() => [TSPage.audio.context.currentTime, performance.now()]);
    d = await debug(page);
    // The audio clock against the page's.
    kept[rate] = (to[0] - from[0]) / ((to[1] - from[1]) / 1000);
    gaps[rate] = d.web.audioGlitches - glitches;
    const list = heard[rate].sort((a, b) => a - b);
    figure(`at ${rate}x processor time, press to sound in the mix: median ` +
        `${median(list).toFixed(1)} ms, slowest ${list[list.length - 1].toFixed(1)} ms ` +
        `(${list.length} presses); the device adds ${d.web.audioOutputLatencyMs.toFixed(0)} ms; ` +
        `the worklet rendered ${(100 * kept[rate]).toFixed(1)} % of real time, ` +
        `underruns ${gaps[rate]}`);
    check(list.length >= 12 && median(list) <= 30,
        `at ${rate}x a shot is in the mix within 30 ms of its press (median ${median(list).toFixed(1)} ms)`);
  }
  check(gaps[6] <= gaps[1] + 1 && kept[6] >= kept[1] - 0.03,
      `a page at a sixth of its speed leaves the sound as it is (underruns ${gaps[1]} and ` +
      `${gaps[6]}, rendered ${(100 * kept[1]).toFixed(1)} and ${(100 * kept[6]).toFixed(1)} % ` +
      'of real time)');
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
  await page.waitForTimeout(150);
  d = await debug(page);
  check(d.game.g.ShotCount === shots, `every click was a shot (${shots} clicks, ShotCount ${d.game.g.ShotCount})`);
  const loud = await loudness(page);
  check(loud > 0.01, `the game is heard (loudest sample ${loud.toFixed(3)})`);
  figure(`per animation frame: core ${(d.web.coreMs / d.web.ticks).toFixed(3)} ms, ` +
      `present ${(d.web.presentMs / d.web.presents).toFixed(3)} ms; frames drawn without a copy ` +
      `(${d.web.imagesMade} image views made)`);
  if (work) await page.screenshot({ path: join(work, 'play.png') });

  // A hidden tab pauses the game and fades its sound out; back in view it
  // goes on from where it was, without catching up.
  await setHidden(page, true);
  const hiddenAt = await debug(page);
  await page.waitForTimeout(1000);
  const stillHidden = await debug(page);
  await setHidden(page, false);
  const shownAt = await page.evaluate(() => performance.now());
  await page.waitForTimeout(500);
  d = await debug(page);
  const shownFor = (await page.evaluate(() => performance.now()) - shownAt) / 1000;
  check(stillHidden.web.sceneCalls === hiddenAt.web.sceneCalls &&
        stillHidden.web.audioState === 'suspended' && stillHidden.web.audioGain === 0,
      `a hidden tab pauses (${stillHidden.web.sceneCalls - hiddenAt.web.sceneCalls} ` +
      `scene calls in 1 s, sound faded out and ${stillHidden.web.audioState})`);
  const after = d.web.sceneCalls - stillHidden.web.sceneCalls;
  check(after > 0 && after <= Math.ceil(60 * shownFor) + 2 && d.web.audioState === 'running',
      `back in view it goes on without catching up (${after} scene calls in ` +
      `${shownFor.toFixed(2)} s, sound ${d.web.audioState})`);

  // Another window taking the focus pauses it too, as the desktop's window
  // does, and says so in the tab's title.
  await page.evaluate(() => window.dispatchEvent(new Event('blur')));
  const blurred = await debug(page);
  await page.waitForTimeout(400);
  const stillBlurred = await debug(page);
  await page.evaluate(() => window.dispatchEvent(new Event('focus')));
  await page.waitForTimeout(200);
  d = await debug(page);
  check(blurred.web.paused && stillBlurred.web.sceneCalls === blurred.web.sceneCalls &&
        blurred.web.title.includes('paused') && !d.web.paused && d.web.title === 'TumbleSquash' &&
        d.web.sceneCalls > stillBlurred.web.sceneCalls,
      `losing the focus pauses the game ("${blurred.web.title}"), getting it back goes on`);

  // M mutes, as on the desktop, while the shots go on.
  await page.keyboard.press('m');
  await page.waitForTimeout(200);
  await resetLoudness(page);
  for (let i = 0; i < 6; ++i) {
    await clickAt(page, 100 + 80 * i, 300);
    await page.waitForTimeout(120);
  }
  const muted = await loudness(page);
  await page.keyboard.press('m');
  check(muted < 0.001, `M mutes the game (loudest sample ${muted.toFixed(4)})`);

  // The boss key hides the game, and the tab's title with it.
  await clickAt(page, 320, 240, 'right');
  d = await waitFor(page, 'the boss key', (d) => scene(d) === 'BossKeyScene', 3000);
  const bossTitle = d.web.title;
  await page.waitForTimeout(100);
  await clickAt(page, 320, 240, 'right');
  d = await waitFor(page, 'back from the boss key', (d) => scene(d) === 'PlayScene', 3000);
  await page.waitForTimeout(50);
  d = await debug(page);
  check(bossTitle.includes('.xls') && d.web.title === 'TumbleSquash',
      `the tab's title follows the boss key ("${bossTitle}", then "${d.web.title}")`);

  // F, and the button, put the page in full screen and back.
  await page.keyboard.press('f');
  await page.waitForTimeout(300);
  const full = (await debug(page)).web.fullscreen;
  await page.keyboard.press('f');
  await page.waitForTimeout(300);
  const windowed = !(await debug(page)).web.fullscreen;
  await page.click('#fullscreen');
  await page.waitForTimeout(300);
  const button = (await debug(page)).web.fullscreen;
  await page.click('#fullscreen');
  await page.waitForTimeout(300);
  check(full && windowed && button && !(await debug(page)).web.fullscreen,
      'F and the full-screen button go to full screen and back');

  // The picture at a phone's, a laptop's and a small window's sizes, with
  // the game held still.
  await page.evaluate(() => window.dispatchEvent(new Event('blur')));
  await page.waitForTimeout(100);
  for (const [w, h, r, whole] of [[1400, 1000, 1, true], [390, 844, 3], [844, 390, 3],
                                   [1536, 730, 1.25], [1366, 657, 1], [600, 400, 1],
                                   [1100, 800, 1.25, true]]) {
    const p = await lookAtPicture(page, cdp, w, h, r, shotFile(`size_${w}x${h}@${r}.png`));
    const what = `${w}x${h} at ${r}: ${p.box.width}x${p.box.height} device pixels at ` +
        `(${p.box.left}, ${p.box.top}), ${(100 * p.fill).toFixed(1)} % of the limiting side, ` +
        `${(100 * p.sharp).toFixed(2)} % of pixels exactly nearest`;
    figure(`picture ${what}`);
    check(p.inside && p.aligned && p.fill >= 0.9 &&
          (r * Math.min(w / 640, h / 480) < 1 || p.sharp > 0.99) &&
          (!whole || Number.isInteger(p.box.scale)),
        `the picture fits, on whole device pixels, sharp: ${what}`);
  }
  await cdp.send('Emulation.clearDeviceMetricsOverride');
  await page.evaluate(() => window.dispatchEvent(new Event('focus')));
  await page.waitForTimeout(300);

  // Fingers: a tap shoots where it lands and leaves no pointer behind; two
  // fingers are the boss key, and back; the mute button appears.
  await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  d = await debug(page);
  const tapShots = d.game.g.ShotCount;
  const [tx, ty] = await at(page, 210, 330);
  await tap(cdp, [[tx, ty]]);
  const tapped = await waitFor(page, 'the tap is a shot', (d) => d.game.g.ShotCount > tapShots, 2000);
  d = await waitFor(page, 'the pointer leaves', (d) => d.web.mouse[0] > 640, 2000).catch(() => debug(page));
  check(tapped.game.g.ShotCount === tapShots + 1 && d.web.mouse[0] > 640 && d.web.mouse[1] > 480,
      `a tap is one shot, and then no cursor is drawn (pointer at ${d.web.mouse})`);
  await tap(cdp, [[tx, ty], [tx + 80, ty + 10]]);
  const boss = await waitFor(page, 'two fingers: the boss key', (d) => scene(d) === 'BossKeyScene', 2000)
      .catch(() => null);
  await page.waitForTimeout(100);
  await tap(cdp, [[tx, ty], [tx + 80, ty + 10]]);
  const back = await waitFor(page, 'two fingers: back', (d) => scene(d) === 'PlayScene', 2000)
      .catch(() => null);
  check(boss && back, 'a two-finger tap is the boss key, and another brings the game back');
  const mute = await page.evaluate(() => !document.getElementById('mute').hidden);
  const box = await page.evaluate(() => {
    const r = document.getElementById('mute').getBoundingClientRect();
    return [r.left + r.width / 2, r.top + r.height / 2];
  });
  await tap(cdp, [box]);
  await page.waitForTimeout(100);
  const tapMuted = (await debug(page)).web.volumes[3];
  await tap(cdp, [box]);
  await page.waitForTimeout(100);
  check(mute && tapMuted && !(await debug(page)).web.volumes[3],
      'on a touch screen a mute button shows, and mutes and unmutes');
  await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: false });

  // Shooting on until the field is clear ends the game; the result's click
  // records the score.
  d = await debug(page);
  const playing = d.web.sceneCalls;
  for (let i = 0; i < 2000 && scene(d) === 'PlayScene'; ++i) {
    const targets = targetsOf(d);
    if (targets.length) await clickAt(page, ...targets[0]);
    await page.waitForTimeout(120);
    d = await debug(page);
  }
  d = await waitFor(page, 'the game ends', (d) => scene(d) === 'ResultScene', 120000);
  const synced = d.web.savesSynced;
  const playedSeconds = (d.web.sceneCalls - playing) / 60;
  d = await clickUntil(page, 320, 240, 'RankingScene', 40, 250);
  check(scene(d) === 'RankingScene', 'a click on the result goes to the ranking');
  const best = d.game.scores[0];
  check(best > 0, `the game's total is in the table (${best}, the rest of the game ${playedSeconds.toFixed(0)} s)`);

  // The page recorded the run as an input script: the native game replays
  // it headless to the frame the page is at, global for global.
  if (game && work) {
    const { script, last } = await page.evaluate(() => ({
      script: window.tumblesquash.recording(),
      last: window.tumblesquash.debug().game,
    }));
    const seed = (/^# seed (\d+)\n/.exec(script) || [])[1];
    mkdirSync(work, { recursive: true });
    const replay = mkdtempSync(join(tmpdir(), 'tumblesquash-replay-'));
    writeFileSync(join(replay, 'session.script'), script);
    const run = spawnSync(game, ['--headless', '--data', pictures, '--seed', seed,
      '--input', 'session.script', '--frames', String(last.frame),
      '--trace', 't.jsonl', '--trace-actors'], { cwd: replay, encoding: 'utf8' });
    const lines = run.status === 0
      ? readFileSync(join(replay, 't.jsonl'), 'utf8').trim().split('\n') : [];
    const native = lines.length ? JSON.parse(lines[lines.length - 1]) : null;
    check(seed !== undefined && JSON.stringify(native) === JSON.stringify(last),
        `the page's recording replays headless to its frame ${last.frame} ` +
        `(${script.split('\n').length - 2} events, exit ${run.status}${run.stderr ? ': ' + run.stderr.trim() : ''})`);
    rmSync(replay, { recursive: true, force: true });
  }
  d = await waitFor(page, 'the scores reach IndexedDB',
      (d) => !d.web.syncing && d.web.savesSynced > synced);
  check(d.web.saveError === null, 'no error keeping the scores');

  // The second tab, open all along, leaves its settings page with another
  // setting: its save keeps the first tab's score.
  await setHidden(page, true);
  await setHidden(other, false);
  await other.bringToFront();
  const otherDifficulty = difficulty === 2 ? 1 : 2;
  const written = (await debug(other)).web.savesWritten;
  await clickAt(other, difficulty === 2 ? 336 : 464, 208);
  await other.waitForTimeout(100);
  await clickAt(other, 600, 440);
  d = await waitFor(other, 'the second tab saved',
      (d) => d.web.savesWritten > written && !d.web.syncing);
  check(d.game.g.Difficulty === otherDifficulty && d.game.scores[0] === best,
      `the other tab's save merged the score in (${d.game.scores[0]}, difficulty ${d.game.g.Difficulty})`);
  await page.bringToFront();
  d = await openPage(page, url, true);  // (visible again, as a new page is)
  check(d.game.scores[0] === best && d.game.g.Difficulty === otherDifficulty,
      `after a reload the best score is ${d.game.scores[0]} and the difficulty the last save's`);

  // A full store: the save fails, is said, holds nothing up and is tried
  // again; with room again it goes through. (Chromium's quota override is
  // not seen by small writes, which it lets through on space it counted
  // earlier: the store is made to refuse as a full one does.)
  await other.bringToFront();
  const storeFull = (on) => other.evaluate((on) => {
    const store = IDBObjectStore.prototype;
    if (!store.realPut) store.realPut = store.put;
    store.put = on ? function () {
      throw new DOMException('The quota has been exceeded.', 'QuotaExceededError');
    } : store.realPut;
  }, on);
  await storeFull(true);
  const saveSettings = async (page) => {
    await clickAt(page, 330, 300);
    await waitFor(page, 'the settings page', (d) => d.game.g.MenuPhase === 2, 5000);
    await clickAt(page, 600, 440);
    await waitFor(page, 'the menu', (d) => d.game.g.MenuPhase === 0, 5000);
  };
  await saveSettings(other);
  d = await waitFor(other, 'the failed write said', (d) => d.web.saveError !== null, 10000);
  const line = d.web.status;
  const calls = d.web.sceneCalls;
  await saveSettings(other);  // a later save while it fails
  await other.waitForTimeout(300);
  d = await debug(other);
  check(line.includes('could not keep the scores') && d.web.sceneCalls > calls,
      `a full store is said in one line and the game goes on ("${line}")`);
  await storeFull(false);
  d = await waitFor(other, 'the write tried again', (d) => d.web.saveError === null && !d.web.syncing, 20000);
  check(!d.web.status.includes('could not'), `with room again the scores are kept ("${d.web.status}")`);
  await other.close();
  await page.bringToFront();
  d = await openPage(page, url, true);
  check(d.game.scores[0] === best, `after the full store the best score is still ${d.game.scores[0]}`);

  // A restarted browser has it too, and says nothing more about its storage.
  await context.close();
  ({ context, page } = await launch(chromium, profile));
  d = await openPage(page, url);
  check(d.game.scores[0] === best, `after a browser restart the best score is ${d.game.scores[0]}`);
  check(!d.web.status.includes('may clear'), 'a note about the storage is said only once');

  // Escape ends the game; the page offers the splash again.
  await page.mouse.click(700, 500);
  await waitFor(page, 'the second run starts', (d) => !d.web.pregame);
  await page.keyboard.press('Escape');
  d = await waitFor(page, 'Escape ends the game and shows the splash',
      (d) => d.web.pregame && d.web.runs === 1);
  check(d.game.scores[0] === best, 'quitting kept the scores');

  // Failures, each in one plain line: the pictures missing, the code
  // broken, and no WebAssembly at all.
  const said = async (address, init) => {
    const p = watchPage(await context.newPage());
    if (init) await p.addInitScript(init);
    await p.goto(address);
    await p.waitForFunction(() => /could not|cannot/.test(document.getElementById('status').textContent),
        null, { timeout: 15000 }).catch(() => {});
    const text = await p.evaluate(() => document.getElementById('status').textContent);
    await p.close();
    return text;
  };
  const noData = await variant('no-data', (f) => {
    for (const n of named(f, /\.data(\.br|\.gz)?$/)) rmSync(join(f, n));
  });
  let text = await said(noData);
  check(/could not load its pictures .*404/.test(text) && !text.includes('\n'), `a missing .data: "${text}"`);
  const badCode = await variant('bad-wasm', (f) => {
    for (const n of named(f, /^tumblesquash\.[0-9a-f]+\.wasm(\.br|\.gz)?$/)) {
      writeFileSync(join(f, n), 'not a program');
    }
  });
  text = await said(badCode);
  check(/could not load its code/.test(text), `a broken wasm: "${text}"`);
  text = await said(url, () => { delete window.WebAssembly; });
  check(/no WebAssembly/.test(text), `a browser without WebAssembly: "${text}"`);

  // Scores an earlier build of the page kept (in emscripten's file system
  // database) are the ones the page starts with.
  const earlier = watchPage(await context.newPage());
  const earlierSite = await variant('earlier', () => {});
  await openPage(earlier, earlierSite);
  await earlier.evaluate(() => new Promise((done) => {
    TSPage.scores.db.close();
    const gone = indexedDB.deleteDatabase('tumblesquash');
    gone.onsuccess = gone.onerror = () => {
      const old = indexedDB.open('/save', 21);
      old.onupgradeneeded = () => old.result.createObjectStore('FILE_DATA');
      old.onsuccess = () => {
        const bytes = new Uint8Array(46);
        bytes.set([0x39, 0x30], 0);  // 12345
        bytes[40] = 2;
        bytes[41] = 1;
        const tx = old.result.transaction('FILE_DATA', 'readwrite');
        tx.objectStore('FILE_DATA').put(
            { timestamp: new Date(), mode: 33206, contents: bytes }, '/save/Score.dat');
        tx.oncomplete = () => { old.result.close(); done(); };
      };
    };
  }));
  d = await openPage(earlier, earlierSite, true);
  check(d.game.scores[0] === 12345, `an earlier build's scores are kept (${d.game.scores[0]})`);
  await earlier.close();

  // A browser without audio worklets has the same mixer on the page.
  const old = watchPage(await context.newPage());
  await old.addInitScript(() => { delete window.AudioWorkletNode; });
  await openPage(old, url);
  await old.mouse.click(700, 500);
  d = await waitFor(old, 'the sound on the page', (d) => d.web.audioFrames > 0, 10000)
      .catch(() => debug(old));
  check(d.web.audioPath === 'script' && d.web.audioFrames > 0,
      `without audio worklets the mixer runs on the page (${d.web.audioPath}, ${d.web.audioFrames} frames)`);
  await old.close();
} catch (e) {
  check(false, `the run went through (${e.message})`);
} finally {
  if (context) await context.close().catch(() => {});
  for (const s of servers) s.close();
  rmSync(temp, { recursive: true, force: true });
}

if (work) writeFileSync(join(work, 'figures.txt'), `${figures.join('\n')}\n`);
console.log(`${failures.length === 0 ? 'passed' : `${failures.length} failed`}`);
process.exit(failures.length === 0 ? 0 : 1);
