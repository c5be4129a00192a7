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

function serve(dir, port) {
  const root = path.resolve(dir);
  const server = http.createServer((req, res) => {
    let name;
    try {
      name = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    } catch {
      res.writeHead(400).end();
      return;
    }
    const file = path.join(root, name === '/' ? 'index.html' : name);
    const type = types[path.extname(file)];
    // Only the page's own files: no listing, nothing outside or below it.
    if ((req.method !== 'GET' && req.method !== 'HEAD') || !type || path.dirname(file) !== root) {
      res.writeHead(404).end();
      return;
    }
    fs.readFile(file, (err, data) => {
      if (err) {
        res.writeHead(404).end();
        return;
      }
      res.writeHead(200, { 'Content-Type': type, 'Content-Length': data.length, 'Cache-Control': 'no-store' });
      res.end(req.method === 'HEAD' ? undefined : data);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port || 0, '127.0.0.1', () => resolve(server));
  });
}

module.exports = { serve };

if (require.main === module) {
  const [dir, port] = process.argv.slice(2);
  if (!dir || (port !== undefined && !/^\d+$/.test(port))) {
    console.error('usage: node serve.js DIR [PORT]');
    process.exit(2);
  }
  serve(dir, Number(port || 0)).then((server) => {
    console.log(`Serving the demo at http://127.0.0.1:${server.address().port}/ (Ctrl-C stops it)`);
  }, (err) => {
    console.error(`serve.js: ${err.message}`);
    process.exit(1);
  });
}
