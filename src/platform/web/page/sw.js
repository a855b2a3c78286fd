// Keeps this build's files so the page starts and plays offline. The files
// carry a digest in their names, so a kept one is never stale: they are
// taken from the cache first. The page itself (and what names no digest)
// comes from the network first, so a new build replaces this one at the
// next visit; offline, or when the network is too slow to answer, the kept
// copy serves. make_site.mjs fills in the version and the files.
'use strict';
const version = '@VERSION@';
const files = @FILES@;
const cacheName = `tumblesquash-${version}`;
const kept = new Set(files.map((f) => new URL(f, self.location).href));
const page = new URL('./', self.location).href;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName)
      .then((cache) => cache.addAll([...files, './']))
      .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
      .then((names) => Promise.all(names
          .filter((n) => n.startsWith('tumblesquash-') && n !== cacheName)
          .map((n) => caches.delete(n))))
      .then(() => self.clients.claim()));
});

// The network, but no longer than this when a kept copy could answer.
const patienceMs = 4000;

function fromNetwork(request, cache, key) {
  return fetch(request).then((response) => {
    if (response.ok && cache) cache.put(key, response.clone());
    return response;
  });
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  const url = new URL(request.url);
  url.search = '';
  const href = url.href;
  if (kept.has(href)) {
    event.respondWith(caches.open(cacheName).then((cache) => cache.match(href)
        .then((hit) => hit || fromNetwork(request, cache, href))));
    return;
  }
  if (request.mode !== 'navigate' && href !== page) return;
  // The page: fresh when the network answers in time, else the kept one.
  event.respondWith(caches.open(cacheName).then((cache) => {
    const network = fromNetwork(request, cache, page);
    const fallback = () => cache.match(page).then((hit) => hit || network);
    return new Promise((resolve) => {
      const timer = setTimeout(() => resolve(fallback()), patienceMs);
      network.then((response) => {
        clearTimeout(timer);
        resolve(response.ok ? response : fallback());
      }, () => {
        clearTimeout(timer);
        resolve(fallback());
      });
    });
  }));
});
