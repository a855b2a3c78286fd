// Driving the web version in headless Chromium: shared by the browser test
// and the page benchmark.
import { existsSync } from 'node:fs';

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

// A headless Chromium with its own profile folder (kept across launches,
// so IndexedDB survives a restart) and one page.
export async function launch(chromium, profile) {
  const context = await chromium.launchPersistentContext(profile, {
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
  return { context, page };
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

export async function openPage(page, url) {
  await page.goto(url);
  return waitFor(page, 'the splash is shown', (d) => d.web.pregame && d.web.splashAtMs >= 0);
}

// Where game pixel (x, y) is on the page.
export async function at(page, x, y) {
  const r = await page.evaluate(() => {
    const b = document.getElementById('screen').getBoundingClientRect();
    return { left: b.left, top: b.top, width: b.width, height: b.height };
  });
  return [r.left + (x + 0.5) * r.width / 640, r.top + (y + 0.5) * r.height / 480];
}

export async function clickAt(page, x, y) {
  const [px, py] = await at(page, x, y);
  await page.mouse.click(px, py);
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

// Counts the loudest sample the page hands to Web Audio from now on.
export async function watchLoudness(page) {
  await page.evaluate(() => {
    window.loudest = 0;
    const p = TSPage.processor;
    if (!p) return;
    const mix = p.onaudioprocess;
    p.onaudioprocess = (e) => {
      mix(e);
      for (let c = 0; c < 2; ++c) {
        for (const v of e.outputBuffer.getChannelData(c)) {
          window.loudest = Math.max(window.loudest, Math.abs(v));
        }
      }
    };
  });
}
