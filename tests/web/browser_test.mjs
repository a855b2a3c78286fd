// The web version in a real Chromium: served from this machine, opened
// headless, played through the splash, the title and the menu into a game,
// shot at, finished, and reloaded (and the browser restarted) to find the
// score kept in IndexedDB.
//   node tests/web/browser_test.mjs SITE_FOLDER [WORK_FOLDER]
// The work folder receives screenshots of the title and of the game.
// Exit code 77 (and a line saying why) when Chromium or the npm package is
// missing; scripts/setup.sh installs both.
import { existsSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve } from '../../scripts/serve_web.mjs';

const site = process.argv[2];
const work = process.argv[3] || null;
const chromiumPath = process.env.TS_CHROMIUM || '/usr/bin/chromium';
let chromium;
try {
  ({ chromium } = await import('playwright-core'));
} catch {
  console.log('skipped: playwright-core is not installed in tests/web (run scripts/setup.sh)');
  process.exit(77);
}
if (!existsSync(chromiumPath)) {
  console.log(`skipped: no Chromium at ${chromiumPath} (run scripts/setup.sh)`);
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

async function launch() {
  context = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    chromiumSandbox: false,
    args: ['--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update',
           '--disable-sync', '--autoplay-policy=user-gesture-required'],
    viewport: { width: 1400, height: 1000 },
  });
  const page = context.pages()[0] || await context.newPage();
  page.on('pageerror', (e) => console.log(`page error: ${e.message}`));
  page.on('console', (m) => {
    if (m.type() === 'error' || m.type() === 'warning') console.log(`console: ${m.text()}`);
  });
  return page;
}

const debug = (page) => page.evaluate(() => window.tumblesquash.debug());

async function waitFor(page, what, test, timeout = 30000) {
  const end = Date.now() + timeout;
  for (;;) {
    const d = await debug(page).catch(() => null);
    if (d && test(d)) return d;
    if (Date.now() > end) {
      check(false, `${what} (waited ${timeout / 1000} s)`);
      throw new Error(`gave up waiting: ${what}`);
    }
    await page.waitForTimeout(50);
  }
}

async function openPage(page) {
  await page.goto(url);
  return waitFor(page, 'the splash is shown',
      (d) => d.web.pregame && d.web.splashAtMs >= 0);
}

// Where game pixel (x, y) is on the page.
async function at(page, x, y) {
  const r = await page.evaluate(() => {
    const b = document.getElementById('screen').getBoundingClientRect();
    return { left: b.left, top: b.top, width: b.width, height: b.height };
  });
  return [r.left + (x + 0.5) * r.width / 640, r.top + (y + 0.5) * r.height / 480];
}

async function clickAt(page, x, y) {
  const [px, py] = await at(page, x, y);
  await page.mouse.click(px, py);
}

const scene = (d) => d.game && d.game.next;

async function shot(page, name) {
  if (!work) return;
  mkdirSync(work, { recursive: true });
  await page.screenshot({ path: join(work, name) });
}

try {
  let page = await launch();
  let d = await openPage(page);
  check(d.game.scores.every((s) => s === 0), 'a new browser starts with no scores');
  const splash = await page.evaluate(() => {
    const s = document.getElementById('splash');
    return { shown: s.style.display !== 'none' && s.complete, width: s.naturalWidth };
  });
  check(splash.shown && splash.width === 480, 'the splash picture is in the page');

  // The splash click starts the game, and the opening runs into the title.
  await page.mouse.click(700, 500);
  d = await waitFor(page, 'the game starts after the splash click',
      (d) => !d.web.pregame && d.web.presents > 0);
  d = await waitFor(page, 'the title follows the opening',
      (d) => scene(d) === 'TitleScene', 20000);
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
    const [px, py] = await at(page, x, y);
    await page.mouse.move(px, py);
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
  for (let i = 0; i < 10 && scene(d) !== 'MenuScene'; ++i) {
    await clickAt(page, 320, 240);
    await page.waitForTimeout(400);
    d = await debug(page);
  }
  check(scene(d) === 'MenuScene', 'clicks on the title reach the menu');
  for (let i = 0; i < 5 && scene(d) !== 'PlayScene'; ++i) {
    await clickAt(page, 330, 206);
    await page.waitForTimeout(300);
    d = await debug(page);
  }
  check(scene(d) === 'PlayScene', 'Start on the menu begins a game');

  // Every click is a shot, however fast: each press and release here
  // reaches the page between two frames.
  const targetsOf = (d) => (d.game.actors || [])
      .filter((a) => a[1] >= 1 && a[1] <= 3 && a[12] === 0)
      .map((a) => [Math.trunc(a[2]), Math.trunc(a[3]) - a[4]])
      .filter(([x, y]) => x >= 0 && x < 640 && y >= 0 && y < 480);
  let shots = 0;
  const started = await debug(page);
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

  // Shooting on until the field is clear shortens the game.
  for (let i = 0; i < 2000 && scene(d) === 'PlayScene'; ++i) {
    const targets = targetsOf(d);
    if (targets.length) await clickAt(page, ...targets[0]);
    await page.waitForTimeout(120);
    d = await debug(page);
  }

  // The game runs to its end; the result's click records the score.
  d = await waitFor(page, 'the game ends', (d) => scene(d) === 'ResultScene', 120000);
  const playedSeconds = (d.web.sceneCalls - started.web.sceneCalls) / 60;
  for (let i = 0; i < 40 && scene(d) !== 'RankingScene'; ++i) {
    await clickAt(page, 320, 240);
    await page.waitForTimeout(250);
    d = await debug(page);
  }
  check(scene(d) === 'RankingScene', 'a click on the result goes to the ranking');
  const best = d.game.scores[0];
  check(best > 0, `the game's total is in the table (${best})`);
  d = await waitFor(page, 'the scores reach IndexedDB',
      (d) => d.web.savesSynced >= d.web.savesWritten && d.web.savesWritten >= 2 && !d.web.syncing);
  check(d.web.saveError === null, 'no error keeping the scores');
  console.log(`figures: ${d.web.sceneCalls} scene calls, ${d.web.presents} presents, ` +
      `core ${(d.web.coreMs / d.web.ticks).toFixed(3)} ms and present ` +
      `${(d.web.presentMs / d.web.presents).toFixed(3)} ms per animation frame, ` +
      `first frame ${(d.web.firstFrameAtMs - d.web.splashAtMs).toFixed(0)} ms after the splash, ` +
      `game about ${playedSeconds.toFixed(0)} s, audio ${d.web.audioState} at ${d.web.audioRate} Hz ` +
      `(${d.web.audioFrames} frames mixed)`);

  // Reloaded, and in a restarted browser, the score is still there.
  d = await openPage(page);
  check(d.game.scores[0] === best, `after a reload the best score is ${d.game.scores[0]}`);
  await context.close();
  page = await launch();
  d = await openPage(page);
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
