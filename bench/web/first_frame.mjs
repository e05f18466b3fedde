// SPDX-License-Identifier: GPL-3.0-or-later
// Time from navigation to the first frame, in Debian's Chromium (headless): the median of RUNS
// fresh loads of each page. The pages take turns, one load each, so that whatever else the machine
// does in the meantime weighs on all of them alike.
//
//   node bench/web/first_frame.mjs RUNS NAME=FOLDER[@no-jspi] ... FLOOR_NAME=FOLDER
// @no-jspi loads the page in a browser without JavaScript promise integration (as Safari is), so
// that it runs the program's Asyncify build. Each page's ratio is to the last one, the floor.
// A page tells its first frame by setting window.firstFrameMs (performance.now(): from the start
// of navigation) when the browser starts the frame that shows its first picture: work the page
// still does before it yields is counted.
import {chromium} from "playwright-core";
import {serve} from "../../scripts/serve-web.mjs";

const [runs, ...pages] = process.argv.slice(2);
const browser = await chromium.launch({executablePath: process.env.TESSIVO_CHROMIUM || "/usr/bin/chromium",
  args: ["--headless=new"]});
const sites = [];
for (const entry of pages) {
  const [name, where] = entry.split("=");
  const [folder, option] = where.split("@");
  sites.push({name, hideJspi: option === "no-jspi", ...(await serve(folder)), times: []});
}
for (let i = 0; i < Number(runs); ++i) {
  for (const site of sites) {
    const context = await browser.newContext({viewport: {width: 1280, height: 1024}});
    const page = await context.newPage();
    if (site.hideJspi) await page.addInitScript(() => { delete WebAssembly.Suspending; });
    await page.goto(site.url);
    site.times.push(await page.waitForFunction(() => window.firstFrameMs, null, {timeout: 30000}).then((h) => h.jsonValue()));
    await context.close();
  }
}
await browser.close();
const medians = {};
for (const site of sites) {
  site.server.close();
  site.times.sort((a, b) => a - b);
  medians[site.name] = site.times[Math.floor(site.times.length / 2)];
  console.log(`${site.name}: first frame ${medians[site.name].toFixed(1)} ms (median of ${runs})`);
}
const floor = sites[sites.length - 1].name;
for (const site of sites.slice(0, -1)) {
  console.log(`ratio ${site.name} / ${floor}: ${(medians[site.name] / medians[floor]).toFixed(2)}`);
}
