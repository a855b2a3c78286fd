// The web version in a real Chromium: served from this machine, opened
// headless, played through the splash, the title and the menu into a game,
// shot at, finished, and reloaded (and the browser restarted) to find the
// score kept in IndexedDB.
//   node tests/web/browser_test.mjs SITE_FOLDER [WORK_FOLDER [GAME PICTURES]]
// The work folder receives screenshots of the title and of the game; with
// the native game and its pictures, the page's recording of the game is
// replayed headless and must reach the very frame the page showed.
// Exit code 77 (and a line saying why) when Chromium or the npm package is
// missing; scripts/setup.sh installs both.
import { spawnSync } from 'node:child_process';
import {
  existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync,
} from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve } from '../../scripts/serve_web.mjs';
import {
  at, clickAt, clickUntil, debug, launch, loadChromium, openPage, scene,
  targetsOf, waitFor, watchLoudness,
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

const server = await serve(site, 0);
const url = `http://127.0.0.1:${server.address().port}/`;
const profile = mkdtempSync(join(tmpdir(), 'tumblesquash-profile-'));
let context = null;

async function shot(page, name) {
  if (!work) return;
  mkdirSync(work, { recursive: true });
  await page.screenshot({ path: join(work, name) });
}

try {
  let page;
  ({ context, page } = await launch(chromium, profile));
  let d = await openPage(page, url);
  check(d.game.scores.every((s) => s === 0), 'a new browser starts with no scores');
  const splash = await page.evaluate(() => {
    const s = document.getElementById('splash');
    return { shown: s.style.display !== 'none' && s.complete, width: s.naturalWidth };
  });
  check(splash.shown && splash.width === 480, 'the splash picture is in the page');

  // The splash click starts the game, and the opening runs into the title.
  await page.mouse.click(700, 500);
  await waitFor(page, 'the game starts after the splash click',
      (d) => !d.web.pregame && d.web.presents > 0);
  await watchLoudness(page);
  await waitFor(page, 'the title follows the opening', (d) => scene(d) === 'TitleScene', 20000);
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
  await shot(page, 'title.png');

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

  // Title to menu, menu to a game.
  d = await clickUntil(page, 320, 240, 'MenuScene', 10, 400);
  check(scene(d) === 'MenuScene', 'clicks on the title reach the menu');
  d = await clickUntil(page, 330, 206, 'PlayScene', 5, 300);
  check(scene(d) === 'PlayScene', 'Start on the menu begins a game');

  // Every click is a shot, however fast: each press and release here
  // reaches the page between two frames.
  let shots = 0;
  for (let i = 0; i < 200 && shots < 15; ++i) {
    const targets = targetsOf(d);
    if (targets.length) {
      await clickAt(page, ...targets[0]);
      ++shots;
    }
    await page.waitForTimeout(150);
    d = await debug(page);
  }
  await shot(page, 'play.png');
  check(d.game.g.ShotCount === shots, `every click was a shot (${shots} clicks, ShotCount ${d.game.g.ShotCount})`);
  check(d.game.g.HitCount > 0, `shots at the enemies hit (HitCount ${d.game.g.HitCount})`);
  const loudest = await page.evaluate(() => window.loudest);
  check(loudest > 0.01, `the game is heard through Web Audio (loudest sample ${loudest.toFixed(3)})`);

  // A hidden tab pauses the game and its sound; back in view it goes on
  // from where it was, without catching up. (Headless Chromium never hides
  // a tab by itself: the page is told so the way a browser tells it.)
  const setHidden = (hidden) => page.evaluate((hidden) => {
    Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
    Object.defineProperty(document, 'visibilityState',
        { value: hidden ? 'hidden' : 'visible', configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await setHidden(true);
  const hiddenAt = await debug(page);
  await page.waitForTimeout(1000);
  const stillHidden = await debug(page);
  await setHidden(false);
  const shownAt = await page.evaluate(() => performance.now());
  await page.waitForTimeout(500);
  d = await debug(page);
  const shownFor = (await page.evaluate(() => performance.now()) - shownAt) / 1000;
  check(stillHidden.web.sceneCalls === hiddenAt.web.sceneCalls &&
        stillHidden.web.audioState === 'suspended',
      `a hidden tab pauses (${stillHidden.web.sceneCalls - hiddenAt.web.sceneCalls} ` +
      `scene calls in 1 s, sound ${stillHidden.web.audioState})`);
  const after = d.web.sceneCalls - stillHidden.web.sceneCalls;
  check(after > 0 && after <= Math.ceil(60 * shownFor) + 2 && d.web.audioState === 'running',
      `back in view it goes on without catching up (${after} scene calls in ` +
      `${shownFor.toFixed(2)} s, sound ${d.web.audioState})`);

  // M mutes, as on the desktop, while the shots go on.
  await page.keyboard.press('m');
  await page.waitForTimeout(200);
  await page.evaluate(() => { window.loudest = 0; });
  for (let i = 0; i < 8; ++i) {
    const targets = targetsOf(await debug(page));
    if (targets.length) await clickAt(page, ...targets[0]);
    await page.waitForTimeout(120);
  }
  const muted = await page.evaluate(() => window.loudest);
  await page.keyboard.press('m');
  check(muted < 0.001, `M mutes the game (loudest sample ${muted.toFixed(4)})`);

  // Shooting on until the field is clear shortens the game; its end, and
  // the result's click records the score.
  const playing = d.web.sceneCalls;
  for (let i = 0; i < 2000 && scene(d) === 'PlayScene'; ++i) {
    const targets = targetsOf(d);
    if (targets.length) await clickAt(page, ...targets[0]);
    await page.waitForTimeout(120);
    d = await debug(page);
  }
  d = await waitFor(page, 'the game ends', (d) => scene(d) === 'ResultScene', 120000);
  const playedSeconds = (d.web.sceneCalls - playing) / 60;
  d = await clickUntil(page, 320, 240, 'RankingScene', 40, 250);
  check(scene(d) === 'RankingScene', 'a click on the result goes to the ranking');
  const best = d.game.scores[0];
  check(best > 0, `the game's total is in the table (${best})`);

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
      (d) => d.web.savesSynced >= d.web.savesWritten && d.web.savesWritten >= 2 && !d.web.syncing);
  check(d.web.saveError === null, 'no error keeping the scores');
  console.log(`figures: ${d.web.sceneCalls} scene calls, ${d.web.presents} presents, ` +
      `core ${(d.web.coreMs / d.web.ticks).toFixed(3)} ms and present ` +
      `${(d.web.presentMs / d.web.presents).toFixed(3)} ms per animation frame, ` +
      `first frame ${(d.web.firstFrameAtMs - d.web.splashAtMs).toFixed(0)} ms after the splash, ` +
      `the rest of the game ${playedSeconds.toFixed(0)} s, audio ${d.web.audioState} at ` +
      `${d.web.audioRate} Hz (${d.web.audioFrames} frames mixed)`);

  // Reloaded, and in a restarted browser, the score is still there.
  d = await openPage(page, url);
  check(d.game.scores[0] === best, `after a reload the best score is ${d.game.scores[0]}`);
  await context.close();
  ({ context, page } = await launch(chromium, profile));
  d = await openPage(page, url);
  check(d.game.scores[0] === best, `after a browser restart the best score is ${d.game.scores[0]}`);

  // Escape ends the game; the page offers the splash again.
  await page.mouse.click(700, 500);
  await waitFor(page, 'the second run starts', (d) => !d.web.pregame);
  await page.keyboard.press('Escape');
  d = await waitFor(page, 'Escape ends the game and shows the splash',
      (d) => d.web.pregame && d.web.runs === 1);
  check(d.game.scores[0] === best, 'quitting kept the scores');
} catch (e) {
  check(false, `the run went through (${e.message})`);
} finally {
  if (context) await context.close().catch(() => {});
  server.close();
  rmSync(profile, { recursive: true, force: true });
}

console.log(`${failures.length === 0 ? 'passed' : `${failures.length} failed`}`);
process.exit(failures.length === 0 ? 0 : 1);
