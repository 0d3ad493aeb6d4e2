#!/bin/sh
# kora words --spaced reads spaced text; kora text --spaced writes it back aligned.
set -eu
printf 'c a t\nc h a t s\n\nd o g\n\n' > "$TMPDIR/pairs.txt"
test "$("$KORA" words --spaced "$TMPDIR/pairs.txt")" = "8 states, 8 arcs, 2 paths."
"$KORA" text --spaced "$TMPDIR/pairs.txt" > "$TMPDIR/out.txt"
printf 'c a t 0 0\nc h a t s\n\nd o g\nd o g\n\n' | cmp - "$TMPDIR/out.txt"
# A binary file is refused.
printf 'a\0\0\0b\n' > "$TMPDIR/binary"
if "$KORA" words --spaced "$TMPDIR/binary" 2>"$TMPDIR/err"; then exit 1; fi
grep -q "appears not to be a text file" "$TMPDIR/err"
