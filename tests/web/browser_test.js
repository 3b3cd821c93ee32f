// duomatch's web page played in headless Chromium over the DevTools
// protocol: served from 127.0.0.1, loaded, played to a won game with the
// mouse and the keyboard, reloaded (the highscore is still there) and
// reloaded again with the server gone (the service worker serves it).
// What the player sees is read from the canvas at known places of the
// game's screens; screenshots of the page go to the output folder.
//   node browser_test.js SITE_DIR OUT_DIR   (NODE_PATH must reach Debian's ws)
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const WebSocket = require('ws');

const [site, out] = process.argv.slice(2);
if (!site || !out) {
  console.error('usage: node browser_test.js SITE_DIR OUT_DIR');
  process.exit(2);
}
fs.mkdirSync(out, { recursive: true });

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
function log(text) {
  console.log('browser-test: ' + text);
}

// ---- a static server ---------------------------------------------------------------

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
};
function serve(folder) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '');
    const file = path.join(root, name || 'duomatch.html');
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// ---- Chromium and the DevTools protocol ----------------------------------------------

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'duomatch-chromium-'));
  const chromium = childProcess.spawn(process.env.CHROMIUM || '/usr/bin/chromium', [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--window-size=1400,1100', '--remote-debugging-port=0', '--user-data-dir=' + profile,
    'about:blank',
  ], { stdio: ['ignore', 'ignore', 'pipe'] });
  let stderr = '';
  chromium.stderr.on('data', (chunk) => { stderr += chunk; });
  const portFile = path.join(profile, 'DevToolsActivePort');
  for (let i = 0; i < 200 && !fs.existsSync(portFile); ++i) {
    await sleep(100);
  }
  if (!fs.existsSync(portFile)) {
    throw new Error('Chromium did not start:\n' + stderr);
  }
  const port = fs.readFileSync(portFile, 'utf8').split('\n')[0];
  let page;
  for (let i = 0; i < 50 && !page; ++i) {
    const targets = await (await fetch(`http://127.0.0.1:${port}/json/list`)).json();
    page = targets.find((t) => t.type === 'page');
    if (!page) {
      await sleep(100);
    }
  }
  const exited = new Promise((resolve) => chromium.once('exit', resolve));
  const close = async () => {
    chromium.kill('SIGKILL');
    await exited;
    fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5 });
  };
  return { url: page.webSocketDebuggerUrl, close };
}

class Session {
  constructor(url) {
    this.socket = new WebSocket(url, { perMessageDeflate: false, maxPayload: 256 * 1024 * 1024 });
    this.next = 1;
    this.pending = new Map();
    this.listeners = [];
    this.socket.on('message', (data) => {
      const message = JSON.parse(data.toString());
      if (message.id && this.pending.has(message.id)) {
        const { resolve, reject } = this.pending.get(message.id);
        this.pending.delete(message.id);
        if (message.error) {
          reject(new Error(message.error.message));
        } else {
          resolve(message.result);
        }
      } else if (message.method) {
        this.listeners.forEach((listener) => listener(message.method, message.params));
      }
    });
    // A browser that goes away fails what waits on it, rather than leaving
    // the test waiting for ever.
    this.socket.on('close', () => {
      for (const { reject } of this.pending.values()) {
        reject(new Error('the browser closed the DevTools connection'));
      }
      this.pending.clear();
    });
  }
  open() {
    return new Promise((resolve, reject) => {
      this.socket.once('open', resolve);
      this.socket.once('error', reject);
    });
  }
  send(method, params = {}) {
    const id = this.next++;
    this.socket.send(JSON.stringify({ id, method, params }));
    return new Promise((resolve, reject) => this.pending.set(id, { resolve, reject }));
  }
  on(listener) {
    this.listeners.push(listener);
  }
  async evaluate(expression) {
    const result = await this.send('Runtime.evaluate',
      { expression, awaitPromise: true, returnByValue: true });
    if (result.exceptionDetails) {
      throw new Error('in the page: ' + JSON.stringify(result.exceptionDetails));
    }
    return result.result.value;
  }
  close() {
    this.socket.close();
  }
}

// ---- the game's screens -------------------------------------------------------------

// A rectangle of the game's screen as seen on the canvas: its pixels'
// average brightness, the share of bright ones and of those not black, and
// a hash of them.
async function look(page, x, y, w, h) {
  return page.evaluate(`(() => {
    const c = document.getElementById('canvas');
    const d = c.getContext('2d').getImageData(${x}, ${y}, ${w}, ${h}).data;
    let sum = 0, lit = 0, any = 0, hash = 2166136261;
    for (let i = 0; i < d.length; i += 4) {
      const v = d[i] + d[i + 1] + d[i + 2];
      sum += v;
      if (v > 30) lit++;
      if (v > 0) any++;
      hash = Math.imul(hash ^ d[i] ^ (d[i + 1] << 8) ^ (d[i + 2] << 16), 16777619) >>> 0;
    }
    const n = d.length / 4;
    return { bright: sum / n / 3, lit: lit / n, any: any / n, hash: hash.toString(16) };
  })()`);
}

async function waitFor(what, test, timeoutMs = 20000) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await test();
    if (value) {
      return value;
    }
    if (Date.now() > end) {
      throw new Error('timed out waiting for ' + what);
    }
    await sleep(20);
  }
}

// The main menu: its title and its five rows drawn, the space between two
// rows black.
async function menuShown(page) {
  const title = await look(page, 207, 50, 227, 51);
  const play = await look(page, 268, 130, 103, 41);
  const scores = await look(page, 233, 190, 174, 40);
  const gap = await look(page, 170, 175, 300, 12);
  return title.lit > 0.2 && play.lit > 0.2 && scores.lit > 0.2 && gap.lit === 0;
}

// The main menu at full brightness (its fade over).
async function menuSteady(page) {
  if (!(await menuShown(page))) {
    return false;
  }
  const a = await look(page, 207, 50, 227, 51);
  await sleep(60);
  const b = await look(page, 207, 50, 227, 51);
  return a.hash === b.hash;
}

// The highscore table: the menu's second row as its title, nothing where
// the menu's rows were (its own rows begin at the left and right edges),
// the fade over.
async function scoresShown(page) {
  const title = await look(page, 233, 50, 174, 40);
  const playRow = await look(page, 268, 130, 103, 41);
  const scoresRow = await look(page, 233, 190, 174, 40);
  if (title.lit < 0.2 || playRow.any > 0 || scoresRow.any > 0) {
    return false;
  }
  await sleep(60);
  return (await look(page, 233, 50, 174, 40)).hash === title.hash;
}

// The face or back of the card in a cell (80 x 110 cells, 70 x 100 cards).
function cardOf(page, cell) {
  return look(page, (cell % 8) * 80 + 5, Math.floor(cell / 8) * 110 + 5, 70, 100);
}

// The page's canvas and its line of controls, as a visitor sees them.
async function screenshot(page, name) {
  const clip = await page.evaluate(`(() => {
    const c = document.getElementById('canvas').getBoundingClientRect();
    const t = document.getElementById('controls').getBoundingClientRect();
    const x = Math.max(0, Math.min(c.left, t.left) - 8), y = Math.max(0, c.top - 8);
    return { x, y, width: Math.max(c.right, t.right) + 8 - x, height: t.bottom + 8 - y, scale: 1 };
  })()`).catch(() => undefined);
  const shot = await page.send('Page.captureScreenshot', clip ? { format: 'png', clip } : { format: 'png' });
  fs.writeFileSync(path.join(out, name), Buffer.from(shot.data, 'base64'));
}

// ---- input ------------------------------------------------------------------------------

let canvasBox = null;
async function measureCanvas(page) {
  canvasBox = await page.evaluate(`(() => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    return { x: r.left, y: r.top, scale: r.width / 640 };
  })()`);
}

async function click(page, x, y) {
  const px = canvasBox.x + (x + 0.5) * canvasBox.scale;
  const py = canvasBox.y + (y + 0.5) * canvasBox.scale;
  await page.send('Input.dispatchMouseEvent', { type: 'mouseMoved', x: px, y: py });
  await page.send('Input.dispatchMouseEvent',
    { type: 'mousePressed', x: px, y: py, button: 'left', buttons: 1, clickCount: 1 });
  await page.send('Input.dispatchMouseEvent',
    { type: 'mouseReleased', x: px, y: py, button: 'left', buttons: 0, clickCount: 1 });
}

const keys = {
  Enter: { code: 'Enter', keyCode: 13, text: '\r' },
  ' ': { code: 'Space', keyCode: 32, text: ' ' },
  Escape: { code: 'Escape', keyCode: 27 },
  ArrowDown: { code: 'ArrowDown', keyCode: 40 },
  ArrowUp: { code: 'ArrowUp', keyCode: 38 },
};
async function press(page, key) {
  const k = keys[key] ||
    { code: 'Key' + key.toUpperCase(), keyCode: key.toUpperCase().charCodeAt(0), text: key };
  const base = { key, code: k.code, windowsVirtualKeyCode: k.keyCode, nativeVirtualKeyCode: k.keyCode };
  await page.send('Input.dispatchKeyEvent',
    Object.assign({ type: k.text ? 'keyDown' : 'rawKeyDown', text: k.text }, base));
  await page.send('Input.dispatchKeyEvent', Object.assign({ type: 'keyUp' }, base));
}

// ---- the scenario -----------------------------------------------------------------------

async function openPage(page, url) {
  const started = Date.now();
  await page.send('Page.navigate', { url });
  await waitFor('the page', () => page.evaluate('document.readyState === "complete"'));
  await measureCanvas(page);
  // The first frame of the game: the intro's logo, then the menu.
  const firstFrame = await waitFor('the first frame', async () =>
    (await look(page, 0, 0, 640, 480)).lit > 0.01 && page.evaluate('performance.now()'));
  const menuFrame = await waitFor('the main menu', async () =>
    (await menuShown(page)) && page.evaluate('performance.now()'));
  await waitFor('the menu\'s fade', () => menuSteady(page));
  return { firstFrame, menuFrame, wall: Date.now() - started };
}

// Turns a card and waits until it shows another picture; returns its look.
async function turn(page, cell, before) {
  await click(page, (cell % 8) * 80 + 40, Math.floor(cell / 8) * 110 + 55);
  return waitFor(`card ${cell} to turn`, async () => {
    const now = await cardOf(page, cell);
    return now.hash !== before && now;
  }, 5000);
}

// Plays a whole game from memory: each card is turned once to learn it, a
// known pair is turned at once; a pair that does not match is left to turn
// back by itself (a click to hurry it could come just after it did, and turn
// a card instead). Returns the number of clicks.
async function playGame(page, back, found) {
  const faces = new Map(); // cell -> face hash
  let clicks = 0;
  let shownPair = false;
  const settle = async () => {
    if (shownPair) {
      await waitFor('the pair to turn back', async () =>
        (await cardOf(page, shownPair[0])).hash === back &&
        (await cardOf(page, shownPair[1])).hash === back, 5000);
      shownPair = false;
    }
  };
  const partnerOf = (cell) => {
    for (const [other, face] of faces) {
      if (other !== cell && !found.has(other) && face === faces.get(cell)) {
        return other;
      }
    }
    return -1;
  };
  for (let cell = 0; cell < 32; ++cell) {
    if (found.has(cell)) {
      continue;
    }
    await settle();
    faces.set(cell, (await turn(page, cell, back)).hash);
    ++clicks;
    let second = partnerOf(cell);
    if (second < 0) {
      // Another unknown card; its partner may be known already.
      second = cell + 1;
      while (second < 32 && (found.has(second) || faces.has(second))) {
        ++second;
      }
      if (second >= 32) {
        throw new Error(`no partner for card ${cell}`);
      }
      faces.set(second, (await turn(page, second, back)).hash);
      ++clicks;
      if (faces.get(second) !== faces.get(cell)) {
        shownPair = [cell, second];
        continue;
      }
    } else {
      await turn(page, second, back);
      ++clicks;
    }
    found.add(cell);
    found.add(second);
  }
  if (found.size !== 32) {
    // The pairs learnt on the way are left: turn them now.
    for (let cell = 0; cell < 32; ++cell) {
      const partner = found.has(cell) ? -1 : partnerOf(cell);
      if (partner >= 0) {
        await settle();
        await turn(page, cell, back);
        await turn(page, partner, back);
        clicks += 2;
        found.add(cell);
        found.add(partner);
      }
    }
  }
  if (found.size !== 32) {
    throw new Error(`${found.size} cards found of 32`);
  }
  return clicks;
}

// The best entry of a highscore file (docs/formats.md): its name, with the
// scrambling undone, and its score.
function firstEntry(bytes) {
  if (!bytes || bytes.length < 14 + 28) {
    return null;
  }
  const b = Buffer.from(bytes.map((v) => v & 0xFF));
  if (b.readUInt32LE(0) !== 0x01020304 || b.readUInt32LE(5) < 1) {
    return null;
  }
  const scrambled = b[4] >= 3 && b[13] === 1;
  const start = b[4] >= 3 ? 14 : 13;
  let name = '';
  for (let i = 0; i < 20 && b[start + i] !== 0; ++i) {
    name += String.fromCharCode(scrambled ? 255 - b[start + i] : b[start + i]);
  }
  return { name, score: b.readInt32LE(start + 20) };
}

async function main() {
  const server = await serve(site);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const browser = await launch();
  const page = new Session(browser.url);
  const problems = [];
  const warnings = [];
  try {
    await page.open();
    page.on((method, params) => {
      if (method === 'Runtime.consoleAPICalled') {
        const text = params.args.map((a) => a.value !== undefined ? a.value : a.description).join(' ');
        if (params.type === 'error' || params.type === 'assert') {
          problems.push('console.' + params.type + ': ' + text);
        } else if (params.type === 'warning') {
          warnings.push(text);
        }
      } else if (method === 'Runtime.exceptionThrown') {
        const d = params.exceptionDetails;
        problems.push('exception: ' + (d.exception ? d.exception.description : d.text));
      } else if (method === 'Log.entryAdded') {
        if (params.entry.level === 'error') {
          problems.push('log: ' + params.entry.text + (params.entry.url ? ' ' + params.entry.url : ''));
        } else if (params.entry.level === 'warning') {
          warnings.push(params.entry.text);
        }
      }
    });
    await page.send('Runtime.enable');
    await page.send('Log.enable');
    await page.send('Page.enable');

    // First visit: the intro, then the menu.
    const first = await openPage(page, origin + '/duomatch.html');
    log(`first frame ${first.firstFrame.toFixed(0)} ms after navigation, ` +
      `main menu ${first.menuFrame.toFixed(0)} ms (the intro plays about 5 s)`);
    await screenshot(page, 'menu.png');

    // The highscore table, empty: its first row.
    await press(page, 'ArrowDown');
    await press(page, 'Enter');
    await waitFor('the highscore table', () => scoresShown(page));
    await sleep(1500); // the rows slide in
    const emptyRow = await look(page, 60, 125, 520, 50);
    await press(page, 'Escape');
    await waitFor('the menu again', () => menuSteady(page));
    await press(page, 'ArrowUp');
    await press(page, 'Enter'); // the set chooser
    await sleep(800);
    await press(page, 'Enter'); // the first set: dealt, paused
    // The deal: 32 backs, one per cell, the fade over; then the game drops
    // what was typed meanwhile.
    await waitFor('the dealt board', async () => {
      const first = await cardOf(page, 0);
      for (let cell = 1; cell < 32; ++cell) {
        if ((await cardOf(page, cell)).hash !== first.hash) {
          return false;
        }
      }
      await sleep(100);
      return first.lit > 0.2 && (await cardOf(page, 0)).hash === first.hash;
    });
    await sleep(300);
    await press(page, ' '); // the clock starts
    await sleep(100);

    // Two cards turned with the mouse.
    const back = (await cardOf(page, 0)).hash;
    const firstCard = await turn(page, 0, back);
    const secondCard = await turn(page, 1, back);
    if (firstCard.lit < 0.2 || secondCard.lit < 0.2) {
      throw new Error('a turned card shows nothing');
    }
    await screenshot(page, 'board.png');
    log('two cards turned: faces ' + firstCard.hash + ' and ' + secondCard.hash + ' over back ' + back);
    const found = new Set();
    if (firstCard.hash !== secondCard.hash) {
      // They turn back after a second.
      await waitFor('the pair to turn back', async () =>
        (await cardOf(page, 0)).hash === back && (await cardOf(page, 1)).hash === back, 4000);
    } else {
      found.add(0).add(1);
    }
    // The rest of the game, from memory (the first two cards are looked at
    // again).
    const clicks = await playGame(page, back, found);
    log(`the game won in ${clicks + 2} clicks`);

    // The name of the record, typed, then the table.
    await waitFor('the name\'s screen', async () => {
      const box = await look(page, 160, 345, 350, 40); // right of the cursor
      const stripes = await look(page, 0, 250, 50, 20);
      return box.any === 0 && stripes.any === 1;
    });
    await sleep(500); // its fade
    for (const letter of 'WEB') {
      await press(page, letter);
      await sleep(60);
    }
    await press(page, 'Enter');
    await waitFor('the highscore table after the game', () => scoresShown(page));
    await sleep(1500);
    const savedRow = await look(page, 60, 125, 520, 50);
    if (savedRow.hash === emptyRow.hash) {
      throw new Error('the table\'s first row did not change');
    }
    await screenshot(page, 'scores.png');
    const stored = await page.evaluate(`new Promise((resolve) => {
      const request = indexedDB.open('/home/web_user/.local/share/duomatch');
      request.onerror = () => resolve(null);
      request.onsuccess = () => {
        try {
          const get = request.result.transaction(['FILE_DATA'], 'readonly').objectStore('FILE_DATA')
            .get('/home/web_user/.local/share/duomatch/highscores');
          get.onsuccess = () => resolve(get.result ? Array.from(get.result.contents) : null);
          get.onerror = () => resolve(null);
        } catch (e) { resolve(null); }
      };
    })`);
    const best = firstEntry(stored);
    if (!best || best.name !== 'WEB') {
      throw new Error('the highscores are not in IndexedDB: ' + JSON.stringify(stored));
    }
    log(`the table is in IndexedDB (${stored.length} bytes; first: ${best.name}, ${best.score} s)`);
    await press(page, 'Escape');
    await waitFor('the menu after the table', () => menuSteady(page));

    // Reloaded: the table is still there.
    const second = await openPage(page, origin + '/duomatch.html');
    log(`reloaded: main menu ${second.menuFrame.toFixed(0)} ms after navigation`);
    await press(page, 'ArrowDown');
    await press(page, 'Enter');
    await waitFor('the highscore table after the reload', () => scoresShown(page));
    await sleep(1500);
    const reloadedRow = await look(page, 60, 125, 520, 50);
    if (reloadedRow.hash !== savedRow.hash) {
      throw new Error('the table did not survive the reload');
    }
    log('the highscore survived the reload');

    // Offline: the service worker has the page.
    // (ready never settles when no worker becomes active: the page answers
    // false after a second, so that waitFor's time limit applies.)
    await waitFor('the service worker in control', () =>
      page.evaluate(`Promise.race([
        navigator.serviceWorker.ready.then(() => !!navigator.serviceWorker.controller),
        new Promise((resolve) => setTimeout(() => resolve(false), 1000))])`), 10000);
    await new Promise((resolve) => server.close(resolve));
    server.closeAllConnections && server.closeAllConnections();
    const offline = await openPage(page, origin + '/duomatch.html');
    log('offline (server stopped, service worker in control): ' +
      `main menu ${offline.menuFrame.toFixed(0)} ms after navigation`);

    if (warnings.length) {
      log('console warnings:\n  ' + [...new Set(warnings)].join('\n  '));
    }
    if (problems.length) {
      throw new Error('console errors:\n  ' + problems.join('\n  '));
    }
    log('all checks passed');
  } catch (error) {
    await screenshot(page, 'failure.png').catch(() => {});
    if (warnings.length) {
      console.error('browser-test: console warnings so far:\n  ' + [...new Set(warnings)].join('\n  '));
    }
    if (problems.length) {
      console.error('browser-test: console errors so far:\n  ' + problems.join('\n  '));
    }
    throw error;
  } finally {
    page.close();
    await browser.close().catch(() => {});
    server.close();
  }
}

main().catch((error) => {
  console.error('browser-test: FAILED: ' + error.message);
  process.exit(1);
});
