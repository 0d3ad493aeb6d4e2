#!/bin/sh
# kora words --spaced reads spaced text; kora text --spaced writes it back aligned.
set -eu
printf 'c a t\nc h a t s\n\nd o g\n\n' > "$TMPDIR/pairs.txt"
test "$("$KORA" words --spaced "$TMPDIR/pairs.txt")" = "8 states, 8 arcs, 2 paths."
"$KORA" text --spaced "$TMPDIR/pairs.txt" > "$TMPDIR/out.txt"
printf 'c a t 0 0\nc h a t s\n\nd o g\nd o g\n\n' | cmp - "$TMPDIR/out.txt"

# kora text writes a word list only when it holds the paths exactly: multi-character symbols,
# OTHER beside the symbol "?", EPSILON beside the symbol "0" and transducers come out as spaced
# text, which reads back as the same network; single characters, "%" and blanks included, as a
# word list.
for regex in '{cat} | cat' '%? | ? a' '%0 | a:0 b'; do
  "$KORA" regex -o "$TMPDIR/x.fst" "$regex" > /dev/null
  "$KORA" text "$TMPDIR/x.fst" > "$TMPDIR/x.txt"
  "$KORA" words --spaced -o "$TMPDIR/back.fst" "$TMPDIR/x.txt" > /dev/null
  "$KORA" text "$TMPDIR/back.fst" | sort > "$TMPDIR/back.txt"
  sort "$TMPDIR/x.txt" | cmp - "$TMPDIR/back.txt"
done
test "$("$KORA" text "$TMPDIR/x.fst" | tr '\n' '|')" = '%0|%0||a b|0 b||'
"$KORA" regex -o "$TMPDIR/x.fst" '%% %  %! | %?' > /dev/null
test "$("$KORA" text "$TMPDIR/x.fst" | sort | tr '\n' '|')" = '% !|?|'
