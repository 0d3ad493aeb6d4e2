#!/bin/sh
# kora regex compiles an expression, or every expression of a file, prints the size of each
# network and saves them with -o; a syntax error is reported with its token and fails.
set -eu
test "$("$KORA" regex '[a | b]* c')" = "2 states, 3 arcs, loops."
test "$("$KORA" regex 'c a t | d o g')" = "6 states, 6 arcs, 2 words."
test "$("$KORA" regex 'a:b c')" = "3 states, 2 arcs, 1 path."
printf 'a b;\n! a comment\n{cat} | {dog};\nEND;\nnot read;\n' > "$TMPDIR/two.re"
"$KORA" regex -o "$TMPDIR/two.fst" -f "$TMPDIR/two.re" > "$TMPDIR/out"
test "$(cat "$TMPDIR/out")" = "3 states, 2 arcs, 1 word.
6 states, 6 arcs, 2 words."
test "$("$KORA" text "$TMPDIR/two.fst")" = "ab"
if "$KORA" regex 'a | | b' 2>"$TMPDIR/err"; then exit 1; fi
grep -q 'Regex error (syntax error) at |' "$TMPDIR/err"
printf 'a;\nb |;\n' > "$TMPDIR/bad.re"
if "$KORA" regex -f "$TMPDIR/bad.re" 2>"$TMPDIR/err"; then exit 1; fi
grep -q "Regex error at ; on line 2 in '$TMPDIR/bad.re'" "$TMPDIR/err"
if "$KORA" regex 2>/dev/null; then exit 1; fi
