// SPDX-License-Identifier: GPL-3.0-or-later
// The first thing the page runs (before the program's loader, tessivo.js): it asks for the
// program's code, so that the code comes in and is compiled beside the loader's own download
// instead of after it.
"use strict";

var Module = {
  // The compiled program (a WebAssembly.Module). A server that does not say application/wasm
  // cannot stream it: then it is compiled once it is all here.
  tessivoCode: WebAssembly.compileStreaming(fetch("tessivo.wasm", {credentials: "same-origin"}))
    .catch(() => fetch("tessivo.wasm", {credentials: "same-origin"})
      .then((response) => response.arrayBuffer())
      .then((bytes) => WebAssembly.compile(bytes))),
};
