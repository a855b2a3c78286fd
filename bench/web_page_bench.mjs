// Figures of the web version in headless Chromium: page weight, time to
// the splash and to the first frame, the cost of an animation frame (the
// core's scene calls, then converting and drawing the frame) and the rates
// over a stretch of play, shooting at the enemies as a player would.
//   node bench/web_page_bench.mjs [SITE_FOLDER] [SECONDS]
// Needs what the browser test needs (scripts/setup.sh installs it).
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { serve } from '../scripts/serve_web.mjs';
import {
  clickAt, clickUntil, debug, launch, loadChromium, openPage, scene,
  targetsOf, waitFor, watchLoudness,
} from '../tests/web/driver.mjs';

const site = process.argv[2] || 'build/web/site';
const seconds = Number(process.argv[3] || 30);
const why = [];
const chromium = await loadChromium(why);
if (!chromium) {
  console.error(`web_page_bench: ${why.join('; ')}`);
  process.exit(1);
}

console.log('page weight in bytes (and gzip -9, as a server may send it):');
for (const name of ['index.html', 'tumblesquash.js', 'tumblesquash.wasm', 'tumblesquash.data']) {
  const file = join(site, name);
  console.log(`  ${name.padEnd(18)} ${String(statSync(file).size).padStart(9)} ` +
      `${String(gzipSync(readFileSync(file), { level: 9 }).length).padStart(9)}`);
}

const server = await serve(site, 0);
const profile = mkdtempSync(join(tmpdir(), 'tumblesquash-bench-'));
const { context, page } = await launch(chromium, profile);
try {
  const opened = await openPage(page, `http://127.0.0.1:${server.address().port}/`);
  await page.evaluate(() => {
    document.addEventListener('mousedown', () => { window.clickAt = performance.now(); },
                              { capture: true, once: true });
  });
  await page.mouse.click(700, 500);
  const started = await waitFor(page, 'the first frame', (d) => d.web.firstFrameAtMs >= 0);
  const clickAt_ = await page.evaluate(() => window.clickAt);
  console.log(`splash shown ${opened.web.splashAtMs.toFixed(0)} ms after navigation; ` +
      `first frame ${(started.web.firstFrameAtMs - clickAt_).toFixed(1)} ms after the click`);

  await watchLoudness(page);
  await waitFor(page, 'the title', (d) => scene(d) === 'TitleScene', 20000);
  await clickUntil(page, 320, 240, 'MenuScene', 10, 400);
  let d = await clickUntil(page, 330, 206, 'PlayScene', 5, 300);
  const sample = async () => ({
    d: await debug(page), t: await page.evaluate(() => performance.now()),
  });
  const a = await sample();
  const end = Date.now() + seconds * 1000;
  while (Date.now() < end) {
    if (scene(d) === 'PlayScene') {
      const targets = targetsOf(d);
      if (targets.length) await clickAt(page, ...targets[0]);
    } else {
      // A game over: to the ranking and round again.
      await clickAt(page, 320, 240);
      if (scene(d) === 'MenuScene') await clickAt(page, 330, 206);
    }
    await page.waitForTimeout(150);
    d = await debug(page);
  }
  const b = await sample();
  const wall = (b.t - a.t) / 1000;
  const ticks = b.d.web.ticks - a.d.web.ticks;
  const calls = b.d.web.sceneCalls - a.d.web.sceneCalls;
  const presents = b.d.web.presents - a.d.web.presents;
  console.log(`over ${wall.toFixed(1)} s of play: ${(calls / wall).toFixed(2)} scene calls/s, ` +
      `${(ticks / wall).toFixed(2)} animation frames/s, ${(presents / wall).toFixed(2)} frames drawn/s`);
  console.log(`per animation frame: core ${((b.d.web.coreMs - a.d.web.coreMs) / ticks).toFixed(3)} ms, ` +
      `present (convert and putImageData) ${((b.d.web.presentMs - a.d.web.presentMs) / presents).toFixed(3)} ms`);
  const loudest = await page.evaluate(() => window.loudest);
  console.log(`audio: ${b.d.web.audioState} at ${b.d.web.audioRate} Hz, ` +
      `${((b.d.web.audioFrames - a.d.web.audioFrames) / wall).toFixed(0)} frames mixed a second, ` +
      `loudest sample ${loudest.toFixed(3)}`);
} finally {
  await context.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
