// Serves a folder of static files on this machine only (127.0.0.1), as the
// page wants them: the content types WebAssembly needs, the compressed copy
// beside a file (name.br, name.gz) when the browser takes it, files whose
// names carry a digest kept by browsers for a year, everything else checked
// again at every visit (and answered "not modified" when it is the same).
// A malformed request gets a plain error; the server goes on.
//   node scripts/serve_web.mjs FOLDER [PORT]      (PORT 0: any free port)
// Prints the address when it is listening. Also used by the browser test.
import { createHash } from 'node:crypto';
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { pathToFileURL } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.sounds': 'application/octet-stream',
  '.bmp': 'image/bmp',
  '.png': 'image/png',
  '.css': 'text/css; charset=utf-8',
};

// name.0123456789.ext: the contents never change under that name.
const versioned = /\.[0-9a-f]{10}\.[a-z0-9]+$/;

// Which stored copy to send: brotli, gzip or none, as the browser allows.
function encodings(header) {
  const accepted = new Set();
  for (const part of String(header || '').split(',')) {
    const [name, ...params] = part.trim().toLowerCase().split(';');
    const q = params.map((p) => p.trim()).find((p) => p.startsWith('q='));
    if (name && !(q && Number(q.slice(2)) === 0)) accepted.add(name);
  }
  return [['br', '.br'], ['gzip', '.gz']].filter(([n]) => accepted.has(n) || accepted.has('*'));
}

function plain(response, code, text) {
  response.writeHead(code, {
    'Content-Type': 'text/plain; charset=utf-8',
    'Content-Length': Buffer.byteLength(text),
    'Cache-Control': 'no-store',
  });
  response.end(text);
}

// The server's folder can be changed while it runs (the browser test puts
// a new build in place this way): `server.folder = ...`.
export function serve(folder, port = 0) {
  const server = createServer((request, response) => {
    handle(server, request, response).catch(() => {
      if (!response.headersSent) plain(response, 500, 'server error\n');
      else response.destroy();
    });
  });
  server.folder = resolve(folder);
  // A request the parser cannot read at all: said, and that connection only
  // is closed.
  server.on('clientError', (e, socket) => {
    if (socket.writable && !socket.destroyed) {
      socket.end('HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n');
    } else {
      socket.destroy();
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => done(server));
  });
}

async function handle(server, request, response) {
  if (request.method !== 'GET' && request.method !== 'HEAD') {
    response.setHeader('Allow', 'GET, HEAD');
    plain(response, 405, 'only GET and HEAD\n');
    return;
  }
  let path;
  try {
    path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
  } catch {
    plain(response, 400, 'malformed address\n');
    return;
  }
  if (path.includes('\0')) {
    plain(response, 400, 'malformed address\n');
    return;
  }
  if (path.endsWith('/')) path += 'index.html';
  const root = server.folder;
  const file = normalize(join(root, path));
  if (file !== root && !file.startsWith(root + sep)) {
    plain(response, 403, 'outside the folder\n');
    return;
  }
  const info = await stat(file).catch(() => null);
  if (!info || !info.isFile()) {
    plain(response, 404, 'not found\n');
    return;
  }
  const headers = {
    'Content-Type': types[extname(file)] || 'application/octet-stream',
    'Cache-Control': versioned.test(file)
      ? 'public, max-age=31536000, immutable' : 'no-cache',
    'Vary': 'Accept-Encoding',
  };
  let body = null;
  for (const [name, suffix] of encodings(request.headers['accept-encoding'])) {
    body = await readFile(file + suffix).catch(() => null);
    if (body) {
      headers['Content-Encoding'] = name;
      break;
    }
  }
  body = body || await readFile(file);
  headers['Content-Length'] = body.length;
  headers.ETag = `"${createHash('sha1').update(body).digest('hex').slice(0, 20)}"`;
  if (request.headers['if-none-match'] === headers.ETag) {
    delete headers['Content-Length'];
    response.writeHead(304, headers).end();
    return;
  }
  response.writeHead(200, headers);
  response.end(request.method === 'HEAD' ? undefined : body);
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [folder, port] = process.argv.slice(2);
  if (!folder) {
    console.error('usage: node scripts/serve_web.mjs FOLDER [PORT]');
    process.exit(2);
  }
  try {
    const server = await serve(folder, Number(port ?? 8000));
    const { port: at } = server.address();
    console.log(`TumbleSquash: serving ${folder} at http://127.0.0.1:${at}/ (Ctrl+C stops)`);
  } catch (e) {
    console.error(`serve_web: cannot listen: ${e.message}`);
    process.exit(1);
  }
}
