// SPDX-License-Identifier: GPL-3.0-or-later
// Time from navigation to the first frame, in Debian's Chromium (headless): the median of RUNS
// fresh loads of each page, side by side in one run.
//
//   node bench/web/first_frame.mjs RUNS NAME=FOLDER ...
// A page tells its first frame by setting window.firstFrameMs (performance.now(): from the start
// of navigation).
import {chromium} from "playwright-core";
import {serve} from "../../scripts/serve-web.mjs";

const [runs, ...pages] = process.argv.slice(2);
const browser = await chromium.launch({executablePath: process.env.TESSIVO_CHROMIUM || "/usr/bin/chromium",
  args: ["--headless=new"]});
const medians = {};
for (const entry of pages) {
  const [name, folder] = entry.split("=");
  const {server, url} = await serve(folder);
  const times = [];
  for (let i = 0; i < Number(runs); ++i) {
    const context = await browser.newContext({viewport: {width: 1280, height: 1024}});
    const page = await context.newPage();
    await page.goto(url);
    times.push(await page.waitForFunction(() => window.firstFrameMs, null, {timeout: 30000}).then((h) => h.jsonValue()));
    await context.close();
  }
  server.close();
  times.sort((a, b) => a - b);
  medians[name] = times[Math.floor(times.length / 2)];
  console.log(`${name}: first frame ${medians[name].toFixed(1)} ms (median of ${runs})`);
}
await browser.close();
const [first, second] = Object.keys(medians);
if (second) console.log(`ratio ${first} / ${second}: ${(medians[first] / medians[second]).toFixed(2)}`);
