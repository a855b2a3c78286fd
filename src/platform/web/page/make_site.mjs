// Puts the page together: a folder of static files any web server can
// serve. Every file but the page itself, its service worker and its
// manifest carries a digest of its contents in its name, so a server may
// let browsers keep it for good; each also lies beside it compressed
// (name.br, name.gz) for a server that sends those. The start picture
// becomes a small PNG the page links to; the pictures the game reads go in
// one file (.data), the recordings in another (.sounds), fetched after the
// start picture is up.
//   node make_site.mjs --out DIR --page DIR --version V --js FILE
//        --wasm FILE --mixer FILE --splash FILE.bmp --pictures FILE...
//        --waves FILE.wav... --icons tumblesquash-N.png...
import { createHash } from 'node:crypto';
import {
  mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync,
} from 'node:fs';
import { basename, extname, join } from 'node:path';
import { brotliCompressSync, constants, deflateSync, gzipSync } from 'node:zlib';

function fail(text) {
  console.error(`make_site: ${text}`);
  process.exit(1);
}

function parseArgs(argv) {
  const lists = new Set(['pictures', 'waves', 'icons']);
  const args = {};
  let key = null;
  for (const a of argv) {
    if (a.startsWith('--')) {
      key = a.slice(2);
      args[key] = lists.has(key) ? [] : null;
    } else if (key && lists.has(key)) {
      args[key].push(a);
    } else if (key && args[key] === null) {
      args[key] = a;
    } else {
      fail(`unexpected argument "${a}"`);
    }
  }
  for (const k of ['out', 'page', 'version', 'js', 'wasm', 'mixer', 'splash']) {
    if (!args[k]) fail(`--${k} is missing`);
  }
  for (const k of lists) {
    if (!args[k] || args[k].length === 0) fail(`--${k} names no files`);
  }
  return args;
}

const read = (file) => {
  try {
    return readFileSync(file);
  } catch (e) {
    return fail(`cannot read "${file}": ${e.message}`);
  }
};

// --- The start picture as a PNG -------------------------------------------

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
function crc32(bytes) {
  let c = 0xFFFFFFFF;
  for (const b of bytes) c = crcTable[(c ^ b) & 0xFF] ^ (c >>> 8);
  return (c ^ 0xFFFFFFFF) >>> 0;
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, crc]);
}

// An uncompressed 8- or 24-bit BMP as rows of RGB, top row first.
function readBmp(file) {
  const b = read(file);
  if (b.toString('latin1', 0, 2) !== 'BM') fail(`"${file}" is not a BMP`);
  const offset = b.readUInt32LE(10);
  const dib = b.readUInt32LE(14);
  const width = b.readInt32LE(18);
  const rawHeight = b.readInt32LE(22);
  const bits = b.readUInt16LE(28);
  if (b.readUInt32LE(30) !== 0 || (bits !== 24 && bits !== 8) || width <= 0) {
    fail(`"${file}": only uncompressed 8- and 24-bit BMPs are taken`);
  }
  const height = Math.abs(rawHeight);
  const stride = (width * bits / 8 + 3) & ~3;
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    const row = offset + stride * (rawHeight > 0 ? height - 1 - y : y);
    for (let x = 0; x < width; ++x) {
      let p = row + x * 3;
      if (bits === 8) p = 14 + dib + 4 * b[row + x];
      const o = (y * width + x) * 3;
      rgb[o] = b[p + 2];
      rgb[o + 1] = b[p + 1];
      rgb[o + 2] = b[p];
    }
  }
  return { width, height, rgb };
}

// The smallest of a few ways to store it: a palette when it has at most
// 256 colours, rows filtered one way or the best way each.
function png({ width, height, rgb }) {
  const colours = new Map();
  for (let i = 0; i < rgb.length && colours.size <= 256; i += 3) {
    const key = rgb.readUIntBE(i, 3);
    if (!colours.has(key)) colours.set(key, colours.size);
  }
  const indexed = colours.size <= 256;
  const bpp = indexed ? 1 : 3;
  const rows = [];
  for (let y = 0; y < height; ++y) {
    const row = Buffer.alloc(width * bpp);
    for (let x = 0; x < width; ++x) {
      const o = (y * width + x) * 3;
      if (indexed) {
        row[x] = colours.get(rgb.readUIntBE(o, 3));
      } else {
        rgb.copy(row, x * 3, o, o + 3);
      }
    }
    rows.push(row);
  }
  const filtered = (pick) => {
    const out = [];
    let prev = Buffer.alloc(width * bpp);
    for (const row of rows) {
      const variants = [0, 1, 2, 3, 4].map((f) => {
        const r = Buffer.alloc(row.length + 1);
        r[0] = f;
        for (let i = 0; i < row.length; ++i) {
          const a = i >= bpp ? row[i - bpp] : 0;
          const b = prev[i];
          const c = i >= bpp ? prev[i - bpp] : 0;
          let p = 0;
          if (f === 1) p = a;
          if (f === 2) p = b;
          if (f === 3) p = (a + b) >> 1;
          if (f === 4) {
            const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
            p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
          }
          r[i + 1] = (row[i] - p) & 0xFF;
        }
        return r;
      });
      out.push(pick(variants));
      prev = row;
    }
    return deflateSync(Buffer.concat(out), { level: 9, memLevel: 9 });
  };
  const cost = (r) => r.reduce((s, v, i) => s + (i ? Math.min(v, 256 - v) : 0), 0);
  const candidates = [filtered((v) => v[0])];
  if (!indexed) {
    candidates.push(filtered((v) => v.reduce((best, r) => (cost(r) < cost(best) ? r : best))));
  }
  const data = candidates.reduce((a, b) => (b.length < a.length ? b : a));
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(width, 0);
  ihdr.writeUInt32BE(height, 4);
  ihdr[8] = 8;
  ihdr[9] = indexed ? 3 : 2;
  const parts = [Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', ihdr)];
  if (indexed) {
    const plte = Buffer.alloc(colours.size * 3);
    for (const [key, i] of colours) plte.writeUIntBE(key, i * 3, 3);
    parts.push(chunk('PLTE', plte));
  }
  parts.push(chunk('IDAT', data), chunk('IEND', Buffer.alloc(0)));
  return Buffer.concat(parts);
}

// --- The folder ------------------------------------------------------------

const args = parseArgs(process.argv.slice(2));
rmSync(args.out, { recursive: true, force: true });
mkdirSync(args.out, { recursive: true });

const written = [];  // every file, for the compressed copies
const versioned = [];  // the names the service worker keeps

function put(name, bytes) {
  writeFileSync(join(args.out, name), bytes);
  written.push(name);
  return name;
}

// name.EXT becomes name.DIGEST.EXT.
function putVersioned(name, bytes) {
  const digest = createHash('sha256').update(bytes).digest('hex').slice(0, 10);
  const ext = extname(name);
  const url = put(`${basename(name, ext)}.${digest}${ext}`, bytes);
  versioned.push(url);
  return { url, size: bytes.length };
}

const splashImage = readBmp(args.splash);
const splash = putVersioned('splash.png', png(splashImage));

const bundle = (files, nameOf) => {
  const parts = files.map((f) => ({ name: nameOf(f), bytes: read(f) }));
  return { parts, bytes: Buffer.concat(parts.map((p) => p.bytes)) };
};
const pictures = bundle(args.pictures, (f) => basename(f));
const sounds = bundle([...args.waves].sort(), (f) => basename(f, extname(f)));

const icons = args.icons.map((file) => {
  const px = Number((/-(\d+)\.png$/.exec(file) || [])[1]);
  if (!px) fail(`"${file}": the icon's size is not in its name`);
  return { px, ...putVersioned(`icon-${px}.png`, read(file)) };
}).sort((a, b) => a.px - b.px);

const files = {
  version: '',
  js: putVersioned('tumblesquash.js', read(args.js)),
  wasm: putVersioned('tumblesquash.wasm', read(args.wasm)),
  data: {
    ...putVersioned('tumblesquash.data', pictures.bytes),
    parts: pictures.parts.map((p) => [p.name, p.bytes.length]),
  },
  sounds: {
    ...putVersioned('tumblesquash.sounds', sounds.bytes),
    parts: sounds.parts.map((p) => [p.name, p.bytes.length]),
  },
  mixer: putVersioned('tumblesquash_mixer.wasm', read(args.mixer)),
  splash: { ...splash, width: splashImage.width, height: splashImage.height },
};
// One name for this build: what the service worker's cache is called.
files.version = `${args.version}-${createHash('sha256')
    .update(versioned.join('\n')).digest('hex').slice(0, 10)}`;

const template = (name) => read(join(args.page, name)).toString('utf8');
const fill = (text, values) => text.replace(/@([A-Z_]+)@/g, (whole, key) => {
  if (!(key in values)) fail(`no value for ${whole}`);
  return values[key];
});
const iconFor = (want) => icons.reduce((a, b) => (Math.abs(b.px - want) < Math.abs(a.px - want) ? b : a));

put('index.html', fill(template('index.html'), {
  SPLASH: splash.url,
  SPLASH_WIDTH: String(splashImage.width),
  SPLASH_HEIGHT: String(splashImage.height),
  ICON: iconFor(32).url,
  TOUCH_ICON: iconFor(180).url,
  BOOT: `var TSFiles = ${JSON.stringify(files)};\n${template('boot.js')}`,
}));
put('sw.js', fill(template('sw.js'), {
  VERSION: files.version,
  FILES: JSON.stringify(versioned),
}));
put('manifest.webmanifest', JSON.stringify({
  name: 'TumbleSquash',
  short_name: 'TumbleSquash',
  description: 'A mouse shooting gallery.',
  start_url: './',
  scope: './',
  display: 'fullscreen',
  background_color: '#000000',
  theme_color: '#000000',
  // The small ones are for tabs (the page links one); installing wants
  // large ones.
  icons: icons.filter((i) => i.px >= 48)
      .map((i) => ({ src: i.url, sizes: `${i.px}x${i.px}`, type: 'image/png' })),
}, null, 1));

// Compressed copies where they save something worth a request's header.
let raw = 0, br = 0, gz = 0;
for (const name of written) {
  const bytes = readFileSync(join(args.out, name));
  const b = brotliCompressSync(bytes, {
    params: {
      [constants.BROTLI_PARAM_QUALITY]: 11,
      [constants.BROTLI_PARAM_LGWIN]: 24,
      [constants.BROTLI_PARAM_SIZE_HINT]: bytes.length,
    },
  });
  const g = gzipSync(bytes, { level: 9, memLevel: 9 });
  raw += bytes.length;
  br += Math.min(b.length, bytes.length);
  gz += Math.min(g.length, bytes.length);
  if (b.length < bytes.length * 0.95) writeFileSync(join(args.out, `${name}.br`), b);
  if (g.length < bytes.length * 0.95) writeFileSync(join(args.out, `${name}.gz`), g);
}
const stray = readdirSync(args.out).filter((n) => !written.some((w) => n.startsWith(w)));
if (stray.length) fail(`unexpected files: ${stray.join(', ')}`);
console.log(`make_site: ${written.length} files, ${raw} bytes (brotli ${br}, gzip ${gz})`);
