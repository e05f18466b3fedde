// SPDX-License-Identifier: GPL-3.0-or-later
// The program in the page, in Debian's Chromium (headless), driven as a student would: the site
// served from a private static server, the main window's canvas compared pixel for pixel with the
// headless display's reference images.
//
//   node tests/web/browser_test.mjs SITE_FOLDER CASE
//
// CASE is one of the names in `cases` below. Exit code 0: passed.
import {readFile} from "node:fs/promises";
import {join, normalize} from "node:path";
import {fileURLToPath} from "node:url";
import {chromium} from "playwright-core";
import {serve} from "../../scripts/serve-web.mjs";

const kReferences = fileURLToPath(new URL("../reference/", import.meta.url));
const kChromium = process.env.TESSIVO_CHROMIUM || "/usr/bin/chromium";
const kMainWindow = {x: 188, y: 107, width: 981, height: 277};
const kGrid = {x: 8, y: 160};  // the chord grid in the main window
// Finds, in the page, the canvas whose window's client area lies at (x, y) of the page.
const kFindCanvas = `(x, y) => [...document.querySelectorAll("canvas")].find((c) => {
  const box = c.getBoundingClientRect();
  return Math.round(box.left) === x && Math.round(box.top) === y;
})`;

// A digest of what the main window's canvas shows (null: no such window), to see it settle.
async function mainWindowDigest(page) {
  return page.evaluate(({find, x, y}) => {
    const canvas = eval(find)(x, y);
    if (!canvas || !canvas.width) return null;
    const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
    let h = 2166136261;
    for (let i = 0; i < data.length; i += 4) h = Math.imul(h ^ (data[i] | data[i + 1] << 8 | data[i + 2] << 16), 16777619);
    return h;
  }, {find: kFindCanvas, ...kMainWindow});
}

// Waits until the main window shows the same picture twice, 200 ms apart.
async function settle(page) {
  let last = null;
  for (let i = 0; i < 100; ++i) {
    const now = await mainWindowDigest(page);
    if (now !== null && now === last) return;
    last = now;
    await page.waitForTimeout(200);
  }
  throw new Error("the main window did not settle");
}

// Compares, in the page, the main window (or the part of it at `at`, the reference's size) with a
// reference PNG, decoded by the browser itself.
async function expectMainWindowLike(page, name, at = null) {
  await settle(page);
  const png = (await readFile(join(kReferences, name + ".png"))).toString("base64");
  const problem = await page.evaluate(async ({find, x, y, png, at}) => {
    const canvas = eval(find)(x, y);
    if (!canvas) return "the main window is not where the platform places it";
    const image = new Image();
    image.src = "data:image/png;base64," + png;
    await image.decode();
    if (!at && (image.width !== canvas.width || image.height !== canvas.height)) {
      return `${canvas.width}x${canvas.height}, the reference is ${image.width}x${image.height}`;
    }
    const expected = new OffscreenCanvas(image.width, image.height).getContext("2d");
    expected.drawImage(image, 0, 0);
    const want = expected.getImageData(0, 0, image.width, image.height).data;
    const part = at || {x: 0, y: 0};
    const got = canvas.getContext("2d").getImageData(part.x, part.y, image.width, image.height).data;
    let differing = 0;
    let first = -1;
    for (let i = 0; i < got.length; i += 4) {
      if (got[i] !== want[i] || got[i + 1] !== want[i + 1] || got[i + 2] !== want[i + 2]) {
        if (first < 0) first = i / 4;
        ++differing;
      }
    }
    return differing ? `${differing} pixels differ, the first at (${first % image.width}, ` +
                       `${Math.floor(first / image.width)})` : "";
  }, {find: kFindCanvas, ...kMainWindow, png, at});
  if (problem) throw new Error(`${name}: ${problem}`);
}

const cases = {
  async MainWindowAtStart(page) {
    await expectMainWindowLike(page, "main_window_at_start");
  },
  // A click on a white cell of the chord grid switches the header row to numerals.
  async MainWindowAfterAHeaderToggle(page) {
    await settle(page);
    await page.mouse.click(kMainWindow.x + 262, kMainWindow.y + 197);
    await expectMainWindowLike(page, "main_window_after_header_toggle");
  },
  // Sol Maior chosen with the mouse in the open list: the chord row shows the key's chords.
  async KeyChosenWithTheMouse(page) {
    await settle(page);
    await page.mouse.click(434, 133);  // the list's button
    await page.waitForTimeout(300);
    await page.mouse.click(300, 164);  // its second row
    await expectMainWindowLike(page, "chord_grid_sol_maior", kGrid);
  },
  // The same with the keyboard: Tab to the key selector, then "Sol" typed.
  async KeyChosenWithTheKeyboard(page) {
    await settle(page);
    await page.keyboard.press("Tab");
    await page.keyboard.type("Sol");
    await expectMainWindowLike(page, "chord_grid_sol_maior", kGrid);
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
