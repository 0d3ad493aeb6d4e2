#!/usr/bin/env python3
"""Writes the playground's examples.js from files of examples/: an ES module exporting EXAMPLES,
a list of {title, sources: [{name, kind, text}], expression, words}.

Usage: make-examples.py OUTPUT ENGLISH.vorn SPELLING.re ANIMALS.vorn"""
import json
import sys

output, english, spelling, animals = sys.argv[1:5]


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


examples = [
    {"title": "English analyser (the tutorial)",
     "sources": [{"name": "Lex", "kind": "lexicon", "text": read(english)},
                 {"name": "Spelling", "kind": "regex", "text": read(spelling)}],
     "expression": "Lex .o. Spelling",
     "words": "cities\ntried\nbaking\nchurches\nmice\nstopped\nfoxes\ncat\ntry+V+Past"},
    {"title": "Animals (the lexicon guide)",
     "sources": [{"name": "Lex", "kind": "lexicon", "text": read(animals)}],
     "expression": "Lex",
     "words": "mice\nfoxes\nbarks\nwalk+V+Past"},
    {"title": "One replace rule",
     "sources": [{"name": "Rule", "kind": "regex",
                  "text": "! n becomes m before p\n[ n -> m || _ p ] ;\n"}],
     "expression": "Rule",
     "words": "inpossible\nunpack\nnone"},
]
with open(output, "w", encoding="utf-8") as f:
    f.write("// Made by make-examples.py from the files of examples/.\n")
    f.write("export const EXAMPLES = " + json.dumps(examples, indent=1, ensure_ascii=False) + ";\n")
