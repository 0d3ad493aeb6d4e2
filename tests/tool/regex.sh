#!/bin/sh
# kora regex compiles an expression, or every expression of a file, prints the size of each
# network and saves them with -o; a syntax error is reported with its token and place, and fails.
set -eu
test "$("$KORA" regex '[a | b]* c')" = "2 states, 3 arcs, loops."
test "$("$KORA" regex 'c a t | d o g')" = "6 states, 6 arcs, 2 words."
test "$("$KORA" regex 'a:b c')" = "3 states, 2 arcs, 1 path."
printf 'a b;\n! a comment\n{cat} | {dog};\nEND;\nnot read;\n' > "$TMPDIR/two.re"
"$KORA" regex -o "$TMPDIR/two.fst" -f "$TMPDIR/two.re" > "$TMPDIR/out"
test "$(cat "$TMPDIR/out")" = "3 states, 2 arcs, 1 word.
6 states, 6 arcs, 2 words."
test "$("$KORA" text "$TMPDIR/two.fst")" = "ab"

# A syntax error: the library's message, then the line and a caret under the token.
if "$KORA" regex 'a | | b' 2>"$TMPDIR/err"; then exit 1; fi
printf '%s\n' "" "*** ERROR: Regex error (syntax error) at | ***" "  a | | b" "      ^" \
  "kora: the regular expression could not be compiled" | cmp - "$TMPDIR/err"
# The ";" the library adds is the end of the expression; tabs and UTF-8 keep the caret in place.
if "$KORA" regex "$(printf 'a\n\tb \303\244 |')" 2>"$TMPDIR/err"; then exit 1; fi
grep -qx "$(printf '  \tb \303\244 |')" "$TMPDIR/err"
grep -qx "$(printf '  \t     ^ at the end of the expression')" "$TMPDIR/err"
# A rule before .o. gets the hint to bracket it.
if "$KORA" regex 'a -> b || c _ d .o. b -> e' 2>"$TMPDIR/err"; then exit 1; fi
grep -qx '\*\*\* Warning: Hint: a replace rule (or a list of them) before .o. must be in brackets: \[A -> B || L _ R\] .o. C \*\*\*' "$TMPDIR/err"
grep -qx '                  ^' "$TMPDIR/err"
# In a file, every error with its line.
printf 'a;\nb |;\n  c );\nd' > "$TMPDIR/bad.re"
if "$KORA" regex -f "$TMPDIR/bad.re" 2>"$TMPDIR/err"; then exit 1; fi
printf '%s\n' "" "*** ERROR: Regex error at ; on line 2 in '$TMPDIR/bad.re' ***" "  b |;" "     ^" \
  "" "*** ERROR: Regex error at ) on line 3 in '$TMPDIR/bad.re' ***" "    c );" "      ^" \
  "" "*** Warning: missing semicolon. (at the end of '$TMPDIR/bad.re') ***" \
  "kora: the regular expressions could not be compiled" | cmp - "$TMPDIR/err"
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

# A grammar that includes other files compiles from anywhere; an error in an included file is
# reported with that file and line.
mkdir -p "$TMPDIR/grammar/sub"
printf 'cat\ndog\n' > "$TMPDIR/grammar/sub/stems.txt"
printf '[@txt "stems.txt"] %%+N:0 %%+Pl:s;\n' > "$TMPDIR/grammar/sub/nouns.re"
printf '@re "sub/nouns.re";\n' > "$TMPDIR/grammar/main.re"
"$KORA" regex -o "$TMPDIR/nouns.fst" -f "$TMPDIR/grammar/main.re" > /dev/null
test "$(echo dogs | "$KORA" lookup "$TMPDIR/nouns.fst" | cut -f2)" = "dog+N+Pl"
printf 'a;\nb |;\n' > "$TMPDIR/grammar/sub/bad.re"
printf 'x;\n@re "sub/bad.re";\n' > "$TMPDIR/grammar/top.re"
if "$KORA" regex -o "$TMPDIR/top.fst" -f "$TMPDIR/grammar/top.re" 2>"$TMPDIR/err"; then exit 1; fi
grep -q "Regex error at ; on line 2 in '$TMPDIR/grammar/sub/bad.re'" "$TMPDIR/err"
test ! -e "$TMPDIR/top.fst"
