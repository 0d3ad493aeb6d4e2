// kora in JavaScript: the WebAssembly build of the library (kora-web.js and kora-web.wasm)
// behind a small API.
//
//   import { loadKora } from "./kora.js";
//   const kora = await loadKora();                       // a memory budget of 256 MB
//   const lex = kora.lexicon("Lex", lexiconText);        // throws KoraError on errors
//   kora.define("Lex", lex);                             // a name for later expressions
//   const analyser = kora.regex("Main", "Lex .o. [ y -> i || _ %^ e d ] .o. [ %^ -> 0 ]");
//   analyser.lookup("tried");                            // ["try+V+Past"] (applies up)
//   analyser.generate("try+V+Past");                     // ["tried"] (applies down)
//   analyser.states, analyser.arcs, analyser.paths       // sizes (paths: null with a loop)
//   analyser.listing(100), analyser.dot(50)              // paths as lines; Graphviz text
//   analyser.free(); lex.free();
//
// A network lives in the module's memory until free() is called. Errors arrive as KoraError
// exceptions whose message is the library's and whose `line` is the line of the source where
// the error was found (0 when it is not known); warnings are kept in `kora.warnings`.

import createKoraModule from "./kora-web.js";

export class KoraError extends Error {
  constructor(message, line) {
    super(message);
    this.name = "KoraError";
    this.line = line;
  }
}

// The line a message of the library names: "line 4: ..." (lexicons) or "... on line 4 in ..."
// (regular expressions); 0 when it names none.
function lineOf(message) {
  const found = /^line (\d+):/m.exec(message) || /on line (\d+) in/.exec(message);
  return found ? Number(found[1]) : 0;
}

class Net {
  constructor(kora, pointer) {
    this.kora = kora;
    this.pointer = pointer;
  }
  get states() { return this.kora.api.numStates(this.pointer); }
  get arcs() { return this.kora.api.numArcs(this.pointer); }
  get arity() { return this.kora.api.arity(this.pointer); }
  // The number of paths, or null when the network has a loop.
  get paths() {
    const count = this.kora.api.numPaths(this.pointer);
    return count < 0 ? null : count;
  }
  // Analyses: the network applied up, from a string of its lower side.
  lookup(input) { return this.kora.apply(this.pointer, input, 1); }
  // Generations: the network applied down, from a string of its upper side.
  generate(input) { return this.kora.apply(this.pointer, input, 0); }
  // Up to `limit` paths, each "upper" or, for a transducer, "upper\tlower"; none with a loop.
  listing(limit = 100) {
    return this.kora.api.paths(this.pointer, limit).split("\n").filter((line) => line !== "");
  }
  // The Graphviz DOT text of the network; throws KoraError above `maxStates` states.
  dot(maxStates = 100) {
    const text = this.kora.api.dot(this.pointer, maxStates);
    this.kora.takeMessages(text === "");
    return text;
  }
  free() {
    if (this.pointer !== 0) this.kora.api.free(this.pointer);
    this.pointer = 0;
  }
}

class Kora {
  constructor(module, megabytes) {
    const f = (name, result, args) => module.cwrap(name, result, args);
    this.api = {
      start: f("kw_start", null, ["number"]),
      errors: f("kw_errors", "string", []),
      warnings: f("kw_warnings", "string", []),
      regexErrorLine: f("kw_regex_error_line", "number", []),
      regex: f("kw_regex", "number", ["string", "string"]),
      lexicon: f("kw_lexicon", "number", ["string", "string"]),
      define: f("kw_define", "number", ["string", "number"]),
      undefine: f("kw_undefine", null, ["string"]),
      apply: f("kw_apply", "string", ["number", "string", "number"]),
      numStates: f("kw_num_states", "number", ["number"]),
      numArcs: f("kw_num_arcs", "number", ["number"]),
      arity: f("kw_arity", "number", ["number"]),
      numPaths: f("kw_num_paths", "number", ["number"]),
      paths: f("kw_paths", "string", ["number", "number"]),
      dot: f("kw_dot", "string", ["number", "number"]),
      free: f("kw_free", null, ["number"]),
    };
    this.api.start(megabytes);
    this.warnings = [];
  }

  // Takes the library's messages: a KoraError when `failed` or when errors were reported (the
  // network `pointer`, if any, is then freed); warnings go to this.warnings.
  takeMessages(failed, line = 0, pointer = 0) {
    const errors = this.api.errors().replace(/\n$/, "");
    const warnings = this.api.warnings().replace(/\n$/, "");
    if (warnings !== "") this.warnings.push(warnings);
    if (!failed && errors === "") return;
    if (pointer !== 0) this.api.free(pointer);
    const text = errors || warnings || "failed";
    throw new KoraError(text, line || lineOf(text));
  }

  // The network of a regular-expression source (one expression, comments allowed) named `name`.
  regex(name, text) {
    const pointer = this.api.regex(name, text);
    this.takeMessages(pointer === 0, pointer === 0 ? this.api.regexErrorLine() : 0, pointer);
    return new Net(this, pointer);
  }

  // The network of a lexicon source named `name`.
  lexicon(name, text) {
    const pointer = this.api.lexicon(name, text);
    this.takeMessages(pointer === 0, 0, pointer);
    return new Net(this, pointer);
  }

  // Names a copy of `net` for the expressions compiled after this.
  define(name, net) {
    this.takeMessages(this.api.define(name, net.pointer) !== 0);
  }

  undefine(name) { this.api.undefine(name); }

  apply(pointer, input, up) {
    const output = this.api.apply(pointer, input, up);
    this.takeMessages(false);
    return output === "" ? [] : output.replace(/\n$/, "").split("\n");
  }
}

// Loads the module and starts the library with a memory budget of `megabytes`.
export async function loadKora({ megabytes = 256 } = {}) {
  return new Kora(await createKoraModule(), megabytes);
}
