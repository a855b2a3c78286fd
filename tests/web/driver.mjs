// Driving the web version in headless Chromium: shared by the browser test
// and the page benchmark.
import { existsSync, writeFileSync } from 'node:fs';
import { decodePng } from './png.mjs';

export const chromiumPath = process.env.TS_CHROMIUM || '/usr/bin/chromium';

// Null when the test's tools are missing, with the reason in `why`.
export async function loadChromium(why) {
  try {
    const { chromium } = await import('playwright-core');
    if (existsSync(chromiumPath)) return chromium;
    why.push(`no Chromium at ${chromiumPath} (run scripts/setup.sh)`);
  } catch {
    why.push('playwright-core is not installed in tests/web (run scripts/setup.sh)');
  }
  return null;
}

// What every page of the tests records from its first moment: when the
// start picture was in, and how the progress bar went.
function watchLoading() {
  window.__loading = { splashAt: -1, bar: [] };
  // (A picture's load event never reaches the window.)
  document.addEventListener('load', (e) => {
    if (e.target && e.target.id === 'splash' && window.__loading.splashAt < 0) {
      window.__loading.splashAt = performance.now();
    }
  }, true);
  document.addEventListener('DOMContentLoaded', () => {
    const bar = document.querySelector('#progress div');
    if (!bar) return;
    new MutationObserver(() => {
      if (getComputedStyle(bar.parentNode).display !== 'none') {
        window.__loading.bar.push(parseFloat(bar.style.width) || 0);
      }
    }).observe(bar, { attributes: true });
  });
}

// A headless Chromium with its own profile folder (kept across launches,
// so IndexedDB and the service worker survive a restart) and one page.
export async function launch(chromium, profile, options = {}) {
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    chromiumSandbox: false,
    args: ['--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update',
           '--disable-sync', '--autoplay-policy=user-gesture-required'],
    viewport: { width: 1400, height: 1000 },
    ...options,
  });
  await context.addInitScript(watchLoading);
  const page = context.pages()[0] || await context.newPage();
  watchPage(page);
  return { context, page };
}

export function watchPage(page) {
  page.on('pageerror', (e) => console.log(`page error: ${e.message}`));
  return page;
}

export const debug = (page) => page.evaluate(() => window.tumblesquash.debug());

// The scene the next frame runs.
export const scene = (d) => d.game && d.game.next;

// Polls the debug hook until `test` holds; throws after `timeout` ms.
export async function waitFor(page, what, test, timeout = 30000) {
  const end = Date.now() + timeout;
  for (;;) {
    const d = await debug(page).catch(() => null);
    if (d && test(d)) return d;
    if (Date.now() > end) throw new Error(`gave up waiting (${timeout / 1000} s): ${what}`);
    await page.waitForTimeout(50);
  }
}

// Opens the page and waits for the game to run; with the times (ms from
// the navigation) the start picture was in and the game was ready.
export async function openPage(page, url, reload = false) {
  if (reload) await page.reload();
  else await page.goto(url);
  const d = await waitFor(page, 'the game is ready on the splash',
      (d) => d.web.pregame && d.web.splashAtMs >= 0);
  const loading = await page.evaluate(() => window.__loading);
  d.load = { splashMs: loading.splashAt, readyMs: d.web.readyAtMs, bar: loading.bar };
  return d;
}

// Where game pixel (x, y) is on the page.
export async function at(page, x, y) {
  const r = await page.evaluate(() => {
    const b = document.getElementById('screen').getBoundingClientRect();
    return { left: b.left, top: b.top, width: b.width, height: b.height };
  });
  return [r.left + (x + 0.5) * r.width / 640, r.top + (y + 0.5) * r.height / 480];
}

export async function clickAt(page, x, y, button = 'left') {
  const [px, py] = await at(page, x, y);
  await page.mouse.click(px, py, { button });
}

// Clicks at (x, y) until the scene after the click is `want`.
export async function clickUntil(page, x, y, want, tries, pause) {
  let d = await debug(page);
  for (let i = 0; i < tries && scene(d) !== want; ++i) {
    await clickAt(page, x, y);
    await page.waitForTimeout(pause);
    d = await debug(page);
  }
  return d;
}

// Where the enemies not yet hit stand (the centre a shot aims at).
export const targetsOf = (d) => (d.game.actors || [])
    .filter((a) => a[1] >= 1 && a[1] <= 3 && a[12] === 0)
    .map((a) => [Math.trunc(a[2]), Math.trunc(a[3]) - a[4]])
    .filter(([x, y]) => x >= 0 && x < 640 && y >= 0 && y < 480);

// The loudest sample the mixer makes from now on, and what it was. The
// worklet reports twice a second: a report that may hold samples from before
// the reset is let go by, and the reading waits for one made after.
const nextReport = () => new Promise((done) => {
  const a = TSPage.audio, was = a.frames;
  const wait = setInterval(() => {
    if (a.frames === was) return;
    clearInterval(wait);
    done();
  }, 20);
  setTimeout(() => { clearInterval(wait); done(); }, 2000);
});
export async function resetLoudness(page) {
  await page.evaluate(`(${nextReport})().then(() => { TSPage.audio.loudest = 0; })`);
}
export async function loudness(page) {
  return page.evaluate(`(${nextReport})().then(() => TSPage.audio.loudest)`);
}

// A slow link: 1.6 Mbit/s each way, 150 ms round trips; with
// `cold` the browser's cache is not used.
export async function slowLink(cdp, on, cold = false) {
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions', {
    offline: false,
    latency: on ? 150 : 0,
    downloadThroughput: on ? 1.6e6 / 8 : -1,
    uploadThroughput: on ? 1.6e6 / 8 : -1,
  });
  await cdp.send('Network.setCacheDisabled', { cacheDisabled: cold });
}

// The time from a press to the moment our mixer puts the sound it sets off
// into the output (the sound's first frame, less the device's own output
// latency, on the page's clock). One press at game pixel (x, y); null when
// no sound started within two seconds.
export async function pressToSound(page, x, y) {
  const [px, py] = await at(page, x, y);
  await page.evaluate(() => {
    window.__press = new Promise((done) => {
      const a = TSPage.audio;
      let clickAt = -1;
      document.addEventListener('mousedown', () => { clickAt = performance.now(); },
                                { capture: true, once: true });
      const stop = setTimeout(() => { a.onStart = null; done(null); }, 3000);
      a.onStart = (at) => {
        if (clickAt < 0) return;
        const ms = at - a.context.outputLatency * 1000 - clickAt;
        if (ms < 0) return;  // started before the press (an enemy's)
        clearTimeout(stop);
        a.onStart = null;
        done(ms);
      };
    });
  });
  await page.mouse.click(px, py);
  return page.evaluate(() => window.__press);
}

// The page at a view of width x height CSS pixels at `ratio` device pixels
// each: where the game's picture is and how it is drawn, from a screenshot
// of the device's pixels (saved as `file`). The game should be paused.
export async function lookAtPicture(page, cdp, width, height, ratio, file) {
  await cdp.send('Emulation.setDeviceMetricsOverride',
                 { width, height, deviceScaleFactor: ratio, mobile: false });
  await page.waitForTimeout(250);
  const info = await page.evaluate(() => {
    const c = document.getElementById('screen');
    const r = c.getBoundingClientRect();
    // What lies over the picture (the buttons, a line of text), in CSS
    // pixels: left out of the comparison.
    const over = ['controls', 'status'].map((id) => document.getElementById(id))
        .filter((e) => e.offsetParent !== null || getComputedStyle(e).position === 'fixed')
        .map((e) => e.getBoundingClientRect())
        .filter((b) => b.width > 0 && b.height > 0)
        .map((b) => [b.left, b.top, b.right, b.bottom]);
    return { box: TSBoot.box(), rect: [r.left, r.top, r.width, r.height], over,
             frame: c.toDataURL('image/png') };
  });
  const shot = Buffer.from((await cdp.send('Page.captureScreenshot', { format: 'png' })).data,
                           'base64');
  if (file) writeFileSync(file, shot);
  const img = decodePng(shot);
  const frame = decodePng(Buffer.from(info.frame.split(',')[1], 'base64'));
  const { left, top, width: w, height: h, view } = info.box;
  // Each device pixel against the game pixel nearest-pixel scaling puts
  // there: all equal when the picture is sharp.
  const covered = (x, y) => info.over.some(([l, t, r, b]) =>
    x >= l * ratio - 1 && x < r * ratio + 1 && y >= t * ratio - 1 && y < b * ratio + 1);
  let same = 0, all = 0;
  for (let y = top; y < top + h; y += 2) {
    for (let x = left; x < left + w; x += 2) {
      if (covered(x, y)) continue;
      // Where a device pixel's centre falls right on the edge between two
      // game pixels, either is nearest.
      const fx = (x - left + 0.5) * frame.width / w, fy = (y - top + 0.5) * frame.height / h;
      const xs = [Math.floor(fx)], ys = [Math.floor(fy)];
      if (fx - xs[0] < 0.01 && xs[0] > 0) xs.push(xs[0] - 1);
      if (fy - ys[0] < 0.01 && ys[0] > 0) ys.push(ys[0] - 1);
      const o = (y * img.width + x) * 4;
      ++all;
      if (xs.some((gx) => ys.some((gy) => {
        const g = (gy * frame.width + gx) * 4;
        return img.data[o] === frame.data[g] && img.data[o + 1] === frame.data[g + 1] &&
               img.data[o + 2] === frame.data[g + 2];
      }))) {
        ++same;
      }
    }
  }
  return {
    box: info.box,
    rect: info.rect,
    shot: [img.width, img.height],
    // The share of the limiting side of the view the picture covers.
    fill: Math.max(w / view[0], h / view[1]),
    inside: left >= 0 && top >= 0 && left + w <= view[0] && top + h <= view[1],
    // Its edges on whole device pixels, as laid out.
    aligned: info.rect.every((v) => Math.abs(v * ratio - Math.round(v * ratio)) < 0.02),
    sharp: same / all,
  };
}

// Fingers on the page, through the browser's own touch input: one list of
// [x, y] CSS points going down together, then up.
export async function tap(cdp, points) {
  await cdp.send('Input.dispatchTouchEvent', {
    type: 'touchStart',
    touchPoints: points.map(([x, y], i) => ({ x, y, id: i + 1 })),
  });
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
}
