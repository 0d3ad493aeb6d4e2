#!/bin/sh
# kora words prints the size of the minimal network of a word list, or with --print its listing;
# a missing file is an error.
set -eu
out=$("$KORA" words "$EXAMPLES/fruits.txt")
test "$out" = "46 states, 57 arcs, 24 words."
"$KORA" words --print "$EXAMPLES/fruits.txt" | grep -q '^Flags: deterministic, pruned, minimized'
# The order of the words does not matter.
sort -r "$EXAMPLES/fruits.txt" > "$TMPDIR/reversed.txt"
test "$("$KORA" words "$TMPDIR/reversed.txt")" = "$out"
if "$KORA" words "$TMPDIR/no-such-file" 2>"$TMPDIR/err"; then exit 1; fi
grep -q "cannot read '$TMPDIR/no-such-file': No such file or directory" "$TMPDIR/err"
