#!/bin/sh
# kora text writes the words of a word list's network back: each distinct word once, in order.
set -eu
"$KORA" text "$EXAMPLES/fruits.txt" > "$TMPDIR/words.txt"
LC_ALL=C sort -u "$EXAMPLES/fruits.txt" | grep -v '^$' > "$TMPDIR/expected.txt"
cmp "$TMPDIR/words.txt" "$TMPDIR/expected.txt"
