// Serves the built page (build-web/page) on 127.0.0.1, nothing else.
//
//   node web/serve.js DIR [PORT]   PORT 0 or none: one the system picks
//
// Prints the page's address once it listens. Also used by the page's tests,
// which serve it from inside their own process through serve().
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  // Compiled while it streams in only when served as such.
  '.wasm': 'application/wasm',
};

// Not following a link, and not waiting on a pipe someone left there: what
// is served is a plain file that lies in the folder itself.
const openFlags = fs.constants.O_RDONLY | fs.constants.O_NOFOLLOW | fs.constants.O_NONBLOCK;

// The file a request names, or the status that refuses it.
function fileFor(root, req) {
  if (req.method !== 'GET' && req.method !== 'HEAD') return { status: 405 };
  let name;
  try {
    name = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
  } catch {
    return { status: 400 }; // bad percent-encoding
  }
  // The system's calls take no NUL in a name; Node throws rather than fail them.
  if (name.includes('\0')) return { status: 400 };
  const file = path.join(root, name === '/' ? 'index.html' : name);
  const type = types[path.extname(file)];
  // Only the page's own files: no listing, nothing outside or below it.
  if (!type || path.dirname(file) !== root) return { status: 404 };
  return { file, type };
}

async function answer(root, req, res) {
  const { status, file, type } = fileFor(root, req);
  if (status) {
    res.writeHead(status, status === 405 ? { Allow: 'GET, HEAD' } : {}).end();
    return;
  }
  let data;
  let handle;
  try {
    handle = await fs.promises.open(file, openFlags);
    if (!(await handle.stat()).isFile()) throw new Error('not a plain file');
    data = await handle.readFile();
  } catch {
    res.writeHead(404).end();
    return;
  } finally {
    await handle?.close();
  }
  res.writeHead(200, { 'Content-Type': type, 'Content-Length': data.length, 'Cache-Control': 'no-store' });
  res.end(req.method === 'HEAD' ? undefined : data);
}

// Rejects when DIR is not a folder, rather than answer 404 to everything.
async function serve(dir, port) {
  const root = path.resolve(dir);
  let stat;
  try {
    stat = await fs.promises.stat(root);
  } catch (err) {
    throw new Error(`${dir}: ${err.code === 'ENOENT' ? 'no such folder' : err.message}`);
  }
  if (!stat.isDirectory()) throw new Error(`${dir}: not a folder`);
  const server = http.createServer((req, res) => {
    // Whatever a request does, the server goes on serving the next one.
    answer(root, req, res).catch(() => {
      if (!res.headersSent) res.writeHead(500);
      res.end();
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port || 0, '127.0.0.1', () => resolve(server));
  });
}

module.exports = { serve };

if (require.main === module) {
  const [dir, port, ...rest] = process.argv.slice(2);
  if (!dir || rest.length || (port !== undefined && !(/^\d{1,5}$/.test(port) && Number(port) <= 65535))) {
    console.error('usage: node serve.js DIR [PORT]   (PORT from 0 to 65535; 0 or none: any free one)');
    process.exit(2);
  }
  serve(dir, Number(port || 0)).then((server) => {
    console.log(`Serving the demo at http://127.0.0.1:${server.address().port}/ (Ctrl-C stops it)`);
  }, (err) => {
    console.error(`serve.js: ${err.message}`);
    process.exit(1);
  });
}
