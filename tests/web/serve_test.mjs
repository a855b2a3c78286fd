// The development server (scripts/serve_web.mjs) as a browser and a
// careless or hostile client meet it: compressed copies when they are
// taken, a year's keeping for names with a digest, "not modified" for a
// page seen before, and malformed requests answered with an error while it
// goes on serving.
//   node tests/web/serve_test.mjs
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { connect } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { brotliCompressSync, gzipSync } from 'node:zlib';
import { serve } from '../../scripts/serve_web.mjs';

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok' : 'FAILED'}: ${what}`);
  if (!ok) failures.push(what);
}

const folder = mkdtempSync(join(tmpdir(), 'tumblesquash-serve-'));
const page = '<!doctype html><title>t</title>'.repeat(40);
writeFileSync(join(folder, 'index.html'), page);
writeFileSync(join(folder, 'index.html.br'), brotliCompressSync(page));
writeFileSync(join(folder, 'index.html.gz'), gzipSync(page));
writeFileSync(join(folder, 'game.0123456789.wasm'), Buffer.from([0, 97, 115, 109, 1, 0, 0, 0]));
mkdirSync(join(folder, 'sub'));
writeFileSync(join(folder, 'outside.txt'), 'not to be served from sub/..');

const server = await serve(folder, 0);
const port = server.address().port;
const base = `http://127.0.0.1:${port}`;

// A raw request, as bytes on the wire; the whole answer as text. (The
// well-formed ones ask the server to close after answering.)
const raw = (bytes, end = false) => new Promise((done) => {
  const socket = connect(port, '127.0.0.1');
  let answer = '';
  socket.on('data', (d) => { answer += d.toString('latin1'); });
  socket.on('error', () => done(answer));
  socket.on('close', () => done(answer));
  socket.on('connect', () => (end ? socket.end(bytes) : socket.write(bytes)));
  setTimeout(() => { socket.destroy(); done(answer); }, 3000);
});
const status = (answer) => Number((/^HTTP\/1\.[01] (\d{3})/.exec(answer) || [])[1] || 0);

try {
  let r = await fetch(`${base}/`, { headers: { 'Accept-Encoding': 'br, gzip' } });
  check(r.status === 200 && r.headers.get('content-encoding') === 'br' &&
        (await r.text()) === page && r.headers.get('cache-control') === 'no-cache' &&
        r.headers.get('vary') === 'Accept-Encoding',
      'the page goes as brotli when taken, checked again at every visit');
  r = await fetch(`${base}/index.html`, { headers: { 'Accept-Encoding': 'gzip;q=1, br;q=0' } });
  check(r.headers.get('content-encoding') === 'gzip' && (await r.text()) === page,
      'gzip when brotli is refused');
  const etag = r.headers.get('etag');
  r = await fetch(`${base}/index.html`,
      { headers: { 'Accept-Encoding': 'gzip', 'If-None-Match': etag } });
  check(r.status === 304, 'a page seen before is "not modified"');
  r = await fetch(`${base}/game.0123456789.wasm`, { headers: { 'Accept-Encoding': 'identity' } });
  check(r.status === 200 && r.headers.get('content-type') === 'application/wasm' &&
        /immutable/.test(r.headers.get('cache-control')) && !r.headers.get('content-encoding'),
      'a name with a digest is kept for good, with the type WebAssembly needs');

  // Malformed and hostile requests: an error each, never a crash.
  const answers = {
    'a broken escape': await raw('GET /%E0%A4%A HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n'),
    'a bad escape': await raw('GET /%zz HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n'),
    'a NUL': await raw('GET /index.html%00.png HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n'),
    'a way out of the folder': await raw('GET /sub/../../etc/passwd HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n'),
    'an encoded way out': await raw('GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n'),
    'no such file': await raw('GET /nothing.js HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n'),
    'a folder': await raw('GET /sub HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n'),
    'another method': await raw('DELETE / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n'),
    'garbage': await raw('\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03 hello\r\n\r\n'),
    'a broken header': await raw('GET / HTTP/1.1\r\nHost x\r\n\r\n'),
    'an endless header': await raw(`GET / HTTP/1.1\r\nX: ${'a'.repeat(100000)}\r\n\r\n`),
    'a cut-off request': await raw('GET / HTT', true),
  };
  const want = {
    'a broken escape': 400, 'a bad escape': 400, 'a NUL': 400,
    'a way out of the folder': 404, 'an encoded way out': 404, 'no such file': 404,
    'a folder': 404, 'another method': 405, 'garbage': 400, 'a broken header': 400,
    'an endless header': 431, 'a cut-off request': 400,
  };
  for (const [what, answer] of Object.entries(answers)) {
    const got = status(answer);
    const ok = got === want[what] || (want[what] === 404 && got === 403) ||
               (want[what] === 431 && got === 400);
    check(ok && !answer.includes('not to be served'), `${what}: ${got || 'closed'}`);
  }
  r = await fetch(`${base}/`);
  check(r.status === 200 && (await r.text()) === page, 'and it still serves the page');
} catch (e) {
  check(false, `the run went through (${e.message})`);
} finally {
  server.close();
  rmSync(folder, { recursive: true, force: true });
}
console.log(failures.length === 0 ? 'passed' : `${failures.length} failed`);
process.exit(failures.length === 0 ? 0 : 1);
