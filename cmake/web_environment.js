// SPDX-License-Identifier: GPL-3.0-or-later
// Run under node, a test program sees the environment ctest gives it (TESSIVO_AUDIO,
// TESSIVO_UPDATE_REFERENCES, HOME, LANG ...), as a native one does: emscripten's getenv reads ENV
// over a fixed set of its own (USER=web_user, HOME=/home/web_user, LANG from the browser ...), so
// those are taken away and the process's variables put in their place before main runs.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function() {
  if (typeof ENV !== 'object') return;  // a program that never reads its environment
  ['USER', 'LOGNAME', 'PATH', 'PWD', 'HOME', 'LANG', '_'].forEach(function(name) {
    ENV[name] = undefined;
  });
  for (var name in process.env) ENV[name] = process.env[name];
});
