// SPDX-License-Identifier: GPL-3.0-or-later
// The first thing the page runs. The program comes built two ways: for browsers that can suspend
// WebAssembly themselves (JavaScript promise integration: smaller, faster code) and, for the
// others, rewritten by Asyncify. This script picks the one the browser can run, asks for its code
// at once, so that the code comes in and is compiled beside its loader's own download, and then
// loads that loader. Both loaders read the same data file (the fonts), tessivo.data.
"use strict";

var Module = (function () {
  const kSuspends = typeof WebAssembly.Suspending === "function" && typeof WebAssembly.promising === "function";
  const name = kSuspends ? "tessivo-jspi" : "tessivo";
  const loader = document.createElement("script");
  loader.src = name + ".js";
  loader.async = false;
  document.body.appendChild(loader);
  return {
    tessivoBuild: name,  // the service worker keeps this build (display.js registers it so)
    // The compiled program (a WebAssembly.Module). A server that does not say application/wasm
    // cannot stream it: then it is compiled once it is all here.
    tessivoCode: WebAssembly.compileStreaming(fetch(name + ".wasm", {credentials: "same-origin"}))
      .catch(() => fetch(name + ".wasm", {credentials: "same-origin"})
        .then((response) => response.arrayBuffer())
        .then((bytes) => WebAssembly.compile(bytes))),
    locateFile: (path, prefix) => prefix + (path.endsWith(".data") ? "tessivo.data" : path),
  };
})();
