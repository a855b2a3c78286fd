// Reads the PNGs Chromium's screenshots are: 8-bit RGB or RGBA, not
// interlaced. Enough for the browser test to look at the page's pixels.
import { inflateSync } from 'node:zlib';

export function decodePng(bytes) {
  if (bytes.readUInt32BE(0) !== 0x89504E47) throw new Error('not a PNG');
  let at = 8, width = 0, height = 0, type = 0;
  const data = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at);
    const kind = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      type = body[9];
      if (body[8] !== 8 || (type !== 2 && type !== 6) || body[12] !== 0) {
        throw new Error('only 8-bit RGB(A) PNGs, not interlaced');
      }
    } else if (kind === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const bpp = type === 6 ? 4 : 3;
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * bpp;
  const rgba = Buffer.alloc(width * height * 4);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const row = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= bpp ? row[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
      let p = 0;
      if (filter === 1) p = a;
      else if (filter === 2) p = b;
      else if (filter === 3) p = (a + b) >> 1;
      else if (filter === 4) {
        const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
        p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[i] = (row[i] + p) & 0xFF;
    }
    for (let x = 0; x < width; ++x) {
      const o = (y * width + x) * 4;
      rgba[o] = row[x * bpp];
      rgba[o + 1] = row[x * bpp + 1];
      rgba[o + 2] = row[x * bpp + 2];
      rgba[o + 3] = bpp === 4 ? row[x * bpp + 3] : 255;
    }
    prev = row;
  }
  return { width, height, data: rgba };
}
