// The playground page: named sources (regular expressions or lexicons) compiled and defined in
// order, a network expression over their names, test words analysed and generated as one
// types, and the network's sizes, paths, DOT text and drawing.
//
// Every edit recompiles everything after a short pause: the sources are small, and compiling
// them all again keeps the page free of stale definitions. Errors are shown under the source
// they belong to, at their line.

import { loadKora } from "./kora.js";
import { drawGraph } from "./graph.js";
import { EXAMPLES } from "./examples.js";

const MAX_DRAWN_STATES = 60;
const MAX_LISTED_PATHS = 200;

const $ = (selector) => document.querySelector(selector);
const status = $("#status");
let kora = null;
let network = null;   // the network of the expression, or null
let defined = [];     // the names defined by the last compilation
let nets = [];        // the sources' networks of the last compilation
let pending = 0;

// --- Sources -----------------------------------------------------------------------------------

function updateGutter(source, errorLine = 0) {
  const count = source.querySelector(".text").value.split("\n").length;
  const gutter = source.querySelector(".gutter");
  gutter.replaceChildren(...Array.from({ length: count }, (_, i) => {
    const line = document.createElement("div");
    line.textContent = String(i + 1);
    if (i + 1 === errorLine) line.className = "error-line";
    return line;
  }));
  gutter.scrollTop = source.querySelector(".text").scrollTop;
}

function addSource({ name, kind, text }) {
  const source = $("#source-template").content.firstElementChild.cloneNode(true);
  source.querySelector(".name").value = name;
  source.querySelector(".kind").value = kind;
  const area = source.querySelector(".text");
  area.value = text;
  area.addEventListener("scroll", () => { source.querySelector(".gutter").scrollTop = area.scrollTop; });
  source.querySelector(".remove").addEventListener("click", () => { source.remove(); schedule(); });
  for (const input of source.querySelectorAll("input, select, textarea"))
    input.addEventListener("input", () => { updateGutter(source); schedule(); });
  $("#sources").appendChild(source);
  updateGutter(source);
  return source;
}

function showError(box, error) {
  box.hidden = error === null;
  const place = error?.line && !error.message.startsWith(`line ${error.line}:`) ? `line ${error.line}: ` : "";
  box.textContent = error === null ? "" : place + error.message;
  box.dataset.line = error === null ? "" : String(error.line || 0);
}

// --- Compiling -----------------------------------------------------------------------------------

function clear() {
  network?.free();
  network = null;
  for (const net of nets) net.free();
  nets = [];
  for (const name of defined) kora.undefine(name);
  defined = [];
}

function compile() {
  clear();
  let failed = false;
  for (const source of document.querySelectorAll("#sources .source")) {
    const name = source.querySelector(".name").value.trim();
    const kind = source.querySelector(".kind").value;
    const text = source.querySelector(".text").value;
    const box = source.querySelector(".error");
    try {
      if (!/^[A-Za-z][A-Za-z0-9_]*$/.test(name))
        throw { message: `A source needs a name of letters, digits and _ (not '${name}').`, line: 0 };
      const net = kind === "lexicon" ? kora.lexicon(name, text) : kora.regex(name, text);
      nets.push(net);
      kora.define(name, net);
      defined.push(name);
      showError(box, null);
      updateGutter(source);
    } catch (error) {
      failed = true;
      showError(box, error);
      updateGutter(source, error.line);
    }
  }
  const box = $("#expression-error");
  try {
    network = kora.regex("expression", $("#expression").value);
    showError(box, null);
  } catch (error) {
    showError(box, failed ? { message: "(a source above did not compile)\n" + error.message, line: 0 } : error);
  }
  showNetwork();
  showWords();
}

function showNetwork() {
  const graph = $("#graph");
  if (network === null) {
    $("#sizes").textContent = "";
    graph.replaceChildren();
    $("#paths").textContent = "";
    $("#dot").textContent = "";
    return;
  }
  const paths = network.paths;
  $("#sizes").textContent = `${network.states} states, ${network.arcs} arcs, ` +
    (paths === null ? "loops" : `${paths} paths`) + (network.arity > 1 ? ", transducer" : "");
  $("#paths").textContent = paths === null ? "(the network has a loop: its paths are endless)"
    : network.listing(MAX_LISTED_PATHS).join("\n") + (paths > MAX_LISTED_PATHS ? "\n…" : "");
  if (network.states > MAX_DRAWN_STATES) {
    const note = document.createElement("p");
    note.className = "note";
    note.textContent = `${network.states} states: too many to draw (at most ${MAX_DRAWN_STATES}).`;
    graph.replaceChildren(note);
    $("#dot").textContent = "";
    return;
  }
  const dot = network.dot(MAX_DRAWN_STATES);
  $("#dot").textContent = dot;
  graph.replaceChildren(drawGraph(dot));
}

function cell(results) {
  const td = document.createElement("td");
  td.textContent = results.length ? results.join("\n") : "—";
  if (!results.length) td.className = "none";
  return td;
}

function showWords() {
  const body = $("#results tbody");
  const rows = [];
  for (const word of $("#words").value.split("\n").map((w) => w.trim()).filter((w) => w !== "")) {
    const row = document.createElement("tr");
    row.dataset.word = word;
    const first = document.createElement("td");
    first.textContent = word;
    row.append(first);
    if (network !== null) row.append(cell(network.lookup(word)), cell(network.generate(word)));
    rows.push(row);
  }
  body.replaceChildren(...rows);
}

function schedule() {
  clearTimeout(pending);
  status.textContent = "…";
  pending = setTimeout(() => {
    compile();
    status.textContent = "Ready";
    status.dataset.compiled = String(Number(status.dataset.compiled || 0) + 1);
  }, 250);
}

function loadExample(example) {
  $("#sources").replaceChildren();
  for (const source of example.sources) addSource(source);
  $("#expression").value = example.expression;
  $("#words").value = example.words;
  schedule();
}

// Compiles the sources of `example` and looks each of `words` up, as the page does, and returns
// the milliseconds taken and the number of analyses (for the benchmark).
function timeExample(example, words) {
  const start = performance.now();
  const made = [];
  try {
    for (const source of example.sources) {
      made.push(source.kind === "lexicon" ? kora.lexicon(source.name, source.text) : kora.regex(source.name, source.text));
      kora.define(source.name, made.at(-1));
    }
    made.push(kora.regex("expression", example.expression));
    let analyses = 0;
    for (const word of words) analyses += made.at(-1).lookup(word).length;
    return { milliseconds: performance.now() - start, analyses };
  } finally {
    for (const net of made) net.free();
  }
}

// --- Start ----------------------------------------------------------------------------------------

const select = $("#examples");
EXAMPLES.forEach((example, i) => select.append(new Option(example.title, String(i))));
select.addEventListener("change", () => loadExample(EXAMPLES[Number(select.value)]));
$("#add-source").addEventListener("click", () => {
  addSource({ name: `Source${document.querySelectorAll(".source").length + 1}`, kind: "regex", text: "" });
  schedule();
});
$("#expression").addEventListener("input", schedule);
$("#words").addEventListener("input", showWords);

try {
  kora = await loadKora();
  window.playground = { timeExample, examples: EXAMPLES };
  loadExample(EXAMPLES[0]);
} catch (error) {
  status.textContent = "kora did not load: " + error.message;
}
