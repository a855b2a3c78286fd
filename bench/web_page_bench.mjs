// Figures of the web version in headless Chromium: the page's weight (as
// stored and as sent compressed), the time to the start picture, to a game
// ready to play and to the title on a slow link (1.6 Mbit/s, 150 ms round
// trips; cold cache and warm), the processor time of an animation frame
// over a stretch of play (the core's scene calls, converting and drawing
// the frame, and the page's whole main thread), and the time from a press
// to its sound in the mix, at full speed and at a sixth of it.
//   node bench/web_page_bench.mjs [SITE_FOLDER] [SECONDS] [LOADS]
// Needs what the browser test needs (scripts/setup.sh installs it).
import { existsSync, mkdtempSync, readdirSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve } from '../scripts/serve_web.mjs';
import {
  clickAt, clickUntil, debug, launch, loadChromium, pressToSound, scene,
  slowLink, targetsOf, waitFor,
} from '../tests/web/driver.mjs';

const site = process.argv[2] || 'build/web/site';
const seconds = Number(process.argv[3] || 20);
const loads = Number(process.argv[4] || 3);
const why = [];
const chromium = await loadChromium(why);
if (!chromium) {
  console.error(`web_page_bench: ${why.join('; ')}`);
  process.exit(1);
}
const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];
const kb = (n) => `${(n / 1024).toFixed(1)} KB`.padStart(10);

// --- Weight ------------------------------------------------------------------
const size = (name) => (existsSync(join(site, name)) ? statSync(join(site, name)).size : 0);
const files = readdirSync(site).filter((n) => !/\.(br|gz)$/.test(n)).sort();
const stage = (n) => (/^(index\.html|splash\.)/.test(n) ? 'start picture'
    : /^tumblesquash\.[0-9a-f]+\.(js|wasm|data)$/.test(n) ? 'ready to play'
    : /\.(sounds)$|_mixer\./.test(n) ? 'after' : 'kept for later');
console.log('page weight (stored, brotli, gzip; a file a compressed copy does not help goes as it is):');
const sums = {};
for (const n of files) {
  const raw = size(n), br = size(`${n}.br`) || raw, gz = size(`${n}.gz`) || raw;
  const s = stage(n);
  sums[s] = sums[s] || [0, 0, 0];
  sums[s][0] += raw;
  sums[s][1] += br;
  sums[s][2] += gz;
  console.log(`  ${n.padEnd(36)} ${kb(raw)} ${kb(br)} ${kb(gz)}   ${s}`);
}
const all = [0, 0, 0];
for (const [s, v] of Object.entries(sums)) {
  console.log(`  ${`(${s})`.padEnd(36)} ${kb(v[0])} ${kb(v[1])} ${kb(v[2])}`);
  v.forEach((x, i) => { all[i] += x; });
}
console.log(`  ${'(all)'.padEnd(36)} ${kb(all[0])} ${kb(all[1])} ${kb(all[2])}`);

const server = await serve(site, 0);
const url = `http://127.0.0.1:${server.address().port}/`;
const temp = mkdtempSync(join(tmpdir(), 'tumblesquash-bench-'));
let context = null;
try {
  // --- Loads on the slow link ----------------------------------------------
  // Each cold load in a new profile; the warm ones after, with the worker
  // and the browser's cache.
  const visit = async (page, reload, title) => {
    if (reload) await page.reload({ waitUntil: 'commit' });
    else await page.goto(url, { waitUntil: 'commit' });
    await page.waitForFunction(() => window.__loading && window.__loading.splashAt >= 0,
        null, { timeout: 30000, polling: 20 });
    const d = await waitFor(page, 'ready', (d) => d.web.pregame && d.web.readyAtMs > 0, 30000);
    const splashAt = await page.evaluate(() => window.__loading.splashAt);
    let titleAt = -1;
    if (title) {
      await page.mouse.click(700, 500);
      await waitFor(page, 'the title', (d) => scene(d) === 'TitleScene', 30000);
      titleAt = await page.evaluate(() => performance.now());
    }
    return { splash: splashAt, ready: d.web.readyAtMs, title: titleAt };
  };
  const cold = [], warm = [];
  let page, cdp;
  for (let i = 0; i < loads; ++i) {
    if (context) await context.close();
    ({ context, page } = await launch(chromium, join(temp, `cold${i}`)));
    cdp = await context.newCDPSession(page);
    await slowLink(cdp, true, true);
    cold.push(await visit(page, false, i === 0));
  }
  await slowLink(cdp, false);
  await waitFor(page, 'the recordings', (d) => d.web.soundsAtMs > 0, 60000);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await slowLink(cdp, true, false);
  for (let i = 0; i < loads; ++i) warm.push(await visit(page, true, i === 0));
  await slowLink(cdp, false);
  const line = (what, list) => {
    const m = (k) => `${(median(list.map((v) => v[k])) / 1000).toFixed(2)} s`;
    console.log(`  ${what}: start picture ${m('splash')}, ready to play ${m('ready')}, ` +
        `the title ${(list[0].title / 1000).toFixed(2)} s (the start picture clicked at once)`);
  };
  console.log(`on 1.6 Mbit/s with 150 ms round trips (medians of ${loads} loads, from the navigation):`);
  line('cold', cold);
  line('warm', warm);

  // --- Processor time over a stretch of play ---------------------------------
  await page.reload();
  await waitFor(page, 'ready', (d) => d.web.pregame && d.web.readyAtMs > 0);
  await page.mouse.click(700, 500);
  await waitFor(page, 'the title', (d) => scene(d) === 'TitleScene', 20000);
  await clickUntil(page, 320, 240, 'MenuScene', 10, 400);
  let d = await clickUntil(page, 330, 206, 'PlayScene', 5, 300);
  await cdp.send('Performance.enable');
  const sample = async () => {
    const m = await cdp.send('Performance.getMetrics');
    const metric = (name) => m.metrics.find((x) => x.name === name).value;
    return { d: await debug(page), task: metric('TaskDuration'), script: metric('ScriptDuration'),
             t: await page.evaluate(() => performance.now()) };
  };
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
    await page.waitForTimeout(250);
    d = await debug(page);
  }
  const b = await sample();
  const wall = (b.t - a.t) / 1000;
  const ticks = b.d.web.ticks - a.d.web.ticks;
  const calls = b.d.web.sceneCalls - a.d.web.sceneCalls;
  const presents = b.d.web.presents - a.d.web.presents;
  console.log(`over ${wall.toFixed(1)} s of play: ${(calls / wall).toFixed(2)} scene calls/s, ` +
      `${(ticks / wall).toFixed(2)} animation frames/s, ${(presents / wall).toFixed(2)} frames presented/s`);
  console.log(`per animation frame: core ${((b.d.web.coreMs - a.d.web.coreMs) / ticks).toFixed(3)} ms, ` +
      `present (convert and putImageData) ${((b.d.web.presentMs - a.d.web.presentMs) / presents).toFixed(3)} ms; ` +
      `the page's main thread busy ${(1000 * (b.task - a.task) / ticks).toFixed(3)} ms ` +
      `(script ${(1000 * (b.script - a.script) / ticks).toFixed(3)} ms, the benchmark's own calls included)`);

  // --- Press to sound ---------------------------------------------------------
  d = await debug(page);
  if (scene(d) !== 'PlayScene') {
    await clickUntil(page, 320, 240, 'MenuScene', 40, 300);
    await clickUntil(page, 330, 206, 'PlayScene', 5, 300);
  }
  for (const rate of [1, 6]) {
    await cdp.send('Emulation.setCPUThrottlingRate', { rate });
    const list = [];
    for (let i = 0; i < 30; ++i) {
      const v = await pressToSound(page, 30 + 19 * i, 150 + 11 * (i % 13));
      if (v !== null) list.push(v);
      await page.waitForTimeout(50 + 23 * (i % 7));
    }
    list.sort((x, y) => x - y);
    d = await debug(page);
    console.log(`press to its sound in the mix at ${rate}x: median ${median(list).toFixed(1)} ms, ` +
        `90 % within ${list[Math.floor(0.9 * list.length)].toFixed(1)} ms, slowest ` +
        `${list[list.length - 1].toFixed(1)} ms (${list.length} presses; the device adds ` +
        `${d.web.audioOutputLatencyMs.toFixed(0)} ms, underruns so far ${d.web.audioGlitches})`);
  }
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
} finally {
  if (context) await context.close();
  server.close();
  rmSync(temp, { recursive: true, force: true });
}
