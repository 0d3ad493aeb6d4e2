"""Data and scoring of bench/compare-suggest.sh.

  suggest_data.py make WORDS COUNT SEED OUT    misspellings of random words of WORDS (lower-case
      a-z only), each made by 1 or 2 random insertions, deletions or substitutions of a letter:
      OUT gets "misspelling<TAB>intended<TAB>edits" lines, and OUT.words the misspellings alone.
  suggest_data.py kora CASES DICTIONARY ANSWERS K    recall of `kora suggest` answers
  suggest_data.py hunspell CASES DICTIONARY ANSWERS K    recall of `hunspell -a` answers

Recall is the share of misspellings whose intended word is the first suggestion, among the first
five and among all, counted over the misspellings whose intended word is in DICTIONARY and within
K edits of the misspelling (the plain edit distance, computed here).
"""

import random
import sys

LETTERS = "abcdefghijklmnopqrstuvwxyz"


def distance(a, b):
    row = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        previous, row[0] = row[0], i
        for j, y in enumerate(b, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (x != y))
    return row[-1]


def make(words_file, count, seed, out):
    words = sorted({w for w in open(words_file, encoding="utf-8").read().split()
                    if w.isascii() and w.isalpha() and w.islower() and len(w) >= 3})
    rng = random.Random(seed)
    with open(out, "w") as cases, open(out + ".words", "w") as plain:
        made = 0
        while made < count:
            intended = rng.choice(words)
            edits = rng.choice((1, 2))
            word = intended
            for _ in range(edits):
                kind = rng.choice("ids")
                at = rng.randrange(len(word) + (kind == "i"))
                if kind == "i":
                    word = word[:at] + rng.choice(LETTERS) + word[at:]
                elif kind == "d" and len(word) > 1:
                    word = word[:at] + word[at + 1:]
                else:
                    word = word[:at] + rng.choice(LETTERS.replace(word[at], "")) + word[at + 1:]
            if word == intended:
                continue
            cases.write("%s\t%s\t%d\n" % (word, intended, edits))
            plain.write(word + "\n")
            made += 1


def kora_answers(answers):
    """The suggestions of each input, in order, by input, from `kora suggest` lines."""
    found = {}
    for line in open(answers, encoding="utf-8"):
        fields = line.rstrip("\n").split("\t")
        suggestions = found.setdefault(fields[0], [])
        if fields[2] != "+?":
            suggestions.append(fields[1])
    return found


def hunspell_answers(answers):
    """The suggestions of each input from `hunspell -a` output (one block per input line)."""
    found = []
    for line in open(answers, encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        if not line or line.startswith("@(#)"):
            continue
        if line[0] in "*+-":
            found.append(["<correct>"])
        elif line[0] == "#":
            found.append([])
        elif line[0] == "&":
            found.append([s.strip() for s in line.split(":", 1)[1].split(",")])
    return found


def score(cases_file, dictionary, found, k, name):
    known = set(open(dictionary, encoding="utf-8").read().split())
    cases = [line.rstrip("\n").split("\t") for line in open(cases_file)]
    if isinstance(found, list):
        if len(found) != len(cases):
            sys.exit("%s: %d answers for %d inputs" % (name, len(found), len(cases)))
        found = {typed: suggestions for (typed, _, _), suggestions in zip(cases, found)}
    counted = first = five = anywhere = 0
    for typed, intended, _ in cases:
        suggestions = found[typed]
        if intended not in known or distance(typed, intended) > k:
            continue
        counted += 1
        first += suggestions[:1] == [intended]
        five += intended in suggestions[:5]
        anywhere += intended in suggestions
    print("%s recall over %d words: first %.1f%%  first five %.1f%%  all %.1f%%"
          % (name, counted, 100 * first / counted, 100 * five / counted, 100 * anywhere / counted))


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "make":
        make(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5])
    elif command == "kora":
        score(sys.argv[2], sys.argv[3], kora_answers(sys.argv[4]), int(sys.argv[5]), sys.argv[6])
    elif command == "hunspell":
        score(sys.argv[2], sys.argv[3], hunspell_answers(sys.argv[4]), int(sys.argv[5]),
              sys.argv[6])
