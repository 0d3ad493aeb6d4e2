#!/bin/sh
# kora words -o saves the network; print and info load it back; damaged and missing files fail.
set -eu
"$KORA" words "$EXAMPLES/fruits.txt" -o "$TMPDIR/fruits.fst" > /dev/null
printed=$("$KORA" words --print "$EXAMPLES/fruits.txt")
loaded=$("$KORA" print "$TMPDIR/fruits.fst")
[ "$printed" = "$loaded" ]
info=$("$KORA" info "$TMPDIR/fruits.fst")
printf '%s\n' "$info" | grep -q '^Type: 19$'
printf '%s\n' "$info" | grep -q '^Networks: 1 (1 loaded)$'
printf '%s\n' "$info" | grep -q '^1: .* states, .* arcs'
head -c 40 "$TMPDIR/fruits.fst" > "$TMPDIR/cut.fst"
if "$KORA" print "$TMPDIR/cut.fst" 2>/dev/null; then exit 1; fi
if "$KORA" info "$TMPDIR/no-such.fst" 2>/dev/null; then exit 1; fi
if "$KORA" print "$EXAMPLES/fruits.txt" 2>/dev/null; then exit 1; fi
