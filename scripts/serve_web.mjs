// Serves a folder of static files on this machine only (127.0.0.1), with
// the content types a web page with WebAssembly needs.
//   node scripts/serve_web.mjs FOLDER [PORT]      (PORT 0: any free port)
// Prints the address when it is listening. Also used by the browser test.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { pathToFileURL } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.bmp': 'image/bmp',
  '.png': 'image/png',
  '.css': 'text/css; charset=utf-8',
};

export function serve(folder, port = 0) {
  const root = resolve(folder);
  const server = createServer(async (request, response) => {
    let path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (path.endsWith('/')) path += 'index.html';
    const file = normalize(join(root, path));
    if (file !== root && !file.startsWith(root + sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, {
        'Content-Type': types[extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store',
      });
      response.end(request.method === 'HEAD' ? undefined : body);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => done(server));
  });
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
