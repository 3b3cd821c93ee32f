// duomatch's service worker: keeps the page's files so that the game also
// starts without a network once it has been loaded. The cache is named
// after this build's files (the build writes the name in); a new build
// takes over at its first visit and removes the caches of older ones.
const CACHE = 'duomatch-@KWO_SITE_VERSION@';
const FILES = ['duomatch.html', 'duomatch.js', 'duomatch.wasm', 'duomatch.data'];

self.addEventListener('install', (event) => {
  event.waitUntil(
    // Fetched past the HTTP cache, so that a new build never keeps an older
    // build's file under its name.
    caches.open(CACHE)
      .then((cache) => cache.addAll(FILES.map((f) => new Request(f, { cache: 'reload' }))))
      .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches.keys()
      .then((names) => Promise.all(names
        .filter((name) => name.startsWith('duomatch-') && name !== CACHE)
        .map((name) => caches.delete(name))))
      .then(() => self.clients.claim()));
});

// The kept files first; anything else (or a file missing from the cache)
// from the network.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') {
    return;
  }
  event.respondWith(
    caches.open(CACHE)
      .then((cache) => cache.match(event.request, { ignoreSearch: true }))
      .then((kept) => kept || fetch(event.request)));
});
