// SPDX-License-Identifier: GPL-3.0-or-later
// The browser's floor for the page's first frame: the least a WebAssembly program built with the
// same toolchain does to show something, one rectangle drawn into a canvas (the browser's xmessage).
#include <emscripten.h>

EM_JS(void, floor_draw, (), {
  const canvas = document.createElement("canvas");
  canvas.width = 981;
  canvas.height = 277;
  document.body.appendChild(canvas);
  const context = canvas.getContext("2d");
  context.fillStyle = "#d4d0c8";
  context.fillRect(0, 0, canvas.width, canvas.height);
  // The picture is on the page when the browser starts the frame that shows it, as for the
  // program's page (display.js).
  requestAnimationFrame(function() { window.firstFrameMs = performance.now(); });
});

int main() {
  floor_draw();
  return 0;
}
