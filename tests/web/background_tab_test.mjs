// SPDX-License-Identifier: GPL-3.0-or-later
// The page playing a key in a background tab: Sol Maior chosen and Play clicked, then another tab
// brought to the front, so that the browser hides the page and slows its timers to about one a
// second. The play must still end on time and Play come back, as it does in a tab in front. The
// browser is muted: Chromium leaves the timers of a tab it hears playing at full speed, and slows
// those of a silent one, the harder case.
//
//   node tests/web/background_tab_test.mjs SITE_FOLDER
//
// Chromium is driven over its own DevTools pipe here, not through playwright: playwright keeps
// every page it drives "focused and visible", which is the one thing this test must not have.
import {spawn} from "node:child_process";
import {mkdtempSync, rmSync} from "node:fs";
import {tmpdir} from "node:os";
import {join, normalize} from "node:path";
import {serve} from "../../scripts/serve-web.mjs";

const kChromium = process.env.TESSIVO_CHROMIUM || "/usr/bin/chromium";
const kPlay = {x: 482, y: 130};  // Play, in the page
const kKeyListButton = {x: 434, y: 133};
const kSolMaiorRow = {x: 300, y: 164};
const kKeyFileSeconds = 17.5;

// A DevTools protocol client over Chromium's pipe (fd 3 in, fd 4 out; messages end with NUL).
function devTools(browser) {
  let nextId = 0;
  let pending = "";
  const answers = new Map();
  browser.stdio[4].on("data", (chunk) => {
    pending += chunk.toString();
    for (let end; (end = pending.indexOf("\0")) >= 0; pending = pending.slice(end + 1)) {
      const message = JSON.parse(pending.slice(0, end));
      const answer = answers.get(message.id);
      if (!answer) continue;
      answers.delete(message.id);
      if (message.error) answer.reject(new Error(`${answer.method}: ${message.error.message}`));
      else answer.resolve(message.result);
    }
  });
  return (method, params = {}, sessionId = undefined) => new Promise((resolve, reject) => {
    const id = ++nextId;
    answers.set(id, {resolve, reject, method});
    browser.stdio[3].write(JSON.stringify({id, method, params, sessionId}) + "\0");
  });
}

async function run(site) {
  const {server, url} = await serve(normalize(site));
  const profile = mkdtempSync(join(tmpdir(), "tessivo-background-"));
  const browser = spawn(kChromium, ["--headless=new", "--remote-debugging-pipe", "--no-first-run", "--no-sandbox", "--mute-audio",
    "--window-size=1280,1024", `--user-data-dir=${profile}`, "about:blank"],
  {stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"]});
  const send = devTools(browser);
  try {
    const {targetId} = await send("Target.createTarget", {url});
    const {sessionId} = await send("Target.attachToTarget", {targetId, flatten: true});
    const page = (method, params) => send(method, params, sessionId);
    const evaluate = async (expression) =>
      (await page("Runtime.evaluate", {expression, awaitPromise: true, returnByValue: true})).result.value;
    const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
    const click = async ({x, y}) => {
      for (const type of ["mousePressed", "mouseReleased"]) {
        await page("Input.dispatchMouseEvent", {type, x, y, button: "left", clickCount: 1});
      }
      await sleep(300);
    };
    // Play's few pixels in the main window's canvas: they change while it is greyed.
    const playLooks = () => evaluate(`(() => {
      for (const canvas of document.querySelectorAll("canvas")) {
        const box = canvas.getBoundingClientRect();
        if (box.left <= ${kPlay.x} && ${kPlay.x} < box.right && box.top <= ${kPlay.y} && ${kPlay.y} < box.bottom) {
          return canvas.getContext("2d").getImageData(${kPlay.x} - box.left - 10, ${kPlay.y} - box.top - 8, 20, 16)
            .data.join(",");
        }
      }
      return "";
    })()`);

    for (let i = 0; !(await evaluate("window.firstFrameMs !== undefined")); ++i) {
      if (i > 300) throw new Error("the window was never drawn");
      await sleep(100);
    }
    await sleep(1000);  // the key files come in after the first frame
    await click(kKeyListButton);
    await click(kSolMaiorRow);
    await sleep(1000);
    const ready = await playLooks();
    if (!ready) throw new Error("Play is not where the platform places the main window");
    await click(kPlay);
    const clicked = Date.now();
    if ((await playLooks()) === ready) throw new Error("Play was not greyed by the click");

    // Another tab in front: the page is hidden and its timers slowed (counted by a 10 ms timer).
    const {targetId: other} = await send("Target.createTarget", {url: "about:blank", newWindow: false});
    await send("Target.activateTarget", {targetId: other});
    await evaluate(`window.ticks = 0; (function tick() { ++window.ticks; setTimeout(tick, 10); })(); 0`);
    for (;;) {
      await sleep(1000);
      const elapsed = (Date.now() - clicked) / 1000;
      if ((await playLooks()) === ready) {
        if (elapsed < kKeyFileSeconds - 1) throw new Error(`Play came back after ${elapsed.toFixed(1)} s`);
        break;
      }
      if (elapsed > kKeyFileSeconds + 10) throw new Error(`Play had not come back ${elapsed.toFixed(0)} s later`);
    }
    const [visibility, ticks] = await evaluate("[document.visibilityState, window.ticks]");
    const seconds = (Date.now() - clicked) / 1000;
    // Unslowed, the 10 ms timer would have run about a hundred times a second.
    if (visibility !== "hidden" || ticks > 10 * seconds) {
      throw new Error(`the page was not in the background (${visibility}, ${ticks} timer runs in ${seconds.toFixed(0)} s)`);
    }
    console.log(`BackgroundTab: passed (Play came back after ${seconds.toFixed(1)} s, hidden, ` +
                `${ticks} runs of a 10 ms timer)`);
    return 0;
  } catch (e) {
    console.error(`BackgroundTab: ${e.message}`);
    return 1;
  } finally {
    // The profile goes once the browser has stopped writing into it.
    const stopped = new Promise((done) => browser.exitCode !== null ? done() : browser.once("exit", done));
    browser.kill();
    await stopped;
    server.close();
    rmSync(profile, {recursive: true, force: true, maxRetries: 5, retryDelay: 100});
  }
}

process.exit(await run(process.argv[2] || "build-web/site"));
