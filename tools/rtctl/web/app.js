// The page of rtctl serve. It draws what the server's "system" events say (the naming tree, the
// components with their ports and connections) and sends the state buttons' requests; each plot
// reads one output port's samples from a stream of its own, which the server keeps connected
// only while the plot is open. Text from the system is always set as text, never as markup.
'use strict';

const PLOT_SECONDS = 10;
const PLOT_SERIES_LIMIT = 8;
// Each plot holds a connection of its own; a browser opens six at most to one server, and the
// page's own stream and its buttons need theirs.
const MAX_PLOTS = 4;
const SERIES_COLOURS = ['#1565c0', '#c62828', '#2e7d32', '#ef6c00', '#6a1b9a', '#00838f', '#5d4037', '#ad1457'];

let snapshot = { roots: [], components: [], graph: {} };
let selected = null;
const plots = new Map();  // port key ("COMPONENT:PORT") -> plot

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

function svg(tag, attributes, text) {
  const node = document.createElementNS('http://www.w3.org/2000/svg', tag);
  for (const [name, value] of Object.entries(attributes || {})) node.setAttribute(name, value);
  if (text !== undefined) node.textContent = text;
  return node;
}

let sayTimer = null;

// One line in the header: what a button did (it fades after a while) or why it failed (it stays).
function say(text, failed) {
  const message = document.getElementById('message');
  message.textContent = text;
  message.classList.toggle('failed', !!failed);
  clearTimeout(sayTimer);
  if (!failed) sayTimer = setTimeout(() => { message.textContent = ''; }, 2000);
}

// --- the live system ---------------------------------------------------------------------------

function listen() {
  const status = document.getElementById('status');
  const source = new EventSource('/api/events');
  source.addEventListener('system', (event) => {
    snapshot = JSON.parse(event.data);
    render();
  });
  source.onopen = () => {
    status.dataset.status = 'live';
    status.textContent = 'live';
  };
  source.onerror = () => {
    // The browser tries again by itself; say so meanwhile.
    status.dataset.status = 'lost';
    status.textContent = 'server lost, retrying…';
  };
}

function render() {
  renderTree();
  renderGraph();
  renderComponents();
}

function select(key) {
  selected = key;
  render();
  const card = document.querySelector(`.card[data-component="${CSS.escape(key)}"]`);
  if (card) card.scrollIntoView({ block: 'nearest' });
}

function componentByKey(key) {
  return snapshot.components.find((c) => c.key === key);
}

// --- naming tree -------------------------------------------------------------------------------

function renderTree() {
  const tree = document.getElementById('tree');
  tree.replaceChildren(treeList(snapshot.roots));
}

function treeList(nodes) {
  const list = element('ul');
  for (const node of nodes) {
    const item = element('li', node.kind);
    const label = element('span', 'label', node.name);
    item.append(label);
    // A manager or slave says where it runs: two managers on one host differ by process.
    if (node.detail) item.append(' ', element('span', 'detail', node.detail));
    if (node.kind === 'component') {
      const component = componentByKey(node.key);
      const state = component ? component.state : 'Unknown';
      const badge = element('span', 'state', state);
      badge.dataset.state = state;
      item.prepend(badge, ' ');
      item.dataset.component = node.key;
      label.addEventListener('click', () => select(node.key));
    }
    if (node.problem) item.append(element('div', 'problem', node.problem));
    if (node.children && node.children.length) item.append(treeList(node.children));
    list.append(item);
  }
  return list;
}

// --- component cards and their buttons ---------------------------------------------------------

// Cards are kept while their component is unchanged, so that a button is not swapped away from
// under the pointer by an update that concerns another component.
const cards = new Map();  // component key -> { text, node }

function renderComponents() {
  const box = document.getElementById('components');
  if (snapshot.components.length === 0) {
    cards.clear();
    box.replaceChildren(element('p', 'hint', 'No component is bound under the naming contexts shown.'));
    return;
  }
  for (const hint of box.querySelectorAll(':scope > p')) hint.remove();
  const shown = new Set();
  for (const component of snapshot.components) {
    const text = JSON.stringify(component) + (component.key === selected ? ' selected' : '');
    let kept = cards.get(component.key);
    if (!kept || kept.text !== text) {
      const node = card(component);
      if (kept) kept.node.replaceWith(node);
      kept = { text, node };
      cards.set(component.key, kept);
    }
    box.append(kept.node);  // in snapshot order; an element already there only moves
    shown.add(component.key);
  }
  for (const [key, kept] of cards) {
    if (shown.has(key)) continue;
    kept.node.remove();
    cards.delete(key);
  }
}

function card(component) {
  const box = element('div', 'card');
  box.dataset.component = component.key;
  if (component.key === selected) box.classList.add('selected');

  const title = element('h3');
  const state = element('span', 'state', component.state);
  state.dataset.state = component.state;
  title.append(element('span', 'name', component.name), state);
  box.append(title, element('div', 'path', component.key));
  if (component.problem) box.append(element('div', 'problem', component.problem));

  const buttons = element('div', 'buttons');
  const allowed = { activate: 'Inactive', deactivate: 'Active', reset: 'Error' };
  for (const action of ['activate', 'deactivate', 'reset']) {
    const button = element('button', '', action);
    button.dataset.action = action;
    button.disabled = component.state !== allowed[action];
    button.addEventListener('click', () => changeState(component.key, action));
    buttons.append(button);
  }
  box.append(buttons);

  const ports = element('ul');
  for (const port of component.ports) {
    const item = element('li');
    item.dataset.port = port.name;
    item.append(element('span', 'name', port.name), element('span', 'dir', port.direction),
                element('span', 'type', shortType(port.dataType)));
    item.append(links(port));
    if (port.direction === 'out') {
      const button = element('button', '', 'plot');
      button.dataset.plot = port.name;
      button.disabled = component.state === 'Zombie';
      button.addEventListener('click', () => openPlot(component.key, port.name));
      item.append(button);
    }
    ports.append(item);
  }
  box.append(ports);
  return box;
}

// Each far end as the component's bound name and the port ("Trimul1.x1"), its whole path on
// hover; rtctl's own short-lived components (plots, print, inject) are named as rtctl's.
function links(port) {
  const box = element('span', 'links');
  port.connections.forEach((connection, index) => {
    box.append(index === 0 ? `${port.direction === 'out' ? '→' : '←'} ` : '; ');
    const ends = connection.ends || [];
    ends.forEach((end, at) => {
      if (at > 0) box.append(', ');
      const name = element('span', end.tool ? 'end tool' : 'end', end.name);
      name.title = end.path || (end.tool ? `${end.port}: a component rtctl made for a ${end.tool}`
                                         : `${end.port}: not bound under the naming contexts shown`);
      box.append(name);
    });
    if (connection.subscription) box.append(` (${connection.subscription})`);
  });
  return box;
}

function shortType(repositoryId) {
  const match = /^IDL:(?:.*\/)?([^/:]+):[\d.]+$/.exec(repositoryId || '');
  return match ? match[1] : (repositoryId || '?');
}

async function changeState(key, action) {
  say(`${action} ${key}…`);
  try {
    const response = await fetch(`/api/${action}`, {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ component: key }),
    });
    const text = await response.text();
    if (response.ok) say(`${key} is ${JSON.parse(text).state}`);
    else say(text.trim(), true);
  } catch (error) {
    say(`${action} failed: the server does not answer`, true);
  }
}

// --- the data-flow graph -----------------------------------------------------------------------

// The server draws the graph with the same code as `rtctl system graph` (Graphviz, SVG); the page
// only places it and makes each component in it select its card.
function renderGraph() {
  const box = document.getElementById('graph');
  const graph = snapshot.graph || {};
  if (!graph.svg) {
    box.replaceChildren(element('p', 'hint', graph.problem ? `No graph: ${graph.problem}` : 'Nothing to draw yet.'));
    return;
  }
  const parsed = new DOMParser().parseFromString(graph.svg, 'image/svg+xml');
  const picture = document.importNode(parsed.documentElement, true);
  for (const script of picture.querySelectorAll('script')) script.remove();
  for (const node of picture.querySelectorAll('g.node')) {
    const title = node.querySelector('title');
    if (!title) continue;
    const key = `/${title.textContent}`;
    if (!componentByKey(key)) continue;  // a note inside a manager's cluster
    node.dataset.component = key;
    node.classList.toggle('selected', key === selected);
    node.addEventListener('click', () => select(key));
  }
  box.replaceChildren(picture);
}

// --- live plots --------------------------------------------------------------------------------

function openPlot(componentKey, portName) {
  const key = `${componentKey}:${portName}`;
  if (plots.has(key)) return;
  if (plots.size >= MAX_PLOTS) {
    say(`at most ${MAX_PLOTS} plots at once: close one first`, true);
    return;
  }
  document.getElementById('no-plots').hidden = true;

  const box = element('div', 'plot');
  box.dataset.plot = key;
  const title = element('div', 'title');
  const close = element('button', '', 'close');
  title.append(element('span', 'name', key), close);
  const note = element('div', 'note', 'waiting for samples…');
  const canvas = element('canvas');
  canvas.dataset.samples = '0';
  box.append(title, canvas, note);
  document.getElementById('plots').append(box);

  const plot = { key, box, canvas, note, samples: [], count: 0, stop: new AbortController() };
  plots.set(key, plot);
  readPlot(plot);
  close.addEventListener('click', () => {
    plot.stop.abort();  // the server disconnects from the port once no page plots it
    plots.delete(key);
    box.remove();
    document.getElementById('no-plots').hidden = plots.size > 0;
  });
}

// Asking for a plot makes the server connect a port of its own to the component's, so it is a
// POST (which another site's page cannot send with JSON), read as a stream of server-sent
// events. A stream lost without its "end" is asked for again, as EventSource would.
async function readPlot(plot) {
  const { signal } = plot.stop;
  while (!signal.aborted) {
    try {
      const response = await fetch('/api/plot', {
        method: 'POST',
        headers: { 'Content-Type': 'application/json' },
        body: JSON.stringify({ port: plot.key }),
        signal,
      });
      if (!response.ok) {
        plot.note.textContent = `cannot plot: ${(await response.text()).trim()}`;
        return;
      }
      if (await readEvents(response.body, (name, data) => plotEvent(plot, name, data))) return;
    } catch (error) {
      if (signal.aborted) return;
      plot.note.textContent = 'cannot plot: the server does not answer; trying again…';
    }
    await new Promise((resolve) => setTimeout(resolve, 1000));
  }
}

// True when the plot has ended for good.
function plotEvent(plot, name, data) {
  if (name === 'samples') {
    for (const [time, value] of JSON.parse(data).samples) {
      plot.samples.push({ time, value, numbers: numbers(value) });
      plot.count += 1;
    }
  } else if (name === 'end') {
    plot.note.textContent = `ended: ${JSON.parse(data).reason}`;
    return true;
  }
  return false;
}

// Hands each event of a server-sent event stream to `onEvent(name, data)` until the stream ends
// (false) or `onEvent` says it is over (true, and the stream is let go).
async function readEvents(body, onEvent) {
  const reader = body.pipeThrough(new TextDecoderStream()).getReader();
  let pending = '';
  for (;;) {
    const { value, done } = await reader.read();
    if (done) return false;
    pending += value.replace(/\r\n?/g, '\n');
    let end;
    while ((end = pending.indexOf('\n\n')) >= 0) {
      const frame = pending.slice(0, end);
      pending = pending.slice(end + 2);
      let name = 'message';
      const data = [];
      for (const line of frame.split('\n')) {
        if (line.startsWith('event:')) name = line.slice(6).trim();
        else if (line.startsWith('data:')) data.push(line.slice(5).replace(/^ /, ''));
      }
      if (data.length && onEvent(name, data.join('\n'))) {
        reader.cancel();
        return true;
      }
    }
  }
}

// The numbers a sample's text holds: one for a scalar, several for a sequence, 1/0 for a boolean;
// none for text.
function numbers(value) {
  if (value === 'true' || value === 'false') return [value === 'true' ? 1 : 0];
  const words = String(value).trim().split(/\s+/).filter((w) => w.length);
  const parsed = words.slice(0, PLOT_SERIES_LIMIT).map(Number);
  return parsed.length && parsed.every(Number.isFinite) ? parsed : [];
}

function drawPlot(plot) {
  const now = Date.now();
  const start = now - PLOT_SECONDS * 1000;
  while (plot.samples.length && plot.samples[0].time < start) plot.samples.shift();

  const canvas = plot.canvas;
  const ratio = window.devicePixelRatio || 1;
  const width = canvas.clientWidth || 600;
  const height = canvas.clientHeight || 180;
  if (canvas.width !== Math.round(width * ratio)) canvas.width = Math.round(width * ratio);
  if (canvas.height !== Math.round(height * ratio)) canvas.height = Math.round(height * ratio);
  const g = canvas.getContext('2d');
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.clearRect(0, 0, width, height);

  const left = 70;
  const right = width - 10;
  const top = 10;
  const bottom = height - 22;
  let low = Infinity;
  let high = -Infinity;
  for (const sample of plot.samples) {
    for (const n of sample.numbers) {
      low = Math.min(low, n);
      high = Math.max(high, n);
    }
  }
  if (low === Infinity) {
    low = 0;
    high = 1;
  } else if (low === high) {
    low -= 1;
    high += 1;
  }
  const xOf = (time) => left + ((time - start) / (PLOT_SECONDS * 1000)) * (right - left);
  const yOf = (n) => bottom - ((n - low) / (high - low)) * (bottom - top);

  g.strokeStyle = '#b0bec5';
  g.lineWidth = 1;
  g.strokeRect(left, top, right - left, bottom - top);
  g.fillStyle = '#455a64';
  g.font = '11px system-ui, sans-serif';
  g.textAlign = 'right';
  g.fillText(String(+high.toPrecision(6)), left - 6, top + 8);
  g.fillText(String(+low.toPrecision(6)), left - 6, bottom);
  g.textAlign = 'center';
  for (let s = 0; s <= PLOT_SECONDS; s += 2) {
    g.fillText(s === PLOT_SECONDS ? 'now' : `-${PLOT_SECONDS - s} s`, xOf(start + s * 1000), height - 6);
  }

  const series = Math.max(0, ...plot.samples.map((s) => s.numbers.length));
  for (let index = 0; index < series; ++index) {
    g.strokeStyle = SERIES_COLOURS[index % SERIES_COLOURS.length];
    g.fillStyle = g.strokeStyle;
    g.lineWidth = 1.5;
    g.beginPath();
    let drawn = 0;
    for (const sample of plot.samples) {
      if (index >= sample.numbers.length) continue;
      const x = xOf(sample.time);
      const y = yOf(sample.numbers[index]);
      if (drawn++ === 0) g.moveTo(x, y);
      else g.lineTo(x, y);
      g.fillRect(x - 1.5, y - 1.5, 3, 3);
    }
    g.stroke();
  }

  const last = plot.samples.length ? plot.samples[plot.samples.length - 1].value : null;
  canvas.dataset.samples = String(plot.count);
  if (last !== null) {
    canvas.dataset.last = last;
    plot.note.textContent = `${plot.count} samples; last: ${last}`;
  }
}

function animate() {
  for (const plot of plots.values()) {
    // Redrawn while open even without new samples, so the window keeps sliding.
    drawPlot(plot);
  }
  setTimeout(() => requestAnimationFrame(animate), 100);
}

listen();
animate();
