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

# -D defines names for the expressions, in order, from a regex or a saved file of one network;
# a malformed definition is a usage error, one that cannot be made a failure.
"$KORA" regex -o "$TMPDIR/ab.fst" 'a b' > /dev/null
"$KORA" regex -D X=c -D "Y=X X" -D "AB=$TMPDIR/ab.fst" -o "$TMPDIR/abcc.fst" 'AB Y' > /dev/null
test "$("$KORA" text "$TMPDIR/abcc.fst")" = "abcc"
if "$KORA" regex -D "Two=$TMPDIR/two.fst" Two 2>"$TMPDIR/err"; then exit 1; fi
grep -q "two.fst holds 2 networks; a name stands for one" "$TMPDIR/err"
status=0; "$KORA" regex -D noequals a 2>"$TMPDIR/err" || status=$?
test $status -eq 2 && grep -q "option -D takes NAME=FILE or NAME=REGEX, not 'noequals'" "$TMPDIR/err"
if "$KORA" regex -D 'X=[a' X 2>"$TMPDIR/err"; then exit 1; fi
grep -q "kora: -D X: cannot compile '\[a'" "$TMPDIR/err"
