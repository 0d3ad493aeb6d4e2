// Draws a network as an SVG graph from the DOT text the library writes (network_to_dot): one
// node line "N;" or "N [shape=doublecircle];" per state, then its edges "N -> M [label="..."];"
// with the labels of parallel arcs already joined.
//
// Layout: states in columns by their distance from the start state (breadth first), in order of
// discovery within a column; an edge to the next column is a straight line, other edges are
// arcs bent away from the line, and an edge from a state to itself a loop above it. Meant for
// the small networks one learns with: the page draws at most a few dozen states.

const SVG = "http://www.w3.org/2000/svg";

// The states, final states and edges of a DOT text of network_to_dot.
export function parseDot(text) {
  const states = [];
  const finals = new Set();
  const edges = [];
  for (const line of text.split("\n")) {
    let found = /^\s*(\d+)( \[shape=doublecircle\])?;$/.exec(line);
    if (found) {
      states.push(Number(found[1]));
      if (found[2]) finals.add(Number(found[1]));
      continue;
    }
    found = /^\s*(\d+) -> (\d+) \[label="((?:[^"\\]|\\.)*)"\];$/.exec(line);
    if (found) {
      const label = found[3].replace(/\\(.)/g, "$1");
      edges.push({ from: Number(found[1]), to: Number(found[2]), label });
    }
  }
  return { states, finals, edges };
}

function element(name, attributes, text) {
  const node = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  if (text !== undefined) node.textContent = text;
  return node;
}

// An SVG element drawing the network of the DOT text; state 0 is the start state.
export function drawGraph(dotText) {
  const { states, finals, edges } = parseDot(dotText);
  const next = new Map(states.map((s) => [s, []]));
  for (const e of edges) next.get(e.from)?.push(e.to);
  const column = new Map();
  const columns = [];
  const queue = states.length ? [states[0]] : [];
  if (queue.length) column.set(states[0], 0);
  while (queue.length) {
    const s = queue.shift();
    const c = column.get(s);
    (columns[c] ||= []).push(s);
    for (const t of next.get(s) || [])
      if (!column.has(t)) {
        column.set(t, c + 1);
        queue.push(t);
      }
  }
  const dx = 110, dy = 70, r = 16, margin = 40;
  const place = new Map();
  columns.forEach((list, c) => list.forEach((s, i) => place.set(s, { x: margin + c * dx, y: margin + 20 + i * dy })));
  const width = margin * 2 + Math.max(0, columns.length - 1) * dx;
  const height = margin * 2 + 20 + Math.max(0, ...columns.map((l) => l.length - 1)) * dy;
  const svg = element("svg", { width, height, viewBox: `0 0 ${width} ${height}`, class: "graph" });
  svg.appendChild(element("defs", {})).appendChild(element("marker",
    { id: "arrow", viewBox: "0 0 10 10", refX: 10, refY: 5, markerWidth: 7, markerHeight: 7, orient: "auto" }))
    .appendChild(element("path", { d: "M0,0 L10,5 L0,10 z" }));

  for (const e of edges) {
    const a = place.get(e.from), b = place.get(e.to);
    if (!a || !b) continue;
    const group = svg.appendChild(element("g", { class: "edge" }));
    let path, lx, ly;
    if (e.from === e.to) {
      path = `M${a.x - 8},${a.y - r + 2} C${a.x - 28},${a.y - 58} ${a.x + 28},${a.y - 58} ${a.x + 8},${a.y - r + 2}`;
      lx = a.x; ly = a.y - 50;
    } else {
      const len = Math.hypot(b.x - a.x, b.y - a.y);
      const ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
      const sx = a.x + ux * r, sy = a.y + uy * r, tx = b.x - ux * r, ty = b.y - uy * r;
      const straight = column.get(e.to) === column.get(e.from) + 1;
      const bend = straight ? 0 : 0.25 * len * (column.get(e.to) > column.get(e.from) ? 1 : -1);
      const cx = (sx + tx) / 2 - uy * bend, cy = (sy + ty) / 2 + ux * bend;
      path = `M${sx},${sy} Q${cx},${cy} ${tx},${ty}`;
      lx = (sx + 2 * cx + tx) / 4; ly = (sy + 2 * cy + ty) / 4 - 4;
    }
    group.appendChild(element("path", { d: path, "marker-end": "url(#arrow)" }));
    group.appendChild(element("text", { x: lx, y: ly, "text-anchor": "middle" }, e.label));
  }
  for (const [s, p] of place) {
    const group = svg.appendChild(element("g", { class: "state", "data-state": s }));
    group.appendChild(element("circle", { cx: p.x, cy: p.y, r }));
    if (finals.has(s)) group.appendChild(element("circle", { cx: p.x, cy: p.y, r: r - 4 }));
    group.appendChild(element("text", { x: p.x, y: p.y + 4, "text-anchor": "middle" }, String(s)));
  }
  if (place.has(0)) {
    const start = place.get(0);
    svg.appendChild(element("path", { class: "start", d: `M${start.x - r - 22},${start.y} L${start.x - r},${start.y}`, "marker-end": "url(#arrow)" }));
  }
  return svg;
}
