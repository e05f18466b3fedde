// SPDX-License-Identifier: GPL-3.0-or-later
// Serves the browser build's folder as any static web server would (make serve-web), and lends the
// same server to the browser tests. Plain files, their types, nothing else: the page needs no
// special header.
//
//   node scripts/serve-web.mjs [FOLDER] [PORT]     (build-web/site, 8000)
import {createServer} from "node:http";
import {readFile} from "node:fs/promises";
import {extname, join, normalize, resolve} from "node:path";
import {fileURLToPath} from "node:url";

const kTypes = {".html": "text/html; charset=utf-8", ".js": "text/javascript", ".mjs": "text/javascript",
  ".wasm": "application/wasm", ".css": "text/css", ".json": "application/json", ".txt": "text/plain; charset=utf-8",
  ".data": "application/octet-stream", ".sf2": "application/octet-stream", ".mid": "audio/midi",
  ".MID": "audio/midi", ".png": "image/png", ".svg": "image/svg+xml"};

// Serves `folder` on 127.0.0.1:`port` (0: a free one). `faults` maps paths to what the server
// gives instead of the file: null answers 404, as a server that lost the file would; bytes are
// served in its place. Resolves to the server and the site's address.
export async function serve(folder, port = 0, faults = new Map()) {
  const root = resolve(folder);
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://localhost").pathname));
    const file = join(root, path.endsWith("/") ? path + "index.html" : path);
    try {
      if (faults.get(path) === null || !file.startsWith(root)) throw new Error("not served");
      const body = faults.get(path) || await readFile(file);
      response.writeHead(200, {"Content-Type": kTypes[extname(file)] || "application/octet-stream"});
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((done) => server.listen(port, "127.0.0.1", done));
  return {server, url: `http://127.0.0.1:${server.address().port}/`};
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const folder = process.argv[2] || "build-web/site";
  const {url} = await serve(folder, Number(process.argv[3] || 8000));
  console.log(`Tessivo is served at ${url} (Ctrl+C stops)`);
}
