// Arranges the browser's windows and tabs through the extension API, the one way to pin a tab
// or open a popup window without a person, then asks the page server for /done. The windows it
// leaves are what the fixture tests expect (tests/browsers/chromium_fixtures_test.cpp).
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
let base = '';
// A request the server's log shows; the answer (a 404) does not matter.
const report = (path) => fetch(base + path, { mode: 'no-cors' }).catch(() => {});

// Each step is reported to the page server (its log shows how far the driver got); a call
// that does not settle within `seconds` is left behind rather than stopping the rest.
async function step(name, work, seconds = 10) {
  const result = await Promise.race([work(), sleep(seconds * 1000).then(() => 'timeout')]);
  await report('step/' + name + (result === 'timeout' ? '/timeout' : ''));
  return result;
}

async function loaded(tabId) {
  for (let i = 0; i < 100; i++) {
    const tab = await chrome.tabs.get(tabId);
    if (tab.status === 'complete' && tab.title && !tab.title.startsWith('127.0.0.1')) return;
    await sleep(100);
  }
}

async function allLoaded() {
  for (const tab of await chrome.tabs.query({})) await loaded(tab.id);
}

async function arrange() {
  // The start-up window holds the pages named on the command line.
  let first = [];
  for (let i = 0; i < 100 && first.length < 6; i++) {
    await sleep(200);
    first = (await chrome.tabs.query({})).filter((t) => t.url.startsWith('http'));
  }
  base = new URL(first[0].url).origin + '/';
  await step('loaded', allLoaded);
  const [alpha, beta, ja, , epsilon, closed] = first;
  await step('pinned', async () => {
    await chrome.tabs.update(alpha.id, { pinned: true });
    await chrome.tabs.update(beta.id, { pinned: true });
  });
  await step('closed-tab', () => chrome.tabs.remove(closed.id));
  // Epsilon goes on to Foxtrot: its current entry is the second of two.
  await step('foxtrot', async () => {
    await chrome.tabs.update(epsilon.id, { url: base + 'f.html' });
    await sleep(300);
    await loaded(epsilon.id);
  });
  await step('selected', () => chrome.tabs.update(ja.id, { active: true }));

  const many = [];
  for (let i = 1; i <= 12; i++) many.push(base + 'many/' + i + '.html');
  let second;
  await step('second-window', async () => {
    second = await chrome.windows.create({ url: many });
  });
  await step('closed-window', async () => {
    const gone = await chrome.windows.create({ url: [base + 'gone1.html', base + 'gone2.html'] });
    await allLoaded();
    await chrome.windows.remove(gone.id);
  });
  await step('popup', async () => {
    await chrome.windows.create({ url: base + 'popup.html', type: 'popup' });
    await allLoaded();
  });
  // The browser writes a page's title only when it writes the whole session anew, which it does
  // after 250 commands: switching tabs makes them. The fifth tab is left selected.
  await step('titles', async () => {
    await allLoaded();
    for (let i = 0; i < 300; i++) {
      await chrome.tabs.update(second.tabs[(i + 5) % 12].id, { active: true });
    }
  }, 120);
  // The browser writes its session a few seconds after a change.
  await sleep(1000);
  await report('done');
}

arrange();
