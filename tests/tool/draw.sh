#!/bin/sh
# kora draw writes a network as a DOT digraph: on standard output or with -o in a file, from a
# word list, spaced text or a saved file; --max-states refuses larger networks; Graphviz's dot,
# when installed, accepts the drawing. (Usage errors: bad_inputs.sh.)
set -eu
"$KORA" draw --words "$EXAMPLES/fruits.txt" > "$TMPDIR/fruits.dot"
head -n 1 "$TMPDIR/fruits.dot" | grep -qx 'digraph {'
tail -n 1 "$TMPDIR/fruits.dot" | grep -qx '}'
# The 46 states of the minimal network, each drawn once, and the arrow into the start.
test "$(grep -cE '^  [0-9]+( \[shape=doublecircle\])?;$' "$TMPDIR/fruits.dot")" = 46
grep -qx '  start -> 0;' "$TMPDIR/fruits.dot"
# A saved network and -o give the same drawing.
"$KORA" words -o "$TMPDIR/fruits.fst" "$EXAMPLES/fruits.txt" > /dev/null
"$KORA" draw -o "$TMPDIR/saved.dot" "$TMPDIR/fruits.fst"
cmp "$TMPDIR/fruits.dot" "$TMPDIR/saved.dot"
# Arcs between the same two states make one edge, labels in arc order; pairs of spaced text.
printf 'ab\ncb\n' > "$TMPDIR/two.txt"
"$KORA" draw --words "$TMPDIR/two.txt" > "$TMPDIR/two.dot"
test "$(grep -c -- '->' "$TMPDIR/two.dot")" = 3
grep -qxE '  0 -> 1 \[label="(a, c|c, a)"\];' "$TMPDIR/two.dot"
printf 'a b\nc b\n' > "$TMPDIR/spaced.txt"
"$KORA" draw --spaced "$TMPDIR/spaced.txt" > "$TMPDIR/spaced.dot"
grep -qx '  0 -> 1 \[label="a:c"\];' "$TMPDIR/spaced.dot"
# The limit: exactly the number of states passes, one less is refused, 0 means none.
"$KORA" draw --max-states 46 --words "$EXAMPLES/fruits.txt" > /dev/null
"$KORA" draw --max-states=0 --words "$EXAMPLES/fruits.txt" > /dev/null
if "$KORA" draw --max-states 45 --words "$EXAMPLES/fruits.txt" > "$TMPDIR/out" 2> "$TMPDIR/err"; then
  exit 1
fi
test ! -s "$TMPDIR/out"
grep -q 'network_to_dot: The network has 46 states, more than the 45 allowed.' "$TMPDIR/err"
"$KORA" draw --help | grep -q 'kora draw \[--words | --spaced\] \[--max-states N\] \[-o OUT\] NETWORK'
if command -v dot > /dev/null 2>&1; then
  dot -Tsvg "$TMPDIR/fruits.dot" > "$TMPDIR/fruits.svg"
  dot -Tsvg "$TMPDIR/spaced.dot" > "$TMPDIR/spaced.svg"
  grep -q '>a:c<' "$TMPDIR/spaced.svg"
fi
