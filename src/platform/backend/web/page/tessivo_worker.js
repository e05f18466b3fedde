// SPDX-License-Identifier: GPL-3.0-or-later
// The site's service worker: it keeps every file of the site, so that after a first visit the page
// opens and plays with no network. The build writes the list and the version below
// (cmake/web_worker.cmake); a new build is a new version, which takes over once no page of the old
// one is open (a page never mixes the files of two builds).
"use strict";

const kVersion = "@TESSIVO_SITE_VERSION@";
// The program comes built two ways, and a page runs the one tessivo_start.js picked for its
// browser; the page registers this worker with its name (?build=), and the other is not kept.
const kBuilds = ["tessivo", "tessivo-jspi"];
const kBuild = new URL(self.location.href).searchParams.get("build");
const kOtherBuilds = kBuilds.includes(kBuild) ? kBuilds.filter((build) => build !== kBuild) : [];
const kFiles = [@TESSIVO_SITE_FILES@].filter((file) =>
  !kOtherBuilds.some((build) => file === build + ".js" || file === build + ".wasm"));
const kCache = "tessivo-" + kVersion;

self.addEventListener("install", (event) => {
  // One file the server does not give (a key file lost) does not keep the rest from being kept.
  event.waitUntil(caches.open(kCache).then((cache) =>
    Promise.all(kFiles.map((file) => cache.add(new Request(file, {cache: "reload"})).catch(() => {})))));
});

self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys().then((names) =>
    Promise.all(names.filter((name) => name.startsWith("tessivo-") && name !== kCache).map((name) => caches.delete(name)))));
});

// The site's own files come from what is kept; anything else (there is nothing else) from the network.
// A file of the site that is not kept yet (one the install could not get) is kept once it comes.
self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET" || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(caches.open(kCache).then((cache) => cache.match(request, {ignoreSearch: true})
    .then((kept) => kept || fetch(request).then((response) => {
      if (response.ok) cache.put(request, response.clone()).catch(() => {});
      return response;
    }))));
});
