#!/bin/sh
# kora text writes the words of a word list's network back: each distinct word once, in order.
set -eu
"$KORA" text --words "$EXAMPLES/fruits.txt" > "$TMPDIR/words.txt"
LC_ALL=C sort -u "$EXAMPLES/fruits.txt" | grep -v '^$' > "$TMPDIR/expected.txt"
cmp "$TMPDIR/words.txt" "$TMPDIR/expected.txt"
# The same words come back from the saved network.
"$KORA" words -o "$TMPDIR/fruits.fst" "$EXAMPLES/fruits.txt" > /dev/null
"$KORA" text "$TMPDIR/fruits.fst" | cmp - "$TMPDIR/expected.txt"
