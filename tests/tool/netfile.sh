#!/bin/sh
# kora words -o saves the network; print, info, words and text load it back from the saved file;
# damaged and missing files fail.
set -eu
"$KORA" words "$EXAMPLES/fruits.txt" -o "$TMPDIR/fruits.fst"
[ "$("$KORA" words --print "$EXAMPLES/fruits.txt")" = "$("$KORA" print "$TMPDIR/fruits.fst")" ]
[ "$("$KORA" words "$EXAMPLES/fruits.txt")" = "$("$KORA" words "$TMPDIR/fruits.fst")" ]
[ "$("$KORA" text "$EXAMPLES/fruits.txt")" = "$("$KORA" text "$TMPDIR/fruits.fst")" ]
info=$("$KORA" info "$TMPDIR/fruits.fst")
printf '%s\n' "$info" | grep -q '^Type: 19$'
printf '%s\n' "$info" | grep -q '^Networks: 1 (1 loaded)$'
printf '%s\n' "$info" | grep -q '^1: .* states, .* arcs'
head -c 40 "$TMPDIR/fruits.fst" > "$TMPDIR/cut.fst"
if "$KORA" print "$TMPDIR/cut.fst" 2>/dev/null; then exit 1; fi
if "$KORA" words "$TMPDIR/cut.fst" 2>/dev/null; then exit 1; fi
if "$KORA" info "$TMPDIR/no-such.fst" 2>/dev/null; then exit 1; fi
if "$KORA" print "$EXAMPLES/fruits.txt" 2>/dev/null; then exit 1; fi
