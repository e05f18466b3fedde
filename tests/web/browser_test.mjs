// SPDX-License-Identifier: GPL-3.0-or-later
// The program in the page, in Debian's Chromium (headless), driven as a student would: the site
// served from a private static server, the main window's canvas compared pixel for pixel with the
// headless display's reference images.
//
//   node tests/web/browser_test.mjs SITE_FOLDER CASE [--no-jspi]
//
// CASE is one of the names in `cases` below. Exit code 0: passed. Chromium runs the program's build
// for the browser's own suspension; --no-jspi hides that from the page, as Safari has none, so that
// it runs the Asyncify build. Each case checks that the page ran the build it was meant to.
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
async function mainWindowDigest(page, where = kMainWindow) {
  return page.evaluate(({find, x, y}) => {
    const canvas = eval(find)(x, y);
    if (!canvas || !canvas.width) return null;
    const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
    let h = 2166136261;
    for (let i = 0; i < data.length; i += 4) h = Math.imul(h ^ (data[i] | data[i + 1] << 8 | data[i + 2] << 16), 16777619);
    return h;
  }, {find: kFindCanvas, ...where});
}

// Waits until the main window shows the same picture twice, 200 ms apart.
async function settle(page, where = kMainWindow) {
  let last = null;
  for (let i = 0; i < 100; ++i) {
    const now = await mainWindowDigest(page, where);
    if (now !== null && now === last) return;
    last = now;
    await page.waitForTimeout(200);
  }
  throw new Error("the main window did not settle");
}

// Compares, in the page, the main window (or the part of it at `at`, the reference's size) with a
// reference PNG, decoded by the browser itself. `where`: the main window's place in the page (CSS
// pixels); `withList`: the open key list laid over it, as the user sees them. A window with a
// blinking caret matches at one moment of the blink (the reference shows the caret): the picture is
// compared again for a whole blink before a difference counts.
async function expectMainWindowLike(page, name, at = null, where = kMainWindow, withList = false) {
  await settle(page, where);
  const png = (await readFile(join(kReferences, name + ".png"))).toString("base64");
  const compare = () => page.evaluate(async ({find, x, y, png, at, withList}) => {
    let canvas = eval(find)(x, y);
    if (!canvas) return "the main window is not where the platform places it";
    const list = document.querySelector(".tessivo-popup:not([style*='display: none']) canvas");
    if (withList) {
      if (!list) return "no key list is open";
      const both = new OffscreenCanvas(canvas.width, canvas.height);
      const ratio = canvas.width / canvas.getBoundingClientRect().width;
      const [box, listBox] = [canvas.getBoundingClientRect(), list.getBoundingClientRect()];
      both.getContext("2d").drawImage(canvas, 0, 0);
      both.getContext("2d").drawImage(list, Math.round((listBox.left - box.left) * ratio),
        Math.round((listBox.top - box.top) * ratio));
      canvas = both;
    }
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
  }, {find: kFindCanvas, ...where, png, at, withList});
  let problem = await compare();
  for (let tries = 0; problem && tries < 10; ++tries) {
    await page.waitForTimeout(150);
    problem = await compare();
  }
  if (problem) throw new Error(`${name}: ${problem}`);
}

// What the page sends to its speakers, recorded beside them: every node connected to a context's
// destination is also connected to a tap (an AudioWorklet of this test's own) that hands the mono
// mix to the page's window, where the test reads it.
function recordWhatThePagePlays() {
  // Handed over in long blocks: a message every render quantum would slow the audio thread.
  const tapSource = `registerProcessor("test-tap", class extends AudioWorkletProcessor {
    constructor() {
      super();
      this.block = new Float32Array(16384);
      this.filled = 0;
    }
    process(inputs) {
      const channels = inputs[0];
      const frames = channels.length ? channels[0].length : 128;
      for (let i = 0; i < frames; ++i) {
        let sum = 0;
        for (const c of channels) sum += c[i];
        this.block[this.filled++] = channels.length ? sum / channels.length : 0;
        if (this.filled === this.block.length) {
          this.port.postMessage(this.block, [this.block.buffer]);
          this.block = new Float32Array(16384);
          this.filled = 0;
        }
      }
      return true;
    }
  });`;
  window.recorded = {rate: 0, blocks: []};
  const taps = new Map();
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    const result = connect.call(this, target, ...rest);
    if (target instanceof AudioDestinationNode) {
      const context = target.context;
      if (!taps.has(context)) {
        const url = URL.createObjectURL(new Blob([tapSource], {type: "text/javascript"}));
        taps.set(context, context.audioWorklet.addModule(url).then(() => {
          const tap = new AudioWorkletNode(context, "test-tap", {numberOfOutputs: 0});
          tap.port.onmessage = (e) => window.recorded.blocks.push(e.data);
          window.recorded.rate = context.sampleRate;
          return tap;
        }));
      }
      taps.get(context).then((tap) => connect.call(this, tap));
    }
    return result;
  };
}

// The energy of each pitch class in `samples`: Goertzel filters on every semitone from C2 to C7,
// in blocks, summed by pitch class (as the desktop's sound server test measures, x11/sound_check.h).
function pitchClassEnergy(samples, rate) {
  const kBlock = 8192;
  const energy = new Array(12).fill(0);
  for (let note = 36; note <= 96; ++note) {
    const coefficient = 2 * Math.cos(2 * Math.PI * 440 * Math.pow(2, (note - 69) / 12) / rate);
    for (let start = 0; start + kBlock <= samples.length; start += kBlock) {
      let s1 = 0;
      let s2 = 0;
      for (let i = start; i < start + kBlock; ++i) {
        const s = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s;
      }
      energy[note % 12] += s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    }
  }
  return energy;
}

// The pixels of `area` (client coordinates of the main window) as one string, to compare looks.
async function mainWindowArea(page, area, where = kMainWindow) {
  return page.evaluate(({where, area}) => {
    for (const canvas of document.querySelectorAll("canvas")) {
      const box = canvas.getBoundingClientRect();
      if (Math.round(box.left) === where.x && Math.round(box.top) === where.y) {
        return canvas.getContext("2d").getImageData(area.x, area.y, area.width, area.height).data.join(",");
      }
    }
    return "";
  }, {where, area});
}

// Play clicked: it greys while the key plays, no error box comes, and the page sends sound out
// (as the test's recorder hears it, where the case has one).
async function expectPlayStarts(page) {
  await settle(page);
  const play = {x: 482 - kMainWindow.x - 10, y: 130 - kMainWindow.y - 8, width: 20, height: 16};
  const ready = await mainWindowArea(page, play);
  await page.mouse.click(482, 130);
  if (await page.evaluate(() => "recorded" in window)) {
    await page.waitForFunction(() => window.recorded.blocks.length > 0, null, {timeout: 10000});
  } else {
    await page.waitForTimeout(2000);
  }
  if (await mainWindowArea(page, play) === ready) throw new Error("Play did not start");
  if (await page.evaluate(() => [...document.querySelectorAll(".tessivo-window[role=dialog]")]
    .some((w) => w.style.display !== "none"))) throw new Error("an error box came instead of the play");
}

// What a screen reader is given: Chromium's own accessibility tree, the parts it does not ignore.
async function readerSees(page) {
  const cdp = await page.context().newCDPSession(page);
  const {nodes} = await cdp.send("Accessibility.getFullAXTree");
  await cdp.detach();
  const property = (n, name) => (n.properties || []).find((p) => p.name === name)?.value.value;
  return nodes.filter((n) => !n.ignored && n.role).map((n) => ({role: n.role.value, name: n.name?.value || "",
    description: n.description?.value || "", focused: property(n, "focused") === true}));
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
  // The main window dragged by its caption, as on a desktop: the program hears where it went (its
  // key list opens under the field at the new place, and a row chosen there fills the chord row);
  // the close box then ends the program, and the page says so.
  async TheWindowMovesByItsCaptionAndClosesByItsBox(page) {
    await settle(page);
    const grip = {x: kMainWindow.x + 300, y: kMainWindow.y - 10};
    const by = {x: -120, y: 250};
    await page.mouse.move(grip.x, grip.y);
    await page.mouse.down();
    await page.mouse.move(grip.x + by.x, grip.y + by.y, {steps: 8});
    await page.mouse.up();
    const moved = {...kMainWindow, x: kMainWindow.x + by.x, y: kMainWindow.y + by.y};
    await settle(page, moved);
    await page.mouse.click(434 + by.x, 133 + by.y);
    await page.waitForTimeout(300);
    await page.mouse.click(300 + by.x, 164 + by.y);
    await expectMainWindowLike(page, "chord_grid_sol_maior", kGrid, moved);
    await page.click(".tessivo-window.tessivo-active .tessivo-close");
    await page.waitForFunction(() => /fechado/.test(document.getElementById("desktop").textContent), null,
      {timeout: 10000});
  },
  // Every request the page makes, from its start through a key played, goes to its own origin,
  // under its policy (no violation reported); it sets no cookie and keeps nothing but its cache.
  async NothingComesFromElsewhere(page) {
    const requests = [];
    page.on("request", (r) => requests.push(r.url()));
    await page.evaluate(() => {
      window.violations = [];
      document.addEventListener("securitypolicyviolation", (e) => window.violations.push(e.violatedDirective));
    });
    await settle(page);
    await page.mouse.click(434, 133);
    await page.waitForTimeout(300);
    await page.mouse.click(300, 164);
    await expectPlayStarts(page);
    const origin = new URL(page.url()).origin;
    const elsewhere = requests.filter((u) => new URL(u).origin !== origin && !u.startsWith("data:"));
    if (elsewhere.length) throw new Error("requests elsewhere: " + elsewhere.join(", "));
    const kept = await page.evaluate(async () => ({
      policy: document.querySelector("meta[http-equiv=Content-Security-Policy]")?.content || "",
      violations: window.violations, cookie: document.cookie, local: localStorage.length,
      session: sessionStorage.length, databases: (await indexedDB.databases()).length,
      caches: await caches.keys()}));
    if (!/default-src 'self'/.test(kept.policy)) throw new Error("no policy: " + kept.policy);
    if (kept.violations.length) throw new Error("the policy was violated: " + kept.violations.join(", "));
    if (kept.cookie || kept.local || kept.session || kept.databases ||
        kept.caches.some((c) => !c.startsWith("tessivo-"))) throw new Error("kept: " + JSON.stringify(kept));
  },
  // Loaded once, then the server stopped: a reload shows the window, and a key chosen plays.
  async TheSiteOpensAndPlaysWithNoNetwork(page, faults, server) {
    await settle(page);
    // The worker is ready once its install has kept the files.
    await page.evaluate(() => navigator.serviceWorker.ready);
    server.close();
    server.closeAllConnections();
    await page.reload();
    await settle(page);
    await page.mouse.click(434, 133);
    await page.waitForTimeout(300);
    await page.mouse.click(300, 164);
    await expectPlayStarts(page);
  },
  // At device pixel ratios of 1.25, 1.5 and 2 the program lays its window out at 120, 144 and 192
  // dpi on the screen's own pixels: with the key list open it is the desktop's picture at that
  // resolution, pixel for pixel.
  async TheKeyListAtRatiosAboveOne(first, faults, server) {
    // Where the list's button lies in the main window at each ratio (CSS pixels): the text sizes
    // round differently at each resolution, so the layout is not the ratio times the 96-dpi one.
    const button = {2: {x: 238, y: 25}, 1.5: {x: 253, y: 26}, 1.25: {x: 241, y: 26}};
    for (const ratio of [2, 1.5, 1.25]) {
      const page = ratio === 2 ? first : await first.context().browser().newPage(
        {viewport: {width: 1280, height: 1024}, deviceScaleFactor: ratio, bypassCSP: true});
      if (page !== first) await page.goto(first.url());
      const where = await page.waitForFunction(() => [...document.querySelectorAll("canvas")]
        .find((c) => c.width > 900)?.getBoundingClientRect().toJSON()).then((h) => h.jsonValue());
      const main = {x: Math.round(where.x), y: Math.round(where.y)};
      await settle(page, main);
      await page.mouse.click(main.x + button[ratio].x, main.y + button[ratio].y);
      await page.waitForTimeout(300);
      await expectMainWindowLike(page, `main_window_key_list_open_at_${96 * ratio}`, null, main, true);
    }
  },
  // A 1024x600 screen that only knows fingers: the list's button and Sol Maior tapped choose the key,
  // Play tapped plays; the desktop pans to the window's far edge, where a tap on the last degree's
  // white cell toggles the headers.
  async ATouchScreenSmallerThanTheWindow(page) {
    const box = await page.waitForFunction(() => [...document.querySelectorAll("canvas")]
      .find((c) => c.width > 900)?.getBoundingClientRect().toJSON()).then((h) => h.jsonValue());
    const main = {...kMainWindow, x: Math.round(box.x), y: Math.round(box.y)};
    const tap = (x, y) => page.touchscreen.tap(main.x + x, main.y + y);
    await settle(page, main);
    await tap(246, 26);
    await page.waitForTimeout(300);
    await tap(112, 57);  // the list's second row: Sol Maior
    await expectMainWindowLike(page, "chord_grid_sol_maior", kGrid, main);
    await tap(294, 23);  // Play
    await page.waitForFunction(() => window.recorded.blocks.length > 0, null, {timeout: 10000});
    const panned = await page.evaluate(() => {
      const desktop = document.getElementById("desktop");
      desktop.scrollLeft = desktop.scrollWidth;
      const frame = [...document.querySelectorAll(".tessivo-window")].find((w) => w.offsetWidth > 900);
      return {right: frame.getBoundingClientRect().right, width: desktop.clientWidth, by: desktop.scrollLeft};
    });
    if (panned.right > panned.width) throw new Error(`the window's edge stays off the screen: ${JSON.stringify(panned)}`);
    const header = {x: 840, y: 162, width: 130, height: 18};
    const now = {...main, x: main.x - panned.by};
    const before = await mainWindowArea(page, header, now);
    await tap(900 - panned.by, 197);  // the last degree's white cell
    await page.waitForTimeout(500);
    if (await mainWindowArea(page, header, now) === before) throw new Error("the tap on the last degree did nothing");
  },
  // A screen reader's page: the seven labels as text, the grid's thirteen column headers, the key
  // selector and Play. Tab puts the page's focus on the selector, and Down chooses the first key
  // there (its name and the cells' follow); pressed and given a key through
  // their elements (as a reader acts), the selector lists the fifteen keys, a missing key file's
  // error box is an alert dialog holding the focus and saying why, and Sol Maior renames the cells;
  // Play pressed through its element plays.
  async AScreenReaderReadsAndUsesThePage(page) {
    await settle(page);
    let seen = await readerSees(page);
    const texts = seen.filter((n) => n.role === "StaticText").map((n) => n.name);
    for (const label of ["Escolha o campo harmônico", "Aperte o play", "Clique em um retângulo branco", "Lumarest",
      "Software didático e livre", "Desenvolvido por Orvandel - Fevereiro 2010",
      "Comentários e sugestões: www.lumarest.com.br"]) {
      if (!texts.includes(label)) throw new Error(`the label "${label}" is not read`);
    }
    const headers = seen.filter((n) => n.role === "columnheader").map((n) => n.name).join("|");
    if (headers !== "Tônica||Sobretônica||Mediante|Subdominante||Dominante||Submediante||Sensível|Tônica") {
      throw new Error("the column headers read: " + headers);
    }
    if (!seen.some((n) => n.role === "button" && n.name === "Play")) throw new Error("no Play button is read");
    await page.keyboard.press("Tab");
    await page.waitForTimeout(300);
    if (!(await readerSees(page)).some((n) => n.role === "combobox" && n.focused)) {
      throw new Error("Tab did not bring the focus to the key selector");
    }
    await page.keyboard.press("ArrowDown");  // the first key, chosen with the keyboard alone
    await page.waitForTimeout(500);
    seen = await readerSees(page);
    const selector = seen.find((n) => n.role === "combobox");
    if (!selector.focused || selector.name !== "Dó Maior - Nenhuma Alteração" ||
        seen.filter((n) => n.role === "gridcell")[0].name !== "Dó Maior") {
      throw new Error("after Down: " + JSON.stringify(selector) + " " +
                      seen.filter((n) => n.role === "gridcell").map((n) => n.name).join("|"));
    }
    const choose = async (key) => {
      await page.locator("[role=combobox]").dispatchEvent("click");
      await page.locator("[role=option]", {hasText: key}).first().waitFor({state: "visible"});
      await page.waitForTimeout(300);
      const options = (await readerSees(page)).filter((n) => n.role === "option");
      if (options.length !== 15) throw new Error(`the open selector lists ${options.length} keys`);
      await page.locator("[role=option]", {hasText: key}).first().dispatchEvent("click");
      await page.waitForTimeout(500);
    };
    await choose("Ré Maior");
    seen = await readerSees(page);
    const alert = seen.find((n) => n.role === "alertdialog");
    if (!alert || !/re maior\.MID/.test(alert.description)) throw new Error("no alert says why: " + JSON.stringify(alert));
    if (!seen.some((n) => n.focused && n.role === "button")) throw new Error("the error box does not hold the focus");
    await page.keyboard.press("Enter");
    await page.waitForTimeout(300);
    await choose("Sol Maior");
    const cells = (await readerSees(page)).filter((n) => n.role === "gridcell").map((n) => n.name);
    if (cells[0] !== "Sol Maior" || cells[11] !== "Fá # Dim.") throw new Error("the cells read: " + cells.join("|"));
    await page.locator("button", {hasText: "Play"}).dispatchEvent("click");
    await page.waitForFunction(() => window.recorded.blocks.length > 0, null, {timeout: 10000});
  },
  // A window that sits idle runs nothing: no polling, no animation-frame loop (the page's own
  // script time over five idle seconds, as the browser's performance counters tell it).
  async TheIdleWindowRunsNoScript(page) {
    await settle(page);
    const cdp = await page.context().newCDPSession(page);
    await cdp.send("Performance.enable");
    const scriptSeconds = async () =>
      (await cdp.send("Performance.getMetrics")).metrics.find((m) => m.name === "ScriptDuration").value;
    const before = await scriptSeconds();
    await page.waitForTimeout(5000);
    const ran = (await scriptSeconds()) - before;
    if (ran > 0.005) throw new Error(`the idle page ran ${(ran * 1000).toFixed(1)} ms of script in 5 s`);
  },
  // Sol Maior's file is not on the server, or the server gives a hostile file in its place (a track
  // said to be 2 GB long): choosing the key shows the error box, modal (the main window refuses
  // clicks behind it); Enter answers it, and the next key chosen plays.
  async AMissingOrHostileKeyFileGivesTheErrorBoxAndTheNextKeyPlays(page, faults) {
    for (const served of [null, Buffer.from("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\x7f\xff\xff\xff\0\x90", "latin1")]) {
      faults.set("/keys/sol maior.MID", served);
      await page.reload();
      await settle(page);
      await page.mouse.click(434, 133);
      await page.waitForTimeout(300);
      await page.mouse.click(300, 164);  // Sol Maior
      await page.waitForFunction(() => document.querySelectorAll(".tessivo-window[role=dialog]").length === 1 &&
        document.querySelector(".tessivo-window[role=dialog]").style.display !== "none", null, {timeout: 10000});
      const grid = await mainWindowArea(page, {x: 8, y: 160, width: 300, height: 50});
      await page.mouse.click(kMainWindow.x + 262, kMainWindow.y + 197);  // a grid cell, behind the box
      await page.waitForTimeout(300);
      if (await mainWindowArea(page, {x: 8, y: 160, width: 300, height: 50}) !== grid) {
        throw new Error("the main window took a click while the error box was open");
      }
      await page.keyboard.press("Enter");
      await page.waitForFunction(() => [...document.querySelectorAll(".tessivo-window[role=dialog]")]
        .every((w) => w.style.display === "none"), null, {timeout: 10000});
      await page.mouse.click(434, 133);
      await page.waitForTimeout(300);
      await page.mouse.click(300, 177);  // Ré Maior
      await expectPlayStarts(page);
    }
  },
  // Sol Maior chosen with the mouse, then Play: the page plays G major (its seven pitch classes
  // louder than the other five) and Play, greyed while it plays, comes back at the end.
  async PlayingSolMaiorSoundsGMajorAndPlayComesBack(page) {
    await settle(page);
    await page.mouse.click(434, 133);
    await page.waitForTimeout(300);
    await page.mouse.click(300, 164);
    await settle(page);
    const play = {x: 482 - kMainWindow.x - 10, y: 130 - kMainWindow.y - 8, width: 20, height: 16};
    const ready = await mainWindowArea(page, play);
    await page.mouse.click(482, 130);
    const clicked = Date.now();
    let greyed = false;
    const deadline = Date.now() + 60000;
    for (;;) {
      const now = await mainWindowArea(page, play);
      if (now !== ready) greyed = true;
      else if (greyed) break;
      if (Date.now() > deadline) throw new Error(greyed ? "Play did not come back" : "Play was never greyed");
      await page.waitForTimeout(250);
    }
    // Measured in the page: the recording is megabytes.
    const {seconds, rms, energy} = await page.evaluate((source) => {
      const {rate, blocks} = window.recorded;
      const samples = new Float32Array(blocks.length * (blocks.length ? blocks[0].length : 0));
      blocks.forEach((block, i) => samples.set(block, i * block.length));
      const rms = Math.sqrt(samples.reduce((sum, v) => sum + v * v, 0) / Math.max(samples.length, 1));
      const measure = new Function(`return ${source}`)();
      return {seconds: samples.length / (rate || 1), rms, energy: measure(samples, rate)};
    }, pitchClassEnergy.toString());
    if (seconds < 15 || rms < 0.01) throw new Error(`recorded ${seconds.toFixed(1)} s at an RMS of ${rms.toFixed(4)}`);
    const kGMajor = [7, 9, 11, 0, 2, 4, 6];
    const weakestIn = Math.min(...kGMajor.map((pc) => energy[pc]));
    const strongestOut = Math.max(...energy.filter((e, pc) => !kGMajor.includes(pc)));
    // The key file lasts 17.5 s: an end reported much sooner is not the end of the play.
    const elapsed = (Date.now() - clicked) / 1000;
    if (elapsed < 16) throw new Error(`Play came back after ${elapsed.toFixed(1)} s, before the key had played`);
    console.log(`Play came back after ${elapsed.toFixed(1)} s; ` +
                `recorded ${seconds.toFixed(1)} s, RMS ${rms.toFixed(3)}; pitch-class energy ` +
                energy.map((e) => e.toExponential(1)).join(" "));
    if (!(weakestIn > strongestOut)) {
      throw new Error(`not G major: weakest in the scale ${weakestIn.toExponential(2)}, ` +
                      `strongest outside ${strongestOut.toExponential(2)}`);
    }
  },
};

// What a case's page is beyond a 1280x1024 desktop at a device pixel ratio of 1.
const kFaults = {AScreenReaderReadsAndUsesThePage: [["/keys/re maior.MID", null]]};
const kPageOptions = {
  TheKeyListAtRatiosAboveOne: {deviceScaleFactor: 2},
  ATouchScreenSmallerThanTheWindow: {viewport: {width: 1024, height: 600}, hasTouch: true},
};

// The cases that see the page's own policy: the others' recorder is a script the policy forbids.
const kUnderThePolicy = new Set(["NothingComesFromElsewhere", "TheSiteOpensAndPlaysWithNoNetwork"]);

async function main() {
  const [site, name, option] = process.argv.slice(2);
  const withoutJspi = option === "--no-jspi";
  if (!site || !cases[name]) {
    console.error(`usage: browser_test.mjs SITE_FOLDER (${Object.keys(cases).join("|")})`);
    return 2;
  }
  const faults = new Map(kFaults[name] || []);
  const {server, url} = await serve(normalize(site), 0, faults);
  const browser = await chromium.launch({executablePath: kChromium, args: ["--headless=new"]});
  try {
    const underThePolicy = kUnderThePolicy.has(name);
    const page = await browser.newPage({viewport: {width: 1280, height: 1024}, deviceScaleFactor: 1,
      bypassCSP: !underThePolicy, ...kPageOptions[name]});
    const problems = [];
    page.on("pageerror", (e) => problems.push(String(e)));
    if (!underThePolicy) await page.addInitScript(recordWhatThePagePlays);
    if (withoutJspi) await page.addInitScript(() => { delete WebAssembly.Suspending; });
    await page.goto(url);
    await cases[name](page, faults, server);
    const code = await page.evaluate(() => performance.getEntriesByType("resource").map((r) => r.name)
      .filter((r) => r.endsWith(".wasm")).map((r) => r.split("/").pop()));
    const expected = withoutJspi ? "tessivo.wasm" : "tessivo-jspi.wasm";
    if (!code.includes(expected)) throw new Error(`the page ran ${code.join(", ")}, not ${expected}`);
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
