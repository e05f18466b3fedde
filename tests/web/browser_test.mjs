// SPDX-License-Identifier: GPL-3.0-or-later
// The program in the page, in Debian's Chromium (headless), driven as a student would: the site
// served from a private static server, the main window's canvas compared pixel for pixel with the
// headless display's reference images.
//
//   node tests/web/browser_test.mjs SITE_FOLDER CASE
//
// CASE is one of the names in `cases` below. Exit code 0: passed.
import {createServer} from "node:http";
import {readFile} from "node:fs/promises";
import {extname, join, normalize} from "node:path";
import {fileURLToPath} from "node:url";
import {chromium} from "playwright-core";

const kReferences = fileURLToPath(new URL("../reference/", import.meta.url));
const kChromium = process.env.TESSIVO_CHROMIUM || "/usr/bin/chromium";
const kMainWindow = {x: 188, y: 107, width: 981, height: 277};
const kTypes = {".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
  ".css": "text/css", ".data": "application/octet-stream", ".mid": "audio/midi"};

// Serves `site` on a free port of 127.0.0.1; `missing` paths answer 404 as a broken server would.
async function serve(site, missing = new Set()) {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
    const file = join(site, path.endsWith("/") ? path + "index.html" : path);
    try {
      if (missing.has(path) || !file.startsWith(site)) throw new Error("not served");
      const body = await readFile(file);
      response.writeHead(200, {"Content-Type": kTypes[extname(file)] || "application/octet-stream"});
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return {server, url: `http://127.0.0.1:${server.address().port}/`};
}

// The pixels of the canvas whose window's client area lies at (x, y) of the page, as RGBA bytes.
async function canvasPixels(page, where) {
  return page.evaluate(({x, y}) => {
    for (const canvas of document.querySelectorAll("canvas")) {
      const box = canvas.getBoundingClientRect();
      if (Math.round(box.left) === x && Math.round(box.top) === y) {
        const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height);
        return {width: canvas.width, height: canvas.height, rgba: Array.from(data.data)};
      }
    }
    return null;
  }, where);
}

// Decodes a reference PNG in the page itself (the browser's own decoder, no library).
async function referencePixels(page, name) {
  const png = (await readFile(join(kReferences, name + ".png"))).toString("base64");
  return page.evaluate(async (data) => {
    const image = new Image();
    image.src = "data:image/png;base64," + data;
    await image.decode();
    const canvas = new OffscreenCanvas(image.width, image.height);
    const context = canvas.getContext("2d");
    context.drawImage(image, 0, 0);
    return {width: image.width, height: image.height,
      rgba: Array.from(context.getImageData(0, 0, image.width, image.height).data)};
  }, png);
}

// Waits until the main window's canvas shows the same picture twice, 200 ms apart.
async function settledMainWindow(page) {
  await page.waitForFunction(() => document.querySelectorAll("canvas").length > 0, null, {timeout: 30000});
  let last = null;
  for (let i = 0; i < 50; ++i) {
    const now = await canvasPixels(page, kMainWindow);
    if (now && last && now.rgba.length === last.rgba.length && now.rgba.every((v, k) => v === last.rgba[k])) {
      return now;
    }
    last = now;
    await page.waitForTimeout(200);
  }
  throw new Error("the main window did not settle");
}

function expectSamePicture(shown, reference, what) {
  if (!shown) throw new Error(`${what}: the main window is not where the platform places it`);
  if (shown.width !== reference.width || shown.height !== reference.height) {
    throw new Error(`${what}: ${shown.width}x${shown.height}, the reference is ${reference.width}x${reference.height}`);
  }
  let differing = 0;
  let first = -1;
  for (let i = 0; i < shown.rgba.length; i += 4) {
    if (shown.rgba[i] !== reference.rgba[i] || shown.rgba[i + 1] !== reference.rgba[i + 1] ||
        shown.rgba[i + 2] !== reference.rgba[i + 2]) {
      if (first < 0) first = i / 4;
      ++differing;
    }
  }
  if (differing) {
    throw new Error(`${what}: ${differing} pixels differ from the reference, the first at ` +
                    `(${first % shown.width}, ${Math.floor(first / shown.width)})`);
  }
}

const cases = {
  async MainWindowAtStart(page) {
    expectSamePicture(await settledMainWindow(page), await referencePixels(page, "main_window_at_start"),
                      "at start");
  },
  // A click on a white cell of the chord grid switches the header row to numerals.
  async MainWindowAfterAHeaderToggle(page) {
    await settledMainWindow(page);
    await page.mouse.click(kMainWindow.x + 262, kMainWindow.y + 197);
    expectSamePicture(await settledMainWindow(page),
                      await referencePixels(page, "main_window_after_header_toggle"), "after a header toggle");
  },
};

async function main() {
  const [site, name] = process.argv.slice(2);
  if (!site || !cases[name]) {
    console.error(`usage: browser_test.mjs SITE_FOLDER (${Object.keys(cases).join("|")})`);
    return 2;
  }
  const {server, url} = await serve(normalize(site));
  const browser = await chromium.launch({executablePath: kChromium, args: ["--headless=new"]});
  try {
    const page = await browser.newPage({viewport: {width: 1280, height: 1024}, deviceScaleFactor: 1});
    const problems = [];
    page.on("pageerror", (e) => problems.push(String(e)));
    await page.goto(url);
    await cases[name](page);
    if (problems.length) throw new Error("the page reported: " + problems.join("; "));
    console.log(`${name}: passed`);
    return 0;
  } catch (e) {
    console.error(`${name}: ${e.message}`);
    return 1;
  } finally {
    await browser.close();
    server.close();
  }
}

process.exit(await main());
